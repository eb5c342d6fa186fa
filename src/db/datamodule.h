#pragma once
// The data module: the one connection of the run and the named query objects the screens
// share (their roles in queryroles.h; ZTable1 ... ZTable6). A query keeps its last result and current row
// after the screen that ran it has closed, so a chooser's caller reads the chosen row from it.
#include "connection.h"
#include "query.h"

#include <QObject>
#include <map>
#include <memory>

namespace orvena {

class DataModule : public QObject {
    Q_OBJECT
public:
    explicit DataModule(QObject* parent = nullptr);
    ~DataModule() override;

    Connection& connection() { return m_connection; }
    // The query object of this id, created on first use.
    Query& query(const QString& id);

    // Connects with the profile and opens the six base tables (szlafej, szlasor, vevo, cikk,
    // sorszam, szallito) on ZTable1 ... ZTable6. Throws DbError on any failure.
    void connect(const ConnectionProfile& profile);
    void openBaseTables();
    bool isConnected() const { return m_connection.isOpen(); }

private:
    Connection m_connection;
    std::map<QString, std::unique_ptr<Query>> m_queries;
};

} // namespace orvena
