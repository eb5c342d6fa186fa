#include "charfilter.h"

namespace orvena {

CharFilter::Decision CharFilter::decide(QChar typed) const
{
    if (typed == u'\r' || typed == u'\n')
        return Decision::Drop;
    if (typed == u'\b' || typed.category() == QChar::Other_Control)
        return Decision::PassThrough;
    if (!m_restricted || m_allowed.contains(typed))
        return Decision::Insert;
    return Decision::Drop;
}

QString CharFilter::clean(const QString& text) const
{
    QString out;
    for (const QChar c : text)
        if (decide(c) == Decision::Insert)
            out += c;
    return out;
}

} // namespace orvena
