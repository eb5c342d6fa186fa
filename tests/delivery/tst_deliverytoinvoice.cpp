// Delivery notes turned into invoices: header and lines through the work tables, prices from the
// article master, all or nothing.
#include "support/invoiceseed.h"
#include "deliveryfixture.h"

#include "delivery/deliveryregister.h"
#include "delivery/deliverytoinvoice.h"
#include "invoice/invoicecomposer.h"

#include <QTest>

using namespace orvena;
using test::DeliveryFixture;
using Kind = test::FakeUserInterface::Kind;

class DeliveryToInvoiceTest : public QObject {
    Q_OBJECT
    std::unique_ptr<DeliveryFixture> f;
    EditMode m_invoiceMode = EditMode::New; // the mode the composition screen has the invoice open in
    test::TestSession& s() { return *f->session; }
    Query& q(const char* id) { return s().data.query(QString::fromLatin1(id)); }

    // Everything the conversion may touch, row by row.
    QStringList snapshot()
    {
        QStringList out;
        for (const char* table : {"szlafej", "szlasor", "munkafej", "munkasor", "sorszam", "szlevfej", "szlevsor"})
            out << QString::fromLatin1(table)
                << f->db().rows(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(QString::fromLatin1(table)));
        return out;
    }

    // A note for customer 3 with two article lines (2 × article 1, 1,5 × article 7).
    QString articleNote(const QString& customer = QStringLiteral("3"))
    {
        return f->makeNote({{{}, QStringLiteral("2"), QStringLiteral("1")}, {{}, QStringLiteral("1,5"), QStringLiteral("7")}},
                           customer);
    }

    DeliveryConversion convert(const QString& note, const QString& invoice, int* reloads = nullptr)
    {
        // the composition screen goes on modifying the invoice once it is stored
        return convertDeliveryNote(s().context, note, invoice, m_invoiceMode, [this, reloads] {
            m_invoiceMode = EditMode::Modify;
            if (reloads)
                ++*reloads;
        });
    }

private slots:
    void initTestCase() { f = std::make_unique<DeliveryFixture>(); }
    void init()
    {
        f->reset();
        m_invoiceMode = EditMode::New;
    }
    void cleanupTestCase() { f.reset(); }

    void intoNewInvoice()
    {
        const QString note = articleNote();
        QCOMPARE(note, QStringLiteral("20100001"));
        f->db().exec("UPDATE szlevfej SET lTkelt = '2010-05-03', lRkelt = '2010-05-04', lFkelt = '2010-06-02', "
                     "lMegj = 'megj', lSzerz = 'SZ-1', lmKod = '00003'");
        const QStringList noteBefore = f->db().rows("SELECT * FROM szlevfej") + f->db().rows("SELECT * FROM szlevsor");
        int reloads = 0;
        const DeliveryConversion result = convert(note, QStringLiteral("20100001"), &reloads);
        QCOMPARE(s().ui.texts(), QStringList());
        QVERIFY(result.converted);
        QVERIFY(result.headerCreated);
        QCOMPARE(result.lineCount, 2);
        QCOMPARE(reloads, 1);

        QCOMPARE(f->db().rows("SELECT fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fSzerz, fPrn, fPnem, fmKod, "
                              "fzKod, fzSzam, fvKod, fvSzam FROM szlafej"),
                 QStringList{"20100001|2010.05.03|2010.05.04|2010.06.02|átutalás|megj|SZ-1| |Ft|00003|1|1|3|3"});
        QVERIFY(f->db().scalar("SELECT fMemoVevo FROM szlafej").startsWith(u"Győri Ételműhely Kft.\r\n"));
        QVERIFY(f->db().scalar("SELECT fMemoSzall FROM szlafej").startsWith(u"Tisza-Mérleg"));
        QCOMPARE(f->db().rows("SELECT sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, "
                              "sAfa FROM szlasor ORDER BY sID"),
                 (QStringList{"20100001|1|TM-100|Konyhai mérleg 5 kg|8423|2|db|8990|Ft|1|27% általános|27",
                              "20100001|7|PP-500|Csomagolópapír|4804|1,5|kg|1250,5|Ft|1|27% általános|27"}));
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '1'"), QStringLiteral("20100001"));
        // the screen goes on modifying the stored invoice
        QCOMPARE(q("ZQ10").fieldText("fBszam"), QStringLiteral("20100001"));
        QCOMPARE(s().state.invoiceNumber, QStringLiteral("20100001"));
        QCOMPARE(m_invoiceMode, EditMode::Modify);
        // the note itself is unchanged; the work tables keep this conversion's rows
        QCOMPARE(f->db().rows("SELECT * FROM szlevfej") + f->db().rows("SELECT * FROM szlevsor"), noteBefore);
        QCOMPARE(f->db().rows("SELECT fBszam FROM munkafej"), QStringList{"20100001"});
        QCOMPARE(f->db().scalar("SELECT count(*) FROM munkasor WHERE sBszam = '20100001'"), QStringLiteral("2"));
    }

