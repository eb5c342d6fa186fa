#pragma once
// "Adat export": six tables written to text files by the database server itself
// (SELECT * INTO OUTFILE), one file per table, into a folder the operator names.
#include "db/query.h"
#include "screens/common/screencontext.h"

#include <array>

namespace orvena {

class DataExport {
public:
    struct Item {
        QString caption;  // check box text
        QString table;    // table as the statement names it
        QString fileName; // file written into the folder
    };
    static constexpr int kItemCount = 6;
    // The exports in the order they run.
    static const std::array<Item, kItemCount>& items();
    // The folder the screen proposes: the user's home folder with a trailing separator.
    static QString defaultFolder();

    explicit DataExport(ScreenContext& context);

    bool isChecked(int item) const { return m_checked.at(static_cast<size_t>(item)); }
    void setChecked(int item, bool checked) { m_checked.at(static_cast<size_t>(item)) = checked; }
    const QString& folder() const { return m_folder; }
    void setFolder(const QString& folder) { m_folder = folder; }
    // The screen's proposal: the server writes the files, and only inside the folder its
    // secure_file_priv names, so that folder (with a trailing separator) when it names one; the
    // home folder otherwise. Asks the server.
    void proposeServerFolder();
    // The file an export writes: the folder text followed directly by the file name.
    QString pathOf(int item) const;

    // "Export": deletes and rewrites the file of every checked table in order. Returns true when
    // all were written ("Export vége. "); on a failure says which table stopped the run and
    // leaves the files written before it.
    bool run();

private:
    ScreenContext& m_context;
    Query m_query;
    std::array<bool, kItemCount> m_checked{true, true, true, true, true, true};
    QString m_folder;
};

} // namespace orvena
