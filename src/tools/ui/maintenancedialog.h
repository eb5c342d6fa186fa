#pragma once
// "Adatok": thirteen tabs of raw table grids behind the access code.
#include "screens/common/screencontext.h"
#include "tools/tablemaintenance.h"

#include <QDialog>

class QPushButton;
class QTabWidget;

namespace orvena {

class TableEditView;

class MaintenanceDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog).
    MaintenanceDialog(ScreenContext& context, TableMaintenance* model, QWidget* parent = nullptr);

    TableMaintenance& maintenance() { return *m_maintenance; }
    TableEditView* view(int tab) const { return m_views.at(static_cast<size_t>(tab)); }
    QTabWidget* tabs() const { return m_tabs; }
    QPushButton* okButton() const { return m_ok; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ScreenContext& m_context;
    TableMaintenance* m_maintenance;
    QTabWidget* m_tabs;
    QPushButton* m_ok;
    std::vector<TableEditView*> m_views;
};

} // namespace orvena
