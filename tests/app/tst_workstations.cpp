// Two workstations on one server: each is a program session of its own (its own connection,
// state, message boxes and screens) over the same database. Whatever order they start, save or
// abandon in, they never compose under one number, never touch the document the other has open,
// and a workstation that dies leaves nothing locked.
#include "support/fakes.h"

#include "delivery/deliveryregister.h"
#include "invoice/invoiceregister.h"
#include "invoice/invoicetexts.h"
#include "screens/common/savedelete.h"
#include "screens/common/worklocks.h"

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
        a->db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fPrn, fvKod, fzKod, fPnem, fArfoly) VALUES "
                                  "('20100001', 'I', '1', '1', 'Ft', 1), ('20100002', 'I', '1', '1', 'Ft', 1)"));
        a->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) VALUES "
                                  "('20100001', 'Mérleg', 1, 1000, 27), ('20100002', 'Súly', 2, 500, 27)"));
        a->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '20100002' WHERE aKod = '1'"));
    }
    void showInvoices(ScreenContext& c)
    {
        Query& list = c.data.query(QStringLiteral("ZQ10"));
        list.setSql({QStringLiteral("SELECT * FROM Szlafej ORDER BY fbszam")});
        list.open();
    }

private slots:
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
};

QTEST_GUILESS_MAIN(WorkstationsTest)
#include "tst_workstations.moc"
