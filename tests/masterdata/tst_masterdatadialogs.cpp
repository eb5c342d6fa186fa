// The master-data dialogs wired to their models: clicks and keys reach the models, the grid and
// the detail panel follow the shared list query, and a list opens its edit screen modally.
#include "masterdata/ui/masterdatadialogs.h"
#include "screens/common/ui/screenregistry.h"
#include "support/fakes.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace orvena;

class MasterDataDialogsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;
    std::unique_ptr<ScreenRegistry> registry;
    std::unique_ptr<ScreenContext> context;

    Query& q(const char* id) { return s->data.query(QString::fromLatin1(id)); }

    // Acts on the next modal dialog once it is running.
    void whenModal(const QString& formId, std::function<void(QDialog*)> act)
    {
        QTimer::singleShot(0, this, [this, formId, act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != formId) {
                whenModal(formId, act); // not up yet
                return;
            }
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            act(dialog);
        });
    }
    static void snapshot(QWidget* w, const QString& name)
    {
        QDir().mkpath(QStringLiteral(ORVENA_SCREENSHOT_DIR));
        w->grab().save(QStringLiteral(ORVENA_SCREENSHOT_DIR "/%1.png").arg(name));
    }
    template <typename T>
    static T* child(QWidget* w, const QString& name)
    {
        T* found = w->findChild<T*>(name);
        if (!found)
            qWarning("no child %s", qPrintable(name));
        return found;
    }

