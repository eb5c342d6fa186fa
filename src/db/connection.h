#pragma once
// The one connection to the MariaDB server, over MariaDB Connector/C. Statements go out as
// latin2 bytes; results come back materialised in one buffer and are decoded per cell on demand.
#include "resultset.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

struct st_mysql;

namespace orvena {

struct ConnectionProfile {
    QString host = QStringLiteral("localhost");
    unsigned int port = 0; // the server's default
    QString socket;        // empty: the client library's default socket
    QString database = QStringLiteral("orvena2010");
    QString user = QStringLiteral("orvena2010");
    QString password;

    // The fixed profile, overridden by ORVENA_DB_HOST, _PORT, _SOCKET, _NAME, _USER, _PASSWORD.
    static ConnectionProfile fromEnvironment();
};

// The server runs with case-sensitive table names; the program's mixed-case statements would fail.
class ServerSetupError : public DbError {
public:
    using DbError::DbError;
};

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects, sets latin2 with Hungarian collation, strict SQL mode and autocommit.
    // Throws DbError, or ServerSetupError when lower_case_table_names is 0 and
    // requireCaseInsensitiveNames is set.
    void open(const ConnectionProfile& profile, bool requireCaseInsensitiveNames = true);
    void close();
    bool isOpen() const { return m_mysql != nullptr; }
    const ConnectionProfile& profile() const { return m_profile; }

    // Sends a statement; a result set, if any, is discarded.
    void execute(const QByteArray& sql);
    // Sends a statement and materialises its rows.
    std::shared_ptr<ResultSet> select(const QByteArray& sql);
    // Escapes latin2 bytes for use inside a quoted literal (honours NO_BACKSLASH_ESCAPES).
    QByteArray escape(const QByteArray& latin2) const;

    quint64 affectedRows() const { return m_affectedRows; }
    quint64 lastInsertId() const { return m_lastInsertId; }

    // Test seam: called with every statement before it is sent; throwing DbError makes the
    // statement fail as if the server had refused it.
    using StatementHook = std::function<void(const QByteArray& sql)>;
    void setStatementHook(StatementHook hook) { m_hook = std::move(hook); }

    st_mysql* handle() const { return m_mysql; }

private:
    void send(const QByteArray& sql);
    [[noreturn]] void fail() const;

    st_mysql* m_mysql = nullptr;
    ConnectionProfile m_profile;
    StatementHook m_hook;
    quint64 m_affectedRows = 0;
    quint64 m_lastInsertId = 0;
};

} // namespace orvena
