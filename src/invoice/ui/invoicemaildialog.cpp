#include "invoicemaildialog.h"

#include "mail/invoicemail.h"
#include "screens/common/dispatcher.h"

#include <QDialogButtonBox>
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
                                               "kiállításra kerül, és ezután nem módosítható."),
                                this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* send = buttons->addButton(QStringLiteral("Küld"), QDialogButtonBox::AcceptRole);
    send->setObjectName(QStringLiteral("sendButton"));
    send->setDefault(true);
    buttons->addButton(QStringLiteral("Mégsem"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
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
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TEmailNaplo"));
    setWindowTitle(QStringLiteral("E-mail napló: %1").arg(invoiceNumber));
    auto* layout = new QVBoxLayout(this);
    auto* table = new QTableWidget(this);
    table->setObjectName(QStringLiteral("mailLog"));
    table->setColumnCount(6);
    table->setHorizontalHeaderLabels({QStringLiteral("Időpont"), QStringLiteral("Címzett"),
                                      QStringLiteral("A kiszolgáló válasza"), QStringLiteral("Üzenetazonosító"),
                                      QStringLiteral("Felhasználó"), QStringLiteral("Levél")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    runAction(context.ui, [&] {
        const std::vector<mail::SentMail> sent = mail::sentMails(context.data, invoiceNumber);
        table->setRowCount(static_cast<int>(sent.size()));
        for (int row = 0; row < table->rowCount(); ++row) {
            const mail::SentMail& m = sent[static_cast<size_t>(row)];
            const QStringList cells{m.time.toString(QStringLiteral("yyyy.MM.dd HH:mm:ss")), m.addresses, m.serverAnswer,
                                    m.messageId, m.user,
                                    m.reminder ? QStringLiteral("fizetési felszólítás") : QStringLiteral("számla")};
            for (int column = 0; column < cells.size(); ++column)
                table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
        }
    });
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Bezár"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(820, 320);
}

} // namespace orvena
