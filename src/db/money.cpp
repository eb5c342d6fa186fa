#include "money.h"

#include "conversions.h"
#include "errors.h"

#include <algorithm>
#include <limits>

namespace orvena {

namespace {

constexpr int kMaxScale = 18;

__extension__ using Wide = __int128;

Wide power10(int exponent)
{
    Wide p = 1;
    for (int i = 0; i < exponent; ++i)
        p *= 10;
    return p;
}

[[noreturn]] void tooLarge()
{
    throw Error(QStringLiteral("Az összeg túl nagy ahhoz, hogy a program pontosan kiszámolja."));
}

Wide checkedProduct(Wide a, Wide b)
{
    Wide product = 0;
    if (__builtin_mul_overflow(a, b, &product))
        tooLarge();
    return product;
}

Wide checkedSum(Wide a, Wide b)
{
    Wide sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        tooLarge();
    return sum;
}

// n / d rounded half away from zero (d > 0).
Wide dividedRounded(Wide n, Wide d)
{
    Wide q = n / d;
    const Wide r = n % d;
    const Wide twice = (r < 0 ? -r : r) * 2;
    if (twice >= d)
        q += n < 0 ? -1 : 1;
    return q;
}

// Digits of a magnitude with a blank between thousands when asked.
QString digitText(qint64 magnitude, bool grouped)
{
    QString digits = QString::number(magnitude);
    if (grouped)
        for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
            digits.insert(i, u' ');
    return digits;
}

QString amountText(qint64 filler, QChar separator, bool grouped)
{
    const qint64 magnitude = filler < 0 ? -filler : filler;
    return QStringLiteral("%1%2%3%4")
        .arg(filler < 0 ? QStringLiteral("-") : QString(), digitText(magnitude / 100, grouped))
        .arg(separator)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

Decimal Decimal::parse(const QString& text)
{
    const QByteArray literal = decimalLiteral(text); // checked: [-]digits[.digits]
    const bool negative = literal.startsWith('-');
    const QByteArray digits = negative ? literal.mid(1) : literal;
    const qsizetype point = digits.indexOf('.');
    const QByteArray whole = point < 0 ? digits : digits.left(point);
    QByteArray fraction = point < 0 ? QByteArray() : digits.mid(point + 1);
    while (fraction.endsWith('0'))
        fraction.chop(1);
    const bool roundUp = fraction.size() > kMaxScale && fraction.at(kMaxScale) >= '5';
    fraction.truncate(kMaxScale);
    Wide units = 0;
    for (const char c : whole + fraction)
        units = checkedSum(checkedProduct(units, 10), c - '0');
    if (roundUp)
        ++units;
    return Decimal(negative ? -units : units, static_cast<int>(fraction.size()));
}

std::optional<Decimal> Decimal::fromPlain(const char* data, qsizetype size)
{
    qsizetype i = 0;
    const bool negative = size > 0 && data[0] == '-';
    if (negative)
        ++i;
    Wide units = 0;
    int digits = 0, scale = 0;
    bool point = false;
    for (; i < size; ++i) {
        const char c = data[i];
        if (c == '.' && !point && digits > 0) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9' || ++digits > 30)
            return std::nullopt;
        units = units * 10 + (c - '0');
        if (point)
            ++scale;
    }
    if (digits == 0 || (point && scale == 0))
        return std::nullopt;
    for (; scale > 0 && units % 10 == 0; --scale)
        units /= 10; // trailing zeros of the fraction do not count, as in parse()
    if (scale > kMaxScale)
        return std::nullopt; // rounded by parse()
    return Decimal(negative ? -units : units, scale);
}

std::optional<Decimal> Decimal::typed(const QString& text)
{
    if (!typedNumber(text))
        return std::nullopt;
    const QString trimmed = text.trimmed();
    try {
        return parse(trimmed.endsWith(u',') || trimmed.endsWith(u'.') ? trimmed.chopped(1) : trimmed);
    } catch (const Error&) {
        return std::nullopt; // more digits than the arithmetic holds: no amount yet
    }
}

Decimal Decimal::atScale(int scale) const
{
    return Decimal(checkedProduct(m_units, power10(scale - m_scale)), scale);
}

Decimal Decimal::operator*(const Decimal& other) const
{
    Decimal product(checkedProduct(m_units, other.m_units), m_scale + other.m_scale);
    if (product.m_scale > kMaxScale)
        product = Decimal(product.roundedUnits(kMaxScale), kMaxScale);
    return product;
}

Decimal Decimal::operator+(const Decimal& other) const
{
    const int scale = std::max(m_scale, other.m_scale);
    return Decimal(checkedSum(atScale(scale).m_units, other.atScale(scale).m_units), scale);
}

Decimal Decimal::operator-(const Decimal& other) const
{
    return *this + Decimal(-other.m_units, other.m_scale);
}

Decimal::Wide Decimal::roundedUnits(int decimals) const
{
    if (decimals >= m_scale)
        return checkedProduct(m_units, power10(decimals - m_scale));
    return dividedRounded(m_units, power10(m_scale - decimals));
}

int Decimal::wholeDigits() const
{
    Wide whole = (m_units < 0 ? -m_units : m_units) / power10(m_scale);
    int digits = 0;
    for (; whole > 0; whole /= 10)
        ++digits;
    return digits;
}

QString Decimal::literal() const
{
    const Wide magnitude = m_units < 0 ? -m_units : m_units;
    const Wide unit = power10(m_scale);
    QString whole;
    for (Wide w = magnitude / unit; w > 0; w /= 10)
        whole.prepend(QChar(u'0' + static_cast<int>(w % 10)));
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    QString fraction;
    Wide f = magnitude % unit;
    for (int i = 0; i < m_scale; ++i, f /= 10)
        fraction.prepend(QChar(u'0' + static_cast<int>(f % 10)));
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    return (m_units < 0 ? QStringLiteral("-") : QString()) + whole
           + (fraction.isEmpty() ? QString() : QStringLiteral(".") + fraction);
}

QString Decimal::text(bool grouped) const
{
    QString t = literal().replace(u'.', u',');
    if (grouped) {
        const qsizetype start = t.startsWith(u'-') ? 1 : 0;
        const qsizetype comma = t.indexOf(u',');
        for (qsizetype i = (comma < 0 ? t.size() : comma) - 3; i > start; i -= 3)
            t.insert(i, u' ');
    }
    return t;
}

Money Money::rounded(const Decimal& value, int decimals)
{
    const Wide filler = checkedProduct(value.roundedUnits(std::min(decimals, 2)), power10(2 - std::min(decimals, 2)));
    if (filler > std::numeric_limits<qint64>::max() || filler < std::numeric_limits<qint64>::min())
        tooLarge();
    return Money(static_cast<qint64>(filler));
}

Money Money::lineNet(const Decimal& quantity, const Decimal& unitPrice, const Decimal& discountPercent)
{
    const Decimal gross = quantity * unitPrice;
    return rounded(gross - gross * discountPercent.percent());
}

Money Money::roundedWhole() const
{
    return Money(static_cast<qint64>(dividedRounded(m_filler, 100)) * 100);
}

QString Money::schemaText() const
{
    return amountText(m_filler, u'.', false);
}

QString Money::text() const
{
    return amountText(m_filler, u',', false);
}

QString Money::groupedText() const
{
    return amountText(m_filler, u',', true);
}

QString Money::wholeText(bool grouped) const
{
    const qint64 units = roundedWhole().wholeUnits();
    return (units < 0 ? QStringLiteral("-") : QString()) + digitText(units < 0 ? -units : units, grouped);
}

} // namespace orvena
