#include "resultset.h"

#include "codepages.h"
#include "conversions.h"

namespace orvena {

int ResultSet::columnIndex(QStringView name) const
{
    return m_index.value(name.toString().toLower(), -1);
}

QByteArray ResultSet::raw(int row, int column) const
{
    const size_t i = cell(row, column);
    const qint64 start = m_offsets[i];
    const qint64 end = i + 1 < m_offsets.size() ? m_offsets[i + 1] : m_data.size();
    return QByteArray(m_data.constData() + start, end - start);
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

ResultSet ResultSet::withColumn(const QString& name, ColumnKind kind, const std::vector<QByteArray>& cells) const
{
    if (cells.size() != static_cast<size_t>(m_rows))
        throw Error(QStringLiteral("Belső hiba: a(z) %1 számított oszlop sorainak száma eltér.").arg(name));
    ResultSet wider;
    for (int c = 0; c < columnCount(); ++c)
        wider.addColumn(m_names[c], m_kinds[static_cast<size_t>(c)]);
    wider.addColumn(name, kind);
    wider.reserveRows(m_rows);
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            const QByteArray bytes = raw(r, c);
            wider.appendCell(isNull(r, c) ? nullptr : bytes.constData(), static_cast<unsigned long>(bytes.size()));
        }
        const QByteArray& cell = cells[static_cast<size_t>(r)];
        wider.appendCell(cell.constData(), static_cast<unsigned long>(cell.size()));
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
