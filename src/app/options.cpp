#include "options.h"

#include "db/connection.h"
#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"

#include <QCoreApplication>

namespace orvena {

void printLine(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

bool OptionReader::next()
{
    if (++m_index >= m_arguments.size())
        return false;
    m_option = m_arguments.at(m_index);
    m_inlineValue.reset();
    if (m_option.startsWith(u"--") && m_option.contains(u'=')) {
        m_inlineValue = m_option.section(u'=', 1);
        m_option = m_option.section(u'=', 0, 0);
    }
    return true;
}

QString OptionReader::value()
{
    if (m_inlineValue)
        return *m_inlineValue;
    if (m_index + 1 >= m_arguments.size()) {
        fail(QStringLiteral("Hiba: a(z) %1 kapcsoló után hiányzik az érték.").arg(m_option));
        return {};
    }
    return m_arguments.at(++m_index);
}

void OptionReader::fail(const QString& text)
{
    if (m_error.isEmpty())
        m_error = text;
}

QString dateRangeProblem(const QString& from, const QString& to, bool required)
{
    if (required && (from.trimmed().isEmpty() || to.trimmed().isEmpty()))
        return QStringLiteral("Hiba: meg kell adni a dátumtartományt (--from éééé.hh.nn --to éééé.hh.nn).");
    for (const auto& [option, value] : {std::pair{QStringLiteral("--from"), from}, std::pair{QStringLiteral("--to"), to}})
        if (!value.trimmed().isEmpty() && !isValidDate(value.trimmed()))
            return QStringLiteral("Hiba: érvénytelen dátum: %1 (%2; létező nap kell, éééé.hh.nn alakban).")
                .arg(value.trimmed(), option);
    if (!from.trimmed().isEmpty() && !to.trimmed().isEmpty() && parseDate(from.trimmed()) > parseDate(to.trimmed()))
        return QStringLiteral("Hiba: a --from dátuma későbbi, mint a --to dátuma.");
    return {};
}

bool namesOption(const QStringList& arguments, const QStringList& options)
{
    for (const QString& a : arguments.mid(1))
        if (options.contains(a.section(u'=', 0, 0)))
            return true;
    return false;
}

bool connectCommandLine(DataModule& data)
{
    try {
        data.connect(ConnectionProfile::fromEnvironment());
        return true;
    } catch (const Error& e) {
        logFailure(lcApp(), e);
        printLine(stderr, QStringLiteral("Hiba: az adatbázis nem érhető el (%1).").arg(e.text()));
        return false;
    }
}

int refuseCommandLine(const QString& error, const QString& help)
{
    printLine(stderr, error);
    printLine(stderr, help);
    return 2;
}

int runOverDatabase(int& argc, char** argv, const QLoggingCategory& category,
                    const std::function<int(DataModule&)>& work, const QString& errorPrefix)
{
    QCoreApplication app(argc, argv);
    DataModule data;
    if (!connectCommandLine(data))
        return 3;
    try {
        return work(data);
    } catch (const Error& e) {
        logFailure(category, e);
        printLine(stderr, errorPrefix + e.text());
        return 1;
    }
}

int runOverConnection(int& argc, char** argv, const QLoggingCategory& category,
                      const std::function<int(Connection&)>& work, const QString& errorPrefix)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvena"));
    Connection connection;
    try {
        connection.open(ConnectionProfile::fromEnvironment());
    } catch (const Error& e) {
        logFailure(category, e);
        printLine(stderr, QStringLiteral("Hiba: az adatbázis nem érhető el (%1).").arg(e.text()));
        return 3;
    }
    try {
        return work(connection);
    } catch (const Error& e) {
        logFailure(category, e);
        printLine(stderr, errorPrefix + e.text());
        return 1;
    }
}

} // namespace orvena
