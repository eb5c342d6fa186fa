#include "invoicecomposerdialog.h"

#include "screens/common/ui/fieldbinding.h"
#include "screens/common/ui/querydisplay.h"

#include "invoice/invoicetexts.h"
#include "screens/common/querytablemodel.h"
#include "screens/common/ui/functionkeyfields.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"

#include <QEvent>
#include <QFocusEvent>
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

QPushButton* button(const QString& text, const QString& hint, const QString& objectName, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(objectName);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

} // namespace

InvoiceComposerDialog::InvoiceComposerDialog(ScreenContext& context, InvoiceComposer* model, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("TForm9"));
    setWindowTitle(QStringLiteral("Számla készítés"));
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

    auto* linesTabs = new QTabWidget(this);
    linesTabs->addTab(buildLines(context), QStringLiteral("Számla tételsor"));
    layout->addWidget(linesTabs, 1);

    auto* bottom = new QHBoxLayout;
    m_fromDelivery = button(QStringLiteral("Sz.levélböl"), QStringLiteral("Szállítólevél választó ablak megnyitása"),
                            QStringLiteral("fromDeliveryButton"), this);
    connect(m_fromDelivery, &QPushButton::clicked, this, [this] { m_model->fromDeliveryNote(); });
    bottom->addWidget(m_fromDelivery);
    bottom->addStretch();
    auto* ok = button(QStringLiteral("OK"), QStringLiteral("Számla letárolása"), QStringLiteral("okButton"), this);
    auto* cancel = button(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), this);
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

    installEnterNavigation(this, EnterMode::FormFirst);
    installEnterPressesButtons(this);
    resize(920, 720);
    if (QWidget* first = widgetFor(F::Contract))
        first->setFocus();
}

