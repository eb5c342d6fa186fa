#include "articleimport.h"

#include "db/stepchain.h"
#include "screens/common/chainfailure.h"

#include "db/queryroles.h"

namespace orvena {

bool ArticleImport::run()
{
    UserInterface& ui = m_context.ui;
    Query& list = m_context.data.query(role::kArticleList);
    Query work(m_context.data.connection(), QStringLiteral("articleImport"));

    const QString insertMessage = QStringLiteral("Hiba: Az INSERT termek -böl -> cikk -be ");
    StepChain chain(work);
    if (!chain.run([&] {
            // An empty source would only wipe the article master: refuse before anything is deleted.
            qint64 rows = 0;
            chain.step(insertMessage, [&] {
                work.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM termek")});
                work.open();
                rows = work.fieldInt(QStringLiteral("db"));
                work.close();
            });
            if (rows == 0)
                chain.fail(QStringLiteral("A termek tábla üres, nincs mit átvenni. A cikk törzs nem változott!"));

            // Deletion and insertion form one transaction: an import that cannot read termek must
            // not leave the article master empty.
            chain.begin(QStringLiteral("Hiba a termek-böl insert cikk -be!"));
            chain.step(QStringLiteral("Hiba: Az DELETE a cikk -ben "), [&] {
                list.setSql({QStringLiteral("DELETE FROM cikk")});
                list.execute();
            });
            chain.step(insertMessage, [&] {
                work.setSql({QStringLiteral("INSERT INTO cikk ( cKod, cSzam, cMegn, cVtsz, cMe, cEar, cPnem )"),
                             QStringLiteral("SELECT t_kod, t_kod, t_megnevezes, t_Vtsz, t_megy, t_ear, 'Ft' FROM termek")});
                work.execute();
            });
            chain.commit(insertMessage);
        })) {
        tell(ui, chain.failure());
        return false;
    }
    ui.message(QStringLiteral("Az adatok átvéve a termek-böl !"));
    return true;
}

} // namespace orvena
