// The billing calculation against the server's form of it, and every channel that states an
// amount against the others. One table of awkward documents (a half fillér on both kinds of label
// set, a discount, a EUR invoice of four VAT rates at a rate of six decimals, the storno of a
// correction chain, a final invoice deducting a EUR advance) is computed by the program and by the
// server (the kept sums, the balance view), and issued through the real print, whose figures are
// compared with the e-mail text, the payment QR code, the balance, the invoice-data report, the
// accountant's export and the figures' four views, to the fillér, every breakdown adding up.
#include "reports/recordingpresenter.h"
#include "support/fakes.h"

#include "app/session.h"
#include "billing/amounts.h"
#include "billing/currency.h"
#include "billing/invoicesums.h"
#include "figures/figures.h"
#include "invoice/printinvoice.h"
#include "mail/invoicemail.h"

#include <QDir>
#include <QXmlStreamReader>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

namespace {

struct Line {
    const char* quantity;
    const char* price;
    const char* vatCode; // demo codes: 1 27 %, 2 18 %, 3 5 %, 4 AAM (0 %)
};

enum class Link { None, Storno, Modify };

struct Doc {
    const char* number;
    const char* currency;
    const char* rate;
    const char* discount;
    const char* labels;
    std::vector<Line> lines;
    Link link = Link::None;
    const char* original = "";
};

struct Scenario {
    std::vector<Doc> docs;   // issued in this order; the last is the one the channels state
    const char* payable;     // of the last, as its print states it
    const char* netHuf;      // of the last: its forint totals
    const char* vatHuf;
};

// A storno's lines are its original's and the corrections' negated.
const Doc kChainOriginal{"20260501", "Ft", "0", "0", "00002", {{"1", "8990", "1"}}};

const std::map<QString, Scenario>& scenarios()
{
    static const std::map<QString, Scenario> table{
        // 999,99 + 269,9973 -> 270,00: 1 269,99, in whole forints 1 270
        {QStringLiteral("half fillér, whole forints"),
         {{{"20260101", "Ft", "0", "0", "00002", {{"1", "999.99", "1"}}}}, "1270,00", "999,99", "270,00"}},
        {QStringLiteral("half fillér, fillér label set"),
         {{{"20260201", "Forint", "0", "0", "00003", {{"1", "999.99", "1"}}}}, "1269,99", "999,99", "270,00"}},
        // 999,99 - 12,5 % = 874,99125 -> 874,99, tax 236,2473 -> 236,25; 252,525 - 12,5 % = 220,959375
        // -> 220,96, tax 11,048 -> 11,05; gross 1 343,25
        {QStringLiteral("discount"),
         {{{"20260301", "HUF", "0", "12.5", "00002", {{"3", "333.33", "1"}, {"2.5", "101.01", "3"}}}},
          "1343,00", "1095,95", "247,30"}},
        // per rate: 27 % 150,16 / 40,54 (27,0297 + 13,5135 rounded per line); 18 % 33,30 / 5,99;
        // 5 % 24,60 / 1,23; AAM 7,77 / 0; times 395,123456 each rounded once: net 59 332 + 13 158 +
        // 9 720 + 3 070 = 85 280 (the total 215,83 rounded at once would give 85 279); tax 16 018 +
        // 2 367 + 486 + 0 = 18 871
        {QStringLiteral("EUR, four rates"),
         {{{"20260401", "Euro", "395.123456", "0", "00003",
            {{"1", "100.11", "1"}, {"1", "33.30", "2"}, {"2", "12.30", "3"}, {"1", "7.77", "4"}, {"1", "50.05", "1"}}}},
          "263,59", "85280,00", "18871,00"}},
        // three documents of 11 417,30 each, 11 417 each in whole forints: the chain owes 34 251;
        // its storno's own lines give -34 251,90, yet it reverses exactly the 34 251
        {QStringLiteral("storno of a correction chain"),
         {{kChainOriginal,
           {"20260502", "Ft", "0", "0", "00002", {{"1", "8990", "1"}}, Link::Modify, "20260501"},
           {"20260503", "Ft", "0", "0", "00002", {{"1", "8990", "1"}}, Link::Modify, "20260501"},
           {"20260504", "Ft", "0", "0", "00002", {{"-1", "8990", "1"}, {"-1", "8990", "1"}, {"-1", "8990", "1"}},
            Link::Storno, "20260501"}},
          "-34251,00", "-26970,00", "-7281,90"}},
        // the advance of 1 000 EUR at 390,5, deducted at the final invoice's 395,12: 2 000 EUR net,
        // 540 EUR tax: 790 240 and 213 364,80 -> 213 365 forints
        {QStringLiteral("final invoice deducting a EUR advance"),
         {{{"20260601", "EUR", "390.5", "0", "00003", {{"1", "1000", "1"}}},
           {"20260602", "EUR", "395.12", "0", "00003", {{"1", "3000", "1"}, {"-1", "1000", "1"}}}},
          "2540,00", "790240,00", "213365,00"}},
    };
    return table;
}

QStringList texts(const QByteArray& xml, const QString& element)
{
    QStringList out;
    QXmlStreamReader r(xml);
    while (!r.atEnd())
        if (r.readNext() == QXmlStreamReader::StartElement && r.name() == element)
            out << r.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    return out;
}

Money sum(const QStringList& amounts)
{
    Money total;
    for (const QString& a : amounts)
        total += Money::parse(a);
    return total;
}

} // namespace

class BillingTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> s;
    RecordingPresenter presenter;
    QString previousDir;
    const QString today = QDate::currentDate().toString(Qt::ISODate);

    void seed(const Doc& d)
    {
        s->db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fPrn, fKerek, fArfoly, "
                                  "fPnem, fmKod, fzKod, fvKod, fMemoSzall, fMemoVevo) VALUES ('%1', '%2', '%2', '%2', "
                                  "'átutalás', ' ', %3, %4, '%5', '%6', '1', '1', 'Tisza-Mérleg', 'Vevő')")
                       .arg(QLatin1String(d.number), today, QLatin1String(d.discount), QLatin1String(d.rate),
                            QLatin1String(d.currency), QLatin1String(d.labels)));
        for (const Line& l : d.lines)
            s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, "
                                      "sAfanev, sAfa) SELECT '%1', CONCAT('C', kAfakod), 'Tétel', %2, 'db', %3, '%4', "
                                      "kAfakod, kAfanev, kAfa FROM afa WHERE kAfakod = '%5'")
                           .arg(QLatin1String(d.number), QLatin1String(l.quantity), QLatin1String(l.price),
                                QLatin1String(d.currency), QLatin1String(l.vatCode)));
        if (d.link != Link::None)
            s->db.exec(QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('%1', '%2', '%3')")
                           .arg(QLatin1String(d.number),
                                d.link == Link::Storno ? QStringLiteral("STORNO") : QStringLiteral("MODIFY"),
                                QLatin1String(d.original)));
    }
    // The advance and final invoice of the last scenario are marked as such, the deduction recorded.
    void markKinds(const Scenario& sc)
    {
        if (sc.docs.size() != 2 || QLatin1String(sc.docs[1].number) != u"20260602")
            return;
        s->db.exec(QStringLiteral("INSERT INTO szlajelleg (jBszam, jJelleg) VALUES ('20260601', 'ELOLEG'), "
                                  "('20260602', 'VEGSZAMLA')"));
        s->db.exec(QStringLiteral("INSERT INTO szlaeloleg (lvBszam, lvSor, lvEloleg, lvFizdat, lvArfoly) SELECT "
                                  "'20260602', MAX(sID), '20260601', '%1', 390.5 FROM szlasor WHERE sBszam = '20260602'")
                       .arg(today));
    }
    const Scenario& scenario()
    {
        QFETCH(QString, name);
        return scenarios().at(name);
    }
    static void rows()
    {
        QTest::addColumn<QString>("name");
        for (const auto& [name, sc] : scenarios())
            QTest::newRow(qPrintable(name)) << name;
    }

