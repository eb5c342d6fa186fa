#pragma once
// Conversions between typed texts and values in the program's own conventions, independent of
// the machine's locale: "," is the decimal separator, a blank groups thousands, dates read
// yyyy.MM.dd.
#include <QDate>
#include <QString>

namespace orvena {

inline constexpr QStringView kDateFormat = u"yyyy.MM.dd";

// A 32-bit signed integer; throws ConversionError "'x' is not a valid integer value".
int parseInt32(const QString& text);
// A 64-bit signed integer, same wording.
qint64 parseInt64(const QString& text);
// A number with "," (or ".") as decimal separator; throws "'x' is not a valid floating point value".
double parseDouble(const QString& text);
// A date written yyyy.MM.dd (also yyyy-MM-dd); throws "'x' is not a valid date".
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
