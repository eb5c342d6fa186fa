#include "logfile.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <cstdlib>
#include <memory>

namespace orvena {

namespace {

QMutex logMutex; // the reporting runs on a thread of its own
QFile* logFile = nullptr;
QtMessageHandler previousHandler = nullptr;

const char* levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

void writeToLogFile(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    {
        QMutexLocker lock(&logMutex);
        if (logFile) {
            const QByteArray line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8()
                + ' ' + (context.category ? context.category : "default") + ' ' + levelName(type) + ": "
                + text.toUtf8() + '\n';
            logFile->write(line);
            logFile->flush(); // a crash right after must not lose what led to it
        }
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

QString takeLogOption(int& argc, char** argv, QString* error)
{
    QString file;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == u"--log") {
            if (i + 1 >= argc) {
                *error = QStringLiteral("Hiba: a(z) --log kapcsoló után hiányzik az érték.");
                break;
            }
            file = QString::fromLocal8Bit(argv[++i]);
        } else if (a.startsWith(u"--log=")) {
            file = a.mid(6);
        } else {
            argv[kept++] = argv[i];
            continue;
        }
        if (file.isEmpty())
            *error = QStringLiteral("Hiba: hiányzik a naplófájl neve.");
    }
    for (int i = kept; i < argc; ++i)
        argv[i] = nullptr;
    argc = kept;
    return file;
}

bool startLogFile(const QString& path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    QMutexLocker lock(&logMutex);
    delete logFile;
    logFile = file.release();
    QtMessageHandler previous = qInstallMessageHandler(writeToLogFile);
    if (previous != writeToLogFile)
        previousHandler = previous;
    return true;
}

void stopLogFile()
{
    qInstallMessageHandler(previousHandler);
    QMutexLocker lock(&logMutex);
    delete logFile;
    logFile = nullptr;
}

} // namespace orvena
