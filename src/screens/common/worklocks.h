#pragma once
// Locks that keep workstations on one server apart: the numbering of new invoices and delivery
// notes, each stored document while it is modified, and the codes of new master-data rows. They
// are the server's named locks, so a workstation that crashes or loses its connection leaves
// none behind.
#include "db/connection.h"
#include "screencontext.h"

#include <functional>
#include <memory>

namespace orvena::worklock {

inline QString newInvoice() { return QStringLiteral("szamla-uj"); }
inline QString newDeliveryNote() { return QStringLiteral("szlevel-uj"); }
inline QString invoice(const QString& number) { return QStringLiteral("szamla:") + number; }
inline QString deliveryNote(const QString& number) { return QStringLiteral("szlevel:") + number; }
inline QString newProforma() { return QStringLiteral("dijbekero-uj"); }
inline QString proforma(const QString& number) { return QStringLiteral("dijbekero:") + number; }
inline QString codes(const QString& table) { return QStringLiteral("kod:") + table; }

// The lock, or nullptr after telling the operator busy() when another workstation holds it.
// Throws DbError when the server cannot be asked.
inline std::unique_ptr<NamedLock> take(ScreenContext& context, const QString& name,
                                       const std::function<QString()>& busy, int waitSeconds = 0)
{
    auto lock = std::make_unique<NamedLock>(context.data.connection(), name, waitSeconds);
    if (lock->held())
        return lock;
    context.ui.notice(busy());
    return nullptr;
}

} // namespace orvena::worklock
