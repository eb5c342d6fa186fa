// The delivery-note screens' guards: a refused store ends its transaction before its box waits,
// an empty register acts on nothing, "Módosít" opens the note it was pressed on, and no line is
// stored without its note's number.
#include "deliveryfixture.h"

#include "delivery/deliveryregister.h"

#include <QTest>

using namespace orvena;
using test::DeliveryFixture;

namespace {

// Records the boxes in one log with the transaction statements, so their order shows.
class LoggingUi : public test::FakeUserInterface {
public:
    explicit LoggingUi(QStringList& log) : m_log(log) {}
    void message(const QString& text) override
    {
        m_log << QStringLiteral("box: ") + text;
        FakeUserInterface::message(text);
    }

private:
    QStringList& m_log;
};

} // namespace

class DeliveryGuardsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<DeliveryFixture> f;
    test::TestSession& s() { return *f->session; }
    Query& q(const char* id) { return s().data.query(QString::fromLatin1(id)); }

private slots:
    void initTestCase() { f = std::make_unique<DeliveryFixture>(); }
    void init() { f->reset(); }
    void cleanupTestCase() { f.reset(); }

    void refusedStoreRollsBackBeforeItsBox_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QByteArray>("failing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("new note") << "note" << QByteArray("INSERT INTO SzlevFej")
                                  << "Hiba: Újban, INSERT-append a Szállító fejben ";
        QTest::newRow("sequence") << "note" << QByteArray("UPDATE Sorszam") << "Hiba: Új UPDATE Sorszam -ba ";
        QTest::newRow("modified note") << "modify" << QByteArray("REPLACE INTO SzlevFej")
                                       << "Hiba: Újban, REPLACE-edit a Szállító fejben ";
        QTest::newRow("new line") << "line" << QByteArray("INSERT INTO Szlevsor")
                                  << "Hiba: Új, INSERT-append a szlev sorben ";
        QTest::newRow("modified line") << "modifyLine" << QByteArray("REPLACE INTO Szlevsor")
                                       << "Hiba: Új, INSERT-edit a szlev sorban ";
    }
    void refusedStoreRollsBackBeforeItsBox()
    {
        QFETCH(QString, screen);
        QFETCH(QByteArray, failing);
        QFETCH(QString, expected);
        const QString stored = f->makeNote({{QStringLiteral("Tárolt"), QStringLiteral("1")}});
        QCOMPARE(stored, QStringLiteral("20100001"));

        QStringList log;
        LoggingUi ui(log);
        ScreenContext context{s().data, s().state, ui, s().opener, &f->presenter};
        s().data.connection().setStatementHook([&log, failing](const QByteArray& sql) {
            for (const char* word : {"START TRANSACTION", "COMMIT", "ROLLBACK"})
                if (sql.startsWith(word))
                    log << QStringLiteral("sql: ") + QString::fromLatin1(word);
            if (sql.startsWith(failing))
                throw DbError(QStringLiteral("refused"));
        });

        if (screen == u"note" || screen == u"modify") {
            ScreenRequest request = ScreenRequest::modifying(stored);
            request.mode = screen == u"note" ? EditMode::New : EditMode::Modify;
            DeliveryComposer composer(context, request);
            QVERIFY(composer.prepare());
            if (screen == u"note") {
                composer.chooseCustomer();
                DeliveryLineEditor line(context, composer.lineRequest(EditMode::New));
                QVERIFY(line.prepare());
                line.setField(DeliveryLineEditor::Description, QStringLiteral("Új tétel"));
                line.setField(DeliveryLineEditor::Quantity, QStringLiteral("2"));
                line.accept();
                QVERIFY(line.isClosed());
            }
            log.clear();
            composer.accept();
            QVERIFY(!composer.isClosed());
        } else {
            q("ZQ110").setSql({QStringLiteral("SELECT * FROM SzlevSor WHERE eBszam = '20100001'")});
            q("ZQ110").open();
            DeliveryLineEditor line(context, {screen == u"line" ? EditMode::New : EditMode::Modify, DocumentRef{stored}});
            QVERIFY(line.prepare());
            line.setField(DeliveryLineEditor::Description, QStringLiteral("Javított"));
            line.setField(DeliveryLineEditor::Quantity, QStringLiteral("3"));
            log.clear();
            line.accept();
            QVERIFY(!line.isClosed());
        }
        s().data.connection().setStatementHook({});

        // the transaction ends, then the box is shown
        QCOMPARE(log, (QStringList{"sql: START TRANSACTION", "sql: ROLLBACK", QStringLiteral("box: ") + expected}));
        QCOMPARE(f->db().rows("SELECT lBszam FROM szlevfej"), QStringList{stored});
        QCOMPARE(f->db().rows("SELECT eBszam, eMegn, eMenny FROM szlevsor WHERE eMegn <> 'Új tétel'"),
                 QStringList{"20100001|Tárolt|1"});
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), stored);
    }

    void emptyRegisterActsOnNothing()
    {
        QString chosen = QStringLiteral("régi"); // opened as a chooser
        ScreenRequest chooser;
        chooser.chosen = &chosen;
        DeliveryRegister reg(s().context, chooser);
        reg.prepare();
        reg.reread();
        reg.modifyNote();
        reg.modifyNoteAnyway();
        reg.viewNote();
        reg.printNote();
        reg.choose();
        QVERIFY(s().opener.opened().empty());
        QCOMPARE(s().ui.texts(), QStringList());
        QCOMPARE(f->presenter.titles, QStringList());
        QCOMPARE(chosen, QString());
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevsor"), QStringLiteral("0"));

        // a composition screen asked to modify without a note does not open either
        DeliveryComposer composer(s().context, ScreenRequest::modifying(QString()));
        QVERIFY(!composer.prepare());
        QCOMPARE(s().ui.texts(), QStringList());
    }

    void modifyOpensTheNoteItWasPressedOn()
    {
        const QString first = f->makeNote({{QStringLiteral("Első"), QStringLiteral("1")}});
        const QString second = f->makeNote({{QStringLiteral("Második"), QStringLiteral("2")}}, QStringLiteral("3"));
        DeliveryRegister reg(s().context);
        reg.prepare();
        q("ZQ100").locate("lBszam", first);
        QString loaded;
        s().opener.onOpen(Screen::DeliveryComposer, [&](const ScreenRequest& request) {
            // the register's list has moved before the screen reads its note
            q("ZQ100").locate("lBszam", second);
            DeliveryComposer composer(s().context, request);
            QVERIFY(composer.prepare());
            loaded = composer.field(DeliveryComposer::Number) + u'|' + composer.field(DeliveryComposer::CustomerCode);
            QCOMPARE(q("ZQ110").rowCount(), 1);
            QCOMPARE(q("ZQ110").fieldText("eMegn"), QStringLiteral("Első"));
        });
        reg.modifyNote();
        QCOMPARE(loaded, first + QStringLiteral("|2"));

        // a note deleted meanwhile: told, and the screen does not open
        DeliveryComposer gone(s().context, ScreenRequest::modifying(QStringLiteral("20109999")));
        QVERIFY(!gone.prepare());
        QCOMPARE(s().ui.texts(), QStringList{"A(z) 20109999 sorszámú szállítólevél nem található!"});
    }

    void lineWithoutNumberIsRefused()
    {
        DeliveryLineEditor line(s().context, {EditMode::New});
        QVERIFY(line.prepare());
        line.setField(DeliveryLineEditor::Description, QStringLiteral("Árva sor"));
        line.setField(DeliveryLineEditor::Quantity, QStringLiteral("1"));
        line.accept();
        QCOMPARE(s().ui.texts(), QStringList{"Nincs szállítólevél sorszám, a sor nem tárolható!"});
        QVERIFY(!line.isClosed());
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevsor"), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(DeliveryGuardsTest)
#include "tst_deliveryguards.moc"
