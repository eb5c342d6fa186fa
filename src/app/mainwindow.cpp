#include "mainwindow.h"

#include <algorithm>

#include "backupui.h"
#include "session.h"

#include "screens/common/dispatcher.h"
#include "screens/common/startup.h"
#include "screens/common/ui/keyhandling.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QShortcut>
#include <QVBoxLayout>

namespace orvena {

namespace {

// The menu bar's items are mostly commands without a menu of their own, and the usual desktop
// style paints an item highlighted only while its menu is open: the item the arrow keys (after
// Alt) or the mouse stand on is painted as an open one, so the operator sees where they are.
class MenuBarStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_MenuBarItem && (option->state & State_Selected) && (option->state & State_Enabled)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem shown = *item;
                shown.state |= State_Sunken;
                QProxyStyle::drawControl(element, &shown, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

MainWindow::MainWindow(Session& session, QWidget* parent) : QMainWindow(parent), m_session(session)
{
    setObjectName(QStringLiteral("TForm1"));
    setProperty("helpContext", 1); // F1 opens the help at the main window's page
    // The program's icon on every window: the installed theme's, else the one built in.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("orvena"), QIcon(QStringLiteral(":/orvena/orvena.png"))));
    setWindowIcon(QApplication::windowIcon());
    const QString version = versionText();
    setWindowTitle(mainWindowTitle(version));

    setCentralWidget(buildFront(version));

    QMenuBar* bar = menuBar();
    auto* barStyle = new MenuBarStyle(QApplication::style()->name());
    barStyle->setParent(bar);
    bar->setStyle(barStyle);
    // Alt and the underlined letter open an item; each letter is used once.
    addScreenItem(bar, QStringLiteral("&Szállítólevél"), Screen::DeliveryRegister);
    addScreenItem(bar, QStringLiteral("Szám&lázás"), Screen::InvoiceRegister);
    addScreenItem(bar, QStringLiteral("&Díjbekérők"), Screen::ProformaRegister);
    addScreenItem(bar, QStringLiteral("&Vevö"), Screen::CustomerList);
    addScreenItem(bar, QStringLiteral("&Cikk"), Screen::ArticleList);
    addScreenItem(bar, QStringLiteral("Á&fa"), Screen::VatList);
    addScreenItem(bar, QStringLiteral("Ki&bocsátó"), Screen::IssuerList);
    QMenu* dictionary = bar->addMenu(QStringLiteral("Szó&tár"));
    addScreenItem(dictionary, QStringLiteral("&Fordítás"), Screen::DictionaryList);
    addScreenItem(dictionary, QStringLiteral("F&2-F12"), Screen::FunctionKeys);
    addScreenItem(bar, QStringLiteral("&Export"), Screen::Export);
    addScreenItem(bar, QStringLiteral("&Adóhatósági adatszolgáltatás"), Screen::AuditExport);
    addScreenItem(bar, QStringLiteral("Ki&ntlévőségek"), Screen::Receivables);
    addScreenItem(bar, QStringLiteral("Bankk&ivonat"), Screen::BankStatements);
    addScreenItem(bar, QStringLiteral("Kimutatás&ok"), Screen::Figures);
    QAction* import = addScreenItem(bar, QStringLiteral("Import"), Screen::Import);
    QMenu* help = bar->addMenu(QStringLiteral("Se&gitség"));
    addScreenItem(help, QStringLiteral("&Súgó"), Screen::Help);
    addScreenItem(help, QStringLiteral("&Névjegy"), Screen::About);
    addScreenItem(help, QStringLiteral("&Távsegítség"), Screen::RemoteAssistance);
    QAction* maintenance = addScreenItem(help, QStringLiteral("Adatok"), Screen::Maintenance);
    QAction* backup = bar->addAction(QStringLiteral("Adat&mentés"));
    backup->setObjectName(QStringLiteral("Adatmentes"));
    connect(backup, &QAction::triggered, this, [this] { backupFromMenu(m_session, this); });
    QAction* quit = bar->addAction(QStringLiteral("&Kilépés"));
    quit->setObjectName(QStringLiteral("Kilepes"));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    // The two hidden items stay invisible; an operator who is told can reach them by shortcut
    import->setVisible(false);
    maintenance->setVisible(false);
    // (a hidden action is also inactive, so the window carries the shortcuts itself).
    for (auto [screen, keys] : {std::pair{Screen::Import, QKeySequence(QStringLiteral("Ctrl+Shift+I"))},
                                std::pair{Screen::Maintenance, QKeySequence(QStringLiteral("Ctrl+Shift+A"))}}) {
        m_actions[screen]->setShortcut(keys);
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, screen] {
            if (m_session.registry().canOpen(screen))
                openScreen(screen);
        });
    }
    installEnterNavigation(this, EnterMode::WindowOnly);
    // wide enough for every menu item, so none hides behind the overflow arrow
    resize(std::max(720, bar->sizeHint().width() + 24), 420);
}

// The window's face: the program's name, what it is for, and its version.
QWidget* MainWindow::buildFront(const QString& version)
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(48, 40, 48, 40);
    auto* name = new QLabel(QStringLiteral("Orvena"), central);
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 3);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto* tagline = new QLabel(QStringLiteral("Számlák, szállítólevelek és törzsadatok kezelése"), central);
    tagline->setAlignment(Qt::AlignCenter);
    layout->addWidget(tagline);
    layout->addStretch();
    auto* versionField = new QLineEdit(version, central);
    versionField->setObjectName(QStringLiteral("Edit1"));
    versionField->setReadOnly(true);
    versionField->setAlignment(Qt::AlignCenter);
    versionField->setMaximumWidth(160);
    versionField->setToolTip(QStringLiteral("A program verziója"));
    layout->addWidget(versionField, 0, Qt::AlignHCenter);
    return central;
}

