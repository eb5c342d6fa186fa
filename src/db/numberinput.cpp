#include "numberinput.h"

#include "errors.h"

#include <QRegularExpression>

namespace orvena {

namespace {

bool allDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Whole digits grouped by dots: "1.234.567" (the first group one to three digits).
bool dotGrouped(const QString& text)
{
    static const QRegularExpression grouped(QStringLiteral("^[0-9]{1,3}(\\.[0-9]{3})+$"));
    return grouped.match(text).hasMatch();
}

} // namespace

Decimal readNumber(const QString& text, NumberKind kind, const QString& label)
{
    const auto refused = [&]() -> Decimal {
        throw ConversionError(QStringLiteral("%1: A(z) '%2' nem érvényes szám.").arg(label, text.trimmed()));
    };
    QString t = text.trimmed();
    for (const QChar blank : {QChar(u' '), QChar(0x00A0), QChar(0x202F), QChar(0x2009)})
        t.remove(blank);
    const bool negative = t.startsWith(u'-');
    if (negative)
        t.remove(0, 1);
    if (t.count(u',') > 1)
        return refused();
    QString whole = t.section(u',', 0, 0);
    QString fraction = t.contains(u',') ? t.section(u',', 1) : QString();
    if (t.contains(u',') && !allDigits(fraction))
        return refused();
    if (kind == NumberKind::Measure) {
        if (whole.count(u'.') + (t.contains(u',') ? 1 : 0) > 1)
            return refused();
        if (whole.contains(u'.')) {
            fraction = whole.section(u'.', 1);
            whole = whole.section(u'.', 0, 0);
            if (!allDigits(fraction))
                return refused();
        }
    } else if (whole.contains(u'.')) {
        if (dotGrouped(whole)) {
            whole.remove(u'.');
        } else if (!t.contains(u',') && whole.count(u'.') == 1 && whole.section(u'.', 1).size() != 3) {
            fraction = whole.section(u'.', 1);
            whole = whole.section(u'.', 0, 0);
            if (!allDigits(fraction))
                return refused();
        } else {
            return refused();
        }
    }
    if (!allDigits(whole))
        return refused();
    try {
        return Decimal::parse((negative ? QStringLiteral("-") : QString()) + whole
                              + (fraction.isEmpty() ? QString() : QStringLiteral(".") + fraction));
    } catch (const Error&) {
        return refused();
    }
}

std::optional<Decimal> typedNumber(const QString& text, NumberKind kind)
{
    QString t = text.trimmed();
    if (t.endsWith(u',') || t.endsWith(u'.'))
        t.chop(1);
    if (t.isEmpty())
        return std::nullopt;
    try {
        return readNumber(t, kind, QString());
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace orvena
