#pragma once
// Number texts of the printed documents, shared by the invoice print and the invoice-data
// report so both show the same amounts to the fillér.
#include <QString>

namespace orvena {

// fixedText: rounded half away from zero to `significant` digits (more when the whole part
// needs them), then shown with exactly `decimals` decimals, "," as separator, no grouping.
// groupedText: the same with a blank between thousands.
QString fixedText(double value, int decimals, int significant = 11);
QString groupedText(double value, int decimals);
// The value of fixedText(value, decimals) read back as a number (R0, R2).
double roundedValue(double value, int decimals);

} // namespace orvena
