// Orvena: desktop invoicing for small Hungarian businesses.
#include "backupui.h"
#include "commandline.h"
#include "loadingwindow.h"
#include "logfile.h"
#include "mainwindow.h"
#include "navsendcommand.h"
#include "options.h"
#include "session.h"
#include "workfolder.h"

#include "screens/common/startup.h"
#include "screens/common/ui/dialoggeometry.h"

#include "navsend/navscreens.h"
#include "navsend/navworker.h"

#include "db/logging.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <vector>

using namespace orvena;

namespace {

// What the start-up work has to tell the operator while the loading window is up waits until
// the window has closed, so the boxes come in the order they always did.
class HeldMessages : public UserInterface {
public:
    explicit HeldMessages(UserInterface& target) : m_target(target) {}
    void message(const QString& text) override { hold(&UserInterface::message, text); }
    void notice(const QString& text) override { hold(&UserInterface::notice, text); }
    bool askYesNo(const QString& text) override { return m_target.askYesNo(text); }
    void errorReport(const QString& text) override { hold(&UserInterface::errorReport, text); }
    void showAll()
    {
        for (const auto& [show, text] : m_held)
            (m_target.*show)(text);
        m_held.clear();
    }

private:
    using Show = void (UserInterface::*)(const QString&);
    void hold(Show show, const QString& text) { m_held.emplace_back(show, text); }
    UserInterface& m_target;
    std::vector<std::pair<Show, QString>> m_held;
};

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer running; // the loading window's second counts from the start (from here at the latest)
    running.start();
    QString logError;
    const QString logFile = takeLogOption(argc, argv, &logError);
    if (!logError.isEmpty()) {
        printLine(stderr, logError);
        return 2;
    }
    if (!logFile.isEmpty() && !startLogFile(logFile)) {
        printLine(stderr, QStringLiteral("Hiba: a(z) %1 naplófájl nem írható.").arg(logFile));
        return 2;
    }
    // The command-line runs print each failure themselves; without a log file the log line would
    // repeat it on standard error.
    setFailureLogging(!logFile.isEmpty());
    if (const auto status = runNavSendCommand(argc, argv))
        return *status; // the reporting queue from cron, no window
    if (const auto status = runNavReconcileCommand(argc, argv))
        return *status; // the authority's copy against the books, no window
    if (const auto status = runCommandLine(argc, argv))
        return *status; // printed from the command line, no window
    setFailureLogging(true);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvena"));
    // No application display name: the platform would append it to every window title. Message
    // boxes take the application name as their title.
    QApplication::setApplicationVersion(versionText());
    QApplication::setDesktopFileName(QStringLiteral("orvena")); // the menu entry and its icon
    applyProgramLocale();

    // The loading window's second runs while the program gets ready behind it: choosing and
    // filling the working folder, connecting and building the main window. Only what the main
    // window needs happens before it opens; the day's backup waits until it is on screen.
    LoadingWindow loading(versionText());
    const qint64 before = LoadingWindow::runningSinceStart(running.elapsed());
    loading.start(before);
    qCDebug(lcApp, "loading window shown %lld ms after the program's start", static_cast<long long>(before));
    enterWorkingFolder(); // the templates and litania.txt are read from it
    Session session;
    HeldMessages held(session.ui());
    const bool connected = connectAtStartup(session.data(), held, ConnectionProfile::fromEnvironment());
    std::unique_ptr<MainWindow> window;
    QString notice;
    if (connected) {
        window = std::make_unique<MainWindow>(session);
        notice = nav::startupNotice(session.data().connection());
    }
    qCDebug(lcApp, "main window made after %lld ms", static_cast<long long>(running.elapsed()));
    loading.finish();
    held.showAll();
    if (!connected)
        return 1; // "Igen" on the installation message ends the program

    session.ui().setParent(window.get());
    // From here on every dialog opens where the operator last left it.
    DialogGeometryMemory dialogPlaces;
    window->show();
    qCDebug(lcApp, "main window shown");
    // Reporting of issued invoices runs in the background for the whole run; it logs its own
    // failures, and the operator sees the states in the register and the start-up notice.
    nav::SendWorker reporting(session.data().connection().profile());
    reporting.start();
    // Once the main window has been drawn: the first start of a day makes the daily backup (its
    // progress window shows over the main window when it takes a while; a failure is only
    // reported), then the reporting's notice comes.
    QTimer::singleShot(0, window.get(), [&session, notice] {
        dailyBackupAtStart(session);
        if (!notice.isEmpty())
            session.ui().notice(notice);
    });
    const int status = app.exec();
    reporting.stop(3000); // a report still in flight is settled at the next start
    return status;
}
