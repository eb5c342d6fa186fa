// Lists of the large tables read in pages: the same rows, order and positions as the full
// ordered read, what another connection changes shows after a re-read, and the cost of opening
// and positioning bounded by what is shown rather than by the table.
#include "support/invoiceseed.h"
#include "support/fakes.h"

#include "db/schema.h"
#include "invoice/invoiceregister.h"
#include "screens/common/querytablemodel.h"

#include <QRandomGenerator>
#include <QTest>

using namespace orvena;

namespace {

const QString kList = QStringLiteral("SELECT * FROM SzlaFej ORDER BY fBszam");

// What the server was asked while counting: statements sent and rows received.
struct Cost {
    Connection& connection;
    int statements = 0;
    quint64 rowsBefore = 0;
    explicit Cost(Connection& c) : connection(c), rowsBefore(c.rowsRead())
    {
        connection.setStatementHook([this](const QByteArray&) { ++statements; });
    }
    ~Cost() { connection.setStatementHook({}); }
    quint64 rows() const { return connection.rowsRead() - rowsBefore; }
};

} // namespace

class PagedQueryTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestSession> s;

    Query& paged() { return s->data.query(QStringLiteral("ZQ10")); }
    // The full ordered read the paged list must equal (a query object that never pages).
    Query& full()
    {
        Query& q = s->data.query(QStringLiteral("ZQ_full"));
        q.setSql({QStringLiteral("SELECT * FROM SzlaFej ORDER BY fBszam, fID")});
        q.open();
        return q;
    }

    // n invoices in shuffled number order; some numbers repeat and a few are missing, so the
    // order needs the primary key to be total.
    void seed(int n)
    {
        s->db.exec(QStringLiteral(
                       "INSERT INTO szlafej (fBszam, fTkelt, fMegj, fPrn, fvKod, fMemoVevo) SELECT "
                       "IF(seq %% 97 = 0, NULL, 20100000 + ((seq * 7919) %% %1) DIV 3), "
                       "DATE_ADD('2010-01-01', INTERVAL seq %% 300 DAY), CONCAT('Megjegyzés ', seq), "
                       "IF(seq %% 2 = 0, 'I', ' '), seq %% 50, CONCAT('Vevő ', seq, '\\r\\nCím') FROM seq_1_to_%1")
                       .arg(n)
                       .replace(QStringLiteral("%%"), QStringLiteral("%")));
    }

    static QString row(const Query& q, int r)
    {
        QStringList cells;
        for (int c = 0; c < q.columnCount(); ++c)
            cells << q.text(r, c);
        return cells.join(u'|');
    }

    void openPaged(int pageSize)
    {
        paged().setPageSize(pageSize);
        paged().setSql({kList});
        paged().open();
        QVERIFY(paged().isPaged());
    }