private slots:
    void initTestCase()
    {
        s = std::make_unique<test::TestSession>();
        s->db.addDemoData();
        registry = std::make_unique<ScreenRegistry>();
        registerMasterDataScreens(*registry);
        context = std::make_unique<ScreenContext>(ScreenContext{s->data, s->state, s->ui, *registry});
        registry->setContext(context.get());
    }
    void cleanupTestCase()
    {
        registry.reset();
        context.reset();
        s.reset();
    }

    void vatListAndEdit()
    {
        std::unique_ptr<QDialog> list(registry->create(Screen::VatList));
        QVERIFY(list);
        QCOMPARE(list->objectName(), QStringLiteral("TForm15"));
        QCOMPARE(list->property("helpContext").toInt(), 5);
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        auto* grid = child<QTableView>(list.get(), QStringLiteral("Grid"));
        QCOMPARE(grid->model()->rowCount(), 4);
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Áfa név"));
        QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("0")); // percentage order

        // a title click sorts and changes the caption line
        const QPoint nameTitle(grid->horizontalHeader()->sectionViewportPosition(1) + 5, 5);
        QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, nameTitle);
        QCOMPARE(child<QLabel>(list.get(), QStringLiteral("Caption"))->text(), QStringLiteral("Áfa lista, áfa név szerint"));
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("18% kedvezményes"));

        // a click on a row moves the list's current row; the detail panel follows
        const QRect third = grid->visualRect(grid->model()->index(2, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, third.center());
        QCOMPARE(q("ZQ90").currentRow(), 2);
        QCOMPARE(child<QLabel>(list.get(), QStringLiteral("Detail_kAfanev"))->text(), QStringLiteral("5% kedvezményes"));
        snapshot(list.get(), QStringLiteral("masterdata_vatlist"));

        // "Új": the edit screen opens modally; typed keys pass its filters, Enter moves on; a rate
        // the authority refuses is not stored, the focus goes back to it
        whenModal(QStringLiteral("TForm16"), [this](QDialog* edit) {
            auto* percent = edit->findChild<QLineEdit*>(QStringLiteral("kAfa"));
            QVERIFY(percent->hasFocus());
            QTest::keyClicks(percent, QStringLiteral("1x5%"));
            QCOMPARE(percent->text(), QStringLiteral("15"));
            QTest::keyClick(percent, Qt::Key_Return);
            QApplication::processEvents();
            auto* name = edit->findChild<QLineEdit*>(QStringLiteral("kAfanev"));
            QVERIFY(name->hasFocus());
            QTest::keyClicks(name, QStringLiteral("18% "));
            name->insert(QStringLiteral("különös"));
            snapshot(edit, QStringLiteral("masterdata_vatedit"));
            auto* ok = edit->findChild<QPushButton*>(QStringLiteral("Button_OK"));
            QTest::mouseClick(ok, Qt::LeftButton);
            QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("15 %-os áfakulcs nem alkalmazható: a hatályos kulcsok 27, "
                                                               "18, 5 és 0 %.")});
            QTRY_VERIFY(percent->hasFocus());
            QVERIFY(edit->isVisible());
            percent->selectAll();
            QTest::keyClicks(percent, QStringLiteral("18"));
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(list.get(), QStringLiteral("Uj")), Qt::LeftButton);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM afa WHERE kAfa = 15")), QStringLiteral("0"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT kAfa FROM afa WHERE kAfanev = '18% különös'")), QStringLiteral("18"));
        QCOMPARE(q("ZQ90").fieldText(QStringLiteral("kAfanev")), QStringLiteral("18% különös"));
        QCOMPARE(grid->currentIndex().row(), q("ZQ90").currentRow());
        QCOMPARE(int(s->ui.shown().size()), 1);
        s->ui.clear();

        // A 0 % percentage is lawful, but asked once whether it is not meant as an exemption:
        // "Nem" keeps the screen open with nothing stored, "Igen" stores it; changing its name
        // later asks nothing.
        const auto newZeroRate = [&](bool confirm) {
            whenModal(QStringLiteral("TForm16"), [this, confirm](QDialog* edit) {
                QTest::keyClicks(edit->findChild<QLineEdit*>(QStringLiteral("kAfa")), QStringLiteral("0"));
                QTest::keyClicks(edit->findChild<QLineEdit*>(QStringLiteral("kAfanev")), QStringLiteral("0% napilap"));
                auto* ok = edit->findChild<QPushButton*>(QStringLiteral("Button_OK"));
                QTest::mouseClick(ok, Qt::LeftButton);
                QVERIFY(edit->isVisible());
                if (confirm) {
                    s->ui.answer(true);
                    QTest::mouseClick(ok, Qt::LeftButton);
                } else
                    edit->reject();
            });
            QTest::mouseClick(child<QPushButton>(list.get(), QStringLiteral("Uj")), Qt::LeftButton);
        };
        newZeroRate(false);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM afa WHERE kAfanev = '0% napilap'")), QStringLiteral("0"));
        newZeroRate(true);
        QCOMPARE(s->db.rows(QStringLiteral("SELECT kAfa, kNavTipus FROM afa WHERE kAfanev = '0% napilap'")),
                 QStringList{QStringLiteral("0|PERCENTAGE")});
        QCOMPARE(s->ui.texts(test::FakeUserInterface::Kind::Question).size(), 3);
        QVERIFY(s->ui.last().endsWith(QStringLiteral("Valóban a 0 %-os áfakulcsot rögzíti?")));
        s->ui.clear();
        whenModal(QStringLiteral("TForm16"), [](QDialog* edit) {
            auto* name = edit->findChild<QLineEdit*>(QStringLiteral("kAfanev"));
            name->selectAll();
            name->insert(QStringLiteral("0% sajtó"));
            QTest::mouseClick(edit->findChild<QPushButton*>(QStringLiteral("Button_OK")), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(list.get(), QStringLiteral("Modosit")), Qt::LeftButton);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM afa WHERE kAfanev = '0% sajtó'")), QStringLiteral("1"));
        QCOMPARE(s->ui.texts(), QStringList());

        // "Kiválaszt" closes the list
        QTest::mouseClick(child<QPushButton>(list.get(), QStringLiteral("Kivalaszt")), Qt::LeftButton);
        QVERIFY(!list->isVisible());
        QCOMPARE(list->result(), int(QDialog::Accepted));
    }

    void customerSearchModifyAndToggle()
    {
        std::unique_ptr<QDialog> list(registry->create(Screen::CustomerList));
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        auto* search = child<QLineEdit>(list.get(), QStringLiteral("Search"));
        QTest::keyClicks(search, QStringLiteral("gy"));
        QTest::mouseClick(child<QPushButton>(list.get(), QStringLiteral("Keres")), Qt::LeftButton);
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vNeve")), QStringLiteral("Győri Ételműhely Kft."));
        // Enter in the search field searches and leaves the list open
        q("ZQ30").first();
        QTest::keyClick(search, Qt::Key_Return);
        QVERIFY(list->isVisible());
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vNeve")), QStringLiteral("Győri Ételműhely Kft."));
        QVERIFY(child<QPlainTextEdit>(list.get(), QStringLiteral("Cimke"))->toPlainText().startsWith(
            QStringLiteral("Győri Ételműhely Kft.\n")));
        snapshot(list.get(), QStringLiteral("masterdata_customerlist"));

        whenModal(QStringLiteral("TForm4"), [](QDialog* edit) {
            QCOMPARE(edit->windowTitle(), QStringLiteral("Vevö módositás"));
            auto* method = edit->findChild<QLineEdit*>(QStringLiteral("vFizmod"));
            QCOMPARE(method->text(), QStringLiteral("átutalás"));
            QTest::mouseClick(method, Qt::LeftButton);
            QCOMPARE(method->text(), QStringLiteral("kp."));
            auto* tax = edit->findChild<QLineEdit*>(QStringLiteral("vAdo"));
            tax->clear();
            QTest::keyClicks(tax, QStringLiteral("12-34a5"));
            QCOMPARE(tax->text(), QStringLiteral("12-345")); // the usual form "12345676-2-06" can be typed
            snapshot(edit, QStringLiteral("masterdata_customeredit"));
            // keyboard alone: Enter on the focused "OK" saves
            auto* ok = edit->findChild<QPushButton*>(QStringLiteral("Button_OK"));
            ok->setFocus();
            QTest::keyClick(ok, Qt::Key_Return);
        });
        QTest::mouseClick(child<QPushButton>(list.get(), QStringLiteral("Modosit")), Qt::LeftButton);
        QCOMPARE(s->db.rows(QStringLiteral("SELECT vFizmod, vAdo FROM vevo WHERE vKod = '3'")),
                 QStringList{"kp.|12-345"});
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vKod")), QStringLiteral("3"));
    }

    // The issuer's tax number is checked when it is stored: a wrong check digit never reaches the
    // invoices.
    void issuerTaxNumberCheckDigit()
    {
        Query& issuers = q("ZQ60");
        issuers.setSql({QStringLiteral("SELECT * FROM szallito")});
        issuers.open();
        whenModal(QStringLiteral("TForm23"), [this](QDialog* edit) {
            auto* tax = edit->findChild<QLineEdit*>(QStringLiteral("zAdo"));
            QVERIFY(tax);
            tax->selectAll();
            QTest::keyClicks(tax, QStringLiteral("12345678-2-06"));
            auto* ok = edit->findChild<QPushButton*>(QStringLiteral("Button_OK"));
            QTest::mouseClick(ok, Qt::LeftButton);
            QCOMPARE(s->ui.texts(), QStringList{QStringLiteral(
                                        "Hibás adószám: „12345678-2-06”. Alakja 12345678-1-12 (vagy 11 számjegy); a "
                                        "nyolcadik számjegy az első hét ellenőrző számjegye, a kilencedik 1–5.")});
            QVERIFY(edit->isVisible());
            tax->selectAll();
            QTest::keyClicks(tax, QStringLiteral("99887764-2-02"));
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        std::unique_ptr<QDialog> dialog(registry->create(Screen::IssuerEdit, {EditMode::Modify}));
        QVERIFY(dialog);
        dialog->exec();
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT zAdo FROM szallito WHERE zKod = '1'")), QStringLiteral("99887764-2-02"));
        s->ui.clear();
    }

    void otherScreensBuild()
    {
        // every list and new-record screen opens orderly on the demo data
        const std::vector<std::pair<Screen, QString>> screens = {
            {Screen::ArticleList, "masterdata_articlelist"}, {Screen::ArticleEdit, "masterdata_articleedit"},
            {Screen::IssuerList, "masterdata_issuerlist"},   {Screen::IssuerEdit, "masterdata_issueredit"}};
        for (const auto& [screen, name] : screens) {
            std::unique_ptr<QDialog> dialog(
                registry->create(screen, {screen == Screen::IssuerEdit ? EditMode::Modify : EditMode::New}));
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), formId(screen));
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            snapshot(dialog.get(), name);
        }
        QVERIFY(s->ui.shown().empty());
    }
};

QTEST_MAIN(MasterDataDialogsTest)
#include "tst_masterdatadialogs.moc"
