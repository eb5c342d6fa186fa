#pragma once
// Single-byte code pages the program stores and reads: ISO 8859-2 (the database's latin2)
// and Windows-1250 (the function-key text file). Encoding refuses characters the page lacks
// instead of writing "?".
#include <QByteArray>
#include <QString>
#include <optional>

namespace orvena {

enum class CodePage { Latin2, Windows1250 };

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
