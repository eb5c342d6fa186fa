#include "keyhandling.h"

#include "db/codepages.h"
#include "db/schema.h"
#include "guiuserinterface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QTextCursor>
#include <QTimer>
#include <QValidator>
#include <QWidget>

namespace orvena {

namespace {

bool isEnter(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

constexpr char kEnterSkips[] = "orvenaEnterSkips";

bool isMultiLine(QObject* o)
{
    return qobject_cast<QPlainTextEdit*>(o) || qobject_cast<QTextEdit*>(o);
}

// Posts the focus move so the key itself still reaches the focused field first.
void postFocusMove(QWidget* window, bool backwards)
{
    QPointer<QWidget> w(window);
    QTimer::singleShot(0, window, [w, backwards] {
        if (!w)
            return;
        QWidget* focus = QApplication::focusWidget();
        QWidget* target = focus ? focus : w.data();
        QWidget* next = backwards ? target->previousInFocusChain() : target->nextInFocusChain();
        for (int guard = 0; next && guard < 1000; ++guard) {
            if (next->isVisible() && next->isEnabled() && (next->focusPolicy() & Qt::TabFocus) && w->isAncestorOf(next)
                && !next->property(kEnterSkips).toBool())
                break;
            next = backwards ? next->previousInFocusChain() : next->nextInFocusChain();
        }
        if (next && w->isAncestorOf(next))
            next->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    });
}

class EnterNavigator : public QObject {
public:
    EnterNavigator(QWidget* window, EnterMode mode) : QObject(window), m_window(window), m_mode(mode) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!isEnter(key))
            return false;
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (mods != Qt::NoModifier && mods != Qt::ShiftModifier)
            return false;
        if (qobject_cast<QAbstractButton*>(watched))
            return false; // Enter presses the focused button
        if (m_mode == EnterMode::WindowOnly) {
            // only when the window itself has the focus, not a key a field passed on
            QWidget* focus = QApplication::focusWidget();
            if (watched != m_window || (focus && focus != m_window))
                return false;
        }
        postFocusMove(m_window, mods == Qt::ShiftModifier);
        if (isMultiLine(watched))
            return false; // the new line goes in first
        return watched != m_window; // line edits: Enter itself is not typed into the field
    }

private:
    QWidget* m_window;
    EnterMode m_mode;
};

// Shows the message that a typed or pasted character cannot be stored, once the key or paste
// that brought it has been handled (never from inside the field's own change). What is typed on
// while it shows goes into the field.
void reportUnstorable(QWidget* field, const QString& message)
{
    // The field remembers that its box is on its way: one box for one paste, and another field's
    // refusal is never swallowed by this one's.
    static constexpr char kPending[] = "orvenaUnstorablePending";
    if (field->property(kPending).toBool())
        return;
    field->setProperty(kPending, true);
    QPointer<QWidget> f(field);
    QTimer::singleShot(0, qApp, [f, message] {
        GuiUserInterface ui(f ? f->window() : nullptr);
        ui.messageOverTyping(message, f);
        if (f) {
            f->setProperty(kPending, false);
            f->setFocus(Qt::ActiveWindowFocusReason);
        }
    });
}

// Cleans every change of the field's text before the field takes it: QLineEdit then emits its
// change signals with the cleaned text only.
class FieldValidator : public QValidator {
public:
    explicit FieldValidator(QLineEdit* edit) : QValidator(edit), m_edit(edit) { setObjectName(QStringLiteral("fieldGuard")); }
    void setFilter(const CharFilter& filter) { m_filter = filter; }
    const CharFilter& filter() const { return m_filter; }

    State validate(QString& input, int& pos) const override
    {
        // The filter cleans only what the operator types or pastes; a value the program puts
        // in the field (a stored tax number with dashes in a digits-only field) stays as it is.
        const bool filtered = m_filter.isRestricted() && m_edit->hasFocus();
        QString cleaned = filtered ? m_filter.clean(input) : input;
        if (!filtered) {
            cleaned.remove(u'\r');
            cleaned.remove(u'\n');
        }
        cleaned = latin2Equivalents(cleaned); // the field shows what will be stored
        const QString problem = encodingProblem(CodePage::Latin2, cleaned, false);
        if (!problem.isEmpty()) {
            cleaned = encodable(CodePage::Latin2, cleaned);
            reportUnstorable(m_edit, problem);
        }
        if (cleaned != input) {
            pos = std::clamp(pos - static_cast<int>(input.size() - cleaned.size()), 0, static_cast<int>(cleaned.size()));
            input = cleaned;
        }
        return Acceptable;
    }

private:
    QLineEdit* m_edit;
    CharFilter m_filter;
};

// Drops the keys a filtered field does not accept before they are typed; selects the text of a
// field the program focuses.
class FieldKeys : public QObject {
public:
    FieldKeys(QLineEdit* edit, FieldValidator* validator) : QObject(edit), m_edit(edit), m_validator(validator)
    {
        setObjectName(QStringLiteral("fieldKeys"));
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::OtherFocusReason)
                m_edit->selectAll();
            return false;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste) && m_validator->filter().isRestricted() && !m_edit->isReadOnly()) {
            // cleaned before the field's length limit cuts it: "20.100.099" gives 20100099
            m_edit->insert(m_validator->filter().clean(QGuiApplication::clipboard()->text()));
            return true;
        }
        if (key->text().isEmpty() || isEnter(key))
            return false; // navigation keys; Enter is left to the form's focus movement
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false; // shortcuts such as Ctrl+V
        for (const QChar c : key->text())
            if (m_validator->filter().decide(c) == CharFilter::Decision::Drop)
                return true;
        return false;
    }

private:
    QLineEdit* m_edit;
    FieldValidator* m_validator;
};

