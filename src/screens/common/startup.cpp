#include "startup.h"

#include "db/localserver.h"
#include "db/logging.h"
#include "chainfailure.h"

namespace orvena {

QString startupFailureMessage()
{
    return QStringLiteral("A MySQL adatbáziskezelöt nem találja.\n"
                          "A program müködéséhez szükséges.\n"
                          "Telepítés lépései:\n"
                          "1. Az adatbázis-kiszolgáló telepítése és indítása: sudo apt install mariadb-server, "
                          "majd sudo systemctl start mariadb\n"
                          "2. Az adatbázis létrehozása: sudo orvena-setup\n"
                          "3. Az Orvena indítása a menüből (Iroda › Orvena).");
}

QString versionText(int major, int minor)
{
    if (major < 0 || minor < 0)
        return {};
    return QStringLiteral("%1.0%2").arg(major).arg(minor);
}

QString versionText()
{
#if defined(ORVENA_VERSION_MAJOR) && defined(ORVENA_VERSION_MINOR)
    return versionText(ORVENA_VERSION_MAJOR, ORVENA_VERSION_MINOR);
#else
    return {};
#endif
}

QString mainWindowTitle(const QString& version)
{
    return QStringLiteral("Orvena      Ver.:") + version + QStringLiteral("    2006.-2010");
}

QString connectionFailureText(const DbError& error, const ConnectionProfile& profile)
{
    QString where = ConnectionProfile::configFile();
    where = where.isEmpty() ? QStringLiteral("~/.config/orvena/orvena.conf vagy /etc/orvena/orvena.conf")
                            : QStringLiteral("a beállítófájl: %1").arg(where);
    switch (error.code()) {
    case 1044: // ER_DBACCESS_DENIED_ERROR
    case 1045: // ER_ACCESS_DENIED_ERROR
    case 1698: // ER_ACCESS_DENIED_NO_PASSWORD_ERROR
        // On this machine's server without a password the account is the desktop user's own,
        // which the administrator adds.
        if (isLocalServer(profile) && profile.password.isEmpty())
            return QStringLiteral("Az adatbázis-kiszolgálón nincs fiókja (vagy nincs joga az adatbázishoz) a(z) "
                                  "\"%1\" felhasználónak.\nA gép rendszergazdája vegye fel:\n"
                                  "sudo orvena-setup --add-user %1\n\nA kiszolgáló üzenete: %2")
                .arg(profile.user, error.text());
        return QStringLiteral("Az adatbázis-kiszolgáló elutasította a bejelentkezést: hibás felhasználónév vagy "
                              "jelszó (%1).\nEllenőrizze a beállításokat (%2, illetve az ORVENA_DB_USER és "
                              "ORVENA_DB_PASSWORD környezeti változókat).\n\nA kiszolgáló üzenete: %3")
            .arg(profile.user, where, error.text());
    case 2005: // CR_UNKNOWN_HOST
        return QStringLiteral("Az adatbázis-kiszolgáló neve ismeretlen: \"%1\".\nEllenőrizze a kiszolgáló nevét "
                              "(%2, illetve az ORVENA_DB_HOST környezeti változót).\n\nA rendszer üzenete: %3")
            .arg(profile.host, where, error.text());
    case 2026: // CR_SSL_CONNECTION_ERROR
        return QStringLiteral("A titkosított (TLS) kapcsolat nem jött létre az adatbázis-kiszolgálóval.\n"
                              "A kiszolgáló tanúsítványa nem ellenőrizhető, vagy a kiszolgáló nem fogad "
                              "titkosított kapcsolatot. Ellenőrizze a tanúsítványokat (%1).\n\n"
                              "A rendszer üzenete: %2")
            .arg(where, error.text());
    default:
        return {};
    }
}

bool connectAtStartup(DataModule& data, UserInterface& ui, const ConnectionProfile& profile)
{
    try {
        data.connect(profile);
        return true;
    } catch (const ServerSetupError& e) {
        showFailure(ui, e.text(), &e, lcApp(), FailureBox::Notice);
    } catch (const DbError& e) {
        const QString text = connectionFailureText(e, profile);
        showFailure(ui, text.isEmpty() ? startupFailureMessage() : text, &e, lcApp(), FailureBox::Notice);
    } catch (const Error& e) {
        showFailure(ui, startupFailureMessage(), &e, lcApp(), FailureBox::Notice);
    }
    return false;
}

} // namespace orvena
