#include "tablemaintenance.h"

#include <array>

namespace orvena {

namespace {

// The two access codes of the maintenance screen; kept here and nowhere else.
const std::array<QString, 2>& accessCodes()
{
    static const std::array<QString, 2> codes{QStringLiteral("520061010"), QStringLiteral("Ovn")};
    return codes;
}

} // namespace

const std::vector<TableMaintenance::Tab>& TableMaintenance::tabs()
{
    static const std::vector<Tab> all{
        {QStringLiteral("Szlafej"), QStringLiteral("szlafej"), QStringLiteral("ZTable1"), true},
        {QStringLiteral("Szlasor"), QStringLiteral("szlasor"), QStringLiteral("ZTable2"), true},
        {QStringLiteral("Vevő"), QStringLiteral("vevo"), QStringLiteral("ZTable3"), true},
        {QStringLiteral("Cikk"), QStringLiteral("cikk"), QStringLiteral("ZTable4"), true},
        {QStringLiteral("Sorszám"), QStringLiteral("sorszam"), QStringLiteral("ZTable5"), true},
        {QStringLiteral("Szállító"), QStringLiteral("szallito"), QStringLiteral("ZTable6"), true},
        {QStringLiteral("Mezőnév"), QStringLiteral("mezonev"), QStringLiteral("ZTable7"), true},
        {QStringLiteral("Áfa"), QStringLiteral("afa"), QStringLiteral("ZTable9"), false},
        {QStringLiteral("Szlevfej"), QStringLiteral("szlevfej"), QStringLiteral("ZTable10"), false},
        {QStringLiteral("Szlevsor"), QStringLiteral("szlevsor"), QStringLiteral("ZTable11"), false},
        {QStringLiteral("Munkafej"), QStringLiteral("munkafej"), QStringLiteral("ZTable12"), false},
        {QStringLiteral("Munkasor"), QStringLiteral("munkasor"), QStringLiteral("ZTable13"), false},
        {QStringLiteral("Cikk"), QStringLiteral("termek"), QStringLiteral("ZTable14"), false},
    };
    return all;
}

bool TableMaintenance::isAccessCode(const QString& typed)
{
    for (const QString& code : accessCodes())
        if (typed == code)
            return true;
    return false;
}

TableMaintenance::TableMaintenance(ScreenContext& context, QObject* parent) : QObject(parent), m_context(context)
{
    for (const Tab& tab : tabs())
        m_tables.push_back(new TableEditModel(context.data.query(tab.queryId), tab.table, this));
}

void TableMaintenance::show()
{
    for (TableEditModel* table : m_tables)
        table->close();
}

bool TableMaintenance::enterCode(const QString& typed)
{
    if (!isAccessCode(typed))
        return false;
    m_unlocked = true;
    openAll(false);
    return true;
}

void TableMaintenance::unlockAll()
{
    if (!m_unlocked)
        return;
    openAll(true);
}

void TableMaintenance::openAll(bool allWritable)
{
    for (TableEditModel* table : m_tables)
        table->close();
    const auto& all = tabs();
    for (size_t i = 0; i < m_tables.size(); ++i)
        m_tables[i]->open(allWritable || all[i].writableWithCode);
    emit tablesReopened();
}

} // namespace orvena
