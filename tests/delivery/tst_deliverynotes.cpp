// Delivery-note lines, composition, register and the sequence reset tab on a real database.
#include "deliveryfixture.h"

#include "db/conversions.h"
#include "delivery/deliveryregister.h"

#include <QDate>
#include <QTest>

using namespace orvena;
using test::DeliveryFixture;
using Kind = test::FakeUserInterface::Kind;

namespace {

const QString kLineMode = QStringLiteral("szlevsor");

} // namespace

class DeliveryNotesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<DeliveryFixture> f;
    test::TestSession& s() { return *f->session; }
    Query& q(const char* id) { return s().data.query(QString::fromLatin1(id)); }

    // A composition screen for a new note with customer 2 chosen.
    std::unique_ptr<DeliveryComposer> newComposer()
    {
        auto composer = std::make_unique<DeliveryComposer>(s().context, ScreenRequest{EditMode::New});
        composer->prepare();
        composer->chooseCustomer();
        return composer;
    }

private slots:
    void initTestCase() { f = std::make_unique<DeliveryFixture>(); }
    void init() { f->reset(); }
    void cleanupTestCase() { f.reset(); }

    void lineValidationsInOrder_data()
    {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("focus");
        QTest::newRow("all empty") << "" << "" << "" << "Nincs megadva a mennyiség!" << int(DeliveryLineEditor::Quantity);
        QTest::newRow("blank quantity") << "  " << "Csavar" << "db" << "Nincs megadva a mennyiség!"
                                        << int(DeliveryLineEditor::Quantity);
        QTest::newRow("no description") << "0" << " " << "" << "Nincs megadva a megnevezés!"
                                        << int(DeliveryLineEditor::Description);
        QTest::newRow("no unit") << "0" << "Csavar" << " " << "Nincs megadva a mennyiségegység!"
                                 << int(DeliveryLineEditor::Unit);
        QTest::newRow("zero") << "0" << "Csavar" << "db" << "A mennyiség nulla!" << int(DeliveryLineEditor::Quantity);
        QTest::newRow("zero with decimals") << "0,0" << "Csavar" << "db" << "A mennyiség nulla!"
                                            << int(DeliveryLineEditor::Quantity);
        QTest::newRow("not a number") << "-" << "Csavar" << "db" << "Mennyiség: A(z) '-' nem érvényes szám."
                                      << int(DeliveryLineEditor::Quantity);
    }
    void lineValidationsInOrder()
    {
        QFETCH(QString, quantity);
        QFETCH(QString, description);
        QFETCH(QString, unit);
        QFETCH(QString, expected);
        QFETCH(int, focus);
        DeliveryLineEditor line(s().context, {EditMode::New, DocumentRef{QStringLiteral("20100001")}});
        QVERIFY(line.prepare());
        int focused = -1;
        connect(&line, &DeliveryLineEditor::focusRequested, this, [&focused](int field) { focused = field; });
        line.setField(DeliveryLineEditor::Quantity, quantity);
        line.setField(DeliveryLineEditor::Description, description);
        line.setField(DeliveryLineEditor::Unit, unit);
        line.accept();
        QCOMPARE(s().ui.texts(), QStringList{expected});
        QCOMPARE(focused, focus);
        QVERIFY(!line.isClosed());
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevsor"), QStringLiteral("0"));
    }

    void lineQuantitiesStored_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("comma") << "1,5" << "1,5";
        QTest::newRow("trailing zero") << "2,50" << "2,5";
        QTest::newRow("negative") << "-1" << "-1";
    }
    void lineQuantitiesStored()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        DeliveryLineEditor line(s().context, {EditMode::New, DocumentRef{QStringLiteral("20100001")}});
        QVERIFY(line.prepare());
        QCOMPARE(line.field(DeliveryLineEditor::Number), QStringLiteral("20100001"));
        QCOMPARE(line.title(), QStringLiteral("Új szállító sor"));
        line.setField(DeliveryLineEditor::Description, QStringLiteral("Kézi \"idézett\" sor, ő"));
        line.setField(DeliveryLineEditor::Quantity, typed);
        line.setField(DeliveryLineEditor::Memo, QStringLiteral("első\nmásodik"));
        line.accept();
        QVERIFY(line.isClosed());
        QCOMPARE(s().ui.texts(), QStringList());
        QCOMPARE(f->db().rows("SELECT eBszam, ecKod, ecSzam, eMegn, eMenny, eMe, eMemo FROM szlevsor"),
                 QStringList{QStringLiteral("20100001|||Kézi \"idézett\" sor, ő|%1|db|első\r\nmásodik").arg(stored)});
        // the list follows onto the new line
        QCOMPARE(q("ZQ110").rowCount(), 1);
        QCOMPARE(q("ZQ110").fieldText("eMegn"), QStringLiteral("Kézi \"idézett\" sor, ő"));
    }

    void lineArticleChooserOverwritesTypedValues()
    {
        DeliveryLineEditor line(s().context, {EditMode::New, DocumentRef{QStringLiteral("20100001")}});
        QVERIFY(line.prepare());
        int focused = -1;
        connect(&line, &DeliveryLineEditor::focusRequested, this, [&focused](int field) { focused = field; });
        line.setField(DeliveryLineEditor::Description, QStringLiteral("szem"));
        line.setField(DeliveryLineEditor::Quantity, QStringLiteral("3"));
        line.setField(DeliveryLineEditor::Memo, QStringLiteral("megjegyzés"));
        f->positionArticle({}); // the operator leaves the list where it opened
        line.chooseArticle();
        QCOMPARE(s().state.rememberedKey(QStringLiteral("cikk")), QStringLiteral("szem"));
        QCOMPARE(line.field(DeliveryLineEditor::ArticleCode), QStringLiteral("2"));
        QCOMPARE(line.field(DeliveryLineEditor::ArticleNumber), QStringLiteral("TM-220"));
        QCOMPARE(line.field(DeliveryLineEditor::Description), QStringLiteral("Személymérleg üveglapos"));
        QCOMPARE(line.field(DeliveryLineEditor::Vtsz), QStringLiteral("8423"));
        QCOMPARE(line.field(DeliveryLineEditor::Unit), QStringLiteral("db"));
        QCOMPARE(line.field(DeliveryLineEditor::Quantity), QStringLiteral("3"));
        QCOMPARE(line.field(DeliveryLineEditor::Memo), QStringLiteral("megjegyzés"));
        QCOMPARE(focused, int(DeliveryLineEditor::Quantity));

        // an article list that cannot be read closes the line screen without writing
        s().opener.onOpen(Screen::ArticleList, [this] { q("ZQ40").close(); });
        line.chooseArticle();
        QCOMPARE(s().ui.last(), QStringLiteral("Hiba a cikk feltöltésben való megjelenitésekor!"));
        QVERIFY(line.isClosed());
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevsor"), QStringLiteral("0"));
    }

    void lineModifyReplacesTheCurrentLine()
    {
        f->typeLines({{QStringLiteral("Első"), QStringLiteral("1")}, {QStringLiteral("Második"), QStringLiteral("2")},
                      {QStringLiteral("Harmadik"), QStringLiteral("3")}});
        auto composer = newComposer();
        for (int i = 0; i < 3; ++i)
            composer->newLine();
        Query& lines = q("ZQ110");
        QCOMPARE(lines.rowCount(), 3);
        lines.setCurrentRow(1);
        const QString id = lines.fieldText("eID");

        s().opener.onOpen(Screen::DeliveryLine, [this](const ScreenRequest& request) {
            DeliveryLineEditor line(s().context, request);
            QVERIFY(line.prepare());
            QCOMPARE(line.title(), QStringLiteral("Szállítósor módositás"));
            QCOMPARE(line.field(DeliveryLineEditor::Description), QStringLiteral("Második"));
            QCOMPARE(line.field(DeliveryLineEditor::Quantity), QStringLiteral("2"));
            line.setField(DeliveryLineEditor::Quantity, QStringLiteral("2,25"));
            line.accept();
            QVERIFY(line.isClosed());
        });
        composer->modifyLine();
        QCOMPARE(f->db().scalar("SELECT eMenny FROM szlevsor WHERE eID = " + id), QStringLiteral("2,25"));
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevsor"), QStringLiteral("3"));
        // the list stands on the modified line again
        QCOMPARE(lines.fieldText("eID"), id);
        QCOMPARE(s().state.rememberedKey(kLineMode), id);
    }

    void lineStoreFailureKeepsEverythingTyped_data()
    {
        QTest::addColumn<bool>("newLine");
        QTest::addColumn<QString>("expected");
        QTest::newRow("insert") << true << "Hiba: Új, INSERT-append a szlev sorben ";
        QTest::newRow("replace") << false << "Hiba: Új, INSERT-edit a szlev sorban ";
    }
    void lineStoreFailureKeepsEverythingTyped()
    {
        QFETCH(bool, newLine);
        QFETCH(QString, expected);
        f->db().exec("INSERT INTO szlevsor (eBszam, eMegn, eMenny, eMe) VALUES ('20100001', 'Régi', 1, 'db')");
        Query& lines = q("ZQ110");
        lines.setSql({QStringLiteral("SELECT * FROM szlevsor")});
        lines.open();
        DeliveryLineEditor line(s().context, {newLine ? EditMode::New : EditMode::Modify, DocumentRef{QStringLiteral("20100001")}});
        QVERIFY(line.prepare());
        line.setField(DeliveryLineEditor::Description, QStringLiteral("Új szöveg"));
        line.setField(DeliveryLineEditor::Quantity, QStringLiteral("7"));
        s().data.connection().setStatementHook([](const QByteArray& sql) {
            if (sql.startsWith("INSERT INTO Szlevsor") || sql.startsWith("REPLACE INTO Szlevsor"))
                throw DbError(QStringLiteral("refused"));
        });
        line.accept();
        QCOMPARE(s().ui.texts(), QStringList{expected});
        QVERIFY(!line.isClosed());
        QCOMPARE(line.field(DeliveryLineEditor::Description), QStringLiteral("Új szöveg"));
        QCOMPARE(line.field(DeliveryLineEditor::Quantity), QStringLiteral("7"));
        QCOMPARE(f->db().rows("SELECT eMegn, eMenny FROM szlevsor"), QStringList{"Régi|1"});

        // the same screen stores once the server accepts
        s().data.connection().setStatementHook({});
        s().ui.clear();
        line.accept();
        QVERIFY(line.isClosed());
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevsor WHERE eMegn = 'Új szöveg'"), QStringLiteral("1"));
    }

    void newNoteDefaultsAndAbandonedLines()
    {
        f->db().exec("UPDATE sorszam SET aBszam = '20100041' WHERE aKod = '2'");
        {
            DeliveryComposer composer(s().context, {EditMode::New});
            QVERIFY(composer.prepare());
            const QString today = formatDate(QDate::currentDate());
            QCOMPARE(composer.field(DeliveryComposer::Number), QStringLiteral("20100042"));
            QCOMPARE(s().state.deliveryNumber, QStringLiteral("20100042"));
            QCOMPARE(composer.field(DeliveryComposer::FulfilmentDate), today);
            QCOMPARE(composer.field(DeliveryComposer::NoteDate), today);
            QCOMPARE(composer.field(DeliveryComposer::DueDate), today);
            QCOMPARE(composer.field(DeliveryComposer::DictionaryCode), QStringLiteral("00002"));
            QCOMPARE(composer.field(DeliveryComposer::DictionaryName), QStringLiteral("Magyar-angol"));
            QCOMPARE(composer.field(DeliveryComposer::IssuerCode), QStringLiteral("1"));
            QVERIFY(composer.field(DeliveryComposer::IssuerBlock).startsWith(u"Tisza-Mérleg Kereskedelmi Kft.\n"));
            QCOMPARE(composer.field(DeliveryComposer::IssuerMasterBlock), composer.field(DeliveryComposer::IssuerBlock));
            QCOMPARE(composer.field(DeliveryComposer::CustomerCode), QString());
            QVERIFY(!q("ZQ30").isOpen());
            f->typeLines({{QStringLiteral("Félbehagyott"), QStringLiteral("1")}});
            composer.newLine();
            QCOMPARE(q("ZQ110").rowCount(), 1);
            // "Mégsem": the header is not written, the sequence is not advanced
        }
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100041"));
        DeliveryComposer again(s().context, {EditMode::New});
        QVERIFY(again.prepare());
        QCOMPARE(again.field(DeliveryComposer::Number), QStringLiteral("20100042"));
        QCOMPARE(q("ZQ110").rowCount(), 1);
        QCOMPARE(q("ZQ110").fieldText("eMegn"), QStringLiteral("Félbehagyott"));
    }

    void newNoteWithoutSequenceDoesNotOpen()
    {
        f->db().exec("UPDATE sorszam SET aBszam = 'abc' WHERE aKod = '2'");
        DeliveryComposer composer(s().context, {EditMode::New});
        QVERIFY(!composer.prepare());
        QCOMPARE(s().ui.texts(Kind::ErrorReport).size(), 1);
    }

    void headerValidationsInOrder_data()
    {
        QTest::addColumn<int>("emptied");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("focus");
        QTest::newRow("issuer") << int(DeliveryComposer::IssuerCode) << "" << "Nincs kiválasztva a szállító!"
                                << int(DeliveryComposer::CustomerButton);
        QTest::newRow("dictionary") << int(DeliveryComposer::DictionaryCode) << " " << "Nincs kiválasztva a nyelv!"
                                    << int(DeliveryComposer::DictionaryButton);
        QTest::newRow("customer") << int(DeliveryComposer::CustomerCode) << "" << "Nincs kiválasztva a vevö!"
                                  << int(DeliveryComposer::CustomerButton);
        QTest::newRow("payment") << int(DeliveryComposer::PaymentMethod) << "  " << "Nincs megadva a fizetési mód!"
                                 << int(DeliveryComposer::PaymentMethod);
        QTest::newRow("fulfilment") << int(DeliveryComposer::FulfilmentDate) << ""
                                    << "Nincs megadva a teljesités dátuma!" << int(DeliveryComposer::FulfilmentDate);
        QTest::newRow("note date") << int(DeliveryComposer::NoteDate) << "" << "Nincs megadva a szállító kelte!"
                                   << int(DeliveryComposer::NoteDate);
        QTest::newRow("due date") << int(DeliveryComposer::DueDate) << "" << "Nincs megadva a fizetési határidő!"
                                  << int(DeliveryComposer::DueDate);
        QTest::newRow("13th month") << int(DeliveryComposer::NoteDate) << "2010.13.01" << "Hibás dátum!"
                                    << int(DeliveryComposer::NoteDate);
        QTest::newRow("no lines") << -1 << "" << "Nincs szállítónak tételsora!" << int(DeliveryComposer::NewLineButton);
    }
    void headerValidationsInOrder()
    {
        QFETCH(int, emptied);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QFETCH(int, focus);
        auto composer = newComposer();
        int focused = -1;
        connect(composer.get(), &DeliveryComposer::focusRequested, this, [&focused](int c) { focused = c; });
        if (emptied >= 0) {
            // every later check would fail too: the first one in order is reported
            composer->setField(static_cast<DeliveryComposer::Field>(emptied), value);
            composer->setField(DeliveryComposer::DueDate,
                               emptied == DeliveryComposer::DueDate ? value : QStringLiteral("2010.02.30"));
        }
        composer->accept();
        QCOMPARE(s().ui.texts(), QStringList{expected});
        QCOMPARE(focused, focus);
        QVERIFY(!composer->isClosed());
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevfej"), QStringLiteral("0"));
    }

    void newNoteStoresHeaderAndSequence()
    {
        auto composer = newComposer();
        QCOMPARE(composer->field(DeliveryComposer::PaymentMethod), QStringLiteral("átutalás"));
        composer->setField(DeliveryComposer::Contract, QStringLiteral("SZ-7"));
        composer->setField(DeliveryComposer::FulfilmentDate, QStringLiteral("2010.05.03"));
        composer->setField(DeliveryComposer::NoteDate, QStringLiteral("2010.05.04"));
        composer->setField(DeliveryComposer::DueDate, QStringLiteral("2010.05.18"));
        composer->setField(DeliveryComposer::Remark, QStringLiteral("Kérjük 'óvatosan'"));
        composer->setField(DeliveryComposer::Message, QStringLiteral("egy\nkettő"));
        f->typeLines({{QStringLiteral("Tétel"), QStringLiteral("2")}});
        composer->newLine();
        composer->accept();
        QCOMPARE(s().ui.texts(), QStringList());
        QVERIFY(composer->isClosed());
        QCOMPARE(f->db().rows("SELECT lBszam, lvKod, lTkelt, lRkelt, lFkelt, lFizmod, lMegj, lSzerz, lmemo, lPrn, "
                              "lKerek, lArfoly, lPnem, lvSzam, lzKod, lzSzam, lmKod FROM szlevfej"),
                 QStringList{"20100001|2|2010.05.03|2010.05.04|2010.05.18|átutalás|Kérjük 'óvatosan'|SZ-7|egy\r\nkettő| "
                             "|0|0|Ft|2|1|1|00002"});
        QVERIFY(f->db().scalar("SELECT lMemoVevo FROM szlevfej").startsWith(u"Szőke Építőipari Zrt.\r\n"));
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100001"));
        QCOMPARE(s().state.deliveryNumber, QStringLiteral("20100001"));
        QCOMPARE(q("ZQ100").fieldText("lBszam"), QStringLiteral("20100001"));

        // the next note is offered the following number
        DeliveryComposer next(s().context, {EditMode::New});
        QVERIFY(next.prepare());
        QCOMPARE(next.field(DeliveryComposer::Number), QStringLiteral("20100002"));
    }

    void numberAlreadyUsedIsRefused()
    {
        // stored before the screen opens: the screen does not open and shows nothing of that note
        f->db().exec("INSERT INTO szlevfej (lBszam, lvKod) VALUES ('20100001', '9')");
        f->db().exec("INSERT INTO szlevsor (eBszam, eMegn, eMenny) VALUES ('20100001', 'Tárolt', 1)");
        q("ZQ110").close();
        {
            DeliveryComposer refused(s().context, {EditMode::New});
            QVERIFY(!refused.prepare());
            QCOMPARE(s().ui.texts(), QStringList{"A(z) 20100001 sorszámú szállítólevél már létezik, új szállítólevél "
                                                 "ezzel a sorszámmal nem készíthető! A sorszám a \"Sorszám \" lapon "
                                                 "javítható."});
            QVERIFY(!q("ZQ110").isOpen());
        }
        f->db().exec("DELETE FROM szlevfej");
        f->db().exec("DELETE FROM szlevsor");
        s().ui.clear();

        // stored by another workstation while the screen is open: "OK" refuses, the screen stays
        auto composer = newComposer();
        f->typeLines({{QStringLiteral("Tétel"), QStringLiteral("2")}});
        composer->newLine();
        f->db().exec("INSERT INTO szlevfej (lBszam, lvKod) VALUES ('20100001', '9')");
        composer->accept();
        QCOMPARE(s().ui.texts().size(), 1);
        QVERIFY(s().ui.last().contains(u"20100001"));
        QVERIFY(!composer->isClosed());
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevfej"), QStringLiteral("1"));
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100000"));
    }

    void failedHeaderStoreRollsBackEverything_data()
    {
        QTest::addColumn<QByteArray>("failing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("header") << QByteArray("INSERT INTO SzlevFej") << "Hiba: Újban, INSERT-append a Szállító fejben ";
        QTest::newRow("sequence") << QByteArray("UPDATE Sorszam") << "Hiba: Új UPDATE Sorszam -ba ";
        QTest::newRow("commit") << QByteArray("COMMIT") << "Hiba: Újban, INSERT-append a Szállító fejben ";
    }
    void failedHeaderStoreRollsBackEverything()
    {
        QFETCH(QByteArray, failing);
        QFETCH(QString, expected);
        auto composer = newComposer();
        f->typeLines({{QStringLiteral("Tétel"), QStringLiteral("2")}});
        composer->newLine();
        composer->setField(DeliveryComposer::Remark, QStringLiteral("begépelt"));
        s().data.connection().setStatementHook([failing](const QByteArray& sql) {
            if (sql.startsWith(failing))
                throw DbError(QStringLiteral("refused"));
        });
        composer->accept();
        s().data.connection().setStatementHook({});
        QCOMPARE(s().ui.texts(), QStringList{expected});
        QVERIFY(!composer->isClosed());
        QCOMPARE(composer->field(DeliveryComposer::Remark), QStringLiteral("begépelt"));
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevfej"), QStringLiteral("0"));
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100000"));
        // the line stays, the header can be stored again from the same screen
        s().ui.clear();
        composer->accept();
        QVERIFY(composer->isClosed());
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevfej WHERE lMegj = 'begépelt'"), QStringLiteral("1"));
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100001"));
    }

    void dueDateFollowsPaymentTerm()
    {
        DeliveryComposer composer(s().context, {EditMode::New});
        QVERIFY(composer.prepare());
        const QString due = composer.field(DeliveryComposer::DueDate);
        // typing before a customer is chosen is no error and changes nothing
        composer.setField(DeliveryComposer::FulfilmentDate, QStringLiteral("2010.05.01"));
        composer.fulfilmentDateLeft();
        QCOMPARE(composer.field(DeliveryComposer::DueDate), due);
        QCOMPARE(s().ui.texts(), QStringList());

        composer.chooseCustomer(); // customer 2: 15 days
        composer.fulfilmentDateLeft();
        QCOMPARE(composer.field(DeliveryComposer::DueDate), QStringLiteral("2010.05.16"));
        // an unfinished date leaves it as well
        composer.setField(DeliveryComposer::FulfilmentDate, QStringLiteral("2010.05"));
        composer.fulfilmentDateLeft();
        QCOMPARE(composer.field(DeliveryComposer::DueDate), QStringLiteral("2010.05.16"));
        QCOMPARE(s().ui.texts(), QStringList());
    }

    void choosersCopyTheirRows()
    {
        auto composer = newComposer();
        f->db().exec("INSERT INTO szallito (zKod, zSzam, zNev1, zMemoSzall) VALUES ('2', '77', 'Másik', 'Másik Kft.')");
        s().opener.onOpen(Screen::IssuerList, [this] {
            q("ZQ60").setSql({QStringLiteral("SELECT * FROM szallito ORDER BY zkod")});
            q("ZQ60").open();
            q("ZQ60").last();
        });
        composer->chooseIssuer();
        QCOMPARE(composer->field(DeliveryComposer::IssuerCode), QStringLiteral("2"));
        QCOMPARE(composer->field(DeliveryComposer::IssuerNumber), QStringLiteral("77"));
        QCOMPARE(composer->field(DeliveryComposer::IssuerBlock), QStringLiteral("Másik Kft."));
        QCOMPARE(composer->field(DeliveryComposer::IssuerMasterBlock), QStringLiteral("Másik Kft."));
        s().opener.onOpen(Screen::DictionaryList, [this] {
            q("ZQ70").setSql({QStringLiteral("SELECT * FROM mezonev ORDER BY mKod")});
            q("ZQ70").open();
            q("ZQ70").last();
        });
        composer->chooseDictionary();
        QCOMPARE(composer->field(DeliveryComposer::DictionaryCode), QStringLiteral("00003"));
        QCOMPARE(composer->field(DeliveryComposer::DictionaryName), QStringLiteral("Magyar-német"));
        // the customer overwrites what was typed
        composer->setField(DeliveryComposer::PaymentMethod, QStringLiteral("kp."));
        f->positionCustomer(QStringLiteral("5"));
        composer->chooseCustomer();
        QCOMPARE(composer->field(DeliveryComposer::PaymentMethod), QStringLiteral("átutalás"));
        QCOMPARE(composer->field(DeliveryComposer::Currency), QStringLiteral("HUF"));
        QCOMPARE(composer->field(DeliveryComposer::CustomerCode), QStringLiteral("5"));
    }

    void modifyLoadsAndReplacesTheNote()
    {
        const QString number = f->makeNote({{QStringLiteral("Tétel"), QStringLiteral("2")}});
        QCOMPARE(number, QStringLiteral("20100001"));
        const QString id = f->db().scalar("SELECT lID FROM szlevfej");
        f->db().exec("UPDATE szlevfej SET lPrn = 'I', lKerek = 5.5");
        DeliveryRegister reg(s().context);
        reg.prepare();
        reg.reread();
        DeliveryComposer composer(s().context, ScreenRequest::modifying(number));
        QVERIFY(composer.prepare());
        QCOMPARE(composer.field(DeliveryComposer::Id), id);
        QCOMPARE(composer.field(DeliveryComposer::Number), number);
        QCOMPARE(composer.field(DeliveryComposer::CustomerCode), QStringLiteral("2"));
        QCOMPARE(composer.field(DeliveryComposer::Discount), QStringLiteral("5,5"));
        QCOMPARE(q("ZQ30").fieldText("vKod"), QStringLiteral("2"));
        QCOMPARE(s().state.rememberedKey(QStringLiteral("mezonev")), QStringLiteral("00002"));
        QCOMPARE(composer.field(DeliveryComposer::DictionaryName), QStringLiteral("Magyar-angol"));
        QVERIFY(composer.field(DeliveryComposer::CustomerMasterBlock).startsWith(u"Szőke"));
        QCOMPARE(q("ZQ110").rowCount(), 1);
        composer.setField(DeliveryComposer::Remark, QStringLiteral("javítva"));
        composer.accept();
        QVERIFY(composer.isClosed());
        QCOMPARE(f->db().rows("SELECT lID, lBszam, lMegj, lPrn, lKerek FROM szlevfej"),
                 QStringList{id + "|20100001|javítva| |5,5"});
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100001"));
    }

    void deleteLineReportsAndRereads()
    {
        auto composer = newComposer();
        f->typeLines({{QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("B"), QStringLiteral("1")}});
        composer->newLine();
        composer->newLine();
        q("ZQ110").first();
        composer->deleteLine();
        QCOMPARE(s().ui.texts(), QStringList{"Az tételsor törölve!"});
        QCOMPARE(f->db().rows("SELECT eMegn FROM szlevsor"), QStringList{"B"});
        QCOMPARE(q("ZQ110").rowCount(), 1);
        composer->deleteLine();
        composer->deleteLine(); // empty list: nothing deleted, still reported
        QCOMPARE(s().ui.texts(), (QStringList{"Az tételsor törölve!", "Az tételsor törölve!", "Az tételsor törölve!"}));
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlevsor"), QStringLiteral("0"));
    }

    void registerFollowsTheComposedNote()
    {
        const QString first = f->makeNote({{QStringLiteral("A"), QStringLiteral("1")}});
        const QString second = f->makeNote({{QStringLiteral("B"), QStringLiteral("1")}}, QStringLiteral("3"));
        f->makeNote({{QStringLiteral("C"), QStringLiteral("1")}});
        DeliveryRegister reg(s().context);
        reg.prepare();
        QCOMPARE(reg.headerField("lBszam"), QStringLiteral("20100003")); // opens on the last row
        s().state.deliveryNumber.clear();
        reg.reread();
        QCOMPARE(reg.headerField("lBszam"), first); // nothing composed yet in this run: first row

        // "Új": the composition screen's operator stores a note; the register comes back on it
        s().opener.onOpen(Screen::DeliveryComposer, [this](const ScreenRequest& request) {
            DeliveryComposer composer(s().context, request);
            QVERIFY(composer.prepare());
            composer.chooseCustomer();
            f->typeLines({{QStringLiteral("D"), QStringLiteral("4")}});
            composer.newLine();
            composer.accept();
        });
        reg.newNote();
        reg.reread();
        QCOMPARE(reg.headerField("lBszam"), QStringLiteral("20100004"));

        // "Módosít" on the second note
        q("ZQ100").locate("lBszam", second);
        s().opener.onOpen(Screen::DeliveryComposer, [this](const ScreenRequest& request) {
            DeliveryComposer composer(s().context, request);
            QVERIFY(composer.prepare());
            composer.setField(DeliveryComposer::Remark, QStringLiteral("módosítva"));
            composer.accept();
        });
        reg.modifyNote();
        reg.reread();
        QCOMPARE(reg.headerField("lBszam"), second);
        QCOMPARE(reg.headerField("lMegj"), QStringLiteral("módosítva"));

        // details of the highlighted note on a tab change
        reg.refreshDetails();
        QCOMPARE(q("ZQ110").fieldText("eMegn"), QStringLiteral("B"));
        QCOMPARE(q("ZQ30").fieldText("vKod"), QStringLiteral("3"));
        QCOMPARE(q("ZQ60").fieldText("zKod"), QStringLiteral("1"));
        QCOMPARE(s().state.rememberedKey(QStringLiteral("vevo")), QStringLiteral("3"));

        // printing leaves the register on the note last composed
        q("ZQ100").first();
        reg.printNote();
        QCOMPARE(f->db().scalar("SELECT lPrn FROM szlevfej WHERE lBszam = '" + first + "'"), QStringLiteral("I"));
        reg.reread();
        QCOMPARE(reg.headerField("lBszam"), second);
    }

    void printedNoteModifiedOnlyByKey()
    {
        QVERIFY(!f->makeNote({{QStringLiteral("A"), QStringLiteral("1")}}).isEmpty());
        DeliveryRegister reg(s().context);
        reg.prepare();
        reg.viewNote();
        QCOMPARE(f->db().scalar("SELECT lPrn FROM szlevfej"), QStringLiteral(" "));
        reg.printNote();
        reg.printNote();
        QCOMPARE(f->presenter.copyMarks.size(), 3);
        QCOMPARE(f->presenter.copyMarks.at(1), QStringLiteral(" "));
        QVERIFY(f->presenter.copyMarks.at(2).startsWith(u"MÁSOLATI PÉLDÁNY "));
        reg.reread();
        QCOMPARE(reg.headerField("lPrn"), QStringLiteral("I"));

        int opened = 0;
        s().opener.onOpen(Screen::DeliveryComposer, [&opened] { ++opened; });
        reg.modifyNote();
        QCOMPARE(s().ui.texts(Kind::Notice), QStringList{"Nyomtatott Szlev. nem módositható !"});
        QCOMPARE(opened, 0);
        reg.modifyNoteAnyway();
        QCOMPARE(opened, 1);
        QCOMPARE(s().opener.requests().back().mode, EditMode::Modify);
    }

    void resetTab()
    {
        DeliveryRegister reg(s().context);
        reg.prepare();
        reg.resetTabShown();
        QCOMPARE(reg.resetNumber(), QStringLiteral("20100001"));

        reg.setResetNumber(QStringLiteral("2010010"));
        int focusRequests = 0;
        connect(&reg, &DeliveryRegister::resetFocusRequested, this, [&focusRequests] { ++focusRequests; });
        reg.storeResetNumber();
        QCOMPARE(s().ui.texts(), QStringList{"Nem nyolc hosszú!"});
        QCOMPARE(focusRequests, 1);
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100000"));

        s().ui.clear();
        reg.setResetNumber(QStringLiteral("20100100"));
        reg.storeResetNumber();
        QCOMPARE(s().ui.texts(), QStringList());
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100100"));
        {
            DeliveryComposer composer(s().context, {EditMode::New});
            QVERIFY(composer.prepare());
            QCOMPARE(composer.field(DeliveryComposer::Number), QStringLiteral("20100101"));
        }

        // "Letárol" on the number as shown skips one
        reg.resetTabShown();
        QCOMPARE(reg.resetNumber(), QStringLiteral("20100101"));
        reg.storeResetNumber();
        DeliveryComposer composer(s().context, {EditMode::New});
        QVERIFY(composer.prepare());
        QCOMPARE(composer.field(DeliveryComposer::Number), QStringLiteral("20100102"));

        // a refused store
        s().data.connection().setStatementHook([](const QByteArray& sql) {
            if (sql.startsWith("UPDATE Sorszam"))
                throw DbError(QStringLiteral("refused"));
        });
        reg.setResetNumber(QStringLiteral("20200000"));
        reg.storeResetNumber();
        QCOMPARE(s().ui.last(), QStringLiteral("Hiba1: Új UPDATE Sorszam -ba "));
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100101"));
    }
};

QTEST_GUILESS_MAIN(DeliveryNotesTest)
#include "tst_deliverynotes.moc"
