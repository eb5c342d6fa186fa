#pragma once
// Error families of the program. Every failure carries a Hungarian or server text that the
// general error report shows as it stands.
#include <QString>
#include <stdexcept>

namespace orvena {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// The server refused a statement or the connection failed; text is the server's message.
// statement is the failed statement's outline for the log (no values), empty when none was sent.
class DbError : public Error {
public:
    DbError(const QString& text, unsigned int code = 0, const QString& statement = {})
        : Error(text), m_code(code), m_statement(statement)
    {
    }
    unsigned int code() const { return m_code; }
    const QString& statement() const { return m_statement; }

private:
    unsigned int m_code;
    QString m_statement;
};

// A typed text could not be converted into a number or a date.
class ConversionError : public Error {
public:
    using Error::Error;
};

// A file could not be read or written.
class FileError : public Error {
public:
    using Error::Error;
};

} // namespace orvena
