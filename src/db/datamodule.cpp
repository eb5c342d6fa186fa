#include "datamodule.h"

#include "queryroles.h"
#include "sqlname.h"

#include <QStringList>

namespace orvena {

DataModule::DataModule(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("TData"));
}

DataModule::~DataModule()
{
    m_queries.clear(); // before the connection they refer to
}

Query& DataModule::query(const QString& id)
{
    auto& slot = m_queries[id];
    if (!slot) {
        slot = std::make_unique<Query>(m_connection, id);
        // The registers' and the large master lists' queries: their whole-table lists are read
        // in pages, so opening and re-reading them costs what the screen shows.
        static const QStringList pageable{role::kInvoiceList, role::kNoteList, role::kCustomerList,
                                          role::kArticleList};
        slot->setPageable(pageable.contains(id));
    }
    return *slot;
}

void DataModule::connect(const ConnectionProfile& profile)
{
    m_connection.open(profile);
    openBaseTables();
}

void DataModule::openBaseTables()
{
    // The base tables are only checked for readability here; their rows are read by the
    // screens that show them, so start-up stays fast over a large database.
    static const char* const tables[] = {"szlafej", "szlasor", "vevo", "cikk", "sorszam", "szallito"};
    int n = 1;
    for (const char* table : tables) {
        Query& q = query(QStringLiteral("ZTable%1").arg(n++));
        q.setSql({QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(quotedName(QLatin1String(table)))});
        q.open();
    }
}

} // namespace orvena