QAction* MainWindow::addScreenItem(QMenu* menu, const QString& text, Screen screen)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(formId(screen));
    action->setEnabled(m_session.registry().canOpen(screen));
    connect(action, &QAction::triggered, this, [this, screen] { openScreen(screen); });
    m_actions[screen] = action;
    return action;
}

QAction* MainWindow::addScreenItem(QMenuBar* bar, const QString& text, Screen screen)
{
    QAction* action = bar->addAction(text);
    action->setObjectName(formId(screen));
    action->setEnabled(m_session.registry().canOpen(screen));
    connect(action, &QAction::triggered, this, [this, screen] { openScreen(screen); });
    m_actions[screen] = action;
    return action;
}

QAction* MainWindow::actionFor(Screen screen) const
{
    const auto it = m_actions.find(screen);
    return it == m_actions.end() ? nullptr : it->second;
}

void MainWindow::openScreen(Screen screen)
{
    runAction(m_session.ui(), [&] {
        if (screen == Screen::InvoiceRegister)
            tellWhenNoIssuer();
        m_session.registry().open(screen);
    });
}

void MainWindow::tellWhenNoIssuer()
{
    // Once a run, on the first use of invoicing: a fresh installation has no issuer, and without
    // one no invoice can be issued.
    if (m_issuerChecked || !m_session.data().isConnected())
        return;
    m_issuerChecked = true;
    Query q(m_session.data().connection(), QStringLiteral("issuerCount"));
    q.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM szallito")});
    q.open();
    if (q.fieldInt(QStringLiteral("db")) != 0)
        return;
    m_session.ui().notice(QStringLiteral(
        "Még nincs kibocsátó megadva: a számlán a kiállító vállalkozás adatai nélkül számla nem állítható ki. "
        "Vegye fel a főmenü „Kibocsátó” pontjában az „Új” gombbal (név, cím, adószám, bankszámlaszám), majd "
        "nyomja meg az „OK” gombot."));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_functionKeysLoaded)
        return;
    m_functionKeysLoaded = true;
    // The function-key texts come from litania.txt in the working folder; when it is missing
    // the built-in texts stay and the operator is told.
    runAction(m_session.ui(), [this] { m_session.state().functionKeys->load(); });
}

} // namespace orvena