    void intoInvoiceWithHeaderAddsLinesOnly()
    {
        const QString note = articleNote();
        seedInvoiceHeader(f->db(), {{QStringLiteral("fBszam"), QStringLiteral("20100007")},
                                    {QStringLiteral("fvKod"), QStringLiteral("1")},
                                    {QStringLiteral("fPnem"), QStringLiteral("Ft")},
                                    {QStringLiteral("fFizmod"), QStringLiteral("kp.")},
                                    {QStringLiteral("fPrn"), QStringLiteral(" ")}});
        f->db().exec("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar) VALUES ('20100007', 'Korábbi sor', 1, 100)");
        // the register stands on another invoice before the conversion
        q("ZQ10").setSql({QStringLiteral("SELECT * FROM szlafej")});
        q("ZQ10").open();

        // a new invoice whose number already has a header takes nothing
        const QStringList before = snapshot();
        QVERIFY(!convert(note, QStringLiteral("20100007")).converted);
        QCOMPARE(s().ui.texts(), QStringList{"A(z) 20100007 sorszámú számla már létezik, a szállítólevél nem került át, "
                                             "a számla nem változott! Az új számlát zárja be, és kezdje újra új "
                                             "sorszámmal."});
        QCOMPARE(snapshot(), before);
        QCOMPARE(m_invoiceMode, EditMode::New);

        // the invoice being modified takes the note's lines
        s().ui.clear();
        m_invoiceMode = EditMode::Modify;
        const DeliveryConversion result = convert(note, QStringLiteral("20100007"));
        QVERIFY(result.converted);
        QVERIFY(!result.headerCreated);
        QCOMPARE(f->db().rows("SELECT fBszam, fvKod, fFizmod FROM szlafej"), QStringList{"20100007|1|kp."});
        QCOMPARE(f->db().rows("SELECT sMegn FROM szlasor ORDER BY sID"),
                 (QStringList{"Korábbi sor", "Konyhai mérleg 5 kg", "Csomagolópapír"}));
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '1'"), QStringLiteral("20100000"));
        QCOMPARE(q("ZQ10").fieldText("fBszam"), QStringLiteral("20100007"));
    }

    void severalNotesMergeAndPricesAreCurrent()
    {
        const QString first = articleNote(QStringLiteral("3"));
        const QString second = f->makeNote({{{}, QStringLiteral("4"), QStringLiteral("4")}}, QStringLiteral("1"));
        QVERIFY(convert(first, QStringLiteral("20100001")).converted);
        QVERIFY(convert(second, QStringLiteral("20100001")).converted);
        // the header is the first note's, the lines are both notes'
        QCOMPARE(f->db().rows("SELECT fBszam, fvKod FROM szlafej"), QStringList{"20100001|3"});
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlasor WHERE sBszam = '20100001'"), QStringLiteral("3"));

        // converting a note again after a price change takes the new price
        f->db().exec("UPDATE cikk SET cEar = 9490, cAfa = 18, cAfakod = '2', cAfanev = '18% kedvezményes' WHERE cKod = '1'");
        QVERIFY(convert(first, QStringLiteral("20100002")).converted);
        QCOMPARE(f->db().rows("SELECT sEar, skAfakod, sAfa FROM szlasor WHERE sBszam = '20100002' AND scKod = '1'"),
                 QStringList{"9490|2|18"});
        QCOMPARE(f->db().rows("SELECT sEar FROM szlasor WHERE sBszam = '20100001' AND scKod = '1'"), QStringList{"8990"});
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '1'"), QStringLiteral("20100002"));
    }

