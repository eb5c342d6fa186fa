// The fillér money type: reading amounts, rounding halves and negatives, line amounts with a
// discount and tax, exchange-rate conversion, and the texts an amount is shown in.
#include "db/errors.h"
#include "db/money.h"
#include "db/numberinput.h"

#include <QTest>

using namespace orvena;

class TestMoney : public QObject {
    Q_OBJECT
private slots:
    void amounts_data();
    void amounts();
    void lineAmounts_data();
    void lineAmounts();
    void conversion_data();
    void conversion();
    void refused();
    void serverForm();
    void typedNumbers_data();
    void typedNumbers();
};

void TestMoney::amounts_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<qint64>("filler");
    QTest::addColumn<QString>("grouped");
    QTest::addColumn<QString>("schema");
    QTest::addColumn<QString>("whole"); // rounded to whole units
    QTest::newRow("half up") << "2,345" << qint64(235) << "2,35" << "2.35" << "2";
    QTest::newRow("negative half away from zero") << "-2.345" << qint64(-235) << "-2,35" << "-2.35" << "-2";
    QTest::newRow("binary trap 1,005") << "1.005" << qint64(101) << "1,01" << "1.01" << "1";
    QTest::newRow("below half") << "0,0049999" << qint64(0) << "0,00" << "0.00" << "0";
    QTest::newRow("smallest negative") << "-0.005" << qint64(-1) << "-0,01" << "-0.01" << "0";
    QTest::newRow("half to whole") << "12345,5" << qint64(1234550) << "12 345,50" << "12345.50" << "12346";
    QTest::newRow("negative half to whole") << "-12345.5" << qint64(-1234550) << "-12 345,50" << "-12345.50"
                                           << "-12346";
    QTest::newRow("carry through nines") << "999999,995" << qint64(100000000) << "1 000 000,00" << "1000000.00"
                                         << "1000000";
    QTest::newRow("server form, grouped input") << "1 234 567,891" << qint64(123456789) << "1 234 567,89"
                                                << "1234567.89" << "1234568";
    QTest::newRow("billions keep the fillér") << "1234567890.12" << qint64(123456789012) << "1 234 567 890,12"
                                              << "1234567890.12" << "1234567890";
    QTest::newRow("trailing zeros of a DECIMAL") << "-1500.0000" << qint64(-150000) << "-1 500,00" << "-1500.00"
                                                 << "-1500";
}

void TestMoney::amounts()
{
    QFETCH(QString, input);
    QFETCH(qint64, filler);
    QFETCH(QString, grouped);
    QFETCH(QString, schema);
    QFETCH(QString, whole);
    const Money m = Money::parse(input);
    QCOMPARE(m.filler(), filler);
    QCOMPARE(m.groupedText(), grouped);
    QCOMPARE(m.text(), QString(grouped).remove(u' '));
    QCOMPARE(m.schemaText(), schema);
    QCOMPARE(m.wholeText(), whole);
    QCOMPARE(m.roundedWhole().filler(), whole.toLongLong() * 100);
    // the whole units and hundredths the amount in words spells
    QCOMPARE(m.wholeUnits() * 100 + (m.isNegative() ? -m.hundredths() : m.hundredths()), filler);
    QCOMPARE((-m).filler(), -filler);
}

void TestMoney::lineAmounts_data()
{
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("discount");
    QTest::addColumn<int>("vat");
    QTest::addColumn<QString>("net");
    QTest::addColumn<QString>("tax");
    QTest::newRow("plain") << "3" << "1000" << "0" << 27 << "3000,00" << "810,00";
    QTest::newRow("net half rounds up") << "1" << "1,005" << "0" << 27 << "1,01" << "0,27";
    QTest::newRow("storno mirrors") << "-1" << "1,005" << "0" << 27 << "-1,01" << "-0,27";
    QTest::newRow("tax of the rounded net") << "1" << "0,895" << "0" << 5 << "0,90" << "0,05";
    QTest::newRow("storno tax of the rounded net") << "-1" << "0,895" << "0" << 5 << "-0,90" << "-0,05";
    QTest::newRow("tax half") << "1" << "0,5" << "0" << 27 << "0,50" << "0,14";
    QTest::newRow("discount") << "2" << "1000" << "5" << 27 << "1900,00" << "513,00";
    QTest::newRow("discount half") << "1" << "0,1" << "5" << 0 << "0,10" << "0,00";
    QTest::newRow("fractional discount") << "3" << "333,33" << "2,5" << 18 << "974,99" << "175,50";
    QTest::newRow("four-decimal quantity and price") << "1,2345" << "3,3333" << "0" << 27 << "4,11" << "1,11";
    QTest::newRow("large") << "1000" << "1234567,89" << "0" << 0 << "1234567890,00" << "0,00";
}

void TestMoney::lineAmounts()
{
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(QString, discount);
    QFETCH(int, vat);
    QFETCH(QString, net);
    QFETCH(QString, tax);
    const Money n = Money::lineNet(Decimal::parse(quantity), Decimal::parse(price), Decimal::parse(discount));
    QCOMPARE(n.text(), net);
    QCOMPARE(n.tax(Decimal::whole(vat)).text(), tax);
}

void TestMoney::conversion_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("converted");
    QTest::addColumn<QString>("whole");
    QTest::newRow("fillér half") << "100,33" << "310,5" << "31152,47" << "31152";
    QTest::newRow("tax at a rate") << "27,09" << "310,5" << "8411,45" << "8411";
    QTest::newRow("negative half to whole") << "-0,01" << "50" << "-0,50" << "-1";
    QTest::newRow("six-decimal rate") << "-1500" << "385,123456" << "-577685,18" << "-577685";
    // 3 179 703 470,455 forints: the fractions count, not the first eleven digits
    QTest::newRow("billions of forints") << "8256322,54" << "385,123456" << "3179703470,46" << "3179703470";
}

