#pragma once
// "Távsegítség": starts the desktop-sharing program (KDE's krfb, Debian package "krfb"), found in
// the current folder or on the search path, through the desktop's default open operation; the
// supporter then sees the screen once the operator has allowed it there.
#include "screens/common/userinterface.h"

#include <functional>

namespace orvena {

class RemoteAssistance {
public:
    // Opens the program file; false when the desktop could not start it.
    using Launcher = std::function<bool(const QString& path)>;

    static QString programName() { return QStringLiteral("krfb"); }
    // The program file in the folder, else in the folders of the search path (separated as the
    // platform separates them); empty when it is nowhere.
    static QString locate(const QString& currentFolder, const QString& searchPath);

    RemoteAssistance(UserInterface& ui, Launcher launcher) : m_ui(ui), m_launcher(std::move(launcher)) {}

    // "Program indítása": each press starts the program once more.
    void start();

private:
    UserInterface& m_ui;
    Launcher m_launcher;
};

} // namespace orvena
