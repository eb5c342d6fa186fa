#include "advance.h"

#include "documentwrite.h"

#include "db/conversions.h"
#include "db/statement.h"
#include "db/query.h"
#include "billing/amounts.h"
#include "billing/currency.h"
#include "nav/invoicedata.h"
#include "db/queryroles.h"
#include "screens/common/chainfailure.h"

#include <map>

namespace orvena::advance {

namespace {

using statement::p;

// One VAT code of the advance invoice with its net.
struct AdvancePart {
    QString vatCode, vatName, vatPercent;
    Money net;
};

} // namespace

void storeKind(StepChain& chain, Connection& connection, const QString& number, InvoiceKind kind)
{
    chain.step(QStringLiteral("Hiba: a számla jellegének tárolása (szlajelleg) "), [&] {
        Query q(connection, p("invoiceKindStore"));
        q.setSql({QStringLiteral("DELETE FROM szlajelleg WHERE jBszam = :p1")});
        q.setText(p("p1"), number);
        q.execute();
        if (kind == InvoiceKind::Plain)
            return;
        q.setSql({QStringLiteral("INSERT INTO szlajelleg (jBszam, jJelleg) VALUES (:p1, :p2)")});
        q.setText(p("p1"), number);
        q.setText(p("p2"), nav::kindCode(kind));
        q.execute();
    });
}

void carryOverToStorno(StepChain& chain, Connection& connection, const QString& reversed, const QString& storno)
{
    chain.step(QStringLiteral("Hiba: az előleg adatainak átvétele a storno számlára "), [&] {
        Query q(connection, p("advanceStorno"));
        // An advance a standing final invoice deducts stays: the final invoice is reversed first.
        const QString deductedBy = nav::standingDeduction(connection, reversed);
        if (!deductedBy.isEmpty())
            chain.fail(QStringLiteral("A(z) %1 számú előlegszámlát a(z) %2 számú végszámla levonta, ezért nem "
                                      "stornózható. Előbb a végszámlát stornózza.")
                           .arg(reversed, deductedBy),
                       StepFailure::Show::Notice);
        q.setSql({QStringLiteral("DELETE FROM szlajelleg WHERE jBszam = :p2")});
        q.setText(p("p2"), storno);
        q.execute();
        q.setSql({QStringLiteral("INSERT INTO szlajelleg (jBszam, jJelleg) SELECT :p2, jJelleg FROM szlajelleg "
                                 "WHERE jBszam = :p1")});
        q.setText(p("p1"), reversed);
        q.setText(p("p2"), storno);
        q.execute();
        // The storno's lines are the reversed invoice's, copied in line order: the n-th line of
        // one is the n-th of the other.
        q.setSql({QStringLiteral("INSERT INTO szlaeloleg (lvBszam, lvSor, lvEloleg, lvFizdat, lvArfoly)"),
                  QStringLiteral(" SELECT :p2, s.sID, lvEloleg, lvFizdat, lvArfoly FROM szlaeloleg"),
                  QStringLiteral(" JOIN (SELECT sID, ROW_NUMBER() OVER (ORDER BY sID) AS n FROM szlasor WHERE sBszam = :p1) o"),
                  QStringLiteral("   ON o.sID = lvSor"),
                  QStringLiteral(" JOIN (SELECT sID, ROW_NUMBER() OVER (ORDER BY sID) AS n FROM szlasor WHERE sBszam = :p2) s"),
                  QStringLiteral("   ON s.n = o.n"),
                  QStringLiteral(" WHERE lvBszam = :p1")});
        q.setText(p("p1"), reversed);
        q.setText(p("p2"), storno);
        q.execute();
    });
}

void deleteDeduction(StepChain& chain, Connection& connection, const QString& number, qint64 lineId)
{
    chain.step(QStringLiteral("Hiba: az előleg-levonás törlése (szlaeloleg) "), [&] {
        Query q(connection, p("deductionDelete"));
        q.setSql({QStringLiteral("DELETE FROM szlaeloleg WHERE lvBszam = :p1 AND lvSor = :p2")});
        q.setText(p("p1"), number);
        q.setInteger(p("p2"), lineId);
        q.execute();
    });
}

void checkDeductions(StepChain& chain, Connection& connection, const QString& number, const QString& customerCode,
                     const QString& currency)
{
    chain.step(QStringLiteral("Hiba: az előleg-levonások ellenőrzésekor "), [&, number, customerCode, currency] {
        for (const auto& [line, d] : nav::readDeductions(connection, number)) {
            const QString problem = nav::deductionProblem(connection, d.advance, number, customerCode,
                                                          nav::currencyCode(currency), false, true);
            if (!problem.isEmpty())
                chain.fail(problem + QStringLiteral(" Törölje az előleg-levonás sorát."));
        }
    });
}

QString discardDraft(Connection& connection, const QString& number)
{
    Query q(connection, p("draftDiscard"));
    StepChain chain(q);
    const QString failed = QStringLiteral("Hiba: az el nem tárolt számla tételeinek törlésekor ");
    const bool done = chain.run([&] {
        chain.begin(failed);
        chain.step(failed, [&] {
            const QString draft = QStringLiteral(" WHERE %1 = :p1 AND NOT EXISTS (SELECT 1 FROM szlafej WHERE fBszam = :p1)");
            q.setSql({QStringLiteral("DELETE FROM szlaeloleg") + draft.arg(QStringLiteral("lvBszam"))});
            q.setText(p("p1"), number);
            q.execute();
            q.setSql({QStringLiteral("DELETE FROM szlasor") + draft.arg(QStringLiteral("sBszam"))});
            q.setText(p("p1"), number);
            q.execute();
        });
        chain.commit(failed);
    });
    return done ? QString() : chain.failure().message;
}

bool hasDeductions(Connection& connection, const QString& number)
{
    return !nav::readDeductions(connection, number).empty();
}

Money payable(Connection& connection, const QString& number)
{
    // as the print states it: the header's discount applied, rounded as its label set rounds
    const billing::DocumentAmounts stored = billing::readInvoiceAmounts(connection, number);
    if (!stored.lines.empty())
        return stored.payable;
    // A new invoice's header is written only when it is stored, after this check: its lines alone
    // then (a final invoice takes no discount).
    Query q(connection, p("finalPayable"));
    q.setSql({QStringLiteral("SELECT sID, sMenny, sEar, sAfa, skAfakod FROM szlasor WHERE sBszam = :p1 ORDER BY sID")});
    q.setText(p("p1"), number);
    q.open();
    billing::DocumentInput input;
    for (int row = 0; row < q.rowCount(); ++row) {
        billing::LineInput line;
        line.lineId = q.integer(row, 0);
        line.quantity = q.decimal(row, 1);
        line.unitPrice = q.decimal(row, 2);
        line.vatPercent = q.decimal(row, 3);
        line.vatCode = q.text(row, 4);
        input.lines.push_back(line);
    }
    return billing::computeAmounts(input).payable;
}

bool deductAdvance(ScreenContext& context, const DocumentGuard& guard, const FinalInvoice& final,
                   const QString& advance, QString* refused)
{
    DataModule& data = context.data;
    Query q(data.connection(), p("advanceDeduction"));
    StepChain chain(q);
    bool notOurs = false;
    const QString failed = QStringLiteral("Hiba: az előleg levonásakor");
    const bool stored = chain.run([&] {
        chain.begin(failed);
        checkDocument(chain, data, guard, notOurs);
        chain.step(failed, [&] {
            // A discount of the final invoice would reduce the deduction as well.
            if (!isBlank(final.discount) && !Decimal::parse(final.discount).isZero())
                chain.fail(QStringLiteral("A végszámlán nem adható kedvezmény (Kedvezmény%), mert az az előleg "
                                          "levonását is csökkentené. Állítsa 0-ra a kedvezményt."));
            const QString problem = nav::deductionProblem(data.connection(), advance, final.number, final.customerCode,
                                                          nav::currencyCode(final.currency), true);
            if (!problem.isEmpty())
                chain.fail(problem);
        });
        // The advance's nets by VAT code, as its print and report have them.
        std::vector<AdvancePart> parts;
        QString paid, rate;
        chain.step(failed, [&] {
            const billing::DocumentAmounts amounts = billing::readInvoiceAmounts(data, advance);
            q.setSql({QStringLiteral("SELECT sID, skAfakod, sAfanev, sAfa FROM szlasor WHERE sBszam = :p1 ORDER BY sID")});
            q.setText(p("p1"), advance);
            q.open();
            std::map<QString, size_t> byCode;
            for (int row = 0; row < q.rowCount() && row < int(amounts.lines.size()); ++row) {
                const QString code = q.text(row, 1).trimmed() + u'|' + q.text(row, 3);
                auto [it, added] = byCode.try_emplace(code, parts.size());
                if (added)
                    parts.push_back({q.text(row, 1).trimmed(), q.text(row, 2).trimmed(), q.text(row, 3), Money()});
                parts[it->second].net += amounts.lines[size_t(row)].net;
            }
            q.setSql({QStringLiteral("SELECT fTkelt, fArfoly, fPnem FROM szlafej WHERE fBszam = :p1 ORDER BY fID LIMIT 1")});
            q.setText(p("p1"), advance);
            q.open();
            paid = q.fieldText(p("fTkelt"));
            const bool forint = billing::isForint(q.fieldText(p("fPnem")));
            rate = forint ? QStringLiteral("1") : q.fieldText(p("fArfoly"));
            if (!isValidDate(paid))
                chain.fail(QStringLiteral("A(z) %1 számú előlegszámla teljesítési (fizetési) dátuma hiányzik.").arg(advance));
            if (parts.empty())
                chain.fail(QStringLiteral("A(z) %1 számú előlegszámlának nincs tételsora.").arg(advance));
        });
        for (const AdvancePart& part : parts) {
            chain.step(QStringLiteral("Hiba: Szlasor INSERT az előleg levonásakor "), [&] {
                DocumentLine line;
                line.number = final.number;
                line.name = QStringLiteral("Előleg levonása: K%1 előlegszámla, fizetve %2")
                                .arg(advance, formatDate(parseDate(paid)));
                line.quantity = QStringLiteral("-1");
                line.unitPrice = part.net.text();
                line.vatRate = part.vatPercent;
                line.currency = final.currency;
                line.vatName = part.vatName;
                line.vatCode = part.vatCode;
                line.gasOil = QStringLiteral("0");
                prepareLineWrite(q, Document::Invoice, line, true);
                q.execute();
                const qint64 lineId = static_cast<qint64>(q.lastInsertId());
                q.setSql({QStringLiteral("INSERT INTO szlaeloleg (lvBszam, lvSor, lvEloleg, lvFizdat, lvArfoly) "
                                         "VALUES (:p1, :p2, :p3, :p4, :p5)")});
                q.setText(p("p1"), final.number);
                q.setInteger(p("p2"), lineId);
                q.setText(p("p3"), advance);
                q.setText(p("p4"), formatDate(parseDate(paid)));
                q.setFloat(p("p5"), rate);
                q.execute();
            });
        }
        chain.commit(failed);
    });
    if (stored)
        return true;
    if (notOurs && refused)
        *refused = chain.failure().message;
    else
        tell(context.ui, chain.failure());
    return false;
}

} // namespace orvena::advance
