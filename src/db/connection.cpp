#include "connection.h"
#include "localserver.h"

#include "codepages.h"
#include "logging.h"
#include "sqlname.h"

#include <mysql.h>

#include <cctype>
#include <pwd.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace orvena {

QString ConnectionProfile::configFile()
{
    if (qEnvironmentVariableIsSet("ORVENA_CONFIG")) {
        const QString named = qEnvironmentVariable("ORVENA_CONFIG");
        return QFileInfo::exists(named) ? named : QString();
    }
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/orvena/orvena.conf");
    if (QFileInfo::exists(own))
        return own;
    const QString system = QStringLiteral("/etc/orvena/orvena.conf");
    return QFileInfo::exists(system) ? system : QString();
}

QString loginName()
{
    if (const passwd* pw = getpwuid(geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

bool isLocalServer(const ConnectionProfile& profile)
{
    return profile.host.isEmpty() || profile.host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}

ConnectionProfile ConnectionProfile::fromEnvironment()
{
    ConnectionProfile p;
    bool userNamed = false;
    if (const QString file = configFile(); !file.isEmpty()) {
        QSettings ini(file, QSettings::IniFormat);
        auto read = [&ini](const char* key, QString& target) {
            const QString k = QString::fromLatin1(key);
            if (ini.contains(k))
                target = ini.value(k).toString();
        };
        read("database/host", p.host);
        read("database/socket", p.socket);
        read("database/name", p.database);
        read("database/user", p.user);
        userNamed = ini.contains(QStringLiteral("database/user"));
        read("database/password", p.password);
        if (ini.contains(QStringLiteral("database/port")))
            p.port = ini.value(QStringLiteral("database/port")).toUInt();
        p.tls = ini.value(QStringLiteral("tls/enabled"), false).toBool();
        read("tls/ca", p.tlsCa);
        read("tls/cert", p.tlsCert);
        read("tls/key", p.tlsKey);
    }
    auto env = [](const char* name, QString& target) {
        if (qEnvironmentVariableIsSet(name))
            target = qEnvironmentVariable(name);
    };
    env("ORVENA_DB_HOST", p.host);
    env("ORVENA_DB_SOCKET", p.socket);
    env("ORVENA_DB_NAME", p.database);
    if (qEnvironmentVariableIsSet("ORVENA_DB_USER")) {
        // the file's password belongs to the file's account
        p.user = qEnvironmentVariable("ORVENA_DB_USER");
        p.password = qEnvironmentVariable("ORVENA_DB_PASSWORD");
        userNamed = true;
    }
    env("ORVENA_DB_PASSWORD", p.password);
    if (qEnvironmentVariableIsSet("ORVENA_DB_PORT"))
        p.port = qEnvironmentVariable("ORVENA_DB_PORT").toUInt();
    // Neither the file nor the environment names a user: this machine's server without a
    // password is reached as the desktop user, whose account logs in through the operating
    // system; any other as "orvena2010".
    if (!userNamed && p.password.isEmpty() && isLocalServer(p)) {
        const QString login = loginName();
        if (!login.isEmpty())
            p.user = login;
    }
    return p;
}

QStringList ConnectionProfile::describe() const
{
    const QString file = configFile();
    return {QStringLiteral("konfigurációs fájl = %1").arg(file.isEmpty() ? QStringLiteral("(nincs)") : file),
            QStringLiteral("host = %1").arg(host),
            QStringLiteral("port = %1").arg(port == 0 ? QStringLiteral("(alapértelmezett)") : QString::number(port)),
            QStringLiteral("socket = %1").arg(socket.isEmpty() ? QStringLiteral("(alapértelmezett)") : socket),
            QStringLiteral("adatbázis = %1").arg(database),
            QStringLiteral("felhasználó = %1").arg(user),
            QStringLiteral("jelszó = %1").arg(password.isEmpty() ? QStringLiteral("(nincs)") : QStringLiteral("********")),
            QStringLiteral("TLS = %1").arg(tls ? QStringLiteral("be") : QStringLiteral("ki")),
            QStringLiteral("TLS CA = %1").arg(tlsCa.isEmpty() ? QStringLiteral("(a rendszeré)") : tlsCa)};
}

Connection::Connection() = default;

Connection::~Connection()
{
    close();
}

void Connection::fail() const
{
    const unsigned int code = mysql_errno(m_mysql);
    throw DbError(decode(CodePage::Latin2, QByteArray(mysql_error(m_mysql))), code, statementOutline(m_lastStatement));
}

void Connection::open(const ConnectionProfile& profile, bool requireCaseInsensitiveNames)
{
    close();
    m_profile = profile;
    m_mysql = mysql_init(nullptr);
    if (!m_mysql)
        throw DbError(QStringLiteral("Nincs elég memória az adatbázis-kapcsolathoz."));
    mysql_options(m_mysql, MYSQL_SET_CHARSET_NAME, "latin2");
    const unsigned int timeout = 10;
    mysql_options(m_mysql, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    if (profile.tls) {
        // encrypted or nothing, and the server must prove who it is
        const my_bool on = 1;
        mysql_options(m_mysql, MYSQL_OPT_SSL_ENFORCE, &on);
        mysql_options(m_mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &on);
        const QByteArray ca = QFile::encodeName(profile.tlsCa);
        const QByteArray cert = QFile::encodeName(profile.tlsCert);
        const QByteArray key = QFile::encodeName(profile.tlsKey);
        if (!ca.isEmpty())
            mysql_options(m_mysql, MYSQL_OPT_SSL_CA, ca.constData());
        if (!cert.isEmpty())
            mysql_options(m_mysql, MYSQL_OPT_SSL_CERT, cert.constData());
        if (!key.isEmpty())
            mysql_options(m_mysql, MYSQL_OPT_SSL_KEY, key.constData());
    }

    const QByteArray host = profile.host.toUtf8();
    const QByteArray user = profile.user.toUtf8();
    const QByteArray password = profile.password.toUtf8();
    const QByteArray database = profile.database.toUtf8();
    const QByteArray socket = profile.socket.toUtf8();
    if (!mysql_real_connect(m_mysql, host.isEmpty() ? nullptr : host.constData(), user.constData(),
                            password.constData(), database.isEmpty() ? nullptr : database.constData(),
                            profile.port, socket.isEmpty() ? nullptr : socket.constData(), 0)) {
        const unsigned int code = mysql_errno(m_mysql);
        const QString text = decode(CodePage::Latin2, QByteArray(mysql_error(m_mysql)));
        mysql_close(m_mysql);
        m_mysql = nullptr;
        throw DbError(text, code);
    }
    try {
        execute("SET NAMES latin2 COLLATE latin2_hungarian_ci");
        execute("SET SESSION sql_mode = 'STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION'");
        execute("SET autocommit = 1");
        if (requireCaseInsensitiveNames) {
            const auto rows = select("SELECT @@lower_case_table_names");
            if (rows->rowCount() == 1 && rows->text(0, 0) == u"0")
                throw ServerSetupError(QStringLiteral(
                    "Az adatbázis-kiszolgáló megkülönbözteti a kis- és nagybetűs táblaneveket "
                    "(lower_case_table_names = 0).\n"
                    "A program vegyes írásmódú táblaneveket használ (például \"SzlaFej\"), ezért a "
                    "kiszolgálónak a lower_case_table_names = 1 beállítással kell futnia.\n"
                    "Az Orvena csomag ezt a /etc/mysql/mariadb.conf.d/60-orvena.cnf fájlban beállítja; ha a "
                    "kiszolgáló már a csomag telepítése előtt is futott, indítsa újra: "
                    "sudo systemctl restart mariadb"));
        }
    } catch (...) {
        close();
        throw;
    }
}

void Connection::close()
{
    if (m_mysql) {
        mysql_close(m_mysql);
        m_mysql = nullptr;
    }
    m_inTransaction = false;
}

bool Connection::isConnectionLost(unsigned int code)
{
    switch (code) {
    case 2002: // CR_CONNECTION_ERROR (socket)
    case 2003: // CR_CONN_HOST_ERROR
    case 2006: // CR_SERVER_GONE_ERROR
    case 2013: // CR_SERVER_LOST
    case 2055: // CR_SERVER_LOST_EXTENDED
    case 1053: // ER_SERVER_SHUTDOWN
    case 1927: // ER_CONNECTION_KILLED
    case 4031: // ER_CLIENT_INTERACTION_TIMEOUT
        return true;
    default:
        return false;
    }
}

namespace {

QByteArray firstWord(const QByteArray& sql)
{
    const QByteArray t = sql.trimmed();
    qsizetype end = 0;
    while (end < t.size() && (std::isalpha(static_cast<unsigned char>(t[end])) != 0))
        ++end;
    return t.left(end).toUpper();
}

// Statements that change nothing stored, so running them again on a new connection is harmless.
bool rerunnable(const QByteArray& sql)
{
    const QByteArray word = firstWord(sql);
    if (word == "SELECT")
        return !sql.toUpper().contains(" INTO ");
    return word == "SHOW" || word == "DESCRIBE" || word == "EXPLAIN" || word == "SET" || word == "START"
        || word == "BEGIN" || word == "USE";
}

} // namespace

void Connection::noteTransaction(const QByteArray& sql)
{
    const QByteArray word = firstWord(sql);
    if (word == "START" || word == "BEGIN")
        m_inTransaction = true;
    else if (word == "COMMIT" || word == "ROLLBACK")
        m_inTransaction = false;
}

void Connection::reconnect(const QString& reason)
{
    QString text = reason;
    for (;;) {
        if (!m_lostHandler || m_inLostHandler || m_unattended)
            throw ConnectionLostError(
                QStringLiteral("Megszakadt a kapcsolat az adatbázissal.\n%1").arg(text), 2006, m_inLostHandler);
        bool retry = false;
        m_inLostHandler = true;
        try {
            retry = m_lostHandler(text);
        } catch (...) {
            m_inLostHandler = false;
            throw;
        }
        m_inLostHandler = false;
        if (!retry)
            throw ConnectionLostError(
                QStringLiteral("Megszakadt a kapcsolat az adatbázissal; a művelet nem történt meg."), 2006, true);
        const std::map<QString, int> locks = m_locks;
        try {
            const ConnectionProfile profile = m_profile;
            open(profile);
        } catch (const ServerSetupError&) {
            throw;
        } catch (const DbError& e) {
            logFailure(lcDb(), e, QStringLiteral("reconnecting failed"));
            text = e.text();
            continue;
        }
        // The old session's named locks ended with it: take each of them again; those another
        // workstation took meanwhile are marked lost, so the screens working under them end.
        m_locks.clear();
        QStringList lost;
        for (const auto& [name, times] : locks) {
            if (tryLock(name)) {
                m_locks[name] = times;
            } else {
                m_lostLocks[name] = times;
                lost << name;
            }
        }
        if (!lost.isEmpty())
            throw ConnectionLostError(
                QStringLiteral("A kapcsolat helyreállt, de közben egy másik munkaállomás vette át a(z) \"%1\" "
                               "zárolást. A műveletet kérem, kezdje újra.")
                    .arg(lost.join(QStringLiteral("\", \""))),
                2006, false);
        return;
    }
}

void Connection::recover(const QByteArray& sql, const DbError& lost, bool sent)
{
    const bool wasInTransaction = m_inTransaction;
    logFailure(lcDb(), lost, QStringLiteral("connection lost"));
    reconnect(lost.text());
    if (firstWord(sql) == "ROLLBACK")
        return; // the server rolled the old session back itself; once more is harmless
    if (wasInTransaction)
        throw ConnectionLostError(QStringLiteral("Megszakadt a kapcsolat az adatbázissal. A kapcsolat helyreállt, "
                                                 "de a félbemaradt műveletet a kiszolgáló visszavonta; kérem, "
                                                 "ismételje meg."),
                                  lost.code(), false);
    if (sent && !rerunnable(sql))
        throw ConnectionLostError(QStringLiteral("Megszakadt a kapcsolat az adatbázissal, miközben a módosítás "
                                                 "úton volt. A kapcsolat helyreállt; kérem, nézze meg, hogy a "
                                                 "módosítás megtörtént-e, mielőtt megismétli."),
                                  lost.code(), false);
}

template<typename Fn>
auto Connection::guarded(const QByteArray& sql, Fn&& body) -> decltype(body())
{
    m_lastStatement = sql;
    for (;;) {
        bool sent = false; // whether the statement may have reached the server
        try {
            if (!m_mysql)
                send(sql); // fails as "no connection", recovered below
            // A change goes out only over a connection known to be alive: when the check finds it
            // dead, the change never reached the server and may be sent again after reconnecting.
            if (m_lostHandler && !rerunnable(sql) && mysql_ping(m_mysql) != 0)
                fail();
            sent = true;
            auto result = body();
            noteTransaction(sql);
            return result;
        } catch (const ConnectionLostError&) {
            throw;
        } catch (const DbError& e) {
            if (!m_lostHandler || !isConnectionLost(e.code()))
                throw;
            recover(sql, e, sent);
        }
    }
}

void Connection::send(const QByteArray& sql)
{
    if (!m_mysql)
        throw DbError(QStringLiteral("Nincs kapcsolat az adatbázissal."), 2006);
    m_lastStatement = sql;
    if (m_hook)
        m_hook(sql);
    if (mysql_real_query(m_mysql, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
        fail();
}

void Connection::execute(const QByteArray& sql)
{
    if (m_lostHandler && firstWord(sql) == "ROLLBACK" && (!m_mysql || mysql_ping(m_mysql) != 0)) {
        m_inTransaction = false; // a lost session's transaction is rolled back by the server
        return;
    }
    guarded(sql, [&] {
        send(sql);
        if (MYSQL_RES* res = mysql_store_result(m_mysql))
            mysql_free_result(res);
        else if (mysql_errno(m_mysql) != 0)
            fail();
        m_affectedRows = mysql_affected_rows(m_mysql);
        m_lastInsertId = mysql_insert_id(m_mysql);
        return 0;
    });
}

QByteArray Connection::lockName(const QString& name) const
{
    return quotedLiteral(*this, QStringLiteral("orvena:%1:%2").arg(m_profile.database, name).left(64));
}

bool Connection::tryLock(const QString& name, int waitSeconds)
{
    if (auto held = m_locks.find(name); held != m_locks.end()) {
        ++held->second;
        return true;
    }
    const auto rows = select("SELECT GET_LOCK(" + lockName(name) + ", " + QByteArray::number(waitSeconds) + ')');
    if (rows->rowCount() != 1 || rows->text(0, 0) != u"1")
        return false;
    m_locks[name] = 1;
    m_lostLocks.erase(name);
    return true;
}

bool Connection::ownsLockOnServer(const QString& name)
{
    const auto rows = select("SELECT IS_USED_LOCK(" + lockName(name) + ") = CONNECTION_ID()");
    return rows->rowCount() == 1 && rows->text(0, 0) == u"1";
}

void Connection::unlock(const QString& name)
{
    auto held = m_locks.find(name);
    if (held == m_locks.end()) {
        // a lost lock is no longer this session's: its holders only end their count
        if (auto lost = m_lostLocks.find(name); lost != m_lostLocks.end() && --lost->second <= 0)
            m_lostLocks.erase(lost);
        return;
    }
    if (--held->second > 0)
        return;
    m_locks.erase(held);
    try {
        execute("DO RELEASE_LOCK(" + lockName(name) + ")");
    } catch (const DbError&) { // a lost session has released it already
    }
}

namespace {

ColumnKind kindOf(const MYSQL_FIELD& field)
{
    switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        return ColumnKind::Integer;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return ColumnKind::Decimal;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return ColumnKind::Date;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return ColumnKind::DateTime;
    default:
        return ColumnKind::Text;
    }
}

} // namespace

std::shared_ptr<ResultSet> Connection::select(const QByteArray& sql)
{
    return guarded(sql, [&] { return selectOnce(sql); });
}

std::shared_ptr<ResultSet> Connection::selectOnce(const QByteArray& sql)
{
    send(sql);
    MYSQL_RES* res = mysql_use_result(m_mysql);
    auto result = std::make_shared<ResultSet>();
    if (!res) {
        if (mysql_errno(m_mysql) != 0)
            fail();
        m_affectedRows = mysql_affected_rows(m_mysql);
        return result; // a statement without rows: an empty result
    }
    const unsigned int columns = mysql_num_fields(res);
    MYSQL_FIELD* fields = mysql_fetch_fields(res);
    for (unsigned int c = 0; c < columns; ++c)
        result->addColumn(decode(CodePage::Latin2, QByteArray(fields[c].name)), kindOf(fields[c]));
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        const unsigned long* lengths = mysql_fetch_lengths(res);
        for (unsigned int c = 0; c < columns; ++c)
            result->appendCell(row[c], lengths[c]);
        result->finishRow();
        ++m_rowsRead;
    }
    const bool broken = mysql_errno(m_mysql) != 0;
    if (broken) {
        const unsigned int code = mysql_errno(m_mysql);
        const QString text = decode(CodePage::Latin2, QByteArray(mysql_error(m_mysql)));
        mysql_free_result(res);
        throw DbError(text, code, statementOutline(sql));
    }
    mysql_free_result(res);
    m_affectedRows = static_cast<quint64>(result->rowCount());
    return result;
}

QByteArray Connection::escape(const QByteArray& latin2) const
{
    if (!m_mysql && m_lostHandler)
        const_cast<Connection*>(this)->reconnect(QStringLiteral("Nincs kapcsolat az adatbázissal."));
    if (!m_mysql)
        throw DbError(QStringLiteral("Nincs kapcsolat az adatbázissal."), 2006);
    QByteArray out(latin2.size() * 2 + 1, Qt::Uninitialized);
    const unsigned long n = mysql_real_escape_string(m_mysql, out.data(), latin2.constData(),
                                                     static_cast<unsigned long>(latin2.size()));
    out.truncate(static_cast<qsizetype>(n));
    return out;
}

} // namespace orvena