QWidget* InvoiceComposerDialog::buildHeaderTab(ScreenContext& context)
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    auto edit = [this, page](F f) {
        auto* e = new QLineEdit(page);
        e->setObjectName(name(f));
        bindField(e, m_model, f);
        m_widgets[f] = e;
        return e;
    };
    auto label = [page](const QString& text) { return new QLabel(text, page); };

    QLineEdit* contract = edit(F::Contract);
    QLineEdit* payment = edit(F::PaymentMethod);
    QLineEdit* performed = edit(F::PerformanceDate);
    QLineEdit* issued = edit(F::IssueDate);
    QLineEdit* due = edit(F::DueDate);
    for (QLineEdit* date : {performed, issued, due}) {
        installCharFilter(date, CharFilter(QStringLiteral("0123456789.")));
        date->setMaximumWidth(110);
    }
    m_performanceDate = performed;
    performed->installEventFilter(this);
    QLineEdit* currency = edit(F::Currency);
    currency->setToolTip(QStringLiteral("Klikkre \"Ft\" / \"HUF\" váltás"));
    currency->setMaximumWidth(80);
    installClickHandler(currency, [this] { m_model->toggleCurrency(); });
    m_currency = currency;
    currency->installEventFilter(this);
    QLineEdit* rate = edit(F::ExchangeRate);
    rate->setToolTip(QStringLiteral("Forintban nulla értékkel"));
    rate->setMaximumWidth(110);
    installCharFilter(rate, CharFilter(QStringLiteral("0123456789,")));
    QLineEdit* discount = edit(F::Discount);
    discount->setMaximumWidth(80);
    QLineEdit* rateSource = readOnlyField(page);
    rateSource->setObjectName(name(F::RateSource));
    rateSource->setToolTip(QStringLiteral("Az árfolyam forrása"));
    bindField(rateSource, m_model, F::RateSource);
    m_widgets[F::RateSource] = rateSource;
    auto* mnbButton = button(QStringLiteral("MNB árfolyam"),
                             QStringLiteral("A teljesítés napjára érvényes MNB középárfolyam lekérdezése"),
                             QStringLiteral("mnbRateButton"), page);
    connect(mnbButton, &QPushButton::clicked, this, [this] { m_model->fetchExchangeRate(); });
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

    auto* customerButton = button(QStringLiteral("Vevö"), QStringLiteral("Vevö választó ablak megnyitása"),
                                  QStringLiteral("customerButton"), page);
    m_widgets[InvoiceComposer::CustomerButton] = customerButton;
    auto* languageButton = button(QStringLiteral("Nyelv"), QStringLiteral("A számla felirat nyelve"),
                                  QStringLiteral("languageButton"), page);
    m_widgets[InvoiceComposer::LanguageButton] = languageButton;
    connect(customerButton, &QPushButton::clicked, this, [this] { m_model->chooseCustomer(); });
    connect(languageButton, &QPushButton::clicked, this, [this] { m_model->chooseLanguage(); });

    int row = 0;
    grid->addWidget(label(QStringLiteral("Szerz.száma")), row, 0);
    grid->addWidget(contract, row, 1);
    grid->addWidget(label(QStringLiteral("Fizetés módja")), row, 2);
    grid->addWidget(payment, row++, 3);
    grid->addWidget(label(QStringLiteral("Telj. időpontja")), row, 0);
    grid->addWidget(performed, row, 1);
    grid->addWidget(label(QStringLiteral("Számla kelte")), row, 2);
    grid->addWidget(issued, row++, 3);
    grid->addWidget(label(QStringLiteral("Fiz.határidö")), row, 0);
    grid->addWidget(due, row, 1);
    grid->addWidget(label(QStringLiteral("Pénznem")), row, 2);
    auto* money = new QHBoxLayout;
    money->addWidget(currency);
    money->addWidget(label(QStringLiteral("Árfolyam")));
    money->addWidget(rate);
    money->addWidget(label(QStringLiteral("Kedvezmény%")));
    money->addWidget(discount);
    money->addStretch();
    grid->addLayout(money, row++, 3);
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(mnbButton);
    rateRow->addWidget(rateSource, 1);
    grid->addLayout(rateRow, row++, 3);
    grid->addWidget(label(QStringLiteral("Megjegyzés")), row, 0);
    grid->addWidget(remark, row++, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Üzenet")), row, 0, Qt::AlignTop);
    grid->addWidget(message, row++, 1, 1, 3);

    Query& customers = context.data.query(QStringLiteral("ZQ30"));
    auto* customerGroup = new QGroupBox(QStringLiteral("Vevö adatai"), page);
    auto* customerRow = new QHBoxLayout(customerGroup);
    customerRow->addWidget(customerButton);
    QLineEdit* code = queryField(customers, {QStringLiteral("vKod")}, customerGroup);
    code->setMaximumWidth(60);
    customerRow->addWidget(code);
    customerRow->addWidget(queryField(customers, {QStringLiteral("vNeve")}, customerGroup), 2);
    customerRow->addWidget(
        queryField(customers, {QStringLiteral("vIrszam"), QStringLiteral("vHely"), QStringLiteral("vUtca")}, customerGroup),
        3);
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

    QWidget* order[] = {contract, payment, performed, issued, due, currency, rate, remark, message, discount,
                        mnbButton, customerButton, languageButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    return page;
}

QWidget* InvoiceComposerDialog::buildCustomerTab(ScreenContext& context)
{
    Query& c = context.data.query(QStringLiteral("ZQ30"));
    auto* tabs = new QTabWidget(this);
    QWidget* data = detailsPage(QStringLiteral("Adatok"), c,
                                {{QStringLiteral("Vevö neve"), {QStringLiteral("vNeve")}},
                                 {QStringLiteral("Kód"), {QStringLiteral("vID")}},
                                 {QStringLiteral("Cime"), {QStringLiteral("vIrszam"), QStringLiteral("vHely"), QStringLiteral("vUtca")}},
                                 {QStringLiteral("Telefon"), {QStringLiteral("vTel")}},
                                 {QStringLiteral("Adószám"), {QStringLiteral("vAdo")}},
                                 {QStringLiteral("Köz.adószám"), {QStringLiteral("vKado")}},
                                 {QStringLiteral("IBAN"), {QStringLiteral("vIBAN")}},
                                 {QStringLiteral("Swift"), {QStringLiteral("vSwift")}},
                                 {QStringLiteral("Bank"), {QStringLiteral("vBanknev"), QStringLiteral("vBankszla")}},
                                 {QStringLiteral("E-mail"), {QStringLiteral("vEmail")}},
                                 {QStringLiteral("Üzenet"), {QStringLiteral("vUzen")}},
                                 {QStringLiteral("Kamat %"), {QStringLiteral("vKamat")}},
                                 {QStringLiteral("Fiz.mód"), {QStringLiteral("vFizmod")}},
                                 {QStringLiteral("Fiz.hat.(nap)"), {QStringLiteral("vFhat")}},
                                 {QStringLiteral("Pénznem"), {QStringLiteral("vPnem")}},
                                 {QStringLiteral("Enged.%"), {QStringLiteral("vEnged")}},
                                 {QStringLiteral("Ford.adózás"), {QStringLiteral("vFordado")}}},
                                tabs);
    tabs->addTab(data, QStringLiteral("Vevö adat"));

    auto* blocks = new QWidget(tabs);
    auto* blockLayout = new QGridLayout(blocks);
    auto* onInvoice = new QPlainTextEdit(blocks);
    onInvoice->setObjectName(name(F::CustomerBlock));
    bindField(onInvoice, m_model, F::CustomerBlock);
    m_widgets[F::CustomerBlock] = onInvoice;
    auto* master = new QPlainTextEdit(blocks);
    master->setReadOnly(true);
    master->setFocusPolicy(Qt::NoFocus);
    bindField(master, m_model, F::CustomerMasterBlock);
    blockLayout->addWidget(new QLabel(QStringLiteral("Számlán"), blocks), 0, 0);
    blockLayout->addWidget(new QLabel(QStringLiteral("Vevö törzsben"), blocks), 0, 1);
    blockLayout->addWidget(onInvoice, 1, 0);
    blockLayout->addWidget(master, 1, 1);
    tabs->addTab(blocks, QStringLiteral("Cimke"));
    return tabs;
}

QWidget* InvoiceComposerDialog::buildIssuerTab(ScreenContext& context)
{
    Query& z = context.data.query(QStringLiteral("ZQ60"));
    auto* tabs = new QTabWidget(this);
    QWidget* data = detailsPage(QStringLiteral("Törzs adatok"), z,
                                {{QStringLiteral("Szállító neve:"), {QStringLiteral("zNev1"), QStringLiteral("zNev2")}},
                                 {QStringLiteral("Kód:"), {QStringLiteral("zID")}},
                                 {QStringLiteral("Cime:"), {QStringLiteral("zIrszam"), QStringLiteral("zHely"), QStringLiteral("zUtca")}},
                                 {QStringLiteral("Száma:"), {QStringLiteral("zSzam")}},
                                 {QStringLiteral("Adószám:"), {QStringLiteral("zAdo")}},
                                 {QStringLiteral("Köz.adószám:"), {QStringLiteral("zKado")}},
                                 {QStringLiteral("IBAN:"), {QStringLiteral("zIBAN")}},
                                 {QStringLiteral("Swith:"), {QStringLiteral("zSwift")}},
                                 {QStringLiteral("Bank:"), {QStringLiteral("zBanknev"), QStringLiteral("zBankszla"), QStringLiteral("zBankszla2")}}},
                                tabs);
    tabs->addTab(data, QStringLiteral("Szállító adata"));

    auto* blocks = new QWidget(tabs);
    auto* blockLayout = new QGridLayout(blocks);
    auto* onInvoice = new QPlainTextEdit(blocks);
    onInvoice->setObjectName(name(F::IssuerBlock));
    bindField(onInvoice, m_model, F::IssuerBlock);
    m_widgets[F::IssuerBlock] = onInvoice;
    auto* master = new QPlainTextEdit(blocks);
    master->setReadOnly(true);
    master->setFocusPolicy(Qt::NoFocus);
    bindField(master, m_model, F::IssuerMasterBlock);
    auto* issuerButton = button(QStringLiteral("Szállító"), QStringLiteral("A számlán szereplö  szállítói név"),
                                QStringLiteral("issuerButton"), blocks);
    connect(issuerButton, &QPushButton::clicked, this, [this] { m_model->chooseIssuer(); });
    blockLayout->addWidget(new QLabel(QStringLiteral("Számlán"), blocks), 0, 0);
    blockLayout->addWidget(new QLabel(QStringLiteral("Szállító (kibocsátó) törzsben"), blocks), 0, 1);
    blockLayout->addWidget(onInvoice, 1, 0);
    blockLayout->addWidget(master, 1, 1);
    blockLayout->addWidget(issuerButton, 2, 0, Qt::AlignLeft);
    tabs->addTab(blocks, QStringLiteral("Cimke"));
    return tabs;
}

QWidget* InvoiceComposerDialog::buildLines(ScreenContext& context)
{
    Query& lines = context.data.query(QStringLiteral("ZQ20"));
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
    grid->horizontalHeader()->setDefaultSectionSize(80);
    grid->setColumnWidth(3, 240);
    layout->addWidget(grid, 1);

    auto* row = new QHBoxLayout;
    row->addWidget(new NavigatorBar(lines, page));
    auto* add = button(QStringLiteral("Új"), QStringLiteral("Új cikksor bevitele"), QStringLiteral("newLineButton"), page);
    auto* change = button(QStringLiteral("Módosít"), QStringLiteral("Már létezö cikksor módosítása"),
                          QStringLiteral("modifyLineButton"), page);
    auto* remove = button(QStringLiteral("Töröl"), QStringLiteral("A cikksor eltávolítása"),
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

bool InvoiceComposerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_performanceDate || watched == m_currency) && event->type() == QEvent::FocusOut) {
        // Only a move to another field counts, not a window or menu taking the focus for a while.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == m_performanceDate)
                m_model->performanceDateLeft();
            else
                m_model->currencyLeft();
        }
    }
    return QDialog::eventFilter(watched, event);
}

QWidget* InvoiceComposerDialog::widgetFor(int field) const
{
    const auto it = m_widgets.find(field);
    return it == m_widgets.end() ? nullptr : it->second;
}

} // namespace orvena
