#include "smtpsettings.h"

#include "connection.h"
#include "errors.h"

#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

namespace orvena {

SmtpSettings SmtpSettings::fromConfig()
{
    SmtpSettings s;
    const QString file = ConnectionProfile::configFile();
    if (file.isEmpty())
        return s;
    QSettings ini(file, QSettings::IniFormat);
    auto text = [&ini](const char* key) { return ini.value(QLatin1String(key)).toString().trimmed(); };
    s.host = text("smtp/host");
    s.port = ini.value(QStringLiteral("smtp/port"), 0).toInt();
    const QString security = text("smtp/security").toLower();
    if (security.isEmpty() || security == u"starttls")
        s.security = Security::StartTls;
    else if (security == u"tls" || security == u"ssl")
        s.security = Security::Tls;
    else if (security == u"none")
        s.security = Security::None;
    else
        s.unknownSecurity = security;
    s.user = text("smtp/user");
    s.password = ini.value(QStringLiteral("smtp/password")).toString();
    s.from = text("smtp/from");
    s.ca = text("smtp/ca");
    bool ok = false;
    const int timeout = ini.value(QStringLiteral("smtp/timeout")).toInt(&ok);
    if (ok && timeout > 0)
        s.timeout = timeout;
    return s;
}

int SmtpSettings::effectivePort() const
{
    if (port > 0)
        return port;
    switch (security) {
    case Security::Tls:
        return 465;
    case Security::None:
        return 25;
    case Security::StartTls:
        break;
    }
    return 587;
}

QString SmtpSettings::problem() const
{
    if (host.isEmpty())
        return QStringLiteral("Nincs beállítva levelezőkiszolgáló: a beállítófájl [smtp] szakaszában meg kell adni "
                              "a host és a from értékét.");
    if (from.isEmpty())
        return QStringLiteral("Nincs beállítva a feladó címe: a beállítófájl [smtp] szakaszában meg kell adni a "
                              "from értékét.");
    if (!unknownSecurity.isEmpty())
        return QStringLiteral("A beállítófájl [smtp] szakaszában a security értéke (\"%1\") ismeretlen: starttls, "
                              "tls vagy none lehet.")
            .arg(unknownSecurity);
    if (port < 0 || port > 65535)
        return QStringLiteral("A beállítófájl [smtp] szakaszában a port értéke (%1) érvénytelen.").arg(port);
    // Unencrypted, the password and the invoices would cross the network readable by anyone.
    const bool loopback = host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0
                          || host.startsWith(QStringLiteral("127.")) || host == u"::1" || host == u"[::1]";
    if (security == Security::None && !loopback)
        return QStringLiteral("Titkosítás nélkül (security=none) csak ennek a gépnek a levelezőkiszolgálója "
                              "használható; más kiszolgálóhoz starttls vagy tls kell.");
    return {};
}

QStringList SmtpSettings::describe() const
{
    auto orNone = [](const QString& v) { return v.isEmpty() ? QStringLiteral("(nincs)") : v; };
    const QString securityText = !unknownSecurity.isEmpty()       ? unknownSecurity + QStringLiteral(" (ismeretlen)")
                                 : security == Security::Tls      ? QStringLiteral("tls")
                                 : security == Security::None     ? QStringLiteral("none")
                                                                  : QStringLiteral("starttls");
    return {QStringLiteral("smtp host = %1").arg(orNone(host)),
            QStringLiteral("smtp port = %1").arg(effectivePort()),
            QStringLiteral("smtp security = %1").arg(securityText),
            QStringLiteral("smtp felhasználó = %1").arg(orNone(user)),
            QStringLiteral("smtp jelszó = %1").arg(password.isEmpty() ? QStringLiteral("(nincs)") : QStringLiteral("********")),
            QStringLiteral("smtp feladó = %1").arg(orNone(from)),
            QStringLiteral("smtp CA = %1").arg(ca.isEmpty() ? QStringLiteral("(a rendszeré)") : ca),
            QStringLiteral("smtp timeout = %1 s").arg(timeout)};
}

QByteArray asciiMailAddress(const QString& address)
{
    const qsizetype at = address.lastIndexOf(u'@');
    if (at <= 0)
        return {};
    const QByteArray domain = QUrl::toAce(address.mid(at + 1));
    if (domain.isEmpty())
        return {};
    return address.left(at).toUtf8() + '@' + domain;
}

QStringList parseMailAddresses(const QString& text)
{
    // One address without display name or comments: local part, "@", a domain with a dot or
    // "localhost"; no blanks or line breaks, which could add headers or recipients. Letters of
    // any alphabet are letters (cím@példa.hu): the domain travels in its ASCII form, see
    // asciiMailAddress.
    static const QRegularExpression address(
        QStringLiteral("^[\\p{L}\\p{N}.!#$%&'*+/=?^_`{|}~-]+@([\\p{L}\\p{N}-]+(\\.[\\p{L}\\p{N}-]+)+|localhost)$"),
        QRegularExpression::UseUnicodePropertiesOption);
    QStringList out;
    for (QString part : text.split(QRegularExpression(QStringLiteral("[;,]")), Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        if (!address.match(part).hasMatch() || part.size() > 254 || asciiMailAddress(part).isEmpty())
            throw Error(QStringLiteral("Hibás e-mail-cím: \"%1\".").arg(part));
        if (!out.contains(part, Qt::CaseInsensitive))
            out << part;
    }
    if (out.isEmpty())
        throw Error(QStringLiteral("Nincs megadva e-mail-cím."));
    return out;
}

} // namespace orvena
