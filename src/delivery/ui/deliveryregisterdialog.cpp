#include "deliveryregisterdialog.h"

#include "linegrid.h"

#include "delivery/deliverycommon.h"
#include "screens/common/dispatcher.h"
#include "screens/common/ui/dialogparts.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/partydetails.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {

using namespace delivery;

namespace {

QWidget* gridPage(Query& query, std::vector<QueryTableModel::Column> columns, const char* name, QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* grid = new QTableView(page);
    grid->setObjectName(QString::fromLatin1(name));
    bindGridToQuery(grid, new QueryTableModel(query, std::move(columns), grid));
    // The arrow keys move the highlighted row; Tab leaves the grid for the buttons instead of
    // walking its cells (which would move the row as well).
    grid->setTabKeyNavigation(false);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grid);
    auto* nav = new QHBoxLayout;
    nav->addWidget(new NavigatorBar(query, page));
    nav->addStretch();
    layout->addLayout(nav);
    return page;
}

std::vector<QueryTableModel::Column> noteGridColumns()
{
    return {{QStringLiteral("lBszam"), QStringLiteral("Bizonylatszám")},
            {QStringLiteral("lTkelt"), QStringLiteral("Telj.kelte")},
            {QStringLiteral("lRkelt"), QStringLiteral("Szlev.kelte")},
            {QStringLiteral("lFkelt"), QStringLiteral("Fiz.határidö")},
            {QStringLiteral("lFizmod"), QStringLiteral("Fiz.mód")},
            {QStringLiteral("lPrn"), QStringLiteral("Nyomtatva")},
            {QStringLiteral("lPnem"), QStringLiteral("Pénznem")},
            {QStringLiteral("lMegj"), QStringLiteral("Megjegyzés")},
            {QStringLiteral("lSzerz"), QStringLiteral("Szerz.száma")},
            {QStringLiteral("lvKod"), QStringLiteral("Vevökód")},
            {QStringLiteral("lvSzam"), QStringLiteral("VevöSzám")},
            {QStringLiteral("lArfoly"), QStringLiteral("Árfolyam")},
            {QStringLiteral("lmKod"), QStringLiteral("SzótárKód")},
            {QStringLiteral("lzKod"), QStringLiteral("SzállítóKód")},
            {QStringLiteral("lzSzam"), QStringLiteral("SzállítóSzám")},
            {QStringLiteral("laFelhaszn"), QStringLiteral("Felhasználókód")},
            {QStringLiteral("lKerek"), QStringLiteral("Kerekit")},
            {QStringLiteral("lnSor"), QStringLiteral("NyelvKód")},
            {QStringLiteral("lID"), QStringLiteral("ID")}};
}

} // namespace

DeliveryRegisterDialog::DeliveryRegisterDialog(ScreenContext& context, DeliveryRegister* model, QWidget* parent)
    : QDialog(parent), m_context(context), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TForm19"));
    setWindowTitle(QStringLiteral("Szállítólevél"));
    setProperty("helpContext", 1);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(gridPage(context.data.query(role::kNoteList), noteGridColumns(), "noteGrid", m_tabs),
                   QStringLiteral("Szállítólevél"));
    m_tabs->addTab(gridPage(context.data.query(role::kNoteLines), lineGridColumns(), "lineGrid", m_tabs),
                   QStringLiteral("Szállítólevél tételei"));
    Query& customers = context.data.query(role::kCustomerList);
    Query& issuers = context.data.query(role::kIssuerList);
    m_tabs->addTab(buildPartyTab(customerDetailsPage(Screen::DeliveryRegister, customers, nullptr),
                                 QStringLiteral("Vevö adata"), QStringLiteral("lMemoVevo"), QStringLiteral("Vevö törzsben"),
                                 customers, QStringLiteral("vMemoVevo")),
                   QStringLiteral("Vevö adata"));
    m_tabs->addTab(buildPartyTab(issuerDetailsPage(Screen::DeliveryRegister, issuers, nullptr),
                                 QStringLiteral("Szállító adata"), QStringLiteral("lMemoSzall"),
                                 QStringLiteral("Szállító törzsben"), issuers, QStringLiteral("zMemoSzall")),
                   QStringLiteral("Szállító adata"));
    m_tabs->addTab(buildResetPage(), QStringLiteral("Sorszám "));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        runAction(m_context.ui, [this] { m_model->refreshDetails(); });
        if (m_tabs->widget(index) == m_resetPage)
            runAction(m_context.ui, [this] { m_model->resetTabShown(); });
    });

    auto* top = new QHBoxLayout;
    top->addWidget(m_tabs, 1);
    top->addLayout(buildButtonColumn());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buildHeader());

    installEnterPressesButtons(this);
    runAction(m_context.ui, [this] { m_model->prepare(); });
    resize(980, 600);
}

// A party's tab: its details page, and the page "Cimke" with the block stored on the
// highlighted note beside the one of the master record.
QWidget* DeliveryRegisterDialog::buildPartyTab(QWidget* details, const QString& detailsCaption, const QString& noteColumn,
                                               const QString& masterCaption, Query& master, const QString& masterColumn)
{
    auto* tabs = new QTabWidget(m_tabs);
    details->setParent(tabs);
    tabs->addTab(details, detailsCaption);
    tabs->addTab(blockPairPage(QStringLiteral("Szállítólevelen"), queryMemo(m_context.data.query(role::kNoteList), noteColumn, tabs),
                               masterCaption, queryMemo(master, masterColumn, tabs), tabs),
                 QStringLiteral("Cimke"));
    return tabs;
}

