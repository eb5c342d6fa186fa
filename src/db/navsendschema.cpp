#include "navsendschema.h"

#include "connection.h"
#include "sqlname.h"

namespace orvena {

namespace {

struct AddedColumn {
    const char* name;
    const char* type;
};

// The reporting mode (OFF, TEST, PROD; defined with the invoice-data columns, added here too for
// databases set up before them) and the technical user: login name, SHA-512 of the password (never the password), signature key,
// exchange key.
constexpr AddedColumn kCredentialColumns[] = {{"zNavMod", "VARCHAR(4) NOT NULL DEFAULT 'OFF'"},
                                              {"zNavLogin", "VARCHAR(15) NULL"},
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
            c.execute("ALTER TABLE szallito ADD COLUMN " + quotedName(QString::fromLatin1(col.name)).toLatin1() + ' '
                      + col.type);
            added << QString::fromLatin1(col.name);
        }
        if (!added.isEmpty())
            done << QStringLiteral("Új oszlopok (szallito): %1").arg(added.join(QStringLiteral(", ")));
    }
    // The invoice-data side table, as the schema defines it, for databases set up before it.
    if (c.select("SHOW TABLES LIKE 'szlanav'")->rowCount() == 0) {
        c.execute("CREATE TABLE IF NOT EXISTS `szlanav` (\n"
                  "  `nBszam` VARCHAR(9) NOT NULL,\n"
                  "  `nMuvelet` VARCHAR(6),\n"
                  "  `nEredeti` VARCHAR(9) NULL,\n"
                  "  `nModIndex` INT NULL,\n"
                  "  `nXml` MEDIUMBLOB,\n"
                  "  `nKeszult` DATETIME,\n"
                  "  `nAllapot` VARCHAR(16) NOT NULL,\n"
                  "  `nTranzakcio` VARCHAR(30) NULL,\n"
                  "  `nUzenet` TEXT NULL,\n"
                  "  `nProba` INT NOT NULL DEFAULT 0,\n"
                  "  `nUtolso` DATETIME NULL,\n"
                  "  PRIMARY KEY (`nBszam`),\n"
                  "  KEY `ix_nEredeti` (`nEredeti`)\n"
                  ") ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci");
        done << QStringLiteral("Létrehozott tábla: szlanav");
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
