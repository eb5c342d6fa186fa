#include "invoicemaildialog.h"

#include "mail/invoicemail.h"
#include "screens/common/dispatcher.h"
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

InvoiceMailDialog::InvoiceMailDialog(const QString& invoiceNumber, const QString& addresses, bool issues,
                                     QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TEmailKuldes"));
    setWindowTitle(QStringLiteral("Küldés e-mailben"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("A(z) %1 számú számla címzettje (több cím „;”-vel elválasztva):")
                                     .arg(invoiceNumber),
                                 this));
    m_addresses = new QLineEdit(addresses, this);
    m_addresses->setObjectName(QStringLiteral("addresses"));
    m_addresses->setMaxLength(1000);
    m_addresses->setMinimumWidth(420);
    layout->addWidget(m_addresses);
    if (issues) {
        auto* note = new QLabel(QStringLiteral("A számla még nincs kiállítva: a küldéssel elektronikus számlaként "
                                               "kiállításra kerül (a levél elküldése előtt, így akkor is, ha a küldés "
                                               "nem sikerül), és ezután nem módosítható."),
                                this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    addButton(buttons, QStringLiteral("Küld"), QStringLiteral("A számla elküldése"), QStringLiteral("sendButton"), this,
              [this] { accept(); });
    addButton(buttons, QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), this,
              [this] { reject(); });
    layout->addLayout(buttons);
    // Enter in the addresses moves on to "Küld"; only Enter on a button presses it.
    installEnterNavigation(this, EnterMode::FormFirst);
    installEnterPressesButtons(this);
}

QString InvoiceMailDialog::addresses() const
{
    return m_addresses->text();
}

void sendInvoiceByMail(ScreenContext& context, const QString& invoiceNumber, QWidget* parent)
{
    if (invoiceNumber.trimmed().isEmpty())
        return;
    runAction(context.ui, [&] {
        const mail::InvoiceRecipient recipient = mail::invoiceRecipient(context.data, invoiceNumber);
        InvoiceMailDialog ask(invoiceNumber, recipient.addresses, !recipient.issued, parent);
        if (ask.exec() != QDialog::Accepted)
            return;
        const QString addresses = ask.addresses();
        if (addresses.trimmed().isEmpty()) {
            context.ui.message(QStringLiteral("Nincs megadva e-mail-cím."));
            return;
        }
        const mail::InvoiceMailResult result = mail::emailInvoice(context, invoiceNumber, addresses);
        if (!result.message.isEmpty())
            context.ui.message(result.message);
    });
}

InvoiceMailLogDialog::InvoiceMailLogDialog(ScreenContext& context, const QString& invoiceNumber, QWidget* parent)
    : QDialog(parent), m_context(context), m_number(invoiceNumber)
{
    setObjectName(QStringLiteral("TEmailNaplo"));
    setWindowTitle(QStringLiteral("E-mail napló: %1").arg(invoiceNumber));
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
                         QStringLiteral("resendButton"), this, [this] { resend(); });
    buttons->addStretch();
    addButton(buttons, QStringLiteral("Bezár"), QStringLiteral("Kilépés"), QStringLiteral("closeButton"), this,
              [this] { reject(); });
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row) {
        m_resend->setEnabled(row >= 0 && static_cast<size_t>(row) < m_resendable.size()
                             && m_resendable[static_cast<size_t>(row)]);
    });
    layout->addLayout(buttons);
    installEnterPressesButtons(this);
    fill();
    resize(900, 320);
}

void InvoiceMailLogDialog::fill()
{
    m_ids.clear();
    m_resendable.clear();
    runAction(m_context.ui, [&] {
        const std::vector<mail::SentMail> sent = mail::sentMails(m_context.data, m_number);
        m_table->setRowCount(static_cast<int>(sent.size()));
        for (int row = 0; row < m_table->rowCount(); ++row) {
            const mail::SentMail& m = sent[static_cast<size_t>(row)];
            const QStringList cells{m.time.toString(QStringLiteral("yyyy.MM.dd HH:mm:ss")), m.addresses, m.serverAnswer,
                                    m.messageId, m.user, m.stateText(),
                                    m.reminder ? QStringLiteral("fizetési felszólítás") : QStringLiteral("számla")};
            for (int column = 0; column < cells.size(); ++column)
                m_table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
            m_ids.push_back(m.id);
            m_resendable.push_back(m.resendable);
        }
    });
    m_table->resizeColumnsToContents();
    // the newest message first, ready to be sent again when its PDF is kept
    if (m_table->rowCount() > 0)
        m_table->setCurrentCell(0, 0);
    m_resend->setEnabled(!m_resendable.empty() && m_resendable.front());
}

void InvoiceMailLogDialog::resend()
{
    const int row = m_table->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= m_ids.size())
        return;
    const qint64 id = m_ids[static_cast<size_t>(row)];
    const QString addresses = m_table->item(row, 1)->text();
    runAction(m_context.ui, [&] {
        if (!m_context.ui.askYesNo(QStringLiteral("A(z) %1 számú számla ugyanazon PDF-jét újra elküldi ide: %2?")
                                       .arg(m_number, addresses)))
            return;
        const mail::InvoiceMailResult result = mail::resendInvoiceMail(m_context, id);
        if (!result.message.isEmpty())
            m_context.ui.message(result.message);
    });
    fill();
}

} // namespace orvena
