#include "reportpainter.h"

#include "db/errors.h"
#include "db/outputfile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace orvena::reports {

namespace {

Qt::Alignment flagsOf(HAlign align)
{
    switch (align) {
    case HAlign::Center:
        return Qt::AlignHCenter;
    case HAlign::Right:
        return Qt::AlignRight;
    case HAlign::Left:
        break;
    }
    return Qt::AlignLeft;
}

} // namespace

void paintPage(QPainter& painter, const PageModel& model, const Page& page)
{
    QPaintDevice* device = painter.device();
    painter.save();
    const double scale = device->width() / model.pageSize.width();
    painter.scale(scale, scale);
    // Point sizes are rendered at the device's resolution and then scaled with the page.
    const double fontFactor = kUnitsPerInch / device->logicalDpiY();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    // Most items share the font of the one before: the painter keeps it and its pen then.
    const FontSpec* current = nullptr;
    bool blackPen = false;
    for (const TextItem& item : page.texts) {
        if (!current || !(*current == item.font)) {
            QFont font(item.font.family);
            font.setPointSizeF(item.font.pointSize * fontFactor);
            font.setBold(item.font.bold);
            font.setItalic(item.font.italic);
            painter.setFont(font);
            current = &item.font;
        }
        if (!blackPen) {
            painter.setPen(Qt::black);
            blackPen = true;
        }
        const int flags = static_cast<int>(flagsOf(item.align) | Qt::AlignTop) | Qt::TextDontClip | Qt::TextSingleLine;
        for (const TextLine& line : item.lines)
            painter.drawText(line.rect, flags, line.text);
        if (item.frame.any()) {
            painter.setPen(QPen(Qt::black, item.borderWidth));
            blackPen = false;
            const QRectF& b = item.box;
            if (item.frame.top)
                painter.drawLine(b.topLeft(), b.topRight());
            if (item.frame.bottom)
                painter.drawLine(b.bottomLeft(), b.bottomRight());
            if (item.frame.left)
                painter.drawLine(b.topLeft(), b.bottomLeft());
            if (item.frame.right)
                painter.drawLine(b.topRight(), b.bottomRight());
        }
    }
    for (const LineItem& rule : page.rules) {
        painter.setPen(QPen(Qt::black, rule.width));
        painter.drawLine(rule.from, rule.to);
    }
    // A code's modules stay sharp squares: no smoothing when the image is scaled up.
    for (const ImageItem& image : page.images) {
        if (image.image.isNull())
            continue;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, image.smooth);
        painter.drawImage(image.box, image.image);
    }
    painter.restore();
}

void paintReport(const PageModel& model, QPagedPaintDevice& device)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("A nyomtatás nem indítható el."));
    bool first = true;
    for (const Page& page : model.pages) {
        if (!first && !device.newPage())
            throw Error(QStringLiteral("A nyomtatás megszakadt."));
        first = false;
        paintPage(painter, model, page);
    }
    if (!painter.end())
        throw Error(QStringLiteral("A nyomtatás nem fejeződött be."));
}

namespace {

// The PDF engine compresses every page through buffers of several megabytes. With the C
// library's defaults these are handed back to the system after each page and fetched anew for
// the next one, which costs more than the compression itself over a thousand pages: the freed
// heap is kept for reuse instead (a few tens of megabytes at most).
void keepHeapForPages()
{
#ifdef __GLIBC__
    static const bool tuned = [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
        return true;
    }();
    Q_UNUSED(tuned);
#endif
}

void paintPdf(const PageModel& model, QIODevice& device)
{
    keepHeapForPages();
    QPdfWriter writer(&device);
    writer.setTitle(model.title);
    writer.setCreator(QStringLiteral("Orvena"));
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    paintReport(model, writer);
}

} // namespace

void writePdf(const PageModel& model, const QString& fileName)
{
    // a printed document is the user's alone, also where an older one stood
    OutputFile file(fileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.open();
    paintPdf(model, file.device());
    file.commit();
}

QByteArray pdfBytes(const PageModel& model)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    paintPdf(model, buffer);
    buffer.close();
    return bytes;
}

} // namespace orvena::reports
