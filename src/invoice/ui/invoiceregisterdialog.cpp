#include "invoiceregisterdialog.h"

#include "db/queryroles.h"
#include "nav/ui/navstatemodel.h"
#include "screens/common/ui/fieldbinding.h"
#include "screens/common/ui/querydisplay.h"

#include "screens/common/querytablemodel.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"

#include "navsend/navscreens.h"
#include "navsend/ui/navdialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {


namespace {

QTableView* grid(QWidget* parent, Query& query, std::vector<QueryTableModel::Column> columns, const QString& name,
                 bool navColumn = false)
{
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    // The invoice list ends with the invoice-data reporting state ("NAV").
    auto* model = navColumn ? new NavStateModel(query, std::move(columns), QStringLiteral("fBszam"), view)
                            : new QueryTableModel(query, std::move(columns), view);
    bindGridToQuery(view, model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The arrow keys move in the list; Tab goes on to the buttons.
    view->setTabKeyNavigation(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setDefaultSectionSize(90);
    return view;
}

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

InvoiceRegisterDialog::InvoiceRegisterDialog(ScreenContext& context, InvoiceRegister* model, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TForm8"));
    setWindowTitle(QStringLiteral("Számlázás"));
    setProperty("helpContext", 2);

    Query& list = context.data.query(role::kInvoiceList);
    Query& lines = context.data.query(role::kInvoiceLines);
    auto* layout = new QVBoxLayout(this);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("registerTabs"));
    auto* invoices = new QWidget(tabs);
    auto* invoicesLayout = new QVBoxLayout(invoices);
    QTableView* invoiceGrid = grid(invoices, list,
                                   {{s("fBszam"), s("Bizonylatszám")},
                                    {s("fTkelt"), s("Telj.kelte")},
                                    {s("fRkelt"), s("Szla.kelte")},
                                    {s("fFkelt"), s("Fiz.határidö")},
                                    {s("fFizmod"), s("Fiz.mód")},
                                    {s("fPrn"), s("Nyomtatva")},
                                    {s("fPnem"), s("Pénznem")},
                                    {s("fMegj"), s("Megjegyzés")},
                                    {s("fSzerz"), s("Szerz.száma")},
                                    {s("fArfoly"), s("Árfolyam")},
                                    {s("fnSor"), s("NyelvKód")},
                                    {s("fmKod"), s("SzótárKód")},
                                    {s("fzKod"), s("Száll.Kód")},
                                    {s("fzSzam"), s("Száll.Szám")},
                                    {s("fvKod"), s("VevöKód")},
                                    {s("fvSzam"), s("VevöSzám")},
                                    {s("faFelhaszn"), s("Felhasználó")},
                                    {s("fKerek"), s("Kerekit")},
                                    {s("fID"), s("fID")}},
                                   QStringLiteral("invoiceGrid"), true);
    // A typed number is looked up by the register from the highlighted invoice on.
    installTypeToLocate(invoiceGrid, [this](const QString& typed, bool continuing) { m_model->locateTyped(typed, continuing); });
    invoiceGrid->setColumnWidth(5, 70);
    invoiceGrid->setColumnWidth(7, 200);
    invoicesLayout->addWidget(invoiceGrid);
    invoicesLayout->addWidget(new NavigatorBar(list, invoices), 0, Qt::AlignLeft);
    tabs->addTab(invoices, QStringLiteral("Számlák"));

    auto* linesPage = new QWidget(tabs);
    auto* linesLayout = new QVBoxLayout(linesPage);
    QTableView* lineGrid = grid(linesPage, lines,
                                {{s("sBszam"), s("Bszám")},
                                 {s("scKod"), s("Cikkkód")},
                                 {s("sMegn"), s("Megnevezés")},
                                 {s("sVtsz"), s("Vtsz")},
                                 {s("sMenny"), s("Mennyiség")},
                                 {s("sMe"), s("M.egység")},
                                 {s("sEar"), s("E.ár")},
                                 {s("sPnem"), s("Pénznem")},
                                 {s("skAfakod"), s("Áfakód")},
                                 {s("sAfanev"), s("Áfanév")},
                                 {s("sAfa"), s("Áfa")},
                                 {s("saFelhaszn"), s("Felhasználó")},
                                 {s("sID"), s("ID")}},
                                QStringLiteral("lineGrid"));
    lineGrid->setColumnWidth(2, 260);
    linesLayout->addWidget(lineGrid);
    linesLayout->addWidget(new NavigatorBar(lines, linesPage), 0, Qt::AlignLeft);
    tabs->addTab(linesPage, QStringLiteral("Számla tételei"));
    tabs->addTab(buildCustomerPage(context), QStringLiteral("Vevö adatai"));
    connect(tabs, &QTabWidget::currentChanged, this, [this] { m_model->refreshDetails(); });
    layout->addWidget(tabs, 1);

    // The header of the highlighted invoice, visible on every tab.
    auto* header = new QGroupBox(QStringLiteral("Számla fejléc"), this);
    auto* headerGrid = new QGridLayout(header);
    struct Item {
        const char* caption;
        const char* column;
    };
    const Item items[] = {{"Bizonylatszám", "fBszam"}, {"Kód", "fID"},          {"Telj.kelt", "fTkelt"},
                          {"Szla.kelt", "fRkelt"},     {"Fiz.hat.", "fFkelt"},  {"Fiz.mód", "fFizmod"},
                          {"Pénznem", "fPnem"},        {"Árfolyam", "fArfoly"}, {"Szerzödés", "fSzerz"},
                          {"Nyomtatva", "fPrn"},       {"Vevö kód", "fvKod"},   {"Vevöszám: ", "fvSzam"}};
    int i = 0;
    for (const Item& item : items) {
        const int row = i / 4;
        const int col = (i % 4) * 2;
        headerGrid->addWidget(new QLabel(s(item.caption), header), row, col);
        QLineEdit* field = queryField(list, {s(item.column)}, header);
        field->setObjectName(QStringLiteral("header_") + s(item.column));
        headerGrid->addWidget(field, row, col + 1);
        ++i;
    }
    headerGrid->addWidget(new QLabel(QStringLiteral("Megjegyzés"), header), 3, 0);
    headerGrid->addWidget(queryField(list, {s("fMegj")}, header), 3, 1, 1, 7);
    layout->addWidget(header);

    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& text, const QString& hint, const QString& name, auto action) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, action);
        buttons->addWidget(b);
        return b;
    };
    add(QStringLiteral("Új"), QStringLiteral("Új számla készítése"), QStringLiteral("newButton"),
        [this] { m_model->newInvoice(); });
    m_modify = add(QStringLiteral("Módosít"), QStringLiteral("Nyomtatás előtti módosítás."),
                   QStringLiteral("modifyButton"), [this] { m_model->modifyInvoice(); });
    m_modify->installEventFilter(this);
    add(QStringLiteral("Storno"), QStringLiteral("A megjelölt sorról \"Strono bizonylat\" készítése"),
        QStringLiteral("stornoButton"), [this] { m_model->storno(); });
    add(QStringLiteral("Megtekint"), QStringLiteral("Számla formátum megtekintése."), QStringLiteral("viewButton"),
        [this] { m_model->view(); });
    add(QStringLiteral("Nyomtat"), QStringLiteral("Számla nyomtatása."), QStringLiteral("printButton"),
        [this] { m_model->print(); });
    add(QStringLiteral("NAV napló"), QStringLiteral("A megjelölt számla NAV adatszolgáltatásának menete és üzenetei."),
        QStringLiteral("navLogButton"), [this, ctx = &context, q = &list] {
            const QString number = q->fieldText(QStringLiteral("fBszam"));
            nav::NavLogDialog log(new nav::NavLog(*ctx, number), number, this);
            log.exec();
            m_model->reread();
        });
    buttons->addStretch();
    add(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), [this] { reject(); });
    layout->addLayout(buttons);

    installEnterNavigation(this, EnterMode::WindowOnly);
    installEnterPressesButtons(this);
    resize(1000, 640);
    m_model->open();
}

