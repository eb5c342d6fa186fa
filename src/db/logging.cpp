#include "logging.h"

#include <atomic>

#include "codepages.h"
#include "errors.h"

Q_LOGGING_CATEGORY(lcDb, "orvena.db", QtWarningMsg)
Q_LOGGING_CATEGORY(lcScreens, "orvena.screens", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPrint, "orvena.print", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNav, "orvena.nav", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNavSend, "orvena.navsend", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "orvena.ui", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "orvena.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMail, "orvena.mail", QtWarningMsg)

namespace orvena {

namespace {

bool wordCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'
        || static_cast<unsigned char>(c) >= 0x80;
}

} // namespace

QString statementOutline(const QByteArray& sql, int maxLength)
{
    QByteArray out;
    const QByteArray text = sql.simplified();
    qsizetype i = 0;
    for (; i < text.size() && out.size() < maxLength; ++i) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            // a text value: skipped up to its closing quote (doubled quotes and backslashes inside)
            qsizetype j = i + 1;
            while (j < text.size()) {
                if (text[j] == '\\') {
                    j += 2;
                    continue;
                }
                if (text[j] == c) {
                    if (j + 1 < text.size() && text[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += '?';
            i = j;
        } else if (c >= '0' && c <= '9' && (i == 0 || !wordCharacter(text[i - 1]))) {
            // a number (not the digits of a name such as p2 or ix_1)
            qsizetype j = i;
            while (j + 1 < text.size() && (wordCharacter(text[j + 1]) || text[j + 1] == '.'))
                ++j;
            out += '?';
            i = j;
        } else if (c == '`') {
            // a quoted name stays as it is
            const qsizetype end = text.indexOf('`', i + 1);
            const qsizetype stop = end < 0 ? text.size() : end + 1;
            out += text.mid(i, stop - i);
            i = stop - 1;
        } else {
            out += c;
        }
    }
    QString outline = decode(CodePage::Latin2, out.left(maxLength));
    if (out.size() > maxLength || i < text.size())
        outline += QStringLiteral("...");
    return outline;
}

namespace {
std::atomic<bool> failureLogging{true};
} // namespace

void setFailureLogging(bool on)
{
    failureLogging = on;
}

void logFailure(const QLoggingCategory& category, const Error& error, const QString& note)
{
    if (!failureLogging || !category.isWarningEnabled())
        return;
    QString line;
    if (const auto* db = dynamic_cast<const DbError*>(&error)) {
        line = QStringLiteral("server error %1: %2").arg(db->code()).arg(db->text());
        if (!db->statement().isEmpty())
            line += QStringLiteral(" | statement: %1").arg(db->statement());
    } else {
        line = QStringLiteral("error: %1").arg(error.text());
    }
    if (!note.isEmpty() && note != error.text())
        line += QStringLiteral(" | %1").arg(note.simplified());
    qCWarning(category).noquote() << line;
}

} // namespace orvena
