// The master-data screens driven through their real windows, as an operator uses them: the real
// message boxes (GuiUserInterface) and modal choosers answered by the test, keys and pasted text
// sent with QTest, and the database read back with SQL.
#include "support/fakes.h"
#include "support/modaldriver.h"

#include "invoice/invoiceline.h"
#include "invoice/invoicetexts.h"
#include "screens/common/ui/dialoggeometry.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace orvena;
using namespace orvena::test;

class MasterDataWindowsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> s;
    std::unique_ptr<GuiUserInterface> gui;
    std::unique_ptr<ScreenRegistry> registry;
    std::unique_ptr<ScreenContext> context;

    Query& q(const char* id) { return s->data.query(QString::fromLatin1(id)); }
    QString one(const QString& sql)
    {
        const QStringList rows = s->db.rows(sql);
        return rows.isEmpty() ? QStringLiteral("<none>") : rows.first();
    }

    static void click(QWidget* window, const QString& name)
    {
        auto* b = window->findChild<QPushButton*>(name);
        if (!b) {
            qWarning("no button %s", qPrintable(name));
            return;
        }
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static QLineEdit* edit(QWidget* window, const QString& name) { return window->findChild<QLineEdit*>(name); }
    // Types text key by key, letters outside ASCII (á, ő) included.
    static void typeText(QWidget* field, const QString& text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(field, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    static void typeInto(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        typeText(field, text);
    }
    static void paste(QWidget* field, const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }
    static void selectRow(QWidget* list, int row)
    {
        auto* grid = list->findChild<QTableView*>(QStringLiteral("Grid"));
        grid->setCurrentIndex(grid->model()->index(row, 0));
    }
    static int gridRows(QWidget* list) { return list->findChild<QTableView*>(QStringLiteral("Grid"))->model()->rowCount(); }

    // Opens a screen modally the way a menu item does and lets the driver answer it; a flow that
    // went wrong is closed after a while instead of hanging the test.
    // A line screen opened over invoice 20100042, as its composition screen opens it.
    const ScreenRequest kLineOfInvoice{EditMode::New, DocumentRef{QStringLiteral("20100042"), QStringLiteral("Ft")}};

    bool run(Screen screen, ModalDriver& driver, const ScreenRequest& request = {EditMode::New})
    {
        QTimer rescue;
        connect(&rescue, &QTimer::timeout, this, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        rescue.start(20000);
        registry->open(screen, request);
        const bool ok = driver.wait(2000);
        if (!ok)
            qWarning() << driver.failures();
        return ok;
    }

private slots:
    void init()
    {
        s = std::make_unique<TestSession>();
        s->db.reset(QStringLiteral("20100041"));
        s->db.addDemoData();
        gui = std::make_unique<GuiUserInterface>();
        registry = std::make_unique<ScreenRegistry>();
        registerAllScreens(*registry);
        context = std::make_unique<ScreenContext>(ScreenContext{s->data, s->state, *gui, *registry});
        registry->setContext(context.get());
    }
    void cleanup()
    {
        context.reset();
        registry.reset();
        gui.reset();
        s.reset();
    }

    // A refused save reports itself, and the list behind the edit screen is still open on the
    // row it stood on: the grid shows every customer and "Kiválaszt" hands over that row.
    void aFailedSaveLeavesTheListOpenOnItsRow()
    {
        s->db.exec("CREATE TRIGGER vevo_refuse_u BEFORE UPDATE ON vevo FOR EACH ROW "
                   "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'");
        const QString before = one(QStringLiteral("SELECT vKod, vNeve FROM vevo WHERE vKod = '3'"));
        ModalDriver driver;
        QString chosenBefore, chosenAfter;
        int rowsAfter = -1;
        bool openAfter = false;
        driver
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* list) {
                        selectRow(list, 2);
                        chosenBefore = q("ZQ30").fieldText(QStringLiteral("vKod"));
                        click(list, QStringLiteral("Modosit"));
                        rowsAfter = gridRows(list);
                        openAfter = q("ZQ30").isOpen();
                        chosenAfter = openAfter ? q("ZQ30").fieldText(QStringLiteral("vKod")) : QString();
                        click(list, QStringLiteral("Kivalaszt"));
                    })
            .window(QStringLiteral("TForm4"),
                    [&](QWidget* form) {
                        typeInto(edit(form, QStringLiteral("vNeve")), QStringLiteral("Átnevezett Kft."));
                        click(form, QStringLiteral("Button_OK"));
                        click(form, QStringLiteral("Button_Mégsem"));
                    })
            .box(QStringLiteral("Hiba: Újban, INSERT-edit a vevöben"), QStringLiteral("OK"));
        QVERIFY(run(Screen::CustomerList, driver));
        QVERIFY(openAfter);
        QCOMPARE(rowsAfter, 5);
        QCOMPARE(chosenAfter, chosenBefore);
        // what a chooser caller reads after the list closed
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vKod")), chosenBefore);
        QCOMPARE(one(QStringLiteral("SELECT vKod, vNeve FROM vevo WHERE vKod = '3'")), before);
    }

    // Two workstations edit one customer: the other one saves first, and this "OK" says so instead
    // of overwriting it; the screen keeps what was typed, and "Mégsem" leaves the other's change.
    void aCustomerChangedElsewhereIsNotOverwritten()
    {
        ModalDriver driver;
        QString code;
        driver
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* list) {
                        selectRow(list, 2);
                        code = q("ZQ30").fieldText(QStringLiteral("vKod"));
                        click(list, QStringLiteral("Modosit"));
                        click(list, QStringLiteral("Kivalaszt"));
                    })
            .window(QStringLiteral("TForm4"),
                    [&](QWidget* form) {
                        typeInto(edit(form, QStringLiteral("vNeve")), QStringLiteral("Itt javított Kft."));
                        s->db.exec(QStringLiteral("UPDATE vevo SET vTel = '06-1-555-0000' WHERE vKod = '%1'").arg(code));
                        click(form, QStringLiteral("Button_OK"));
                        QCOMPARE(edit(form, QStringLiteral("vNeve"))->property("text").toString(),
                                 QStringLiteral("Itt javított Kft."));
                        click(form, QStringLiteral("Button_Mégsem"));
                    })
            .box(QStringLiteral("Ezt a sort a megnyitása óta egy másik munkaállomás módosította (Telefon)."),
                 QStringLiteral("OK"));
        QVERIFY(run(Screen::CustomerList, driver));
        QCOMPARE(one(QStringLiteral("SELECT vTel FROM vevo WHERE vKod = '%1'").arg(code)), QStringLiteral("06-1-555-0000"));
        QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM vevo WHERE vNeve = 'Itt javított Kft.'")), QStringLiteral("0"));
    }

    // The article chooser of the invoice line screen: a new article refused by the server inside
    // the chooser, then "Kiválaszt". The line screen stays open with the highlighted article, and
    // the quantity it focuses has its text selected: typing "5" over "3" gives 5.
    void aChooserCallerReadsTheRowAfterAFailedSave()
    {
        s->db.exec("CREATE TRIGGER cikk_refuse BEFORE INSERT ON cikk FOR EACH ROW "
                   "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'");
        const QString quantityName = QStringLiteral("field%1").arg(InvoiceLineEditor::Quantity);
        ModalDriver driver;
        QString highlighted, articleShown, quantityShown;
        bool lineOpen = false, quantityFocused = false, listOpen = false;
        int listRows = -1;
        driver
            .window(QStringLiteral("TForm10"),
                    [&](QWidget* line) {
                        typeInto(edit(line, quantityName), QStringLiteral("3"));
                        click(line, QStringLiteral("articleButton"));
                        lineOpen = line->isVisible();
                        articleShown = edit(line, QStringLiteral("field%1").arg(InvoiceLineEditor::ArticleName))->text();
                        QTest::qWait(50);
                        quantityFocused = line->focusWidget() == edit(line, quantityName);
                        typeText(edit(line, quantityName), QStringLiteral("5"));
                        quantityShown = edit(line, quantityName)->text();
                        click(line, QStringLiteral("cancelButton"));
                    })
            .window(QStringLiteral("TForm5"),
                    [&](QWidget* list) {
                        selectRow(list, 2);
                        highlighted = q("ZQ40").fieldText(QStringLiteral("cMegn"));
                        click(list, QStringLiteral("Uj"));
                        listRows = gridRows(list);
                        listOpen = q("ZQ40").isOpen();
                        click(list, QStringLiteral("Kivalaszt"));
                    })
            .window(QStringLiteral("TForm6"),
                    [&](QWidget* form) {
                        typeInto(edit(form, QStringLiteral("cMegn")), QStringLiteral("Új cikk"));
                        click(form, QStringLiteral("Button_OK"));
                        click(form, QStringLiteral("Button_Mégsem"));
                    })
            .box(QStringLiteral("Hiba: Újban, INSERT-append a cikkben"), QStringLiteral("OK"));
        QVERIFY(run(Screen::InvoiceLine, driver, kLineOfInvoice));
        QVERIFY(listOpen);
        QCOMPARE(listRows, 10);
        QVERIFY(lineOpen);
        QCOMPARE(articleShown, highlighted);
        QVERIFY(quantityFocused);
        QCOMPARE(quantityShown, QStringLiteral("5"));
        QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM cikk")), QStringLiteral("10"));
    }

    // Saving customer "1" positions the list on customer "1", not on "10" that sorts before it.
    void codesLocateExactly()
    {
        s->db.exec("INSERT INTO vevo (vKod, vSzam, vNeve, vFizmod, vFhat, vPnem, vEnged, vKamat) VALUES "
                   "('10', '10', 'Aranyhal Bt.', 'kp.', 8, 'Ft', 0, 0)");
        ModalDriver driver;
        QString codeAfterSave, nameAfterSave;
        driver
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* list) {
                        // name order: Aranyhal (10), Donau (5), Győri (3), Kovács (1), ...
                        q("ZQ30").locate(QStringLiteral("vNeve"), QStringLiteral("Kovács"));
                        click(list, QStringLiteral("Modosit"));
                        codeAfterSave = q("ZQ30").fieldText(QStringLiteral("vKod"));
                        nameAfterSave = q("ZQ30").fieldText(QStringLiteral("vNeve"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm4"), [&](QWidget* form) {
                typeInto(edit(form, QStringLiteral("vTel")), QStringLiteral("+36 1 555 0101"));
                click(form, QStringLiteral("Button_OK"));
            });
        QVERIFY(run(Screen::CustomerList, driver));
        QCOMPARE(codeAfterSave, QStringLiteral("1"));
        QCOMPARE(nameAfterSave, QStringLiteral("Kovács és Társa Bt."));
        QCOMPARE(one(QStringLiteral("SELECT vTel FROM vevo WHERE vKod = '1'")), QStringLiteral("+36 1 555 0101"));
        // the list shown again with the remembered key "1" stands on customer 1 as well
        ModalDriver again;
        QString shownCode;
        again.window(QStringLiteral("TForm3"), [&](QWidget* list) {
            shownCode = q("ZQ30").fieldText(QStringLiteral("vKod"));
            click(list, QStringLiteral("Megsem"));
        });
        QVERIFY(run(Screen::CustomerList, again));
        QCOMPARE(shownCode, QStringLiteral("1"));
    }

    // The edit screen opened again and again from one list gets each time the mode it was opened
    // with: "Módosít" shows the row, "Új" an empty customer under a proposed code, and "Módosít"
    // after it the row again, never what the previous opening left behind.
    void anEditScreenGetsTheModeOfEachOpening()
    {
        QStringList seen;
        auto look = [&](QWidget* form) {
            seen << form->windowTitle() + u'|' + edit(form, QStringLiteral("vKod"))->text() + u'|'
                    + edit(form, QStringLiteral("vNeve"))->text();
            click(form, QStringLiteral("Button_Mégsem"));
        };
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* list) {
                        q("ZQ30").locate(QStringLiteral("vKod"), QStringLiteral("3"));
                        click(list, QStringLiteral("Modosit"));
                        click(list, QStringLiteral("Uj"));
                        click(list, QStringLiteral("Modosit"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm4"), look)
            .window(QStringLiteral("TForm4"), look)
            .window(QStringLiteral("TForm4"), look);
        QVERIFY(run(Screen::CustomerList, driver));
        QCOMPARE(seen, (QStringList{"Vevö módositás|3|Győri Ételműhely Kft.", "Vevö bevitel|6|",
                                    "Vevö módositás|3|Győri Ételműhely Kft."}));
    }

    // "Másolat készítés", "Összeállít", "OK": the composed block goes with the copy; the source
    // customer is not touched, neither by the composer nor by the copy's save.
    void aCopysComposedBlockStaysWithTheCopy()
    {
        const QString source = one(QStringLiteral("SELECT vID, vKod, vNeve, HEX(vMemoVevo) FROM vevo WHERE vKod = '3'"));
        ModalDriver driver;
        QString composerFirstEntry, blockOnEditScreen;
        driver
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* list) {
                        q("ZQ30").locate(QStringLiteral("vKod"), QStringLiteral("3"));
                        click(list, QStringLiteral("Modosit"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm4"),
                    [&](QWidget* form) {
                        click(form, QStringLiteral("Button_Másolat készítés"));
                        form->findChild<QTabWidget*>()->setCurrentIndex(1);
                        click(form, QStringLiteral("Button_Osszeallit"));
                        blockOnEditScreen = form->findChild<QPlainTextEdit*>(QStringLiteral("vMemoVevo"))->toPlainText();
                        click(form, QStringLiteral("Button_OK"));
                    })
            .window(QStringLiteral("TForm14"), [&](QWidget* composer) {
                auto* fields = composer->findChild<QWidget*>(QStringLiteral("ListBox1"));
                composerFirstEntry = fields ? fields->property("currentText").toString() : QString();
                auto* block = composer->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
                block->setFocus();
                block->moveCursor(QTextCursor::End);
                QTest::keyClick(block, Qt::Key_Return);
                typeText(block, QStringLiteral("Szállítási cím: Győr, Ipari park"));
                click(composer, QStringLiteral("Button1"));
            });
        QVERIFY(run(Screen::CustomerList, driver));
        QVERIFY(blockOnEditScreen.endsWith(QStringLiteral("Szállítási cím: Győr, Ipari park")));
        QCOMPARE(one(QStringLiteral("SELECT vID, vKod, vNeve, HEX(vMemoVevo) FROM vevo WHERE vKod = '3'")), source);
        const QStringList copy = s->db.rows(
            QStringLiteral("SELECT vKod, vSzam, vNeve, vMemoVevo FROM vevo WHERE vNeve LIKE '%másolat'"));
        QCOMPARE(copy.size(), 1);
        QVERIFY2(copy.first().startsWith(QStringLiteral("6|3|Győri Ételműhely Kft. - másolat|")), qPrintable(copy.first()));
        QVERIFY2(copy.first().contains(QStringLiteral("Szállítási cím: Győr, Ipari park\r\n")), qPrintable(copy.first()));
    }

    // The same for an issuer: the composer's block goes with the copy, the source stays.
    void anIssuerCopysComposedBlockStaysWithTheCopy()
    {
        const QString source = one(QStringLiteral("SELECT * FROM szallito WHERE zKod = '1'"));
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm11"),
                    [&](QWidget* list) {
                        click(list, QStringLiteral("Modosit"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm23"),
                    [&](QWidget* form) {
                        click(form, QStringLiteral("Button_Másolat készítés"));
                        form->findChild<QTabWidget*>()->setCurrentIndex(1);
                        click(form, QStringLiteral("Button_Osszeallit"));
                        click(form, QStringLiteral("Button_OK"));
                    })
            .window(QStringLiteral("TForm24"), [&](QWidget* composer) {
                auto* block = composer->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
                block->setFocus();
                block->moveCursor(QTextCursor::End);
                QTest::keyClick(block, Qt::Key_Return);
                typeText(block, QStringLiteral("Fióktelep: Hódmezővásárhely"));
                click(composer, QStringLiteral("Button1"));
            });
        QVERIFY(run(Screen::IssuerList, driver));
        QCOMPARE(one(QStringLiteral("SELECT * FROM szallito WHERE zKod = '1'")), source);
        const QStringList copy =
            s->db.rows(QStringLiteral("SELECT zKod, zNev1, zMemoSzall FROM szallito WHERE zNev1 LIKE '%másolat'"));
        QCOMPARE(copy.size(), 1);
        QVERIFY2(copy.first().startsWith(QStringLiteral("2|Tisza-Mérleg Kereskedelmi Kft. - másolat|")),
                 qPrintable(copy.first()));
        QVERIFY2(copy.first().contains(QStringLiteral("Fióktelep: Hódmezővásárhely\r\n")), qPrintable(copy.first()));
    }

    // The issuer's VAT regime on its "NAV" page: the check boxes are stored with "OK", for a
    // modified and for a new issuer, and show what is stored when the screen opens again.
    void anIssuersVatRegimeIsStoredAndReadBack()
    {
        const QStringList flags{QStringLiteral("zAlanyiMentes"), QStringLiteral("zPenzforgalmi"),
                                QStringLiteral("zKisadozo")};
        const auto toggle = [](QWidget* form, const QString& name) {
            auto* box = form->findChild<QCheckBox*>(name);
            if (!box)
                return qWarning("no check box %s", qPrintable(name));
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Space);
        };
        const auto shown = [&](QWidget* form) {
            QStringList states;
            for (const QString& name : flags) {
                auto* box = form->findChild<QCheckBox*>(name);
                states << (box ? QString::number(box->isChecked()) : QStringLiteral("?"));
            }
            return states.join(u'|');
        };
        const auto navPage = [](QWidget* form) {
            auto* tabs = form->findChild<QTabWidget*>();
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i) == u"NAV")
                    tabs->setCurrentIndex(i);
        };
        QString firstShown, newShown;
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm11"),
                    [&](QWidget* list) {
                        click(list, QStringLiteral("Modosit"));
                        click(list, QStringLiteral("Uj"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm23"),
                    [&](QWidget* form) {
                        navPage(form);
                        firstShown = shown(form);
                        toggle(form, QStringLiteral("zAlanyiMentes"));
                        toggle(form, QStringLiteral("zKisadozo"));
                        click(form, QStringLiteral("Button_OK"));
                    })
            .window(QStringLiteral("TForm23"), [&](QWidget* form) {
                typeInto(edit(form, QStringLiteral("zNev1")), QStringLiteral("Pénztáros Bt."));
                navPage(form);
                newShown = shown(form);
                toggle(form, QStringLiteral("zPenzforgalmi"));
                click(form, QStringLiteral("Button_OK"));
            });
        QVERIFY(run(Screen::IssuerList, driver));
        QCOMPARE(firstShown, QStringLiteral("0|0|0"));
        QCOMPARE(newShown, QStringLiteral("0|0|0"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT zNev1, zAlanyiMentes, zPenzforgalmi, zKisadozo FROM szallito ORDER "
                                           "BY zKod")),
                 (QStringList{QStringLiteral("Tisza-Mérleg Kereskedelmi Kft.|1|0|1"), QStringLiteral("Pénztáros Bt.|0|1|0")}));

        // Opened again, the boxes show what is stored; a change is stored again.
        QString againShown;
        ModalDriver again;
        again
            .window(QStringLiteral("TForm11"),
                    [&](QWidget* list) {
                        auto* grid = list->findChild<QTableView*>(QStringLiteral("Grid"));
                        for (int row = 0; row < grid->model()->rowCount(); ++row)
                            for (int column = 0; column < grid->model()->columnCount(); ++column)
                                if (grid->model()->index(row, column).data().toString().startsWith(u"Tisza"))
                                    selectRow(list, row);
                        click(list, QStringLiteral("Modosit"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm23"), [&](QWidget* form) {
                navPage(form);
                againShown = shown(form);
                toggle(form, QStringLiteral("zAlanyiMentes"));
                toggle(form, QStringLiteral("zPenzforgalmi"));
                click(form, QStringLiteral("Button_OK"));
            });
        QVERIFY(run(Screen::IssuerList, again));
        QCOMPARE(againShown, QStringLiteral("1|0|1"));
        QCOMPARE(one(QStringLiteral("SELECT zAlanyiMentes, zPenzforgalmi, zKisadozo FROM szallito WHERE zKod = '1'")),
                 QStringLiteral("0|1|1"));
    }

    // Tab leaves the grid of every master-data list and chooser for the buttons (and the search
    // field), and the highlighted row stays where it was.
    void tabLeavesTheGrid_data()
    {
        QTest::addColumn<int>("screen");     // opened as a menu item opens it
        QTest::addColumn<QString>("chooser"); // a button of that screen opening the list as a chooser
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("reached");
        const QStringList buttons{"Kivalaszt", "Uj", "Modosit", "Torol", "Megsem"};
        QTest::newRow("customers") << int(Screen::CustomerList) << QString() << "TForm3"
                                   << buttons + QStringList{"Search", "Keres"};
        QTest::newRow("articles") << int(Screen::ArticleList) << QString() << "TForm5" << buttons;
        QTest::newRow("VAT rates") << int(Screen::VatList) << QString() << "TForm15" << buttons;
        QTest::newRow("issuers") << int(Screen::IssuerList) << QString() << "TForm11" << buttons;
        QTest::newRow("dictionary") << int(Screen::DictionaryList) << QString() << "TForm17" << buttons;
        QTest::newRow("article chooser") << int(Screen::InvoiceLine) << "articleButton" << "TForm5" << buttons;
    }
    void tabLeavesTheGrid()
    {
        QFETCH(int, screen);
        QFETCH(QString, chooser);
        QFETCH(QString, list);
        QFETCH(QStringList, reached);
        QStringList focused;
        int rowBefore = -1, rowAfter = -2;
        ModalDriver driver;
        if (!chooser.isEmpty())
            driver.window(formId(Screen(screen)), [&](QWidget* caller) {
                click(caller, chooser);
                caller->close();
            });
        driver.window(list, [&](QWidget* window) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            auto* grid = window->findChild<QTableView*>(QStringLiteral("Grid"));
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_Down);
            rowBefore = grid->currentIndex().row();
            for (int i = 0; i < 40; ++i) {
                QWidget* at = QApplication::focusWidget();
                if (!at)
                    break;
                focused << at->objectName();
                QTest::keyClick(at, Qt::Key_Tab);
            }
            rowAfter = grid->currentIndex().row();
            window->close();
        });
        QVERIFY(run(Screen(screen), driver, Screen(screen) == Screen::InvoiceLine ? kLineOfInvoice : ScreenRequest{}));
        for (const QString& name : reached)
            QVERIFY2(focused.contains(name), qPrintable(name + u'\n' + focused.join(u' ')));
        // the search row above the list comes before it in the cycle: "Név:", "Keres", the list
        if (const qsizetype search = focused.indexOf(QStringLiteral("Search")); search >= 0)
            QCOMPARE(focused.mid(search, 3), (QStringList{"Search", "Keres", "Grid"}));
        QCOMPARE(rowAfter, rowBefore);
    }

    // A refused character's box opens on the keystroke; the keys typed on before the operator sees
    // it go on into the field and do not close it, only Enter or Escape does.
    void typingOnOverTheRefusedCharactersBox()
    {
        bool stillShown = false;
        QString typed;
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* list) {
                        click(list, QStringLiteral("Uj"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm4"),
                    [&](QWidget* form) {
                        typeInto(edit(form, QStringLiteral("vNeve")), QStringLiteral("Bárány€"));
                        QTest::qWait(50); // the box opens here and is answered below
                        typed = edit(form, QStringLiteral("vNeve"))->text();
                        click(form, QStringLiteral("Button_OK"));
                    })
            .box(QStringLiteral("A(z) \"€\" karakter (U+20AC) nem tárolható"), QStringLiteral("OK"), [&](QWidget* box) {
                QWidget* target = box->focusWidget() ? box->focusWidget() : box;
                typeText(target, QStringLiteral(" Kft."));
                stillShown = box->isVisible();
            });
        QVERIFY(run(Screen::CustomerList, driver));
        QVERIFY(stillShown);
        QCOMPARE(typed, QStringLiteral("Bárány Kft."));
        QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM vevo WHERE vNeve = 'Bárány Kft.'")), QStringLiteral("1"));
    }

    // A copy of a customer keeps the block it copied: its name and address are not added again.
    void aCopiedCustomersBlockIsNotDoubled()
    {
        const QString block = one(QStringLiteral("SELECT HEX(vMemoVevo) FROM vevo WHERE vKod = '3'"));
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* list) {
                        q("ZQ30").locate(QStringLiteral("vKod"), QStringLiteral("3"));
                        click(list, QStringLiteral("Modosit"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm4"), [&](QWidget* form) {
                click(form, QStringLiteral("Button_Másolat készítés"));
                click(form, QStringLiteral("Button_OK"));
            });
        QVERIFY(run(Screen::CustomerList, driver));
        QCOMPARE(one(QStringLiteral("SELECT HEX(vMemoVevo) FROM vevo WHERE vNeve LIKE '%- másolat'")), block);
    }

    // Typing past a column's width stops at the width; a character latin2 lacks is refused at
    // once with the clear message and never reaches the field.
    // A price typed key by key (the numeric keypad types a dot) is read as an amount: a dot
    // before three digits groups them, any other dot is the decimal sign; what reads as no
    // amount is refused naming the field, and nothing is stored.
    void anArticlePriceTypedWithADot_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // empty: refused
        QTest::newRow("decimal dot") << "12345.67" << "12345,67";
        QTest::newRow("grouping dots") << "1.234.567" << "1234567";
        QTest::newRow("grouped, decimal comma") << "50.000,5" << "50000,5";
        QTest::newRow("neither") << "12345.678" << "";
    }
    void anArticlePriceTypedWithADot()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm5"),
                    [&](QWidget* list) {
                        click(list, QStringLiteral("Uj"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm6"), [&](QWidget* form) {
                typeInto(edit(form, QStringLiteral("cMegn")), QStringLiteral("Pontos ár"));
                typeInto(edit(form, QStringLiteral("cEar")), typed);
                click(form, QStringLiteral("Button_OK"));
                if (stored.isEmpty())
                    click(form, QStringLiteral("Button_Mégsem"));
            });
        if (stored.isEmpty())
            driver.box(QStringLiteral("Egységár: A(z) '%1' nem érvényes szám.").arg(typed), QStringLiteral("OK"));
        QVERIFY(run(Screen::ArticleList, driver));
        QCOMPARE(one(QStringLiteral("SELECT cEar FROM cikk WHERE cMegn = 'Pontos ár'")),
                 stored.isEmpty() ? QStringLiteral("<none>") : stored);
    }

    void fieldsTakeWhatTheColumnHolds()
    {
        ModalDriver driver;
        QString nameShown, townShown;
        driver
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* list) {
                        click(list, QStringLiteral("Uj"));
                        click(list, QStringLiteral("Megsem"));
                    })
            .window(QStringLiteral("TForm4"),
                    [&](QWidget* form) {
                        paste(edit(form, QStringLiteral("vNeve")), QString(80, u'N'));
                        nameShown = edit(form, QStringLiteral("vNeve"))->text();
                        typeInto(edit(form, QStringLiteral("vHely")), QStringLiteral("Pécs"));
                        paste(edit(form, QStringLiteral("vHely")), QStringLiteral(" 5€"));
                        QTest::qWait(100); // the box comes once the paste is done
                        townShown = edit(form, QStringLiteral("vHely"))->text();
                        click(form, QStringLiteral("Button_OK"));
                    })
            .box(QStringLiteral("A(z) \"€\" karakter (U+20AC) nem tárolható"), QStringLiteral("OK"));
        QVERIFY(run(Screen::CustomerList, driver));
        QCOMPARE(nameShown, QString(75, u'N'));
        QCOMPARE(townShown, QStringLiteral("Pécs 5"));
        QCOMPARE(one(QStringLiteral("SELECT vNeve, vHely FROM vevo WHERE vKod = '6'")),
                 QString(75, u'N') + QStringLiteral("|Pécs 5"));
    }

    // A dialog opens again where the operator left it, in a later run as well; a place that no
    // screen shows whole any more (a monitor since removed, a lower resolution) is not used.
    void aDialogOpensWhereItWasLeft()
    {
        QTemporaryDir folder; // the user's own settings are neither read nor written
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
        const QString file = folder.filePath(QStringLiteral("orvena/windows.ini"));
        const QString key = QStringLiteral("dialogs/TForm3");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect place(screen.x() + 37, screen.y() + 23, screen.width() - 60, screen.height() - 80);
        auto openList = [this](const std::function<void(QWidget*)>& act) {
            ModalDriver driver;
            driver.window(QStringLiteral("TForm3"), [&act](QWidget* list) {
                act(list);
                list->close();
            });
            return run(Screen::CustomerList, driver);
        };

        DialogGeometryMemory memory;
        QRect usual, shown;
        QVERIFY(openList([&](QWidget* list) {
            usual = list->geometry();
            list->setGeometry(place);
        }));
        QCOMPARE(QSettings(file, QSettings::IniFormat).value(key).toRect(), place);
        QVERIFY(openList([&](QWidget* list) { shown = list->geometry(); }));
        QCOMPARE(shown, place);

        const QRect unusable[] = {place.translated(screen.width() * 2, 0),
                                  QRect(place.topLeft(), QSize(place.width(), screen.height() * 2))};
        for (const QRect& stored : unusable) {
            QSettings(file, QSettings::IniFormat).setValue(key, stored);
            QVERIFY(openList([&](QWidget* list) { shown = list->geometry(); }));
            QCOMPARE(shown.size(), usual.size());
            QVERIFY(shown != stored);
        }
    }
};

QTEST_MAIN(MasterDataWindowsTest)
#include "tst_masterdatawindows.moc"
