#include "printdeliverynote.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "screens/common/reportpresenter.h"

namespace orvena {

namespace {

// The compiled-in delivery-note layout, for label sets whose type selects no template file.
const QString kStoredLayout = QStringLiteral(":/layouts/deliverynote.frf");

} // namespace

void PrintDeliveryNote(ScreenContext& context, const QString& deliveryNoteNumber)
{
    if (!context.reports)
        throw Error(QStringLiteral("A nyomtatás ebben a környezetben nem érhető el."));
    ReportPresenter& reports = *context.reports;
    ReportVariables& vars = reports.variables();
    DataModule& data = context.data;

    // 1. page counters
    PageCounters& counters = reports.pageCounters();
    counters.reset();

    // 2. the header
    Query& header = data.query(QStringLiteral("ZQ101"));
    header.setSql({QStringLiteral("SELECT * FROM Szlevfej WHERE lbszam = :p0")});
    header.setText(QStringLiteral("p0"), deliveryNoteNumber);
    header.open();
    if (header.isEmpty())
        throw Error(QStringLiteral("Nincs %1 számú szállítólevél.").arg(deliveryNoteNumber));
    const QString number = header.fieldText(QStringLiteral("lbszam"));

    // 3. the lines, in the order the server returns them
    Query& lines = data.query(QStringLiteral("ZQ111"));
    lines.setSql({QStringLiteral("SELECT * FROM Szlevsor WHERE ebszam = :p0")});
    lines.setText(QStringLiteral("p0"), number);
    lines.open();

    // 4. customer, 5. label set
    Query& customer = data.query(QStringLiteral("ZQ31"));
    customer.setSql({QStringLiteral("SELECT * FROM vevo WHERE vkod = :p0")});
    customer.setText(QStringLiteral("p0"), header.fieldText(QStringLiteral("lvkod")));
    customer.open();
    Query& labels = data.query(QStringLiteral("ZQ71"));
    labels.setSql({QStringLiteral("SELECT * FROM mezonev WHERE mkod = :p0")});
    labels.setText(QStringLiteral("p0"), header.fieldText(QStringLiteral("lmkod")));
    labels.open();

    // The fifth character of the label-set code chooses the layout: 2 and 3 their template
    // files, any other digit the stored layout. A code without one cannot be printed.
    const QString labelCode = header.fieldText(QStringLiteral("lmKod"));
    const QChar type = labelCode.size() >= 5 ? labelCode.at(4) : QChar();
    if (type.unicode() < u'0' || type.unicode() > u'9')
        throw Error(QStringLiteral("A(z) \"%1\" szótárkódú szállítólevél nem nyomtatható: a szótárkód ötödik "
                                   "karaktere számjegy kell legyen.")
                        .arg(labelCode));

    // 6. total quantity
    Query& total = data.query(QStringLiteral("ZQ112"));
    total.setSql({QStringLiteral("SELECT eBszam, emenny, SUM(emenny) AS sum_menny FROM Szlevsor WHERE eBszam = :p1 "
                                 "GROUP BY eBszam")});
    total.setText(QStringLiteral("p1"), number);
    total.open();
    vars.set(QStringLiteral("v_menny"), formatPlain(total.fieldDouble(QStringLiteral("sum_menny"))));

    // 7. copy mark, from the flag as it stood before this run
    const bool printed = header.fieldText(QStringLiteral("lprn")).trimmed() == u"I";
    vars.set(QStringLiteral("v_masolat"),
             printed ? QStringLiteral("MÁSOLATI PÉLDÁNY ") + labels.fieldText(QStringLiteral("mMasolatipld"))
                     : QStringLiteral(" "));

    // 8. the report. In print mode the note is marked printed only once the document has been
    // produced (printed from the preview, or its PDF written).
    ReportJob job;
    job.templateFile = type == u'2'   ? QStringLiteral("Szlevel2.frf")
                       : type == u'3' ? QStringLiteral("Szlevel3.frf")
                                      : kStoredLayout;
    job.title = QStringLiteral("Szállítólevél K%1").arg(number);
    job.datasets = {{QStringLiteral("ZQ101"), &header}, {QStringLiteral("ZQ100"), &header},
                    {QStringLiteral("ZQ111"), &lines},  {QStringLiteral("ZQ31"), &customer},
                    {QStringLiteral("ZQ71"), &labels},  {QStringLiteral("ZQ112"), &total}};
    job.valueCallback = [&counters](const QString& name) { return counters.answer(name); };
    job.pageEnded = [&counters] { counters.pageEnded(); };
    if (!printed && context.state.printMode == PrintMode::Print)
        job.produced = [&context, number] {
            try {
                Query& mark = context.data.query(QStringLiteral("ZQ102"));
                mark.setSql({QStringLiteral("UPDATE Szlevfej SET lprn = \"I\" WHERE lBszam = :p1")});
                mark.setText(QStringLiteral("p1"), number);
                mark.execute();
            } catch (const Error&) {
                context.ui.message(QStringLiteral("Hiba: prn UPDATE Szlevfej-be "));
            }
        };
    std::unique_ptr<PreparedReport> report = reports.prepare(job);
    reports.present(*report, job.title);
}

} // namespace orvena
