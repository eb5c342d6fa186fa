#include "maintenancedialog.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/dialogparts.h"

#include "passworddialog.h"
#include "tableeditview.h"

#include "screens/common/dispatcher.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace orvena {

MaintenanceDialog::MaintenanceDialog(ScreenContext& context, TableMaintenance* model, QWidget* parent)
    : QDialog(parent), m_context(context), m_maintenance(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TForm28"));
    setWindowTitle(QStringLiteral("Adatok"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    const auto& tabs = TableMaintenance::tabs();
    for (int i = 0; i < m_maintenance->tableCount(); ++i) {
        auto* view = new TableEditView(m_maintenance->table(i), context.ui, m_tabs);
        view->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        m_tabs->addTab(view, tabs.at(static_cast<size_t>(i)).caption);
        m_views.push_back(view);
    }
    layout->addWidget(m_tabs, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_ok = makeButton(QStringLiteral("OK"), {}, QStringLiteral("Button1"), this);
    auto* cancel = makeButton(QStringLiteral("Mégsem"), {}, QStringLiteral("Button2"), this);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        const QString typed = PasswordDialog::ask(this);
        runAction(m_context.ui, [this, &typed] { m_maintenance->enterCode(typed); });
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_ok->installEventFilter(this);
    installEnterPressesButtons(this);
    resize(960, 580);

    // Every grid starts empty: the tables are closed until a code is given.
    m_maintenance->show();
}

bool MaintenanceDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ok && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_M) {
            runAction(m_context.ui, [this] { m_maintenance->unlockAll(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orvena
