#pragma once
// Where e-mail goes out: the configuration file's [smtp] section (the same file as the
// database's, see ConnectionProfile::configFile):
//   [smtp]
//   host=smtp.example.hu
//   port=587                  ; default: 587 for starttls, 465 for tls, 25 for none
//   security=starttls         ; starttls, tls (implicit TLS) or none (only towards this machine)
//   user=szamlazas@example.hu ; login, when the server asks for one
//   password=...              ; keep the file readable by its user only (chmod 600)
//   from=szamlazas@example.hu ; the sender address
//   ca=/etc/orvena/smtp-ca.pem ; an authority trusted besides the system's (optional)
//   timeout=60                ; seconds the server may stay silent before the sending gives up
// The server's certificate is always verified.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvena {

struct SmtpSettings {
    enum class Security { StartTls, Tls, None };
    QString host;
    int port = 0; // 0: the security's usual port
    Security security = Security::StartTls;
    QString user;
    QString password;
    QString from;
    QString ca;
    int timeout = 60;
    // A security value the file names but the program does not know (then nothing is sent).
    QString unknownSecurity;

    static SmtpSettings fromConfig();
    int effectivePort() const;
    // Why nothing can be sent with these settings (Hungarian); empty when they are usable.
    QString problem() const;
    // The settings, one "key = value" per line, password masked.
    QStringList describe() const;
};

// The addresses of a text holding one or more, separated by ";" (or ","), each once. Throws
// Error naming the first one that is not a plain address (no name, blank or line break), or
// when there is none.
QStringList parseMailAddresses(const QString& text);
// An address as it travels in the envelope and the headers: the domain in its ASCII (IDNA) form,
// the local part in UTF-8. Empty when the domain has no ASCII form.
QByteArray asciiMailAddress(const QString& address);

} // namespace orvena