// "Sorszám ": the last note number set by hand, when "Új" does not give the right one.
QWidget* DeliveryRegisterDialog::buildResetPage()
{
    m_resetPage = new QWidget(m_tabs);
    auto* resetField = new QLineEdit(m_resetPage);
    resetField->setObjectName(QStringLiteral("resetNumber"));
    resetField->setMaxLength(9);
    resetField->setMaximumWidth(140);
    installCharFilter(resetField, CharFilter::digits());
    QPushButton* store = makeButton(QStringLiteral("Letárol"), QString(), QStringLiteral("storeResetButton"), m_resetPage);
    auto* layout = new QGridLayout(m_resetPage);
    layout->addWidget(new QLabel(QStringLiteral("Az utolsó szállítólevél sorszáma:"), m_resetPage), 0, 0);
    layout->addWidget(resetField, 0, 1);
    layout->addWidget(store, 0, 2);
    layout->addWidget(
        new QLabel(QStringLiteral("Csak akkor kell használni, ha nem  helyes sorszámot ad az \"Új\" gombra"), m_resetPage),
        1, 0, 1, 4);
    layout->setColumnStretch(3, 1);
    layout->setRowStretch(2, 1);
    connect(resetField, &QLineEdit::textEdited, m_model, &DeliveryRegister::setResetNumber);
    connect(m_model, &DeliveryRegister::resetNumberChanged, resetField,
            [this, resetField] { resetField->setText(m_model->resetNumber()); });
    connect(m_model, &DeliveryRegister::resetFocusRequested, resetField, [resetField] { focusField(resetField); });
    connect(store, &QPushButton::clicked, this,
            [this] { runAction(m_context.ui, [this] { m_model->storeResetNumber(); }); });
    return m_resetPage;
}

// The header of the highlighted note, below the tabs.
QWidget* DeliveryRegisterDialog::buildHeader()
{
    auto cell = [](const char* caption, const char* column) {
        return DetailCell{QString::fromUtf8(caption), {QString::fromLatin1(column)}};
    };
    return headerGroup(QStringLiteral("Szállítólevél fejléc"), m_context.data.query(role::kNoteList),
                       {cell("Bizonylatszám", "lBszam"), cell("Kód", "lID"), cell("Telj.kelt", "lTkelt"),
                        cell("Szlev.kelt", "lRkelt"), cell("Fiz.hat.", "lFkelt"), cell("Fiz.mód", "lFizmod"),
                        cell("Pénznem", "lPnem"), cell("Megjegyzés", "lMegj"), cell("Szerzödés", "lSzerz"),
                        cell("Nyomtatva", "lPrn"), cell("Vevö kód", "lvKod"), cell("Vevöszám: ", "lvSzam")},
                       4, this);
}

// The current customer's identity above the buttons.
QLayout* DeliveryRegisterDialog::buildButtonColumn()
{
    auto* customerIdRow = new QHBoxLayout;
    customerIdRow->addWidget(new QLabel(QStringLiteral("Kód:"), this));
    QLineEdit* customerId = queryField(m_context.data.query(role::kCustomerList), {QStringLiteral("vID")}, this);
    customerId->setMaximumWidth(80);
    customerIdRow->addWidget(customerId);

    QPushButton* choose =
        makeButton(QStringLiteral("Kiválaszt"), QStringLiteral("Számla készítéskor"), QStringLiteral("chooseButton"), this);
    QPushButton* newNote =
        makeButton(QStringLiteral("Új"), QStringLiteral("Új  szállíó levél készítése"), QStringLiteral("newButton"), this);
    QPushButton* modify = makeButton(QStringLiteral("Módosít"), QStringLiteral("Nem nyomtatott szállító javítása."),
                                     QStringLiteral("modifyButton"), this);
    QPushButton* view =
        makeButton(QStringLiteral("Megtekint"), QStringLiteral("Szállítólevél megtekintése."), QStringLiteral("viewButton"), this);
    QPushButton* print =
        makeButton(QStringLiteral("Nyomtat"), QStringLiteral("Szállító nyomtatása."), QStringLiteral("printButton"), this);
    QPushButton* cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), this);
    connect(choose, &QPushButton::clicked, this, [this] {
        runAction(m_context.ui, [this] { m_model->choose(); });
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(newNote, &QPushButton::clicked, this, [this] { act([](DeliveryRegister* m) { m->newNote(); }); });
    connect(modify, &QPushButton::clicked, this, [this] { act([](DeliveryRegister* m) { m->modifyNote(); }); });
    installModifyAnywayKey(modify, [this] { act([](DeliveryRegister* m) { m->modifyNoteAnyway(); }); });
    connect(view, &QPushButton::clicked, this, [this] { act([](DeliveryRegister* m) { m->viewNote(); }); });
    connect(print, &QPushButton::clicked, this, [this] { act([](DeliveryRegister* m) { m->printNote(); }); });

    auto* column = new QVBoxLayout;
    column->addLayout(customerIdRow);
    column->addSpacing(12);
    for (QPushButton* b : {choose, newNote, modify, view, print, cancel})
        column->addWidget(b);
    column->addStretch();
    return column;
}

void DeliveryRegisterDialog::act(const std::function<void(DeliveryRegister*)>& fn)
{
    runAction(m_context.ui, [this, &fn] { fn(m_model); });
    // The screen or preview the action opened over the register has closed: the list comes back
    // re-read and on the note last composed.
    runAction(m_context.ui, [this] { m_model->reread(); });
}

bool DeliveryRegisterDialog::event(QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        runAction(m_context.ui, [this] { m_model->reread(); });
    return QDialog::event(event);
}

} // namespace orvena
