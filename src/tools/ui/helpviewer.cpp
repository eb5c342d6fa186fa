#include "helpviewer.h"
#include "screens/common/ui/dialogparts.h"

#include "db/errors.h"
#include "db/logging.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace orvena {

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Orvena – Súgó"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    auto* splitter = new QSplitter(this);
    QWidget* side = buildSide(splitter);
    m_browser = new QTextBrowser(splitter);
    m_browser->setObjectName(QStringLiteral("Page"));
    m_browser->setOpenLinks(false);
    splitter->addWidget(side);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 610});
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    m_back = makeButton(QStringLiteral("Vissza"), {}, {}, this);
    auto* contents = makeButton(QStringLiteral("Tartalom"), {}, {}, this);
    auto* close = makeButton(QStringLiteral("Bezárás"), {}, {}, this);
    buttons->addWidget(m_back);
    buttons->addWidget(contents);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(880, 580);

    try {
        m_help.load(HelpFile::builtInPath());
    } catch (const Error& e) {
        logFailure(lcUi(), e);
        m_browser->setPlainText(e.text());
        return;
    }
    fillLists();

    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpViewer::openLink);
    connect(m_contents, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });
    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });
    connect(m_index, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });
    connect(m_index, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });
    connect(m_filter, &QLineEdit::textChanged, this, &HelpViewer::filterIndex);
    connect(m_back, &QPushButton::clicked, this, &HelpViewer::back);
    connect(contents, &QPushButton::clicked, this, [this] { showPage(HelpFile::contentsId()); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    m_back->setEnabled(false);
}

// The contents and the index with its filter, on two tabs beside the page.
QWidget* HelpViewer::buildSide(QWidget* parent)
{
    auto* side = new QTabWidget(parent);
    m_contents = new QListWidget(side);
    m_contents->setObjectName(QStringLiteral("Contents"));
    m_contents->setWordWrap(true);
    m_contents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    side->addTab(m_contents, QStringLiteral("Tartalom"));
    auto* indexPage = new QWidget(side);
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    indexLayout->addWidget(new QLabel(QStringLiteral("Keresett szó:"), indexPage));
    m_filter = new QLineEdit(indexPage);
    m_filter->setObjectName(QStringLiteral("IndexFilter"));
    indexLayout->addWidget(m_filter);
    m_index = new QListWidget(indexPage);
    m_index->setObjectName(QStringLiteral("Index"));
    m_index->setWordWrap(true);
    m_index->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    indexLayout->addWidget(m_index, 1);
    side->addTab(indexPage, QStringLiteral("Tárgymutató"));
    return side;
}

void HelpViewer::fillLists()
{
    for (const auto& page : m_help.pages()) {
        auto* item = new QListWidgetItem(page.title, m_contents);
        item->setData(Qt::UserRole, page.id);
    }
    for (const auto& entry : m_help.indexEntries()) {
        auto* item = new QListWidgetItem(entry.keyword, m_index);
        item->setData(Qt::UserRole, entry.pageId);
    }
    m_index->sortItems();
}

HelpViewer* HelpViewer::showHelp(QWidget* owner, int context)
{
    HelpViewer* viewer = owner ? owner->findChild<HelpViewer*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!viewer) {
        viewer = new HelpViewer(owner);
        viewer->setWindowFlag(Qt::Window);
    }
    if (!viewer->m_help.pages().empty())
        viewer->showPage(context > 0 ? viewer->m_help.pageForContext(context).id : HelpFile::contentsId());
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

void HelpViewer::showPage(const QString& id)
{
    const HelpFile::Page* page = m_help.page(id);
    if (!page || id == m_current)
        return;
    if (!m_current.isEmpty())
        m_history << m_current;
    m_current = id;
    m_browser->setHtml(m_help.documentOf(*page));
    for (int i = 0; i < m_contents->count(); ++i)
        if (m_contents->item(i)->data(Qt::UserRole).toString() == id)
            m_contents->setCurrentRow(i);
    m_back->setEnabled(!m_history.isEmpty());
}

void HelpViewer::openLink(const QUrl& url)
{
    if (!url.fragment().isEmpty())
        showPage(url.fragment());
}

void HelpViewer::filterIndex(const QString& text)
{
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < m_index->count(); ++i) {
        QListWidgetItem* item = m_index->item(i);
        const bool match = item->text().startsWith(text.trimmed(), Qt::CaseInsensitive);
        item->setHidden(!match);
        if (match && !first)
            first = item;
    }
    if (first)
        m_index->setCurrentItem(first);
}

void HelpViewer::back()
{
    if (m_history.isEmpty())
        return;
    const QString previous = m_history.takeLast();
    m_current.clear();
    showPage(previous);
    m_back->setEnabled(!m_history.isEmpty());
}

} // namespace orvena
