#pragma once
// The invoice composition screen's model: the header of a new or an unprinted invoice, its
// lines (each stored at once by the line screen) and the running totals.
#include "invoiceline.h"
#include "proforma.h"

#include "nav/advancedata.h"

#include "screens/common/documentguard.h"
#include "screens/common/screencontext.h"

#include <QDate>
#include <QObject>
#include <array>
#include <memory>
#include <optional>

namespace orvena {

class InvoiceCorrection;
class RateSource;
class StepChain;
struct RateAnswer;

class InvoiceComposer : public QObject {
    Q_OBJECT
public:
    enum Field {
        Number,             // "Számla sorszáma", read-only
        HeaderId,           // hidden: fID when modifying
        CustomerCode,       // hidden: fvKod
        CustomerNumber,     // hidden: fvSzam
        Contract,           // "Szerz.száma"
        PaymentMethod,      // "Fizetés módja"
        PerformanceDate,    // "Telj. időpontja"
        IssueDate,          // "Számla kelte"
        DueDate,            // "Fiz.határidö"
        Currency,           // "Pénznem"
        ExchangeRate,       // "Árfolyam"
        Discount,           // "Kedvezmény%"
        Remark,             // "Megjegyzés"
        Message,            // "Üzenet"
        LanguageName,       // beside "Nyelv", read-only
        LanguageCode,       // hidden: fmKod
        CustomerBlock,      // "Számlán" on the customer's page: fMemoVevo
        CustomerMasterBlock,// "Vevö törzsben", read-only
        IssuerBlock,        // "Számlán" on the issuer's page: fMemoSzall
        IssuerMasterBlock,  // "Szállító (kibocsátó) törzsben", read-only
        IssuerCode,         // hidden: fzKod
        IssuerNumber,       // hidden: fzSzam
        NetTotal,           // "Netto:"
        VatTotal,           // "ÁFA:"
        GrandTotal,         // "Mindösszesen:"
        RateSource,         // beside "Árfolyam", read-only: which day's central-bank rate, or typed
        FieldCount,
        // focus targets that are buttons
        CustomerButton = FieldCount,
        NewLineButton,
        LanguageButton,
    };

    // request.mode: a new invoice, or the invoice of request.number to modify; target: a proforma
    // is composed on the same screen into its own tables.
    InvoiceComposer(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr,
                    const ComposerTarget& target = ComposerTarget::invoice());
    bool isProforma() const { return m_target.isProforma(); }
    ~InvoiceComposer() override;

    // Prepares the screen for the invoice edit mode: a new invoice gets the next number, the
    // defaults and the totals of lines an abandoned invoice left under that number; a
    // modification loads the invoice it was opened with and its totals. Returns false when the
    // screen must not open: the offered number already belongs to a stored invoice, or the
    // invoice to modify is no longer stored (said so).
    bool prepare();
    bool isNewInvoice() const;
    // The invoice this new one corrects; empty for any other invoice.
    QString corrected() const;

    QString field(Field f) const { return m_fields[f]; }
    void setField(Field f, const QString& text);

    // Fills the screen from the stored invoice of this number with its lines, customer, issuer
    // and label set, read afresh. False when no such invoice is stored (nothing is changed then).
    bool LoadInvoice(const QString& number);
    // The three totals summed by the database over the stored lines of this invoice.
    void recomputeTotals();

    // Choosers and header actions.
    void chooseCustomer();
    void chooseLanguage();
    void chooseIssuer();
    void toggleCurrency();
    // The focus left "Telj. időpontja": the due date follows the customer's payment term, and a
    // foreign currency's rate the new date.
    void performanceDateLeft();
    // The focus left "Pénznem": a foreign currency's rate follows it.
    void currencyLeft();
    // "MNB árfolyam": the central bank's rate for the performance date, asked from the bank again.
    void fetchExchangeRate();
    // Where the rates are asked from (the central bank's client unless set); the source must
    // outlive the screen or stop answering it.
    void setRateSource(orvena::RateSource& source);
    // A rate asked for and not answered yet: "Árfolyam" stays empty until the answer comes.
    bool isRatePending() const { return m_ratePending; }

    // Line buttons.
    void newLine();
    void modifyLine();
    void deleteLine();

