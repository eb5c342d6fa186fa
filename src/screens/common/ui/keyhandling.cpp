#include "keyhandling.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

namespace orvena {

namespace {

bool isEnter(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

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
            if (next->isVisible() && next->isEnabled() && (next->focusPolicy() & Qt::TabFocus) && w->isAncestorOf(next))
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

class CharFilterHandler : public QObject {
public:
    CharFilterHandler(QLineEdit* edit, CharFilter filter) : QObject(edit), m_filter(std::move(filter))
    {
        connect(edit, &QLineEdit::textEdited, this, [this, edit](const QString& text) {
            const QString cleaned = m_filter.clean(text);
            if (cleaned != text) { // pasted text: keep only what could have been typed
                const int pos = edit->cursorPosition() - static_cast<int>(text.size() - cleaned.size());
                edit->setText(cleaned);
                edit->setCursorPosition(std::max(0, pos));
            }
        });
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->text().isEmpty() || isEnter(key))
            return false; // navigation keys; Enter is left to the form's focus movement
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false; // shortcuts such as Ctrl+C
        for (const QChar c : key->text())
            if (m_filter.decide(c) == CharFilter::Decision::Drop)
                return true;
        return false;
    }

private:
    CharFilter m_filter;
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

void installCharFilter(QLineEdit* edit, const CharFilter& filter)
{
    edit->installEventFilter(new CharFilterHandler(edit, filter));
}

void installClickHandler(QWidget* field, std::function<void()> onClick)
{
    auto* h = new ClickHandler(field, std::move(onClick));
    field->installEventFilter(h);
    for (QWidget* child : field->findChildren<QWidget*>())
        child->installEventFilter(h);
}

void installFunctionKeyHandler(QWidget* field, std::function<void(int)> onKey)
{
    field->installEventFilter(new FunctionKeyHandler(field, std::move(onKey)));
}

} // namespace orvena
