#include "backup.h"

#include "billing/balanceview.h"
#include "db/codepages.h"
#include "billing/invoicelinks.h"
#include "billing/invoicesums.h"
#include "billing/openbalance.h"
#include "db/logging.h"
#include "db/navsendschema.h"
#include "db/outputfile.h"
#include "db/restorestate.h"
#include "db/schema.h"
#include "db/sqlname.h"
#include "navsend/navqueue.h"
#include "screens/common/startup.h"

#include "dumpcheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <isa-l/igzip_lib.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <sys/stat.h>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>
#include <memory>

namespace orvena {

namespace {

const QByteArray kTitleLine = QByteArrayLiteral("-- Orvena adatmentés");
const QByteArray kChecksumKey = QByteArrayLiteral("-- sha256: ");
constexpr qsizetype kChunk = 1 << 20;
// A restore inflates this much of the file at a time, about a megabyte of SQL: the client is
// handed each part as soon as it is checked, so it never waits long for the next one.
constexpr qsizetype kCompressedStep = 64 << 10;

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

// Deflates the dump into one gzip member with ISA-L at its level 1: about seven times zlib's
// fastest level, to the same size, so the compression keeps pace with the dump tool. The member's
// header is the one zlib makes at its fastest level; ISA-L writes the data and the trailer.
class FastGzipWriter {
public:
    FastGzipWriter() : m_levelBuffer(ISAL_DEF_LVL1_DEFAULT, '\0')
    {
        isal_deflate_init(&m_z);
        m_z.level = 1;
        m_z.level_buf = reinterpret_cast<uint8_t*>(m_levelBuffer.data());
        m_z.level_buf_size = static_cast<uint32_t>(m_levelBuffer.size());
        m_z.gzip_flag = IGZIP_GZIP_NO_HDR;
    }
    FastGzipWriter(const FastGzipWriter&) = delete;
    FastGzipWriter& operator=(const FastGzipWriter&) = delete;

    // Appends the compressed bytes to `out`; false when the compressor refused (the member is
    // then incomplete).
    bool add(const QByteArray& data, bool finish, QByteArray& out)
    {
        if (!m_started) {
            out = QByteArray::fromHex("1f8b08000000000004" "03"); // no name, no time, fastest, Unix
            m_started = true;
        }
        m_z.next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(data.constData()));
        m_z.avail_in = static_cast<uint32_t>(data.size());
        m_z.end_of_stream = finish ? 1 : 0;
        char buffer[1 << 16];
        do {
            m_z.next_out = reinterpret_cast<uint8_t*>(buffer);
            m_z.avail_out = sizeof buffer;
            if (isal_deflate(&m_z) != COMP_OK)
                return false;
            out.append(buffer, static_cast<qsizetype>(sizeof buffer - m_z.avail_out));
        } while (m_z.avail_in > 0 || m_z.avail_out == 0 || (finish && m_z.internal_state.state != ZSTATE_END));
        return true;
    }

private:
    isal_zstream m_z {};
    QByteArray m_levelBuffer;
    bool m_started = false;
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

// SHA-256 through libcrypto: the checksum is taken over every byte of a backup as it is written
// and before it is restored, so it has to keep up with the dump.
class Sha256 {
public:
    Sha256() : m_ctx(EVP_MD_CTX_new())
    {
        if (!m_ctx || EVP_DigestInit_ex(m_ctx, EVP_sha256(), nullptr) != 1)
            throw BackupError(QStringLiteral("Az ellenőrzőösszeg nem számítható."));
    }
    ~Sha256() { EVP_MD_CTX_free(m_ctx); }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const QByteArray& data) { EVP_DigestUpdate(m_ctx, data.constData(), static_cast<size_t>(data.size())); }
    QByteArray hex()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        EVP_DigestFinal_ex(m_ctx, digest, &size);
        return QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(size)).toHex();
    }

private:
    EVP_MD_CTX* m_ctx;
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
    QByteArray covered; // the header lines the checksum covers
    qint64 bodyOffset = 0;
};

QString damagedText(const QString& file)
{
    return QStringLiteral("A mentésfájl sérült vagy nem Orvena-mentés: %1").arg(file);
}

// One header line into the header's fields; false when the header is not one of ours.
void readHeaderLine(const QByteArray& line, BackupHeader& header)
{
    const qsizetype colon = line.indexOf(": ");
    if (!line.startsWith("-- ") || colon < 0)
        return;
    const QByteArray key = line.mid(3, colon - 3);
    const QString value = QString::fromUtf8(line.mid(colon + 2));
    if (key == "program")
        header.programVersion = value;
    else if (key == "adatszerkezet")
        header.schemaVersion = value.toInt();
    else if (key == "idopont")
        header.time = QDateTime::fromString(value, Qt::ISODate);
    else if (key == "adatbazis")
        header.database = value;
}

// Reads the header member: its fields, the lines the checksum covers and where the dump starts.
ParsedFile parseHeader(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw BackupError(QStringLiteral("A mentésfájl nem olvasható: %1").arg(file));
    const QByteArray start = f.read(64 * 1024);
    if (!start.startsWith(kHeaderMemberStart))
        throw BackupError(damagedText(file));
    GzipReader reader;
    QByteArray text;
    qsizetype used = 0;
    if (!reader.add(start, text, used) || !reader.ended())
        throw BackupError(damagedText(file));
    ParsedFile parsed;
    parsed.bodyOffset = used;

    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first() != kTitleLine)
        throw BackupError(damagedText(file));
    for (const QByteArray& line : lines) {
        // the header reaches the client too when restored with the standard tools: comments only
        if (!line.isEmpty() && (!line.startsWith("-- ") || line.contains('\\') || line.contains('\r')))
            throw BackupError(damagedText(file));
        if (!parsed.header.checksum.isEmpty())
            continue;
        if (line.startsWith(kChecksumKey)) {
            parsed.header.checksum = line.mid(kChecksumKey.size()).trimmed();
            continue;
        }
        parsed.covered += line + '\n';
        readHeaderLine(line, parsed.header);
    }
    if (parsed.header.checksum.size() != 64 || parsed.header.schemaVersion <= 0)
        throw BackupError(damagedText(file));
    return parsed;
}

