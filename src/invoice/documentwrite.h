#pragma once
// The writes of a document's header and of one of its lines, for invoices and delivery notes
// alike: both store the same header columns behind their own letter, and a delivery note's line
// holds an invoice line's columns without the price and VAT ones. A new header or line is
// inserted (the server gives it its identity); an edited one is replaced whole under its identity.
#include "worktables.h"

#include "db/memotext.h"
#include "db/query.h"

#include <QString>

namespace orvena {

using worktables::Document;

// A header as its composition screen stores it. Memo texts as typed (stored with CR LF line
// breaks), dates in the form they are stored in, discount and exchange rate with the program's
// decimal separator.
struct DocumentHeader {
    QString id = {}; // the row's identity; empty for a new document
    QString number = {};
    QString customerCode = {};
    QString fulfilmentDate = {}; // performance (invoice) or fulfilment (delivery note)
    QString issueDate = {};
    QString dueDate = {};
    QString paymentMethod = {};
    QString remark = {};
    QString contract = {};
    QString message = {};
    QString discount = {};
    QString exchangeRate = {};
    QString currency = {};
    QString customerNumber = {};
    QString customerBlock = {};
    QString issuerBlock = {};
    QString issuerCode = {};
    QString issuerNumber = {};
    QString dictionaryCode = {};
};

// The header values both composition screens hold under the same field names (Screen::Number,
// Screen::CustomerCode, ...); the screen adds its identity, dates and dictionary code.
template <typename Screen, typename Fields>
DocumentHeader commonHeaderFields(const Fields& fields)
{
    const auto at = [&fields](auto field) { return fields[static_cast<size_t>(field)]; };
    return {.number = at(Screen::Number),
            .customerCode = at(Screen::CustomerCode),
            .paymentMethod = at(Screen::PaymentMethod),
            .remark = at(Screen::Remark),
            .contract = at(Screen::Contract),
            .message = memoWithoutTrailingBreaks(at(Screen::Message)),
            .discount = at(Screen::Discount),
            .exchangeRate = at(Screen::ExchangeRate),
            .currency = at(Screen::Currency),
            .customerNumber = at(Screen::CustomerNumber),
            .customerBlock = at(Screen::CustomerBlock),
            .issuerBlock = at(Screen::IssuerBlock),
            .issuerCode = at(Screen::IssuerCode),
            .issuerNumber = at(Screen::IssuerNumber)};
}

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
