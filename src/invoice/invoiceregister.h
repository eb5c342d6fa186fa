#pragma once
// The invoice register's model: the list of every invoice (role::kInvoiceList), the details of the highlighted
// one, and the actions on it: new, modify, storno, correction, view and print.
#include "screens/common/screencontext.h"

#include <QObject>

namespace orvena {

class InvoiceRegister : public QObject {
    Q_OBJECT
public:
    explicit InvoiceRegister(ScreenContext& context, QObject* parent = nullptr);

    // Creation: the list, standing on its last invoice.
    void open();
    // Each time the register is uncovered: the list re-read and positioned on the run's current
    // invoice number (the first invoice while there is none yet). When no screen has changed
    // that number since the last re-read, the list stays on the invoice the operator highlighted.
    void reread();
    // A tab change: lines, customer and issuer of the highlighted invoice.
    void refreshDetails();

    // Typing a number in the list: the first invoice whose number begins with typed, from the
    // highlighted one on (after it when a new search begins), wrapping round to the start. No
    // such invoice: said so, and the list goes back to the invoice the search began on.
    void locateTyped(const QString& typed, bool continuing);

    QString highlightedNumber() const;
    // Whether the list stands on an invoice (an empty register has none to act on).
    bool hasInvoice() const;

    void newInvoice();
    // "Módosít"; checkPrinted false is the "J" key, which opens a printed invoice as well, unless
    // it has been issued (its invoice-data row exists): that is refused, pointing to the storno.
    void modifyInvoice(bool checkPrinted = true);
    // Reverses the highlighted printed invoice with a new storno invoice.
    void storno();
    // "Helyesbít": a correcting invoice of the highlighted issued invoice, composed under the next
    // number.
    void correct();
    // The corrections of the highlighted invoice and its own reference, for the line under the
    // list; empty for an invoice without either.
    QString chainText();
    void view();
    void print();
    // The highlighted invoice's payments ("Fizetés"), its sending by e-mail and its e-mail log,
    // each a screen of its own; the list is re-read when it has closed.
    void payments();
    void sendByMail();
    void mailLog();

private:
    void runPrint(PrintMode mode);
    // Whether the invoice has been issued; says so (pointing to the storno) when it has.
    bool issued(const QString& number);

    ScreenContext& m_context;
    // The current invoice number the list was last positioned by.
    QString m_positionedBy;
    QString m_locatingFrom; // the invoice highlighted when the typed search began
    bool m_positioned = false;
    bool m_retrying = false; // a re-read that failed is tried once more, after the event it came in
    bool readList();
};

// The storno chain on invoice `reversed`, as one transaction in which the invoice is read by its
// number (it must still exist and be printed, be no storno itself and have none yet); the new
// invoice's link to it is stored in szlahivatkozas in the same transaction. Returns the new invoice's number, or an empty text
// when nothing was created (refused or failed; the message has been shown).
QString createStornoInvoice(ScreenContext& context, const QString& reversed);

} // namespace orvena
