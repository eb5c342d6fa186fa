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
    void finish();

private:
    bool m_timeUp = false;
};

} // namespace orvena
