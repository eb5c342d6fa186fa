#pragma once
// Single-byte code pages the program stores and reads: ISO 8859-2 (the database's latin2)
// and Windows-1250 (the function-key text file). Encoding refuses characters the page lacks
// instead of writing "?"; into latin2 the common typographic characters go as their plain
// equivalents first (latin2Equivalents).
#include <QByteArray>
#include <QString>
#include <optional>

namespace orvena {

enum class CodePage { Latin2, Windows1250 };

// The typographic characters latin2 lacks, written as a typist writes them in latin2: the dashes
// and the minus sign (– — − ‒ ―) as "-", the double quotes („ ” “ ″) as '"', the single ones
// (‚ ’ ‘ ′) as "'", the ellipsis (…) as "...". Every other character stays. Text goes into
// latin2 through it (the operator's pasted bank remarks and the program's own window titles
// hold such characters), so they are stored as their equivalents instead of being refused.
QString latin2Equivalents(const QString& text);

QString decode(CodePage page, const QByteArray& bytes);
QString decode(CodePage page, const char* data, qsizetype size);
// Empty optional when a character cannot be encoded; *bad receives the first such character.
std::optional<QByteArray> tryEncode(CodePage page, const QString& text, QChar* bad = nullptr);
// Throws ConversionError with the message of encodingProblem().
QByteArray encode(CodePage page, const QString& text);
// Empty when the page holds every character of text; otherwise the Hungarian message naming the
// first character it lacks ("A(z) "€" karakter (U+20AC) nem tárolható: ...").
QString encodingProblem(CodePage page, const QString& text, bool withText = true);
// text without the characters the page lacks (an emoji goes as a whole).
QString encodable(CodePage page, const QString& text);

} // namespace orvena
