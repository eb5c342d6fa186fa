#include "outputfile.h"

#include "errors.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace orvena {

QString outputFileProblem(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (path.isEmpty())
        return QStringLiteral("Nincs megadva a fájl neve.");
    struct stat st {};
    // lstat: a link is judged as itself, never by what it points to
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
        if (S_ISREG(st.st_mode))
            return {};
        if (S_ISDIR(st.st_mode))
            return QStringLiteral("A(z) \"%1\" nem írható: ez a név egy mappáé, nem fájlé.").arg(shown);
        if (S_ISLNK(st.st_mode))
            return QStringLiteral("A(z) \"%1\" nem írható: ez a név hivatkozás (szimbolikus link); a program csak "
                                  "közönséges fájlt ír felül, hivatkozáson át nem.")
                .arg(shown);
        return QStringLiteral("A(z) \"%1\" nem írható: nem közönséges fájl (eszköz, csővezeték vagy más különleges "
                              "fájl); ilyet a program nem ír felül.")
            .arg(shown);
    }
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return QStringLiteral("A(z) \"%1\" fájl nem írható: a(z) \"%2\" mappa nem létezik.")
            .arg(shown, QDir::toNativeSeparators(info.absolutePath()));
    return {};
}

OutputFile::OutputFile(const QString& path, QFileDevice::Permissions permissions)
    : m_path(path), m_permissions(permissions), m_file(path)
{
}

void OutputFile::open()
{
    if (const QString problem = outputFileProblem(m_path); !problem.isEmpty())
        throw FileError(problem);
    if (!m_file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("A(z) \"%1\" fájl nem írható: nincs írási jog a mappájában, vagy a lemez "
                                       "megtelt.")
                            .arg(QDir::toNativeSeparators(m_path)));
    // A new file is the user's alone (an invoice, the books' figures); an existing one keeps its own.
    QFileDevice::Permissions permissions = m_permissions;
    if (!permissions && !QFileInfo::exists(m_path))
        permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (permissions && !m_file.setPermissions(permissions)) {
        m_file.cancelWriting();
        throw FileError(QStringLiteral("A(z) \"%1\" fájl jogosultságai nem állíthatók be.")
                            .arg(QDir::toNativeSeparators(m_path)));
    }
}

void OutputFile::commit()
{
    // What stands under the name may have changed while the content was written.
    if (const QString problem = outputFileProblem(m_path); !problem.isEmpty()) {
        m_file.cancelWriting();
        m_file.commit(); // removes the temporary file
        throw FileError(problem);
    }
    if (!m_file.commit())
        throw FileError(QStringLiteral("A(z) \"%1\" fájl nem írható: nincs írási jog, vagy a lemez megtelt.")
                            .arg(QDir::toNativeSeparators(m_path)));
}

void OutputFile::write(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    OutputFile file(path, permissions);
    file.open();
    if (file.device().write(bytes) != bytes.size()) {
        file.m_file.cancelWriting();
        file.m_file.commit();
        throw FileError(QStringLiteral("A(z) \"%1\" fájl nem írható: megtelt a lemez?").arg(QDir::toNativeSeparators(path)));
    }
    file.commit();
}

} // namespace orvena
