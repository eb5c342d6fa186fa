#pragma once
// Proformas (díjbekérő): composed with the invoice composition and line screens, but stored in
// tables of their own (dijbfej, dijbsor), numbered by their own sequence and printed as
// "D" + number. A proforma is no invoice: it is never issued, reported or paid, it may be changed
// and deleted freely, and once it has become an invoice (dijbszamla) it stays as it was.
#include "composertarget.h"

#include "screens/common/screencontext.h"

#include <QObject>
#include <QString>

namespace orvena {

// The number as a proforma is shown and printed: "D" + its stored number.
QString proformaNumberText(const QString& number);

// "Számla a díjbekérőből": the proforma becomes a new, unprinted invoice under the next invoice
// number, taken under the invoice numbering's lock; the invoice it became is recorded with it.
// Everything is checked inside the one transaction that writes (the proforma still stored, not
// converted already, with lines), so a second workstation converting the same proforma is
// refused. Returns the new invoice's number, or empty after telling the operator why not.
QString convertProformaIntoInvoice(ScreenContext& context, const QString& proformaNumber);

// The proforma register "Díjbekérők": the list of proformas (role::kProformaList) and the
// actions on the highlighted one.
class ProformaRegister : public QObject {
    Q_OBJECT
public:
    explicit ProformaRegister(ScreenContext& context, QObject* parent = nullptr);

    // The list re-read, standing on the run's current proforma (the last one when there is none).
    void reread();
    // The lines and the customer of the highlighted proforma.
    void refreshDetails();
    bool hasProforma() const;
    QString highlightedNumber() const;

    void newProforma();
    void modifyProforma();
    // Deletes the highlighted proforma with its lines, after the operator's "Igen".
    void deleteProforma();
    void view();
    void print();
    // "Számla a díjbekérőből", after the operator's "Igen".
    void convert();

private:
    // The invoice the proforma became (empty: none), read afresh; tells the operator that it
    // cannot be `what` ("módosítható", "törölhető") when there is one.
    bool converted(const QString& number, const QString& what);
    void runPrint(PrintMode mode);

    ScreenContext& m_context;
    QString m_current; // the proforma the list is positioned on after a screen closes
};

} // namespace orvena
