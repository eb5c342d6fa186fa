#pragma once
// The dialog of a master-data list screen over a ListScreen model (which it owns): from top to
// bottom an optional row of the subclass (the customer search), the caption line, the grid bound
// to the list query with title-click sorting, the navigator bar, the read-only detail panel
// (optionally as page "Sor adata" beside a page "Cimke" with a stored header block), and the
// buttons "Kiválaszt", "Új", "Módosít", "Töröl", "Mégsem".
//
//     auto* dialog = new ListDialog(model, parent);           // model: new VatList(context)
//     dialog->setObjectName("TForm15"); dialog->setWindowTitle("Áfa");
//     dialog->setDetails({{"Áfa %", {"kAfa"}}, {"ID:", {"kID"}}, ...});
//     dialog->setHints({"Számlázásnál használandó.", "Új áfa % bevitele.", ...});
// The model's create() runs when the dialog is built, its show() when the dialog is first shown.
#include "querydisplay.h"
#include "screens/common/listscreen.h"

#include <QDialog>
#include <QStringList>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTabWidget;
class QVBoxLayout;

namespace orvena {

class ListDialog : public QDialog {
    Q_OBJECT
public:
    // One value of the detail panel: a caption and the columns shown after it, joined by a
    // blank; a second line's columns are shown below.
    using Detail = DetailCell;
    struct Hints {
        QString choose, add, modify, remove, cancel;
    };

    explicit ListDialog(ListScreen* model, QWidget* parent = nullptr);

    ListScreen* model() const { return m_model; }
    QTableView* grid() const { return m_grid; }
    QLabel* captionLabel() const { return m_caption; }

    // The detail group "Adatok"; memoColumn non-empty puts it on page "Sor adata" beside a page
    // "Cimke" that shows that column read-only.
    void setDetails(const std::vector<Detail>& details, const QString& memoColumn = {});
    void setHints(const Hints& hints);
    // Room above the caption line for a subclass's own row.
    QVBoxLayout* topArea() const { return m_top; }

protected:
    void showEvent(QShowEvent* event) override;
    void sizeColumns();

private:
    void updateDetails();

    ListScreen* m_model;
    QueryTableModel* m_gridModel;
    QVBoxLayout* m_top;
    QLabel* m_caption;
    QTableView* m_grid;
    QVBoxLayout* m_detailArea;
    std::vector<std::pair<QLabel*, Detail>> m_detailLabels;
    QString m_memoColumn;
    QPlainTextEdit* m_memo = nullptr;
    QPushButton* m_choose;
    QPushButton* m_add;
    QPushButton* m_modify;
    QPushButton* m_remove;
    QPushButton* m_cancel;
    bool m_shown = false;
};

} // namespace orvena
