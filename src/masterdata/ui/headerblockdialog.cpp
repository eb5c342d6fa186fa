#include "headerblockdialog.h"
#include "screens/common/ui/dialogparts.h"

#include "screens/common/dispatcher.h"
#include "screens/common/ui/keyhandling.h"

#include <QApplication>
#include <QCheckBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

namespace orvena {

using Place = HeaderBlockComposer::Place;

namespace {

const QString kMimeType = QStringLiteral("application/x-orvena-header-entry");
constexpr int kNewLineDragDistance = 10;

// A list that starts a drag when an entry is pressed and the mouse moves, and takes drops from
// the other list and from the new-line field as the composer decides.
class EntryList : public QListWidget {
public:
    EntryList(Place place, HeaderBlockComposer& composer, QWidget* parent)
        : QListWidget(parent), m_place(place), m_composer(composer)
    {
        setAcceptDrops(true);
        setDragEnabled(false); // the drag is started here, with the composer's payload
        setDropIndicatorShown(false);
        setSelectionMode(QAbstractItemView::SingleSelection);
    }

    std::function<void(Place from)> startDrag;
    std::function<void(Place from)> dropped;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QListWidget::mousePressEvent(event);
        m_pressedOnEntry = itemAt(event->position().toPoint()) != nullptr;
        m_pressPos = event->position().toPoint();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (m_pressedOnEntry && event->buttons() != Qt::NoButton
            && (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            m_pressedOnEntry = false;
            if (startDrag)
                startDrag(m_place);
            return;
        }
        QListWidget::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        m_pressedOnEntry = false;
        QListWidget::mouseReleaseEvent(event);
    }
    void dragEnterEvent(QDragEnterEvent* event) override { judge(event); }
    void dragMoveEvent(QDragMoveEvent* event) override { judge(event); }
    void dropEvent(QDropEvent* event) override
    {
        Place from;
        if (!HeaderBlockDialog::readDragData(event->mimeData(), &from) || !m_composer.accepts(from, m_place)) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::MoveAction);
        event->accept();
        if (dropped)
            dropped(from);
    }

private:
    void judge(QDragMoveEvent* event)
    {
        Place from;
        if (HeaderBlockDialog::readDragData(event->mimeData(), &from) && m_composer.accepts(from, m_place)) {
            event->setDropAction(Qt::MoveAction);
            event->accept();
        } else {
            event->ignore();
        }
    }

    Place m_place;
    HeaderBlockComposer& m_composer;
    bool m_pressedOnEntry = false;
    QPoint m_pressPos;
};

// The new-line field starts a drag of its text once any mouse button has moved 10 pixels.
class NewLineDragSource : public QObject {
public:
    NewLineDragSource(QLineEdit* field, std::function<void()> start) : QObject(field), m_start(std::move(start)) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressed = true;
            m_pressPos = static_cast<QMouseEvent*>(event)->position().toPoint();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            m_pressed = false;
        } else if (event->type() == QEvent::MouseMove && m_pressed) {
            auto* move = static_cast<QMouseEvent*>(event);
            if (move->buttons() != Qt::NoButton
                && (move->position().toPoint() - m_pressPos).manhattanLength() >= kNewLineDragDistance) {
                m_pressed = false;
                m_start();
                return true;
            }
        }
        return false;
    }

private:
    std::function<void()> m_start;
    bool m_pressed = false;
    QPoint m_pressPos;
};

QLabel* hinted(QLabel* label, const QString& hint)
{
    label->setToolTip(hint);
    return label;
}

} // namespace

HeaderBlockDialog::HeaderBlockDialog(ScreenContext& context, std::unique_ptr<HeaderBlockComposer> composer,
                                     QWidget* parent)
    : QDialog(parent), m_context(context), m_composer(std::move(composer))
{
    const bool customer = m_composer->party() == HeaderBlockComposer::Party::Customer;
    setObjectName(customer ? QStringLiteral("TForm14") : QStringLiteral("TForm24"));
    setWindowTitle(m_composer->title());

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    buildLists(grid, customer);
    buildBlock(grid, customer);
    buildButtons(grid);
    connectModel();

    m_newLine->setText(m_composer->newLine());
    m_oneLine->setChecked(m_composer->oneLine());
    m_block->setPlainText(m_composer->block());
    showLists();
    resize(920, 460);
}

// The new line, the one-line switch and the two lists the entries are dragged between.
void HeaderBlockDialog::buildLists(QGridLayout* grid, bool customer)
{
    const QString toTicks = QStringLiteral("Egér bal billantyűvel áthúzás a \"pipa\" oszlopba");
    auto* newLineLabel = new QLabel(QStringLiteral("Új sor bevitele "), this);
    m_newLine = new QLineEdit(this);
    m_newLine->setObjectName(QStringLiteral("Edit1"));
    m_newLine->setToolTip(toTicks);
    newLineLabel->setBuddy(m_newLine);
    auto* newLineRow = new QHBoxLayout;
    newLineRow->addWidget(newLineLabel);
    newLineRow->addWidget(m_newLine, 1);
    grid->addLayout(newLineRow, 0, 0, 1, 2);

    m_oneLine = new QCheckBox(QStringLiteral("Megjelölteket egy sorba írva"), this);
    m_oneLine->setObjectName(QStringLiteral("CheckBox1"));
    grid->addWidget(m_oneLine, 1, 0, 1, 2);

    auto* fieldsLabel = hinted(new QLabel(customer ? QStringLiteral("Vevő adatai") : QStringLiteral("Szállító adatai"), this),
                               toTicks);
    grid->addWidget(fieldsLabel, 2, 0);
    m_fields = new EntryList(Place::FieldList, *m_composer, this);
    m_fields->setObjectName(QStringLiteral("ListBox1"));
    m_fields->setToolTip(toTicks);
    fieldsLabel->setBuddy(m_fields);
    grid->addWidget(m_fields, 3, 0);

    auto* ticksLabel = new QLabel(QStringLiteral("Megjelöl  (pipa)"), this);
    m_ticks = new EntryList(Place::TickList, *m_composer, this);
    m_ticks->setObjectName(QStringLiteral("CheckListBox1"));
    if (customer) {
        const QString toFields = QStringLiteral("Egér bal billantyűvel áthúzás a \"vevő sorok\" oszlopba");
        ticksLabel->setToolTip(toFields);
        m_ticks->setToolTip(toFields);
    }
    ticksLabel->setBuddy(m_ticks);
    grid->addWidget(ticksLabel, 2, 1);
    grid->addWidget(m_ticks, 3, 1);

}

