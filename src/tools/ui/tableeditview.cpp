#include "tableeditview.h"

#include "screens/common/dispatcher.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/userinterface.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvena {

// Cell editors: a line editor for ordinary cells, a multi-line editor for memo cells. It keeps
// track of the open editor so the navigator can take its text before posting.
class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(TableEditModel& model, QObject* parent) : QStyledItemDelegate(parent), m_model(model) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = nullptr;
        if (m_model.isMemoColumn(index.column())) {
            auto* memo = new QPlainTextEdit(parent);
            memo->setTabChangesFocus(true);
            editor = memo;
        } else {
            editor = QStyledItemDelegate::createEditor(parent, option, index);
            // a text cell takes at most what its column holds
            if (auto* line = qobject_cast<QLineEdit*>(editor))
                limitToColumn(line, m_model.tableName(), m_model.query().columnNames().value(index.column()));
        }
        m_editor = editor;
        return editor;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(editor))
            memo->setPlainText(index.data(Qt::EditRole).toString());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(editor))
            model->setData(index, memo->toPlainText(), Qt::EditRole);
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (qobject_cast<QPlainTextEdit*>(editor)) {
            QRect r = option.rect;
            r.setWidth(std::max(r.width(), 320));
            r.setHeight(std::max(r.height(), editor->fontMetrics().height() * 6 + 8));
            editor->setGeometry(r);
            return;
        }
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    }
    // Hands the open editor's text to the model and closes the editor.
    void commitOpenEditor()
    {
        if (QWidget* editor = m_editor.data()) {
            m_editor.clear();
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

private:
    TableEditModel& m_model;
    mutable QPointer<QWidget> m_editor;
};

TableEditView::TableEditView(TableEditModel& model, UserInterface& ui, QWidget* parent)
    : QWidget(parent), m_model(model), m_ui(ui)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    layout->addWidget(buildNavigator());
    layout->addWidget(buildGrid(), 1);

    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& index) {
        if (!index.isValid() || index.row() == m_model.currentRow())
            return;
        runAction(m_ui, [this, row = index.row()] { m_model.setCurrentRow(row); });
        if (m_model.currentRow() != index.row()) // the changed row could not be posted: stay on it
            QTimer::singleShot(0, this, &TableEditView::showCurrent);
    });
    connect(&model, &TableEditModel::currentRowChanged, this, [this] {
        showCurrent();
        updateButtons();
    });
    connect(&model, &QAbstractItemModel::modelReset, this, [this] {
        showCurrent();
        updateButtons();
    });
    connect(&model, &TableEditModel::stateChanged, this, &TableEditView::updateButtons);
    updateButtons();
}

// The navigator's buttons over the table: moving, inserting, deleting, editing, posting.
QWidget* TableEditView::buildNavigator()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("DBNavigator"));
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->setSpacing(2);
    struct ButtonDef {
        const char* name;
        QString glyph;
        QString tip;
        std::function<void()> action;
    };
    const std::vector<ButtonDef> specs{
        {"first", QStringLiteral("|◀"), QStringLiteral("Első sor"), [this] { m_model.first(); }},
        {"prior", QStringLiteral("◀"), QStringLiteral("Előző sor"), [this] { m_model.prior(); }},
        {"next", QStringLiteral("▶"), QStringLiteral("Következő sor"), [this] { m_model.next(); }},
        {"last", QStringLiteral("▶|"), QStringLiteral("Utolsó sor"), [this] { m_model.last(); }},
        {"insert", QStringLiteral("+"), QStringLiteral("Új sor"), [this] { m_model.insert(); }},
        {"delete", QStringLiteral("−"), QStringLiteral("Sor törlése"),
         [this] {
             if (m_model.state() == TableEditModel::State::Insert) {
                 m_model.deleteCurrent(); // only drops the row being typed
                 return;
             }
             // the row the operator saw when pressing the button, whatever the grid does
             // while the question is open
             const QString key = m_model.currentKey();
             if (!key.isEmpty() && m_ui.askYesNo(QStringLiteral("Törli a kijelölt sort?")))
                 m_model.deleteRow(key);
         }},
        {"edit", QStringLiteral("▲"), QStringLiteral("Sor szerkesztése"), [this] { m_model.edit(); }},
        {"post", QStringLiteral("✓"), QStringLiteral("Változás mentése"), [this] { m_model.post(); }},
        {"cancel", QStringLiteral("✗"), QStringLiteral("Változás elvetése"), [this] { m_model.cancel(); }},
        {"refresh", QStringLiteral("↻"), QStringLiteral("Frissítés"), [this] { m_model.refresh(); }},
    };
    for (const ButtonDef& def : specs) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(def.name));
        b->setText(def.glyph);
        b->setToolTip(def.tip);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumWidth(30);
        const auto action = def.action;
        connect(b, &QToolButton::clicked, this, [this, action] { act(action); });
        barLayout->addWidget(b);
        m_buttons[QString::fromLatin1(def.name)] = b;
    }
    barLayout->addStretch();
    return bar;

}

QTableView* TableEditView::buildGrid()
{
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid"));
    m_delegate = new CellDelegate(m_model, m_grid);
    m_grid->setItemDelegate(m_delegate);
    m_grid->setModel(&m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setDefaultSectionSize(110);
    m_grid->horizontalHeader()->setHighlightSections(false);
    return m_grid;
}

QToolButton* TableEditView::button(const QString& action) const
{
    const auto it = m_buttons.find(action);
    return it == m_buttons.end() ? nullptr : it->second;
}

void TableEditView::act(const std::function<void()>& action)
{
    m_delegate->commitOpenEditor();
    runAction(m_ui, action);
    showCurrent();
    updateButtons();
}

void TableEditView::showCurrent()
{
    const int row = m_model.currentRow();
    if (row < 0 || row >= m_model.rowCount() || m_model.columnCount() == 0)
        return;
    const QModelIndex current = m_grid->currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    const int column = current.isValid() ? current.column() : 0;
    m_grid->selectionModel()->setCurrentIndex(m_model.index(row, column), QItemSelectionModel::ClearAndSelect);
    m_grid->scrollTo(m_model.index(row, column));
}

void TableEditView::updateButtons()
{
    using State = TableEditModel::State;
    const State state = m_model.state();
    const bool open = state != State::Closed;
    const bool editing = state == State::Edit || state == State::Insert;
    const bool rows = m_model.rowCount() > 0;
    const int row = m_model.currentRow();
    const bool writable = m_model.isWritable();
    m_buttons["first"]->setEnabled(open && rows && row > 0);
    m_buttons["prior"]->setEnabled(open && rows && row > 0);
    m_buttons["next"]->setEnabled(open && rows && row < m_model.rowCount() - 1);
    m_buttons["last"]->setEnabled(open && rows && row < m_model.rowCount() - 1);
    m_buttons["insert"]->setEnabled(open && writable);
    m_buttons["delete"]->setEnabled(open && writable && rows);
    m_buttons["edit"]->setEnabled(open && writable && rows && state == State::Browse);
    m_buttons["post"]->setEnabled(open && writable && editing);
    m_buttons["cancel"]->setEnabled(open && writable && editing);
    m_buttons["refresh"]->setEnabled(open && !editing);
}

} // namespace orvena
