#pragma once
// A raw table grid with its full navigator bar (first, prior, next, last, insert, delete, edit,
// post, cancel, refresh) over a TableEditModel.
#include "tools/tableeditmodel.h"

#include <QWidget>
#include <functional>
#include <map>

class QTableView;
class QToolButton;

namespace orvena {

class UserInterface;
class CellDelegate;

class TableEditView : public QWidget {
    Q_OBJECT
public:
    TableEditView(TableEditModel& model, UserInterface& ui, QWidget* parent = nullptr);

    QTableView* grid() const { return m_grid; }
    // The navigator's button for an action: "first", "prior", "next", "last", "insert",
    // "delete", "edit", "post", "cancel", "refresh".
    QToolButton* button(const QString& action) const;

private:
    QWidget* buildNavigator();
    QTableView* buildGrid();
    void showCurrent();
    void updateButtons();
    // Runs a navigator action after the open cell editor has handed over its text.
    void act(const std::function<void()>& action);

    TableEditModel& m_model;
    UserInterface& m_ui;
    QTableView* m_grid;
    CellDelegate* m_delegate;
    std::map<QString, QToolButton*> m_buttons;
};

} // namespace orvena
