#include "resultset.h"

#include "codepages.h"
#include "conversions.h"

#include <QByteArrayView>
#include <QLocale>

namespace orvena {

namespace {

// A cell's bytes in the result's buffer: each cell runs to the start of the next one.
QByteArrayView cellBytes(const QByteArray& data, const std::vector<qint64>& offsets, size_t i)
{
    const qint64 end = i + 1 < offsets.size() ? offsets[i + 1] : data.size();
    return QByteArrayView(data.constData() + offsets[i], end - offsets[i]);
}

} // namespace

int ResultSet::columnIndex(QStringView name) const
{
    return m_index.value(name.toString().toLower(), -1);
}

QByteArray ResultSet::raw(int row, int column) const
{
    return cellBytes(m_data, m_offsets, cell(row, column)).toByteArray();
}

QString ResultSet::text(int row, int column) const
{
    if (isNull(row, column))
        return {};
    const QByteArray bytes = raw(row, column);
    switch (kind(column)) {
    case ColumnKind::Decimal:
        return fromServerDecimal(QString::fromLatin1(bytes));
    case ColumnKind::Date:
        return fromServerDate(QString::fromLatin1(bytes));
    case ColumnKind::DateTime: {
        QString t = QString::fromLatin1(bytes);
        return fromServerDate(QStringView(t).left(10)) + t.mid(10);
    }
    case ColumnKind::Integer:
        return QString::fromLatin1(bytes);
    case ColumnKind::Text:
    case ColumnKind::Binary:
        break;
    }
    return decode(CodePage::Latin2, bytes);
}

namespace {

[[noreturn]] void notA(const QString& column, const QString& cell, const char* what)
{
    throw ConversionError(QStringLiteral("A(z) %1 oszlop '%2' értéke nem %3.").arg(column, cell, QString::fromUtf8(what)));
}

} // namespace

Decimal ResultSet::decimal(int row, int column) const
{
    if (isNull(row, column))
        return {};
    // Numbers arrive as "-1234.5000"; a text column is read as the program writes numbers.
    if (kind(column) != ColumnKind::Text) {
        const QByteArrayView bytes = cellBytes(m_data, m_offsets, cell(row, column));
        if (const auto plain = Decimal::fromPlain(bytes.data(), bytes.size()))
            return *plain;
    }
    const QString cell = kind(column) == ColumnKind::Text ? text(row, column) : QString::fromLatin1(raw(row, column));
    if (kind(column) == ColumnKind::Text && cell.trimmed().isEmpty())
        return {};
    try {
        if (cell.contains(u'e', Qt::CaseInsensitive)) // a floating-point column: "1e-07"
        {
            bool ok = false;
            const double value = QLocale::c().toDouble(cell, &ok);
            if (ok)
                return Decimal::parse(QString::number(value, 'f', 18));
        }
        return Decimal::parse(cell);
    } catch (const ConversionError&) {
        notA(m_names[column], cell, "szám");
    }
}

qint64 ResultSet::integer(int row, int column) const
{
    if (kind(column) == ColumnKind::Integer && !isNull(row, column)) {
        bool ok = false;
        const qint64 value = raw(row, column).toLongLong(&ok);
        if (!ok)
            notA(m_names[column], QString::fromLatin1(raw(row, column)), "egész szám");
        return value;
    }
    return Money::rounded(decimal(row, column), 0).wholeUnits();
}

QDate ResultSet::date(int row, int column) const
{
    if (isNull(row, column))
        return {};
    if (kind(column) == ColumnKind::Date || kind(column) == ColumnKind::DateTime) {
        // "2026-03-01" read straight from the cell; anything else below
        const QByteArrayView bytes = cellBytes(m_data, m_offsets, cell(row, column));
        const char* d = bytes.data();
        const auto digits = [d](int from, int count) {
            int value = 0;
            for (int k = from; k < from + count; ++k) {
                if (d[k] < '0' || d[k] > '9')
                    return -1;
                value = value * 10 + (d[k] - '0');
            }
            return value;
        };
        if (bytes.size() >= 10 && d[4] == '-' && d[7] == '-') {
            const QDate date(digits(0, 4), digits(5, 2), digits(8, 2));
            if (date.isValid() && date.year() > 0)
                return date;
        }
    }
    const QString cell = kind(column) == ColumnKind::Text ? text(row, column).trimmed() : QString::fromLatin1(raw(row, column));
    if (cell.isEmpty())
        return {};
    QDate date = QDate::fromString(cell.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        date = QDate::fromString(cell.left(10), QStringLiteral("yyyy.MM.dd"));
    if (!date.isValid())
        notA(m_names[column], cell, "dátum");
    return date;
}

ResultSet ResultSet::withColumn(const QString& name, ColumnKind kind, const std::vector<QByteArray>& cells) const
{
    std::vector<int> same(static_cast<size_t>(m_rows));
    for (int r = 0; r < m_rows; ++r)
        same[static_cast<size_t>(r)] = r;
    return reordered(same, name, kind, cells);
}

ResultSet ResultSet::reordered(const std::vector<int>& order, const QString& name, ColumnKind kind,
                               const std::vector<QByteArray>& cells) const
{
    if (cells.size() != static_cast<size_t>(m_rows))
        throw Error(QStringLiteral("Belső hiba: a(z) %1 számított oszlop sorainak száma eltér.").arg(name));
    std::vector<bool> seen(static_cast<size_t>(m_rows));
    for (int r : order) {
        if (r < 0 || r >= m_rows || seen[static_cast<size_t>(r)])
            throw Error(QStringLiteral("Belső hiba: a(z) %1 oszlop sorrendje hibás.").arg(name));
        seen[static_cast<size_t>(r)] = true;
    }
    if (order.size() != static_cast<size_t>(m_rows))
        throw Error(QStringLiteral("Belső hiba: a(z) %1 oszlop sorrendje hibás.").arg(name));
    ResultSet wider;
    for (int c = 0; c < columnCount(); ++c)
        wider.addColumn(m_names[c], m_kinds[static_cast<size_t>(c)]);
    wider.addColumn(name, kind);
    wider.reserveRows(m_rows);
    wider.m_data.reserve(m_data.size() + m_rows * 16);
    for (size_t i = 0; i < order.size(); ++i) {
        for (int c = 0; c < columnCount(); ++c) {
            // copied straight from the buffer: a list of a hundred thousand rows holds a million cells
            const size_t at = cell(order[i], c);
            const QByteArrayView bytes = cellBytes(m_data, m_offsets, at);
            wider.appendCell(m_null[at] ? nullptr : bytes.data(), static_cast<unsigned long>(bytes.size()));
        }
        const QByteArray& extra = cells[i];
        wider.appendCell(extra.constData(), static_cast<unsigned long>(extra.size()));
        wider.finishRow();
    }
    return wider;
}

void ResultSet::addColumn(const QString& name, ColumnKind kind)
{
    m_index.insert(name.toLower(), static_cast<int>(m_names.size()));
    m_names.append(name);
    m_kinds.push_back(kind);
}

void ResultSet::reserveRows(int rows)
{
    m_offsets.reserve(static_cast<size_t>(rows) * m_names.size());
    m_null.reserve(static_cast<size_t>(rows) * m_names.size());
}

void ResultSet::appendCell(const char* data, unsigned long length)
{
    m_offsets.push_back(m_data.size());
    m_null.push_back(data == nullptr);
    if (data)
        m_data.append(data, static_cast<qsizetype>(length));
}

} // namespace orvena
