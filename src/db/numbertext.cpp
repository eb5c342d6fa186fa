#include "numbertext.h"

#include "conversions.h"

#include <QRegularExpression>
#include <cmath>

namespace orvena {

namespace {

// Adds one to a string of decimal digits.
QString incremented(QString digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = u'0';
    }
    return u'1' + digits;
}

struct Decimal {
    bool negative = false;
    QString whole;    // digits, no leading zeros ("0" for none)
    QString fraction; // exactly the requested decimals
};

Decimal toDecimal(double value, int decimals, int significant)
{
    Decimal d;
    if (!std::isfinite(value))
        value = 0;
    d.negative = value < 0;
    const double magnitude = std::fabs(value);
    QString digits = QStringLiteral("0");
    int pointAt = 1; // digits before the decimal point
    if (magnitude > 0) {
        const int wholeDigits = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
        int precision = significant;
        if (wholeDigits > precision) // never lose whole digits to the significant-digit limit
            precision = std::min(wholeDigits + decimals, 17);
        const QString e = QString::number(magnitude, 'e', precision - 1);
        const qsizetype ePos = e.indexOf(u'e');
        digits = e.left(ePos).remove(u'.');
        pointAt = e.mid(ePos + 1).toInt() + 1;
    }
    QString whole, fraction;
    if (pointAt <= 0) {
        whole = QStringLiteral("0");
        fraction = QString(-pointAt, u'0') + digits;
    } else if (pointAt >= digits.size()) {
        whole = digits + QString(pointAt - digits.size(), u'0');
    } else {
        whole = digits.left(pointAt);
        fraction = digits.mid(pointAt);
    }
    fraction = fraction.leftJustified(decimals + 1, u'0');
    const bool roundUp = fraction.at(decimals) >= u'5'; // half away from zero
    QString kept = whole + fraction.left(decimals);
    if (roundUp)
        kept = incremented(kept);
    d.whole = kept.left(kept.size() - decimals);
    d.fraction = kept.right(decimals);
    while (d.whole.size() > 1 && d.whole.startsWith(u'0'))
        d.whole.remove(0, 1);
    if (d.whole.isEmpty())
        d.whole = QStringLiteral("0");
    if (d.whole == u"0" && !d.fraction.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        d.negative = false; // no "-0,00"
    return d;
}

QString joined(const Decimal& d, const QString& whole)
{
    QString out = d.negative ? QStringLiteral("-") : QString();
    out += whole;
    if (!d.fraction.isEmpty())
        out += u',' + d.fraction;
    return out;
}

} // namespace

QString fixedText(double value, int decimals, int significant)
{
    const Decimal d = toDecimal(value, decimals, significant);
    return joined(d, d.whole);
}

QString groupedText(double value, int decimals)
{
    const Decimal d = toDecimal(value, decimals, 11);
    QString whole = d.whole;
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, u' ');
    return joined(d, whole);
}

double roundedValue(double value, int decimals)
{
    return parseDouble(fixedText(value, decimals));
}

} // namespace orvena
