#include "correction.h"

#include "db/conversions.h"
#include "db/datamodule.h"
#include "billing/invoicelinks.h"
#include "billing/openbalance.h"
#include "db/money.h"
#include "db/statement.h"
#include "db/stepchain.h"
#include "nav/advancedata.h"
#include "screens/common/dispatcher.h"

#include <QDate>

namespace orvena {

namespace {

using statement::p;
using statement::run;

// Every line column but identity, invoice number, quantity and the stored amounts (a difference
// line's amounts are computed from its quantity and price, as every line's are).
const QStringList kDataColumns{p("scKod"), p("scSzam"), p("sMegn"),   p("sVtsz"), p("sMe"),
                               p("sEar"),  p("sPnem"),  p("skAfakod"), p("sAfanev"), p("sAfa"),
                               p("sGolaj"), p("saFelhaszn"), p("sMemo")};
// Those compared as numbers (a line screen may store 0 where the original held nothing).
const QStringList kNumberColumns{p("sEar"), p("sAfa"), p("sGolaj")};

QString columnList()
{
    return kDataColumns.join(QStringLiteral(", "));
}

// A new line of invoice `number`: the data of the stored line `source` with `quantity`.
void copyLine(Query& q, const QString& number, qint64 source, const Decimal& quantity)
{
    q.setSql({QStringLiteral("INSERT INTO szlasor (sBszam, %1, sMenny) SELECT :p0, %1, :p1 FROM szlasor WHERE sID = :p2")
                  .arg(columnList())});
    q.setText(p("p0"), number);
    q.setFloat(p("p1"), quantity.literal());
    q.setInteger(p("p2"), source);
    q.execute();
}

// The number columns hold their exact value's one form (no trailing zeros, NULL as 0), so equal
// numbers have equal texts.
bool sameData(const QStringList& a, const QStringList& b)
{
    for (int i = 0; i < kDataColumns.size(); ++i)
        if (a.value(i).trimmed() != b.value(i).trimmed())
            return false;
    return true;
}

} // namespace

QString correctionRefusal(Connection& connection, const QString& number, bool locking)
{
    Query q(connection, p("correctionCheck"));
    q.setSql({QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = :p0")});
    q.setText(p("p0"), number);
    q.open();
    if (q.isEmpty())
        return QStringLiteral("A(z) %1 számú számla nem található, nem helyesbíthető.").arg(number);
    if (q.fieldText(p("fPrn")) != QLatin1String("I"))
        return QStringLiteral("A(z) %1 számú számla még nincs kiállítva (nyomtatva), ezért nem helyesbítő számlával, "
                              "hanem a „Módosít” gombbal javítható.")
            .arg(number);
    // An advance a standing final invoice deducts keeps its value: the final invoice is reversed
    // first (as its storno requires).
    const QString deductedBy = nav::standingDeduction(connection, number, locking);
    if (!deductedBy.isEmpty())
        return QStringLiteral("A(z) %1 számú előlegszámlát a(z) %2 számú végszámla levonta, ezért nem helyesbíthető. "
                              "Előbb a végszámlát stornózza.")
            .arg(number, deductedBy);
    q.setSql({QStringLiteral("SELECT hBszam, hMuvelet, hEredeti FROM szlahivatkozas WHERE hBszam = :p0 OR (hEredeti = :p0 "
                             "AND hMuvelet = :p1) ORDER BY hBszam")
              + (locking ? QStringLiteral(" LOCK IN SHARE MODE") : QString())});
    q.setText(p("p0"), number);
    q.setText(p("p1"), kStornoLink);
    q.open();
    for (int row = 0; row < q.rowCount(); ++row) {
        q.setCurrentRow(row);
        const QString kind = q.fieldText(p("hMuvelet")).trimmed();
        const QString other = q.fieldText(p("hBszam")) == number ? q.fieldText(p("hEredeti")) : q.fieldText(p("hBszam"));
        if (q.fieldText(p("hBszam")) != number)
            return QStringLiteral("A(z) %1 számú számlát a(z) %2 számú storno számla érvénytelenítette, ezért nem "
                                  "helyesbíthető.")
                .arg(number, other);
        if (kind == kStornoLink)
            return QStringLiteral("A(z) %1 számú számla storno számla (a(z) %2 számú számlát érvényteleníti), ezért nem "
                                  "helyesbíthető.")
                .arg(number, other);
        if (kind == kModifyLink)
            return QStringLiteral("A(z) %1 számú számla maga is helyesbítő számla (a(z) %2 számú számlát helyesbíti). "
                                  "Újabb helyesbítéshez a(z) %2 számú eredeti számlát jelölje meg: a helyesbítés annak "
                                  "eddig helyesbített tételeiből indul.")
                .arg(number, other);
    }
    return {};
}

QString correctedInvoice(Connection& connection, const QString& number)
{
    Query q(connection, p("correctedInvoice"));
    q.setSql({QStringLiteral("SELECT hEredeti FROM szlahivatkozas WHERE hBszam = :p0 AND hMuvelet = :p1")});
    q.setText(p("p0"), number);
    q.setText(p("p1"), kModifyLink);
    q.open();
    return q.isEmpty() ? QString() : q.text(0, 0);
}

QString linkedOriginal(Connection& connection, const QString& number)
{
    Query q(connection, p("linkedOriginal"));
    q.setSql({QStringLiteral("SELECT hEredeti FROM szlahivatkozas WHERE hBszam = :p0 ORDER BY hEredeti LIMIT 1")});
    q.setText(p("p0"), number);
    q.open();
    return q.isEmpty() ? QString() : q.text(0, 0).trimmed();
}

QString correctionHeading(Connection& connection, const QString& number)
{
    Query q(connection, p("correctionHeading"));
    q.setSql({QStringLiteral("SELECT h.hEredeti, o.fRkelt FROM szlahivatkozas h LEFT JOIN szlafej o ON o.fBszam = "
                             "h.hEredeti WHERE h.hBszam = :p0 AND h.hMuvelet = :p1")});
    q.setText(p("p0"), number);
    q.setText(p("p1"), kModifyLink);
    q.open();
    if (q.isEmpty())
        return {};
    return QStringLiteral("Helyesbítő számla – a helyesbített számla: K%1, kelte: %2")
        .arg(q.text(0, 0), q.text(0, 1));
}

InvoiceCorrection::InvoiceCorrection(DataModule& data, const QString& original) : m_data(data), m_original(original) {}

// The lines of an opened query of the shape: an identity, the data columns, the quantity.
std::vector<InvoiceCorrection::Line> InvoiceCorrection::readLines(const Query& q)
{
    std::vector<Line> lines;
    for (int row = 0; row < q.rowCount(); ++row) {
        Line l;
        l.source = q.integer(row, 0);
        for (int c = 0; c < kDataColumns.size(); ++c)
            l.data << (kNumberColumns.contains(kDataColumns[c]) ? q.decimal(row, c + 1).literal() : q.text(row, c + 1));
        l.quantity = q.decimal(row, int(kDataColumns.size()) + 1);
        lines.push_back(l);
    }
    return lines;
}

std::vector<InvoiceCorrection::Line> InvoiceCorrection::currentLines(Query& q, bool locking)
{
    // Equal lines of the original and its corrections merge into one with their quantities summed
    // (a quantity difference adds to its line, a negated line cancels its original).
    q.setSql({QStringLiteral("SELECT MIN(sID) AS elso, %1, SUM(sMenny) AS menny FROM szlasor WHERE sBszam = :p0 OR "
                             "sBszam IN (SELECT hBszam FROM szlahivatkozas WHERE hEredeti = :p0 AND hMuvelet = :p1) "
                             "GROUP BY %1 HAVING SUM(sMenny) <> 0 ORDER BY elso%2")
                  .arg(columnList(), locking ? QStringLiteral(" LOCK IN SHARE MODE") : QString())});
    q.setText(p("p0"), m_original);
    q.setText(p("p1"), kModifyLink);
    q.open();
    return readLines(q);
}

std::vector<InvoiceCorrection::Line> InvoiceCorrection::editedLines(Query& q, const QString& number)
{
    q.setSql({QStringLiteral("SELECT sID, %1, sMenny FROM szlasor WHERE sBszam = :p0 ORDER BY sID").arg(columnList())});
    q.setText(p("p0"), number);
    q.open();
    return readLines(q);
}

QString InvoiceCorrection::prefill(const QString& number)
{
    const QString failed = QStringLiteral("Hiba: a helyesbítendő számla tételeinek átvételekor ");
    Query q(m_data.connection(), p("correctionPrefill"));
    StepChain chain(q);
    const bool done = chain.run([&] {
        chain.begin(failed);
        chain.step(failed, [&] {
            m_current = currentLines(q);
            // Lines an abandoned invoice left under the number (it has no header) give way.
            run(q, QStringLiteral("DELETE FROM szlasor WHERE sBszam = :p0 AND NOT EXISTS (SELECT 1 FROM szlafej WHERE "
                                  "fBszam = :p0)"),
                {{"p0", number}});
            for (const Line& l : m_current)
                copyLine(q, number, l.source, l.quantity);
            m_copies.clear();
            for (const Line& l : editedLines(q, number))
                m_copies.push_back(l.source);
            if (m_copies.size() != m_current.size())
                chain.fail(QStringLiteral("A(z) %1 számú számlához már tartoznak tételek, a helyesbítés nem kezdhető "
                                          "el ezzel a sorszámmal.")
                               .arg(number));
        });
        chain.commit(failed);
    });
    return done ? QString() : chain.failure().message;
}

QString InvoiceCorrection::headerProblem(const QString& customer, const QString& currency, const QString& rate,
                                         const QString& discount)
{
    Query q(m_data.connection(), p("correctionHeader"));
    q.setSql({QStringLiteral("SELECT fvKod, fPnem, fArfoly, fKerek FROM szlafej WHERE fBszam = :p0")});
    q.setText(p("p0"), m_original);
    q.open();
    if (q.isEmpty())
        return {};
    // The chain is one customer's: a correction changes amounts, the customer's data on it
    // ("Számlán" block) may be mended.
    if (q.fieldText(p("fvKod")).trimmed() != customer.trimmed())
        return QStringLiteral("A helyesbítő számla vevője az eredeti számláé kell legyen (kód: %1). Más vevőnek új "
                              "számlát állítson ki.")
            .arg(q.fieldText(p("fvKod")).trimmed());
    const auto number = [](const QString& t) { return Decimal::parse(t.trimmed().isEmpty() ? p("0") : t); };
    const bool same = q.fieldText(p("fPnem")).trimmed().compare(currency.trimmed(), Qt::CaseInsensitive) == 0
                      && q.fieldDecimal(p("fArfoly")) == number(rate) && q.fieldDecimal(p("fKerek")) == number(discount);
    if (same)
        return {};
    return QStringLiteral("A helyesbítő számla pénzneme, árfolyama és kedvezménye az eredeti számláé kell legyen "
                          "(%1, árfolyam %2, kedvezmény %3 %): a különbözetek azokkal számolódnak. Az árak változását a "
                          "tételeken adja meg.")
        .arg(q.fieldText(p("fPnem")).trimmed(), q.fieldText(p("fArfoly")), q.fieldText(p("fKerek")));
}

void InvoiceCorrection::addSteps(StepChain& chain, Query& q, const QString& number, bool& ended)
{
    const QString failed = QStringLiteral("Hiba: a helyesbítő számla különbözeteinek tárolásakor ");
    chain.step(failed, [&] {
        // The original as stored now, locked until the end: another workstation may have reversed
        // or corrected it since the screen opened.
        q.setSql({QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = :p0 FOR UPDATE")});
        q.setText(p("p0"), m_original);
        q.open();
        const QString refusal = correctionRefusal(m_data.connection(), m_original, true);
        if (!refusal.isEmpty()) {
            ended = true;
            chain.fail(refusal, StepFailure::Show::Notice);
        }
        // a locking read: it sees a correction another workstation committed after this
        // transaction's first read
        const std::vector<Line> now = currentLines(q, true);
        bool unchanged = now.size() == m_current.size();
        for (size_t i = 0; unchanged && i < now.size(); ++i)
            unchanged = now[i].quantity == m_current[i].quantity && sameData(now[i].data, m_current[i].data);
        if (!unchanged) {
            ended = true;
            chain.fail(QStringLiteral("A(z) %1 számú számlát időközben egy másik helyesbítő számla módosította. A "
                                      "helyesbítést kezdje újra a számla mostani tételeivel.")
                           .arg(m_original),
                       StepFailure::Show::Notice);
        }

        // The differences: (line holding the data, quantity).
        const std::vector<Line> edited = editedLines(q, number);
        std::vector<std::pair<qint64, Decimal>> differences;
        std::vector<bool> matched(edited.size(), false);
        for (size_t i = 0; i < m_current.size(); ++i) {
            const Line& before = m_current[i];
            size_t found = edited.size();
            for (size_t e = 0; e < edited.size(); ++e)
                if (i < m_copies.size() && edited[e].source == m_copies[i])
                    found = e;
            if (found == edited.size()) { // deleted
                differences.emplace_back(before.source, Decimal() - before.quantity);
                continue;
            }
            matched[found] = true;
            const Line& after = edited[found];
            if (sameData(before.data, after.data)) {
                if (after.quantity != before.quantity)
                    differences.emplace_back(before.source, after.quantity - before.quantity);
                continue;
            }
            differences.emplace_back(before.source, Decimal() - before.quantity);
            if (!after.quantity.isZero())
                differences.emplace_back(after.source, after.quantity);
        }
        for (size_t e = 0; e < edited.size(); ++e)
            if (!matched[e] && !edited[e].quantity.isZero())
                differences.emplace_back(edited[e].source, edited[e].quantity);
        if (differences.empty())
            chain.fail(QStringLiteral("A helyesbítés nem tartalmaz eltérést a(z) %1 számú számla tételeitől. Módosítsa "
                                      "a tételek mennyiségét vagy árát, töröljön vagy vegyen fel tételt.")
                           .arg(m_original),
                       StepFailure::Show::Notice);

        // The difference lines come after the edited ones, which then give way.
        qint64 lastEdited = 0;
        for (const Line& l : edited)
            lastEdited = std::max(lastEdited, l.source);
        for (const auto& [source, quantity] : differences)
            copyLine(q, number, source, quantity);
        q.setSql({QStringLiteral("DELETE FROM szlasor WHERE sBszam = :p0 AND sID <= :p1")});
        q.setText(p("p0"), number);
        q.setInteger(p("p1"), lastEdited);
        q.execute();
        // What makes the new invoice a correction of the original: recorded here, never read
        // back from the remark.
        run(q, QStringLiteral("DELETE FROM szlahivatkozas WHERE hBszam = :p0"), {{"p0", number}});
        run(q, QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES (:p0, :p1, :p2)"),
            {{"p0", number}, {"p1", kModifyLink}, {"p2", m_original}});
        refreshOpenBalance(m_data.connection(), number);
    });
}

void InvoiceCorrection::discard(const QString& number)
{
    Query q(m_data.connection(), p("correctionDiscard"));
    run(q, QStringLiteral("DELETE FROM szlasor WHERE sBszam = :p0 AND NOT EXISTS (SELECT 1 FROM szlafej WHERE fBszam = :p0)"),
        {{"p0", number}});
}

} // namespace orvena