FieldValidator* guardOf(QLineEdit* edit)
{
    if (auto* existing = edit->findChild<FieldValidator*>(QStringLiteral("fieldGuard"), Qt::FindDirectChildrenOnly))
        return existing;
    auto* validator = new FieldValidator(edit);
    edit->setValidator(validator);
    edit->installEventFilter(new FieldKeys(edit, validator));
    return validator;
}

class MemoGuard : public QObject {
public:
    explicit MemoGuard(QPlainTextEdit* memo) : QObject(memo), m_memo(memo)
    {
        setObjectName(QStringLiteral("fieldGuard"));
        connect(memo, &QPlainTextEdit::textChanged, this, [this] { clean(); });
        memo->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(event)->reason() == Qt::OtherFocusReason)
            m_memo->selectAll();
        return false;
    }

private:
    void clean()
    {
        const QString text = m_memo->toPlainText();
        const QString problem = encodingProblem(CodePage::Latin2, text, false);
        if (problem.isEmpty() && latin2Equivalents(text) == text)
            return;
        const QString cleaned = encodable(CodePage::Latin2, text);
        QTextCursor cursor = m_memo->textCursor();
        const int pos = std::clamp(cursor.position() - static_cast<int>(text.size() - cleaned.size()), 0,
                                   static_cast<int>(cleaned.size()));
        m_memo->setPlainText(cleaned);
        cursor = m_memo->textCursor();
        cursor.setPosition(pos);
        m_memo->setTextCursor(cursor);
        if (!problem.isEmpty())
            reportUnstorable(m_memo, problem);
    }

    QPlainTextEdit* m_memo;
};

class ClickHandler : public QObject {
public:
    ClickHandler(QWidget* field, std::function<void()> onClick) : QObject(field), m_onClick(std::move(onClick)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_onClick();
        return false;
    }

private:
    std::function<void()> m_onClick;
};

class FunctionKeyHandler : public QObject {
public:
    FunctionKeyHandler(QWidget* field, std::function<void(int)> onKey) : QObject(field), m_onKey(std::move(onKey)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key >= Qt::Key_F2 && key <= Qt::Key_F12) {
                if (event->type() == QEvent::KeyPress)
                    m_onKey(key - Qt::Key_F1 + 1);
                event->accept();
                return true;
            }
        }
        return false;
    }

private:
    std::function<void(int)> m_onKey;
};

constexpr char kLeaveHandlerName[] = "orvenaLeaveHandler";

class LeaveHandler : public QObject {
public:
    LeaveHandler(QWidget* field, std::function<void()> onLeave) : QObject(field), m_onLeave(std::move(onLeave))
    {
        setObjectName(QString::fromLatin1(kLeaveHandlerName));
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::FocusOut)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            m_onLeave();
        return false;
    }

private:
    std::function<void()> m_onLeave;
};

class ModifyAnywayKey : public QObject {
public:
    ModifyAnywayKey(QWidget* button, std::function<void()> onKey) : QObject(button), m_onKey(std::move(onKey)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text != u"J" && text != u"j")
            return false;
        m_onKey();
        return true;
    }

private:
    std::function<void()> m_onKey;
};

void installOnTree(QWidget* window, QObject* filter)
{
    window->installEventFilter(filter);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->installEventFilter(filter);
}

} // namespace

void installEnterNavigation(QWidget* window, EnterMode mode)
{
    installOnTree(window, new EnterNavigator(window, mode));
}

void leaveOutOfEnterChain(QWidget* control)
{
    control->setProperty(kEnterSkips, true);
}

void installFieldGuard(QLineEdit* edit)
{
    guardOf(edit);
}

void installFieldGuard(QPlainTextEdit* memo)
{
    // Tab moves on to the next field, as in every one-line field: a tab character has no place
    // in a stored memo or block.
    memo->setTabChangesFocus(true);
    if (!memo->findChild<MemoGuard*>(QStringLiteral("fieldGuard"), Qt::FindDirectChildrenOnly))
        new MemoGuard(memo);
}

void installCharFilter(QLineEdit* edit, const CharFilter& filter)
{
    guardOf(edit)->setFilter(filter);
}

namespace {

class EnterPressesButton : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

} // namespace

void installEnterPressesButtons(QWidget* window)
{
    auto* filter = new EnterPressesButton(window);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->installEventFilter(filter);
    }
}

void focusField(QWidget* field)
{
    if (!field)
        return;
    field->setFocus(Qt::OtherFocusReason);
    // selected now, not only on the focus event: a window that is not active yet (a chooser or
    // a message box is just closing) gets the event later, with another reason
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(field))
        memo->selectAll();
}

void limitToColumn(QLineEdit* edit, const QString& table, const QString& column)
{
    if (const int width = textWidth(table, column); width > 0)
        edit->setMaxLength(width);
}

void installClickHandler(QWidget* field, std::function<void()> onClick)
{
    auto* h = new ClickHandler(field, std::move(onClick));
    field->installEventFilter(h);
    for (QWidget* child : field->findChildren<QWidget*>())
        child->installEventFilter(h);
}

void installLeaveHandler(QWidget* field, std::function<void()> onLeave)
{
    field->installEventFilter(new LeaveHandler(field, std::move(onLeave)));
}

void removeLeaveHandlers(QWidget* window)
{
    qDeleteAll(window->findChildren<QObject*>(QString::fromLatin1(kLeaveHandlerName)));
}

void installModifyAnywayKey(QWidget* modifyButton, std::function<void()> onKey)
{
    modifyButton->installEventFilter(new ModifyAnywayKey(modifyButton, std::move(onKey)));
}

void installFunctionKeyHandler(QWidget* field, std::function<void(int)> onKey)
{
    field->installEventFilter(new FunctionKeyHandler(field, std::move(onKey)));
}

} // namespace orvena
