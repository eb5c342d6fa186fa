#pragma once
// The tax authority's invoice-data document (InvoiceData, Online Számla 3.0) of a stored
// invoice: read from the invoice, its lines, its issuer, its customer and its VAT codes,
// checked for what the authority demands, written as XML. A storno invoice (linked to the
// reversed invoice in szlahivatkozas when it was made) is reported as a modification of that
// invoice; without its master when the reversed invoice was never reported.
#include "advancedata.h"
#include "billing/amounts.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

namespace orvena {

class DataModule;

namespace nav {

// The classification of a VAT code in the report (afa.kNavTipus).
QStringList vatClassifications();
// Case codes allowed for an exemption and for "out of scope" (afa.kNavKod).
QStringList exemptionCases();
QStringList outOfScopeCases();
// The customer VAT statuses (vevo.vAfaStatusz) and the issuer's reporting modes (szallito.zNavMod).
QStringList customerVatStatuses();
QStringList reportingModes();

// The authority's code of a unit of measure ("db" PIECE, "kg" KILOGRAM, "óra" HOUR, ...);
// empty when it has none (the unit is then reported as OWN with its text).
QString unitOfMeasureCode(const QString& unit);
// The first delivery day the 0 % rate may be charged on.
extern const QDate kZeroRateFrom;
// Whether a PERCENTAGE VAT rate may be reported: 5, 18 and 27 % always, 0 % for a delivery from
// 2024 on, 7, 12, 20 and 25 % only on a storno or for a delivery before 2013 (deliveryDate null:
// the rate in itself, as the VAT-rate screen judges it).
bool vatPercentAllowed(int percent, const QDate& deliveryDate, bool storno = false);
// The Hungarian reason a VAT code with this classification and rate cannot be stored; empty when
// it can (a percentage the authority refuses, any other classification with a rate).
QString vatRateProblem(const QString& classification, int percent);
// The question asked once before a 0 % percentage VAT code is stored: the 0 % rate and an
// exemption are reported and printed differently.
QString zeroRateQuestion(const QString& vatName);
// The authority's plausible band of a currency's rate in forints; false when it watches none.
bool plausibleRateBand(const QString& currency, double* low, double* high);

// ISO 4217 code of the invoice's currency text ("Ft" and "HUF" are HUF); empty when unknown.
QString currencyCode(const QString& currency);
// "kp." CASH, "átutalás" TRANSFER, ...; empty for an empty text.
QString paymentMethodCode(const QString& method);

struct InvoiceDocument {
    QString number;        // fBszam
    bool found = false;
    bool storno = false;   // reported as a modification of `original` (STORNO, or MODIFY below)
    bool correction = false; // a correcting invoice: operation MODIFY
    QString original;      // the reversed invoice's number
    bool withoutMaster = false; // the original was never reported (modifyWithoutMaster)
    int modificationIndex = 0;
    QString issuerMode;    // the issuer's zNavMod (OFF when the issuer is missing)
    QStringList problems;  // Hungarian, one per missing or faulty datum
    // Those of the problems that break the VAT law or the authority's blocking rules (a rate not
    // in force, a line whose tax contradicts its VAT code, dates out of range, customer data that
    // contradicts its VAT status, a forint invoice at another rate, a negative new invoice): they
    // refuse the issue whatever the issuer's reporting mode.
    QStringList ruleProblems;
    // Unusual data the operator confirms before issuing (an issue date days ahead, a foreign
    // currency at rate 1 or outside the authority's plausible band).
    QStringList questions;
    QByteArray xml;        // UTF-8; empty when the data problems prevent building it
    billing::DocumentAmounts amounts;
    // Header data the export summary uses.
    QDate issueDate, deliveryDate, dueDate;
    QString customerName;
    bool issued = false;   // fPrn = "I"
    // An advance invoice's lines all carry the advance indicator; a final invoice's deduction
    // lines (by line identity) also the advance they deduct.
    InvoiceKind kind = InvoiceKind::Plain;
    std::map<qint64, Deduction> deductions;
};

// How the issued invoice reaches the customer: printed on paper, or as a file (a PDF sent by
// e-mail), reported as invoiceAppearance PAPER or ELECTRONIC.
enum class InvoiceAppearance { Paper, Electronic };

// Builds the document of the stored invoice. modificationIndex > 0 forces the index of a
// storno (0: one more than the highest already used for its original). The XML is not
// validated here (see SchemaValidator).
InvoiceDocument buildInvoiceDocument(DataModule& data, const QString& invoiceNumber, int modificationIndex = 0,
                                     InvoiceAppearance appearance = InvoiceAppearance::Paper);

} // namespace nav
} // namespace orvena
