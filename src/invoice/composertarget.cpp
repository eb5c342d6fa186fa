#include "composertarget.h"

#include "invoicetexts.h"
#include "sequences.h"

#include "screens/common/worklocks.h"

namespace orvena {

namespace {

// The proforma register's list: each proforma with its printed number and the invoice it became.
const QString kProformaRegisterSql = QStringLiteral(
    "SELECT dijbfej.*, CONCAT('D', fBszam) AS dSzam, dsSzamla FROM dijbfej LEFT JOIN dijbszamla ON dsBszam = fBszam "
    "ORDER BY fBszam");

} // namespace

QString ComposerTarget::newLock() const
{
    return isProforma() ? worklock::newProforma() : worklock::newInvoice();
}

QString ComposerTarget::lock(const QString& number) const
{
    return isProforma() ? worklock::proforma(number) : worklock::invoice(number);
}

const ComposerTarget& ComposerTarget::invoice()
{
    static const ComposerTarget target{worktables::Document::Invoice,
                                       QStringLiteral("SzlaFej"),
                                       QStringLiteral("Szlasor"),
                                       kInvoiceSequence,
                                       role::kInvoiceList,
                                       invoice::kRegisterListSql,
                                       invoice::kLineListSql,
                                       DocumentGuard::Kind::Invoice,
                                       QStringLiteral("számla"),
                                       QStringLiteral("számlát")};
    return target;
}

const ComposerTarget& ComposerTarget::proforma()
{
    static const ComposerTarget target{worktables::Document::Proforma,
                                       QStringLiteral("dijbfej"),
                                       QStringLiteral("dijbsor"),
                                       kProformaSequence,
                                       role::kProformaList,
                                       kProformaRegisterSql,
                                       QStringLiteral("SELECT * FROM dijbsor WHERE sBszam= :p1 ORDER BY sID"),
                                       DocumentGuard::Kind::Proforma,
                                       QStringLiteral("díjbekérő"),
                                       QStringLiteral("díjbekérőt")};
    return target;
}

} // namespace orvena
