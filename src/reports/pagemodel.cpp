#include "pagemodel.h"

namespace orvena::reports {

QString TextItem::text() const
{
    QStringList parts;
    parts.reserve(static_cast<qsizetype>(lines.size()));
    for (const TextLine& line : lines)
        parts << line.text;
    return parts.join(u'\n');
}

std::vector<const TextItem*> Page::find(const QString& needle) const
{
    std::vector<const TextItem*> found;
    for (const TextItem& item : texts)
        if (item.text().contains(needle))
            found.push_back(&item);
    return found;
}

QStringList Page::allTexts() const
{
    QStringList out;
    for (const TextItem& item : texts)
        out << item.text();
    return out;
}

} // namespace orvena::reports
