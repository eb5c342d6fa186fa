// Writes the program's manual page from its template, with the options section made from the
// text "orvena --help" prints: the page and the help are one list and cannot drift apart.
//
//     orvena_manpage man/orvena.1.in orvena.1
//
// The line "@KAPCSOLOK@" of the template is replaced. In the help text a line indented by two
// blanks names an option, one indented further describes it, a line ending with ":" heads a
// group of options and any other line is running text.
#include "app/commandline.h"

#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

// Text as the page shows it: a hyphen is a minus sign in options, a backslash is escaped, and
// a line never starts with a control character.
QString roff(QString text)
{
    text.replace(u'\\', QStringLiteral("\\e"));
    text.replace(u'-', QStringLiteral("\\-"));
    if (text.startsWith(u'.') || text.startsWith(u'\''))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

QString optionsSection(const QString& help)
{
    QStringList out;
    const QStringList lines = help.split(u'\n');
    qsizetype i = lines.indexOf(QString()); // the usage lines before the first blank one stay out
    bool inParagraph = false;
    for (++i; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const QString text = line.trimmed();
        if (text.isEmpty()) {
            inParagraph = false;
            continue;
        }
        if (line.startsWith(QStringLiteral("   "))) { // an option's description
            out << roff(text);
        } else if (line.startsWith(QStringLiteral("  "))) { // an option
            out << QStringLiteral(".TP") << QStringLiteral(".B ") + roff(text);
            inParagraph = false;
        } else if (text.endsWith(u':')) {
            out << QStringLiteral(".SS ") + roff(text.chopped(1));
            inParagraph = false;
        } else {
            if (!inParagraph)
                out << QStringLiteral(".PP");
            out << roff(text);
            inParagraph = true;
        }
    }
    return out.join(u'\n');
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: orvena_manpage TEMPLATE OUTPUT\n", stderr);
        return 2;
    }
    QFile in(QFile::decodeName(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
        return 1;
    }
    QString page = QString::fromUtf8(in.readAll());
    const QString marker = QStringLiteral("@KAPCSOLOK@\n");
    if (!page.contains(marker)) {
        std::fprintf(stderr, "%s: no @KAPCSOLOK@ line\n", argv[1]);
        return 1;
    }
    page.replace(marker, optionsSection(orvena::commandLineHelp()) + u'\n');
    QFile out(QFile::decodeName(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(page.toUtf8()) < 0) {
        std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
