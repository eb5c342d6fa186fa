// Invoicing against a real database: number sequences, the line and composition screens, the
// register and the storno chain, including what a failing statement leaves behind.
#include "support/invoiceseed.h"
#include "support/fakes.h"

#include "billing/balanceview.h"
#include "db/errors.h"
#include "invoice/correction.h"
#include "invoice/invoicecomposer.h"
#include "invoice/invoiceline.h"
#include "invoice/invoiceregister.h"
#include "invoice/invoicetexts.h"
#include "invoice/payments.h"
#include "invoice/sequences.h"
#include "billing/amounts.h"
#include "nav/invoicedata.h"
#include "nav/schemavalidator.h"

#include <QDate>
#include <QTest>

using namespace orvena;
using namespace orvena::test;
using Kind = FakeUserInterface::Kind;

namespace {

struct LineInput {
    QString name;
    QString quantity;
    QString price;
    QString vat = QStringLiteral("27");
};

} // namespace

class TestInvoicing : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestSession> s;
    std::vector<LineInput> m_lines; // what the scripted line screen types, one per open

    // The operator picks customer `code` in the customer list.
    void scriptCustomer(const QString& code)
    {
        s->opener.onOpen(Screen::CustomerList, [this, code] {
            Query& q = s->data.query(QStringLiteral("ZQ30"));
            q.setSql({QStringLiteral("SELECT * FROM vevo ORDER BY vKod")});
            q.open();
            q.locate(QStringLiteral("vKod"), code);
        });
    }
    // Each opened line screen types the next queued line and presses "OK".
    void scriptLines()
    {
        s->opener.onOpen(Screen::InvoiceLine, [this](const ScreenRequest& request) {
            InvoiceLineEditor line(s->context, request);
            QVERIFY(line.prepare());
            if (m_lines.empty())
                return;
            const LineInput in = m_lines.front();
            m_lines.erase(m_lines.begin());
            line.setField(InvoiceLineEditor::ArticleName, in.name);
            line.setField(InvoiceLineEditor::Quantity, in.quantity);
            line.setField(InvoiceLineEditor::UnitPrice, in.price);
            line.setField(InvoiceLineEditor::VatRate, in.vat);
            QVERIFY(line.ok());
        });
    }
    // Composes and stores a new invoice; returns its number.
    QString makeInvoice(const QString& customer, const std::vector<LineInput>& lines)
    {
        scriptCustomer(customer);
        scriptLines();
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        composer.chooseCustomer();
        for (const LineInput& l : lines) {
            m_lines.push_back(l);
            composer.newLine();
        }
        if (!composer.ok())
            return {};
        return composer.field(InvoiceComposer::Number);
    }
    QString sequence() { return s->db.scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '1'")); }
    int count(const QString& sql) { return s->db.scalar(sql).toInt(); }
    void failStatementsContaining(const QByteArray& marker)
    {
        s->data.connection().setStatementHook([marker](const QByteArray& sql) {
            if (sql.contains(marker))
                throw DbError(QStringLiteral("injected failure"));
        });
    }
    // A printed invoice with two lines, stored directly.
    void seedPrintedInvoice(const QString& number)
    {
        SeedInvoice invoice;
        invoice.number = number;
        invoice.customer = QStringLiteral("2");
        invoice.customerNumber = QStringLiteral("2");
        invoice.issuerNumber = QStringLiteral("1");
        invoice.performed = QStringLiteral("2010-05-10");
        invoice.issued = QStringLiteral("2010-05-11");
        invoice.due = QStringLiteral("2010-05-25");
        invoice.remark = QStringLiteral("eredeti");
        invoice.message = QStringLiteral("Köszönjük");
        invoice.issuerBlock = QStringLiteral("Szállító blokk");
        invoice.customerBlock = QStringLiteral("Vevő blokk");
        invoice.sums = false; // as an invoice printed before the sums were kept
        const auto line = [](double quantity, double price, const char* name, const char* code, const char* article,
                             const char* unit, const char* gasOil) {
            SeedLine l{quantity, price, 27, QString::fromUtf8(name)};
            l.articleCode = QLatin1String(code);
            l.articleNumber = QLatin1String(article);
            l.unit = QLatin1String(unit);
            l.vatCode = QStringLiteral("1");
            l.vatName = QStringLiteral("27% általános");
            l.gasOil = QLatin1String(gasOil);
            return l;
        };
        invoice.lines = {line(3, 1000, "Konyhai mérleg", "1", "TM-100", "db", "5"),
                         line(-2, 1250.5, "Csomagolópapír", "7", "PP-500", "kg", "0")};
        seedInvoice(s->db, invoice);
    }

private slots:
    void init()
    {
        s = std::make_unique<TestSession>();
        s->db.reset(QStringLiteral("20100041"));
        s->db.addDemoData();
        m_lines.clear();
    }
    void cleanup() { s.reset(); }

    void nextNumber_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("next");
        QTest::newRow("ordinary") << "20100041" << "20100042";
        QTest::newRow("leading zeros dropped") << "00000041" << "42";
        QTest::newRow("ninth digit") << "99999999" << "100000000";
    }
    void nextNumber()
    {
        QFETCH(QString, stored);
        QFETCH(QString, next);
        s->db.reset(stored, QStringLiteral("20100500"));
        QCOMPARE(nextDocumentNumber(s->data.query(QStringLiteral("ZQ50")), kInvoiceSequence), next);
        // The delivery-note sequence is read from its own row.
        QCOMPARE(nextDocumentNumber(s->data.query(QStringLiteral("ZQ50")), kDeliverySequence),
                 QStringLiteral("20100501"));
    }

    void sequenceFaults()
    {
        QVERIFY_THROWS_EXCEPTION(ConversionError, numberAfter(QString()));
        QVERIFY_THROWS_EXCEPTION(ConversionError, numberAfter(QStringLiteral("2010A")));
        Query& q = s->data.query(QStringLiteral("ZQ50"));
        QVERIFY_THROWS_EXCEPTION(ConversionError, nextDocumentNumber(q, QStringLiteral("9")));
        QVERIFY_THROWS_EXCEPTION(DbError, storeDocumentNumber(q, QStringLiteral("9"), QStringLiteral("1")));
        DB_VERIFY(storeDocumentNumber(q, kDeliverySequence, QStringLiteral("20100777")));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '2'")),
                 QStringLiteral("20100777"));
        QCOMPARE(sequence(), QStringLiteral("20100041"));
    }

    void newInvoiceEndToEnd()
    {
        const QString number =
            makeInvoice(QStringLiteral("3"), {{QStringLiteral("Konyhai mérleg"), QStringLiteral("3"), QStringLiteral("1000")},
                                              {QStringLiteral("Kenyér"), QStringLiteral("2,5"), QStringLiteral("100"),
                                               QStringLiteral("18")}});
        QCOMPARE(number, QStringLiteral("20100042"));
        QCOMPARE(sequence(), number);
        QCOMPARE(s->state.invoiceNumber, number);
        QCOMPARE(s->db.rows(QStringLiteral("SELECT fvKod, fFizmod, fPnem, fKerek, CONCAT('[', fPrn, ']'), fmKod, "
                                           "fzKod FROM szlafej")),
                 QStringList{QStringLiteral("3|átutalás|Ft|5|[ ]|00002|1")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100042'")), 2);
        // The register's list was re-read and stands on the new invoice.
        QCOMPARE(s->data.query(QStringLiteral("ZQ10")).fieldText(QStringLiteral("fBszam")), number);
        QVERIFY(s->ui.texts().isEmpty());
        // The next new invoice is offered the following number.
        InvoiceComposer next(s->context, {EditMode::New});
        next.prepare();
        QCOMPARE(next.field(InvoiceComposer::Number), QStringLiteral("20100043"));
    }

    // A new invoice left with "Mégsem" takes its lines along: the next one, offered the same
    // number, starts empty. Lines a crash left under the number come back with their totals.
    void abandonedLinesReappear()
    {
        scriptLines();
        {
            InvoiceComposer composer(s->context, {EditMode::New});
            composer.prepare();
            m_lines.push_back({QStringLiteral("Hitelesítés"), QStringLiteral("1"), QStringLiteral("15000")});
            composer.newLine();
            QCOMPARE(composer.field(InvoiceComposer::GrandTotal), QStringLiteral("19 050,00"));
            composer.cancel();
        }
        QCOMPARE(sequence(), QStringLiteral("20100041"));
        {
            InvoiceComposer again(s->context, {EditMode::New});
            again.prepare();
            QCOMPARE(again.field(InvoiceComposer::Number), QStringLiteral("20100042"));
            QCOMPARE(s->data.query(QStringLiteral("ZQ20")).rowCount(), 0);
            QCOMPARE(again.field(InvoiceComposer::GrandTotal), QStringLiteral("0,00"));
        }
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) VALUES ('20100042', "
                                  "'Hitelesítés', 1, 15000, 27)"));
        InvoiceComposer again(s->context, {EditMode::New});
        again.prepare();
        QCOMPARE(s->data.query(QStringLiteral("ZQ20")).rowCount(), 1);
        // The totals of the lines that came back are shown at once.
        QCOMPARE(again.field(InvoiceComposer::GrandTotal), QStringLiteral("19 050,00"));
    }

    // The offered number already has a header (the sequence was set back, or another
    // workstation stored it): the new-invoice screen refuses to open, naming the number, and a
    // line screen opened without a number stores nothing.
    void newInvoiceRefusesNumberWithHeader()
    {
        seedPrintedInvoice(QStringLiteral("20100042"));
        {
            InvoiceComposer composer(s->context, {EditMode::New});
            QVERIFY(!composer.prepare());
            QCOMPARE(s->ui.texts(),
                     QStringList{QStringLiteral("A(z) 20100042 számú számla már létezik, új számla ezzel a sorszámmal "
                                                "nem készíthető! Ellenőrizze a számla sorszámát.")});
        }
        s->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '20100042' WHERE aKod = '1'"));
        InvoiceComposer free(s->context, {EditMode::New});
        QVERIFY(free.prepare());
        QCOMPARE(free.field(InvoiceComposer::Number), QStringLiteral("20100043"));

        s->ui.clear();
        s->state.invoiceNumber.clear();
        InvoiceLineEditor line(s->context, {EditMode::New});
        QVERIFY(line.prepare());
        line.setField(InvoiceLineEditor::ArticleName, QStringLiteral("Gazdátlan"));
        line.setField(InvoiceLineEditor::Quantity, QStringLiteral("1"));
        line.setField(InvoiceLineEditor::UnitPrice, QStringLiteral("10"));
        QVERIFY(!line.ok());
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("A számlasor nem tárolható: a számlának nincs sorszáma!")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '' OR sBszam IS NULL")), 0);
    }

    void composerChecks_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        using C = InvoiceComposer;
        QTest::newRow("customer") << int(C::CustomerCode) << "" << "Nincs kiválasztva a vevö!" << int(C::CustomerButton);
        QTest::newRow("payment") << int(C::PaymentMethod) << "  " << "Nincs megadva a fizetési mód!"
                                 << int(C::PaymentMethod);
        QTest::newRow("performed") << int(C::PerformanceDate) << "" << "Nincs megadva a teljesités dátuma!"
                                   << int(C::PerformanceDate);
        QTest::newRow("issued") << int(C::IssueDate) << "" << "Nincs megadva a számla kelte!" << int(C::IssueDate);
        QTest::newRow("due") << int(C::DueDate) << "" << "Nincs megadva a fizetési határidő!" << int(C::DueDate);
        QTest::newRow("currency") << int(C::Currency) << "" << "Nincs megadva a pénznem!" << int(C::Currency);
        QTest::newRow("rate") << int(C::ExchangeRate) << "" << "Nincs megadva az árfolyam!" << int(C::ExchangeRate);
        QTest::newRow("discount") << int(C::Discount) << "" << "Nincs megadva engedmény!" << int(C::Discount);
        QTest::newRow("bad performed") << int(C::PerformanceDate) << "2010.13.01" << "Hibás dátum!"
                                       << int(C::PerformanceDate);
        QTest::newRow("bad issued") << int(C::IssueDate) << "2010.02.30" << "Hibás dátum!" << int(C::IssueDate);
        QTest::newRow("bad due") << int(C::DueDate) << "holnap" << "Hibás dátum!" << int(C::DueDate);
        QTest::newRow("no lines") << -1 << "" << "Nincs számlának tételsora!" << int(C::NewLineButton);
    }
    void composerChecks()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(int, focus);
        scriptCustomer(QStringLiteral("1"));
        scriptLines();
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        composer.chooseCustomer();
        if (field >= 0) {
            m_lines.push_back({QStringLiteral("Szervizóradíj"), QStringLiteral("2"), QStringLiteral("9500")});
            composer.newLine();
            composer.setField(InvoiceComposer::Field(field), value);
        }
        QVERIFY(!composer.ok());
        QCOMPARE(s->ui.texts(), QStringList{message});
        QCOMPARE(composer.lastFocus(), focus);
        QVERIFY(!composer.isClosed());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 0);
        QCOMPARE(sequence(), QStringLiteral("20100041"));
    }

    void customerChoiceOverwritesHeader()
    {
        scriptCustomer(QStringLiteral("5"));
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        composer.setField(InvoiceComposer::PaymentMethod, QStringLiteral("kp."));
        composer.setField(InvoiceComposer::Discount, QStringLiteral("12"));
        composer.setField(InvoiceComposer::CustomerBlock, QStringLiteral("kézzel írt"));
        composer.chooseCustomer();
        QCOMPARE(composer.field(InvoiceComposer::PaymentMethod), QStringLiteral("átutalás"));
        QCOMPARE(composer.field(InvoiceComposer::Currency), QStringLiteral("HUF"));
        QCOMPARE(composer.field(InvoiceComposer::Discount), QStringLiteral("0"));
        QCOMPARE(composer.field(InvoiceComposer::CustomerCode), QStringLiteral("5"));
        QVERIFY(composer.field(InvoiceComposer::CustomerBlock).startsWith(QStringLiteral("Donau Handel GmbH\n")));
        // the customer's 30 days from the performance date (today)
        QCOMPARE(composer.field(InvoiceComposer::DueDate),
                 QDate::currentDate().addDays(30).toString(QStringLiteral("yyyy.MM.dd")));
        QCOMPARE(s->state.rememberedKey(QStringLiteral("vevo")), QString()); // was empty when the list opened
    }

    void dueDateFollowsPaymentTerm()
    {
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        // Before a customer is chosen: nothing to compute and nothing to report.
        const QString today = composer.field(InvoiceComposer::DueDate);
        composer.setField(InvoiceComposer::PerformanceDate, QStringLiteral("2010.05.10"));
        composer.performanceDateLeft();
        QCOMPARE(composer.field(InvoiceComposer::DueDate), today);
        QVERIFY(s->ui.texts().isEmpty());
        scriptCustomer(QStringLiteral("2")); // 15 days
        composer.chooseCustomer();
        composer.performanceDateLeft();
        QCOMPARE(composer.field(InvoiceComposer::DueDate), QStringLiteral("2010.05.25"));
        // A date that is not valid is still reported, and the due date stays.
        composer.setField(InvoiceComposer::PerformanceDate, QStringLiteral("2010.05."));
        composer.performanceDateLeft();
        QCOMPARE(s->ui.texts(Kind::ErrorReport).size(), 1);
        QCOMPARE(composer.field(InvoiceComposer::DueDate), QStringLiteral("2010.05.25"));

        // Choosing the customer after the dates: its term counts from the performance date.
        composer.setField(InvoiceComposer::PerformanceDate, QStringLiteral("2010.05.10"));
        scriptCustomer(QStringLiteral("3")); // 30 days
        composer.chooseCustomer();
        QCOMPARE(composer.field(InvoiceComposer::DueDate), QStringLiteral("2010.06.09"));
        // A due date the operator typed stays; emptied, the term gives it again.
        composer.setField(InvoiceComposer::DueDate, QStringLiteral("2010.06.01"));
        scriptCustomer(QStringLiteral("2"));
        composer.chooseCustomer();
        QCOMPARE(composer.field(InvoiceComposer::CustomerCode), QStringLiteral("2"));
        QCOMPARE(composer.field(InvoiceComposer::DueDate), QStringLiteral("2010.06.01"));
        composer.setField(InvoiceComposer::DueDate, QString());
        composer.chooseCustomer();
        QCOMPARE(composer.field(InvoiceComposer::DueDate), QStringLiteral("2010.05.25"));
        // A chooser left with Escape hands over nothing: neither the customer nor its term.
        s->opener.onOpen(Screen::CustomerList, [this](const ScreenRequest& request) {
            Query& q = s->data.query(QStringLiteral("ZQ30"));
            q.locate(QStringLiteral("vKod"), QStringLiteral("3"));
            QVERIFY(request.dismissed);
            *request.dismissed = true;
        });
        composer.chooseCustomer();
        QCOMPARE(composer.field(InvoiceComposer::CustomerCode), QStringLiteral("2"));
        QCOMPARE(composer.field(InvoiceComposer::DueDate), QStringLiteral("2010.05.25"));
    }

    void totalsFromDatabase()
    {
        scriptLines();
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        composer.setField(InvoiceComposer::Discount, QStringLiteral("10")); // applied as the print applies it
        m_lines.push_back({QStringLiteral("A"), QStringLiteral("3"), QStringLiteral("1000")});
        composer.newLine();
        m_lines.push_back({QStringLiteral("B"), QStringLiteral("1,5"), QStringLiteral("1250,5"), QStringLiteral("5")});
        composer.newLine();
        // 3 000 less 10 % = 2 700, tax 729; 1 875,75 less 10 % = 1 688,175 -> 1 688,18, tax 84,409 -> 84,41
        QCOMPARE(composer.field(InvoiceComposer::NetTotal), QStringLiteral("4 388,18"));
        QCOMPARE(composer.field(InvoiceComposer::VatTotal), QStringLiteral("813,41"));
        QCOMPARE(composer.field(InvoiceComposer::GrandTotal), QStringLiteral("5 201,59"));
        // Deleting the current (last) line sums the rest again.
        composer.deleteLine();
        QCOMPARE(s->ui.last(), QStringLiteral("Az tételsor törölve!"));
        QCOMPARE(composer.field(InvoiceComposer::GrandTotal), QStringLiteral("3 429,00"));
        // without the discount the totals follow the field at once
        composer.setField(InvoiceComposer::Discount, QStringLiteral("0"));
        QCOMPARE(composer.field(InvoiceComposer::GrandTotal), QStringLiteral("3 810,00"));
        composer.deleteLine();
        composer.deleteLine(); // the empty list deletes nothing and still reports it
        QCOMPARE(s->ui.texts(), QStringList(3, QStringLiteral("Az tételsor törölve!")));
        QCOMPARE(composer.field(InvoiceComposer::NetTotal), QStringLiteral("0,00"));
        // Each line rounded once, away from zero, as the print rounds it: 1,005 -> 1,01; -0,0001 -> 0.
        m_lines.push_back({QStringLiteral("C"), QStringLiteral("1"), QStringLiteral("1,005")});
        composer.newLine();
        m_lines.push_back({QStringLiteral("D"), QStringLiteral("-1"), QStringLiteral("0,0001")});
        composer.newLine();
        QCOMPARE(composer.field(InvoiceComposer::NetTotal), QStringLiteral("1,01"));
        QCOMPARE(composer.field(InvoiceComposer::VatTotal), QStringLiteral("0,27"));
        QCOMPARE(composer.field(InvoiceComposer::GrandTotal), QStringLiteral("1,28"));
        composer.deleteLine();
        QCOMPARE(composer.field(InvoiceComposer::NetTotal), QStringLiteral("1,01"));
    }

    void lineChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        using L = InvoiceLineEditor;
        QTest::newRow("quantity") << "x" << " " << "" << "" << "Ft" << "Nincs megadva a mennyiség!" << int(L::Quantity);
        QTest::newRow("name") << "  " << "1" << "" << "" << "Ft" << "Nincs megadva a megnevezés!" << int(L::ArticleName);
        QTest::newRow("price") << "x" << "1" << "" << "" << "Ft" << "Nincs megadva az egységár vagy nulla!"
                               << int(L::UnitPrice);
        QTest::newRow("unit") << "x" << "1" << "5" << "" << "Ft" << "Nincs megadva a mennyiségegység!" << int(L::Unit);
        QTest::newRow("zero quantity") << "x" << "0" << "0" << "db" << "Ft" << "A mennyiség nulla!" << int(L::Quantity);
        // zero is the number, whatever its text
        QTest::newRow("zero quantity with decimals") << "x" << "0,0" << "5" << "db" << "Ft" << "A mennyiség nulla!"
                                                     << int(L::Quantity);
        QTest::newRow("zero price") << "x" << "1" << "0,00" << "db" << "Ft" << "Az egységár nulla!" << int(L::UnitPrice);
        // a finished value that is no number, or too large for its column, is refused in Hungarian
        QTest::newRow("quantity not a number") << "x" << "-" << "5" << "db" << "Ft"
                                               << "Mennyiség: A(z) '-' nem érvényes szám." << int(L::Quantity);
        QTest::newRow("price beyond its column") << "x" << "1" << "100000000000000" << "db" << "Ft"
                                                 << "A(z) \"Egységár\" mező értéke (100000000000000) túl nagy: "
                                                    "legfeljebb 99999999999999,9999 lehet."
                                                 << int(L::UnitPrice);
        QTest::newRow("currency") << "x" << "1" << "5" << "db" << "HUF"
                                  << "A pénznem nem egyezik meg számla fejléc és a cikknél !" << int(L::ArticleName);
        QTest::newRow("stored") << "x" << "-1" << "5" << "db" << "Ft" << "" << int(L::ArticleName);
    }
    void lineChecks()
    {
        QFETCH(QString, name);
        QFETCH(QString, quantity);
        QFETCH(QString, price);
        QFETCH(QString, unit);
        QFETCH(QString, currency);
        QFETCH(QString, message);
        QFETCH(int, focus);
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        InvoiceLineEditor line(s->context, composer.lineRequest(EditMode::New));
        QVERIFY(line.prepare());
        // A line typed by hand defaults to the invoice's currency.
        QCOMPARE(line.field(InvoiceLineEditor::Currency), QStringLiteral("Ft"));
        QCOMPARE(line.field(InvoiceLineEditor::InvoiceNumber), QStringLiteral("20100042"));
        line.setField(InvoiceLineEditor::ArticleName, name);
        line.setField(InvoiceLineEditor::Quantity, quantity);
        line.setField(InvoiceLineEditor::UnitPrice, price);
        line.setField(InvoiceLineEditor::Unit, unit);
        line.setField(InvoiceLineEditor::Currency, currency);
        s->ui.clear();
        const bool stored = line.ok();
        QCOMPARE(stored, message.isEmpty());
        QCOMPARE(s->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(int(line.lastFocus()), focus);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100042'")), stored ? 1 : 0);
    }

    void lineDefaultsAndAmounts()
    {
        InvoiceLineEditor line(s->context, {EditMode::New});
        QVERIFY(line.prepare());
        QCOMPARE(line.field(InvoiceLineEditor::VatRate), QStringLiteral("27"));
        QCOMPARE(line.field(InvoiceLineEditor::VatName), QStringLiteral("27% általános"));
        QCOMPARE(line.field(InvoiceLineEditor::VatCode), QStringLiteral("1"));
        line.toggleUnit();
        QCOMPARE(line.field(InvoiceLineEditor::Unit), QStringLiteral("kg"));
        line.toggleUnit();
        QCOMPARE(line.field(InvoiceLineEditor::Unit), QStringLiteral("db"));
        line.setField(InvoiceLineEditor::Quantity, QStringLiteral("3"));
        line.setField(InvoiceLineEditor::UnitPrice, QStringLiteral("1000"));
        QCOMPARE(line.field(InvoiceLineEditor::Net), QStringLiteral("3 000,00"));
        QCOMPARE(line.field(InvoiceLineEditor::Vat), QStringLiteral("810,00"));
        QCOMPARE(line.field(InvoiceLineEditor::Total), QStringLiteral("3 810,00"));
        // A lone "-" is a number being typed: no error, the amounts keep their values.
        line.setField(InvoiceLineEditor::Quantity, QStringLiteral("-"));
        QCOMPARE(s->ui.texts(Kind::ErrorReport).size(), 0);
        QCOMPARE(line.field(InvoiceLineEditor::Total), QStringLiteral("3 810,00"));
        line.setField(InvoiceLineEditor::Quantity, QStringLiteral("-2"));
        QCOMPARE(line.field(InvoiceLineEditor::Total), QStringLiteral("-2 540,00"));
        // A number being typed ("2," before "2,5") is no error.
        line.setField(InvoiceLineEditor::Quantity, QStringLiteral("2,"));
        QCOMPARE(line.field(InvoiceLineEditor::Total), QStringLiteral("2 540,00"));
        QCOMPARE(s->ui.texts(Kind::ErrorReport).size(), 0);
        // Halves round away from zero on the typed value itself, storno lines as well.
        const struct {
            const char* quantity;
            const char* price;
            const char* net;
            const char* vat;
            const char* total;
        } halves[] = {{"1", "1,005", "1,01", "0,27", "1,28"}, {"-1", "1,005", "-1,01", "-0,27", "-1,28"},
                      {"3", "0,335", "1,01", "0,27", "1,28"}};
        for (const auto& h : halves) {
            line.setField(InvoiceLineEditor::Quantity, QString::fromLatin1(h.quantity));
            line.setField(InvoiceLineEditor::UnitPrice, QString::fromLatin1(h.price));
            QCOMPARE(line.field(InvoiceLineEditor::Net), QString::fromLatin1(h.net));
            QCOMPARE(line.field(InvoiceLineEditor::Vat), QString::fromLatin1(h.vat));
            QCOMPARE(line.field(InvoiceLineEditor::Total), QString::fromLatin1(h.total));
        }
    }

    void articleChooserFillsLine()
    {
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        s->opener.onOpen(Screen::ArticleList, [this] {
            QCOMPARE(s->state.rememberedKey(QStringLiteral("cikk")), QStringLiteral("Kalib"));
            Query& q = s->data.query(QStringLiteral("ZQ40"));
            q.setSql({QStringLiteral("SELECT * FROM Cikk ORDER BY cmegn")});
            q.open();
            q.locate(QStringLiteral("cmegn"), s->state.rememberedKey(QStringLiteral("cikk")));
        });
        InvoiceLineEditor line(s->context, composer.lineRequest(EditMode::New));
        QVERIFY(line.prepare());
        line.setField(InvoiceLineEditor::ArticleName, QStringLiteral("Kalib"));
        line.chooseArticle();
        QCOMPARE(line.field(InvoiceLineEditor::ArticleName), QStringLiteral("Kalibráló súly 1 kg"));
        QCOMPARE(line.field(InvoiceLineEditor::ArticleNumber), QStringLiteral("KS-040"));
        QCOMPARE(line.field(InvoiceLineEditor::UnitPrice), QStringLiteral("6350"));
        QCOMPARE(line.lastFocus(), InvoiceLineEditor::Quantity);
        line.setField(InvoiceLineEditor::Quantity, QStringLiteral("2"));
        QVERIFY(line.ok());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sBszam, scKod, scSzam, sMenny, sEar, sPnem, sAfa, sGolaj FROM szlasor")),
                 QStringList{QStringLiteral("20100042|6|KS-040|2|6350|Ft|27|0")});
        // The line list stands on the stored line.
        QCOMPARE(s->data.query(QStringLiteral("ZQ20")).fieldText(QStringLiteral("sMegn")),
                 QStringLiteral("Kalibráló súly 1 kg"));

        // On a euro invoice the line stays in euros: the forint price is shown, not taken.
        composer.setField(InvoiceComposer::Currency, QStringLiteral("EUR"));
        InvoiceLineEditor euro(s->context, composer.lineRequest(EditMode::New));
        QVERIFY(euro.prepare());
        QCOMPARE(euro.field(InvoiceLineEditor::Currency), QStringLiteral("EUR"));
        euro.setField(InvoiceLineEditor::ArticleName, QStringLiteral("Kalib"));
        s->ui.clear();
        euro.chooseArticle();
        QCOMPARE(euro.field(InvoiceLineEditor::Currency), QStringLiteral("EUR"));
        QCOMPARE(euro.field(InvoiceLineEditor::UnitPrice), QStringLiteral("0"));
        QCOMPARE(euro.lastFocus(), InvoiceLineEditor::UnitPrice);
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("A cikk ára 6350 Ft, a számla pénzneme EUR: az egységárat "
                                                           "EUR-ban adja meg.")});
    }

    void modifyKeepsOtherInvoices()
    {
        const QString first = makeInvoice(QStringLiteral("1"), {{QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("10")}});
        const QString second = makeInvoice(QStringLiteral("2"), {{QStringLiteral("B"), QStringLiteral("2"), QStringLiteral("20")}});
        QCOMPARE(second, QStringLiteral("20100043"));
        const QStringList before = s->db.rows(QStringLiteral("SELECT * FROM szlafej WHERE fBszam = '20100042'"));

        InvoiceRegister reg(s->context);
        reg.open();
        s->state.invoiceNumber = second;
        reg.reread();
        QCOMPARE(reg.highlightedNumber(), second);
        s->opener.onOpen(Screen::InvoiceComposer, [this, first, second](const ScreenRequest& request) {
            // the register's list has moved before the screen reads its invoice
            s->data.query(QStringLiteral("ZQ10")).locate(QStringLiteral("fBszam"), first);
            InvoiceComposer composer(s->context, request);
            composer.prepare();
            QCOMPARE(composer.field(InvoiceComposer::Number), second);
            QCOMPARE(composer.field(InvoiceComposer::CustomerCode), QStringLiteral("2"));
            QCOMPARE(composer.field(InvoiceComposer::GrandTotal), QStringLiteral("50,80"));
            composer.setField(InvoiceComposer::Remark, QStringLiteral("módosítva \"idézőjellel\""));
            QVERIFY(composer.ok());
        });
        reg.modifyInvoice();
        QCOMPARE(s->db.rows(QStringLiteral("SELECT * FROM szlafej WHERE fBszam = '20100042'")), before);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT fMegj FROM szlafej WHERE fBszam = '20100043'")),
                 QStringLiteral("módosítva \"idézőjellel\""));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 2);
        QCOMPARE(sequence(), second); // a modification never touches the sequence
        reg.reread();
        QCOMPARE(reg.highlightedNumber(), second);
    }

    // A line screen belongs to the composition screen that opened it, also while another one is
    // alive: its invoice number and currency come in its request, not from whichever screen
    // was built last.
    void lineScreenBelongsToItsOpener()
    {
        const QString stored = makeInvoice(QStringLiteral("2"), {{QStringLiteral("Régi"), QStringLiteral("1"), QStringLiteral("10")}});
        QCOMPARE(stored, QStringLiteral("20100042"));
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPnem = 'EUR' WHERE fBszam = '20100042'"));
        InvoiceRegister reg(s->context);
        reg.open();
        s->state.invoiceNumber = stored;
        reg.reread();

        scriptLines();
        InvoiceComposer modify(s->context, ScreenRequest::modifying(stored));
        QVERIFY(modify.prepare());
        QCOMPARE(modify.field(InvoiceComposer::Number), stored);
        InvoiceComposer fresh(s->context, {EditMode::New});
        QVERIFY(fresh.prepare());
        QCOMPARE(fresh.field(InvoiceComposer::Number), QStringLiteral("20100043"));

        s->opener.clear();
        for (const auto& [composer, name] : {std::pair{&modify, "Első"}, {&fresh, "Második"}, {&modify, "Harmadik"}}) {
            m_lines.push_back({QString::fromUtf8(name), QStringLiteral("1"), QStringLiteral("5")});
            composer->newLine();
        }
        QCOMPARE(s->opener.requests().size(), size_t(3));
        for (const ScreenRequest& request : s->opener.requests())
            QCOMPARE(request.mode, EditMode::New);
        QCOMPARE(s->opener.requests().at(1).document->currency, QStringLiteral("Ft"));
        QCOMPARE(s->opener.requests().at(2).document->currency, QStringLiteral("EUR"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sBszam, sMegn, sPnem FROM szlasor WHERE sMegn <> 'Régi' ORDER BY sID")),
                 (QStringList{"20100042|Első|EUR", "20100043|Második|Ft", "20100042|Harmadik|EUR"}));
        fresh.cancel();
        modify.cancel();
    }

    void registerPositionsAndRefusesPrinted()
    {
        seedPrintedInvoice(QStringLiteral("20100030"));
        makeInvoice(QStringLiteral("1"), {{QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("10")}});
        s->state.invoiceNumber.clear();
        InvoiceRegister reg(s->context);
        reg.open();
        QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100042")); // creation: last row
        reg.reread();
        QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100030")); // no current number yet: first row
        reg.refreshDetails();
        QCOMPARE(s->data.query(QStringLiteral("ZQ20")).rowCount(), 2);
        QCOMPARE(s->data.query(QStringLiteral("ZQ30")).fieldText(QStringLiteral("vKod")), QStringLiteral("2"));
        QCOMPARE(s->data.query(QStringLiteral("ZQ60")).fieldText(QStringLiteral("zKod")), QStringLiteral("1"));
        int opened = 0;
        s->opener.onOpen(Screen::InvoiceComposer, [&opened] { ++opened; });
        reg.modifyInvoice();
        QCOMPARE(s->ui.texts(Kind::Notice), QStringList{QStringLiteral("Nyomtatott Szla nem módositható !")});
        QCOMPARE(opened, 0);
        reg.modifyInvoice(false); // the "J" key
        QCOMPARE(opened, 1);
        QCOMPARE(s->opener.requests().back().mode, EditMode::Modify);
    }

    void storno()
    {
        seedPrintedInvoice(QStringLiteral("20100041"));
        s->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '20100100' WHERE aKod = '1'"));
        // A stray line under the number the storno will take.
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar) VALUES ('20100101', 'maradék', 1, 1)"));
        InvoiceRegister reg(s->context);
        reg.open();
        s->ui.answer(true);
        reg.storno();
        QCOMPARE(s->ui.texts(), (QStringList{QStringLiteral("Stornózni szeretné a bizonylatot? "),
                                             QStringLiteral("A számla STORNO -ja elkészült !")}));
        QCOMPARE(sequence(), QStringLiteral("20100101"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT fTkelt, fRkelt, fFkelt, fMegj, IFNULL(fPrn, 'null'), fPnem, fmKod, "
                                           "fvKod, fzKod, fMemoVevo FROM szlafej WHERE fBszam = '20100101'")),
                 QStringList{QStringLiteral("2010.05.10|%1|2010.05.25|20100041 számú érvénytelenítő "
                                            "számla|null|Ft|00002|2|1|Vevő blokk")
                                 .arg(QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")))}); // issued today
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sMegn, sMenny, sEar, CONCAT('[', IFNULL(scSzam, ''), ']'), "
                                           "IFNULL(sGolaj, 'null') FROM szlasor WHERE sBszam = '20100101' ORDER BY sID")),
                 (QStringList{QStringLiteral("Konyhai mérleg|-3|1000|[]|null"),
                              QStringLiteral("Csomagolópapír|2|1250,5|[]|null")}));
        QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100101"));
        QCOMPARE(s->state.invoiceNumber, QStringLiteral("20100101"));
        // The reversed invoice is untouched.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100041' AND sMenny > 0")), 1);

        QCOMPARE(s->db.rows(QStringLiteral("SELECT hBszam, hMuvelet, hEredeti FROM szlahivatkozas")),
                 QStringList{QStringLiteral("20100101|STORNO|20100041")});

        // The (printed) storno itself is not reversed: nothing is made, the sequence stays.
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I' WHERE fBszam = '20100101'"));
        reg.reread();
        s->ui.clear();
        s->ui.answer(true);
        reg.storno();
        QCOMPARE(s->ui.texts(Kind::Notice),
                 QStringList{QStringLiteral("A(z) 20100101 számú számla maga is storno számla (a(z) 20100041 számú "
                                            "számlát érvényteleníti), ezért nem stornózható.")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej WHERE fBszam = '20100102'")), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100102'")), 0);
        QCOMPARE(sequence(), QStringLiteral("20100101"));
    }

    // A correction stores the differences from the invoice's current lines (a quantity's
    // difference; a changed price as the negated line and the new one; a deleted line negated; a
    // new line as it is) and links itself; the next one starts from the corrected lines. A storno
    // of the original reverses it with its corrections, so the chain's totals and balances reach
    // nought; the correction is not reversed alone, and nothing of the chain is corrected again.
    void correctionChain()
    {
        seedPrintedInvoice(QStringLiteral("20100041"));
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, "
                                  "sAfa) VALUES ('20100041', 'Kenyér', 1, 'db', 500, 'Ft', '1', '27% általános', 27)"));
        ScreenRequest request{EditMode::New};
        request.corrected = QStringLiteral("20100041");
        const QString lines = QStringLiteral("SELECT sMegn, sMenny, sEar FROM szlasor WHERE sBszam = '%1' ORDER BY sID");
        {
            InvoiceComposer c(s->context, request);
            QVERIFY(c.prepare());
            QCOMPARE(c.field(InvoiceComposer::Number), QStringLiteral("20100042"));
            QCOMPARE(c.field(InvoiceComposer::CustomerCode), QStringLiteral("2"));
            QCOMPARE(c.field(InvoiceComposer::IssueDate), QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")));
            QCOMPARE(c.field(InvoiceComposer::Remark), QString());
            QCOMPARE(s->db.rows(lines.arg(QLatin1String("20100042"))),
                     (QStringList{"Konyhai mérleg|3|1000", "Csomagolópapír|-2|1250,5", "Kenyér|1|500"}));
            QVERIFY(!c.ok()); // the reason is asked for
            c.setField(InvoiceComposer::Remark, QStringLiteral("Hibás mennyiség és ár"));
            QVERIFY(!c.ok()); // nothing changed
            QVERIFY(!c.isClosed());
            QCOMPARE(s->ui.texts().mid(0, 2),
                     (QStringList{"Adja meg a helyesbítés okát a „Megjegyzés” mezőben!",
                                  "A helyesbítés nem tartalmaz eltérést a(z) 20100041 számú számla tételeitől. Módosítsa "
                                  "a tételek mennyiségét vagy árát, töröljön vagy vegyen fel tételt."}));
            // The differences are computed at the original's discount, for its customer.
            c.setField(InvoiceComposer::Discount, QStringLiteral("5"));
            QVERIFY(!c.ok());
            c.setField(InvoiceComposer::Discount, QStringLiteral("0"));
            c.setField(InvoiceComposer::CustomerCode, QStringLiteral("1"));
            QVERIFY(!c.ok());
            c.setField(InvoiceComposer::CustomerCode, QStringLiteral("2"));
            QVERIFY(s->ui.texts().value(2).startsWith(QStringLiteral("A helyesbítő számla pénzneme, árfolyama és "
                                                                     "kedvezménye az eredeti számláé kell legyen (Ft")));
            QCOMPARE(s->ui.texts().value(3), QStringLiteral("A helyesbítő számla vevője az eredeti számláé kell legyen "
                                                            "(kód: 2). Más vevőnek új számlát állítson ki."));
            // What the line screen stores (its own tests drive it).
            s->db.exec(QStringLiteral("UPDATE szlasor SET sMenny = 5 WHERE sBszam = '20100042' AND sMegn = 'Konyhai mérleg'"));
            s->db.exec(QStringLiteral("UPDATE szlasor SET sEar = 1300, sGolaj = 0 WHERE sBszam = '20100042' AND sMegn = "
                                      "'Csomagolópapír'"));
            s->db.exec(QStringLiteral("DELETE FROM szlasor WHERE sBszam = '20100042' AND sMegn = 'Kenyér'"));
            s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, "
                                      "sAfa) VALUES ('20100042', 'Szállítás', 1, 'db', 2000, 'Ft', '1', '27% általános', 27)"));
            QVERIFY(c.ok());
        }
        QCOMPARE(s->db.rows(lines.arg(QLatin1String("20100042"))),
                 (QStringList{"Konyhai mérleg|2|1000", "Csomagolópapír|2|1250,5", "Csomagolópapír|-2|1300",
                              "Kenyér|-1|500", "Szállítás|1|2000"}));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT hBszam, hMuvelet, hEredeti FROM szlahivatkozas")),
                 QStringList{QStringLiteral("20100042|MODIFY|20100041")});
        QCOMPARE(s->db.rows(QStringLiteral("SELECT fMegj, fvKod, IFNULL(fPrn, '') FROM szlafej WHERE fBszam = '20100042'")),
                 QStringList{QStringLiteral("Hibás mennyiség és ár|2| ")});
        QCOMPARE(sequence(), QStringLiteral("20100042"));
        InvoiceRegister reg(s->context);
        reg.open();
        // While the correction is unissued, the original is not reversed (the storno would miss it).
        s->data.query(role::kInvoiceList).locate(QStringLiteral("fBszam"), QStringLiteral("20100041"));
        s->ui.clear();
        s->ui.answer(true);
        reg.storno();
        QCOMPARE(s->ui.texts(Kind::Notice),
                 QStringList{QStringLiteral("A(z) 20100041 számú számlának kiállítatlan helyesbítő számlája van "
                                            "(20100042). Előbb nyomtassa ki azt, majd stornózza az eredeti számlát.")});
        QCOMPARE(sequence(), QStringLiteral("20100042"));
        reg.reread();
        s->data.query(role::kInvoiceList).locate(QStringLiteral("fBszam"), QStringLiteral("20100042"));
        s->ui.clear();
        reg.correct(); // an unissued correction is modified, not corrected
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I' WHERE fBszam = '20100042'"));
        reg.reread();
        reg.correct();
        s->ui.answer(true);
        reg.storno();
        QCOMPARE(s->ui.texts(Kind::Notice),
                 (QStringList{"A(z) 20100042 számú számla még nincs kiállítva (nyomtatva), ezért nem helyesbítő "
                              "számlával, hanem a „Módosít” gombbal javítható.",
                              "A(z) 20100042 számú számla maga is helyesbítő számla (a(z) 20100041 számú számlát "
                              "helyesbíti). Újabb helyesbítéshez a(z) 20100041 számú eredeti számlát jelölje meg: a "
                              "helyesbítés annak eddig helyesbített tételeiből indul.",
                              "A(z) 20100042 számú számla helyesbítő számla (a(z) 20100041 számú számlát helyesbíti), "
                              "önmagában nem stornózható. Stornózza a(z) 20100041 számú eredeti számlát: annak "
                              "stornója a helyesbítéseivel együtt érvényteleníti."}));
        // The next correction starts from the corrected lines; left without storing, it leaves nothing.
        {
            InvoiceComposer c(s->context, request);
            QVERIFY(c.prepare());
            QCOMPARE(s->db.rows(lines.arg(QLatin1String("20100043"))),
                     (QStringList{"Konyhai mérleg|5|1000", "Csomagolópapír|-2|1300", "Szállítás|1|2000"}));
            c.cancel();
        }
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100043'")), 0);

        // A correction is paid on its original, whose payable counts it.
        s->ui.clear();
        QVERIFY(!InvoicePayments(s->context, QStringLiteral("20100042")).open());
        QVERIFY(s->ui.texts().value(0).contains(QStringLiteral("fizetését az eredeti (20100041 számú) számlán rögzítse")));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT eFizetendo, eHatralek FROM %1 WHERE eBszam = '20100041'").arg(kBalanceView)),
                 QStringList{QStringLiteral("5588|5588")});
        // The storno of the original reverses the whole chain.
        s->state.invoiceNumber = QStringLiteral("20100041");
        reg.reread();
        QCOMPARE(reg.chainText(), QStringLiteral("Helyesbítései: 20100042"));
        s->ui.clear();
        s->ui.answer(true);
        reg.storno();
        QCOMPARE(s->ui.texts().value(1), QStringLiteral("A számla STORNO -ja elkészült !"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100043'")), 8);
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I' WHERE fBszam = '20100043'"));
        Money net, gross;
        for (const char* number : {"20100041", "20100042", "20100043"}) {
            const billing::DocumentAmounts a = billing::readInvoiceAmounts(s->data, QString::fromLatin1(number));
            net += a.net;
            gross += a.net + a.vat;
        }
        QVERIFY(net.isZero());
        QVERIFY(gross.isZero());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT eBszam, eFizetendo, eHatralek FROM %1 ORDER BY eBszam").arg(kBalanceView)),
                 (QStringList{"20100041|5588|0", "20100042|4319|0", "20100043|-5588|0"}));
        s->data.query(role::kInvoiceList).locate(QStringLiteral("fBszam"), QStringLiteral("20100041"));
        QCOMPARE(reg.chainText(), QStringLiteral("Helyesbítései: 20100042; Stornózta: 20100043"));
        s->ui.clear();
        reg.correct();
        QCOMPARE(s->ui.texts(Kind::Notice),
                 QStringList{QStringLiteral("A(z) 20100041 számú számlát a(z) 20100043 számú storno számla "
                                            "érvénytelenítette, ezért nem helyesbíthető.")});
    }

    // Fractional quantities keep every decimal from the prefill to the stored differences.
    void correctionOfFractionalQuantities_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QStringList>("stored");
        const QString liszt = QStringLiteral(" WHERE sBszam = '20100042' AND sMegn = 'Liszt'");
        QTest::newRow("more") << "UPDATE szlasor SET sMenny = 3" + liszt << QStringList{"Liszt|0,5|400"};
        QTest::newRow("less, four decimals") << "UPDATE szlasor SET sMenny = 0.125" + liszt
                                             << QStringList{"Liszt|-2,375|400"};
        QTest::newRow("price") << "UPDATE szlasor SET sEar = 420.5" + liszt
                               << QStringList{"Liszt|-2,5|400", "Liszt|2,5|420,5"};
        QTest::newRow("deleted") << "DELETE FROM szlasor" + liszt << QStringList{"Liszt|-2,5|400"};
    }
    void correctionOfFractionalQuantities()
    {
        QFETCH(QString, edit);
        QFETCH(QStringList, stored);
        seedPrintedInvoice(QStringLiteral("20100041"));
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, "
                                  "sAfa) VALUES ('20100041', 'Liszt', 2.5, 'kg', 400, 'Ft', '1', '27% általános', 27)"));
        ScreenRequest request{EditMode::New};
        request.corrected = QStringLiteral("20100041");
        InvoiceComposer c(s->context, request);
        QVERIFY(c.prepare());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sMenny FROM szlasor WHERE sBszam = '20100042' ORDER BY sID")),
                 (QStringList{"3", "-2", "2,5"}));
        c.setField(InvoiceComposer::Remark, QStringLiteral("Mennyiség"));
        s->db.exec(edit);
        QVERIFY2(c.ok(), qPrintable(s->ui.texts().join(u'\n')));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sMegn, sMenny, sEar FROM szlasor WHERE sBszam = '20100042' ORDER BY sID")),
                 stored);
    }

    // What another workstation did between the correction's opening and its store is seen inside
    // the store's transaction: the original reversed or corrected meanwhile ends the screen, and
    // nothing of the correction stays.
    void correctionRefusedAtWriteTime_data()
    {
        QTest::addColumn<QStringList>("meanwhile");
        QTest::addColumn<QString>("reason");
        QTest::newRow("reversed") << QStringList{"INSERT INTO szlahivatkozas VALUES ('20100090', 'STORNO', '20100041')"}
                                  << "A(z) 20100041 számú számlát a(z) 20100090 számú storno számla érvénytelenítette";
        QTest::newRow("corrected")
            << QStringList{"INSERT INTO szlahivatkozas VALUES ('20100090', 'MODIFY', '20100041')",
                           "INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar) VALUES ('20100090', 'Díj', 1, 10)"}
            << "A(z) 20100041 számú számlát időközben egy másik helyesbítő számla módosította";
    }
    void correctionRefusedAtWriteTime()
    {
        QFETCH(QStringList, meanwhile);
        QFETCH(QString, reason);
        seedPrintedInvoice(QStringLiteral("20100041"));
        ScreenRequest request{EditMode::New};
        request.corrected = QStringLiteral("20100041");
        {
            InvoiceComposer c(s->context, request);
            QVERIFY(c.prepare());
            c.setField(InvoiceComposer::Remark, QStringLiteral("Ár"));
            s->db.exec(QStringLiteral("UPDATE szlasor SET sMenny = 4 WHERE sBszam = '20100042' AND sMenny = 3"));
            for (const QString& sql : meanwhile)
                s->db.exec(sql);
            QVERIFY(!c.ok());
            QVERIFY(c.isClosed());
            QVERIFY2(s->ui.texts().join(u'\n').contains(reason), qPrintable(s->ui.texts().join(u'\n')));
        }
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej WHERE fBszam = '20100042'")), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100042'")), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlahivatkozas WHERE hBszam = '20100042'")), 0);
        QCOMPARE(sequence(), QStringLiteral("20100041"));
    }

    // The storno works on the invoice the register stood on when it asked, read again by its
    // number inside the transaction: moving the list while the question is open changes nothing,
    // and an invoice that is no longer printed (or no longer there) is refused.
    void stornoReversesTheInvoiceAskedAbout()
    {
        seedPrintedInvoice(QStringLiteral("20100030"));
        seedPrintedInvoice(QStringLiteral("20100041"));
        s->db.exec(QStringLiteral("UPDATE szlasor SET sMenny = sMenny * 10 WHERE sBszam = '20100030'"));
        InvoiceRegister reg(s->context);
        reg.open();
        QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100041"));
        // The list moves while the question box is open (as a re-read on uncovering does).
        struct MovingUi : FakeUserInterface {
            Query* list = nullptr;
            bool askYesNo(const QString& text) override
            {
                list->first();
                FakeUserInterface::askYesNo(text);
                return true;
            }
        } ui;
        ui.list = &s->data.query(QStringLiteral("ZQ10"));
        ScreenContext context{s->data, s->state, ui, s->opener};
        InvoiceRegister moved(context);
        moved.storno();
        QCOMPARE(ui.last(), QStringLiteral("A számla STORNO -ja elkészült !"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT fMegj FROM szlafej WHERE fBszam = '20100042'")),
                 QStringLiteral("20100041 számú érvénytelenítő számla"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sMenny FROM szlasor WHERE sBszam = '20100042' ORDER BY sID")),
                 (QStringList{QStringLiteral("-3"), QStringLiteral("2")}));

        // Stored as unprinted meanwhile: refused inside the transaction, nothing written.
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = ' ' WHERE fBszam = '20100030'"));
        ui.clear();
        QCOMPARE(createStornoInvoice(context, QStringLiteral("20100030")), QString());
        QCOMPARE(ui.texts(), QStringList{QStringLiteral("A Szla nem volt nyomtatva. Nem stornózható !")});
        QCOMPARE(createStornoInvoice(context, QStringLiteral("20100099")), QString());
        QCOMPARE(ui.last(), QStringLiteral("A(z) 20100099 számú számla nem található, nem stornózható!"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 3);
        QCOMPARE(sequence(), QStringLiteral("20100042"));
    }

    // An empty register: nothing to view, print, modify or reverse; no box at all.
    void emptyRegisterActsOnNothing()
    {
        InvoiceRegister reg(s->context);
        reg.open();
        reg.reread();
        int opened = 0;
        s->opener.onOpen(Screen::InvoiceComposer, [&opened] { ++opened; });
        s->ui.answer(true);
        reg.view();
        reg.print();
        reg.modifyInvoice();
        reg.modifyInvoice(false);
        reg.storno();
        QCOMPARE(s->ui.texts(), QStringList());
        QCOMPARE(opened, 0);
        reg.newInvoice();
        QCOMPARE(opened, 1);
    }

    // A box closing re-reads the list: it stays on the operator's invoice unless a screen moved
    // the run's current invoice number.
    void rereadKeepsHighlightedInvoice()
    {
        seedPrintedInvoice(QStringLiteral("20100030"));
        seedPrintedInvoice(QStringLiteral("20100031"));
        seedPrintedInvoice(QStringLiteral("20100032"));
        s->state.invoiceNumber.clear();
        InvoiceRegister reg(s->context);
        reg.open();
        reg.reread();
        QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100030"));
        s->data.query(QStringLiteral("ZQ10")).setCurrentRow(1);
        reg.reread();
        QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100031"));
        s->state.invoiceNumber = QStringLiteral("20100032");
        reg.reread();
        QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100032"));
    }

    void stornoRefusals()
    {
        seedPrintedInvoice(QStringLiteral("20100041"));
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = ' '"));
        InvoiceRegister reg(s->context);
        reg.open();
        reg.storno(); // "No"
        s->ui.answer(true);
        reg.storno(); // not printed
        QCOMPARE(s->ui.texts(), (QStringList{QStringLiteral("Stornózni szeretné a bizonylatot? "),
                                             QStringLiteral("Stornózni szeretné a bizonylatot? "),
                                             QStringLiteral("A Szla nem volt nyomtatva. Nem stornózható !")}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 1);
        QCOMPARE(sequence(), QStringLiteral("20100041"));
    }

    void stornoIsAllOrNothing_data()
    {
        QTest::addColumn<QByteArray>("statement");
        QTest::addColumn<QString>("message");
        QTest::newRow("stray lines") << QByteArray("DELETE FROM Szlasor") << "Hiba: Szlasor DELETE törlése mert nem volt fejrésze ";
        QTest::newRow("header copy") << QByteArray("INSERT INTO munkafej") << "Hiba: Az INSERT szlafej -böl -> munkafej -be ";
        QTest::newRow("renumber lines") << QByteArray("UPDATE munkasor SET sBszam") << "Hiba: Az UPDATE munkasor -ban ";
        QTest::newRow("sequence") << QByteArray("UPDATE Sorszam") << "Hiba: Új UPDATE Sorszam -ba ";
        QTest::newRow("negate") << QByteArray("SET sMenny") << "Hiba: A munkasor UPDATE (-1) * sMenny ";
        QTest::newRow("new header") << QByteArray("INSERT INTO szlafej") << "Hiba: Az INSERT munkafej -böl -> szlafej -be ";
        QTest::newRow("new lines") << QByteArray("INSERT INTO szlasor") << "Hiba: Az INSERT munkasor -ból -> szlasor -ba ";
        QTest::newRow("storno link") << QByteArray("INSERT INTO szlahivatkozas")
                                     << "Hiba: a storno hivatkozás tárolása (szlahivatkozas) ";
        QTest::newRow("commit") << QByteArray("COMMIT") << "Hiba a munkasor-ból insert szlasor -ba!";
    }
    void stornoIsAllOrNothing()
    {
        QFETCH(QByteArray, statement);
        QFETCH(QString, message);
        seedPrintedInvoice(QStringLiteral("20100030"));
        seedPrintedInvoice(QStringLiteral("20100041"));
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar) VALUES ('20100042', 'maradék', 1, 1)"));
        InvoiceRegister reg(s->context);
        reg.open();
        // An earlier storno left its rows in the work tables.
        s->ui.answer(true);
        s->state.invoiceNumber = QStringLiteral("20100030");
        reg.reread();
        const QString tables = QStringLiteral(
            "SELECT (SELECT COUNT(*) FROM szlafej), (SELECT COUNT(*) FROM szlasor), (SELECT GROUP_CONCAT(fBszam) FROM "
            "munkafej), (SELECT COUNT(*) FROM munkasor), (SELECT aBszam FROM sorszam WHERE aKod = '1'), (SELECT "
            "SUM(sMenny) FROM szlasor), (SELECT COUNT(*) FROM szlahivatkozas)");
        s->db.exec(QStringLiteral("INSERT INTO munkafej (fBszam) VALUES ('régi')"));
        const QStringList before = s->db.rows(tables);

        s->state.invoiceNumber = QStringLiteral("20100041");
        reg.reread();
        failStatementsContaining(statement);
        s->ui.clear();
        s->ui.answer(true);
        reg.storno();
        s->data.connection().setStatementHook({});
        QCOMPARE(s->ui.texts(), (QStringList{QStringLiteral("Stornózni szeretné a bizonylatot? "), message}));
        QCOMPARE(s->db.rows(tables), before);
    }

    void stornoRefusesTakenNumber()
    {
        seedPrintedInvoice(QStringLiteral("20100041"));
        seedPrintedInvoice(QStringLiteral("20100042")); // the sequence was set back by hand
        InvoiceRegister reg(s->context);
        reg.open();
        reg.reread();
        s->ui.answer(true);
        reg.storno();
        QCOMPARE(s->ui.last(), QStringLiteral("A(z) 20100042 számú számla már létezik, ezzel a sorszámmal nem tárolható!"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100042'")), 2);
        QCOMPARE(sequence(), QStringLiteral("20100041"));
    }

    void newInvoiceIsOneTransaction_data()
    {
        QTest::addColumn<QByteArray>("statement");
        QTest::addColumn<QString>("message");
        QTest::newRow("header insert") << QByteArray("INSERT INTO SzlaFej") << "Hiba: Újban, INSERT-append a Számlafejben ";
        QTest::newRow("sequence lock") << QByteArray("FOR UPDATE") << "Hiba: Új UPDATE Sorszam -ba ";
        QTest::newRow("sequence store") << QByteArray("UPDATE Sorszam") << "Hiba: Új UPDATE Sorszam -ba ";
        QTest::newRow("commit") << QByteArray("COMMIT") << "Hiba az append vagy edit közben a számlafejbenben!";
        QTest::newRow("start") << QByteArray("START TRANSACTION") << "Hiba az append vagy edit közben a számlafejbenben!";
    }
    void newInvoiceIsOneTransaction()
    {
        QFETCH(QByteArray, statement);
        QFETCH(QString, message);
        scriptCustomer(QStringLiteral("1"));
        scriptLines();
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        composer.chooseCustomer();
        m_lines.push_back({QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("10")});
        composer.newLine();
        composer.setField(InvoiceComposer::Remark, QStringLiteral("begépelt"));
        failStatementsContaining(statement);
        QVERIFY(!composer.ok());
        s->data.connection().setStatementHook({});
        QCOMPARE(s->ui.texts(), QStringList{message});
        QVERIFY(!composer.isClosed());
        QCOMPARE(composer.field(InvoiceComposer::Remark), QStringLiteral("begépelt"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 0);
        QCOMPARE(sequence(), QStringLiteral("20100041"));
        // Once the fault is gone the same screen stores the invoice.
        s->ui.clear();
        QVERIFY(composer.ok());
        QCOMPARE(sequence(), QStringLiteral("20100042"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 1);
    }

    // An advance invoice and the final invoice that deducts it, composed on the screen: the kind
    // stored with the header, the deduction line and its record, the advance deducted once (a
    // second workstation's deduction is refused inside its transaction), the payable never
    // negative; a deleted deduction line takes its record along; the storno of the final invoice
    // carries its deduction over and gives the advance back.
    void advanceDeductedOnceByTheFinalInvoice()
    {
        using nav::InvoiceKind;
        const auto rows = [this](const char* sql) { return s->db.rows(QString::fromUtf8(sql)); };
        scriptCustomer(QStringLiteral("2"));
        scriptLines();
        {
            InvoiceComposer advance(s->context, {EditMode::New});
            QVERIFY(advance.prepare());
            advance.chooseCustomer();
            QVERIFY(advance.setKind(InvoiceKind::Advance));
            m_lines.push_back({QStringLiteral("Előleg"), QStringLiteral("1"), QStringLiteral("100000")});
            advance.newLine();
            QVERIFY(advance.ok());
        }
        QCOMPARE(rows("SELECT jBszam, jJelleg FROM szlajelleg"), QStringList{QStringLiteral("20100042|ELOLEG")});
        // A final invoice the second workstation keeps open (stored, unissued).
        SeedInvoice open{QStringLiteral("20100050"), QStringLiteral("2"), false};
        open.issued = QStringLiteral("2010-05-20");
        open.due = QStringLiteral("2010-05-30");
        seedInvoice(s->db, open);
        s->db.exec(QStringLiteral("INSERT INTO szlajelleg (jBszam, jJelleg) VALUES ('20100050', 'VEGSZAMLA')"));

        InvoiceComposer final(s->context, {EditMode::New});
        QVERIFY(final.prepare());
        final.chooseCustomer();
        QCOMPARE(final.deductibleAdvances(), QStringList()); // a plain invoice deducts nothing
        QVERIFY(final.setKind(InvoiceKind::Final));
        QCOMPARE(final.deductibleAdvances(), QStringList()); // the advance is not issued yet
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I', fTkelt = '2010-05-03' WHERE fBszam = '20100042'"));
        QCOMPARE(final.deductibleAdvances(), QStringList{QStringLiteral("20100042")});

        DataModule otherData;
        otherData.connect(s->db.profile());
        AppState otherState;
        FakeUserInterface otherUi;
        ScriptedOpener otherOpener;
        ScreenContext other{otherData, otherState, otherUi, otherOpener};
        InvoiceComposer second(other, ScreenRequest::modifying(QStringLiteral("20100050")));
        QVERIFY(second.prepare());
        QCOMPARE(second.kind(), InvoiceKind::Final);
        QCOMPARE(second.deductibleAdvances(), QStringList{QStringLiteral("20100042")});

        m_lines.push_back({QStringLiteral("Mérleg"), QStringLiteral("3"), QStringLiteral("100000")});
        final.newLine();
        final.deductAdvance(QStringLiteral("20100042"));
        QCOMPARE(s->ui.texts(), QStringList());
        QCOMPARE(rows("SELECT sMegn, sMenny, sEar, skAfakod, sAfa FROM szlasor WHERE sBszam = '20100043' ORDER BY sID"),
                 (QStringList{QStringLiteral("Mérleg|3|100000|1|27"),
                              QStringLiteral("Előleg levonása: K20100042 előlegszámla, fizetve 2010.05.03|-1|100000|1|27")}));
        QCOMPARE(rows("SELECT lvBszam, lvSor = (SELECT MAX(sID) FROM szlasor), lvEloleg, lvFizdat, lvArfoly FROM szlaeloleg"),
                 QStringList{QStringLiteral("20100043|1|20100042|2010.05.03|1")});
        QCOMPARE(final.field(InvoiceComposer::GrandTotal), QStringLiteral("254 000,00"));

        // The second workstation still lists the advance; its deduction is refused at the write.
        second.deductAdvance(QStringLiteral("20100042"));
        QCOMPARE(otherUi.texts(), QStringList{QStringLiteral("A(z) 20100042 számú előlegszámlát már levonta a(z) "
                                                             "20100043 számú végszámla.")});
        QCOMPARE(rows("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100050'"), QStringList{QStringLiteral("0")});

        // Once per final invoice; the kind stays while a deduction is on it; no discount on it.
        final.deductAdvance(QStringLiteral("20100042"));
        QVERIFY(!final.setKind(InvoiceKind::Plain));
        QCOMPARE(final.kind(), InvoiceKind::Final);
        final.setField(InvoiceComposer::Discount, QStringLiteral("5"));
        QVERIFY(!final.ok());
        QCOMPARE(s->ui.texts(),
                 (QStringList{QStringLiteral("A(z) 20100042 számú előlegszámla ezen a végszámlán már le van vonva."),
                              QStringLiteral("A számlán előleg-levonás van, ezért végszámla marad. Előbb törölje a "
                                             "levonási sorokat."),
                              QStringLiteral("A végszámlán nem adható kedvezmény (Kedvezmény%), mert az az előleg "
                                             "levonását is csökkentené. Állítsa 0-ra a kedvezményt.")}));
        final.setField(InvoiceComposer::Discount, QStringLiteral("0"));
        QVERIFY(final.ok());
        QCOMPARE(rows("SELECT jJelleg FROM szlajelleg WHERE jBszam = '20100043'"), QStringList{QStringLiteral("VEGSZAMLA")});
        nav::InvoiceDocument doc = nav::buildInvoiceDocument(s->data, QStringLiteral("20100043"));
        QVERIFY2(doc.problems.isEmpty(), qPrintable(doc.problems.join(u'\n')));
        QVERIFY(nav::validateInvoiceData(doc.xml).valid);

        // A delivery smaller than the advance: the final invoice would go negative and is refused.
        s->db.exec(QStringLiteral("UPDATE szlasor SET sMenny = 0.5 WHERE sBszam = '20100043' AND sMenny > 0"));
        doc = nav::buildInvoiceDocument(s->data, QStringLiteral("20100043"));
        QCOMPARE(doc.ruleProblems.join(u'\n'), QStringList{QStringLiteral(
                                       "A végszámla fizetendő végösszege negatív (-63500,00): a levont előleg több a "
                                       "teljes ellenértéknél. Végszámla nem lehet negatív: helyesbítse az "
                                       "előlegszámlát (a számlanyilvántartásban stornózza, és állítsa ki újra a "
                                       "helyes összeggel).")}.join(u'\n'));
        s->db.exec(QStringLiteral("UPDATE szlasor SET sMenny = 3 WHERE sBszam = '20100043' AND sMenny > 0"));

        // The storno of the issued final invoice carries the kind and the deduction to its own
        // mirrored line, and gives the advance back.
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I' WHERE fBszam = '20100043'"));
        s->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '20100060' WHERE aKod = '1'"));
        second.cancel();
        InvoiceRegister reg(s->context);
        reg.open();
        // The advance stays while the final invoice deducts it.
        reg.locateTyped(QStringLiteral("20100042"), false);
        QCOMPARE(reg.chainText(), QStringLiteral("Előlegszámla: levonta 20100043"));
        s->ui.answer(true);
        reg.storno();
        QCOMPARE(s->ui.texts(Kind::Notice),
                 QStringList{QStringLiteral("A(z) 20100042 számú előlegszámlát a(z) 20100043 számú végszámla levonta, "
                                            "ezért nem stornózható. Előbb a végszámlát stornózza.")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej WHERE fBszam = '20100061'")), 0);
        s->ui.clear();
        reg.locateTyped(QStringLiteral("20100043"), false);
        QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100043"));
        QCOMPARE(reg.chainText(), QStringLiteral("Végszámla: levont előlegszámla 20100042"));
        s->ui.answer(true);
        reg.storno();
        QCOMPARE(s->ui.texts().value(1), QStringLiteral("A számla STORNO -ja elkészült !"));
        QCOMPARE(rows("SELECT jJelleg FROM szlajelleg WHERE jBszam = '20100061'"), QStringList{QStringLiteral("VEGSZAMLA")});
        QCOMPARE(rows("SELECT lvEloleg, lvFizdat, sMegn, sMenny FROM szlaeloleg JOIN szlasor ON sID = lvSor "
                      "WHERE lvBszam = '20100061'"),
                 QStringList{QStringLiteral("20100042|2010.05.03|Előleg levonása: K20100042 előlegszámla, fizetve "
                                            "2010.05.03|1")});
        doc = nav::buildInvoiceDocument(s->data, QStringLiteral("20100061"));
        QVERIFY2(doc.problems.isEmpty(), qPrintable(doc.problems.join(u'\n')));
        QVERIFY(doc.xml.contains("<advanceOriginalInvoice>K20100042</advanceOriginalInvoice>"));
        QCOMPARE(final.deductibleAdvances(), QStringList{QStringLiteral("20100042")});

        // A deduction line deleted on an unissued final invoice takes its record along.
        InvoiceComposer again(other, ScreenRequest::modifying(QStringLiteral("20100050")));
        QVERIFY(again.prepare());
        otherUi.clear();
        again.deductAdvance(QStringLiteral("20100042"));
        QCOMPARE(otherUi.texts(), QStringList());
        QCOMPARE(rows("SELECT COUNT(*) FROM szlaeloleg WHERE lvBszam = '20100050'"), QStringList{QStringLiteral("1")});
        again.deleteLine();
        QCOMPARE(rows("SELECT COUNT(*) FROM szlaeloleg WHERE lvBszam = '20100050'"), QStringList{QStringLiteral("0")});
        QVERIFY(again.setKind(InvoiceKind::Plain));
    }

    // Only advance invoices themselves are deducted (not a storno or a correction of one, which
    // copy the kind); a final invoice left unstored takes its lines and deduction along, and a
    // deduction left under a number by a crash is checked again at the store; an advance a
    // standing final invoice deducts is not corrected.
    void advanceDeductionsBelongToTheirDraft()
    {
        using nav::InvoiceKind;
        const auto rows = [this](const char* sql) { return s->db.rows(QString::fromUtf8(sql)); };
        for (const char* number : {"20100030", "20100031", "20100032", "20100033"})
            seedPrintedInvoice(QString::fromLatin1(number));
        s->db.exec(QStringLiteral("INSERT INTO szlajelleg (jBszam, jJelleg) VALUES ('20100030', 'ELOLEG'), ('20100031', "
                                  "'ELOLEG'), ('20100032', 'ELOLEG'), ('20100033', 'ELOLEG')"));
        s->db.exec(QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('20100031', 'STORNO', "
                                  "'20100030'), ('20100033', 'MODIFY', '20100032')"));
        scriptCustomer(QStringLiteral("2"));
        scriptLines();
        const QString dropped = QStringLiteral("A(z) 20100033 számú számla a(z) 20100032 számú előlegszámla helyesbítése, "
                                               "nem vonható le előlegként: a(z) 20100032 számú előlegszámlát vonja le.");
        {
            InvoiceComposer final(s->context, {EditMode::New});
            QVERIFY(final.prepare());
            final.chooseCustomer();
            QVERIFY(final.setKind(InvoiceKind::Final));
            QCOMPARE(final.deductibleAdvances(), QStringList{QStringLiteral("20100032")});
            final.deductAdvance(QStringLiteral("20100033"));
            final.deductAdvance(QStringLiteral("20100031"));
            QCOMPARE(s->ui.texts(), (QStringList{dropped, QStringLiteral("A(z) 20100031 számú számla a(z) 20100030 "
                                                                         "számú előlegszámla stornója, nem vonható le "
                                                                         "előlegként.")}));
            final.deductAdvance(QStringLiteral("20100032"));
            QCOMPARE(rows("SELECT COUNT(*) FROM szlaeloleg WHERE lvBszam = '20100042'"), QStringList{"1"});
            final.cancel();
        }
        QCOMPARE(rows("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100042'"), QStringList{"0"});
        QCOMPARE(rows("SELECT COUNT(*) FROM szlaeloleg"), QStringList{"0"});
        {
            InvoiceComposer next(s->context, {EditMode::New});
            QVERIFY(next.prepare());
            QCOMPARE(next.kind(), InvoiceKind::Plain);
            QCOMPARE(s->data.query(QStringLiteral("ZQ20")).rowCount(), 0);
            next.chooseCustomer();
            QVERIFY(next.setKind(InvoiceKind::Final));
            QCOMPARE(next.deductibleAdvances(), QStringList{QStringLiteral("20100032")});
        } // closed without "Mégsem": nothing stays either
        QCOMPARE(rows("SELECT COUNT(*) FROM szlasor WHERE sBszam = '20100042'"), QStringList{"0"});

        // A deduction a crash left under the number is no deduction of another customer's invoice.
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) VALUES ('20100042', 'Munka', "
                                  "1, 1000, 27), ('20100042', 'Előleg levonása', -1, 100, 27)"));
        s->db.exec(QStringLiteral("INSERT INTO szlaeloleg (lvBszam, lvSor, lvEloleg, lvFizdat, lvArfoly) SELECT "
                                  "'20100042', MAX(sID), '20100032', '2010-05-10', 1 FROM szlasor"));
        scriptCustomer(QStringLiteral("1"));
        {
            InvoiceComposer other(s->context, {EditMode::New});
            QVERIFY(other.prepare());
            other.chooseCustomer();
            s->ui.clear();
            QVERIFY(!other.ok());
            QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("A(z) 20100032 számú előlegszámla más vevőnek szól. "
                                                               "Törölje az előleg-levonás sorát.")});
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej WHERE fBszam = '20100042'")), 0);
        }
        // Stored by its own customer, the final invoice stands: its advance is not corrected.
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) VALUES ('20100042', 'Előleg "
                                  "levonása', -1, 100, 27)"));
        s->db.exec(QStringLiteral("INSERT INTO szlaeloleg (lvBszam, lvSor, lvEloleg, lvFizdat, lvArfoly) SELECT "
                                  "'20100042', MAX(sID), '20100032', '2010-05-10', 1 FROM szlasor"));
        m_lines.push_back({QStringLiteral("Mérleg"), QStringLiteral("1"), QStringLiteral("1000")});
        scriptCustomer(QStringLiteral("2"));
        {
            InvoiceComposer final(s->context, {EditMode::New});
            QVERIFY(final.prepare());
            QCOMPARE(final.kind(), InvoiceKind::Final);
            final.chooseCustomer();
            final.newLine();
            s->ui.clear();
            QVERIFY2(final.ok(), qPrintable(s->ui.texts().join(u'\n')));
        }
        s->ui.clear();
        ScreenRequest request{EditMode::New};
        request.corrected = QStringLiteral("20100032");
        InvoiceComposer correction(s->context, request);
        QVERIFY(!correction.prepare());
        QCOMPARE(s->ui.texts(Kind::Notice),
                 QStringList{QStringLiteral("A(z) 20100032 számú előlegszámlát a(z) 20100042 számú végszámla levonta, "
                                            "ezért nem helyesbíthető. Előbb a végszámlát stornózza.")});
    }

    void secondHeaderWithSameNumberRefused()
    {
        scriptCustomer(QStringLiteral("1"));
        scriptLines();
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        composer.chooseCustomer();
        m_lines.push_back({QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("10")});
        composer.newLine();
        // Meanwhile another program instance saved 20100042.
        seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20100042")},
                                  {QStringLiteral("fvKod"), QStringLiteral("4")}});
        s->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '20100042' WHERE aKod = '1'"));
        QVERIFY(!composer.ok());
        QCOMPARE(s->ui.texts(),
                 QStringList{QStringLiteral("A(z) 20100042 számú számla már létezik, ezzel a sorszámmal nem tárolható!")});
        QCOMPARE(s->db.rows(QStringLiteral("SELECT fvKod FROM szlafej")), QStringList{QStringLiteral("4")});
    }

    void failedLineStoreKeepsEntry()
    {
        InvoiceComposer composer(s->context, {EditMode::New});
        composer.prepare();
        for (const bool isNew : {true, false}) {
            InvoiceLineEditor line(s->context, composer.lineRequest(isNew ? EditMode::New : EditMode::Modify));
            QVERIFY(line.prepare());
            line.setField(InvoiceLineEditor::ArticleName, QStringLiteral("Tétel"));
            line.setField(InvoiceLineEditor::Quantity, QStringLiteral("2"));
            line.setField(InvoiceLineEditor::UnitPrice, QStringLiteral("5"));
            failStatementsContaining(isNew ? "INSERT INTO Szlasor" : "REPLACE INTO Szlasor");
            s->ui.clear();
            QVERIFY(!line.ok());
            s->data.connection().setStatementHook({});
            QCOMPARE(s->ui.texts(), QStringList{isNew ? QStringLiteral("Hiba: Új, INSERT-append a számla sorben ")
                                                      : QStringLiteral("Hiba: Új, INSERT-edit a számla sorban ")});
            QVERIFY(!line.isClosed());
            QCOMPARE(line.field(InvoiceLineEditor::ArticleName), QStringLiteral("Tétel"));
            QVERIFY(line.ok()); // the same entry stored once the fault is gone
        }
        // The modification replaced the line stored first.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor")), 1);
    }
};

QTEST_GUILESS_MAIN(TestInvoicing)
#include "tst_invoicing.moc"
