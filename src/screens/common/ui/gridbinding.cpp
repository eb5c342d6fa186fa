#include "gridbinding.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QStyle>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QToolButton>

namespace orvena {

void bindGridToQuery(QTableView* view, QueryTableModel* model)
{
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setHighlightSections(false);
    Query* query = &model->query();

    auto showCurrent = [view, model, query] {
        const int row = query->currentRow();
        if (row < 0 || row >= model->rowCount())
            return;
        const QModelIndex current = view->currentIndex();
        if (current.isValid() && current.row() == row)
            return;
        const int column = current.isValid() ? current.column() : 0;
        view->selectionModel()->setCurrentIndex(model->index(row, column),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(model->index(row, column));
    };
    QObject::connect(query, &Query::currentRowChanged, view, showCurrent);
    QObject::connect(model, &QAbstractItemModel::modelReset, view, showCurrent);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view,
                     [query](const QModelIndex& index) {
                         if (index.isValid() && index.row() != query->currentRow())
                             query->setCurrentRow(index.row());
                     });
    showCurrent();
}

void fitColumnsToContent(QTableView* view, int widest)
{
    auto fit = [view, widest] {
        QAbstractItemModel* model = view->model();
        if (!model)
            return;
        const QFontMetrics cells = view->fontMetrics();
        const QFontMetrics titles = view->horizontalHeader()->fontMetrics();
        const int rows = model->rowCount();
        const int current = std::max(view->currentIndex().row(), 0);
        std::vector<int> sample;
        for (int r = 0; r < std::min(rows, 40); ++r)
            sample.push_back(r);
        for (int r = std::max(current - 20, 40); r < std::min(rows, current + 20); ++r)
            sample.push_back(r);
        const int sortMark = view->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, view);
        for (int c = 0; c < model->columnCount(); ++c) {
            int width = titles.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 2 * sortMark + 12;
            for (const int r : sample)
                width = std::max(width, cells.horizontalAdvance(model->index(r, c).data().toString()) + 16);
            view->setColumnWidth(c, std::min(width, widest));
        }
    };
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, view, fit);
    fit();
}

namespace {

class TypeToLocate : public QObject {
public:
    TypeToLocate(QTableView* view, std::function<void(const QString&, bool)> locate)
        : QObject(view), m_locate(std::move(locate))
    {
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        const QString text = key->text();
        if (text.isEmpty() || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); }))
            return false; // arrows, Tab, Enter, Escape: the grid's and the window's
        const bool continuing = m_clock.isValid() && m_clock.elapsed() <= QApplication::keyboardInputInterval();
        m_typed = continuing ? m_typed + text : text;
        m_clock.start();
        m_locate(m_typed, continuing);
        return true;
    }

private:
    std::function<void(const QString&, bool)> m_locate;
    QString m_typed;
    QElapsedTimer m_clock;
};

} // namespace

void installTypeToLocate(QTableView* view, std::function<void(const QString&, bool)> locate)
{
    view->installEventFilter(new TypeToLocate(view, std::move(locate)));
}

NavigatorBar::NavigatorBar(Query& query, QWidget* parent) : QWidget(parent), m_query(query)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto make = [this, layout](const QString& text, const QString& tip, void (Query::*move)()) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumWidth(32);
        connect(b, &QToolButton::clicked, this, [this, move] { (m_query.*move)(); });
        layout->addWidget(b);
        return b;
    };
    m_first = make(QStringLiteral("|◀"), QStringLiteral("Első sor"), &Query::first);
    m_prior = make(QStringLiteral("◀"), QStringLiteral("Előző sor"), &Query::prior);
    m_next = make(QStringLiteral("▶"), QStringLiteral("Következő sor"), &Query::next);
    m_last = make(QStringLiteral("▶|"), QStringLiteral("Utolsó sor"), &Query::last);
    layout->addStretch();
    connect(&query, &Query::currentRowChanged, this, &NavigatorBar::updateButtons);
    updateButtons();
}

void NavigatorBar::updateButtons()
{
    const bool any = m_query.rowCount() > 0;
    m_first->setEnabled(any && !m_query.isFirst());
    m_prior->setEnabled(any && !m_query.isFirst());
    m_next->setEnabled(any && !m_query.isLast());
    m_last->setEnabled(any && !m_query.isLast());
}

} // namespace orvena
