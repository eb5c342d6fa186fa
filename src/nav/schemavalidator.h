#pragma once
// Validation of invoice-data documents against the tax authority's official schemas, compiled
// into the program. The schemas import each other by namespace only, so they are loaded in
// their dependency order (common, base, data) through a wrapper schema.
#include <QByteArray>
#include <QStringList>

namespace orvena::nav {

struct ValidationResult {
    bool valid = false;
    QStringList problems; // Hungarian, one per schema violation (line and element named)
};

// Validates an InvoiceData document (UTF-8). The schemas are compiled once per run.
ValidationResult validateInvoiceData(const QByteArray& xml);

} // namespace orvena::nav
