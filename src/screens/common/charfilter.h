#pragma once
// Per-key character filters of the numeric fields: a typed character outside the allowed set is
// dropped, Backspace always passes, the Enter character never reaches the field.
#include <QString>

namespace orvena {

class CharFilter {
public:
    CharFilter() = default; // accepts everything
    explicit CharFilter(const QString& allowed) : m_allowed(allowed), m_restricted(true) {}

    static CharFilter digits() { return CharFilter(QStringLiteral("0123456789")); }
    // digits with the program's decimal separator and a minus sign
    static CharFilter decimal() { return CharFilter(QStringLiteral("0123456789,-")); }

    enum class Decision { Insert, Drop, PassThrough };
    // PassThrough: Backspace and control keys, handled by the field as usual.
    Decision decide(QChar typed) const;
    bool isRestricted() const { return m_restricted; }
    // Keeps only the allowed characters (for pasted text).
    QString clean(const QString& text) const;

private:
    QString m_allowed;
    bool m_restricted = false;
};

} // namespace orvena
