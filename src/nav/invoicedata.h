#pragma once
// The tax authority's invoice-data document (InvoiceData, Online Számla 3.0) of a stored
// invoice: read from the invoice, its lines, its issuer, its customer and its VAT codes,
// checked for what the authority demands, written as XML. A storno invoice (linked to the
// reversed invoice in szlahivatkozas when it was made) is reported as a modification of that
// invoice; without its master when the reversed invoice was never reported.
#include "invoiceamounts.h"

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
// ISO 4217 code of the invoice's currency text ("Ft" and "HUF" are HUF); empty when unknown.
QString currencyCode(const QString& currency);
// "kp." CASH, "átutalás" TRANSFER, ...; empty for an empty text.
QString paymentMethodCode(const QString& method);

struct InvoiceDocument {
    QString number;        // fBszam
    bool found = false;
    bool storno = false;   // reported as a modification (STORNO)
    QString original;      // the reversed invoice's number
    bool withoutMaster = false; // the original was never reported (modifyWithoutMaster)
    int modificationIndex = 0;
    QString issuerMode;    // the issuer's zNavMod (OFF when the issuer is missing)
    QStringList problems;  // Hungarian, one per missing or faulty datum
    QByteArray xml;        // UTF-8; empty when the data problems prevent building it
    InvoiceAmounts amounts;
    // Header data the export summary uses.
    QDate issueDate, deliveryDate, dueDate;
    QString customerName;
    bool issued = false;   // fPrn = "I"
};

// Builds the document of the stored invoice. modificationIndex > 0 forces the index of a
// storno (0: one more than the highest already used for its original). The XML is not
// validated here (see SchemaValidator).
InvoiceDocument buildInvoiceDocument(DataModule& data, const QString& invoiceNumber, int modificationIndex = 0);

} // namespace nav
} // namespace orvena
