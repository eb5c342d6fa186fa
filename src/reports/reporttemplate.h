#pragma once
// A report template: design pages (one per copy), each with fixed-height bands holding text
// objects and rules. Stored as XML that is meant to be read and edited by hand:
//
//   <report title="Számla" width="793.7" height="1122.5" margin-bottom="38">
//     <page>
//       <band kind="header" top="20" height="444">
//         <text x="30" y="4" w="680" h="17" size="12" bold="true" align="center">Számla / [ZQ71.mSzamla]</text>
//         <text x="28" y="67" w="688" h="305" frame="all" border="2"/>
//         <rule x="370" y="67" length="199" direction="vertical"/>
//       </band>
//       <band kind="line" dataset='ZQ21' top="484" height="76"> ... </band>
//       <band kind="totals" ...>  <band kind="closing" ...>  <band kind="pagefooter" height="32">
//     </page>
//   </report>
//
// A <qrcode x= y= w= h=> object holds an expression like a text object; its value is drawn as a
// QR code filling the box (nothing when the value is empty).
// An <image x= y= w= h=> object holds an expression the same way; its value names a picture the
// print routine hands in (a chart), or else is the name of an image file (PNG, JPEG; relative to
// the working folder). The picture is drawn as large as the box allows, keeping its proportions,
// centred in the box; nothing is drawn when there is no such picture or it cannot be read.
// Text content is fixed text with bracketed expressions; <br/> breaks a line. Attributes of
// <text>: font (Arial), size (points), bold, italic, align (left, center, right), valign (top,
// middle), format (text, number) with decimals, frame (all or a list of left, top, right,
// bottom), border (width). Positions and sizes are in 1/96 inch; y counts from the band's top.
// The first band of a page starts at its top; the others follow it without gaps. The page
// footer sits at the bottom of every page, above the bottom margin. Sizes are the design sizes:
// a text object (and so its band) grows downwards when its value needs more lines. The totals
// band and a closing band after it stay on one page: when both fit on a page but not below the
// last line, both go to the next page.
#include "pagemodel.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace orvena::reports {

struct TextObject {
    QRectF box;
    QString content; // fixed text with [expressions]; "\n" separates lines
    FontSpec font;
    HAlign align = HAlign::Left;
    VAlign valign = VAlign::Top;
    std::optional<int> numberDecimals; // format "number with n decimals"; nothing: format text
    FrameSides frame;
    double borderWidth = 1;
};

struct RuleObject {
    QPointF from;
    double length = 0;
    bool vertical = false;
    double width = 1;
};

enum class BandKind { Header, Line, Totals, Closing, PageFooter };

struct Band {
    BandKind kind = BandKind::Header;
    double top = 0;
    double height = 0;
    QString dataset; // the line band's dataset
    std::vector<TextObject> texts;
    std::vector<RuleObject> rules;
    std::vector<TextObject> codes; // <qrcode>: box and content only
    std::vector<TextObject> pictures; // <image>: box and content only
};

struct DesignPage {
    std::vector<Band> bands; // in flow order; at most one of each kind
    const Band* band(BandKind kind) const;
};

struct ReportTemplate {
    QString title;
    QSizeF pageSize{793.7, 1122.5};
    double bottomMargin = 0;
    std::vector<DesignPage> pages;
};

// Parses template XML; throws Error naming the line of the first fault.
ReportTemplate parseTemplate(const QByteArray& xml, const QString& sourceName);
// Reads a template file (or a ":/" resource); throws FileError when it cannot be read.
ReportTemplate loadTemplate(const QString& fileName);

} // namespace orvena::reports
