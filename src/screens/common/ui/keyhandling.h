#pragma once
// Keyboard conventions of the data-entry screens: Enter moves to the next field and Shift+Enter
// to the previous one; numeric fields drop characters they do not accept; some fields toggle
// between two texts on a mouse click.
#include "screens/common/charfilter.h"

#include <QObject>
#include <functional>

class QWidget;
class QLineEdit;
class QPlainTextEdit;

namespace orvena {

enum class EnterMode {
    FormFirst,  // data-entry screens: Enter in any field moves the focus on
    WindowOnly, // main window and list screens: only when the window itself has the focus
};

// Installs Enter / Shift+Enter focus movement on the window and its fields. Buttons keep Enter
// for themselves; in a multi-line field Enter starts a new line first, then the focus moves.
void installEnterNavigation(QWidget* window, EnterMode mode = EnterMode::FormFirst);
// Enter passes over this control (a chooser or a lookup button beside the fields); Tab still
// reaches it. So the Enter chain runs from the last field on to "OK".
void leaveOutOfEnterChain(QWidget* control);

// The input conventions of every bound one-line field, for typing and pasting alike, so that the
// text the field shows is the text its model receives:
// - characters the field's filter does not accept are dropped;
// - characters the database cannot store (€, emoji) are dropped with the clear conversion message;
// - a field the program focuses (after a chooser or a validation message) has its text selected,
//   so typing replaces it.
// Installing twice keeps one guard; installCharFilter() sets its filter.
void installFieldGuard(QLineEdit* edit);
// The same for a multi-line field (no filter); Tab moves on instead of typing a tab character.
void installFieldGuard(QPlainTextEdit* memo);
// The field's guard with this character filter (typing and pasting).
void installCharFilter(QLineEdit* edit, const CharFilter& filter);
// The program moves the focus to a field (after a chooser, after a validation message): the
// field's text is selected, so what the operator types next replaces it.
void focusField(QWidget* field);

// At most the characters the column holds (the schema's width); nothing for a non-text column.
void limitToColumn(QLineEdit* edit, const QString& table, const QString& column);

// Enter on a focused push button of the window presses it at once. The buttons become no "auto
// default" buttons, so Enter in a field or a grid never presses one the operator did not choose.
void installEnterPressesButtons(QWidget* window);

// Calls onLeave when the focus moves from the field to another one of the window; a window or
// menu taking the focus for a while is no leaving.
void installLeaveHandler(QWidget* field, std::function<void()> onLeave);
// Removes the leave handlers of every field of a window. A dialog whose handlers call into itself
// does so first in its destructor: taking the window down moves the focus out of its fields, and
// no handler may then run into the half-destroyed dialog.
void removeLeaveHandlers(QWidget* window);

// Calls onClick when the field is clicked with the left mouse button.
void installClickHandler(QWidget* field, std::function<void()> onClick);

// "J" or "j" typed on a register's focused "Módosít" button: onKey opens the highlighted
// document whatever its printed flag; the key is consumed.
void installModifyAnywayKey(QWidget* modifyButton, std::function<void()> onKey);

// Calls onKey(key) for F2 ... F12 pressed in the field and consumes the key.
void installFunctionKeyHandler(QWidget* field, std::function<void(int functionKey)> onKey);

} // namespace orvena
