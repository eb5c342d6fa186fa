#pragma once
// "Kimutatások": the figures of a period as a bar chart above a table (turnover by month, by
// customer, by article, the VAT analytics), their print, their CSV export and the accountant's
// export.
#include "figures/figures.h"
#include "screens/common/screencontext.h"

#include <QDialog>

class QChartView;
class QComboBox;
class QLineEdit;
class QStandardItemModel;

namespace orvena {

class FiguresDialog : public QDialog {
    Q_OBJECT
public:
    explicit FiguresDialog(ScreenContext& context, QWidget* parent = nullptr);
    const figures::Table& table() const { return m_table; }

private:
    // Reads the period and the view, computes the figures and shows them.
    void refresh();
    bool readPeriod(figures::Period& period);
    // Asks for the file to write (a file dialog of its own, named "fileDialog").
    QString askFile(const QString& title, const QString& suggested);
    // The view through the report engine (Kimutatas.frf), the chart as a picture.
    void print();
    void exportCsv();
    void exportAccounting();

    ScreenContext& m_context;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QComboBox* m_view;
    QChartView* m_chart;
    QStandardItemModel* m_model;
    figures::Table m_table;
};

QDialog* createFiguresDialog(ScreenContext& context, QWidget* parent);

} // namespace orvena
