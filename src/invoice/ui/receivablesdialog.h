#pragma once
// "Kintlévőségek": the open invoices by customer, with totals, the reminder letter and the
// list's print and CSV export.
#include "invoice/receivables.h"
#include "mail/mailscreens.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTreeView;

namespace orvena {

class ReceivablesTreeModel;

class ReceivablesDialog : public QDialog {
    Q_OBJECT
public:
    ReceivablesDialog(ScreenContext& context, QWidget* parent = nullptr);
    Receivables& model() { return m_model; }
    // Re-reads the list on the day in the date field.
    void reload();

private:
    void exportCsv();
    void printReminder();
    void mailReminder();

    ScreenContext& m_context;
    Receivables m_model;
    QLineEdit* m_day;
    QTreeView* m_tree;
    ReceivablesTreeModel* m_lines;
    QLabel* m_total;
};

// "Küldés e-mailben": the letters a customer's reminder holds and the addresses (the customer's,
// editable) before anything is sent; "Küld" sends only with an address.
class ReminderMailDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog); the model has been prepared.
    ReminderMailDialog(mail::ReminderMailScreen* model, QWidget* parent);

private:
    mail::ReminderMailScreen* m_model;
    QLineEdit* m_addresses = nullptr;
};

} // namespace orvena
