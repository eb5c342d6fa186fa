#pragma once
// The delivery screens use the program's memo conversions.
#include "db/memotext.h"

namespace orvena::delivery {

using orvena::memoFromDatabase;
using orvena::memoToDatabase;

} // namespace orvena::delivery