    void printedNoteGivesUnprintedInvoice()
    {
        const QString note = articleNote();
        f->db().exec("UPDATE szlevfej SET lPrn = 'I'");
        QVERIFY(convert(note, QStringLiteral("20100001")).converted);
        QCOMPARE(f->db().scalar("SELECT fPrn FROM szlafej"), QStringLiteral(" "));
        QCOMPARE(f->db().scalar("SELECT lPrn FROM szlevfej"), QStringLiteral("I"));
    }

    // Only "Kiválaszt" chooses: the note highlighted when it is pressed, even if the list moves
    // afterwards; a register left any other way chooses nothing.
    void chooserHandsOverTheChosenNote()
    {
        const QString first = articleNote();
        const QString second = f->makeNote({{QStringLiteral("Kézi"), QStringLiteral("1")}});
        bool pressChoose = true;
        s().opener.onOpen(Screen::DeliveryRegister, [this, first, &pressChoose](const ScreenRequest& request) {
            DeliveryRegister reg(s().context, request);
            reg.prepare();
            q("ZQ100").locate("lBszam", first);
            if (pressChoose)
                reg.choose();
            reg.reread(); // the list moves to the note composed last
        });
        QCOMPARE(s().state.deliveryNumber, second);
        const DeliveryConversion result = convertDeliveryNoteIntoInvoice(s().context, QStringLiteral("20100001"), m_invoiceMode);
        QVERIFY(result.converted);
        QCOMPARE(result.deliveryNumber, first);
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlasor"), QStringLiteral("2"));

        pressChoose = false;
        m_invoiceMode = EditMode::New;
        const QStringList before = snapshot();
        QVERIFY(!convertDeliveryNoteIntoInvoice(s().context, QStringLiteral("20100002"), m_invoiceMode).converted);
        QCOMPARE(s().ui.last(), QStringLiteral("Nincs kiválasztva szállítólevél, a számla nem változott!"));
        QCOMPARE(snapshot(), before);
    }

    void invoiceScreenContinuesWithTheStoredInvoice()
    {
        const QString note = articleNote();
        InvoiceComposer composer(s().context, {EditMode::New});
        composer.prepare();
        QCOMPARE(composer.field(InvoiceComposer::Number), QStringLiteral("20100001"));
        composer.setField(InvoiceComposer::PaymentMethod, QStringLiteral("kp."));

        // "Mégsem" in an empty choice: the screen stays a new invoice as typed
        s().opener.onOpen(Screen::DeliveryRegister, [this] { q("ZQ100").close(); });
        composer.fromDeliveryNote();
        QCOMPARE(s().ui.texts(Kind::Message).size(), 1);
        QVERIFY(composer.isNewInvoice());
        QCOMPARE(composer.field(InvoiceComposer::PaymentMethod), QStringLiteral("kp."));
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlafej"), QStringLiteral("0"));

        s().opener.onOpen(Screen::DeliveryRegister, [this, note](const ScreenRequest& request) {
            DeliveryRegister reg(s().context, request);
            reg.prepare();
            q("ZQ100").locate("lBszam", note);
            reg.choose();
        });
        QVERIFY(composer.setKind(nav::InvoiceKind::Advance)); // ticked before the header is stored
        composer.fromDeliveryNote();
        QVERIFY(!composer.isNewInvoice());
        QCOMPARE(composer.kind(), nav::InvoiceKind::Advance); // the re-read keeps the tick
        QCOMPARE(composer.field(InvoiceComposer::HeaderId), f->db().scalar("SELECT fID FROM szlafej"));
        QCOMPARE(composer.field(InvoiceComposer::CustomerCode), QStringLiteral("3"));
        QCOMPARE(composer.field(InvoiceComposer::PaymentMethod), QStringLiteral("átutalás"));
        QCOMPARE(q("ZQ20").rowCount(), 2);
        // 2 × 8990 + 1,5 × 1250,5
        QVERIFY(composer.field(InvoiceComposer::NetTotal).startsWith(u"19"));
    }

