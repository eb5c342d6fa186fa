#include "printinvoice.h"

#include "correction.h"
#include "invoicetexts.h"
#include "numberwords.h"
#include "paymentqr.h"

#include "nav/advancedata.h"
#include "billing/amounts.h"
#include "nav/invoiceissue.h"
#include "nav/taxnumber.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "billing/invoicelinks.h"
#include "db/logging.h"
#include "screens/common/chainfailure.h"
#include "db/queryroles.h"
#include "screens/common/documentprint.h"
#include "screens/common/worklocks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cmath>
#include <map>
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
    Money net, tax, gross;
    Money netHuf, taxHuf;    // the forint amounts of a foreign-currency invoice
    bool converted = false;  // a foreign-currency invoice with its rate
    Decimal exchangeRate;
    Decimal discount;        // percent, already in the unit prices
    QString currency;
    QString invoiceCurrency; // the header's currency text
    bool forint = true;      // rounding to whole units is a forint rule only
    bool wholeForints = false; // the payable is stated in whole forints
    Money payable;           // what the invoice asks for (billing/amounts.h)
};

// A whole amount for the words; amounts beyond what words can spell are refused.
qint64 wholeForWords(Money whole)
{
    if (std::abs(whole.wholeUnits()) > kLargestNumberInWords)
        throw Error(QStringLiteral("A(z) %1 összeg túl nagy ahhoz, hogy betűvel kiírható legyen.").arg(whole.wholeUnits()));
    return whole.wholeUnits();
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

// The lines with their header (an invoice's or a proforma's tables); addLineAmounts adds their amounts.
Query& openDocumentLines(DataModule& data, const QString& number, const QString& headerTable, const QString& lineTable)
{
    Query& lines = data.query(role::kPrintedInvoiceLines);
    // "ÁFA %" of a line taxed by no percentage (exempt, out of scope, reverse charge) prints its
    // case ("AAM"), as the summary names it, instead of a rate of 0: the later sAfa is the one read.
    const QString vatCode = QStringLiteral("(SELECT k.%1 FROM afa k WHERE k.kAfakod = %2.skAfakod ORDER BY k.kID LIMIT 1)");
    const QString type = vatCode.arg(QStringLiteral("kNavTipus"), lineTable);
    const QString printedRate =
        QStringLiteral("IF(IFNULL(%1, '') NOT IN ('', 'PERCENTAGE') OR (%1 IS NULL AND %2.sAfa = 0 AND TRIM(IFNULL(%2.sAfanev, "
                       "'')) <> '' AND LEFT(TRIM(%2.sAfanev), 1) NOT BETWEEN '0' AND '9'), IFNULL(NULLIF(TRIM(%3), ''), "
                       "LEFT(TRIM(%2.sAfanev), 3)), CAST(%2.sAfa AS CHAR)) AS sAfa")
            .arg(type, lineTable, vatCode.arg(QStringLiteral("kNavKod"), lineTable));
    lines.setSql({QStringLiteral("SELECT *, %3 FROM %2 JOIN %1 ON %1.fbszam = %2.sbszam").arg(headerTable, lineTable, printedRate),
                  QStringLiteral("WHERE sbszam = :p0"), QStringLiteral("GROUP BY sID")});
    lines.setText(QStringLiteral("p0"), number);
    lines.open();
    return lines;
}

Query& openLines(DataModule& data, const QString& number)
{
    return openDocumentLines(data, number, QStringLiteral("Szlafej"), QStringLiteral("Szlasor"));
}

// Each line's rounded net, tax and gross, as the template reads them: AFA_netto, AFA_afa,
// AFA_mindossz.
void addLineAmounts(Query& lines, const billing::DocumentAmounts& amounts)
{
    QHash<qint64, const billing::LineAmounts*> byId;
    for (const billing::LineAmounts& l : amounts.lines)
        byId.insert(l.lineId, &l);
    const billing::LineAmounts none;
    std::vector<QByteArray> net, tax, gross;
    const int id = lines.columnIndex(QStringLiteral("sID"));
    for (int row = 0; row < lines.rowCount(); ++row) {
        const billing::LineAmounts* l = byId.value(lines.integer(row, id), &none);
        net.push_back(l->net.schemaText().toLatin1());
        tax.push_back(l->vat.schemaText().toLatin1());
        gross.push_back(l->gross.schemaText().toLatin1());
    }
    lines.appendColumn(QStringLiteral("AFA_netto"), ColumnKind::Decimal, net);
    lines.appendColumn(QStringLiteral("AFA_afa"), ColumnKind::Decimal, tax);
    lines.appendColumn(QStringLiteral("AFA_mindossz"), ColumnKind::Decimal, gross);
}

// A proforma's lines, from its own tables.
Query& openProformaLines(DataModule& data, const QString& number)
{
    return openDocumentLines(data, number, QStringLiteral("dijbfej"), QStringLiteral("dijbsor"));
}

// What the print reads and prints for an invoice and for a proforma, which is printed the same way
// from its own tables, under its own title and layouts, and never issued.
struct PrintedKind {
    const DocumentColumns& columns;
    LinesReader readLines;
    QString headerTable;
    QString lineTable;
    QString layout; // the template's name before "2.frf" (whole forints) or "3.frf" (fillér)
    QString title;  // %1 the number
    bool proforma;
};

const DocumentColumns kProforma{role::kPrintedInvoice, QStringLiteral("dijbfej"), QStringLiteral("fbszam"),
                                QStringLiteral("fvkod"),    QStringLiteral("fmkod"),  QStringLiteral("fprn"),
                                QStringLiteral("Nincs D%1 számú díjbekérő.")};
const PrintedKind kInvoiceKind{kInvoice, openLines, QStringLiteral("Szlafej"), QStringLiteral("Szlasor"),
                               QStringLiteral("Szamla"), QStringLiteral("Számla K%1"), false};
const PrintedKind kProformaKind{kProforma, openProformaLines, QStringLiteral("dijbfej"), QStringLiteral("dijbsor"),
                                QStringLiteral("Dijbekero"), QStringLiteral("Díjbekérő D%1"), true};

// The VAT summary: one line per VAT name, in name order, with its net, tax and gross.
void setVatSummary(ReportVariables& vars, const billing::DocumentAmounts& amounts)
{
    struct Rate {
        QString name;
        Money net, tax;
    };
    std::map<int, Rate> rates;
    for (const billing::LineAmounts& l : amounts.lines) {
        const auto [it, added] = rates.try_emplace(l.vatGroup);
        if (added)
            it->second.name = l.vatName;
        it->second.net += l.net;
        it->second.tax += l.vat;
    }
    QString rateNames, rateNets, rateTaxes, rateGross;
    const QString cr(QChar(13));
    for (const auto& [group, rate] : rates) {
        rateNames += rate.name.left(3) + cr;
        rateNets += rate.net.groupedText() + cr;
        rateTaxes += rate.tax.groupedText() + cr;
        rateGross += (rate.net + rate.tax).groupedText() + cr;
    }
    vars.set(QStringLiteral("v_AFA_ert"), rateNames);
    vars.set(QStringLiteral("v_AFA_netto"), rateNets);
    vars.set(QStringLiteral("v_AFA_afa"), rateTaxes);
    vars.set(QStringLiteral("v_AFA_sorsum"), rateGross);
}

// The totals, and from the first line with its header the currency, rate and discount they are
// shown with (an invoice without lines has none).
InvoiceTotals readTotals(DataModule& data, const PrintedDocument& invoice, const billing::DocumentAmounts& amounts,
                         const PrintedKind& kind)
{
    Query first(data.connection(), QStringLiteral("firstLine"));
    first.setSql({QStringLiteral("SELECT spnem, fkerek, farfoly FROM %1 JOIN %2 ON %2.fbszam = %1.sbszam")
                      .arg(kind.lineTable, kind.headerTable),
                  QStringLiteral("WHERE sBszam= :p1 ORDER BY sID LIMIT 1")});
    first.setText(QStringLiteral("p1"), invoice.number);
    first.open();
    InvoiceTotals t;
    t.net = amounts.net;
    t.tax = amounts.vat;
    t.gross = amounts.gross();
    t.netHuf = amounts.netHuf;
    t.taxHuf = amounts.vatHuf;
    t.converted = amounts.converted();
    t.exchangeRate = amounts.exchangeRate;
    t.discount = billing::storedNumber(first.fieldText(QStringLiteral("fkerek")));
    t.currency = first.fieldText(QStringLiteral("spnem"));
    t.invoiceCurrency = invoice.header->fieldText(QStringLiteral("fPnem")).trimmed();
    t.forint = amounts.forint;
    t.wholeForints = amounts.wholeForints;
    t.payable = amounts.payable;
    return t;
}

void setTotals(ReportVariables& vars, const InvoiceTotals& t)
{
    vars.set(QStringLiteral("v_AFA_SUMnetto"), t.net.text());
    vars.set(QStringLiteral("v_AFA_SUMafa"), t.tax.text());
    vars.set(QStringLiteral("v_AFA_SUM"), t.gross.text());
    vars.set(QStringLiteral("v_Ft"), QString());
}

// The rounding differences of a whole-forint invoice and the amount payable in words. The words
// state the payable amount: in whole forints on a whole-forint invoice, which then also prints
// the rounding and the rounded amount beside them; with the hundredths otherwise (a foreign
// currency is never rounded to whole units, whatever the label set). Returns whether that amount
// is negative (a storno invoice).
bool setRoundingAndWords(ReportVariables& vars, const InvoiceTotals& t, AmountStyle style)
{
    if (style == AmountStyle::WholeForints && t.wholeForints) {
        const auto difference = [](Money amount) { return amount.roundedWhole() - amount; };
        vars.set(QStringLiteral("v_ker_SUMnetto"), difference(t.net).text());
        vars.set(QStringLiteral("v_ker_SUMafa"), difference(t.tax).text());
        // the payable's own rounding (a storno's follows the chain it reverses)
        const Money rounding = t.payable - t.gross;
        vars.set(QStringLiteral("v_ker_SUM"), rounding.text());
        const qint64 whole = wholeForWords(t.payable);
        vars.set(QStringLiteral("v_azaz"), HungarianNumberWords(whole) + QStringLiteral("00/100 "));
        const QString unit = t.invoiceCurrency.isEmpty() ? QStringLiteral("Ft") : t.invoiceCurrency;
        vars.set(QStringLiteral("v_kerekites"),
                 rounding.isZero() ? QString()
                                   : QStringLiteral("Kerekítés: %1 %3\nFizetendő kerekítve: %2 %3")
                                         .arg(rounding.groupedText(), t.payable.wholeText(true), unit));
        return whole < 0;
    }
    vars.set(QStringLiteral("v_ker_SUMnetto"), QString());
    vars.set(QStringLiteral("v_ker_SUMafa"), QString());
    vars.set(QStringLiteral("v_ker_SUM"), QString());
    vars.set(QStringLiteral("v_kerekites"), QString());
    const qint64 whole = wholeForWords(t.payable);
    const QString hundredths = QStringLiteral("%1").arg(t.payable.hundredths(), 2, 10, QLatin1Char('0'));
    // Below one unit the whole part is nought, and the sign goes in front of it.
    const QString sign = t.payable.isNegative() && whole == 0 ? QStringLiteral("mínusz ") : QString();
    vars.set(QStringLiteral("v_azaz"), sign + HungarianNumberWords(whole) + u' ' + hundredths + QStringLiteral("/100 "));
    return t.payable.isNegative();
}

// A foreign-currency invoice's rate and its amounts in whole forints.
void setForintConversion(ReportVariables& vars, const InvoiceTotals& t)
{
    if (!t.converted) {
        for (const char* name : {"v_arfoly", "v_netto_Ft", "v_afa_Ft", "v_brutto_Ft"})
            vars.set(QLatin1String(name), QString());
        return;
    }
    vars.set(QStringLiteral("v_arfoly"), QStringLiteral("Árfolyam: 1 ") + t.currency + QStringLiteral(" = ")
                                             + billing::decimalText(t.exchangeRate, 2)
                                             + QStringLiteral(" Ft. Átszámolva forintban: "));
    vars.set(QStringLiteral("v_netto_Ft"), t.netHuf.wholeText());
    vars.set(QStringLiteral("v_afa_Ft"), t.taxHuf.wholeText());
    vars.set(QStringLiteral("v_brutto_Ft"), (t.netHuf + t.taxHuf).wholeText());
}

void setDiscountNote(ReportVariables& vars, const Decimal& discount)
{
    vars.set(QStringLiteral("v_enged"), discount.isPositive() ? QStringLiteral("Az egységár tartalmazza a ")
                                                                    + billing::decimalText(discount, 2) + QStringLiteral(" % engedményt.")
                                                              : QString());
}

// What the VAT act requires on every invoice whatever the operator composed into the address
// blocks: the issuer's tax number, the customer's where it is a taxable person, why a line
// carries no VAT, and the issuer's VAT regime ("Alanyi adómentes", "Pénzforgalmi elszámolás" word
// for word, "Kisadózó"). An issued invoice prints what was kept at its issue; one issued before
// that was kept prints the regime its report stated.
void setLegalContent(ReportVariables& vars, DataModule& data, const PrintedDocument& invoice, const PrintedKind& kind)
{
    const bool issued = !kind.proforma && invoice.printed;
    std::optional<nav::IssuedContent> content = issued ? nav::keptIssuedContent(data, invoice.number) : std::nullopt;
    if (!content) {
        content = nav::currentIssuedContent(data, invoice.number, kind.headerTable, kind.lineTable);
        if (issued)
            if (const auto regime = nav::issuedRegime(data, invoice.number))
                content->regime = *regime;
    }
    vars.set(QStringLiteral("v_vevo_adoszam"), content->customerTaxLine);
    vars.set(QStringLiteral("v_szall_adoszam"), content->issuerTaxLine);
    vars.set(QStringLiteral("v_mentesseg"), content->exemptionReasons);
    vars.set(QStringLiteral("v_afa_helyzet"), content->regimeLine());
}

// The instant-payment QR code of a forint invoice paid by transfer, when the issuer has an IBAN
// and a BIC: the payable amount in whole forints, the invoice number as the message, valid to the
// end of the due date. Empty (nothing printed) otherwise, and for a storno.
void setPaymentCode(ReportVariables& vars, DataModule& data, const PrintedDocument& invoice, const InvoiceTotals& t)
{
    QByteArray payload;
    const Query& header = *invoice.header;
    if (t.forint && nav::paymentMethodCode(header.fieldText(QStringLiteral("fFizmod"))) == u"TRANSFER") {
        if (const auto account = issuerPaymentAccount(data, header.fieldText(QStringLiteral("fzKod")))) {
            const qint64 forints = t.payable.roundedWhole().wholeUnits();
            const QString dueText = header.fieldText(QStringLiteral("fFkelt"));
            const QDate due = isValidDate(dueText) ? parseDate(dueText) : QDate();
            payload = paymentQrPayload(*account, forints, invoice.number,
                                       paymentQrValidity(due, QDate::currentDate()));
        }
    }
    vars.set(QStringLiteral("v_fizetes_qr"), QString::fromUtf8(payload));
}

// The copy mark, from the printed flag as it stood before this run; a negative invoice is a
// document equivalent to an invoice.
// The line where the copy mark stands: a correction names itself and the invoice it corrects
// (`heading`), a negative invoice is a document counting as an invoice; a printed one is a copy.
// The remark as printed (v_megjegyzes): a storno's remark as the storno wrote it names the reversed
// invoice by its stored number; the print names it by the number printed and reported on it. A
// remark the operator changed is printed as it is stored.
void setRemark(ReportVariables& vars, DataModule& data, const PrintedDocument& document, bool proforma)
{
    QString remark = document.header->fieldText(QStringLiteral("fMegj"));
    if (!proforma) {
        Query link(data.connection(), QStringLiteral("stornoOriginal"));
        link.setSql({QStringLiteral("SELECT hEredeti FROM szlahivatkozas WHERE hBszam = :p0 AND hMuvelet = :p1")});
        link.setText(QStringLiteral("p0"), document.number);
        link.setText(QStringLiteral("p1"), kStornoLink);
        link.open();
        const QString original = link.fieldText(QStringLiteral("hEredeti"));
        if (!original.isEmpty() && remark.trimmed() == invoice::stornoRemark(original))
            remark = invoice::stornoRemark(QStringLiteral("K") + original);
    }
    vars.set(QStringLiteral("v_megjegyzes"), remark);
}

void setCopyMark(ReportVariables& vars, const PrintedDocument& invoice, bool negative, const QString& heading)
{
    if (!invoice.printed) {
        vars.set(QStringLiteral("v_masolat"), !heading.isEmpty() ? heading
                                              : negative        ? QStringLiteral("Számlával egy tekintet alá eső okirat ")
                                                                : QStringLiteral(" "));
        return;
    }
    const QString lead = !heading.isEmpty() ? heading
                         : negative        ? QStringLiteral("Számlával egy tekintet alá eső okirat")
                                           : QString();
    vars.set(QStringLiteral("v_masolat"), (lead.isEmpty() ? QString() : lead + QStringLiteral(" - "))
                                              + QStringLiteral("MÁSOLATI PÉLDÁNY /")
                                              + invoice.labels->fieldText(QStringLiteral("mMasolatipld")));
}

// The report variables of what the VAT act requires on an invoice that a template made before
// they existed may lack; empty when the template has them all (or cannot be read: the print
// itself then says so).
QStringList missingLegalFields(const QString& templateFile)
{
    QFile file(templateFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.read(8 * 1024 * 1024));
    QStringList missing;
    for (const char* name : {"v_szall_adoszam", "v_vevo_adoszam", "v_mentesseg", "v_afa_helyzet"})
        if (!text.contains(QLatin1String(name), Qt::CaseInsensitive))
            missing << QLatin1String(name);
    return missing;
}

QString legalFieldsMessage(const QString& number, const QString& templateFile, const QStringList& missing)
{
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    const QString name = QFileInfo(templateFile).fileName();
    const QString kept = QFileInfo(name).completeBaseName() + QStringLiteral("-regi.frf");
    return QStringLiteral("A(z) %1 számú számla nem állítható ki: a(z) „%2” nyomtatási sablonból hiányzik, amit a "
                          "törvény minden számlán megkövetel (%3: az adószámok, a mentesség indoka, az áfa-helyzet).\n"
                          "A program sablonjának átvétele: a munkamappában (%4) nevezze át a(z) „%2” fájlt „%5” "
                          "névre (a régi sablon így másolatként megmarad), és másolja a helyére a program telepített "
                          "„%2” sablonját (/usr/share/orvena). A saját módosításait ezután abba vezesse át.\n"
                          "A nézet (előnézet) a régi sablonnal is működik; a számla nem lett nyomtatottnak jelölve, "
                          "továbbra is módosítható.")
        .arg(number, name, missing.join(QStringLiteral(", ")), folder, kept);
}

// The document's report variables: the VAT summary, totals, rounding and words, forint
// conversion, discount note, legal content, remark, copy mark, title, payment code and the copies
// line, all from its one calculation of amounts.
void setDocumentVariables(ReportVariables& vars, DataModule& data, const PrintedDocument& invoice,
                          const PrintedKind& kind, const billing::DocumentAmounts& amounts, AmountStyle style,
                          bool electronic)
{
    const QString& number = invoice.number;
    setVatSummary(vars, amounts);
    const InvoiceTotals totals = readTotals(data, invoice, amounts, kind);
    setTotals(vars, totals);
    const bool negative = setRoundingAndWords(vars, totals, style);
    setForintConversion(vars, totals);
    setDiscountNote(vars, totals.discount);
    setLegalContent(vars, data, invoice, kind);
    setRemark(vars, data, invoice, kind.proforma);
    // The title names the kind: "Számla", "Előlegszámla", "Végszámla", "Helyesbítő számla" (a proforma's
    // layout has its own); a correcting invoice also names the invoice it corrects where the copy mark stands.
    const QString correction = kind.proforma ? QString() : correctionHeading(data.connection(), number);
    setCopyMark(vars, invoice, negative, correction);
    if (!kind.proforma)
        vars.set(QStringLiteral("v_szamla_cim"),
                 correction.isEmpty() ? nav::kindTitle(nav::readInvoiceKind(data.connection(), number))
                                      : QStringLiteral("Helyesbítő számla"));
    if (kind.proforma) { // no copies and no original: a proforma is no invoice; the transfer names it as printed
        vars.set(QStringLiteral("v_masolat"), QString());
        PrintedDocument printed = invoice;
        printed.number = QStringLiteral("D") + number;
        setPaymentCode(vars, data, printed, totals);
    } else if (linkedOriginal(data.connection(), number).isEmpty()) {
        setPaymentCode(vars, data, invoice, totals);
    } else { // a correction or a storno is settled through its original: no payment code of its own
        vars.set(QStringLiteral("v_fizetes_qr"), QString());
    }

    // An electronic invoice is one original; the paper print is made in three copies.
    if (!kind.proforma)
        vars.set(QStringLiteral("v_peldanyszam"), electronic ? QString()
                                                             : QStringLiteral("A számla 3 példányban három menetben készült."));

}

// Issuing: the invoice-data document is built, checked and validated before anything is printed;
// a refusal names every problem and nothing is printed or marked (false: the print stops). An
// electronic invoice is issued here with its original copy's PDF and handed over (false too);
// a paper one is marked issued once its report has been produced (the job's `produced`).
bool prepareIssue(ScreenContext& context, ReportPresenter& reports, ReportJob& job,
                  std::optional<nav::IssueCheck>& issue, const QString& number, const InvoiceHandover& handover,
                  bool electronic)
{
    DataModule& data = context.data;
    // A customised template without the legal fields would issue an invoice the law refuses.
    const QStringList missing = missingLegalFields(job.templateFile);
    if (!missing.isEmpty()) {
        context.ui.message(legalFieldsMessage(number, job.templateFile, missing));
        context.state.invoiceNumber = number;
        return false;
    }
    issue = nav::checkInvoice(data, number, handover.appearance);
    if (issue->refused()) {
        context.ui.message(nav::refusalMessage(number, issue->problems));
        context.state.invoiceNumber = number;
        return false;
    }
    // Unusual data is confirmed before anything is printed or marked.
    if (!issue->questions().isEmpty() && !context.ui.askYesNo(nav::issueQuestion(number, issue->questions()))) {
        context.state.invoiceNumber = number;
        return false;
    }
    // The original copy as a PDF, rendered before anything is printed: kept with the issue as
    // what was issued (and for the e-mail, the very file that is sent).
    ReportJob original = job;
    original.originalOnly = true;
    const QByteArray pdf = reports.renderPdf(original).value_or(QByteArray());
    if (electronic) {
        if (pdf.isEmpty())
            throw Error(QStringLiteral("A(z) %1 számú számla PDF-je nem készíthető el.").arg(number));
        // Issuing comes first and cannot be undone; a failure throws before anything is sent.
        const qint64 archiveId = nav::markIssued(data, *issue, {pdf, true, handover.alongside});
        context.state.invoiceNumber = number;
        handover.electronicPdf(archiveId, pdf);
        return false;
    }
    job.produced = [&context, &issue, pdf] {
        try {
            nav::markIssued(context.data, *issue, {pdf, false, {}});
        } catch (const DbError& e) {
            showFailure(context.ui, QStringLiteral("Hiba: prn UPDATE Szlafej-be "), &e, lcPrint());
        } catch (const Error& e) { // refused at write time (a modification issued meanwhile elsewhere)
            showFailure(context.ui, e.text(), &e, lcPrint());
        }
    };
    return true;
}

void printDocument(ScreenContext& context, const QString& invoiceNumber, const InvoiceHandover& handover,
                   const PrintedKind& kind)
{
    ReportPresenter& reports = startPrint(context);
    DataModule& data = context.data;
    PrintedDocument invoice = openDocument(data, kind.columns, invoiceNumber, kind.readLines);
    // Issuing takes the invoice's lock until it is marked: a workstation modifying it finishes
    // first, and no screen writes into it while it is issued. The invoice is read again under
    // the lock, so what is printed and reported is what is stored.
    std::unique_ptr<NamedLock> issuing;
    if (!kind.proforma && marksPrinted(invoice, handover.mode)) {
        issuing = worklock::take(context, worklock::invoice(invoice.number), [&invoice] {
            return QStringLiteral("A(z) %1 számú számlát egy másik munkaállomás éppen módosítja, ezért most nem "
                                  "nyomtatható ki. Kérem, próbálja újra, amikor ott elkészült.")
                .arg(invoice.number);
        });
        if (!issuing)
            return;
        invoice = openDocument(data, kind.columns, invoiceNumber, kind.readLines);
    }
    const QString& number = invoice.number;
    const AmountStyle style = amountStyleOf(invoice);

    // One calculation of the amounts for the lines, the summary and the totals.
    const billing::DocumentAmounts amounts = billing::readInvoiceAmounts(data, number, kind.headerTable, kind.lineTable);
    addLineAmounts(*invoice.lines, amounts);
    const bool electronic = static_cast<bool>(handover.electronicPdf);
    setDocumentVariables(reports.variables(), data, invoice, kind, amounts, style, electronic);

    ReportJob job = countedJob(reports.pageCounters(),
                               kind.layout + (style == AmountStyle::WholeForints ? QStringLiteral("2.frf") : QStringLiteral("3.frf")),
                               kind.title.arg(number));
    job.datasets = {{role::kPrintedInvoice, invoice.header},     {role::kInvoiceList, invoice.header},
                    {role::kPrintedInvoiceLines, invoice.lines}, {role::kPrintedCustomer, invoice.customer},
                    {role::kPrintedLabels, invoice.labels}};

    // Issuing: the invoice-data document is built, checked and validated before anything is
    // printed; a refusal names every problem, and nothing is printed or marked. Otherwise the
    // invoice is marked printed together with its szlanav row only once the document has been
    // produced (printed from the preview, or its PDF written): a report that never gets out
    // leaves the flag as it was, so the original copy can still be made.
    std::optional<nav::IssueCheck> issue;
    if (kind.proforma && handover.mode == PrintMode::Print) {
        // Printed is only noted: the proforma stays modifiable and is never issued.
        job.produced = [&data, number] {
            Query mark(data.connection(), QStringLiteral("proformaPrinted"));
            mark.setSql({QStringLiteral("UPDATE dijbfej SET fPrn = 'I' WHERE fBszam = :p1")});
            mark.setText(QStringLiteral("p1"), number);
            mark.execute();
        };
    } else if (marksPrinted(invoice, handover.mode)) {
        if (!prepareIssue(context, reports, job, issue, number, handover, electronic))
            return;
    } else if (electronic) { // issued before: its copy, the original copy's page only
        ReportJob copy = job;
        copy.originalOnly = true;
        const std::optional<QByteArray> pdf = reports.renderPdf(copy);
        if (!pdf || pdf->isEmpty())
            throw Error(QStringLiteral("A(z) %1 számú számla PDF-je nem készíthető el.").arg(number));
        context.state.invoiceNumber = number;
        handover.electronicPdf(0, *pdf);
        return;
    }
    std::unique_ptr<PreparedReport> report = reports.prepare(job);
    reports.present(*report, job.title);
    (kind.proforma ? context.state.proformaNumber : context.state.invoiceNumber) = number;
}

} // namespace

void PrintInvoice(ScreenContext& context, const QString& invoiceNumber, PrintMode mode)
{
    InvoiceHandover handover;
    handover.mode = mode;
    PrintInvoice(context, invoiceNumber, handover);
}

void PrintInvoice(ScreenContext& context, const QString& invoiceNumber, const InvoiceHandover& handover)
{
    printDocument(context, invoiceNumber, handover, kInvoiceKind);
}

void PrintProforma(ScreenContext& context, const QString& proformaNumber, PrintMode mode)
{
    InvoiceHandover handover;
    handover.mode = mode;
    printDocument(context, proformaNumber, handover, kProformaKind);
}

} // namespace orvena
