#include "loadingwindow.h"

#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

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
