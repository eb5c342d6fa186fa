#include "remoteassistance.h"

#include <QDir>
#include <QFileInfo>

namespace orvena {

QString RemoteAssistance::locate(const QString& currentFolder, const QString& searchPath)
{
    QStringList folders{currentFolder};
    folders << searchPath.split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        const QFileInfo candidate(QDir(folder), programName());
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

void RemoteAssistance::start()
{
    const QString path = locate(QDir::currentPath(), qEnvironmentVariable("PATH"));
    if (path.isEmpty()) {
        m_ui.message(QStringLiteral("A távsegítség programja (%1, asztalmegosztás) nincs telepítve ezen a gépen. "
                                    "Telepítse a rendszergazda: sudo apt install krfb")
                         .arg(programName()));
        return;
    }
    if (!m_launcher(path))
        m_ui.message(QStringLiteral("A távsegítség programja (%1) nem indítható el.").arg(path));
}

} // namespace orvena
