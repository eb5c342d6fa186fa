#include "deliveryregister.h"

#include "screens/common/worklocks.h"

#include "deliverycommon.h"
#include "printdeliverynote.h"

#include "db/errors.h"
#include "db/stepchain.h"
#include "invoice/sequences.h"
#include "screens/common/chainfailure.h"

namespace orvena {

using namespace delivery;

namespace {

const QString kListStatement = QStringLiteral("SELECT * FROM SzlevFej ORDER BY lBszam");

} // namespace

DeliveryRegister::DeliveryRegister(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : QObject(parent), m_context(context), m_chosen(request.chosen)
{
}

void DeliveryRegister::prepare()
{
    Query& list = m_context.data.query(role::kNoteList);
    list.setSql({kListStatement});
    list.open();
    list.last();
}

void DeliveryRegister::reread()
{
    Query& list = m_context.data.query(role::kNoteList);
    list.setSql({kListStatement});
    list.open();
    list.locate(QStringLiteral("lbszam"), m_context.state.deliveryNumber);
}

void DeliveryRegister::refreshDetails()
{
    const QString number = headerField(QStringLiteral("lbszam"));
    const QString customer = headerField(QStringLiteral("lvkod"));
    const QString issuer = headerField(QStringLiteral("lzkod"));

    Query& lines = m_context.data.query(role::kNoteLines);
    lines.setSql({QStringLiteral("SELECT * FROM SzlevSor WHERE eBszam = :p0")});
    lines.setText(QStringLiteral("p0"), number);
    lines.open();

    Query& customers = m_context.data.query(role::kCustomerList);
    customers.setSql({QStringLiteral("SELECT * FROM vevo")});
    customers.open();
    m_context.state.setRememberedKey(QStringLiteral("vevo"), customer);
    customers.locate(QStringLiteral("vkod"), customer);

    Query& issuers = m_context.data.query(role::kIssuerList);
    issuers.setSql({QStringLiteral("SELECT * FROM szallito")});
    issuers.open();
    m_context.state.setRememberedKey(QStringLiteral("szallito"), issuer);
    issuers.locate(QStringLiteral("zkod"), issuer);
}

QString DeliveryRegister::headerField(const QString& column) const
{
    Query& list = m_context.data.query(role::kNoteList);
    if (!list.isOpen() || list.currentRow() < 0 || !list.hasColumn(column))
        return {};
    return list.fieldText(column);
}

void DeliveryRegister::openComposer(EditMode mode, const QString& number)
{
    // One workstation at a time composes under the next number, and one modifies a stored note.
    const auto lock = mode == EditMode::Modify
        ? worklock::take(m_context, worklock::deliveryNote(number),
                         [&number] {
                             return QStringLiteral("A(z) %1 számú szállítólevelet egy másik munkaállomás éppen "
                                                   "módosítja. Kérem, próbálja újra, amikor ott elkészült.")
                                 .arg(number);
                         })
        : worklock::take(m_context, worklock::newDeliveryNote(), [this] {
              return QStringLiteral("Egy másik munkaállomás éppen új szállítólevelet készít (a(z) %1 számút). "
                                    "Kérem, próbálja újra, amikor ott elkészült.")
                  .arg(nextDocumentNumber(m_context.data.connection(), kDeliverySequence));
          });
    if (!lock)
        return;
    // The composition screen loads a note to modify by this number; for a new note it forms
    // the next number itself. The register re-finds the note it opened when the screen closes.
    if (mode == EditMode::Modify)
        m_context.state.deliveryNumber = number;
    ScreenRequest request;
    request.mode = mode;
    request.number = number;
    m_context.opener.open(Screen::DeliveryComposer, request);
}

void DeliveryRegister::newNote()
{
    openComposer(EditMode::New, {});
}

void DeliveryRegister::modifyNote()
{
    const QString number = headerField(QStringLiteral("lBszam"));
    if (number.isEmpty())
        return; // an empty register has nothing to modify
    if (headerField(QStringLiteral("lPrn")) == u"I") {
        m_context.ui.notice(QStringLiteral("Nyomtatott Szlev. nem módositható !"));
        return;
    }
    openComposer(EditMode::Modify, number);
}

void DeliveryRegister::modifyNoteAnyway()
{
    const QString number = headerField(QStringLiteral("lBszam"));
    if (number.isEmpty())
        return;
    openComposer(EditMode::Modify, number);
}

void DeliveryRegister::choose()
{
    if (m_chosen)
        *m_chosen = headerField(QStringLiteral("lBszam"));
}

void DeliveryRegister::print(PrintMode mode)
{
    const QString number = headerField(QStringLiteral("lBszam"));
    if (number.isEmpty())
        return; // an empty register has nothing to show
    PrintDeliveryNote(m_context, number, mode);
}

void DeliveryRegister::viewNote()
{
    print(PrintMode::View);
}

void DeliveryRegister::printNote()
{
    print(PrintMode::Print);
}

void DeliveryRegister::resetTabShown()
{
    m_resetNumber = nextDocumentNumber(m_context.data.connection(), kDeliverySequence);
    emit resetNumberChanged();
}

void DeliveryRegister::storeResetNumber()
{
    if (m_resetNumber.size() != 8) {
        m_context.ui.message(QStringLiteral("Nem nyolc hosszú!"));
        emit resetFocusRequested();
        return;
    }
    Query q(m_context.data.connection(), QStringLiteral("sequence"));
    const QString message = QStringLiteral("Hiba1: Új UPDATE Sorszam -ba ");
    StepChain chain(q);
    if (!chain.run([&] {
            chain.begin(message);
            chain.step(message, [&] { storeDocumentNumber(q, kDeliverySequence, m_resetNumber); });
            chain.commit(message);
        }))
        tell(m_context.ui, chain.failure());
}

} // namespace orvena
