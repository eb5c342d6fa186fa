#include "deliverytoinvoice.h"

#include "deliverycommon.h"

#include "db/errors.h"
#include "db/stepchain.h"
#include "invoice/invoicetexts.h"
#include "invoice/sequences.h"
#include "invoice/worktables.h"
#include "screens/common/chainfailure.h"

namespace orvena {

using namespace delivery;

namespace {

class Conversion {
public:
    Conversion(ScreenContext& context, const QString& deliveryNumber, const QString& invoiceNumber, bool newInvoice)
        : m_header(context.data.connection(), QStringLiteral("workHeader")),
          m_lines(context.data.connection(), QStringLiteral("workLines")),
          m_update(context.data.connection(), QStringLiteral("workUpdate")),
          m_lookup(context.data.connection(), QStringLiteral("workLookup")),
          m_deliveryNumber(deliveryNumber),
          m_invoiceNumber(invoiceNumber),
          m_newInvoice(newInvoice)
    {
        m_result.deliveryNumber = deliveryNumber;
    }

    // Adds the conversion's steps to the caller's chain.
    void addSteps(StepChain& chain)
    {
        refuseMissingArticles(chain);
        worktables::fill(chain, m_header, m_lines, worktables::Document::DeliveryNote, m_deliveryNumber,
                         m_invoiceNumber);

        // The invoice sequence row stays locked until the end of the transaction, so no other
        // workstation stores a header under this number meanwhile.
        chain.step(QStringLiteral("Hiba: Új UPDATE Sorszam -ba "), [&] { lockSequence(m_update, kInvoiceSequence); });
        bool headerExists = false;
        QString currency;
        chain.step([&] {
            m_lookup.setSql({QStringLiteral("SELECT fbszam, fPnem FROM SzlaFej WHERE fbszam = :p1")});
            m_lookup.setText(QStringLiteral("p1"), m_invoiceNumber);
            m_lookup.open();
            headerExists = !m_lookup.isEmpty();
            if (headerExists) {
                currency = m_lookup.fieldText(QStringLiteral("fPnem"));
            } else {
                m_lookup.setSql({QStringLiteral("SELECT fPnem FROM munkafej")});
                m_lookup.open();
                currency = m_lookup.fieldText(QStringLiteral("fPnem"));
            }
        });

        // A new invoice whose number already has a header (the sequence was set back, or another
        // workstation stored it) must not take over that invoice's lines.
        if (headerExists && m_newInvoice)
            chain.fail(QStringLiteral("A(z) %1 sorszámú számla már létezik, a szállítólevél nem került át, a "
                                      "számla nem változott! Az új számlát zárja be, és kezdje újra új "
                                      "sorszámmal.")
                           .arg(m_invoiceNumber));

        priceLines(chain, currency);

        const worktables::Store& store = worktables::conversionStore();
        if (!headerExists) {
            chain.step(QStringLiteral("Hiba: Új UPDATE Sorszam -ba "), [&] {
                storeDocumentNumber(m_update, kInvoiceSequence, m_invoiceNumber);
            });
            m_result.headerCreated = worktables::storeHeader(chain, m_header, store) > 0;
            if (!m_result.headerCreated)
                chain.fail(QStringLiteral("A(z) %1 sorszámú szállítólevélből nem készült számlafej, "
                                          "a számla nem változott!")
                               .arg(m_deliveryNumber));
        }
        m_result.lineCount = static_cast<int>(worktables::storeLines(chain, m_lines, store));
    }

    Query& transactionQuery() { return m_header; }
    DeliveryConversion& result() { return m_result; }

private:
    // A line naming an article that is no longer in the master cannot be priced: the note is not
    // converted, and the operator learns which codes are missing.
    void refuseMissingArticles(StepChain& chain)
    {
        QStringList missing;
        chain.step([&] {
            m_lookup.setSql({QStringLiteral("SELECT DISTINCT e.ecKod FROM szlevsor e WHERE e.eBszam = :p1"),
                             QStringLiteral("AND TRIM(IFNULL(e.ecKod, '')) <> ''"),
                             QStringLiteral("AND NOT EXISTS (SELECT 1 FROM cikk c WHERE c.cKod = e.ecKod)"),
                             QStringLiteral("ORDER BY e.ecKod")});
            m_lookup.setText(QStringLiteral("p1"), m_deliveryNumber);
            m_lookup.open();
            for (int row = 0; row < m_lookup.rowCount(); ++row)
                missing << m_lookup.text(row, 0);
        });
        if (!missing.isEmpty())
            chain.fail(QStringLiteral("A szállítólevél sorai olyan cikkekre hivatkoznak, amelyek már nincsenek "
                                      "a cikktörzsben: %1. A szállítólevél nem került át a számlába.")
                           .arg(missing.join(QStringLiteral(", "))));
    }

