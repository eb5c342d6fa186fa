#include "navsendschema.h"

#include "connection.h"

namespace orvena {

namespace {

struct AddedColumn {
    const char* name;
    const char* type;
};

// The technical user: login name, SHA-512 of the password (never the password), signature key,
// exchange key.
constexpr AddedColumn kCredentialColumns[] = {{"zNavLogin", "VARCHAR(15) NULL"},
                                              {"zNavJelszo", "VARCHAR(128) NULL"},
                                              {"zNavAlairo", "VARCHAR(64) NULL"},
                                              {"zNavCsere", "VARCHAR(32) NULL"}};

} // namespace

QStringList ensureNavSendSchema(Connection& c)
{
    QStringList done;
    const auto tables = c.select("SHOW TABLES LIKE 'szallito'");
    if (tables->rowCount() > 0) {
        QStringList existing;
        const auto cols = c.select("SHOW COLUMNS FROM szallito");
        for (int r = 0; r < cols->rowCount(); ++r)
            existing << cols->text(r, 0).toLower();
        QStringList added;
        for (const AddedColumn& col : kCredentialColumns) {
            if (existing.contains(QString::fromLatin1(col.name).toLower()))
                continue;
            c.execute(QByteArray("ALTER TABLE szallito ADD COLUMN `") + col.name + "` " + col.type);
            added << QString::fromLatin1(col.name);
        }
        if (!added.isEmpty())
            done << QStringLiteral("Új oszlopok (szallito): %1").arg(added.join(QStringLiteral(", ")));
    }
    if (c.select("SHOW TABLES LIKE 'szlanavnaplo'")->rowCount() == 0) {
        c.execute("CREATE TABLE IF NOT EXISTS `szlanavnaplo` (\n"
                  "  `gID` BIGINT NOT NULL AUTO_INCREMENT,\n"
                  "  `gBszam` VARCHAR(9),\n"
                  "  `gIdo` DATETIME,\n"
                  "  `gMuvelet` VARCHAR(24),\n"
                  "  `gKeres` VARCHAR(30),\n"
                  "  `gTranzakcio` VARCHAR(30),\n"
                  "  `gIndex` INT,\n"
                  "  `gEredmeny` VARCHAR(16),\n"
                  "  `gSzoveg` TEXT,\n"
                  "  PRIMARY KEY (`gID`),\n"
                  "  KEY `ix_gBszam` (`gBszam`),\n"
                  "  KEY `ix_gTranzakcio` (`gTranzakcio`)\n"
                  ") ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci");
        done << QStringLiteral("Létrehozott tábla: szlanavnaplo");
    }
    return done;
}

} // namespace orvena
