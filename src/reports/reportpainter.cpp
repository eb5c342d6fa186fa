#include "reportpainter.h"

#include "db/errors.h"
#include "db/outputfile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <deque>
#include <memory>
#include <vector>

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

// Lines of text laid out once for each font and text, the way the painter's drawText lays out
// a single line at every call: a long report prints the same units, rates and numbers on many
// lines and every text again in each copy, and the layout (shaping) is the larger part of
// drawing a line. A kept layout is drawn at the place drawText draws it, through the same
// drawing call, so the output is the same. Texts that drawText rewrites before its layout
// (control characters, '&', length variants) and empty ones are left to drawText, and so is
// every new text once a very long report has filled the store.
class LineLayouts {
public:
    // Picks the laid-out lines of a font; the painter draws in that font from now on.
    void useFont(const FontSpec& font)
    {
        for (auto& [known, lines] : m_fonts)
            if (known == font) {
                m_current = lines.get();
                return;
            }
        m_fonts.emplace_back(font, std::make_unique<Lines>());
        m_current = m_fonts.back().second.get();
    }

    void draw(QPainter& painter, const TextLine& line, HAlign align, int flags)
    {
        const QTextLayout* layout = m_current ? m_current->value(line.text) : nullptr;
        if (!layout) {
            if (!m_current || m_layouts.size() >= kMaxKept || !plain(line.text)) {
                painter.drawText(line.rect, flags, line.text);
                return;
            }
            layout = &layOut(painter, line.text);
            m_current->insert(line.text, layout);
        }
        const QTextLine laid = layout->lineAt(0);
        double x = line.rect.x();
        if (align == HAlign::Right)
            x += line.rect.width() - laid.horizontalAdvance();
        else if (align == HAlign::Center)
            x += (line.rect.width() - laid.horizontalAdvance()) / 2;
        laid.draw(&painter, QPointF(x, line.rect.y()));
    }

private:
    using Lines = QHash<QString, const QTextLayout*>;
    // A layout takes some 1.2 kB: at most about 75 MB. A 10 000-line invoice in three copies
    // keeps some 47 000.
    static constexpr size_t kMaxKept = 60000;

    static bool plain(const QString& text)
    {
        if (text.isEmpty())
            return false;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u < 0x20 || u == u'&' || u == 0x7f || u == 0x9c || u == 0x2028 || u == 0x2029)
                return false;
        }
        return true;
    }

    // One line, unbounded and left to right, as drawText lays out a single line.
    QTextLayout& layOut(const QPainter& painter, const QString& text)
    {
        QTextLayout* layout = &m_layouts.emplace_back(text, painter.font());
        QTextOption option;
        option.setTextDirection(painter.layoutDirection());
        option.setAlignment(Qt::AlignLeft);
        option.setFlags(QTextOption::IncludeTrailingSpaces);
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        QTextLine line = layout->createLine();
        line.setLineWidth(0x01000000);
        line.setPosition(QPointF(0, 0));
        layout->endLayout();
        return *layout;
    }

    std::deque<QTextLayout> m_layouts;
    std::vector<std::pair<FontSpec, std::unique_ptr<Lines>>> m_fonts;
    Lines* m_current = nullptr;
};

void paintPage(QPainter& painter, const PageModel& model, const Page& page)
{
    LineLayouts layouts;
    paintPage(painter, model, page, layouts);
}

void paintPage(QPainter& painter, const PageModel& model, const Page& page, LineLayouts& layouts)
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
            layouts.useFont(item.font);
            current = &item.font;
        }
        if (!blackPen) {
            painter.setPen(Qt::black);
            blackPen = true;
        }
        const int flags = static_cast<int>(flagsOf(item.align) | Qt::AlignTop) | Qt::TextDontClip | Qt::TextSingleLine;
        for (const TextLine& line : item.lines)
            layouts.draw(painter, line, item.align, flags);
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
    LineLayouts layouts; // kept from page to page: the copies repeat every text
    bool first = true;
    for (const Page& page : model.pages) {
        if (!first && !device.newPage())
            throw Error(QStringLiteral("A nyomtatás megszakadt."));
        first = false;
        paintPage(painter, model, page, layouts);
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
