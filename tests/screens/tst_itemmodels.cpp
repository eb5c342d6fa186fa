// Qt's item-model checker over the grid models of the registers and lists: every reset, row
// count, index and header they report while their query is opened, re-read, narrowed, emptied
// and closed must be consistent, or the checker fails the test.
#include "support/invoiceseed.h"
#include "support/fakes.h"

#include "invoice/ui/registerbalancemodel.h"
#include "navsend/ui/navstatemodel.h"
#include "support/invoiceseed.h"

#include "billing/balanceview.h"
#include "navsend/navqueue.h"
#include "screens/common/querytablemodel.h"

#include <QAbstractItemModelTester>
#include <QRegularExpression>
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

    // The register's balance columns: the rows around the current one are read with the list,
    // a row further down once the grid has asked for it (never inside data()); a read that fails
    // is logged and says so in "Hátralék", not an empty cell like an invoice not issued.
    void theInvoiceListWithItsBalances()
    {
        test::seedInvoice(s->db, {.number = QStringLiteral("20100001"), .lines = {{1, 1000, 27}}});
        test::seedInvoice(s->db, {.number = QStringLiteral("20100002"), .printed = false, .lines = {{1, 500, 27}}});
        QStringList drafts;
        for (int i = 0; i < 3 * RegisterBalanceModel::kBlock; ++i)
            drafts << QStringLiteral("('2011%1', '1', '00002')").arg(i, 4, 10, QChar(u'0'));
        s->db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fvKod, fmKod) VALUES ") + drafts.join(u','));
        test::seedInvoice(s->db, {.number = QStringLiteral("20990001"), .lines = {{2, 1000, 27}}});

        Query& query = s->data.query(QStringLiteral("ZQ30"));
        query.setSql({QStringLiteral("SELECT fBszam FROM szlafej ORDER BY fBszam")});
        DB_VERIFY(query.open());
        RegisterBalanceModel model(query, {{QStringLiteral("fBszam"), QStringLiteral("Számlaszám")}}, QStringLiteral("fBszam"));
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const int balance = model.columnCount() - 1;
        const int last = model.rowCount() - 1;
        QCOMPARE(model.data(model.index(0, balance)).toString(), QStringLiteral("1 270,00"));
        QCOMPARE(model.data(model.index(1, balance)).toString(), QString()); // not issued
        // far down: nothing while painting, the balance once the event loop has run
        QCOMPARE(model.data(model.index(last, balance)).toString(), QString());
        QTRY_COMPARE(model.data(model.index(last, balance)).toString(), QStringLiteral("2 540,00"));

        s->db.exec(QStringLiteral("RENAME TABLE szlaegyenleg TO szlaegyenleg_el"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("hátraléka nem olvasható")));
        DB_VERIFY(query.refresh());
        QCOMPARE(model.data(model.index(0, balance)).toString(), RegisterBalanceModel::unreadableText());
        QVERIFY(!model.data(model.index(0, balance), Qt::ToolTipRole).toString().isEmpty());
        s->db.exec(QStringLiteral("RENAME TABLE szlaegyenleg_el TO szlaegyenleg"));
        DB_VERIFY(query.refresh());
        QCOMPARE(model.data(model.index(0, balance)).toString(), QStringLiteral("1 270,00"));
        query.close();
    }
};

QTEST_MAIN(ItemModelsTest)
#include "tst_itemmodels.moc"
