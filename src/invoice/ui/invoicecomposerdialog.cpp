#include "db/queryroles.h"
#include "invoicecomposerdialog.h"

#include "advancerow.h"

#include "screens/common/ui/dialogparts.h"
#include "screens/common/ui/fieldbinding.h"
#include "screens/common/ui/partydetails.h"

#include "invoice/invoicetexts.h"
#include "screens/common/querytablemodel.h"
#include "screens/common/ui/functionkeyfields.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace orvena {

using namespace invoice;
using F = InvoiceComposer::Field;

namespace {

QString name(int field)
{
    return QStringLiteral("field%1").arg(field);
}

} // namespace

InvoiceComposerDialog::InvoiceComposerDialog(ScreenContext& context, InvoiceComposer* model, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("TForm9"));
    setWindowTitle(model->corrected().isEmpty()
                       ? QStringLiteral("Számla készítés")
                       : QStringLiteral("Helyesbítő számla készítése a(z) %1 számú számlához").arg(model->corrected()));
    model->setParent(this);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* numberLabel = new QLabel(QStringLiteral("Számla sorszáma"), this);
    QFont bold = numberLabel->font();
    bold.setBold(true);
    numberLabel->setFont(bold);
    QLineEdit* number = readOnlyField(this);
    number->setObjectName(name(F::Number));
    number->setFont(bold);
    number->setMaximumWidth(140);
    bindField(number, m_model, F::Number);
    m_widgets[F::Number] = number;
    top->addWidget(numberLabel);
    top->addWidget(number);
    top->addStretch();
    layout->addLayout(top);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("headerTabs"));
    tabs->addTab(buildHeaderTab(context), QStringLiteral("Számla fejléc"));
    tabs->addTab(buildCustomerTab(context), QStringLiteral("Vevö adatai"));
    tabs->addTab(buildIssuerTab(context), QStringLiteral("Szállító adata"));
    tabs->setCurrentIndex(0);
    layout->addWidget(tabs);
    if (!m_model->isProforma()) // a proforma is no advance or final invoice
        layout->addWidget(advanceRow(m_model, this));

    auto* linesTabs = new QTabWidget(this);
    linesTabs->addTab(buildLines(context), QStringLiteral("Számla tételsor"));
    layout->addWidget(linesTabs, 1);

    auto* bottom = new QHBoxLayout;
    m_fromDelivery = makeButton(QStringLiteral("Sz.levélböl"), QStringLiteral("Szállítólevél választó ablak megnyitása"),
                                QStringLiteral("fromDeliveryButton"), this);
    connect(m_fromDelivery, &QPushButton::clicked, this, [this] { m_model->fromDeliveryNote(); });
    bottom->addWidget(m_fromDelivery);
    bottom->addStretch();
    auto* ok = makeButton(QStringLiteral("OK"), QStringLiteral("Számla letárolása"), QStringLiteral("okButton"), this);
    auto* cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), this);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);

    connect(ok, &QPushButton::clicked, this, [this] { m_model->ok(); });
    connect(cancel, &QPushButton::clicked, this, [this] { m_model->cancel(); });
    connect(m_model, &InvoiceComposer::closeRequested, this, [this] { QTimer::singleShot(0, this, &QDialog::accept); });
    connect(m_model, &InvoiceComposer::focusRequested, this, [this, tabs](int field) {
        if (QWidget* w = widgetFor(field)) {
            if (tabs->widget(0)->isAncestorOf(w))
                tabs->setCurrentIndex(0);
            focusField(w);
        }
    });

    if (m_model->isProforma()) {
        // The same screen composes a proforma: named so, and without delivery notes (they become invoices).
        setObjectName(formId(Screen::ProformaComposer));
        setWindowTitle(QStringLiteral("Díjbekérő készítés"));
        numberLabel->setText(QStringLiteral("Díjbekérő sorszáma"));
        tabs->setTabText(0, QStringLiteral("Díjbekérő fejléc"));
        linesTabs->setTabText(0, QStringLiteral("Díjbekérő tételsor"));
        m_fromDelivery->hide();
        ok->setToolTip(QStringLiteral("Díjbekérő letárolása"));
    }
    installEnterNavigation(this, EnterMode::FormFirst);
    installEnterPressesButtons(this);
    resize(920, 720);
    if (QWidget* first = widgetFor(F::Contract))
        first->setFocus();
}

