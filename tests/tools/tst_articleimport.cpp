#include "support/fakes.h"

#include "db/schema.h"
#include "tools/articleimport.h"

#include <QTest>

using namespace orvena;

class ArticleImportTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;

    QStringList articles()
    {
        return s->db.rows("SELECT cKod, cSzam, cMegn, cVtsz, cMe, cEar, cPnem, cAfakod, cAfanev, cAfa FROM cikk "
                          "ORDER BY cKod");
    }

private slots:
    void initTestCase() { s = std::make_unique<test::TestSession>(); }
    void init()
    {
        s->data.connection().setStatementHook({});
        s->db.exec(createTableStatement(*schemaTable(QStringLiteral("termek"))));
        s->db.reset();
        s->db.exec("INSERT INTO cikk (cKod, cSzam, cMegn, cEar, cPnem, cAfakod, cAfanev, cAfa) "
                   "VALUES ('1', 'R-1', 'Régi cikk', 100, 'Ft', '1', '27%', 27)");
        s->db.exec("INSERT INTO termek (t_kod, t_megnevezes, t_VTSZ, t_megy, t_Ear, t_Kompmerteke, t_bizonylat) "
                   "VALUES ('T01', 'Búza', '1001', 'kg', 52.5, 1, 'x'), ('T02', 'Kukorica \"A\"', '1005', 'q', 4100, 0, NULL)");
        s->ui.clear();
    }
    void cleanupTestCase() { s.reset(); }

    void replacesTheArticlesWithTermek()
    {
        ArticleImport import(s->context);
        QVERIFY(import.run());
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Az adatok átvéve a termek-böl !")});
        QCOMPARE(articles(), (QStringList{QStringLiteral("T01|T01|Búza|1001|kg|52,5|Ft|||"),
                                          QStringLiteral("T02|T02|Kukorica \"A\"|1005|q|4100|Ft|||")}));
    }

    void withoutTermekTheArticlesStayAsTheyWere()
    {
        const QStringList before = articles();
        s->db.exec("DROP TABLE termek");
        ArticleImport import(s->context);
        QVERIFY(!import.run());
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Hiba: Az INSERT termek -böl -> cikk -be ")});
        QCOMPARE(articles(), before);
    }

    void anEmptySourceIsRefusedAndDeletesNothing()
    {
        const QStringList before = articles();
        s->db.exec("DELETE FROM termek");
        ArticleImport import(s->context);
        QVERIFY(!import.run());
        QCOMPARE(s->ui.texts(),
                 QStringList{QStringLiteral("A termek tábla üres, nincs mit átvenni. A cikk törzs nem változott!")});
        QCOMPARE(articles(), before);
    }

    void anyFailingStepLeavesTheArticles_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("message");
        QTest::newRow("start") << "START TRANSACTION" << "Hiba a termek-böl insert cikk -be!";
        QTest::newRow("delete") << "DELETE FROM cikk" << "Hiba: Az DELETE a cikk -ben ";
        QTest::newRow("insert") << "INSERT INTO cikk" << "Hiba: Az INSERT termek -böl -> cikk -be ";
        QTest::newRow("commit") << "COMMIT" << "Hiba: Az INSERT termek -böl -> cikk -be ";
    }
    void anyFailingStepLeavesTheArticles()
    {
        QFETCH(QString, failing);
        QFETCH(QString, message);
        const QStringList before = articles();
        s->data.connection().setStatementHook([failing](const QByteArray& sql) {
            if (QString::fromLatin1(sql).startsWith(failing))
                throw DbError(QStringLiteral("refused"));
        });
        ArticleImport import(s->context);
        QVERIFY(!import.run());
        s->data.connection().setStatementHook({});
        QCOMPARE(s->ui.texts(), QStringList{message});
        QCOMPARE(articles(), before);
        // the program's own session sees the old article too: nothing is left half done
        const auto own = s->data.connection().select("SELECT cKod FROM cikk");
        QCOMPARE(own->rowCount(), 1);
        QCOMPARE(own->text(0, 0), QStringLiteral("1"));
        QVERIFY(import.run());
    }
};

QTEST_GUILESS_MAIN(ArticleImportTest)
#include "tst_articleimport.moc"
