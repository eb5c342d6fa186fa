#include "figuresprint.h"

#include "db/conversions.h"
#include "db/money.h"
#include "screens/common/documentprint.h"

namespace orvena::figures {

QString displayAmount(Money amount)
{
    return amount.groupedText();
}

void print(ScreenContext& context, const Table& table, const QByteArray& chart)
{
    ReportPresenter& reports = startPrint(context);
    ReportVariables& vars = reports.variables();
    const QString title = viewTitle(table.view);
    const QString period = QStringLiteral("%1 - %2").arg(formatDate(table.period.from), formatDate(table.period.to));
    vars.set(QStringLiteral("v_kim_cim"), title);
    vars.set(QStringLiteral("v_kim_idoszak"), period);
    for (int i = 0; i < kPrintedLabels; ++i)
        vars.set(QStringLiteral("v_kim_oszlop%1").arg(i + 1), table.labelHeaders.value(i));
    // A view with more label columns than the template has keeps them in the last one.
    auto labels = [&table](const Row& row) {
        QStringList out = row.labels.mid(0, kPrintedLabels - 1);
        out << QStringList(row.labels.mid(kPrintedLabels - 1)).join(u' ');
        while (out.size() < kPrintedLabels)
            out << QString();
        return out;
    };
    auto amounts = [](const Row& row) {
        return QStringList{displayAmount(row.net), displayAmount(row.vat), displayAmount(row.gross()),
                           QString::number(row.invoices)};
    };
    ReportRows rows;
    for (int i = 0; i < kPrintedLabels; ++i)
        rows.columns << QStringLiteral("cimke%1").arg(i + 1);
    rows.columns << QStringLiteral("netto") << QStringLiteral("afa") << QStringLiteral("brutto")
                 << QStringLiteral("szamlak");
    for (const Row& row : table.rows)
        rows.rows.push_back(labels(row) + amounts(row));
    const QStringList total = amounts(table.total);
    const QStringList totalNames{QStringLiteral("v_kim_netto"), QStringLiteral("v_kim_afa"),
                                 QStringLiteral("v_kim_brutto"), QStringLiteral("v_kim_szamlak")};
    for (qsizetype i = 0; i < totalNames.size(); ++i)
        vars.set(totalNames.at(i), total.at(i));

    ReportJob job = countedJob(reports.pageCounters(), kPrintTemplate, QStringLiteral("%1 %2").arg(title, period));
    job.rowSets = {{kPrintRows, std::move(rows)}};
    if (!chart.isEmpty())
        job.pictures = {{kChartPicture, chart}};
    std::unique_ptr<PreparedReport> report = reports.prepare(job);
    reports.present(*report, job.title);
}

} // namespace orvena::figures
