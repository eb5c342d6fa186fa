#pragma once
// Names the delivery-note screens share: the query objects they work on and the keys under which
// the run's state keeps what they remember; the program's blank-text rule comes with them.
#include "db/conversions.h"

#include <QString>

namespace orvena::delivery {

// Query objects of the data module.
inline const QString kNoteList = QStringLiteral("ZQ100");      // the register's list of headers
inline const QString kHeaderStatements = QStringLiteral("ZQ101"); // header writes and re-reads
inline const QString kLineList = QStringLiteral("ZQ110");      // the lines of the current note
inline const QString kLineStatements = QStringLiteral("ZQ113"); // line writes, counts, deletes
inline const QString kSequenceQuery = QStringLiteral("ZQ103");  // the delivery-note sequence
inline const QString kCustomerList = QStringLiteral("ZQ30");
inline const QString kArticleList = QStringLiteral("ZQ40");
inline const QString kIssuerList = QStringLiteral("ZQ60");
inline const QString kDictionaryList = QStringLiteral("ZQ70");

// Key of the remembered line in AppState.
inline const QString kLineTable = QStringLiteral("szlevsor");

} // namespace orvena::delivery
