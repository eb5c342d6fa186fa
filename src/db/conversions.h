#pragma once
// Conversions between typed texts and values in the program's own conventions, independent of
// the machine's locale: "," is the decimal separator, a blank groups thousands, dates read
// yyyy.MM.dd.
#include <QDate>
#include <QString>
#include <optional>

namespace orvena {

inline constexpr QStringView kDateFormat = u"yyyy.MM.dd";

// The one blank-text rule of the screens: a text is blank when nothing but white space (blanks,
// tabs, line ends and the other Unicode spaces) is left once trailing blanks are removed; a
// required field that is blank counts as not given.
QString withoutTrailingBlanks(const QString& text);
inline bool isBlank(const QString& text)
{
    return withoutTrailingBlanks(text).isEmpty();
}

// Every failed conversion throws ConversionError with a Hungarian text that quotes the value.

// A 32-bit signed integer: "A(z) '12a' nem érvényes egész szám."
int parseInt32(const QString& text);
// A 64-bit signed integer, same wording.
qint64 parseInt64(const QString& text);
// A number with "," (or ".") as decimal separator: "A(z) '5%' nem érvényes szám."
double parseDouble(const QString& text);
// The number as a decimal literal for a statement ("-1234.5"), every typed digit kept; blanks
// that group thousands are dropped. Same check and wording as parseDouble.
QByteArray decimalLiteral(const QString& text);
// A number still being typed: "2," reads as 2; "", "-", "," and anything else that is not (yet)
// a number give nothing. Never throws: typing is no error, only the finished value is checked.
std::optional<double> typedNumber(const QString& text);
// A date written yyyy.MM.dd (also yyyy-MM-dd): "A(z) '2026.02.30' nem érvényes dátum."
QDate parseDate(const QString& text);
bool isValidDate(const QString& text);

QString formatDate(const QDate& date);
// Fixed decimals, "," separator, optional blank thousands grouping: 1 234 567,50.
QString formatNumber(double value, int decimals, bool grouping = true);
// The shortest text that reads back as the same value, without trailing zeros: 3, 3,5, -0,125.
QString formatPlain(double value);
// A DECIMAL text from the server ("3.5000", "-12.000") in program form ("3,5", "-12").
QString fromServerDecimal(QStringView serverText);
// A DATE text from the server ("2010-05-17") in program form ("2010.05.17"); other texts unchanged.
QString fromServerDate(QStringView serverText);

} // namespace orvena
