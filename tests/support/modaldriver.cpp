#include "modaldriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace orvena::test {

ModalDriver::ModalDriver()
{
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { poll(); });
    timer->start(20);
}

ModalDriver& ModalDriver::box(const QString& text, const QString& button)
{
    m_expected.push_back({true, text, button, {}});
    return *this;
}

ModalDriver& ModalDriver::box(const QString& text, const QString& button, Action check)
{
    m_expected.push_back({true, text, button, std::move(check)});
    return *this;
}

ModalDriver& ModalDriver::window(const QString& name, Action act)
{
    m_expected.push_back({false, name, {}, std::move(act)});
    return *this;
}

QAbstractButton* ModalDriver::button(QWidget* window, const QString& text)
{
    if (!window)
        return nullptr;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->text().remove(u'&') == text)
            return b;
    return nullptr;
}

bool ModalDriver::wait(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!m_expected.empty() && clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QStringList ModalDriver::failures() const
{
    QStringList out = m_failures;
    for (const Expected& e : m_expected)
        out << (e.isBox ? QStringLiteral("a box with \"%1\" never appeared").arg(e.match)
                        : QStringLiteral("the window %1 never appeared").arg(e.match));
    return out;
}

void ModalDriver::poll()
{
    if (m_pending)
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (qEnvironmentVariableIsSet("ORVENA_DRIVER_DEBUG") && modal != m_lastSeen) {
        m_lastSeen = modal;
        auto* shownBox = qobject_cast<QMessageBox*>(modal);
        qDebug("modal window: %s %s %s", modal ? modal->metaObject()->className() : "-",
               modal ? qPrintable(modal->objectName()) : "", shownBox ? qPrintable(shownBox->text()) : "");
    }
    if (!modal)
        return;
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box && box == m_lastBox)
        return; // already answered, still closing
    // A window acted on that another modal window has covered since (a box, a chooser it
    // opened) may be taken again when it is uncovered: its step can go on with it. One that
    // merely stays open after its step (closing later) is not taken again.
    for (const QPointer<QWidget>& acted : std::as_const(m_acted))
        if (acted && acted != modal && acted->isVisible())
            m_coveredSinceActed << acted.data();
    if (!box && m_acted.contains(modal) && m_coveredSinceActed.contains(modal) && !m_running.contains(modal)) {
        m_acted.removeAll(QPointer<QWidget>(modal));
        m_coveredSinceActed.remove(modal);
    }
    if (!box && (m_acted.contains(modal) || m_running.contains(modal))) {
        // Its step is running, or the window stays open after it; after a failure nobody will
        // close it, so it is closed here.
        if (!m_failures.isEmpty() && !m_running.contains(modal))
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        return;
    }
    if (box)
        m_boxes << box->text();

    const bool matches = !m_expected.empty()
        && (m_expected.front().isBox ? box && box->text().contains(m_expected.front().match)
                                     : !box && modal->objectName() == m_expected.front().match);
    if (!matches) {
        if (box) {
            m_failures << QStringLiteral("unexpected box: \"%1\"").arg(box->text());
            m_lastBox = box;
            if (QAbstractButton* escape = box->escapeButton())
                escape->click();
            else
                box->done(0);
        } else if (!m_failures.isEmpty()) {
            // After a failure the flow no longer goes as listed: a window left waiting would hang
            // the test, so it is closed.
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                m_failures << QStringLiteral("window %1 closed after the failure").arg(modal->objectName());
                dialog->reject();
            }
        }
        return;
    }

    Expected e = std::move(m_expected.front());
    m_expected.pop_front();
    QPointer<QWidget> target = modal;
    if (box)
        m_lastBox = box;
    else {
        m_acted << target;
        m_coveredSinceActed.remove(target.data());
    }
    m_acted.removeAll(QPointer<QWidget>());
    // Acting from inside the poll would block this timer for the whole nested flow: post it.
    m_pending = true;
    QMetaObject::invokeMethod(
        this,
        [this, e, target] {
            m_pending = false;
            if (!target)
                return;
            if (e.isBox) {
                if (e.act)
                    e.act(target);
                if (!target)
                    return;
                QAbstractButton* b = button(target, e.button);
                if (!b) {
                    m_failures << QStringLiteral("box \"%1\" has no button \"%2\"")
                                      .arg(static_cast<QMessageBox*>(target.data())->text(), e.button);
                    static_cast<QMessageBox*>(target.data())->done(0);
                    return;
                }
                b->click();
            } else {
                const QWidget* running = target.data();
                m_running << running;
                e.act(target);
                m_running.removeOne(running);
                // A failed step leaves its window to nobody: close it, so the flow around it
                // unwinds and the test reports the failure instead of hanging.
                if (QTest::currentTestFailed() && target && target->isVisible())
                    if (auto* dialog = qobject_cast<QDialog*>(target.data()))
                        dialog->reject();
            }
        },
        Qt::QueuedConnection);
}

} // namespace orvena::test
