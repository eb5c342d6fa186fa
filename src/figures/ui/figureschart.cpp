#include "figureschart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QValueAxis>

namespace orvena {

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
        *net << double(row.net) / 100.0;
        *vat << double(row.vat) / 100.0;
        categories << row.labels.value(table.labelHeaders.size() > 1 ? 1 : 0);
    }
    auto* series = new QBarSeries;
    series->append(net);
    series->append(vat);
    chart.addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    chart.addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis;
    y->setLabelFormat(QStringLiteral("%.0f"));
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
