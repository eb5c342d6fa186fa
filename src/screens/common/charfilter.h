#pragma once
// Per-key character filters of the numeric fields: a typed character outside the allowed set is
// dropped, Backspace always passes, the Enter character never reaches the field. A number
// field's filter also says what kind of number it holds, so "OK" reads it with the one number
// reader (db/numberinput.h): the filter lets through every character a number may be written
// with (digits, comma, dot, minus; grouping blanks are dropped) and leaves the reading to it.
#include "db/numberinput.h"

#include <QString>
#include <optional>

namespace orvena {

class CharFilter {
public:
    CharFilter() = default; // accepts everything
    explicit CharFilter(const QString& allowed) : m_allowed(allowed), m_restricted(true) {}

    CharFilter(const QString& allowed, NumberKind number) : m_allowed(allowed), m_restricted(true), m_number(number) {}

    static CharFilter digits() { return CharFilter(QStringLiteral("0123456789")); }
    // a quantity, rate or percentage, and an amount of money
    static CharFilter decimal() { return CharFilter(kNumberCharacters, NumberKind::Measure); }
    static CharFilter amount() { return CharFilter(kNumberCharacters, NumberKind::Amount); }
    // unsigned: a percentage or a rate
    static CharFilter unsignedDecimal() { return CharFilter(QStringLiteral("0123456789,."), NumberKind::Measure); }

    // The kind of number the field holds; nothing for other fields.
    const std::optional<NumberKind>& number() const { return m_number; }

    enum class Decision { Insert, Drop, PassThrough };
    // PassThrough: Backspace and control keys, handled by the field as usual.
    Decision decide(QChar typed) const;
    bool isRestricted() const { return m_restricted; }
    // Keeps only the allowed characters (for pasted text).
    QString clean(const QString& text) const;

private:
    // blanks that group digits are left out as typed: the number stays the same
    static inline const QString kNumberCharacters = QStringLiteral("0123456789,.-");
    QString m_allowed;
    bool m_restricted = false;
    std::optional<NumberKind> m_number;
};

} // namespace orvena
