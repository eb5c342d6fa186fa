#pragma once
// Names the delivery-note screens share: the shared query objects they work on and the keys
// under which the run's state keeps what they remember; the program's blank-text rule comes
// with them.
#include "db/conversions.h"
#include "db/queryroles.h"

#include <QString>

namespace orvena::delivery {

// Shared query objects of the data module.
inline const QString& kNoteList = role::kNoteList;
inline const QString& kLineList = role::kNoteLines;
inline const QString& kCustomerList = role::kCustomerList;
inline const QString& kArticleList = role::kArticleList;
inline const QString& kIssuerList = role::kIssuerList;
inline const QString& kDictionaryList = role::kDictionaryList;

// Key of the remembered line in AppState.
inline const QString kLineTable = QStringLiteral("szlevsor");

} // namespace orvena::delivery
