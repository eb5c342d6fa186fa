#pragma once
// The one connection to the MariaDB server, over MariaDB Connector/C. Statements go out as
// latin2 bytes; results come back materialised in one buffer and are decoded per cell on demand.
#include "resultset.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <utility>
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
    // TLS: when on, the connection is refused unless it is encrypted and the server's certificate
    // verifies against tlsCa (or the system's authorities when tlsCa is empty).
    bool tls = false;
    QString tlsCa;
    QString tlsCert; // client certificate and key, when the server asks for one
    QString tlsKey;

    // The fixed profile, overridden by the configuration file (configFile()) and then by
    // ORVENA_DB_HOST, _PORT, _SOCKET, _NAME, _USER, _PASSWORD. A user named by the environment
    // comes with the environment's password (empty when none is set), never the file's.
    static ConnectionProfile fromEnvironment();
    // The configuration file read: ORVENA_CONFIG when set, else ~/.config/orvena/orvena.conf,
    // else /etc/orvena/orvena.conf; empty when none exists.
    static QString configFile();
    // The profile, one "key = value" per line, password masked.
    QStringList describe() const;
};

// The connection to the server was lost and not restored (the operator chose not to retry, or a
// statement could not safely be repeated). Its text is Hungarian; reported() tells that the
// operator has already been told, so no second box repeats it.
class ConnectionLostError : public DbError {
public:
    ConnectionLostError(const QString& text, unsigned int code, bool reported)
        : DbError(text, code), m_reported(reported)
    {
    }
    bool reported() const { return m_reported; }

private:
    bool m_reported;
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
    // Rows received from the server by select() since the connection object was made: what a
    // screen really read, for tests and benchmarks.
    quint64 rowsRead() const { return m_rowsRead; }

    st_mysql* handle() const { return m_mysql; }

    // Asked when the connection to the server is lost, with the client library's text; true means
    // "Újra": reconnect with the same profile and session settings. Without a handler a lost
    // connection fails the statement at once.
    using LostHandler = std::function<bool(const QString& serverText)>;
    void setLostHandler(LostHandler handler) { m_lostHandler = std::move(handler); }
    // While unattended, a lost connection fails the statement at once and nobody is asked: for
    // the reads a grid makes while it paints, where a modal box must not open. The next thing
    // the operator does finds the connection gone and asks then.
    bool setUnattended(bool unattended) { return std::exchange(m_unattended, unattended); }
    // Client error codes that mean the connection itself is gone.
    static bool isConnectionLost(unsigned int code);
    // Inside START TRANSACTION ... COMMIT/ROLLBACK sent over this connection.
    bool inTransaction() const { return m_inTransaction; }

    // Server-side named locks (GET_LOCK): they end with the session, so a crashed workstation
    // leaves none behind. Names are prefixed with the database name. tryLock waits at most
    // waitSeconds; false: another session holds it. Taking a held lock again counts, and it is
    // released by the last unlock. Held locks are taken again after a reconnect.
    bool tryLock(const QString& name, int waitSeconds = 0);
    void unlock(const QString& name);
    // Whether this connection took the lock and still counts it as held (no server round trip).
    bool holdsLock(const QString& name) const { return m_locks.count(name) != 0; }
    // A lock this connection held until a reconnect found it taken by another session: the
    // screens that worked under it must end. Taking the lock again clears the mark.
    bool lostLock(const QString& name) const { return m_lostLocks.count(name) != 0; }
    // Asks the server whether this very session holds the lock now, for a check inside a
    // transaction just before a write (another session may have taken it after an outage).
    bool ownsLockOnServer(const QString& name);

private:
    void send(const QByteArray& sql);
    std::shared_ptr<ResultSet> selectOnce(const QByteArray& sql);
    [[noreturn]] void fail() const;
    // Runs one statement; a lost connection goes through recover(), which either returns (the
    // statement is to run again on the new connection) or throws.
    template<typename Fn>
    auto guarded(const QByteArray& sql, Fn&& body) -> decltype(body());
    void recover(const QByteArray& sql, const DbError& lost, bool sent);
    void reconnect(const QString& reason);
    void noteTransaction(const QByteArray& sql);
    QByteArray lockName(const QString& name) const;

    st_mysql* m_mysql = nullptr;
    ConnectionProfile m_profile;
    StatementHook m_hook;
    quint64 m_rowsRead = 0;
    quint64 m_affectedRows = 0;
    quint64 m_lastInsertId = 0;
    LostHandler m_lostHandler;
    bool m_inLostHandler = false;
    bool m_unattended = false;
    bool m_inTransaction = false;
    QByteArray m_lastStatement; // the statement being sent, for the outline a failure carries
    std::map<QString, int> m_locks; // name -> times taken in this scope chain
    std::map<QString, int> m_lostLocks; // held before a reconnect, taken by another session since
};

// A named lock held for one scope (see Connection::tryLock).
class NamedLock {
public:
    NamedLock(Connection& connection, const QString& name, int waitSeconds = 0)
        : m_connection(connection), m_name(name), m_held(connection.tryLock(name, waitSeconds))
    {
    }
    ~NamedLock()
    {
        if (m_held)
            m_connection.unlock(m_name);
    }
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;
    bool held() const { return m_held; }

private:
    Connection& m_connection;
    QString m_name;
    bool m_held;
};

} // namespace orvena