// Checks the checksum over the header lines and every byte of the compressed dump: a file
// damaged anywhere is refused before anything of it runs.
void verifyChecksum(const QString& file, const ParsedFile& parsed)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(parsed.bodyOffset))
        throw BackupError(QStringLiteral("A mentésfájl nem olvasható: %1").arg(file));
    Sha256 hash;
    hash.add(parsed.covered);
    qint64 body = 0;
    while (!f.atEnd()) {
        const QByteArray chunk = f.read(kChunk);
        if (chunk.isEmpty())
            throw BackupError(QStringLiteral("A mentésfájl nem olvasható: %1").arg(file));
        body += chunk.size();
        hash.add(chunk);
    }
    if (body == 0 || hash.hex() != parsed.header.checksum)
        throw BackupError(QStringLiteral("A mentésfájl sérült (az ellenőrzőösszeg nem egyezik), nem állítható "
                                         "vissza: %1").arg(file));
}

// The dump of a backup, inflated and checked on the way (DumpCheck): it hands on only statements
// checked whole, so the statement it refuses, and all after it, never reach the client. What it
// holds back is one statement at most, whose length the check bounds.
class CheckedDump {
public:
    CheckedDump(const QString& file, qint64 bodyOffset) : m_f(file), m_name(file)
    {
        if (!m_f.open(QIODevice::ReadOnly) || !m_f.seek(bodyOffset))
            throw BackupError(QStringLiteral("A mentésfájl nem olvasható: %1").arg(file));
        m_start = bodyOffset;
    }

    // Puts the next checked statements into `out` (it may stay empty). False once the dump has
    // ended or been refused; `out` then holds the last statements when the whole dump passed.
    bool next(QByteArray& out)
    {
        out.clear();
        if (m_done)
            return false;
        if (!m_f.atEnd() && !m_reader.ended()) {
            if (!inflateNext())
                return stop();
            handOut(out);
            if (!m_reader.ended())
                return true;
        }
        if (!m_reader.ended()) {
            m_damaged = true; // the file ends inside the dump's gzip member
            return stop();
        }
        m_check.finish();
        handOut(out);
        return stop();
    }

    // After next() returned false: the Hungarian reason the dump is refused; empty when it
    // passed whole. `ran`: statements before the refused one may have been loaded.
    QString problem(bool ran) const
    {
        if (m_damaged)
            return damagedText(m_name) + (ran ? QStringLiteral(" A meglévő adatok változatlanok.") : QString());
        QString why = m_trailing ? QStringLiteral("a tömörített adatok után további részt (második gzip-tagot) "
                                                  "tartalmaz")
                                 : m_check.problem();
        if (why.isEmpty())
            return {};
        const QString what = ran ? QStringLiteral("Ebből és az utána következő részből semmi sem futott le; ami "
                                                  "előtte volt, csak az ideiglenes adatbázisba került, és azt a "
                                                  "program törölte. A meglévő adatok változatlanok")
                                 : QStringLiteral("Belőle semmi sem futott le, a meglévő adatok változatlanok");
        return QStringLiteral("A mentésfájl nem állítható vissza: nem Orvena-adatmentés, mert %1. %2: %3")
            .arg(why, what, m_name);
    }
    qint64 done() const { return m_f.pos() - m_start; }
    qint64 total() const { return m_f.size() - m_start; }

private:
    bool stop()
    {
        m_done = true;
        return false;
    }

    // Inflates the next chunk of the file into the check; false on damage or a refusal.
    bool inflateNext()
    {
        const QByteArray chunk = m_f.read(kCompressedStep);
        QByteArray sql;
        qsizetype used = 0;
        if (chunk.isEmpty() || !m_reader.add(chunk, sql, used)) {
            m_damaged = true;
            return false;
        }
        if (m_reader.ended() && (used < chunk.size() || !m_f.atEnd())) {
            m_trailing = true; // nothing of a second member is ever read, let alone run
            return false;
        }
        m_check.feed(sql);
        m_held += sql;
        return m_check.problem().isEmpty();
    }

    // Adds what the check has let through since the last time to `out`.
    void handOut(QByteArray& out)
    {
        if (!m_check.problem().isEmpty())
            return;
        const qsizetype ready = static_cast<qsizetype>(m_check.passed() - m_handed);
        if (ready <= 0)
            return;
        if (ready == m_held.size() && out.isEmpty()) {
            out.swap(m_held);
        } else {
            out += m_held.left(ready);
            m_held.remove(0, ready);
        }
        m_handed += ready;
    }

    QFile m_f;
    const QString m_name;
    qint64 m_start = 0;
    GzipReader m_reader;
    DumpCheck m_check;
    QByteArray m_held; // inflated, not yet handed on
    qint64 m_handed = 0;
    bool m_done = false;
    bool m_damaged = false;
    bool m_trailing = false;
};

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

namespace {

// Compresses the dump, takes its checksum and writes it into the body file on a thread of its
// own, while the caller's thread reads the dump tool's output: the compression keeps pace with
// the dump instead of holding it up. At most a few chunks wait, so memory stays small.
class BodyWriter {
public:
    BodyWriter(int fd, const QByteArray& covered) : m_fd(fd)
    {
        m_hash.add(covered);
        m_thread = std::thread([this] { run(); });
    }
    ~BodyWriter() { finish(); }
    BodyWriter(const BodyWriter&) = delete;
    BodyWriter& operator=(const BodyWriter&) = delete;

