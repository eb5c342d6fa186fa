#pragma once
// The reporting's views: the "NAV napló" window of one invoice, the issuer screen's "NAV" page
// and the customer screen's "NAV ellenőrzés" button. Thin: the models are in navscreens.h.
#include "screens/common/screencontext.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orvena {
class EditScreen;
class EditDialog;
}

namespace orvena::nav {

class NavLog;

class NavLogDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model of the invoice's log (its parent becomes the dialog).
    NavLogDialog(NavLog* model, const QString& invoiceNumber, QWidget* parent = nullptr);

private:
    void showState();
    NavLog* m_model;
    QLabel* m_state;
    QPlainTextEdit* m_summary;
    QPushButton* m_resend;
};

// The "NAV" page of the issuer edit screen, for the issuer being edited (its "zKod" field).
QWidget* createIssuerNavPage(ScreenContext& context, EditScreen* edit, QWidget* parent);

// "NAV ellenőrzés" on the customer edit screen.
void addTaxpayerCheckButton(ScreenContext& context, EditScreen* edit, EditDialog* dialog);

} // namespace orvena::nav
