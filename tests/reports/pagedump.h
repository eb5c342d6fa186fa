#pragma once
// A laid-out report as plain text, one line per text line, frame and rule, with positions in
// report units rounded to a tenth: the form of the golden files, and readable in a diff.
#include "reports/pagemodel.h"

#include <QString>
#include <QStringList>

namespace orvena::test {

inline QString pageDump(const reports::PageModel& model)
{
    using namespace orvena::reports;
    auto n = [](double v) { return QString::number(qRound(v * 10) / 10.0, 'f', 1); };
    auto rect = [&n](const QRectF& r) {
        return QStringLiteral("%1 %2 %3 %4").arg(n(r.left()), n(r.top()), n(r.width()), n(r.height()));
    };
    auto font = [](const FontSpec& f) {
        QString out = QStringLiteral("%1 %2").arg(f.family).arg(f.pointSize);
        if (f.bold)
            out += QStringLiteral(" bold");
        if (f.italic)
            out += QStringLiteral(" italic");
        return out;
    };
    auto align = [](HAlign a) {
        return a == HAlign::Left ? QStringLiteral("left") : a == HAlign::Center ? QStringLiteral("center")
                                                                                 : QStringLiteral("right");
    };
    QStringList out;
    out << QStringLiteral("report \"%1\" from %2, %3 pages").arg(model.title, model.source).arg(model.pages.size());
    for (const Page& page : model.pages) {
        out << QStringLiteral("page %1").arg(page.number);
        for (const TextItem& item : page.texts) {
            QString head = QStringLiteral("  box %1 | %2 %3").arg(rect(item.box), font(item.font), align(item.align));
            if (item.frame.any()) {
                QStringList sides;
                if (item.frame.left)
                    sides << QStringLiteral("left");
                if (item.frame.top)
                    sides << QStringLiteral("top");
                if (item.frame.right)
                    sides << QStringLiteral("right");
                if (item.frame.bottom)
                    sides << QStringLiteral("bottom");
                head += QStringLiteral(" | frame %1 %2").arg(sides.join(u','), n(item.borderWidth));
            }
            out << head;
            for (const TextLine& line : item.lines)
                out << QStringLiteral("    %1 %2 \"%3\"").arg(n(line.rect.left()), n(line.rect.top()), line.text);
        }
        for (const LineItem& rule : page.rules)
            out << QStringLiteral("  rule %1 %2 - %3 %4 | %5")
                       .arg(n(rule.from.x()), n(rule.from.y()), n(rule.to.x()), n(rule.to.y()), n(rule.width));
        // Only where a code is and its size: its content holds the day of printing.
        for (const ImageItem& image : page.images)
            out << QStringLiteral("  qrcode %1 | %2 pixels").arg(rect(image.box)).arg(image.image.width());
    }
    return out.join(u'\n') + u'\n';
}

} // namespace orvena::test
