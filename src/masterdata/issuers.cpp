#include "issuers.h"
#include "db/queryroles.h"

#include "headerblockcomposer.h"
#include "db/conversions.h"
#include "nav/taxnumber.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/savedelete.h"

namespace orvena {

namespace {

// The columns the screen writes, identity first; all of them text.
const std::vector<RecordColumn> kWritten = {
    {"zID"},       {"zKod"},      {"zNev1"},     {"zNev2"},   {"zIrszam"}, {"zHely"},    {"zUtca"},
    {"zTel"},      {"zAdo"},      {"zKado"},     {"zBanknev"}, {"zBankszla"}, {"zBankszla2"}, {"zIBAN"},
    {"zSwift"},    {"zKiallito"}, {"zFax"},      {"zEmail"},  {"zMemoSzall"}, {"zSzam"},  {"zBanknev2"},
    {"zNavMod"},   {"zAlanyiMentes"}, {"zPenzforgalmi"}, {"zKisadozo"}};

} // namespace

ListSpec IssuerList::makeSpec()
{
    ListSpec s;
    s.table = issuer::kTable;
    s.listQuery = role::kIssuerList;
    s.createSql = QStringLiteral("SELECT * FROM szallito");
    s.showSql = QStringLiteral("SELECT * FROM szallito ORDER BY zSzam");
    s.showLocateColumn = QStringLiteral("zkod");
    s.caption = QStringLiteral("A lista, név szerint (Rendezéshez klikk  az \"Kód\" \"Szám\" \"Neve\"  oszlop fejlécre)");
    const std::vector<std::pair<const char*, const char*>> columns = {
        {"zKod", "Kód"},          {"zSzam", "Csoportszám"},     {"zNev1", "Név (1)"},
        {"zNev2", "Név (2)"},     {"zIrszam", "Ir.szám"},       {"zHely", "Hely"},
        {"zUtca", "Utca"},        {"zAdo", "Adószám"},          {"zKado", "K.adószám"},
        {"zBanknev", "Bank neve (1)"}, {"zBankszla", "Bank szla (1)"}, {"zBanknev2", "Bank neve (2)"},
        {"zBankszla2", "Bank szla (2)"}, {"zIBAN", "IBAN"},     {"zSwift", "Swift"},
        {"zEmail", "Email"},      {"zTel", "Telefon"},          {"zFax", "Fax"},
        {"zKiallito", "Kiállitó neve"}, {"zSzeria", "Szeria"},  {"zVerzio", "Verzio"},
        {"zaFelhaszn", "Felhasználó"}, {"zThely", "Telephely"}, {"zMemoSzall", "Memo "},
        {"zID", "ID"}};
    for (const auto& [field, title] : columns)
        s.columns.push_back({QString::fromUtf8(field), QString::fromUtf8(title)});
    s.sorts = {{QStringLiteral("zKod"), QStringLiteral("SELECT * FROM szallito ORDER BY zKod"),
                QStringLiteral("Szállító lista, ID szerint")},
               {QStringLiteral("zSzam"), QStringLiteral("SELECT * FROM szallito ORDER BY zSzam"),
                QStringLiteral("Szállító lista, szám szerint")},
               {QStringLiteral("zNev1"), QStringLiteral("SELECT * FROM szallito ORDER BY zNev1"),
                QStringLiteral("Szállító lista, név szerint")}};
    s.editScreen = Screen::IssuerEdit;
    s.remove = {QStringLiteral("DELETE FROM szallito WHERE zkod = :p1"), QStringLiteral("zkod"),
                QStringLiteral("A szállító sor törlölve!"), QStringLiteral("Hiba: Szállító DELETE törlésekor")};
    s.guard = ReferenceGuard{
        QStringLiteral("SELECT lzkod, count(lzkod) as db FROM SzlevFej WHERE lzkod = :p1 GROUP BY lzkod"),
        QStringLiteral("zkod"), QStringLiteral("A szállító már szerepel a kiállitott Szlev-n !")};
    return s;
}

IssuerList::IssuerList(ScreenContext& context, QObject* parent) : ListScreen(context, makeSpec(), parent) {}

IssuerEdit::IssuerEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : EditScreen(context, request, issuer::kTable, QStringLiteral("Szállító bevitel"), parent),
      m_list(context.data.query(role::kIssuerList)),
      m_aux(context.data.connection(), QStringLiteral("issuersAux"))
{
    addField({QStringLiteral("zSzam"), QStringLiteral("Csoportszám"), {}, {}, {}, false, false,
              QStringLiteral("Azonos partner csoportkódja")});
    addField({QStringLiteral("zNev1"), QStringLiteral("Szállító neve")});
    addField({QStringLiteral("zNev2"), QString()});
    addField({QStringLiteral("zIrszam"), QStringLiteral("Irszám")});
    addField({QStringLiteral("zHely"), QStringLiteral("Helységnév")});
    addField({QStringLiteral("zUtca"), QStringLiteral("Utca")});
    addField({QStringLiteral("zTel"), QStringLiteral("Telefon")});
    addField({QStringLiteral("zFax"), QStringLiteral("Fax")});
    addField({QStringLiteral("zEmail"), QStringLiteral("Email")});
    addField({QStringLiteral("zAdo"), QStringLiteral("Adószám"), {}, CharFilter(QStringLiteral("0123456789-"))});
    addField({QStringLiteral("zKado"), QStringLiteral("Köz.adószám")});
    addField({QStringLiteral("zBanknev"), QStringLiteral("Bank neve")});
    addField({QStringLiteral("zBankszla"), QStringLiteral("Bank szla")});
    addField({QStringLiteral("zBanknev2"), QStringLiteral("Bank neve")});
    addField({QStringLiteral("zBankszla2"), QStringLiteral("Bank szla")});
    addField({QStringLiteral("zIBAN"), QStringLiteral("IBAN")});
    addField({QStringLiteral("zSwift"), QStringLiteral("Swift")});
    addField({QStringLiteral("zKiallito"), QStringLiteral("Kiállító")});
    // Reporting of issued invoices to the tax authority: OFF, TEST or PROD (a drop-down on the screen).
    addField({QStringLiteral("zNavMod"), QStringLiteral("NAV adatszolgáltatás"), QStringLiteral("OFF")});
    // The VAT regime, each "1" or "0" (check boxes on the screen).
    addField({QStringLiteral("zAlanyiMentes"), QStringLiteral("Alanyi adómentes"), QStringLiteral("0")});
    addField({QStringLiteral("zPenzforgalmi"), QStringLiteral("Pénzforgalmi elszámolás"), QStringLiteral("0")});
    addField({QStringLiteral("zKisadozo"), QStringLiteral("Kisadózó"), QStringLiteral("0")});
    addField({QStringLiteral("zKod"), QStringLiteral("Kód"), {}, {}, {}, true});
    addField({QStringLiteral("zID"), QStringLiteral("ID"), {}, {}, {}, true});
    addField({QStringLiteral("zMemoSzall"), QStringLiteral("Szállítólevél szállító fejléce (cimkéje)"),
              QStringLiteral("\r\n"), {}, {}, false, true,
              QStringLiteral("Beírja a fejléc adatait vagy  az \"Összeállítás\" gombra kattint.")});
}

bool IssuerEdit::fill()
{
    try {
        setModifyTitle(issuer::kModifyMode);
        fillFromRow(m_list);
        return true;
    } catch (const Error& e) {
        showFailure(m_context.ui, QStringLiteral("Hiba a szállitó módosítás Edit-ben való megjelenitésekor!"), &e);
        return false;
    }
}

void IssuerEdit::show()
{
    if (!isNew())
        return;
    const QString code = proposedCode(m_aux, {issuer::kTable, QStringLiteral("zKod")});
    setField(QStringLiteral("zKod"), code);
    setField(QStringLiteral("zSzam"), code);
}

void IssuerEdit::copy()
{
    copyRecord(QStringLiteral("zNev1"), QStringLiteral("Csak a szállító módosításban! "));
}

void IssuerEdit::compose()
{
    runAction(m_context.ui, [this] {
        if (titleMode() != TitleMode::Modify) {
            m_context.ui.message(QStringLiteral("Csak a szállító módosításban! "));
            return;
        }
        if (isNew()) {
            // a copy is pending: the block is composed for the copy, the source stays as it is
            const auto& traits = HeaderBlockComposer::traits(HeaderBlockComposer::Party::Issuer);
            composeIntoField(Screen::IssuerBlock, traits.fieldColumns, QStringLiteral("zMemoSzall"));
            return;
        }
        setEditMode(EditMode::Compose);
        m_context.opener.open(Screen::IssuerBlock);
        // The composer stores the block in the record itself; the field takes it over.
        if (!field(QStringLiteral("zID")).isEmpty() && m_list.isOpen())
        {
            setField(QStringLiteral("zMemoSzall"), m_list.fieldText(QStringLiteral("zMemoSzall")));
            noteWritten(QStringLiteral("zMemoSzall"), m_list.fieldText(QStringLiteral("zMemoSzall")));
        }
    });
}

std::vector<EditScreen::Check> IssuerEdit::checks() const
{
    return {{QStringLiteral("zNev1"), QStringLiteral("Nincs megadva a neve!")}};
}

bool IssuerEdit::save()
{
    // The tax number goes on every invoice and into every report: a typing error (its eighth
    // digit checks the first seven) is caught here, not at the first issue.
    const QString taxNumber = field(QStringLiteral("zAdo"));
    if (!isBlank(taxNumber) && !nav::parseTaxNumber(taxNumber)) {
        m_context.ui.message(QStringLiteral("Hibás adószám: „%1”. Alakja 12345678-1-12 (vagy 11 számjegy); a "
                                            "nyolcadik számjegy az első hét ellenőrző számjegye, a kilencedik 1–5.")
                                 .arg(taxNumber.trimmed()));
        emit focusRequested(QStringLiteral("zAdo"));
        return false;
    }
    // Cash accounting is a way of paying VAT, which an individually exempt issuer does not pay.
    if (field(QStringLiteral("zAlanyiMentes")).trimmed() == u"1" && field(QStringLiteral("zPenzforgalmi")).trimmed() == u"1") {
        m_context.ui.message(QStringLiteral("Az „Alanyi adómentes” és a „Pénzforgalmi elszámolás” együtt nem "
                                            "választható: a pénzforgalmi elszámolás az áfa megfizetésének módja, az "
                                            "alanyi adómentes kibocsátó pedig nem fizet áfát. Kérem, válassza ki a "
                                            "kettő közül azt, amelyik a kibocsátóra érvényes."));
        emit focusRequested(QStringLiteral("zPenzforgalmi"));
        return false;
    }
    SaveTexts texts{QStringLiteral("Hiba: Újban, INSERT-append a szállítóban "),
                    QStringLiteral("Hiba: Újban, INSERT-edit a szálítóban "),
                    QStringLiteral("Hiba az append vagy edit közben a szállítóban!")};
    texts.labels = labels();
    // A new issuer's block gets its first name line and address appended once it is stored; a
    // copy's block holds them already.
    QString block = field(QStringLiteral("zMemoSzall"));
    if (isNew() && !isCopy()) {
        block = appendMemoLine(block, field(QStringLiteral("zNev1")));
        block = appendMemoLine(block, QStringLiteral(" "));
        block = appendMemoLine(block, QStringList{field(QStringLiteral("zIrszam")), field(QStringLiteral("zHely")),
                                                  field(QStringLiteral("zUtca"))}
                                          .join(u' '));
    }
    const ReadRecord read = readRecord(QStringLiteral("zID"));
    const bool saved = runSave(m_context.ui, m_list, m_aux, isNew(), {issuer::kTable, QStringLiteral("zKod")}, texts,
                               [&](const QString& code) {
                                   prepareRecordWrite(
                                       m_list, QStringLiteral("szallito"), kWritten,
                                       [&](const QString& column) {
                                           if (column == u"zKod" && !code.isEmpty())
                                               return code;
                                           return column == u"zMemoSzall" ? block : fieldOfColumn(column);
                                       },
                                       isNew());
                                   m_list.execute();
                                   m_context.state.setRememberedKey(issuer::kTable, field(QStringLiteral("zKod")));
                               }, &read);
    if (!saved)
        return false;
    setField(QStringLiteral("zMemoSzall"), block);
    m_list.setSql({issuer::kAfterSaveSql});
    m_list.open();
    m_list.refresh();
    locateKey(m_list, QStringLiteral("zkod"), m_context.state.rememberedKey(issuer::kTable));
    return true;
}

} // namespace orvena
