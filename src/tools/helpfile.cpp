#include "helpfile.h"

#include "db/errors.h"

#include <QFile>
#include <QRegularExpression>

namespace orvena {

void HelpFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("A súgó (%1) nem olvasható.").arg(path));
    parse(QString::fromUtf8(file.readAll()));
    if (m_pages.empty())
        throw FileError(QStringLiteral("A súgó (%1) nem tartalmaz oldalt.").arg(path));
}

void HelpFile::parse(const QString& html)
{
    m_pages.clear();
    static const QRegularExpression style(QStringLiteral("<style[^>]*>(.*?)</style>"),
                                          QRegularExpression::DotMatchesEverythingOption
                                              | QRegularExpression::CaseInsensitiveOption);
    const auto styleMatch = style.match(html);
    m_style = styleMatch.hasMatch() ? styleMatch.captured(1) : QString();

    static const QRegularExpression heading(QStringLiteral("<h1>\\s*<a name=\"([^\"]+)\">\\s*</a>(.*?)</h1>"),
                                            QRegularExpression::DotMatchesEverythingOption
                                                | QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bodyEnd(QStringLiteral("</body>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    qsizetype end = html.indexOf(bodyEnd);
    if (end < 0)
        end = html.size();
    auto it = heading.globalMatch(html);
    std::vector<QRegularExpressionMatch> starts;
    while (it.hasNext())
        starts.push_back(it.next());
    for (size_t i = 0; i < starts.size(); ++i) {
        const qsizetype from = starts[i].capturedStart(0);
        const qsizetype to = i + 1 < starts.size() ? starts[i + 1].capturedStart(0) : end;
        QString title = starts[i].captured(2);
        title.remove(tags);
        m_pages.push_back({starts[i].captured(1), title.simplified(), html.mid(from, to - from).trimmed()});
    }
}

const HelpFile::Page* HelpFile::page(const QString& id) const
{
    for (const Page& p : m_pages)
        if (p.id == id)
            return &p;
    return nullptr;
}

const HelpFile::Page& HelpFile::pageForContext(int context) const
{
    if (const Page* p = page(QStringLiteral("ctx%1").arg(context)))
        return *p;
    if (const Page* p = page(contentsId()))
        return *p;
    return m_pages.front();
}

QStringList HelpFile::linkTargets(const Page& page)
{
    static const QRegularExpression link(QStringLiteral("<a href=\"#([^\"]+)\">"), QRegularExpression::CaseInsensitiveOption);
    QStringList targets;
    auto it = link.globalMatch(page.body);
    while (it.hasNext())
        targets << it.next().captured(1);
    return targets;
}

std::vector<HelpFile::IndexEntry> HelpFile::indexEntries() const
{
    std::vector<IndexEntry> entries;
    const Page* index = page(indexId());
    if (!index)
        return entries;
    static const QRegularExpression link(QStringLiteral("<a href=\"#([^\"]+)\">(.*?)</a>"),
                                         QRegularExpression::DotMatchesEverythingOption
                                             | QRegularExpression::CaseInsensitiveOption);
    auto it = link.globalMatch(index->body);
    while (it.hasNext()) {
        const auto m = it.next();
        entries.push_back({m.captured(2).simplified(), m.captured(1)});
    }
    return entries;
}

QString HelpFile::documentOf(const Page& page) const
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"><style>%1</style></head><body>%2</body></html>")
        .arg(m_style, page.body);
}

} // namespace orvena
