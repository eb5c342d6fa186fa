#pragma once
// "Adatok": the raw rows of thirteen tables, one grid each. Every grid stays closed until an
// access code is accepted; then seven tables are writable and six read-only. After a code has
// been accepted on this screen, the "M" key makes all thirteen writable.
#include "tableeditmodel.h"
#include "screens/common/screencontext.h"

#include <QObject>
#include <vector>

namespace orvena {

class TableMaintenance : public QObject {
    Q_OBJECT
public:
    struct Tab {
        QString caption;
        QString table;
        QString queryId;
        bool writableWithCode;
    };
    static const std::vector<Tab>& tabs();
    // Whether the typed text is one of the two access codes (compared exactly, case included).
    static bool isAccessCode(const QString& typed);

    explicit TableMaintenance(ScreenContext& context, QObject* parent = nullptr);

    int tableCount() const { return static_cast<int>(m_tables.size()); }
    TableEditModel& table(int tab) const { return *m_tables.at(static_cast<size_t>(tab)); }

    // Showing the screen closes every table, the six start-up tables included.
    void show();
    // "OK" with the text typed into the password dialog: a correct code opens every table with
    // its own writability; anything else changes nothing and says nothing.
    bool enterCode(const QString& typed);
    // The "M" key on "OK": once a code has been accepted, reopens every table writable.
    void unlockAll();

signals:
    void tablesReopened();

private:
    void openAll(bool allWritable);

    ScreenContext& m_context;
    std::vector<TableEditModel*> m_tables; // children of this object
    bool m_unlocked = false;
};

} // namespace orvena