    // Queues the next bytes of the dump; waits while the compressor is behind.
    void add(QByteArray data)
    {
        std::unique_lock lock(m_mutex);
        m_space.wait(lock, [this] { return m_queue.size() < kMaxQueued || m_failed; });
        m_queue.push_back(std::move(data));
        m_ready.notify_one();
    }
    // Ends the gzip member and waits for the thread; the body's checksum, hex.
    QByteArray finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_ended = true;
            m_ready.notify_one();
        }
        if (m_thread.joinable())
            m_thread.join();
        return m_checksum;
    }
    bool failed()
    {
        std::lock_guard lock(m_mutex);
        return m_failed;
    }

private:
    static constexpr size_t kMaxQueued = 8;

    void run()
    {
        for (;;) {
            QByteArray data;
            bool last = false;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_queue.empty() || m_ended; });
                if (!m_queue.empty()) {
                    data = std::move(m_queue.front());
                    m_queue.pop_front();
                    m_space.notify_one();
                }
                last = m_queue.empty() && m_ended;
            }
            QByteArray packed;
            if (!m_gzip.add(data, last, packed) || !put(packed)) {
                std::lock_guard lock(m_mutex);
                m_failed = true;
                m_space.notify_all();
                return;
            }
            if (last) {
                m_checksum = m_hash.hex();
                return;
            }
        }
    }
    bool put(const QByteArray& packed)
    {
        m_hash.add(packed);
        const char* data = packed.constData();
        qsizetype left = packed.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, data, static_cast<size_t>(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            left -= n;
        }
        return true;
    }

    const int m_fd;
    FastGzipWriter m_gzip;
    Sha256 m_hash;
    QByteArray m_checksum;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_ready, m_space;
    std::deque<QByteArray> m_queue;
    bool m_ended = false;
    bool m_failed = false;
};

// The header's fields and how much data the dump will roughly be (for the progress).
BackupHeader describeDatabase(const ConnectionProfile& profile, qint64& estimate)
{
    BackupHeader header;
    header.programVersion = versionText();
    header.time = QDateTime::currentDateTimeUtc();
    header.database = profile.database;
    try {
        Connection c;
        c.open(profile);
        header.schemaVersion = storedSchemaVersion(c);
        estimate = c.select("SELECT COALESCE(SUM(DATA_LENGTH), 0) FROM information_schema.TABLES WHERE "
                            "TABLE_SCHEMA = " + quotedLiteral(c, profile.database))
                       ->text(0, 0)
                       .toLongLong();
    } catch (const Error& e) {
        throw BackupError(QStringLiteral("Az adatbázis (%1) nem érhető el, adatmentés nem készült.")
                              .arg(profile.database),
                          e.text());
    }
    return header;
}

QStringList dumpArguments(const ConnectionProfile& profile)
{
    return {QStringLiteral("--single-transaction"), QStringLiteral("--quick"), QStringLiteral("--skip-lock-tables"),
            QStringLiteral("--no-tablespaces"),
            // the row counters' triggers are the program's own, made anew on restore
            QStringLiteral("--skip-triggers"),
            // the balance view is the program's own too (a dump may hold tables only)
            QStringLiteral("--ignore-table=") + profile.database + u'.' + kBalanceView, QStringLiteral("--hex-blob"),
            QStringLiteral("--default-character-set=latin2"), QStringLiteral("--"), profile.database};
}

QString diskFullText(const QString& file)
{
    return QStringLiteral("A mentésfájl nem írható (megtelt a lemez?): %1").arg(file);
}

// The pipe the dump tool writes into, made here rather than by QProcess: it is read straight into
// the chunks handed to the compressor, and its size is known.
class DumpPipe {
public:
    DumpPipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw BackupError(QStringLiteral("Az adatmentő program kimenete nem fogadható (nincs szabad leíró)."));
        m_read = fds[0];
        m_write = fds[1];
#if defined(F_SETPIPE_SZ) && defined(F_GETPIPE_SZ)
        // a megabyte instead of 64 kB, where the system allows it
        ::fcntl(m_write, F_SETPIPE_SZ, 1 << 20);
        m_size = std::max(::fcntl(m_read, F_GETPIPE_SZ), 0);
#endif
    }
    ~DumpPipe()
    {
        closeWriteEnd();
        ::close(m_read);
    }
    DumpPipe(const DumpPipe&) = delete;
    DumpPipe& operator=(const DumpPipe&) = delete;

    int readEnd() const { return m_read; }
    int writeEnd() const { return m_write; }
    // Once the dump tool has its copy: the end of its output is then seen here.
    void closeWriteEnd()
    {
        if (m_write >= 0)
            ::close(m_write);
        m_write = -1;
    }
    // The dump tool writes a few kilobytes at a time. Waking for each of them costs more than
    // the dump itself, so when the pipe is large and what came was a small part of it, the
    // reader lets it fill for a millisecond: the dump tool goes on writing meanwhile.
    bool worthWaiting(qsizetype got) const { return m_size >= (512 << 10) && got < m_size / 4; }

private:
    int m_read = -1;
    int m_write = -1;
    int m_size = 0;
};

