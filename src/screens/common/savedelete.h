#pragma once
// The save and delete procedures shared by the master-data screens, with their message families.
//
// Save ("OK" of an edit screen), after the screen's own validations:
//     SaveTexts texts{append, edit, outer};
//     const bool saved = runSave(ui, list, aux, isNew, CodeRule{"afa", "kAfakod"}, texts,
//                                [&](const QString& code) { ...run the INSERT (code = new code)
//                                                           or the update (code empty)... });
//     if (saved) { ...re-read the list, locate, close the screen... }
// The record's statement runs in a transaction of its own (a new record's code is taken before it
// begins). A failed write is rolled back, then the append or edit text is shown and false returned:
// the screen stays open with what the operator typed. A failed code look-up or transaction
// statement shows the outer text. A code that no longer fits five characters is refused with its
// own message before anything is written.
//
// Delete ("Töröl" of a list screen): runDelete(ui, list, aux, DeleteSpec{...}). An empty list
// sends nothing and shows nothing.
#include "db/errors.h"
#include "db/query.h"
#include "db/recordwrite.h"
#include "userinterface.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <functional>
#include <vector>

namespace orvena {

// The longest code the code columns hold.
inline constexpr int kCodeLength = 5;

// A new code that would no longer fit the code column.
class CodeOverflowError : public Error {
public:
    using Error::Error;
};

struct CodeRule {
    QString table;  // e.g. "vevo"
    QString column; // e.g. "vKod"; empty: the table has no numbered code
};

// The next code of a table: the numeric maximum of its decimal codes plus one, "1" for a table
// without codes. Runs its look-up on aux. Throws CodeOverflowError when the result has more than
// five characters, DbError when the look-up fails.
QString nextCode(Query& aux, const CodeRule& rule);
// The same, but an empty text instead of an error (for showing the proposal in a field).
QString proposedCode(Query& aux, const CodeRule& rule);

struct SaveTexts {
    QString append; // the INSERT failed
    QString edit;   // the update failed
    QString outer;  // the code look-up or a transaction statement failed
    // column (lower case) -> the field's label, so a value the server refuses is named
    QHash<QString, QString> labels = {};
};

// The reason a write failed, for the operator, after the procedure's own message: a conversion's
// text, or for a value the server refused, which field it was. Empty when there is nothing
// more to say than the procedure's message.
QString failureDetail(const Error& error, const QHash<QString, QString>& labels);

// Whether a column holds a master-data code (vKod, zKod, kAfakod, mkod, cKod): codes are located
// exactly, names by prefix.
bool isCodeColumn(const QString& column);
// locate() with the match the column needs.
bool locateKey(Query& query, const QString& column, const QString& key);

// Appends a line to a memo text whose lines each end in CR LF.
QString appendMemoLine(const QString& memo, const QString& line);

// An edited record as its screen read it. The save of an edit re-reads these columns of the row
// under lock inside its transaction and refuses, naming the fields, when another workstation
// changed any of them since (a row deleted meanwhile is written back, as before).
struct ReadRecord {
    QString table;
    QString idColumn;
    QString id;
    QList<QPair<QString, QString>> values; // column, its text as read
};

// The save procedure's guarded part (see the header comment). write(code) runs the record's
// statement on the list query; code is the new record's code, empty for an edit or when the
// rule names no column. Returns true when the record was written and committed. After a
// failure (and its ROLLBACK) the list query is open again with its former statement and
// stands on its former row, so the list and every chooser caller find it as it was.
// With read, an edit runs in a transaction of its own and is refused when the row changed since
// it was read.
bool runSave(UserInterface& ui, Query& list, Query& aux, bool isNew, const CodeRule& rule, const SaveTexts& texts,
             const std::function<void(const QString& code)>& write, const ReadRecord* read = nullptr);

struct DeleteSpec {
    QString sql;         // "DELETE FROM afa WHERE kID = :p1"
    QString keyColumn;   // column of the list's current row that becomes p1 (as text)
    QString deleted;     // shown after the delete
    QString failure;     // shown when the statement fails
};

// Deletes the list's current record through aux and refreshes the list. Returns true when the
// DELETE ran. An empty list sends nothing.
bool runDelete(UserInterface& ui, Query& list, Query& aux, const DeleteSpec& def);

struct ReferenceGuard {
    QString sql;       // a count of documents, "... count(x) as db ... WHERE x = :p1 GROUP BY x"
    QString keyColumn; // column of the list's current row that becomes p1
    QString notice;    // shown when documents refer to the record
};

// The number of documents that refer to the list's current record (column "db" of the count).
qint64 referenceCount(Query& list, Query& aux, const ReferenceGuard& guard);

} // namespace orvena
