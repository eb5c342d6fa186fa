#include "deliverycomposerdialog.h"

#include "detailpanel.h"
#include "screens/common/ui/fieldbinding.h"

#include "delivery/deliverycommon.h"
#include "screens/common/dispatcher.h"
#include "screens/common/ui/functionkeyfields.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"

#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <map>

namespace orvena {

using namespace delivery;

namespace {

// Calls a function when the watched field loses the focus.
class FocusOutWatcher : public QObject {
public:
    FocusOutWatcher(QWidget* field, std::function<void()> onLeave) : QObject(field), m_onLeave(std::move(onLeave))
    {
        field->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut)
            m_onLeave();
        return false;
    }

private:
    std::function<void()> m_onLeave;
};

QPushButton* makeButton(const QString& text, const QString& hint, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

} // namespace

DeliveryComposerDialog::DeliveryComposerDialog(ScreenContext& context, DeliveryComposer* model, QWidget* parent)
    : QDialog(parent), m_context(context), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TForm20"));
    setWindowTitle(QStringLiteral("Szállítólevél készítés"));
    auto run = [this](auto fn) { return [this, fn] { runAction(m_context.ui, [this, fn] { fn(m_model); }); }; };
    Query& customers = context.data.query(kCustomerList);
    Query& issuers = context.data.query(kIssuerList);