// Runs the dump tool and hands its output to `writer` until it ends; returns the body's checksum.
QByteArray dumpInto(BodyWriter& writer, const ConnectionProfile& profile, const QString& file,
                    const BackupProgress& progress, qint64 estimate)
{
    const QString dumpTool = toolPath({QStringLiteral("mariadb-dump"), QStringLiteral("mysqldump")});
    ClientArguments client = clientArguments(profile);
    DumpPipe pipe;
    // what the dump tool says goes into a file, so however much it says never holds it up
    QTemporaryFile said;
    if (!said.open())
        throw BackupError(QStringLiteral("Nem hozható létre ideiglenes fájl."));
    QProcess dump;
    dump.setProgram(dumpTool);
    dump.setArguments(client.arguments + dumpArguments(profile));
    dump.setStandardOutputFile(QProcess::nullDevice());
    dump.setStandardErrorFile(said.fileName());
    const int writeEnd = pipe.writeEnd();
    dump.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
    dump.start();
    if (!dump.waitForStarted())
        throw BackupError(QStringLiteral("A(z) \"%1\" program nem indítható.").arg(dumpTool));
    pipe.closeWriteEnd();

    qint64 read = 0;
    bool broken = false;
    for (;;) {
        pollfd wait {pipe.readEnd(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, 200);
        qsizetype got = 0;
        if (ready > 0) {
            QByteArray chunk(kChunk, Qt::Uninitialized);
            const ssize_t n = ::read(pipe.readEnd(), chunk.data(), static_cast<size_t>(chunk.size()));
            if (n == 0)
                break; // the dump tool has ended
            if (n < 0 && errno != EINTR && errno != EAGAIN) {
                broken = true;
                break;
            }
            if (n > 0) {
                got = n;
                chunk.truncate(got);
                read += got;
                writer.add(std::move(chunk));
            }
        } else if (ready < 0 && errno != EINTR) {
            broken = true;
            break;
        }
        const bool failed = writer.failed();
        if (failed || (progress && !progress(read, estimate))) {
            dump.kill();
            dump.waitForFinished();
            writer.finish();
            throw BackupError(failed ? diskFullText(file)
                                     : QStringLiteral("Az adatmentés megszakítva; mentésfájl nem készült."));
        }
        if (got > 0 && pipe.worthWaiting(got)) {
            const timespec pause {0, 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
    }
    if (broken)
        dump.kill();
    dump.waitForFinished(-1);
    const QByteArray checksum = writer.finish();
    if (broken || dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        throw BackupError(QStringLiteral("Az adatmentés nem sikerült, mentésfájl nem készült."),
                          QString::fromLocal8Bit(said.readAll()).trimmed());
    }
    if (writer.failed() || checksum.isEmpty())
        throw BackupError(diskFullText(file));
    return checksum;
}

// Writes the header member and the compressed body into `file`, which appears only complete
// and readable by its owner only: the backup holds the technical user's keys.
void assembleBackupFile(const QString& file, const QByteArray& headerText, QFile& body)
{
    try {
        OutputFile out(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        out.open();
        GzipWriter headerGzip(9);
        const QByteArray packedHeader = headerGzip.add(headerText, true);
        bool ok = out.device().write(packedHeader) == packedHeader.size();
        body.seek(0);
        while (ok && !body.atEnd()) {
            const QByteArray chunk = body.read(kChunk);
            ok = !chunk.isEmpty() && out.device().write(chunk) == chunk.size();
        }
        if (!ok)
            throw FileError(diskFullText(file));
        out.commit();
    } catch (const FileError& e) {
        throw BackupError(e.text() + QStringLiteral(" Adatmentés nem készült."));
    }
}

} // namespace

BackupResult writeBackup(const ConnectionProfile& profile, const QString& file, const BackupProgress& progress)
{
    toolPath({QStringLiteral("mariadb-dump"), QStringLiteral("mysqldump")}); // missing: said before anything
    // a device, a folder or a link under that name is refused before anything is dumped
    if (const QString problem = outputFileProblem(file); !problem.isEmpty())
        throw BackupError(problem + QStringLiteral(" Adatmentés nem készült."));
    QElapsedTimer clock;
    clock.start();
    qint64 estimate = 0;
    BackupHeader header = describeDatabase(profile, estimate);
    qCDebug(lcApp, "backup: the database described in %lld ms", static_cast<long long>(clock.restart()));

    const QFileInfo target(file);
    if (!target.absoluteDir().exists())
        throw BackupError(QStringLiteral("A mentés mappája nem létezik: %1").arg(target.absolutePath()));
    QTemporaryFile body(target.absoluteDir().filePath(target.fileName() + QStringLiteral(".XXXXXX.resz")));
    if (!body.open())
        throw BackupError(QStringLiteral("A mentés mappája nem írható: %1").arg(target.absolutePath()));

    const QByteArray covered = headerCovered(header);
    {
        BodyWriter writer(body.handle(), covered);
        header.checksum = dumpInto(writer, profile, file, progress, estimate);
    }
    qCDebug(lcApp, "backup: dumped and compressed in %lld ms", static_cast<long long>(clock.restart()));
    const QByteArray headerText = covered + kChecksumKey + header.checksum + '\n'
        + QByteArrayLiteral("-- Visszaállítás: orvena --restore FÁJL\n"
                            "-- vagy szabványos eszközökkel: zcat FÁJL | mariadb ADATBÁZIS\n");
    assembleBackupFile(file, headerText, body);
    qCDebug(lcApp, "backup: the file put together in %lld ms", static_cast<long long>(clock.restart()));

    BackupResult result;
    result.file = target.absoluteFilePath();
    result.size = QFileInfo(result.file).size();
    result.header = header;
    return result;
}

BackupHeader verifyBackup(const QString& file)
{
    const ParsedFile parsed = parseHeader(file);
    verifyChecksum(file, parsed);
    CheckedDump dump(file, parsed.bodyOffset);
    QByteArray statements;
    while (dump.next(statements)) {
    }
    if (const QString problem = dump.problem(false); !problem.isEmpty())
        throw BackupError(problem);
    return parsed.header;
}

namespace {

// Other sessions working in `database`, as "user@host (kapcsolat: id)", and their ids.
struct Sessions {
    QStringList shown;
    QList<QByteArray> ids;
};

Sessions otherSessions(Connection& c, const QString& database)
{
    const auto rows = c.select("SELECT ID, USER, HOST FROM information_schema.PROCESSLIST WHERE DB = "
                               + quotedLiteral(c, database) + " AND ID <> CONNECTION_ID() ORDER BY ID");
    Sessions s;
    for (int r = 0; r < rows->rowCount(); ++r) {
        s.ids << rows->text(r, 0).toLatin1();
        s.shown << QStringLiteral("%1@%2 (kapcsolat: %3)").arg(rows->text(r, 1), rows->text(r, 2), rows->text(r, 0));
    }
    return s;
}

QString sessionsRefused(const QString& database, const Sessions& s)
{
    return QStringLiteral("A(z) %1 adatbázissal most más munkamenetek dolgoznak; a visszaállítás elvenné tőlük, "
                          "amin dolgoznak:\n  %2\nLépjenek ki ezeken a munkahelyeken a programból, és próbálja "
                          "újra. Ha a munkájuk elveszhet, adja meg a --force kapcsolót még egyszer (--force "
                          "--force): a visszaállítás ekkor megszakítja ezeket a kapcsolatokat.")
        .arg(database, s.shown.join(QStringLiteral("\n  ")));
}

// The name the data a forced restore replaces is kept under, beside the restored file.
QString keptBackupFile(const QString& restored)
{
    const QDir folder = QFileInfo(restored).absoluteDir();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString name = folder.filePath(QStringLiteral("orvena-felulirt-%1.sql.gz").arg(stamp));
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = folder.filePath(QStringLiteral("orvena-felulirt-%1-%2.sql.gz").arg(stamp).arg(n));
    return name;
}

// The copy a restore run as root (sudo orvena --restore) writes into a user's folder belongs to
// the folder's owner, who can then read and remove it; it stays readable by its owner only.
void giveToFolderOwner(const QString& file)
{
    struct stat folder {};
    if (::geteuid() != 0
        || ::stat(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), &folder) != 0
        || folder.st_uid == 0)
        return;
    // lchown: the file was just written as a regular file; a link put in its place is not followed.
    // Failing, the copy is still there, only root's: the restore goes on.
    if (::lchown(QFile::encodeName(file).constData(), folder.st_uid, folder.st_gid) != 0)
        qCWarning(lcApp).noquote() << QStringLiteral("%1: the owner cannot be changed: %2")
                                          .arg(file, QString::fromLocal8Bit(std::strerror(errno)));
}

QString randomPassword()
{
    static const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    QString out;
    for (int i = 0; i < 32; ++i)
        out += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(int(sizeof alphabet - 1))]);
    return out + QStringLiteral("-9x"); // digits, letters and a sign for any password policy
}

// A database name in a GRANT: its _ and % would otherwise be wildcards matching other databases.
QByteArray grantedDatabase(const QString& database)
{
    QString escaped = database;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'_', QStringLiteral("\\_")).replace(u'%', QStringLiteral("\\%"));
    return quotedNameBytes(escaped);
}