void TestMoney::conversion()
{
    QFETCH(QString, amount);
    QFETCH(QString, rate);
    QFETCH(QString, converted);
    QFETCH(QString, whole);
    const Money m = Money::parse(amount);
    QCOMPARE(m.converted(Decimal::parse(rate)).text(), converted);
    QCOMPARE(m.convertedWhole(Decimal::parse(rate)).wholeText(), whole);
}

void TestMoney::refused()
{
    QVERIFY_THROWS_EXCEPTION(ConversionError, Money::parse(QStringLiteral("12a")));
    QVERIFY_THROWS_EXCEPTION(ConversionError, Decimal::parse(QStringLiteral("1e5")));
    // beyond what the arithmetic holds: a Hungarian error, never a wrapped-round amount
    const Decimal huge = Decimal::parse(QStringLiteral("99999999999999999999"));
    QVERIFY_THROWS_EXCEPTION(Error, Money::lineNet(huge, huge, Decimal::parse(QStringLiteral("5"))));
    QVERIFY_THROWS_EXCEPTION(Error, Money::rounded(huge * huge.percent()));
    // a number being typed
    QCOMPARE(Money::rounded(*Decimal::typed(QStringLiteral("2,"))).text(), QStringLiteral("2,00"));
    QVERIFY(!Decimal::typed(QStringLiteral("-")));
    QVERIFY(!Decimal::typed(QString()));
}

// A cell in the server's plain form is read without a string, to the same value parse() gives;
// any other form is left to parse().
void TestMoney::serverForm()
{
    for (const char* plain : {"-1234.5000", "0.0000", "-0.0000", "1271", "0.000000000000000001", "007.50",
                              "123456789012345678901234567890", "-99999999999999999999.9999"}) {
        const auto read = Decimal::fromPlain(plain, qsizetype(qstrlen(plain)));
        QVERIFY2(read, plain);
        QCOMPARE(read->text(), Decimal::parse(QLatin1String(plain)).text());
    }
    for (const char* other : {"", "-", ".5", "5.", "1.2.3", "1e5", "12,5", " 5", "+5", "0.0000000000000000001",
                              "1234567890123456789012345678901", "--1"})
        QVERIFY2(!Decimal::fromPlain(other, qsizetype(qstrlen(other))), other);
}

// The one reader of typed numbers: comma decimal, blanks group; in an amount a dot before exactly
// three digits groups them, any other dot is decimal; in a quantity or rate a dot is decimal;
// anything else is refused naming the field.
void TestMoney::typedNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("amount");
    QTest::addColumn<QString>("read"); // the program's form; "!" when refused
    QTest::newRow("amount, dot groups") << "50.000" << true << "50000";
    QTest::newRow("amount, dots group") << "1.234.567" << true << "1234567";
    QTest::newRow("amount, dot groups, comma decimal") << "-1.234,50" << true << "-1234,5";
    QTest::newRow("amount, dot decimal") << "12345.67" << true << "12345,67";
    QTest::newRow("amount, one decimal") << "12.5" << true << "12,5";
    QTest::newRow("amount, blanks group") << " 1 234 567,5 " << true << "1234567,5";
    QTest::newRow("amount, no-break blank") << QStringLiteral("12\u00a0000") << true << "12000";
    QTest::newRow("amount, long group before dot") << "12345.678" << true << "!";
    QTest::newRow("amount, dot after comma") << "1,234.5" << true << "!";
    QTest::newRow("amount, decimal then group") << "1.5.000" << true << "!";
    QTest::newRow("amount, two commas") << "1,2,3" << true << "!";
    QTest::newRow("quantity, dot decimal") << "3.333" << false << "3,333";
    QTest::newRow("quantity, comma") << "2,5" << false << "2,5";
    QTest::newRow("quantity, grouped thousands") << "1 000,125" << false << "1000,125";
    QTest::newRow("quantity, two dots") << "1.234.567" << false << "!";
    QTest::newRow("quantity, dot and comma") << "1.234,5" << false << "!";
    QTest::newRow("percent sign") << "5%" << false << "!";
    QTest::newRow("trailing separator") << "12," << true << "!";
    QTest::newRow("leading separator") << ".5" << false << "!";
    QTest::newRow("plus sign") << "+5" << true << "!";
    QTest::newRow("empty") << "" << true << "!";
}

void TestMoney::typedNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, amount);
    QFETCH(QString, read);
    const NumberKind kind = amount ? NumberKind::Amount : NumberKind::Measure;
    // while it is typed the screen's amounts read the same number (or wait: none yet)
    const std::optional<Decimal> typing = typedNumber(text, kind);
    if (read != u"!") {
        QCOMPARE(readNumber(text, kind, QStringLiteral("Összeg")).text(), read);
        QVERIFY(typing);
        QCOMPARE(typing->text(), read);
        return;
    }
    // a separator just typed waits for its digits: "12," is 12 on screen until then
    QCOMPARE(typing.has_value(), text.trimmed().endsWith(u','));
    try {
        const Decimal d = readNumber(text, kind, QStringLiteral("Összeg"));
        QFAIL(qPrintable(QStringLiteral("read as ") + d.text()));
    } catch (const ConversionError& e) {
        QCOMPARE(e.text(), QStringLiteral("Összeg: A(z) '%1' nem érvényes szám.").arg(text.trimmed()));
    }
}

QTEST_GUILESS_MAIN(TestMoney)
#include "tst_money.moc"
