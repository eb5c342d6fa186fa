#include "query.h"

#include "codepages.h"
#include "conversions.h"

#include <QLocale>
#include <cmath>

namespace orvena {

namespace {

QString paramName(const QString& name)
{
    return name.startsWith(u':') ? name.mid(1).toLower() : name.toLower();
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

} // namespace

Query::Query(Connection& connection, const QString& id, QObject* parent) : QObject(parent), m_connection(connection)
{
    setObjectName(id);
}

void Query::close()
{
    if (m_result) {
        emit rowsAboutToBeReplaced();
        m_result.reset();
        m_current = -1;
        m_openedStatement.clear();
        emit rowsReplaced();
        emit currentRowChanged(m_current);
    }
}

void Query::clearText()
{
    m_lines.clear();
    m_params.clear();
}

void Query::addLine(const QString& line)
{
    m_lines.append(line);
}

void Query::setSql(const QStringList& lines)
{
    close();
    clearText();
    m_lines = lines;
}

void Query::bind(const QString& name, Value value)
{
    m_params.insert(paramName(name), std::move(value));
}

void Query::setText(const QString& name, const QString& value)
{
    bind(name, value);
}

void Query::setInteger(const QString& name, qint64 value)
{
    bind(name, value);
}

void Query::setInteger(const QString& name, const QString& text)
{
    bind(name, static_cast<qint64>(parseInt32(text)));
}

void Query::setFloat(const QString& name, double value)
{
    if (!std::isfinite(value))
        throw ConversionError(QStringLiteral("A(z) %1 érték nem szám.").arg(value));
    bind(name, value);
}

void Query::setFloat(const QString& name, const QString& text)
{
    bind(name, Decimal{decimalLiteral(text)});
}

void Query::setNull(const QString& name)
{
    bind(name, Null{});
}

void Query::setIdentity(const QString& name, const QString& text)
{
    if (text.trimmed().isEmpty())
        setNull(name);
    else
        bind(name, parseInt64(text));
}

QByteArray Query::boundStatement() const
{
    const QString sql = sqlText();
    QByteArray out;
    out.reserve(sql.size() + 64);
    qsizetype plainStart = 0;
    QChar quote;
    auto flushPlain = [&](qsizetype end) {
        out += encode(CodePage::Latin2, sql.mid(plainStart, end - plainStart));
    };
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == u'\\' && quote != u'`')
                ++i; // an escaped character inside a literal
            else if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'`') {
            quote = c;
            continue;
        }
        if (c != u':' || i + 2 >= sql.size() || (sql[i + 1] != u'p' && sql[i + 1] != u'P')
            || !sql[i + 2].isDigit())
            continue;
        if (i > 0 && isNameChar(sql[i - 1]))
            continue;
        qsizetype end = i + 2;
        while (end < sql.size() && sql[end].isDigit())
            ++end;
        if (end < sql.size() && isNameChar(sql[end]))
            continue; // ":p1x" is not a marker
        const QString name = sql.mid(i + 1, end - i - 1).toLower();
        const auto it = m_params.constFind(name);
        if (it == m_params.constEnd())
            throw DbError(QStringLiteral("A(z) :%1 paraméter értéke nincs megadva.").arg(name));
        flushPlain(i);
        const Value& v = it.value();
        if (std::holds_alternative<Null>(v)) {
            out += "NULL";
        } else if (const auto* s = std::get_if<QString>(&v)) {
            out += '\'';
            out += m_connection.escape(encode(CodePage::Latin2, *s));
            out += '\'';
        } else if (const auto* n = std::get_if<qint64>(&v)) {
            out += QByteArray::number(*n);
        } else if (const auto* d = std::get_if<Decimal>(&v)) {
            out += d->literal;
        } else {
            // the shortest text that reads back as the same double: no digit is lost
            out += QLocale::c().toString(std::get<double>(v), 'g', QLocale::FloatingPointShortest).toLatin1();
        }
        plainStart = end;
        i = end - 1;
    }
    flushPlain(sql.size());
    return out;
}

void Query::execute()
{
    close();
    const QByteArray statement = boundStatement();
    m_connection.execute(statement);
    m_affectedRows = m_connection.affectedRows();
    m_lastInsertId = m_connection.lastInsertId();
}

