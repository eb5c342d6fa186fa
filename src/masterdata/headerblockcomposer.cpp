#include "headerblockcomposer.h"

#include "db/errors.h"
#include "db/memotext.h"
#include "screens/common/chainfailure.h"
#include "db/queryroles.h"

namespace orvena {

const HeaderBlockComposer::Traits& HeaderBlockComposer::traits(Party party)
{
    static const Traits customer{
        QStringLiteral("Vevő cimke összeállítása"),
        QStringLiteral("Vevö cimke összeállítás"),
        role::kCustomerList,
        {QStringLiteral("vneve"), QStringLiteral("virszam"), QStringLiteral("vhely"), QStringLiteral("vutca"),
         QStringLiteral("vTel"), QStringLiteral("vemail"), QStringLiteral("vAdo"), QStringLiteral("vKado"),
         QStringLiteral("vBanknev"), QStringLiteral("vBankszla"), QStringLiteral("vIBAN"), QStringLiteral("vSwift"),
         QStringLiteral("vuzen"), QStringLiteral("vID"), QStringLiteral("vKod"), QStringLiteral("vSzam")},
        QStringLiteral("vMemoVevo"),
        QStringLiteral("vKod"),
        QStringLiteral("UPDATE vevo SET vMemoVevo = :p1 WHERE vKod = :p0"),
        QStringLiteral("Hiba a vevö cimke ListBox-ban való megjelenitésekor!"),
        QStringLiteral("Hiba a vevö cimke memo -ba Update -kor!"),
    };
    static const Traits issuer{
        QStringLiteral("Szállító (kibocsátó) cimke összeállítása"),
        QStringLiteral("Szállító cimke összeállítás"),
        role::kIssuerList,
        {QStringLiteral("znev1"), QStringLiteral("znev2"), QStringLiteral("zirszam"), QStringLiteral("zhely"),
         QStringLiteral("zutca"), QStringLiteral("zTel"), QStringLiteral("zemail"), QStringLiteral("zAdo"),
         QStringLiteral("zKado"), QStringLiteral("zBanknev"), QStringLiteral("zBankszla"), QStringLiteral("zBanknev2"),
         QStringLiteral("zBankszla2"), QStringLiteral("zIBAN"), QStringLiteral("zSwift"), QStringLiteral("zID"),
         QStringLiteral("zKod"), QStringLiteral("zSzam"), QStringLiteral("zKiallito"), QStringLiteral("zFax")},
        QStringLiteral("zMemoSzall"),
        QStringLiteral("zKod"),
        QStringLiteral("UPDATE szallito SET zMemoSzall = :p1 WHERE zKod = :p0"),
        QStringLiteral("Hiba a szállító cimke ListBox-ban való megjelenitésekor!"),
        QStringLiteral("Hiba a szallitó cimke memo -ba Update -kor!"),
    };
    return party == Party::Customer ? customer : issuer;
}

HeaderBlockComposer::HeaderBlockComposer(ScreenContext& context, Party party, const ScreenRequest& request)
    : m_context(context), m_party(party), m_draft(request.draft), m_title(traits(party).designedTitle)
{
}

bool HeaderBlockComposer::fill()
{
    const Traits& t = traits();
    if (m_draft) {
        // a record not stored yet: its own values, nothing from the list
        m_fields = m_draft->fields;
        m_block = blockFromDatabase(m_draft->block);
        m_ticks.clear();
        m_title = t.filledTitle;
        return true;
    }
    try {
        const Query& list = m_context.data.query(t.listQuery);
        QStringList fields;
        for (const QString& column : t.fieldColumns)
            fields << list.fieldText(column);
        const QString block = blockFromDatabase(list.fieldText(t.blockColumn));
        m_fields = fields;
        m_block = block;
        m_ticks.clear();
        m_title = t.filledTitle;
        return true;
    } catch (const Error& e) {
        showFailure(m_context.ui, t.fillFailure, &e);
        return false;
    }
}

void HeaderBlockComposer::setTicked(int index, bool ticked)
{
    if (index >= 0 && index < static_cast<int>(m_ticks.size()))
        m_ticks[static_cast<size_t>(index)].ticked = ticked;
}

bool HeaderBlockComposer::fieldListHolds(const QString& text) const
{
    for (const QString& f : m_fields)
        if (sameEntry(f, text))
            return true;
    return false;
}

bool HeaderBlockComposer::tickListHolds(const QString& text) const
{
    for (const Entry& e : m_ticks)
        if (sameEntry(e.text, text))
            return true;
    return false;
}

bool HeaderBlockComposer::accepts(Place from, Place to) const
{
    if (from != Place::NewLine)
        return true;
    if (to == Place::FieldList)
        return !fieldListHolds(m_newLine);
    if (to == Place::TickList)
        return !tickListHolds(m_newLine);
    return false;
}

bool HeaderBlockComposer::drop(Place from, Place to, int selectedField)
{
    if (from == to || to == Place::NewLine)
        return false;
    if (from == Place::NewLine) {
        if (!accepts(from, to))
            return false;
        if (to == Place::FieldList)
            m_fields << m_newLine;
        else
            m_ticks.push_back({m_newLine, false});
        return true;
    }
    if (from == Place::FieldList) { // to the tick list
        if (selectedField < 0 || selectedField >= m_fields.size())
            return false;
        const QString text = m_fields.at(selectedField);
        if (tickListHolds(text))
            return false;
        m_ticks.push_back({text, false});
        m_fields.removeAt(selectedField);
        return true;
    }
    // from the tick list to the field list: every ticked entry, last to first
    bool changed = false;
    for (int i = static_cast<int>(m_ticks.size()) - 1; i >= 0; --i) {
        const Entry entry = m_ticks[static_cast<size_t>(i)];
        if (!entry.ticked || fieldListHolds(entry.text))
            continue;
        m_fields << entry.text;
        m_ticks.erase(m_ticks.begin() + i);
        changed = true;
    }
    return changed;
}

QString HeaderBlockComposer::appendLine(const QString& block, const QString& line)
{
    return block.isEmpty() ? line : block + u'\n' + line;
}

void HeaderBlockComposer::transfer()
{
    if (m_oneLine) {
        QString joined;
        for (const Entry& e : m_ticks)
            if (e.ticked)
                joined += u' ' + e.text;
        m_block = appendLine(m_block, joined);
        return;
    }
    for (const Entry& e : m_ticks)
        if (e.ticked)
            m_block = appendLine(m_block, e.text);
}

bool HeaderBlockComposer::ok()
{
    const Traits& t = traits();
    if (m_draft) {
        m_draft->block = blockToDatabase(m_block);
        m_draft->composed = true;
        return true; // the edit screen stores it with the record
    }
    Query& list = m_context.data.query(t.listQuery);
    try {
        const QString code = list.fieldText(t.codeColumn);
        Query aux(m_context.data.connection(), QStringLiteral("blockUpdate"));
        aux.setSql({t.updateSql});
        aux.setText(QStringLiteral("p1"), blockToDatabase(m_block));
        aux.setText(QStringLiteral("p0"), code);
        aux.execute();
    } catch (const Error& e) {
        showFailure(m_context.ui, t.updateFailure, &e);
        return false;
    }
    list.refresh();
    return true;
}

} // namespace orvena
