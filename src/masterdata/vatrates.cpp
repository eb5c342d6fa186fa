#include "vatrates.h"
#include "db/queryroles.h"

#include "nav/invoicedata.h"
#include "screens/common/chainfailure.h"

namespace orvena {

ListSpec VatList::makeSpec()
{
    ListSpec s;
    s.table = vat::kTable;
    s.listQuery = role::kVatList;
    s.createSql = vat::kListSql;
    s.showSql = vat::kListSql;
    s.showLocateColumn = QStringLiteral("kAfa");
    s.caption = QStringLiteral("Áfa lista, megnevezés szerint  (Rendezéshez klikk a \"Áfa %\" \"Megnevezés\" \" Kód\" "
                               "oszlop fejlécre)");
    s.columns = {{QStringLiteral("kAfa"), QStringLiteral("Áfa %")},
                 {QStringLiteral("kAfanev"), QStringLiteral("Áfa név")},
                 {QStringLiteral("kAfakod"), QStringLiteral("Áfa kód")},
                 {QStringLiteral("kID"), QStringLiteral("ID")}};
    s.sorts = {{QStringLiteral("kAfa"), vat::kListSql, QStringLiteral("Áfa lista, áfa % szerint")},
               {QStringLiteral("kAfanev"), QStringLiteral("SELECT * FROM afa ORDER BY kAfanev"),
                QStringLiteral("Áfa lista, áfa név szerint")},
               {QStringLiteral("kAfakod"), QStringLiteral("SELECT * FROM afa ORDER BY kAfakod"),
                QStringLiteral("Áfa lista, áfa kódja szerint")}};
    s.editScreen = Screen::VatEdit;
    s.modifyKeyColumn = QStringLiteral("kAfakod");
    s.remove = {QStringLiteral("DELETE FROM afa WHERE kID = :p1"), QStringLiteral("kID"),
                QStringLiteral("Az áfa sor törlölve!"), QStringLiteral("Hiba: Áfa DELETE törlésekor")};
    return s;
}

VatList::VatList(ScreenContext& context, QObject* parent) : ListScreen(context, makeSpec(), parent) {}

VatEdit::VatEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : EditScreen(context, request, vat::kTable, QStringLiteral("Áfa bevitel"), parent),
      m_list(context.data.query(role::kVatList)),
      m_aux(context.data.connection(), QStringLiteral("vatratesAux"))
{
    addField({QStringLiteral("kAfa"), QStringLiteral("Áfa %"), {}, CharFilter::digits()});
    addField({QStringLiteral("kAfanev"), QStringLiteral("Megnevezés")});
    addField({QStringLiteral("kID"), QStringLiteral("ID"), {}, {}, {}, true});
    addField({QStringLiteral("kAfakod"), QStringLiteral("Kód"), {}, {}, {}, true});
    // The rate's classification in the invoice-data report (drop-downs on the screen).
    addField({QStringLiteral("kNavTipus"), QStringLiteral("NAV besorolás"), QStringLiteral("PERCENTAGE")});
    addField({QStringLiteral("kNavKod"), QStringLiteral("Esetkód")});
    addField({QStringLiteral("kNavIndok"), QStringLiteral("Indoklás"), {}, {}, {}, false, false,
              QStringLiteral("Mentesség vagy tárgyi hatályon kívüliség esetén a számlán is szereplő indok")});
}

bool VatEdit::fill()
{
    try {
        setModifyTitle(vat::kModifyMode);
        fillFromRow(m_list);
        return true;
    } catch (const Error& e) {
        showFailure(m_context.ui, QStringLiteral("Hiba a áfa módosítás Edit-ben való megjelenitésekor!"), &e);
        return false;
    }
}

void VatEdit::show()
{
    m_list.setSql({vat::kListSql});
    m_list.open();
    m_list.refresh();
    locateKey(m_list, QStringLiteral("kAfakod"), m_context.state.rememberedKey(vat::kTable));
}

std::vector<EditScreen::Check> VatEdit::checks() const
{
    return {{QStringLiteral("kAfanev"), QStringLiteral("Nincs megadva a megnevezés!")},
            {QStringLiteral("kAfa"), QStringLiteral("Nincs megadva az áfa!")}};
}

bool VatEdit::save()
{
    // A rate the authority refuses (or a tax on an exempt classification) is never stored.
    const QString problem = nav::vatRateProblem(field(QStringLiteral("kNavTipus")),
                                                field(QStringLiteral("kAfa")).trimmed().toInt());
    if (!problem.isEmpty()) {
        m_context.ui.message(problem);
        emit focusRequested(QStringLiteral("kAfa"));
        return false;
    }
    // A 0 % percentage is easily meant as an exemption: asked once, when the code becomes one.
    const auto isZeroRate = [](const QString& type, const QString& rate) {
        const QString t = type.trimmed();
        return (t.isEmpty() || t == u"PERCENTAGE") && !rate.trimmed().isEmpty() && rate.trimmed().toInt() == 0;
    };
    if (isZeroRate(field(QStringLiteral("kNavTipus")), field(QStringLiteral("kAfa")))
        && (isNew() || !isZeroRate(m_list.fieldText(QStringLiteral("kNavTipus")), m_list.fieldText(QStringLiteral("kAfa"))))
        && !m_context.ui.askYesNo(nav::zeroRateQuestion(field(QStringLiteral("kAfanev"))))) {
        emit focusRequested(QStringLiteral("kNavTipus"));
        return false;
    }
    SaveTexts texts{QStringLiteral("Hiba: Újban, INSERT-append a áfaban "),
                    QStringLiteral("Hiba: Újban, INSERT-edit az Áfaban "),
                    QStringLiteral("Hiba az append vagy edit közben a áfaban!")};
    texts.labels = labels();
    const ReadRecord read = readRecord(QStringLiteral("kID"));
    const bool saved = runSave(m_context.ui, m_list, m_aux, isNew(), {vat::kTable, QStringLiteral("kAfakod")}, texts,
                               [this](const QString& code) {
                                   using Kind = RecordColumn::Kind;
                                   // The reporting columns are optional; a blank type is a percentage.
                                   static const std::vector<RecordColumn> written = {
                                       {"kID"}, {"kAfakod"}, {"kAfanev"}, {"kAfa", Kind::Integer},
                                       {"kNavTipus"}, {"kNavKod", Kind::TextOrNull}, {"kNavIndok", Kind::TextOrNull}};
                                   const QString key = code.isEmpty() ? field(QStringLiteral("kAfakod")) : code;
                                   prepareRecordWrite(
                                       m_list, QStringLiteral("afa"), written,
                                       [&](const QString& column) {
                                           if (column == u"kAfakod")
                                               return key;
                                           const QString text = fieldOfColumn(column);
                                           if (column == u"kNavTipus")
                                               return text.trimmed().isEmpty() ? QStringLiteral("PERCENTAGE")
                                                                               : text.trimmed();
                                           return text;
                                       },
                                       isNew());
                                   m_list.execute();
                                   m_context.state.setRememberedKey(vat::kTable, key);
                               }, &read);
    if (!saved)
        return false;
    m_list.setSql({vat::kListSql});
    m_list.open();
    m_list.refresh();
    locateKey(m_list, QStringLiteral("kAfakod"), m_context.state.rememberedKey(vat::kTable));
    return true;
}

} // namespace orvena
