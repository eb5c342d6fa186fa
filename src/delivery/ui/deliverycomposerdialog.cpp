#include "deliverycomposerdialog.h"

#include "linegrid.h"

#include "delivery/deliverycommon.h"
#include "screens/common/dispatcher.h"
#include "screens/common/ui/dialogparts.h"
#include "screens/common/ui/fieldbinding.h"
#include "screens/common/ui/functionkeyfields.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/partydetails.h"

#include <QFormLayout>
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

DeliveryComposerDialog::DeliveryComposerDialog(ScreenContext& context, DeliveryComposer* model, QWidget* parent)
    : QDialog(parent), m_context(context), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TForm20"));
    setWindowTitle(QStringLiteral("Szállítólevél készítés"));

    auto* headerTabs = new QTabWidget(this);
    headerTabs->setObjectName(QStringLiteral("headerTabs"));
    QWidget* headerPage = buildHeaderPage(headerTabs);
    headerTabs->addTab(headerPage, QStringLiteral("Szállítólevél fejléc"));
    headerTabs->addTab(buildCustomerTab(headerTabs), QStringLiteral("Vevö adata"));
    headerTabs->addTab(buildIssuerTab(headerTabs), QStringLiteral("Szállító adata"));
    auto* lineTabs = new QTabWidget(this);
    lineTabs->addTab(buildLines(lineTabs), QStringLiteral("Szállítólevél tételsor"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildNumberRow());
    layout->addWidget(headerTabs, 3);
    layout->addWidget(lineTabs, 2);
    layout->addLayout(buildButtons());

    installEnterNavigation(this);
    followFocusRequests(headerTabs, headerPage);
    connect(m_model, &DeliveryComposer::closeRequested, this, &QDialog::accept);
    installEnterPressesButtons(this);
    m_firstField->setFocus();
    resize(900, 680);
}

QLineEdit* DeliveryComposerDialog::edit(const char* name, DeliveryComposer::Field field, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    bindField(e, m_model, field);
    return e;
}

QPlainTextEdit* DeliveryComposerDialog::memo(const char* name, DeliveryComposer::Field field, QWidget* parent,
                                             bool readOnly)
{
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(QString::fromLatin1(name));
    m->setReadOnly(readOnly);
    bindField(m, m_model, field, MemoCursor::End);
    return m;
}

std::function<void()> DeliveryComposerDialog::action(void (DeliveryComposer::*fn)())
{
    // The slot holds the model and the user interface, not the dialog: it never reaches into a
    // dialog that is being taken down.
    DeliveryComposer* model = m_model;
    UserInterface* ui = &m_context.ui;
    return [ui, model, fn] { runAction(*ui, [model, fn] { (model->*fn)(); }); };
}

QLayout* DeliveryComposerDialog::buildNumberRow()
{
    auto* row = new QHBoxLayout;
    QLineEdit* number = edit("number", DeliveryComposer::Number, this);
    number->setEnabled(false);
    number->setMaximumWidth(140);
    auto* label = new QLabel(QStringLiteral("Szállítólevél sorszáma"), this);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    number->setFont(bold);
    row->addWidget(label);
    row->addWidget(number);
    row->addStretch();
    return row;
}

