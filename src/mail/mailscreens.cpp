#include "mailscreens.h"

#include "screens/common/dispatcher.h"

namespace orvena::mail {

namespace {

const QString kNoAddress = QStringLiteral("Nincs megadva e-mail-cím.");

} // namespace

InvoiceMailScreen::InvoiceMailScreen(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : QObject(parent), m_context(context), m_number(request.number.trimmed())
{
}

bool InvoiceMailScreen::prepare()
{
    if (m_number.isEmpty())
        return false;
    return runAction(m_context.ui, [this] {
        const InvoiceRecipient recipient = invoiceRecipient(m_context.data, m_number);
        m_addresses = recipient.addresses;
        m_issues = !recipient.issued;
    });
}

bool InvoiceMailScreen::send(const QString& addresses)
{
    if (addresses.trimmed().isEmpty()) {
        m_context.ui.message(kNoAddress);
        return false;
    }
    runAction(m_context.ui, [&] {
        const InvoiceMailResult result = emailInvoice(m_context, m_number, addresses);
        if (!result.message.isEmpty())
            m_context.ui.message(result.message);
    });
    return true;
}

InvoiceMailLogScreen::InvoiceMailLogScreen(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : QObject(parent), m_context(context), m_number(request.number.trimmed())
{
}

void InvoiceMailLogScreen::read()
{
    m_sent.clear();
    runAction(m_context.ui, [this] { m_sent = sentMails(m_context.data, m_number); });
    emit changed();
}

void InvoiceMailLogScreen::resend(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_sent.size() || !m_sent[static_cast<size_t>(row)].resendable)
        return;
    const SentMail mail = m_sent[static_cast<size_t>(row)];
    runAction(m_context.ui, [&] {
        if (!m_context.ui.askYesNo(QStringLiteral("A(z) %1 számú számla ugyanazon PDF-jét újra elküldi ide: %2?")
                                       .arg(m_number, mail.addresses)))
            return;
        const InvoiceMailResult result = resendInvoiceMail(m_context, mail.id);
        if (!result.message.isEmpty())
            m_context.ui.message(result.message);
    });
    read();
}

ReminderMailScreen::ReminderMailScreen(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : QObject(parent), m_context(context), m_customer(request.number.trimmed()), m_day(request.day)
{
}

bool ReminderMailScreen::prepare()
{
    if (m_customer.isEmpty())
        return false;
    bool ready = false;
    runAction(m_context.ui, [&] {
        // What goes to whom is shown first; nothing is sent until "Küld".
        Receivables receivables(m_context);
        receivables.setToday(m_day.isValid() ? m_day : QDate::currentDate());
        m_letters = receivables.reminderLetters(m_customer);
        if (m_letters.empty()) {
            m_context.ui.message(QStringLiteral("A(z) %1 kódú vevőnek nincs lejárt, rendezetlen számlája.").arg(m_customer));
            return;
        }
        const ReminderRecipient recipient = reminderRecipient(m_context.data, m_customer);
        m_name = recipient.name;
        m_addresses = recipient.addresses;
        ready = true;
    });
    return ready;
}

QString ReminderMailScreen::customerText() const
{
    return QStringLiteral("%1 (%2)").arg(m_name, m_customer);
}

bool ReminderMailScreen::send(const QString& addresses)
{
    if (addresses.trimmed().isEmpty()) {
        m_context.ui.message(kNoAddress);
        return false;
    }
    runAction(m_context.ui, [&] {
        const InvoiceMailResult result = emailReminder(m_context, m_customer, m_day, addresses);
        if (!result.message.isEmpty())
            m_context.ui.message(result.message);
    });
    return true;
}

} // namespace orvena::mail