QWidget* InvoiceRegisterDialog::buildCustomerPage(ScreenContext& context)
{
    Query& c = context.data.query(role::kCustomerList);
    auto* tabs = new QTabWidget(this);
    QWidget* data = detailsPage(QStringLiteral("Adatok"), c,
                                {{s("Vevö neve:"), {s("vNeve")}},
                                 {s("Kód"), {s("vID")}},
                                 {s("Cime:"), {s("vIrszam"), s("vHely"), s("vUtca")}},
                                 {s("Telefon"), {s("vTel")}},
                                 {s("Adószám"), {s("vAdo")}},
                                 {s("Köz.adószám"), {s("vKado")}},
                                 {s("IBAN"), {s("vIBAN")}},
                                 {s("Swith"), {s("vSwift")}},
                                 {s("Bank"), {s("vBanknev"), s("vBankszla")}},
                                 {s("E-mail"), {s("vEmail")}},
                                 {s("Üzenet"), {s("vUzen")}},
                                 {s("Kamat %"), {s("vKamat")}},
                                 {s("Fiz.mód"), {s("vFizmod")}},
                                 {s("Fiz.hat.(nap)"), {s("vFhat")}},
                                 {s("Pénznem"), {s("vPnem")}},
                                 {s("Enged.%"), {s("vEnged")}},
                                 {s("Ford.adózás"), {s("vFordado")}}},
                                tabs);
    tabs->addTab(data, QStringLiteral("Vevö adatak"));

    auto* blocks = new QWidget(tabs);
    auto* blockLayout = new QGridLayout(blocks);
    blockLayout->addWidget(new QLabel(QStringLiteral("Számlán"), blocks), 0, 0);
    blockLayout->addWidget(new QLabel(QStringLiteral("Vevö törzsben"), blocks), 0, 1);
    blockLayout->addWidget(queryMemo(context.data.query(role::kInvoiceList), s("fMemoVevo"), blocks), 1, 0);
    blockLayout->addWidget(queryMemo(c, s("vMemoVevo"), blocks), 1, 1);
    tabs->addTab(blocks, QStringLiteral("Cimke"));
    connect(tabs, &QTabWidget::currentChanged, this, [this] { m_model->refreshDetails(); });
    return tabs;
}

void InvoiceRegisterDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        // First display: positioned by the run's current invoice number (the first invoice
        // while there is none).
        m_shown = true;
        m_model->reread();
    }
}

bool InvoiceRegisterDialog::event(QEvent* event)
{
    // Uncovered again when a modal screen, a message or the preview over it has closed: the
    // list is re-read so it shows the latest stored state.
    if (event->type() == QEvent::WindowUnblocked)
        m_model->reread();
    return QDialog::event(event);
}

bool InvoiceRegisterDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_modify && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text == QLatin1String("J") || text == QLatin1String("j")) {
            m_model->modifyInvoice(false);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orvena
