#include "deliveryregisterdialog.h"

#include "detailpanel.h"

#include "delivery/deliverycommon.h"
#include "screens/common/dispatcher.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
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

QPushButton* makeButton(const QString& text, const QString& hint, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

// "J" or "j" typed on the focused "Módosít" button.
class ModifyKeyWatcher : public QObject {
public:
    ModifyKeyWatcher(QWidget* button, std::function<void()> onKey) : QObject(button), m_onKey(std::move(onKey))
    {
        button->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent*>(event)->text();
            if (text == u"J" || text == u"j") {
                m_onKey();
                return true;
            }
        }
        return false;
    }

private:
    std::function<void()> m_onKey;
};

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

QWidget* memoPair(const QString& leftTitle, Query& leftQuery, const QString& leftColumn, const QString& rightTitle,
                  Query& rightQuery, const QString& rightColumn, QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* layout = new QGridLayout(page);
    auto* left = new QPlainTextEdit(page);
    auto* right = new QPlainTextEdit(page);
    bindMemoDisplay(left, leftQuery, leftColumn);
    bindMemoDisplay(right, rightQuery, rightColumn);
    layout->addWidget(new QLabel(leftTitle, page), 0, 0);
    layout->addWidget(new QLabel(rightTitle, page), 0, 1);
    layout->addWidget(left, 1, 0);
    layout->addWidget(right, 1, 1);
    return page;
}

} // namespace

