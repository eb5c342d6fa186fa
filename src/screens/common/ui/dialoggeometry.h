#pragma once
// Dialogs come back with the size and position the operator left them in, across runs, as in
// other desktop programs. Each dialog's place is kept in the user's settings
// (<config folder>/orvena/windows.ini, group "dialogs") under the dialog's object name, its form
// id: saved when the dialog closes, restored when it opens again if the place still lies on one
// of the screens (after a monitor was removed or the resolution lowered the dialog opens at its
// usual size and place instead).
#include <QObject>

class QDialog;

namespace orvena {

// Watches every top-level dialog of the application that has an object name; message boxes and
// the file, progress and input dialogs keep Qt's own placement. The program makes one for its
// whole run; while none exists nothing is read or written.
class DialogGeometryMemory : public QObject {
public:
    explicit DialogGeometryMemory(QObject* parent = nullptr);
    ~DialogGeometryMemory() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace orvena
