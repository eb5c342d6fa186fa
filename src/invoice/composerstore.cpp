// The composition screen's checks before "OK" and its stores: a new invoice with the number it
// takes, or the modified header, each in one transaction; the kinds add their own steps.
#include "composerstore.h"
#include "invoicecomposer.h"

#include "advance.h"
#include "correction.h"
#include "documentwrite.h"
#include "sequences.h"

#include "db/numberinput.h"
#include "db/statement.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"
#include "screens/common/numberfields.h"

namespace orvena {

using statement::p;

namespace composer {

bool numberTaken(Connection& connection, const ComposerTarget& target, const QString& number, bool locking)
{
    Query check(connection, p("invoiceCheck"));
    check.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM %1 WHERE fbszam = :p1").arg(target.header)
                  + (locking ? QStringLiteral(" LOCK IN SHARE MODE") : QString())});
    check.setText(p("p1"), number);
    check.open();
    return check.fieldInt(p("db")) != 0;
}

qint64 lineCount(Connection& connection, const ComposerTarget& target, const QString& number)
{
    Query count(connection, p("lineCount"));
    count.setSql({QStringLiteral("SELECT COUNT(*) AS sdb FROM %1 WHERE sBszam = :p1").arg(target.lines)});
    count.setText(p("p1"), number);
    count.open();
    return count.fieldInt(p("sdb"));
}

billing::DocumentAmounts draftAmounts(Connection& connection, const ComposerTarget& target, const QString& number,
                                      const QString& currency, const Decimal& discount)
{
    Query q(connection, p("invoiceTotals"));
    q.setSql({QStringLiteral("SELECT sID, smenny, sear, sAFA, skAfakod FROM %1 WHERE sBszam= :p1 ORDER BY sID").arg(target.lines)});
    q.setText(p("p1"), number);
    q.open();
    billing::DocumentInput in;
    in.currency = currency;
    in.discount = discount;
    for (int row = 0; row < q.rowCount(); ++row) {
        billing::LineInput line;
        line.lineId = q.integer(row, 0);
        line.quantity = billing::storedNumber(q.text(row, 1));
        line.unitPrice = billing::storedNumber(q.text(row, 2));
        line.vatPercent = billing::storedNumber(q.text(row, 3));
        line.vatCode = q.text(row, 4);
        in.lines.push_back(line);
    }
    return billing::computeAmounts(in);
}

} // namespace composer

bool InvoiceComposer::validate()
{
    return requiredFieldsValid() && numbersValid() && finalDiscountValid() && linesValid() && finalPayableValid()
           && (!m_correction || correctionValid());
}

bool InvoiceComposer::requiredFieldsValid()
{
    struct Check {
        Field field;
        const char16_t* message;
        int focus;
    };
    const Check required[] = {
        {CustomerCode, u"Nincs kiválasztva a vevö!", CustomerButton},
        {PaymentMethod, u"Nincs megadva a fizetési mód!", PaymentMethod},
        {PerformanceDate, u"Nincs megadva a teljesités dátuma!", PerformanceDate},
        {IssueDate, u"Nincs megadva a számla kelte!", IssueDate},
        {DueDate, u"Nincs megadva a fizetési határidő!", DueDate},
        {Currency, u"Nincs megadva a pénznem!", Currency},
        {ExchangeRate, u"Nincs megadva az árfolyam!", ExchangeRate},
        {Discount, u"Nincs megadva engedmény!", Discount},
    };
    for (const Check& c : required) {
        if (isBlank(m_fields[c.field])) {
            m_context.ui.message(QString::fromUtf16(c.message));
            focus(c.focus);
            return false;
        }
    }
    // Without a label set the invoice cannot be printed (its layout and amount style come from it).
    if (isBlank(m_fields[LanguageCode])) {
        m_context.ui.message(QStringLiteral("Nincs kiválasztva a számla nyelve (szótára)! Válasszon a „Nyelv” gombbal."));
        focus(LanguageButton);
        return false;
    }
    for (Field date : {PerformanceDate, IssueDate, DueDate}) {
        if (!isValidDate(m_fields[date])) {
            m_context.ui.message(QStringLiteral("Hibás dátum!"));
            focus(date);
            return false;
        }
    }
    return true;
}

// The finished numbers convert and fit their columns before anything is written.
bool InvoiceComposer::numbersValid()
{
    const struct {
        Field field;
        const char* column;
        const char16_t* label;
    } numbers[] = {{ExchangeRate, "fArfoly", u"Árfolyam"}, {Discount, "fKerek", u"Kedvezmény%"}};
    for (const auto& n : numbers) {
        QString text = m_fields[n.field];
        QString problem = readNumberField(text, NumberKind::Measure, QString::fromUtf16(n.label));
        if (problem.isEmpty()) {
            set(n.field, text);
            problem = numberProblem(QStringLiteral("szlafej"), QString::fromLatin1(n.column), m_fields[n.field],
                                    QString::fromUtf16(n.label));
        }
        if (!problem.isEmpty()) {
            m_context.ui.message(problem);
            focus(n.field);
            return false;
        }
    }
    return true;
}