// "Szállítólevél fejléc": the header fields on the left, the customer and the caption language
// on the right.
QWidget* DeliveryComposerDialog::buildHeaderPage(QWidget* parent)
{
    auto* page = new QWidget(parent);
    QLineEdit* contract = edit("contract", DeliveryComposer::Contract, page);
    QLineEdit* payment = edit("paymentMethod", DeliveryComposer::PaymentMethod, page);
    QLineEdit* fulfilment = edit("fulfilmentDate", DeliveryComposer::FulfilmentDate, page);
    QLineEdit* noteDate = edit("noteDate", DeliveryComposer::NoteDate, page);
    QLineEdit* dueDate = edit("dueDate", DeliveryComposer::DueDate, page);
    QLineEdit* remark = edit("remark", DeliveryComposer::Remark, page);
    QPlainTextEdit* message = memo("message", DeliveryComposer::Message, page);
    contract->setMaxLength(20);
    payment->setMaxLength(30);
    remark->setMaxLength(100);
    for (QLineEdit* date : {fulfilment, noteDate, dueDate}) {
        installCharFilter(date, CharFilter(QStringLiteral("0123456789.")));
        date->setMaximumWidth(110);
    }
    message->setMaximumHeight(80);
    installFunctionKeyLine(remark, m_context.state);
    installFunctionKeyMemo(message, m_context.state);
    installLeaveHandler(fulfilment, action(&DeliveryComposer::fulfilmentDateLeft));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Szerz.száma"), contract);
    form->addRow(QStringLiteral("Fizetés módja"), payment);
    form->addRow(QStringLiteral("Telj. időpontja"), fulfilment);
    form->addRow(QStringLiteral("Szállító kelte"), noteDate);
    form->addRow(QStringLiteral("Fiz.határidö"), dueDate);
    form->addRow(QStringLiteral("Megjegyzés"), remark);
    form->addRow(QStringLiteral("Üzenet"), message);

    QPushButton* customerButton =
        makeButton(QStringLiteral("Vevö"), QStringLiteral("Vevö választó ablak megnyitása"), QStringLiteral("customerButton"), page);
    QPushButton* dictionaryButton = makeButton(QStringLiteral("Nyelv"), QStringLiteral("Nyelv választó ablak megnyitása"),
                                               QStringLiteral("dictionaryButton"), page);
    connect(customerButton, &QPushButton::clicked, this, action(&DeliveryComposer::chooseCustomer));
    connect(dictionaryButton, &QPushButton::clicked, this, action(&DeliveryComposer::chooseDictionary));
    QLineEdit* dictionaryName = edit("dictionaryName", DeliveryComposer::DictionaryName, page);
    dictionaryName->setEnabled(false);
    auto* languageRow = new QHBoxLayout;
    languageRow->addWidget(dictionaryButton);
    languageRow->addWidget(dictionaryName, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(customerSummary(customerButton, m_context.data.query(role::kCustomerList), page));
    right->addLayout(languageRow);
    right->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(form, 1);
    layout->addLayout(right, 1);

    QWidget* order[] = {contract, payment, fulfilment, noteDate, dueDate, remark, message, customerButton, dictionaryButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    m_firstField = contract;
    m_focusTargets.insert({{DeliveryComposer::PaymentMethod, payment},
                           {DeliveryComposer::FulfilmentDate, fulfilment},
                           {DeliveryComposer::NoteDate, noteDate},
                           {DeliveryComposer::DueDate, dueDate},
                           {DeliveryComposer::CustomerButton, customerButton},
                           {DeliveryComposer::DictionaryButton, dictionaryButton}});
    return page;
}

QWidget* DeliveryComposerDialog::buildCustomerTab(QWidget* parent)
{
    auto* tabs = new QTabWidget(parent);
    tabs->addTab(customerDetailsPage(Screen::DeliveryComposer, m_context.data.query(role::kCustomerList), tabs),
                 QStringLiteral("Vevö adat"));
    tabs->addTab(blockPairPage(QStringLiteral("Szállítólevelen"), memo("customerBlock", DeliveryComposer::CustomerBlock, tabs),
                               QStringLiteral("Vevö törzsben"),
                               memo("customerMasterBlock", DeliveryComposer::CustomerMasterBlock, tabs, true), tabs),
                 QStringLiteral("Cimke"));
    return tabs;
}

QWidget* DeliveryComposerDialog::buildIssuerTab(QWidget* parent)
{
    auto* tabs = new QTabWidget(parent);
    tabs->addTab(issuerDetailsPage(Screen::DeliveryComposer, m_context.data.query(role::kIssuerList), tabs),
                 QStringLiteral("Szállító adata"));
    QPushButton* issuerButton = makeButton(QStringLiteral("Szállító"),
                                           QStringLiteral("Kibocsátó (szállító) választó ablak megnyitása"),
                                           QStringLiteral("issuerButton"), tabs);
    connect(issuerButton, &QPushButton::clicked, this, action(&DeliveryComposer::chooseIssuer));
    tabs->addTab(blockPairPage(QStringLiteral("Szállítólevelen"), memo("issuerBlock", DeliveryComposer::IssuerBlock, tabs),
                               QStringLiteral("Szállító (kibocsátó) törzsben"),
                               memo("issuerMasterBlock", DeliveryComposer::IssuerMasterBlock, tabs, true), tabs,
                               issuerButton),
                 QStringLiteral("Cimke"));
    return tabs;
}

QWidget* DeliveryComposerDialog::buildLines(QWidget* parent)
{
    auto* page = new QWidget(parent);
    Query& lines = m_context.data.query(role::kNoteLines);
    auto* grid = new QTableView(page);
    grid->setObjectName(QStringLiteral("lineGrid"));
    bindGridToQuery(grid, new QueryTableModel(lines, lineGridColumns(), grid));
    grid->setColumnWidth(3, 220);
    // The grid takes the focus and the arrow keys move the current line, which "Módosít" and
    // "Töröl" work on; Tab leaves the grid for the line buttons.
    grid->setFocusPolicy(Qt::StrongFocus);
    grid->setTabKeyNavigation(false);
    QPushButton* newLine = makeButton(QStringLiteral("Új"), QStringLiteral("Új szállítólevél sor készítése."),
                                      QStringLiteral("newLineButton"), page);
    QPushButton* modifyLine =
        makeButton(QStringLiteral("Módosít"), QStringLiteral("Sor módositása"), QStringLiteral("modifyLineButton"), page);
    QPushButton* deleteLine =
        makeButton(QStringLiteral("Töröl"), QStringLiteral("Sor törlése."), QStringLiteral("deleteLineButton"), page);
    connect(newLine, &QPushButton::clicked, this, action(&DeliveryComposer::newLine));
    connect(modifyLine, &QPushButton::clicked, this, action(&DeliveryComposer::modifyLine));
    connect(deleteLine, &QPushButton::clicked, this, action(&DeliveryComposer::deleteLine));
    m_focusTargets[DeliveryComposer::NewLineButton] = newLine;
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new NavigatorBar(lines, page));
    buttons->addStretch();
    buttons->addWidget(newLine);
    buttons->addWidget(modifyLine);
    buttons->addWidget(deleteLine);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grid);
    layout->addLayout(buttons);
    return page;
}

QLayout* DeliveryComposerDialog::buildButtons()
{
    QPushButton* ok =
        makeButton(QStringLiteral("OK"), QStringLiteral("Kész szállító levél letárolása."), QStringLiteral("okButton"), this);
    QPushButton* cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés."), QStringLiteral("cancelButton"), this);
    connect(ok, &QPushButton::clicked, this, action(&DeliveryComposer::accept));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

void DeliveryComposerDialog::followFocusRequests(QTabWidget* headerTabs, QWidget* headerPage)
{
    connect(m_model, &DeliveryComposer::focusRequested, this, [this, headerTabs, headerPage](int control) {
        const auto it = m_focusTargets.find(control);
        if (it == m_focusTargets.end())
            return;
        if (headerPage->isAncestorOf(it->second))
            headerTabs->setCurrentWidget(headerPage);
        focusField(it->second);
    });
}

DeliveryComposerDialog::~DeliveryComposerDialog()
{
    removeLeaveHandlers(this); // they call into this dialog
}

} // namespace orvena
