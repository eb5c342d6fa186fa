#pragma once
// Money in fillér: every amount the program computes (line amounts, totals, tax, the forint
// value of a foreign-currency amount) is a Money, whole hundredths of the currency unit in a
// 64-bit integer. The numbers that enter an amount (quantity, unit price, discount and tax
// percentages, exchange rate) are read exactly as decimals, multiplied exactly, and rounded
// once, half away from zero (2,345 -> 2,35; -2,345 -> -2,35), as the stored DECIMAL columns
// and the tax authority round. Sums of rounded amounts are exact.
#include <QString>
#include <optional>

namespace orvena {

// An exact decimal number, units / 10^scale, as read from a text or multiplied from others.
// Products keep every digit up to 18 decimals; a product too large for the arithmetic throws
// Error ("Az összeg túl nagy ...").
class Decimal {
public:
    Decimal() = default;
    static Decimal whole(qint64 value) { return Decimal(value, 0); }
    // A number in program form ("1 234,5") or the server's ("1234.5000"): every digit kept up
    // to 18 decimals (beyond them rounded). Throws ConversionError as parseDouble does.
    static Decimal parse(const QString& text);
    // A number exactly in the server's plain form ("-1234.5000", at most 30 digits): nothing for
    // anything else (blanks, an exponent, a comma), which parse() reads. Reads a cell without
    // making a string of it: a list of a hundred thousand invoices holds a few hundred thousand.
    static std::optional<Decimal> fromPlain(const char* data, qsizetype size);
    // A number still being typed ("2," reads as 2): nothing for what typedNumber() refuses.
    static std::optional<Decimal> typed(const QString& text);

    Decimal operator*(const Decimal& other) const;
    Decimal operator+(const Decimal& other) const;
    Decimal operator-(const Decimal& other) const;
    // This number of percent as a fraction: 27 -> 0,27 (exact).
    Decimal percent() const { return Decimal(m_units, m_scale + 2); }
    bool isZero() const { return m_units == 0; }
    bool isPositive() const { return m_units > 0; }
    // Digits before the decimal point of the magnitude, 0 below one: 12345,6 -> 5.
    int wholeDigits() const;
    bool isNegative() const { return m_units < 0; }
    // Every digit, without trailing zeros: the server's form "-1234.5" and the program's
    // "-1234,5" (grouped "-1 234,5").
    QString literal() const;
    QString text(bool grouped = false) const;
    // Compared by value: 2,50 == 2,5.
    bool operator==(const Decimal& other) const { return (*this - other).isZero(); }
    bool operator<(const Decimal& other) const { return (*this - other).isNegative(); }

private:
    friend class Money;
    __extension__ using Wide = __int128;
    Decimal(Wide units, int scale) : m_units(units), m_scale(scale) {}
    Decimal atScale(int scale) const; // scale >= m_scale
    // Half away from zero to `decimals` digits (none when it has no more).
    Wide roundedUnits(int decimals) const;

    Wide m_units = 0;
    int m_scale = 0;
};

class Money {
public:
    constexpr Money() = default;
    static constexpr Money fromFiller(qint64 filler) { return Money(filler); }
    // Rounded half away from zero to the fillér, or to fewer decimals (0: whole units, -1: tens).
    static Money rounded(const Decimal& value, int decimals = 2);
    // An amount text in program or server form, rounded to the fillér; throws ConversionError.
    static Money parse(const QString& text) { return rounded(Decimal::parse(text)); }

    // An invoice line's net: quantity x unit price less the discount percentage of that,
    // rounded to the fillér.
    static Money lineNet(const Decimal& quantity, const Decimal& unitPrice, const Decimal& discountPercent);
    // The tax of this (rounded) net at a percentage, rounded to the fillér.
    Money tax(const Decimal& percent) const { return rounded(exact() * percent.percent()); }
    // This amount at an exchange rate, to the fillér, and in whole units (the forint value of a
    // foreign-currency amount).
    Money converted(const Decimal& rate) const { return rounded(exact() * rate); }
    Money convertedWhole(const Decimal& rate) const { return rounded(exact() * rate).roundedWhole(); }
    // Rounded half away from zero to whole units: 12 345,50 -> 12 346,00; -0,50 -> -1,00.
    Money roundedWhole() const;

    constexpr qint64 filler() const { return m_filler; }
    Decimal exact() const { return Decimal(m_filler, 2); }
    // The whole units, truncated toward zero, and the hundredths without sign: -12,34 -> -12, 34.
    constexpr qint64 wholeUnits() const { return m_filler / 100; }
    constexpr int hundredths() const { return static_cast<int>(m_filler < 0 ? -(m_filler % 100) : m_filler % 100); }
    constexpr bool isNegative() const { return m_filler < 0; }
    constexpr bool isZero() const { return m_filler == 0; }

    // "1234.56", "-0.05": the tax authority's decimal form.
    QString schemaText() const;
    // "1234,56", "-0,05": the program's form; with a blank between thousands: "1 234,56".
    QString text() const;
    QString groupedText() const;
    // Rounded to whole units and shown without decimals: "12346", grouped "12 346".
    QString wholeText(bool grouped = false) const;

    constexpr Money operator+(Money o) const { return Money(m_filler + o.m_filler); }
    constexpr Money operator-(Money o) const { return Money(m_filler - o.m_filler); }
    constexpr Money operator-() const { return Money(-m_filler); }
    constexpr Money& operator+=(Money o)
    {
        m_filler += o.m_filler;
        return *this;
    }
    constexpr auto operator<=>(const Money&) const = default;

private:
    constexpr explicit Money(qint64 filler) : m_filler(filler) {}
    qint64 m_filler = 0;
};

} // namespace orvena