bool InvoiceComposer::linesValid()
{
    if (composer::lineCount(m_context.data.connection(), m_target, m_fields[Number]) != 0)
        return true;
    m_context.ui.message(isProforma() ? QStringLiteral("Nincs díjbekérőnek tételsora!")
                                      : QStringLiteral("Nincs számlának tételsora!"));
    focus(NewLineButton);
    return false;
}

void InvoiceComposer::prepareHeader(Query& q, bool isNew)
{
    // Dates go out in one form whichever way they were typed.
    const auto date = [this](Field f) { return formatDate(parseDate(m_fields[f])); };
    DocumentHeader header = commonHeaderFields<InvoiceComposer>(m_fields);
    header.id = m_fields[HeaderId];
    header.fulfilmentDate = date(PerformanceDate);
    header.issueDate = date(IssueDate);
    header.dueDate = date(DueDate);
    header.dictionaryCode = m_fields[LanguageCode];
    prepareHeaderWrite(q, m_target.document, header, isNew);
}

// A new invoice and the number it takes are one transaction: the sequence row is locked first,
// so a second program instance waits; a number that already has a header is refused; any
// failure rolls everything back and leaves the screen as typed.
bool InvoiceComposer::storeNew()
{
    const QString outerMessage = QStringLiteral("Hiba az append vagy edit közben a számlafejbenben!");
    const QString sequenceMessage = QStringLiteral("Hiba: Új UPDATE Sorszam -ba ");
    const QString number = m_fields[Number];
    bool refused = false;
    Query q(m_context.data.connection(), QStringLiteral("invoiceHeader"));
    StepChain chain(q);
    const bool stored = chain.run([&] {
        chain.begin(outerMessage);
        QString lastIssued;
        chain.step(sequenceMessage,
                   [&] { lastIssued = lockSequence(m_context.data.connection(), m_target.sequence); });
        chain.step(QStringLiteral("Hiba: Újban, INSERT-append a Számlafejben "), [&] {
            if (composer::numberTaken(m_context.data.connection(), m_target, number, true))
                chain.fail(QStringLiteral("A(z) %1 számú %2 már létezik, ezzel a sorszámmal nem tárolható!")
                               .arg(number, m_target.noun));
        });
        checkDocument(chain, m_context.data, guard(), refused);
        chain.step(QStringLiteral("Hiba: Újban, INSERT-append a Számlafejben "), [&] {
            prepareHeader(q, true);
            q.execute();
        });
        addKindSteps(chain);
        if (m_correction)
            m_correction->addSteps(chain, q, number, refused);
        chain.step(sequenceMessage, [&] {
            // The sequence never moves backwards: a number below the last one issued is already
            // covered by it.
            bool numeric = false;
            const qint64 saved = number.toLongLong(&numeric);
            if (!numeric || saved >= lastIssued.trimmed().toLongLong())
                storeDocumentNumber(m_context.data.connection(), m_target.sequence, number);
        });
        chain.commit(outerMessage);
    });
    return storeEnded(stored, chain, refused);
}

bool InvoiceComposer::storeModified()
{
    Query q(m_context.data.connection(), QStringLiteral("invoiceHeader"));
    StepChain chain(q);
    bool refused = false;
    const bool stored = chain.run([&] {
        chain.begin(QStringLiteral("Hiba az append vagy edit közben a számlafejbenben!"));
        // An invoice issued meanwhile keeps its printed flag and content.
        checkDocument(chain, m_context.data, guard(), refused);
        chain.step(QStringLiteral("Hiba: Újban, REPLACE-edit a Számlafejben "), [&] {
            prepareHeader(q, false);
            q.execute();
        });
        addKindSteps(chain);
        chain.commit(QStringLiteral("Hiba: Újban, REPLACE-edit a Számlafejben "));
    });
    return storeEnded(stored, chain, refused);
}

// After a store's chain: a refusal because the document is no longer this screen's ends the
// screen; another failure is told (rolled back before the message waits for the operator).
bool InvoiceComposer::storeEnded(bool stored, const StepChain& chain, bool refused)
{
    if (!stored) {
        if (refused)
            end(chain.failure().message);
        else
            tell(m_context.ui, chain.failure());
        return false;
    }
    currentNumber() = m_fields[Number];
    return true;
}

void InvoiceComposer::rereadRegister()
{
    Query& list = m_context.data.query(m_target.registerRole);
    list.setSql({m_target.registerSql});
    list.open();
    list.locate(p("fBszam"), currentNumber());
}

} // namespace orvena
