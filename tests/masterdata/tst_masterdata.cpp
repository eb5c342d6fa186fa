// Customers, issuers and articles on the demo data: defaults, header blocks, copies, reference
// guards, the name search, the VAT chooser of the article screen and the after-save positions.
#include "masterdata/articles.h"
#include "masterdata/customers.h"
#include "masterdata/dictionary.h"
#include "masterdata/headerblockcomposer.h"
#include "masterdata/issuers.h"
#include "masterdata/vatrates.h"
#include "support/invoiceseed.h"
#include "support/fakes.h"

#include <QTest>

using namespace orvena;

class MasterDataTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;

    Query& q(const char* id) { return s->data.query(QString::fromLatin1(id)); }
    template <typename Edit>
    std::unique_ptr<Edit> openEdit(EditMode mode)
    {
        auto edit = std::make_unique<Edit>(s->context, ScreenRequest{mode});
        return edit->start() ? std::move(edit) : nullptr;
    }

private slots:
    void initTestCase() { s = std::make_unique<test::TestSession>(); }
    void init()
    {
        s->db.reset();
        s->db.addDemoData();
        s->state = AppState();
        s->ui.clear();
        for (Screen screen : {Screen::CustomerEdit, Screen::CustomerBlock, Screen::IssuerEdit, Screen::IssuerBlock,
                              Screen::ArticleEdit, Screen::VatList})
            s->opener.onOpen(screen, [] {});
    }
    void cleanupTestCase() { s.reset(); }

    // --- customers ---

    void newCustomerDefaultsAndBlock()
    {
        auto edit = openEdit<CustomerEdit>(EditMode::New);
        QVERIFY(edit);
        QCOMPARE(edit->title(), QStringLiteral("Vevö bevitel"));
        QCOMPARE(edit->field(QStringLiteral("vKod")), QStringLiteral("6"));
        QCOMPARE(edit->field(QStringLiteral("vSzam")), QStringLiteral("6"));
        QCOMPARE(edit->field(QStringLiteral("vFizmod")), QStringLiteral("kp."));
        QCOMPARE(edit->field(QStringLiteral("vFhat")), QStringLiteral("8"));
        QCOMPARE(edit->field(QStringLiteral("vPnem")), QStringLiteral("Ft"));
        edit->setField(QStringLiteral("vNeve"), QStringLiteral("Árvíztűrő \"Tükör\" Kft."));
        edit->setField(QStringLiteral("vIrszam"), QStringLiteral("7621"));
        edit->setField(QStringLiteral("vHely"), QStringLiteral("Pécs"));
        edit->setField(QStringLiteral("vUtca"), QStringLiteral("Király u. 1."));
        edit->setField(QStringLiteral("vKamat"), QStringLiteral("1,5"));
        // several e-mail addresses, each a real one; the column holds long lists
        edit->setField(QStringLiteral("vEmail"), QStringLiteral("szamla@tukor.hu; Kovács Béla <kb@tukor.hu>"));
        edit->ok();
        QVERIFY(!edit->isFinished());
        QCOMPARE(s->ui.texts().back(), QStringLiteral("Hibás e-mail-cím: \"Kovács Béla <kb@tukor.hu>\"."));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM vevo WHERE vKod = '6'")), QStringLiteral("0"));
        const QString addresses = QStringLiteral("szamla@tukor.hu; ") + QString(200, u'k') + QStringLiteral("@tukor.hu");
        edit->setField(QStringLiteral("vEmail"), addresses);
        edit->ok();
        QVERIFY2(edit->isFinished(), qPrintable(s->ui.texts().join(u'/')));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT vKod, vSzam, vFizmod, vFhat, vPnem, vEnged, vKamat, vEmail FROM vevo "
                                           "WHERE vNeve LIKE 'Árvíztűrő%'")),
                 QStringList{"6|6|kp.|8|Ft|0|1,5|" + addresses});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vKod = '6'")),
                 QStringLiteral("\r\nÁrvíztűrő \"Tükör\" Kft.\r\n \r\n7621 Pécs Király u. 1.\r\n"));
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vKod")), QStringLiteral("6"));
    }

    void customerCopyAndEdit()
    {
        s->db.exec(QStringLiteral("UPDATE vevo SET vSzcim = 'Raktár, Gyál', vMasolva = 'x' WHERE vKod = '3'"));
        const QString sourceBlock = s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vKod = '3'"));
        CustomerList list(s->context);
        list.create();
        list.show();
        QVERIFY(q("ZQ30").locate(QStringLiteral("vKod"), QStringLiteral("3")));
        list.modify();
        QCOMPARE(s->opener.requests().back().mode, EditMode::Modify);

        // an edit keeps the columns the screen does not show
        auto edit = openEdit<CustomerEdit>(EditMode::Modify);
        QCOMPARE(edit->title(), QStringLiteral("Vevö módositás"));
        edit->setField(QStringLiteral("vTel"), QStringLiteral("+36 96 123"));
        edit->ok();
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT vTel, vSzcim, vMasolva, vEnged FROM vevo WHERE vKod = '3'")),
                 QStringList{"+36 96 123|Raktár, Gyál|x|5"});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM vevo")), QStringLiteral("5"));

        // a copy: new code, same group code, the source's block as it is (it holds the name and
        // address already)
        auto copy = openEdit<CustomerEdit>(EditMode::Modify);
        copy->copy();
        QCOMPARE(copy->editMode(), EditMode::New);
        QCOMPARE(copy->title(), QStringLiteral("Vevö módositás"));
        copy->copy(); // twice: the suffix twice
        QCOMPARE(copy->field(QStringLiteral("vNeve")), QStringLiteral("Győri Ételműhely Kft. - másolat - másolat"));
        copy->ok();
        QVERIFY(copy->isFinished());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT vKod, vSzam, vEnged, vSzcim FROM vevo WHERE vNeve LIKE '%másolat'")),
                 QStringList{"6|3|5|"});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vKod = '6'")), sourceBlock);
        // positioned by the "Kód" field, which still shows the source's code
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vKod")), QStringLiteral("3"));

        // a copy needs a record being modified
        auto fresh = openEdit<CustomerEdit>(EditMode::New);
        fresh->copy();
        fresh->compose();
        QCOMPARE(s->ui.texts(), (QStringList{"Csak a vevő módosításban! ", "Csak a vevő módosításban! "}));
        QCOMPARE(fresh->field(QStringLiteral("vNeve")), QString());
        QVERIFY(s->opener.opened().empty() || s->opener.opened().back() != Screen::CustomerBlock);
    }

    void customerReferenceGuard()
    {
        seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20100001")},
                                  {QStringLiteral("fvKod"), QStringLiteral("2")}});
        s->db.exec(QStringLiteral("INSERT INTO szlevfej (lBszam, lvKod) VALUES ('20100001', '4')"));
        CustomerList list(s->context);
        list.create();
        list.show();
        QVERIFY(q("ZQ30").locate(QStringLiteral("vKod"), QStringLiteral("2")));
        list.remove();
        QCOMPARE(s->ui.texts(test::FakeUserInterface::Kind::Notice),
                 QStringList{"A vevö már szerepel a kiállitott Szla-n !"});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM vevo WHERE vKod = '2'")), QStringLiteral("1"));
        s->opener.clear();
        list.modify(); // the notice, then the edit screen all the same
        QCOMPARE(s->ui.texts().size(), 2);
        QCOMPARE(s->opener.opened(), std::vector<Screen>{Screen::CustomerEdit});
        QCOMPARE(s->opener.requests().back().mode, EditMode::Modify);

        // delivery notes do not count
        s->ui.clear();
        QVERIFY(q("ZQ30").locate(QStringLiteral("vKod"), QStringLiteral("4")));
        list.remove();
        QCOMPARE(s->ui.texts(), QStringList{"A vevö sor törlölve!"});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM vevo WHERE vKod = '4'")), QStringLiteral("0"));
    }

    void customerSearchAndSort()
    {
        CustomerList list(s->context);
        list.create();
        list.show();
        QVERIFY(list.sortBy(QStringLiteral("vHely")));
        QCOMPARE(list.caption(), QStringLiteral("Vevö lista, helységnév szerint"));
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vHely")), QStringLiteral("Budapest"));
        list.search(QStringLiteral("győ"));
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vNeve")), QStringLiteral("Győri Ételműhely Kft."));
        QCOMPARE(q("ZQ30").text(0, QStringLiteral("vNeve")), QStringLiteral("Donau Handel GmbH")); // name order again
        list.search(QStringLiteral("zzz")); // no match: the first row
        QCOMPARE(q("ZQ30").currentRow(), 0);
        QVERIFY(!list.sortBy(QStringLiteral("vUtca")));
    }

    void customerComposeTakesStoredBlock()
    {
        CustomerList list(s->context);
        list.create();
        list.show();
        QVERIFY(q("ZQ30").locate(QStringLiteral("vKod"), QStringLiteral("1")));
        auto edit = openEdit<CustomerEdit>(EditMode::Modify);
        s->opener.onOpen(Screen::CustomerBlock, [this, &edit](const ScreenRequest& request) {
            QCOMPARE(edit->editMode(), EditMode::Compose);
            QVERIFY(!request.draft); // the stored record's block
            // what the composer does on "OK"
            s->db.exec(QStringLiteral("UPDATE vevo SET vMemoVevo = 'Kovács\r\nBudapest\r\n' WHERE vKod = '1'"));
            q("ZQ30").refresh();
        });
        edit->compose();
        QCOMPARE(edit->field(QStringLiteral("vMemoVevo")), QStringLiteral("Kovács\r\nBudapest\r\n"));
        edit->setField(QStringLiteral("vUzen"), QStringLiteral("üzenet"));
        edit->ok(); // the compose mode replaces the record
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT COUNT(*), MAX(vUzen) FROM vevo WHERE vKod = '1'")),
                 QStringList{"1|üzenet"});
    }

    void customerFieldRules()
    {
        auto edit = openEdit<CustomerEdit>(EditMode::New);
        const QStringList fizmod = {"átutalás", "kp.", "átutalás"};
        for (const QString& expected : fizmod) {
            edit->click(QStringLiteral("vFizmod"));
            QCOMPARE(edit->field(QStringLiteral("vFizmod")), expected);
        }
        edit->setField(QStringLiteral("vPnem"), QStringLiteral("EUR"));
        edit->click(QStringLiteral("vPnem"));
        QCOMPARE(edit->field(QStringLiteral("vPnem")), QStringLiteral("Ft"));
        edit->click(QStringLiteral("vPnem"));
        QCOMPARE(edit->field(QStringLiteral("vPnem")), QStringLiteral("HUF"));
        edit->click(QStringLiteral("vNeve")); // no toggle
        QCOMPARE(edit->field(QStringLiteral("vNeve")), QString());

        // validations in order, each with its own field
        QStringList focus;
        connect(edit.get(), &EditScreen::focusRequested, this, [&focus](const QString& k) { focus << k; });
        edit->setField(QStringLiteral("vNeve"), QStringLiteral("x"));
        for (const char* key : {"vFizmod", "vFhat", "vPnem", "vEnged", "vKamat"}) {
            const QString k = QString::fromLatin1(key);
            const QString keep = edit->field(k);
            edit->setField(k, QString());
            edit->ok();
            edit->setField(k, keep);
        }
        QCOMPARE(focus, (QStringList{"vFizmod", "vFhat", "vPnem", "vEnged", "vKamat"}));
        QCOMPARE(s->ui.texts(),
                 (QStringList{"Nincs megadva a fizetési mód!", "Nincs megadva a fiz.napok vagy nulla!",
                              "Nincs megadva a pénznem!", "Nincs megadva az engedmény!",
                              "Nincs megadva a kamat% vagy nulla!"}));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM vevo")), QStringLiteral("5"));
    }

    void refusedCustomerSaveCanBeRepeated()
    {
        auto edit = openEdit<CustomerEdit>(EditMode::New);
        edit->setField(QStringLiteral("vNeve"), QStringLiteral("Próba"));
        edit->setField(QStringLiteral("vEnged"), QStringLiteral("1,2,3")); // not a number
        edit->ok();
        // the number reader names the field and the value it cannot read
        QCOMPARE(s->ui.texts(), QStringList{"Engedmény %: A(z) '1,2,3' nem érvényes szám."});
        QVERIFY(!edit->isFinished());
        QCOMPARE(edit->field(QStringLiteral("vMemoVevo")), QStringLiteral("\r\n"));
        edit->setField(QStringLiteral("vEnged"), QStringLiteral("2"));
        edit->ok();
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vNeve = 'Próba'")),
                 QStringLiteral("\r\nPróba\r\n \r\n  \r\n"));
    }

    // A save the server refuses leaves the shared list open on the row it stood on, and the
    // message names the refused field.
    void refusedSaveKeepsTheListAndNamesTheField()
    {
        CustomerList list(s->context);
        list.create();
        list.show();
        q("ZQ30").setCurrentRow(3);
        const QString code = q("ZQ30").fieldText(QStringLiteral("vKod"));
        auto edit = openEdit<CustomerEdit>(EditMode::Modify);
        s->db.exec(QStringLiteral("CREATE TRIGGER vevo_too_long BEFORE UPDATE ON vevo FOR EACH ROW "
                                  "SIGNAL SQLSTATE '22001' SET MYSQL_ERRNO = 1406, "
                                  "MESSAGE_TEXT = 'Data too long for column ''vHely'' at row 1'"));
        edit->setField(QStringLiteral("vHely"), QStringLiteral("Szeged"));
        edit->ok();
        s->db.exec(QStringLiteral("DROP TRIGGER vevo_too_long"));
        QVERIFY(!edit->isFinished());
        QCOMPARE(s->ui.texts(), QStringList{"Hiba: Újban, INSERT-edit a vevöben\nA(z) \"Helységnév\" mező szövege túl hosszú."});
        QVERIFY(q("ZQ30").isOpen());
        QCOMPARE(q("ZQ30").rowCount(), 5);
        QCOMPARE(q("ZQ30").currentRow(), 3);
        QCOMPARE(q("ZQ30").fieldText(QStringLiteral("vKod")), code);
        // a value too large for its column is refused before anything is sent
        s->ui.clear();
        edit->setField(QStringLiteral("vKamat"), QStringLiteral("123456"));
        edit->ok();
        QCOMPARE(s->ui.texts(),
                 QStringList{"A(z) \"Kamat %\" mező értéke (123456) túl nagy: legfeljebb 99999,9999 lehet."});
    }

    // A pending copy composes into its own field: the composer stores nothing, and the copy's
    // "OK" inserts the copy with that block as composed while the source keeps its own.
    void copyComposesIntoTheCopy()
    {
        CustomerList list(s->context);
        list.create();
        list.show();
        QVERIFY(q("ZQ30").locate(QStringLiteral("vKod"), QStringLiteral("3")));
        const QStringList source = s->db.rows(QStringLiteral("SELECT * FROM vevo WHERE vKod = '3'"));
        auto edit = openEdit<CustomerEdit>(EditMode::Modify);
        edit->copy();
        QStringList entries;
        bool stored = false;
        s->opener.onOpen(Screen::CustomerBlock, [&](const ScreenRequest& request) {
            HeaderBlockComposer composer(s->context, HeaderBlockComposer::Party::Customer, request);
            QVERIFY(composer.fill());
            entries = composer.fieldList();
            composer.setBlock(QStringLiteral("Győri Ételműhely Kft. - másolat\nTelephely"));
            stored = composer.ok();
        });
        edit->compose();
        QVERIFY(stored);
        QCOMPARE(entries.value(0), QStringLiteral("Győri Ételműhely Kft. - másolat"));
        QCOMPARE(edit->field(QStringLiteral("vMemoVevo")), QStringLiteral("Győri Ételműhely Kft. - másolat\r\nTelephely\r\n"));
        QCOMPARE(edit->editMode(), EditMode::New);
        QCOMPARE(s->db.rows(QStringLiteral("SELECT * FROM vevo WHERE vKod = '3'")), source);
        edit->ok();
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT * FROM vevo WHERE vKod = '3'")), source);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vKod = '6'")),
                 QStringLiteral("Győri Ételműhely Kft. - másolat\r\nTelephely\r\n"));
        QVERIFY(s->opener.requests().back().draft); // the draft travelled with the request
    }

    // --- issuers ---

    void issuerNewEditAndGuard()
    {
        auto edit = openEdit<IssuerEdit>(EditMode::New);
        QCOMPARE(edit->field(QStringLiteral("zKod")), QStringLiteral("2"));
        QCOMPARE(edit->field(QStringLiteral("zSzam")), QStringLiteral("2"));
        edit->setField(QStringLiteral("zNev1"), QStringLiteral("Őszi Bt."));
        edit->setField(QStringLiteral("zNev2"), QStringLiteral("második sor"));
        edit->setField(QStringLiteral("zIrszam"), QStringLiteral("1111"));
        edit->setField(QStringLiteral("zHely"), QStringLiteral("Budapest"));
        edit->setField(QStringLiteral("zUtca"), QStringLiteral("Fő u. 2."));
        edit->setField(QStringLiteral("zBankszla2"), QStringLiteral("1177-2"));
        edit->ok();
        QVERIFY(edit->isFinished());
        // the block takes only the first name line
        QCOMPARE(s->db.rows(QStringLiteral("SELECT zKod, zNev2, zBankszla2, zMemoSzall FROM szallito WHERE zKod = '2'")),
                 QStringList{"2|második sor|1177-2|\r\nŐszi Bt.\r\n \r\n1111 Budapest Fő u. 2.\r\n"});
        QCOMPARE(q("ZQ60").fieldText(QStringLiteral("zKod")), QStringLiteral("2"));

        // an edit keeps the never-written columns
        s->db.exec(QStringLiteral("UPDATE szallito SET zThely = 'Telep', zSzeria = 'S1', zVerzio = 'V2', "
                                  "zaFelhaszn = 'F' WHERE zKod = '2'"));
        IssuerList list(s->context);
        list.create();
        s->state.setRememberedKey(QStringLiteral("szallito"), QStringLiteral("2"));
        list.show();
        QCOMPARE(q("ZQ60").fieldText(QStringLiteral("zNev1")), QStringLiteral("Őszi Bt."));
        auto modify = openEdit<IssuerEdit>(EditMode::Modify);
        modify->setField(QStringLiteral("zKiallito"), QStringLiteral("Nagy Éva"));
        modify->ok();
        QVERIFY(modify->isFinished());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT zKiallito, zThely, zSzeria, zVerzio, zaFelhaszn FROM szallito "
                                           "WHERE zKod = '2'")),
                 QStringList{"Nagy Éva|Telep|S1|V2|F"});

        // delivery notes guard an issuer, invoices do not
        s->db.exec(QStringLiteral("INSERT INTO szlevfej (lBszam, lzKod) VALUES ('20100001', '1')"));
        seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20100001")},
                                  {QStringLiteral("fzKod"), QStringLiteral("2")}});
        list.show();
        QVERIFY(q("ZQ60").locate(QStringLiteral("zKod"), QStringLiteral("1")));
        s->ui.clear();
        list.remove();
        QCOMPARE(s->ui.texts(), QStringList{"A szállító már szerepel a kiállitott Szlev-n !"});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szallito WHERE zKod = '1'")), QStringLiteral("1"));
        QVERIFY(q("ZQ60").locate(QStringLiteral("zKod"), QStringLiteral("2")));
        list.remove();
        QCOMPARE(s->ui.last(), QStringLiteral("A szállító sor törlölve!"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szallito")), QStringLiteral("1"));
    }

    void issuerCopyKeepsGroupCode()
    {
        s->db.exec(QStringLiteral("UPDATE szallito SET zSzam = 'G7' WHERE zKod = '1'"));
        IssuerList list(s->context);
        list.create();
        list.show();
        auto edit = openEdit<IssuerEdit>(EditMode::Modify);
        edit->copy();
        edit->ok();
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT zKod, zSzam FROM szallito ORDER BY zID")),
                 (QStringList{"1|G7", "2|G7"}));
        // the copied block is not extended with the name and address it holds already
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT HEX(zMemoSzall) FROM szallito WHERE zKod = '2'")),
                 s->db.scalar(QStringLiteral("SELECT HEX(zMemoSzall) FROM szallito WHERE zKod = '1'")));
    }

    // An individually exempt issuer pays no VAT, so it cannot account for it on cash receipt:
    // the two together are refused and nothing is stored; either alone is stored.
    void exemptIssuerRefusesCashAccounting()
    {
        IssuerList list(s->context);
        list.create();
        list.show();
        auto edit = openEdit<IssuerEdit>(EditMode::Modify);
        edit->setField(QStringLiteral("zAlanyiMentes"), QStringLiteral("1"));
        edit->setField(QStringLiteral("zPenzforgalmi"), QStringLiteral("1"));
        edit->ok();
        QVERIFY(!edit->isFinished());
        QCOMPARE(s->ui.texts().size(), 1);
        QVERIFY(s->ui.last().startsWith(QStringLiteral("Az „Alanyi adómentes” és a „Pénzforgalmi elszámolás” együtt nem "
                                                       "választható")));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT CONCAT(zAlanyiMentes, zPenzforgalmi) FROM szallito WHERE zKod = '1'")),
                 QStringLiteral("00"));
        edit->setField(QStringLiteral("zPenzforgalmi"), QStringLiteral("0"));
        edit->ok();
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT CONCAT(zAlanyiMentes, zPenzforgalmi) FROM szallito WHERE zKod = '1'")),
                 QStringLiteral("10"));
    }

    // --- articles ---

    void newArticleDefaults()
    {
        auto edit = openEdit<ArticleEdit>(EditMode::New);
        QCOMPARE(edit->field(QStringLiteral("cKod")), QStringLiteral("11"));
        QCOMPARE(edit->field(QStringLiteral("cSzam")), QStringLiteral("11"));
        QCOMPARE(edit->field(QStringLiteral("cMe")), QStringLiteral("db"));
        QCOMPARE(edit->field(QStringLiteral("cEar")), QStringLiteral("0"));
        QCOMPARE(edit->field(QStringLiteral("cPnem")), QStringLiteral("Ft"));
        QCOMPARE(edit->field(QStringLiteral("cAfa")), QStringLiteral("27"));
        QCOMPARE(edit->field(QStringLiteral("cAfanev")), QStringLiteral("27% általános"));
        QCOMPARE(edit->field(QStringLiteral("cAfakod")), QStringLiteral("1"));
        QCOMPARE(s->state.rememberedKey(QStringLiteral("afa")), QStringLiteral("27"));
        edit->click(QStringLiteral("cMe"));
        QCOMPARE(edit->field(QStringLiteral("cMe")), QStringLiteral("kg"));
        edit->setField(QStringLiteral("cSzam"), QStringLiteral("900"));
        edit->setField(QStringLiteral("cMegn"), QStringLiteral("Visszáru jóváírás"));
        edit->setField(QStringLiteral("cEar"), QStringLiteral("-1250,5"));
        edit->ok();
        QVERIFY2(edit->isFinished(), qPrintable(s->ui.texts().join(u'/')));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT cKod, cSzam, cMe, cEar, cAfa, cAfanev, cGolaj FROM cikk "
                                           "WHERE cMegn = 'Visszáru jóváírás'")),
                 QStringList{"11|900|kg|-1250,5|27|27% általános|0"});
        QCOMPARE(q("ZQ40").fieldText(QStringLiteral("cSzam")), QStringLiteral("900"));
        QCOMPARE(s->state.rememberedKey(QStringLiteral("cikk")), QStringLiteral("900"));
    }

    void articleVatChooser()
    {
        s->db.exec(QStringLiteral("UPDATE cikk SET cAfa = 12, cAfanev = 'régi', cAfakod = '9', cGolaj = NULL "
                                  "WHERE cKod = '2'"));
        // a second code at 27 %: an article of that code keeps it when opened
        s->db.exec(QStringLiteral("INSERT INTO afa (kAfakod, kAfanev, kAfa) VALUES ('5', '27% másik', 27)"));
        s->db.exec(QStringLiteral("UPDATE cikk SET cAfanev = '27% másik', cAfakod = '5' WHERE cKod = '3'"));
        ArticleList list(s->context);
        list.create();
        list.show();
        QVERIFY(q("ZQ40").locate(QStringLiteral("cKod"), QStringLiteral("3")));
        list.modify();
        {
            auto kept = openEdit<ArticleEdit>(EditMode::Modify);
            QCOMPARE(kept->field(QStringLiteral("cAfakod")), QStringLiteral("5"));
            QCOMPARE(kept->field(QStringLiteral("cAfanev")), QStringLiteral("27% másik"));
            kept->cancel();
        }
        QVERIFY(q("ZQ40").locate(QStringLiteral("cKod"), QStringLiteral("2")));
        list.modify();
        QCOMPARE(s->state.rememberedKey(QStringLiteral("cikk")), QStringLiteral("2"));
        auto edit = openEdit<ArticleEdit>(EditMode::Modify);
        // no rate of 12 %: the first rate's name and code beside the kept percentage
        QCOMPARE(edit->field(QStringLiteral("cAfa")), QStringLiteral("12"));
        QCOMPARE(edit->field(QStringLiteral("cAfanev")), QStringLiteral("AAM alanyi adómentes"));
        QCOMPARE(edit->field(QStringLiteral("cAfakod")), QStringLiteral("4"));
        QCOMPARE(edit->field(QStringLiteral("cGolaj")), QStringLiteral("0"));
        s->opener.onOpen(Screen::VatList, [this] {
            VatList chooser(s->context);
            chooser.create();
            chooser.show();
            QVERIFY(q("ZQ90").locate(QStringLiteral("kAfa"), QStringLiteral("18")));
            chooser.cancel();
        });
        edit->chooseVat();
        QCOMPARE(edit->field(QStringLiteral("cAfa")), QStringLiteral("18"));
        QCOMPARE(edit->field(QStringLiteral("cAfanev")), QStringLiteral("18% kedvezményes"));
        QCOMPARE(edit->field(QStringLiteral("cAfakod")), QStringLiteral("2"));
        edit->ok();
        QVERIFY(edit->isFinished());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT cAfa, cAfanev, cAfakod, cGolaj FROM cikk WHERE cKod = '2'")),
                 QStringList{"18|18% kedvezményes|2|0"});
        QCOMPARE(q("ZQ40").fieldText(QStringLiteral("cKod")), QStringLiteral("2"));
    }

    void articleListReturnsToNameOrder()
    {
        ArticleList list(s->context);
        list.create();
        list.show();
        QVERIFY(list.sortBy(QStringLiteral("cEar")));
        QCOMPARE(list.caption(), QStringLiteral("Cikk lista, egységár szerint"));
        QCOMPARE(q("ZQ40").fieldText(QStringLiteral("cMegn")), QStringLiteral("Kenyér a vevőtalálkozóra"));
        QVERIFY(q("ZQ40").locate(QStringLiteral("cKod"), QStringLiteral("4")));
        // uncovered with a key that names an article
        s->state.setRememberedKey(QStringLiteral("cikk"), QStringLiteral("plató"));
        list.uncovered();
        QCOMPARE(q("ZQ40").text(0, QStringLiteral("cMegn")), QStringLiteral("Csomagolópapír"));
        QCOMPARE(q("ZQ40").fieldText(QStringLiteral("cMegn")), QStringLiteral("Platómérleg 300 kg"));
        // with a key that names none (an article number after a save) it stays on its article
        QVERIFY(q("ZQ40").locate(QStringLiteral("cKod"), QStringLiteral("6")));
        s->state.setRememberedKey(QStringLiteral("cikk"), QStringLiteral("KS-040"));
        list.uncovered();
        QCOMPARE(q("ZQ40").fieldText(QStringLiteral("cKod")), QStringLiteral("6"));
    }

    void listHoldsManyRows()
    {
        s->db.exec(QStringLiteral("INSERT INTO cikk (cKod, cSzam, cMegn, cEar) "
                                  "SELECT seq % 100000, seq, CONCAT('Tétel ', seq), seq / 10 FROM seq_1_to_10000"));
        ArticleList list(s->context);
        list.create();
        list.show();
        QCOMPARE(q("ZQ40").rowCount(), 10010);
        auto edit = openEdit<ArticleEdit>(EditMode::New);
        QCOMPARE(edit->field(QStringLiteral("cKod")), QStringLiteral("10001"));
    }

    // Another workstation changed the row after this screen read it: "OK" says which field and
    // writes nothing, for every master table; the other workstation's change stays.
    void anEditDoesNotOverwriteAChangeMadeElsewhere_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("nameColumn");
        QTest::addColumn<QString>("label");
        QTest::newRow("vevo") << "vevo" << "ZQ30" << "vNeve" << "Vevö neve";
        QTest::newRow("cikk") << "cikk" << "ZQ40" << "cMegn" << "Megnevezés";
        QTest::newRow("afa") << "afa" << "ZQ90" << "kAfanev" << "Megnevezés";
        QTest::newRow("szallito") << "szallito" << "ZQ60" << "zNev1" << "Szállító neve";
        QTest::newRow("mezonev") << "mezonev" << "ZQ70" << "mmegnev" << "Szótárnév";
    }
    void anEditDoesNotOverwriteAChangeMadeElsewhere()
    {
        QFETCH(QString, table);
        QFETCH(QString, list);
        QFETCH(QString, nameColumn);
        QFETCH(QString, label);
        Query& rows = s->data.query(list);
        rows.setSql({QStringLiteral("SELECT * FROM %1").arg(table)});
        rows.open();
        std::unique_ptr<EditScreen> edit;
        const ScreenRequest modify{EditMode::Modify};
        if (table == u"vevo")
            edit = std::make_unique<CustomerEdit>(s->context, modify);
        else if (table == u"cikk")
            edit = std::make_unique<ArticleEdit>(s->context, modify);
        else if (table == u"afa")
            edit = std::make_unique<VatEdit>(s->context, modify);
        else if (table == u"szallito")
            edit = std::make_unique<IssuerEdit>(s->context, modify);
        else
            edit = std::make_unique<DictionaryEdit>(s->context, modify);
        QVERIFY(edit->start());
        const QString id = edit->field(rows.result()->columnNames().at(0));
        edit->setField(nameColumn, QStringLiteral("Itt"));
        s->db.exec(QStringLiteral("UPDATE %1 SET %2 = 'Máshol' WHERE %3 = %4")
                       .arg(table, nameColumn, rows.result()->columnNames().at(0), id));
        edit->ok();
        QVERIFY(!edit->isFinished());
        QCOMPARE(s->ui.texts(),
                 QStringList{QStringLiteral("Ezt a sort a megnyitása óta egy másik munkaállomás módosította (%1). A "
                                            "mentés nem történt meg, hogy az ottani módosítás ne vesszen el. Kérem, "
                                            "zárja be a képernyőt, nyissa meg újra a sort, és vigye fel ismét a "
                                            "változtatást.")
                                 .arg(label)});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                                  .arg(nameColumn, table, rows.result()->columnNames().at(0), id)),
                 QStringLiteral("Máshol"));
    }
};

QTEST_GUILESS_MAIN(MasterDataTest)
#include "tst_masterdata.moc"
