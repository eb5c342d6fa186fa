#pragma once
// Checks of finished numeric fields, shared by the document screens: a zero check compares the
// number ("0,0" is zero), and a value must convert and fit its column before anything is written.
// While a number is being typed nothing is checked (typedNumber() in db/conversions.h).
#include "db/conversions.h"
#include "db/errors.h"
#include "db/numberinput.h"
#include "db/schema.h"

namespace orvena {

inline bool isZeroNumber(const QString& text)
{
    const auto value = typedNumber(text);
    return value && *value == 0.0;
}

// Reads the number typed into a field with the one reader and puts it back in the program's form
// ("50.000" in an amount field becomes "50000"); a blank field stays as it is. Empty when read,
// otherwise the Hungarian reason naming the field, and the text is left unchanged.
inline QString readNumberField(QString& text, NumberKind kind, const QString& label)
{
    if (isBlank(text))
        return {};
    try {
        text = readNumber(text, kind, label).text();
    } catch (const ConversionError& e) {
        return e.text();
    }
    return {};
}

// Empty when text is a number that table.column can hold; otherwise the Hungarian reason,
// naming the field by its label.
inline QString numberProblem(const QString& table, const QString& column, const QString& text, const QString& label)
{
    try {
        parseDouble(text);
    } catch (const ConversionError& e) {
        return QStringLiteral("%1: %2").arg(label, e.text());
    }
    try {
        checkNumberFits(table, column, text, label);
    } catch (const ConversionError& e) {
        return e.text();
    }
    return {};
}

} // namespace orvena
