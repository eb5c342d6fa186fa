// Two workstations on one server: each is a program session of its own (its own connection,
// state, message boxes and screens) over the same database. Whatever order they start, save or
// abandon in, they never compose under one number, never touch the document the other has open,
// and a workstation that dies leaves nothing locked.
#include "support/invoiceseed.h"
#include "support/fakes.h"

#include "reports/recordingpresenter.h"

#include "delivery/deliverycomposer.h"
#include "delivery/deliverylineeditor.h"
#include "delivery/deliveryregister.h"
#include "delivery/printdeliverynote.h"
#include "invoice/invoicecomposer.h"
#include "invoice/invoiceline.h"
#include "invoice/invoiceregister.h"
#include "invoice/invoicetexts.h"
#include "invoice/printinvoice.h"
#include "screens/common/savedelete.h"
#include "screens/common/worklocks.h"

#include <QDir>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

namespace {

// A second workstation on the first one's database.
struct Workstation {
    explicit Workstation(const TestDatabase& db) { data.connect(db.profile()); }
    DataModule data;
    AppState state;
    FakeUserInterface ui;
    ScriptedOpener opener;
    ScreenContext context{data, state, ui, opener};
};

} // namespace

class WorkstationsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestSession> a;
    std::unique_ptr<Workstation> b;

    QString count(const QString& sql) { return a->db.scalar(sql); }
    void printedInvoices()
    {
        seedInvoiceHeader(a->db, {{QStringLiteral("fBszam"), QStringLiteral("20100001")},
                                  {QStringLiteral("fPrn"), QStringLiteral("I")},
                                  {QStringLiteral("fvKod"), QStringLiteral("1")},
                                  {QStringLiteral("fzKod"), QStringLiteral("1")},
                                  {QStringLiteral("fPnem"), QStringLiteral("Ft")},
                                  {QStringLiteral("fArfoly"), QStringLiteral("1")}});
        seedInvoiceHeader(a->db, {{QStringLiteral("fBszam"), QStringLiteral("20100002")},
                                  {QStringLiteral("fPrn"), QStringLiteral("I")},
                                  {QStringLiteral("fvKod"), QStringLiteral("1")},
                                  {QStringLiteral("fzKod"), QStringLiteral("1")},
                                  {QStringLiteral("fPnem"), QStringLiteral("Ft")},
                                  {QStringLiteral("fArfoly"), QStringLiteral("1")}});
        a->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) VALUES "
                                  "('20100001', 'Mérleg', 1, 1000, 27), ('20100002', 'Súly', 2, 500, 27)"));
        a->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '20100002' WHERE aKod = '1'"));
    }
    // An unprinted invoice and an unprinted delivery note 20100001 with one line each.
    void unprintedDocuments()
    {
        seedInvoiceHeader(a->db, {{QStringLiteral("fBszam"), QStringLiteral("20100001")},
                                  {QStringLiteral("fPrn"), QStringLiteral(" ")},
                                  {QStringLiteral("fvKod"), QStringLiteral("1")},
                                  {QStringLiteral("fzKod"), QStringLiteral("1")},
                                  {QStringLiteral("fmKod"), QStringLiteral("00002")},
                                  {QStringLiteral("fPnem"), QStringLiteral("Ft")},
                                  {QStringLiteral("fArfoly"), QStringLiteral("0")},
                                  {QStringLiteral("fKerek"), QStringLiteral("0")},
                                  {QStringLiteral("fFizmod"), QStringLiteral("készpénz")},
                                  {QStringLiteral("fTkelt"), QStringLiteral("2010-01-05")},
                                  {QStringLiteral("fRkelt"), QStringLiteral("2010-01-05")},
                                  {QStringLiteral("fFkelt"), QStringLiteral("2010-01-05")}});
        a->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa, sAfanev, sPnem, sMe) VALUES "
                                  "('20100001', 'Mérleg', 1, 1000, 27, '27% általános', 'Ft', 'db')"));
        a->db.exec(QStringLiteral("INSERT INTO szlevfej (lBszam, lPrn, lvKod, lzKod, lmKod, lPnem, lFizmod, lTkelt, "
                                  "lRkelt, lFkelt) VALUES ('20100001', ' ', '1', '1', '00002', 'Ft', 'készpénz', "
                                  "'2010-01-05', '2010-01-05', '2010-01-05')"));
        a->db.exec(QStringLiteral("INSERT INTO szlevsor (eBszam, eMegn, eMenny, eMe) VALUES ('20100001', 'Súly', 2, 'db')"));
        a->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '20100001'"));
    }
    // Another workstation's lines or header under 20100001 (the number the next new document gets).
    void storedElsewhere(bool invoice, const QString& printed)
    {
        if (invoice) {
            seedInvoiceHeader(a->db, {{QStringLiteral("fBszam"), QStringLiteral("20100001")},
                                      {QStringLiteral("fPrn"), printed},
                                      {QStringLiteral("fvKod"), QStringLiteral("1")},
                                      {QStringLiteral("fzKod"), QStringLiteral("1")},
                                      {QStringLiteral("fPnem"), QStringLiteral("Ft")}});
            a->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) "
                                      "VALUES ('20100001', 'Másik', 1, 10, 27)"));
        } else {
            a->db.exec(QStringLiteral("INSERT INTO szlevfej (lBszam, lPrn, lvKod, lzKod, lPnem) "
                                      "VALUES ('20100001', '%1', '1', '1', 'Ft')").arg(printed));
            a->db.exec(QStringLiteral("INSERT INTO szlevsor (eBszam, eMegn, eMenny) VALUES ('20100001', 'Másik', 1)"));
        }
    }
    QString lines(bool invoice)
    {
        return count(invoice ? QStringLiteral("SELECT GROUP_CONCAT(sMegn ORDER BY sID) FROM szlasor WHERE sBszam = '20100001'")
                             : QStringLiteral("SELECT GROUP_CONCAT(eMegn ORDER BY eID) FROM szlevsor WHERE eBszam = '20100001'"));
    }
    // A line typed on the line screen the composer opens, and "OK".
    void typeLine(ScreenContext& c, bool invoice, const ScreenRequest& request)
    {
        if (invoice) {
            InvoiceLineEditor line(c, request);
            if (!line.prepare())
                return;
            line.setField(InvoiceLineEditor::ArticleName, QStringLiteral("Új sor"));
            line.setField(InvoiceLineEditor::Quantity, QStringLiteral("3"));
            line.setField(InvoiceLineEditor::UnitPrice, QStringLiteral("100"));
            line.ok();
        } else {
            DeliveryLineEditor line(c, request);
            if (!line.prepare())
                return;
            line.setField(DeliveryLineEditor::Description, QStringLiteral("Új sor"));
            line.setField(DeliveryLineEditor::Quantity, QStringLiteral("3"));
            line.accept();
        }
    }
    void showInvoices(ScreenContext& c)
    {
        Query& list = c.data.query(QStringLiteral("ZQ10"));
        list.setSql({QStringLiteral("SELECT * FROM Szlafej ORDER BY fbszam")});
        list.open();
    }

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(templateFolder())); }
    void init()
    {
        a = std::make_unique<TestSession>();
        a->db.reset();
        a->db.addDemoData();
        b = std::make_unique<Workstation>(a->db);
    }
    void cleanup()
    {
        b.reset();
        a.reset();
    }

    void oneWorkstationAtATimeMakesANewInvoice()
    {
        InvoiceRegister first(a->context);
        InvoiceRegister second(b->context);
        bool secondRefused = false;
        a->opener.onOpen(Screen::InvoiceComposer, [&] {
            // while the first composes, the second is told who holds the number
            second.newInvoice();
            secondRefused = b->opener.opened().empty();
        });
        b->opener.onOpen(Screen::InvoiceComposer, [] {});
        first.newInvoice();
        QVERIFY(secondRefused);
        QCOMPARE(b->ui.texts(FakeUserInterface::Kind::Notice),
                 QStringList{QStringLiteral("Egy másik munkaállomás éppen új számlát készít (a(z) 20100001 számút). "
                                            "Kérem, próbálja újra, amikor ott elkészült.")});
        // once the first screen closed the second may start
        b->ui.clear();
        second.newInvoice();
        QCOMPARE(b->opener.opened().size(), size_t(1));
        QVERIFY(b->ui.shown().empty());
    }

    void stornoWaitsForTheNewInvoiceOfTheOtherWorkstation()
    {
        printedInvoices();
        InvoiceRegister first(a->context);
        showInvoices(b->context);
        b->ui.answer(true);
        a->opener.onOpen(Screen::InvoiceComposer, [&] {
            // the composing workstation has lines under 20100003; a storno now would take that number
            a->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) "
                                      "VALUES ('20100003', 'Félkész', 1, 10, 27)"));
            QCOMPARE(createStornoInvoice(b->context, QStringLiteral("20100001")), QString());
        });
        first.newInvoice();
        QVERIFY(b->ui.last().startsWith(QStringLiteral("Egy másik munkaállomás éppen új számlát készít")));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), QStringLiteral("2"));
        QCOMPARE(count(QStringLiteral("SELECT GROUP_CONCAT(sMegn) FROM szlasor WHERE sBszam = '20100003'")),
                 QStringLiteral("Félkész"));
        QCOMPARE(count(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '1'")), QStringLiteral("20100002"));
        // afterwards the storno goes through under the next number
        QCOMPARE(createStornoInvoice(b->context, QStringLiteral("20100001")), QStringLiteral("20100003"));
    }

    void aDocumentBeingModifiedIsRefusedToTheOther()
    {
        printedInvoices();
        a->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = ' ' WHERE fBszam = '20100002'"));
        showInvoices(a->context);
        showInvoices(b->context);
        a->data.query(QStringLiteral("ZQ10")).last();
        b->data.query(QStringLiteral("ZQ10")).last();
        InvoiceRegister first(a->context);
        InvoiceRegister second(b->context);
        bool refused = false;
        a->opener.onOpen(Screen::InvoiceComposer, [&] {
            second.modifyInvoice();
            refused = b->opener.opened().empty();
            // a storno of the same invoice waits as well
            QCOMPARE(createStornoInvoice(b->context, QStringLiteral("20100002")), QString());
        });
        b->opener.onOpen(Screen::InvoiceComposer, [] {});
        first.modifyInvoice();
        QVERIFY(refused);
        QCOMPARE(b->ui.texts(FakeUserInterface::Kind::Notice).value(0),
                 QStringLiteral("A(z) 20100002 számú számlát egy másik munkaállomás éppen módosítja. Kérem, "
                                "próbálja újra, amikor ott elkészült."));
        // another invoice is free meanwhile, and this one after the first closed it
        b->ui.clear();
        second.modifyInvoice();
        QCOMPARE(b->opener.opened().size(), size_t(1));
    }

    void deliveryNotesHaveTheirOwnNumbering()
    {
        DeliveryRegister first(a->context);
        DeliveryRegister second(b->context);
        InvoiceRegister invoices(b->context);
        bool noteRefused = false;
        bool invoiceAllowed = false;
        a->opener.onOpen(Screen::DeliveryComposer, [&] {
            second.newNote();
            noteRefused = b->opener.opened().empty();
            invoices.newInvoice(); // invoices are numbered apart
            invoiceAllowed = b->opener.opened().size() == 1;
        });
        b->opener.onOpen(Screen::DeliveryComposer, [] {});
        b->opener.onOpen(Screen::InvoiceComposer, [] {});
        first.newNote();
        QVERIFY(noteRefused);
        QVERIFY(invoiceAllowed);
        QVERIFY(b->ui.texts(FakeUserInterface::Kind::Notice)
                    .value(0)
                    .startsWith(QStringLiteral("Egy másik munkaállomás éppen új szállítólevelet készít (a(z) 20100001")));
    }

    void newCodesAreNeverGivenTwice()
    {
        // both save a new customer at the same moment: the second waits for the first's commit
        auto save = [](ScreenContext& c, const QString& name, const std::function<void()>& meanwhile) {
            Query& list = c.data.query(QStringLiteral("ZQ30"));
            Query& aux = c.data.query(QStringLiteral("ZQ31"));
            return runSave(c.ui, list, aux, true, CodeRule{QStringLiteral("vevo"), QStringLiteral("vKod")},
                           SaveTexts{QStringLiteral("Hiba: Újban"), QStringLiteral("Hiba: Módosításban"),
                                     QStringLiteral("Hiba")},
                           [&](const QString& code) {
                               if (meanwhile)
                                   meanwhile();
                               list.setSql({QStringLiteral("INSERT INTO vevo (vKod, vNeve) VALUES (:p0, :p1)")});
                               list.setText(QStringLiteral("p0"), code);
                               list.setText(QStringLiteral("p1"), name);
                               list.execute();
                           });
        };
        bool secondSaved = true;
        QVERIFY(save(a->context, QStringLiteral("Első Kft."), [&] {
            secondSaved = save(b->context, QStringLiteral("Második Kft."), {});
        }));
        QVERIFY(!secondSaved);
        QVERIFY(b->ui.last().startsWith(QStringLiteral("Egy másik munkaállomás éppen új sort ment ide")));
        QVERIFY(save(b->context, QStringLiteral("Második Kft."), {}));
        QCOMPARE(a->db.rows(QStringLiteral("SELECT vKod, vNeve FROM vevo WHERE vKod IN ('6', '7') ORDER BY vKod")),
                 QStringList({QStringLiteral("6|Első Kft."), QStringLiteral("7|Második Kft.")}));
    }

    // A new record the server refuses: by the time its message waits for the operator, the
    // transaction has ended and the table's code lock is free for the other workstation.
    void aRefusedNewRecordHoldsNothingWhileItsMessageWaits()
    {
        struct ProbingUi : FakeUserInterface {
            std::function<void()> probe;
            void message(const QString& text) override
            {
                probe();
                FakeUserInterface::message(text);
            }
        } ui;
        bool codeFree = false;
        bool inTransaction = true;
        ui.probe = [&] {
            Connection& other = b->data.connection();
            codeFree = other.tryLock(worklock::codes(QStringLiteral("vevo")));
            if (codeFree)
                other.unlock(worklock::codes(QStringLiteral("vevo")));
            inTransaction = a->data.connection().inTransaction();
        };
        Query& list = a->data.query(QStringLiteral("ZQ30"));
        const bool saved = runSave(
            ui, list, a->data.query(QStringLiteral("ZQ31")), true, CodeRule{QStringLiteral("vevo"), QStringLiteral("vKod")},
            SaveTexts{QStringLiteral("Hiba: Újban"), QStringLiteral("Hiba: Módosításban"), QStringLiteral("Hiba")},
            [&](const QString& code) {
                list.setSql({QStringLiteral("INSERT INTO vevo (vKod, nincsilyen) VALUES (:p0, 1)")});
                list.setText(QStringLiteral("p0"), code);
                list.execute();
            });
        QVERIFY(!saved);
        QCOMPARE(ui.texts(), QStringList{QStringLiteral("Hiba: Újban")});
        QVERIFY(!inTransaction);
        QVERIFY(codeFree);
    }

    void aWorkstationThatDiesLeavesNothingLocked()
    {
        InvoiceRegister second(b->context);
        b->opener.onOpen(Screen::InvoiceComposer, [] {});
        a->opener.onOpen(Screen::InvoiceComposer, [&] {
            a->data.connection().close(); // the program is killed with its screen open
            // the server ends the dead session (and its locks) a moment after the connection closes
            QTRY_COMPARE_WITH_TIMEOUT(a->db.scalar(QStringLiteral("SELECT IS_FREE_LOCK('orvena:%1:szamla-uj')")
                                                       .arg(a->db.name())),
                                      QStringLiteral("1"), 5000);
            second.newInvoice();
        });
        InvoiceRegister(a->context).newInvoice();
        QCOMPARE(b->opener.opened().size(), size_t(1));
        QVERIFY(b->ui.shown().empty());
    }

    // A workstation modifies an unprinted document; another one prints it ("Nyomtat" or
    // --mark-printed): the print waits for the modification instead of issuing what is about to
    // change. Once the screen closed, the print goes through and marks it.
    void printingWaitsForTheModifyingWorkstation_data()
    {
        QTest::addColumn<bool>("invoice");
        QTest::newRow("számla") << true;
        QTest::newRow("szállítólevél") << false;
    }
    void printingWaitsForTheModifyingWorkstation()
    {
        QFETCH(bool, invoice);
        unprintedDocuments();
        RecordingPresenter presenter;
        b->context.reports = &presenter;
        const QString flag = invoice ? QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")
                                     : QStringLiteral("SELECT lPrn FROM szlevfej WHERE lBszam = '20100001'");
        auto print = [&] {
            DB_VERIFY(invoice ? PrintInvoice(b->context, QStringLiteral("20100001"), PrintMode::Print)
                              : PrintDeliveryNote(b->context, QStringLiteral("20100001"), PrintMode::Print));
        };
        bool composing = false;
        auto meanwhile = [&](const ScreenRequest&) {
            composing = true;
            print();
            QCOMPARE(b->ui.texts(FakeUserInterface::Kind::Notice).value(0),
                     invoice ? QStringLiteral("A(z) 20100001 számú számlát egy másik munkaállomás éppen módosítja, "
                                              "ezért most nem nyomtatható ki. Kérem, próbálja újra, amikor ott elkészült.")
                             : QStringLiteral("A(z) 20100001 számú szállítólevelet egy másik munkaállomás éppen "
                                              "módosítja, ezért most nem nyomtatható ki. Kérem, próbálja újra, amikor "
                                              "ott elkészült."));
            QVERIFY(presenter.presented.empty());
            QCOMPARE(count(flag), QStringLiteral(" "));
        };
        a->opener.onOpen(Screen::InvoiceComposer, ScriptedOpener::RequestScript(meanwhile));
        a->opener.onOpen(Screen::DeliveryComposer, ScriptedOpener::RequestScript(meanwhile));
        if (invoice) {
            showInvoices(a->context);
            InvoiceRegister(a->context).modifyInvoice();
        } else {
            DeliveryRegister notes(a->context);
            notes.prepare();
            notes.modifyNote();
        }
        QVERIFY(composing);
        b->ui.clear();
        print();
        QVERIFY2(b->ui.shown().empty(), qPrintable(b->ui.texts().join(u'/')));
        QCOMPARE(presenter.presented.size(), size_t(1));
        QCOMPARE(count(flag), QStringLiteral("I"));
    }

    // A composing screen whose document stopped being its own meanwhile: a new document whose
    // number another workstation stored (even printed), or a modified invoice issued elsewhere.
    // Its line store, line delete and header store refuse inside their transaction, the screen
    // ends with what was typed, and the other document stays as it is.
    void aStoreRefusesADocumentNoLongerItsOwn_data()
    {
        QTest::addColumn<bool>("invoice");
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("reason");
        const QString storedInvoice = QStringLiteral("A(z) 20100001 sorszámon közben egy másik munkaállomás számlát tárolt.");
        const QString storedNote = QStringLiteral("A(z) 20100001 sorszámon közben egy másik munkaállomás szállítólevelet tárolt.");
        const QString issued = QStringLiteral("A(z) 20100001 számú számla közben nyomtatásra került, már nem módosítható.");
        QTest::newRow("új számla, Új sor") << true << true << "sor" << storedInvoice;
        QTest::newRow("új számla, Töröl") << true << true << "töröl" << storedInvoice;
        QTest::newRow("új szállítólevél, Új sor") << false << true << "sor" << storedNote;
        QTest::newRow("új szállítólevél, Töröl") << false << true << "töröl" << storedNote;
        QTest::newRow("kiadott számla, Új sor") << true << false << "sor" << issued;
        QTest::newRow("kiadott számla, Töröl") << true << false << "töröl" << issued;
        QTest::newRow("kiadott számla, OK") << true << false << "ok" << issued;
        QTest::newRow("kiadott számla, Sz.levélböl") << true << false << "szlevél" << issued;
    }
    void aStoreRefusesADocumentNoLongerItsOwn()
    {
        QFETCH(bool, invoice);
        QFETCH(bool, isNew);
        QFETCH(QString, action);
        QFETCH(QString, reason);
        if (isNew) {
            // lines an abandoned document left under the number are on the screen's list
            a->db.exec(invoice ? QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) "
                                                "VALUES ('20100001', 'Félkész', 1, 10, 27)")
                               : QStringLiteral("INSERT INTO szlevsor (eBszam, eMegn, eMenny) VALUES ('20100001', 'Félkész', 1)"));
        } else {
            unprintedDocuments();
            showInvoices(a->context);
        }
        ScreenRequest request = ScreenRequest::modifying(QStringLiteral("20100001"));
        if (isNew)
            request = {EditMode::New};
        InvoiceComposer invoiceScreen(a->context, request);
        DeliveryComposer noteScreen(a->context, request);
        QVERIFY(invoice ? invoiceScreen.prepare() : noteScreen.prepare());
        invoiceScreen.setField(InvoiceComposer::Contract, QStringLiteral("SZ-77"));
        noteScreen.setField(DeliveryComposer::Contract, QStringLiteral("SZ-77"));
        // meanwhile
        if (isNew)
            storedElsewhere(invoice, QStringLiteral("I"));
        else
            a->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I'"));
        const QString before = lines(invoice);
        a->opener.onOpen(Screen::InvoiceLine, ScriptedOpener::RequestScript([&](const ScreenRequest& r) {
            typeLine(a->context, true, r);
        }));
        a->opener.onOpen(Screen::DeliveryLine, ScriptedOpener::RequestScript([&](const ScreenRequest& r) {
            typeLine(a->context, false, r);
        }));
        a->opener.onOpen(Screen::DeliveryRegister, ScriptedOpener::RequestScript([](const ScreenRequest& r) {
            *r.chosen = QStringLiteral("20100001");
        }));
        if (action == u"sor")
            invoice ? invoiceScreen.newLine() : noteScreen.newLine();
        else if (action == u"szlevél")
            invoiceScreen.fromDeliveryNote();
        else if (action == u"töröl")
            invoice ? invoiceScreen.deleteLine() : noteScreen.deleteLine();
        else
            invoiceScreen.ok();
        QVERIFY(invoice ? invoiceScreen.isClosed() : noteScreen.isClosed());
        const QStringList shown = a->ui.texts();
        QVERIFY2(!shown.isEmpty() && shown.constFirst().startsWith(reason), qPrintable(shown.join(u'/')));
        // what was typed is shown with the reason: the line where a line was refused, then the header
        QVERIFY2(shown.constLast().contains(QStringLiteral("Szerz.száma: SZ-77")), qPrintable(shown.join(u'/')));
        if (action == u"sor")
            QVERIFY(shown.constFirst().contains(QStringLiteral("Mennyiség: 3")));
        QCOMPARE(lines(invoice), before);
        if (invoice)
            QCOMPARE(count(QStringLiteral("SELECT GROUP_CONCAT(fPrn) FROM szlafej")), QStringLiteral("I"));
    }

    // The server restarts while a workstation composes a new invoice (its session, and with it
    // the numbering lock, ends); another workstation takes the numbering. The first one's "Újra"
    // reconnects but cannot take the lock back: its line screen refuses to store, and both its
    // screens end with what was typed, writing nothing under the other's number.
    void aLockLostInAnOutageEndsItsScreens_data()
    {
        QTest::addColumn<bool>("invoice");
        QTest::newRow("számla") << true;
        QTest::newRow("szállítólevél") << false;
    }
    void aLockLostInAnOutageEndsItsScreens()
    {
        QFETCH(bool, invoice);
        const QString lock = invoice ? worklock::newInvoice() : worklock::newDeliveryNote();
        InvoiceComposer invoiceScreen(a->context, {EditMode::New});
        DeliveryComposer noteScreen(a->context, {EditMode::New});
        QVERIFY(invoice ? invoiceScreen.prepare() : noteScreen.prepare());
        invoiceScreen.setField(InvoiceComposer::Contract, QStringLiteral("SZ-77"));
        noteScreen.setField(DeliveryComposer::Contract, QStringLiteral("SZ-77"));

        Connection& first = a->data.connection();
        const QString session = first.select("SELECT CONNECTION_ID()")->text(0, 0);
        a->db.exec(QStringLiteral("KILL %1").arg(session));
        QTRY_COMPARE_WITH_TIMEOUT(
            a->db.scalar(QStringLiteral("SELECT IS_FREE_LOCK('orvena:%1:%2')").arg(a->db.name(), lock)),
            QStringLiteral("1"), 5000);
        QVERIFY(b->data.connection().tryLock(lock));
        int asked = 0;
        first.setLostHandler([&](const QString&) { return ++asked < 3; }); // "Újra"
        a->opener.onOpen(Screen::InvoiceLine, ScriptedOpener::RequestScript([&](const ScreenRequest& r) {
            typeLine(a->context, true, r);
        }));
        a->opener.onOpen(Screen::DeliveryLine, ScriptedOpener::RequestScript([&](const ScreenRequest& r) {
            typeLine(a->context, false, r);
        }));
        invoice ? invoiceScreen.newLine() : noteScreen.newLine();

        QCOMPARE(asked, 1);
        QVERIFY(invoice ? invoiceScreen.isClosed() : noteScreen.isClosed());
        const QString reason = invoice ? QStringLiteral("A(z) 20100001 számú számla zárolása megszűnt")
                                       : QStringLiteral("A(z) 20100001 számú szállítólevél zárolása megszűnt");
        const QStringList messages = a->ui.texts(FakeUserInterface::Kind::Message);
        QVERIFY2(messages.size() >= 2, qPrintable(a->ui.texts().join(u'/')));
        QVERIFY(messages.at(messages.size() - 2).startsWith(reason));
        QVERIFY(messages.at(messages.size() - 2).contains(QStringLiteral("Mennyiség: 3")));
        QVERIFY(messages.constLast().startsWith(reason));
        QVERIFY(messages.constLast().contains(QStringLiteral("Szerz.száma: SZ-77")));
        QCOMPARE(lines(invoice), QString());
        QVERIFY(b->data.connection().ownsLockOnServer(lock));
    }
};

QTEST_MAIN(WorkstationsTest) // the print lays out its report with fonts
#include "tst_workstations.moc"
