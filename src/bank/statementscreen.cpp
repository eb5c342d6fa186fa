#include "statementscreen.h"

#include "db/datamodule.h"
#include "db/money.h"
#include "db/query.h"
#include "screens/common/dispatcher.h"

#include <QFile>
#include <algorithm>
#include <QFileInfo>

namespace orvena::bank {

StatementScreen::StatementScreen(ScreenContext& context, QObject* parent) : QObject(parent), m_context(context) {}

QString StatementScreen::stateText(const EntryRow& e)
{
    if (e.booked)
        return QStringLiteral("Könyvelve");
    if (e.reversal)
        return QStringLiteral("Sztornó");
    if (!e.credit)
        return QStringLiteral("Terhelés");
    return QStringLiteral("Nyitott");
}

bool StatementScreen::importFile(const QString& path, const Progress& progress)
{
    bool stored = false;
    runAction(m_context.ui, [&] {
        if (QFileInfo(path).size() > kMaxFileBytes) {
            m_context.ui.message(QStringLiteral("A fájl túl nagy (legfeljebb %1 MB olvasható be).").arg(kMaxFileBytes / (1024 * 1024)));
            return;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            m_context.ui.message(QStringLiteral("A kivonatfájl nem nyitható meg: %1").arg(path));
            return;
        }
        const ImportResult r = importStatement(m_context.data.connection(), file.readAll(), QFileInfo(path).fileName(),
                                               chooseIssuer, progress);
        if (!r.ok) {
            m_context.ui.message(r.message);
            return;
        }
        m_context.ui.notice(r.message);
        stored = true;
        refresh();
        // the first new credit is the one to decide first
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (std::find(r.newEntries.begin(), r.newEntries.end(), m_entries[i].id) != r.newEntries.end()) {
                select(static_cast<int>(i));
                break;
            }
    });
    return stored;
}

void StatementScreen::setShowAll(bool all)
{
    m_showAll = all;
    refresh();
}

void StatementScreen::refresh()
{
    const qint64 keep = currentEntry() ? currentEntry()->id : 0;
    m_entries = loadEntries(m_context.data.connection(), m_showAll);
    m_matching = loadMatchingData(m_context.data.connection());
    int row = m_entries.empty() ? -1 : 0;
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].id == keep)
            row = static_cast<int>(i);
    select(row);
}

void StatementScreen::select(int row)
{
    m_current = row >= 0 && row < static_cast<int>(m_entries.size()) ? row : -1;
    m_suggestions = m_current >= 0 ? suggestMatches(m_entries[static_cast<size_t>(m_current)], m_matching)
                                   : std::vector<Suggestion>();
    m_chosen = m_suggestions.empty() ? -1 : 0;
    emit changed();
}

void StatementScreen::setCurrent(int row)
{
    if (row != m_current)
        select(row);
}

const EntryRow* StatementScreen::currentEntry() const
{
    return m_current >= 0 ? &m_entries[static_cast<size_t>(m_current)] : nullptr;
}

void StatementScreen::choose(int suggestion)
{
    if (suggestion >= 0 && suggestion < static_cast<int>(m_suggestions.size()))
        m_chosen = suggestion;
}

QStringList StatementScreen::bookedPayments() const
{
    QStringList lines;
    const EntryRow* e = currentEntry();
    if (!e || !e->booked)
        return lines;
    Query q(m_context.data.connection(), QStringLiteral("bankentries"));
    q.setSql({QStringLiteral("SELECT kfBszam, kfOsszeg FROM bankkivonatfizetes WHERE kfTetel = :p0 AND kfVisszavonva IS NULL "
                             "ORDER BY kfID")});
    q.setInteger(QStringLiteral("p0"), e->id);
    q.open();
    for (int r = 0; r < q.rowCount(); ++r)
        lines << QStringLiteral("%1  %2").arg(q.text(r, 0), amountText(q.money(r, 1).filler(), e->currency));
    return lines;
}

bool StatementScreen::acceptChosen()
{
    const EntryRow* e = currentEntry();
    if (!e)
        return false;
    if (e->booked) {
        m_context.ui.notice(QStringLiteral("Ez a tétel már le van könyvelve."));
        return false;
    }
    if (m_chosen < 0) {
        m_context.ui.message(e->credit && !e->reversal
                                 ? QStringLiteral("Ehhez a jóváíráshoz nincs javasolt számla: a „Felosztás” gombbal adhatja "
                                                  "meg, mely számlákat fizeti.")
                                 : QStringLiteral("Terhelés és sztornó nem könyvelhető számla fizetéseként."));
        return false;
    }
    return book(m_suggestions[static_cast<size_t>(m_chosen)].allocations);
}

bool StatementScreen::book(const std::vector<Allocation>& allocations)
{
    const EntryRow* e = currentEntry();
    if (!e)
        return false;
    bool done = false;
    runAction(m_context.ui, [&] {
        const QString refusal = bookEntry(m_context.data.connection(), e->id, allocations);
        if (!refusal.isEmpty())
            m_context.ui.message(refusal);
        done = refusal.isEmpty();
        const int row = m_current;
        refresh();
        // the next entry to decide takes the booked one's place
        select(done && !m_showAll ? std::min(row, static_cast<int>(m_entries.size()) - 1) : m_current);
    });
    return done;
}

void StatementScreen::leave()
{
    if (m_current + 1 < static_cast<int>(m_entries.size()))
        select(m_current + 1);
}

bool StatementScreen::undo()
{
    const EntryRow* e = currentEntry();
    if (!e)
        return false;
    if (!e->booked) {
        m_context.ui.notice(QStringLiteral("Ez a tétel nincs lekönyvelve."));
        return false;
    }
    if (!m_context.ui.askYesNo(QStringLiteral("Visszavonja a tétel könyvelését (%1)? A fizetései törölt jelöléssel a "
                                              "számlák fizetései között maradnak.")
                                   .arg(entryLine(*e))))
        return false;
    bool done = false;
    runAction(m_context.ui, [&] {
        const QString refusal = undoEntry(m_context.data.connection(), e->id);
        if (!refusal.isEmpty())
            m_context.ui.message(refusal);
        done = refusal.isEmpty();
        refresh();
    });
    return done;
}

} // namespace orvena::bank
