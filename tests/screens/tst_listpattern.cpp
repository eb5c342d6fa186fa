// The shared list/edit pattern on the VAT-rate screens: the save procedure's paths, code
// numbering, deletes, sorting, positioning and the chooser protocol.
#include "masterdata/vatrates.h"
#include "screens/common/savedelete.h"
#include "support/fakes.h"

#include <QTest>

using namespace orvena;
using Kind = test::FakeUserInterface::Kind;

namespace {

// Records every statement sent; a statement beginning with failOn is refused.
struct StatementLog {
    explicit StatementLog(Connection& c) : connection(c)
    {
        c.setStatementHook([this](const QByteArray& sql) {
            const QString text = QString::fromLatin1(sql).simplified();
            sent << text;
            if (!failOn.isEmpty() && text.startsWith(failOn, Qt::CaseInsensitive))
                throw DbError(QStringLiteral("refused by the test"));
        });
    }
    ~StatementLog() { connection.setStatementHook({}); }
    bool any(const QString& prefix) const
    {
        for (const QString& s : sent)
            if (s.startsWith(prefix, Qt::CaseInsensitive))
                return true;
        return false;
    }
    Connection& connection;
    QStringList sent;
    QString failOn;
};

} // namespace

class ListPatternTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;

    Query& list() { return s->data.query(QStringLiteral("ZQ90")); }
    void seed(const QStringList& rows) // "code|name|percent"
    {
        s->db.exec(QStringLiteral("DELETE FROM afa"));
        for (const QString& r : rows) {
            const QStringList p = r.split(u'|');
            s->db.exec(QStringLiteral("INSERT INTO afa (kAfakod, kAfanev, kAfa) VALUES ('%1', '%2', %3)")
                           .arg(p[0], p[1], p[2]));
        }
    }
    // Opens the edit screen the way the list does.
    std::unique_ptr<VatEdit> openEdit(EditMode mode)
    {
        auto edit = std::make_unique<VatEdit>(s->context, ScreenRequest{mode});
        if (!edit->start())
            return nullptr;
        return edit;
    }

