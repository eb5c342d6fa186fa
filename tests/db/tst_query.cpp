// The query object against the real server: literal substitution, reading, locating,
// conversions and transactions.
#include "support/fakes.h"

#include "db/codepages.h"
#include "db/conversions.h"
#include "db/schema.h"
#include "db/transaction.h"

#include <QSignalSpy>
#include <QTest>

using namespace orvena;

class QueryTest : public QObject {
    Q_OBJECT
private:
    test::TestDatabase* db = nullptr;
    DataModule* data = nullptr;

    Query& q() { return data->query(QStringLiteral("ZQ10")); }

private slots:
    void initTestCase()
    {
        db = new test::TestDatabase;
        data = new DataModule;
        DB_VERIFY(data->connect(db->profile()));
        db->exec(QStringLiteral("CREATE TABLE probe (id INT AUTO_INCREMENT PRIMARY KEY, t VARCHAR(40), "
                                "b BLOB, d DATE, n DECIMAL(18,4), i INT)"));
    }
    void cleanupTestCase()
    {
        delete data;
        delete db;
    }
    void init() { db->exec(QStringLiteral("DELETE FROM probe")); }

    void textRoundTripsByteForByte_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // null: the text itself
        QTest::newRow("quotes") << QStringLiteral("O'Brien \"Kft.\" `x`") << QString();
        QTest::newRow("backslashes") << QStringLiteral("C:\\Számlák\\\\új\\'") << QString();
        QTest::newRow("nul") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << QString();
        QTest::newRow("hungarian") << QStringLiteral("őű ŐŰ áéíóöúü ÁÉÍÓÖÚÜ") << QString();
        QTest::newRow("marker-like text") << QStringLiteral(":p1 :p11 -- ; DROP TABLE probe; #") << QString();
        QTest::newRow("line breaks") << QStringLiteral("első sor\r\nmásodik sor\n") << QString();
        QTest::newRow("empty") << QString() << QString();
        // what latin2 lacks of the typographer's characters goes as a typist writes it
        QTest::newRow("typographic") << QStringLiteral("Orvena – „Ár” ‚x’ — 5−2 “y” ‘z’ …")
                                     << QStringLiteral("Orvena - \"Ár\" 'x' - 5-2 \"y\" 'z' ...");
    }
    void textRoundTripsByteForByte()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        const QString expected = stored.isNull() ? text : stored;
        Query& query = q();
        query.setSql({QStringLiteral("INSERT INTO probe (t, b) VALUES (:p1, :p1)")});
        query.setText(QStringLiteral("p1"), text);
        DB_VERIFY(query.execute());
        query.setSql({QStringLiteral("SELECT t, b, HEX(t) AS h FROM probe")});
        DB_VERIFY(query.open());
        QCOMPARE(query.rowCount(), 1);
        QCOMPARE(query.fieldText(QStringLiteral("t")), expected);
        QCOMPARE(query.fieldText(QStringLiteral("B")), expected);
        // stored as latin2, one byte per character
        QCOMPARE(query.fieldText(QStringLiteral("h")).size(), expected.size() * 2);
    }

    void markersMatchByWholeName()
    {
        Query& query = q();
        query.setSql({QStringLiteral("SELECT :p1 AS a, :p11 AS b, :p1 AS c, ':p1' AS d, \":p11\" AS e")});
        query.setText(QStringLiteral("p11"), QStringLiteral("tizenegy"));
        query.setText(QStringLiteral(":p1"), QStringLiteral("egy"));
        DB_VERIFY(query.open());
        QCOMPARE(query.fieldText(QStringLiteral("a")), QStringLiteral("egy"));
        QCOMPARE(query.fieldText(QStringLiteral("b")), QStringLiteral("tizenegy"));
        QCOMPARE(query.fieldText(QStringLiteral("c")), QStringLiteral("egy"));
        QCOMPARE(query.fieldText(QStringLiteral("d")), QStringLiteral(":p1"));
        QCOMPARE(query.fieldText(QStringLiteral("e")), QStringLiteral(":p11"));
    }

    void numbersGoAsLiterals()
    {
        Query& query = q();
        query.setSql({QStringLiteral("INSERT INTO probe (n, i) VALUES (:p0, :p2)")});
        DB_VERIFY(query.setFloat(QStringLiteral("p0"), QStringLiteral("1234567,89")));
        DB_VERIFY(query.setInteger(QStringLiteral("p2"), QStringLiteral("-42")));
        QCOMPARE(query.boundStatement(), QByteArray("INSERT INTO probe (n, i) VALUES (1234567.89, -42)"));
        DB_VERIFY(query.execute());
        query.setSql({QStringLiteral("SELECT n, i FROM probe")});
        DB_VERIFY(query.open());
        // exact decimal, shown without useless zeros and with the decimal comma
        QCOMPARE(query.fieldText(QStringLiteral("n")), QStringLiteral("1234567,89"));
        QCOMPARE(query.fieldInt(QStringLiteral("i")), -42);
        QCOMPARE(query.fieldDouble(QStringLiteral("n")), 1234567.89);
    }

    void characterOutsideLatin2IsRefusedBeforeSending()
    {
        int sent = 0;
        data->connection().setStatementHook([&](const QByteArray&) { ++sent; });
        Query& query = q();
        query.setSql({QStringLiteral("INSERT INTO probe (t) VALUES (:p1)")});
        query.setText(QStringLiteral("p1"), QStringLiteral("Ár: 5 €"));
        try {
            query.execute();
            QFAIL("the euro sign was sent");
        } catch (const ConversionError& e) {
            QVERIFY(e.text().contains(QStringLiteral("€")));
            QVERIFY(e.text().contains(QStringLiteral("nem tárolható")));
        }
        data->connection().setStatementHook({});
        QCOMPARE(sent, 0);
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM probe")), QStringLiteral("0"));
    }

    void missingParameterValueIsAnError()
    {
        Query& query = q();
        query.setSql({QStringLiteral("SELECT :p3")});
        QVERIFY_THROWS_EXCEPTION(DbError, query.open());
    }

    void conversionsNameTheOffendingValue_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("int letters") << "int" << "12a" << "A(z) '12a' nem érvényes egész szám.";
        QTest::newRow("int empty") << "int" << "" << "A(z) '' nem érvényes egész szám.";
        QTest::newRow("int overflow") << "int" << "2147483648" << "A(z) '2147483648' nem érvényes egész szám.";
        QTest::newRow("float percent") << "float" << "5%" << "A(z) '5%' nem érvényes szám.";
        QTest::newRow("float empty") << "float" << "" << "A(z) '' nem érvényes szám.";
        QTest::newRow("float two commas") << "float" << "1,2,3" << "A(z) '1,2,3' nem érvényes szám.";
        QTest::newRow("date") << "date" << "2010.13.01" << "A(z) '2010.13.01' nem érvényes dátum.";
        QTest::newRow("date text") << "date" << "tegnap" << "A(z) 'tegnap' nem érvényes dátum.";
    }
    void conversionsNameTheOffendingValue()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            if (kind == u"int")
                q().setInteger(QStringLiteral("p1"), text);
            else if (kind == u"float")
                q().setFloat(QStringLiteral("p1"), text);
            else
                parseDate(text);
            QFAIL("no conversion error");
        } catch (const ConversionError& e) {
            QCOMPARE(e.text(), message);
        }
    }

    // A DECIMAL column gets every digit typed; a double goes with the shortest text that reads
    // back as the same double.
    void numbersKeepEveryDigit()
    {
        Query& query = q();
        query.setSql({QStringLiteral("INSERT INTO probe (n, t) VALUES (:p1, :p2)")});
        query.setFloat(QStringLiteral("p1"), QStringLiteral("12345678901234,5678"));
        query.setText(QStringLiteral("p2"), QStringLiteral("typed"));
        DB_VERIFY(query.execute());
        query.setSql({QStringLiteral("INSERT INTO probe (n, t) VALUES (:p1, :p2)")});
        query.setFloat(QStringLiteral("p1"), 1234567890123.25); // 16 digits, exactly a double
        query.setText(QStringLiteral("p2"), QStringLiteral("double"));
        DB_VERIFY(query.execute());
        QCOMPARE(db->scalar(QStringLiteral("SELECT CAST(n AS CHAR) FROM probe WHERE t = 'typed'")),
                 QStringLiteral("12345678901234.5678"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT CAST(n AS CHAR) FROM probe WHERE t = 'double'")),
                 QStringLiteral("1234567890123.2500"));
        QCOMPARE(decimalLiteral(QStringLiteral(" -1 234,50 ")), QByteArray("-1234.50"));
    }

    void anEmojiIsNamedWhole()
    {
        const QString problem = encodingProblem(CodePage::Latin2, QStringLiteral("Köszi ") + QString::fromUtf8("\xF0\x9F\x98\x80"));
        QVERIFY2(problem.contains(QStringLiteral("(U+1F600) nem tárolható")), qPrintable(problem));
        QCOMPARE(encodable(CodePage::Latin2, QStringLiteral("5 € ") + QString::fromUtf8("\xF0\x9F\x98\x80") + u'!'),
                 QStringLiteral("5  !"));
        QVERIFY(encodingProblem(CodePage::Latin2, QStringLiteral("árvíztűrő")).isEmpty());
    }

    void halfTypedNumbersAreNoNumberYet_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("minus") << "-" << false << 0.0;
        QTest::newRow("comma") << "," << false << 0.0;
        QTest::newRow("minus comma") << "-," << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("two,") << "2," << true << 2.0;
        QTest::newRow("-two,") << "-2," << true << -2.0;
        QTest::newRow("two,five") << "2,5" << true << 2.5;
        QTest::newRow("zero,zero") << "0,0" << true << 0.0;
    }
    void halfTypedNumbersAreNoNumberYet()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const auto typed = typedNumber(text);
        QCOMPARE(typed.has_value(), isNumber);
        if (typed)
            QCOMPARE(*typed, value);
    }

    void numbersMustFitTheirColumn_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::newRow("14 whole digits") << "sEar" << "99999999999999,9999" << true;
        QTest::newRow("15 whole digits") << "sEar" << "100000000000000" << false;
        QTest::newRow("negative 15") << "sEar" << "-123456789012345" << false;
        QTest::newRow("leading zeros") << "sEar" << "000000000000001,5" << true;
        QTest::newRow("int max") << "sAfa" << "2147483647" << true;
        QTest::newRow("int beyond") << "sAfa" << "2147483648" << false;
        QTest::newRow("text column") << "sMegn" << "123456789012345678901" << true;
        QTest::newRow("not a number") << "sEar" << "-" << true; // the conversion reports it
    }
    void numbersMustFitTheirColumn()
    {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(bool, fits);
        try {
            checkNumberFits(QStringLiteral("szlasor"), column, text, QStringLiteral("Egységár"));
            QVERIFY(fits);
        } catch (const ConversionError& e) {
            QVERIFY2(!fits, qPrintable(e.text()));
            QVERIFY(e.text().startsWith(QStringLiteral("A(z) \"Egységár\" mező értéke")));
        }
        QCOMPARE(textWidth(QStringLiteral("vevo"), QStringLiteral("vneve")), 75);
        QCOMPARE(textWidth(QStringLiteral("vevo"), QStringLiteral("vKamat")), 0);
    }

    // Codes are located exactly, names by their beginning.
    void locateByCodeOrByPrefix()
    {
        db->exec(QStringLiteral("INSERT INTO probe (t) VALUES ('10'), ('1'), ('Kovács'), ('kov')"));
        Query& query = q();
        query.setSql({QStringLiteral("SELECT * FROM probe ORDER BY id")});
        DB_VERIFY(query.open());
        QVERIFY(query.locate(QStringLiteral("t"), QStringLiteral("1")));
        QCOMPARE(query.fieldText(QStringLiteral("t")), QStringLiteral("10"));
        QVERIFY(query.locate(QStringLiteral("t"), QStringLiteral("1"), Query::Match::Exact));
        QCOMPARE(query.fieldText(QStringLiteral("t")), QStringLiteral("1"));
        QVERIFY(query.locate(QStringLiteral("t"), QStringLiteral("KOV"), Query::Match::Exact));
        QCOMPARE(query.fieldText(QStringLiteral("t")), QStringLiteral("kov"));
        QVERIFY(!query.locate(QStringLiteral("t"), QStringLiteral("2"), Query::Match::Exact));
        QCOMPARE(query.fieldText(QStringLiteral("t")), QStringLiteral("kov"));
    }

    // A list whose query ran other statements is put back: same SELECT, same parameters, same row.
    void aSnapshotPutsTheListBack()
    {
        db->exec(QStringLiteral("INSERT INTO probe (t, i) VALUES ('a', 1), ('b', 2), ('c', 2), ('d', 2)"));
        Query& query = q();
        query.setSql({QStringLiteral("SELECT * FROM probe WHERE i = :p1 ORDER BY t")});
        query.setInteger(QStringLiteral("p1"), 2);
        DB_VERIFY(query.open());
        query.setCurrentRow(1);
        const Query::Snapshot before = query.snapshot();
        query.setSql({QStringLiteral("DELETE FROM probe WHERE t = :p1")});
        query.setText(QStringLiteral("p1"), QStringLiteral("x"));
        DB_VERIFY(query.execute());
        QVERIFY(!query.isOpen());
        try {
            query.fieldText(QStringLiteral("t"));
            QFAIL("a closed query was read");
        } catch (const DbError& e) {
            QCOMPARE(e.text(), QStringLiteral("Nincs kiválasztott sor: a(z) ZQ10 lista nincs megnyitva."));
        }
        DB_VERIFY(query.restore(before));
        QCOMPARE(query.rowCount(), 3);
        QCOMPARE(query.fieldText(QStringLiteral("t")), QStringLiteral("c"));
        DB_VERIFY(query.refresh());
        QCOMPARE(query.fieldText(QStringLiteral("t")), QStringLiteral("c"));
    }

    void acceptedNumberTexts()
    {
        QCOMPARE(parseDouble(QStringLiteral("3,5")), 3.5);
        QCOMPARE(parseDouble(QStringLiteral(" -0,25 ")), -0.25);
        QCOMPARE(parseDouble(QStringLiteral("310.5")), 310.5);
        QCOMPARE(parseInt32(QStringLiteral("-2147483648")), std::numeric_limits<int>::min());
        // one past either end of a 32-bit integer is refused, not wrapped
        QVERIFY_THROWS_EXCEPTION(ConversionError, parseInt32(QStringLiteral("2147483648")));
        QVERIFY_THROWS_EXCEPTION(ConversionError, parseInt32(QStringLiteral("-2147483649")));
        QCOMPARE(parseInt64(QStringLiteral(" 2147483648 ")), Q_INT64_C(2147483648));
        QCOMPARE(formatNumber(1234567.5, 2), QStringLiteral("1 234 567,50"));
        QCOMPARE(formatNumber(-0.004, 2), QStringLiteral("0,00"));
        QCOMPARE(formatNumber(-1000, 0), QStringLiteral("-1 000"));
        QCOMPARE(formatPlain(3.0), QStringLiteral("3"));
        QCOMPARE(formatPlain(-0.125), QStringLiteral("-0,125"));
    }

    void emptyResultAndNullReadAsEmpty()
    {
        Query& query = q();
        query.setSql({QStringLiteral("SELECT * FROM probe")});
        DB_VERIFY(query.open());
        QVERIFY(query.isEmpty());
        QCOMPARE(query.fieldText(QStringLiteral("t")), QString());
        QCOMPARE(query.fieldInt(QStringLiteral("i")), 0);
        QVERIFY_THROWS_EXCEPTION(DbError, query.fieldText(QStringLiteral("nincs")));

        db->exec(QStringLiteral("INSERT INTO probe (t) VALUES (NULL)"));
        DB_VERIFY(query.refresh());
        QCOMPARE(query.rowCount(), 1);
        QCOMPARE(query.fieldText(QStringLiteral("t")), QString());
        QCOMPARE(query.fieldText(QStringLiteral("d")), QString());
        QCOMPARE(query.fieldInt(QStringLiteral("n")), 0);
    }

    // Typed cells come from the server's form, never from the text the program shows: every
    // decimal digit, NULL as nought, a number kept in a text column, dates; a cell that is no
    // number is refused naming its column.
    void typedCellsReadTheServerForm()
    {
        db->exec(QStringLiteral("INSERT INTO probe (t, d, n, i) VALUES ('3,333', '2026-12-05', -1234.5678, 7), "
                                "(NULL, NULL, NULL, NULL), ('kg', NULL, 0.0001, 1)"));
        Query& query = q();
        query.setSql({QStringLiteral("SELECT t, d, n, i, n * 2 AS twice, 1e-7 AS tiny, SUM(n) OVER () AS total FROM "
                                     "probe ORDER BY id")});
        DB_VERIFY(query.open());
        QCOMPARE(query.decimal(0, QStringLiteral("n")).text(), QStringLiteral("-1234,5678"));
        QCOMPARE(query.money(0, QStringLiteral("n")).text(), QStringLiteral("-1234,57"));
        QCOMPARE(query.integer(0, QStringLiteral("n")), -1235);
        QCOMPARE(query.integer(0, QStringLiteral("i")), 7);
        QCOMPARE(query.decimal(0, QStringLiteral("t")).text(), QStringLiteral("3,333"));
        QCOMPARE(query.decimal(0, QStringLiteral("twice")).literal(), QStringLiteral("-2469.1356"));
        QCOMPARE(query.decimal(0, QStringLiteral("tiny")).literal(), QStringLiteral("0.0000001"));
        QCOMPARE(query.decimal(0, QStringLiteral("total")).literal(), QStringLiteral("-1234.5677"));
        QCOMPARE(query.date(0, QStringLiteral("d")), QDate(2026, 12, 5));
        query.setCurrentRow(1);
        QVERIFY(query.fieldDecimal(QStringLiteral("n")).isZero());
        QVERIFY(query.fieldMoney(QStringLiteral("t")).isZero());
        QVERIFY(query.fieldDate(QStringLiteral("d")).isNull());
        QCOMPARE(query.fieldInt(QStringLiteral("i")), 0);
        try {
            query.decimal(2, QStringLiteral("t"));
            QFAIL("a text read as a number");
        } catch (const ConversionError& e) {
            QCOMPARE(e.text(), QStringLiteral("A(z) t oszlop 'kg' értéke nem szám."));
        }
        QCOMPARE(query.decimal(2, QStringLiteral("n")).text(), QStringLiteral("0,0001"));
        QVERIFY_THROWS_EXCEPTION(DbError, query.decimal(0, QStringLiteral("nincs")));
        // beyond the rows: nought, as the texts are empty
        QVERIFY(query.decimal(9, QStringLiteral("n")).isZero());
    }

    // A column the program computes joins the rows read: the cells read stay as they were (NULL
    // too), the current row stays, and a cell count that does not match the rows is refused.
    void computedColumnJoinsTheRows()
    {
        db->exec(QStringLiteral("INSERT INTO probe (t, n) VALUES ('a', NULL), ('b', 2.5)"));
        Query& query = q();
        query.setSql({QStringLiteral("SELECT t, n FROM probe ORDER BY id")});
        DB_VERIFY(query.open());
        query.setCurrentRow(1);
        DB_VERIFY(query.appendColumn(QStringLiteral("osszeg"), ColumnKind::Decimal, {"1.50", "-0.05"}));
        QCOMPARE(query.currentRow(), 1);
        QCOMPARE(query.fieldText(QStringLiteral("osszeg")), QStringLiteral("-0,05"));
        QCOMPARE(query.fieldText(QStringLiteral("n")), QStringLiteral("2,5"));
        QCOMPARE(query.text(0, QStringLiteral("osszeg")), QStringLiteral("1,5"));
        QCOMPARE(query.text(0, QStringLiteral("t")), QStringLiteral("a"));
        QVERIFY(query.result()->isNull(0, query.columnIndex(QStringLiteral("n"))));
        QVERIFY_THROWS_EXCEPTION(Error, query.appendColumn(QStringLiteral("hibas"), ColumnKind::Decimal, {"1"}));

        // Put in the program's own order: the rows move whole (their NULLs too), the new column's
        // cells come in the new order; an order that skips or repeats a row is refused.
        DB_VERIFY(query.reorderWithColumn({1, 0}, QStringLiteral("nev"), ColumnKind::Text, {"B\xe9la", "Anna"}));
        QCOMPARE(query.text(0, QStringLiteral("t")), QStringLiteral("b"));
        QCOMPARE(query.text(0, QStringLiteral("nev")), QStringLiteral("Béla"));
        QCOMPARE(query.text(1, QStringLiteral("osszeg")), QStringLiteral("1,5"));
        QVERIFY(query.result()->isNull(1, query.columnIndex(QStringLiteral("n"))));
        QCOMPARE(query.currentRow(), 0);
        for (const std::vector<int>& wrong : {std::vector<int>{0, 0}, std::vector<int>{0}, std::vector<int>{0, 2}})
            QVERIFY_THROWS_EXCEPTION(Error, query.reorderWithColumn(wrong, QStringLiteral("x"), ColumnKind::Text, {"a", "b"}));
    }

    void datesTravelInProgramFormat()
    {
        Query& query = q();
        query.setSql({QStringLiteral("INSERT INTO probe (d) VALUES (:p1)")});
        query.setText(QStringLiteral("p1"), QStringLiteral("2010.05.17"));
        DB_VERIFY(query.execute());
        query.setSql({QStringLiteral("SELECT d, DATE_FORMAT(d, '%Y-%m-%d') AS iso FROM probe")});
        DB_VERIFY(query.open());
        QCOMPARE(query.fieldText(QStringLiteral("d")), QStringLiteral("2010.05.17"));
        QCOMPARE(query.fieldText(QStringLiteral("iso")), QStringLiteral("2010-05-17"));
    }

    void strictModeRefusesInsteadOfTruncating_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::newRow("text too long") << "t" << QString(41, u'x');
        QTest::newRow("impossible date") << "d" << "2010.02.30";
        QTest::newRow("empty date") << "d" << "";
        QTest::newRow("text into number") << "i" << "abc";
    }
    void strictModeRefusesInsteadOfTruncating()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        Query& query = q();
        query.setSql({QStringLiteral("INSERT INTO probe (%1) VALUES (:p1)").arg(column)});
        query.setText(QStringLiteral("p1"), value);
        QVERIFY_THROWS_EXCEPTION(DbError, query.execute());
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM probe")), QStringLiteral("0"));
    }

    void emptyIdentityLetsTheServerAssignIt()
    {
        Query& query = q();
        query.setSql({QStringLiteral("INSERT INTO probe (id, t) VALUES (:p0, :p1)")});
        query.setIdentity(QStringLiteral("p0"), QString());
        query.setText(QStringLiteral("p1"), QStringLiteral("új"));
        DB_VERIFY(query.execute());
        QVERIFY(query.lastInsertId() > 0);
        query.setIdentity(QStringLiteral("p0"), QStringLiteral("77"));
        DB_VERIFY(query.execute());
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM probe WHERE id = 77")), QStringLiteral("1"));
    }

    void locate_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("row");
        QTest::newRow("prefix") << "Kov" << 3 << true << 1;
        QTest::newRow("case") << "kOVÁCS" << 3 << true << 1;
        QTest::newRow("accented lower key") << "őrs" << 0 << true << 2;
        QTest::newRow("accent is a different letter") << "Ors" << 0 << false << 0;
        QTest::newRow("no match keeps row") << "Zzz" << 3 << false << 3;
        QTest::newRow("empty key first row") << "" << 3 << true << 0;
        QTest::newRow("whole value") << "Ábel Kft." << 2 << true << 0;
    }
    void locate()
    {
        QFETCH(QString, key);
        QFETCH(int, startRow);
        QFETCH(bool, found);
        QFETCH(int, row);
        db->exec(QStringLiteral("INSERT INTO probe (t) VALUES ('Ábel Kft.'), ('Kovács Bt.'), ('Őrségi Fatelep'), "
                                "('Zöld Kft.')"));
        Query& query = q();
        query.setSql({QStringLiteral("SELECT * FROM probe ORDER BY id")});
        DB_VERIFY(query.open());
        query.setCurrentRow(startRow);
        QSignalSpy moved(&query, &Query::currentRowChanged);
        QCOMPARE(query.locate(QStringLiteral("T"), key), found);
        QCOMPARE(query.currentRow(), row);
        QCOMPARE(moved.isEmpty(), row == startRow);
    }

    void transactionStatementsOnOneQuery()
    {
        Query& query = q();
        query.setSql({QStringLiteral("START TRANSACTION")});
        DB_VERIFY(query.execute());
        query.setSql({QStringLiteral("INSERT INTO probe (t) VALUES (:p1)")});
        query.setText(QStringLiteral("p1"), QStringLiteral("visszavonva"));
        DB_VERIFY(query.execute());
        query.setSql({QStringLiteral("ROLLBACK")});
        DB_VERIFY(query.execute());
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM probe")), QStringLiteral("0"));

        // the guard rolls back when the scope ends without commit, and keeps a committed chain
        {
            Transaction t(query);
            query.setSql({QStringLiteral("INSERT INTO probe (t) VALUES ('a')")});
            query.execute();
        }
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM probe")), QStringLiteral("0"));
        {
            Transaction t(query);
            query.setSql({QStringLiteral("INSERT INTO probe (t) VALUES ('b')")});
            query.execute();
            t.commit();
        }
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM probe")), QStringLiteral("1"));
    }

    void statementHookMakesAChosenStatementFail()
    {
        data->connection().setStatementHook([](const QByteArray& sql) {
            if (sql.startsWith("INSERT"))
                throw DbError(QStringLiteral("injected"));
        });
        Query& query = q();
        query.setSql({QStringLiteral("INSERT INTO probe (t) VALUES ('x')")});
        QVERIFY_THROWS_EXCEPTION(DbError, query.execute());
        data->connection().setStatementHook({});
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM probe")), QStringLiteral("0"));
    }

    void refreshKeepsThePositionAndSignals()
    {
        db->exec(QStringLiteral("INSERT INTO probe (t) VALUES ('a'), ('b'), ('c')"));
        Query& query = q();
        query.setSql({QStringLiteral("SELECT * FROM probe ORDER BY t")});
        DB_VERIFY(query.open());
        query.last();
        QCOMPARE(query.fieldText(QStringLiteral("t")), QStringLiteral("c"));
        db->exec(QStringLiteral("INSERT INTO probe (t) VALUES ('d')"));
        QSignalSpy replaced(&query, &Query::rowsReplaced);
        DB_VERIFY(query.refresh());
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(query.rowCount(), 4);
        QCOMPARE(query.currentRow(), 2);
        query.close();
        QVERIFY(!query.isOpen());
        QCOMPARE(query.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(QueryTest)
#include "tst_query.moc"
