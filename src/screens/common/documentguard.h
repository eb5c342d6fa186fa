#pragma once
// What a composition screen and the line screens it opens write under: the document's number,
// the named lock that keeps other workstations off it, and what the document was when the screen
// took it. Every header, line and delete store re-checks this inside its own transaction, so a
// screen whose lock went to another workstation after an outage, whose new number another
// workstation stored meanwhile, or whose invoice was issued meanwhile never writes into a
// document that is no longer its own.
#include "db/datamodule.h"
#include "db/stepchain.h"

#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

namespace orvena {

class UserInterface;

struct DocumentGuard {
    // A proforma is never locked by printing: it stops being modifiable once it became an invoice.
    enum class Kind { Invoice, DeliveryNote, Proforma };
    Kind kind = Kind::Invoice;
    QString number;
    QString lock;          // the named lock the screen works under
    bool unstored = false; // a new document: no header may exist under its number
    // The stored document was printed already when the screen took it (a delivery note opened
    // by the "J" key); otherwise a document printed since is refused.
    bool printedAllowed = false;
};

// Whether the document is still the screen's. Run inside the store's transaction: the header row
// is read FOR UPDATE, so nothing changes it before the commit. Empty when it is; otherwise the
// Hungarian reason, after which the screen ends.
QString documentProblem(DataModule& data, const DocumentGuard& guard);

// The reason a screen ends when the reconnect after an outage found its lock taken by another
// workstation (Connection::lostLock), and whether that happened.
QString lockLostReason(const DocumentGuard& guard);
bool lockLost(DataModule& data, const DocumentGuard& guard);

// The same as a step of a chain: a problem stops the chain with its reason and sets refused.
void checkDocument(StepChain& chain, DataModule& data, const DocumentGuard& guard, bool& refused);

// Ends a composition screen through `end` (with the reason) when its lock was lost in an outage
// or, with askServer, when the server says the document is no longer its own; true when it ended.
// A failure to ask is shown to the operator and leaves the screen open.
bool endWhenNotOurs(DataModule& data, UserInterface& ui, const DocumentGuard& guard, bool askServer,
                    const std::function<void(const QString&)>& end);

// The document's lock for a line screen, or null after telling the operator why not: the
// reconnect after an outage lost it, or another workstation works on the document.
std::unique_ptr<NamedLock> takeLineLock(DataModule& data, UserInterface& ui, const DocumentGuard& guard);

// What was typed, one "label: value" line for each field that holds something, for the message
// of a screen that ends so that the operator can type it again.
QString typedValues(std::initializer_list<std::pair<QString, QString>> fields);

} // namespace orvena
