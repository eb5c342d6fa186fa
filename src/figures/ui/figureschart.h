#pragma once
// The figures' bar chart, once for the screen and the print: one category per row of the view,
// net and VAT in forints.
#include "figures/figures.h"

#include <QByteArray>
#include <QSizeF>

class QChart;

namespace orvena {

// Replaces what the chart shows with the table's bars, its axes and the view's title.
void fillChart(QChart& chart, const figures::Table& table);

// The table's chart laid out at `size` (1/96 inch, as the print's box) and drawn at twice that
// many pixels, without its title (the print has its own), as PNG bytes.
QByteArray chartPicture(const figures::Table& table, const QSizeF& size);

} // namespace orvena