    // Every line takes unit price, currency and VAT from its article as it is now; a line typed
    // without an article gets price 0 in the invoice's currency and VAT 0.
    void priceLines(StepChain& chain, const QString& currency)
    {
        chain.step([&] {
            m_lines.setSql({QStringLiteral("SELECT * FROM munkasor")});
            m_lines.open();
        });
        for (int row = 0; row < m_lines.rowCount(); ++row) {
            const QString id = m_lines.text(row, QStringLiteral("sID"));
            const QString code = m_lines.text(row, QStringLiteral("scKod"));
            Decimal price;
            QString articleCurrency = currency;
            QString vatCode;
            QString vatName;
            qint64 vat = 0;
            if (isBlank(code)) {
                m_result.unpricedLines << m_lines.text(row, QStringLiteral("sMegn"));
            } else {
                chain.step([&] {
                    m_lookup.setSql({QStringLiteral("SELECT * FROM cikk WHERE ckod = :p1")});
                    m_lookup.setText(QStringLiteral("p1"), code);
                    m_lookup.open();
                });
                if (m_lookup.isEmpty())
                    chain.fail(QStringLiteral("A szállítólevél sorai olyan cikkekre hivatkoznak, amelyek már "
                                              "nincsenek a cikktörzsben: %1. A szállítólevél nem került át a "
                                              "számlába.")
                                   .arg(code));
                chain.step(QStringLiteral("Hiba: A munkasor UPDATE cikk -böl "), [&] {
                    price = m_lookup.fieldDecimal(QStringLiteral("cEar"));
                    articleCurrency = m_lookup.fieldText(QStringLiteral("cPnem"));
                    vatCode = m_lookup.fieldText(QStringLiteral("cAfakod"));
                    vatName = m_lookup.fieldText(QStringLiteral("cAfanev"));
                    vat = m_lookup.fieldInt(QStringLiteral("cAfa"));
                });
            }
            chain.step(QStringLiteral("Hiba: A munkasor UPDATE cikk -böl "), [&] {
                m_update.setSql({QStringLiteral("UPDATE munkasor SET sEar = :p1, sPnem = :p2, skAfakod = :p3, "
                                                "sAfanev = :p4, sAfa = :p5 WHERE sID = :p0")});
                m_update.setText(QStringLiteral("p0"), id);
                m_update.setFloat(QStringLiteral("p1"), price.text());
                m_update.setText(QStringLiteral("p2"), articleCurrency);
                m_update.setText(QStringLiteral("p3"), vatCode);
                m_update.setText(QStringLiteral("p4"), vatName);
                m_update.setInteger(QStringLiteral("p5"), vat);
                m_update.execute();
            });
        }
    }

    // Statements of this conversion only.
    Query m_header;
    Query m_lines;
    Query m_update;
    Query m_lookup;
    QString m_deliveryNumber;
    QString m_invoiceNumber;
    bool m_newInvoice;
    DeliveryConversion m_result;
};

} // namespace

DeliveryConversion convertDeliveryNoteIntoInvoice(ScreenContext& context, const QString& invoiceNumber,
                                                  EditMode invoiceMode, const std::function<void()>& reload,
                                                  const DocumentGuard* guard)
{
    // Only "Kiválaszt" answers: it hands over the note highlighted when it was pressed. "Mégsem",
    // Escape or closing the window means that no note was chosen.
    QString deliveryNumber;
    ScreenRequest chooser;
    chooser.chosen = &deliveryNumber;
    context.opener.open(Screen::DeliveryRegister, chooser);
    return convertDeliveryNote(context, deliveryNumber, invoiceNumber, invoiceMode, reload, guard);
}

DeliveryConversion convertDeliveryNote(ScreenContext& context, const QString& deliveryNumber,
                                       const QString& invoiceNumber, EditMode invoiceMode,
                                       const std::function<void()>& reload, const DocumentGuard* guard)
{
    if (isBlank(invoiceNumber)) {
        context.ui.message(QStringLiteral("A számlának nincs sorszáma, szállítólevél nem vehető át!"));
        return {};
    }
    if (isBlank(deliveryNumber)) {
        context.ui.message(QStringLiteral("Nincs kiválasztva szállítólevél, a számla nem változott!"));
        return {};
    }

    Conversion conversion(context, deliveryNumber, invoiceNumber,
                          invoiceMode == EditMode::New);
    StepChain chain(conversion.transactionQuery());
    if (!chain.run([&] {
            chain.begin(QStringLiteral("Hiba a szlevfej-böl insert munkafej -be!"));
            conversion.addSteps(chain);
            bool refused = false;
            if (guard) // the invoice is still the composition screen's, and not issued
                checkDocument(chain, context.data, *guard, refused);
            chain.commit(QStringLiteral("Hiba a munkasor-ból insert szlasor -ba!"));
        })) {
        tell(context.ui, chain.failure());
        return {};
    }

    // The invoice register's list stands on the invoice, which the screen goes on modifying.
    Query& invoices = context.data.query(role::kInvoiceList);
    invoices.setSql({invoice::kRegisterListSql});
    invoices.open();
    // Exactly this number: a prefix match could stand on another invoice.
    int row = 0;
    while (row < invoices.rowCount() && invoices.text(row, QStringLiteral("fBszam")) != invoiceNumber)
        ++row;
    if (row == invoices.rowCount()) {
        context.ui.message(QStringLiteral("A(z) %1 sorszámú számla nem található, a képernyő nem töltődik újra!")
                               .arg(invoiceNumber));
        return {};
    }
    invoices.setCurrentRow(row);
    context.state.invoiceNumber = invoiceNumber;

    DeliveryConversion result = conversion.result();
    result.converted = true;
    if (reload)
        reload();
    if (!result.unpricedLines.isEmpty())
        context.ui.message(QStringLiteral("A következő sorok cikk nélkül, 0 egységárral és 0 %-os áfával kerültek "
                                          "a számlára. Nyomtatás előtt árazza be őket a sor \"Módosít\" gombjával:\n%1")
                               .arg(result.unpricedLines.join(u'\n')));
    return result;
}

} // namespace orvena