// The header fields with their filters, limits and hints, each bound to the model.
void InvoiceComposerDialog::createHeaderFields(ScreenContext& context, QWidget* page)
{
    auto edit = [this, page](F f) {
        auto* e = new QLineEdit(page);
        e->setObjectName(name(f));
        bindField(e, m_model, f);
        m_widgets[f] = e;
        return e;
    };
    QLineEdit* contract = edit(F::Contract);
    QLineEdit* payment = edit(F::PaymentMethod);
    QLineEdit* performed = edit(F::PerformanceDate);
    QLineEdit* issued = edit(F::IssueDate);
    QLineEdit* due = edit(F::DueDate);
    for (QLineEdit* date : {performed, issued, due}) {
        installCharFilter(date, CharFilter(QStringLiteral("0123456789.")));
        date->setMaximumWidth(110);
    }
    installLeaveHandler(performed, [this] { m_model->performanceDateLeft(); });
    QLineEdit* currency = edit(F::Currency);
    currency->setToolTip(QStringLiteral("Klikkre \"Ft\" / \"HUF\" váltás"));
    currency->setMaximumWidth(80);
    installClickHandler(currency, [this] { m_model->toggleCurrency(); });
    installLeaveHandler(currency, [this] { m_model->currencyLeft(); });
    QLineEdit* rate = edit(F::ExchangeRate);
    rate->setToolTip(QStringLiteral("Forintban nulla értékkel"));
    rate->setMaximumWidth(110);
    installCharFilter(rate, CharFilter::unsignedDecimal());
    QLineEdit* discount = edit(F::Discount);
    discount->setMaximumWidth(80);
    QLineEdit* rateSource = readOnlyField(page);
    rateSource->setObjectName(name(F::RateSource));
    rateSource->setToolTip(QStringLiteral("Az árfolyam forrása"));
    bindField(rateSource, m_model, F::RateSource);
    m_widgets[F::RateSource] = rateSource;
    QLineEdit* remark = edit(F::Remark);
    // text fields take at most what their columns hold
    limitToColumn(contract, QStringLiteral("szlafej"), QStringLiteral("fSzerz"));
    limitToColumn(payment, QStringLiteral("szlafej"), QStringLiteral("fFizmod"));
    limitToColumn(currency, QStringLiteral("szlafej"), QStringLiteral("fPnem"));
    limitToColumn(remark, QStringLiteral("szlafej"), QStringLiteral("fMegj"));
    installFunctionKeyLine(remark, context.state);
    auto* message = new QPlainTextEdit(page);
    message->setObjectName(name(F::Message));
    message->setToolTip(QStringLiteral("Üzenet a vevönek."));
    message->setTabChangesFocus(true);
    message->setFixedHeight(60);
    bindField(message, m_model, F::Message);
    m_widgets[F::Message] = message;
    installFunctionKeyMemo(message, context.state);
}