// The account the dump is loaded as: rights on the scratch database only, dropped afterwards.
class LoadAccount {
public:
    LoadAccount(Connection& c, const QString& name, const QString& scratch) : m_c(c)
    {
        const QString host = c.select("SELECT SUBSTRING_INDEX(USER(), '@', -1)")->text(0, 0);
        m_account = quotedLiteral(c, name) + '@' + quotedLiteral(c, host);
        m_password = randomPassword();
        c.execute("DROP USER IF EXISTS " + m_account);
        c.execute("CREATE USER " + m_account + " IDENTIFIED BY " + quotedLiteral(c, m_password));
        m_made = true;
        try {
            c.execute("GRANT SELECT, INSERT, UPDATE, DELETE, CREATE, DROP, ALTER, INDEX, LOCK TABLES, REFERENCES ON "
                      + grantedDatabase(scratch) + ".* TO " + m_account);
            // what the server grants it, read back: its own usage and the scratch database, nothing more
            const auto grants = c.select("SHOW GRANTS FOR " + m_account);
            const QString scratchGrant = QStringLiteral(" ON %1.* TO ").arg(decode(CodePage::Latin2, grantedDatabase(scratch)));
            for (int r = 0; r < grants->rowCount(); ++r) {
                const QString grant = grants->text(r, 0);
                if (!grant.startsWith(QStringLiteral("GRANT USAGE ON *.* TO ")) && !grant.contains(scratchGrant))
                    throw DbError(QStringLiteral("A betöltő fióknak a vártnál több joga van: %1").arg(grant));
            }
        } catch (...) {
            drop(); // a constructor that throws gets no destructor
            throw;
        }
        m_profile.user = name;
        m_profile.password = m_password;
    }
    ~LoadAccount() { drop(); }
    LoadAccount(const LoadAccount&) = delete;
    LoadAccount& operator=(const LoadAccount&) = delete;

    ConnectionProfile profile(const ConnectionProfile& admin) const
    {
        ConnectionProfile p = admin;
        p.user = m_profile.user;
        p.password = m_profile.password;
        return p;
    }
    void drop()
    {
        if (!m_made)
            return;
        try {
            m_c.execute("DROP USER IF EXISTS " + m_account);
            m_made = false;
        } catch (const Error&) { // the failure being reported matters more; the next restore mends it
        }
    }

private:
    Connection& m_c;
    QByteArray m_account;
    QString m_password;
    ConnectionProfile m_profile;
    bool m_made = false;
};

