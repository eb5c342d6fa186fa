#include "payments.h"

#include "correction.h"
#include "invoicetexts.h"

#include "billing/balanceview.h"
#include "billing/openbalance.h"
#include "db/codepages.h"
#include "db/conversions.h"
#include "db/errors.h"
#include "db/money.h"
#include "db/numberinput.h"
#include "db/queryroles.h"
#include "db/schema.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"

#include <QRegularExpression>
#include <tuple>

namespace orvena {

namespace {

QString money(Money amount, const QString& currency)
{
    return invoice::formatAmount(amount.exact()) + u' ' + currency;
}

// The amount typed; more than two decimals are refused rather than rounded away.
Money typedAmount(const QString& text)
{
    const Decimal amount = readNumber(text, NumberKind::Amount, QStringLiteral("Összeg"));
    const QString literal = amount.literal();
    const QString decimals = literal.section(u'.', 1);
    if (decimals.size() > 2)
        throw ConversionError(QStringLiteral("A fizetés összege legfeljebb két tizedesjegyű lehet: '%1'.").arg(text.trimmed()));
    checkNumberFits(QStringLiteral("szlafizetes"), QStringLiteral("pOsszeg"), amount.text(), QStringLiteral("Összeg"));
    return Money::rounded(amount);
}

// The invoice's header, locked until the transaction ends: every booking and deletion of its
// payments (and a storno of it) passes here, so they follow one another.
void lockInvoice(StepChain& chain, Query& q, const QString& number)
{
    q.setSql({QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = :p0 FOR UPDATE")});
    q.setText(QStringLiteral("p0"), number);
    q.open();
    if (q.isEmpty())
        chain.fail(QStringLiteral("A(z) %1 számú számla nem található.").arg(number));
    if (q.fieldText(QStringLiteral("fPrn")) != u"I")
        chain.fail(QStringLiteral("A(z) %1 számú számla még nincs kiállítva (kinyomtatva), ezért fizetés nem "
                                  "rögzíthető rá.")
                       .arg(number));
}

} // namespace

QString paymentRefusal(Money balance, Money amount, const QString& currency)
{
    const Money zero;
    if (amount.isZero())
        return QStringLiteral("A fizetés összege nem lehet nulla.");
    if (balance.isZero())
        return QStringLiteral("A számla rendezve van (nincs hátraléka), további fizetés nem rögzíthető rá.");
    if (balance > zero && amount < zero)
        return QStringLiteral("A számlának hátraléka van (%1): csak pozitív összegű fizetés rögzíthető rá.")
            .arg(money(balance, currency));
    if (balance < zero && amount > zero)
        return QStringLiteral("A számla túl van fizetve (%1 a túlfizetés): csak visszafizetés rögzíthető rá, negatív "
                              "összeggel.")
            .arg(money(-balance, currency));
    if (balance > zero && amount > balance)
        return QStringLiteral("A fizetés (%1) több, mint a számla hátraléka (%2). A befizetett összeg nem haladhatja "
                              "meg a fizetendőt.")
            .arg(money(amount, currency), money(balance, currency));
    if (balance < zero && amount < balance)
        return QStringLiteral("A visszafizetés (%1) több, mint a túlfizetés (%2).")
            .arg(money(-amount, currency), money(-balance, currency));
    return {};
}

qint64 bookPayment(StepChain& chain, Query& q, const QString& number, const QString& currency, const QDate& date,
                   Money amount, const QString& method, const QString& note)
{
    chain.step(QStringLiteral("A számla nem olvasható."), [&] { lockInvoice(chain, q, number); });
    // The balance as stored now, read after the lock: what another workstation booked
    // before it is counted.
    Money balance;
    chain.step(QStringLiteral("A számla egyenlege nem olvasható."), [&] {
        q.setSql({QStringLiteral("SELECT eHatralek FROM %1 WHERE eBszam = :p0").arg(kBalanceView)});
        q.setText(QStringLiteral("p0"), number);
        q.open();
        balance = q.fieldMoney(QStringLiteral("eHatralek"));
    });
    if (const QString refusal = paymentRefusal(balance, amount, currency); !refusal.isEmpty())
        chain.fail(refusal);
    qint64 id = 0;
    chain.step(QStringLiteral("A fizetés tárolása nem sikerült."), [&] {
        q.setSql({QStringLiteral("INSERT INTO szlafizetes (pBszam, pDatum, pOsszeg, pMod, pMegj, pRogzitette, "
                                 "pRogzitve) VALUES (:p0, :p1, :p2, :p3, :p4, SUBSTRING_INDEX(USER(), '@', 1), "
                                 "NOW())")});
        q.setText(QStringLiteral("p0"), number);
        q.setText(QStringLiteral("p1"), date.toString(QStringLiteral("yyyy-MM-dd")));
        q.setFloat(QStringLiteral("p2"), amount.text());
        q.setText(QStringLiteral("p3"), method.trimmed());
        q.setText(QStringLiteral("p4"), note.trimmed());
        q.execute();
        id = static_cast<qint64>(q.lastInsertId());
        refreshOpenBalance(q.connection(), number);
    });
    return id;
}

void markPaymentDeleted(StepChain& chain, Query& q, const QString& number, qint64 id)
{
    chain.step(QStringLiteral("A számla nem olvasható."), [&] { lockInvoice(chain, q, number); });
    chain.step(QStringLiteral("A fizetés törlése nem sikerült."), [&] {
        q.setSql({QStringLiteral("UPDATE szlafizetes SET pTorolve = NOW(), pTorolte = SUBSTRING_INDEX(USER(), "
                                 "'@', 1) WHERE pID = :p0 AND pBszam = :p1 AND pTorolve IS NULL")});
        q.setInteger(QStringLiteral("p0"), id);
        q.setText(QStringLiteral("p1"), number);
        q.execute();
    });
    if (q.affectedRows() != 1)
        chain.fail(QStringLiteral("Ezt a fizetést időközben egy másik munkaállomás már törölte."));
    chain.step(QStringLiteral("A számla nyitott egyenlege nem írható."), [&] { refreshOpenBalance(q.connection(), number); });
}

InvoicePayments::InvoicePayments(ScreenContext& context, const QString& invoiceNumber, QObject* parent)
    : QObject(parent), m_context(context), m_number(invoiceNumber)
{
}

Query& InvoicePayments::list() const
{
    return m_context.data.query(role::kPaymentList);
}

QString InvoicePayments::amountText(Money amount) const
{
    return money(amount, m_currency);
}

bool InvoicePayments::open()
{
    bool ok = false;
    runAction(m_context.ui, [&] {
        Query q(m_context.data.connection(), QStringLiteral("payment"));
        q.setSql({QStringLiteral("SELECT fPrn, fPnem, fFizmod FROM szlafej WHERE fBszam = :p0")});
        q.setText(QStringLiteral("p0"), m_number);
        q.open();
        if (q.isEmpty()) {
            m_context.ui.message(QStringLiteral("A(z) %1 számú számla nem található.").arg(m_number));
            return;
        }
        if (q.fieldText(QStringLiteral("fPrn")) != u"I") {
            m_context.ui.message(QStringLiteral("A(z) %1 számú számla még nincs kiállítva (kinyomtatva), ezért fizetés "
                                                "nem rögzíthető rá.")
                                     .arg(m_number));
            return;
        }
        // A correction's difference is part of its original's payable: paid there.
        if (const QString original = correctedInvoice(m_context.data.connection(), m_number); !original.isEmpty()) {
            m_context.ui.message(QStringLiteral("A(z) %1 számú számla a(z) %2 számú számla helyesbítése: fizetését az "
                                                "eredeti (%2 számú) számlán rögzítse, annak fizetendő összege a "
                                                "helyesbítéssel együtt értendő.")
                                     .arg(m_number, original));
            return;
        }
        const QString currency = q.fieldText(QStringLiteral("fPnem")).trimmed();
        m_currency = currency.isEmpty() ? QStringLiteral("Ft") : currency;
        m_method = q.fieldText(QStringLiteral("fFizmod")).trimmed();
        refresh();
        ok = true;
    });
    return ok;
}

void InvoicePayments::refresh()
{
    Query q(m_context.data.connection(), QStringLiteral("payment"));
    q.setSql({QStringLiteral("SELECT eFizetendo, eFizetve, eHatralek FROM %1 WHERE eBszam = :p0").arg(kBalanceView)});
    q.setText(QStringLiteral("p0"), m_number);
    q.open();
    m_payable = q.fieldMoney(QStringLiteral("eFizetendo"));
    m_paid = q.fieldMoney(QStringLiteral("eFizetve"));
    m_balance = q.fieldMoney(QStringLiteral("eHatralek"));
    q.close();

    Query& l = list();
    l.setSql({QStringLiteral("SELECT pID, pDatum, pOsszeg, IF(pTorolve IS NULL, '', 'törölve') AS pAllapot, pMod, "
                             "pMegj, pRogzitette, pRogzitve, pTorolve, pTorolte FROM szlafizetes WHERE pBszam = :p0 "
                             "ORDER BY pDatum, pID")});
    l.setText(QStringLiteral("p0"), m_number);
    l.open();
    l.last();
    emit changed();
}

PaymentEntry InvoicePayments::suggestion(const QDate& today) const
{
    // What is owed, or on an invoice paid beyond it the refund of the excess (negative).
    return {formatDate(today), m_balance.text(), m_method, QString()};
}

bool InvoicePayments::addPayment(const PaymentEntry& entry)
{
    bool stored = false;
    runAction(m_context.ui, [&] {
        // The typed values first: a faulty one is refused before anything is locked.
        const QDate date = parseDate(entry.date);
        const Money amount = typedAmount(entry.amount);
        for (const auto& [text, column, label] : {std::tuple{entry.method, "pMod", "Mód"}, {entry.note, "pMegj", "Megjegyzés"}}) {
            // what is stored: the typographic characters as their latin2 equivalents
            const QString stored = latin2Equivalents(text.trimmed());
            if (const QString problem = encodingProblem(CodePage::Latin2, stored, false); !problem.isEmpty())
                throw ConversionError(QStringLiteral("A(z) \"%1\" mező szövege nem tárolható. %2").arg(QLatin1String(label), problem));
            const int width = textWidth(QStringLiteral("szlafizetes"), QLatin1String(column));
            if (stored.size() > width)
                throw ConversionError(QStringLiteral("A(z) \"%1\" mező legfeljebb %2 karakter lehet.").arg(QLatin1String(label)).arg(width));
        }
        // A payment is booked when it has arrived: a day after today is a typing slip more often
        // than not, so it is asked about.
        if (const QDate today = QDate::currentDate(); date > today
            && !m_context.ui.askYesNo(QStringLiteral("A fizetés dátuma (%1) a mai napnál későbbi (%2 nappal). Biztosan "
                                                     "ezzel a dátummal rögzíti?")
                                          .arg(formatDate(date))
                                          .arg(today.daysTo(date))))
            return;

        Query q(m_context.data.connection(), QStringLiteral("payment"));
        StepChain chain(q);
        const bool done = chain.run([&] {
            chain.begin(QStringLiteral("A fizetés rögzítése nem kezdhető el."));
            bookPayment(chain, q, m_number, m_currency, date, amount, entry.method, entry.note);
            chain.commit(QStringLiteral("A fizetés tárolása nem sikerült."));
        });
        if (!done)
            tell(m_context.ui, chain.failure());
        stored = done;
        refresh();
    });
    return stored;
}

bool InvoicePayments::deletePayment()
{
    bool marked = false;
    runAction(m_context.ui, [&] {
        Query& l = list();
        if (!l.isOpen() || l.currentRow() < 0 || l.currentRow() >= l.rowCount())
            return;
        if (!l.fieldText(QStringLiteral("pTorolve")).isEmpty()) {
            m_context.ui.notice(QStringLiteral("Ez a fizetés már törölve van."));
            return;
        }
        const QString id = l.fieldText(QStringLiteral("pID"));
        const QString shown = QStringLiteral("%1, %2").arg(l.fieldText(QStringLiteral("pDatum")),
                                                           money(l.fieldMoney(QStringLiteral("pOsszeg")), m_currency));
        if (!m_context.ui.askYesNo(QStringLiteral("Törli a kijelölt fizetést (%1)? A törölt fizetés törölt jelöléssel a "
                                                  "listában marad.")
                                       .arg(shown)))
            return;
        Query q(m_context.data.connection(), QStringLiteral("payment"));
        StepChain chain(q);
        const bool done = chain.run([&] {
            chain.begin(QStringLiteral("A fizetés törlése nem kezdhető el."));
            markPaymentDeleted(chain, q, m_number, id.toLongLong());
            chain.commit(QStringLiteral("A fizetés törlése nem sikerült."));
        });
        if (!done)
            tell(m_context.ui, chain.failure());
        marked = done;
        refresh();
    });
    return marked;
}

} // namespace orvena
