#pragma once
// "Adóhatósági adatszolgáltatás": the tax-audit export of the invoices issued in a date range
// or a range of invoice numbers into a folder (the files are made in src/nav).
#include "screens/common/screencontext.h"

namespace orvena {

class AuditExportScreen {
public:
    enum Field { From, To, Folder };
    explicit AuditExportScreen(ScreenContext& context);

    bool byNumber() const { return m_byNumber; }
    // Switching the kind of range proposes its own limits.
    void setByNumber(bool byNumber);
    const QString& field(Field f) const { return m_fields[f]; }
    void setField(Field f, const QString& text) { m_fields[f] = text; }

    // "Indít": checks the fields, writes the files, tells the result. Returns whether files were written.
    bool run();

private:
    ScreenContext& m_context;
    bool m_byNumber = false;
    QString m_fields[3];
};

} // namespace orvena
