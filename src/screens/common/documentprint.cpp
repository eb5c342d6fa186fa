#include "documentprint.h"

#include "db/datamodule.h"
#include "db/errors.h"
#include "db/queryroles.h"

namespace orvena {

ReportPresenter& startPrint(ScreenContext& context)
{
    if (!context.reports)
        throw Error(QStringLiteral("A nyomtatás ebben a környezetben nem érhető el."));
    context.reports->pageCounters().reset();
    return *context.reports;
}

PrintedDocument openDocument(DataModule& data, const DocumentColumns& columns, const QString& number,
                             LinesReader readLines)
{
    Query& header = data.query(columns.headerQuery);
    header.setSql({QStringLiteral("SELECT * FROM %1 WHERE %2 = :p0").arg(columns.headerTable, columns.number)});
    header.setText(QStringLiteral("p0"), number);
    header.open();
    if (header.isEmpty())
        throw Error(columns.notFound.arg(number));
    PrintedDocument document;
    document.header = &header;
    document.number = header.fieldText(columns.number);
    document.labelCode = header.fieldText(columns.labelSet);
    document.labelType = document.labelCode.size() >= 5 ? document.labelCode.at(4) : QChar();
    document.printed = header.fieldText(columns.printedFlag).trimmed() == u"I";
    document.lines = &readLines(data, document.number);

    Query& customer = data.query(role::kPrintedCustomer);
    customer.setSql({QStringLiteral("SELECT * FROM vevo WHERE vkod = :p0")});
    customer.setText(QStringLiteral("p0"), document.header->fieldText(columns.customer));
    customer.open();
    Query& labels = data.query(role::kPrintedLabels);
    labels.setSql({QStringLiteral("SELECT * FROM mezonev WHERE mkod = :p0")});
    labels.setText(QStringLiteral("p0"), document.labelCode);
    labels.open();
    document.customer = &customer;
    document.labels = &labels;
    return document;
}

bool marksPrinted(const PrintedDocument& document, PrintMode mode)
{
    return !document.printed && mode == PrintMode::Print;
}

ReportJob countedJob(PageCounters& counters, const QString& templateFile, const QString& title)
{
    ReportJob job;
    job.templateFile = templateFile;
    job.title = title;
    job.valueCallback = [&counters](const QString& name) { return counters.answer(name); };
    job.pageEnded = [&counters] { counters.pageEnded(); };
    return job;
}

} // namespace orvena
