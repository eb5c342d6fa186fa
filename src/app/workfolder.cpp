#include "workfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QStandardPaths>

namespace orvena {

namespace {

const QString kMarker = QStringLiteral("Szamla2.frf");
// What was last copied from the installed folder, one "name<TAB>sha256" line per file: a file
// that still has that checksum was not changed by the operator and may be updated.
const QString kManifest = QStringLiteral(".orvena-telepitett");
// The folder and what the program writes into it are the user's alone: printed invoices land
// here too.
constexpr QFileDevice::Permissions kFolderPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions kFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QByteArray checksum(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}

QMap<QString, QByteArray> readManifest(const QDir& dir)
{
    QMap<QString, QByteArray> out;
    QFile f(dir.filePath(kManifest));
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray& line : f.readAll().split('\n')) {
            const qsizetype tab = line.indexOf('\t');
            if (tab > 0)
                out.insert(QString::fromUtf8(line.left(tab)), line.mid(tab + 1).trimmed());
        }
    return out;
}

void writeManifest(const QDir& dir, const QMap<QString, QByteArray>& manifest)
{
    QSaveFile f(dir.filePath(kManifest));
    if (!f.open(QIODevice::WriteOnly) || !f.setPermissions(kFilePermissions))
        return;
    for (auto it = manifest.begin(); it != manifest.end(); ++it)
        f.write(it.key().toUtf8() + '\t' + it.value() + '\n');
    f.commit();
}

bool copyOver(const QString& from, const QString& to)
{
    QFile source(from);
    QSaveFile target(to);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)
        || !target.setPermissions(kFilePermissions))
        return false;
    return target.write(source.readAll()) == source.size() && target.commit();
}

} // namespace

WorkingFolder prepareWorkingFolder(const QString& current, const QString& installed, const QString& userData)
{
    WorkingFolder w;
    w.path = current;
    if (QFileInfo::exists(QDir(current).filePath(kMarker)))
        return w;
    QDir data(userData);
    if (installed.isEmpty() || !QDir(installed).exists()) {
        if (data.exists(kMarker))
            w.path = data.absolutePath();
        return w;
    }
    if (!data.mkpath(QStringLiteral(".")))
        return w;
    // also a folder an earlier version made readable by everyone
    QFile::setPermissions(data.absolutePath(), kFolderPermissions);

    QMap<QString, QByteArray> manifest = readManifest(data);
    const QDir source(installed);
    for (const QString& name : source.entryList(QDir::Files)) {
        const QString from = source.filePath(name);
        const QString to = data.filePath(name);
        const QByteArray fresh = checksum(from);
        if (QFileInfo::exists(to)) {
            const QByteArray present = checksum(to);
            if (present == fresh) {
                manifest.insert(name, fresh);
                continue;
            }
            if (manifest.value(name) != present) {
                w.kept << name; // changed by the operator (or never ours): left alone
                continue;
            }
        }
        if (copyOver(from, to)) {
            manifest.insert(name, fresh);
            w.copied << name;
        }
    }
    writeManifest(data, manifest);
    w.path = data.absolutePath();
    return w;
}

QString installedDataFolder()
{
    const QFileInfo program(QStringLiteral("/proc/self/exe"));
    const QString beside = QDir(program.canonicalFilePath()).filePath(QStringLiteral("../../share/orvena"));
    for (const QString& candidate : {QDir::cleanPath(beside), QStringLiteral("/usr/share/orvena")})
        if (QFileInfo::exists(QDir(candidate).filePath(kMarker)))
            return candidate;
    return {};
}

QString userDataFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("orvena"));
}

void enterWorkingFolder()
{
    const WorkingFolder w = prepareWorkingFolder(QDir::currentPath(), installedDataFolder(), userDataFolder());
    if (w.path != QDir::currentPath())
        QDir::setCurrent(w.path);
}

} // namespace orvena
