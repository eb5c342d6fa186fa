#pragma once
// A laid-out report: pages of positioned text lines, frames and rules in report units (1/96
// inch, from the top left corner of the page). Every renderer (preview, printer, PDF) only
// paints this model; tests read it.
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena::reports {

inline constexpr double kUnitsPerInch = 96.0;

struct FontSpec {
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec&) const = default;
};

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Middle };

// Which sides of a text object's box carry a border.
struct FrameSides {
    bool left = false, top = false, right = false, bottom = false;
    bool any() const { return left || top || right || bottom; }
    bool operator==(const FrameSides&) const = default;
};

struct TextLine {
    QRectF rect; // where this line is drawn; its alignment is the object's
    QString text;
};

struct TextItem {
    QRectF box; // the object's box on the page
    FontSpec font;
    HAlign align = HAlign::Left;
    std::vector<TextLine> lines; // the value after wrapping, top to bottom; the box holds them all
    FrameSides frame;
    double borderWidth = 1;
    // The lines joined with "\n".
    QString text() const;
};

struct LineItem {
    QPointF from, to;
    double width = 1;
};

// A picture scaled into its box: a QR code module for module, never smoothed; a picture (a
// chart) smoothed.
struct ImageItem {
    QRectF box;
    QImage image;
    QString data; // what the code encodes, or the picture's name, for readers of the model
    bool smooth = false;
};

struct Page {
    int number = 0; // 1-based, counted through the whole run
    std::vector<TextItem> texts;
    std::vector<LineItem> rules;
    std::vector<ImageItem> images;
    // Text items whose joined text contains needle, in drawing order.
    std::vector<const TextItem*> find(const QString& needle) const;
    // The joined texts of every item, one item per entry.
    QStringList allTexts() const;
};

struct PageModel {
    QString source; // the template the report was laid out from
    QString title;
    QSizeF pageSize{793.7, 1122.5}; // A4
    std::vector<Page> pages;
};

} // namespace orvena::reports
