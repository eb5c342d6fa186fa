// Bank statements: the two file forms in their versions and encodings, files refused whole
// (balances, truncation, hostile content), each entry stored once, the invoices a credit may
// pay, booking through the payment path and undoing it, two workstations booking one entry, and
// the command line.
#include "support/fakes.h"
#include "bankseed.h"

#include "app/session.h"
#include "bank/bankstatements.h"
#include "db/connection.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <latch>
#include <thread>

using namespace orvena;
using namespace orvena::bank;
using namespace orvena::test;

namespace {

const QString kIssuerIban = QStringLiteral("HU42117730161111101800000000");

QByteArray statementFile(const QString& name)
{
    QFile f(QStringLiteral(ORVENA_SOURCE_DIR "/tests/bank/statements/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing statement file %s", qPrintable(name));
    return f.readAll();
}

// The suggestion's allocations as "invoice:forints,...".
QString allocationsText(const std::vector<Allocation>& allocations)
{
    QStringList parts;
    for (const Allocation& a : allocations)
        parts << QStringLiteral("%1:%2").arg(a.invoice).arg(a.amount / 100);
    return parts.join(u',');
}

// A file of MT940 entries of one forint each, with the balances adding up.
QByteArray manyEntries(int entries)
{
    QByteArray text = ":20:MANY\r\n:25:11773016-11111018-00000000\r\n:28C:1/1\r\n:60F:C260301HUF0,00\r\n";
    text.reserve(entries * 40 + 200);
    for (int i = 0; i < entries; ++i)
        text += ":61:2603020302C1,00NTRFNONREF\r\n";
    text += ":62F:C260302HUF" + QByteArray::number(entries) + ",00\r\n-\r\n";
    return text;
}

QString noIssuer(const QString&, const QStringList&)
{
    return {};
}

} // namespace

class BankStatementsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> s;

    Connection& connection() { return s->data.connection(); }

    qint64 entryId(const QString& statement, const QString& reference, int part = 0)
    {
        return s->db
            .scalar(QStringLiteral("SELECT t.ktID FROM bankkivonattetel t JOIN bankkivonat k ON k.kbID = t.ktKivonat "
                                   "WHERE k.kbAzonosito = '%1' AND t.ktBankRef = '%2' AND t.ktResz = %3")
                        .arg(statement, reference)
                        .arg(part))
            .toLongLong();
    }
    QString balance(const QString& invoice)
    {
        return s->db.scalar(QStringLiteral("SELECT ROUND(eHatralek) FROM szlaegyenleg WHERE eBszam = '%1'").arg(invoice));
    }
    ImportResult import(const QString& name, const IssuerChooser& chooser = noIssuer)
    {
        return importStatement(connection(), statementFile(name), name, chooser);
    }

private slots:
    void initTestCase()
    {
        applyProgramLocale();
        s = std::make_unique<TestSession>();
    }
    void cleanupTestCase() { s.reset(); }
    void init()
    {
        seedStatementData(s->db);
        s->ui.clear();
    }

