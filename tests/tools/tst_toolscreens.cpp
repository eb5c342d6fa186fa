#include "support/fakes.h"

#include "screens/common/ui/screenregistry.h"
#include "tools/ui/helpviewer.h"
#include "tools/ui/maintenancedialog.h"
#include "tools/ui/passworddialog.h"
#include "tools/ui/tableeditview.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace orvena;

namespace {

void savePicture(QWidget* w, const QString& name)
{
    QDir().mkpath(QStringLiteral(ORVENA_SCREENSHOT_DIR));
    QVERIFY(w->grab().save(QStringLiteral(ORVENA_SCREENSHOT_DIR "/%1.png").arg(name)));
}

QPushButton* buttonNamed(QWidget* dialog, const QString& text)
{
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class ToolScreensTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;
    ScreenRegistry registry;

private slots:
    void initTestCase()
    {
        s = std::make_unique<test::TestSession>();
        s->db.addDemoData();
        registry.setContext(&s->context);
        registerToolScreens(registry);
    }
    void init() { s->ui.clear(); }
    void cleanupTestCase() { s.reset(); }

    void everyScreenOpens_data()
    {
        QTest::addColumn<Screen>("screen");
        QTest::addColumn<QString>("title");
        QTest::newRow("export") << Screen::Export << "Adat export";
        QTest::newRow("import") << Screen::Import << "Import";
        QTest::newRow("maintenance") << Screen::Maintenance << "Adatok";
        QTest::newRow("password") << Screen::Password << "Jelszó";
        QTest::newRow("about") << Screen::About << "Névjegy";
        QTest::newRow("help") << Screen::Help << "Súgó";
        QTest::newRow("remote") << Screen::RemoteAssistance << "Távsegítség";
    }
    void everyScreenOpens()
    {
        QFETCH(Screen, screen);
        QFETCH(QString, title);
        std::unique_ptr<QDialog> dialog(registry.create(screen));
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), formId(screen));
        QCOMPARE(dialog->windowTitle(), title);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        savePicture(dialog.get(), QStringLiteral("tools_") + formId(screen));
    }

    void exportDialogRunsWhatIsTicked()
    {
        // a folder the server may write into: inside its secure_file_priv, open to its account
        QTemporaryDir target(s->db.scalar(QStringLiteral("SELECT @@secure_file_priv")) + QStringLiteral("/screen-XXXXXX"));
        QFile::setPermissions(target.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                 | QFileDevice::ReadOther | QFileDevice::WriteOther
                                                 | QFileDevice::ExeOther);
        std::unique_ptr<QDialog> dialog(registry.create(Screen::Export));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        const auto boxes = dialog->findChildren<QCheckBox*>();
        QCOMPARE(boxes.size(), 6);
        for (auto* box : boxes) {
            QVERIFY(box->isChecked());
            if (box != boxes.front())
                QTest::keyClick(box, Qt::Key_Space); // the keyboard way to untick
        }
        auto* folder = dialog->findChild<QLineEdit*>();
        QVERIFY(folder->text().endsWith(u'/'));
        folder->selectAll();
        QTest::keyClicks(folder, target.path() + u'/');
        QTest::mouseClick(buttonNamed(dialog.get(), QStringLiteral("Export")), Qt::LeftButton);
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Export vége. ")});
        // only the ticked table was written
        QCOMPARE(QDir(target.path()).entryList(QDir::Files).size(), 1);
    }

    void maintenanceGridsOpenWithTheCodeAndWriteEdits()
    {
        std::unique_ptr<QDialog> created(registry.create(Screen::Maintenance));
        auto* dialog = qobject_cast<MaintenanceDialog*>(created.get());
        QVERIFY(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(dialog->tabs()->count(), 13);
        QCOMPARE(dialog->tabs()->tabText(2), QStringLiteral("Vevő"));
        TableEditView* customers = dialog->view(2);
        QCOMPARE(customers->grid()->model()->columnCount(), 0);
        QVERIFY(!customers->button(QStringLiteral("next"))->isEnabled());

        // M before a code: nothing
        QTest::keyClick(dialog->okButton(), Qt::Key_M);
        QCOMPARE(customers->grid()->model()->rowCount(), 0);

        // OK asks for the code; the operator types it into the password dialog
        QTimer::singleShot(0, this, [] {
            auto* password = qobject_cast<PasswordDialog*>(QApplication::activeModalWidget());
            QVERIFY(password);
            auto* edit = password->findChild<QLineEdit*>();
            QCOMPARE(edit->echoMode(), QLineEdit::Password);
            QTest::keyClicks(edit, QStringLiteral("Ovn"));
            savePicture(password, QStringLiteral("tools_TPasswordDlg_typed"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        const int customerRows = s->db.scalar("SELECT COUNT(*) FROM vevo").toInt();
        QVERIFY(customerRows > 1);
        QCOMPARE(customers->grid()->model()->rowCount(), customerRows);
        QVERIFY(customers->button(QStringLiteral("insert"))->isEnabled());
        QVERIFY(!dialog->view(7)->button(QStringLiteral("insert"))->isEnabled()); // afa: read-only
        dialog->tabs()->setCurrentIndex(2);
        savePicture(dialog, QStringLiteral("tools_TForm28_open"));

        // typing into a cell and moving down posts the row to the table
        auto& model = dialog->maintenance().table(2);
        const int name = model.query().columnIndex(QStringLiteral("vNeve"));
        const QString id = model.query().text(0, QStringLiteral("vID"));
        QTableView* grid = customers->grid();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        grid->setFocus();
        grid->setCurrentIndex(model.index(0, name));
        QTest::keyClick(grid, 'Z');
        auto* editor = grid->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("Z"));
        editor->insert(QStringLiteral("öld Kft."));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(model.state(), TableEditModel::State::Edit); // the editor hands over its text queued
        QVERIFY(customers->button(QStringLiteral("post"))->isEnabled());
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(model.state(), TableEditModel::State::Browse);
        QCOMPARE(s->db.scalar("SELECT vNeve FROM vevo WHERE vID = " + id), QStringLiteral("Zöld Kft."));
        QCOMPARE(grid->currentIndex().row(), 1);

        // M after the code: every table writable
        QTest::keyClick(dialog->okButton(), Qt::Key_M);
        QVERIFY(dialog->view(7)->button(QStringLiteral("insert"))->isEnabled());
    }

    void f1OpensTheHelpAtTheWindowsContext()
    {
        QDialog withContext;
        withContext.setProperty("helpContext", 4);
        auto* field = new QLineEdit(&withContext);
        withContext.show();
        QVERIFY(QTest::qWaitForWindowExposed(&withContext));
        field->setFocus();
        QTest::keyClick(field, Qt::Key_F1);
        QTRY_VERIFY(withContext.findChild<HelpViewer*>());
        HelpViewer* viewer = withContext.findChild<HelpViewer*>();
        QCOMPARE(viewer->currentPage(), QStringLiteral("ctx4"));
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        savePicture(viewer, QStringLiteral("tools_help_context4"));

        // a second F1 reuses the window
        QTest::keyClick(field, Qt::Key_F1);
        QTest::qWait(20);
        QCOMPARE(withContext.findChildren<HelpViewer*>().size(), 1);
        // a part of the window with a context of its own (the issuer screen's "NAV" page) opens that
        auto* page = new QWidget(&withContext);
        page->setProperty("helpContext", 9);
        auto* pageField = new QLineEdit(page);
        page->show();
        pageField->setFocus();
        QTest::keyClick(pageField, Qt::Key_F1);
        QTRY_COMPARE(viewer->currentPage(), QStringLiteral("ctx9"));

        QDialog without;
        auto* other = new QLineEdit(&without);
        without.show();
        other->setFocus();
        QTest::keyClick(other, Qt::Key_F1);
        QTest::qWait(20);
        QVERIFY(!without.findChild<HelpViewer*>());
    }

    void helpScreenShowsTheContents()
    {
        std::unique_ptr<QDialog> dialog(registry.create(Screen::Help));
        dialog->show();
        QTest::mouseClick(buttonNamed(dialog.get(), QStringLiteral("Segitség")), Qt::LeftButton);
        auto* viewer = dialog->findChild<HelpViewer*>();
        QVERIFY(viewer);
        QCOMPARE(viewer->currentPage(), QStringLiteral("tartalom"));
        QVERIFY(dialog->isVisible()); // the screen stays open
        savePicture(viewer, QStringLiteral("tools_help_contents"));
    }
};

QTEST_MAIN(ToolScreensTest)
#include "tst_toolscreens.moc"
