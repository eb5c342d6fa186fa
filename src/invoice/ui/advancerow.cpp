#include "advancerow.h"

#include "invoice/invoicecomposer.h"
#include "screens/common/ui/dialogparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace orvena {

using nav::InvoiceKind;

QWidget* advanceRow(InvoiceComposer* model, QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("advanceRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* advance = new QCheckBox(QStringLiteral("Előleg"), row);
    advance->setObjectName(QStringLiteral("advanceBox"));
    advance->setToolTip(QStringLiteral("Előlegszámla: az előleg összegéről, a teljesítés előtt"));
    auto* final = new QCheckBox(QStringLiteral("Végszámla"), row);
    final->setObjectName(QStringLiteral("finalBox"));
    final->setToolTip(QStringLiteral("Végszámla: a teljes ellenérték, levonva a vevő előlegszámláit"));
    auto* advances = new QComboBox(row);
    advances->setObjectName(QStringLiteral("advanceChoice"));
    advances->setToolTip(QStringLiteral("A vevő levonható előlegszámlái"));
    advances->setMinimumWidth(120);
    auto* deduct = makeButton(QStringLiteral("Előleg levonása"), QStringLiteral("A választott előlegszámla levonása"),
                              QStringLiteral("deductAdvanceButton"), row);
    layout->addWidget(advance);
    layout->addWidget(final);
    layout->addWidget(new QLabel(QStringLiteral("Előlegszámla:"), row));
    layout->addWidget(advances);
    layout->addWidget(deduct);
    layout->addStretch();

    // The boxes and the choice follow the model's kind; the list is read again whenever it may
    // have changed (the kind, the customer, a deduction).
    const auto follow = [=] {
        const InvoiceKind kind = model->kind();
        const QSignalBlocker a(advance), f(final);
        advance->setChecked(kind == InvoiceKind::Advance);
        final->setChecked(kind == InvoiceKind::Final);
        advances->clear();
        for (const QString& number : model->deductibleAdvances())
            advances->addItem(QStringLiteral("K") + number, number);
        advances->setEnabled(kind == InvoiceKind::Final);
        deduct->setEnabled(kind == InvoiceKind::Final);
    };
    follow();
    QObject::connect(advance, &QCheckBox::toggled, row, [=](bool on) {
        model->setKind(on ? InvoiceKind::Advance : InvoiceKind::Plain);
    });
    QObject::connect(final, &QCheckBox::toggled, row, [=](bool on) {
        model->setKind(on ? InvoiceKind::Final : InvoiceKind::Plain);
    });
    QObject::connect(model, &InvoiceComposer::kindChanged, row, follow);
    QObject::connect(model, &InvoiceComposer::fieldChanged, row, [=](int field) {
        if (field == InvoiceComposer::CustomerCode)
            follow();
    });
    QObject::connect(deduct, &QPushButton::clicked, row, [=] {
        model->deductAdvance(advances->currentData().toString());
        if (!model->isClosed())
            follow();
    });
    return row;
}

} // namespace orvena
