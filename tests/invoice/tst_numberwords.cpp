// Amounts in Hungarian words: the group routine and the whole-number routine.
#include "db/errors.h"
#include "invoice/numberwords.h"

#include <QTest>
#include <limits>

using namespace orvena;

class TestNumberWords : public QObject {
    Q_OBJECT
private slots:
    void groups_data();
    void groups();
    void numbers_data();
    void numbers();
    void outOfRange_data();
    void outOfRange();
    void badGroup();
};

void TestNumberWords::groups_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("words");
    QTest::newRow("001") << "001" << "egy";
    QTest::newRow("010 takes the tíz path") << "010" << "tíz";
    QTest::newRow("020 takes the húsz path") << "020" << "húsz";
    QTest::newRow("030 is the tens prefix alone") << "030" << "harminc";
    QTest::newRow("099") << "099" << "kilencvenkilenc";
    QTest::newRow("100 has no unit word") << "100" << "száz";
    QTest::newRow("110") << "110" << "száztíz";
    QTest::newRow("115") << "115" << "száztizenöt";
    QTest::newRow("120") << "120" << "százhúsz";
    QTest::newRow("200") << "200" << "kettöszáz";
    QTest::newRow("222") << "222" << "kettöszázhuszonkettö";
    QTest::newRow("905") << "905" << "kilencszázöt";
    QTest::newRow("999") << "999" << "kilencszázkilencvenkilenc";
}

void TestNumberWords::groups()
{
    QFETCH(QString, group);
    QFETCH(QString, words);
    QCOMPARE(HungarianGroupWords(group), words);
}

void TestNumberWords::numbers_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("words");
    QTest::newRow("0 without blank") << qint64(0) << "nulla";
    QTest::newRow("1") << qint64(1) << "egy ";
    QTest::newRow("10") << qint64(10) << "tíz ";
    QTest::newRow("15") << qint64(15) << "tizenöt ";
    QTest::newRow("20") << qint64(20) << "húsz ";
    QTest::newRow("21") << qint64(21) << "huszonegy ";
    QTest::newRow("100") << qint64(100) << "száz ";
    QTest::newRow("110") << qint64(110) << "száztíz ";
    QTest::newRow("200") << qint64(200) << "kettöszáz ";
    QTest::newRow("1000 ends with the hyphen") << qint64(1000) << "egyezer-";
    QTest::newRow("1234") << qint64(1234) << "egyezer-kettöszázharmincnégy ";
    QTest::newRow("2020") << qint64(2020) << "kettöezer-húsz ";
    QTest::newRow("15500") << qint64(15500) << "tizenötezer-ötszáz ";
    QTest::newRow("110115") << qint64(110115) << "száztízezer-száztizenöt ";
    QTest::newRow("1000000 skips both lower groups") << qint64(1000000) << "egymillió-";
    QTest::newRow("1000001") << qint64(1000001) << "egymillió-egy ";
    QTest::newRow("-1234") << qint64(-1234) << "mínusz egyezer-kettöszázharmincnégy ";
    QTest::newRow("-1500") << qint64(-1500) << "mínusz egyezer-ötszáz ";
    QTest::newRow("largest 32-bit") << qint64(2147483647)
                                    << "kettömilliárd-száznegyvenhétmillió-négyszáznyolcvanháromezer-hatszáznegyvenhét ";
    QTest::newRow("smallest 32-bit") << qint64(std::numeric_limits<qint32>::min())
                                     << "mínusz kettömilliárd-száznegyvenhétmillió-négyszáznyolcvanháromezer-"
                                        "hatszáznegyvennyolc ";
    QTest::newRow("milliárd group alone") << qint64(5000000000) << "ötmilliárd-";
    QTest::newRow("largest spelled") << qint64(999999999999)
                                     << "kilencszázkilencvenkilencmilliárd-kilencszázkilencvenkilencmillió-"
                                        "kilencszázkilencvenkilencezer-kilencszázkilencvenkilenc ";
    QTest::newRow("smallest spelled") << qint64(-999999999999)
                                      << "mínusz kilencszázkilencvenkilencmilliárd-kilencszázkilencvenkilencmillió-"
                                         "kilencszázkilencvenkilencezer-kilencszázkilencvenkilenc ";
}

void TestNumberWords::numbers()
{
    QFETCH(qint64, value);
    QFETCH(QString, words);
    QCOMPARE(HungarianNumberWords(value), words);
}

void TestNumberWords::outOfRange_data()
{
    QTest::addColumn<qint64>("value");
    QTest::newRow("one trillion") << qint64(1000000000000);
    QTest::newRow("minus one trillion") << qint64(-1000000000000);
    QTest::newRow("largest 64-bit") << std::numeric_limits<qint64>::max();
    QTest::newRow("smallest 64-bit") << std::numeric_limits<qint64>::min();
}

void TestNumberWords::outOfRange()
{
    QFETCH(qint64, value);
    try {
        const QString words = HungarianNumberWords(value);
        QFAIL(qPrintable(QStringLiteral("spelled as '%1'").arg(words)));
    } catch (const Error& e) {
        QVERIFY(e.text().contains(QStringLiteral("túl nagy")));
    }
}

void TestNumberWords::badGroup()
{
    QVERIFY_THROWS_EXCEPTION(Error, HungarianGroupWords(u"12"));
    QVERIFY_THROWS_EXCEPTION(Error, HungarianGroupWords(u"1a2"));
}

QTEST_GUILESS_MAIN(TestNumberWords)
#include "tst_numberwords.moc"