    void noNoteChosenLeavesEverything()
    {
        seedInvoiceHeader(f->db(), {{QStringLiteral("fBszam"), QStringLiteral("20090001")},
                                    {QStringLiteral("fvKod"), QStringLiteral("1")}});
        q("ZQ10").setSql({QStringLiteral("SELECT * FROM szlafej")});
        q("ZQ10").open();
        q("ZQ100").close();
        s().opener.onOpen(Screen::DeliveryRegister, [this](const ScreenRequest& request) {
            DeliveryRegister reg(s().context, request); // an empty register
            reg.prepare();
            reg.choose();
        });
        const QStringList before = snapshot();
        int reloads = 0;
        const DeliveryConversion result = convertDeliveryNoteIntoInvoice(s().context, QStringLiteral("20100001"),
                                                                         m_invoiceMode, [&reloads] { ++reloads; });
        QVERIFY(!result.converted);
        QCOMPARE(reloads, 0);
        QCOMPARE(s().ui.texts(Kind::Message).size(), 1);
        QCOMPARE(snapshot(), before);
        QCOMPARE(m_invoiceMode, EditMode::New);
        QCOMPARE(s().state.invoiceNumber, QString());
        QCOMPARE(q("ZQ10").fieldText("fBszam"), QStringLiteral("20090001"));

        // a note number without a header creates no invoice either
        const QString note = f->makeNote({{QStringLiteral("Kézi"), QStringLiteral("1")}});
        f->db().exec("DELETE FROM szlevfej");
        s().ui.clear();
        const QStringList beforeOrphan = snapshot();
        QVERIFY(!convert(note, QStringLiteral("20100001"), &reloads).converted);
        QCOMPARE(reloads, 0);
        QCOMPARE(s().ui.texts().size(), 1);
        QVERIFY(s().ui.last().contains(note));
        QCOMPARE(snapshot(), beforeOrphan);
    }

    void missingArticlesStopTheConversion()
    {
        const QString note = f->makeNote({{{}, QStringLiteral("1"), QStringLiteral("3")},
                                          {{}, QStringLiteral("1"), QStringLiteral("6")},
                                          {QStringLiteral("Kézi"), QStringLiteral("1")}});
        f->db().exec("DELETE FROM cikk WHERE cKod IN ('3', '6')");
        const QStringList before = snapshot();
        int reloads = 0;
        QVERIFY(!convert(note, QStringLiteral("20100001"), &reloads).converted);
        QCOMPARE(reloads, 0);
        QCOMPARE(s().ui.texts().size(), 1);
        QVERIFY(s().ui.last().contains(u"3, 6"));
        QCOMPARE(snapshot(), before);
    }

    void unpricedLinesAreListedAfterTheReload()
    {
        // customer 5 pays in HUF, so the note and the new invoice are in HUF
        const QString note = f->makeNote({{QStringLiteral("Kiszállítás"), QStringLiteral("1")},
                                          {{}, QStringLiteral("2"), QStringLiteral("5")},
                                          {QStringLiteral("Csomagolás"), QStringLiteral("3")}},
                                         QStringLiteral("5"));
        int shownAtReload = -1;
        const DeliveryConversion result = convertDeliveryNote(s().context, note, QStringLiteral("20100001"), m_invoiceMode,
                                                              [&] { shownAtReload = int(s().ui.texts().size()); });
        QVERIFY(result.converted);
        QCOMPARE(result.unpricedLines, (QStringList{"Kiszállítás", "Csomagolás"}));
        QCOMPARE(shownAtReload, 0);
        QCOMPARE(s().ui.texts().size(), 1);
        QVERIFY(s().ui.last().contains(u"Kiszállítás\nCsomagolás"));
        QCOMPARE(f->db().rows("SELECT sMegn, sEar, sPnem, skAfakod, sAfa FROM szlasor ORDER BY sID"),
                 (QStringList{"Kiszállítás|0|HUF||0", "Szervizóradíj|9500|Ft|1|27", "Csomagolás|0|HUF||0"}));
    }

