#pragma once
// The list screen of a master table: a grid over the table's shared list query, a caption line,
// title-click sorting, and the buttons "Kiválaszt", "Új", "Módosít", "Töröl", "Mégsem".
//
// A table describes itself in a ListSpec and uses the model as it is or through a subclass:
//     ListSpec def;
//     def.table = "afa"; def.listQuery = role::kVatList;
//     def.createSql = def.showSql = "SELECT * FROM afa ORDER BY kAfa";
//     def.showLocateColumn = "kAfa";   // compared with the remembered key when shown
//     def.columns = {{"kAfa", "Áfa %"}, ...};
//     def.sorts = {{"kAfa", "SELECT * FROM afa ORDER BY kAfa", "Áfa lista, áfa % szerint"}, ...};
//     def.editScreen = Screen::VatEdit;
//     def.remove = {"DELETE FROM afa WHERE kID = :p1", "kID", "Az áfa sor törlölve!", "Hiba: ..."};
//     ListScreen list(context, def);
//     list.create(); list.show();          // what the dialog does when it is built and shown
//     list.modify();                       // opens def.editScreen in the modify mode
//
// Chooser protocol: a caller optionally stores the remembered key, opens the list screen
// (openChooser), and afterwards reads what it needs from the list query's current row.
// "Kiválaszt" and "Mégsem" both hand that row over; Escape and the window's close button hand over
// nothing, and the caller keeps what was typed.
#include "querytablemodel.h"
#include "savedelete.h"
#include "screencontext.h"

#include <QObject>
#include <optional>
#include <vector>

namespace orvena {

struct SortOption {
    QString field;   // the grid column whose title is clicked
    QString sql;     // the statement that orders the list
    QString caption; // the caption line afterwards
};

struct ListSpec {
    QString table;     // key of the remembered key in AppState
    QString listQuery; // shared list query (a role of db/queryroles.h)
    QString createSql; // run when the screen is built
    QString showSql;   // run when it is shown: the initial order
    QString showLocateColumn; // compared with the remembered key when shown
    QString caption;          // the initial caption line
    std::vector<QueryTableModel::Column> columns;
    std::vector<SortOption> sorts;
    Screen editScreen = Screen::VatEdit;
    QString modifyKeyColumn; // "Módosít" stores this column of the current row as remembered key
    DeleteSpec remove;
    std::optional<ReferenceGuard> guard; // customers and issuers
};

class ListScreen : public QObject {
    Q_OBJECT
public:
    ListScreen(ScreenContext& context, ListSpec def, QObject* parent = nullptr);

    const ListSpec& def() const { return m_spec; }
    ScreenContext& context() const { return m_context; }
    Query& query() const { return m_list; }
    // The screen's own query for reference counts and deletes.
    Query& auxQuery() { return m_aux; }
    QString caption() const { return m_caption; }

    // The statements run when the screen is built and when it is shown.
    void create();
    virtual void show();

    // A click on a column title; false (and nothing runs) for a column that does not sort.
    bool sortBy(const QString& field);

    // The buttons. Each runs through the dispatcher, so an unexpected failure ends the action
    // with the general error report.
    void choose();   // "Kiválaszt"
    void cancel();   // "Mégsem"
    void newRecord();  // "Új"
    void modify();     // "Módosít"
    void remove();     // "Töröl"

signals:
    void captionChanged(const QString& caption);
    // The screen is to close ("Kiválaszt" or "Mégsem").
    void finished();

protected:
    void setCaption(const QString& caption);
    // Runs a SELECT on the list query (open, then refresh as the screens always did).
    void runList(const QString& sql);
    // The reference notice of "Módosít" and "Töröl": false when documents refer to the record
    // (the notice has then been shown).
    bool unreferenced();
    // Re-reads the list in its initial order when it was left closed.
    void ensureOpen();

private:
    ScreenContext& m_context;
    ListSpec m_spec;
    Query& m_list;
    Query m_aux;
    QString m_caption;
};

} // namespace orvena
