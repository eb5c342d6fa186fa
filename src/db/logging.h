#pragma once
// The program's logging categories, one per layer, and the one way a failure the operator was
// shown is written to the log: the server's own code and text, and the beginning of the failed
// statement with its values left out (they may hold a customer's data).
//
// Nothing is logged below warning level unless asked for (QT_LOGGING_RULES="orvena.*.debug=true");
// `orvena --log FILE` sends the messages into a file instead of standard error.
#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcDb)      // orvena.db: connection, statements, schema
Q_DECLARE_LOGGING_CATEGORY(lcScreens) // orvena.screens: screen models and their actions
Q_DECLARE_LOGGING_CATEGORY(lcPrint)   // orvena.print: invoice and delivery-note printing
Q_DECLARE_LOGGING_CATEGORY(lcNav)     // orvena.nav: the invoice-data document and the audit export
Q_DECLARE_LOGGING_CATEGORY(lcNavSend) // orvena.navsend: reporting to the tax authority
Q_DECLARE_LOGGING_CATEGORY(lcUi)      // orvena.ui: dialogs and message boxes
Q_DECLARE_LOGGING_CATEGORY(lcApp)     // orvena.app: start-up, command line, backup
Q_DECLARE_LOGGING_CATEGORY(lcMail)    // orvena.mail: invoices sent by e-mail

namespace orvena {

class Error;

// The statement's first characters with every quoted text and number replaced by "?", so the
// log shows which statement failed but none of the values it carried.
QString statementOutline(const QByteArray& sql, int maxLength = 120);

// Writes a failure the operator has been told about as a warning of the category: the error's
// text, for a server error also its code and the statement outline, and `note` (the box shown
// when it differs from the error's text, a tool's own output) when given.
void logFailure(const QLoggingCategory& category, const Error& error, const QString& note = {});

// Whether logFailure writes at all (on by default). The command-line runs without a log file
// turn it off: they print every failure on standard error themselves, where the log line would
// only say it a second time.
void setFailureLogging(bool on);

} // namespace orvena
