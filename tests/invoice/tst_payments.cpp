// Payments, receivables and the reminder letter: what each invoice owes as its print states it,
// the limits of a payment, storno pairs, deletions kept, another workstation's payment between
// reading and booking, days overdue on fixed days, and the screens driven through the real
// windows with the database read back.
#include "reports/recordingpresenter.h"
#include "support/fakes.h"
#include "support/invoiceseed.h"
#include "support/modaldriver.h"

#include "app/session.h"
#include "billing/invoicesums.h"
#include "billing/openbalance.h"
#include "db/conversions.h"
#include "invoice/invoiceregister.h"
#include "invoice/paymententry.h"
#include "invoice/payments.h"
#include "invoice/receivables.h"
#include "invoice/ui/receivablesmodel.h"
#include "invoice/ui/receivablesdialog.h"
#include "reports/ui/reportpreview.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

using namespace orvena;
using namespace orvena::test;

namespace {

struct Invoice {
    QString number;
    bool printed = true;
    QString labels = QStringLiteral("00002"); // fifth character 2: whole forints
    QString currency = QStringLiteral("Ft");
    double discount = 0;
    QString customer = QStringLiteral("1");
    QString issued = QStringLiteral("2026-02-15");
    QString due = QStringLiteral("2026-03-01");
    std::vector<SeedLine> lines = {{1, 1000.40, 27}}; // 1 270,51, payable 1 271 in whole forints
};

// An issued invoice's payable is read from the sums its issue writes: the seeder writes them.
void seed(TestDatabase& db, const Invoice& i)
{
    SeedInvoice invoice{i.number, i.customer, i.printed, i.labels, i.currency, i.issued, i.due, i.lines};
    invoice.discount = QString::number(i.discount, 'g', QLocale::FloatingPointShortest);
    seedInvoice(db, invoice);
}

void link(TestDatabase& db, const QString& storno, const QString& original)
{
    db.exec(QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('%1', 'STORNO', '%2')")
                .arg(storno, original));
    refreshOpenBalance(db.admin(), storno);
}

QString balanceRow(TestDatabase& db, const QString& number)
{
    return db.rows(QStringLiteral("SELECT eFizetendo, eFizetve, eHatralek, IFNULL(eRendezve, '-') FROM szlaegyenleg "
                                  "WHERE eBszam = '%1'")
                       .arg(number))
        .value(0);
}

PaymentEntry entry(const QString& date, const QString& amount)
{
    return {date, amount, QStringLiteral("átutalás"), QString()};
}

} // namespace

class PaymentsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> s;
    QString previousDir;

