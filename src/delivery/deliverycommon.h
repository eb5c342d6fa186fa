#pragma once
// Names the delivery-note screens share: the shared query objects they work on and the keys
// under which the run's state keeps what they remember; the program's blank-text rule comes
// with them.
#include "db/conversions.h"
#include "db/queryroles.h"

#include <QString>

namespace orvena::delivery {

// Key of the remembered line in AppState.
inline const QString kLineTable = QStringLiteral("szlevsor");

} // namespace orvena::delivery
