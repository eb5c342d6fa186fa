#pragma once
// The texts of the function keys F2 ... F12: one text area whose line n-1 belongs to key Fn,
// read from and written to litania.txt (Windows-1250, lines ending in CR LF).
#include <QString>

namespace orvena {

class FunctionKeyTexts {
public:
    FunctionKeyTexts();

    static QString builtInText();
    static QString defaultFileName() { return QStringLiteral("litania.txt"); }

    // The text area's contents, lines separated by "\n".
    const QString& text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }

    // Replaces the text with the file's lines; CR LF, lone CR and lone LF all end a line.
    // Throws FileError when the file cannot be opened; the text then stays as it was.
    void load(const QString& path = defaultFileName());
    // Writes the text with CR LF line ends, replacing the file. Throws FileError (file cannot be
    // created) or ConversionError (a character Windows-1250 cannot hold); the file is unchanged.
    void save(const QString& path = defaultFileName()) const;

    // The text of key F2 ... F12 (2 ... 12); a line that does not exist gives the empty text.
    QString textForKey(int functionKey) const;

    // The key's effect on a one-line field: the whole text is replaced.
    static QString applyToLine(const QString& text) { return text; }
    // The key's effect on a memo: the text is appended as a new last line.
    static QString appendToMemo(const QString& memo, const QString& text);

private:
    QString m_text;
};

} // namespace orvena
