#include "support/fakes.h"

#include "db/codepages.h"
#include "tools/dataexport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;
using Kind = test::FakeUserInterface::Kind;

namespace {

QString readLatin2(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing %1>").arg(path);
    return decode(CodePage::Latin2, f.readAll());
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

// A scratch folder the database server may write into: inside the folder its secure_file_priv
// allows, and open to the server's own (unprivileged) account.
void openToServer(const QString& path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                    | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                    | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
}

class ServerDir : public QTemporaryDir {
public:
    explicit ServerDir(orvena::test::TestDatabase& db)
        : QTemporaryDir(db.scalar(QStringLiteral("SELECT @@secure_file_priv")) + QStringLiteral("/orvena-export-XXXXXX"))
    {
        openToServer(path());
    }
};

class DataExportTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;
    QStringList m_sent; // every statement that reached the connection

private slots:
    void initTestCase()
    {
        s = std::make_unique<test::TestSession>();
        s->data.connection().setStatementHook([this](const QByteArray& sql) { m_sent << QString::fromLatin1(sql); });
    }
    void init()
    {
        s->db.reset();
        s->ui.clear();
        m_sent.clear();
    }
    void cleanupTestCase() { s.reset(); }

    void exportsSixFilesAndReplacesThemOnTheSecondRun()
    {
        ServerDir dir(s->db);
        QVERIFY(dir.isValid());
        DB_VERIFY(s->db.exec(QStringLiteral(
            "INSERT INTO cikk (cKod, cMegn, cEar, cAfa) VALUES ('1', 'Tűzőgép \"A\"', 1250.5, 27)")));
        DataExport ex(s->context);
        ex.setFolder(dir.path() + u'/');
        QVERIFY(ex.run());
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Export vége. ")});
        QCOMPARE(s->ui.shown().back().kind, Kind::Notice);
        QCOMPARE(filesIn(dir.path()), (QStringList{"SzlaFej.txt", "SzlaSor.txt", "cikk.txt", "sorszam.txt",
                                                   "szallito.txt", "vevo.txt"}));
        QCOMPARE(readLatin2(dir.filePath("SzlaFej.txt")), QString());

        // all columns in table order, tab separated, NULL as \N
        const QString cid = s->db.scalar("SELECT cID FROM cikk");
        QCOMPARE(readLatin2(dir.filePath("cikk.txt")),
                 cid + QStringLiteral("\t1\t\\N\tTűzőgép \"A\"\t\\N\t\\N\t1250.5000\t\\N\t\\N\t\\N\t27\t\\N\n"));
        QString sequences;
        for (const QString& row : s->db.rows("SELECT aID, aKod, aBszam FROM sorszam ORDER BY aID"))
            sequences += row.split(u'|').join(u'\t') + QStringLiteral("\t\\N\t\\N\t\\N\n");
        QCOMPARE(readLatin2(dir.filePath("sorszam.txt")), sequences);

        // the server never overwrites a file: the second run works only because the first
        // copies are deleted
        DB_VERIFY(s->db.exec("UPDATE cikk SET cMegn = 'Lyukasztó'"));
        s->ui.clear();
        QVERIFY(ex.run());
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Export vége. ")});
        QVERIFY(readLatin2(dir.filePath("cikk.txt")).contains(QStringLiteral("\tLyukasztó\t")));
    }

    void exportsOnlyTheCheckedTables()
    {
        ServerDir dir(s->db);
        DataExport ex(s->context);
        ex.setFolder(dir.path() + u'/');
        for (int i = 0; i < DataExport::kItemCount; ++i)
            ex.setChecked(i, i == 1 || i == 5);
        QVERIFY(ex.run());
        QCOMPARE(filesIn(dir.path()), (QStringList{"SzlaSor.txt", "vevo.txt"}));
    }

    void noBoxCheckedWritesNothingAndStillFinishes()
    {
        ServerDir dir(s->db);
        DataExport ex(s->context);
        ex.setFolder(dir.path() + QStringLiteral("/does-not-matter/"));
        for (int i = 0; i < DataExport::kItemCount; ++i)
            ex.setChecked(i, false);
        QVERIFY(ex.run());
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Export vége. ")});
        QVERIFY(m_sent.isEmpty());
        QVERIFY(filesIn(dir.path()).isEmpty());
    }

    void folderNamesNeedNoCare_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("apostrophe") << QStringLiteral("Kovács' mappa");
        QTest::newRow("double quote") << QStringLiteral("a \"b\" c");
        QTest::newRow("backslash") << QStringLiteral("back\\slash");
        QTest::newRow("Hungarian letters") << QStringLiteral("árvíztűrő tükörfúrógép");
        QTest::newRow("sql-looking") << QStringLiteral("x' FROM vevo; --");
    }
    void folderNamesNeedNoCare()
    {
        QFETCH(QString, name);
        ServerDir dir(s->db);
        const QString folder = dir.path() + u'/' + name + u'/';
        QVERIFY(QDir().mkpath(folder));
        openToServer(folder);
        DataExport ex(s->context);
        ex.setFolder(folder);
        QVERIFY2(ex.run(), qPrintable(s->ui.texts().join(u'\n')));
        QCOMPARE(filesIn(folder).size(), 6);
        QVERIFY(QFile::exists(folder + QStringLiteral("sorszam.txt")));
    }

