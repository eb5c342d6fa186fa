#include "editscreen.h"

#include "dispatcher.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "db/schema.h"

namespace orvena {

EditScreen::EditScreen(ScreenContext& context, const ScreenRequest& request, const QString& table,
                       const QString& designedTitle, QObject* parent)
    : QObject(parent), m_context(context), m_table(table), m_designedTitle(designedTitle), m_title(designedTitle),
      m_mode(request.mode)
{
}

void EditScreen::addField(Field field)
{
    m_values.insert(field.key, field.initial);
    m_fields.push_back(std::move(field));
}

const EditScreen::Field* EditScreen::fieldSpec(const QString& key) const
{
    for (const Field& f : m_fields)
        if (f.key == key)
            return &f;
    return nullptr;
}

QString EditScreen::field(const QString& key) const
{
    return m_values.value(key);
}

void EditScreen::setField(const QString& key, const QString& text)
{
    const auto it = m_values.find(key);
    if (it == m_values.end() || it.value() == text)
        return;
    it.value() = text;
    emit fieldChanged(key, text);
}

void EditScreen::click(const QString& key)
{
    const Field* def = fieldSpec(key);
    if (!def || !def->toggle)
        return;
    const Toggle& t = *def->toggle;
    setField(key, field(key) == t.match ? t.onMatch : t.otherwise);
}

void EditScreen::setModifyTitle(const QString& title)
{
    m_titleMode = TitleMode::Modify;
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
}

bool EditScreen::start()
{
    bool opened = true;
    runAction(m_context.ui, [this, &opened] {
        if (!isNew() && !fill()) {
            opened = false;
            return;
        }
        show();
    });
    return opened;
}

void EditScreen::fillFromRow(const Query& query)
{
    m_read.clear();
    for (const Field& f : m_fields) {
        if (query.hasColumn(f.key)) {
            const QString text = query.fieldText(f.key);
            m_read.append({f.key, text});
            setField(f.key, text);
        }
    }
}

ReadRecord EditScreen::readRecord(const QString& idKey) const
{
    ReadRecord record{m_table, idKey, {}, m_read};
    for (const auto& [key, text] : m_read)
        if (key == idKey)
            record.id = text;
    return record;
}

void EditScreen::noteWritten(const QString& key, const QString& value)
{
    for (auto& read : m_read)
        if (read.first == key)
            read.second = value;
}

void EditScreen::ok()
{
    runAction(m_context.ui, [this] {
        for (const Check& check : checks()) {
            if (isBlank(field(check.key))) {
                m_context.ui.message(check.message);
                emit focusRequested(check.key);
                return;
            }
        }
        for (const Field& f : m_fields) {
            if (f.readOnly)
                continue;
            try {
                // a number field is read with the one reader and kept in the program's form
                if (f.filter.number() && !isBlank(field(f.key)))
                    setField(f.key, readNumber(field(f.key), *f.filter.number(), f.label).text());
                checkNumberFits(m_table, f.key, field(f.key), f.label);
            } catch (const ConversionError& e) {
                m_context.ui.message(e.text());
                emit focusRequested(f.key);
                return;
            }
        }
        if (save())
            finish(true);
    });
}

QString EditScreen::fieldOfColumn(const QString& column) const
{
    for (const Field& f : m_fields)
        if (f.key.compare(column, Qt::CaseInsensitive) == 0)
            return field(f.key);
    return {};
}

bool EditScreen::composeIntoField(Screen composer, const QStringList& columns, const QString& blockKey)
{
    BlockDraft draft;
    for (const QString& column : columns)
        draft.fields << fieldOfColumn(column);
    draft.block = field(blockKey);
    ScreenRequest request;
    request.draft = &draft;
    m_context.opener.open(composer, request);
    if (!draft.composed)
        return false;
    setField(blockKey, draft.block);
    return true;
}

QHash<QString, QString> EditScreen::labels() const
{
    QHash<QString, QString> out;
    for (const Field& f : m_fields)
        out.insert(f.key.toLower(), f.label);
    return out;
}

void EditScreen::cancel()
{
    finish(false);
}

void EditScreen::finish(bool saved)
{
    m_finished = true;
    emit finished(saved);
}

void EditScreen::copyRecord(const QString& nameKey, const QString& refusal)
{
    if (m_titleMode != TitleMode::Modify) {
        m_context.ui.message(refusal);
        return;
    }
    setEditMode(EditMode::New);
    m_copy = true;
    setField(nameKey, field(nameKey) + QStringLiteral(" - másolat"));
}

} // namespace orvena
