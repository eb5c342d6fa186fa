#include "invoiceregister.h"

#include "correction.h"
#include "invoicetexts.h"
#include "printinvoice.h"
#include "sequences.h"
#include "storno.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "billing/invoicelinks.h"
#include "db/statement.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/worklocks.h"

#include <QTimer>

namespace orvena {

using namespace invoice;

namespace {

using statement::p;

const QString kNotPrinted = QStringLiteral("A Szla nem volt nyomtatva. Nem stornózható !");

// Another workstation holds the invoice numbering: it is composing the next invoice.
QString busyNumbering(ScreenContext& context)
{
    return QStringLiteral("Egy másik munkaállomás éppen új számlát készít (a(z) %1 számút). Kérem, próbálja "
                          "újra, amikor ott elkészült.")
        .arg(nextDocumentNumber(context.data.connection(), kInvoiceSequence));
}

} // namespace

InvoiceRegister::InvoiceRegister(ScreenContext& context, QObject* parent) : QObject(parent), m_context(context) {}

void InvoiceRegister::open()
{
    runAction(m_context.ui, [this] {
        Query& list = m_context.data.query(role::kInvoiceList);
        list.setSql({kRegisterListSql});
        list.open();
        list.last();
    });
}

void InvoiceRegister::reread()
{
    // A re-read that comes while the connection box is deciding (the box closing uncovers the
    // register) fails and leaves the list closed: it is tried once more when that event is over,
    // after "Újra" has reconnected, so the register does not stay empty.
    if (readList() || m_retrying || m_context.data.query(role::kInvoiceList).isOpen())
        return;
    m_retrying = true;
    QTimer::singleShot(0, this, [this] {
        readList();
        m_retrying = false;
    });
}

bool InvoiceRegister::readList()
{
    return runAction(m_context.ui, [this] {
        Query& list = m_context.data.query(role::kInvoiceList);
        const QString current = m_context.state.invoiceNumber;
        // A message box closing uncovers the register as well: the operator's highlighted row
        // stays unless a screen moved the run's current invoice (a save, a storno, a print).
        const bool keepHighlight = m_positioned && current == m_positionedBy && hasInvoice();
        const QString highlighted = keepHighlight ? list.fieldText(p("fBszam")) : QString();
        const int highlightedRow = keepHighlight ? list.currentRow() : -1;
        list.setSql({kRegisterListSql});
        list.open();
        m_positioned = true;
        m_positionedBy = current;
        if (!highlighted.isEmpty()) {
            // Exactly that invoice (a prefix match alone could stand on a longer number), found by
            // its number without reading the rows before it.
            if (list.locate(p("fBszam"), highlighted, Query::Match::Exact) && list.fieldText(p("fBszam")) == highlighted)
                return;
            // Deleted meanwhile (by another workstation): its neighbour, the invoice now in its place
            // (the one before it when it was the last).
            list.setCurrentRow(highlightedRow);
            return;
        }
        list.locate(p("fbszam"), current);
    });
}

bool InvoiceRegister::hasInvoice() const
{
    const Query& list = m_context.data.query(role::kInvoiceList);
    return list.isOpen() && list.currentRow() >= 0 && list.currentRow() < list.rowCount();
}

void InvoiceRegister::refreshDetails()
{
    runAction(m_context.ui, [this] {
        const Query& list = m_context.data.query(role::kInvoiceList);
        const QString number = list.fieldText(p("fbszam"));
        const QString customer = list.fieldText(p("fvkod"));
        const QString issuer = list.fieldText(p("fzkod"));

        Query& lines = m_context.data.query(role::kInvoiceLines);
        lines.setSql({QStringLiteral("SELECT * FROM SzlaSor WHERE sBszam = :p0")});
        lines.setText(p("p0"), number);
        lines.open();

        Query& customers = m_context.data.query(role::kCustomerList);
        customers.setSql({QStringLiteral("SELECT * FROM vevo")});
        customers.open();
        m_context.state.setRememberedKey(p("vevo"), customer);
        customers.locate(p("vkod"), customer);

        Query& issuers = m_context.data.query(role::kIssuerList);
        issuers.setSql({QStringLiteral("SELECT * FROM szallito")});
        issuers.open();
        m_context.state.setRememberedKey(p("szallito"), issuer);
        issuers.locate(p("zkod"), issuer);
    });
}

void InvoiceRegister::locateTyped(const QString& typed, bool continuing)
{
    runAction(m_context.ui, [&] {
        Query& list = m_context.data.query(role::kInvoiceList);
        if (!list.isOpen() || list.rowCount() == 0)
            return;
        if (!continuing)
            m_locatingFrom = list.fieldText(p("fBszam"));
        const int from = std::max(list.currentRow(), 0) + (continuing ? 0 : 1);
        if (list.locateFrom(p("fBszam"), typed, from >= list.rowCount() ? 0 : from))
            return;
        // No such number: the operator is told, and the list stays on the invoice it stood on
        // when the typing began (not on one an earlier part of the number led to).
        list.locate(p("fBszam"), m_locatingFrom, Query::Match::Exact);
        m_context.ui.message(QStringLiteral("Nincs %1 kezdetű számla.").arg(typed));
    });
}

QString InvoiceRegister::highlightedNumber() const
{
    return m_context.data.query(role::kInvoiceList).fieldText(p("fBszam"));
}

void InvoiceRegister::newInvoice()
{
    runAction(m_context.ui, [this] {
        // One workstation at a time composes under the next number, until its screen closes.
        const auto numbering = worklock::take(m_context, worklock::newInvoice(), [this] { return busyNumbering(m_context); });
        if (!numbering)
            return;
        m_context.opener.open(Screen::InvoiceComposer, {EditMode::New});
    });
}

void InvoiceRegister::modifyInvoice(bool checkPrinted)
{
    runAction(m_context.ui, [this, checkPrinted] {
        if (!hasInvoice())
            return;
        if (checkPrinted && m_context.data.query(role::kInvoiceList).fieldText(p("fPrn")) == QLatin1String("I")) {
            m_context.ui.notice(QStringLiteral("Nyomtatott Szla nem módositható !"));
            return;
        }
        const QString number = highlightedNumber();
        if (!checkPrinted && issued(number))
            return;
        const auto document = worklock::take(
            m_context, worklock::invoice(number), [&number] {
                return QStringLiteral("A(z) %1 számú számlát egy másik munkaállomás éppen módosítja. Kérem, "
                                      "próbálja újra, amikor ott elkészült.")
                    .arg(number);
            });
        if (!document)
            return;
        // Issued by another workstation between the register's reading and the lock.
        if (!checkPrinted && issued(number))
            return;
        m_context.opener.open(Screen::InvoiceComposer, ScreenRequest::modifying(number));
    });
}

bool InvoiceRegister::issued(const QString& number)
{
    // An issued invoice has its invoice-data document stored: what was reported (or kept as
    // reported) must stay what the invoice says, so it is corrected by a storno only.
    Query check(m_context.data.connection(), p("issuedCheck"));
    check.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM szlanav WHERE nBszam = :p0")});
    check.setText(p("p0"), number);
    check.open();
    if (check.fieldInt(p("db")) == 0)
        return false;
    m_context.ui.notice(QStringLiteral("A(z) %1 számú számla már ki van állítva (adóhatósági adatai elkészültek), "
                                       "ezért nem módosítható. Javításához készítsen storno számlát („Storno” "
                                       "gomb), majd szükség esetén új számlát.")
                            .arg(number));
    return true;
}

void InvoiceRegister::runPrint(PrintMode mode)
{
    runAction(m_context.ui, [this, mode] {
        if (!hasInvoice())
            return;
        const QString number = highlightedNumber();
        // The register re-finds the printed invoice when the preview closes.
        m_context.state.invoiceNumber = number;
        PrintInvoice(m_context, number, mode);
    });
}

void InvoiceRegister::correct()
{
    runAction(m_context.ui, [this] {
        if (!hasInvoice())
            return;
        const QString original = highlightedNumber();
        const QString refusal = correctionRefusal(m_context.data.connection(), original);
        if (!refusal.isEmpty()) {
            m_context.ui.notice(refusal);
            return;
        }
        const auto numbering = worklock::take(m_context, worklock::newInvoice(), [this] { return busyNumbering(m_context); });
        if (!numbering)
            return;
        ScreenRequest request{EditMode::New};
        request.corrected = original;
        m_context.opener.open(Screen::InvoiceComposer, request);
    });
}

QString InvoiceRegister::chainText()
{
    if (!hasInvoice())
        return {};
    const QString number = highlightedNumber();
    QStringList parts, corrections;
    try {
        // Both columns are indexed: one short read per highlighted invoice, whatever the register holds.
        Query q(m_context.data.connection(), p("invoiceChain"));
        q.setSql({QStringLiteral("SELECT hBszam, hMuvelet, hEredeti FROM szlahivatkozas WHERE hBszam = :p0 UNION "
                                 "SELECT hBszam, hMuvelet, hEredeti FROM szlahivatkozas WHERE hEredeti = :p0 ORDER BY 1")});
        q.setText(p("p0"), number);
        q.open();
        QString storno;
        for (int row = 0; row < q.rowCount(); ++row) {
            const QString kind = q.text(row, 1).trimmed();
            if (q.text(row, 0) == number)
                parts << (kind == kModifyLink
                              ? QStringLiteral("Helyesbítő számla: a(z) %1 számú számlát helyesbíti")
                              : QStringLiteral("Storno számla: a(z) %1 számú számlát érvényteleníti"))
                             .arg(q.text(row, 2));
            else if (kind == kModifyLink)
                corrections << q.text(row, 0);
            else
                storno = q.text(row, 0);
        }
        if (!corrections.isEmpty())
            parts << QStringLiteral("Helyesbítései: %1").arg(corrections.join(QStringLiteral(", ")));
        // An advance or final invoice says so, with the advances it deducts or the invoices deducting it.
        const nav::InvoiceKind invoiceKind = nav::readInvoiceKind(m_context.data.connection(), number);
        if (invoiceKind == nav::InvoiceKind::Final) {
            QStringList advances;
            for (const auto& [line, deduction] : nav::readDeductions(m_context.data.connection(), number))
                if (!advances.contains(deduction.advance))
                    advances << deduction.advance;
            parts.prepend(advances.isEmpty() ? nav::kindTitle(invoiceKind)
                                             : QStringLiteral("%1: levont előlegszámla %2")
                                                   .arg(nav::kindTitle(invoiceKind), advances.join(QStringLiteral(", "))));
        } else if (invoiceKind == nav::InvoiceKind::Advance) {
            q.setSql({QStringLiteral("SELECT DISTINCT lvBszam FROM szlaeloleg JOIN szlasor ON sID = lvSor WHERE lvEloleg = "
                                     ":p0 ORDER BY 1")});
            q.setText(p("p0"), number);
            q.open();
            QStringList finals;
            for (int row = 0; row < q.rowCount(); ++row)
                finals << q.text(row, 0);
            parts.prepend(finals.isEmpty() ? nav::kindTitle(invoiceKind)
                                           : QStringLiteral("%1: levonta %2")
                                                 .arg(nav::kindTitle(invoiceKind), finals.join(QStringLiteral(", "))));
        }
        if (!storno.isEmpty())
            parts << QStringLiteral("Stornózta: %1").arg(storno);
    } catch (const Error&) {
        return {}; // a connection failure is told by the action that meets it next
    }
    return parts.join(QStringLiteral("; "));
}

void InvoiceRegister::view()
{
    runPrint(PrintMode::View);
}

void InvoiceRegister::print()
{
    runPrint(PrintMode::Print);
}

void InvoiceRegister::payments()
{
    if (!hasInvoice())
        return;
    m_context.opener.open(Screen::Payments, ScreenRequest::on(highlightedNumber()));
    reread();
}

void InvoiceRegister::sendByMail()
{
    if (!hasInvoice())
        return;
    m_context.opener.open(Screen::InvoiceMail, ScreenRequest::on(highlightedNumber()));
    reread();
}

void InvoiceRegister::mailLog()
{
    if (hasInvoice())
        m_context.opener.open(Screen::InvoiceMailLog, ScreenRequest::on(highlightedNumber()));
}

void InvoiceRegister::storno()
{
    runAction(m_context.ui, [this] {
        if (!hasInvoice())
            return;
        // What the operator highlighted, read before the question: the register re-reads and
        // re-positions its list when the question box closes over it.
        const Query& list = m_context.data.query(role::kInvoiceList);
        const QString reversed = list.fieldText(p("fBszam"));
        const bool printed = list.fieldText(p("fPrn")) == QLatin1String("I");
        if (!m_context.ui.askYesNo(QStringLiteral("Stornózni szeretné a bizonylatot? ")))
            return;
        if (!printed) {
            m_context.ui.notice(kNotPrinted);
            return;
        }
        if (!createStornoInvoice(m_context, reversed).isEmpty())
            m_context.ui.message(QStringLiteral("A számla STORNO -ja elkészült !")); // a plain "OK"
    });
}

// The storno is stored under the numbering's and the reversed invoice's locks, so no other
// workstation composes under its number or changes the invoice meanwhile.
QString createStornoInvoice(ScreenContext& context, const QString& reversed)
{
    DataModule& data = context.data;
    const auto numbering = worklock::take(context, worklock::newInvoice(), [&context] { return busyNumbering(context); });
    if (!numbering)
        return {};
    const auto document = worklock::take(
        context, worklock::invoice(reversed), [&reversed] {
            return QStringLiteral("A(z) %1 számú számlát egy másik munkaállomás éppen módosítja, most nem "
                                  "stornózható. Kérem, próbálja újra később.")
                .arg(reversed);
        });
    if (!document)
        return {};

    StornoBuilder storno(data, reversed);
    if (!storno.build()) {
        tell(context.ui, storno.failure()); // rolled back before the message waits for the operator
        return {};
    }
    const QString number = storno.number();

    Query& register_ = data.query(role::kInvoiceList);
    register_.setSql({kRegisterListSql});
    register_.open();
    context.state.invoiceNumber = number;
    register_.locate(p("fBszam"), number);
    return number;
}

} // namespace orvena
