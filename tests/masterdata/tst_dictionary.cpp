// The label dictionary against the real database: the list and its chooser use, new label sets
// with a proposed printable code, the refusals of codes that printing could not use or that are
// taken, the update of every column, copies, and failed statements that keep the screen open.
#include "support/fakes.h"

#include "db/queryroles.h"
#include "masterdata/dictionary.h"

#include <QSignalSpy>
#include <QTest>

using namespace orvena;
using dictionary::proposeCode;

namespace {

// The demo's two label sets and a third with an old short code.
const char* kSeed = "INSERT INTO mezonev (mkod, mtipus, mnyelv, mmegnev, mSzamla, mSzlevel, mAdo) VALUES "
                    "('00002', 'egész forint', 'angol', 'Magyar-angol', 'Invoice', 'Delivery note', 'Tax'),"
                    "('00003', 'fillér', 'német', 'Magyar-német', 'Rechnung', 'Lieferschein', 'Steuer'),"
                    "('4', 'régi', 'francia', 'Magyar-francia', 'Facture', 'Bon de livraison', 'Impôt')";

} // namespace

class DictionaryTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestSession> s;
    QStringList sent;

    Query& list() { return s->data.query(role::kDictionaryList); }

    // The list screen as the menu item shows it.
    std::unique_ptr<ListScreen> showList()
    {
        auto screen = std::make_unique<ListScreen>(s->context, dictionaryListSpec());
        screen->create();
        screen->show();
        return screen;
    }

    // An edit screen opened the way "Új" / "Módosít" open it.
    std::unique_ptr<DictionaryEdit> openEdit(EditMode mode)
    {
        auto edit = std::make_unique<DictionaryEdit>(s->context, ScreenRequest{mode});
        if (!edit->start())
            return nullptr;
        return edit;
    }

    void fillRequired(DictionaryEdit& e)
    {
        e.setField(QStringLiteral("mtipus"), QStringLiteral("egész forint"));
        e.setField(QStringLiteral("mnyelv"), QStringLiteral("olasz"));
        e.setField(QStringLiteral("mmegnev"), QStringLiteral("Magyar-olasz"));
    }