void Query::replaceResult(std::shared_ptr<ResultSet> result, int current)
{
    emit rowsAboutToBeReplaced();
    m_result = std::move(result);
    m_current = m_result->rowCount() == 0 ? -1 : std::clamp(current, 0, m_result->rowCount() - 1);
    emit rowsReplaced();
    emit currentRowChanged(m_current);
}

void Query::open()
{
    close();
    const QByteArray statement = boundStatement();
    auto result = m_connection.select(statement);
    m_openedStatement = statement;
    m_openedLines = m_lines;
    m_openedParams = m_params;
    m_affectedRows = m_connection.affectedRows();
    replaceResult(std::move(result), 0);
}

void Query::refresh()
{
    if (!m_result)
        return;
    auto result = m_connection.select(m_openedStatement);
    replaceResult(std::move(result), m_current);
}

void Query::setCurrentRow(int row)
{
    if (!m_result || m_result->rowCount() == 0)
        return;
    row = std::clamp(row, 0, m_result->rowCount() - 1);
    if (row == m_current)
        return;
    m_current = row;
    emit currentRowChanged(m_current);
}

bool Query::locate(const QString& column, const QString& key, Match match)
{
    // The master-data codes are keys, not names: "1" must never find "10", whoever locates.
    static const QStringList codeColumns = {QStringLiteral("vkod"), QStringLiteral("zkod"), QStringLiteral("kafakod"),
                                            QStringLiteral("mkod"), QStringLiteral("ckod")};
    if (codeColumns.contains(column.toLower()))
        match = Match::Exact;
    if (!m_result || m_result->rowCount() == 0)
        return false;
    if (key.isEmpty()) {
        first();
        return true;
    }
    const int c = checkedColumn(column);
    for (int r = 0; r < m_result->rowCount(); ++r) {
        const QString value = m_result->text(r, c);
        const bool hit = match == Match::Exact ? value.trimmed().compare(key.trimmed(), Qt::CaseInsensitive) == 0
                                               : value.startsWith(key, Qt::CaseInsensitive);
        if (hit) {
            setCurrentRow(r);
            return true;
        }
    }
    return false;
}

int Query::checkedColumn(const QString& column) const
{
    const int c = columnIndex(column);
    if (c < 0)
        throw DbError(QStringLiteral("%1: nincs \"%2\" nevű oszlop.").arg(objectName(), column));
    return c;
}

QString Query::text(int row, int column) const
{
    if (!m_result || row < 0 || row >= m_result->rowCount() || column < 0 || column >= m_result->columnCount())
        return {};
    return m_result->text(row, column);
}

QString Query::text(int row, const QString& column) const
{
    if (!m_result)
        return {};
    return text(row, checkedColumn(column));
}

QString Query::fieldText(const QString& column) const
{
    if (!m_result)
        throw DbError(QStringLiteral("Nincs kiválasztott sor: a(z) %1 lista nincs megnyitva.").arg(objectName()));
    const int c = checkedColumn(column);
    if (m_current < 0)
        return {};
    return m_result->text(m_current, c);
}

qint64 Query::fieldInt(const QString& column) const
{
    const QString t = fieldText(column);
    if (t.isEmpty())
        return 0;
    const int c = checkedColumn(column);
    if (m_result->kind(c) == ColumnKind::Decimal)
        return static_cast<qint64>(std::llround(parseDouble(t)));
    return parseInt64(t);
}

double Query::fieldDouble(const QString& column) const
{
    const QString t = fieldText(column);
    return t.isEmpty() ? 0.0 : parseDouble(t);
}

Query::Snapshot Query::snapshot() const
{
    if (!m_result)
        return {m_lines, m_params, false, -1};
    return {m_openedLines, m_openedParams, true, m_current};
}

void Query::restore(const Snapshot& snapshot)
{
    close();
    m_lines = snapshot.lines;
    m_params = snapshot.params;
    if (!snapshot.open)
        return;
    open();
    if (snapshot.row >= 0)
        setCurrentRow(snapshot.row);
}

} // namespace orvena
