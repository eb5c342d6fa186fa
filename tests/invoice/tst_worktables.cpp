// The copies between the document tables and the work tables: their column lists against the
// tables' real columns, so a column added to a table and forgotten here is caught, and every
// listed column carried over in both directions.
#include "support/fakes.h"

#include "invoice/worktables.h"

#include <QTest>

using namespace orvena;
using namespace orvena::worktables;

class WorkTablesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;

    QStringList realColumns(const QString& table)
    {
        return s->db.rows(QStringLiteral("SELECT LOWER(COLUMN_NAME) FROM information_schema.COLUMNS WHERE "
                                         "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '%1' ORDER BY ORDINAL_POSITION")
                              .arg(table));
    }
    static QStringList lower(const QString& letter, const QStringList& columns)
    {
        QStringList out;
        for (const QString& c : columns)
            out << (letter + c).toLower();
        return out;
    }
    // A row with a distinct, non-default value in every column but the identity.
    void insertFull(const QString& table, const QString& letter, const QStringList& columns, const QString& number)
    {
        QStringList names;
        QStringList values;
        const QStringList types = s->db.rows(
            QStringLiteral("SELECT DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND "
                           "TABLE_NAME = '%1' ORDER BY ORDINAL_POSITION")
                .arg(table));
        for (qsizetype i = 1; i < columns.size(); ++i) {
            names << letter + columns[i];
            const QString type = types.at(i);
            if (columns[i] == u"Bszam")
                values << QStringLiteral("'%1'").arg(number);
            else if (type == u"date")
                values << QStringLiteral("'2010-03-%1'").arg(i, 2, 10, QLatin1Char('0'));
            else if (type == u"decimal" || type == u"int" || type == u"float" || type == u"double")
                values << QString::number(i + 10);
            else
                values << QStringLiteral("'%1'").arg(QString::number(i % 10)); // fits VARCHAR(1) too
        }
        s->db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(u','), values.join(u',')));
    }
    QString row(const QString& table, const QStringList& columns, const QString& where)
    {
        return s->db.scalar(QStringLiteral("SELECT CONCAT_WS('|', %1) FROM %2 WHERE %3")
                                .arg(columns.join(QStringLiteral(", ")), table, where));
    }