DeliveryRegisterDialog::DeliveryRegisterDialog(ScreenContext& context, DeliveryRegister* model, QWidget* parent)
    : QDialog(parent), m_context(context), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TForm19"));
    setWindowTitle(QStringLiteral("Szállítólevél"));
    setProperty("helpContext", 1);
    Query& notes = context.data.query(kNoteList);
    Query& lines = context.data.query(kLineList);
    Query& customers = context.data.query(kCustomerList);
    Query& issuers = context.data.query(kIssuerList);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(gridPage(notes,
                            {{QStringLiteral("lBszam"), QStringLiteral("Bizonylatszám")},
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
                             {QStringLiteral("lID"), QStringLiteral("ID")}},
                            "noteGrid", m_tabs),
                   QStringLiteral("Szállítólevél"));
    m_tabs->addTab(gridPage(lines,
                            {{QStringLiteral("eBszam"), QStringLiteral("Bizonylatszám")},
                             {QStringLiteral("ecKod"), QStringLiteral("CikkKód")},
                             {QStringLiteral("ecSzam"), QStringLiteral("CikkSzám")},
                             {QStringLiteral("eMegn"), QStringLiteral("Megnevezés")},
                             {QStringLiteral("eVtsz"), QStringLiteral("Vtsz")},
                             {QStringLiteral("eMenny"), QStringLiteral("Mennyiség")},
                             {QStringLiteral("eMe"), QStringLiteral("Menny.egység")},
                             {QStringLiteral("eEar"), QStringLiteral("Egységár")},
                             {QStringLiteral("ePnem"), QStringLiteral("Pénznem")},
                             {QStringLiteral("ekAfakod"), QStringLiteral("Áfakód")},
                             {QStringLiteral("eAfanev"), QStringLiteral("Áfanév")},
                             {QStringLiteral("eAfa"), QStringLiteral("Áfa %")},
                             {QStringLiteral("eaFelhaszn"), QStringLiteral("Felhasználó")},
                             {QStringLiteral("eID"), QStringLiteral("ID")}},
                            "lineGrid", m_tabs),
                   QStringLiteral("Szállítólevél tételei"));

    auto* customerTabs = new QTabWidget(m_tabs);
    customerTabs->addTab(
        makeDetailGroup(QStringLiteral("Törzs adatok"), customers,
                        {{QStringLiteral("Vevö neve:"), {QStringLiteral("vNeve")}},
                         {QStringLiteral("Száma:"), {QStringLiteral("vSzam")}},
                         {QStringLiteral("Kód:"), {QStringLiteral("vID")}},
                         {QStringLiteral("Cime:"), {QStringLiteral("vIrszam"), QStringLiteral("vHely"), QStringLiteral("vUtca")}},
                         {QStringLiteral("Telefon:"), {QStringLiteral("vTel")}},
                         {QStringLiteral("Adószám:"), {QStringLiteral("vAdo")}},
                         {QStringLiteral("Köz.adószám:"), {QStringLiteral("vKado")}},
                         {QStringLiteral("IBAN:"), {QStringLiteral("vIBAN")}},
                         {QStringLiteral("Swith:"), {QStringLiteral("vSwift")}},
                         {QStringLiteral("Bank:"), {QStringLiteral("vBanknev"), QStringLiteral("vBankszla")}},
                         {QStringLiteral("Üzenet:"), {QStringLiteral("vUzen")}},
                         {QStringLiteral("Kamat %:"), {QStringLiteral("vKamat")}},
                         {QStringLiteral("Fiz.hat.(nap):"), {QStringLiteral("vFhat")}},
                         {QStringLiteral("Fiz.mód:"), {QStringLiteral("vFizmod")}},
                         {QStringLiteral("Enged.%:"), {QStringLiteral("vEnged")}},
                         {QStringLiteral("Pénznem:"), {QStringLiteral("vPnem")}},
                         {QStringLiteral("E-mail:"), {QStringLiteral("vEmail")}},
                         {QStringLiteral("Ford.adózás:"), {QStringLiteral("vFordado")}}},
                        customerTabs),
        QStringLiteral("Vevö adata"));
    customerTabs->addTab(memoPair(QStringLiteral("Szállítólevelen"), notes, QStringLiteral("lMemoVevo"),
                                  QStringLiteral("Vevö törzsben"), customers, QStringLiteral("vMemoVevo"), customerTabs),
                         QStringLiteral("Cimke"));
    m_tabs->addTab(customerTabs, QStringLiteral("Vevö adata"));

    auto* issuerTabs = new QTabWidget(m_tabs);
    issuerTabs->addTab(
        makeDetailGroup(QStringLiteral("Törzs adatok"), issuers,
                        {{QStringLiteral("Szállító neve:"), {QStringLiteral("zNev1"), QStringLiteral("zNev2")}},
                         {QStringLiteral("Száma:"), {QStringLiteral("zSzam")}},
                         {QStringLiteral("Kód:"), {QStringLiteral("zID")}},
                         {QStringLiteral("Cime:"), {QStringLiteral("zIrszam"), QStringLiteral("zHely"), QStringLiteral("zUtca")}},
                         {QStringLiteral("Adószám:"), {QStringLiteral("zAdo")}},
                         {QStringLiteral("Köz.adószám:"), {QStringLiteral("zKado")}},
                         {QStringLiteral("IBAN:"), {QStringLiteral("zIBAN")}},
                         {QStringLiteral("Swith:"), {QStringLiteral("zSwift")}},
                         {QStringLiteral("Bank:"),
                          {QStringLiteral("zBanknev"), QStringLiteral("zBankszla"), QStringLiteral("zBankszla2")}},
                         {QStringLiteral("Telephely:"), {QStringLiteral("zThely")}},
                         {QStringLiteral("E-mail:"), {QStringLiteral("zEmail")}},
                         {QStringLiteral("Telefon:"), {QStringLiteral("zTel")}},
                         {QStringLiteral("Fax:"), {QStringLiteral("zFax")}},
                         {QStringLiteral("Kiállító:"), {QStringLiteral("zKiallito")}}},
                        issuerTabs),
        QStringLiteral("Szállító adata"));
    issuerTabs->addTab(memoPair(QStringLiteral("Szállítólevelen"), notes, QStringLiteral("lMemoSzall"),
                                QStringLiteral("Szállító törzsben"), issuers, QStringLiteral("zMemoSzall"), issuerTabs),
                       QStringLiteral("Cimke"));
    m_tabs->addTab(issuerTabs, QStringLiteral("Szállító adata"));

    // the sequence reset tab
    m_resetPage = new QWidget(m_tabs);
    auto* resetField = new QLineEdit(m_resetPage);
    resetField->setObjectName(QStringLiteral("resetNumber"));
    resetField->setMaxLength(9);
    resetField->setMaximumWidth(140);
    installCharFilter(resetField, CharFilter::digits());
    QPushButton* store = makeButton(QStringLiteral("Letárol"), QString(), "storeResetButton", m_resetPage);
    auto* resetLayout = new QGridLayout(m_resetPage);
    resetLayout->addWidget(new QLabel(QStringLiteral("Az utolsó szállítólevél sorszáma:"), m_resetPage), 0, 0);
    resetLayout->addWidget(resetField, 0, 1);
    resetLayout->addWidget(store, 0, 2);
    resetLayout->addWidget(
        new QLabel(QStringLiteral("Csak akkor kell használni, ha nem  helyes sorszámot ad az \"Új\" gombra"), m_resetPage),
        1, 0, 1, 4);
    resetLayout->setColumnStretch(3, 1);
    resetLayout->setRowStretch(2, 1);
    m_tabs->addTab(m_resetPage, QStringLiteral("Sorszám "));
    connect(resetField, &QLineEdit::textEdited, m_model, &DeliveryRegister::setResetNumber);
    connect(m_model, &DeliveryRegister::resetNumberChanged, resetField,
            [this, resetField] { resetField->setText(m_model->resetNumber()); });
    connect(m_model, &DeliveryRegister::resetFocusRequested, resetField, [resetField] { focusField(resetField); });
    connect(store, &QPushButton::clicked, this,
            [this] { runAction(m_context.ui, [this] { m_model->storeResetNumber(); }); });

    // the header of the highlighted note
    auto* header = new QGroupBox(QStringLiteral("Szállítólevél fejléc"), this);
    auto* headerGrid = new QGridLayout(header);
    const std::vector<std::pair<QString, QString>> headerFields = {
        {QStringLiteral("Bizonylatszám"), QStringLiteral("lBszam")}, {QStringLiteral("Kód"), QStringLiteral("lID")},
        {QStringLiteral("Telj.kelt"), QStringLiteral("lTkelt")},     {QStringLiteral("Szlev.kelt"), QStringLiteral("lRkelt")},
        {QStringLiteral("Fiz.hat."), QStringLiteral("lFkelt")},      {QStringLiteral("Fiz.mód"), QStringLiteral("lFizmod")},
        {QStringLiteral("Pénznem"), QStringLiteral("lPnem")},        {QStringLiteral("Megjegyzés"), QStringLiteral("lMegj")},
        {QStringLiteral("Szerzödés"), QStringLiteral("lSzerz")},     {QStringLiteral("Nyomtatva"), QStringLiteral("lPrn")},
        {QStringLiteral("Vevö kód"), QStringLiteral("lvKod")},       {QStringLiteral("Vevöszám: "), QStringLiteral("lvSzam")}};
    for (size_t i = 0; i < headerFields.size(); ++i) {
        auto* display = new QLineEdit(header);
        display->setObjectName(QStringLiteral("header_") + headerFields[i].second);
        bindDisplay(display, notes, {headerFields[i].second});
        const int row = static_cast<int>(i / 4);
        const int col = static_cast<int>(i % 4) * 2;
        headerGrid->addWidget(new QLabel(headerFields[i].first, header), row, col);
        headerGrid->addWidget(display, row, col + 1);
        headerGrid->setColumnStretch(col + 1, 1);
    }

    // the current customer's identity beside the tabs
    auto* customerId = new QLineEdit(this);
    customerId->setMaximumWidth(80);
    bindDisplay(customerId, customers, {QStringLiteral("vID")});
    auto* customerIdRow = new QHBoxLayout;
    customerIdRow->addWidget(new QLabel(QStringLiteral("Kód:"), this));
    customerIdRow->addWidget(customerId);

    // buttons
    QPushButton* choose = makeButton(QStringLiteral("Kiválaszt"), QStringLiteral("Számla készítéskor"), "chooseButton", this);
    QPushButton* newNote =
        makeButton(QStringLiteral("Új"), QStringLiteral("Új  szállíó levél készítése"), "newButton", this);
    QPushButton* modify = makeButton(QStringLiteral("Módosít"), QStringLiteral("Nem nyomtatott szállító javítása."),
                                     "modifyButton", this);
    QPushButton* view =
        makeButton(QStringLiteral("Megtekint"), QStringLiteral("Szállítólevél megtekintése."), "viewButton", this);
    QPushButton* print = makeButton(QStringLiteral("Nyomtat"), QStringLiteral("Szállító nyomtatása."), "printButton", this);
    QPushButton* cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), "cancelButton", this);
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addLayout(customerIdRow);
    buttonColumn->addSpacing(12);
    for (QPushButton* b : {choose, newNote, modify, view, print, cancel})
        buttonColumn->addWidget(b);
    buttonColumn->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(m_tabs, 1);
    top->addLayout(buttonColumn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(header);

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        runAction(m_context.ui, [this] { m_model->refreshDetails(); });
        if (m_tabs->widget(index) == m_resetPage)
            runAction(m_context.ui, [this] { m_model->resetTabShown(); });
    });
    connect(choose, &QPushButton::clicked, this, [this] {
        runAction(m_context.ui, [this] { m_model->choose(); });
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(newNote, &QPushButton::clicked, this, [this] { act([](DeliveryRegister* m) { m->newNote(); }); });
    connect(modify, &QPushButton::clicked, this, [this] { act([](DeliveryRegister* m) { m->modifyNote(); }); });
    new ModifyKeyWatcher(modify, [this] { act([](DeliveryRegister* m) { m->modifyNoteAnyway(); }); });
    connect(view, &QPushButton::clicked, this, [this] { act([](DeliveryRegister* m) { m->viewNote(); }); });
    connect(print, &QPushButton::clicked, this, [this] { act([](DeliveryRegister* m) { m->printNote(); }); });

    installEnterPressesButtons(this);
    runAction(m_context.ui, [this] { m_model->prepare(); });
    resize(980, 600);
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
