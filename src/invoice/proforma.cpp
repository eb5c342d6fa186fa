#include "proforma.h"

#include "composerstore.h"
#include "invoicetexts.h"
#include "printinvoice.h"
#include "sequences.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "db/statement.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/worklocks.h"

namespace orvena {

namespace {

using statement::p;
using statement::run;

// The invoice the proforma became, read with a shared lock inside the caller's transaction (a
// conversion another workstation committed is seen, one under way is waited for); empty: none.
QString invoiceMadeFrom(Query& q, const QString& proformaNumber)
{
    q.setSql({QStringLiteral("SELECT dsSzamla FROM dijbszamla WHERE dsBszam = :p1 LOCK IN SHARE MODE")});
    q.setText(p("p1"), proformaNumber);
    q.open();
    return q.isEmpty() ? QString() : q.fieldText(p("dsSzamla"));
}

QString alreadyConverted(const QString& proformaNumber, const QString& invoice, const QString& what)
{
    return QStringLiteral("A(z) %1 díjbekérőből már számla készült (a(z) %2 számú), ezért nem %3.")
        .arg(proformaNumberText(proformaNumber), invoice, what);
}

QString busyProforma(const QString& number)
{
    return QStringLiteral("A(z) %1 díjbekérőt egy másik munkaállomás éppen módosítja. Kérem, próbálja újra, amikor "
                          "ott elkészült.")
        .arg(proformaNumberText(number));
}

} // namespace

QString proformaNumberText(const QString& number)
{
    return QStringLiteral("D") + number.trimmed();
}

namespace {

// What must hold before a proforma becomes invoice `number`, checked under the transaction's
// locks: the proforma still stored (locked until the end: another workstation may have deleted
// or converted it since the register read it), not converted already, with lines; the number
// free.
void checkConvertible(StepChain& chain, Query& scratch, const QString& proformaNumber, const QString& number,
                      const QString& failed)
{
    chain.step(failed, [&] {
        scratch.setSql({QStringLiteral("SELECT fBszam FROM dijbfej WHERE fBszam = :p1 FOR UPDATE")});
        scratch.setText(p("p1"), proformaNumber);
        scratch.open();
    });
    if (scratch.isEmpty())
        chain.fail(QStringLiteral("A(z) %1 díjbekérő nem található, számla nem készült belőle.")
                       .arg(proformaNumberText(proformaNumber)));
    QString invoice;
    chain.step(failed, [&] { invoice = invoiceMadeFrom(scratch, proformaNumber); });
    if (!invoice.isEmpty())
        chain.fail(QStringLiteral("A(z) %1 díjbekérőből már készült számla (a(z) %2 számú). Egy díjbekérőből "
                                  "csak egy számla készülhet.")
                       .arg(proformaNumberText(proformaNumber), invoice),
                   StepFailure::Show::Notice);
    chain.step(failed, [&] {
        scratch.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM dijbsor WHERE sBszam = :p1")});
        scratch.setText(p("p1"), proformaNumber);
        scratch.open();
    });
    if (scratch.fieldInt(p("db")) == 0)
        chain.fail(QStringLiteral("A(z) %1 díjbekérőnek nincs tételsora, számla nem készült belőle.")
                       .arg(proformaNumberText(proformaNumber)));
    // A number that already has a header belongs to a stored invoice.
    bool taken = false;
    chain.step(failed, [&] {
        taken = composer::numberTaken(scratch.connection(), ComposerTarget::invoice(), number, true);
    });
    if (taken)
        chain.fail(QStringLiteral("A(z) %1 számú számla már létezik, ezzel a sorszámmal nem tárolható!").arg(number));
}

// The proforma copied through the work tables into invoice `number`, issued today (performance
// and due dates stay as the proforma stated them), the sequence moved on and the conversion
// recorded.
void addConversionSteps(StepChain& chain, Query& head, Query& lines, Query& scratch, const QString& proformaNumber,
                        const QString& number)
{
    // Lines an abandoned new invoice left under the number are no part of this one.
    chain.step(QStringLiteral("Hiba: Szlasor DELETE törlése mert nem volt fejrésze "), [&] {
        run(scratch, QStringLiteral("DELETE FROM Szlasor WHERE sBszam = :p1"), {{"p1", number}});
    });
    worktables::fill(chain, head, lines, worktables::Document::Proforma, proformaNumber, number);
    chain.step(QStringLiteral("Hiba: Az UPDATE munkafej -ben "),
               [&] { run(scratch, QStringLiteral("UPDATE munkafej SET fRkelt = CURDATE()")); });
    worktables::storeHeader(chain, head, worktables::proformaStore());
    worktables::storeLines(chain, lines, worktables::proformaStore());
    chain.step(QStringLiteral("Hiba: Új UPDATE Sorszam -ba "),
               [&] { storeDocumentNumber(scratch, kInvoiceSequence, number); });
    chain.step(QStringLiteral("Hiba: a díjbekérő számlájának tárolása (dijbszamla) "), [&] {
        run(scratch, QStringLiteral("INSERT INTO dijbszamla (dsBszam, dsSzamla, dsIdo) VALUES (:p1, :p2, NOW())"),
            {{"p1", proformaNumber}, {"p2", number}});
    });
}

} // namespace

QString convertProformaIntoInvoice(ScreenContext& context, const QString& proformaNumber)
{
    if (isBlank(proformaNumber))
        return {};
    DataModule& data = context.data;
    const auto numbering = worklock::take(context, worklock::newInvoice(), [] {
        return QStringLiteral("Egy másik munkaállomás éppen új számlát készít. Kérem, próbálja újra, amikor ott "
                              "elkészült.");
    });
    if (!numbering)
        return {};
    const auto document =
        worklock::take(context, worklock::proforma(proformaNumber), [&] { return busyProforma(proformaNumber); });
    if (!document)
        return {};

    Query head(data.connection(), p("workHeader"));
    Query lines(data.connection(), p("workLines"));
    Query scratch(data.connection(), p("proformaConversion"));
    StepChain chain(head);
    QString number;
    const QString failed = QStringLiteral("Hiba: a díjbekérőből nem készült számla, semmi sem változott!");
    const bool stored = chain.run([&] {
        chain.begin(failed);
        chain.step(QStringLiteral("Hiba: Új UPDATE Sorszam -ba "),
                   [&] { number = numberAfter(lockSequence(scratch, kInvoiceSequence)); });
        checkConvertible(chain, scratch, proformaNumber, number, failed);
        addConversionSteps(chain, head, lines, scratch, proformaNumber, number);
        chain.commit(failed);
    });
    if (!stored) {
        tell(context.ui, chain.failure()); // rolled back before the message waits for the operator
        return {};
    }
    // The invoice register finds the new invoice when it is opened next.
    context.state.invoiceNumber = number;
    return number;
}

ProformaRegister::ProformaRegister(ScreenContext& context, QObject* parent) : QObject(parent), m_context(context) {}

void ProformaRegister::reread()
{
    runAction(m_context.ui, [this] {
        Query& list = m_context.data.query(role::kProformaList);
        const QString highlighted = hasProforma() ? highlightedNumber() : QString();
        list.setSql({ComposerTarget::proforma().registerSql});
        list.open();
        const QString wanted = m_current.isEmpty() ? highlighted : m_current;
        m_current.clear();
        if (wanted.isEmpty() || !list.locate(p("fBszam"), wanted, Query::Match::Exact)
            || list.fieldText(p("fBszam")) != wanted)
            list.last();
    });
}

bool ProformaRegister::hasProforma() const
{
    const Query& list = m_context.data.query(role::kProformaList);
    return list.isOpen() && list.currentRow() >= 0 && list.currentRow() < list.rowCount();
}

QString ProformaRegister::highlightedNumber() const
{
    return m_context.data.query(role::kProformaList).fieldText(p("fBszam"));
}

void ProformaRegister::refreshDetails()
{
    runAction(m_context.ui, [this] {
        const Query& list = m_context.data.query(role::kProformaList);
        Query& lines = m_context.data.query(role::kInvoiceLines);
        lines.setSql({ComposerTarget::proforma().lineListSql});
        lines.setText(p("p1"), list.fieldText(p("fBszam")));
        lines.open();
        Query& customers = m_context.data.query(role::kCustomerList);
        customers.setSql({QStringLiteral("SELECT * FROM vevo")});
        customers.open();
        customers.locate(p("vkod"), list.fieldText(p("fvKod")));
    });
}

void ProformaRegister::newProforma()
{
    runAction(m_context.ui, [this] {
        const auto numbering = worklock::take(m_context, worklock::newProforma(), [] {
            return QStringLiteral("Egy másik munkaállomás éppen új díjbekérőt készít. Kérem, próbálja újra, amikor "
                                  "ott elkészült.");
        });
        if (!numbering)
            return;
        // The composer names the stored proforma in the run's state; the list is positioned by it.
        m_context.state.proformaNumber.clear();
        m_context.opener.open(Screen::ProformaComposer, {EditMode::New});
    });
    m_current = m_context.state.proformaNumber;
}

bool ProformaRegister::converted(const QString& number, const QString& what)
{
    Query q(m_context.data.connection(), p("proformaConverted"));
    const QString invoice = invoiceMadeFrom(q, number);
    if (invoice.isEmpty())
        return false;
    m_context.ui.notice(alreadyConverted(number, invoice, what));
    return true;
}

void ProformaRegister::modifyProforma()
{
    runAction(m_context.ui, [this] {
        if (!hasProforma())
            return;
        const QString number = highlightedNumber();
        if (converted(number, QStringLiteral("módosítható")))
            return;
        const auto document = worklock::take(m_context, worklock::proforma(number), [&] { return busyProforma(number); });
        if (!document)
            return;
        // converted by another workstation between the register's reading and the lock
        if (converted(number, QStringLiteral("módosítható")))
            return;
        m_context.opener.open(Screen::ProformaComposer, ScreenRequest::modifying(number));
        m_current = number;
    });
}

void ProformaRegister::deleteProforma()
{
    runAction(m_context.ui, [this] {
        if (!hasProforma())
            return;
        const QString number = highlightedNumber();
        if (converted(number, QStringLiteral("törölhető")))
            return;
        if (!m_context.ui.askYesNo(
                QStringLiteral("Törölni szeretné a(z) %1 díjbekérőt a tételeivel együtt?").arg(proformaNumberText(number))))
            return;
        const auto document = worklock::take(m_context, worklock::proforma(number), [&] { return busyProforma(number); });
        if (!document)
            return;
        Query q(m_context.data.connection(), p("proformaDelete"));
        StepChain chain(q);
        const QString failed = QStringLiteral("Hiba: a díjbekérő törlésekor, semmi sem változott!");
        if (!chain.run([&] {
                chain.begin(failed);
                chain.step(failed, [&] {
                    q.setSql({QStringLiteral("SELECT fBszam FROM dijbfej WHERE fBszam = :p1 FOR UPDATE")});
                    q.setText(p("p1"), number);
                    q.open();
                });
                if (q.isEmpty())
                    chain.fail(QStringLiteral("A(z) %1 díjbekérő már nem található.").arg(proformaNumberText(number)));
                QString invoice;
                chain.step(failed, [&] { invoice = invoiceMadeFrom(q, number); });
                if (!invoice.isEmpty())
                    chain.fail(alreadyConverted(number, invoice, QStringLiteral("törölhető")), StepFailure::Show::Notice);
                chain.step(failed, [&] {
                    run(q, QStringLiteral("DELETE FROM dijbsor WHERE sBszam = :p1"), {{"p1", number}});
                    run(q, QStringLiteral("DELETE FROM dijbfej WHERE fBszam = :p1"), {{"p1", number}});
                });
                chain.commit(failed);
            })) {
            tell(m_context.ui, chain.failure());
            return;
        }
        m_context.ui.message(QStringLiteral("A(z) %1 díjbekérő törölve.").arg(proformaNumberText(number)));
    });
}

void ProformaRegister::runPrint(PrintMode mode)
{
    runAction(m_context.ui, [this, mode] {
        if (!hasProforma())
            return;
        m_current = highlightedNumber();
        PrintProforma(m_context, m_current, mode);
    });
}

void ProformaRegister::view()
{
    runPrint(PrintMode::View);
}

void ProformaRegister::print()
{
    runPrint(PrintMode::Print);
}

void ProformaRegister::convert()
{
    runAction(m_context.ui, [this] {
        if (!hasProforma())
            return;
        const QString number = highlightedNumber();
        if (converted(number, QStringLiteral("alakítható újra számlává")))
            return;
        if (!m_context.ui.askYesNo(QStringLiteral("Számlát készít a(z) %1 díjbekérőből?").arg(proformaNumberText(number))))
            return;
        m_current = number;
        const QString invoice = convertProformaIntoInvoice(m_context, number);
        if (!invoice.isEmpty())
            m_context.ui.notice(QStringLiteral("A(z) %1 díjbekérőből elkészült a(z) %2 számú számla. A "
                                               "„Számlázás” képernyőn nézhető meg, módosítható és nyomtatható ki.")
                                    .arg(proformaNumberText(number), invoice));
    });
}

} // namespace orvena
