#pragma once
// The writes of a document's header and of one of its lines, for invoices and delivery notes
// alike: both store the same header columns behind their own letter, and a delivery note's line
// holds an invoice line's columns without the price and VAT ones. A new header or line is
// inserted (the server gives it its identity); an edited one is replaced whole under its identity.
#include "worktables.h"

#include "db/query.h"

#include <QString>

namespace orvena {

using worktables::Document;

// A header as its composition screen stores it. Memo texts as typed (stored with CR LF line
// breaks), dates in the form they are stored in, discount and exchange rate with the program's
// decimal separator.
struct DocumentHeader {
    QString id; // the row's identity; empty for a new document
    QString number;
    QString customerCode;
    QString fulfilmentDate; // performance (invoice) or fulfilment (delivery note)
    QString issueDate;
    QString dueDate;
    QString paymentMethod;
    QString remark;
    QString contract;
    QString message;
    QString discount;
    QString exchangeRate;
    QString currency;
    QString customerNumber;
    QString customerBlock;
    QString issuerBlock;
    QString issuerCode;
    QString issuerNumber;
    QString dictionaryCode;
};

// A line as its line screen stores it; the priced part is written for invoice lines only.
struct DocumentLine {
    QString id; // the row's identity; empty for a new line
    QString number;
    QString articleCode;
    QString name;
    QString vtsz;
    QString unit;
    QString quantity;
    QString note;
    QString articleNumber;
    // invoice lines only
    QString unitPrice = {};
    QString vatRate = {};
    QString gasOil = {};
    QString currency = {};
    QString vatName = {};
    QString vatCode = {};
};

// Puts on query the INSERT (isNew) or REPLACE of a header, its values bound. A stored header
// starts with a blank printed flag.
void prepareHeaderWrite(Query& query, Document document, const DocumentHeader& header, bool isNew);
// The same for a line.
void prepareLineWrite(Query& query, Document document, const DocumentLine& line, bool isNew);

} // namespace orvena
