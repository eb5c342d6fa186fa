#pragma once
// "Bankkivonat": the statement entries read from the bank's files, the invoices each credit may
// pay, and the operator's decisions: accept the best (Enter), choose another, split the amount,
// leave it for later, undo a booking. QtCore only; the dialog binds to it.
#include "bankstatements.h"

#include "screens/common/screencontext.h"

#include <QObject>

namespace orvena::bank {

class StatementScreen : public QObject {
    Q_OBJECT
public:
    explicit StatementScreen(ScreenContext& context, QObject* parent = nullptr);

    // Asked when a file's account belongs to no single issuer (set by the dialog; without it
    // such a file is refused).
    IssuerChooser chooseIssuer;

    // Reads a file and shows its entries; true when it was stored (or read before).
    bool importFile(const QString& path, const Progress& progress = {});

    // The entries listed: by default those still to decide (open credits, then the rest open);
    // with showAll also the booked ones, newest statement first.
    void setShowAll(bool all);
    bool showAll() const { return m_showAll; }
    void refresh();
    const std::vector<EntryRow>& entries() const { return m_entries; }
    int current() const { return m_current; }
    void setCurrent(int row);
    const EntryRow* currentEntry() const;
    // The current entry's suggestions, best first, and the one chosen among them.
    const std::vector<Suggestion>& suggestions() const { return m_suggestions; }
    int chosen() const { return m_chosen; }
    void choose(int suggestion);
    // What a booked entry paid: "invoice amount" lines.
    QStringList bookedPayments() const;

    // Enter: books the chosen suggestion (the best one unless another was chosen).
    bool acceptChosen();
    // Books the current entry as the operator split it.
    bool book(const std::vector<Allocation>& allocations);
    // Leaves the current entry for later and moves to the next one.
    void leave();
    // Undoes the current entry's booking after asking.
    bool undo();

    // The state of an entry as listed.
    static QString stateText(const EntryRow& entry);

signals:
    void changed();

private:
    void select(int row);

    ScreenContext& m_context;
    bool m_showAll = false;
    std::vector<EntryRow> m_entries;
    std::vector<Suggestion> m_suggestions;
    MatchingData m_matching;
    int m_current = -1;
    int m_chosen = -1;
};

} // namespace orvena::bank
