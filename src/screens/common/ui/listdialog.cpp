#include "listdialog.h"

#include "dialogparts.h"
#include "editdialog.h"
#include "gridbinding.h"
#include "keyhandling.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {

ListDialog::ListDialog(ListScreen* model, QWidget* parent) : QDialog(parent), m_model(model)
{
    model->setParent(this);
    auto* layout = new QVBoxLayout(this);
    m_top = new QVBoxLayout;
    layout->addLayout(m_top);

    m_caption = new QLabel(model->caption(), this);
    m_caption->setObjectName(QStringLiteral("Caption"));
    QFont bold = m_caption->font();
    bold.setBold(true);
    m_caption->setFont(bold);
    layout->addWidget(m_caption);
    connect(model, &ListScreen::captionChanged, m_caption, &QLabel::setText);

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_gridModel = new QueryTableModel(model->query(), model->def().columns, this);
    bindGridToQuery(m_grid, m_gridModel);
    m_grid->setAlternatingRowColors(true);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->setWordWrap(false);
    // The arrow keys move in the list; Tab goes on to the buttons and the search field.
    m_grid->setTabKeyNavigation(false);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { m_model->sortBy(m_gridModel->fieldOfColumn(section)); });
    layout->addWidget(m_grid, 1);

    layout->addWidget(new NavigatorBar(model->query(), this));

    m_detailArea = new QVBoxLayout;
    layout->addLayout(m_detailArea);

    auto* buttons = new QHBoxLayout;
    auto make = [this, buttons, model](const QString& name, const QString& text, auto action) {
        QPushButton* b = makeButton(text, QString(), name, this);
        pressOnEnter(b);
        connect(b, &QPushButton::clicked, model, action);
        buttons->addWidget(b);
        return b;
    };
    m_choose = make(QStringLiteral("Kivalaszt"), QStringLiteral("Kiválaszt"), [model] { model->choose(); });
    m_add = make(QStringLiteral("Uj"), QStringLiteral("Új"), [model] { model->newRecord(); });
    m_modify = make(QStringLiteral("Modosit"), QStringLiteral("Módosít"), [model] { model->modify(); });
    m_remove = make(QStringLiteral("Torol"), QStringLiteral("Töröl"), [model] { model->remove(); });
    buttons->addStretch();
    m_cancel = make(QStringLiteral("Megsem"), QStringLiteral("Mégsem"), [model] { model->cancel(); });
    layout->addLayout(buttons);

    // "Kiválaszt" and "Mégsem" close the same way: the chooser's caller reads the current row.
    connect(model, &ListScreen::finished, this, &QDialog::accept);

    Query* query = &model->query();
    connect(query, &Query::currentRowChanged, this, &ListDialog::updateDetails);
    connect(query, &Query::rowsReplaced, this, &ListDialog::updateDetails);

    installEnterNavigation(this, EnterMode::WindowOnly);
    resize(900, 600);
    model->create();
}

void ListDialog::setDetails(const std::vector<Detail>& details, const QString& memoColumn)
{
    auto* group = new QGroupBox(QStringLiteral("Adatok"));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    // Two columns of caption / value pairs keep the panel low under the grid.
    const int perColumn = static_cast<int>((details.size() + 1) / 2);
    int i = 0;
    for (const Detail& d : details) {
        const int row = i % std::max(perColumn, 1);
        const int col = (i / std::max(perColumn, 1)) * 2;
        auto* caption = new QLabel(d.caption, group);
        auto* value = new QLabel(group);
        value->setObjectName(QStringLiteral("Detail_") + d.columns.value(0));
        value->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setMinimumWidth(220);
        caption->setBuddy(value);
        grid->addWidget(caption, row, col, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, row, col + 1);
        m_detailLabels.emplace_back(value, d);
        ++i;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    m_memoColumn = memoColumn;
    if (memoColumn.isEmpty()) {
        m_detailArea->addWidget(group);
    } else {
        auto* tabs = new QTabWidget(this);
        auto* rowPage = new QWidget;
        auto* rowLayout = new QVBoxLayout(rowPage);
        rowLayout->addWidget(group);
        tabs->addTab(rowPage, QStringLiteral("Sor adata"));
        m_memo = new QPlainTextEdit;
        m_memo->setObjectName(QStringLiteral("Cimke"));
        m_memo->setReadOnly(true);
        tabs->addTab(m_memo, QStringLiteral("Cimke"));
        m_detailArea->addWidget(tabs);
    }
    updateDetails();
}

void ListDialog::setHints(const Hints& hints)
{
    m_choose->setToolTip(hints.choose);
    m_add->setToolTip(hints.add);
    m_modify->setToolTip(hints.modify);
    m_remove->setToolTip(hints.remove);
    m_cancel->setToolTip(hints.cancel);
}

void ListDialog::updateDetails()
{
    const Query& q = m_model->query();
    auto value = [&q](const QStringList& columns) {
        QStringList parts;
        for (const QString& c : columns)
            if (q.isOpen() && q.hasColumn(c) && q.currentRow() >= 0)
                parts << q.fieldText(c);
        return parts.join(u' ');
    };
    for (auto& [label, d] : m_detailLabels) {
        QString text = value(d.columns);
        if (!d.secondLine.isEmpty())
            text += u'\n' + value(d.secondLine);
        label->setText(text);
    }
    if (m_memo) {
        const bool has = q.isOpen() && q.hasColumn(m_memoColumn) && q.currentRow() >= 0;
        m_memo->setPlainText(has ? q.fieldText(m_memoColumn).remove(u'\r') : QString());
    }
}

void ListDialog::sizeColumns()
{
    // Widths from the title and the first rows only: a long list is never scanned.
    const QFontMetrics fm = m_grid->fontMetrics();
    const QFontMetrics hfm = m_grid->horizontalHeader()->fontMetrics();
    const int rows = std::min(m_gridModel->rowCount(), 40);
    for (int c = 0; c < m_gridModel->columnCount(); ++c) {
        int width = hfm.horizontalAdvance(m_gridModel->headerData(c, Qt::Horizontal).toString()) + 24;
        for (int r = 0; r < rows; ++r)
            width = std::max(width, fm.horizontalAdvance(m_gridModel->data(m_gridModel->index(r, c)).toString()) + 16);
        m_grid->setColumnWidth(c, std::min(width, 280));
    }
}

void ListDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_model->show();
    sizeColumns();
    m_grid->setFocus();
}

} // namespace orvena
