#include "invoicemaildialog.h"

#include "screens/common/ui/dialogparts.h"
#include "screens/common/ui/keyhandling.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvena {

void addSendButtons(QDialog* dialog, QVBoxLayout* layout, const QString& sendTip, QLineEdit* addresses,
                    const std::function<bool(const QString&)>& send)
{
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    addButton(buttons, QStringLiteral("Küld"), sendTip, QStringLiteral("sendButton"), dialog, [dialog, addresses, send] {
        // Without an address the window stays, with what the operator sees, for one to be typed.
        if (send(addresses->text()))
            dialog->accept();
        else
            addresses->setFocus();
    });
    addButton(buttons, QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), dialog,
              [dialog] { dialog->reject(); });
    layout->addLayout(buttons);
    // Enter in the addresses moves on to "Küld"; only Enter on a button presses it.
    installEnterNavigation(dialog, EnterMode::FormFirst);
    installEnterPressesButtons(dialog);
}

InvoiceMailDialog::InvoiceMailDialog(mail::InvoiceMailScreen* model, QWidget* parent) : QDialog(parent), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TEmailKuldes"));
    setWindowTitle(QStringLiteral("Küldés e-mailben"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("A(z) %1 számú számla címzettje (több cím „;”-vel elválasztva):")
                                     .arg(model->number()),
                                 this));
    m_addresses = new QLineEdit(model->addresses(), this);
    m_addresses->setObjectName(QStringLiteral("addresses"));
    m_addresses->setMaxLength(1000);
    m_addresses->setMinimumWidth(420);
    layout->addWidget(m_addresses);
    if (model->issues()) {
        auto* note = new QLabel(QStringLiteral("A számla még nincs kiállítva: a küldéssel elektronikus számlaként "
                                               "kiállításra kerül (a levél elküldése előtt, így akkor is, ha a küldés "
                                               "nem sikerül), és ezután nem módosítható."),
                                this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    addSendButtons(this, layout, QStringLiteral("A számla elküldése"), m_addresses,
                   [this](const QString& addresses) { return m_model->send(addresses); });
}

InvoiceMailLogDialog::InvoiceMailLogDialog(mail::InvoiceMailLogScreen* model, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TEmailNaplo"));
    setWindowTitle(QStringLiteral("E-mail napló: %1").arg(model->number()));
    auto* layout = new QVBoxLayout(this);
    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("mailLog"));
    m_table->setColumnCount(7);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Időpont"), QStringLiteral("Címzett"),
                                        QStringLiteral("A kiszolgáló válasza"), QStringLiteral("Üzenetazonosító"),
                                        QStringLiteral("Felhasználó"), QStringLiteral("Kézbesítés"),
                                        QStringLiteral("Levél")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    layout->addWidget(m_table);
    auto* buttons = new QHBoxLayout;
    m_resend = addButton(buttons, QStringLiteral("Újraküldés"), QStringLiteral("A kijelölt levél újraküldése"),
                         QStringLiteral("resendButton"), this, [this] { m_model->resend(m_table->currentRow()); });
    buttons->addStretch();
    addButton(buttons, QStringLiteral("Bezár"), QStringLiteral("Kilépés"), QStringLiteral("closeButton"), this,
              [this] { reject(); });
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row) {
        const auto& sent = m_model->sent();
        m_resend->setEnabled(row >= 0 && static_cast<size_t>(row) < sent.size() && sent[static_cast<size_t>(row)].resendable);
    });
    layout->addLayout(buttons);
    installEnterPressesButtons(this);
    connect(model, &mail::InvoiceMailLogScreen::changed, this, [this] { fill(); });
    model->read();
    resize(900, 320);
}

void InvoiceMailLogDialog::fill()
{
    const std::vector<mail::SentMail>& sent = m_model->sent();
    m_table->setRowCount(static_cast<int>(sent.size()));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const mail::SentMail& m = sent[static_cast<size_t>(row)];
        const QStringList cells{m.time.toString(QStringLiteral("yyyy.MM.dd HH:mm:ss")), m.addresses, m.serverAnswer,
                                m.messageId, m.user, m.stateText(),
                                m.reminder ? QStringLiteral("fizetési felszólítás") : QStringLiteral("számla")};
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    m_table->resizeColumnsToContents();
    // the newest message first, ready to be sent again when its PDF is kept
    if (m_table->rowCount() > 0)
        m_table->setCurrentCell(0, 0);
    m_resend->setEnabled(!sent.empty() && sent.front().resendable);
}

} // namespace orvena
