#pragma once
// "Bankkivonat": the statement entries with the invoices each credit may pay. Enter books the
// chosen suggestion; the buttons import a file, split an amount, leave an entry, undo a booking.
#include "bank/statementscreen.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QTableWidget;

namespace orvena::bank {

class StatementDialog : public QDialog {
    Q_OBJECT
public:
    StatementDialog(ScreenContext& context, QWidget* parent = nullptr);
    StatementScreen& model() { return m_model; }

    // Reads a file with a progress window (the "Beolvasás" button asks for the file first).
    void importFile(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseFile();
    void split();
    void display();

    ScreenContext& m_context;
    StatementScreen m_model;
    QTableWidget* m_entries;
    QListWidget* m_suggestions;
    QLabel* m_details;
    QCheckBox* m_all;
    bool m_showing = false;
};

// The operator's split of a credit: invoice numbers and amounts, form "TBankFelosztas".
class SplitDialog : public QDialog {
    Q_OBJECT
public:
    SplitDialog(const EntryRow& entry, const std::vector<Allocation>& proposal, QWidget* parent = nullptr);
    // The rows filled in; throws ConversionError for an amount that is not one.
    std::vector<Allocation> allocations() const;

private:
    QTableWidget* m_table;
};

} // namespace orvena::bank
