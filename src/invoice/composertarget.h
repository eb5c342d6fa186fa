#pragma once
// What the composition and line screens compose: an invoice or a proforma. The two share every
// field and rule of the screens; they differ in the tables, the sequence, the locks, the register
// a store re-reads and what the screens call the document.
#include "worktables.h"

#include "screens/common/documentguard.h"

#include <QString>

namespace orvena {

// What the invoice composition and line screens write into and what they are called there: the
// invoice's own tables, sequence and locks, or a proforma's.
struct ComposerTarget {
    worktables::Document document;
    QString header;       // the header table
    QString lines;        // the line table
    QString sequence;     // its key in sorszam
    QString registerRole; // the register's list a store re-reads
    QString registerSql;  // the register's list statement
    QString lineListSql;  // the lines of one document (:p1 its number)
    DocumentGuard::Kind guardKind;
    QString noun;         // "számla", "díjbekérő"
    QString accusative;   // "számlát", "díjbekérőt"
    QString newLock() const;
    QString lock(const QString& number) const;
    bool isProforma() const { return document == worktables::Document::Proforma; }

    static const ComposerTarget& invoice();
    static const ComposerTarget& proforma();
};

} // namespace orvena