private slots:
    void initTestCase() { s = std::make_unique<test::TestSession>(); }
    void cleanupTestCase() { s.reset(); }
    void init()
    {
        for (const char* table : {"szlafej", "szlasor", "szlevfej", "szlevsor", "munkafej", "munkasor"})
            s->db.exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
    }

    void listsMatchEveryTablesColumns_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<bool>("header");
        QTest::newRow("szlafej") << "szlafej" << "f" << true;
        QTest::newRow("munkafej") << "munkafej" << "f" << true;
        QTest::newRow("szlevfej") << "szlevfej" << "l" << true;
        QTest::newRow("szlasor") << "szlasor" << "s" << false;
        QTest::newRow("munkasor") << "munkasor" << "s" << false;
        QTest::newRow("szlevsor") << "szlevsor" << "e" << false;
    }
    void listsMatchEveryTablesColumns()
    {
        QFETCH(QString, table);
        QFETCH(QString, letter);
        QFETCH(bool, header);
        QCOMPARE(lower(letter, header ? headerColumns() : lineColumns()), realColumns(table));
    }

    // What the storno and the conversion store: every column of szlafej and szlasor is either
    // copied or left out on purpose.
    void everyInvoiceColumnIsCopiedOrLeftOutOnPurpose_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QStringList>("headerLeftOut");
        QTest::addColumn<QStringList>("linesLeftOut");
        QTest::newRow("storno") << 0 << QStringList{"fid", "fprn"} << QStringList{"sid", "scszam", "sgolaj"};
        QTest::newRow("conversion") << 1 << QStringList{"fid"} << QStringList{"sid", "sgolaj"};
    }
    void everyInvoiceColumnIsCopiedOrLeftOutOnPurpose()
    {
        QFETCH(int, which);
        QFETCH(QStringList, headerLeftOut);
        QFETCH(QStringList, linesLeftOut);
        const Store& store = which == 0 ? stornoStore() : conversionStore();
        QStringList header = lower({}, storedHeaderColumns(store));
        QStringList lines = lower({}, storedLineColumns(store));
        for (const QString& c : realColumns(QStringLiteral("szlafej")))
            QVERIFY2(header.contains(c) != headerLeftOut.contains(c), qPrintable(c));
        for (const QString& c : realColumns(QStringLiteral("szlasor")))
            QVERIFY2(lines.contains(c) != linesLeftOut.contains(c), qPrintable(c));
        QCOMPARE(header.size() + headerLeftOut.size(), realColumns(QStringLiteral("szlafej")).size());
        QCOMPARE(lines.size() + linesLeftOut.size(), realColumns(QStringLiteral("szlasor")).size());
    }

    // Into the work tables every column comes over under the new number; back into the invoice
    // tables every listed column, and a set column takes its text.
    void copiesEveryListedColumnBothWays_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("invoice") << int(Document::Invoice);
        QTest::newRow("delivery note") << int(Document::DeliveryNote);
    }
    void copiesEveryListedColumnBothWays()
    {
        QFETCH(int, from);
        const bool invoice = from == int(Document::Invoice);
        const QString headerTable = invoice ? QStringLiteral("szlafej") : QStringLiteral("szlevfej");
        const QString lineTable = invoice ? QStringLiteral("szlasor") : QStringLiteral("szlevsor");
        const QString h = invoice ? QStringLiteral("f") : QStringLiteral("l");
        const QString l = invoice ? QStringLiteral("s") : QStringLiteral("e");
        insertFull(headerTable, h, headerColumns(), QStringLiteral("20100007"));
        insertFull(lineTable, l, lineColumns(), QStringLiteral("20100007"));
        insertFull(lineTable, l, lineColumns(), QStringLiteral("20100007"));
        insertFull(lineTable, l, lineColumns(), QStringLiteral("20109999")); // another document's line
        // stray rows of an earlier run are replaced
        s->db.exec(QStringLiteral("INSERT INTO munkafej (fBszam) VALUES ('régi')"));
        s->db.exec(QStringLiteral("INSERT INTO munkasor (sBszam) VALUES ('régi')"));

        Query& header = s->data.query(QStringLiteral("ZQ121"));
        Query& lines = s->data.query(QStringLiteral("ZQ131"));
        StepChain chain(header);
        QVERIFY(chain.run([&] {
            chain.begin(QStringLiteral("kezdés"));
            fill(chain, header, lines, Document(from), QStringLiteral("20100007"), QStringLiteral("20100050"));
            chain.commit(QStringLiteral("véglegesítés"));
        }));

        // every column, the identity included, with the new number
        const QStringList hs = headerColumns();
        const QStringList ls = lineColumns();
        QCOMPARE(s->db.scalar("SELECT COUNT(*) FROM munkafej"), QStringLiteral("1"));
        QCOMPARE(s->db.scalar("SELECT COUNT(*) FROM munkasor"), QStringLiteral("2"));
        QString expected = row(headerTable, lower(h, hs), h + QStringLiteral("Bszam = '20100007'"));
        expected.replace(QStringLiteral("20100007"), QStringLiteral("20100050"));
        QCOMPARE(row(QStringLiteral("munkafej"), lower(QStringLiteral("f"), hs), QStringLiteral("1")), expected);
        const QStringList sourceLines =
            s->db.rows(QStringLiteral("SELECT CONCAT_WS('|', %1) FROM %2 WHERE %3Bszam = '20100007' ORDER BY %3ID")
                           .arg(lower(l, ls).join(u','), lineTable, l));
        QStringList workLines = s->db.rows(
            QStringLiteral("SELECT CONCAT_WS('|', %1) FROM munkasor ORDER BY sID").arg(lower(QStringLiteral("s"), ls).join(u',')));
        workLines.replaceInStrings(QStringLiteral("20100050"), QStringLiteral("20100007"));
        QCOMPARE(workLines, sourceLines);

        // back: nothing left out, the printed flag set
        s->db.exec(QStringLiteral("DELETE FROM szlafej"));
        s->db.exec(QStringLiteral("DELETE FROM szlasor"));
        const Store all{{}, {{QStringLiteral("Prn"), QStringLiteral("N")}}, {}};
        quint64 headers = 0;
        quint64 lineCount = 0;
        StepChain back(header);
        QVERIFY(back.run([&] {
            back.begin(QStringLiteral("kezdés"));
            headers = storeHeader(back, header, all);
            lineCount = storeLines(back, lines, all);
            back.commit(QStringLiteral("véglegesítés"));
        }));
        QCOMPARE(headers, quint64(1));
        QCOMPARE(lineCount, quint64(2));
        const QStringList storedHeader = lower(QStringLiteral("f"), hs.mid(1));
        QString work = row(QStringLiteral("munkafej"), storedHeader, QStringLiteral("1"));
        QStringList workFields = work.split(u'|');
        workFields[hs.indexOf(QStringLiteral("Prn")) - 1] = QStringLiteral("N");
        QCOMPARE(row(QStringLiteral("szlafej"), storedHeader, QStringLiteral("1")), workFields.join(u'|'));
        const QString storedLines = lower(QStringLiteral("s"), ls.mid(1)).join(u',');
        QCOMPARE(s->db.rows(QStringLiteral("SELECT CONCAT_WS('|', %1) FROM szlasor ORDER BY sID").arg(storedLines)),
                 s->db.rows(QStringLiteral("SELECT CONCAT_WS('|', %1) FROM munkasor ORDER BY sID").arg(storedLines)));
        // the invoice rows got identities of their own
        QCOMPARE(s->db.scalar("SELECT COUNT(*) FROM szlasor s JOIN munkasor m ON m.sID = s.sID"), QStringLiteral("0"));
    }

    // A step of the copy that fails names itself, and the chain leaves the work tables as they were.
    void failingCopyNamesItsStep_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QByteArray>("failing");
        QTest::addColumn<QString>("message");
        QTest::newRow("invoice header") << int(Document::Invoice) << QByteArray("INSERT INTO munkafej")
                                        << "Hiba: Az INSERT szlafej -böl -> munkafej -be ";
        QTest::newRow("note lines") << int(Document::DeliveryNote) << QByteArray("INSERT INTO munkasor")
                                    << "Hiba: Az INSERT szlevsor -ból -> munkasor -ba ";
        QTest::newRow("renumbering") << int(Document::Invoice) << QByteArray("UPDATE munkasor")
                                     << "Hiba: Az UPDATE munkasor -ban ";
    }
    void failingCopyNamesItsStep()
    {
        QFETCH(int, from);
        QFETCH(QByteArray, failing);
        QFETCH(QString, message);
        s->db.exec(QStringLiteral("INSERT INTO munkafej (fBszam) VALUES ('régi')"));
        s->db.exec(QStringLiteral("INSERT INTO szlafej (fBszam) VALUES ('20100007')"));
        s->db.exec(QStringLiteral("INSERT INTO szlevfej (lBszam) VALUES ('20100007')"));
        s->data.connection().setStatementHook([failing](const QByteArray& sql) {
            if (sql.startsWith(failing))
                throw DbError(QStringLiteral("refused"));
        });
        Query& header = s->data.query(QStringLiteral("ZQ121"));
        StepChain chain(header);
        const bool done = chain.run([&] {
            chain.begin(QStringLiteral("kezdés"));
            fill(chain, header, s->data.query(QStringLiteral("ZQ131")), Document(from), QStringLiteral("20100007"),
                 QStringLiteral("20100050"));
        });
        s->data.connection().setStatementHook({});
        QVERIFY(!done);
        QCOMPARE(chain.failure().message, message);
        QCOMPARE(s->db.rows("SELECT fBszam FROM munkafej"), QStringList{"régi"});
    }
};

QTEST_GUILESS_MAIN(WorkTablesTest)
#include "tst_worktables.moc"
