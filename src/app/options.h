#pragma once
// Reading the program's command-line options, shared by every command the program runs without
// a window: "--name value" and "--name=value", the first mistake kept as the Hungarian error.
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <optional>

namespace orvena {

// A line on standard output or standard error, flushed at once.
void printLine(FILE* stream, const QString& text);

// The arguments as the program got them, in the local encoding.
QStringList argumentList(int argc, char** argv);
// Whether the arguments after the program's name name one of these options ("--x" or "--x=...").
bool namesOption(const QStringList& arguments, const QStringList& options);
// Connects a command line's data module as the environment says; on failure logs it, prints the
// Hungarian line to standard error and returns false.
bool connectCommandLine(class DataModule& data);

// A command line refused before anything ran: its error, then how to ask for help, on standard
// error. Returns the status of a bad command line, 2.
int refuseCommandLine(const QString& error, const QString& help);
// A command line's work over the database: the core application, the data module connected (3,
// the reason printed, when it cannot be), then the work's status; an error the work throws is
// logged under `category`, printed after `errorPrefix` and gives 1.
int runOverDatabase(int& argc, char** argv, const class QLoggingCategory& category,
                    const std::function<int(DataModule&)>& work, const QString& errorPrefix = {});
// The same over a bare connection, for the commands that run no query objects.
int runOverConnection(int& argc, char** argv, const class QLoggingCategory& category,
                      const std::function<int(class Connection&)>& work, const QString& errorPrefix = {});

// What is wrong with a --from / --to pair (empty when nothing): a date that is not a real day
// "éééé.hh.nn" is named as invalid, a missing one (when `required`) asked for, and a range
// that ends before it begins refused. Hungarian, starting "Hiba: ".
QString dateRangeProblem(const QString& from, const QString& to, bool required);

class OptionReader {
public:
    // arguments.first() is the program itself.
    explicit OptionReader(QStringList arguments) : m_arguments(std::move(arguments)) {}

    // Moves to the next argument; false after the last.
    bool next();
    // The current option's name ("--pdf" of "--pdf=a.pdf") and the argument as written.
    const QString& option() const { return m_option; }
    QString argument() const { return m_arguments.at(m_index); }
    // The current option's value: written after "=", or the next argument (which is then
    // consumed). A missing value is an error and gives an empty text.
    QString value();
    // Keeps the first error only: it is the one the operator is to mend first.
    void fail(const QString& text);
    const QString& error() const { return m_error; }

private:
    QStringList m_arguments;
    qsizetype m_index = 0;
    QString m_option;
    std::optional<QString> m_inlineValue;
    QString m_error;
};

} // namespace orvena
