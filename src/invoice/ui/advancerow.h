#pragma once
// The composition screen's row for advance and final invoices: "Előleg" and "Végszámla" check
// boxes, the customer's deductible advance invoices and "Előleg levonása".
#include <QWidget>

namespace orvena {

class InvoiceComposer;

QWidget* advanceRow(InvoiceComposer* model, QWidget* parent);

} // namespace orvena
