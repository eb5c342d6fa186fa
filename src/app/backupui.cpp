#include "backupui.h"

#include "backup.h"
#include "session.h"

#include "db/logging.h"
#include "screens/common/chainfailure.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>

namespace orvena {

namespace {

// A modal progress window over a backup; the backup runs on this thread and lets the window
// paint (and its "Mégsem" work) from its progress reports.
class BackupProgressWindow {
public:
    BackupProgressWindow(QWidget* parent, const QString& text, int showAfterMs)
        : m_dialog(text, QStringLiteral("Mégsem"), 0, 100, parent)
    {
        m_dialog.setObjectName(QStringLiteral("AdatmentesFolyamat"));
        m_dialog.setWindowTitle(QStringLiteral("Adatmentés"));
        m_dialog.setProperty("helpContext", 10);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(showAfterMs);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setValue(0);
    }
    BackupProgress callback()
    {
        return [this](qint64 done, qint64 total) {
            const int percent = total > 0 ? int(qMin<qint64>(99, done * 100 / total)) : 0;
            m_dialog.setValue(percent);
            QCoreApplication::processEvents();
            return !m_dialog.wasCanceled();
        };
    }
    void finish() { m_dialog.close(); }

private:
    QProgressDialog m_dialog;
};

ConnectionProfile profileOf(Session& session)
{
    return session.data().isConnected() ? session.data().connection().profile() : ConnectionProfile::fromEnvironment();
}

} // namespace

void backupFromMenu(Session& session, QWidget* parent)
{
    const QString folder = defaultBackupFolder();
    try {
        ensurePrivateFolder(folder);
    } catch (const BackupError&) { // the chooser still offers the other folders
    }
    QFileDialog chooser(parent, QStringLiteral("Adatmentés – a mentés mappája"), folder);
    chooser.setObjectName(QStringLiteral("AdatmentesMappa"));
    chooser.setProperty("helpContext", 10);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString chosen = chooser.selectedFiles().first();

    const QString file = QDir(chosen).filePath(backupFileName(QDateTime::currentDateTime()));
    BackupResult result;
    try {
        BackupProgressWindow progress(parent, QStringLiteral("Adatmentés folyamatban..."), 0);
        result = writeBackup(profileOf(session), file, progress.callback());
        progress.finish();
    } catch (const BackupError& e) {
        showFailure(session.ui(), QStringLiteral("Az adatmentés nem sikerült.\n%1").arg(e.text()), &e, lcApp(),
                    FailureBox::Message, e.detail());
        return;
    }
    session.ui().message(QStringLiteral("Az adatmentés elkészült.\nFájl: %1\nMéret: %2")
                             .arg(QDir::toNativeSeparators(result.file), backupSizeText(result.size)));
}

void dailyBackupAtStart(Session& session)
{
    dailyBackupAtStart(session, session.ui());
}

void dailyBackupAtStart(Session& session, UserInterface& ui)
{
    if (!dailyBackupEnabled() || !session.data().isConnected())
        return;
    try {
        BackupProgressWindow progress(nullptr, QStringLiteral("Napi adatmentés folyamatban..."), 1000);
        runDailyBackup(profileOf(session), defaultBackupFolder(), QDateTime::currentDateTime(), 30,
                       progress.callback());
        progress.finish();
    } catch (const BackupError& e) {
        showFailure(ui,
                    QStringLiteral("A napi adatmentés nem sikerült; a munka folytatható.\n%1\n"
                                   "Mentést az \"Adatmentés\" menüponttal is készíthet.")
                        .arg(e.text()),
                    &e, lcApp(), FailureBox::Message, e.detail());
    }
}

} // namespace orvena
