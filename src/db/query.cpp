#include "query.h"

#include "codepages.h"
#include "conversions.h"
#include "schema.h"
#include "sqlname.h"

#include <QByteArrayList>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

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

// The tables whose whole-table lists are read in pages, with their primary keys. The server keeps
// their row count and a change counter in `tablaszamlalo` (see ensureRowCounters).
const std::map<QString, QString>& pageableTables()
{
    static const std::map<QString, QString> tables{{QStringLiteral("szlafej"), QStringLiteral("fID")},
                                                   {QStringLiteral("szlevfej"), QStringLiteral("lID")},
                                                   {QStringLiteral("vevo"), QStringLiteral("vID")},
                                                   {QStringLiteral("cikk"), QStringLiteral("cID")}};
    return tables;
}

// Pages kept at once: a few screens' worth around each place the grid has stood.
constexpr size_t kMaxPages = 40;
// Candidate rows read per round when locating in a paged list.
constexpr int kLocateBatch = 64;

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
        m_paging.reset();
        dropPages();
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
            out += quotedLiteral(m_connection, *s);
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
    const QByteArray statement = boundStatement();
    if (const auto paging = pagingFor(statement)) {
        m_openedLines = m_lines;
        m_openedParams = m_params;
        openPaged(*paging, 0, false);
        m_openedStatement = statement;
        return;
    }
    close();
    auto result = m_connection.select(statement);
    m_openedStatement = statement;
    m_openedLines = m_lines;
    m_openedParams = m_params;
    m_affectedRows = m_connection.affectedRows();
    replaceResult(std::move(result), 0);
}

void Query::appendColumn(const QString& name, ColumnKind kind, const std::vector<QByteArray>& cells)
{
    if (!m_result || m_paging)
        throw DbError(QStringLiteral("A(z) %1 lista nincs megnyitva.").arg(objectName()));
    replaceResult(std::make_shared<ResultSet>(m_result->withColumn(name, kind, cells)), m_current);
}

void Query::reorderWithColumn(const std::vector<int>& order, const QString& name, ColumnKind kind,
                              const std::vector<QByteArray>& cells)
{
    if (!m_result || m_paging)
        throw DbError(QStringLiteral("A(z) %1 lista nincs megnyitva.").arg(objectName()));
    replaceResult(std::make_shared<ResultSet>(m_result->reordered(order, name, kind, cells)), 0);
}

void Query::refresh()
{
    if (!m_result)
        return;
    if (m_paging) {
        openPaged(*m_paging, m_current, true);
        return;
    }
    auto result = m_connection.select(m_openedStatement);
    replaceResult(std::move(result), m_current);
}

