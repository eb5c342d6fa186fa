#include "articles.h"
#include "db/queryroles.h"

#include "db/conversions.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/savedelete.h"
#include "vatrates.h"

namespace orvena {

ListSpec ArticleList::makeSpec()
{
    ListSpec s;
    s.table = article::kTable;
    s.listQuery = role::kArticleList;
    s.createSql = article::kListSql;
    s.showSql = article::kListSql;
    s.showLocateColumn = QStringLiteral("cmegn");
    s.caption = QStringLiteral("Cikk lista, megnevezés szerint  (Rendezéshez klikk a \"Kód\" \"Cikkszám\" \" Megnevezés\" "
                               "oszlop fejlécre)");
    s.columns = {{QStringLiteral("cKod"), QStringLiteral("Kód")},
                 {QStringLiteral("cSzam"), QStringLiteral("Cikkszám")},
                 {QStringLiteral("cMegn"), QStringLiteral("Megnevezés")},
                 {QStringLiteral("cVtsz"), QStringLiteral("Vtsz/Szj")},
                 {QStringLiteral("cMe"), QStringLiteral("Menny.egysége")},
                 {QStringLiteral("cEar"), QStringLiteral("E.ára")},
                 {QStringLiteral("cPnem"), QStringLiteral("Pénznem")},
                 {QStringLiteral("cAfakod"), QStringLiteral("Áfakód")},
                 {QStringLiteral("cAfanev"), QStringLiteral("Áfa név")},
                 {QStringLiteral("cAfa"), QStringLiteral("Áfa %")},
                 {QStringLiteral("cGolaj"), QStringLiteral("Golaj")},
                 {QStringLiteral("cID"), QStringLiteral("ID")}};
    s.sorts = {{QStringLiteral("cKod"), QStringLiteral("SELECT * FROM cikk ORDER BY cKod"),
                QStringLiteral("Cikk lista, kód szerint")},
               {QStringLiteral("cSzam"), QStringLiteral("SELECT * FROM cikk ORDER BY cszam"),
                QStringLiteral("Cikk lista, cikkszám szerint")},
               {QStringLiteral("cMegn"), QStringLiteral("SELECT * FROM cikk ORDER BY cmegn"),
                QStringLiteral("Cikk lista, megnevezés szerint")},
               {QStringLiteral("cVtsz"), QStringLiteral("SELECT * FROM cikk ORDER BY cVtsz"),
                QStringLiteral("Cikk lista, Vtsz szerint")},
               {QStringLiteral("cEar"), QStringLiteral("SELECT * FROM cikk ORDER BY cEar"),
                QStringLiteral("Cikk lista, egységár szerint")}};
    s.editScreen = Screen::ArticleEdit;
    s.modifyKeyColumn = QStringLiteral("cKod");
    s.remove = {QStringLiteral("DELETE FROM cikk WHERE cID = :p1"), QStringLiteral("cID"),
                QStringLiteral("A cikk sor törlölve!"), QStringLiteral("Hiba: Cikk DELETE törlésekor")};
    return s;
}

ArticleList::ArticleList(ScreenContext& context, QObject* parent) : ListScreen(context, makeSpec(), parent) {}

void ArticleList::uncovered()
{
    runAction(context().ui, [this] {
        Query& q = query();
        const QString current = q.isOpen() ? q.fieldText(QStringLiteral("cID")) : QString();
        runList(def().showSql);
        if (!q.locate(QStringLiteral("cmegn"), context().state.rememberedKey(article::kTable)) && !current.isEmpty())
            q.locate(QStringLiteral("cID"), current);
    });
}

ArticleEdit::ArticleEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : EditScreen(context, request, article::kTable, QStringLiteral("Cikk bevitel"), parent),
      m_list(context.data.query(role::kArticleList)),
      m_aux(context.data.connection(), QStringLiteral("articlesAux")),
      m_vat(context.data.query(role::kVatList))
{
    addField({QStringLiteral("cSzam"), QStringLiteral("Cikkszám"), {}, CharFilter::digits()});
    addField({QStringLiteral("cMegn"), QStringLiteral("Megnevezés")});
    addField({QStringLiteral("cVtsz"), QStringLiteral("VTSZ/SZJ")});
    addField({QStringLiteral("cMe"), QStringLiteral("M.egység"), QStringLiteral("db"), {},
              Toggle{QStringLiteral("kg"), QStringLiteral("db"), QStringLiteral("kg")}, false, false,
              QStringLiteral("Klikkre \"kg\" / \"db\" váltás")});
    addField({QStringLiteral("cEar"), QStringLiteral("Egységár"), QStringLiteral("0"), CharFilter::amount()});
    addField({QStringLiteral("cPnem"), QStringLiteral("Pénznem"), QStringLiteral("Ft"), {},
              Toggle{QStringLiteral("Ft"), QStringLiteral("HUF"), QStringLiteral("Ft")}, false, false,
              QStringLiteral("Klikkre \"Ft\" / \"HUF\" váltás")});
    addField({QStringLiteral("cAfa"), QStringLiteral("ÁFA %"), article::kDefaultVat, {}, {}, true});
    addField({QStringLiteral("cAfanev"), QStringLiteral("Áfa név"), {}, {}, {}, true});
    addField({QStringLiteral("cAfakod"), QStringLiteral("Áfa kód"), {}, {}, {}, true});
    addField({QStringLiteral("cKod"), QStringLiteral("Kód"), {}, {}, {}, true});
    addField({QStringLiteral("cID"), QStringLiteral("ID"), {}, {}, {}, true});
    addField({QStringLiteral("cGolaj"), QStringLiteral("Gázolaj"), QStringLiteral("0")});
}

bool ArticleEdit::fill()
{
    try {
        setModifyTitle(article::kModifyMode);
        fillFromRow(m_list);
        // An article taken over by the import has no gas-oil figure; it counts as 0, since the
        // operator has no field to correct it in.
        if (isBlank(field(QStringLiteral("cGolaj"))))
            setField(QStringLiteral("cGolaj"), QStringLiteral("0"));
        return true;
    } catch (const Error& e) {
        showFailure(m_context.ui, QStringLiteral("Hiba a cikk módosítás Edit-ben való megjelenitésekor!"), &e);
        return false;
    }
}

void ArticleEdit::show()
{
    if (isNew()) {
        const QString code = proposedCode(m_aux, {article::kTable, QStringLiteral("cKod")});
        setField(QStringLiteral("cKod"), code);
        setField(QStringLiteral("cSzam"), code);
    } else if (m_list.isOpen()) {
        locateKey(m_list, QStringLiteral("cKod"), m_context.state.rememberedKey(article::kTable));
    }
    m_vat.setSql({vat::kListSql});
    m_vat.open();
    m_context.state.setRememberedKey(vat::kTable, field(QStringLiteral("cAfa")));
    // An article keeps its own VAT code (codes share rates); the rate finds the row only for a
    // new article or one whose code is gone.
    const QString code = field(QStringLiteral("cAfakod")).trimmed();
    if (code.isEmpty() || !m_vat.locate(QStringLiteral("kAfakod"), code, Query::Match::Exact))
        m_vat.locate(QStringLiteral("kAfa"), field(QStringLiteral("cAfa")));
    takeVatRow(false);
}

void ArticleEdit::takeVatRow(bool withPercentage)
{
    if (withPercentage)
        setField(QStringLiteral("cAfa"), m_vat.fieldText(QStringLiteral("kAfa")));
    setField(QStringLiteral("cAfanev"), m_vat.fieldText(QStringLiteral("kAfanev")));
    setField(QStringLiteral("cAfakod"), m_vat.fieldText(QStringLiteral("kAfakod")));
}

void ArticleEdit::chooseVat()
{
    runAction(m_context.ui, [this] {
        if (!openChooser(m_context.opener, Screen::VatList))
            return;
        if (m_vat.isOpen())
            takeVatRow(true);
    });
}

std::vector<EditScreen::Check> ArticleEdit::checks() const
{
    return {{QStringLiteral("cMegn"), QStringLiteral("Nincs megadva a megnevezés!")},
            {QStringLiteral("cEar"), QStringLiteral("Nincs megadva az egységár vagy nulla!")},
            {QStringLiteral("cPnem"), QStringLiteral("Nincs megadva pénznem!")},
            {QStringLiteral("cAfa"), QStringLiteral("Nincs megadva az ÁFA %!")},
            {QStringLiteral("cGolaj"), QStringLiteral("Nincs megadva a gázolaj vagy nulla!")}};
}

bool ArticleEdit::save()
{
    SaveTexts texts{QStringLiteral("Hiba: Újban, INSERT-append a cikkben "),
                    QStringLiteral("Hiba: Újban, INSERT-edit a cikkben"),
                    QStringLiteral("Hiba az append vagy edit közben a cikkben!")};
    texts.labels = labels();
    using Kind = RecordColumn::Kind;
    // The columns the screen writes, identity first; price, VAT rate and diesel figure are decimal.
    static const std::vector<RecordColumn> written = {
        {"cID"},   {"cKod"},   {"cSzam"},  {"cMegn"},  {"cVtsz"},  {"cMe"},
        {"cEar", Kind::Decimal}, {"cPnem"}, {"cAfa", Kind::Decimal}, {"cGolaj", Kind::Decimal},
        {"cAfakod"}, {"cAfanev"}};
    const ReadRecord read = readRecord(QStringLiteral("cID"));
    const bool saved =
        runSave(m_context.ui, m_list, m_aux, isNew(), {article::kTable, QStringLiteral("cKod")}, texts,
                [&](const QString& code) {
                    prepareRecordWrite(
                        m_list, QStringLiteral("cikk"), written,
                        [&](const QString& column) {
                            return column == u"cKod" && !code.isEmpty() ? code : fieldOfColumn(column);
                        },
                        isNew());
                    m_list.execute();
                    m_context.state.setRememberedKey(article::kTable, field(QStringLiteral("cSzam")));
                }, &read);
    if (!saved)
        return false;
    m_list.setSql({article::kListSql});
    m_list.open();
    m_list.refresh();
    m_list.locate(QStringLiteral("cSzam"), m_context.state.rememberedKey(article::kTable));
    return true;
}

} // namespace orvena