private slots:
    void init()
    {
        s = std::make_unique<test::TestSession>();
        s->db.reset();
    }
    void cleanup() { s.reset(); }

    // Forward, backward and by jumps, across many page edges: every row equals the full read's.
    void scrollingGivesTheFullOrderedRead()
    {
        seed(2500);
        Query& reference = full();
        QCOMPARE(reference.rowCount(), 2500);
        openPaged(37);
        QCOMPARE(paged().rowCount(), reference.rowCount());
        QCOMPARE(paged().columnNames(), reference.columnNames());
        for (int r = 0; r < reference.rowCount(); ++r)
            QCOMPARE(row(paged(), r), row(reference, r));

        openPaged(37); // a fresh page cache: from the last row back to the first
        for (int r = reference.rowCount() - 1; r >= 0; --r)
            QCOMPARE(row(paged(), r), row(reference, r));

        openPaged(37);
        auto* random = QRandomGenerator::global();
        for (int i = 0; i < 200; ++i) {
            const int r = random->bounded(reference.rowCount());
            QCOMPARE(row(paged(), r), row(reference, r));
        }
        // The current row reads with every column, as the screens that act on it expect.
        paged().last();
        QCOMPARE(paged().fieldText(QStringLiteral("fID")), reference.text(2499, QStringLiteral("fID")));
        QCOMPARE(paged().fieldInt(QStringLiteral("fvKod")), reference.text(2499, QStringLiteral("fvKod")).toLongLong());
    }

    void locateStandsWhereTheFullReadStands_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("exact");
        QTest::newRow("number prefix") << QStringLiteral("fBszam") << QStringLiteral("2010020") << false;
        QTest::newRow("whole number") << QStringLiteral("fbszam") << QStringLiteral("20100400") << true;
        QTest::newRow("number near the end") << QStringLiteral("fBszam") << QStringLiteral("20100830") << false;
        QTest::newRow("first number") << QStringLiteral("fBszam") << QStringLiteral("2") << false;
        QTest::newRow("no such number") << QStringLiteral("fBszam") << QStringLiteral("3") << false;
        QTest::newRow("other column, any case") << QStringLiteral("fMegj") << QStringLiteral("megjegyzés 12") << false;
        QTest::newRow("wildcards are text") << QStringLiteral("fMegj") << QStringLiteral("Megj%") << false;
        QTest::newRow("date column") << QStringLiteral("fTkelt") << QStringLiteral("2010.03") << false;
        QTest::newRow("empty key: first row") << QStringLiteral("fBszam") << QString() << false;
    }
    void locateStandsWhereTheFullReadStands()
    {
        QFETCH(QString, column);
        QFETCH(QString, key);
        QFETCH(bool, exact);
        seed(2500);
        Query& reference = full();
        openPaged(50);
        reference.setCurrentRow(1234);
        paged().setCurrentRow(1234);
        const auto match = exact ? Query::Match::Exact : Query::Match::Prefix;
        const bool found = reference.locate(column, key, match);
        QCOMPARE(paged().locate(column, key, match), found);
        QCOMPARE(paged().currentRow(), reference.currentRow());
        QCOMPARE(paged().fieldText(QStringLiteral("fID")), reference.fieldText(QStringLiteral("fID")));
    }

    // The customer list, unordered (the table's own order) and by name: every row and each
    // located customer as in the full read.
    void customerListsStandWhereTheFullReadStands()
    {
        s->db.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve, vHely) SELECT seq, CONCAT(ELT(1 + seq % 4, "
                                  "'Kovács', 'kovács', 'Ács', 'Nagy'), ' ', seq % 37), 'Szeged' FROM seq_1_to_700"));
        Query& customers = s->data.query(QStringLiteral("ZQ30"));
        Query& reference = s->data.query(QStringLiteral("ZQ_customers"));
        customers.setPageSize(45);
        const std::pair<QString, QString> lists[] = {
            {QStringLiteral("SELECT * FROM vevo"), QStringLiteral("SELECT * FROM vevo ORDER BY vID")},
            {QStringLiteral("SELECT * FROM Vevo ORDER BY vneve"), QStringLiteral("SELECT * FROM vevo ORDER BY vNeve, vID")}};
        for (const auto& [list, ordered] : lists) {
            customers.setSql({list});
            customers.open();
            QVERIFY(customers.isPaged());
            reference.setSql({ordered});
            reference.open();
            QCOMPARE(customers.rowCount(), 700);
            for (int r = 699; r >= 0; --r)
                QCOMPARE(row(customers, r), row(reference, r));
            const std::pair<QString, QString> keys[] = {{QStringLiteral("vkod"), QStringLiteral("345")},
                                                        {QStringLiteral("vNeve"), QStringLiteral("KOVÁCS 3")},
                                                        {QStringLiteral("vNeve"), QStringLiteral("Ács 1")},
                                                        {QStringLiteral("vkod"), QStringLiteral("34")},
                                                        {QStringLiteral("vNeve"), QStringLiteral("Kiss")}};
            for (const auto& [column, key] : keys) {
                const bool found = reference.locate(column, key);
                QCOMPARE(customers.locate(column, key), found);
                QCOMPARE(customers.currentRow(), reference.currentRow());
                QCOMPARE(customers.fieldText(QStringLiteral("vID")), reference.fieldText(QStringLiteral("vID")));
            }
        }
    }

    // A row removed by another workstation after one page was read: the next page goes on right
    // after the last row shown, repeating none and skipping none of the remaining rows.
    void aRowDeletedBetweenPagesIsNeitherRepeatedNorSkipped()
    {
        seed(300);
        const QStringList before = [&] {
            Query& reference = full();
            QStringList ids;
            for (int r = 0; r < reference.rowCount(); ++r)
                ids << reference.text(r, QStringLiteral("fID"));
            return ids;
        }();
        openPaged(20);
        for (int r = 0; r < 20; ++r)
            QCOMPARE(paged().text(r, QStringLiteral("fID")), before[r]);
        s->db.exec(QStringLiteral("DELETE FROM szlafej WHERE fID IN (%1, %2)").arg(before[19], before[21]));
        QStringList shown;
        for (int r = 20; r < 40; ++r)
            shown << paged().text(r, QStringLiteral("fID"));
        QCOMPARE(shown.first(), before[20]);
        QCOMPARE(shown, QStringList{before[20]} + before.mid(22, 19));

        // After the re-read the list is the full read again, one row shorter.
        paged().refresh();
        Query& reference = full();
        QCOMPARE(paged().rowCount(), 298);
        for (int r = 0; r < reference.rowCount(); ++r)
            QCOMPARE(row(paged(), r), row(reference, r));
    }

    // Another connection adds, changes and removes invoices: a re-read shows each; an unchanged
    // table is not read again.
    void anotherConnectionsChangesShowAfterAReRead()
    {
        seed(500);
        openPaged(50);
        paged().last();
        const QString lastId = paged().fieldText(QStringLiteral("fID"));
        {
            Cost cost(s->data.connection());
            paged().refresh();
            QCOMPARE(paged().fieldText(QStringLiteral("fID")), lastId);
            QCOMPARE(cost.rows(), quint64(1)); // the counter row: the pages read stay good
        }
        seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20109999")},
                                  {QStringLiteral("fMegj"), QStringLiteral("máshonnan")}});
        paged().refresh();
        QCOMPARE(paged().rowCount(), 501);
        paged().last();
        QCOMPARE(paged().fieldText(QStringLiteral("fMegj")), QStringLiteral("máshonnan"));

        s->db.exec(QStringLiteral("UPDATE szlafej SET fMegj = 'módosítva' WHERE fBszam = '20109999'"));
        paged().setSql({kList});
        paged().open();
        QVERIFY(paged().locate(QStringLiteral("fBszam"), QStringLiteral("20109999"), Query::Match::Exact));
        QCOMPARE(paged().fieldText(QStringLiteral("fMegj")), QStringLiteral("módosítva"));
        QCOMPARE(paged().currentRow(), 500);

        s->db.exec(QStringLiteral("DELETE FROM szlafej WHERE fBszam = '20109999'"));
        paged().refresh();
        QCOMPARE(paged().rowCount(), 500);
        QCOMPARE(paged().currentRow(), 499);
        QCOMPARE(paged().fieldText(QStringLiteral("fID")), lastId);
    }

    // The server's counters follow every insert and delete, from any connection, and are
    // counted afresh when set up again.
    void countersFollowTheTables()
    {
        auto stored = [&](const char* table) {
            return s->db.scalar(QStringLiteral("SELECT tsSorok FROM tablaszamlalo WHERE tsTabla = '%1'")
                                    .arg(QLatin1String(table)));
        };
        auto counted = [&](const char* table) {
            return s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)));
        };
        seed(120);
        s->db.addDemoData();
        s->db.exec(QStringLiteral("DELETE FROM szlafej WHERE fID % 7 = 0"));
        s->db.exec(QStringLiteral("INSERT INTO szlevfej (lBszam) VALUES ('20100001'), ('20100002')"));
        // numbers moved to another bucket, to none and back
        s->db.exec(QStringLiteral("UPDATE szlafej SET fBszam = '20991234' WHERE fID % 5 = 0"));
        s->db.exec(QStringLiteral("UPDATE szlafej SET fBszam = NULL WHERE fID % 11 = 0"));
        s->db.exec(QStringLiteral("UPDATE szlafej SET fBszam = '2011' WHERE fID % 13 = 0"));
        auto buckets = [&] {
            return s->db.rows(QStringLiteral("SELECT tkUres, tkSzakasz, tkSorok FROM tablaszakasz WHERE tkTabla = "
                                             "'szlafej' AND tkSorok <> 0 ORDER BY 1, 2"));
        };
        const QStringList countedBuckets = s->db.rows(QStringLiteral(
            "SELECT fBszam IS NULL, IFNULL(LEFT(fBszam, 5), ''), COUNT(*) FROM szlafej GROUP BY 1, 2 ORDER BY 1, 2"));
        QVERIFY(countedBuckets.size() > 3);
        for (const char* table : {"szlafej", "szlevfej", "vevo", "cikk"})
            QCOMPARE(stored(table), counted(table));
        QCOMPARE(buckets(), countedBuckets);
        s->db.exec(QStringLiteral("UPDATE tablaszamlalo SET tsSorok = 5"));
        s->db.exec(QStringLiteral("UPDATE tablaszakasz SET tkSorok = 7"));
        DB_VERIFY(ensureRowCounters(s->db.admin()));
        for (const char* table : {"szlafej", "szlevfej", "vevo", "cikk"})
            QCOMPARE(stored(table), counted(table));
        QCOMPARE(buckets(), countedBuckets);
    }

    // A snapshot of a paged list puts back the same list on the same row.
    void aSnapshotOfAPagedListPutsItBack()
    {
        seed(400);
        openPaged(30);
        paged().setCurrentRow(333);
        const QString id = paged().fieldText(QStringLiteral("fID"));
        const Query::Snapshot saved = paged().snapshot();
        paged().setSql({QStringLiteral("SELECT COUNT(*) AS db FROM szlafej")});
        paged().open();
        QVERIFY(!paged().isPaged());
        paged().restore(saved);
        QVERIFY(paged().isPaged());
        QCOMPARE(paged().currentRow(), 333);
        QCOMPARE(paged().fieldText(QStringLiteral("fID")), id);
    }

    // The register over 400 000 invoices: opening, reading the grid's screen and re-reading on
    // a number near the end read a bounded number of rows.
    void registerOverManyInvoicesReadsWhatItShows()
    {
        s->db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fMegj) SELECT 20000000 + seq, 'tömeges' "
                                  "FROM seq_1_to_400000"));
        InvoiceRegister reg(s->context);
        QueryTableModel grid(paged());
        {
            Cost cost(s->data.connection());
            reg.open();
            QCOMPARE(grid.rowCount(), 400000);
            for (int r = 400000 - 30; r < 400000; ++r)
                QCOMPARE(grid.data(grid.index(r, 1)).toString(), QString::number(20000000 + r + 1));
            QCOMPARE(reg.highlightedNumber(), QStringLiteral("20400000"));
            QVERIFY2(cost.rows() <= 250, qPrintable(QString::number(cost.rows())));
            QVERIFY2(cost.statements <= 6, qPrintable(QString::number(cost.statements)));
        }
        {
            Cost cost(s->data.connection());
            s->state.invoiceNumber = QStringLiteral("20399990");
            reg.reread();
            QCOMPARE(reg.highlightedNumber(), QStringLiteral("20399990"));
            QCOMPARE(paged().currentRow(), 399989);
            QVERIFY2(cost.rows() <= 250, qPrintable(QString::number(cost.rows())));
            QVERIFY2(cost.statements <= 8, qPrintable(QString::number(cost.statements)));
        }
        {
            // Positioning near the end on a page not read yet counts positions, not rows.
            Cost cost(s->data.connection());
            s->state.invoiceNumber = QStringLiteral("20398765");
            reg.reread();
            QCOMPARE(reg.highlightedNumber(), QStringLiteral("20398765"));
            QCOMPARE(paged().currentRow(), 398764);
            QVERIFY2(cost.rows() <= 250, qPrintable(QString::number(cost.rows())));
        }
    }
};

QTEST_GUILESS_MAIN(PagedQueryTest)
#include "tst_pagedquery.moc"