// The transfer button and the block as it will stand on the invoice.
void HeaderBlockDialog::buildBlock(QGridLayout* grid, bool customer)
{
    m_transfer = makeButton(QStringLiteral(">>"), QStringLiteral("Átrakni"), QStringLiteral("Button3"), this);
    m_transfer->setFixedWidth(44);
    grid->addWidget(m_transfer, 3, 2, Qt::AlignVCenter);

    auto* blockLabel = new QLabel(customer ? QStringLiteral("Számla \"vevő\" fejléce (cimkéje)")
                                           : QStringLiteral("Számla \"szállító\" fejléce (cimkéje)"),
                                  this);
    m_block = new QPlainTextEdit(this);
    m_block->setObjectName(QStringLiteral("Memo1"));
    m_block->setLineWrapMode(QPlainTextEdit::NoWrap);
    if (customer) {
        blockLabel->setToolTip(QStringLiteral("A számla vevő fejléc  formátuma"));
        m_block->setToolTip(blockLabel->toolTip());
    }
    blockLabel->setBuddy(m_block);
    grid->addWidget(blockLabel, 2, 3);
    grid->addWidget(m_block, 3, 3);

}

void HeaderBlockDialog::buildButtons(QGridLayout* grid)
{
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_ok = makeButton(QStringLiteral("OK"), QStringLiteral("Cimke mentése"), QStringLiteral("Button1"), this);
    m_cancel = makeButton(QStringLiteral("Mégsem"), {}, QStringLiteral("Button2"), this);
    for (QPushButton* b : {m_ok, m_cancel}) {
        b->setMinimumWidth(100);
        buttons->addWidget(b);
    }
    grid->addLayout(buttons, 4, 0, 1, 4);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 4);
    grid->setRowStretch(3, 1);

}

// Every widget's change goes to the composer; drags and drops between the lists too.
void HeaderBlockDialog::connectModel()
{
    // Both lists are EntryLists (buildLists made them).
    for (auto* list : {static_cast<EntryList*>(m_fields), static_cast<EntryList*>(m_ticks)}) {
        list->startDrag = [this, list](Place from) { startDrag(from, list); };
        list->dropped = [this, list](Place from) {
            m_composer->drop(from, list == m_fields ? Place::FieldList : Place::TickList, m_fields->currentRow());
            showLists();
        };
    }
    m_newLine->installEventFilter(new NewLineDragSource(m_newLine, [this] { startDrag(Place::NewLine, m_newLine); }));
    installFieldGuard(m_newLine);
    installFieldGuard(m_block);
    connect(m_newLine, &QLineEdit::textChanged, this, [this](const QString& text) { m_composer->setNewLine(text); });
    connect(m_oneLine, &QCheckBox::toggled, this, [this](bool on) { m_composer->setOneLine(on); });
    connect(m_ticks, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        m_composer->setTicked(m_ticks->row(item), item->checkState() == Qt::Checked);
    });
    connect(m_block, &QPlainTextEdit::textChanged, this, [this] {
        if (m_block->toPlainText() != m_composer->block())
            m_composer->setBlock(m_block->toPlainText());
    });
    connect(m_transfer, &QPushButton::clicked, this, [this] {
        m_composer->transfer();
        m_block->setPlainText(m_composer->block());
        m_block->moveCursor(QTextCursor::End);
    });
    connect(m_ok, &QPushButton::clicked, this, &HeaderBlockDialog::ok);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

}

void HeaderBlockDialog::showLists()
{
    const QSignalBlocker blockFields(m_fields);
    const QSignalBlocker blockTicks(m_ticks);
    m_fields->clear();
    m_fields->addItems(m_composer->fieldList());
    m_ticks->clear();
    for (const auto& entry : m_composer->tickList()) {
        auto* item = new QListWidgetItem(entry.text, m_ticks);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(entry.ticked ? Qt::Checked : Qt::Unchecked);
    }
}

QMimeData* HeaderBlockDialog::dragData(Place from)
{
    auto* data = new QMimeData;
    data->setData(kMimeType, QByteArray::number(static_cast<int>(from)));
    return data;
}

bool HeaderBlockDialog::readDragData(const QMimeData* data, Place* from)
{
    if (!data || !data->hasFormat(kMimeType))
        return false;
    bool ok = false;
    const int value = data->data(kMimeType).toInt(&ok);
    if (!ok || value < static_cast<int>(Place::NewLine) || value > static_cast<int>(Place::TickList))
        return false;
    *from = static_cast<Place>(value);
    return true;
}

void HeaderBlockDialog::startDrag(Place from, QWidget* source)
{
    auto* drag = new QDrag(source);
    drag->setMimeData(dragData(from));
    drag->exec(Qt::MoveAction);
}

void HeaderBlockDialog::ok()
{
    runAction(m_context.ui, [this] {
        if (m_composer->ok())
            accept();
    });
}

} // namespace orvena
