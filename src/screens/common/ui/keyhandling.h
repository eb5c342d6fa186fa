#pragma once
// Keyboard conventions of the data-entry screens: Enter moves to the next field and Shift+Enter
// to the previous one; numeric fields drop characters they do not accept; some fields toggle
// between two texts on a mouse click.
#include "screens/common/charfilter.h"

#include <QObject>
#include <functional>

class QWidget;
class QLineEdit;

namespace orvena {

enum class EnterMode {
    FormFirst,  // data-entry screens: Enter in any field moves the focus on
    WindowOnly, // main window and list screens: only when the window itself has the focus
};

// Installs Enter / Shift+Enter focus movement on the window and its fields. Buttons keep Enter
// for themselves; in a multi-line field Enter starts a new line first, then the focus moves.
void installEnterNavigation(QWidget* window, EnterMode mode = EnterMode::FormFirst);

// Installs a character filter on a line edit (typing and pasting).
void installCharFilter(QLineEdit* edit, const CharFilter& filter);

// Calls onClick when the field is clicked with the left mouse button.
void installClickHandler(QWidget* field, std::function<void()> onClick);

// Calls onKey(key) for F2 ... F12 pressed in the field and consumes the key.
void installFunctionKeyHandler(QWidget* field, std::function<void(int functionKey)> onKey);

} // namespace orvena
