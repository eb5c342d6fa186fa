#include "navdialogs.h"
#include "screens/common/ui/dialogparts.h"

#include "navsend/navscreens.h"

#include "nav/ui/navfields.h"

#include "screens/common/editscreen.h"
#include "screens/common/querytablemodel.h"
#include "screens/common/ui/editdialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena::nav {

NavLogDialog::NavLogDialog(NavLog* model, const QString& invoiceNumber, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("navLogDialog"));
    setWindowTitle(QStringLiteral("NAV napló – K%1").arg(invoiceNumber));
    setProperty("helpContext", 8);
    auto* layout = new QVBoxLayout(this);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("navState"));
    layout->addWidget(m_state);
    m_summary = new QPlainTextEdit(this);
    m_summary->setObjectName(QStringLiteral("navSummary"));
    m_summary->setReadOnly(true);
    m_summary->setMaximumHeight(130);
    layout->addWidget(m_summary);

    auto* grid = new QTableView(this);
    grid->setObjectName(QStringLiteral("navLogGrid"));
    grid->setModel(new QueryTableModel(model->log(),
                                       {{QStringLiteral("gIdo"), QStringLiteral("Idő")},
                                        {QStringLiteral("gMuvelet"), QStringLiteral("Művelet")},
                                        {QStringLiteral("gKeres"), QStringLiteral("Kérés azonosító")},
                                        {QStringLiteral("gTranzakcio"), QStringLiteral("Tranzakció")},
                                        {QStringLiteral("gIndex"), QStringLiteral("Tétel")},
                                        {QStringLiteral("gEredmeny"), QStringLiteral("Eredmény")},
                                        {QStringLiteral("gSzoveg"), QStringLiteral("A NAV üzenete")}},
                                       grid));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setWordWrap(true);
    layout->addWidget(grid, 1);

    auto* buttons = new QHBoxLayout;
    m_resend = makeButton(QStringLiteral("Újraküldés"),
                          QStringLiteral("Az elutasított jelentés újraküldése, ha az elutasítás oka megszűnt."),
                          QStringLiteral("resendButton"), this);
    connect(m_resend, &QPushButton::clicked, this, [this] { m_model->resend(); });
    auto* close = makeButton(QStringLiteral("Bezár"), {}, QStringLiteral("closeButton"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(m_resend);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_model, &NavLog::loaded, this, [this, grid] {
        showState();
        grid->resizeColumnsToContents();
    });
    m_model->load();
    resize(900, 520);
}

void NavLogDialog::showState()
{
    m_state->setText(QStringLiteral("K%1 – NAV állapot: %2").arg(m_model->invoiceNumber(), m_model->stateText()));
    m_summary->setPlainText(m_model->summary());
    m_resend->setEnabled(m_model->canResend());
}

QWidget* createIssuerNavPage(ScreenContext& context, EditScreen* edit, QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("navPage"));
    page->setProperty("helpContext", 9); // F1 on this page: its own help, not the issuer screen's
    auto* settings = new IssuerNavSettings(context, edit->field(QStringLiteral("zKod")), page);
    settings->load();
    auto* form = new QFormLayout(page);
    auto line = [page, form](const QString& caption, const QString& name, const QString& hint) {
        auto* e = new QLineEdit(page);
        e->setObjectName(name);
        e->setToolTip(hint);
        form->addRow(caption, e);
        return e;
    };
    QLineEdit* login = line(QStringLiteral("Technikai felhasználó"), QStringLiteral("navLogin"),
                            QStringLiteral("A NAV Online Számla rendszerében létrehozott technikai felhasználó neve."));
    QLineEdit* password = line(QStringLiteral("Jelszó"), QStringLiteral("navPassword"),
                               QStringLiteral("A jelszót a program nem tárolja, csak a lenyomatát (SHA-512)."));
    password->setEchoMode(QLineEdit::Password);
    QLineEdit* signature = line(QStringLiteral("Aláíró kulcs"), QStringLiteral("navSignatureKey"),
                                QStringLiteral("A technikai felhasználó aláíró kulcsa."));
    QLineEdit* exchange = line(QStringLiteral("Cserekulcs"), QStringLiteral("navExchangeKey"),
                               QStringLiteral("A technikai felhasználó 16 karakteres cserekulcsa."));
    auto* mode = new QLabel(page);
    mode->setObjectName(QStringLiteral("navMode"));
    form->addRow(QStringLiteral("NAV mód"), mode);
    auto show = [=] {
        login->setText(settings->login);
        password->clear();
        password->setPlaceholderText(settings->hasStoredPassword() ? QStringLiteral("(megadva; csak cseréhez írja be)")
                                                                   : QString());
        signature->setText(settings->signatureKey);
        exchange->setText(settings->exchangeKey);
        const QString code = settings->mode().isEmpty() ? QStringLiteral("OFF") : settings->mode();
        QString text = code;
        for (const auto& [choice, name] : reportingModeChoices())
            if (choice == code)
                text = name;
        mode->setText(text);
    };
    show();
    auto take = [=] {
        settings->login = login->text();
        settings->password = password->text();
        settings->signatureKey = signature->text();
        settings->exchangeKey = exchange->text();
    };
    auto* buttons = new QHBoxLayout;
    auto* save = makeButton(QStringLiteral("NAV adatok mentése"), {}, QStringLiteral("navSaveButton"), page);
    QObject::connect(save, &QPushButton::clicked, page, [=] {
        // a new issuer (or a copy) has no stored row yet: the settings refuse without a code
        settings->setIssuerCode(edit->isNew() ? QString() : edit->field(QStringLiteral("zKod")));
        take();
        if (settings->save())
            show();
    });
    auto* test = makeButton(QStringLiteral("Kapcsolat próba"), QStringLiteral("Tokenkérés a NAV-tól a beírt adatokkal."),
                            QStringLiteral("navTestButton"), page);
    QObject::connect(test, &QPushButton::clicked, page, [=] {
        take();
        settings->testConnection();
    });
    buttons->addWidget(save);
    buttons->addWidget(test);
    buttons->addStretch();
    form->addRow(buttons);
    return page;
}

void addTaxpayerCheckButton(ScreenContext& context, EditScreen* edit, EditDialog* dialog)
{
    QPushButton* b = dialog->addRowButton(
        QStringLiteral("NAV ellenőrzés"), QStringLiteral("Az adószám ellenőrzése a NAV nyilvántartásában."),
        [ctx = &context, edit] {
            const QString address = QStringLiteral("%1 %2, %3")
                                        .arg(edit->field(QStringLiteral("vIrszam")), edit->field(QStringLiteral("vHely")),
                                             edit->field(QStringLiteral("vUtca")));
            checkTaxpayer(*ctx, edit->field(QStringLiteral("vAdo")), edit->field(QStringLiteral("vNeve")), address);
        });
    b->setObjectName(QStringLiteral("navCheckButton"));
}

} // namespace orvena::nav
