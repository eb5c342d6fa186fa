#include "functionkeyfields.h"

#include "keyhandling.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace orvena {

namespace {

FunctionKeySource currentOf(const AppState& state)
{
    return [&state] { return state.functionKeys; };
}

QString textOf(const FunctionKeySource& source, int key)
{
    const auto texts = source ? source() : nullptr;
    return texts ? texts->textForKey(key) : QString();
}

} // namespace

void installFunctionKeyLine(QLineEdit* field, const AppState& state)
{
    installFunctionKeyLine(field, currentOf(state));
}

void installFunctionKeyLine(QLineEdit* field, FunctionKeySource source)
{
    installFunctionKeyHandler(field, [field, source = std::move(source)](int key) {
        if (field->isReadOnly())
            return;
        const QString text = FunctionKeyTexts::applyToLine(textOf(source, key));
        // select-and-insert instead of setText: it is an edit, so textEdited follows
        field->selectAll();
        field->insert(text);
    });
}

void installFunctionKeyMemo(QPlainTextEdit* field, const AppState& state)
{
    installFunctionKeyMemo(field, currentOf(state));
}

void installFunctionKeyMemo(QPlainTextEdit* field, FunctionKeySource source)
{
    installFunctionKeyHandler(field, [field, source = std::move(source)](int key) {
        if (field->isReadOnly())
            return;
        const QString memo = field->toPlainText();
        const QString result = FunctionKeyTexts::appendToMemo(memo, textOf(source, key));
        // The result always starts with the memo, so only the tail is inserted, at the end;
        // the operator's undo history stays intact.
        QTextCursor cursor(field->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(result.mid(memo.size()));
        field->setTextCursor(cursor);
        field->ensureCursorVisible();
    });
}

} // namespace orvena
