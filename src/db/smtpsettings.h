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
// The server's certificate is always verified.
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

} // namespace orvena
