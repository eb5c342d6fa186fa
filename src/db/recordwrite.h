#pragma once
// How a screen writes one record: its columns are listed once, identity first, each with how its
// text is bound, and the statement and its numbered parameters are made from that list. Master
// data, document headers and document lines are all written this way.
#include "query.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace orvena {

// One column of a record and how its text is bound.
struct RecordColumn {
    enum class Kind {
        Text,       // as typed
        Integer,    // converted to a 32-bit integer (ConversionError names the value)
        Decimal,    // checked with the program's decimal separator, sent digit for digit
        TextOrNull, // trimmed; NULL when nothing is left
        Identity,   // a row identity: NULL when blank (the server assigns one), else a 64-bit integer
    };
    QString column;
    Kind kind = Kind::Text;
};

// A column with the text it is written with.
struct RecordValue {
    QString column;
    QString text;
    RecordColumn::Kind kind = RecordColumn::Kind::Text;
};

// How an edited record is written: an upsert (see upsertStatement) or REPLACE (every column is
// written, the row is replaced whole).
enum class EditStatement { Upsert, Replace };

// The statement that writes an edited record: an INSERT of the identity and the named columns
// that updates those columns when the identity exists. Unlike REPLACE it keeps the columns the
// screen does not show, and a row deleted meanwhile comes back with its identity.
// columns[0] is the identity; markers[i] is the parameter of columns[i] (":p0").
QStringList upsertStatement(const QString& table, const QStringList& columns, const QStringList& markers);

// Puts on query the statement that stores a record, with its values bound. values[0] is the
// identity with :p0, values[i] has :pi. A new record is an INSERT of every column but the
// identity (the server assigns it); an edited one is written with its identity.
void prepareRecordWrite(Query& query, const QString& table, const std::vector<RecordValue>& values, bool isNew,
                        EditStatement edit = EditStatement::Upsert);

// The same, with text(column) giving each column's text.
void prepareRecordWrite(Query& query, const QString& table, const std::vector<RecordColumn>& columns,
                        const std::function<QString(const QString& column)>& text, bool isNew,
                        EditStatement edit = EditStatement::Upsert);

} // namespace orvena
