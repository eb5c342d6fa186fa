#include "invoicelinedialog.h"

#include "screens/common/ui/fieldbinding.h"
#include "screens/common/ui/querydisplay.h"

#include "screens/common/ui/keyhandling.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orvena {

using F = InvoiceLineEditor::Field;

InvoiceLineDialog::InvoiceLineDialog(InvoiceLineEditor* model, QWidget* parent) : QDialog(parent), m_model(model)
{
    setObjectName(QStringLiteral("TForm10"));
    setWindowTitle(QStringLiteral("Új számlasor"));
    model->setParent(this);

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);

    auto edit = [this](F f) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("field%1").arg(int(f)));
        bindField(e, m_model, f);
        m_widgets[f] = e;
        return e;
    };
    auto shown = [this](F f) {
        QLineEdit* e = readOnlyField(this);
        e->setObjectName(QStringLiteral("field%1").arg(int(f)));
        bindField(e, m_model, f);
        m_widgets[f] = e;
        return e;
    };
    auto label = [this](const QString& text) { return new QLabel(text, this); };

    auto* articleButton = new QPushButton(QStringLiteral("Cikk"), this);
    articleButton->setObjectName(QStringLiteral("articleButton"));
    articleButton->setToolTip(QStringLiteral("Cikk választó ablak megnyitása"));
    auto* vatButton = new QPushButton(QStringLiteral("ÁFA %"), this);
    vatButton->setObjectName(QStringLiteral("vatButton"));
    vatButton->setToolTip(QStringLiteral("Áfa választó ablak megnyitása"));

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
    installCharFilter(price, CharFilter::decimal());
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

    auto* amounts = new QGroupBox(this);
    auto* amountRow = new QHBoxLayout(amounts);
    auto amount = [&](const QString& caption, F f, bool bold) {
        QLabel* l = label(caption);
        QLineEdit* e = shown(f);
        e->setAlignment(Qt::AlignRight);
        if (bold) {
            QFont font = l->font();
            font.setBold(true);
            l->setFont(font);
            e->setFont(font);
        }
        amountRow->addWidget(l);
        amountRow->addWidget(e);
    };
    amount(QStringLiteral("Nettó"), F::Net, false);
    amount(QStringLiteral("ÁFA"), F::Vat, false);
    amount(QStringLiteral("Sor összesen:"), F::Total, true);
    layout->addWidget(amounts);

    auto* idRow = new QHBoxLayout;
    idRow->addWidget(label(QStringLiteral("SzlaSor ID")));
    idRow->addWidget(shown(F::LineId));
    idRow->addWidget(label(QStringLiteral("Biszonylatszám")));
    idRow->addWidget(shown(F::InvoiceNumber));
    layout->addLayout(idRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setToolTip(QStringLiteral("Számlasor letárolása"));
    auto* cancel = new QPushButton(QStringLiteral("Mégsem"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setToolTip(QStringLiteral("Kilépés"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    for (QPushButton* b : {articleButton, vatButton, ok, cancel})
        b->setAutoDefault(false);

    // Keyboard order: the editable fields, then the buttons.
    QWidget* order[] = {name, vtsz, quantity, unit, price, currency, rate, note, articleButton, vatButton, ok, cancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

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
    name->setFocus();
}

QWidget* InvoiceLineDialog::widgetFor(int field) const
{
    const auto it = m_widgets.find(field);
    return it == m_widgets.end() ? nullptr : it->second;
}

} // namespace orvena
