#include "invoicetexts.h"

#include "db/conversions.h"

#include <cmath>

namespace orvena::invoice {

QString formatAmount(double value)
{
    if (value != 0.0 && std::isfinite(value)) {
        const int digitsBeforePoint = int(std::floor(std::log10(std::abs(value)))) + 1;
        const int decimalsKept = 12 - digitsBeforePoint;
        if (decimalsKept < 2) {
            const double scale = std::pow(10.0, -decimalsKept);
            value = std::round(value / scale) * scale;
        }
    }
    return formatNumber(value, 2, true);
}

} // namespace orvena::invoice
