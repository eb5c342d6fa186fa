#pragma once
// "Kintlévőségek": the open invoices by customer, with totals, the reminder letter and the
// list's print and CSV export.
#include "invoice/receivables.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace orvena {

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
    QTreeWidget* m_tree;
    QLabel* m_total;
};

} // namespace orvena
