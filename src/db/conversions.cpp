#include "conversions.h"

#include "errors.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace orvena {

QString withoutTrailingBlanks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end);
}
namespace {

QString quoted(const QString& text, const QString& what)
{
    return QStringLiteral("A(z) '%1' nem érvényes %2.").arg(text, what);
}

const QString kInteger = QStringLiteral("egész szám");
const QString kNumber = QStringLiteral("szám");
const QString kDate = QStringLiteral("dátum");

// The number's text without grouping blanks and with "." as separator; empty when invalid.
QString normalisedNumber(const QString& text)
{
    QString t = text.trimmed();
    t.remove(u' ');
    t.remove(QChar(0x00A0));
    // Only one decimal separator is allowed; "," is the program's, "." is accepted as well.
    if (t.count(u',') + t.count(u'.') > 1)
        return {};
    t.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    if (!ok || t.isEmpty() || !std::isfinite(value) || t.contains(u'e', Qt::CaseInsensitive)
        || t.startsWith(u'+') || t.endsWith(u'.') || t.startsWith(u'.') || t.startsWith(QStringLiteral("-.")))
        return {};
    return t;
}

} // namespace

qint64 parseInt64(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        throw ConversionError(quoted(text, kInteger));
    return value;
}

int parseInt32(const QString& text)
{
    const qint64 value = parseInt64(text);
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw ConversionError(quoted(text, kInteger));
    return static_cast<int>(value);
}

double parseDouble(const QString& text)
{
    const QString t = normalisedNumber(text);
    if (t.isEmpty())
        throw ConversionError(quoted(text, kNumber));
    return QLocale::c().toDouble(t);
}

QByteArray decimalLiteral(const QString& text)
{
    const QString t = normalisedNumber(text);
    if (t.isEmpty())
        throw ConversionError(quoted(text, kNumber));
    return t.toLatin1();
}

std::optional<double> typedNumber(const QString& text)
{
    QString t = normalisedNumber(text);
    if (t.isEmpty()) {
        // "2," or "-2," on the way to a decimal
        const QString trimmed = text.trimmed();
        if (trimmed.size() > 1 && (trimmed.endsWith(u',') || trimmed.endsWith(u'.')))
            t = normalisedNumber(trimmed.chopped(1));
    }
    if (t.isEmpty())
        return std::nullopt;
    return QLocale::c().toDouble(t);
}

QDate parseDate(const QString& text)
{
    const QString t = text.trimmed();
    QDate date = QDate::fromString(t, kDateFormat.toString());
    if (!date.isValid())
        date = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        throw ConversionError(quoted(text, kDate));
    return date;
}

bool isValidDate(const QString& text)
{
    try {
        parseDate(text);
        return true;
    } catch (const ConversionError&) {
        return false;
    }
}

QString formatDate(const QDate& date)
{
    return date.toString(kDateFormat.toString());
}

QString formatNumber(double value, int decimals, bool grouping)
{
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(std::abs(value) * scale) / scale;
    const bool negative = value < 0 && rounded != 0.0;
    QString digits = QString::number(rounded, 'f', decimals);
    QString intPart = digits.section(u'.', 0, 0);
    const QString fracPart = decimals > 0 ? digits.section(u'.', 1, 1) : QString();
    if (grouping) {
        for (qsizetype i = intPart.size() - 3; i > 0; i -= 3)
            intPart.insert(i, u' ');
    }
    QString out = negative ? QStringLiteral("-") + intPart : intPart;
    if (decimals > 0)
        out += u',' + fracPart;
    return out;
}

namespace {

// A number with a decimal point loses the zeros that end its fraction, and the point when
// nothing is left after it ("12.500" is "12.5", "3.000" is "3"); a whole number stays.
QString withoutTrailingZeros(QString text)
{
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

} // namespace

QString formatPlain(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    if (text.contains(u'e')) // very large or small: write it out in full
        text = QString::number(value, 'f', 10);
    return withoutTrailingZeros(text).replace(u'.', u',');
}

QString fromServerDecimal(QStringView serverText)
{
    QString text = withoutTrailingZeros(serverText.toString()).replace(u'.', u',');
    if (text == u"-0")
        text = QStringLiteral("0");
    return text;
}

QString fromServerDate(QStringView serverText)
{
    if (serverText.size() == 10 && serverText[4] == u'-' && serverText[7] == u'-') {
        QString text = serverText.toString();
        text[4] = u'.';
        text[7] = u'.';
        return text;
    }
    return serverText.toString();
}

} // namespace orvena
