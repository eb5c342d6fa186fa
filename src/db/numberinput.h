#pragma once
// The one reader of numbers typed or pasted into a field (prices, quantities, payments, rates,
// discounts). A comma is the decimal sign and blanks group digits everywhere. A dot depends on
// what the field holds:
// - an amount of money (two decimals): a dot followed by exactly three digits groups them
//   ("50.000", "1.234.567", "1.234,50"); any other dot is the decimal sign ("12345.67", "12.5");
// - a quantity, a rate or a percentage (more decimals): a dot is always the decimal sign ("3.333").
// Anything else ("1.2.3", "12345.678" as an amount, "5%", "") is refused with the field named,
// never read as another number.
#include "money.h"

#include <QString>
#include <optional>

namespace orvena {

enum class NumberKind {
    Amount,  // money
    Measure, // quantity, exchange rate, percentage
};

// The number typed into the field `label`. Throws ConversionError:
// "Összeg: A(z) '1.2.3' nem érvényes szám."
Decimal readNumber(const QString& text, NumberKind kind, const QString& label);

// A number still being typed, read the same way ("2," and "50." as 2 and 50, so the amounts on
// screen follow the typing): nothing for what readNumber refuses ("-", "1.2.3").
std::optional<Decimal> typedNumber(const QString& text, NumberKind kind);

} // namespace orvena
