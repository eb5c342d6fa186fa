// Orvena: desktop invoicing for small Hungarian businesses.
#include "backupui.h"
#include "commandline.h"
#include "loadingwindow.h"
#include "mainwindow.h"
#include "session.h"
#include "workfolder.h"

#include "screens/common/startup.h"

#include <QApplication>

using namespace orvena;

int main(int argc, char** argv)
{
    if (const auto status = runCommandLine(argc, argv))
        return *status; // printed from the command line, no window

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvena"));
    // No application display name: the platform would append it to every window title. Message
    // boxes take the application name as their title.
    QApplication::setApplicationVersion(versionText());
    QApplication::setDesktopFileName(QStringLiteral("orvena")); // the menu entry and its icon
    applyProgramLocale();
    enterWorkingFolder(); // the templates and litania.txt are read from it

    Session session;
    {
        LoadingWindow loading(versionText());
        loading.exec();
    }
    if (!connectAtStartup(session.data(), session.ui(), ConnectionProfile::fromEnvironment()))
        return 1; // "Yes" on the installation message ends the program
    dailyBackupAtStart(session); // the first start of a day; a failure is only reported

    MainWindow window(session);
    session.ui().setParent(&window);
    window.show();
    return app.exec();
}