QWidget* InvoiceComposerDialog::buildHeaderTab(ScreenContext& context)
{
    auto* page = new QWidget(this);
    createHeaderFields(context, page);
    auto field = [this](F f) { return widgetFor(f); };
    auto label = [page](const QString& text) { return new QLabel(text, page); };
    auto* mnbButton = makeButton(QStringLiteral("MNB árfolyam"),
                                 QStringLiteral("A teljesítés napjára érvényes MNB középárfolyam lekérdezése"),
                                 QStringLiteral("mnbRateButton"), page);
    connect(mnbButton, &QPushButton::clicked, this, [this] { m_model->fetchExchangeRate(); });
    auto* customerButton = makeButton(QStringLiteral("Vevö"), QStringLiteral("Vevö választó ablak megnyitása"),
                                      QStringLiteral("customerButton"), page);
    m_widgets[InvoiceComposer::CustomerButton] = customerButton;
    auto* languageButton = makeButton(QStringLiteral("Nyelv"), QStringLiteral("A számla felirat nyelve"),
                                      QStringLiteral("languageButton"), page);
    m_widgets[InvoiceComposer::LanguageButton] = languageButton;
    connect(customerButton, &QPushButton::clicked, this, [this] { m_model->chooseCustomer(); });
    connect(languageButton, &QPushButton::clicked, this, [this] { m_model->chooseLanguage(); });

    auto* grid = new QGridLayout(page);
    int row = 0;
    grid->addWidget(label(QStringLiteral("Szerz.száma")), row, 0);
    grid->addWidget(field(F::Contract), row, 1);
    grid->addWidget(label(QStringLiteral("Fizetés módja")), row, 2);
    grid->addWidget(field(F::PaymentMethod), row++, 3);
    grid->addWidget(label(QStringLiteral("Telj. időpontja")), row, 0);
    grid->addWidget(field(F::PerformanceDate), row, 1);
    grid->addWidget(label(QStringLiteral("Számla kelte")), row, 2);
    grid->addWidget(field(F::IssueDate), row++, 3);
    grid->addWidget(label(QStringLiteral("Fiz.határidö")), row, 0);
    grid->addWidget(field(F::DueDate), row, 1);
    grid->addWidget(label(QStringLiteral("Pénznem")), row, 2);
    auto* money = new QHBoxLayout;
    money->addWidget(field(F::Currency));
    money->addWidget(label(QStringLiteral("Árfolyam")));
    money->addWidget(field(F::ExchangeRate));
    money->addWidget(label(QStringLiteral("Kedvezmény%")));
    money->addWidget(field(F::Discount));
    money->addStretch();
    grid->addLayout(money, row++, 3);
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(mnbButton);
    rateRow->addWidget(field(F::RateSource), 1);
    grid->addLayout(rateRow, row++, 3);
    grid->addWidget(label(QStringLiteral("Megjegyzés")), row, 0);
    grid->addWidget(field(F::Remark), row++, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Üzenet")), row, 0, Qt::AlignTop);
    grid->addWidget(field(F::Message), row++, 1, 1, 3);

    QWidget* customerGroup = customerSummary(customerButton, context.data.query(role::kCustomerList), page);
    grid->addWidget(customerGroup, row++, 0, 1, 4);

    auto* languageRow = new QHBoxLayout;
    languageRow->addWidget(languageButton);
    QLineEdit* language = readOnlyField(page);
    language->setObjectName(name(F::LanguageName));
    bindField(language, m_model, F::LanguageName);
    languageRow->addWidget(language, 1);
    languageRow->addStretch(2);
    grid->addLayout(languageRow, row++, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);

    QWidget* order[] = {field(F::Contract), field(F::PaymentMethod), field(F::PerformanceDate), field(F::IssueDate),
                        field(F::DueDate),  field(F::Currency),      field(F::ExchangeRate),    field(F::Remark),
                        field(F::Message),  field(F::Discount),      mnbButton,                 customerButton,
                        languageButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The rate is fetched when the currency or the date changes; Enter goes on to "Vevö".
    leaveOutOfEnterChain(mnbButton);
    return page;
}

QWidget* InvoiceComposerDialog::buildCustomerTab(ScreenContext& context)
{
    auto* tabs = new QTabWidget(this);
    tabs->addTab(customerDetailsPage(Screen::InvoiceComposer, context.data.query(role::kCustomerList), tabs),
                 QStringLiteral("Vevö adat"));
    tabs->addTab(blockPairPage(QStringLiteral("Számlán"), blockMemo(F::CustomerBlock, tabs), QStringLiteral("Vevö törzsben"),
                               blockMemo(F::CustomerMasterBlock, tabs), tabs),
                 QStringLiteral("Cimke"));
    return tabs;
}

QWidget* InvoiceComposerDialog::buildIssuerTab(ScreenContext& context)
{
    auto* tabs = new QTabWidget(this);
    tabs->addTab(issuerDetailsPage(Screen::InvoiceComposer, context.data.query(role::kIssuerList), tabs),
                 QStringLiteral("Szállító adata"));
    auto* issuerButton = makeButton(QStringLiteral("Szállító"), QStringLiteral("A számlán szereplö  szállítói név"),
                                    QStringLiteral("issuerButton"), tabs);
    connect(issuerButton, &QPushButton::clicked, this, [this] { m_model->chooseIssuer(); });
    tabs->addTab(blockPairPage(QStringLiteral("Számlán"), blockMemo(F::IssuerBlock, tabs),
                               QStringLiteral("Szállító (kibocsátó) törzsben"), blockMemo(F::IssuerMasterBlock, tabs), tabs,
                               issuerButton),
                 QStringLiteral("Cimke"));
    return tabs;
}

// A block memo: the one on the invoice is edited, the master record's is only shown.
QPlainTextEdit* InvoiceComposerDialog::blockMemo(F field, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    bindField(memo, m_model, field);
    if (field == F::CustomerMasterBlock || field == F::IssuerMasterBlock) {
        memo->setReadOnly(true);
        memo->setFocusPolicy(Qt::NoFocus);
    } else {
        memo->setObjectName(name(field));
        m_widgets[field] = memo;
    }
    return memo;
}

QWidget* InvoiceComposerDialog::buildLines(ScreenContext& context)
{
    Query& lines = context.data.query(role::kInvoiceLines);
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* grid = new QTableView(page);
    grid->setObjectName(QStringLiteral("lineGrid"));
    auto* model = new QueryTableModel(lines,
                                      {{QStringLiteral("sBszam"), QStringLiteral("Bizonylatszám")},
                                       {QStringLiteral("scKod"), QStringLiteral("CikkKód")},
                                       {QStringLiteral("scSzam"), QStringLiteral("CikkSzám")},
                                       {QStringLiteral("sMegn"), QStringLiteral("Megnevezés")},
                                       {QStringLiteral("sVtsz"), QStringLiteral("Vtsz")},
                                       {QStringLiteral("sMenny"), QStringLiteral("Mennyiség")},
                                       {QStringLiteral("sMe"), QStringLiteral("M.egység")},
                                       {QStringLiteral("sEar"), QStringLiteral("E.ár")},
                                       {QStringLiteral("sPnem"), QStringLiteral("Pénznem")},
                                       {QStringLiteral("skAfakod"), QStringLiteral("Áfakód")},
                                       {QStringLiteral("sAfanev"), QStringLiteral("Áfanév")},
                                       {QStringLiteral("sAfa"), QStringLiteral("Áfa %")},
                                       {QStringLiteral("saFelhaszn"), QStringLiteral("Felhasználó")},
                                       {QStringLiteral("sID"), QStringLiteral("ID")}},
                                      grid);
    bindGridToQuery(grid, model);
    // The grid takes the focus so the arrow keys aim "Módosít" and "Töröl"; Tab leaves it.
    grid->setFocusPolicy(Qt::StrongFocus);
    grid->setTabKeyNavigation(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    fitColumnsToContent(grid);
    layout->addWidget(grid, 1);

    auto* row = new QHBoxLayout;
    row->addWidget(new NavigatorBar(lines, page));
    auto* add = makeButton(QStringLiteral("Új"), QStringLiteral("Új cikksor bevitele"), QStringLiteral("newLineButton"), page);
    auto* change = makeButton(QStringLiteral("Módosít"), QStringLiteral("Már létezö cikksor módosítása"),
                          QStringLiteral("modifyLineButton"), page);
    auto* remove = makeButton(QStringLiteral("Töröl"), QStringLiteral("A cikksor eltávolítása"),
                          QStringLiteral("deleteLineButton"), page);
    m_widgets[InvoiceComposer::NewLineButton] = add;
    connect(add, &QPushButton::clicked, this, [this] { m_model->newLine(); });
    connect(change, &QPushButton::clicked, this, [this] { m_model->modifyLine(); });
    connect(remove, &QPushButton::clicked, this, [this] { m_model->deleteLine(); });
    row->addWidget(add);
    row->addWidget(change);
    row->addWidget(remove);
    row->addStretch();
    auto total = [&](const QString& caption, F f, bool isBold) {
        auto* l = new QLabel(caption, page);
        QLineEdit* e = readOnlyField(page);
        e->setObjectName(name(f));
        e->setAlignment(Qt::AlignRight);
        e->setMaximumWidth(130);
        bindField(e, m_model, f);
        if (isBold) {
            QFont font = l->font();
            font.setBold(true);
            l->setFont(font);
            e->setFont(font);
        }
        row->addWidget(l);
        row->addWidget(e);
    };
    total(QStringLiteral("Netto:"), F::NetTotal, false);
    total(QStringLiteral("ÁFA:"), F::VatTotal, false);
    total(QStringLiteral("Mindösszesen:"), F::GrandTotal, true);
    layout->addLayout(row);
    return page;
}

QWidget* InvoiceComposerDialog::widgetFor(int field) const
{
    const auto it = m_widgets.find(field);
    return it == m_widgets.end() ? nullptr : it->second;
}

InvoiceComposerDialog::~InvoiceComposerDialog()
{
    removeLeaveHandlers(this); // they call into this dialog
}

} // namespace orvena
