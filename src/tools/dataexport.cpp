#include "dataexport.h"

#include "db/schema.h"
#include "db/setup.h"

#include "db/codepages.h"
#include "db/errors.h"
#include "db/sqlname.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"

#include <QDir>
#include <algorithm>
#include <QFile>
#include <QFileInfo>

namespace orvena {

const std::array<DataExport::Item, DataExport::kItemCount>& DataExport::items()
{
    static const std::array<Item, kItemCount> all{{
        {QStringLiteral("Szállitó"), QStringLiteral("szallito"), QStringLiteral("szallito.txt")},
        {QStringLiteral("Vevö"), QStringLiteral("vevo"), QStringLiteral("vevo.txt")},
        {QStringLiteral("Sorszám"), QStringLiteral("sorszam"), QStringLiteral("sorszam.txt")},
        {QStringLiteral("Cikk"), QStringLiteral("cikk"), QStringLiteral("cikk.txt")},
        {QStringLiteral("SzlaFej"), QStringLiteral("SzlaFej"), QStringLiteral("SzlaFej.txt")},
        {QStringLiteral("SzlaSor"), QStringLiteral("SzlaSor"), QStringLiteral("SzlaSor.txt")},
    }};
    return all;
}

QString DataExport::defaultFolder()
{
    QString home = QDir::homePath();
    if (!home.endsWith(u'/'))
        home += u'/';
    return home;
}

DataExport::DataExport(ScreenContext& context)
    : m_context(context), m_query(context.data.connection(), QStringLiteral("dataExport")), m_folder(defaultFolder())
{
}

void DataExport::proposeServerFolder()
{
    try {
        const QString scope = scopedExportFolder(m_context.data.connection());
        if (!scope.isEmpty())
            m_folder = scope.endsWith(u'/') ? scope : scope + u'/';
    } catch (const Error&) {
        // the export itself reports what the server says
    }
}

QString DataExport::pathOf(int item) const
{
    return m_folder + items().at(static_cast<size_t>(item)).fileName;
}

bool DataExport::run()
{
    std::vector<int> chosen;
    for (int i = 0; i < kItemCount; ++i)
        if (isChecked(i))
            chosen.push_back(i);

    if (!chosen.empty()) {
        // The server resolves a relative name against its own data folder while the program
        // would delete the earlier copy elsewhere, so only a full path is accepted.
        if (!QDir::isAbsolutePath(m_folder)) {
            m_context.ui.message(
                QStringLiteral("Az export helyét teljes elérési úttal kell megadni (például %1).").arg(defaultFolder()));
            return false;
        }
        // The server's own error for a missing folder is misleading; check before sending anything.
        const QString folder = QFileInfo(pathOf(chosen.front())).absolutePath();
        if (!QFileInfo(folder).isDir()) {
            m_context.ui.message(QStringLiteral("Az export helye nem létezik: %1").arg(folder));
            return false;
        }
        // The server writes files only inside the folder its secure_file_priv names. Without such
        // a folder (none at all, or anywhere) the program's accounts hold no FILE right: say what
        // the administrator sets before the server refuses with its own English text.
        const QString scope = scopedExportFolder(m_context.data.connection());
        const QString root = QDir(scope).absolutePath();
        if (scope.isEmpty()) {
            m_context.ui.message(QStringLiteral(
                "Az adatbázis-kiszolgáló nem jelöl ki export mappát, ezért az export nem készíthető el.\n"
                "A gép rendszergazdája a kiszolgáló beállításában ([mysqld] szakasz, például a "
                "/etc/mysql/mariadb.conf.d/60-orvena.cnf fájlban) adjon meg egy mappát, amelybe a kiszolgáló "
                "írhat (nem a /home alatt), például:\n"
                "secure_file_priv = /srv/orvena-export\n"
                "majd indítsa újra a kiszolgálót (sudo systemctl restart mariadb), és futtassa: sudo orvena-setup"));
            return false;
        }
        if (folder != root && !folder.startsWith(root.endsWith(u'/') ? root : root + u'/')) {
            m_context.ui.message(QStringLiteral("Az export helyének a(z) %1 mappán belül kell lennie: csak oda "
                                                "írhat az adatbázis-kiszolgáló.")
                                     .arg(root));
            return false;
        }
        try {
            encode(CodePage::Latin2, m_folder);
        } catch (const ConversionError& e) {
            showFailure(m_context.ui, QStringLiteral("Az export helye nem használható.\n%1").arg(e.text()), &e);
            return false;
        }
        // The path travels as a latin2 literal; the server turns it into a UTF-8 file name, so
        // folders with Hungarian letters are the same folders the operator sees.
        m_query.setSql({QStringLiteral("SET character_set_filesystem = utf8mb4")});
        m_query.execute();
    }

    // Each table is one step; the first that cannot be written stops the export with its name.
    // The tables are read in one transaction, so every file shows them at the same moment (an
    // invoice's lines with its header); it only reads, and ends with the chain.
    StepChain chain(m_query);
    if (!chosen.empty() && !chain.run([&] {
            chain.begin(QStringLiteral("Hiba: az export nem kezdhető el, egy fájl sem készült."));
            for (int i : chosen) {
                const Item& item = items().at(static_cast<size_t>(i));
                const QString path = pathOf(i);
                QFile::remove(path); // the server never overwrites a file
                // The columns are named, so columns added to a table later never change the file.
                QStringList columns = exportColumns(item.table);
                std::transform(columns.begin(), columns.end(), columns.begin(), quotedName);
                m_query.setSql({QStringLiteral("SELECT %2 INTO OUTFILE :p0 FROM %1")
                                    .arg(quotedName(item.table), columns.join(QStringLiteral(", ")))});
                m_query.setText(QStringLiteral("p0"), path);
                chain.step(QStringLiteral("Hiba: a(z) \"%1\" tábla exportja nem sikerült, a(z) %2 fájl nem írható.")
                               .arg(item.table, path),
                           [&] { m_query.execute(); });
            }
        })) {
        tell(m_context.ui, chain.failure());
        return false;
    }
    m_context.ui.notice(QStringLiteral("Export vége. "));
    return true;
}

} // namespace orvena
