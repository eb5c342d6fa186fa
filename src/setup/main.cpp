// orvena-setup: creates the database, the program's account, the tables and the number
// sequences; with --demo also demo master data. Safe to run again: it only adds what is missing.
#include "db/connection.h"
#include "db/errors.h"
#include "db/localserver.h"
#include "billing/setup.h"
#include "db/smtpsettings.h"

#include <QCoreApplication>
#include <QTextStream>
#include <optional>

#include <pwd.h>

using namespace orvena;

namespace {

const char* const kHelp =
    "Használat: orvena-setup [--demo] [--add-user NÉV]... [--print-config] [--help]\n"
    "\n"
    "Létrehozza az Orvena adatbázisát (latin2, magyar rendezés), minden hiányzó táblát és a két\n"
    "sorszámsort (számla \"1\", szállítólevél \"2\"; az első szám az idei év első száma, például\n"
    "20260001). Az üres táblákba felveszi a hatályos áfakulcsokat (27, 18, 5 %, alanyi adómentes)\n"
    "és egy magyar szótárat (00002). Újra futtatva csak a hiányzó részeket pótolja, adatot soha\n"
    "nem töröl.\n"
    "Rendszergazdaként kell futtatni: sudo orvena-setup\n"
    "\n"
    "Helyi kiszolgálón a program felhasználói a rendszer felhasználóiként lépnek be, jelszó\n"
    "nélkül (unix_socket): minden asztali felhasználónak saját fiókja van, csak a saját nevében\n"
    "léphet be. A sudo orvena-setup a sudo-t futtató felhasználónak készít fiókot; továbbiakat\n"
    "a --add-user vesz fel. FILE jogot (az exporthoz) csak akkor kapnak, ha a kiszolgáló\n"
    "secure_file_priv beállítása egy mappát jelöl ki; ilyenkor a kiszolgáló csak oda ír.\n"
    "\n"
    "  --demo          minta törzsadatok (kibocsátó, vevők, cikkek, áfakulcsok, két szótár)\n"
    "                  a még üres táblákba\n"
    "  --add-user NÉV  fiók a NÉV nevű asztali felhasználónak a helyi kiszolgálón (többször is\n"
    "                  megadható); csak a fiókot és a jogait hozza létre\n"
    "  --print-config  kiírja, melyik kiszolgálóhoz és hogyan kapcsolódna a program\n"
    "                  (a jelszó helyett csillagok)\n"
    "  --help          ez a leírás\n"
    "\n"
    "Beállítófájl (INI): ~/.config/orvena/orvena.conf, ha nincs, /etc/orvena/orvena.conf\n"
    "(vagy az ORVENA_CONFIG változóban megadott fájl):\n"
    "  [database]  host, port, socket, name, user, password\n"
    "  [tls]       enabled (true/false), ca (a kiszolgáló tanúsítványát kiadó CA fájlja),\n"
    "              cert, key (ügyféltanúsítvány, ha a kiszolgáló kéri)\n"
    "  [smtp]      host, port, security (starttls, tls vagy none), user, password, from\n"
    "              (a feladó címe), ca: a számlák e-mailben küldéséhez\n"
    "Fájl nélkül a program a helyi kiszolgálóhoz a rendszerbeli felhasználónevével, jelszó\n"
    "nélkül kapcsolódik. A jelszót tartalmazó fájl csak a felhasználója számára legyen\n"
    "olvasható (chmod 600).\n"
    "\n"
    "Környezeti változók:\n"
    "  ORVENA_ADMIN_USER, ORVENA_ADMIN_PASSWORD  rendszergazda (alapértelmezés: root, jelszó nélkül)\n"
    "  ORVENA_DB_HOST, ORVENA_DB_PORT, ORVENA_DB_SOCKET  a kiszolgáló elérése\n"
    "  ORVENA_DB_NAME  az adatbázis neve (alapértelmezés: orvena2010)\n"
    "  ORVENA_DB_USER, ORVENA_DB_PASSWORD  a program felhasználója; jelszóval jelszavas fiók\n"
    "                  készül (távoli kiszolgálón csak így)\n"
    "\n"
    "Közös (irodai) kiszolgáló előkészítése kézzel:\n"
    "  - a kiszolgáló lower_case_table_names = 1 beállítással fusson (my.cnf, [mysqld]);\n"
    "  - adatbázis: CREATE DATABASE orvena2010 CHARACTER SET latin2 COLLATE latin2_hungarian_ci;\n"
    "  - felhasználó munkaállomásonként vagy közösen, jelszóval:\n"
    "      CREATE USER 'orvena2010'@'%' IDENTIFIED BY '...';\n"
    "      GRANT SELECT, INSERT, UPDATE, DELETE, LOCK TABLES ON orvena2010.* TO 'orvena2010'@'%';\n"
    "  - az exporthoz FILE jog és a secure_file_priv beállítás egy export mappára (a kiszolgáló\n"
    "    csak oda ír; az export képernyőn ezen belüli mappát kell megadni):\n"
    "      GRANT FILE ON *.* TO 'orvena2010'@'%';\n"
    "  - hálózaton át TLS-sel: a kiszolgálón ssl_cert/ssl_key, a munkaállomáson [tls] enabled=true, ca=...;\n"
    "  - ezután az orvena-setup (rendszergazdaként) létrehozza a táblákat és a sorszámokat.\n";

} // namespace

