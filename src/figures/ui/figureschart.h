#pragma once
// The figures' bar chart, once for the screen and the print: one category per row of the view,
// net and VAT in forints.
#include "figures/figures.h"

#include <QByteArray>
#include <QSizeF>

class QChart;

namespace orvena {

// The value axis of amounts from `low` to `high` (nought always within): its ends and its step
// of 1, 2, 2.5 or 5 times a power of ten, about five steps in all.
struct AxisScale {
    double low;
    double high;
    double step;
};
AxisScale axisScale(double low, double high);

// Replaces what the chart shows with the table's bars, its axes and the view's title.
void fillChart(QChart& chart, const figures::Table& table);

// The table's chart laid out at `size` (1/96 inch, as the print's box) and drawn at twice that
// many pixels, without its title (the print has its own), as PNG bytes.
QByteArray chartPicture(const figures::Table& table, const QSizeF& size);

} // namespace orvena
