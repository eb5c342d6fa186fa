#pragma once
// The program's help: one HTML file of pages. Each page starts with a first-level heading that
// carries its anchor, <h1><a name="id"></a>Title</h1>; the pages "tartalom" (contents) and
// "targymutato" (index) come first, and page "ctxN" belongs to help context number N.
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena {

class HelpFile {
public:
    struct Page {
        QString id;
        QString title;
        QString body; // the page's HTML, heading included
    };
    struct IndexEntry {
        QString keyword;
        QString pageId;
    };

    static QString contentsId() { return QStringLiteral("tartalom"); }
    static QString indexId() { return QStringLiteral("targymutato"); }
    // The help shipped with the program (a compiled-in resource).
    static QString builtInPath() { return QStringLiteral(":/orvena/ORVENA2009.HLP"); }

    // Throws FileError when the file cannot be read or holds no page.
    void load(const QString& path);
    void parse(const QString& html);

    const std::vector<Page>& pages() const { return m_pages; }
    const Page* page(const QString& id) const;
    // The page of a help context number; the contents page for a number without one.
    const Page& pageForContext(int context) const;
    // The keywords of the index page, each with the page its link points to.
    std::vector<IndexEntry> indexEntries() const;
    // A page as a whole HTML document with the file's style sheet.
    QString documentOf(const Page& page) const;
    // Every page a link ("#id") in this page points to.
    static QStringList linkTargets(const Page& page);

private:
    QString m_style;
    std::vector<Page> m_pages;
};

} // namespace orvena