private slots:
    void initTestCase()
    {
        previousDir = QDir::currentPath();
        QDir::setCurrent(templateFolder());
        applyProgramLocale();
        s = std::make_unique<TestSession>();
        s->context.reports = &presenter;
    }
    void cleanupTestCase()
    {
        s.reset();
        QDir::setCurrent(previousDir);
    }
    void init()
    {
        DB_VERIFY(s->db.reset());
        DB_VERIFY(s->db.addDemoData());
        presenter.presented.clear();
    }

    // One currency function: forints, euros, ISO codes and what is none.
    void currencyOfTheStoredText()
    {
        for (const char* forint : {"", " ", "Ft", "ft.", "Forint", "HUF", " huf "})
            QVERIFY2(billing::isForint(QLatin1String(forint)) && billing::currencyCode(QLatin1String(forint)) == u"HUF",
                     forint);
        QCOMPARE(billing::currencyCode(QStringLiteral("Euro")), QStringLiteral("EUR"));
        QCOMPARE(billing::currencyCode(QStringLiteral("€")), QStringLiteral("EUR"));
        QCOMPARE(billing::currencyCode(QStringLiteral("usd")), QStringLiteral("USD"));
        QCOMPARE(billing::currencyCode(QStringLiteral("Euró!")), QString());
        QVERIFY(!billing::isForint(QStringLiteral("Euro")));
        // the server decides the same for the same texts
        for (const char* text : {"", "Ft", "ft.", "Forint", "HUF", "Euro", "EUR", "Fts"})
            QCOMPARE(s->db.scalar(QStringLiteral("SELECT %1").arg(billing::isForintSql(QStringLiteral("'%1'").arg(QLatin1String(text))))),
                     billing::isForint(QLatin1String(text)) ? QStringLiteral("1") : QStringLiteral("0"));
    }

    // The program's amounts and the server's (kept sums, balance view) agree for every document,
    // each VAT rate's forints add up to the totals, and the last document's figures are the
    // hand-computed ones.
    void sameInBothForms_data() { rows(); }
    void sameInBothForms()
    {
        const Scenario& sc = scenario();
        for (const Doc& d : sc.docs) {
            seed(d);
            s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I' WHERE fBszam = '%1'").arg(QLatin1String(d.number)));
            DB_VERIFY(recordInvoiceSums(s->db.admin(), QLatin1String(d.number)));
        }
        markKinds(sc);
        for (const Doc& d : sc.docs) {
            const QString n = QLatin1String(d.number);
            billing::DocumentAmounts a;
            DB_VERIFY(a = billing::invoiceAmountsFromLines(s->data.connection(), n));
            QCOMPARE(s->db.scalar(QStringLiteral("SELECT CONCAT_WS('|', oNetto, oAfa, oNettoFt, oAfaFt) FROM szlaosszeg "
                                                 "WHERE oBszam = '%1'").arg(n)),
                     QStringList({a.net.schemaText() + QStringLiteral("00"), a.vat.schemaText() + QStringLiteral("00"), a.netHuf.schemaText() + QStringLiteral("00"),
                                  a.vatHuf.schemaText() + QStringLiteral("00")})
                         .join(u'|'));
            Money netHuf, vatHuf;
            QStringList rates;
            for (const billing::RateAmounts& r : a.rates) {
                rates << QStringLiteral("%1|%2|%3|%4").arg(r.vatCode, billing::decimalText(r.vatPercent), r.netHuf.text(), r.vatHuf.text());
                netHuf += r.netHuf;
                vatHuf += r.vatHuf;
            }
            QCOMPARE(netHuf, a.netHuf);
            QCOMPARE(vatHuf, a.vatHuf);
            rates.sort();
            QStringList kept;
            for (const QString& row : s->db.rows(QStringLiteral("SELECT rAfakod, rAfa, rNettoFt, rAfaFt FROM szlaafaosszeg "
                                                                 "WHERE rBszam = '%1'").arg(n))) {
                const QStringList f = row.split(u'|');
                kept << QStringLiteral("%1|%2|%3|%4").arg(f[0], billing::decimalText(Decimal::parse(f[1])), Money::parse(f[2]).text(),
                                                          Money::parse(f[3]).text());
            }
            kept.sort();
            QCOMPARE(kept, rates);
            // the balance view's payable: a corrected original's with its corrections'
            Money payable = a.payable;
            for (const Doc& c : sc.docs)
                if (c.link == Link::Modify && QLatin1String(c.original) == n)
                    payable += billing::readInvoiceAmounts(s->data, QLatin1String(c.number)).payable;
            QCOMPARE(Money::parse(s->db.scalar(QStringLiteral("SELECT eFizetendo FROM szlaegyenleg WHERE eBszam = '%1'")
                                                   .arg(n))).text(),
                     payable.text());
        }
        const billing::DocumentAmounts last = billing::readInvoiceAmounts(s->data, QLatin1String(sc.docs.back().number));
        QCOMPARE(last.payable.text(), QLatin1String(sc.payable));
        QCOMPARE(last.netHuf.text(), QLatin1String(sc.netHuf));
        QCOMPARE(last.vatHuf.text(), QLatin1String(sc.vatHuf));
        // a reversed chain owes nothing on either side
        if (sc.docs.back().link == Link::Storno)
            QCOMPARE(s->db.rows(QStringLiteral("SELECT eBszam, eHatralek FROM szlaegyenleg WHERE eBszam IN ('20260501', "
                                               "'20260504') ORDER BY eBszam")),
                     (QStringList{QStringLiteral("20260501|0"), QStringLiteral("20260504|0")}));
    }

    // Issued through the real print, every channel states the same amounts: the print's totals,
    // forints, rounding and words, the e-mail text, the QR code's amount, the balance, the
    // invoice-data report (its totals the sums of its rates), the accountant's export row (its
    // rate columns adding up to its totals) and the figures' four views.
    void channelsAgree_data() { rows(); }
    void channelsAgree()
    {
        const Scenario& sc = scenario();
        Money netHuf, vatHuf; // of every document issued
        for (const Doc& d : sc.docs) {
            seed(d); // each made once the one before is issued, as the register makes them
            if (&d == &sc.docs.back())
                markKinds(sc);
            presenter.presented.clear();
            DB_VERIFY(PrintInvoice(s->context, QLatin1String(d.number), PrintMode::Print));
            QVERIFY2(s->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '%1'").arg(QLatin1String(d.number)))
                         == u"I",
                     qPrintable(s->ui.last()));
            const billing::DocumentAmounts a = billing::readInvoiceAmounts(s->data, QLatin1String(d.number));
            netHuf += a.netHuf;
            vatHuf += a.vatHuf;
        }
        const QString n = QLatin1String(sc.docs.back().number);
        const billing::DocumentAmounts a = billing::readInvoiceAmounts(s->data, n);
        const Money payable = Money::parse(QLatin1String(sc.payable));
        QCOMPARE(a.payable, payable);

        // the print
        const auto var = [&](const char* name) { return presenter.variables().value(QLatin1String(name)); };
        QCOMPARE(var("v_AFA_SUMnetto"), a.net.text());
        QCOMPARE(var("v_AFA_SUMafa"), a.vat.text());
        QCOMPARE(var("v_AFA_SUM"), a.gross().text());
        if (a.converted()) {
            QCOMPARE(var("v_netto_Ft"), a.netHuf.wholeText());
            QCOMPARE(var("v_afa_Ft"), a.vatHuf.wholeText());
            QCOMPARE(var("v_brutto_Ft"), a.grossHuf().wholeText());
        }
        if (a.wholeForints) {
            QCOMPARE(Money::parse(var("v_ker_SUM")), payable - a.gross());
            if (payable != a.gross())
                QVERIFY2(var("v_kerekites").endsWith(QStringLiteral("Fizetendő kerekítve: %1 %2")
                                                         .arg(payable.wholeText(true), QLatin1String(sc.docs.back().currency))),
                         qPrintable(var("v_kerekites")));
        }
        // the e-mail
        const mail::MailText mail = mail::invoiceMailText(s->data, n);
        QVERIFY2(mail.body.contains(QStringLiteral("Fizetendő: %1 ").arg(a.wholeForints ? payable.wholeText(true)
                                                                                        : payable.groupedText())),
                 qPrintable(mail.body));
        // the QR code of a forint invoice asks for the payable in whole forints
        const QString qr = var("v_fizetes_qr");
        if (a.forint && !payable.isNegative())
            QCOMPARE(qr.split(u'\n').value(6), QStringLiteral("HUF%1").arg(payable.roundedWhole().wholeUnits(), 12, 10, QChar(u'0')));
        // the balance
        QCOMPARE(Money::parse(s->db.scalar(QStringLiteral("SELECT eFizetendo FROM szlaegyenleg WHERE eBszam = '%1'").arg(n))),
                 payable);
        // the invoice-data report as stored at the issue
        const QByteArray xml = s->db.scalar(QStringLiteral("SELECT nXml FROM szlanav WHERE nBszam = '%1'").arg(n)).toUtf8();
        QVERIFY(!xml.isEmpty());
        QCOMPARE(Money::parse(texts(xml, QStringLiteral("invoiceNetAmountHUF")).value(0)), a.netHuf);
        QCOMPARE(Money::parse(texts(xml, QStringLiteral("invoiceVatAmountHUF")).value(0)), a.vatHuf);
        QCOMPARE(Money::parse(texts(xml, QStringLiteral("invoiceGrossAmountHUF")).value(0)), a.grossHuf());
        QCOMPARE(sum(texts(xml, QStringLiteral("vatRateNetAmountHUF"))), a.netHuf);
        QCOMPARE(sum(texts(xml, QStringLiteral("vatRateVatAmountHUF"))), a.vatHuf);
        QCOMPARE(sum(texts(xml, QStringLiteral("vatRateGrossAmountHUF"))), a.grossHuf());
        QCOMPARE(Money::parse(texts(xml, QStringLiteral("invoiceGrossAmount")).value(0)), a.gross());
        // the accountant's export: rate columns 7..21 (net, VAT, gross of 27, 18, 5, 0 % and the
        // rest), then the totals
        const figures::Period period{QDate::currentDate(), QDate::currentDate()};
        const QStringList lines = QString::fromUtf8(figures::accountingCsv(s->data, period)).split(QStringLiteral("\r\n"));
        QString row;
        for (const QString& l : lines)
            if (l.startsWith(n + u';'))
                row = l;
        const QStringList f = row.split(u';');
        QCOMPARE(f.size(), figures::accountingHeaders().size());
        // every per-rate (and exempt, out-of-scope, other) column triple up to the totals
        const int total = static_cast<int>(figures::accountingHeaders().indexOf(QStringLiteral("Nettó összesen (Ft)")));
        QVERIFY(total > 7 && (total - 7) % 3 == 0);
        Money rateNet, rateVat, rateGross;
        for (int i = 7; i < total; i += 3) {
            rateNet += Money::parse(f[i]);
            rateVat += Money::parse(f[i + 1]);
            rateGross += Money::parse(f[i + 2]);
        }
        QCOMPARE(Money::parse(f[total]), a.netHuf);
        QCOMPARE(Money::parse(f[total + 1]), a.vatHuf);
        QCOMPARE(Money::parse(f[total + 2]), a.grossHuf());
        QCOMPARE(rateNet, a.netHuf);
        QCOMPARE(rateVat, a.vatHuf);
        QCOMPARE(rateGross, a.grossHuf());
        // the figures: every view's total is the documents' forints
        for (const figures::View view : {figures::View::Month, figures::View::Customer, figures::View::Article,
                                         figures::View::Vat}) {
            const figures::Table t = figures::compute(s->data, view, period);
            QCOMPARE(t.total.net, netHuf);
            QCOMPARE(t.total.vat, vatHuf);
            Money rowsNet, rowsVat;
            for (const figures::Row& r : t.rows) {
                rowsNet += r.net;
                rowsVat += r.vat;
            }
            QCOMPARE(rowsNet, netHuf);
            QCOMPARE(rowsVat, vatHuf);
        }
        // A reprint states the forints the invoice stated when it was issued, though an earlier
        // conversion rule made its total a forint off its rates' sum.
        if (a.converted()) {
            s->db.exec(QStringLiteral("UPDATE szlaosszeg SET oNettoFt = oNettoFt + 1 WHERE oBszam = '%1'").arg(n));
            presenter.presented.clear();
            DB_VERIFY(PrintInvoice(s->context, n, PrintMode::Print));
            QCOMPARE(var("v_netto_Ft"), (a.netHuf + Money::fromFiller(100)).wholeText());
            QCOMPARE(billing::invoiceAmountsFromLines(s->data.connection(), n).netHuf, a.netHuf);
        }
    }
};

QTEST_MAIN(BillingTest)
#include "tst_billing.moc"