    void failingStepLeavesTheDatabaseAsItWas_data()
    {
        QTest::addColumn<QByteArray>("failing");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("generalReport");
        QTest::newRow("start") << QByteArray("START TRANSACTION") << "Hiba a szlevfej-böl insert munkafej -be!" << false;
        QTest::newRow("empty header") << QByteArray("DELETE FROM munkafej") << "Hiba: Az DELETE a munkafej -ben " << false;
        QTest::newRow("copy header") << QByteArray("INSERT INTO munkafej")
                                     << "Hiba: Az INSERT szlevfej -böl -> munkafej -be " << false;
        QTest::newRow("empty lines") << QByteArray("DELETE FROM munkasor") << "Hiba: Az DELETE a munkasor -ban " << false;
        QTest::newRow("copy lines") << QByteArray("INSERT INTO munkasor")
                                    << "Hiba: Az INSERT szlevsor -ból -> munkasor -ba " << false;
        QTest::newRow("renumber header") << QByteArray("UPDATE munkafej") << "Hiba: Az UPDATE munkafej -ben " << false;
        QTest::newRow("renumber lines") << QByteArray("UPDATE munkasor SET sBszam") << "Hiba: Az UPDATE munkasor -ban "
                                        << false;
        QTest::newRow("article") << QByteArray("SELECT * FROM cikk") << "refused" << true;
        QTest::newRow("price") << QByteArray("UPDATE munkasor SET sEar") << "Hiba: A munkasor UPDATE cikk -böl " << false;
        QTest::newRow("sequence") << QByteArray("UPDATE Sorszam") << "Hiba: Új UPDATE Sorszam -ba " << false;
        QTest::newRow("header") << QByteArray("INSERT INTO szlafej") << "Hiba: Az INSERT munkafej -böl -> szlafej -be "
                                << false;
        QTest::newRow("lines") << QByteArray("INSERT INTO szlasor") << "Hiba: Az INSERT munkasor -ból -> szlasor -ba "
                               << false;
        QTest::newRow("commit") << QByteArray("COMMIT") << "Hiba a munkasor-ból insert szlasor -ba!" << false;
    }
    void failingStepLeavesTheDatabaseAsItWas()
    {
        QFETCH(QByteArray, failing);
        QFETCH(QString, expected);
        QFETCH(bool, generalReport);
        // an earlier conversion leaves its rows in the work tables and an invoice in the register
        const QString earlier = f->makeNote({{{}, QStringLiteral("1"), QStringLiteral("2")}});
        QVERIFY(convert(earlier, QStringLiteral("20100001")).converted);
        const QString note = articleNote();
        m_invoiceMode = EditMode::New;
        s().state.invoiceNumber = QStringLiteral("20100002");
        s().ui.clear();
        const QStringList before = snapshot();

        s().data.connection().setStatementHook([failing](const QByteArray& sql) {
            if (sql.startsWith(failing))
                throw DbError(QStringLiteral("refused"));
        });
        int reloads = 0;
        const DeliveryConversion result = convert(note, QStringLiteral("20100002"), &reloads);
        s().data.connection().setStatementHook({});

        QVERIFY(!result.converted);
        QCOMPARE(reloads, 0);
        QCOMPARE(s().ui.texts(), QStringList{expected});
        QCOMPARE(s().ui.shown().back().kind, generalReport ? Kind::ErrorReport : Kind::Message);
        QCOMPARE(snapshot(), before);
        QCOMPARE(m_invoiceMode, EditMode::New);
        QCOMPARE(q("ZQ10").fieldText("fBszam"), QStringLiteral("20100001"));

        // once the server accepts, the same conversion goes through
        s().ui.clear();
        QVERIFY(convert(note, QStringLiteral("20100002"), &reloads).converted);
        QCOMPARE(f->db().scalar("SELECT count(*) FROM szlasor WHERE sBszam = '20100002'"), QStringLiteral("2"));
    }
};

QTEST_GUILESS_MAIN(DeliveryToInvoiceTest)
#include "tst_deliverytoinvoice.moc"