    auto edit = [this](const char* name, DeliveryComposer::Field field, QWidget* parent) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QString::fromLatin1(name));
        bindField(e, m_model, field);
        return e;
    };
    auto memo = [this](const char* name, DeliveryComposer::Field field, QWidget* parent, bool readOnly = false) {
        auto* m = new QPlainTextEdit(parent);
        m->setObjectName(QString::fromLatin1(name));
        m->setReadOnly(readOnly);
        bindField(m, m_model, field, MemoCursor::End);
        return m;
    };

    // --- number ---
    auto* numberRow = new QHBoxLayout;
    QLineEdit* number = edit("number", DeliveryComposer::Number, this);
    number->setEnabled(false);
    number->setMaximumWidth(140);
    auto* numberLabel = new QLabel(QStringLiteral("Szállítólevél sorszáma"), this);
    QFont bold = numberLabel->font();
    bold.setBold(true);
    numberLabel->setFont(bold);
    number->setFont(bold);
    numberRow->addWidget(numberLabel);
    numberRow->addWidget(number);
    numberRow->addStretch();

    // --- header tabs ---
    auto* headerTabs = new QTabWidget(this);
    headerTabs->setObjectName(QStringLiteral("headerTabs"));

    auto* headerPage = new QWidget(headerTabs);
    QLineEdit* contract = edit("contract", DeliveryComposer::Contract, headerPage);
    QLineEdit* payment = edit("paymentMethod", DeliveryComposer::PaymentMethod, headerPage);
    QLineEdit* fulfilment = edit("fulfilmentDate", DeliveryComposer::FulfilmentDate, headerPage);
    QLineEdit* noteDate = edit("noteDate", DeliveryComposer::NoteDate, headerPage);
    QLineEdit* dueDate = edit("dueDate", DeliveryComposer::DueDate, headerPage);
    QLineEdit* remark = edit("remark", DeliveryComposer::Remark, headerPage);
    QPlainTextEdit* message = memo("message", DeliveryComposer::Message, headerPage);
    contract->setMaxLength(20);
    payment->setMaxLength(30);
    remark->setMaxLength(100);
    for (QLineEdit* date : {fulfilment, noteDate, dueDate}) {
        installCharFilter(date, CharFilter(QStringLiteral("0123456789.")));
        date->setMaximumWidth(110);
    }
    message->setMaximumHeight(80);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Szerz.száma"), contract);
    form->addRow(QStringLiteral("Fizetés módja"), payment);
    form->addRow(QStringLiteral("Telj. időpontja"), fulfilment);
    form->addRow(QStringLiteral("Szállító kelte"), noteDate);
    form->addRow(QStringLiteral("Fiz.határidö"), dueDate);
    form->addRow(QStringLiteral("Megjegyzés"), remark);
    form->addRow(QStringLiteral("Üzenet"), message);

    QPushButton* customerButton =
        makeButton(QStringLiteral("Vevö"), QStringLiteral("Vevö választó ablak megnyitása"), "customerButton", headerPage);
    auto* customerGroup = makeDetailGroup(QStringLiteral("Vevö adatai"), customers,
                                          {{QStringLiteral("Kód"), {QStringLiteral("vKod")}},
                                           {QStringLiteral("Név"), {QStringLiteral("vNeve")}},
                                           {QStringLiteral("Ir.szám"), {QStringLiteral("vIrszam")}},
                                           {QStringLiteral("Helység"), {QStringLiteral("vHely")}},
                                           {QStringLiteral("Utca"), {QStringLiteral("vUtca")}}},
                                          headerPage, 1);
    QPushButton* dictionaryButton = makeButton(QStringLiteral("Nyelv"), QStringLiteral("Nyelv választó ablak megnyitása"),
                                               "dictionaryButton", headerPage);
    QLineEdit* dictionaryName = edit("dictionaryName", DeliveryComposer::DictionaryName, headerPage);
    dictionaryName->setEnabled(false);
    auto* right = new QGridLayout;
    right->addWidget(customerButton, 0, 0, Qt::AlignTop);
    right->addWidget(customerGroup, 0, 1);
    right->addWidget(dictionaryButton, 1, 0);
    right->addWidget(dictionaryName, 1, 1);
    right->setRowStretch(2, 1);
    auto* headerLayout = new QHBoxLayout(headerPage);
    headerLayout->addLayout(form, 1);
    headerLayout->addLayout(right, 1);
    headerTabs->addTab(headerPage, QStringLiteral("Szállítólevél fejléc"));

    // customer tab
    auto* customerTabs = new QTabWidget(headerTabs);
    customerTabs->addTab(
        makeDetailGroup(QStringLiteral("Törzs adatok"), customers,
                        {{QStringLiteral("Vevö neve"), {QStringLiteral("vNeve")}},
                         {QStringLiteral("Cime"), {QStringLiteral("vIrszam"), QStringLiteral("vHely"), QStringLiteral("vUtca")}},
                         {QStringLiteral("Telefon"), {QStringLiteral("vTel")}},
                         {QStringLiteral("Adószám"), {QStringLiteral("vAdo")}},
                         {QStringLiteral("Köz.adószám"), {QStringLiteral("vKado")}},
                         {QStringLiteral("IBAN"), {QStringLiteral("vIBAN")}},
                         {QStringLiteral("Swift"), {QStringLiteral("vSwift")}},
                         {QStringLiteral("Bank"), {QStringLiteral("vBanknev"), QStringLiteral("vBankszla")}},
                         {QStringLiteral("Kód"), {QStringLiteral("vID")}},
                         {QStringLiteral("Üzenet"), {QStringLiteral("vUzen")}},
                         {QStringLiteral("Kamat %"), {QStringLiteral("vKamat")}},
                         {QStringLiteral("Fiz.hat.(nap)"), {QStringLiteral("vFhat")}},
                         {QStringLiteral("Fiz.mód"), {QStringLiteral("vFizmod")}},
                         {QStringLiteral("Enged.%"), {QStringLiteral("vEnged")}},
                         {QStringLiteral("Pénznem"), {QStringLiteral("vPnem")}},
                         {QStringLiteral("E-mail"), {QStringLiteral("vEmail")}},
                         {QStringLiteral("Ford.adózás"), {QStringLiteral("vFordado")}}},
                        customerTabs),
        QStringLiteral("Vevö adat"));
    auto* customerLabelPage = new QWidget(customerTabs);
    auto* customerLabelLayout = new QGridLayout(customerLabelPage);
    customerLabelLayout->addWidget(new QLabel(QStringLiteral("Szállítólevelen"), customerLabelPage), 0, 0);
    customerLabelLayout->addWidget(new QLabel(QStringLiteral("Vevö törzsben"), customerLabelPage), 0, 1);
    customerLabelLayout->addWidget(memo("customerBlock", DeliveryComposer::CustomerBlock, customerLabelPage), 1, 0);
    customerLabelLayout->addWidget(memo("customerMasterBlock", DeliveryComposer::CustomerMasterBlock, customerLabelPage, true),
                                   1, 1);
    customerTabs->addTab(customerLabelPage, QStringLiteral("Cimke"));
    headerTabs->addTab(customerTabs, QStringLiteral("Vevö adata"));

    // issuer tab
    auto* issuerTabs = new QTabWidget(headerTabs);
    issuerTabs->addTab(
        makeDetailGroup(QStringLiteral("Törzs adatok"), issuers,
                        {{QStringLiteral("Szállító neve:"), {QStringLiteral("zNev1"), QStringLiteral("zNev2")}},
                         {QStringLiteral("Cime:"), {QStringLiteral("zIrszam"), QStringLiteral("zHely"), QStringLiteral("zUtca")}},
                         {QStringLiteral("Adószám:"), {QStringLiteral("zAdo")}},
                         {QStringLiteral("Köz.adószám:"), {QStringLiteral("zKado")}},
                         {QStringLiteral("Bank:"),
                          {QStringLiteral("zBanknev"), QStringLiteral("zBankszla"), QStringLiteral("zBankszla2")}},
                         {QStringLiteral("IBAN:"), {QStringLiteral("zIBAN")}},
                         {QStringLiteral("Swith:"), {QStringLiteral("zSwift")}},
                         {QStringLiteral("Száma:"), {QStringLiteral("zSzam")}},
                         {QStringLiteral("Kód:"), {QStringLiteral("zID")}}},
                        issuerTabs),
        QStringLiteral("Szállító adata"));
    auto* issuerLabelPage = new QWidget(issuerTabs);
    auto* issuerLabelLayout = new QGridLayout(issuerLabelPage);
    QPushButton* issuerButton = makeButton(QStringLiteral("Szállító"),
                                           QStringLiteral("Kibocsátó (szállító) választó ablak megnyitása"),
                                           "issuerButton", issuerLabelPage);
    issuerLabelLayout->addWidget(issuerButton, 0, 0, Qt::AlignLeft);
    issuerLabelLayout->addWidget(new QLabel(QStringLiteral("Szállítólevelen"), issuerLabelPage), 1, 0);
    issuerLabelLayout->addWidget(new QLabel(QStringLiteral("Szállító (kibocsátó) törzsben"), issuerLabelPage), 1, 1);
    issuerLabelLayout->addWidget(memo("issuerBlock", DeliveryComposer::IssuerBlock, issuerLabelPage), 2, 0);
    issuerLabelLayout->addWidget(memo("issuerMasterBlock", DeliveryComposer::IssuerMasterBlock, issuerLabelPage, true), 2,
                                 1);
    issuerTabs->addTab(issuerLabelPage, QStringLiteral("Cimke"));
    headerTabs->addTab(issuerTabs, QStringLiteral("Szállító adata"));

    // --- lines ---
    auto* lineTabs = new QTabWidget(this);
    auto* linePage = new QWidget(lineTabs);
    Query& lines = context.data.query(kLineList);
    auto* grid = new QTableView(linePage);
    grid->setObjectName(QStringLiteral("lineGrid"));
    auto* lineModel = new QueryTableModel(lines,
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
                                          grid);
    bindGridToQuery(grid, lineModel);
    grid->setColumnWidth(3, 220);
    // The grid takes the focus and the arrow keys move the current line, which "Módosít" and
    // "Töröl" work on; Tab leaves the grid for the line buttons.
    grid->setFocusPolicy(Qt::StrongFocus);
    grid->setTabKeyNavigation(false);
    QPushButton* newLine = makeButton(QStringLiteral("Új"), QStringLiteral("Új szállítólevél sor készítése."),
                                      "newLineButton", linePage);
    QPushButton* modifyLine =
        makeButton(QStringLiteral("Módosít"), QStringLiteral("Sor módositása"), "modifyLineButton", linePage);
    QPushButton* deleteLine =
        makeButton(QStringLiteral("Töröl"), QStringLiteral("Sor törlése."), "deleteLineButton", linePage);
    auto* lineButtons = new QHBoxLayout;
    lineButtons->addWidget(new NavigatorBar(lines, linePage));
    lineButtons->addStretch();
    lineButtons->addWidget(newLine);
    lineButtons->addWidget(modifyLine);
    lineButtons->addWidget(deleteLine);
    auto* lineLayout = new QVBoxLayout(linePage);
    lineLayout->addWidget(grid);
    lineLayout->addLayout(lineButtons);
    lineTabs->addTab(linePage, QStringLiteral("Szállítólevél tételsor"));

    // --- OK / Mégsem ---
    QPushButton* ok = makeButton(QStringLiteral("OK"), QStringLiteral("Kész szállító levél letárolása."), "okButton", this);
    QPushButton* cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés."), "cancelButton", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(numberRow);
    layout->addWidget(headerTabs, 3);
    layout->addWidget(lineTabs, 2);
    layout->addLayout(buttons);

    setTabOrder(contract, payment);
    setTabOrder(payment, fulfilment);
    setTabOrder(fulfilment, noteDate);
    setTabOrder(noteDate, dueDate);
    setTabOrder(dueDate, remark);
    setTabOrder(remark, message);
    setTabOrder(message, customerButton);
    setTabOrder(customerButton, dictionaryButton);
    installEnterNavigation(this);
    installFunctionKeyLine(remark, context.state);
    installFunctionKeyMemo(message, context.state);
    new FocusOutWatcher(fulfilment, run([](DeliveryComposer* m) { m->fulfilmentDateLeft(); }));

    const std::map<int, QWidget*> focusTargets = {
        {DeliveryComposer::PaymentMethod, payment}, {DeliveryComposer::FulfilmentDate, fulfilment},
        {DeliveryComposer::NoteDate, noteDate},     {DeliveryComposer::DueDate, dueDate},
        {DeliveryComposer::CustomerButton, customerButton}, {DeliveryComposer::DictionaryButton, dictionaryButton},
        {DeliveryComposer::NewLineButton, newLine}};
    connect(m_model, &DeliveryComposer::focusRequested, this, [focusTargets, headerTabs, headerPage](int control) {
        const auto it = focusTargets.find(control);
        if (it == focusTargets.end())
            return;
        if (it->second->parentWidget() == headerPage)
            headerTabs->setCurrentWidget(headerPage);
        focusField(it->second);
    });
    connect(m_model, &DeliveryComposer::closeRequested, this, &QDialog::accept);

    connect(customerButton, &QPushButton::clicked, this, run([](DeliveryComposer* m) { m->chooseCustomer(); }));
    connect(dictionaryButton, &QPushButton::clicked, this, run([](DeliveryComposer* m) { m->chooseDictionary(); }));
    connect(issuerButton, &QPushButton::clicked, this, run([](DeliveryComposer* m) { m->chooseIssuer(); }));
    connect(newLine, &QPushButton::clicked, this, run([](DeliveryComposer* m) { m->newLine(); }));
    connect(modifyLine, &QPushButton::clicked, this, run([](DeliveryComposer* m) { m->modifyLine(); }));
    connect(deleteLine, &QPushButton::clicked, this, run([](DeliveryComposer* m) { m->deleteLine(); }));
    connect(ok, &QPushButton::clicked, this, run([](DeliveryComposer* m) { m->accept(); }));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    installEnterPressesButtons(this);
    contract->setFocus();
    resize(900, 680);
}

} // namespace orvena
