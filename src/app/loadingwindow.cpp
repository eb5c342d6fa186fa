#include "loadingwindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <ctime>
#include <unistd.h>
#endif

namespace orvena {

LoadingWindow::LoadingWindow(const QString& version, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("Betöltés..."));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    auto* title = new QLabel(QStringLiteral("Orvena"), this);
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* sub = new QLabel(QStringLiteral("Számlázó program kisvállalkozásoknak"), this);
    sub->setAlignment(Qt::AlignCenter);
    layout->addWidget(sub);
    if (!version.isEmpty()) {
        auto* ver = new QLabel(QStringLiteral("Verzió: %1").arg(version), this);
        ver->setAlignment(Qt::AlignCenter);
        layout->addWidget(ver);
    }
    auto* year = new QLabel(QStringLiteral("2010."), this);
    year->setAlignment(Qt::AlignCenter);
    layout->addWidget(year);
    auto* contact = new QLabel(QStringLiteral("Orvena fejlesztői csapat\nTámogatás: a program Súgó menüjében"), this);
    contact->setAlignment(Qt::AlignCenter);
    layout->addWidget(contact);
}

qint64 LoadingWindow::runningSinceStart(qint64 known)
{
#ifdef Q_OS_LINUX
    // /proc/self/stat: the 22nd field is the start in clock ticks after boot; the 2nd, the
    // command's name in parentheses, may hold blanks, so the fields are counted after its ')'.
    QFile stat(QStringLiteral("/proc/self/stat"));
    timespec now{};
    const long ticks = sysconf(_SC_CLK_TCK);
    if (ticks <= 0 || !stat.open(QIODevice::ReadOnly) || clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return known;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    bool ok = false;
    const qint64 started = fields.value(19).toLongLong(&ok); // field 22, the third being the first here
    if (!ok)
        return known;
    const qint64 since = (qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000) - started * 1000 / ticks;
    // The record counts in whole ticks: it can only be earlier than main() by the loading of the
    // libraries, never later, and not by seconds.
    return since >= known && since <= known + 2000 ? since : known;
#else
    return known;
#endif
}

void LoadingWindow::start(qint64 running)
{
    // Closes itself after its second, also when the work lets events through meanwhile. Drawing
    // the window is part of the second, not added to it.
    const int rest = static_cast<int>(std::clamp<qint64>(kShownMs - running, 0, kShownMs));
    QTimer::singleShot(rest, this, [this] {
        m_timeUp = true;
        accept();
    });
    show();
    QCoreApplication::processEvents(); // on screen before the work keeps the thread busy
}

void LoadingWindow::finish()
{
    if (!m_timeUp)
        exec(); // until the second has passed
}

} // namespace orvena