    void aFolderTheServerMayNotWriteIsRefused()
    {
        // the server writes only inside its secure_file_priv folder: anywhere else is refused
        // in Hungarian before any file is asked for
        QTemporaryDir outside;
        const QString allowed = QDir(s->db.scalar(QStringLiteral("SELECT @@secure_file_priv"))).absolutePath();
        QVERIFY(!outside.path().startsWith(allowed));
        DataExport ex(s->context);
        ex.setFolder(outside.path() + u'/');
        QVERIFY(!ex.run());
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Az export helyének a(z) %1 mappán belül kell lennie: "
                                                           "csak oda írhat az adatbázis-kiszolgáló.")
                                                .arg(allowed)});
        QVERIFY(!m_sent.join(u'\n').contains(QStringLiteral("OUTFILE")));
        QVERIFY(filesIn(outside.path()).isEmpty());
    }

    void aMissingFolderIsNamedBeforeAnythingIsSent()
    {
        ServerDir dir(s->db);
        DataExport ex(s->context);
        const QString folder = dir.path() + QStringLiteral("/nincs ilyen");
        ex.setFolder(folder + u'/');
        QVERIFY(!ex.run());
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Az export helye nem létezik: ") + folder});
        QVERIFY(m_sent.isEmpty());
    }

    void aRelativeFolderIsRefused()
    {
        DataExport ex(s->context);
        ex.setFolder(QStringLiteral("c:\\"));
        QVERIFY(!ex.run());
        QCOMPARE(s->ui.texts().size(), 1);
        QVERIFY(s->ui.last().startsWith(QStringLiteral("Az export helyét teljes elérési úttal kell megadni")));
        QVERIFY(m_sent.isEmpty());
    }

    // The screen proposes the folder the server may write into, not the home folder it never can.
    void theServersFolderIsProposed()
    {
        DataExport ex(s->context);
        ex.proposeServerFolder();
        QCOMPARE(ex.folder(), QDir(s->db.scalar(QStringLiteral("SELECT @@secure_file_priv"))).absolutePath() + u'/');
    }

    void aFolderWithoutSeparatorPrefixesTheFileNames()
    {
        ServerDir dir(s->db);
        DataExport ex(s->context);
        ex.setFolder(dir.path() + QStringLiteral("/export"));
        QVERIFY(ex.run());
        QVERIFY(QFile::exists(dir.path() + QStringLiteral("/exportszallito.txt")));
        QVERIFY(QFile::exists(dir.path() + QStringLiteral("/exportSzlaSor.txt")));
    }

    void aFailedExportNamesItsTableAndKeepsTheEarlierFiles()
    {
        ServerDir dir(s->db);
        // a folder where cikk.txt should go: neither the program nor the server can replace it
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("cikk.txt")));
        DataExport ex(s->context);
        ex.setFolder(dir.path() + u'/');
        QVERIFY(!ex.run());
        QCOMPARE(s->ui.texts(),
                 QStringList{QStringLiteral("Hiba: a(z) \"cikk\" tábla exportja nem sikerült, a(z) %1 fájl nem írható.")
                                 .arg(dir.filePath(QStringLiteral("cikk.txt")))});
        QCOMPARE(filesIn(dir.path()), (QStringList{"cikk.txt", "sorszam.txt", "szallito.txt", "vevo.txt"}));
        QVERIFY(!m_sent.join(u'\n').contains(QStringLiteral("SzlaFej")));
    }
};

QTEST_GUILESS_MAIN(DataExportTest)
#include "tst_dataexport.moc"
