// The copies between the document tables and the work tables: their column lists against the
// tables' real columns, so a column added to a table and forgotten here is caught, and every
// listed column carried over in both directions. The screens' own header and line writes: each
// value in its column.
#include "support/invoiceseed.h"
#include "support/fakes.h"

#include "invoice/documentwrite.h"
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
        for (const char* table : {"szlafej", "szlasor", "szlevfej", "szlevsor", "munkafej", "munkasor", "dijbfej", "dijbsor"})
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
        QTest::newRow("dijbfej") << "dijbfej" << "f" << true;
        QTest::newRow("dijbsor") << "dijbsor" << "s" << false;
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
        QTest::newRow("proforma") << 2 << QStringList{"fid"} << QStringList{"sid"};
    }
    void everyInvoiceColumnIsCopiedOrLeftOutOnPurpose()
    {
        QFETCH(int, which);
        QFETCH(QStringList, headerLeftOut);
        QFETCH(QStringList, linesLeftOut);
        const Store& store = which == 0 ? stornoStore() : which == 1 ? conversionStore() : proformaStore();
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
        QTest::newRow("proforma") << int(Document::Proforma);
    }
    void copiesEveryListedColumnBothWays()
    {
        QFETCH(int, from);
        const Tables& source = tablesOf(Document(from));
        const QString headerTable = source.header;
        const QString lineTable = source.lines;
        const QString h = source.headerLetter;
        const QString l = source.lineLetter;
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
        seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20100007")}});
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

    // A header and a line as the composition and line screens store them, new and edited: every
    // value lands in its own column (memos with CR LF, decimals with the program's separator), an
    // edited row keeps its identity, and a note's line leaves the price and VAT columns alone.
    void screenWritesLandInTheirColumns_data()
    {
        QTest::addColumn<int>("document");
        QTest::addColumn<bool>("edited");
        QTest::newRow("new invoice") << int(Document::Invoice) << false;
        QTest::newRow("edited invoice") << int(Document::Invoice) << true;
        QTest::newRow("new delivery note") << int(Document::DeliveryNote) << false;
        QTest::newRow("edited delivery note") << int(Document::DeliveryNote) << true;
    }
    void screenWritesLandInTheirColumns()
    {
        QFETCH(int, document);
        QFETCH(bool, edited);
        const bool invoice = document == int(Document::Invoice);
        const Tables& t = tablesOf(Document(document));
        const QString h = t.headerLetter;
        const QString l = t.lineLetter;
        QString headerId;
        QString lineId;
        if (edited) {
            s->db.exec(QStringLiteral("INSERT INTO %1 (%2Bszam, %2Prn, %2nSor) VALUES ('régi', 'I', 'x')").arg(t.header, h));
            s->db.exec(QStringLiteral("INSERT INTO %1 (%2Bszam, %2Megn, %2Alap) VALUES ('régi', 'Régi', 99)").arg(t.lines, l));
            headerId = s->db.scalar(QStringLiteral("SELECT MAX(%1ID) FROM %2").arg(h, t.header));
            lineId = s->db.scalar(QStringLiteral("SELECT MAX(%1ID) FROM %2").arg(l, t.lines));
        }
        Query& q = s->data.query(QStringLiteral("ZQ121"));
        const DocumentHeader header{.id = headerId, .number = QStringLiteral("20100009"), .customerCode = QStringLiteral("V1"),
                                    .fulfilmentDate = QStringLiteral("2010-03-01"), .issueDate = QStringLiteral("2010-03-02"),
                                    .dueDate = QStringLiteral("2010-03-03"), .paymentMethod = QStringLiteral("készpénz"),
                                    .remark = QStringLiteral("megj"), .contract = QStringLiteral("szerz"),
                                    .message = QStringLiteral("egy\nkettő"), .discount = QStringLiteral("5,5"),
                                    .exchangeRate = QStringLiteral("310,25"), .currency = QStringLiteral("EUR"),
                                    .customerNumber = QStringLiteral("VSZ"), .customerBlock = QStringLiteral("vevő\nblokk"),
                                    .issuerBlock = QStringLiteral("szállító"), .issuerCode = QStringLiteral("Z1"),
                                    .issuerNumber = QStringLiteral("ZSZ"), .dictionaryCode = QStringLiteral("M1")};
        prepareHeaderWrite(q, Document(document), header, !edited);
        q.execute();
        const DocumentLine line{.id = lineId, .number = QStringLiteral("20100009"), .articleCode = QStringLiteral("C1"),
                                .name = QStringLiteral("Tétel"), .vtsz = QStringLiteral("VTSZ"), .unit = QStringLiteral("db"),
                                .quantity = QStringLiteral("2,5"), .note = QStringLiteral("sor\nmegj"),
                                .articleNumber = QStringLiteral("CSZ"), .unitPrice = QStringLiteral("12,75"),
                                .vatRate = QStringLiteral("27"), .gasOil = QStringLiteral("1,5"), .currency = QStringLiteral("HUF"),
                                .vatName = QStringLiteral("27%"), .vatCode = QStringLiteral("K27")};
        prepareLineWrite(q, Document(document), line, !edited);
        q.execute();

        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t.header)), QStringLiteral("1"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t.lines)), QStringLiteral("1"));
        if (edited) {
            QCOMPARE(s->db.scalar(QStringLiteral("SELECT %1ID FROM %2").arg(h, t.header)), headerId);
            QCOMPARE(s->db.scalar(QStringLiteral("SELECT %1ID FROM %2").arg(l, t.lines)), lineId);
        }
        // each column as text, '-' where it holds NULL
        const auto columns = [](const QString& letter, const QStringList& names) {
            QStringList out;
            for (const QString& name : names)
                out << QStringLiteral("IFNULL(%1%2, '-')").arg(letter, name);
            return out;
        };
        QCOMPARE(row(t.header,
                     columns(h, {"Bszam", "vKod", "Tkelt", "Rkelt", "Fkelt", "Fizmod", "Megj", "Szerz", "Memo", "Prn",
                                 "Kerek", "Arfoly", "Pnem", "vSzam", "MemoVevo", "MemoSzall", "zKod", "zSzam", "mKod", "nSor"}),
                     QStringLiteral("1")),
                 QStringLiteral("20100009|V1|2010-03-01|2010-03-02|2010-03-03|készpénz|megj|szerz|egy\r\nkettő| "
                                "|5.5000|310.250000|EUR|VSZ|vevő\r\nblokk|szállító|Z1|ZSZ|M1|-"));
        const QString priced = invoice ? QStringLiteral("12.7500|27|1.5000|HUF|27%|K27") : QStringLiteral("-|-|-|-|-|-");
        QCOMPARE(row(t.lines,
                     columns(l, {"Bszam", "cKod", "Megn", "Vtsz", "Me", "Menny", "Memo", "cSzam", "Ear", "Afa", "Golaj",
                                 "Pnem", "Afanev", "kAfakod", "Alap"}),
                     QStringLiteral("1")),
                 QStringLiteral("20100009|C1|Tétel|VTSZ|db|2.5000|sor\r\nmegj|CSZ|%1|-").arg(priced));
    }
};

QTEST_GUILESS_MAIN(WorkTablesTest)
#include "tst_worktables.moc"