private slots:
    void initTestCase() { s = std::make_unique<test::TestSession>(); }
    void init()
    {
        s->db.reset();
        s->state = AppState();
        s->ui.clear();
        s->opener.onOpen(Screen::VatEdit, [] {});
        s->opener.onOpen(Screen::VatList, [] {});
    }
    void cleanupTestCase() { s.reset(); }

    void codeNumbering_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty table starts at 1") << QStringList() << "1";
        QTest::newRow("plain sequence") << QStringList{"1", "2", "3"} << "4";
        QTest::newRow("gap keeps the highest") << QStringList{"1", "7", "3"} << "8";
        QTest::newRow("different lengths, 9 sorts after 10 as text") << QStringList{"9", "10"} << "11";
        QTest::newRow("leading zeros") << QStringList{"00003", "00012"} << "13";
        QTest::newRow("text codes are skipped") << QStringList{"A7", "3"} << "4";
        QTest::newRow("last one that fits") << QStringList{"99998"} << "99999";
    }
    void codeNumbering()
    {
        QFETCH(QStringList, codes);
        QFETCH(QString, expected);
        QStringList rows;
        for (const QString& c : codes)
            rows << c + "|x|1";
        seed(rows);
        auto edit = openEdit(EditMode::New);
        QVERIFY(edit);
        edit->setField(QStringLiteral("kAfa"), QStringLiteral("18"));
        edit->setField(QStringLiteral("kAfanev"), QStringLiteral("12% próba"));
        edit->ok();
        QVERIFY2(edit->isFinished(), qPrintable(s->ui.texts().join(u'/')));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT kAfakod FROM afa WHERE kAfanev = '12% próba'")), expected);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM afa WHERE kAfakod = '%1'").arg(expected)),
                 QStringLiteral("1"));
        // the list is re-read in percentage order and stands on the new rate
        QCOMPARE(list().fieldText(QStringLiteral("kAfakod")), expected);
        QCOMPARE(s->state.rememberedKey(QStringLiteral("afa")), expected);
        QVERIFY(s->ui.shown().empty());
    }

    void codeOverflowIsRefusedBeforeWriting()
    {
        seed({"99999|full|5"});
        StatementLog log(s->data.connection());
        auto edit = openEdit(EditMode::New);
        edit->setField(QStringLiteral("kAfa"), QStringLiteral("18"));
        edit->setField(QStringLiteral("kAfanev"), QStringLiteral("over"));
        edit->ok();
        QVERIFY(!edit->isFinished());
        QCOMPARE(s->ui.texts(Kind::Message).size(), 1);
        QVERIFY(s->ui.last().contains(QStringLiteral("100000")));
        QVERIFY(!log.any(QStringLiteral("START TRANSACTION")));
        QVERIFY(!log.any(QStringLiteral("INSERT")));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM afa")), QStringLiteral("1"));
    }

    void saveFailures_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("failOn");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("rollback");
        QTest::addColumn<bool>("transaction");
        QTest::newRow("insert refused") << "Új áfa" << "INSERT" << "18" << "Hiba: Újban, INSERT-append a áfaban " << true
                                        << true;
        // an edit runs in a transaction: the row is checked against what the screen read
        QTest::newRow("edit refused") << "Áfa módositás" << "INSERT" << "18" << "Hiba: Újban, INSERT-edit az Áfaban "
                                      << true << true;
        QTest::newRow("code look-up fails") << "Új áfa" << "SELECT MAX" << "18"
                                            << "Hiba az append vagy edit közben a áfaban!" << false << false;
        QTest::newRow("start transaction fails") << "Új áfa" << "START TRANSACTION" << "18"
                                                 << "Hiba az append vagy edit közben a áfaban!" << false << true;
        // a value beyond its column is refused before anything is sent
        QTest::newRow("percentage beyond its column")
            << "Új áfa" << QString() << "99999999999"
            << "A(z) \"Áfa %\" mező értéke (99999999999) túl nagy: legfeljebb 2147483647 lehet." << false << false;
    }
    void saveFailures()
    {
        QFETCH(QString, mode);
        QFETCH(QString, failOn);
        QFETCH(QString, percent);
        QFETCH(QString, message);
        QFETCH(bool, rollback);
        QFETCH(bool, transaction);
        seed({"1|27% általános|27", "2|5% kedvezményes|5"});
        VatList vatList(s->context);
        vatList.show();
        list().locate(QStringLiteral("kAfa"), QStringLiteral("27"));
        auto edit = openEdit(mode == u"Új áfa" ? EditMode::New : EditMode::Modify);
        QVERIFY(edit);
        edit->setField(QStringLiteral("kAfa"), percent);
        edit->setField(QStringLiteral("kAfanev"), QStringLiteral("Új név"));
        const QStringList before = s->db.rows(QStringLiteral("SELECT * FROM afa ORDER BY kID"));
        StatementLog log(s->data.connection());
        log.failOn = failOn;
        edit->ok();
        // only the procedure's own message, and the screen stays open with what was typed
        QCOMPARE(s->ui.texts(), QStringList{message});
        QVERIFY(!edit->isFinished());
        QCOMPARE(edit->field(QStringLiteral("kAfa")), percent);
        QCOMPARE(edit->field(QStringLiteral("kAfanev")), QStringLiteral("Új név"));
        QCOMPARE(log.any(QStringLiteral("ROLLBACK")), rollback);
        QCOMPARE(log.any(QStringLiteral("START TRANSACTION")), transaction);
        QVERIFY(!log.any(QStringLiteral("COMMIT")));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT * FROM afa ORDER BY kID")), before);
    }

    void editKeepsIdentityAndReinsertsDeletedRow()
    {
        seed({"1|27% általános|27", "2|5% kedvezményes|5"});
        VatList vatList(s->context);
        vatList.show();
        QVERIFY(list().locate(QStringLiteral("kAfa"), QStringLiteral("27")));
        const QString id = list().fieldText(QStringLiteral("kID"));
        vatList.modify(); // no edit screen script: only the mode and key are set
        QCOMPARE(s->opener.requests().back().mode, EditMode::Modify);
        QCOMPARE(s->state.rememberedKey(QStringLiteral("afa")), QStringLiteral("1"));
        auto edit = openEdit(EditMode::Modify);
        QCOMPARE(edit->title(), QStringLiteral("Áfa módositás"));
        QCOMPARE(edit->field(QStringLiteral("kID")), id);
        edit->setField(QStringLiteral("kAfanev"), QStringLiteral("27% \"ált\" 'k'"));
        // another program deletes the row meanwhile
        s->db.exec(QStringLiteral("DELETE FROM afa WHERE kID = %1").arg(id));
        edit->ok();
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT kID, kAfakod, kAfanev, kAfa FROM afa WHERE kID = %1").arg(id)),
                 QStringList{id + "|1|27% \"ált\" 'k'|27"});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM afa")), QStringLiteral("2"));
        QCOMPARE(list().fieldText(QStringLiteral("kID")), id);
    }

    void validationsInOrder()
    {
        auto edit = openEdit(EditMode::New);
        QStringList focus;
        connect(edit.get(), &EditScreen::focusRequested, this, [&focus](const QString& k) { focus << k; });
        edit->setField(QStringLiteral("kAfanev"), QStringLiteral("   "));
        edit->ok();
        edit->setField(QStringLiteral("kAfanev"), QStringLiteral(" x"));
        edit->ok();
        QCOMPARE(s->ui.texts(), (QStringList{"Nincs megadva a megnevezés!", "Nincs megadva az áfa!"}));
        QCOMPARE(focus, (QStringList{"kAfanev", "kAfa"}));
        QVERIFY(!edit->isFinished());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM afa")), QStringLiteral("0"));
    }

    void deletes()
    {
        seed({});
        VatList vatList(s->context);
        vatList.show();
        StatementLog log(s->data.connection());
        vatList.remove(); // empty list: nothing is sent, nothing reported
        QVERIFY(!log.any(QStringLiteral("DELETE")));
        QVERIFY(s->ui.shown().empty());

        seed({"1|27% általános|27", "2|5% kedvezményes|5"});
        vatList.show();
        list().locate(QStringLiteral("kAfa"), QStringLiteral("5"));
        vatList.remove();
        QCOMPARE(s->ui.texts(), QStringList{"Az áfa sor törlölve!"});
        QCOMPARE(s->db.rows(QStringLiteral("SELECT kAfakod FROM afa")), QStringList{"1"});
        QCOMPARE(list().rowCount(), 1);

        log.failOn = QStringLiteral("DELETE");
        vatList.remove();
        QCOMPARE(s->ui.last(), QStringLiteral("Hiba: Áfa DELETE törlésekor"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT kAfakod FROM afa")), QStringList{"1"});
    }

    void sortingAndAfterSaveOrder()
    {
        seed({"3|c rate|5", "1|a rate|27", "2|b rate|18"});
        VatList vatList(s->context);
        vatList.create();
        vatList.show();
        QCOMPARE(vatList.caption(), VatList::makeSpec().caption);
        QVERIFY(vatList.sortBy(QStringLiteral("KAFANEV")));
        QCOMPARE(vatList.caption(), QStringLiteral("Áfa lista, áfa név szerint"));
        QCOMPARE(list().fieldText(QStringLiteral("kAfanev")), QStringLiteral("a rate"));
        QVERIFY(vatList.sortBy(QStringLiteral("kAfakod")));
        QCOMPARE(vatList.caption(), QStringLiteral("Áfa lista, áfa kódja szerint"));
        const QString caption = vatList.caption();
        QVERIFY(!vatList.sortBy(QStringLiteral("kID"))); // the ID title does not sort
        QCOMPARE(vatList.caption(), caption);

        // "Új" + "OK" leaves the list in percentage order, on the new rate
        s->opener.onOpen(Screen::VatEdit, [this](const ScreenRequest& request) {
            VatEdit edit(s->context, request);
            QVERIFY(edit.start());
            edit.setField(QStringLiteral("kAfa"), QStringLiteral("18"));
            edit.setField(QStringLiteral("kAfanev"), QStringLiteral("d rate"));
            edit.ok();
            QVERIFY(edit.isFinished());
        });
        vatList.newRecord();
        QStringList order;
        for (int r = 0; r < list().rowCount(); ++r)
            order << list().text(r, QStringLiteral("kAfa"));
        QCOMPARE(order, (QStringList{"5", "18", "18", "27"}));
        QCOMPARE(list().fieldText(QStringLiteral("kAfanev")), QStringLiteral("d rate"));
    }

    void positioningByRememberedKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("empty key: first row") << "" << "five";
        QTest::newRow("prefix 2 finds 20 before 25") << "2" << "twenty";
        QTest::newRow("equal percentages: first in order") << "27" << "twentyseven a";
        QTest::newRow("no match: first row") << "9" << "five";
    }
    void positioningByRememberedKey()
    {
        QFETCH(QString, key);
        QFETCH(QString, expectedName);
        seed({"1|twentyseven a|27", "2|twenty|20", "3|twentyfive|25", "4|five|5", "5|twentyseven b|27"});
        s->state.setRememberedKey(QStringLiteral("afa"), key);
        VatList vatList(s->context);
        vatList.create();
        vatList.show();
        QCOMPARE(list().fieldText(QStringLiteral("kAfanev")), expectedName);
    }

    void chooserHandsOverCurrentRow()
    {
        seed({"1|27% általános|27", "2|18% kedvezményes|18", "3|5% kedvezményes|5"});
        for (const bool viaChoose : {true, false}) {
            s->state.setRememberedKey(QStringLiteral("afa"), QStringLiteral("18"));
            s->opener.onOpen(Screen::VatList, [this, viaChoose] {
                VatList chooser(s->context);
                bool closed = false;
                connect(&chooser, &ListScreen::finished, this, [&closed] { closed = true; });
                chooser.create();
                chooser.show();
                viaChoose ? chooser.choose() : chooser.cancel();
                QVERIFY(closed);
            });
            s->opener.open(Screen::VatList);
            QCOMPARE(list().fieldText(QStringLiteral("kAfa")), QStringLiteral("18"));
            QCOMPARE(list().fieldText(QStringLiteral("kAfanev")), QStringLiteral("18% kedvezményes"));
        }
        // a rate created inside the chooser is what the caller reads
        s->opener.onOpen(Screen::VatEdit, [this](const ScreenRequest& request) {
            VatEdit edit(s->context, request);
            QVERIFY(edit.start());
            edit.setField(QStringLiteral("kAfa"), QStringLiteral("5"));
            edit.setField(QStringLiteral("kAfanev"), QStringLiteral("5% új"));
            edit.ok();
        });
        s->opener.onOpen(Screen::VatList, [this] {
            VatList chooser(s->context);
            chooser.create();
            chooser.show();
            chooser.newRecord();
            chooser.cancel();
        });
        s->opener.open(Screen::VatList);
        QCOMPARE(list().fieldText(QStringLiteral("kAfanev")), QStringLiteral("5% új"));
        QCOMPARE(list().fieldText(QStringLiteral("kAfakod")), QStringLiteral("4"));
    }

    void modifyOnEmptyListOpensEmptyScreen()
    {
        seed({});
        VatList vatList(s->context);
        vatList.show();
        vatList.modify();
        auto edit = openEdit(s->opener.requests().back().mode);
        QVERIFY(edit);
        QCOMPARE(edit->title(), QStringLiteral("Áfa módositás"));
        QCOMPARE(edit->field(QStringLiteral("kID")), QString());
        // an edit without a record to edit is refused by the server, and nothing appears
        edit->setField(QStringLiteral("kAfa"), QStringLiteral("5"));
        edit->setField(QStringLiteral("kAfanev"), QStringLiteral("x"));
        edit->ok();
        QCOMPARE(s->ui.texts(), QStringList{"Hiba: Újban, INSERT-edit az Áfaban "});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM afa")), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(ListPatternTest)
#include "tst_listpattern.moc"
