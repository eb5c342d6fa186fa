#pragma once
// Validation against the tax authority's official schemas with libxml2. The schemas import each
// other by namespace only, so one wrapper schema imports them, with their locations, in
// dependency order. Until the program carries the schemas itself they are read from the shared
// material folder (ORVENA_NAV_SCHEMA_DIR, or shared/nav/schemas above the source tree).
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvena::test {

class NavSchemas {
public:
    // The folder that holds nav/gov/hu/{NTCA,OSA}; empty when none is found.
    static QString schemaDir();
    // Loads (once per process) and validates a document whose root is any element of the
    // API or invoice-data schemas. Returns the problems, empty when the document is valid.
    static QStringList validate(const QByteArray& document);
};

} // namespace orvena::test
