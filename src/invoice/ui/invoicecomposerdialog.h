#pragma once
// The invoice composition screen TForm9 "Számla készítés".
#include "invoice/invoicecomposer.h"

#include <QDialog>
#include <map>

class QPlainTextEdit;
class QPushButton;

namespace orvena {

class InvoiceComposerDialog : public QDialog {
    Q_OBJECT
public:
    // Takes ownership of the model.
    InvoiceComposerDialog(ScreenContext& context, InvoiceComposer* model, QWidget* parent = nullptr);
    ~InvoiceComposerDialog() override;
    InvoiceComposer* model() const { return m_model; }
    QWidget* widgetFor(int field) const;

private:
    void createHeaderFields(ScreenContext& context, QWidget* page);
    QWidget* buildHeaderTab(ScreenContext& context);
    QWidget* buildCustomerTab(ScreenContext& context);
    QWidget* buildIssuerTab(ScreenContext& context);
    QWidget* buildLines(ScreenContext& context);
    QPlainTextEdit* blockMemo(InvoiceComposer::Field field, QWidget* parent);

    InvoiceComposer* m_model;
    std::map<int, QWidget*> m_widgets;
    QPushButton* m_fromDelivery = nullptr;
};

} // namespace orvena
