#include "backup.h"

#include "db/codepages.h"
#include "db/invoicelinks.h"
#include "db/navsendschema.h"
#include "db/schema.h"
#include "db/sqlname.h"
#include "screens/common/startup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <zlib.h>

#include <cstring>
#include <memory>

namespace orvena {

namespace {

const QByteArray kTitleLine = QByteArrayLiteral("-- Orvena adatmentés");
const QByteArray kChecksumKey = QByteArrayLiteral("-- sha256: ");
constexpr qsizetype kChunk = 1 << 20;

// zlib's gzip header as our writer makes it: no name, no time, maximum compression, Unix. The
// header fields are outside gzip's own CRC, so a changed byte there is caught by comparing.
const QByteArray kHeaderMemberStart = QByteArray::fromHex("1f8b0800000000000203");

class GzipWriter {
public:
    explicit GzipWriter(int level)
    {
        std::memset(&m_z, 0, sizeof m_z);
        if (deflateInit2(&m_z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw BackupError(QStringLiteral("A tömörítés nem indítható."));
    }
    ~GzipWriter() { deflateEnd(&m_z); }
    GzipWriter(const GzipWriter&) = delete;
    GzipWriter& operator=(const GzipWriter&) = delete;

    QByteArray add(const QByteArray& data, bool finish)
    {
        QByteArray out;
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        m_z.avail_in = static_cast<uInt>(data.size());
        char buffer[1 << 16];
        int status = Z_OK;
        do {
            m_z.next_out = reinterpret_cast<Bytef*>(buffer);
            m_z.avail_out = sizeof buffer;
            status = deflate(&m_z, finish ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, static_cast<qsizetype>(sizeof buffer - m_z.avail_out));
        } while (m_z.avail_out == 0 || (finish && status != Z_STREAM_END));
        return out;
    }

private:
    z_stream m_z;
};

// Inflates one gzip member; stops at its end and tells how much input it used.
class GzipReader {
public:
    GzipReader()
    {
        std::memset(&m_z, 0, sizeof m_z);
        if (inflateInit2(&m_z, 15 + 16) != Z_OK)
            throw BackupError(QStringLiteral("A kicsomagolás nem indítható."));
    }
    ~GzipReader() { inflateEnd(&m_z); }
    GzipReader(const GzipReader&) = delete;
    GzipReader& operator=(const GzipReader&) = delete;

    // Returns false on damaged data. `used` receives the input bytes consumed.
    bool add(const QByteArray& data, QByteArray& out, qsizetype& used)
    {
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        m_z.avail_in = static_cast<uInt>(data.size());
        char buffer[1 << 16];
        while (!m_ended && (m_z.avail_in > 0 || m_z.avail_out == 0)) {
            m_z.next_out = reinterpret_cast<Bytef*>(buffer);
            m_z.avail_out = sizeof buffer;
            const int status = inflate(&m_z, Z_NO_FLUSH);
            out.append(buffer, static_cast<qsizetype>(sizeof buffer - m_z.avail_out));
            if (status == Z_STREAM_END)
                m_ended = true;
            else if (status != Z_OK && status != Z_BUF_ERROR)
                return false;
            else if (status == Z_BUF_ERROR && m_z.avail_in == 0)
                break;
        }
        used = data.size() - static_cast<qsizetype>(m_z.avail_in);
        return true;
    }
    bool ended() const { return m_ended; }

private:
    z_stream m_z;
    bool m_ended = false;
};

QString toolPath(const QStringList& names)
{
    for (const QString& name : names) {
        QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty())
            path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin")});
        if (!path.isEmpty())
            return path;
    }
    throw BackupError(QStringLiteral("A(z) \"%1\" program nincs telepítve (a mariadb-client csomag része), "
                                     "enélkül nem készíthető adatmentés és nem állítható vissza.")
                          .arg(names.first()));
}

// Connection options for the client tools; a password goes through an option file, never the
// command line, where other users could read it.
struct ClientArguments {
    QStringList arguments;
    std::unique_ptr<QTemporaryFile> optionFile;
};

ClientArguments clientArguments(const ConnectionProfile& p)
{
    ClientArguments c;
    if (!p.password.isEmpty()) {
        c.optionFile = std::make_unique<QTemporaryFile>();
        if (!c.optionFile->open())
            throw BackupError(QStringLiteral("Nem hozható létre ideiglenes fájl."));
        QString password = p.password;
        password.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        c.optionFile->write("[client]\npassword=\"" + password.toUtf8() + "\"\n");
        c.optionFile->flush();
        c.arguments << QStringLiteral("--defaults-extra-file=%1").arg(c.optionFile->fileName());
    }
    if (!p.socket.isEmpty())
        c.arguments << QStringLiteral("--socket=%1").arg(p.socket);
    if (!p.host.isEmpty())
        c.arguments << QStringLiteral("--host=%1").arg(p.host);
    if (p.port != 0)
        c.arguments << QStringLiteral("--port=%1").arg(p.port);
    c.arguments << QStringLiteral("--user=%1").arg(p.user);
    return c;
}

QByteArray literal(Connection& c, const QString& text)
{
    return '\'' + c.escape(encode(CodePage::Latin2, text)) + '\'';
}

QStringList tablesOf(Connection& c, const QString& database)
{
    const auto rows = c.select("SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
                               + literal(c, database) + " AND TABLE_TYPE = 'BASE TABLE' ORDER BY TABLE_NAME");
    QStringList out;
    for (int r = 0; r < rows->rowCount(); ++r)
        out << rows->text(r, 0);
    return out;
}

bool databaseExists(Connection& c, const QString& database)
{
    return c.select("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = " + literal(c, database))
               ->text(0, 0)
        != u"0";
}

// A side database of the target's, short enough for the 64-character limit.
QString sideDatabase(const QString& database, const QString& suffix)
{
    return database.left(64 - suffix.size()) + suffix;
}

QByteArray headerCovered(const BackupHeader& h)
{
    QByteArray text = kTitleLine + '\n';
    text += "-- formatum: 1\n";
    text += "-- program: " + h.programVersion.toUtf8() + '\n';
    text += "-- adatszerkezet: " + QByteArray::number(h.schemaVersion) + '\n';
    text += "-- idopont: " + h.time.toString(Qt::ISODate).toUtf8() + '\n';
    text += "-- adatbazis: " + h.database.toUtf8() + '\n';
    return text;
}

struct ParsedFile {
    BackupHeader header;
    qint64 bodyOffset = 0;
};

ParsedFile parseAndVerify(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw BackupError(QStringLiteral("A mentésfájl nem olvasható: %1").arg(file));
    const QString damaged = QStringLiteral("A mentésfájl sérült vagy nem Orvena-mentés: %1").arg(file);

    // the header member
    const QByteArray start = f.read(64 * 1024);
    if (!start.startsWith(kHeaderMemberStart))
        throw BackupError(damaged);
    GzipReader reader;
    QByteArray text;
    qsizetype used = 0;
    if (!reader.add(start, text, used) || !reader.ended())
        throw BackupError(damaged);
    ParsedFile parsed;
    parsed.bodyOffset = used;

    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first() != kTitleLine)
        throw BackupError(damaged);
    QByteArray covered;
    QByteArray checksum;
    for (const QByteArray& line : lines) {
        if (line.startsWith(kChecksumKey)) {
            checksum = line.mid(kChecksumKey.size()).trimmed();
            break;
        }
        covered += line + '\n';
        const qsizetype colon = line.indexOf(": ");
        if (!line.startsWith("-- ") || colon < 0)
            continue;
        const QByteArray key = line.mid(3, colon - 3);
        const QString value = QString::fromUtf8(line.mid(colon + 2));
        if (key == "program")
            parsed.header.programVersion = value;
        else if (key == "adatszerkezet")
            parsed.header.schemaVersion = value.toInt();
        else if (key == "idopont")
            parsed.header.time = QDateTime::fromString(value, Qt::ISODate);
        else if (key == "adatbazis")
            parsed.header.database = value;
    }
    if (checksum.size() != 64 || parsed.header.schemaVersion <= 0)
        throw BackupError(damaged);
    parsed.header.checksum = checksum;

    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(covered);
    f.seek(parsed.bodyOffset);
    qint64 body = 0;
    while (!f.atEnd()) {
        const QByteArray chunk = f.read(kChunk);
        if (chunk.isEmpty())
            throw BackupError(QStringLiteral("A mentésfájl nem olvasható: %1").arg(file));
        body += chunk.size();
        hash.addData(chunk);
    }
    if (body == 0 || hash.result().toHex() != checksum)
        throw BackupError(QStringLiteral("A mentésfájl sérült (az ellenőrzőösszeg nem egyezik), nem állítható "
                                         "vissza: %1").arg(file));
    return parsed;
}

} // namespace

QString backupSizeText(qint64 bytes)
{
    return QLocale(QLocale::Hungarian, QLocale::Hungary)
        .formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString defaultBackupFolder()
{
    const QString configured = qEnvironmentVariable("ORVENA_BACKUP_DIR");
    if (!configured.isEmpty())
        return configured;
    return QDir::home().filePath(QStringLiteral("Orvena-mentés"));
}

QString backupFileName(const QDateTime& localTime, bool daily)
{
    return QStringLiteral("orvena-%1%2.sql.gz")
        .arg(daily ? QStringLiteral("napi-") : QString(), localTime.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
}

bool dailyBackupEnabled()
{
    return qEnvironmentVariable("ORVENA_AUTO_BACKUP") != u"0";
}

BackupResult writeBackup(const ConnectionProfile& profile, const QString& file, const BackupProgress& progress)
{
    const QString dumpTool = toolPath({QStringLiteral("mariadb-dump"), QStringLiteral("mysqldump")});

    BackupHeader header;
    header.programVersion = versionText();
    header.time = QDateTime::currentDateTimeUtc();
    header.database = profile.database;
    qint64 estimate = 0;
    try {
        Connection c;
        c.open(profile);
        header.schemaVersion = storedSchemaVersion(c);
        estimate = c.select("SELECT COALESCE(SUM(DATA_LENGTH), 0) FROM information_schema.TABLES WHERE "
                            "TABLE_SCHEMA = " + literal(c, profile.database))
                       ->text(0, 0)
                       .toLongLong();
    } catch (const Error& e) {
        throw BackupError(QStringLiteral("Az adatbázis (%1) nem érhető el, adatmentés nem készült.")
                              .arg(profile.database),
                          e.text());
    }

    const QFileInfo target(file);
    if (!target.absoluteDir().exists())
        throw BackupError(QStringLiteral("A mentés mappája nem létezik: %1").arg(target.absolutePath()));
    QTemporaryFile body(target.absoluteDir().filePath(target.fileName() + QStringLiteral(".XXXXXX.resz")));
    if (!body.open())
        throw BackupError(QStringLiteral("A mentés mappája nem írható: %1").arg(target.absolutePath()));

    ClientArguments client = clientArguments(profile);
    QProcess dump;
    dump.setProgram(dumpTool);
    dump.setArguments(client.arguments
                      + QStringList{QStringLiteral("--single-transaction"), QStringLiteral("--quick"),
                                    QStringLiteral("--skip-lock-tables"), QStringLiteral("--no-tablespaces"),
                                    // the row counters' triggers are the program's own, made anew on restore
                                    QStringLiteral("--skip-triggers"),
                                    QStringLiteral("--hex-blob"), QStringLiteral("--default-character-set=latin2"),
                                    QStringLiteral("--"), profile.database});
    dump.start();
    if (!dump.waitForStarted())
        throw BackupError(QStringLiteral("A(z) \"%1\" program nem indítható.").arg(dumpTool));

    const QByteArray covered = headerCovered(header);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(covered);
    GzipWriter gzip(1);
    qint64 read = 0;
    bool writeFailed = false;
    auto put = [&](const QByteArray& data, bool finish) {
        const QByteArray packed = gzip.add(data, finish);
        hash.addData(packed);
        if (body.write(packed) != packed.size())
            writeFailed = true;
    };
    for (;;) {
        const bool ready = dump.waitForReadyRead(200);
        const QByteArray chunk = dump.readAllStandardOutput();
        if (!chunk.isEmpty()) {
            read += chunk.size();
            put(chunk, false);
        }
        if (writeFailed || (progress && !progress(read, estimate))) {
            dump.kill();
            dump.waitForFinished();
            if (writeFailed)
                throw BackupError(QStringLiteral("A mentésfájl nem írható (megtelt a lemez?): %1").arg(file));
            throw BackupError(QStringLiteral("Az adatmentés megszakítva; mentésfájl nem készült."));
        }
        if (!ready && dump.state() == QProcess::NotRunning)
            break;
    }
    dump.waitForFinished(-1);
    put(dump.readAllStandardOutput(), true);
    if (dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(dump.readAllStandardError()).trimmed();
        throw BackupError(QStringLiteral("Az adatmentés nem sikerült, mentésfájl nem készült."), said);
    }
    if (writeFailed || !body.flush())
        throw BackupError(QStringLiteral("A mentésfájl nem írható (megtelt a lemez?): %1").arg(file));
    header.checksum = hash.result().toHex();

    GzipWriter headerGzip(9);
    const QByteArray headerText = covered + kChecksumKey + header.checksum + '\n'
        + QByteArrayLiteral("-- Visszaállítás: orvena --restore FÁJL\n"
                            "-- vagy szabványos eszközökkel: zcat FÁJL | mariadb ADATBÁZIS\n");
    QSaveFile out(file);
    bool ok = out.open(QIODevice::WriteOnly);
    ok = ok && out.write(headerGzip.add(headerText, true)) >= 0;
    body.seek(0);
    while (ok && !body.atEnd()) {
        const QByteArray chunk = body.read(kChunk);
        ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    if (!ok || !out.commit())
        throw BackupError(QStringLiteral("A mentésfájl nem írható: %1").arg(file));

    BackupResult result;
    result.file = target.absoluteFilePath();
    result.size = QFileInfo(result.file).size();
    result.header = header;
    return result;
}

BackupHeader verifyBackup(const QString& file)
{
    return parseAndVerify(file).header;
}

BackupHeader restoreBackup(const QString& file, const ConnectionProfile& admin, const QString& database, bool force,
                   const BackupProgress& progress)
{
    const ParsedFile parsed = parseAndVerify(file);
    if (parsed.header.schemaVersion > kSchemaVersion)
        throw BackupError(QStringLiteral("A mentés újabb programváltozattal készült (adatszerkezet: %1. változat); "
                                         "ez a program csak a(z) %2. változatig tudja visszaállítani. Frissítse "
                                         "a programot, és próbálja újra.")
                              .arg(parsed.header.schemaVersion)
                              .arg(kSchemaVersion));
    const QString clientTool = toolPath({QStringLiteral("mariadb"), QStringLiteral("mysql")});

    Connection c;
    try {
        ConnectionProfile p = admin;
        p.database.clear();
        c.open(p);
    } catch (const Error& e) {
        throw BackupError(QStringLiteral("Az adatbázis-kiszolgáló nem érhető el rendszergazdaként (%1); a "
                                         "visszaállításhoz rendszergazdai jog kell (ORVENA_ADMIN_USER).")
                              .arg(admin.user),
                          e.text());
    }

    const QString scratch = sideDatabase(database, QStringLiteral("_vissza"));
    const QString old = sideDatabase(database, QStringLiteral("_regi"));
    try {
        if (databaseExists(c, database) && !force) {
            const QStringList tables = tablesOf(c, database);
            qint64 documents = 0;
            for (const char* t : {"szlafej", "szlevfej"})
                if (tables.contains(QLatin1String(t), Qt::CaseInsensitive))
                    documents += c.select("SELECT COUNT(*) FROM " + quotedNameBytes(database) + '.' + t)->text(0, 0).toLongLong();
            if (documents > 0)
                throw BackupError(QStringLiteral("A(z) %1 adatbázisban már vannak számlák vagy szállítólevelek; a "
                                                 "visszaállítás felülírná őket. Ha valóban a mentés adataira akarja "
                                                 "cserélni, adja meg a --force kapcsolót.")
                                      .arg(database));
        }
        // A scratch database left by an interrupted restore goes first.
        c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(scratch));
        c.execute("CREATE DATABASE " + quotedNameBytes(scratch) + " CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
    } catch (const BackupError&) {
        throw;
    } catch (const Error& e) {
        throw BackupError(QStringLiteral("A visszaállítás nem kezdhető el; a meglévő adatok változatlanok."), e.text());
    }

    auto dropScratch = [&] {
        try {
            c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(scratch));
        } catch (const Error&) { // the failure being reported matters more
        }
    };

    // Load the dump into the scratch database through the standard client.
    {
        ConnectionProfile p = admin;
        ClientArguments client = clientArguments(p);
        QProcess load;
        load.setProgram(clientTool);
        load.setArguments(client.arguments
                          + QStringList{QStringLiteral("--batch"), QStringLiteral("--default-character-set=latin2"),
                                        QStringLiteral("--database=%1").arg(scratch)});
        load.start();
        if (!load.waitForStarted()) {
            dropScratch();
            throw BackupError(QStringLiteral("A(z) \"%1\" program nem indítható.").arg(clientTool));
        }
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        f.seek(parsed.bodyOffset);
        const qint64 total = f.size() - parsed.bodyOffset;
        GzipReader reader;
        bool failed = false;
        bool cancelled = false;
        while (!f.atEnd() && !failed) {
            const QByteArray chunk = f.read(kChunk);
            QByteArray sql;
            qsizetype used = 0;
            if (!reader.add(chunk, sql, used)) {
                failed = true;
                break;
            }
            load.write(sql);
            while (load.bytesToWrite() > 4 * kChunk && load.state() == QProcess::Running)
                load.waitForBytesWritten(1000);
            if (load.state() != QProcess::Running)
                failed = true;
            if (progress && !progress(f.pos() - parsed.bodyOffset, total)) {
                cancelled = true;
                break;
            }
        }
        if (failed || cancelled) {
            load.kill();
            load.waitForFinished();
        } else {
            load.closeWriteChannel();
            load.waitForFinished(-1);
        }
        if (cancelled) {
            dropScratch();
            throw BackupError(QStringLiteral("A visszaállítás megszakítva; a meglévő adatok változatlanok."));
        }
        if (failed || !reader.ended() || load.exitStatus() != QProcess::NormalExit || load.exitCode() != 0) {
            const QString said = QString::fromLocal8Bit(load.readAllStandardError()).trimmed();
            dropScratch();
            throw BackupError(QStringLiteral("A visszaállítás nem sikerült; a meglévő adatok változatlanok."), said);
        }
    }

    // Complete the restored layout and swap it in with one RENAME TABLE: all of it or nothing.
    try {
        c.execute("USE " + quotedNameBytes(scratch));
        const QStringList created = createMissingTables(c);
        addMissingColumns(c); // a backup of an earlier layout gets the columns added since
        if (created.contains(QStringLiteral("szlahivatkozas")))
            backfillStornoLinks(c); // a backup from before the storno links: linked as setup links them
        ensureNavSendSchema(c); // an older backup lacks the reporting's columns and log
        recordSchemaVersion(c, parsed.header.schemaVersion);
        if (!databaseExists(c, database))
            c.execute("CREATE DATABASE " + quotedNameBytes(database) + " CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
        c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(old));
        c.execute("CREATE DATABASE " + quotedNameBytes(old) + " CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
        // Tables with triggers cannot move between databases: the counters' triggers go first and
        // are made anew (with fresh counts) on the restored tables.
        dropRowCounterTriggers(c, scratch);
        if (databaseExists(c, database))
            dropRowCounterTriggers(c, database);
        QList<QByteArray> moves;
        for (const QString& t : tablesOf(c, database))
            moves << quotedNameBytes(database) + '.' + quotedNameBytes(t) + " TO " + quotedNameBytes(old) + '.' + quotedNameBytes(t);
        for (const QString& t : tablesOf(c, scratch))
            moves << quotedNameBytes(scratch) + '.' + quotedNameBytes(t) + " TO " + quotedNameBytes(database) + '.' + quotedNameBytes(t);
        c.execute("RENAME TABLE " + moves.join(", "));
        c.execute("USE " + quotedNameBytes(database));
        ensureRowCounters(c);
    } catch (const Error& e) {
        try { // the existing tables keep counting
            c.execute("USE " + quotedNameBytes(database));
            ensureRowCounters(c);
        } catch (const Error&) {
        }
        dropScratch();
        try {
            c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(old));
        } catch (const Error&) {
        }
        throw BackupError(QStringLiteral("A visszaállítás nem sikerült; a meglévő adatok változatlanok."), e.text());
    }
    // The old tables are no longer needed; a failure here leaves only a side database behind.
    try {
        c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(old));
    } catch (const Error&) {
    }
    dropScratch();
    return parsed.header;
}

DailyBackupOutcome runDailyBackup(const ConnectionProfile& profile, const QString& folder, const QDateTime& localNow,
                                  int keep, const BackupProgress& progress)
{
    DailyBackupOutcome outcome;
    QDir dir(folder);
    static const QRegularExpression daily(QStringLiteral("^orvena-napi-(\\d{4}-\\d{2}-\\d{2})-\\d{6}\\.sql\\.gz$"));
    const QString today = localNow.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (dir.exists()) {
        for (const QString& name : dir.entryList(QDir::Files)) {
            const auto m = daily.match(name);
            if (m.hasMatch() && m.captured(1) == today)
                return outcome;
        }
    }
    if (!dir.mkpath(QStringLiteral(".")))
        throw BackupError(QStringLiteral("A mentések mappája nem hozható létre: %1").arg(folder));

    outcome.result = writeBackup(profile, dir.filePath(backupFileName(localNow, true)), progress);
    outcome.made = true;

    QStringList dailies;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name | QDir::Reversed))
        if (daily.match(name).hasMatch())
            dailies << name;
    for (qsizetype i = keep; i < dailies.size(); ++i)
        if (dir.remove(dailies.at(i)))
            outcome.removed << dailies.at(i);
    return outcome;
}

} // namespace orvena
