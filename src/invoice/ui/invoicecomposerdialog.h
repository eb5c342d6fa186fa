#pragma once
// The invoice composition screen TForm9 "Számla készítés".
#include "invoice/invoicecomposer.h"

#include <QDialog>
#include <map>

class QPushButton;

namespace orvena {

class InvoiceComposerDialog : public QDialog {
    Q_OBJECT
public:
    // Takes ownership of the model.
    InvoiceComposerDialog(ScreenContext& context, InvoiceComposer* model, QWidget* parent = nullptr);
    InvoiceComposer* model() const { return m_model; }
    QWidget* widgetFor(int field) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeaderTab(ScreenContext& context);
    QWidget* buildCustomerTab(ScreenContext& context);
    QWidget* buildIssuerTab(ScreenContext& context);
    QWidget* buildLines(ScreenContext& context);

    InvoiceComposer* m_model;
    std::map<int, QWidget*> m_widgets;
    QPushButton* m_fromDelivery = nullptr;
    QWidget* m_performanceDate = nullptr;
    QWidget* m_currency = nullptr;
};

} // namespace orvena
