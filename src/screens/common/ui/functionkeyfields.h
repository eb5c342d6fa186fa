#pragma once
// F2 ... F12 in the free-text fields of the composition screens. The text comes from the current
// function-key store at the moment of the key press (the one the "F2-F12" screen last created),
// whether its texts were saved or not. Modifiers are not looked at: Shift+F3 acts like F3.
// The field is changed the way typing changes it (textEdited / textChanged are emitted), so a
// view that copies its fields into its model on edits needs nothing else.
#include "screens/common/appstate.h"

#include <functional>
#include <memory>

class QLineEdit;
class QPlainTextEdit;

namespace orvena {

using FunctionKeySource = std::function<std::shared_ptr<FunctionKeyTexts>()>;

// One-line field: the key's text replaces the whole text.
void installFunctionKeyLine(QLineEdit* field, const AppState& state);
void installFunctionKeyLine(QLineEdit* field, FunctionKeySource source);
// Memo: the key's text is appended as a new last line, wherever the caret stands.
void installFunctionKeyMemo(QPlainTextEdit* field, const AppState& state);
void installFunctionKeyMemo(QPlainTextEdit* field, FunctionKeySource source);

} // namespace orvena