// One restore, step by step (see restoreBackup in the header). Each step throws BackupError
// with a text that says whether the existing data stayed as they were; a step that fails after
// the scratch database was made drops it first.
class Restore {
public:
    Restore(Connection& c, const QString& file, const ConnectionProfile& admin, const QString& database,
            const ParsedFile& parsed)
        : m_c(c), m_file(file), m_admin(admin), m_database(database), m_parsed(parsed),
          m_scratch(restoreScratchDatabase(database)), m_old(restoreOldDatabase(database)),
          // One restore of a database at a time; the lock ends with this session, however it ends.
          m_lock(quotedLiteralBytes(c, restoreLockName(database)))
    {
    }

    // Takes the restore lock, mends what a killed restore left, refuses what the restore may
    // not replace, and makes the empty scratch database.
    void begin(bool force, bool cutOffSessions, RestoreResult& result)
    {
        try {
            if (m_c.select("SELECT GET_LOCK(" + m_lock + ", 0)")->text(0, 0) != u"1")
                throw BackupError(QStringLiteral("A(z) %1 adatbázisba éppen folyik egy másik visszaállítás; várja meg, "
                                                 "amíg befejeződik. A meglévő adatokhoz ez a futás nem nyúlt.")
                                      .arg(m_database));
            // what a killed restore left: the counters' triggers and the side databases
            result.mended = mendInterruptedRestore(m_c, m_database);
            if (databaseExists(m_c, m_database) && !force)
                refuseReplacingDocuments();
            if (const Sessions s = otherSessions(m_c, m_database); !s.ids.isEmpty() && !cutOffSessions)
                throw BackupError(sessionsRefused(m_database, s));
            m_c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(m_scratch));
            m_c.execute("CREATE DATABASE " + quotedNameBytes(m_scratch)
                        + " CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
        } catch (const BackupError&) {
            throw;
        } catch (const Error& e) {
            throw BackupError(QStringLiteral("A visszaállítás nem kezdhető el; %1.").arg(unchanged()), e.text());
        }
    }

    // Loads the dump into the scratch database through the standard client, in its sandbox (no
    // shell, no files) and as an account that can reach the scratch database only: whatever
    // the dump holds, it cannot touch anything else.
    void load(const QString& clientTool, const BackupProgress& progress)
    {
        std::unique_ptr<LoadAccount> account;
        try {
            account = std::make_unique<LoadAccount>(m_c, m_scratch, m_scratch);
        } catch (const Error& e) {
            dropScratch();
            throw BackupError(QStringLiteral("A visszaállítás nem kezdhető el: a betöltő fiók nem hozható létre; %1.")
                                  .arg(unchanged()),
                              e.text());
        }
        ClientArguments client = clientArguments(account->profile(m_admin));
        QProcess load;
        load.setProgram(clientTool);
#ifdef F_SETPIPE_SZ
        // A pipe of a megabyte (the size an unprivileged process may ask for) instead of 64 kB: the
        // client loads what it has while the next part of the dump is read and checked here.
        load.setChildProcessModifier([] { ::fcntl(STDIN_FILENO, F_SETPIPE_SZ, 1 << 20); });
#endif
        load.setArguments(client.arguments
                          + QStringList{QStringLiteral("--batch"), QStringLiteral("--sandbox"),
                                        QStringLiteral("--binary-mode"), QStringLiteral("--local-infile=0"),
                                        QStringLiteral("--default-character-set=latin2"),
                                        QStringLiteral("--database=%1").arg(m_scratch)});
        load.start();
        if (!load.waitForStarted()) {
            account->drop();
            dropScratch();
            throw BackupError(QStringLiteral("A(z) \"%1\" program nem indítható.").arg(clientTool));
        }
        const Fed fed = feed(load, progress);
        account->drop();
        if (fed == Fed::Refused) {
            dropScratch();
            throw BackupError(m_refusal);
        }
        if (fed == Fed::Cancelled) {
            dropScratch();
            throw BackupError(QStringLiteral("A visszaállítás megszakítva; %1.").arg(unchanged()));
        }
        if (fed == Fed::Failed || load.exitStatus() != QProcess::NormalExit || load.exitCode() != 0) {
            const QString said = QString::fromLocal8Bit(load.readAllStandardError()).trimmed();
            dropScratch();
            throw BackupError(QStringLiteral("A visszaállítás nem sikerült: a mentés betöltése hibával állt le. A "
                                             "betöltés csak az ideiglenes adatbázishoz fért hozzá, %1.")
                                  .arg(unchanged()),
                              said);
        }
    }

    // Brings the loaded tables to this program's layout, and at the swap: who works in the
    // database now (they may have come during the load).
    void prepareSwap(bool cutOffSessions, RestoreResult& result)
    {
        try {
            m_c.execute("USE " + quotedNameBytes(m_scratch));
            const QStringList created = createMissingTables(m_c);
            addMissingColumns(m_c); // a backup of an earlier layout gets the columns added since
            ensureIndexes(m_c);     // ... and the indexes
            if (created.contains(QStringLiteral("szlahivatkozas")))
                backfillStornoLinks(m_c); // a backup from before the storno links: linked as setup links them
            // A backup of this layout holds the sums its issuing wrote, dumped in one snapshot with
            // the invoices: working them out again would only read every invoice once more. One of
            // an earlier layout, or one that lacked any table, gets them written as setup writes them.
            if (!created.isEmpty() || m_parsed.header.schemaVersion != kSchemaVersion)
                backfillInvoiceSums(m_c);
            if (created.contains(kOpenBalance))
                backfillOpenBalance(m_c); // ... and before the open balances (the view made in the scratch copy)
            ensureNavSendSchema(m_c); // an older backup lacks the reporting's columns and log
            recordSchemaVersion(m_c, m_parsed.header.schemaVersion);
            // Reports the restored data holds as waiting may have gone out after the backup was made:
            // held before the swap, so no workstation's sender sees them waiting for an instant.
            nav::holdRestoredReports(m_c, m_parsed.header.time);
            const Sessions s = otherSessions(m_c, m_database);
            if (!s.ids.isEmpty() && !cutOffSessions) {
                dropScratch();
                throw BackupError(sessionsRefused(m_database, s));
            }
            for (qsizetype i = 0; i < s.ids.size(); ++i) {
                try {
                    m_c.execute("KILL CONNECTION " + s.ids.at(i));
                    result.cutOff << s.shown.at(i);
                } catch (const DbError&) { // it ended meanwhile
                }
            }
        } catch (const BackupError&) {
            throw;
        } catch (const Error& e) {
            dropScratch();
            throw BackupError(QStringLiteral("A visszaállítás nem sikerült; %1.").arg(unchanged()), e.text());
        }
    }

