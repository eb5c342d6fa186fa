#include "tooldialogs.h"

#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/dialogparts.h"
#include "helpviewer.h"

#include "screens/common/dispatcher.h"
#include "screens/common/startup.h"

#include <QDesktopServices>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

namespace orvena {

namespace {

QLabel* centered(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// The small dialogs' buttons are a little wider than their words; Enter presses the focused one
// and no other.
constexpr int kButtonWidth = 110;

class RemoteAssistanceDialog : public QDialog {
public:
    RemoteAssistanceDialog(ScreenContext& context, std::unique_ptr<RemoteAssistance> model, QWidget* parent)
        : QDialog(parent), m_context(context), m_remote(std::move(model))
    {
        setObjectName(QStringLiteral("TForm27"));
        setWindowTitle(QStringLiteral("Távsegítség"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(24, 18, 24, 18);
        auto* text = new QLabel(QStringLiteral("A távsegítség programjával a támogatás munkatársa az Ön "
                                               "engedélyével látja a képernyőt,\nés a gépen lépésről lépésre "
                                               "segíthet a program használatában."),
                                this);
        layout->addWidget(text);
        layout->addSpacing(12);
        auto* buttons = new QHBoxLayout;
        auto* start = makeButton(QStringLiteral("Program indítása"), {}, QStringLiteral("Button1"), this);
        auto* cancel = makeButton(QStringLiteral("Mégsem"), {}, QStringLiteral("Button2"), this);
        auto* close = makeButton(QStringLiteral("Bezárás"), {}, QStringLiteral("Button3"), this);
        for (QPushButton* b : {start, cancel, close})
            b->setMinimumWidth(kButtonWidth);
        buttons->addWidget(start);
        buttons->addStretch();
        buttons->addWidget(cancel);
        buttons->addWidget(close);
        layout->addLayout(buttons);
        connect(start, &QPushButton::clicked, this, [this] { runAction(m_context.ui, [this] { m_remote->start(); }); });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(close, &QPushButton::clicked, this, &QDialog::accept);
        installEnterPressesButtons(this);
    }

private:
    ScreenContext& m_context;
    std::unique_ptr<RemoteAssistance> m_remote;
};

} // namespace

QDialog* createAboutDialog(ScreenContext&, QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("TForm13"));
    dialog->setWindowTitle(QStringLiteral("Névjegy"));
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(36, 24, 36, 20);
    layout->setSpacing(6);
    auto* name = centered(QStringLiteral("Orvena"), dialog);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    layout->addWidget(centered(QStringLiteral("Számlázó program kisvállalkozásoknak"), dialog));
    layout->addSpacing(8);
    const QString version = versionText();
    auto* versionLabel = centered(version.isEmpty() ? QStringLiteral("Verzió: ismeretlen")
                                                    : QStringLiteral("Verzió: %1").arg(version),
                                  dialog);
    versionLabel->setObjectName(QStringLiteral("Version"));
    layout->addWidget(versionLabel);
    auto* year = centered(QStringLiteral("2006.-2010"), dialog);
    year->setObjectName(QStringLiteral("Copyright"));
    layout->addWidget(year);
    auto* licence = centered(QStringLiteral("Szabad szoftver: a GNU General Public License 3. vagy\n"
                                            "bármely későbbi változata szerint terjeszthető és módosítható.\n"
                                            "A program garancia nélkül használható."),
                             dialog);
    licence->setObjectName(QStringLiteral("Licence"));
    layout->addWidget(licence);
    layout->addSpacing(14);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* cancel = makeButton(QStringLiteral("Mégsem"), {}, QStringLiteral("OKButton"), dialog);
    cancel->setMinimumWidth(kButtonWidth);
    row->addWidget(cancel);
    row->addStretch();
    layout->addLayout(row);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    installEnterPressesButtons(dialog);
    return dialog;
}

QDialog* createHelpDialog(ScreenContext&, QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("TForm25"));
    dialog->setWindowTitle(QStringLiteral("Súgó"));
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(28, 20, 28, 20);
    layout->addWidget(new QLabel(QStringLiteral("A program súgója a képernyők kezelését írja le.\n"
                                                "Bármelyik képernyőn az F1 billentyű az oda tartozó oldalt nyitja meg."),
                                 dialog));
    layout->addSpacing(12);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* open = makeButton(QStringLiteral("Segitség"), {}, QStringLiteral("Button1"), dialog);
    open->setMinimumWidth(kButtonWidth);
    row->addWidget(open);
    row->addStretch();
    layout->addLayout(row);
    QObject::connect(open, &QPushButton::clicked, dialog, [dialog] { HelpViewer::showHelp(dialog, 0); });
    installEnterPressesButtons(dialog);
    return dialog;
}

QDialog* createRemoteAssistanceDialog(ScreenContext& context, QWidget* parent, RemoteAssistance::Launcher launcher)
{
    if (!launcher)
        launcher = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    return new RemoteAssistanceDialog(context, std::make_unique<RemoteAssistance>(context.ui, std::move(launcher)), parent);
}

} // namespace orvena
