#include "deliverylineeditor.h"

#include "deliverycommon.h"
#include "invoice/documentwrite.h"
#include "db/memotext.h"
#include "screens/common/numberfields.h"

#include "db/errors.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/worklocks.h"

#include <QStringList>

namespace orvena {

using namespace delivery;

DeliveryLineEditor::DeliveryLineEditor(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : QObject(parent), m_context(context), m_mode(request.mode), m_document(request.document)
{
    m_fields[Quantity] = QStringLiteral("0");
    m_fields[Unit] = QStringLiteral("db");
    m_title = QStringLiteral("Új szállítólevél sor");
}

DocumentGuard DeliveryLineEditor::guard() const
{
    if (m_document && !m_document->lock.isEmpty())
        return DocumentGuard{DocumentGuard::Kind::DeliveryNote, m_document->number, m_document->lock,
                             m_document->unstored, m_document->printedAllowed};
    // Opened without the composition screen's lock, the line works under its note's own lock.
    return DocumentGuard{DocumentGuard::Kind::DeliveryNote, m_fields[Number], worklock::deliveryNote(m_fields[Number]),
                         false, true};
}

void DeliveryLineEditor::end(const QString& reason)
{
    m_context.ui.message(reason
                         + typedValues({{QStringLiteral("Megnevezés"), m_fields[Description]},
                                        {QStringLiteral("VTSZ/SZJ"), m_fields[Vtsz]},
                                        {QStringLiteral("Mennyiség"), m_fields[Quantity]},
                                        {QStringLiteral("M.egys."), m_fields[Unit]},
                                        {QStringLiteral("Sor megjegyzés"), m_fields[Memo]}}));
    close();
}

bool DeliveryLineEditor::isNewLine() const
{
    return m_mode == EditMode::New;
}

bool DeliveryLineEditor::prepare()
{
    if (m_mode == EditMode::Modify) {
        try {
            Query& lines = m_context.data.query(role::kNoteLines);
            m_fields[Id] = lines.fieldText(QStringLiteral("eID"));
            m_fields[Number] = lines.fieldText(QStringLiteral("eBszam"));
            m_fields[ArticleCode] = lines.fieldText(QStringLiteral("ecKod"));
            m_fields[ArticleNumber] = lines.fieldText(QStringLiteral("ecSzam"));
            m_fields[Description] = lines.fieldText(QStringLiteral("eMegn"));
            m_fields[Vtsz] = lines.fieldText(QStringLiteral("eVtsz"));
            m_fields[Quantity] = lines.fieldText(QStringLiteral("eMenny"));
            m_fields[Unit] = lines.fieldText(QStringLiteral("eMe"));
            m_fields[Memo] = memoFromDatabase(lines.fieldText(QStringLiteral("eMemo")));
        } catch (const Error& e) {
            showFailure(m_context.ui, QStringLiteral("Hiba a cikksor feltöltésben való megjelenitésekor!"), &e);
            return false;
        }
    }
    // The line belongs to the note the composition screen shows; without one it has no number
    // and is refused when stored.
    m_fields[Number] = m_document ? m_document->number : QString();
    // It is written only while this workstation holds the note's lock.
    m_lock = takeLineLock(m_context.data, m_context.ui, guard());
    if (!m_lock)
        return false;
    m_title = m_mode == EditMode::Modify ? QStringLiteral("Szállítósor módositás") : QStringLiteral("Új szállító sor");
    for (int f = 0; f < FieldCount; ++f)
        emit fieldChanged(f);
    emit focusRequested(Description);
    return true;
}

void DeliveryLineEditor::setField(Field f, const QString& text)
{
    if (m_fields[f] == text)
        return;
    m_fields[f] = text;
    emit fieldChanged(f);
}

void DeliveryLineEditor::chooseArticle()
{
    m_context.state.setRememberedKey(QStringLiteral("cikk"), m_fields[Description]);
    if (!openChooser(m_context.opener, Screen::ArticleList))
        return; // left with Escape: the typed line stays as it is
    try {
        Query& articles = m_context.data.query(role::kArticleList);
        const QString code = articles.fieldText(QStringLiteral("cKod"));
        const QString number = articles.fieldText(QStringLiteral("cSzam"));
        const QString name = articles.fieldText(QStringLiteral("cMegn"));
        const QString vtsz = articles.fieldText(QStringLiteral("cVtsz"));
        const QString unit = articles.fieldText(QStringLiteral("cMe"));
        setField(ArticleCode, code);
        setField(ArticleNumber, number);
        setField(Description, name);
        setField(Vtsz, vtsz);
        setField(Unit, unit);
    } catch (const Error& e) {
        showFailure(m_context.ui, QStringLiteral("Hiba a cikk feltöltésben való megjelenitésekor!"), &e);
        close();
        return;
    }
    emit focusRequested(Quantity);
}

void DeliveryLineEditor::fail(const QString& message, Field focus)
{
    m_context.ui.message(message);
    emit focusRequested(focus);
}

void DeliveryLineEditor::close()
{
    m_closed = true;
    m_lock.reset();
    emit closeRequested();
}

void DeliveryLineEditor::accept()
{
    if (isBlank(m_fields[Quantity]))
        return fail(QStringLiteral("Nincs megadva a mennyiség!"), Quantity);
    if (isBlank(m_fields[Description]))
        return fail(QStringLiteral("Nincs megadva a megnevezés!"), Description);
    if (isBlank(m_fields[Unit]))
        return fail(QStringLiteral("Nincs megadva a mennyiségegység!"), Unit);
    if (isZeroNumber(m_fields[Quantity]))
        return fail(QStringLiteral("A mennyiség nulla!"), Quantity);
    // the finished number converts and fits its column before anything is written
    const QString problem = numberProblem(QStringLiteral("szlevsor"), QStringLiteral("eMenny"), m_fields[Quantity],
                                          QStringLiteral("Mennyiség"));
    if (!problem.isEmpty())
        return fail(problem, Quantity);

    const bool newLine = isNewLine();
    if (!store())
        return;
    m_context.state.setRememberedKey(kLineTable, m_fields[Id]);
    rereadLines(!newLine);
    close();
}

bool DeliveryLineEditor::store()
{
    const bool newLine = isNewLine();
    // A line without its note's number would belong to no note.
    if (isBlank(m_fields[Number])) {
        m_context.ui.message(QStringLiteral("Nincs szállítólevél sorszám, a sor nem tárolható!"));
        return false;
    }
    Query q(m_context.data.connection(), QStringLiteral("noteLine"));
    const QString outer = QStringLiteral("Hiba az append vagy edit közben a szlev sorban!");
    const QString message = newLine ? QStringLiteral("Hiba: Új, INSERT-append a szlev sorben ")
                                    : QStringLiteral("Hiba: Új, INSERT-edit a szlev sorban ");
    bool refused = false;
    StepChain chain(q);
    const bool stored = chain.run([&] {
        chain.begin(outer);
        // the note is still the one the composition screen works on
        checkDocument(chain, m_context.data, guard(), refused);
        chain.step(message, [&] {
            const DocumentLine line{.id = m_fields[Id],
                                    .number = m_fields[Number],
                                    .articleCode = m_fields[ArticleCode],
                                    .name = m_fields[Description],
                                    .vtsz = m_fields[Vtsz],
                                    .unit = m_fields[Unit],
                                    .quantity = m_fields[Quantity],
                                    .note = memoWithoutTrailingBreaks(m_fields[Memo]),
                                    .articleNumber = m_fields[ArticleNumber]};
            prepareLineWrite(q, Document::DeliveryNote, line, newLine);
            q.execute();
        });
        chain.commit(message);
    });
    if (refused) {
        end(chain.failure().message);
        return false;
    }
    // Refused: rolled back before any box waits, and the screen stays open with everything typed.
    if (!stored)
        tell(m_context.ui, chain.failure(), outer);
    if (!stored && lockLost(m_context.data, guard()))
        end(lockLostReason(guard()));
    return stored;
}

void DeliveryLineEditor::rereadLines(bool modified)
{
    Query& lines = m_context.data.query(role::kNoteLines);
    lines.setSql({QStringLiteral("SELECT * FROM SzlevSor WHERE eBszam= :p1 ORDER BY eID")});
    lines.setText(QStringLiteral("p1"), m_fields[Number]);
    lines.open();
    lines.last();
    if (modified)
        lines.locate(QStringLiteral("eID"), m_context.state.rememberedKey(kLineTable));
}

} // namespace orvena