    // A forced restore first backs up the data it replaces, beside the restored file; returns
    // that backup's name, empty when there was nothing to replace.
    QString keepReplacedData()
    {
        if (!databaseExists(m_c, m_database) || tablesOf(m_c, m_database).isEmpty())
            return {};
        ConnectionProfile live = m_admin;
        live.database = m_database;
        try {
            const QString kept = writeBackup(live, keptBackupFile(m_file)).file;
            giveToFolderOwner(kept);
            return kept;
        } catch (const BackupError& e) {
            dropScratch();
            throw BackupError(QStringLiteral("A felülírandó adatokról nem készült mentés a visszaállított fájl "
                                             "mellé, ezért a visszaállítás nem történt meg; %1. %2")
                                  .arg(unchanged(), e.text()),
                              e.detail());
        }
    }

    // The swap: the counters' triggers go (tables with triggers cannot move between databases),
    // one RENAME TABLE moves every table, and the triggers are made anew. A run killed in between
    // is finished by the next restore or by orvena-setup (mendInterruptedRestore), which tells
    // by `old` whether the RENAME happened.
    void swap()
    {
        bool swapped = false;
        try {
            if (!databaseExists(m_c, m_database))
                m_c.execute("CREATE DATABASE " + quotedNameBytes(m_database)
                            + " CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
            m_c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(m_old));
            m_c.execute("CREATE DATABASE " + quotedNameBytes(m_old) + " CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
            QList<QByteArray> moves;
            for (const QString& t : tablesOf(m_c, m_database))
                moves << quotedNameBytes(m_database) + '.' + quotedNameBytes(t) + " TO " + quotedNameBytes(m_old) + '.'
                        + quotedNameBytes(t);
            for (const QString& t : tablesOf(m_c, m_scratch))
                moves << quotedNameBytes(m_scratch) + '.' + quotedNameBytes(t) + " TO " + quotedNameBytes(m_database)
                        + '.' + quotedNameBytes(t);
            keepArchivedInvoices();
            // from here until the triggers are back the live tables count nothing: kept short
            dropRowCounterTriggers(m_c, m_scratch);
            dropRowCounterTriggers(m_c, m_database);
            m_c.execute("RENAME TABLE " + moves.join(", "));
            swapped = true;
            m_c.execute("USE " + quotedNameBytes(m_database));
            ensureRowCounters(m_c);
            ensureBalanceView(m_c);
        } catch (const Error& e) {
            recoverFromSwap(e, swapped);
        }
    }

    // The old tables are no longer needed; a failure here leaves only side databases, which the
    // next restore or orvena-setup removes.
    void finish()
    {
        try {
            m_c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(m_old));
        } catch (const Error&) {
        }
        dropScratch();
        try {
            m_c.select("SELECT RELEASE_LOCK(" + m_lock + ")");
        } catch (const Error&) { // it ends with the session anyway
        }
    }

private:
    enum class Fed { Done, Failed, Cancelled, Refused };

    // The archive of issued invoices is never given up, not even for an older backup: what the
    // live database holds and the backup lacks (invoices issued after it was made) is carried
    // into the restored tables.
    void keepArchivedInvoices()
    {
        const bool live = tablesOf(m_c, m_database).contains(QStringLiteral("szlaarchiv"), Qt::CaseInsensitive);
        if (!live || !tablesOf(m_c, m_scratch).contains(QStringLiteral("szlaarchiv"), Qt::CaseInsensitive))
            return;
        const QByteArray from = quotedNameBytes(m_database) + ".szlaarchiv";
        const QByteArray into = quotedNameBytes(m_scratch) + ".szlaarchiv";
        const QByteArray columns = "aBszam, aElektronikus, aPdf, aPdfSha, aXml, aXmlSha, aKeszult, aFelhasznalo";
        m_c.execute("INSERT INTO " + into + " (" + columns + ") SELECT l.aBszam, l.aElektronikus, l.aPdf, l.aPdfSha, "
                    "l.aXml, l.aXmlSha, l.aKeszult, l.aFelhasznalo FROM " + from + " l WHERE NOT EXISTS (SELECT 1 FROM "
                    + into + " r WHERE r.aBszam = l.aBszam AND r.aKeszult = l.aKeszult AND r.aPdfSha <=> l.aPdfSha "
                    "AND r.aXmlSha <=> l.aXmlSha) ORDER BY l.aID");
    }

    static QString unchanged() { return QStringLiteral("a meglévő adatok változatlanok"); }

