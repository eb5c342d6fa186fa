#include "support/fakes.h"

#include <QTest>

using namespace orvena;

class SmokeTest : public QObject {
    Q_OBJECT
private slots:
    void connectsAndReadsSequences()
    {
        test::TestSession s;
        Query& q = s.data.query(QStringLiteral("ZQ10"));
        DB_VERIFY(q.setSql({QStringLiteral("SELECT * FROM Sorszam ORDER BY aKod")}));
        DB_VERIFY(q.open());
        QCOMPARE(q.rowCount(), 2);
        QCOMPARE(q.fieldText(QStringLiteral("ABSZAM")), QStringLiteral("20100000"));
    }
};

QTEST_GUILESS_MAIN(SmokeTest)
#include "tst_smoke.moc"
