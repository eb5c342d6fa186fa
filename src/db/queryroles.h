#pragma once
// The shared query objects of the data module, by role. Only what outlives one screen is shared:
// a list whose current row another screen reads (a chooser's answer, the document a register
// highlights, the line a line screen modifies), and the datasets the report templates read by
// name. A statement only one screen or one function runs uses a query object of its own.
#include <QString>

namespace orvena::role {

// --- lists the screens hand over through their current row ---
inline const QString kInvoiceList = QStringLiteral("ZQ10");  // invoice register: every header; a store re-reads it on the stored invoice
inline const QString kInvoiceLines = QStringLiteral("ZQ20"); // the lines of the register's or composition screen's invoice; "Módosít" of the line screen fills from its row
inline const QString kCustomerList = QStringLiteral("ZQ30"); // customers: the chooser's answer, the register's and composer's customer
inline const QString kArticleList = QStringLiteral("ZQ40");  // articles: the line screens' chooser
inline const QString kIssuerList = QStringLiteral("ZQ60");   // issuers: the chooser's answer, the register's and composer's issuer
inline const QString kDictionaryList = QStringLiteral("ZQ70"); // label sets: the language chooser's answer
inline const QString kVatList = QStringLiteral("ZQ90");      // VAT rates: the chooser's answer to the line and article screens
inline const QString kNoteList = QStringLiteral("ZQ100");    // delivery-note register: every header; a store re-reads it on the stored note
inline const QString kNoteLines = QStringLiteral("ZQ110");   // the lines of the register's or composition screen's note; the line screen fills from its row
inline const QString kProformaList = QStringLiteral("ZQ_DIJB"); // proforma register: every proforma with the invoice it became

// --- datasets the report templates read by name ---
inline const QString kPrintedInvoice = QStringLiteral("ZQ11");      // the printed invoice's header
inline const QString kPrintedInvoiceLines = QStringLiteral("ZQ21"); // its lines with their computed amounts (the line band)
inline const QString kPrintedCustomer = QStringLiteral("ZQ31");     // the printed document's customer
inline const QString kPrintedLabels = QStringLiteral("ZQ71");       // the printed document's label set (captions)
inline const QString kPrintedNote = QStringLiteral("ZQ101");        // the printed delivery note's header
inline const QString kPrintedNoteLines = QStringLiteral("ZQ111");   // its lines (the line band)
inline const QString kPrintedNoteTotal = QStringLiteral("ZQ112");   // its total quantity
inline const QString kReceivables = QStringLiteral("ZQ_KINTLEVO");       // the receivables list: open invoices by customer
inline const QString kReceivablesCustomers = QStringLiteral("ZQ_KINTLEVO_VEVOK"); // the receivables' customers by name
inline const QString kReminderLines = QStringLiteral("ZQ_FELSZ");        // a reminder letter's overdue invoices (the line band)
inline const QString kReminderIssuer = QStringLiteral("ZQ_FELSZ_KIB");   // the reminder's issuer with its bank account
inline const QString kReminderCustomer = QStringLiteral("ZQ_FELSZ_VEVO"); // the reminder's customer

// --- lists a screen's dialog shows from its model ---
inline const QString kPaymentList = QStringLiteral("ZQ_FIZETES"); // the payment screen's payments of one invoice

// A template may read the printed header under the register's list name (kInvoiceList,
// kNoteList) as well: the print offers it under both.

} // namespace orvena::role
