#pragma once
// Drives the real modal windows of a flow the way an operator does: the test lists, in order,
// the windows and message boxes it expects; as each becomes the active modal window the driver
// acts on it (presses a named button of a box, or runs the test's steps on a dialog). A box that
// was not expected is recorded as a failure and closed with its escape button, so a test never
// hangs on it.
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <deque>
#include <functional>

class QAbstractButton;
class QWidget;

namespace orvena::test {

class ModalDriver : public QObject {
public:
    using Action = std::function<void(QWidget*)>;

    ModalDriver();

    // A message box whose text contains `text` (empty: any text): its button labelled `button`
    // ("Igen", "Nem", "OK", ...) is clicked.
    ModalDriver& box(const QString& text, const QString& button);
    // The same, running `check` on the box (still open) before its button is clicked.
    ModalDriver& box(const QString& text, const QString& button, Action check);
    // The modal window whose objectName is `name` (a QDialog's form id): `act` runs on it.
    ModalDriver& window(const QString& name, Action act);

    // Every expectation was met and no unexpected box appeared.
    bool done() const { return m_expected.empty() && m_failures.isEmpty(); }
    // Processes events until every expectation was met or `ms` passed; returns done().
    bool wait(int ms = 10000);
    // What went wrong: unexpected boxes and expectations never met.
    QStringList failures() const;
    // The text of every message box seen, expected or not, in order.
    const QStringList& boxes() const { return m_boxes; }

    // The button of a widget whose text (without '&') is `text`; nullptr when none.
    static QAbstractButton* button(QWidget* window, const QString& text);

private:
    struct Expected {
        bool isBox;
        QString match; // box text fragment or window name
        QString button;
        Action act;
    };
    void poll();

    std::deque<Expected> m_expected;
    QStringList m_failures;
    QStringList m_boxes;
    QPointer<QWidget> m_lastBox;
    QPointer<QWidget> m_lastSeen; // for ORVENA_DRIVER_DEBUG: each change of the modal window is logged
    // Windows already handed to a test step: a step still running on one (or a window left
    // open after its step) is never taken for the next expectation of the same name.
    QList<QPointer<QWidget>> m_acted;
    QList<const QWidget*> m_running; // windows whose step has not returned yet
    QSet<const QWidget*> m_coveredSinceActed; // acted-on windows another modal window has covered
    bool m_pending = false; // an action was posted and has not started yet
};

} // namespace orvena::test
