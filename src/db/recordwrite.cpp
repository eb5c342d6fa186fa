#include "recordwrite.h"

namespace orvena {

namespace {

void bindValue(Query& query, const QString& name, const RecordValue& value)
{
    switch (value.kind) {
    case RecordColumn::Kind::Text:
        query.setText(name, value.text);
        break;
    case RecordColumn::Kind::Integer:
        query.setInteger(name, value.text);
        break;
    case RecordColumn::Kind::Decimal:
        query.setFloat(name, value.text);
        break;
    case RecordColumn::Kind::TextOrNull:
        if (value.text.trimmed().isEmpty())
            query.setNull(name);
        else
            query.setText(name, value.text.trimmed());
        break;
    case RecordColumn::Kind::Identity:
        query.setIdentity(name, value.text);
        break;
    }
}

} // namespace

QStringList upsertStatement(const QString& table, const QStringList& columns, const QStringList& markers)
{
    QStringList updates;
    for (qsizetype i = 1; i < columns.size(); ++i)
        updates << QStringLiteral("%1 = VALUES(%1)").arg(columns[i]);
    return {QStringLiteral("INSERT INTO %1 ( %2 )").arg(table, columns.join(QStringLiteral(", "))),
            QStringLiteral("VALUES ( %1 )").arg(markers.join(QStringLiteral(", "))),
            QStringLiteral("ON DUPLICATE KEY UPDATE %1").arg(updates.join(QStringLiteral(", ")))};
}

void prepareRecordWrite(Query& query, const QString& table, const std::vector<RecordValue>& values, bool isNew,
                        EditStatement edit)
{
    const size_t first = isNew ? 1 : 0;
    QStringList names;
    QStringList markers;
    for (size_t i = first; i < values.size(); ++i) {
        names << values[i].column;
        markers << QStringLiteral(":p%1").arg(i);
    }
    if (isNew || edit == EditStatement::Replace)
        query.setSql({QStringLiteral("%1 INTO %2 ( %3 )")
                          .arg(isNew ? QStringLiteral("INSERT") : QStringLiteral("REPLACE"), table,
                               names.join(QStringLiteral(", "))),
                      QStringLiteral("VALUES ( %1 )").arg(markers.join(QStringLiteral(", ")))});
    else
        query.setSql(upsertStatement(table, names, markers));
    for (size_t i = first; i < values.size(); ++i)
        bindValue(query, QStringLiteral("p%1").arg(i), values[i]);
}

void prepareRecordWrite(Query& query, const QString& table, const std::vector<RecordColumn>& columns,
                        const std::function<QString(const QString& column)>& text, bool isNew, EditStatement edit)
{
    std::vector<RecordValue> values;
    values.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) // a new record's identity is not asked for: it is not written
        values.push_back({columns[i].column, isNew && i == 0 ? QString() : text(columns[i].column), columns[i].kind});
    prepareRecordWrite(query, table, values, isNew, edit);
}

} // namespace orvena
