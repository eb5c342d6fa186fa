#pragma once
// The loading window shown for about a second while the program starts. The start-up work is
// done while it is on screen: show it with start(), do the work, then finish() keeps it up for
// the rest of its second (or closes it at once when the work took longer).
#include <QDialog>

namespace orvena {

class LoadingWindow : public QDialog {
    Q_OBJECT
public:
    explicit LoadingWindow(const QString& version, QWidget* parent = nullptr);

    static constexpr int kShownMs = 1000;

    // Shows the window. Its second counts from the program's start: `running` is how long the
    // program ran before (loading its libraries, making the application), already part of the
    // second the operator waits.
    void start(qint64 running = 0);

    // How long this process has run, in ms, from the system's record of its start: the loading
    // of the program's libraries before main() counts too. `known` (what the program measured
    // itself, from main()) when the record cannot be read or makes no sense.
    static qint64 runningSinceStart(qint64 known);
    void finish();

private:
    bool m_timeUp = false;
};

} // namespace orvena
