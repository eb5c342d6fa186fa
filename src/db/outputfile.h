#pragma once
// Every file the program writes where the operator names it (a PDF, a backup, an invoice-data
// document, an export) goes through OutputFile: the content is written into a new temporary file
// beside the target and renamed onto it only when complete, and only onto a regular file or a
// name that does not exist yet. A device, a folder, a pipe, a socket or a symbolic link under
// that name is refused with a Hungarian message, so running as root can never replace
// /dev/something with a regular file or write through a link planted by another user.
#include <QFileDevice>
#include <QSaveFile>
#include <QString>

namespace orvena {

// Why `path` cannot be written as an output file (Hungarian, one sentence), or empty when it can:
// it names a regular file (not through a link) or a new name in an existing folder.
QString outputFileProblem(const QString& path);

class OutputFile {
public:
    // `permissions`: those of the written file; empty keeps an existing regular file's own and
    // makes a new file readable and writable by its owner only.
    explicit OutputFile(const QString& path, QFileDevice::Permissions permissions = {});
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the target and opens the temporary file. Throws FileError (Hungarian) on failure.
    void open();
    // Where the content goes, once open.
    QIODevice& device() { return m_file; }
    // Checks the target again and renames the finished file onto it. Throws FileError; the
    // temporary file is removed and the target left as it was.
    void commit();

    // Writes `bytes` as the whole content of `path`. Throws FileError.
    static void write(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions = {});

private:
    QString m_path;
    QFileDevice::Permissions m_permissions;
    QSaveFile m_file;
};

} // namespace orvena
