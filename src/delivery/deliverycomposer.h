#pragma once
// The delivery-note composition screen: creates a new note under the next number of the
// sequence or changes an unprinted one. Lines are written at once by the line screen; the header
// follows on "OK", for a new note together with the sequence in one transaction.
#include "screens/common/documentguard.h"
#include "screens/common/screencontext.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <memory>

namespace orvena {

class DeliveryComposer : public QObject {
    Q_OBJECT
public:
    enum Field {
        Number,
        Id,
        CustomerCode,
        CustomerNumber,
        Contract,
        PaymentMethod,
        FulfilmentDate,
        NoteDate,
        DueDate,
        Remark,
        Message,
        DictionaryCode,
        DictionaryName,
        CustomerBlock,       // the customer block printed on this note (editable)
        CustomerMasterBlock, // the customer master's block (read-only)
        IssuerBlock,         // the issuer block printed on this note (editable)
        IssuerMasterBlock,   // the issuer master's block (read-only)
        IssuerCode,
        IssuerNumber,
        Discount,
        ExchangeRate,
        Currency,
        FieldCount
    };
    // Focus targets besides the fields.
    enum Control { CustomerButton = FieldCount, DictionaryButton, NewLineButton };

    // request.mode: a new note, or the note of request.number to modify.
    DeliveryComposer(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);

    // Before the screen is shown: a new note gets the next number and the defaults, a note to
    // modify is loaded by the number it was opened with. False when the screen must not open (told to the operator where there is
    // something to tell): no number could be formed, the new number already has a header, or
    // there is no note to modify.
    bool prepare();

    bool isNewNote() const;
    QString field(Field f) const { return m_fields[static_cast<size_t>(f)]; }
    void setField(Field f, const QString& text);

    void chooseCustomer();
    void chooseIssuer();
    void chooseDictionary();
    // Leaving "Telj. időpontja": the due date becomes that date plus the customer's payment term.
    // Without a customer or with an unfinished date it stays as it is.
    void fulfilmentDateLeft();

    void newLine();
    void modifyLine();
    void deleteLine();

    // "OK": validates and stores the header. A refused store keeps the screen open as typed.
    void accept();
    bool isClosed() const { return m_closed; }
    // What every store of this screen and its line screens re-checks inside its transaction.
    DocumentGuard guard() const;
    // What a line screen is opened with: the mode and this note's number with its lock.
    ScreenRequest lineRequest(EditMode mode) const;

signals:
    void fieldChanged(int field);
    void focusRequested(int control);
    void closeRequested();

private:
    void showNew();
    bool load();
    bool noteExists(const QString& number);
    void rereadLines();
    bool validate();
    bool storeNew();
    bool storeModified();
    bool storeEnded(const class StepChain& chain, bool stored, bool refused);
    // Puts the header's INSERT (new note) or REPLACE on q, its values bound.
    void prepareHeader(class Query& q, bool isNew);
    void fail(const QString& message, int focus);
    // Ends the screen with reason and what was typed, so that it can be typed again.
    void end(const QString& reason);
    // After an action: ends the screen when its lock was lost or its note is no longer the one
    // it composes (askServer: a line screen may have been refused, so the server is asked).
    bool endIfNotOurs(bool askServer);

    ScreenContext& m_context;
    const EditMode m_mode;
    const QString m_requested; // the note to modify, as the register named it
    std::array<QString, FieldCount> m_fields;
    bool m_closed = false;
    std::unique_ptr<NamedLock> m_lock; // the numbering for a new note, the note when modifying
    QString m_lockName;
    bool m_printedWhenLoaded = false; // opened printed by the register's "J" key
};

} // namespace orvena
