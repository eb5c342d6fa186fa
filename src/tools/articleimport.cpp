#include "articleimport.h"

#include "db/transaction.h"

#include <optional>

namespace orvena {

bool ArticleImport::run()
{
    UserInterface& ui = m_context.ui;
    Query& list = m_context.data.query(QStringLiteral("ZQ40"));
    Query& work = m_context.data.query(QStringLiteral("ZQ140"));

    // An empty source would only wipe the article master: refuse before anything is deleted.
    try {
        work.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM termek")});
        work.open();
        const qint64 rows = work.fieldInt(QStringLiteral("db"));
        work.close();
        if (rows == 0) {
            ui.message(QStringLiteral("A termek tábla üres, nincs mit átvenni. A cikk törzs nem változott!"));
            return false;
        }
    } catch (const Error&) {
        ui.message(QStringLiteral("Hiba: Az INSERT termek -böl -> cikk -be "));
        return false;
    }

    // Deletion and insertion form one transaction: an import that cannot read termek must not
    // leave the article master empty.
    std::optional<Transaction> transaction;
    try {
        transaction.emplace(work);
    } catch (const Error&) {
        ui.message(QStringLiteral("Hiba a termek-böl insert cikk -be!"));
        return false;
    }
    try {
        list.setSql({QStringLiteral("DELETE FROM cikk")});
        list.execute();
    } catch (const Error&) {
        transaction.reset(); // ROLLBACK
        ui.message(QStringLiteral("Hiba: Az DELETE a cikk -ben "));
        return false;
    }
    try {
        work.setSql({QStringLiteral("INSERT INTO cikk ( cKod, cSzam, cMegn, cVtsz, cMe, cEar, cPnem )"),
                     QStringLiteral("SELECT t_kod, t_kod, t_megnevezes, t_Vtsz, t_megy, t_ear, 'Ft' FROM termek")});
        work.execute();
        transaction->commit();
    } catch (const Error&) {
        transaction.reset(); // ROLLBACK
        ui.message(QStringLiteral("Hiba: Az INSERT termek -böl -> cikk -be "));
        return false;
    }
    ui.message(QStringLiteral("Az adatok átvéve a termek-böl !"));
    return true;
}

} // namespace orvena
