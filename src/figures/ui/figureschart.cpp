#include "figureschart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace orvena {

AxisScale axisScale(double low, double high)
{
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    const double span = high - low;
    if (!(span > 0) || !std::isfinite(span))
        return {0, 1000, 200};
    // About five steps of 1, 2, 2.5 or 5 times a power of ten.
    const double raw = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * power;
    for (const double m : {1.0, 2.0, 2.5, 5.0})
        if (m * power >= raw) {
            step = m * power;
            break;
        }
    return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

void fillChart(QChart& chart, const figures::Table& table)
{
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis); // the chart gives the axis up without deleting it
        delete axis;
    }
    chart.setTitle(figures::viewTitle(table.view));
    auto* net = new QBarSet(QStringLiteral("Nettó (Ft)"));
    auto* vat = new QBarSet(QStringLiteral("ÁFA (Ft)"));
    QStringList categories;
    for (const figures::Row& row : table.rows) {
        // the chart draws in forints: a bar's height needs no fillér exactness
        *net << double(row.net.filler()) / 100.0;
        *vat << double(row.vat.filler()) / 100.0;
        categories << row.labels.value(table.labelHeaders.size() > 1 ? 1 : 0);
    }
    auto* series = new QBarSeries;
    series->append(net);
    series->append(vat);
    chart.addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    // a category is shown whole ("18% kedvezményes"); long ones slant to find the room
    x->setTruncateLabels(false);
    qsizetype longest = 0;
    for (const QString& c : categories)
        longest = std::max(longest, c.size());
    if (longest * categories.size() > 60)
        x->setLabelsAngle(-45);
    chart.addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    // Ticks on round amounts, written with the Hungarian digit grouping ("12 000").
    double low = 0, high = 0;
    for (const QBarSet* set : {net, vat})
        for (int i = 0; i < set->count(); ++i) {
            low = std::min(low, set->at(i));
            high = std::max(high, set->at(i));
        }
    const AxisScale scale = axisScale(low, high);
    chart.setLocale(QLocale(QLocale::Hungarian, QLocale::Hungary));
    chart.setLocalizeNumbers(true);
    auto* y = new QValueAxis;
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->setRange(scale.low, scale.high);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(scale.step);
    chart.addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
}

QByteArray chartPicture(const figures::Table& table, const QSizeF& size)
{
    // A chart of its own in a scene of its own: the screen's chart keeps its size and state.
    QGraphicsScene scene;
    auto* chart = new QChart;
    scene.addItem(chart); // the scene owns the chart
    chart->legend()->setAlignment(Qt::AlignBottom);
    fillChart(*chart, table);
    chart->setTitle({});
    const QRectF area(QPointF(0, 0), size);
    chart->setGeometry(area);
    scene.setSceneRect(area);

    constexpr int kScale = 2;
    QImage image((size * kScale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        scene.render(&painter, QRectF(image.rect()), area);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace orvena
