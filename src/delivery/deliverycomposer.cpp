#include "deliverycomposer.h"

#include "deliverycommon.h"
#include "db/memotext.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "db/stepchain.h"
#include "invoice/documentwrite.h"
#include "invoice/sequences.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/worklocks.h"

#include <QDate>

namespace orvena {

using namespace delivery;

namespace {

const QString kLinesOfNote = QStringLiteral("SELECT * FROM SzlevSor WHERE eBszam= :p1 ORDER BY eID");
const QString kOuterMessage = QStringLiteral("Hiba az append vagy edit közben a szállító fejben!");

} // namespace

DeliveryComposer::DeliveryComposer(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : QObject(parent), m_context(context), m_mode(request.mode), m_requested(request.number)
{
    m_fields[Discount] = QStringLiteral("0");
    m_fields[ExchangeRate] = QStringLiteral("0");
    m_fields[Currency] = QStringLiteral("Ft");
}

bool DeliveryComposer::isNewNote() const
{
    return m_mode == EditMode::New;
}

DocumentGuard DeliveryComposer::guard() const
{
    return DocumentGuard{DocumentGuard::Kind::DeliveryNote, m_fields[Number], m_lockName, isNewNote(),
                         m_printedWhenLoaded};
}

ScreenRequest DeliveryComposer::lineRequest(EditMode mode) const
{
    ScreenRequest request;
    request.mode = mode;
    request.document =
        DocumentRef{m_fields[Number], m_fields[Currency], m_lockName, isNewNote(), m_printedWhenLoaded};
    return request;
}

void DeliveryComposer::end(const QString& reason)
{
    m_context.ui.message(reason
                         + typedValues({{QStringLiteral("Vevő"), m_fields[CustomerBlock]},
                                        {QStringLiteral("Szerz.száma"), m_fields[Contract]},
                                        {QStringLiteral("Fizetés módja"), m_fields[PaymentMethod]},
                                        {QStringLiteral("Telj. időpontja"), m_fields[FulfilmentDate]},
                                        {QStringLiteral("Szlev. kelte"), m_fields[NoteDate]},
                                        {QStringLiteral("Fiz.határidö"), m_fields[DueDate]},
                                        {QStringLiteral("Megjegyzés"), m_fields[Remark]},
                                        {QStringLiteral("Üzenet"), m_fields[Message]}}));
    m_closed = true;
    m_lock.reset();
    emit closeRequested();
}

bool DeliveryComposer::endIfNotOurs(bool askServer)
{
    return m_closed
           || endWhenNotOurs(m_context.data, m_context.ui, guard(), askServer, [this](const QString& reason) { end(reason); });
}

bool DeliveryComposer::prepare()
{
    // The screen holds its own count of the lock the register took for it (counted per
    // session), so whatever opened it, it composes only while this workstation holds the lock.
    m_lockName = isNewNote() ? worklock::newDeliveryNote() : worklock::deliveryNote(m_requested);
    bool locked = false;
    runAction(m_context.ui, [&] {
        m_lock = std::make_unique<NamedLock>(m_context.data.connection(), m_lockName);
        locked = m_lock->held();
    });
    if (!locked) {
        m_lock.reset();
        m_context.ui.notice(isNewNote() ? QStringLiteral("Egy másik munkaállomás éppen új szállítólevelet készít. "
                                                         "Kérem, próbálja újra, amikor ott elkészült.")
                                        : QStringLiteral("A(z) %1 számú szállítólevelet egy másik munkaállomás éppen "
                                                         "módosítja. Kérem, próbálja újra, amikor ott elkészült.")
                                              .arg(m_requested));
        return false;
    }
    if (isNewNote()) {
        try {
            m_fields[Number] = nextDocumentNumber(m_context.data.connection(), kDeliverySequence);
        } catch (const Error& e) {
            // Without a number the note's lines and header would have no key.
            showFailure(m_context.ui, e.text(), &e, lcScreens(), FailureBox::ErrorReport);
            return false;
        }
        // A number that already has a header belongs to a stored note (the sequence was set back,
        // or another workstation stored it): a new note must not show or change its lines.
        if (noteExists(m_fields[Number])) {
            m_context.ui.message(QStringLiteral("A(z) %1 sorszámú szállítólevél már létezik, új szállítólevél ezzel "
                                                "a sorszámmal nem készíthető! A sorszám a \"Sorszám \" lapon "
                                                "javítható.")
                                     .arg(m_fields[Number]));
            return false;
        }
        showNew();
    } else if (!load()) {
        return false;
    }
    m_context.state.deliveryNumber = m_fields[Number];
    for (int f = 0; f < FieldCount; ++f)
        emit fieldChanged(f);
    return true;
}

void DeliveryComposer::showNew()
{
    rereadLines();
    const QString today = formatDate(QDate::currentDate());
    m_fields[FulfilmentDate] = today;
    m_fields[NoteDate] = today;
    m_fields[DueDate] = today;

    // No customer is chosen yet.
    m_context.data.query(role::kCustomerList).close();
    m_fields[CustomerCode].clear();
    m_fields[CustomerNumber].clear();
    m_fields[Id].clear();
    m_fields[CustomerBlock].clear();
    m_fields[CustomerMasterBlock].clear();

    // The first label set and the first issuer are the defaults.
    Query& dictionary = m_context.data.query(role::kDictionaryList);
    dictionary.setSql({QStringLiteral("SELECT * FROM Mezonev")});
    dictionary.open();
    m_fields[DictionaryCode] = dictionary.fieldText(QStringLiteral("mkod"));
    m_fields[DictionaryName] = dictionary.fieldText(QStringLiteral("mmegnev"));

    Query& issuers = m_context.data.query(role::kIssuerList);
    issuers.setSql({QStringLiteral("SELECT * FROM Szallito")});
    issuers.open();
    m_fields[IssuerCode] = issuers.fieldText(QStringLiteral("zKod"));
    m_fields[IssuerNumber] = issuers.fieldText(QStringLiteral("zSzam"));
    m_fields[IssuerBlock] = memoFromDatabase(issuers.fieldText(QStringLiteral("zMemoSzall")));
    m_fields[IssuerMasterBlock] = m_fields[IssuerBlock];
}

bool DeliveryComposer::noteExists(const QString& number)
{
    Query q(m_context.data.connection(), QStringLiteral("noteHeader"));
    q.setSql({QStringLiteral("SELECT count(*) AS db FROM SzlevFej WHERE lBszam = :p1")});
    q.setText(QStringLiteral("p1"), number);
    q.open();
    return q.fieldInt(QStringLiteral("db")) > 0;
}

bool DeliveryComposer::load()
{
    // The register names the note to modify by its number; without one (an empty register) the
    // screen does not open.
    const QString number = m_requested;
    if (isBlank(number))
        return false;
    Query note(m_context.data.connection(), QStringLiteral("noteHeader"));
    note.setSql({QStringLiteral("SELECT * FROM SzlevFej WHERE lBszam = :p1")});
    note.setText(QStringLiteral("p1"), number);
    note.open();
    if (note.isEmpty()) {
        m_context.ui.message(QStringLiteral("A(z) %1 sorszámú szállítólevél nem található!").arg(number));
        return false;
    }
    auto col = [&note](const char* name) { return note.fieldText(QString::fromLatin1(name)); };
    m_fields[Number] = col("lBszam");
    m_printedWhenLoaded = col("lPrn").trimmed() == u"I";
    rereadLines();

    Query& customers = m_context.data.query(role::kCustomerList);
    customers.setSql({QStringLiteral("SELECT * FROM Vevo")});
    customers.open();
    m_context.state.setRememberedKey(QStringLiteral("vevo"), col("lvKod"));
    customers.locate(QStringLiteral("vKod"), col("lvKod"));

    Query& issuers = m_context.data.query(role::kIssuerList);
    issuers.setSql({QStringLiteral("SELECT * FROM szallito")});
    issuers.open();
    m_context.state.setRememberedKey(QStringLiteral("szallito"), col("lzKod"));
    issuers.locate(QStringLiteral("zKod"), col("lzKod"));

    Query& dictionary = m_context.data.query(role::kDictionaryList);
    dictionary.setSql({QStringLiteral("SELECT * FROM mezonev")});
    dictionary.open();
    m_context.state.setRememberedKey(QStringLiteral("mezonev"), col("lmKod"));
    dictionary.locate(QStringLiteral("mkod"), col("lmKod"));

    m_fields[Id] = col("lID");
    m_fields[Contract] = col("lSzerz");
    m_fields[PaymentMethod] = col("lFizmod");
    m_fields[FulfilmentDate] = col("lTkelt");
    m_fields[NoteDate] = col("lRkelt");
    m_fields[DueDate] = col("lFkelt");
    m_fields[Currency] = col("lPnem");
    m_fields[ExchangeRate] = col("lArfoly");
    m_fields[Discount] = col("lKerek");
    m_fields[Remark] = col("lMegj");
    m_fields[Message] = memoFromDatabase(col("lmemo"));
    m_fields[CustomerCode] = col("lvKod");
    m_fields[CustomerNumber] = col("lvSzam");
    m_fields[CustomerBlock] = memoFromDatabase(col("lMemoVevo"));
    m_fields[IssuerBlock] = memoFromDatabase(col("lMemoSzall"));
    m_fields[IssuerCode] = col("lzKod");
    m_fields[IssuerNumber] = col("lzSzam");
    m_fields[DictionaryCode] = col("lmKod");
    m_fields[DictionaryName] = dictionary.fieldText(QStringLiteral("mmegnev"));
    m_fields[CustomerMasterBlock] = memoFromDatabase(customers.fieldText(QStringLiteral("vMemoVevo")));
    m_fields[IssuerMasterBlock] = memoFromDatabase(issuers.fieldText(QStringLiteral("zMemoSzall")));
    return true;
}

void DeliveryComposer::rereadLines()
{
    Query& lines = m_context.data.query(role::kNoteLines);
    lines.setSql({kLinesOfNote});
    lines.setText(QStringLiteral("p1"), m_fields[Number]);
    lines.open();
}

void DeliveryComposer::setField(Field f, const QString& text)
{
    if (m_fields[f] == text)
        return;
    m_fields[f] = text;
    emit fieldChanged(f);
}

void DeliveryComposer::chooseCustomer()
{
    if (!openChooser(m_context.opener, Screen::CustomerList))
        return;
    Query& customers = m_context.data.query(role::kCustomerList);
    const QString method = customers.fieldText(QStringLiteral("vFizmod"));
    const QString currency = customers.fieldText(QStringLiteral("vPnem"));
    const QString block = memoFromDatabase(customers.fieldText(QStringLiteral("vMemoVevo")));
    const QString code = customers.fieldText(QStringLiteral("vKod"));
    const QString number = customers.fieldText(QStringLiteral("vSzam"));
    setField(PaymentMethod, method);
    setField(Currency, currency);
    setField(CustomerBlock, block);
    setField(CustomerMasterBlock, block);
    setField(CustomerCode, code);
    setField(CustomerNumber, number);
}

void DeliveryComposer::chooseIssuer()
{
    if (!openChooser(m_context.opener, Screen::IssuerList))
        return;
    Query& issuers = m_context.data.query(role::kIssuerList);
    const QString code = issuers.fieldText(QStringLiteral("zKod"));
    const QString number = issuers.fieldText(QStringLiteral("zSzam"));
    const QString block = memoFromDatabase(issuers.fieldText(QStringLiteral("zMemoSzall")));
    setField(IssuerCode, code);
    setField(IssuerNumber, number);
    setField(IssuerBlock, block);
    setField(IssuerMasterBlock, block);
}

void DeliveryComposer::chooseDictionary()
{
    if (!openChooser(m_context.opener, Screen::DictionaryList))
        return;
    Query& dictionary = m_context.data.query(role::kDictionaryList);
    const QString code = dictionary.fieldText(QStringLiteral("mkod"));
    const QString name = dictionary.fieldText(QStringLiteral("mmegnev"));
    setField(DictionaryCode, code);
    setField(DictionaryName, name);
}

void DeliveryComposer::fulfilmentDateLeft()
{
    // Typing is not an error: without a chosen customer, a payment term or a complete date the
    // due date simply keeps its value.
    Query& customers = m_context.data.query(role::kCustomerList);
    if (!customers.isOpen() || customers.currentRow() < 0)
        return;
    if (!isValidDate(m_fields[FulfilmentDate]))
        return;
    const QString term = customers.fieldText(QStringLiteral("vFhat")).trimmed();
    int days = 0;
    try {
        days = parseInt32(term);
    } catch (const ConversionError&) {
        return;
    }
    setField(DueDate, formatDate(parseDate(m_fields[FulfilmentDate]).addDays(days)));
}

void DeliveryComposer::newLine()
{
    m_context.opener.open(Screen::DeliveryLine, lineRequest(EditMode::New));
    endIfNotOurs(true);
}

void DeliveryComposer::modifyLine()
{
    m_context.opener.open(Screen::DeliveryLine, lineRequest(EditMode::Modify));
    endIfNotOurs(true);
}

void DeliveryComposer::deleteLine()
{
    Query& lines = m_context.data.query(role::kNoteLines);
    Query q(m_context.data.connection(), QStringLiteral("noteLine"));
    const QString failed = QStringLiteral("Hiba: Szlevsor DELETE törlésekor");
    bool refused = false;
    StepChain chain(q);
    const bool deleted = chain.run([&] {
        chain.begin(failed);
        // the note is still the one this screen composes, and the line one of its own
        checkDocument(chain, m_context.data, guard(), refused);
        chain.step(failed, [&] {
            // An empty list reads as line 0, which deletes nothing.
            const qint64 id = lines.isOpen() ? lines.fieldInt(QStringLiteral("eID")) : 0;
            q.setSql({QStringLiteral("DELETE FROM Szlevsor WHERE eID = :p1 AND eBszam = :p2")});
            q.setInteger(QStringLiteral("p1"), id);
            q.setText(QStringLiteral("p2"), m_fields[Number]);
            q.execute();
        });
        chain.commit(failed);
    });
    if (refused) {
        end(chain.failure().message);
        return;
    }
    if (deleted)
        m_context.ui.message(QStringLiteral("Az tételsor törölve!"));
    else
        tell(m_context.ui, chain.failure());
    if (endIfNotOurs(false))
        return;
    rereadLines();
    lines.last();
}

void DeliveryComposer::fail(const QString& message, int focus)
{
    m_context.ui.message(message);
    emit focusRequested(focus);
}

bool DeliveryComposer::validate()
{
    if (isBlank(m_fields[IssuerCode]))
        return fail(QStringLiteral("Nincs kiválasztva a szállító!"), CustomerButton), false;
    if (isBlank(m_fields[DictionaryCode]))
        return fail(QStringLiteral("Nincs kiválasztva a nyelv!"), DictionaryButton), false;
    if (isBlank(m_fields[CustomerCode]))
        return fail(QStringLiteral("Nincs kiválasztva a vevö!"), CustomerButton), false;
    if (isBlank(m_fields[PaymentMethod]))
        return fail(QStringLiteral("Nincs megadva a fizetési mód!"), PaymentMethod), false;
    if (isBlank(m_fields[FulfilmentDate]))
        return fail(QStringLiteral("Nincs megadva a teljesités dátuma!"), FulfilmentDate), false;
    if (isBlank(m_fields[NoteDate]))
        return fail(QStringLiteral("Nincs megadva a szállító kelte!"), NoteDate), false;
    if (isBlank(m_fields[DueDate]))
        return fail(QStringLiteral("Nincs megadva a fizetési határidő!"), DueDate), false;
    for (const Field f : {FulfilmentDate, NoteDate, DueDate})
        if (!isValidDate(m_fields[f]))
            return fail(QStringLiteral("Hibás dátum!"), f), false;

    Query q(m_context.data.connection(), QStringLiteral("noteLine"));
    q.setSql({QStringLiteral(
        "SELECT ebszam, count(ebszam) AS edb FROM Szlevsor WHERE eBszam= :p1 GROUP BY eBszam")});
    q.setText(QStringLiteral("p1"), m_fields[Number]);
    q.open();
    if (q.isEmpty() || q.fieldInt(QStringLiteral("edb")) == 0)
        return fail(QStringLiteral("Nincs szállítónak tételsora!"), NewLineButton), false;
    return true;
}

void DeliveryComposer::prepareHeader(Query& q, bool isNew)
{
    DocumentHeader header = commonHeaderFields<DeliveryComposer>(m_fields);
    header.id = m_fields[Id];
    header.fulfilmentDate = m_fields[FulfilmentDate];
    header.issueDate = m_fields[NoteDate];
    header.dueDate = m_fields[DueDate];
    header.dictionaryCode = m_fields[DictionaryCode];
    prepareHeaderWrite(q, Document::DeliveryNote, header, isNew);
}

void DeliveryComposer::accept()
{
    if (!validate())
        return;
    const bool stored = isNewNote() ? storeNew() : storeModified();
    if (!stored) {
        endIfNotOurs(false);
        return; // the message has been shown; everything typed stays on the screen
    }
    m_lock.reset();

    Query& list = m_context.data.query(role::kNoteList);
    list.setSql({QStringLiteral("SELECT * FROM Szlevfej ORDER BY lbszam")});
    list.open();
    list.locate(QStringLiteral("lBszam"), m_fields[Number]);
    m_closed = true;
    emit closeRequested();
}

bool DeliveryComposer::storeNew()
{
    Query q(m_context.data.connection(), QStringLiteral("noteHeader"));
    const QString insertMessage = QStringLiteral("Hiba: Újban, INSERT-append a Szállító fejben ");
    const QString sequenceMessage = QStringLiteral("Hiba: Új UPDATE Sorszam -ba ");
    bool refused = false;
    StepChain chain(q);
    const bool stored = chain.run([&] {
        chain.begin(kOuterMessage);
        // The sequence row stays locked until the commit, and a number that already has a
        // header is never stored a second time.
        chain.step(sequenceMessage, [&] { lockSequence(q, kDeliverySequence); });
        chain.step(insertMessage, [&] {
            q.setSql({QStringLiteral("SELECT count(*) AS db FROM SzlevFej WHERE lBszam = :p1")});
            q.setText(QStringLiteral("p1"), m_fields[Number]);
            q.open();
            if (q.fieldInt(QStringLiteral("db")) > 0)
                chain.fail(QStringLiteral("A(z) %1 sorszámú szállítólevél már létezik, ezzel a sorszámmal nem "
                                          "tárolható! A sorszám a \"Sorszám \" lapon javítható.")
                               .arg(m_fields[Number]));
        });
        checkDocument(chain, m_context.data, guard(), refused);
        chain.step(insertMessage, [&] {
            prepareHeader(q, true);
            q.execute();
        });
        chain.step(sequenceMessage, [&] { storeDocumentNumber(q, kDeliverySequence, m_fields[Number]); });
        chain.commit(insertMessage);
    });
    return storeEnded(chain, stored, refused);
}

// After a store's chain: a note no longer this screen's ends the screen, a failure is told (the
// chain rolled back before the box waits), a stored note's number is what the register re-finds.
bool DeliveryComposer::storeEnded(const StepChain& chain, bool stored, bool refused)
{
    if (refused) {
        end(chain.failure().message);
        return false;
    }
    if (!stored) {
        tell(m_context.ui, chain.failure(), kOuterMessage);
        return false;
    }
    m_context.state.deliveryNumber = m_fields[Number];
    return true;
}

bool DeliveryComposer::storeModified()
{
    Query q(m_context.data.connection(), QStringLiteral("noteHeader"));
    const QString replaceMessage = QStringLiteral("Hiba: Újban, REPLACE-edit a Szállító fejben ");
    bool refused = false;
    StepChain chain(q);
    const bool stored = chain.run([&] {
        chain.begin(kOuterMessage);
        checkDocument(chain, m_context.data, guard(), refused);
        chain.step(replaceMessage, [&] {
            prepareHeader(q, false);
            q.execute();
        });
        chain.commit(replaceMessage);
    });
    return storeEnded(chain, stored, refused);
}

} // namespace orvena
