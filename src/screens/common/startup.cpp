#include "startup.h"

namespace orvena {

QString startupFailureMessage()
{
    return QStringLiteral("A MySQL adatbáziskezelöt nem találja.\n"
                          "A program müködéséhez szükséges.\n"
                          "Telepítés lépései:\n"
                          "1.MySQL telepítés (Telepito1_MySQL.exe).\n"
                          "2.Szla adatbázis létrehozása (Orvena2010_Create.exe).\n"
                          "3. A orvena program futtatás (Orvena2010.exe).");
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

bool connectAtStartup(DataModule& data, UserInterface& ui, const ConnectionProfile& profile)
{
    try {
        data.connect(profile);
        return true;
    } catch (const ServerSetupError& e) {
        ui.notice(e.text());
    } catch (const Error&) {
        ui.notice(startupFailureMessage());
    }
    return false;
}

} // namespace orvena
