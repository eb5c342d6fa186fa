#pragma once
// The working folder: the report templates and litania.txt are read from the current folder.
// Started from a folder that holds them (as the source tree's run/ does) the program stays
// there; otherwise it works in the per-user data folder ~/.local/share/orvena/, which is filled
// from the installed copies (<prefix>/share/orvena/) on first start and kept up to date, except
// for a file the operator has changed there, which is never overwritten.
#include <QString>
#include <QStringList>

namespace orvena {

struct WorkingFolder {
    QString path;         // the folder to work in
    QStringList copied;   // files copied from the installed folder this time
    QStringList kept;     // files the operator changed, left as they are
};

// Decides and fills the working folder; touches nothing when `current` holds Szamla2.frf.
// `installed`: the folder of the installed templates (none: empty); `userData`: the per-user folder.
WorkingFolder prepareWorkingFolder(const QString& current, const QString& installed, const QString& userData);

// The installed templates' folder of this program: <prefix>/share/orvena next to the program's
// bin/ folder, else /usr/share/orvena; empty when neither holds Szamla2.frf.
QString installedDataFolder();
// ~/.local/share/orvena (the XDG data home's "orvena" folder).
QString userDataFolder();

// Chooses the working folder for this run and makes it the current folder.
void enterWorkingFolder();

} // namespace orvena
