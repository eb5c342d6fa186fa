#include "guiuserinterface.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <exception>
#include <memory>

namespace orvena {

namespace {

// Passes the characters typed while a box is up on to the field behind it and keeps every
// other key from the box's buttons, except Enter and Escape.
class TypingGoesOn : public QObject {
public:
    TypingGoesOn(QObject* parent, QWidget* field) : QObject(parent), m_field(field) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease
            && event->type() != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        if (mods == Qt::NoModifier
            && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape))
            return false; // the box's own keys
        if (event->type() == QEvent::ShortcutOverride)
            return false;
        const QString text = key->text();
        if (event->type() == QEvent::KeyPress && m_field && mods == Qt::NoModifier && !text.isEmpty()
            && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); })) {
            QKeyEvent typed(QEvent::KeyPress, key->key(), key->modifiers(), text, key->isAutoRepeat(), key->count());
            QCoreApplication::sendEvent(m_field, &typed);
        }
        return true; // a Space never presses the button unseen
    }

private:
    QPointer<QWidget> m_field;
};

} // namespace

QWidget* GuiUserInterface::parentWidget() const
{
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    if (QWidget* w = QApplication::activeWindow())
        return w;
    return m_parent;
}

void GuiUserInterface::message(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

void GuiUserInterface::messageOverTyping(const QString& text, QWidget* field)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    auto* filter = new TypingGoesOn(&box, field);
    box.installEventFilter(filter);
    for (QWidget* child : box.findChildren<QWidget*>())
        child->installEventFilter(filter);
    box.exec();
}

void GuiUserInterface::notice(const QString& text)
{
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    // A box that only informs has one answer: "OK" ("Igen" answers questions only).
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

bool GuiUserInterface::askYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    QPushButton* yes = box.addButton(QStringLiteral("Igen"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Nem"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void GuiUserInterface::errorReport(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

void GuiUserInterface::runInBackground(const QString& what, const BackgroundWork& work)
{
    std::atomic<bool> cancelled{false};
    std::exception_ptr failure;
    const std::unique_ptr<QThread> thread = backgroundThread(work, cancelled, failure);

    // Shown at once and application-modal: no other action starts while the work runs.
    QProgressDialog progress(what, QStringLiteral("Mégsem"), 0, 0, parentWidget());
    progress.setObjectName(QStringLiteral("TFolyamat"));
    progress.setWindowTitle(QStringLiteral("Kérem, várjon"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    const auto stop = [&] {
        if (cancelled.exchange(true))
            return;
        // "Mégsem" hides the window; it stays up, without the button, until the work has given up
        // (the button goes after its click has been handled).
        progress.setLabelText(what + QStringLiteral("\nMegszakítás…"));
        QTimer::singleShot(0, &progress, [&progress] {
            progress.setCancelButton(nullptr);
            progress.show();
        });
    };
    // "Mégsem", the window's close button and Escape alike.
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, stop);
    QObject::connect(&progress, &QDialog::rejected, &progress, stop);
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    progress.show();
    if (!thread->isFinished())
        loop.exec();
    thread->wait();
    progress.hide();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace orvena
