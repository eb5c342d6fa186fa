#include "listscreen.h"

#include "dispatcher.h"

namespace orvena {

ListScreen::ListScreen(ScreenContext& context, ListSpec def, QObject* parent)
    : QObject(parent),
      m_context(context),
      m_spec(std::move(def)),
      m_list(context.data.query(m_spec.listQuery)),
      m_aux(context.data.connection(), m_spec.table + QStringLiteral("Aux")),
      m_caption(m_spec.caption)
{
}

void ListScreen::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    emit captionChanged(caption);
}

void ListScreen::runList(const QString& sql)
{
    m_list.setSql({sql});
    m_list.open();
    m_list.refresh();
}

void ListScreen::create()
{
    runAction(m_context.ui, [this] { runList(m_spec.createSql); });
}

void ListScreen::show()
{
    runAction(m_context.ui, [this] {
        runList(m_spec.showSql);
        locateKey(m_list, m_spec.showLocateColumn, m_context.state.rememberedKey(m_spec.table));
    });
}

bool ListScreen::sortBy(const QString& field)
{
    for (const SortOption& sort : m_spec.sorts) {
        if (sort.field.compare(field, Qt::CaseInsensitive) != 0)
            continue;
        runAction(m_context.ui, [this, &sort] {
            runList(sort.sql);
            m_list.first();
            setCaption(sort.caption);
        });
        return true;
    }
    return false;
}

void ListScreen::choose()
{
    ensureOpen();
    emit finished();
}

void ListScreen::cancel()
{
    ensureOpen();
    emit finished();
}

void ListScreen::ensureOpen()
{
    // The caller reads the list's current row: never leave it a closed query.
    if (!m_list.isOpen())
        runAction(m_context.ui, [this] { runList(m_spec.showSql); });
}

void ListScreen::newRecord()
{
    runAction(m_context.ui, [this] {
        m_context.opener.open(m_spec.editScreen, {EditMode::New});
    });
}

bool ListScreen::unreferenced()
{
    if (!m_spec.guard)
        return true;
    if (referenceCount(m_list, m_aux, *m_spec.guard) == 0)
        return true;
    m_context.ui.notice(m_spec.guard->notice);
    return false;
}

void ListScreen::modify()
{
    runAction(m_context.ui, [this] {
        unreferenced(); // only a notice: the record can still be changed
        if (!m_spec.modifyKeyColumn.isEmpty() && m_list.isOpen())
            m_context.state.setRememberedKey(m_spec.table, m_list.fieldText(m_spec.modifyKeyColumn));
        m_context.opener.open(m_spec.editScreen, {EditMode::Modify});
    });
}

void ListScreen::remove()
{
    runAction(m_context.ui, [this] {
        if (m_list.isOpen() && !m_list.isEmpty() && !unreferenced())
            return; // documents refer to it: it stays
        runDelete(m_context.ui, m_list, m_aux, m_spec.remove);
    });
}

} // namespace orvena