    // "Sz.levélböl": the delivery note chosen in the delivery-note register becomes lines (and,
    // while this number has no header yet, the header) of this invoice; the screen then goes on
    // modifying the stored invoice.
    void fromDeliveryNote();

    // Advance and final invoices: the kind the invoice is stored with ("Előleg", "Végszámla"),
    // and on a final invoice the deduction of one of the customer's advance invoices.
    nav::InvoiceKind kind() const { return m_kind; }
    // False (the operator is told) while deduction lines keep the invoice a final one.
    bool setKind(nav::InvoiceKind kind);
    QStringList deductibleAdvances();
    void deductAdvance(const QString& advance);

    // "OK": checks, stores the header (and for a new invoice its number), re-reads the
    // register's list. Returns true when the screen closes.
    bool ok();
    void cancel();

    bool isClosed() const { return m_closed; }
    int lastFocus() const { return m_lastFocus; }

    // What the line screen is opened with: the mode and this invoice's number and currency, with
    // the lock the screen works under.
    ScreenRequest lineRequest(EditMode mode) const;
    // What every store of this screen re-checks inside its transaction.
    DocumentGuard guard() const;

signals:
    void fieldChanged(int field);
    void focusRequested(int field);
    void closeRequested();
    void kindChanged();

private:
    void set(Field f, const QString& text);
    void focus(int target);
    // "OK"'s checks, in order; each tells the operator and moves the focus when it fails.
    bool validate();
    bool requiredFieldsValid();
    bool numbersValid();
    bool linesValid();
    bool finalDiscountValid();
    bool finalPayableValid();
    bool storeNew();
    bool storeModified();
    // The kind's steps of a header store: an invoice's kind and its deductions checked again.
    void addKindSteps(StepChain& chain);
    bool storeEnded(bool stored, const StepChain& chain, bool refused);
    // Puts the header's INSERT (new invoice) or REPLACE on q, its values bound.
    void prepareHeader(Query& q, bool isNew);
    void rereadLines();
    void rereadRegister();
    bool takeLock(const QString& name);
    void discardDraft(bool quiet = false);
    // A correction's start: the original's header and current lines under the new number (the
    // screen does not open when it fails, said so); and its checks before the store.
    bool startCorrection();
    bool correctionValid();
    // Fills "Árfolyam" with the central bank's rate of the performance date when the currency or
    // the date differs from those of the last fill (always when `refetch`); a forint invoice's
    // rate is 0. Without the bank the operator is told and types the rate.
    // The answer comes to takeRate, unless the rate was asked again, typed or the screen closed
    // meanwhile.
    void fillExchangeRate(bool refetch);
    void takeRate(const RateAnswer& answer, const QString& currency, const QDate& day);
    void dropRateRequest();
    QString rateKey() const;
    // The due date the chosen customer's payment term gives from the performance date; nothing
    // without a customer, a term or a valid performance date. Throws on a term that is no number.
    std::optional<QDate> termDueDate() const;
    // Ends the screen with reason and what was typed, so that it can be typed again.
    void end(const QString& reason);
    // After an action: ends the screen when its lock was lost or its invoice is no longer the one
    // it composes (askServer: the line screen may have been refused, so the server is asked).
    bool endIfNotOurs(bool askServer);

    // The run's current number of what this screen composes (invoice or proforma).
    QString& currentNumber();

    ScreenContext& m_context;
    const ComposerTarget& m_target;
    std::unique_ptr<NamedLock> m_lock; // the numbering for a new invoice, the invoice when modifying
    QString m_lockName;
    std::array<QString, FieldCount> m_fields;
    EditMode m_mode;
    const QString m_requested; // the invoice to modify, as the register named it
    bool m_closed = false;
    int m_lastFocus = Contract;
    QString m_rateFilledFor; // currency and date the rate was last filled (or loaded) for
    std::unique_ptr<orvena::RateSource> m_ownRates; // the central bank's client, unless another source was set
    orvena::RateSource* m_rates = nullptr;
    quint64 m_rateRequest = 0; // the latest request: only its answer is taken
    bool m_ratePending = false;
    bool m_dueDateTyped = false; // the due date was typed (or stored by hand): the customer's term leaves it
    nav::InvoiceKind m_kind = nav::InvoiceKind::Plain;
    std::unique_ptr<InvoiceCorrection> m_correction; // a correcting invoice's original and lines
};

} // namespace orvena
