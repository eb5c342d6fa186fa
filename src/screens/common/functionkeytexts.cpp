#include "functionkeytexts.h"

#include "db/codepages.h"
#include "db/errors.h"

#include <QFile>
#include <QSaveFile>

namespace orvena {

FunctionKeyTexts::FunctionKeyTexts() : m_text(builtInText()) {}

QString FunctionKeyTexts::builtInText()
{
    return QStringLiteral("2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n"
                          "Késedelmes fizetés esetén késedelmi kamatot számítunk fel melynek mértéke a "
                          "mindenkori jegybanki alapkamat kétszerese.\n"
                          "\n"
                          " ");
}

void FunctionKeyTexts::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("A(z) \"%1\" fájl nem nyitható meg.").arg(path));
    QString text = decode(CodePage::Windows1250, file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    m_text = text;
}

void FunctionKeyTexts::save(const QString& path) const
{
    QString text = m_text;
    text.replace(u'\n', QStringLiteral("\r\n"));
    const QByteArray bytes = encode(CodePage::Windows1250, text);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw FileError(QStringLiteral("A(z) \"%1\" fájl nem hozható létre.").arg(path));
}

QString FunctionKeyTexts::textForKey(int functionKey) const
{
    const int line = functionKey - 2;
    if (line < 0)
        return {};
    const auto lines = QStringView(m_text).split(u'\n');
    return line < lines.size() ? lines[line].toString() : QString();
}

QString FunctionKeyTexts::appendToMemo(const QString& memo, const QString& text)
{
    if (memo.isEmpty())
        return text;
    if (memo.endsWith(u'\n'))
        return memo + text;
    return memo + u'\n' + text;
}

} // namespace orvena
