// Qt's item-model checker over the grid models of the registers and lists: every reset, row
// count, index and header they report while their query is opened, re-read, narrowed, emptied
// and closed must be consistent, or the checker fails the test.
#include "support/invoiceseed.h"
#include "support/fakes.h"

#include "nav/ui/navstatemodel.h"
#include "navsend/navqueue.h"
#include "screens/common/querytablemodel.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace orvena;

class ItemModelsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;

    // Opens, re-reads with more rows, narrows, empties and closes the query under the model.
    void exercise(Query& query, QAbstractItemModel& model, int columnsWhenClosed)
    {
        query.setSql({QStringLiteral("SELECT * FROM vevo ORDER BY vKod")});
        DB_VERIFY(query.open());
        QVERIFY(model.rowCount() > 0);
        QCOMPARE(model.rowCount(), query.rowCount());
        for (int r = 0; r < model.rowCount(); ++r)
            for (int c = 0; c < model.columnCount(); ++c)
                (void)model.data(model.index(r, c));
        s->db.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve) VALUES ('9999', 'Új vevő\r\nmásodik sor')"));
        DB_VERIFY(query.refresh());
        QCOMPARE(model.rowCount(), query.rowCount());
        query.setSql({QStringLiteral("SELECT vKod, vNeve FROM vevo WHERE vKod = '9999'")});
        DB_VERIFY(query.open());
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("Új vevő …"));
        query.setSql({QStringLiteral("SELECT vKod, vNeve FROM vevo WHERE vKod = 'nincs'")});
        DB_VERIFY(query.open());
        QCOMPARE(model.rowCount(), 0);
        query.close();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), columnsWhenClosed);
    }

private slots:
    void initTestCase() { s = std::make_unique<test::TestSession>(); }
    void init()
    {
        s->db.reset();
        s->db.addDemoData();
    }
    void cleanupTestCase() { s.reset(); }

    void everyResultColumn()
    {
        Query& query = s->data.query(QStringLiteral("ZQ30"));
        QueryTableModel model(query);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        exercise(query, model, 0);
    }

    void chosenColumnsAndAMissingOne()
    {
        Query& query = s->data.query(QStringLiteral("ZQ30"));
        QueryTableModel model(query, {{QStringLiteral("vKod"), QStringLiteral("Kód")},
                                      {QStringLiteral("vNeve"), QStringLiteral("Név")},
                                      {QStringLiteral("nincsilyen"), QStringLiteral("Hiányzó")}});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        exercise(query, model, 3);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Név"));
        model.setColumns({{QStringLiteral("vNeve"), QStringLiteral("Név")}});
        QCOMPARE(model.columnCount(), 1);
    }

    void theInvoiceListWithItsNavColumn()
    {
        seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20100001")},
                                  {QStringLiteral("fvKod"), QStringLiteral("1")},
                                  {QStringLiteral("fmKod"), QStringLiteral("00002")}});
        seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20100002")},
                                  {QStringLiteral("fvKod"), QStringLiteral("1")},
                                  {QStringLiteral("fmKod"), QStringLiteral("00002")}});
        s->db.exec(QStringLiteral("INSERT INTO szlanav (nBszam, nMuvelet, nAllapot) VALUES ('20100001', 'CREATE', "
                                  "'KULDENDO')"));
        Query& query = s->data.query(QStringLiteral("ZQ30"));
        query.setSql({QStringLiteral("SELECT fBszam, fvKod FROM szlafej ORDER BY fBszam")});
        DB_VERIFY(query.open());
        NavStateModel model(query, {{QStringLiteral("fBszam"), QStringLiteral("Számlaszám")}}, QStringLiteral("fBszam"));
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("NAV"));
        QVERIFY(!model.data(model.index(0, 1)).toString().isEmpty());
        QCOMPARE(model.data(model.index(1, 1)).toString(), nav::stateText(QString()));
        DB_VERIFY(query.refresh());
        query.close();
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(ItemModelsTest)
#include "tst_itemmodels.moc"
