#include "auditexportscreen.h"

#include "tools/dataexport.h"

#include "db/conversions.h"
#include "nav/auditexport.h"

#include <QDate>
#include <QDir>

namespace orvena {

AuditExportScreen::AuditExportScreen(ScreenContext& context) : m_context(context)
{
    setByNumber(false);
    m_fields[Folder] = QDir(DataExport::defaultFolder()).filePath(QStringLiteral("adatszolgaltatas"));
}

void AuditExportScreen::setByNumber(bool byNumber)
{
    m_byNumber = byNumber;
    if (byNumber) {
        // The whole invoice sequence up to its last number.
        Query q(m_context.data.connection(), QStringLiteral("issuedRange"));
        q.setSql({QStringLiteral("SELECT MIN(CAST(fBszam AS UNSIGNED)) AS elso, MAX(CAST(fBszam AS UNSIGNED)) AS utolso "
                                 "FROM szlafej WHERE fPrn = \"I\"")});
        q.open();
        m_fields[From] = q.fieldText(QStringLiteral("elso"));
        m_fields[To] = q.fieldText(QStringLiteral("utolso"));
    } else {
        // The previous month, the usual period of an audit request.
        const QDate firstOfMonth = QDate::currentDate().addDays(1 - QDate::currentDate().day());
        m_fields[From] = formatDate(firstOfMonth.addMonths(-1));
        m_fields[To] = formatDate(firstOfMonth.addDays(-1));
    }
}

bool AuditExportScreen::run()
{
    nav::AuditExportRange range;
    range.byNumber = m_byNumber;
    if (m_byNumber) {
        range.fromNumber = m_fields[From].trimmed();
        range.toNumber = m_fields[To].trimmed();
    } else {
        range.from = isValidDate(m_fields[From].trimmed()) ? parseDate(m_fields[From].trimmed()) : QDate();
        range.to = isValidDate(m_fields[To].trimmed()) ? parseDate(m_fields[To].trimmed()) : QDate();
    }
    const nav::AuditExportOutcome outcome = nav::exportAuditData(m_context.data, range, m_fields[Folder].trimmed());
    m_context.ui.message(outcome.message);
    return outcome.ok && outcome.count > 0;
}

} // namespace orvena
