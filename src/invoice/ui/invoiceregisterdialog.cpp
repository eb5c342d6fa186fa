#include "invoiceregisterdialog.h"

#include "db/queryroles.h"
#include "navsend/ui/navstatemodel.h"
#include "screens/common/ui/dialogparts.h"
#include "registerbalancemodel.h"
#include "registerpages.h"
#include "screens/common/ui/fieldbinding.h"
#include "screens/common/ui/partydetails.h"

#include "screens/common/querytablemodel.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"

#include "navsend/navscreens.h"
#include "navsend/ui/navdialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {


namespace {

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
    // The invoice list ends with the invoice-data reporting state ("NAV").
    const GridModelMaker balances = [](Query& query, std::vector<QueryTableModel::Column> columns, QTableView* view) {
        return new RegisterBalanceModel(query, std::move(columns), QStringLiteral("fBszam"), view);
    };
    QTableView* invoiceGrid = addGridPage(tabs, QStringLiteral("Számlák"), list,
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
                                       QStringLiteral("invoiceGrid"), true, balances);
    // A typed number is looked up by the register from the highlighted invoice on.
    installTypeToLocate(invoiceGrid, [this](const QString& typed, bool continuing) { m_model->locateTyped(typed, continuing); });
    fitColumnsToContent(invoiceGrid);
    QTableView* lineGrid = addGridPage(tabs, QStringLiteral("Számla tételei"), lines,
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
                                   QStringLiteral("lineGrid"), true);
    fitColumnsToContent(lineGrid);
    tabs->addTab(buildCustomerPage(context), QStringLiteral("Vevö adatai"));
    connect(tabs, &QTabWidget::currentChanged, this, [this] { m_model->refreshDetails(); });
    layout->addWidget(tabs, 1);

    layout->addWidget(buildHeader(list));
    layout->addLayout(buildButtons(context));

    installEnterNavigation(this, EnterMode::WindowOnly);
    installEnterPressesButtons(this);
    resize(1000, 640);
    m_model->open();
    invoiceGrid->setFocus(); // a number typed at once is looked up
}

// The header of the highlighted invoice, visible on every tab.
QWidget* InvoiceRegisterDialog::buildHeader(Query& list)
{
    auto cell = [](const char* caption, const char* column) { return DetailCell{s(caption), {s(column)}}; };
    QGroupBox* header = headerGroup(QStringLiteral("Számla fejléc"), list,
                                    {cell("Bizonylatszám", "fBszam"), cell("Kód", "fID"), cell("Telj.kelt", "fTkelt"),
                                     cell("Szla.kelt", "fRkelt"), cell("Fiz.hat.", "fFkelt"), cell("Fiz.mód", "fFizmod"),
                                     cell("Pénznem", "fPnem"), cell("Árfolyam", "fArfoly"), cell("Szerzödés", "fSzerz"),
                                     cell("Nyomtatva", "fPrn"), cell("Vevö kód", "fvKod"), cell("Vevöszám: ", "fvSzam")},
                                    4, this);
    auto* headerGrid = static_cast<QGridLayout*>(header->layout());
    headerGrid->addWidget(new QLabel(QStringLiteral("Megjegyzés"), header), 3, 0);
    headerGrid->addWidget(queryField(list, {s("fMegj")}, header), 3, 1, 1, 7);
    // The chain of the highlighted invoice: what it corrects or reverses, its corrections, its storno.
    auto* chain = new QLabel(header);
    chain->setObjectName(QStringLiteral("chainLabel"));
    headerGrid->addWidget(chain, 4, 0, 1, 8);
    const auto update = [this, chain] { chain->setText(m_model->chainText()); };
    connect(&list, &Query::currentRowChanged, chain, update);
    connect(&list, &Query::rowsReplaced, chain, update);
    return header;
}

QLayout* InvoiceRegisterDialog::buildButtons(ScreenContext& context)
{
    Query& list = context.data.query(role::kInvoiceList);
    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& text, const QString& hint, const QString& name, auto action) {
        return addButton(buttons, text, hint, name, this, action);
    };
    add(QStringLiteral("Új"), QStringLiteral("Új számla készítése"), QStringLiteral("newButton"),
        [this] { m_model->newInvoice(); });
    QPushButton* modify = add(QStringLiteral("Módosít"), QStringLiteral("Nyomtatás előtti módosítás."),
                              QStringLiteral("modifyButton"), [this] { m_model->modifyInvoice(); });
    installModifyAnywayKey(modify, [this] { m_model->modifyInvoice(false); });
    add(QStringLiteral("Storno"), QStringLiteral("A megjelölt sorról \"Strono bizonylat\" készítése"),
        QStringLiteral("stornoButton"), [this] { m_model->storno(); });
    add(QStringLiteral("Helyesbít"), QStringLiteral("A megjelölt számla helyesbítése"), QStringLiteral("correctButton"),
        [this] { m_model->correct(); });
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
    add(QStringLiteral("Fizetés"), QStringLiteral("A megjelölt kiállított számla fizetései: új fizetés, törlés."),
        QStringLiteral("paymentButton"), [this] { m_model->payments(); });
    add(QStringLiteral("Küldés e-mailben"), QStringLiteral("A megjelölt számla elküldése a vevőnek PDF-ben."),
        QStringLiteral("mailButton"), [this] { m_model->sendByMail(); });
    add(QStringLiteral("E-mail napló"), QStringLiteral("A megjelölt számla elküldött e-mailjei."),
        QStringLiteral("mailLogButton"), [this] { m_model->mailLog(); });
    buttons->addStretch();
    add(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), [this] { reject(); });
    return buttons;
}

QWidget* InvoiceRegisterDialog::buildCustomerPage(ScreenContext& context)
{
    Query& customers = context.data.query(role::kCustomerList);
    auto* tabs = new QTabWidget(this);
    tabs->addTab(customerDetailsPage(Screen::InvoiceRegister, customers, tabs), QStringLiteral("Vevö adatak"));
    tabs->addTab(blockPairPage(QStringLiteral("Számlán"),
                               queryMemo(context.data.query(role::kInvoiceList), s("fMemoVevo"), tabs),
                               QStringLiteral("Vevö törzsben"), queryMemo(customers, s("vMemoVevo"), tabs), tabs),
                 QStringLiteral("Cimke"));
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

} // namespace orvena
