#include "printdeliverynote.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "db/logging.h"
#include "screens/common/chainfailure.h"
#include "db/queryroles.h"
#include "screens/common/documentprint.h"
#include "screens/common/worklocks.h"

namespace orvena {

namespace {

const DocumentColumns kDeliveryNote{role::kPrintedNote, QStringLiteral("Szlevfej"), QStringLiteral("lbszam"),
                                    QStringLiteral("lvkod"),  QStringLiteral("lmkod"),    QStringLiteral("lprn"),
                                    QStringLiteral("Nincs %1 számú szállítólevél.")};
// The compiled-in delivery-note layout, for label sets whose type selects no template file.
const QString kStoredLayout = QStringLiteral(":/layouts/deliverynote.frf");

// The fifth character of the label-set code chooses the layout: 2 and 3 their template files,
// any other digit the stored layout. A code without one cannot be printed.
QString layoutOf(const PrintedDocument& note)
{
    const QChar type = note.labelType;
    if (type.unicode() < u'0' || type.unicode() > u'9')
        throw Error(QStringLiteral("A(z) \"%1\" szótárkódú szállítólevél nem nyomtatható: a szótárkód ötödik "
                                   "karaktere számjegy kell legyen.")
                        .arg(note.labelCode));
    return type == u'2' ? QStringLiteral("Szlevel2.frf") : type == u'3' ? QStringLiteral("Szlevel3.frf") : kStoredLayout;
}

// The lines, in the order the server returns them.
Query& openLines(DataModule& data, const QString& number)
{
    Query& lines = data.query(role::kPrintedNoteLines);
    lines.setSql({QStringLiteral("SELECT * FROM Szlevsor WHERE ebszam = :p0")});
    lines.setText(QStringLiteral("p0"), number);
    lines.open();
    return lines;
}

Query& setTotalQuantity(ReportVariables& vars, DataModule& data, const QString& number)
{
    Query& total = data.query(role::kPrintedNoteTotal);
    total.setSql({QStringLiteral("SELECT eBszam, emenny, SUM(emenny) AS sum_menny FROM Szlevsor WHERE eBszam = :p1 "
                                 "GROUP BY eBszam")});
    total.setText(QStringLiteral("p1"), number);
    total.open();
    vars.set(QStringLiteral("v_menny"), formatPlain(total.fieldDouble(QStringLiteral("sum_menny"))));
    return total;
}

// The copy mark, from the printed flag as it stood before this run.
void setCopyMark(ReportVariables& vars, const PrintedDocument& note)
{
    vars.set(QStringLiteral("v_masolat"),
             note.printed ? QStringLiteral("MÁSOLATI PÉLDÁNY ") + note.labels->fieldText(QStringLiteral("mMasolatipld"))
                          : QStringLiteral(" "));
}

void markPrinted(ScreenContext& context, const QString& number)
{
    try {
        Query mark(context.data.connection(), QStringLiteral("markPrinted"));
        mark.setSql({QStringLiteral("UPDATE Szlevfej SET lprn = \"I\" WHERE lBszam = :p1")});
        mark.setText(QStringLiteral("p1"), number);
        mark.execute();
    } catch (const Error& e) {
        showFailure(context.ui, QStringLiteral("Hiba: prn UPDATE Szlevfej-be "), &e, lcPrint());
    }
}

} // namespace

void PrintDeliveryNote(ScreenContext& context, const QString& deliveryNoteNumber, PrintMode mode)
{
    ReportPresenter& reports = startPrint(context);
    PrintedDocument note = openDocument(context.data, kDeliveryNote, deliveryNoteNumber, openLines);
    // Marking takes the note's lock until it is marked: a workstation modifying it finishes
    // first. The note is read again under the lock, so what is printed is what is stored.
    std::unique_ptr<NamedLock> marking;
    if (marksPrinted(note, mode)) {
        marking = worklock::take(context, worklock::deliveryNote(note.number), [&note] {
            return QStringLiteral("A(z) %1 számú szállítólevelet egy másik munkaállomás éppen módosítja, ezért most "
                                  "nem nyomtatható ki. Kérem, próbálja újra, amikor ott elkészült.")
                .arg(note.number);
        });
        if (!marking)
            return;
        note = openDocument(context.data, kDeliveryNote, deliveryNoteNumber, openLines);
    }
    const QString number = note.number;
    const QString layout = layoutOf(note);
    Query& total = setTotalQuantity(reports.variables(), context.data, number);
    setCopyMark(reports.variables(), note);

    // In print mode the note is marked printed only once the document has been produced
    // (printed from the preview, or its PDF written).
    ReportJob job = countedJob(reports.pageCounters(), layout, QStringLiteral("Szállítólevél K%1").arg(number));
    job.datasets = {{role::kPrintedNote, note.header},     {role::kNoteList, note.header},
                    {role::kPrintedNoteLines, note.lines}, {role::kPrintedCustomer, note.customer},
                    {role::kPrintedLabels, note.labels},   {role::kPrintedNoteTotal, &total}};
    if (marksPrinted(note, mode))
        job.produced = [&context, number] { markPrinted(context, number); };
    std::unique_ptr<PreparedReport> report = reports.prepare(job);
    reports.present(*report, job.title);
}

} // namespace orvena
