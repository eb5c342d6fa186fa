#include "codepages.h"

#include "errors.h"

#include <QHash>

namespace orvena {
namespace {

// Unicode code points of the bytes 0x80..0xFF; 0xFFFD marks an unassigned byte.
constexpr char16_t kLatin2[128] = {
    0x0080, 0x0081, 0x0082, 0x0083, 0x0084, 0x0085, 0x0086, 0x0087,
    0x0088, 0x0089, 0x008A, 0x008B, 0x008C, 0x008D, 0x008E, 0x008F,
    0x0090, 0x0091, 0x0092, 0x0093, 0x0094, 0x0095, 0x0096, 0x0097,
    0x0098, 0x0099, 0x009A, 0x009B, 0x009C, 0x009D, 0x009E, 0x009F,
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7,
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B,
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

constexpr char16_t kWindows1250[128] = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021,
    0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

const char16_t* upperHalf(CodePage page)
{
    return page == CodePage::Latin2 ? kLatin2 : kWindows1250;
}

const QHash<char16_t, char>& reverseTable(CodePage page)
{
    static const auto build = [](const char16_t* table) {
        QHash<char16_t, char> map;
        for (int i = 0; i < 128; ++i)
            if (table[i] != 0xFFFD)
                map.insert(table[i], static_cast<char>(0x80 + i));
        return map;
    };
    static const QHash<char16_t, char> latin2 = build(kLatin2);
    static const QHash<char16_t, char> cp1250 = build(kWindows1250);
    return page == CodePage::Latin2 ? latin2 : cp1250;
}

// The characters latin2Equivalents replaces, with what it writes for each.
const QHash<char16_t, QString>& typographicEquivalents()
{
    static const QHash<char16_t, QString> map{
        {u'\u2013', QStringLiteral("-")},   {u'\u2014', QStringLiteral("-")},  {u'\u2212', QStringLiteral("-")},
        {u'\u2012', QStringLiteral("-")},   {u'\u2015', QStringLiteral("-")},  {u'\u201E', QStringLiteral("\"")},
        {u'\u201D', QStringLiteral("\"")},  {u'\u201C', QStringLiteral("\"")}, {u'\u2033', QStringLiteral("\"")},
        {u'\u201A', QStringLiteral("'")},   {u'\u2019', QStringLiteral("'")},  {u'\u2018', QStringLiteral("'")},
        {u'\u2032', QStringLiteral("'")},   {u'\u2026', QStringLiteral("...")}};
    return map;
}

} // namespace

QString latin2Equivalents(const QString& text)
{
    const auto& map = typographicEquivalents();
    qsizetype first = 0;
    while (first < text.size() && !map.contains(text.at(first).unicode()))
        ++first;
    if (first == text.size())
        return text;
    QString out = text.left(first);
    for (qsizetype i = first; i < text.size(); ++i) {
        const auto it = map.constFind(text.at(i).unicode());
        if (it == map.constEnd())
            out += text.at(i);
        else
            out += it.value();
    }
    return out;
}

QString decode(CodePage page, const char* data, qsizetype size)
{
    const char16_t* table = upperHalf(page);
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        dst[i] = byte < 0x80 ? QChar(byte) : QChar(table[byte - 0x80]);
    }
    return out;
}

QString decode(CodePage page, const QByteArray& bytes)
{
    return decode(page, bytes.constData(), bytes.size());
}

std::optional<QByteArray> tryEncode(CodePage page, const QString& original, QChar* bad)
{
    const auto& reverse = reverseTable(page);
    const QString text = page == CodePage::Latin2 ? latin2Equivalents(original) : original;
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        if (code < 0x80) {
            out.append(static_cast<char>(code));
            continue;
        }
        const auto it = reverse.constFind(code);
        if (it == reverse.constEnd()) {
            if (bad)
                *bad = ch;
            return std::nullopt;
        }
        out.append(it.value());
    }
    return out;
}

QString encodingProblem(CodePage page, const QString& text, bool withText)
{
    QChar bad;
    if (tryEncode(page, text, &bad))
        return {};
    // the whole character, also when it lies outside the 16-bit plane (emoji)
    QString character(bad);
    char32_t point = bad.unicode();
    const qsizetype at = text.indexOf(bad);
    if (bad.isHighSurrogate() && at >= 0 && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
        character = text.mid(at, 2);
        point = QChar::surrogateToUcs4(bad, text.at(at + 1));
    }
    const QString code = QString::number(point, 16).toUpper().rightJustified(4, u'0');
    const QString pageName = page == CodePage::Latin2 ? QStringLiteral("latin2") : QStringLiteral("Windows-1250");
    QString message = QStringLiteral("A(z) \"%1\" karakter (U+%2) nem tárolható: a szöveg csak közép-európai "
                                     "(%3) betűket tartalmazhat.")
                          .arg(character, code, pageName);
    if (withText)
        message += QStringLiteral("\nSzöveg: %1").arg(text);
    return message;
}

QByteArray encode(CodePage page, const QString& text)
{
    if (auto bytes = tryEncode(page, text))
        return *bytes;
    throw ConversionError(encodingProblem(page, text));
}

QString encodable(CodePage page, const QString& original)
{
    const QString text = page == CodePage::Latin2 ? latin2Equivalents(original) : original;
    if (tryEncode(page, text))
        return text;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // no single-byte page holds a character beyond the 16-bit plane
            continue;
        }
        if (tryEncode(page, QString(c)))
            out += c;
    }
    return out;
}

} // namespace orvena
