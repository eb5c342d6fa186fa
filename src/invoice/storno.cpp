#include "storno.h"

#include "advance.h"
#include "composerstore.h"
#include "invoicetexts.h"
#include "sequences.h"
#include "worktables.h"

#include "billing/invoicelinks.h"
#include "billing/openbalance.h"
#include "db/datamodule.h"
#include "db/statement.h"

namespace orvena {

using namespace invoice;
using statement::p;
using statement::run;

namespace {

const QString kNotPrinted = QStringLiteral("A Szla nem volt nyomtatva. Nem stornózható !");

} // namespace

StornoBuilder::StornoBuilder(DataModule& data, const QString& reversed)
    : m_data(data), m_reversed(reversed), m_head(data.connection(), p("workHeader")),
      m_lines(data.connection(), p("workLines")), m_scratch(data.connection(), p("storno")), m_chain(m_head)
{
}

// The whole chain, from clearing stray lines under the new number to storing the sequence, runs
// in one transaction: a failing step rolls everything back, so the reversed invoice, the sequence
// and the work tables end as they were.
bool StornoBuilder::build()
{
    return m_chain.run([&] {
        m_chain.begin(QStringLiteral("Hiba a szlafej-böl insert munkafej -be!"));
        // A sequence that holds no number stops here with the conversion's own wording.
        m_number = numberAfter(lockSequence(m_scratch, kInvoiceSequence));
        checkReversedIssued();
        checkNoCorrection();
        checkCorrectionsIssued();
        checkNotReversed();
        checkNumberFree();
        copyIntoWorkTables();
        addCorrectionLines();
        m_chain.step(QStringLiteral("Hiba: Új UPDATE Sorszam -ba "),
                     [&] { storeDocumentNumber(m_scratch, kInvoiceSequence, m_number); });
        negateQuantities();
        markRemark();
        storeFromWorkTables();
        link();
        m_chain.commit(QStringLiteral("Hiba a munkasor-ból insert szlasor -ba!"));
    });
}

// The reversed invoice as stored now, locked until the end: it may have been changed or removed
// since the register read it.
void StornoBuilder::checkReversedIssued()
{
    m_scratch.setSql({QStringLiteral("SELECT fPrn FROM SzlaFej WHERE fbszam = :p1 FOR UPDATE")});
    m_scratch.setText(p("p1"), m_reversed);
    m_scratch.open();
    if (m_scratch.isEmpty())
        m_chain.fail(QStringLiteral("A(z) %1 számú számla nem található, nem stornózható!").arg(m_reversed));
    if (m_scratch.fieldText(p("fPrn")) != QLatin1String("I"))
        m_chain.fail(kNotPrinted, StepFailure::Show::Notice);
}

// A correction is reversed with its original, never alone: the authority counts a storno that
// leaves the chain of the original and its corrections above nought.
void StornoBuilder::checkNoCorrection()
{
    m_scratch.setSql({QStringLiteral("SELECT hEredeti FROM szlahivatkozas WHERE hBszam = :p1 AND hMuvelet = :p2")});
    m_scratch.setText(p("p1"), m_reversed);
    m_scratch.setText(p("p2"), kModifyLink);
    m_scratch.open();
    if (!m_scratch.isEmpty())
        m_chain.fail(QStringLiteral("A(z) %1 számú számla helyesbítő számla (a(z) %2 számú számlát helyesbíti), "
                                    "önmagában nem stornózható. Stornózza a(z) %2 számú eredeti számlát: annak "
                                    "stornója a helyesbítéseivel együtt érvényteleníti.")
                         .arg(m_reversed, m_scratch.fieldText(p("hEredeti"))),
                     StepFailure::Show::Notice);
}

// Its corrections are reversed with it: they must be issued (an unissued one could still change).
void StornoBuilder::checkCorrectionsIssued()
{
    m_scratch.setSql({QStringLiteral("SELECT h.hBszam FROM szlahivatkozas h JOIN szlafej c ON c.fBszam = h.hBszam "
                                     "WHERE h.hEredeti = :p1 AND h.hMuvelet = :p2 AND c.fPrn <> 'I' ORDER BY "
                                     "h.hBszam LOCK IN SHARE MODE")});
    m_scratch.setText(p("p1"), m_reversed);
    m_scratch.setText(p("p2"), kModifyLink);
    m_scratch.open();
    if (!m_scratch.isEmpty())
        m_chain.fail(QStringLiteral("A(z) %1 számú számlának kiállítatlan helyesbítő számlája van (%2). Előbb "
                                    "nyomtassa ki azt, majd stornózza az eredeti számlát.")
                         .arg(m_reversed, m_scratch.fieldText(p("hBszam"))),
                     StepFailure::Show::Notice);
}

// One storno per invoice, and none of a storno: the authority knows no reversal of a reversal,
// and a second one would reverse the invoice twice. Read with a lock, so a storno another
// workstation has just committed is seen.
void StornoBuilder::checkNotReversed()
{
    Query& links = m_scratch;
    links.setSql({QStringLiteral("SELECT hBszam, hEredeti FROM szlahivatkozas WHERE hMuvelet = :p2 AND "
                                 "(hBszam = :p1 OR hEredeti = :p1) ORDER BY hBszam LOCK IN SHARE MODE")});
    links.setText(p("p1"), m_reversed);
    links.setText(p("p2"), kStornoLink);
    links.open();
    for (int row = 0; row < links.rowCount(); ++row) {
        links.setCurrentRow(row);
        if (links.fieldText(p("hBszam")) == m_reversed)
            m_chain.fail(QStringLiteral("A(z) %1 számú számla maga is storno számla (a(z) %2 számú számlát "
                                        "érvényteleníti), ezért nem stornózható.")
                             .arg(m_reversed, links.fieldText(p("hEredeti"))),
                         StepFailure::Show::Notice);
    }
    if (links.rowCount() > 0) {
        links.setCurrentRow(0);
        m_chain.fail(QStringLiteral("A(z) %1 számú számlát már stornózta a(z) %2 számú számla. Egy számla csak "
                                    "egyszer stornózható.")
                         .arg(m_reversed, links.fieldText(p("hBszam"))),
                     StepFailure::Show::Notice);
    }
}

// A number that already has a header belongs to a stored invoice: its lines must not be touched
// and no second header may be made.
void StornoBuilder::checkNumberFree()
{
    if (composer::numberTaken(m_data.connection(), ComposerTarget::invoice(), m_number, true))
        m_chain.fail(QStringLiteral("A(z) %1 számú számla már létezik, ezzel a sorszámmal nem tárolható!").arg(m_number));
}

void StornoBuilder::copyIntoWorkTables()
{
    m_chain.step(QStringLiteral("Hiba: Szlasor DELETE törlése mert nem volt fejrésze "), [&] {
        run(m_scratch, QStringLiteral("DELETE FROM Szlasor WHERE sBszam = :p1"), {{"p1", m_number}});
    });
    worktables::fill(m_chain, m_head, m_lines, worktables::Document::Invoice, m_reversed, m_number);
}

// The corrections' lines follow the original's, so the storno brings the chain to nought.
void StornoBuilder::addCorrectionLines()
{
    m_chain.step(QStringLiteral("Hiba: a helyesbítések tételeinek átvétele a munkasor -ba "), [&] {
        QStringList to, from;
        for (const QString& column : worktables::lineColumns().mid(1)) {
            to << QStringLiteral("s") + column;
            from << (column == u"Bszam" ? QStringLiteral(":p3") : QStringLiteral("s") + column);
        }
        m_lines.setSql({QStringLiteral("INSERT INTO munkasor ( %1 )").arg(to.join(QStringLiteral(", "))),
                        QStringLiteral("SELECT %1 FROM szlasor WHERE sBszam IN (SELECT hBszam FROM szlahivatkozas "
                                       "WHERE hEredeti = :p1 AND hMuvelet = :p2) ORDER BY sBszam, sID")
                            .arg(from.join(QStringLiteral(", ")))});
        m_lines.setText(p("p1"), m_reversed);
        m_lines.setText(p("p2"), kModifyLink);
        m_lines.setText(p("p3"), m_number);
        m_lines.execute();
    });
}

void StornoBuilder::negateQuantities()
{
    m_chain.step(QStringLiteral("Hiba: A munkasor UPDATE (-1) * sMenny "), [&] {
        m_lines.setSql({QStringLiteral("SELECT * FROM munkasor")});
        m_lines.open();
        for (int row = 0; row < m_lines.rowCount(); ++row) {
            m_lines.setCurrentRow(row);
            // negated by the server: every decimal of the quantity kept
            run(m_scratch, QStringLiteral("UPDATE munkasor SET sMenny = -sMenny WHERE sID = :p0"),
                {{"p0", m_lines.fieldText(p("sID"))}});
        }
        m_lines.close();
    });
}

void StornoBuilder::markRemark()
{
    m_chain.step(QStringLiteral("Hiba: A munkafej UPDATE fMegj = storno "), [&] {
        // A reversing invoice carries its own issue date: today's (fulfilment and due dates stay).
        run(m_scratch, QStringLiteral("UPDATE munkafej SET fMegj = :p1, fRkelt = CURDATE()"),
            {{"p1", stornoRemark(m_reversed)}});
    });
}

void StornoBuilder::storeFromWorkTables()
{
    worktables::storeHeader(m_chain, m_head, worktables::stornoStore());
    worktables::storeLines(m_chain, m_lines, worktables::stornoStore());
    advance::carryOverToStorno(m_chain, m_data.connection(), m_reversed, m_number);
}

// What makes the new invoice a storno of the reversed one: recorded here, never read back from
// the remark, which the operator may change.
void StornoBuilder::link()
{
    m_chain.step(QStringLiteral("Hiba: a storno hivatkozás tárolása (szlahivatkozas) "), [&] {
        run(m_scratch, QStringLiteral("DELETE FROM szlahivatkozas WHERE hBszam = :p1"), {{"p1", m_number}});
        run(m_scratch, QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES (:p1, :p2, :p3)"),
            {{"p1", m_number}, {"p2", kStornoLink}, {"p3", m_reversed}});
        refreshOpenBalance(m_data.connection(), m_number); // the reversed chain's open balances
    });
}

} // namespace orvena