    void refuseReplacingDocuments()
    {
        const QStringList tables = tablesOf(m_c, m_database);
        qint64 documents = 0;
        for (const char* t : {"szlafej", "szlevfej"})
            if (tables.contains(QLatin1String(t), Qt::CaseInsensitive))
                documents += m_c.select("SELECT COUNT(*) FROM " + quotedNameBytes(m_database) + '.' + t)
                                 ->text(0, 0)
                                 .toLongLong();
        if (documents > 0)
            throw BackupError(QStringLiteral("A(z) %1 adatbázisban már vannak számlák vagy szállítólevelek; a "
                                             "visszaállítás felülírná őket. Ha valóban a mentés adataira akarja "
                                             "cserélni, adja meg a --force kapcsolót. A meglévő adatokhoz a "
                                             "program nem nyúlt.")
                                  .arg(m_database));
    }

    // Writes the dump's statements into the client as they pass the check, and waits for the
    // client to end. At a refused statement the client is stopped before it gets any of it.
    Fed feed(QProcess& load, const BackupProgress& progress)
    {
        CheckedDump dump(m_file, m_parsed.bodyOffset);
        QByteArray statements;
        bool more = true;
        bool failed = false;
        bool cancelled = false;
        while (more && !failed) {
            more = dump.next(statements);
            load.write(statements);
            load.waitForBytesWritten(0); // into the pipe as far as it takes now, without waiting
            while (load.bytesToWrite() > 4 * kChunk && load.state() == QProcess::Running)
                load.waitForBytesWritten(1000);
            failed = load.state() != QProcess::Running;
            if (progress && !progress(dump.done(), dump.total())) {
                cancelled = true;
                break;
            }
        }
        m_refusal = dump.problem(true);
        if (failed || cancelled || !m_refusal.isEmpty()) {
            // killed, not closed: at the end of its input the client would run a last statement
            load.kill();
            load.waitForFinished();
        } else {
            load.closeWriteChannel();
            load.waitForFinished(-1);
        }
        if (cancelled)
            return Fed::Cancelled;
        if (!m_refusal.isEmpty())
            return Fed::Refused;
        return failed ? Fed::Failed : Fed::Done;
    }

    // After a failed swap: which side of the RENAME this is, read back from the server rather
    // than assumed, and the counters made again where they can be.
    void recoverFromSwap(const Error& e, bool swapped)
    {
        try {
            swapped = swapped || !tablesOf(m_c, m_old).isEmpty();
        } catch (const Error&) {
        }
        bool counting = false;
        try {
            m_c.execute("USE " + quotedNameBytes(m_database));
            ensureRowCounters(m_c);
            ensureBalanceView(m_c);
            counting = true;
        } catch (const Error&) {
        }
        if (swapped && counting)
            return; // the restore is complete; only the old tables' removal is left for finish()
        if (swapped)
            throw BackupError(QStringLiteral("A mentés adatai a helyükre kerültek, de a sorszámlálók nem készültek "
                                             "el, így a listák hiányosak lehetnek. Futtassa az orvena-setup "
                                             "programot (rendszergazdaként), amely befejezi a visszaállítást."),
                              e.text());
        if (counting) {
            dropScratch();
            try {
                m_c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(m_old));
            } catch (const Error&) {
            }
        }
        throw BackupError(counting ? QStringLiteral("A visszaállítás nem sikerült; %1.").arg(unchanged())
                                   : QStringLiteral("A visszaállítás nem sikerült; a meglévő adatok a helyükön "
                                                    "vannak, de a sorszámlálóik nem állíthatók helyre. Futtassa "
                                                    "az orvena-setup programot (rendszergazdaként)."),
                          e.text());
    }

    void dropScratch()
    {
        try {
            m_c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(m_scratch));
        } catch (const Error&) { // the failure being reported matters more
        }
    }

    Connection& m_c;
    const QString m_file;
    const ConnectionProfile m_admin;
    const QString m_database;
    const ParsedFile& m_parsed;
    QString m_refusal; // why the dump was refused while loading
    const QString m_scratch;
    const QString m_old;
    const QByteArray m_lock;
};

} // namespace

RestoreResult restoreBackup(const QString& file, const ConnectionProfile& admin, const QString& database, bool force,
                            bool cutOffSessions, const BackupProgress& progress)
{
    RestoreResult result;
    // the checksum and the layout before anything of the file runs; the dump's statements are
    // checked as they are loaded
    const ParsedFile parsed = parseHeader(file);
    verifyChecksum(file, parsed);
    result.header = parsed.header;
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
    Restore restore(c, file, admin, database, parsed);
    QElapsedTimer clock; // each phase's time in the log, for a restore that takes long
    clock.start();
    const auto phase = [&clock](const char* what) {
        qCDebug(lcApp, "restore: %s in %lld ms", what, static_cast<long long>(clock.restart()));
    };
    restore.begin(force, cutOffSessions, result);
    phase("prepared");
    restore.load(clientTool, progress);
    phase("loaded and checked");
    restore.prepareSwap(cutOffSessions, result);
    phase("brought to this layout");
    if (force)
        result.keptBackup = restore.keepReplacedData();
    restore.swap();
    restore.finish();
    phase("swapped");
    return result;
}

void ensurePrivateFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    if (!QDir().mkpath(QFileInfo(QString::fromLocal8Bit(path)).absolutePath()))
        throw BackupError(QStringLiteral("A mentések mappája nem hozható létre: %1").arg(folder));
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        throw BackupError(QStringLiteral("A mentések mappája nem hozható létre: %1").arg(folder));
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw BackupError(QStringLiteral("A mentések mappája nem hozható létre: %1").arg(folder));
    // a folder made by an earlier version (0755) is closed too; someone else's is left alone
    if (st.st_uid == ::geteuid() && (st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        throw BackupError(QStringLiteral("A mentések mappája nem zárható el más felhasználók elől: %1").arg(folder));
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
    ensurePrivateFolder(folder);

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
