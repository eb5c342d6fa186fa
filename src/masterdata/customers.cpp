#include "customers.h"
#include "db/queryroles.h"

#include "headerblockcomposer.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/savedelete.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "db/smtpsettings.h"

namespace orvena {

QString customer::nameByCodeSql(const QString& code)
{
    return QStringLiteral("(SELECT cn.vNeve FROM vevo cn WHERE cn.vKod = %1 ORDER BY cn.vID LIMIT 1)").arg(code);
}

namespace {

using Kind = RecordColumn::Kind;

// The columns the screen writes, identity first; rates are decimal, the rest is text.
const std::vector<RecordColumn> kWritten = {
    {"vID"},       {"vKod"},      {"vNeve"},   {"vIrszam"},    {"vHely"},   {"vUtca"},   {"vTel"},
    {"vAdo"},      {"vKado"},     {"vBanknev"}, {"vBankszla"}, {"vIBAN"},   {"vSwift"},  {"vUzen"},
    {"vKamat", Kind::Decimal},    {"vFhat"},   {"vFizmod"},    {"vEnged", Kind::Decimal}, {"vEmail"},
    {"vPnem"},     {"vFordado"},  {"vMemoVevo"}, {"vSzam"},    {"vAfaStatusz"}, {"vOrszag"}, {"vKulfAdo"}};

} // namespace

ListSpec CustomerList::makeSpec()
{
    ListSpec s;
    s.table = customer::kTable;
    s.listQuery = role::kCustomerList;
    s.createSql = QStringLiteral("SELECT * FROM Vevo");
    s.showSql = customer::kListSql;
    s.showLocateColumn = QStringLiteral("vkod");
    s.caption = QStringLiteral("A lista, név szerint (Rendezéshez klikk  az \"Kód\" \"Szám\" \"Neve\" \"Irszám\" "
                               "\"Helységnév\" oszlop fejlécre)");
    const std::vector<std::pair<const char*, const char*>> columns = {
        {"vNeve", "Neve"},       {"vSzam", "Csoport száma"}, {"vKod", "Kód"},
        {"vIrszam", "Ir.szám"},  {"vHely", "Helységnév"},    {"vUtca", "Utca"},
        {"vAdo", "Adószám"},     {"vKado", "K.adószám"},     {"vBanknev", "Bank neve"},
        {"vBankszla", "Bank szla"}, {"vIBAN", "IBAN"},       {"vSwift", "Swift"},
        {"vUzen", "Üzenet"},     {"vKamat", "Kamat %"},      {"vFhat", "Fizetési hat.idö"},
        {"vFizmod", "Fiz.mód"},  {"vEnged", "Engedmény %"},  {"vPnem", "Pénznem"},
        {"vFordado", "Ford.adózó"}, {"vSzcim", "Száll. cime"}, {"vEmail", "Email"},
        {"vTel", "Teefonl"},     {"vMasolva", "Másolva"},    {"vMemoVevo", "Memo"},
        {"vID", "ID"}};
    for (const auto& [field, title] : columns)
        s.columns.push_back({QString::fromUtf8(field), QString::fromUtf8(title)});
    s.sorts = {{QStringLiteral("vNeve"), QStringLiteral("SELECT * FROM vevo ORDER BY vneve"),
                QStringLiteral("Vevö lista, név szerint")},
               {QStringLiteral("vSzam"), QStringLiteral("SELECT * FROM vevo ORDER BY vSzam"),
                QStringLiteral("Vevö lista, csoportszám szerint")},
               {QStringLiteral("vKod"), QStringLiteral("SELECT * FROM vevo ORDER BY vkod"),
                QStringLiteral("Vevö lista, kód szerint")},
               {QStringLiteral("vIrszam"), QStringLiteral("SELECT * FROM vevo ORDER BY virszam"),
                QStringLiteral("Vevö lista, irányitószám szerint")},
               {QStringLiteral("vHely"), QStringLiteral("SELECT * FROM vevo ORDER BY vhely"),
                QStringLiteral("Vevö lista, helységnév szerint")}};
    s.editScreen = Screen::CustomerEdit;
    s.remove = {QStringLiteral("DELETE FROM vevo WHERE vkod = :p1"), QStringLiteral("vkod"),
                QStringLiteral("A vevö sor törlölve!"), QStringLiteral("Hiba: Vevö DELETE törlésekor")};
    s.guard = ReferenceGuard{
        QStringLiteral("SELECT fvkod, count(fvkod) as db FROM SzlaFej WHERE fvkod = :p1 GROUP BY fvkod"),
        QStringLiteral("vkod"), QStringLiteral("A vevö már szerepel a kiállitott Szla-n !")};
    return s;
}

CustomerList::CustomerList(ScreenContext& context, QObject* parent) : ListScreen(context, makeSpec(), parent) {}

void CustomerList::search(const QString& text)
{
    runAction(context().ui, [this, &text] {
        runList(QStringLiteral("SELECT * FROM vevo ORDER BY vNeve"));
        query().locate(QStringLiteral("vNeve"), text);
    });
}

CustomerEdit::CustomerEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : EditScreen(context, request, customer::kTable, QStringLiteral("Vevö bevitel"), parent),
      m_list(context.data.query(role::kCustomerList)),
      m_aux(context.data.connection(), QStringLiteral("customersAux"))
{
    const CharFilter percent = CharFilter::unsignedDecimal();
    addField({QStringLiteral("vSzam"), QStringLiteral("Csoportszám"), {}, {}, {}, false, false,
              QStringLiteral("Azonos partner csoportkódja")});
    addField({QStringLiteral("vNeve"), QStringLiteral("Vevö neve")});
    addField({QStringLiteral("vIrszam"), QStringLiteral("Irszám")});
    addField({QStringLiteral("vHely"), QStringLiteral("Helységnév")});
    addField({QStringLiteral("vUtca"), QStringLiteral("Utca")});
    addField({QStringLiteral("vTel"), QStringLiteral("Telefon")});
    addField({QStringLiteral("vEmail"), QStringLiteral("Email")});
    addField({QStringLiteral("vAdo"), QStringLiteral("Adószám"), {}, CharFilter(QStringLiteral("0123456789-"))});
    addField({QStringLiteral("vKado"), QStringLiteral("Köz.adószám")});
    addField({QStringLiteral("vBanknev"), QStringLiteral("Bank neve")});
    addField({QStringLiteral("vBankszla"), QStringLiteral("Bank szla")});
    addField({QStringLiteral("vIBAN"), QStringLiteral("IBAN")});
    addField({QStringLiteral("vSwift"), QStringLiteral("Swift")});
    addField({QStringLiteral("vFizmod"), QStringLiteral("Fiz.módja"), QStringLiteral("kp."), {},
              Toggle{QStringLiteral("átutalás"), QStringLiteral("kp."), QStringLiteral("átutalás")}, false, false,
              QStringLiteral("Klikkre \"átutalás\" / \"kp.\" váltás")});
    addField({QStringLiteral("vFhat"), QStringLiteral("Fiz.(nap)"), QStringLiteral("8"), CharFilter::digits()});
    addField({QStringLiteral("vPnem"), QStringLiteral("Pénznem"), QStringLiteral("Ft"), {},
              Toggle{QStringLiteral("Ft"), QStringLiteral("HUF"), QStringLiteral("Ft")}, false, false,
              QStringLiteral("Klikkre \"Ft\" / \"HUF\" váltás")});
    addField({QStringLiteral("vEnged"), QStringLiteral("Engedmény %"), QStringLiteral("0"), percent});
    addField({QStringLiteral("vKamat"), QStringLiteral("Kamat %"), QStringLiteral("0"), percent});
    addField({QStringLiteral("vFordado"), QStringLiteral("Ford.adózás")});
    addField({QStringLiteral("vUzen"), QStringLiteral("Üzenet:")});
    // What the invoice-data report needs (a separate group on the screen).
    addField({QStringLiteral("vAfaStatusz"), QStringLiteral("Áfa-státusz"), QStringLiteral("DOMESTIC")});
    addField({QStringLiteral("vOrszag"), QStringLiteral("Ország"), QStringLiteral("HU"), {}, {}, false, false,
              QStringLiteral("Kétbetűs országkód (HU, AT, DE, ...)")});
    addField({QStringLiteral("vKulfAdo"), QStringLiteral("Külföldi adószám"), {}, {}, {}, false, false,
              QStringLiteral("EU-n kívüli vevő adószáma")});
    addField({QStringLiteral("vKod"), QStringLiteral("Kód"), {}, {}, {}, true});
    addField({QStringLiteral("vID"), QStringLiteral("ID"), {}, {}, {}, true});
    addField({QStringLiteral("vMemoVevo"), QStringLiteral("Számla vevő fejléce (cimkéje)"), QStringLiteral("\r\n"), {},
              {}, false, true, QStringLiteral("Beírja a fejléc adatait vagy  az \"Összeállítás\" gombra kattint.")});
}

bool CustomerEdit::fill()
{
    try {
        setModifyTitle(customer::kModifyMode);
        fillFromRow(m_list);
        return true;
    } catch (const Error& e) {
        showFailure(m_context.ui, QStringLiteral("Hiba a vevö módosítás Edit-ben való megjelenitésekor!"), &e);
        return false;
    }
}

void CustomerEdit::show()
{
    if (!isNew())
        return;
    const QString code = proposedCode(m_aux, {customer::kTable, QStringLiteral("vKod")});
    setField(QStringLiteral("vKod"), code);
    setField(QStringLiteral("vSzam"), code);
}

void CustomerEdit::copy()
{
    copyRecord(QStringLiteral("vNeve"), QStringLiteral("Csak a vevő módosításban! "));
}

void CustomerEdit::compose()
{
    runAction(m_context.ui, [this] {
        if (titleMode() != TitleMode::Modify) {
            m_context.ui.message(QStringLiteral("Csak a vevő módosításban! "));
            return;
        }
        if (isNew()) {
            // a copy is pending: the block is composed for the copy, the source stays as it is
            const auto& traits = HeaderBlockComposer::traits(HeaderBlockComposer::Party::Customer);
            composeIntoField(Screen::CustomerBlock, traits.fieldColumns, QStringLiteral("vMemoVevo"));
            return;
        }
        setEditMode(EditMode::Compose);
        m_context.opener.open(Screen::CustomerBlock);
        // The composer stores the block in the record itself; the field takes it over.
        if (!field(QStringLiteral("vID")).isEmpty() && m_list.isOpen())
        {
            setField(QStringLiteral("vMemoVevo"), m_list.fieldText(QStringLiteral("vMemoVevo")));
            noteWritten(QStringLiteral("vMemoVevo"), m_list.fieldText(QStringLiteral("vMemoVevo")));
        }
    });
}

std::vector<EditScreen::Check> CustomerEdit::checks() const
{
    return {{QStringLiteral("vNeve"), QStringLiteral("Nincs megadva a neve!")},
            {QStringLiteral("vFizmod"), QStringLiteral("Nincs megadva a fizetési mód!")},
            {QStringLiteral("vFhat"), QStringLiteral("Nincs megadva a fiz.napok vagy nulla!")},
            {QStringLiteral("vPnem"), QStringLiteral("Nincs megadva a pénznem!")},
            {QStringLiteral("vEnged"), QStringLiteral("Nincs megadva az engedmény!")},
            {QStringLiteral("vKamat"), QStringLiteral("Nincs megadva a kamat% vagy nulla!")}};
}

bool CustomerEdit::save()
{
    // The e-mail field may hold several addresses separated by ";": each must be one an invoice
    // can be sent to.
    if (const QString addresses = field(QStringLiteral("vEmail")); !isBlank(addresses)) {
        try {
            parseMailAddresses(addresses);
        } catch (const Error& e) {
            m_context.ui.message(e.text());
            return false;
        }
    }
    SaveTexts texts{QStringLiteral("Hiba: Újban, INSERT-append a vevöben "),
                    QStringLiteral("Hiba: Újban, INSERT-edit a vevöben "),
                    QStringLiteral("Hiba az append vagy edit közben a vevöben!")};
    texts.labels = labels();
    // A new customer's block gets its name and address appended; the field itself changes only
    // once the record is stored, so a refused save can be repeated without doubling the lines.
    // A copy's block holds them already.
    QString block = field(QStringLiteral("vMemoVevo"));
    if (isNew() && !isCopy()) {
        block = appendMemoLine(block, field(QStringLiteral("vNeve")));
        block = appendMemoLine(block, QStringLiteral(" "));
        block = appendMemoLine(block, QStringList{field(QStringLiteral("vIrszam")), field(QStringLiteral("vHely")),
                                                  field(QStringLiteral("vUtca"))}
                                          .join(u' '));
    }
    const ReadRecord read = readRecord(QStringLiteral("vID"));
    const bool saved = runSave(
        m_context.ui, m_list, m_aux, isNew(), {customer::kTable, QStringLiteral("vKod")}, texts,
        [&](const QString& code) {
            prepareRecordWrite(
                m_list, QStringLiteral("vevo"), kWritten,
                [&](const QString& column) {
                    if (column == u"vKod" && !code.isEmpty())
                        return code;
                    return column == u"vMemoVevo" ? block : fieldOfColumn(column);
                },
                isNew());
            m_list.execute();
            m_context.state.setRememberedKey(customer::kTable, field(QStringLiteral("vKod")));
        }, &read);
    if (!saved)
        return false;
    setField(QStringLiteral("vMemoVevo"), block);
    m_list.setSql({customer::kListSql});
    m_list.open();
    m_list.refresh();
    locateKey(m_list, QStringLiteral("vkod"), m_context.state.rememberedKey(customer::kTable));
    return true;
}

} // namespace orvena