    // Each form read: its version or encoding told, amounts, directions, reversals, batch
    // transactions, pending entries left out, counterparty and remittance in Hungarian letters.
    void readsEveryForm_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("entries");  // per entry: C/D, R for a reversal, amount, parts
        QTest::addColumn<QString>("name");     // the first entry's counterparty
        QTest::addColumn<QString>("remittance");
        QTest::newRow("camt.053 001.02") << "camt053_001_02.xml" << "camt.053.001.02" << "UTF-8"
                                         << "C12700/1 C76200/1 C30000/1 D5000/1 C38100/2" << "Alfa Kereskedelmi Kft."
                                         << "Számla: 20260001";
        QTest::newRow("camt.053 001.08") << "camt053_001_08.xml" << "camt.053.001.08" << "UTF-8"
                                         << "C12700/1 DR2000/1" << "Kovács János" << "befizetés";
        for (const auto& [file, encoding] : {std::pair{"mt940_utf8.sta", "UTF-8"}, {"mt940_cp852.sta", "CP852"},
                                             {"mt940_latin2.sta", "ISO-8859-2"}})
            QTest::newRow(file) << file << "MT940" << encoding << "C12700/1 D1500/1 DR700/1"
                                << "Árvíztűrő Tükörfúrógép Kft." << "Számla K20260001 köszönjük";
    }
    void readsEveryForm()
    {
        QFETCH(QString, file);
        const StatementFile read = readStatementFile(statementFile(file));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QFETCH(QString, format);
        QFETCH(QString, encoding);
        QCOMPARE(read.format, format);
        QCOMPARE(read.encoding, encoding);
        QCOMPARE(read.statements.size(), size_t(1));
        const Statement& st = read.statements.front();
        QCOMPARE(accountKey(st.account), accountKey(kIssuerIban));
        QStringList entries;
        for (const StatementEntry& e : st.entries)
            entries << QStringLiteral("%1%2%3/%4")
                           .arg(e.credit ? QStringLiteral("C") : QStringLiteral("D"))
                           .arg(e.reversal ? QStringLiteral("R") : QString())
                           .arg(e.amount / 100)
                           .arg(e.parts.size());
        QTEST(entries.join(u' '), "entries");
        QTEST(st.entries.front().parts.front().name, "name");
        QTEST(st.entries.front().parts.front().remittance, "remittance");
        QVERIFY(st.entries.front().valueDate.isValid());
    }

    // A file that cannot be used is refused whole with a Hungarian reason, and nothing of it is
    // stored; hostile content is refused without being expanded or fetched.
    void refusesFaultyFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray camt = statementFile(QStringLiteral("camt053_001_02.xml"));
        const QByteArray mt940 = statementFile(QStringLiteral("mt940_utf8.sta"));
        QTest::newRow("camt balances do not add up")
            << QByteArray(camt).replace("1152000.00", "1152001.00") << "egyenlege nem egyezik";
        QTest::newRow("MT940 balances do not add up")
            << QByteArray(mt940).replace("C260303HUF110500,00", "C260303HUF110400,00") << "egyenlege nem egyezik";
        QTest::newRow("camt truncated") << camt.left(camt.size() * 2 / 3) << "nem olvasható XML";
        QTest::newRow("MT940 truncated") << mt940.left(mt940.indexOf(":61:2603030303")) << "hiányos";
        QTest::newRow("entity declarations")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE Document [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                          "\"&a;&a;&a;&a;&a;&a;&a;&a;\">]><Document "
                          "xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\"><BkToCstmrStmt>&b;</BkToCstmrStmt>"
                          "</Document>")
            << "dokumentumtípus";
        QTest::newRow("external entity")
            << QByteArray(camt).replace("<Document ", "<!DOCTYPE Document SYSTEM \"http://example.invalid/x.dtd\"><Document ")
            << "dokumentumtípus";
        QTest::newRow("huge text") << QByteArray(camt).replace("Számla: 20260001", QByteArray(kMaxFileBytes, 'x'))
                                   << "túl nagy";
        QTest::newRow("many entries") << manyEntries(kMaxEntries + 1) << "túl sok tételt";
        QTest::newRow("other namespace") << QByteArray(camt).replace("camt.053.001.02", "camt.052.001.02")
                                         << "nem camt.053";
        QTest::newRow("no statement") << QByteArray("Kedves Ügyfelünk!\r\nMellékelten...\r\n") << "nem MT940";
        QTest::newRow("negative amount")
            << QByteArray(camt).replace("<Amt Ccy=\"HUF\">5000.00</Amt>", "<Amt Ccy=\"HUF\">-5000.00</Amt>")
            << "összege hiányzik vagy hibás";
        QTest::newRow("empty") << QByteArray() << "üres";
    }
    void refusesFaultyFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const ImportResult r = importStatement(connection(), bytes, QStringLiteral("x"), noIssuer);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(reason), qPrintable(r.message));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM bankkivonattetel")), QStringLiteral("0"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM bankkivonat")), QStringLiteral("0"));
    }

    // A large file of many small entries within the limits is read and stored.
    void storesALargeFile()
    {
        const ImportResult r = importStatement(connection(), manyEntries(3000), QStringLiteral("sok.sta"), noIssuer);
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.stored, 3000);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM bankkivonattetel")), QStringLiteral("3000"));
    }

    // An entry is stored once however often its file is read; the second reading says so and
    // books nothing. The account is an issuer's (spaces, domestic form) or the operator names one.
    void storesEachEntryOnce()
    {
        ImportResult first = import(QStringLiteral("camt053_001_02.xml"));
        QVERIFY2(first.ok, qPrintable(first.message));
        QCOMPARE(first.stored, 6);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT kbzKod FROM bankkivonat")), QStringLiteral("Z1"));
        const ImportResult again = import(QStringLiteral("camt053_001_02.xml"));
        QVERIFY(again.ok);
        QCOMPARE(again.stored, 0);
        QCOMPARE(again.alreadyStored, 6);
        QVERIFY2(again.message.contains(QStringLiteral("már be van olvasva")), qPrintable(again.message));
        const ExactBookingResult none = bookExactMatches(connection(), again.newEntries, true);
        QVERIFY(none.booked.isEmpty());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafizetes")), QStringLiteral("0"));

        // The same MT940 statement in another encoding is the same entries.
        QCOMPARE(import(QStringLiteral("mt940_utf8.sta")).stored, 3);
        QByteArray recoded = statementFile(QStringLiteral("mt940_cp852.sta"));
        recoded.replace("00004/001", "00003/001").replace("//MTC", "//MTU");
        const ImportResult sameInCp852 = importStatement(connection(), recoded, QStringLiteral("b.sta"), noIssuer);
        QCOMPARE(sameInCp852.stored, 0);
        QCOMPARE(sameInCp852.alreadyStored, 3);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT ktPartner FROM bankkivonattetel WHERE ktBankRef = 'MTU1'")),
                 QStringLiteral("Árvíztűrő Tükörfúrógép Kft."));
    }

    void asksForTheIssuerOfAnUnknownAccount()
    {
        QByteArray other = statementFile(QStringLiteral("camt053_001_02.xml"));
        other.replace("HU42117730161111101800000000", "HU11120100000000000055556666");
        QStringList offered;
        const ImportResult refused = importStatement(connection(), other, QStringLiteral("x.xml"),
                                                     [&](const QString&, const QStringList& candidates) {
                                                         offered = candidates;
                                                         return QString();
                                                     });
        QVERIFY(!refused.ok);
        QVERIFY2(refused.message.contains(QStringLiteral("HU11120100000000000055556666")), qPrintable(refused.message));
        QCOMPARE(offered, (QStringList{QStringLiteral("Z1"), QStringLiteral("Z2")}));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM bankkivonattetel")), QStringLiteral("0"));
        const ImportResult chosen = importStatement(connection(), other, QStringLiteral("x.xml"),
                                                    [](const QString&, const QStringList&) { return QStringLiteral("Z2"); });
        QVERIFY(chosen.ok);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT kbzKod FROM bankkivonat")), QStringLiteral("Z2"));
    }

    // The invoices offered for each stored entry, best first.
    void suggestsInvoices_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<int>("part");
        QTest::addColumn<QStringList>("suggestions"); // allocations, best first; "!" marks an exact one
        QTest::newRow("number in the text") << "STMT-2026-001" << "REF001" << 0 << QStringList{"!20260001:12700"};
        QTest::newRow("one credit for three invoices")
            << "STMT-2026-001" << "REF002" << 0 << QStringList{"!20260004:12700,20260005:25400,20260006:38100"};
        QTest::newRow("partial payment")
            << "STMT-2026-001" << "REF003" << 0 << QStringList{"20260007:30000", "20260003:25400,20260007:4600"};
        QTest::newRow("debit") << "STMT-2026-001" << "REF004" << 0 << QStringList{};
        QTest::newRow("batch, structured reference") << "STMT-2026-001" << "REF005" << 0 << QStringList{"!20260002:12700", "20260001:12700"};
        QTest::newRow("batch, second transaction") << "STMT-2026-001" << "REF005" << 1 << QStringList{"!20260003:25400"};
        QTest::newRow("amount matching two invoices")
            << "STMT-2026-002" << "REF101" << 0 << QStringList{"20260001:12700", "20260002:12700"};
        QTest::newRow("reversal") << "STMT-2026-002" << "REF102" << 0 << QStringList{};
        QTest::newRow("printed number in MT940 sub-fields") << "00003/001" << "MTU1" << 0 << QStringList{"!20260001:12700"};
    }
    void suggestsInvoices()
    {
        for (const char* file : {"camt053_001_02.xml", "camt053_001_08.xml", "mt940_utf8.sta"})
            QVERIFY(import(QLatin1String(file)).ok);
        QFETCH(QString, statement);
        QFETCH(QString, reference);
        QFETCH(int, part);
        const qint64 id = entryId(statement, reference, part);
        QVERIFY(id > 0);
        QStringList got;
        for (const Suggestion& sg : suggestMatches(loadEntry(connection(), id), loadMatchingData(connection())))
            got << (sg.exact ? QStringLiteral("!") : QString()) + allocationsText(sg.allocations);
        QFETCH(QStringList, suggestions);
        // the best ones as listed; the rest may follow
        QCOMPARE(got.mid(0, suggestions.size()), suggestions);
    }

    // Matching from what is known of the customers, without a file.
    void suggestsFromCustomerData_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<qint64>("amount");
        QTest::addColumn<QString>("remittance");
        QTest::addColumn<QString>("best");
        QTest::newRow("account seen before") << "X" << "HU93 1160 0006 0000 0000 1234 5678" << "HUF" << qint64(500000)
                                             << "" << "101:3000,102:2000";
        QTest::newRow("customer's name") << "BÉTA BT" << "" << "HUF" << qint64(100000) << "" << "101:1000";
        QTest::newRow("name of another") << "Bétaház Kft" << "" << "HUF" << qint64(100000) << "" << "";
        QTest::newRow("other currency") << "Béta Bt." << "" << "EUR" << qint64(300000) << "101" << "";
        QTest::newRow("more than the invoice owes") << "" << "" << "HUF" << qint64(400000) << "fizetes 101 számlára"
                                                    << "";
        QTest::newRow("number with more digits is no number") << "" << "" << "HUF" << qint64(300000) << "123"
                                                              << "123:3000";
    }
    void suggestsFromCustomerData()
    {
        MatchingData data;
        data.open = {{QStringLiteral("101"), QStringLiteral("2"), QStringLiteral("Béta Bt."), QStringLiteral("Ft"), 300000, QDate(2026, 1, 1)},
                     {QStringLiteral("102"), QStringLiteral("2"), QStringLiteral("Béta Bt."), QStringLiteral("HUF"), 200000, QDate(2026, 2, 1)},
                     {QStringLiteral("123"), QStringLiteral("4"), QStringLiteral("Delta"), QStringLiteral("Ft"), 300000, QDate(2026, 3, 1)}};
        data.customerAccounts.insert(QStringLiteral("2"), accountKey(QStringLiteral("HU93116000060000000012345678")));
        EntryRow e;
        e.id = 1;
        QFETCH(QString, name);
        QFETCH(QString, account);
        QFETCH(QString, currency);
        QFETCH(qint64, amount);
        QFETCH(QString, remittance);
        e.name = name;
        e.account = account;
        e.currency = currency;
        e.amount = amount;
        e.remittance = remittance + QStringLiteral(" 41231234");
        const auto got = suggestMatches(e, data);
        QFETCH(QString, best);
        if (QTest::currentDataTag() == QLatin1String("more than the invoice owes")) {
            // the whole balance, the rest left for the operator
            QVERIFY(!got.empty());
            QCOMPARE(allocationsText(got.front().allocations), QStringLiteral("101:3000"));
            QVERIFY(!got.front().exact);
            return;
        }
        if (QTest::currentDataTag() == QLatin1String("number with more digits is no number")) {
            // "123" is found alone, never inside "41231234"; amount equal as well: exact
            QVERIFY(!got.empty());
            QVERIFY(got.front().exact);
        }
        QCOMPARE(got.empty() ? QString() : allocationsText(got.front().allocations), best);
    }

    // --book-exact's rule: only credits whose invoice numbers and amount both match exactly are
    // booked; each payment names its statement entry and the balances follow.
    void booksExactMatches()
    {
        const ImportResult r = import(QStringLiteral("camt053_001_02.xml"));
        const ExactBookingResult booked = bookExactMatches(connection(), r.newEntries, true);
        QCOMPARE(booked.booked.size(), 4);
        QCOMPARE(booked.left.size(), 2);
        QVERIFY(booked.failed.isEmpty());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT pBszam, ROUND(pOsszeg), pDatum, pMegj FROM szlafizetes ORDER BY pBszam")),
                 (QStringList{"20260001|12700|2026.03.02|Bankkivonat STMT-2026-001, REF001",
                              "20260002|12700|2026.03.02|Bankkivonat STMT-2026-001, REF005",
                              "20260003|25400|2026.03.02|Bankkivonat STMT-2026-001, REF005",
                              "20260004|12700|2026.03.02|Bankkivonat STMT-2026-001, REF002",
                              "20260005|25400|2026.03.02|Bankkivonat STMT-2026-001, REF002",
                              "20260006|38100|2026.03.02|Bankkivonat STMT-2026-001, REF002"}));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM bankkivonattetel WHERE ktAllapot = 'K'")), QStringLiteral("4"));
        QCOMPARE(balance(QStringLiteral("20260007")), QStringLiteral("63500"));
        QCOMPARE(loadEntry(connection(), entryId("STMT-2026-001", "REF003")).valueDate, QDate(2026, 3, 2));
        // a booked entry is offered nothing more
        QVERIFY(suggestMatches(loadEntry(connection(), entryId("STMT-2026-001", "REF001")), loadMatchingData(connection())).empty());
    }

    // The operator's own split: a partial payment and the rest on another invoice; refused
    // splits write nothing; an undone booking marks its payments deleted and opens the entry.
    void booksSplitsAndUndoes()
    {
        QVERIFY(import(QStringLiteral("camt053_001_02.xml")).ok);
        const qint64 id = entryId("STMT-2026-001", "REF003");
        QString refusal = bookEntry(connection(), id, {{"20260007", 2000000}, {"20260003", 1000001}});
        QVERIFY2(refusal.contains(QStringLiteral("több, mint a jóváírás")), qPrintable(refusal));
        // the second invoice's balance is 25 400: a split beyond it is refused by the payment path
        s->db.exec(QStringLiteral("UPDATE bankkivonattetel SET ktOsszeg = 60000 WHERE ktID = %1").arg(id));
        refusal = bookEntry(connection(), id, {{"20260007", 2000000}, {"20260003", 2600000}});
        QVERIFY2(refusal.contains(QStringLiteral("több, mint a számla hátraléka")), qPrintable(refusal));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafizetes")), QStringLiteral("0"));
        s->db.exec(QStringLiteral("UPDATE bankkivonattetel SET ktOsszeg = 30000 WHERE ktID = %1").arg(id));

        QCOMPARE(bookEntry(connection(), id, {{"20260007", 2000000}, {"20260003", 1000000}}), QString());
        QCOMPARE(balance(QStringLiteral("20260007")), QStringLiteral("43500"));
        QCOMPARE(balance(QStringLiteral("20260003")), QStringLiteral("15400"));
        refusal = bookEntry(connection(), id, {{"20260007", 100}});
        QVERIFY2(refusal.contains(QStringLiteral("már lekönyvelték")), qPrintable(refusal));

        QCOMPARE(undoEntry(connection(), id), QString());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafizetes WHERE pTorolve IS NOT NULL")), QStringLiteral("2"));
        QCOMPARE(balance(QStringLiteral("20260007")), QStringLiteral("63500"));
        QVERIFY(!loadEntry(connection(), id).booked);
        QVERIFY(undoEntry(connection(), id).contains(QStringLiteral("nincs lekönyvelve")));
        // booked anew after the undo
        QCOMPARE(bookEntry(connection(), id, {{"20260007", 3000000}}), QString());
        QCOMPARE(balance(QStringLiteral("20260007")), QStringLiteral("33500"));
        // reversals and debits are never booked as payments
        refusal = bookEntry(connection(), entryId("STMT-2026-001", "REF004"), {{"20260001", 500000}});
        QVERIFY2(refusal.contains(QStringLiteral("Csak jóváírás")), qPrintable(refusal));
    }

    // Two workstations book the same entry at once: one books it, the other is told it was
    // booked meanwhile, and the invoice is paid once.
    void twoWorkstationsBookOneEntry()
    {
        QVERIFY(import(QStringLiteral("camt053_001_02.xml")).ok);
        const qint64 id = entryId("STMT-2026-001", "REF002");
        const std::vector<Allocation> split{{"20260004", 1270000}, {"20260005", 2540000}, {"20260006", 3810000}};
        QString results[2];
        std::latch start(2);
        auto workstation = [&](int n) {
            Connection c;
            c.open(s->db.profile());
            start.arrive_and_wait();
            results[n] = bookEntry(c, id, split);
        };
        std::thread a(workstation, 0);
        std::thread b(workstation, 1);
        a.join();
        b.join();
        QVERIFY2(results[0].isEmpty() != results[1].isEmpty(), qPrintable(results[0] + u'|' + results[1]));
        QVERIFY((results[0] + results[1]).contains(QStringLiteral("már lekönyvelték")));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafizetes")), QStringLiteral("3"));
        QCOMPARE(balance(QStringLiteral("20260006")), QStringLiteral("0"));
    }

    // orvena --import-statement FILE --book-exact: what was booked and what is left; a second
    // run books nothing; an unknown account fails without storing.
    void commandLine()
    {
        auto run = [&](const QStringList& arguments) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("ORVENA_DB_NAME"), s->db.name());
            env.insert(QStringLiteral("ORVENA_DB_USER"), s->db.profile().user);
            process.setProcessEnvironment(env);
            process.start(QStringLiteral(ORVENA_PROGRAM), arguments);
            process.waitForFinished(60000);
            return std::tuple{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                              QString::fromUtf8(process.readAllStandardError())};
        };
        const QString file = QStringLiteral(ORVENA_SOURCE_DIR "/tests/bank/statements/camt053_001_02.xml");
        // a faulty command line: status 2, nothing read
        auto [status, out, err] = run({QStringLiteral("--book-exact"), QStringLiteral("--import-statement")});
        QCOMPARE(status, 2);
        QVERIFY2(err.contains(QStringLiteral("--import-statement kapcsoló után hiányzik")), qPrintable(err));
        std::tie(status, out, err) = run({QStringLiteral("--import-statement"), file, QStringLiteral("--book-exact")});
        QVERIFY2(status == 0, qPrintable(err));
        QVERIFY2(out.contains(QStringLiteral("Könyvelve (4)")) && out.contains(QStringLiteral("Nyitva maradt (2)"))
                     && out.contains(QStringLiteral("20260006 (38")),
                 qPrintable(out));
        std::tie(status, out, err) = run({QStringLiteral("--import-statement"), file, QStringLiteral("--book-exact")});
        QCOMPARE(status, 0);
        QVERIFY2(out.contains(QStringLiteral("már be van olvasva")) && !out.contains(QStringLiteral("Könyvelve")),
                 qPrintable(out));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafizetes")), QStringLiteral("6"));
        // without --book-exact nothing is booked, everything listed
        std::tie(status, out, err) = run({QStringLiteral("--import-statement"),
                                          QStringLiteral(ORVENA_SOURCE_DIR "/tests/bank/statements/mt940_cp852.sta")});
        QCOMPARE(status, 0);
        QVERIFY2(out.contains(QStringLiteral("Nyitva maradt (3)")) && out.contains(QStringLiteral("Árvíztűrő")), qPrintable(out));
        s->db.exec(QStringLiteral("UPDATE szallito SET zIBAN = ''"));
        std::tie(status, out, err) = run({QStringLiteral("--import-statement"),
                                          QStringLiteral(ORVENA_SOURCE_DIR "/tests/bank/statements/camt053_001_08.xml")});
        QCOMPARE(status, 1);
        QVERIFY2(err.contains(QStringLiteral("egyik kibocsátó")), qPrintable(err));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM bankkivonat WHERE kbAzonosito = 'STMT-2026-002'")),
                 QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(BankStatementsTest)
#include "tst_bankstatements.moc"
