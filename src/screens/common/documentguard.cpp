#include "documentguard.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "dispatcher.h"

namespace orvena {

namespace {

struct Names {
    const char* header;  // the header table
    const char* number;  // its number column
    const char* printed; // its printed flag
    const char16_t* noun;       // "számla"
    const char16_t* accusative; // "számlát"
};

Names namesOf(DocumentGuard::Kind kind)
{
    if (kind == DocumentGuard::Kind::Invoice)
        return {"SzlaFej", "fBszam", "fPrn", u"számla", u"számlát"};
    if (kind == DocumentGuard::Kind::Proforma)
        return {"dijbfej", "fBszam", "fPrn", u"díjbekérő", u"díjbekérőt"};
    return {"SzlevFej", "lBszam", "lPrn", u"szállítólevél", u"szállítólevelet"};
}

} // namespace

QString lockLostReason(const DocumentGuard& guard)
{
    return QStringLiteral("A(z) %1 számú %2 zárolása megszűnt (megszakadt a kapcsolat az adatbázissal), és "
                          "közben egy másik munkaállomás dolgozik rajta. Ez a képernyő nem írhat bele, ezért "
                          "bezárul.")
        .arg(guard.number, QString::fromUtf16(namesOf(guard.kind).noun));
}

bool lockLost(DataModule& data, const DocumentGuard& guard)
{
    return !guard.lock.isEmpty() && data.connection().lostLock(guard.lock);
}

QString documentProblem(DataModule& data, const DocumentGuard& guard)
{
    const Names n = namesOf(guard.kind);
    const QString noun = QString::fromUtf16(n.noun);
    if (!guard.lock.isEmpty() && !data.connection().ownsLockOnServer(guard.lock))
        return lockLostReason(guard);
    Query q(data.connection(), QStringLiteral("documentCheck"));
    q.setSql({QStringLiteral("SELECT %1 AS nyomtatva FROM %2 WHERE %3 = :p1 FOR UPDATE")
                  .arg(QString::fromLatin1(n.printed), QString::fromLatin1(n.header), QString::fromLatin1(n.number))});
    q.setText(QStringLiteral("p1"), guard.number);
    q.open();
    if (guard.unstored) {
        if (!q.isEmpty())
            return QStringLiteral("A(z) %1 sorszámon közben egy másik munkaállomás %2 tárolt. Ez az új %3 azt "
                                  "nem módosíthatja, ezért a képernyő bezárul; kérem, kezdje újra új sorszámmal.")
                .arg(guard.number, QString::fromUtf16(n.accusative), noun);
        return {};
    }
    if (guard.kind == DocumentGuard::Kind::Proforma) {
        // Converted meanwhile (by another workstation): the invoice it became says what it holds.
        Query converted(data.connection(), QStringLiteral("proformaConverted"));
        converted.setSql({QStringLiteral("SELECT dsSzamla FROM dijbszamla WHERE dsBszam = :p1 LOCK IN SHARE MODE")});
        converted.setText(QStringLiteral("p1"), guard.number);
        converted.open();
        if (!converted.isEmpty())
            return QStringLiteral("A(z) D%1 díjbekérőből közben számla készült (a(z) %2 számú), ezért már nem "
                                  "módosítható. A képernyő bezárul.")
                .arg(guard.number, converted.fieldText(QStringLiteral("dsSzamla")));
        return {};
    }
    if (!q.isEmpty() && !guard.printedAllowed && q.fieldText(QStringLiteral("nyomtatva")).trimmed() == u"I")
        return QStringLiteral("A(z) %1 számú %2 közben nyomtatásra került, már nem módosítható. A képernyő "
                              "bezárul.")
            .arg(guard.number, noun);
    return {};
}

void checkDocument(StepChain& chain, DataModule& data, const DocumentGuard& guard, bool& refused)
{
    QString problem;
    chain.step([&] { problem = documentProblem(data, guard); });
    if (!problem.isEmpty()) {
        refused = true;
        chain.fail(problem);
    }
}

QString typedValues(std::initializer_list<std::pair<QString, QString>> fields)
{
    QStringList lines;
    for (const auto& [label, value] : fields)
        if (!isBlank(value))
            lines << QStringLiteral("%1: %2").arg(label, value.trimmed());
    if (lines.isEmpty())
        return {};
    return QStringLiteral("\nA beírt adatok:\n") + lines.join(u'\n');
}

bool endWhenNotOurs(DataModule& data, UserInterface& ui, const DocumentGuard& guard, bool askServer,
                    const std::function<void(const QString&)>& end)
{
    if (lockLost(data, guard)) {
        end(lockLostReason(guard));
        return true;
    }
    if (!askServer)
        return false;
    QString problem;
    if (!runAction(ui, [&] { problem = documentProblem(data, guard); }))
        return false;
    if (problem.isEmpty())
        return false;
    end(problem);
    return true;
}

std::unique_ptr<NamedLock> takeLineLock(DataModule& data, UserInterface& ui, const DocumentGuard& guard)
{
    if (lockLost(data, guard)) {
        ui.message(lockLostReason(guard));
        return nullptr;
    }
    std::unique_ptr<NamedLock> lock;
    bool locked = false;
    runAction(ui, [&] {
        lock = std::make_unique<NamedLock>(data.connection(), guard.lock);
        locked = lock->held();
    });
    if (locked)
        return lock;
    if (lock) // the server answered: someone else holds it
        ui.notice(QStringLiteral("A(z) %1 számú %2 egy másik munkaállomás éppen dolgozik. Kérem, próbálja újra, "
                                 "amikor ott elkészült.")
                      .arg(guard.number, guard.kind == DocumentGuard::Kind::Invoice    ? QStringLiteral("számlán")
                                         : guard.kind == DocumentGuard::Kind::Proforma ? QStringLiteral("díjbekérőn")
                                                                                       : QStringLiteral("szállítólevélen")));
    return nullptr;
}

} // namespace orvena
