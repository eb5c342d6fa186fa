#include "invoicecomposer.h"

#include "billing/amounts.h"
#include "billing/currency.h"

#include "advance.h"
#include "composerstore.h"
#include "correction.h"
#include "documentwrite.h"
#include "invoicetexts.h"
#include "ratesource.h"
#include "sequences.h"

#include "db/numberinput.h"
#include "db/conversions.h"
#include "delivery/deliverytoinvoice.h"
#include "db/errors.h"
#include "db/statement.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/numberfields.h"
#include "screens/common/worklocks.h"

#include <QDate>

namespace orvena {

using namespace invoice;

using statement::p;

InvoiceComposer::InvoiceComposer(ScreenContext& context, const ScreenRequest& request, QObject* parent,
                                 const ComposerTarget& target)
    : QObject(parent), m_context(context), m_target(target), m_mode(request.mode), m_requested(request.number)
{
    m_fields[Currency] = QStringLiteral("Ft");
    m_fields[ExchangeRate] = QStringLiteral("0");
    m_fields[Discount] = QStringLiteral("0");
    m_fields[NetTotal] = QStringLiteral("0");
    m_fields[VatTotal] = QStringLiteral("0");
    m_fields[GrandTotal] = QStringLiteral("0");
    if (!request.corrected.isEmpty())
        m_correction = std::make_unique<InvoiceCorrection>(context.data, request.corrected);
    m_ownRates = std::make_unique<CentralBankRates>(context.data, context.ui);
    m_rates = m_ownRates.get();
}

// A new invoice never stored leaves nothing under its number for the next one to inherit (its
// lines, a deduction): removed while the numbering's lock is still held, so no other
// workstation composes under the number yet. A correction removes its own lines.
void InvoiceComposer::discardDraft(bool quiet)
{
    if (!isNewInvoice() || isProforma() || m_correction || !m_lock || m_closed || isBlank(m_fields[Number]))
        return;
    try {
        const QString failed = advance::discardDraft(m_context.data.connection(), m_fields[Number]);
        if (!failed.isEmpty() && !quiet)
            m_context.ui.message(failed);
    } catch (const Error&) {
        // the connection is gone: the lines stay until the next new invoice is left unstored
    }
}

InvoiceComposer::~InvoiceComposer()
{
    discardDraft(true);
    // A correction left without storing takes its edited lines with it, however the screen closed.
    if (m_correction && isNewInvoice() && !isBlank(m_fields[Number])) {
        try {
            m_correction->discard(m_fields[Number]);
        } catch (const Error&) {
            // the connection is gone: the next correction or new invoice under the number clears them
        }
    }
}

QString& InvoiceComposer::currentNumber()
{
    return isProforma() ? m_context.state.proformaNumber : m_context.state.invoiceNumber;
}

bool InvoiceComposer::isNewInvoice() const
{
    return m_mode == EditMode::New;
}

QString InvoiceComposer::corrected() const
{
    return m_correction ? m_correction->original() : QString();
}

ScreenRequest InvoiceComposer::lineRequest(EditMode mode) const
{
    ScreenRequest request;
    request.mode = mode;
    request.document = DocumentRef{m_fields[Number], m_fields[Currency], m_lockName, isNewInvoice()};
    request.document->proforma = isProforma();
    return request;
}

DocumentGuard InvoiceComposer::guard() const
{
    return DocumentGuard{m_target.guardKind, m_fields[Number], m_lockName, isNewInvoice()};
}

// The screen holds its own count of the lock the register took for it (the lock is counted per
// session), so whatever opened it, it composes only while this workstation holds the lock.
bool InvoiceComposer::takeLock(const QString& name)
{
    auto lock = std::make_unique<NamedLock>(m_context.data.connection(), name);
    if (!lock->held())
        return false;
    m_lock = std::move(lock);
    m_lockName = name;
    return true;
}

void InvoiceComposer::end(const QString& reason)
{
    m_context.ui.message(reason
                         + typedValues({{QStringLiteral("Vevő"), m_fields[CustomerBlock]},
                                        {QStringLiteral("Szerz.száma"), m_fields[Contract]},
                                        {QStringLiteral("Fizetés módja"), m_fields[PaymentMethod]},
                                        {QStringLiteral("Telj. időpontja"), m_fields[PerformanceDate]},
                                        {QStringLiteral("Számla kelte"), m_fields[IssueDate]},
                                        {QStringLiteral("Fiz.határidö"), m_fields[DueDate]},
                                        {QStringLiteral("Pénznem"), m_fields[Currency]},
                                        {QStringLiteral("Árfolyam"), m_fields[ExchangeRate]},
                                        {QStringLiteral("Kedvezmény%"), m_fields[Discount]},
                                        {QStringLiteral("Megjegyzés"), m_fields[Remark]},
                                        {QStringLiteral("Üzenet"), m_fields[Message]}}));
    m_closed = true;
    m_lock.reset();
    emit closeRequested();
}

bool InvoiceComposer::endIfNotOurs(bool askServer)
{
    return m_closed
           || endWhenNotOurs(m_context.data, m_context.ui, guard(), askServer, [this](const QString& reason) { end(reason); });
}

void InvoiceComposer::set(Field f, const QString& text)
{
    if (m_fields[f] == text)
        return;
    m_fields[f] = text;
    emit fieldChanged(f);
}

void InvoiceComposer::setField(Field f, const QString& text)
{
    set(f, text);
    if (f == Discount) // the totals are shown with the discount the print applies
        runAction(m_context.ui, [this] { recomputeTotals(); });
    // A due date the operator typed stays when the customer changes; emptied, it follows again.
    if (f == DueDate)
        m_dueDateTyped = !isBlank(text);
    // A rate typed by the operator (the law allows other sources than the central bank's).
    if (f == ExchangeRate) {
        dropRateRequest(); // an answer still to come must not overwrite it
        set(RateSource, rates::isForint(m_fields[Currency]) ? QString() : QStringLiteral("kézzel megadva"));
    }
}

void InvoiceComposer::focus(int target)
{
    m_lastFocus = target;
    emit focusRequested(target);
}

bool InvoiceComposer::prepare()
{
    bool usable = true;
    runAction(m_context.ui, [this, &usable] {
        const QString lockName = isNewInvoice() ? m_target.newLock() : m_target.lock(m_requested);
        if (!takeLock(lockName)) {
            usable = false;
            m_context.ui.notice(isNewInvoice()
                                    ? QStringLiteral("Egy másik munkaállomás éppen új %1 készít. Kérem, próbálja "
                                                     "újra, amikor ott elkészült.").arg(m_target.accusative)
                                    : QStringLiteral("A(z) %1 számú %2 egy másik munkaállomás éppen módosítja. "
                                                     "Kérem, próbálja újra, amikor ott elkészült.")
                                          .arg(m_requested, m_target.accusative));
            return;
        }
        if (isNewInvoice()) {
            set(Number, nextDocumentNumber(m_context.data.connection(), m_target.sequence));
            // A number that already has a header belongs to a stored invoice (the sequence was
            // set back, or another workstation stored it): a new invoice must not show or change
            // its lines.
            if (composer::numberTaken(m_context.data.connection(), m_target, m_fields[Number])) {
                usable = false;
                m_context.ui.message(QStringLiteral("A(z) %1 számú %2 már létezik, új %2 ezzel a sorszámmal "
                                                    "nem készíthető! Ellenőrizze a %2 sorszámát.")
                                         .arg(m_fields[Number], m_target.noun));
                return;
            }
            rereadLines();
            const QString today = formatDate(QDate::currentDate());
            set(PerformanceDate, today);
            set(IssueDate, today);
            set(DueDate, today);
            m_context.data.query(role::kCustomerList).close();
            set(CustomerCode, QString());
            set(CustomerNumber, QString());
            set(HeaderId, QString());
            Query& dictionary = m_context.data.query(role::kDictionaryList);
            dictionary.setSql({QStringLiteral("SELECT * FROM Mezonev")});
            dictionary.open();
            set(LanguageCode, dictionary.fieldText(p("mKod")));
            set(LanguageName, dictionary.fieldText(p("mMegnev")));
            Query& issuers = m_context.data.query(role::kIssuerList);
            issuers.setSql({QStringLiteral("SELECT * FROM Szallito")});
            issuers.open();
            set(IssuerCode, issuers.fieldText(p("zKod")));
            set(IssuerNumber, issuers.fieldText(p("zSzam")));
            set(IssuerBlock, memoFromDatabase(issuers.fieldText(p("zMemoSzall"))));
            set(IssuerMasterBlock, m_fields[IssuerBlock]);
            // Lines an abandoned invoice left under this number are shown with their totals;
            // deductions among them keep it a final invoice.
            recomputeTotals();
            if (!isProforma() && advance::hasDeductions(m_context.data.connection(), m_fields[Number]))
                m_kind = nav::InvoiceKind::Final;
            if (m_correction && !startCorrection()) {
                usable = false;
                return;
            }
        } else {
            if (!LoadInvoice(m_requested)) {
                usable = false;
                m_context.ui.message(QStringLiteral("A(z) %1 számú %2 nem található!").arg(m_requested, m_target.noun));
                return;
            }
            recomputeTotals();
        }
        currentNumber() = m_fields[Number];
    });
    // Without a number (the sequence could not be read) there is nothing to put lines under.
    if (!usable || (isNewInvoice() && isBlank(m_fields[Number])))
        return false;
    focus(Contract);
    return true;
}

void InvoiceComposer::rereadLines()
{
    Query& lines = m_context.data.query(role::kInvoiceLines);
    lines.setSql({m_target.lineListSql});
    lines.setText(p("p1"), m_fields[Number]);
    lines.open();
}

bool InvoiceComposer::LoadInvoice(const QString& number)
{
    Query header(m_context.data.connection(), QStringLiteral("loadedInvoice"));
    header.setSql({QStringLiteral("SELECT * FROM %1 WHERE fbszam = :p1").arg(m_target.header)});
    header.setText(p("p1"), number);
    header.open();
    if (header.isEmpty())
        return false;
    set(Number, header.fieldText(p("fbszam")));
    rereadLines();

    Query& customers = m_context.data.query(role::kCustomerList);
    customers.setSql({QStringLiteral("SELECT * FROM Vevo")});
    customers.open();
    m_context.state.setRememberedKey(QStringLiteral("vevo"), header.fieldText(p("fvkod")));
    customers.locate(p("vkod"), header.fieldText(p("fvkod")));

    Query& issuers = m_context.data.query(role::kIssuerList);
    issuers.setSql({QStringLiteral("SELECT * FROM szallito")});
    issuers.open();
    m_context.state.setRememberedKey(QStringLiteral("szallito"), header.fieldText(p("fzkod")));
    issuers.locate(p("zkod"), header.fieldText(p("fzkod")));

    Query& dictionary = m_context.data.query(role::kDictionaryList);
    dictionary.setSql({QStringLiteral("SELECT * FROM mezonev")});
    dictionary.open();
    m_context.state.setRememberedKey(QStringLiteral("mezonev"), header.fieldText(p("fmkod")));
    dictionary.locate(p("mkod"), header.fieldText(p("fmkod")));

    // A proforma has no kind: its number may be an invoice's too, whose kind and deductions are not its own.
    m_kind = isProforma() ? nav::InvoiceKind::Plain : nav::readInvoiceKind(m_context.data.connection(), m_fields[Number]);
    if (!isProforma() && m_kind != nav::InvoiceKind::Final
        && advance::hasDeductions(m_context.data.connection(), m_fields[Number]))
        m_kind = nav::InvoiceKind::Final; // deductions keep it a final invoice
    emit kindChanged();
    set(HeaderId, header.fieldText(p("fID")));
    set(Contract, header.fieldText(p("fszerz")));
    set(PaymentMethod, header.fieldText(p("ffizmod")));
    set(PerformanceDate, header.fieldText(p("ftkelt")));
    set(IssueDate, header.fieldText(p("frkelt")));
    set(DueDate, header.fieldText(p("ffkelt")));
    set(Currency, header.fieldText(p("fpnem")));
    set(ExchangeRate, header.fieldText(p("farfoly")));
    set(Discount, header.fieldText(p("fkerek")));
    set(Remark, header.fieldText(p("fmegj")));
    set(Message, memoFromDatabase(header.fieldText(p("fmemo"))));
    set(CustomerCode, header.fieldText(p("fvkod")));
    set(CustomerNumber, header.fieldText(p("fvSzam")));
    set(CustomerBlock, memoFromDatabase(header.fieldText(p("fMemoVevo"))));
    set(IssuerBlock, memoFromDatabase(header.fieldText(p("fMemoSzall"))));
    set(LanguageCode, header.fieldText(p("fmKod")));
    set(IssuerCode, header.fieldText(p("fzKod")));
    set(IssuerNumber, header.fieldText(p("fzSzam")));

    set(LanguageName, dictionary.fieldText(p("mMegnev")));
    // A stored rate stays until the currency or the date changes.
    m_rateFilledFor = rateKey();
    set(RateSource, rates::isForint(m_fields[Currency]) ? QString() : QStringLiteral("a számlán tárolt"));
    set(CustomerMasterBlock, memoFromDatabase(customers.fieldText(p("vMemoVevo"))));
    set(IssuerMasterBlock, memoFromDatabase(issuers.fieldText(p("zMemoSzall"))));
    // A stored due date that the customer's term does not give was set by hand: it stays when
    // the customer changes.
    try {
        const auto due = termDueDate();
        m_dueDateTyped = !due || formatDate(*due) != m_fields[DueDate];
    } catch (const Error&) {
        m_dueDateTyped = true; // a term that is no number gives nothing to follow
    }
    return true;
}

void InvoiceComposer::recomputeTotals()
{
    // The amounts the print will state, with the header's discount as typed.
    const billing::DocumentAmounts amounts = composer::draftAmounts(
        m_context.data.connection(), m_target, m_fields[Number], m_fields[Currency],
        typedNumber(m_fields[Discount], NumberKind::Measure).value_or(Decimal()));
    set(NetTotal, amounts.net.groupedText());
    set(VatTotal, amounts.vat.groupedText());
    set(GrandTotal, amounts.gross().groupedText());
}

void InvoiceComposer::chooseCustomer()
{
    runAction(m_context.ui, [this] {
        m_context.state.setRememberedKey(QStringLiteral("vevo"), m_fields[CustomerCode]);
        if (!openChooser(m_context.opener, Screen::CustomerList))
            return;
        const Query& c = m_context.data.query(role::kCustomerList);
        set(PaymentMethod, c.fieldText(p("vfizmod")));
        set(Currency, c.fieldText(p("vpnem")));
        set(CustomerBlock, memoFromDatabase(c.fieldText(p("vMemoVevo"))));
        set(Discount, c.fieldText(p("vEnged")));
        set(CustomerCode, c.fieldText(p("vkod")));
        set(CustomerNumber, c.fieldText(p("vSzam")));
        // The customer is often chosen last: its payment term gives the due date from the
        // performance date, unless the operator typed one.
        if (!m_dueDateTyped)
            if (const auto due = termDueDate())
                set(DueDate, formatDate(*due));
    });
    fillExchangeRate(false);
}

void InvoiceComposer::chooseLanguage()
{
    runAction(m_context.ui, [this] {
        m_context.state.setRememberedKey(QStringLiteral("mezonev"), m_fields[LanguageCode]);
        if (!openChooser(m_context.opener, Screen::DictionaryList))
            return;
        const Query& d = m_context.data.query(role::kDictionaryList);
        set(LanguageCode, d.fieldText(p("mKod")));
        set(LanguageName, d.fieldText(p("mMegnev")));
    });
}

void InvoiceComposer::chooseIssuer()
{
    runAction(m_context.ui, [this] {
        if (!openChooser(m_context.opener, Screen::IssuerList))
            return;
        const Query& z = m_context.data.query(role::kIssuerList);
        set(IssuerCode, z.fieldText(p("zKod")));
        set(IssuerNumber, z.fieldText(p("zSzam")));
        set(IssuerBlock, memoFromDatabase(z.fieldText(p("zMemoSzall"))));
        set(IssuerMasterBlock, m_fields[IssuerBlock]);
    });
}

std::optional<QDate> InvoiceComposer::termDueDate() const
{
    const Query& customers = m_context.data.query(role::kCustomerList);
    if (isBlank(m_fields[CustomerCode]) || customers.isEmpty()
        || customers.fieldText(p("vkod")) != m_fields[CustomerCode] || !isValidDate(m_fields[PerformanceDate]))
        return std::nullopt;
    const QString term = customers.fieldText(p("vFhat"));
    if (isBlank(term))
        return std::nullopt;
    return parseDate(m_fields[PerformanceDate]).addDays(parseInt32(term));
}

void InvoiceComposer::performanceDateLeft()
{
    runAction(m_context.ui, [this] {
        // A date that is not valid is reported; the due date is left as it is.
        const QDate performed = parseDate(m_fields[PerformanceDate]);
        // Before a customer is chosen there is no payment term yet: nothing to compute.
        const Query& customers = m_context.data.query(role::kCustomerList);
        if (isBlank(m_fields[CustomerCode]) || customers.isEmpty())
            return;
        const QString term = customers.fieldText(p("vFhat"));
        if (isBlank(term))
            return;
        set(DueDate, formatDate(performed.addDays(parseInt32(term))));
    });
    fillExchangeRate(false);
}

void InvoiceComposer::newLine()
{
    runAction(m_context.ui, [this] {
        m_context.opener.open(Screen::InvoiceLine, lineRequest(EditMode::New));
    });
    if (endIfNotOurs(true))
        return;
    runAction(m_context.ui, [this] { recomputeTotals(); });
}

void InvoiceComposer::modifyLine()
{
    runAction(m_context.ui, [this] {
        m_context.opener.open(Screen::InvoiceLine, lineRequest(EditMode::Modify));
    });
    if (endIfNotOurs(true))
        return;
    runAction(m_context.ui, [this] { recomputeTotals(); });
}

void InvoiceComposer::deleteLine()
{
    QString refusal;
    runAction(m_context.ui, [this, &refusal] {
        Query& lines = m_context.data.query(role::kInvoiceLines);
        // An empty list deletes nothing (identity 0 does not exist); the line must be one of
        // this invoice, and the invoice still the one this screen composes.
        const qint64 id = lines.isOpen() && !lines.isEmpty() ? lines.fieldInt(p("sID")) : 0;
        Query q(m_context.data.connection(), QStringLiteral("lineDelete"));
        StepChain chain(q);
        bool refused = false;
        const QString failed = QStringLiteral("Hiba: Szlasor DELETE törlésekor");
        if (chain.run([&] {
                chain.begin(failed);
                checkDocument(chain, m_context.data, guard(), refused);
                chain.step(failed, [&] {
                    q.setSql({QStringLiteral("DELETE FROM %1 WHERE sID = :p1 AND sBszam = :p2").arg(m_target.lines)});
                    q.setInteger(p("p1"), id);
                    q.setText(p("p2"), m_fields[Number]);
                    q.execute();
                });
                if (!isProforma())
                    advance::deleteDeduction(chain, m_context.data.connection(), m_fields[Number], id);
                chain.commit(failed);
            })) {
            m_context.ui.message(QStringLiteral("Az tételsor törölve!"));
        } else if (refused) {
            refusal = chain.failure().message;
            return;
        } else {
            tell(m_context.ui, chain.failure());
        }
        rereadLines();
        lines.last();
        recomputeTotals();
    });
    if (!refusal.isEmpty())
        end(refusal);
    else
        endIfNotOurs(false);
}

void InvoiceComposer::fromDeliveryNote()
{
    if (isProforma()) // a delivery note becomes an invoice only
        return;
    if (m_correction) {
        m_context.ui.message(QStringLiteral("Helyesbítő számlába szállítólevél nem vehető át: a helyesbítés az eredeti "
                                            "számla tételeinek változásait tartalmazza."));
        return;
    }
    const EditMode before = m_mode;
    // The conversion checks the guard after it wrote: a new invoice's header is its own by then
    // (the conversion itself refuses a number another workstation stored).
    DocumentGuard current = guard();
    current.unstored = false;
    runAction(m_context.ui, [this, &current] {
        convertDeliveryNoteIntoInvoice(m_context, m_fields[Number], m_mode, [this] {
            m_mode = EditMode::Modify; // the invoice is stored now: the screen goes on modifying it
            // It goes on under the stored invoice's own lock, so a print elsewhere waits for it;
            // the numbering is free for the next new invoice then.
            takeLock(worklock::invoice(m_fields[Number]));
            const nav::InvoiceKind kind = m_kind; // as ticked, stored with the header at "OK"
            LoadInvoice(m_fields[Number]);
            m_kind = kind;
            emit kindChanged();
            recomputeTotals();
        }, &current);
    });
    // a stored invoice that stopped being this screen's ends it (a new one keeps its own message)
    endIfNotOurs(before == EditMode::Modify);
}

bool InvoiceComposer::ok()
{
    bool stored = false;
    runAction(m_context.ui, [this, &stored] {
        if (!validate())
            return;
        stored = isNewInvoice() ? storeNew() : storeModified();
        if (stored)
            rereadRegister();
    });
    if (!stored) {
        endIfNotOurs(false);
        return false;
    }
    m_closed = true;
    m_lock.reset();
    emit closeRequested();
    return true;
}

void InvoiceComposer::cancel()
{
    discardDraft();
    m_closed = true;
    m_lock.reset();
    emit closeRequested();
}

} // namespace orvena
