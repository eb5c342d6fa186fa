#include "invoicetexts.h"

#include <algorithm>

namespace orvena::invoice {

QString formatAmount(const Decimal& value)
{
    // Twelve significant digits: beyond ten whole digits the fillér give way first.
    return Money::rounded(value, std::min(2, 12 - value.wholeDigits())).groupedText();
}

} // namespace orvena::invoice
