#include "connection.h"

#include "codepages.h"

#include <mysql.h>

#include <QByteArray>

namespace orvena {

ConnectionProfile ConnectionProfile::fromEnvironment()
{
    ConnectionProfile p;
    auto env = [](const char* name, QString& target) {
        if (qEnvironmentVariableIsSet(name))
            target = qEnvironmentVariable(name);
    };
    env("ORVENA_DB_HOST", p.host);
    env("ORVENA_DB_SOCKET", p.socket);
    env("ORVENA_DB_NAME", p.database);
    env("ORVENA_DB_USER", p.user);
    env("ORVENA_DB_PASSWORD", p.password);
    if (qEnvironmentVariableIsSet("ORVENA_DB_PORT"))
        p.port = qEnvironmentVariable("ORVENA_DB_PORT").toUInt();
    return p;
}

Connection::Connection() = default;

Connection::~Connection()
{
    close();
}

void Connection::fail() const
{
    const unsigned int code = mysql_errno(m_mysql);
    throw DbError(decode(CodePage::Latin2, QByteArray(mysql_error(m_mysql))), code);
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
                    "kiszolgálót a lower_case_table_names = 1 beállítással kell létrehozni és indítani."));
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
}

void Connection::send(const QByteArray& sql)
{
    if (!m_mysql)
        throw DbError(QStringLiteral("Nincs kapcsolat az adatbázissal."));
    if (m_hook)
        m_hook(sql);
    if (mysql_real_query(m_mysql, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
        fail();
}

void Connection::execute(const QByteArray& sql)
{
    send(sql);
    if (MYSQL_RES* res = mysql_store_result(m_mysql))
        mysql_free_result(res);
    else if (mysql_errno(m_mysql) != 0)
        fail();
    m_affectedRows = mysql_affected_rows(m_mysql);
    m_lastInsertId = mysql_insert_id(m_mysql);
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
    }
    const bool broken = mysql_errno(m_mysql) != 0;
    if (broken) {
        const unsigned int code = mysql_errno(m_mysql);
        const QString text = decode(CodePage::Latin2, QByteArray(mysql_error(m_mysql)));
        mysql_free_result(res);
        throw DbError(text, code);
    }
    mysql_free_result(res);
    m_affectedRows = static_cast<quint64>(result->rowCount());
    return result;
}

QByteArray Connection::escape(const QByteArray& latin2) const
{
    if (!m_mysql)
        throw DbError(QStringLiteral("Nincs kapcsolat az adatbázissal."));
    QByteArray out(latin2.size() * 2 + 1, Qt::Uninitialized);
    const unsigned long n = mysql_real_escape_string(m_mysql, out.data(), latin2.constData(),
                                                     static_cast<unsigned long>(latin2.size()));
    out.truncate(static_cast<qsizetype>(n));
    return out;
}

} // namespace orvena
