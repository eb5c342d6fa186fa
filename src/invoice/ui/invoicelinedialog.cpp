#include "invoicelinedialog.h"

#include "screens/common/ui/dialogparts.h"
#include "screens/common/ui/fieldbinding.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/querydisplay.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orvena {

using F = InvoiceLineEditor::Field;

namespace {

QLabel* boldened(QLabel* label)
{
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

InvoiceLineDialog::InvoiceLineDialog(InvoiceLineEditor* model, QWidget* parent) : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("TForm10"));
    setWindowTitle(QStringLiteral("Új számlasor"));
    model->setParent(this);

    auto* articleButton = makeButton(QStringLiteral("Cikk"), QStringLiteral("Cikk választó ablak megnyitása"),
                                     QStringLiteral("articleButton"), this);
    auto* vatButton = makeButton(QStringLiteral("ÁFA %"), QStringLiteral("Áfa választó ablak megnyitása"),
                                 QStringLiteral("vatButton"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildFields(articleButton, vatButton));
    layout->addWidget(buildAmounts());
    layout->addLayout(buildIdRow());
    auto* ok = makeButton(QStringLiteral("OK"), QStringLiteral("Számlasor letárolása"), QStringLiteral("okButton"), this);
    auto* cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    // Keyboard order: the editable fields, then the buttons.
    QWidget* order[] = {widgetFor(F::ArticleName), widgetFor(F::Vtsz),    widgetFor(F::Quantity), widgetFor(F::Unit),
                        widgetFor(F::UnitPrice),   widgetFor(F::Currency), widgetFor(F::VatRate), widgetFor(F::Note),
                        articleButton,             vatButton,              ok,                    cancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Enter runs from the last field to "OK"; the choosers are pressed on purpose (Tab reaches them).
    leaveOutOfEnterChain(articleButton);
    leaveOutOfEnterChain(vatButton);

    connect(articleButton, &QPushButton::clicked, this, [this] { m_model->chooseArticle(); });
    connect(vatButton, &QPushButton::clicked, this, [this] { m_model->chooseVat(); });
    connect(ok, &QPushButton::clicked, this, [this] { m_model->ok(); });
    connect(cancel, &QPushButton::clicked, this, [this] { m_model->cancel(); });
    connect(m_model, &InvoiceLineEditor::closeRequested, this, [this] {
        // Leave the modal loop after the current click has been handled.
        QTimer::singleShot(0, this, &QDialog::accept);
    });
    connect(m_model, &InvoiceLineEditor::focusRequested, this, [this](int field) {
        if (QWidget* w = widgetFor(field))
            focusField(w);
    });
    installEnterNavigation(this, EnterMode::FormFirst);
    installEnterPressesButtons(this);
    widgetFor(F::ArticleName)->setFocus();
}

QLineEdit* InvoiceLineDialog::edit(F field)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(QStringLiteral("field%1").arg(int(field)));
    bindField(e, m_model, field);
    m_widgets[field] = e;
    return e;
}

QLineEdit* InvoiceLineDialog::shown(F field)
{
    QLineEdit* e = readOnlyField(this);
    e->setObjectName(QStringLiteral("field%1").arg(int(field)));
    bindField(e, m_model, field);
    m_widgets[field] = e;
    return e;
}

// The article, its quantity and price, the VAT and the line's note.
QGridLayout* InvoiceLineDialog::buildFields(QPushButton* articleButton, QPushButton* vatButton)
{
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    QLineEdit* name = edit(F::ArticleName);
    name->setToolTip(QStringLiteral("A \"Cikk\" gomb megnyitása előtt szórészletre pozicionál."));
    name->setMinimumWidth(420);
    QLineEdit* vtsz = edit(F::Vtsz);
    QLineEdit* quantity = edit(F::Quantity);
    installCharFilter(quantity, CharFilter::decimal());
    QLineEdit* unit = edit(F::Unit);
    unit->setToolTip(QStringLiteral("Klikkre \"kg\" / \"db\" között vált"));
    installClickHandler(unit, [this] { m_model->toggleUnit(); });
    QLineEdit* price = edit(F::UnitPrice);
    installCharFilter(price, CharFilter::amount());
    QLineEdit* currency = edit(F::Currency);
    // text fields take at most what their columns hold
    limitToColumn(name, QStringLiteral("szlasor"), QStringLiteral("sMegn"));
    limitToColumn(vtsz, QStringLiteral("szlasor"), QStringLiteral("sVtsz"));
    limitToColumn(unit, QStringLiteral("szlasor"), QStringLiteral("sMe"));
    limitToColumn(currency, QStringLiteral("szlasor"), QStringLiteral("sPnem"));
    // The rate belongs to the VAT code: it is never typed nor toggled, only chosen with its code.
    QLineEdit* rate = edit(F::VatRate);
    rate->setReadOnly(true);
    rate->setToolTip(QStringLiteral("Az áfakulcs az „ÁFA %” gombbal, az áfakód kiválasztásával adható meg"));
    auto* note = new QPlainTextEdit(this);
    note->setObjectName(QStringLiteral("field%1").arg(int(F::Note)));
    note->setTabChangesFocus(true);
    note->setFixedHeight(64);
    bindField(note, m_model, F::Note);
    m_widgets[F::Note] = note;

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(articleButton, row, 0);
    auto* codeRow = new QHBoxLayout;
    QLineEdit* code = shown(F::ArticleCode);
    code->setMaximumWidth(80);
    codeRow->addWidget(code);
    codeRow->addWidget(label(QStringLiteral("Cikkszám")));
    codeRow->addWidget(shown(F::ArticleNumber));
    grid->addLayout(codeRow, row++, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Cikk megevezés")), row, 0);
    grid->addWidget(name, row++, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("VTSZ/SZJ")), row, 0);
    grid->addWidget(vtsz, row++, 1);
    grid->addWidget(label(QStringLiteral("Mennyiség")), row, 0);
    grid->addWidget(quantity, row, 1);
    grid->addWidget(label(QStringLiteral("M.egys.")), row, 2);
    grid->addWidget(unit, row++, 3);
    grid->addWidget(label(QStringLiteral("Egységár")), row, 0);
    grid->addWidget(price, row, 1);
    grid->addWidget(label(QStringLiteral("Pénznem")), row, 2);
    grid->addWidget(currency, row++, 3);
    grid->addWidget(vatButton, row, 0);
    auto* vatRow = new QHBoxLayout;
    rate->setMaximumWidth(60);
    vatRow->addWidget(rate);
    vatRow->addWidget(shown(F::VatName), 1);
    QLineEdit* vatCode = shown(F::VatCode);
    vatCode->setMaximumWidth(60);
    vatRow->addWidget(vatCode);
    grid->addLayout(vatRow, row++, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Sor megjegyzés")), row, 0, Qt::AlignTop);
    grid->addWidget(note, row++, 1, 1, 3);
    return grid;
}

// The line's net, VAT and total.
QWidget* InvoiceLineDialog::buildAmounts()
{
    auto* amounts = new QGroupBox(this);
    auto* row = new QHBoxLayout(amounts);
    auto amount = [&](const QString& caption, F f, bool bold) {
        auto* label = new QLabel(caption, this);
        QLineEdit* e = shown(f);
        e->setAlignment(Qt::AlignRight);
        if (bold)
            e->setFont(boldened(label)->font());
        row->addWidget(label);
        row->addWidget(e);
    };
    amount(QStringLiteral("Nettó"), F::Net, false);
    amount(QStringLiteral("ÁFA"), F::Vat, false);
    amount(QStringLiteral("Sor összesen:"), F::Total, true);
    return amounts;
}

QLayout* InvoiceLineDialog::buildIdRow()
{
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("SzlaSor ID"), this));
    row->addWidget(shown(F::LineId));
    row->addWidget(new QLabel(QStringLiteral("Biszonylatszám"), this));
    row->addWidget(shown(F::InvoiceNumber));
    return row;
}

QWidget* InvoiceLineDialog::widgetFor(int field) const
{
    const auto it = m_widgets.find(field);
    return it == m_widgets.end() ? nullptr : it->second;
}

} // namespace orvena
