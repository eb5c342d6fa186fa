#include "printinvoice.h"

#include "numberwords.h"

#include "nav/invoiceamounts.h"
#include "nav/invoiceissue.h"
#include "nav/taxnumber.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/queryroles.h"
#include "screens/common/documentprint.h"
#include "screens/common/worklocks.h"

#include <cmath>
#include <optional>

namespace orvena {

namespace {

const DocumentColumns kInvoice{role::kPrintedInvoice, QStringLiteral("Szlafej"), QStringLiteral("fbszam"),
                               QStringLiteral("fvkod"),   QStringLiteral("fmkod"),   QStringLiteral("fprn"),
                               QStringLiteral("Nincs %1 számú számla.")};

// The label set's type decides how amounts are shown: 2 in whole forints with the rounding
// differences, 3 in fillér.
enum class AmountStyle { WholeForints, Filler };

struct InvoiceTotals {
    double net = 0, tax = 0, gross = 0;
    double exchangeRate = 0; // 0 for a forint invoice
    double discount = 0;     // percent, already in the unit prices
    QString currency;
    QString invoiceCurrency; // the header's currency text
    bool forint = true;      // rounding to whole units is a forint rule only
};

// A whole amount for the words; amounts beyond what words can spell are refused.
qint64 wholeForWords(double whole)
{
    if (std::fabs(whole) > static_cast<double>(kLargestNumberInWords))
        throw Error(QStringLiteral("A(z) %1 összeg túl nagy ahhoz, hogy betűvel kiírható legyen.").arg(fixedText(whole, 0)));
    return static_cast<qint64>(whole);
}

// Without a label set of type 2 or 3 there is nothing sensible to print.
AmountStyle amountStyleOf(const PrintedDocument& invoice)
{
    if (invoice.labelType == u'2')
        return AmountStyle::WholeForints;
    if (invoice.labelType == u'3')
        return AmountStyle::Filler;
    if (isBlank(invoice.labelCode))
        throw Error(QStringLiteral("A számlának nincs nyelve (szótára), ezért nem nyomtatható. Nyissa meg a számlát a "
                                   "„Módosít” gombbal, és válasszon szótárat a „Nyelv” gombbal (ha a lista üres, "
                                   "a „Szótár” → „Fordítás” menüpontban vegyen fel egyet)."));
    throw Error(QStringLiteral("A(z) \"%1\" szótárkódú számla nem nyomtatható: a szótárkód ötödik karaktere "
                               "2 (egész forint) vagy 3 (fillér) kell legyen.")
                    .arg(invoice.labelCode));
}

// The lines with their rounded net, tax and gross.
Query& openLines(DataModule& data, const QString& number)
{
    Query& lines = data.query(role::kPrintedInvoiceLines);
    lines.setSql(QStringList{QStringLiteral("SELECT *,")} + nav::invoiceAmountColumns()
                 + QStringList{QStringLiteral("WHERE sbszam = :p0"), QStringLiteral("GROUP BY sID")});
    lines.setText(QStringLiteral("p0"), number);
    lines.open();
    return lines;
}

// The invoice's amounts summed with the given grouping over its lines, read into sums.
void openSums(Query& sums, const QString& number, const QString& selected, const QString& grouping)
{
    sums.setSql(QStringList{selected} + nav::invoiceAmountColumns()
                + QStringList{QStringLiteral("WHERE sBszam= :p1"), grouping});
    sums.setText(QStringLiteral("p1"), number);
    sums.open();
}

// The VAT summary: one line per rate with its name, net, tax and gross.
void setVatSummary(ReportVariables& vars, DataModule& data, const QString& number)
{
    Query summary(data.connection(), QStringLiteral("vatSummary"));
    openSums(summary, number, QStringLiteral("SELECT sbszam, sear, smenny, safa, farfoly, sAfanev,"),
             QStringLiteral("GROUP BY sAfanev ORDER BY sAfanev"));
    QString rateNames, rateNets, rateTaxes, rateGross;
    const QString cr(QChar(13));
    for (int row = 0; row < summary.rowCount(); ++row) {
        summary.setCurrentRow(row);
        const double net = summary.fieldDouble(QStringLiteral("AFA_netto"));
        const double tax = summary.fieldDouble(QStringLiteral("AFA_afa"));
        rateNames += summary.fieldText(QStringLiteral("sAfanev")).left(3) + cr;
        rateNets += groupedText(net, 2) + cr;
        rateTaxes += groupedText(tax, 2) + cr;
        rateGross += groupedText(net + tax, 2) + cr;
    }
    vars.set(QStringLiteral("v_AFA_ert"), rateNames);
    vars.set(QStringLiteral("v_AFA_netto"), rateNets);
    vars.set(QStringLiteral("v_AFA_afa"), rateTaxes);
    vars.set(QStringLiteral("v_AFA_sorsum"), rateGross);
}

InvoiceTotals readTotals(DataModule& data, const PrintedDocument& invoice)
{
    const QString& number = invoice.number;
    Query sums(data.connection(), QStringLiteral("invoiceTotals"));
    openSums(sums, number, QStringLiteral("SELECT sbszam, sear, smenny, safa, farfoly, spnem, fkerek,"),
             QStringLiteral("GROUP BY sBszam"));
    InvoiceTotals t;
    t.net = sums.fieldDouble(QStringLiteral("AFA_netto"));
    t.tax = sums.fieldDouble(QStringLiteral("AFA_afa"));
    t.gross = t.net + t.tax;
    t.exchangeRate = sums.fieldDouble(QStringLiteral("farfoly"));
    t.discount = sums.fieldDouble(QStringLiteral("fkerek"));
    t.currency = sums.fieldText(QStringLiteral("spnem"));
    t.invoiceCurrency = invoice.header->fieldText(QStringLiteral("fPnem")).trimmed();
    t.forint = nav::currencyCode(t.invoiceCurrency) == u"HUF";
    return t;
}

void setTotals(ReportVariables& vars, const InvoiceTotals& t)
{
    vars.set(QStringLiteral("v_AFA_SUMnetto"), fixedText(t.net, 2));
    vars.set(QStringLiteral("v_AFA_SUMafa"), fixedText(t.tax, 2));
    vars.set(QStringLiteral("v_AFA_SUM"), fixedText(t.gross, 2));
    vars.set(QStringLiteral("v_Ft"), QString());
}

// The rounding differences of a whole-forint invoice and the amount payable in words. The words
// state the payable amount: in whole forints on a whole-forint invoice, which then also prints
// the rounding and the rounded amount beside them; with the hundredths otherwise (a foreign
// currency is never rounded to whole units, whatever the label set). Returns whether that amount
// is negative (a storno invoice).
bool setRoundingAndWords(ReportVariables& vars, const InvoiceTotals& t, AmountStyle style)
{
    if (style == AmountStyle::WholeForints && t.forint) {
        const auto difference = [](double amount) { return roundedValue(amount, 0) - roundedValue(amount, 2); };
        vars.set(QStringLiteral("v_ker_SUMnetto"), fixedText(difference(t.net), 2));
        vars.set(QStringLiteral("v_ker_SUMafa"), fixedText(difference(t.tax), 2));
        vars.set(QStringLiteral("v_ker_SUM"), fixedText(difference(t.gross), 2));
        const qint64 whole = wholeForWords(roundedValue(t.gross, 0));
        vars.set(QStringLiteral("v_azaz"), HungarianNumberWords(whole) + QStringLiteral("00/100 "));
        const QString unit = t.invoiceCurrency.isEmpty() ? QStringLiteral("Ft") : t.invoiceCurrency;
        const double rounding = difference(t.gross);
        vars.set(QStringLiteral("v_kerekites"),
                 std::fabs(rounding) < 0.005 ? QString()
                                             : QStringLiteral("Kerekítés: %1 %3\nFizetendő kerekítve: %2 %3")
                                                   .arg(groupedText(rounding, 2), groupedText(static_cast<double>(whole), 0), unit));
        return whole < 0;
    }
    vars.set(QStringLiteral("v_ker_SUMnetto"), QString());
    vars.set(QStringLiteral("v_ker_SUMafa"), QString());
    vars.set(QStringLiteral("v_ker_SUM"), QString());
    vars.set(QStringLiteral("v_kerekites"), QString());
    const double total = roundedValue(t.gross, 2);
    const double whole = std::trunc(total);
    const QString hundredths = fixedText(std::fabs(total - whole), 2).section(u',', 1);
    // Below one unit the whole part is nought, and the sign goes in front of it.
    const QString sign = total < 0 && whole == 0 ? QStringLiteral("mínusz ") : QString();
    vars.set(QStringLiteral("v_azaz"),
             sign + HungarianNumberWords(wholeForWords(whole)) + u' ' + hundredths + QStringLiteral("/100 "));
    return total < 0;
}

// A foreign-currency invoice's rate and its amounts in whole forints.
void setForintConversion(ReportVariables& vars, const InvoiceTotals& t)
{
    if (t.exchangeRate <= 0) {
        for (const char* name : {"v_arfoly", "v_netto_Ft", "v_afa_Ft", "v_brutto_Ft"})
            vars.set(QLatin1String(name), QString());
        return;
    }
    vars.set(QStringLiteral("v_arfoly"), QStringLiteral("Árfolyam: 1 ") + t.currency + QStringLiteral(" = ")
                                             + fixedText(t.exchangeRate, 2, 5)
                                             + QStringLiteral(" Ft. Átszámolva forintban: "));
    const QString netFt = fixedText(roundedValue(t.net, 2) * t.exchangeRate, 0);
    const QString taxFt = fixedText(roundedValue(t.tax, 2) * t.exchangeRate, 0);
    vars.set(QStringLiteral("v_netto_Ft"), netFt);
    vars.set(QStringLiteral("v_afa_Ft"), taxFt);
    vars.set(QStringLiteral("v_brutto_Ft"), fixedText(parseDouble(netFt) + parseDouble(taxFt), 0));
}

void setDiscountNote(ReportVariables& vars, double discount)
{
    vars.set(QStringLiteral("v_enged"), discount > 0 ? QStringLiteral("Az egységár tartalmazza a ")
                                                           + fixedText(discount, 2, 5) + QStringLiteral(" % engedményt.")
                                                     : QString());
}

// What the VAT act requires on every invoice whatever the operator composed into the address
// blocks: the issuer's tax number, the customer's where it is a taxable person (its community VAT
// number when it is in another EU country, and then the issuer's community VAT number too).
void setTaxNumbers(ReportVariables& vars, DataModule& data, const PrintedDocument& invoice)
{
    auto taxNumber = [](const QString& stored) {
        const auto parsed = nav::parseTaxNumber(stored);
        return parsed ? parsed->text() : stored.trimmed();
    };
    const Query& customer = *invoice.customer;
    const QString status = customer.fieldText(QStringLiteral("vAfaStatusz")).trimmed().toUpper();
    const QString country = customer.fieldText(QStringLiteral("vOrszag")).trimmed().toUpper();
    const QString customerTax = customer.fieldText(QStringLiteral("vAdo")).trimmed();
    const QString customerVat = nav::normalizedCommunityVatNumber(customer.fieldText(QStringLiteral("vKado")));
    const bool inEu = status == u"OTHER" && country != u"HU" && nav::isEuCountry(country) && !customerVat.isEmpty();
    QString customerLine;
    if (customer.isEmpty() || status == u"PRIVATE_PERSON")
        customerLine.clear();
    else if (inEu)
        customerLine = QStringLiteral("Közösségi adószám: ") + customerVat;
    else if (!customerTax.isEmpty())
        customerLine = QStringLiteral("Adószám: ") + taxNumber(customerTax);
    else if (!customerVat.isEmpty())
        customerLine = QStringLiteral("Közösségi adószám: ") + customerVat;
    vars.set(QStringLiteral("v_vevo_adoszam"), customerLine);

    Query issuer(data.connection(), QStringLiteral("issuerTaxNumbers"));
    issuer.setSql({QStringLiteral("SELECT zAdo, zKado FROM szallito WHERE zKod = :p0 ORDER BY zID LIMIT 1")});
    issuer.setText(QStringLiteral("p0"), invoice.header->fieldText(QStringLiteral("fzKod")));
    issuer.open();
    QStringList issuerParts;
    if (!issuer.fieldText(QStringLiteral("zAdo")).trimmed().isEmpty())
        issuerParts << QStringLiteral("Adószám: ") + taxNumber(issuer.fieldText(QStringLiteral("zAdo")));
    const QString issuerVat = nav::normalizedCommunityVatNumber(issuer.fieldText(QStringLiteral("zKado")));
    if (inEu && !issuerVat.isEmpty())
        issuerParts << QStringLiteral("közösségi adószám: ") + issuerVat;
    vars.set(QStringLiteral("v_szall_adoszam"), issuerParts.join(QStringLiteral(", ")));
}

// Why a line carries no VAT: the reason text of each exempt, out-of-scope or reverse-charge VAT
// code the invoice uses, one per line.
void setExemptionReasons(ReportVariables& vars, DataModule& data, const QString& number)
{
    Query codes(data.connection(), QStringLiteral("exemptVatCodes"));
    codes.setSql({QStringLiteral("SELECT skAfakod,"),
                  QStringLiteral(" (SELECT kNavTipus FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS tipus,"),
                  QStringLiteral(" (SELECT kNavKod FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS kod,"),
                  QStringLiteral(" (SELECT kNavIndok FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS indok"),
                  QStringLiteral("FROM szlasor WHERE sBszam = :p0 GROUP BY skAfakod ORDER BY skAfakod")});
    codes.setText(QStringLiteral("p0"), number);
    codes.open();
    QStringList reasons;
    for (int row = 0; row < codes.rowCount(); ++row) {
        codes.setCurrentRow(row);
        const QString type = codes.fieldText(QStringLiteral("tipus")).trimmed().toUpper();
        const QString code = codes.fieldText(QStringLiteral("kod")).trimmed().toUpper();
        const QString reason = codes.fieldText(QStringLiteral("indok")).trimmed();
        QString kind;
        if (type == u"VAT_EXEMPTION")
            kind = QStringLiteral("Adómentes");
        else if (type == u"VAT_OUT_OF_SCOPE")
            kind = QStringLiteral("Az áfa hatályán kívüli");
        else if (type == u"DOMESTIC_REVERSE_CHARGE")
            kind = QStringLiteral("Fordított adózás");
        else
            continue;
        if (!code.isEmpty())
            kind += QStringLiteral(" (%1)").arg(code);
        const QString line = reason.isEmpty() ? kind : kind + QStringLiteral(": ") + reason;
        if (!reasons.contains(line))
            reasons << line;
    }
    vars.set(QStringLiteral("v_mentesseg"), reasons.join(u'\n'));
}

// The copy mark, from the printed flag as it stood before this run; a negative invoice is a
// document equivalent to an invoice.
void setCopyMark(ReportVariables& vars, const PrintedDocument& invoice, bool negative)
{
    if (!invoice.printed) {
        vars.set(QStringLiteral("v_masolat"),
                 negative ? QStringLiteral("Számlával egy tekintet alá eső okirat ") : QStringLiteral(" "));
        return;
    }
    vars.set(QStringLiteral("v_masolat"), (negative ? QStringLiteral("Számlával egy tekintet alá eső okirat - MÁSOLATI PÉLDÁNY /")
                                                    : QStringLiteral("MÁSOLATI PÉLDÁNY /"))
                                              + invoice.labels->fieldText(QStringLiteral("mMasolatipld")));
}

} // namespace

void PrintInvoice(ScreenContext& context, const QString& invoiceNumber, PrintMode mode)
{
    ReportPresenter& reports = startPrint(context);
    DataModule& data = context.data;
    PrintedDocument invoice = openDocument(data, kInvoice, invoiceNumber, openLines);
    // Issuing takes the invoice's lock until it is marked: a workstation modifying it finishes
    // first, and no screen writes into it while it is issued. The invoice is read again under
    // the lock, so what is printed and reported is what is stored.
    std::unique_ptr<NamedLock> issuing;
    if (marksPrinted(invoice, mode)) {
        issuing = worklock::take(context, worklock::invoice(invoice.number), [&invoice] {
            return QStringLiteral("A(z) %1 számú számlát egy másik munkaállomás éppen módosítja, ezért most nem "
                                  "nyomtatható ki. Kérem, próbálja újra, amikor ott elkészült.")
                .arg(invoice.number);
        });
        if (!issuing)
            return;
        invoice = openDocument(data, kInvoice, invoiceNumber, openLines);
    }
    const QString& number = invoice.number;
    const AmountStyle style = amountStyleOf(invoice);

    ReportVariables& vars = reports.variables();
    setVatSummary(vars, data, number);
    const InvoiceTotals totals = readTotals(data, invoice);
    setTotals(vars, totals);
    const bool negative = setRoundingAndWords(vars, totals, style);
    setForintConversion(vars, totals);
    setDiscountNote(vars, totals.discount);
    setTaxNumbers(vars, data, invoice);
    setExemptionReasons(vars, data, number);
    setCopyMark(vars, invoice, negative);

    ReportJob job = countedJob(reports.pageCounters(),
                               style == AmountStyle::WholeForints ? QStringLiteral("Szamla2.frf") : QStringLiteral("Szamla3.frf"),
                               QStringLiteral("Számla K%1").arg(number));
    job.datasets = {{role::kPrintedInvoice, invoice.header},     {role::kInvoiceList, invoice.header},
                    {role::kPrintedInvoiceLines, invoice.lines}, {role::kPrintedCustomer, invoice.customer},
                    {role::kPrintedLabels, invoice.labels}};

    // Issuing: the invoice-data document is built, checked and validated before anything is
    // printed; a refusal names every problem, and nothing is printed or marked. Otherwise the
    // invoice is marked printed together with its szlanav row only once the document has been
    // produced (printed from the preview, or its PDF written): a report that never gets out
    // leaves the flag as it was, so the original copy can still be made.
    std::optional<nav::IssueCheck> issue;
    if (marksPrinted(invoice, mode)) {
        issue = nav::checkInvoice(data, number);
        if (issue->refused()) {
            context.ui.message(nav::refusalMessage(number, issue->problems));
            context.state.invoiceNumber = number;
            return;
        }
        // Unusual data is confirmed before anything is printed or marked.
        if (!issue->questions().isEmpty() && !context.ui.askYesNo(nav::issueQuestion(number, issue->questions()))) {
            context.state.invoiceNumber = number;
            return;
        }
        job.produced = [&context, &issue] {
            try {
                nav::markIssued(context.data, *issue);
            } catch (const Error& e) {
                logFailure(lcPrint(), e);
                context.ui.message(QStringLiteral("Hiba: prn UPDATE Szlafej-be "));
            }
        };
    }
    std::unique_ptr<PreparedReport> report = reports.prepare(job);
    reports.present(*report, job.title);
    context.state.invoiceNumber = number;
}

} // namespace orvena