private slots:
    void initTestCase()
    {
        previousDir = QDir::currentPath();
        QDir::setCurrent(templateFolder());
        applyProgramLocale();
        s = std::make_unique<TestSession>();
    }
    void cleanupTestCase()
    {
        s.reset();
        QDir::setCurrent(previousDir);
    }
    void init()
    {
        for (const char* t : {"szlafej", "szlasor", "szlafizetes", "szlahivatkozas", "vevo", "szallito", "szlaosszeg",
                              "szlaafaosszeg", "szlanaposszeg", "szlacikkosszeg", "szlanapcikk", "szlanapafa",
                              "szlanyitott"})
            s->db.exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
        s->ui.clear();
    }

    // The payable amount is the one the invoice prints: whole forints on a whole-forint label set
    // in forints, fillér otherwise; a storno's is negative.
    void payableAsPrinted_data()
    {
        QTest::addColumn<QString>("labels");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<double>("discount");
        QTest::addColumn<double>("quantity");
        QTest::addColumn<QString>("payable");
        QTest::newRow("whole forints, rounded up") << "00002" << "Ft" << 0.0 << 1.0 << "1271";
        QTest::newRow("whole forints, storno") << "00002" << "Ft" << 0.0 << -1.0 << "-1271";
        QTest::newRow("whole forints, HUF written") << "00002" << "HUF" << 0.0 << 1.0 << "1271";
        QTest::newRow("fillér label set") << "00003" << "Ft" << 0.0 << 1.0 << "1270,51";
        QTest::newRow("foreign currency never rounded to units") << "00002" << "EUR" << 0.0 << 1.0 << "1270,51";
        // net 1000,40 - 10 % = 900,36; tax 243,0972 -> 243,10; 1 143,46
        QTest::newRow("discount before rounding") << "00002" << "Ft" << 10.0 << 1.0 << "1143";
        QTest::newRow("discount, fillér") << "00003" << "Ft" << 10.0 << 1.0 << "1143,46";
    }
    void payableAsPrinted()
    {
        QFETCH(QString, labels);
        QFETCH(QString, currency);
        QFETCH(double, discount);
        QFETCH(double, quantity);
        QFETCH(QString, payable);
        Invoice i{QStringLiteral("20260001")};
        i.labels = labels;
        i.currency = currency;
        i.discount = discount;
        i.lines = {{quantity, 1000.40, 27}};
        seed(s->db, i);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT eFizetendo FROM szlaegyenleg WHERE eBszam = '20260001'")), payable);
    }

    // "Fizetés" and its "Új" as the register opens them, the operator scripted: the payments of
    // the highlighted invoice, the entry offering its balance, a refused and a stored payment,
    // the payments screen following what the entry stored; an unissued invoice opens nothing.
    void paymentScreensThroughTheOpener()
    {
        seed(s->db, {QStringLiteral("20260001")});
        InvoiceRegister reg(s->context);
        reg.open();
        s->opener.clear();
        int entries = 0;
        s->opener.onOpen(Screen::PaymentEntry, [&](const ScreenRequest& request) {
            ++entries;
            PaymentEntryScreen screen(s->context, request);
            QVERIFY(screen.prepare(QDate(2026, 3, 1)));
            QCOMPARE(screen.suggested().amount, QStringLiteral("1271,00"));
            QCOMPARE(screen.suggested().date, QStringLiteral("2026.03.01"));
            QVERIFY(!screen.store(entry(QStringLiteral("2026.03.01"), QStringLiteral("2000"))));
            QVERIFY(screen.store(entry(QStringLiteral("2026.03.01"), QStringLiteral("1000"))));
        });
        qint64 balanceAfter = -1;
        s->opener.onOpen(Screen::Payments, [&](const ScreenRequest& request) {
            QCOMPARE(request.number, QStringLiteral("20260001"));
            InvoicePayments payments(s->context, request.number);
            QVERIFY(payments.open());
            enterNewPayment(s->context, payments);
            balanceAfter = payments.balance().filler();
            QCOMPARE(payments.list().rowCount(), 1);
        });
        reg.payments();
        QCOMPARE(entries, 1);
        QCOMPARE(balanceAfter, 27100);
        QCOMPARE(s->db.rows(QStringLiteral("SELECT pOsszeg FROM szlafizetes")), QStringList{QStringLiteral("1000")});

        seed(s->db, {QStringLiteral("20260002"), false});
        PaymentEntryScreen unissued(s->context, ScreenRequest::on(QStringLiteral("20260002")));
        QVERIFY(!unissued.prepare(QDate(2026, 3, 1)));
        QVERIFY2(s->ui.last().contains(QStringLiteral("még nincs kiállítva")), qPrintable(s->ui.last()));
    }

    // Payments never take the paid total past the payable; a settled invoice shows the day of its
    // last payment; a deleted payment stays in the list, marked, and owes again.
    void paymentsStayWithinTheBalance()
    {
        seed(s->db, {QStringLiteral("20260001")});
        InvoicePayments p(s->context, QStringLiteral("20260001"));
        QVERIFY(p.open());
        QCOMPARE(p.payable().filler(), 127100);
        QCOMPARE(p.suggestion(QDate(2026, 3, 1)).amount, QStringLiteral("1271,00"));

        QVERIFY(p.addPayment(entry(QStringLiteral("2026.03.01"), QStringLiteral("1 000"))));
        QCOMPARE(p.balance().filler(), 27100);
        struct Refused {
            const char* amount;
            const char* says;
        };
        for (const Refused& r : {Refused{"272", "több, mint a számla hátraléka (271,00 Ft)"},
                                 Refused{"-5", "csak pozitív összegű fizetés"},
                                 Refused{"0", "nem lehet nulla"},
                                 Refused{"1,234", "legfeljebb két tizedesjegyű"},
                                 Refused{"12a", "'12a'"}}) {
            s->ui.clear();
            QVERIFY2(!p.addPayment(entry(QStringLiteral("2026.03.02"), QLatin1String(r.amount))), r.amount);
            QVERIFY2(s->ui.last().contains(QString::fromUtf8(r.says)), qPrintable(s->ui.last()));
        }
        QVERIFY(!p.addPayment(entry(QStringLiteral("2026.02.30"), QStringLiteral("1"))));
        // a character latin2 lacks is named; a day after today is asked about, "Nem" books nothing
        s->ui.clear();
        QVERIFY(!p.addPayment({QStringLiteral("2026.03.02"), QStringLiteral("1"), QStringLiteral("átutalás"),
                               QStringLiteral("5 € jóváírás")}));
        QVERIFY2(s->ui.last().contains(QStringLiteral("\"€\" karakter (U+20AC)")), qPrintable(s->ui.last()));
        s->ui.answer(false);
        QVERIFY(!p.addPayment(entry(formatDate(QDate::currentDate().addYears(5)), QStringLiteral("1"))));
        QVERIFY2(s->ui.last().contains(QStringLiteral("a mai napnál későbbi")), qPrintable(s->ui.last()));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafizetes")), QStringLiteral("1"));

        // a remark pasted from a bank statement: its dashes, quotes and ellipsis as latin2 writes them
        QVERIFY(p.addPayment({QStringLiteral("2026.03.05"), QStringLiteral("271"), QStringLiteral("átutalás"),
                              QStringLiteral("Orvena – „2026/3” ‚rész’ — 2. rész…")}));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT pMegj FROM szlafizetes WHERE pOsszeg = 271")),
                 QStringLiteral("Orvena - \"2026/3\" 'rész' - 2. rész..."));
        QCOMPARE(balanceRow(s->db, QStringLiteral("20260001")), QStringLiteral("1271|1271|0|2026-03-05"));
        s->ui.clear();
        QVERIFY(!p.addPayment(entry(QStringLiteral("2026.03.06"), QStringLiteral("1"))));
        QVERIFY(s->ui.last().contains(QStringLiteral("rendezve van")));

        // The first payment deleted: kept, marked, owed again.
        p.list().setCurrentRow(0);
        s->ui.answer(true);
        QVERIFY(p.deletePayment());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT pOsszeg, pTorolve IS NOT NULL, pTorolte = SUBSTRING_INDEX(USER(), '@', 1) "
                                           "FROM szlafizetes ORDER BY pID")),
                 (QStringList{QStringLiteral("1000|1|1"), QStringLiteral("271|0|")}));
        QCOMPARE(balanceRow(s->db, QStringLiteral("20260001")), QStringLiteral("1271|271|1000|-"));
        QCOMPARE(p.balance().filler(), 100000);
        p.list().setCurrentRow(0);
        s->ui.clear();
        QVERIFY(!p.deletePayment());
        QCOMPARE(s->ui.last(), QStringLiteral("Ez a fizetés már törölve van."));
        // A "No" deletes nothing.
        p.list().setCurrentRow(1);
        s->ui.answer(false);
        QVERIFY(!p.deletePayment());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafizetes WHERE pTorolve IS NULL")), QStringLiteral("1"));

        // Nothing is booked on an invoice not issued yet.
        Invoice draft{QStringLiteral("20260002")};
        draft.printed = false;
        seed(s->db, draft);
        InvoicePayments unissued(s->context, QStringLiteral("20260002"));
        s->ui.clear();
        QVERIFY(!unissued.open());
        QVERIFY(s->ui.last().contains(QStringLiteral("még nincs kiállítva")));
    }

    // The balance is checked at the moment of writing, inside the transaction: a payment another
    // workstation booked after this screen read the balance counts.
    void anotherWorkstationsPaymentCounts()
    {
        seed(s->db, {QStringLiteral("20260001")});
        InvoicePayments p(s->context, QStringLiteral("20260001"));
        QVERIFY(p.open());
        QCOMPARE(p.balance().filler(), 127100);
        s->db.exec(QStringLiteral("INSERT INTO szlafizetes (pBszam, pDatum, pOsszeg, pRogzitette, pRogzitve) VALUES "
                                  "('20260001', '2026-03-01', 1000, 'masik', NOW())"));
        QVERIFY(!p.addPayment(entry(QStringLiteral("2026.03.02"), QStringLiteral("1271"))));
        QVERIFY2(s->ui.last().contains(QStringLiteral("hátraléka (271,00 Ft)")), qPrintable(s->ui.last()));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT SUM(pOsszeg) FROM szlafizetes")), QStringLiteral("1000"));
        QCOMPARE(p.balance().filler(), 27100); // the screen shows the stored state again
    }

    // A storno and the invoice it reverses settle each other without a payment, on the storno's
    // day; an invoice paid before its storno owes the payment back, and only that may be booked.
    void stornoPairsSettleEachOther()
    {
        seed(s->db, {QStringLiteral("20260001")});
        Invoice storno{QStringLiteral("20260002")};
        storno.issued = QStringLiteral("2026-04-01");
        storno.lines = {{-1, 1000.40, 27}};
        seed(s->db, storno);
        link(s->db, QStringLiteral("20260002"), QStringLiteral("20260001"));
        QCOMPARE(balanceRow(s->db, QStringLiteral("20260001")), QStringLiteral("1271|0|0|2026-04-01"));
        QCOMPARE(balanceRow(s->db, QStringLiteral("20260002")), QStringLiteral("-1271|0|0|2026-04-01"));
        InvoicePayments original(s->context, QStringLiteral("20260001"));
        QVERIFY(original.open());
        QVERIFY(!original.addPayment(entry(QStringLiteral("2026.04.02"), QStringLiteral("1"))));
        InvoicePayments reversing(s->context, QStringLiteral("20260002"));
        QVERIFY(reversing.open());
        QVERIFY(!reversing.addPayment(entry(QStringLiteral("2026.04.02"), QStringLiteral("-1"))));

        // Paid 500 before being reversed: 500 is owed back.
        seed(s->db, {QStringLiteral("20260003")});
        s->db.exec(QStringLiteral("INSERT INTO szlafizetes (pBszam, pDatum, pOsszeg, pRogzitette, pRogzitve) VALUES "
                                  "('20260003', '2026-03-01', 500, 'x', NOW())"));
        refreshOpenBalance(s->db.admin(), QStringLiteral("20260003")); // as the booking workstation does
        Invoice second{QStringLiteral("20260004")};
        second.issued = QStringLiteral("2026-04-01");
        second.lines = {{-1, 1000.40, 27}};
        seed(s->db, second);
        link(s->db, QStringLiteral("20260004"), QStringLiteral("20260003"));
        QCOMPARE(balanceRow(s->db, QStringLiteral("20260003")), QStringLiteral("1271|500|-500|-"));
        InvoicePayments paidBefore(s->context, QStringLiteral("20260003"));
        QVERIFY(paidBefore.open());
        QCOMPARE(paidBefore.suggestion(QDate(2026, 4, 10)).amount, QStringLiteral("-500,00")); // the refund of the excess
        s->ui.clear();
        QVERIFY(!paidBefore.addPayment(entry(QStringLiteral("2026.04.10"), QStringLiteral("10"))));
        QVERIFY(s->ui.last().contains(QStringLiteral("csak visszafizetés")));
        QVERIFY(!paidBefore.addPayment(entry(QStringLiteral("2026.04.10"), QStringLiteral("-501"))));
        QVERIFY(paidBefore.addPayment(entry(QStringLiteral("2026.04.10"), QStringLiteral("-500"))));
        QCOMPARE(balanceRow(s->db, QStringLiteral("20260003")), QStringLiteral("1271|0|0|2026-04-10"));

        // None of them is a receivable.
        Receivables r(s->context);
        r.read(QDate(2026, 12, 31));
        QVERIFY(r.rows().empty());
    }

    // Days overdue counted on a given day, from the day after the due date; the colour levels
    // from the 1st, 30th and 60th day.
    void daysOverdueOnFixedDays_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("level");
        QTest::newRow("on the due date") << QDate(2026, 3, 1) << 0 << 0;
        QTest::newRow("before it") << QDate(2026, 2, 20) << 0 << 0;
        QTest::newRow("the day after") << QDate(2026, 3, 2) << 1 << 1;
        QTest::newRow("29 days") << QDate(2026, 3, 30) << 29 << 1;
        QTest::newRow("30 days") << QDate(2026, 3, 31) << 30 << 2;
        QTest::newRow("59 days") << QDate(2026, 4, 29) << 59 << 2;
        QTest::newRow("60 days") << QDate(2026, 4, 30) << 60 << 3;
        QTest::newRow("over a year end") << QDate(2027, 1, 1) << 306 << 3;
    }
    void daysOverdueOnFixedDays()
    {
        QFETCH(QDate, today);
        QFETCH(int, days);
        QFETCH(int, level);
        seed(s->db, {QStringLiteral("20260001")});
        Receivables r(s->context);
        r.read(today);
        QCOMPARE(int(r.rows().size()), 1);
        QCOMPARE(r.rows().front().daysOverdue, days);
        QCOMPARE(overdueLevel(days), level);
    }

    // The list by customer, with totals per customer and currency and overall, and its CSV.
    void receivablesByCustomer()
    {
        s->db.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve) VALUES ('1', 'Kovács; \"Fa\" Kft.'), ('2', 'Ábel Bt.')"));
        seed(s->db, {QStringLiteral("20260001")});
        Invoice euro{QStringLiteral("20260002")};
        euro.currency = QStringLiteral("EUR");
        euro.due = QStringLiteral("2026-03-20");
        seed(s->db, euro);
        Invoice other{QStringLiteral("20260003")};
        other.customer = QStringLiteral("2");
        other.lines = {{2, 1000.40, 27}};
        seed(s->db, other);
        Invoice paid{QStringLiteral("20260004")};
        seed(s->db, paid);
        Invoice draft{QStringLiteral("20260005")};
        draft.printed = false;
        seed(s->db, draft);
        s->db.exec(QStringLiteral("INSERT INTO szlafizetes (pBszam, pDatum, pOsszeg, pRogzitette, pRogzitve) VALUES "
                                  "('20260004', '2026-03-01', 1271, 'x', NOW()), ('20260003', '2026-03-01', 41, 'x', NOW())"));
        for (const char* paid : {"20260004", "20260003"})
            refreshOpenBalance(s->db.admin(), QLatin1String(paid)); // as the booking workstation does
        Receivables r(s->context);
        r.read(QDate(2026, 3, 31));
        QStringList numbers;
        for (const Receivable& row : r.rows())
            numbers << row.number;
        QCOMPARE(numbers, (QStringList{"20260003", "20260001", "20260002"})); // by customer name, then due date
        QStringList totals;
        for (const ReceivableTotal& t : r.customerTotals())
            totals << QStringLiteral("%1 %2 %3 %4 %5").arg(t.customerCode, t.currency).arg(t.invoices).arg(t.balance.filler()).arg(t.maxDaysOverdue);
        QCOMPARE(totals, (QStringList{"2 Ft 1 250000 30", "1 Ft 1 127100 30", "1 EUR 1 127051 11"}));
        totals.clear();
        for (const ReceivableTotal& t : r.overallTotals())
            totals << QStringLiteral("%1 %2 %3").arg(t.currency).arg(t.invoices).arg(t.balance.filler());
        QCOMPARE(totals, (QStringList{"EUR 1 127051", "Ft 2 377100"}));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("k.csv"));
        r.exportCsv(file);
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(0), QStringLiteral("Vevőkód;Vevő;Számlaszám;Számla kelte;Fizetési határidő;Késés (nap);"
                                                "Pénznem;Fizetendő;Fizetve;Hátralék"));
        QCOMPARE(lines.value(1), QStringLiteral("2;Ábel Bt.;20260003;2026.02.15;2026.03.01;30;Ft;2541,00;41,00;2500,00"));
        QCOMPARE(lines.value(2), QStringLiteral("1;\"Kovács; \"\"Fa\"\" Kft.\";20260001;2026.02.15;2026.03.01;30;Ft;"
                                                "1271,00;0,00;1271,00"));
        QCOMPARE(lines.size(), 5); // three rows and the closing line break

        // The printed list carries the totals.
        RecordingPresenter presenter;
        s->context.reports = &presenter;
        r.print();
        s->context.reports = nullptr;
        QCOMPARE(presenter.last().source, QStringLiteral("Kintlevoseg.frf"));
        const QString printed = presenter.last().pages.front().allTexts().join(u'\n');
        for (const QString& text : {QStringLiteral("20260003"), QStringLiteral("2 500,00"),
                                    QStringLiteral("Ábel Bt. (2): 1 számla, 2 500,00 Ft"), QStringLiteral("3 771,00 Ft")})
            QVERIFY2(printed.contains(text), qPrintable(text + u'\n' + printed));

        // As of a past day: what was issued by then, with the payments made by then; a storno
        // made later does not yet settle its original.
        Invoice later{QStringLiteral("20260006")};
        later.issued = QStringLiteral("2026-03-10");
        seed(s->db, later);
        seed(s->db, {QStringLiteral("20260007")});
        Invoice storno{QStringLiteral("20260008")};
        storno.issued = QStringLiteral("2026-03-20");
        storno.lines = {{-1, 1000.40, 27}};
        seed(s->db, storno);
        link(s->db, QStringLiteral("20260008"), QStringLiteral("20260007"));
        const auto listed = [&](const QDate& day) {
            Receivables on(s->context);
            on.read(day);
            QStringList out;
            for (const Receivable& row : on.rows())
                out << QStringLiteral("%1 %2 %3 %4").arg(row.number).arg(row.payable.filler()).arg(row.paid.filler()).arg(row.balance.filler());
            return out;
        };
        QCOMPARE(listed(QDate(2026, 2, 28)), (QStringList{"20260003 254100 0 254100", "20260001 127100 0 127100",
                                                          "20260004 127100 0 127100", "20260007 127100 0 127100",
                                                          "20260002 127051 0 127051"}));
        QCOMPARE(listed(QDate(2026, 3, 31)), (QStringList{"20260003 254100 4100 250000", "20260001 127100 0 127100",
                                                          "20260006 127100 0 127100", "20260002 127051 0 127051"}));

        // A customer's name is its first record's; an invoice whose customer record is gone is
        // listed under its code, placed by it among the names; the printed list in the same order.
        s->db.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve) VALUES ('1', 'Aladár Zrt.')"));
        Invoice orphan{QStringLiteral("20260009")};
        orphan.customer = QStringLiteral("9");
        seed(s->db, orphan);
        Receivables named(s->context);
        named.read(QDate(2026, 3, 31));
        QStringList order;
        for (const Receivable& row : named.rows())
            order << row.customerName + u' ' + row.number;
        QCOMPARE(order, (QStringList{"9 20260009", "Ábel Bt. 20260003", "Kovács; \"Fa\" Kft. 20260001",
                                     "Kovács; \"Fa\" Kft. 20260006", "Kovács; \"Fa\" Kft. 20260002"}));
        s->context.reports = &presenter;
        named.print();
        s->context.reports = nullptr;
        const QString list = presenter.last().pages.front().allTexts().join(u'\n');
        qsizetype at = 0;
        for (const QString& text : {QStringLiteral("20260009"), QStringLiteral("Ábel Bt."), QStringLiteral("20260003"),
                                    QStringLiteral("20260001"), QStringLiteral("20260006"), QStringLiteral("20260002")}) {
            const qsizetype next = list.indexOf(text, at);
            QVERIFY2(next >= at, qPrintable(text + u'\n' + list));
            at = next;
        }

        // On screen: a line per customer and currency over its invoices; a heading click sorts the
        // customers by their totals and each one's invoices by theirs, the highlighted line staying
        // with its invoice; column -1 puts the list's order back.
        ReceivablesTreeModel tree;
        tree.reset(named);
        const auto shown = [&tree] {
            QStringList out;
            for (int l = 0; l < tree.rowCount(); ++l) {
                const QString name = tree.index(l, ReceivablesTreeModel::Name).data().toString();
                if (tree.isCustomerLine(l))
                    out << tree.index(l, ReceivablesTreeModel::Balance).data().toString() + u' ' + name;
                else
                    out.back() += (out.back().endsWith(u')') ? u':' : u',') + name;
            }
            return out;
        };
        const QStringList listOrder{"1 271,00 9 (9):20260009", "2 500,00 Ábel Bt. (2):20260003",
                                    "2 542,00 Kovács; \"Fa\" Kft. (1):20260001,20260006",
                                    "1 270,51 Kovács; \"Fa\" Kft. (1):20260002"};
        QCOMPARE(shown(), listOrder);
        const QPersistentModelIndex highlighted = tree.index(6, ReceivablesTreeModel::Name);
        QCOMPARE(highlighted.data().toString(), QStringLiteral("20260006"));
        tree.sort(ReceivablesTreeModel::Balance, Qt::DescendingOrder);
        QCOMPARE(shown(), (QStringList{"2 542,00 Kovács; \"Fa\" Kft. (1):20260001,20260006", "2 500,00 Ábel Bt. (2):20260003",
                                       "1 271,00 9 (9):20260009", "1 270,51 Kovács; \"Fa\" Kft. (1):20260002"}));
        tree.sort(ReceivablesTreeModel::Name, Qt::DescendingOrder);
        QCOMPARE(shown(), (QStringList{"2 542,00 Kovács; \"Fa\" Kft. (1):20260006,20260001",
                                       "1 270,51 Kovács; \"Fa\" Kft. (1):20260002", "2 500,00 Ábel Bt. (2):20260003",
                                       "1 271,00 9 (9):20260009"}));
        QCOMPARE(highlighted.data().toString(), QStringLiteral("20260006"));
        QCOMPARE(highlighted.row(), 1);
        tree.sort(-1);
        QCOMPARE(shown(), listOrder);
    }

    // The reminder letter of a customer: its overdue invoices only, the issuer's bank account and
    // the total; a customer with nothing overdue gets none.
    void reminderLetter()
    {
        s->db.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve, vIrszam, vHely, vUtca) VALUES ('1', 'Kovács Kft.', "
                                  "'1111', 'Budapest', 'Fő utca 1.')"));
        s->db.exec(QStringLiteral("INSERT INTO szallito (zKod, zNev1, zBanknev, zBankszla, zIBAN, zSwift) VALUES ('1', "
                                  "'Orvena Bt.', 'Próba Bank', '11111111-22222222', 'HU42117730161111101800000000', "
                                  "'OTPVHUHB')"));
        seed(s->db, {QStringLiteral("20260001")});
        Invoice notDue{QStringLiteral("20260002")};
        notDue.due = QStringLiteral("2026-05-01");
        seed(s->db, notDue);
        RecordingPresenter presenter;
        s->context.reports = &presenter;
        Receivables r(s->context);
        r.read(QDate(2026, 4, 1));
        QVERIFY(r.printReminder(QStringLiteral("1")));
        QCOMPARE(presenter.presented.size(), size_t(1));
        QCOMPARE(presenter.last().source, QStringLiteral("Felszolitas.frf"));
        const QString letter = presenter.last().pages.front().allTexts().join(u'\n');
        for (const QString& text : {QStringLiteral("Kovács Kft."), QStringLiteral("20260001"), QStringLiteral("31"),
                                    QStringLiteral("Bankszámla: 11111111-22222222 Próba Bank"),
                                    QStringLiteral("IBAN: HU42117730161111101800000000"), QStringLiteral("1 271,00 Ft")})
            QVERIFY2(letter.contains(text), qPrintable(text + u'\n' + letter));
        QVERIFY(!letter.contains(QStringLiteral("20260002")));
        // the payment QR code of the forint balance to the issuer's account, the invoices named
        const QStringList qr = presenter.variables().value(QStringLiteral("v_felsz_qr")).split(u'\n');
        QCOMPARE(qr.size(), 18);
        QCOMPARE((QStringList{qr[0], qr[3], qr[4], qr[5], qr[6], qr[7], qr[9]}),
                 (QStringList{"HCT", "OTPVHUHB", "Orvena Bt.", "HU42117730161111101800000000", "HUF000000001271",
                              "20260409235959+2", "20260001"})); // valid to the letter's 8 days
        QCOMPARE(presenter.last().pages.front().images.size(), size_t(1));

        // Forints and euros owed: the code is for the forint part; a list of invoices longer
        // than the message field names the letter instead of cutting a number.
        for (int n = 11; n <= 19; ++n) {
            Invoice owed{QStringLiteral("202600%1").arg(n)};
            owed.customer = QStringLiteral("3");
            if (n == 19)
                owed.currency = QStringLiteral("EUR");
            seed(s->db, owed);
        }
        QVERIFY(r.printReminder(QStringLiteral("3")));
        const QStringList mixed = presenter.variables().value(QStringLiteral("v_felsz_qr")).split(u'\n');
        QCOMPARE((QStringList{mixed.value(6), mixed.value(9)}),
                 (QStringList{"HUF000000010168", "Fizetési felszólítás 2026.04.01, vevő 3"}));
        QCOMPARE(presenter.variables().value(QStringLiteral("v_felsz_osszesen")),
                 QStringLiteral("1 270,51 EUR\r10 168,00 Ft"));

        s->ui.clear();
        QVERIFY(!r.printReminder(QStringLiteral("2")));
        QVERIFY(s->ui.last().contains(QStringLiteral("nincs lejárt")));
        QCOMPARE(presenter.presented.size(), size_t(2));
        s->context.reports = nullptr;
    }

    // Through the real windows: the register's "Fizetés", a refused and a stored payment, a
    // deletion answered in its box; the register's balance column; the receivables window.
    void paymentThroughTheWindows()
    {
        seed(s->db, {QStringLiteral("20260001")});
        DataModule data;
        data.connect(s->db.profile());
        AppState state;
        GuiUserInterface ui;
        ScreenRegistry registry;
        reports::PreviewReportPresenter preview;
        ScreenContext context{data, state, ui, registry, &preview};
        registry.setContext(&context);
        registerAllScreens(registry);

        std::unique_ptr<QDialog> reg(registry.create(Screen::InvoiceRegister));
        QVERIFY(reg);
        reg->show();
        QVERIFY(QTest::qWaitForWindowExposed(reg.get()));
        QTableView* grid = reg->findChild<QTableView*>(QStringLiteral("invoiceGrid"));
        const int balanceColumn = grid->model()->columnCount() - 1;
        QCOMPARE(grid->model()->headerData(balanceColumn, Qt::Horizontal).toString(), QStringLiteral("Hátralék"));
        QCOMPARE(grid->model()->index(0, balanceColumn).data().toString(), QStringLiteral("1 271,00"));

        QString shownAfterPayment;
        QString keptAfterPayment; // the open balance the booking kept
        QString listedAfterDeletion;
        {
            ModalDriver driver;
            driver
                .window(QStringLiteral("TFormFizetes"),
                        [&](QWidget* w) {
                            QCOMPARE(w->findChild<QLabel*>(QStringLiteral("balanceLabel"))->text(), QStringLiteral("1 271,00 Ft"));
                            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("newPaymentButton")), Qt::LeftButton);
                            shownAfterPayment = w->findChild<QLabel*>(QStringLiteral("balanceLabel"))->text();
                            keptAfterPayment = s->db.scalar(QStringLiteral("SELECT yHatralek FROM szlanyitott"));
                            auto* payments = w->findChild<QTableView*>(QStringLiteral("paymentGrid"));
                            payments->setFocus();
                            payments->selectRow(0);
                            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("deletePaymentButton")), Qt::LeftButton);
                            // the amount as the ones above it, the deletion named in its row
                            const QAbstractItemModel* rows = payments->model();
                            listedAfterDeletion = rows->index(0, 1).data().toString() + u'|'
                                                  + rows->index(0, 2).data().toString();
                            QVERIFY(rows->index(0, 0).data(Qt::FontRole).value<QFont>().strikeOut());
                            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
                        })
                .window(QStringLiteral("TFormFizetesUj"),
                        [&](QWidget* e) {
                            auto* amount = e->findChild<QLineEdit*>(QStringLiteral("paymentAmount"));
                            QCOMPARE(amount->text(), QStringLiteral("1271,00"));
                            // Enter in "Dátum" moves on to "Összeg": it never books the suggested balance
                            auto* date = e->findChild<QLineEdit*>(QStringLiteral("paymentDate"));
                            date->setFocus();
                            QTest::keyClick(date, Qt::Key_Return);
                            QVERIFY(e->isVisible());
                            QTRY_COMPARE(e->focusWidget(), amount);
                            QCOMPARE(s->db.rows(QStringLiteral("SELECT COUNT(*) FROM szlafizetes")), QStringList{QStringLiteral("0")});
                            amount->setText(QStringLiteral("2000"));
                            e->findChild<QLineEdit*>(QStringLiteral("paymentNote"))->setText(QStringLiteral("első rész"));
                            QTest::mouseClick(e->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
                            // refused: the dialog stays with what was typed
                            QVERIFY(e->isVisible());
                            // typed as Hungarians write a thousand: the dot groups, it is no decimal sign
                            amount->selectAll();
                            QTest::keyClicks(amount, QStringLiteral("1.000"));
                            QTest::mouseClick(e->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
                        })
                .box(QStringLiteral("több, mint a számla hátraléka"), QStringLiteral("OK"))
                .box(QStringLiteral("Törli a kijelölt fizetést"), QStringLiteral("Igen"));
            QTest::mouseClick(reg->findChild<QPushButton*>(QStringLiteral("paymentButton")), Qt::LeftButton);
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QCOMPARE(shownAfterPayment, QStringLiteral("271,00 Ft"));
        QCOMPARE(keptAfterPayment, QStringLiteral("271"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT yHatralek FROM szlanyitott")), QStringLiteral("1271"));
        QCOMPARE(listedAfterDeletion, QStringLiteral("1 000,00|törölve"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT pOsszeg, pMegj, pTorolve IS NOT NULL FROM szlafizetes")),
                 QStringList{QStringLiteral("1000|első rész|1")});
        QTRY_COMPARE(grid->model()->index(0, balanceColumn).data().toString(), QStringLiteral("1 271,00"));

        // Paid in full: the register shows the day, the receivables window lists nothing.
        s->db.exec(QStringLiteral("INSERT INTO szlafizetes (pBszam, pDatum, pOsszeg, pRogzitette, pRogzitve) VALUES "
                                  "('20260001', '2026-03-03', 1271, 'x', NOW())"));
        refreshOpenBalance(s->db.admin(), QStringLiteral("20260001")); // as the booking workstation does
        seed(s->db, {QStringLiteral("20260002")});
        {
            ModalDriver again;
            again.window(QStringLiteral("TFormFizetes"), [&](QWidget* w) {
                QCOMPARE(w->findChild<QLabel*>(QStringLiteral("balanceLabel"))->text(), QStringLiteral("0,00 Ft"));
                w->close();
            });
            grid->selectRow(0);
            QTest::mouseClick(reg->findChild<QPushButton*>(QStringLiteral("paymentButton")), Qt::LeftButton);
            QVERIFY2(again.wait(), qPrintable(again.failures().join(u'\n')));
        }
        QTRY_COMPARE(grid->model()->index(0, balanceColumn - 1).data().toString(), QStringLiteral("2026.03.03"));
        QCOMPARE(grid->model()->index(0, balanceColumn).data().toString(), QStringLiteral("0,00"));
        reg->close();

        std::unique_ptr<QDialog> list(registry.create(Screen::Receivables));
        QVERIFY(list);
        list->show();
        list->findChild<QLineEdit*>(QStringLiteral("dayEdit"))->setText(QStringLiteral("2026.05.01"));
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("refreshButton")), Qt::LeftButton);
        auto* tree = list->findChild<QTreeView*>(QStringLiteral("receivablesTree"));
        QCOMPARE(tree->model()->rowCount(), 2); // the customer's line and its invoice
        const QModelIndex invoiceItem = tree->model()->index(1, 0);
        QCOMPARE(invoiceItem.data().toString(), QStringLiteral("20260002"));
        QCOMPARE(invoiceItem.siblingAtColumn(3).data().toString(), QStringLiteral("61"));
        QCOMPARE(invoiceItem.siblingAtColumn(3).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 153, 153));
        QCOMPARE(list->findChild<QLabel*>(QStringLiteral("totalLabel"))->text(), QStringLiteral("Összesen: 1 271,00 Ft (1 számla)"));

        // The reminder letter of the highlighted customer, saved as PDF from the preview; the
        // list exported as CSV into the file chosen.
        QTemporaryDir out;
        tree->setCurrentIndex(invoiceItem);
        {
            ModalDriver letter;
            letter.window(QStringLiteral("ReportPreview"), [&](QWidget* shown) {
                QVERIFY(qobject_cast<reports::ReportPreviewDialog*>(shown)->saveAsPdf(out.filePath(QStringLiteral("f.pdf"))));
                QTest::keyClick(shown, Qt::Key_Escape);
            });
            QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("reminderButton")), Qt::LeftButton);
            QVERIFY2(letter.wait(), qPrintable(letter.failures().join(u'\n')));
        }
        QFile pdf(out.filePath(QStringLiteral("f.pdf")));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");

        ModalDriver csv;
        csv.window(QStringLiteral("csvFileDialog"),
                   [&](QWidget* chooser) {
                       auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                       QVERIFY(name);
                       name->clear();
                       QTest::keyClicks(name, out.filePath(QStringLiteral("k.csv")));
                       auto* buttons = chooser->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
                       QVERIFY(buttons);
                       QTest::mouseClick(buttons->button(QDialogButtonBox::Save), Qt::LeftButton);
                   })
            .box(QStringLiteral("A kintlévőségek listája elkészült"), QStringLiteral("OK"));
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("csvButton")), Qt::LeftButton);
        QVERIFY2(csv.wait(), qPrintable(csv.failures().join(u'\n')));
        QFile written(out.filePath(QStringLiteral("k.csv")));
        QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(written.fileName()));
        QCOMPARE(QString::fromUtf8(written.readAll()).split(QStringLiteral("\r\n")).value(1),
                 QStringLiteral("1;1;20260002;2026.02.15;2026.03.01;61;Ft;1271,00;0,00;1271,00"));
    }
};

QTEST_MAIN(PaymentsTest)
#include "tst_payments.moc"
