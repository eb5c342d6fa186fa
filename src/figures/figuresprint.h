#pragma once
// A figures view printed through the report engine: the template Kimutatas.frf (in the working
// folder, editable by the operator) gets the period, the view's title and column headers, its
// chart as a picture and its rows and total, the amounts as the screen shows them.
//
// What the template reads:
//   v_kim_cim, v_kim_idoszak                  the view's title; "2026.01.01 - 2026.01.31"
//   v_kim_oszlop1 ... v_kim_oszlop4           the label columns' headers (empty beyond the view's)
//   KIMUTATAS.cimke1 ... cimke4               the rows' labels (the line band's computed rows)
//   KIMUTATAS.netto, afa, brutto, szamlak     the rows' amounts and invoice count
//   v_kim_netto, v_kim_afa, v_kim_brutto, v_kim_szamlak   the total line
//   the picture "abra"                        the chart
#include "figures/figures.h"

#include <QByteArray>
#include <QSizeF>
#include <QString>

namespace orvena {

struct ScreenContext;

namespace figures {

inline const QString kPrintTemplate = QStringLiteral("Kimutatas.frf");
// The computed rows the template's line band runs over.
inline const QString kPrintRows = QStringLiteral("KIMUTATAS");
// The name the template's <image> object gives the chart.
inline const QString kChartPicture = QStringLiteral("abra");
// The size the chart is drawn at for the print (1/96 inch): the shipped template's picture box;
// a box of other proportions takes it scaled down to fit.
inline constexpr QSizeF kChartPrintSize{688, 300};
// How many label columns the template has room for.
constexpr int kPrintedLabels = 4;

// "11 436,99", "-0,05": an amount as the screen and the print show it.
QString displayAmount(Money amount);

// Prints the table through the run's presenter (preview, printer or PDF). `chart` is the chart
// as an encoded picture (PNG); without one the report is printed without the chart. Throws Error.
void print(ScreenContext& context, const Table& table, const QByteArray& chart);

} // namespace figures
} // namespace orvena