void Query::setCurrentRow(int row)
{
    if (!m_result || rowCount() == 0)
        return;
    row = std::clamp(row, 0, rowCount() - 1);
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
    if (!m_result || rowCount() == 0)
        return false;
    if (key.isEmpty()) {
        first();
        return true;
    }
    const int c = checkedColumn(column);
    if (m_paging)
        return locatePaged(c, key, match);
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

bool Query::locateFrom(const QString& column, const QString& key, int fromRow)
{
    if (!m_result || rowCount() == 0 || key.isEmpty())
        return false;
    const int c = checkedColumn(column);
    fromRow = std::clamp(fromRow, 0, rowCount() - 1);
    if (m_paging) {
        int local = 0;
        const ResultSet* rows = pageOf(fromRow, local);
        if (!rows)
            return locatePaged(c, key, Match::Prefix);
        return locatePaged(c, key, Match::Prefix, boundaryOf(*rows, local));
    }
    const int n = m_result->rowCount();
    for (int i = 0; i < n; ++i) {
        const int r = (fromRow + i) % n;
        if (m_result->text(r, c).startsWith(key, Qt::CaseInsensitive)) {
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
    if (!m_result || row < 0 || row >= rowCount() || column < 0 || column >= m_result->columnCount())
        return {};
    if (m_paging) {
        int local = 0;
        const ResultSet* rows = pageOf(row, local);
        return rows ? rows->text(local, column) : QString();
    }
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
    return text(m_current, c);
}

qint64 Query::fieldInt(const QString& column) const
{
    if (!m_result)
        throw DbError(QStringLiteral("Nincs kiválasztott sor: a(z) %1 lista nincs megnyitva.").arg(objectName()));
    return integer(m_current, checkedColumn(column));
}

double Query::fieldDouble(const QString& column) const
{
    return QLocale::c().toDouble(fieldDecimal(column).literal());
}

const ResultSet* Query::rowsOf(int row, int column, int& local) const
{
    if (!m_result || row < 0 || row >= rowCount() || column < 0 || column >= m_result->columnCount())
        return nullptr;
    if (m_paging)
        return pageOf(row, local);
    local = row;
    return m_result.get();
}

qint64 Query::integer(int row, int column) const
{
    int local = 0;
    const ResultSet* rows = rowsOf(row, column, local);
    return rows ? rows->integer(local, column) : 0;
}

Decimal Query::decimal(int row, int column) const
{
    int local = 0;
    const ResultSet* rows = rowsOf(row, column, local);
    return rows ? rows->decimal(local, column) : orvena::Decimal();
}

QDate Query::date(int row, int column) const
{
    int local = 0;
    const ResultSet* rows = rowsOf(row, column, local);
    return rows ? rows->date(local, column) : QDate();
}

Query::Snapshot Query::snapshot() const
{
    if (!m_result)
        return {m_lines, m_params, false, -1, std::nullopt};
    return {m_openedLines, m_openedParams, true, m_current, m_paging};
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

// --- paged lists ---

std::optional<Query::Paging> Query::pagingFor(const QByteArray& statement) const
{
    if (!m_pageable)
        return std::nullopt;
    static const QRegularExpression whole(
        QStringLiteral("^\\s*SELECT\\s+\\*\\s+FROM\\s+`?(\\w+)`?(?:\\s+ORDER\\s+BY\\s+`?(\\w+)`?)?\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = whole.match(QString::fromLatin1(statement));
    if (!m.hasMatch())
        return std::nullopt;
    const auto table = pageableTables().find(m.captured(1).toLower());
    if (table == pageableTables().end())
        return std::nullopt;
    Paging paging{table->first, table->second, m.captured(2)};
    if (paging.orderColumn.compare(paging.primaryKey, Qt::CaseInsensitive) == 0)
        paging.orderColumn.clear();
    return paging;
}

std::pair<qint64, qint64> Query::tableState() const
{
    const QString table = m_paging ? m_paging->table : QString();
    try {
        const auto rows = m_connection.select("SELECT tsSorok, tsValtozat FROM tablaszamlalo WHERE tsTabla = "
                                              + quotedLiteral(m_connection, table));
        if (rows->rowCount() == 1)
            return {rows->integer(0, 0), rows->integer(0, 1)};
    } catch (const ConnectionLostError&) {
        throw;
    } catch (const DbError& e) {
        if (e.code() != 1146) // ER_NO_SUCH_TABLE: a database set up before the counters
            throw;
    }
    const auto rows = m_connection.select("SELECT COUNT(*) FROM " + quotedNameBytes(m_paging->table));
    return {rows->integer(0, 0), -1};
}

void Query::openPaged(const Paging& paging, int current, bool refreshing)
{
    const bool samePaging = m_paging && *m_paging == paging && m_result;
    std::shared_ptr<ResultSet> columns = samePaging ? m_result : nullptr;
    std::map<int, Page> pages;
    std::list<int> ages;
    const qint64 oldVersion = m_tableVersion;
    const int oldRows = m_pagedRows;
    if (samePaging) {
        pages.swap(m_pages);
        ages.swap(m_pageAges);
    }
    if (!refreshing)
        close();
    m_paging = paging; // tableState() names the table by it
    std::pair<qint64, qint64> state;
    try {
        state = tableState();
        if (!columns)
            columns = m_connection.select("SELECT * FROM " + quotedNameBytes(paging.table) + " LIMIT 0");
    } catch (...) {
        m_paging.reset();
        if (refreshing)
            close();
        throw;
    }
    const auto [rows, version] = state;
    // What was read stays good while the server's change counter says the table is as it was.
    const bool keep = samePaging && version >= 0 && version == oldVersion && rows == oldRows;
    emit rowsAboutToBeReplaced();
    m_result = std::move(columns);
    m_paging = paging;
    m_pagedRows = static_cast<int>(std::min<qint64>(rows, std::numeric_limits<int>::max()));
    m_tableVersion = version;
    m_idColumn = m_result->columnIndex(paging.primaryKey);
    m_orderColumn = paging.orderColumn.isEmpty() ? m_idColumn : m_result->columnIndex(paging.orderColumn);
    dropPages();
    if (keep) {
        m_pages.swap(pages);
        m_pageAges.swap(ages);
    }
    m_current = m_pagedRows == 0 ? -1 : std::clamp(current, 0, m_pagedRows - 1);
    emit rowsReplaced();
    emit currentRowChanged(m_current);
}

void Query::dropPages() const
{
    m_pages.clear();
    m_pageAges.clear();
}

QByteArray Query::quoteValue(const QByteArray& raw) const
{
    return quotedLiteralBytes(m_connection, raw);
}

QByteArray Query::orderBy(bool descending, const QByteArray& alias) const
{
    const QByteArray dir = descending ? " DESC" : "";
    QByteArray out = " ORDER BY ";
    if (!m_paging->orderColumn.isEmpty())
        out += alias + quotedNameBytes(m_paging->orderColumn) + dir + ", ";
    return out + alias + quotedNameBytes(m_paging->primaryKey) + dir;
}

Query::Boundary Query::boundaryOf(const ResultSet& rows, int row) const
{
    return {rows.raw(row, m_orderColumn), rows.isNull(row, m_orderColumn), rows.raw(row, m_idColumn)};
}

// Rows after b in list order (b itself too when inclusive).
QByteArray Query::afterCondition(const Boundary& b, bool inclusive) const
{
    const QByteArray id = quotedNameBytes(m_paging->primaryKey) + (inclusive ? " >= " : " > ") + quoteValue(b.id);
    if (m_paging->orderColumn.isEmpty())
        return id;
    const QByteArray k = quotedNameBytes(m_paging->orderColumn);
    if (b.keyNull)
        return "((" + k + " IS NULL AND " + id + ") OR " + k + " IS NOT NULL)";
    const QByteArray v = quoteValue(b.key);
    return '(' + k + " >= " + v + " AND (" + k + " > " + v + " OR " + id + "))";
}

// Rows before b in list order.
QByteArray Query::beforeCondition(const Boundary& b) const
{
    const QByteArray id = quotedNameBytes(m_paging->primaryKey) + " < " + quoteValue(b.id);
    if (m_paging->orderColumn.isEmpty())
        return id;
    const QByteArray k = quotedNameBytes(m_paging->orderColumn);
    if (b.keyNull)
        return '(' + k + " IS NULL AND " + id + ')';
    const QByteArray v = quoteValue(b.key);
    return "((" + k + " <= " + v + " AND (" + k + " < " + v + " OR " + id + ")) OR " + k + " IS NULL)";
}

std::shared_ptr<ResultSet> Query::fetchPage(int page) const
{
    const int first = page * m_pageSize;
    const int n = std::min(m_pageSize, m_pagedRows - first);
    const QByteArray table = quotedNameBytes(m_paging->table);
    const QByteArray limit = " LIMIT " + QByteArray::number(n);
    const auto before = m_pages.find(page - 1);
    const auto after = m_pages.find(page + 1);
    QByteArray sql;
    if (before != m_pages.end() && before->second.rows->rowCount() > 0) {
        // Continues right after the page before: no row is read twice or skipped, even when
        // rows were added or removed since.
        const ResultSet& rows = *before->second.rows;
        sql = "SELECT * FROM " + table + " WHERE " + afterCondition(boundaryOf(rows, rows.rowCount() - 1), false)
            + orderBy(false) + limit;
    } else if (after != m_pages.end() && after->second.rows->rowCount() > 0) {
        sql = "SELECT w.* FROM (SELECT * FROM " + table + " WHERE " + beforeCondition(boundaryOf(*after->second.rows, 0))
            + orderBy(true) + limit + ") AS w" + orderBy(false, "w.");
    } else {
        // A jump: the keys of the page are counted off from the nearer end over the index only,
        // then their rows are read.
        const bool fromEnd = first >= m_pagedRows / 2;
        const int skip = fromEnd ? std::max(0, m_pagedRows - first - n) : first;
        const QByteArray pk = quotedNameBytes(m_paging->primaryKey);
        sql = "SELECT q.* FROM " + table + " AS q JOIN (SELECT " + pk + " AS wid FROM " + table + orderBy(fromEnd)
            + " LIMIT " + QByteArray::number(skip) + ", " + QByteArray::number(n) + ") AS w ON q." + pk
            + " = w.wid" + orderBy(false, "q.");
    }
    return m_connection.select(sql);
}

const ResultSet* Query::pageOf(int row, int& local) const
{
    const int page = row / m_pageSize;
    local = row % m_pageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        keepPage(page, fetchPage(page));
        it = m_pages.find(page);
    } else if (it->second.age != m_pageAges.begin()) {
        m_pageAges.splice(m_pageAges.begin(), m_pageAges, it->second.age);
    }
    const ResultSet* rows = it->second.rows.get();
    return local < rows->rowCount() ? rows : nullptr;
}

void Query::readPageAround(int position, const Boundary& b) const
{
    const int page = position / m_pageSize;
    if (position < 0 || position >= m_pagedRows || m_pages.count(page) != 0)
        return;
    // The rows of the page before the found row and from it on, by key range: nothing before
    // the page is read, wherever in the list it lies.
    const int before = position % m_pageSize;
    const int from = std::min(m_pageSize, m_pagedRows - page * m_pageSize) - before;
    const QByteArray table = quotedNameBytes(m_paging->table);
    QByteArray sql = "SELECT w.* FROM (";
    if (before > 0)
        sql += "(SELECT * FROM " + table + " WHERE " + beforeCondition(b) + orderBy(true) + " LIMIT "
            + QByteArray::number(before) + ") UNION ALL ";
    sql += "(SELECT * FROM " + table + " WHERE " + afterCondition(b, true) + orderBy(false) + " LIMIT "
        + QByteArray::number(from) + ")) AS w" + orderBy(false, "w.");
    keepPage(page, m_connection.select(sql));
}

void Query::keepPage(int page, std::shared_ptr<ResultSet> rows) const
{
    m_pageAges.push_front(page);
    m_pages.emplace(page, Page{std::move(rows), m_pageAges.begin()});
    while (m_pages.size() > kMaxPages) { // the longest unused go
        const int oldest = m_pageAges.back();
        m_pageAges.pop_back();
        m_pages.erase(oldest);
    }
}

int Query::positionOf(const Boundary& b) const
{
    // A row already read knows its position.
    for (const auto& [page, held] : m_pages) {
        const ResultSet& rows = *held.rows;
        for (int r = 0; r < rows.rowCount(); ++r)
            if (rows.raw(r, m_idColumn) == b.id)
                return page * m_pageSize + r;
    }
    // The server's per-prefix counts of a register's numbers: the buckets before the number's own,
    // and the rows before it in that bucket.
    if (!b.keyNull && !m_noBuckets && !m_paging->orderColumn.isEmpty()
        && bucketedColumn(m_paging->table).compare(m_paging->orderColumn, Qt::CaseInsensitive) == 0) {
        const QByteArray k = quotedNameBytes(m_paging->orderColumn);
        const QByteArray v = quoteValue(b.key);
        const QByteArray prefix = "LEFT(" + v + ", " + QByteArray::number(kKeyBucketWidth) + ')';
        try {
            const auto rows = m_connection.select(
                "SELECT (SELECT IFNULL(SUM(tkSorok), 0) FROM tablaszakasz WHERE tkTabla = "
                + quotedLiteral(m_connection, m_paging->table) + " AND (tkUres = 1 OR tkSzakasz < " + prefix
                + ")) + (SELECT COUNT(*) FROM " + quotedNameBytes(m_paging->table) + " WHERE " + k + " >= " + prefix + " AND "
                + k + " <= " + v + " AND (" + k + " < " + v + " OR " + quotedNameBytes(m_paging->primaryKey) + " < "
                + quoteValue(b.id) + "))");
            return static_cast<int>(rows->integer(0, 0));
        } catch (const ConnectionLostError&) {
            throw;
        } catch (const DbError& e) {
            if (e.code() != 1146) // a database set up before the buckets counts rows instead
                throw;
            m_noBuckets = true;
        }
    }
    // Counted over the index from the end first (registers mostly stand near their end), at most
    // half the list; a row in the first half is counted from the start.
    const QByteArray table = quotedNameBytes(m_paging->table);
    const int half = m_pagedRows / 2 + 1;
    const auto tail = m_connection.select("SELECT COUNT(*) FROM (SELECT 1 FROM " + table + " WHERE "
                                          + afterCondition(b, true) + " LIMIT " + QByteArray::number(half) + ") AS w");
    const int atOrAfter = static_cast<int>(tail->integer(0, 0));
    if (atOrAfter < half)
        return std::max(0, m_pagedRows - atOrAfter);
    const auto head = m_connection.select("SELECT COUNT(*) FROM " + table + " WHERE " + beforeCondition(b));
    return static_cast<int>(head->integer(0, 0));
}

bool Query::locatePaged(int column, const QString& key, Match match, const std::optional<Boundary>& from)
{
    const QString name = m_result->columnNames().at(column);
    // The server narrows the candidates (its case-insensitive collation finds at least every
    // row the comparison below accepts); each candidate is then compared as the full list is.
    QByteArray filter;
    if (columnKind(column) == ColumnKind::Text) {
        const auto encoded = tryEncode(CodePage::Latin2, match == Match::Exact ? key.trimmed() : key);
        if (!encoded)
            return false; // no stored text holds that character
        if (match == Match::Exact) {
            filter = quotedNameBytes(name) + " = " + quoteValue(*encoded);
        } else {
            QByteArray pattern;
            for (const char c : *encoded) {
                if (c == '|' || c == '%' || c == '_')
                    pattern += '|';
                pattern += c;
            }
            filter = quotedNameBytes(name) + " LIKE " + quoteValue(pattern + '%') + " ESCAPE '|'";
        }
    }
    const QByteArray table = quotedNameBytes(m_paging->table);
    const QByteArray orderKey = quotedNameBytes(m_paging->orderColumn.isEmpty() ? m_paging->primaryKey : m_paging->orderColumn);
    const int batch = filter.isEmpty() ? 1000 : kLocateBatch;
    // The rows within `range` (empty: all), in list order, batch by batch.
    auto scan = [&](const QByteArray& range) {
        std::optional<Boundary> after;
        for (;;) {
            QByteArrayList conditions;
            if (!filter.isEmpty())
                conditions << filter;
            if (!range.isEmpty())
                conditions << range;
            if (after)
                conditions << afterCondition(*after, false);
            const auto rows = m_connection.select(
                "SELECT " + orderKey + ", " + quotedNameBytes(m_paging->primaryKey) + ", " + quotedNameBytes(name) + " FROM "
                + table + (conditions.isEmpty() ? QByteArray() : " WHERE " + conditions.join(" AND ")) + orderBy(false)
                + " LIMIT " + QByteArray::number(batch));
            for (int r = 0; r < rows->rowCount(); ++r) {
                const QString value = rows->text(r, 2);
                const bool hit = match == Match::Exact
                    ? value.trimmed().compare(key.trimmed(), Qt::CaseInsensitive) == 0
                    : value.startsWith(key, Qt::CaseInsensitive);
                if (hit) {
                    const Boundary found{rows->raw(r, 0), rows->isNull(r, 0), rows->raw(r, 1)};
                    const int position = positionOf(found);
                    readPageAround(position, found);
                    setCurrentRow(position);
                    return true;
                }
            }
            if (rows->rowCount() < batch)
                return false;
            after = Boundary{rows->raw(rows->rowCount() - 1, 0), rows->isNull(rows->rowCount() - 1, 0),
                             rows->raw(rows->rowCount() - 1, 1)};
        }
    };
    if (!from)
        return scan({});
    // From the given row to the end, then round to the rows before it.
    return scan(afterCondition(*from, true)) || scan(beforeCondition(*from));
}

} // namespace orvena
