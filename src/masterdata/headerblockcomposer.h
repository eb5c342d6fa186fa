#pragma once
// The header-block composer of customers (TForm14) and issuers (TForm24): the record's field
// values in one list, a tick list filled by dragging entries over, ">>" moving the ticked entries
// into the block, "OK" storing the block for the record's code. It works on the current row of
// the shared list query (role::kCustomerList / role::kIssuerList), not on the edit screen's fields; for a copy not stored
// yet it works on the draft of the edit screen's values that its request carries and stores nothing.
#include "screens/common/screencontext.h"

#include <QStringList>
#include <vector>

namespace orvena {

class HeaderBlockComposer {
public:
    enum class Party { Customer, Issuer };
    // Where a dragged entry comes from and where it is dropped.
    enum class Place { NewLine, FieldList, TickList };

    struct Entry {
        QString text;
        bool ticked = false;
    };

    // What differs between the two twin screens.
    struct Traits {
        QString designedTitle;
        QString filledTitle;
        QString listQuery;      // the customer or issuer list, whose current row is composed
        QStringList fieldColumns;
        QString blockColumn;    // vMemoVevo / zMemoSzall
        QString codeColumn;     // vKod / zKod
        QString updateSql;
        QString fillFailure;
        QString updateFailure;
    };
    static const Traits& traits(Party party);

    // request.draft: the block of a record not stored yet, composed in place of the list's row.
    HeaderBlockComposer(ScreenContext& context, Party party, const ScreenRequest& request = {});

    Party party() const { return m_party; }
    const Traits& traits() const { return traits(m_party); }
    const QString& title() const { return m_title; }

    // Before the screen is shown: the field list from the current row, the block as stored.
    // On a failure the fill message is shown and false returned: the screen is not to open.
    bool fill();

    const QStringList& fieldList() const { return m_fields; }
    const std::vector<Entry>& tickList() const { return m_ticks; }
    const QString& newLine() const { return m_newLine; }
    void setNewLine(const QString& text) { m_newLine = text; }
    // The block with lines separated by "\n" (as the text area holds it).
    const QString& block() const { return m_block; }
    void setBlock(const QString& text) { m_block = text; }
    bool oneLine() const { return m_oneLine; }
    void setOneLine(bool on) { m_oneLine = on; }
    void setTicked(int index, bool ticked);

    // Whether a drag from `from` may be dropped on `to` (the drag feedback): a typed line is
    // refused by a list that already holds it, every other drag is accepted.
    bool accepts(Place from, Place to) const;
    // The drop; `selectedField` is the field list's selected entry for a drag from there.
    // Returns whether anything changed.
    bool drop(Place from, Place to, int selectedField = -1);

    // ">>": the ticked entries, first to last, into the block: each on a line of its own, or
    // with the check box on joined into one line, each entry preceded by a blank. The tick
    // list stays as it is.
    void transfer();

    // "OK": stores the block (each line ended by CR LF) for every record with the current
    // row's code and re-reads the list. Returns whether the screen is to close: a failed update
    // is reported and keeps the screen open with everything composed so far.
    bool ok();

    // Entries are equal when they differ only in letter case.
    static bool sameEntry(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
    // A line appended to a block as its new last line.
    static QString appendLine(const QString& block, const QString& line);

private:
    bool fieldListHolds(const QString& text) const;
    bool tickListHolds(const QString& text) const;

    ScreenContext& m_context;
    Party m_party;
    BlockDraft* m_draft = nullptr;
    QString m_title;
    QStringList m_fields;
    std::vector<Entry> m_ticks;
    QString m_newLine;
    QString m_block;
    bool m_oneLine = false;
};

} // namespace orvena