namespace {

// The options given: --demo and the accounts to add into options and addUsers. A status when the
// run ends here (help, the settings printed, a mistake said).
std::optional<int> readArguments(const QStringList& args, SetupOptions& options, QStringList& addUsers,
                                 QTextStream& out, QTextStream& err)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--demo") {
            options.demo = true;
        } else if (arg == u"--add-user" || arg.startsWith(QStringLiteral("--add-user="))) {
            const QString name = arg == u"--add-user" ? (i + 1 < args.size() ? args[++i] : QString())
                                                      : arg.mid(QStringLiteral("--add-user=").size());
            if (!isLoginName(name)) {
                err << QStringLiteral("A --add-user után egy felhasználónév kell (betűk, számjegyek, \"_\", \"-\", "
                                      "\".\"): \"%1\"\n")
                           .arg(name);
                return 2;
            }
            if (isServerAccount(name)) {
                err << QStringLiteral("A(z) \"%1\" az adatbázis-kiszolgáló saját fiókja, nem lehet az Orvena "
                                      "felhasználója.\n")
                           .arg(name);
                return 2;
            }
            // the account logs in as that operating-system user: one the system does not know
            // could never use it
            if (!::getpwnam(name.toLocal8Bit().constData())) {
                err << QStringLiteral("A(z) \"%1\" nevű felhasználó nincs ezen a gépen, ezért fiók sem készül neki. "
                                      "Adja meg egy meglévő asztali felhasználó bejelentkezési nevét.\n")
                           .arg(name);
                return 2;
            }
            addUsers << name;
        } else if (arg == u"--print-config") {
            for (const QString& line : ConnectionProfile::fromEnvironment().describe())
                out << line << '\n';
            for (const QString& line : SmtpSettings::fromConfig().describe())
                out << line << '\n';
            return 0;
        } else if (arg == u"--help" || arg == u"-h") {
            out << QString::fromUtf8(kHelp);
            return 0;
        } else {
            err << QStringLiteral("Ismeretlen kapcsoló: %1\n").arg(arg) << QString::fromUtf8(kHelp);
            return 2;
        }
    }
    return std::nullopt;
}

// Accounts for desktop users of the local server (a remote one's users log in with passwords).
int addAccounts(Connection& connection, const SetupOptions& options, const QStringList& addUsers,
                const ConnectionProfile& admin, QTextStream& out, QTextStream& err)
{
    if (!options.localServer) {
        err << QStringLiteral("A --add-user a helyi kiszolgálón készít fiókot; távoli kiszolgálón a "
                              "felhasználó jelszóval lép be (lásd: orvena-setup --help).\n");
        return 2;
    }
    for (const QString& user : addUsers) {
        if (user == admin.user) {
            out << QStringLiteral("%1: a kiszolgáló rendszergazdája, nem kap külön fiókot.\n").arg(user);
            continue;
        }
        try {
            for (const QString& line : addSocketUser(connection, options.database, user))
                out << line << '\n';
        } catch (const DbError&) {
            throw;
        } catch (const Error& e) {
            err << e.text() << '\n';
            return 1;
        }
    }
    out << "Kész.\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    SetupOptions options;
    QStringList addUsers;
    if (const auto status = readArguments(app.arguments().mid(1), options, addUsers, out, err))
        return *status;
    ConnectionProfile admin = ConnectionProfile::fromEnvironment();
    options.database = admin.database;
    options.appUser = admin.user;
    options.appPassword = admin.password;
    options.localServer = isLocalServer(admin);
    admin.user = qEnvironmentVariableIsSet("ORVENA_ADMIN_USER") ? qEnvironmentVariable("ORVENA_ADMIN_USER")
                                                                : QStringLiteral("root");
    admin.password = qEnvironmentVariable("ORVENA_ADMIN_PASSWORD");
    admin.database.clear();
    // Run through sudo, the account is made for the desktop user who ran it.
    const QString sudoUser = qEnvironmentVariable("SUDO_USER");
    if (options.appUser == admin.user && options.appPassword.isEmpty() && options.localServer
        && !qEnvironmentVariableIsSet("ORVENA_DB_USER") && isLoginName(sudoUser) && sudoUser != admin.user)
        options.appUser = sudoUser;
    if (options.appUser == admin.user)
        options.appUser.clear(); // running as the administrator itself: no separate account

    try {
        Connection connection;
        // adding accounts touches no table, so it works before the table-name setting is mended
        connection.open(admin, addUsers.isEmpty());
        if (!addUsers.isEmpty())
            return addAccounts(connection, options, addUsers, admin, out, err);
        for (const QString& line : runSetup(connection, options))
            out << line << '\n';
        if (options.appUser.isEmpty() && options.localServer)
            out << QStringLiteral("További felhasználók: sudo orvena-setup --add-user NÉV\n");
        out << "Kész.\n";
        return 0;
    } catch (const ServerSetupError& e) {
        err << e.text() << '\n';
        return 3;
    } catch (const Error& e) {
        err << QStringLiteral("Az adatbázis létrehozása nem sikerült: %1\n").arg(e.text());
        return 1;
    }
}