private slots:
    void initTestCase()
    {
        s = std::make_unique<test::TestSession>();
        s->data.connection().setStatementHook([this](const QByteArray& sql) { sent << QString::fromLatin1(sql); });
    }
    void init()
    {
        s->db.reset();
        s->db.exec(QString::fromUtf8(kSeed));
        s->ui.clear();
        s->state.setRememberedKey(dictionary::kTable, QString());
        sent.clear();
    }

    void codeProposals_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("proposal");
        QTest::newRow("after 00003, whole forints") << QStringList{"00002", "00003"} << "2" << "00012";
        QTest::newRow("after 00003, hundredths") << QStringList{"00002", "00003"} << "3" << "00013";
        QTest::newRow("short old codes do not count") << QStringList{"4", "10", "00003"} << "2" << "00012";
        QTest::newRow("letters in a code do not count") << QStringList{"AB123", "00022"} << "3" << "00033";
        QTest::newRow("empty dictionary") << QStringList{} << "2" << "00002";
        QTest::newRow("four digits used up: lowest free") << QStringList{"99992", "00002"} << "2" << "00012";
        QTest::newRow("lowest free of the type") << QStringList{"99993", "00002"} << "3" << "00003";
    }
    void codeProposals()
    {
        QFETCH(QStringList, codes);
        QFETCH(QString, type);
        QFETCH(QString, proposal);
        QCOMPARE(proposeCode(codes, type), proposal);
        QVERIFY(dictionary::isPrintableCode(proposal));
    }

    void listIsPositionedByTheRememberedCode()
    {
        auto screen = showList();
        QCOMPARE(list().rowCount(), 3);
        QCOMPARE(list().fieldText(QStringLiteral("mkod")), QStringLiteral("00002")); // empty key: first row
        s->state.setRememberedKey(dictionary::kTable, QStringLiteral("4"));
        screen->show();
        QCOMPARE(list().fieldText(QStringLiteral("mmegnev")), QStringLiteral("Magyar-francia"));
        s->state.setRememberedKey(dictionary::kTable, QStringLiteral("nincs"));
        screen->show();
        QCOMPARE(list().currentRow(), 0);
        QVERIFY(!screen->sortBy(QStringLiteral("mkod"))); // the titles do not sort
        QVERIFY(s->ui.shown().empty());
    }

    void newLabelSetWithTheProposedCode()
    {
        auto screen = showList();
        list().last();
        std::unique_ptr<DictionaryEdit> edit;
        s->opener.onOpen(Screen::DictionaryEdit, [&](const ScreenRequest& request) {
            edit = openEdit(request.mode);
            QVERIFY(edit);
            QCOMPARE(edit->title(), QStringLiteral("Szótár bevitel"));
            QCOMPARE(edit->field(QStringLiteral("mkod")), QStringLiteral("00012"));
            QCOMPARE(edit->field(QStringLiteral("mID")), QString());
            fillRequired(*edit);
            edit->setField(QStringLiteral("mSzamla"), QStringLiteral("Fattura"));
            edit->setField(QStringLiteral("mSzlevel"), QStringLiteral("Bolla"));
            edit->setField(QStringLiteral("mAdo"), QStringLiteral("Imposta 'IVA'"));
            edit->ok();
            QVERIFY(edit->isFinished());
        });
        screen->newRecord();
        QCOMPARE(s->opener.requests().back().mode, EditMode::New);
        QVERIFY(edit);
        QVERIFY(s->ui.shown().empty());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT mkod, mnyelv, mSzamla, mSzlevel, mAdo FROM mezonev WHERE mkod = '00012'")),
                 QStringList{"00012|olasz|Fattura|Bolla|Imposta 'IVA'"});
        QVERIFY(sent.contains(QStringLiteral("START TRANSACTION")));
        QCOMPARE(sent.last(), QStringLiteral("SELECT * FROM mezonev"));

        // the chooser's caller finds the new label set as the current row; reopening the list
        // finds it again by its code
        QCOMPARE(list().fieldText(QStringLiteral("mkod")), QStringLiteral("00012"));
        QCOMPARE(list().fieldText(QStringLiteral("mmegnev")), QStringLiteral("Magyar-olasz"));
        QCOMPARE(s->state.rememberedKey(dictionary::kTable), QStringLiteral("00012"));
        screen->show();
        QCOMPARE(list().fieldText(QStringLiteral("mkod")), QStringLiteral("00012"));
    }

    void unusableCodesAreRefused_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("too short") << "0001" << "A szótár kódja pontosan 5 karakter legyen!";
        QTest::newRow("empty") << "" << "A szótár kódja pontosan 5 karakter legyen!";
        QTest::newRow("no type") << "00014"
                                 << "A szótár kódjának 5. karaktere a szótár típusa: 2 (egész forint) vagy 3 (fillér) lehet!";
        QTest::newRow("taken") << "00003" << "A(z) 00003 kód már egy másik szótáré, adjon meg másik kódot!";
    }
    void unusableCodesAreRefused()
    {
        QFETCH(QString, code);
        QFETCH(QString, message);
        auto edit = openEdit(EditMode::New);
        QVERIFY(edit);
        fillRequired(*edit);
        edit->setField(QStringLiteral("mkod"), code);
        QSignalSpy focus(edit.get(), &EditScreen::focusRequested);
        edit->ok();
        QCOMPARE(s->ui.texts(), QStringList{message});
        QCOMPARE(focus.count(), 1);
        QCOMPARE(focus.first().first().toString(), QStringLiteral("mkod"));
        QVERIFY(!edit->isFinished());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM mezonev")), QStringLiteral("3"));
        QVERIFY(!sent.contains(QStringLiteral("START TRANSACTION")));

        // the operator types a free printable code and the same screen saves it
        s->ui.clear();
        edit->setField(QStringLiteral("mkod"), QStringLiteral("10003"));
        edit->ok();
        QVERIFY(s->ui.shown().empty());
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT mnyelv FROM mezonev WHERE mkod = '10003'")), QStringLiteral("olasz"));
    }

    void validationsInOrder()
    {
        auto edit = openEdit(EditMode::New);
        QVERIFY(edit);
        QSignalSpy focus(edit.get(), &EditScreen::focusRequested);
        edit->setField(QStringLiteral("mtipus"), QStringLiteral("   "));
        edit->ok();
        edit->setField(QStringLiteral("mtipus"), QStringLiteral(" x"));
        edit->ok();
        edit->setField(QStringLiteral("mnyelv"), QStringLiteral("olasz"));
        edit->ok();
        QCOMPARE(s->ui.texts(), (QStringList{"Nincs megadva a tipus!", "Nincs megadva a nyelv!",
                                             "Nincs megadva a megnevezés!"}));
        QCOMPARE(focus.count(), 3);
        QCOMPARE(focus.at(0).first().toString(), QStringLiteral("mtipus"));
        QCOMPARE(focus.at(2).first().toString(), QStringLiteral("mmegnev"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM mezonev")), QStringLiteral("3"));
    }

    void modifyWritesEveryColumn()
    {
        auto screen = showList();
        list().next(); // 00003
        auto edit = openEdit(EditMode::Modify);
        QVERIFY(edit);
        QCOMPARE(edit->title(), QStringLiteral("Szótár módositás"));
        QCOMPARE(edit->field(QStringLiteral("mSzamla")), QStringLiteral("Rechnung"));
        QCOMPARE(edit->field(QStringLiteral("mSzlevel")), QStringLiteral("Lieferschein"));
        const QString id = edit->field(QStringLiteral("mID"));
        QVERIFY(!id.isEmpty());
        // every column gets its own text
        for (const auto& c : dictionary::columns())
            if (c.field != u"mID" && c.field != u"mkod")
                edit->setField(c.field, c.field.toUpper());
        edit->ok();
        QVERIFY(edit->isFinished());
        QVERIFY(s->ui.shown().empty());
        QVERIFY(sent.contains(QStringLiteral("COMMIT")));
        QVERIFY(sent.contains(QStringLiteral("START TRANSACTION"))); // checked against what was read
        QStringList expected{id, QStringLiteral("00003")};
        QStringList select;
        for (const auto& c : dictionary::columns()) {
            select << c.field;
            if (c.field != u"mID" && c.field != u"mkod")
                expected << c.field.toUpper();
        }
        QCOMPARE(s->db.rows(QStringLiteral("SELECT %1 FROM mezonev WHERE mID = %2").arg(select.join(u','), id)),
                 QStringList{expected.join(u'|')});
        QCOMPARE(list().fieldText(QStringLiteral("mID")), id);
        QCOMPARE(list().rowCount(), 3);
    }

    void oldCodesCanBeKeptButNotTaken()
    {
        auto screen = showList();
        list().last(); // the label set "4"
        auto edit = openEdit(EditMode::Modify);
        QVERIFY(edit);
        edit->setField(QStringLiteral("mSzamla"), QStringLiteral("Facture / Invoice"));
        edit->ok(); // its unprintable old code stays as it is
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT mSzamla FROM mezonev WHERE mkod = '4'")),
                 QStringLiteral("Facture / Invoice"));

        s->state.setRememberedKey(dictionary::kTable, QStringLiteral("00003"));
        screen->show();
        auto other = openEdit(EditMode::Modify);
        QVERIFY(other);
        other->setField(QStringLiteral("mkod"), QStringLiteral("00002"));
        other->ok();
        QCOMPARE(s->ui.last(), QStringLiteral("A(z) 00002 kód már egy másik szótáré, adjon meg másik kódot!"));
        QVERIFY(!other->isFinished());
    }

    void copyOfALabelSet()
    {
        auto fresh = openEdit(EditMode::New);
        QVERIFY(fresh);
        fresh->copy();
        QCOMPARE(s->ui.texts(), QStringList{"Csak a szótár módosításban! "});
        QCOMPARE(fresh->field(QStringLiteral("mmegnev")), QString());

        s->ui.clear();
        auto screen = showList();
        list().next(); // 00003, hundredths
        auto edit = openEdit(EditMode::Modify);
        QVERIFY(edit);
        edit->copy();
        QCOMPARE(edit->editMode(), EditMode::New);
        QCOMPARE(edit->title(), QStringLiteral("Szótár módositás"));
        QCOMPARE(edit->field(QStringLiteral("mkod")), QStringLiteral("00013")); // the source's type
        edit->copy();
        QCOMPARE(edit->field(QStringLiteral("mmegnev")), QStringLiteral("Magyar-német - másolat - másolat"));
        edit->ok();
        QVERIFY(edit->isFinished());
        QVERIFY(s->ui.shown().empty());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT mkod, mmegnev, mSzamla FROM mezonev ORDER BY mID")).mid(1),
                 (QStringList{"00003|Magyar-német|Rechnung", "4|Magyar-francia|Facture",
                              "00013|Magyar-német - másolat - másolat|Rechnung"}));
    }

    void failedWritesKeepTheScreen()
    {
        auto screen = showList();
        auto edit = openEdit(EditMode::New);
        QVERIFY(edit);
        fillRequired(*edit);
        s->data.connection().setStatementHook([this](const QByteArray& sql) {
            sent << QString::fromLatin1(sql);
            if (sql.startsWith("INSERT INTO mezonev"))
                throw DbError(QStringLiteral("Data too long for column"));
        });
        edit->ok();
        QCOMPARE(s->ui.texts(), QStringList{"Hiba: Újban, INSERT-append a szótárban "});
        // rolled back, then the list is read again as it stood
        QVERIFY(sent.contains(QStringLiteral("ROLLBACK")));
        QVERIFY(sent.last().startsWith(QStringLiteral("SELECT")));
        QVERIFY(!edit->isFinished());
        QCOMPARE(edit->field(QStringLiteral("mnyelv")), QStringLiteral("olasz"));

        // the code look-up failing: only the outer message
        s->ui.clear();
        s->data.connection().setStatementHook([](const QByteArray& sql) {
            if (sql.startsWith("SELECT mID FROM mezonev"))
                throw DbError(QStringLiteral("Lost connection"));
        });
        edit->ok();
        QCOMPARE(s->ui.texts(), QStringList{"Hiba az append vagy edit közben a szótárban!"});
        QVERIFY(!edit->isFinished());

        // a failed update
        s->ui.clear();
        s->data.connection().setStatementHook([](const QByteArray& sql) {
            if (sql.startsWith("REPLACE INTO mezonev"))
                throw DbError(QStringLiteral("Lock wait timeout"));
        });
        screen->show();
        auto modify = openEdit(EditMode::Modify);
        QVERIFY(modify);
        modify->setField(QStringLiteral("mSzamla"), QStringLiteral("Számla"));
        modify->ok();
        QCOMPARE(s->ui.texts(), QStringList{"Hiba: Újban, INSERT-edit az szótárban "});
        QVERIFY(!modify->isFinished());
        QCOMPARE(modify->field(QStringLiteral("mSzamla")), QStringLiteral("Számla"));
        s->data.connection().setStatementHook([this](const QByteArray& sql) { sent << QString::fromLatin1(sql); });
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM mezonev")), QStringLiteral("3"));
    }

    void fillFailureAndDeletes()
    {
        list().close();
        QVERIFY(!openEdit(EditMode::Modify));
        QCOMPARE(s->ui.texts(), QStringList{"Hiba a szótár módosítás Edit-ben való megjelenitésekor!"});

        s->ui.clear();
        auto screen = showList();
        screen->remove();
        QCOMPARE(s->ui.texts(), QStringList{"A sor törlölve!"});
        QCOMPARE(s->db.rows(QStringLiteral("SELECT mkod FROM mezonev ORDER BY mkod")), (QStringList{"00003", "4"}));
        QCOMPARE(list().rowCount(), 2);

        // a failing delete, then an empty list: nothing is sent, nothing reported as deleted
        s->ui.clear();
        s->data.connection().setStatementHook([](const QByteArray& sql) {
            if (sql.startsWith("DELETE"))
                throw DbError(QStringLiteral("Lock wait timeout"));
        });
        screen->remove();
        QCOMPARE(s->ui.texts(), QStringList{"Hiba: szótár DELETE törlésekor"});
        s->data.connection().setStatementHook([this](const QByteArray& sql) { sent << QString::fromLatin1(sql); });
        s->db.exec(QStringLiteral("DELETE FROM mezonev"));
        screen->show();
        s->ui.clear();
        sent.clear();
        screen->remove();
        QVERIFY(s->ui.shown().empty());
        QVERIFY(sent.isEmpty());
    }
};

QTEST_GUILESS_MAIN(DictionaryTest)
#include "tst_dictionary.moc"
