#include "bankstatements.h"

#include "db/codepages.h"
#include "db/connection.h"
#include "db/errors.h"
#include "db/money.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/stepchain.h"
#include "invoice/correction.h"
#include "invoice/payments.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <map>

#include <optional>

namespace orvena::bank {

namespace {

const QString kStatement = QStringLiteral("bankkivonat");
const QString kEntry = QStringLiteral("bankkivonattetel");

// A text as a column can hold it: the characters the database's code page lacks left out,
// cut to the column's width.
QString fit(const QString& table, const QString& column, const QString& text)
{
    const QString kept = encodable(CodePage::Latin2, text.trimmed());
    const int width = textWidth(table, column);
    return width > 0 ? kept.left(width) : kept;
}

QString moneyText(qint64 filler)
{
    return Money::fromFiller(filler).text();
}

// A date as a row gives it: the server's form or the program's ("2026.03.02").
QDate storedDate(const QString& text)
{
    const QString day = text.left(10);
    const QDate iso = QDate::fromString(day, Qt::ISODate);
    return iso.isValid() ? iso : QDate::fromString(day, QStringLiteral("yyyy.MM.dd"));
}

QString sqlDate(const QDate& date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

void setDate(Query& q, const QString& name, const QDate& date)
{
    if (date.isValid())
        q.setText(name, sqlDate(date));
    else
        q.setNull(name);
}

// "Ft", "HUF" and nothing are all forints.
QString currencyKey(const QString& currency)
{
    const QString c = currency.trimmed().toUpper();
    return c.isEmpty() || c == u"FT" ? QStringLiteral("HUF") : c;
}

// A name as compared: small letters and digits, without company forms.
QString nameKey(const QString& name)
{
    QString n = name.toLower();
    static const QRegularExpression separators(QStringLiteral("[^\\w]+"), QRegularExpression::UseUnicodePropertiesOption);
    n.replace(separators, QStringLiteral(" "));
    static const QSet<QString> forms{QStringLiteral("kft"), QStringLiteral("bt"),    QStringLiteral("zrt"),
                                     QStringLiteral("nyrt"), QStringLiteral("rt"),   QStringLiteral("kkt"),
                                     QStringLiteral("ev"),  QStringLiteral("e"),     QStringLiteral("v"),
                                     QStringLiteral("kht"), QStringLiteral("nonprofit")};
    QStringList words;
    for (const QString& w : n.split(u' ', Qt::SkipEmptyParts))
        if (!forms.contains(w))
            words << w;
    return words.join(u' ');
}

bool namesMatch(const QString& counterparty, const QString& customer)
{
    const QString a = nameKey(counterparty);
    const QString b = nameKey(customer);
    if (a.size() < 4 || b.size() < 4)
        return false;
    return a == b || a.startsWith(b + u' ') || b.startsWith(a + u' ') || a.contains(u' ' + b) || b.contains(u' ' + a);
}

// The statement's row id: found when an earlier import stored it, otherwise new.
qint64 storeStatementRow(Query& q, const Statement& s, const QString& account, const QString& issuer,
                         const QString& format, const QString& fileName)
{
    q.setSql({QStringLiteral("INSERT INTO bankkivonat (kbSzamla, kbAzonosito, kbzKod, kbPnem, kbNyito, kbZaro, "
                             "kbNyitoNap, kbZaroNap, kbFormatum, kbFajl, kbBetoltve, kbBetoltotte) VALUES (:p0, :p1, "
                             ":p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9, NOW(), SUBSTRING_INDEX(USER(), '@', 1)) "
                             "ON DUPLICATE KEY UPDATE kbID = LAST_INSERT_ID(kbID)")});
    q.setText(QStringLiteral("p0"), fit(kStatement, QStringLiteral("kbSzamla"), account));
    q.setText(QStringLiteral("p1"), fit(kStatement, QStringLiteral("kbAzonosito"), s.id));
    q.setText(QStringLiteral("p2"), issuer);
    q.setText(QStringLiteral("p3"), fit(kStatement, QStringLiteral("kbPnem"), s.currency));
    q.setFloat(QStringLiteral("p4"), moneyText(s.opening));
    q.setFloat(QStringLiteral("p5"), moneyText(s.closing));
    setDate(q, QStringLiteral("p6"), s.openingDate);
    setDate(q, QStringLiteral("p7"), s.closingDate);
    q.setText(QStringLiteral("p8"), format);
    q.setText(QStringLiteral("p9"), fit(kStatement, QStringLiteral("kbFajl"), fileName));
    q.execute();
    return static_cast<qint64>(q.lastInsertId());
}

// The keys of a statement's entries: the bank's reference, or the entry's place for an entry
// without one; a reference the bank gave twice gets the number of its occurrence.
QStringList entryKeys(const Statement& s)
{
    QStringList keys;
    QHash<QString, int> seen;
    for (size_t i = 0; i < s.entries.size(); ++i) {
        QString key = s.entries[i].bankReference.trimmed();
        if (key.isEmpty())
            key = QStringLiteral("#%1").arg(i + 1);
        const int n = ++seen[key];
        if (n > 1)
            key += QStringLiteral("#%1").arg(n);
        keys << key.left(textWidth(kEntry, QStringLiteral("ktBankRef")));
    }
    return keys;
}

} // namespace

QString amountText(qint64 filler, const QString& currency)
{
    return Money::fromFiller(filler).groupedText() + u' ' + currency;
}

QStringList issuersOfAccount(Connection& connection, const QString& account)
{
    const QString key = accountKey(account);
    QStringList codes;
    if (key.isEmpty())
        return codes;
    const auto rows = connection.select("SELECT zKod, zIBAN, zBankszla, zBankszla2 FROM szallito ORDER BY zID");
    for (int r = 0; r < rows->rowCount(); ++r)
        for (int c = 1; c <= 3; ++c)
            if (accountKey(rows->text(r, c)) == key) {
                if (!codes.contains(rows->text(r, 0)))
                    codes << rows->text(r, 0);
                break;
            }
    return codes;
}

namespace {

// The issuer of each statement's account, settled before anything is written: the one issuer
// with that account, or the one the operator chooses (among all when none has it). Nothing when
// a statement has none; `refusal` says why.
std::optional<std::vector<QString>> statementIssuers(Connection& connection, const StatementFile& file,
                                                     const IssuerChooser& chooseIssuer, QString& refusal)
{
    std::vector<QString> issuers;
    for (const Statement& s : file.statements) {
        QStringList owners = issuersOfAccount(connection, s.account);
        QString issuer = owners.size() == 1 ? owners.front() : QString();
        if (issuer.isEmpty()) {
            if (owners.isEmpty()) {
                const auto rows = connection.select("SELECT zKod FROM szallito ORDER BY zID");
                for (int r = 0; r < rows->rowCount(); ++r)
                    owners << rows->text(r, 0);
            }
            if (chooseIssuer)
                issuer = chooseIssuer(s.account, owners).trimmed();
            if (issuer.isEmpty()) {
                refusal = QStringLiteral("A kivonat számlaszáma (%1) egyik kibocsátó (szállító) számlaszámával sem "
                                         "egyezik, és nem lett kibocsátó választva. Semmi sem lett tárolva.")
                              .arg(s.account);
                return std::nullopt;
            }
        }
        issuers.push_back(issuer);
    }
    return issuers;
}

// One part of an entry, stored unless the statement's entry was stored before (its bank
// reference and part are the key). True when it was new.
bool storeEntryPart(Query& q, qint64 statementId, const QString& key, qint64 part, const Statement& s,
                    const StatementEntry& e, const StatementPart& p)
{
    q.setSql({QStringLiteral("INSERT INTO bankkivonattetel (ktKivonat, ktBankRef, ktResz, ktIrany, ktStorno, "
                             "ktOsszeg, ktTetelOsszeg, ktPnem, ktKonyvNap, ktErtekNap, ktPartner, "
                             "ktPartnerSzla, ktKozlemeny, ktHivatkozas, ktVegponti) VALUES (:p0, :p1, :p2, "
                             ":p3, :p4, :p5, :p6, :p7, :p8, :p9, :p10, :p11, :p12, :p13, :p14) "
                             "ON DUPLICATE KEY UPDATE ktID = ktID")});
    q.setInteger(QStringLiteral("p0"), statementId);
    q.setText(QStringLiteral("p1"), key);
    q.setInteger(QStringLiteral("p2"), part);
    q.setText(QStringLiteral("p3"), e.credit ? QStringLiteral("C") : QStringLiteral("D"));
    q.setText(QStringLiteral("p4"), e.reversal ? QStringLiteral("I") : QString());
    q.setFloat(QStringLiteral("p5"), moneyText(p.amount));
    q.setFloat(QStringLiteral("p6"), moneyText(e.amount));
    q.setText(QStringLiteral("p7"), fit(kEntry, QStringLiteral("ktPnem"), e.currency.isEmpty() ? s.currency : e.currency));
    setDate(q, QStringLiteral("p8"), e.bookingDate);
    setDate(q, QStringLiteral("p9"), e.valueDate);
    q.setText(QStringLiteral("p10"), fit(kEntry, QStringLiteral("ktPartner"), p.name));
    q.setText(QStringLiteral("p11"), fit(kEntry, QStringLiteral("ktPartnerSzla"), p.account));
    q.setText(QStringLiteral("p12"), fit(kEntry, QStringLiteral("ktKozlemeny"), p.remittance));
    q.setText(QStringLiteral("p13"), fit(kEntry, QStringLiteral("ktHivatkozas"), p.reference));
    q.setText(QStringLiteral("p14"), fit(kEntry, QStringLiteral("ktVegponti"), p.endToEndId));
    q.execute();
    return q.affectedRows() == 1;
}

QString importMessage(const ImportResult& result)
{
    if (result.stored == 0)
        return QStringLiteral("Ez a kivonat már be van olvasva: mind a(z) %1 tétele korábban tárolva lett, új "
                              "tétel nincs, semmi sem lett könyvelve.")
            .arg(result.alreadyStored);
    if (result.alreadyStored > 0)
        return QStringLiteral("Beolvasva: %1 új tétel; %2 tétel már korábban tárolva volt (ezek kimaradtak).")
            .arg(result.stored)
            .arg(result.alreadyStored);
    return QStringLiteral("Beolvasva: %1 kivonat, %2 új tétel.").arg(result.statements).arg(result.stored);
}

} // namespace

ImportResult importStatement(Connection& connection, const QByteArray& bytes, const QString& fileName,
                             const IssuerChooser& chooseIssuer, const Progress& progress)
{
    ImportResult result;
    const StatementFile file = readStatementFile(bytes);
    if (!file.ok()) {
        result.message = file.error;
        return result;
    }
    const auto issuers = statementIssuers(connection, file, chooseIssuer, result.message);
    if (!issuers)
        return result;

    int total = 0;
    for (const Statement& s : file.statements)
        for (const StatementEntry& e : s.entries)
            total += static_cast<int>(e.parts.size());
    Query q(connection, QStringLiteral("bankstatement"));
    StepChain chain(q);
    ImportResult counted;
    try {
        chain.run([&] {
            chain.begin();
            int done = 0;
            for (size_t si = 0; si < file.statements.size(); ++si) {
                const Statement& s = file.statements[si];
                const qint64 statementId =
                    storeStatementRow(q, s, accountKey(s.account), (*issuers)[si], file.format, fileName);
                const QStringList keys = entryKeys(s);
                for (size_t ei = 0; ei < s.entries.size(); ++ei) {
                    const StatementEntry& e = s.entries[ei];
                    for (size_t pi = 0; pi < e.parts.size(); ++pi) {
                        if (storeEntryPart(q, statementId, keys[static_cast<qsizetype>(ei)], static_cast<qint64>(pi), s,
                                           e, e.parts[pi])) {
                            ++counted.stored;
                            counted.newEntries.push_back(static_cast<qint64>(q.lastInsertId()));
                        } else {
                            ++counted.alreadyStored;
                        }
                        if (progress && (++done % 200 == 0 || done == total))
                            progress(done, total);
                    }
                }
            }
            chain.commit();
        });
    } catch (const Error& e) {
        result.message = QStringLiteral("A kivonat tárolása nem sikerült, semmi sem lett tárolva: %1").arg(e.text());
        return result;
    }
    result = counted;
    result.ok = true;
    result.statements = static_cast<int>(file.statements.size());
    result.message = importMessage(result);
    return result;
}

namespace {

const QString kEntryColumns = QStringLiteral(
    "SELECT t.ktID, k.kbAzonosito, t.ktBankRef, t.ktIrany, t.ktStorno, t.ktAllapot, t.ktOsszeg, t.ktPnem, t.ktKonyvNap, "
    "t.ktErtekNap, t.ktPartner, t.ktPartnerSzla, t.ktKozlemeny, t.ktHivatkozas, t.ktVegponti FROM bankkivonattetel t "
    "JOIN bankkivonat k ON k.kbID = t.ktKivonat ");

EntryRow entryAt(const Query& q, int r)
{
    EntryRow e;
    e.id = q.integer(r, 0);
    e.statement = q.text(r, 1);
    e.bankReference = q.text(r, 2);
    e.credit = q.text(r, 3) == u"C";
    e.reversal = q.text(r, 4) == u"I";
    e.booked = q.text(r, 5) == u"K";
    e.amount = q.money(r, 6).filler();
    e.currency = q.text(r, 7);
    e.bookingDate = storedDate(q.text(r, 8));
    e.valueDate = storedDate(q.text(r, 9));
    e.name = q.text(r, 10);
    e.account = q.text(r, 11);
    e.remittance = (q.text(r, 12) + u' ' + q.text(r, 13) + u' ' + q.text(r, 14)).trimmed();
    return e;
}

} // namespace

EntryRow loadEntry(Connection& connection, qint64 id)
{
    Query q(connection, QStringLiteral("bankentry"));
    q.setSql({kEntryColumns + QStringLiteral("WHERE t.ktID = :p0")});
    q.setInteger(QStringLiteral("p0"), id);
    q.open();
    return q.isEmpty() ? EntryRow() : entryAt(q, 0);
}

std::vector<EntryRow> loadEntries(Connection& connection, bool withBooked, int limit)
{
    Query q(connection, QStringLiteral("bankentry"));
    // Open credits first (what is to be decided), then the other open entries, booked ones last.
    q.setSql({kEntryColumns + (withBooked ? QString() : QStringLiteral("WHERE t.ktAllapot = '' "))
              + QStringLiteral("ORDER BY (t.ktAllapot = 'K'), (t.ktIrany = 'C' AND t.ktStorno = '') DESC, t.ktErtekNap, "
                               "t.ktID LIMIT %1")
                    .arg(limit)});
    q.open();
    std::vector<EntryRow> rows;
    for (int r = 0; r < q.rowCount(); ++r)
        rows.push_back(entryAt(q, r));
    return rows;
}

MatchingData loadMatchingData(Connection& connection)
{
    MatchingData data;
    // Corrections are paid on their originals, so they are never offered.
    const auto rows = connection.select(
        "SELECT e.eBszam, e.eVevo, IFNULL(v.vNeve, ''), e.ePnem, e.eHatralek, e.eHatarido, IFNULL(v.vIBAN, ''), "
        "IFNULL(v.vBankszla, '') FROM szlaegyenleg e LEFT JOIN vevo v ON v.vID = (SELECT MIN(v2.vID) FROM vevo v2 "
        "WHERE v2.vKod = e.eVevo) WHERE e.eKiallitva = 1 AND e.eHatralek > 0 AND NOT EXISTS (SELECT 1 FROM "
        "szlahivatkozas h WHERE h.hBszam = e.eBszam AND h.hMuvelet <> 'STORNO') ORDER BY e.eHatarido, e.eBszam");
    for (int r = 0; r < rows->rowCount(); ++r) {
        OpenInvoice i;
        i.number = rows->text(r, 0).trimmed();
        i.customer = rows->text(r, 1).trimmed();
        i.customerName = rows->text(r, 2).trimmed();
        i.currency = rows->text(r, 3).trimmed();
        i.balance = rows->money(r, 4).filler();
        i.due = storedDate(rows->text(r, 5));
        for (int c : {6, 7})
            if (const QString key = accountKey(rows->text(r, c)); !key.isEmpty()
                && !data.customerAccounts.contains(i.customer, key))
                data.customerAccounts.insert(i.customer, key);
        data.open.push_back(i);
    }
    // The accounts earlier statement payments came from, per customer.
    const auto paid = connection.select(
        "SELECT DISTINCT f.fvKod, t.ktPartnerSzla FROM bankkivonatfizetes k JOIN bankkivonattetel t ON t.ktID = "
        "k.kfTetel JOIN szlafej f ON f.fBszam = k.kfBszam WHERE k.kfVisszavonva IS NULL AND t.ktPartnerSzla <> ''");
    for (int r = 0; r < paid->rowCount(); ++r)
        if (const QString key = accountKey(paid->text(r, 1)); !key.isEmpty()
            && !data.customerAccounts.contains(paid->text(r, 0).trimmed(), key))
            data.customerAccounts.insert(paid->text(r, 0).trimmed(), key);
    return data;
}

QStringList invoiceNumbersIn(const QString& text, const std::vector<OpenInvoice>& open)
{
    QSet<QString> numbers;
    for (const OpenInvoice& i : open)
        numbers.insert(i.number);
    QStringList found;
    // A number stands alone: not part of a longer run of digits (an account or an amount).
    static const QRegularExpression digits(QStringLiteral("(?<!\\d)\\d{1,9}(?!\\d)"));
    for (auto it = digits.globalMatch(text); it.hasNext();) {
        const QString n = it.next().captured();
        if (numbers.contains(n) && !found.contains(n))
            found << n;
    }
    return found;
}

namespace {

// The suggestions for one credit entry, among the open invoices in its currency: by the invoice
// numbers in its remittance, by an equal balance, and by a known payer's oldest invoices.
class Matcher {
public:
    Matcher(const EntryRow& entry, const MatchingData& data) : m_entry(entry), m_data(data)
    {
        const QString currency = currencyKey(entry.currency);
        for (const OpenInvoice& i : data.open)
            if (currencyKey(i.currency) == currency) {
                m_open.push_back(&i);
                m_byNumber.insert(i.number, &i);
            }
        m_account = accountKey(entry.account);
    }

    std::vector<Suggestion> suggestions()
    {
        byInvoiceNumbers();
        byBalance();
        byCustomer();
        std::stable_sort(m_out.begin(), m_out.end(),
                         [](const Suggestion& a, const Suggestion& b) { return a.score > b.score; });
        return m_out;
    }

private:
    bool knownAccount(const OpenInvoice& i) const
    {
        return !m_account.isEmpty() && m_data.customerAccounts.contains(i.customer, m_account);
    }
    int bonus(const OpenInvoice& i, QStringList& why) const
    {
        int b = 0;
        if (knownAccount(i)) {
            b += 20;
            why << QStringLiteral("ismert számláról");
        }
        if (namesMatch(m_entry.name, i.customerName)) {
            b += 10;
            why << QStringLiteral("a vevő neve");
        }
        return b;
    }
    // The same allocations suggested twice keep the better reason.
    void add(Suggestion s)
    {
        for (Suggestion& o : m_out)
            if (o.allocations == s.allocations) {
                if (s.score > o.score)
                    o = s;
                return;
            }
        m_out.push_back(std::move(s));
    }
    // Open invoices of one customer, oldest due first, taking the amount until it is used up.
    std::vector<Allocation> oldestFirst(const QString& customer) const
    {
        std::vector<Allocation> a;
        qint64 left = m_entry.amount;
        for (const OpenInvoice* i : m_open)
            if (i->customer == customer && left > 0) {
                const qint64 take = std::min(left, i->balance);
                a.push_back({i->number, take});
                left -= take;
            }
        return a;
    }

    // 1. Invoice numbers in the remittance: the amount shared among them in their order.
    void byInvoiceNumbers()
    {
        QStringList named;
        for (const QString& n : invoiceNumbersIn(m_entry.remittance, m_data.open))
            if (m_byNumber.contains(n))
                named << n;
        if (named.isEmpty())
            return;
        Suggestion s;
        qint64 left = m_entry.amount;
        qint64 owed = 0;
        QStringList why;
        for (const QString& n : named) {
            const OpenInvoice* i = m_byNumber.value(n);
            owed += i->balance;
            if (left <= 0)
                continue;
            const qint64 take = std::min(left, i->balance);
            s.allocations.push_back({n, take});
            left -= take;
        }
        s.exact = owed == m_entry.amount;
        if (s.exact) {
            s.score = 100;
            why << (named.size() == 1 ? QStringLiteral("számlaszám és összeg egyezik")
                                      : QStringLiteral("%1 számla száma és együttes összege egyezik").arg(named.size()));
        } else if (owed > m_entry.amount) {
            s.score = 80;
            why << QStringLiteral("számlaszám a közleményben; részfizetés");
        } else {
            s.score = 70;
            why << QStringLiteral("számlaszám a közleményben; %1 marad felosztatlanul").arg(amountText(left, m_entry.currency));
        }
        s.score += bonus(*m_byNumber.value(named.front()), why);
        s.reason = why.join(QStringLiteral(", "));
        add(s);
    }

    // 2. The amount equals an open balance.
    void byBalance()
    {
        for (const OpenInvoice* i : m_open)
            if (i->balance == m_entry.amount) {
                QStringList why{QStringLiteral("az összeg egyezik a hátralékkal")};
                Suggestion s;
                s.allocations = {{i->number, m_entry.amount}};
                s.score = 50 + bonus(*i, why);
                s.reason = why.join(QStringLiteral(", "));
                add(s);
            }
    }

    // 3. The counterparty's account or name is a customer's: its oldest open invoices.
    void byCustomer()
    {
        QSet<QString> customers;
        for (const OpenInvoice* i : m_open)
            customers.insert(i->customer);
        for (const QString& customer : customers) {
            const OpenInvoice* first = nullptr;
            for (const OpenInvoice* i : m_open)
                if (i->customer == customer) {
                    first = i;
                    break;
                }
            const bool byAccount = knownAccount(*first);
            const bool byName = namesMatch(m_entry.name, first->customerName);
            if (!byAccount && !byName)
                continue;
            Suggestion s;
            s.allocations = oldestFirst(customer);
            s.score = byAccount ? 30 : 20;
            QStringList why{byAccount ? QStringLiteral("ismert számláról fizetett vevő legrégebbi számlái")
                                      : QStringLiteral("a vevő neve; legrégebbi számlái")};
            if (byAccount && byName) {
                s.score += 10;
                why << QStringLiteral("a vevő neve");
            }
            s.reason = why.join(QStringLiteral(", "));
            add(s);
        }
    }

    const EntryRow& m_entry;
    const MatchingData& m_data;
    std::vector<const OpenInvoice*> m_open;
    QHash<QString, const OpenInvoice*> m_byNumber;
    QString m_account;
    std::vector<Suggestion> m_out;
};

} // namespace

std::vector<Suggestion> suggestMatches(const EntryRow& entry, const MatchingData& data)
{
    if (!entry.credit || entry.reversal || entry.booked || entry.amount <= 0)
        return {};
    return Matcher(entry, data).suggestions();
}

QString bookEntry(Connection& connection, qint64 entryId, const std::vector<Allocation>& allocations)
{
    if (allocations.empty())
        return QStringLiteral("Nincs kiválasztva számla, amelyre a jóváírás könyvelhető.");
    Query q(connection, QStringLiteral("bankbooking"));
    StepChain chain(q);
    chain.run([&] {
        chain.begin(QStringLiteral("A könyvelés nem kezdhető el."));
        // The entry first, locked: a second workstation booking it waits here and then finds it booked.
        EntryRow e;
        QString note;
        chain.step(QStringLiteral("A kivonat tétele nem olvasható."), [&] {
            q.setSql({QStringLiteral("SELECT t.ktIrany, t.ktStorno, t.ktAllapot, t.ktOsszeg, t.ktPnem, t.ktErtekNap, "
                                     "t.ktKonyvNap, t.ktBankRef, k.kbAzonosito FROM bankkivonattetel t JOIN bankkivonat k ON "
                                     "k.kbID = t.ktKivonat WHERE t.ktID = :p0 FOR UPDATE")});
            q.setInteger(QStringLiteral("p0"), entryId);
            q.open();
        });
        if (q.isEmpty())
            chain.fail(QStringLiteral("A kivonat tétele nem található."));
        if (q.fieldText(QStringLiteral("ktAllapot")) == u"K")
            chain.fail(QStringLiteral("Ezt a tételt időközben már lekönyvelték (akár egy másik munkaállomáson); újra nem "
                                      "könyvelhető."));
        if (q.fieldText(QStringLiteral("ktIrany")) != u"C" || q.fieldText(QStringLiteral("ktStorno")) == u"I")
            chain.fail(QStringLiteral("Csak jóváírás könyvelhető számla fizetéseként (terhelés és sztornó nem)."));
        e.amount = q.fieldMoney(QStringLiteral("ktOsszeg")).filler();
        e.currency = q.fieldText(QStringLiteral("ktPnem"));
        QDate date = storedDate(q.fieldText(QStringLiteral("ktErtekNap")));
        if (!date.isValid())
            date = storedDate(q.fieldText(QStringLiteral("ktKonyvNap")));
        if (!date.isValid())
            date = QDate::currentDate();
        note = QStringLiteral("Bankkivonat %1, %2").arg(q.fieldText(QStringLiteral("kbAzonosito")),
                                                         q.fieldText(QStringLiteral("ktBankRef")));
        qint64 sum = 0;
        for (const Allocation& a : allocations) {
            if (a.amount <= 0)
                chain.fail(QStringLiteral("A(z) %1 számlára jutó összeg nem lehet nulla vagy negatív.").arg(a.invoice));
            sum += a.amount;
        }
        if (sum > e.amount)
            chain.fail(QStringLiteral("A felosztott összeg (%1) több, mint a jóváírás (%2).")
                           .arg(amountText(sum, e.currency), amountText(e.amount, e.currency)));
        for (const Allocation& a : allocations) {
            QString currency;
            chain.step(QStringLiteral("A számla nem olvasható."), [&] {
                q.setSql({QStringLiteral("SELECT fPnem FROM szlafej WHERE fBszam = :p0")});
                q.setText(QStringLiteral("p0"), a.invoice);
                q.open();
                currency = q.fieldText(QStringLiteral("fPnem")).trimmed();
            });
            if (q.isEmpty())
                chain.fail(QStringLiteral("A(z) %1 számú számla nem található.").arg(a.invoice));
            if (currencyKey(currency) != currencyKey(e.currency))
                chain.fail(QStringLiteral("A(z) %1 számú számla pénzneme (%2) nem a jóváírásé (%3).")
                               .arg(a.invoice, currency.isEmpty() ? QStringLiteral("Ft") : currency, e.currency));
            if (const QString original = correctedInvoice(connection, a.invoice); !original.isEmpty())
                chain.fail(QStringLiteral("A(z) %1 számú számla a(z) %2 számú számla helyesbítése: a fizetés az eredeti "
                                          "számlára könyvelendő.")
                               .arg(a.invoice, original));
            const qint64 payment = bookPayment(chain, q, a.invoice, currency.isEmpty() ? QStringLiteral("Ft") : currency,
                                               date, Money::fromFiller(a.amount), QStringLiteral("átutalás"),
                                               fit(QStringLiteral("szlafizetes"), QStringLiteral("pMegj"), note));
            chain.step(QStringLiteral("A fizetés és a kivonat tételének összekapcsolása nem sikerült."), [&] {
                q.setSql({QStringLiteral("INSERT INTO bankkivonatfizetes (kfTetel, kfFizetes, kfBszam, kfOsszeg) VALUES "
                                         "(:p0, :p1, :p2, :p3)")});
                q.setInteger(QStringLiteral("p0"), entryId);
                q.setInteger(QStringLiteral("p1"), payment);
                q.setText(QStringLiteral("p2"), a.invoice);
                q.setFloat(QStringLiteral("p3"), moneyText(a.amount));
                q.execute();
            });
        }
        chain.step(QStringLiteral("A kivonat tételének könyvelt jelölése nem sikerült."), [&] {
            q.setSql({QStringLiteral("UPDATE bankkivonattetel SET ktAllapot = 'K', ktRendezve = NOW(), ktRendezte = "
                                     "SUBSTRING_INDEX(USER(), '@', 1) WHERE ktID = :p0")});
            q.setInteger(QStringLiteral("p0"), entryId);
            q.execute();
        });
        chain.commit(QStringLiteral("A könyvelés nem sikerült."));
    });
    return chain.failure().message;
}

QString undoEntry(Connection& connection, qint64 entryId)
{
    Query q(connection, QStringLiteral("bankbooking"));
    StepChain chain(q);
    chain.run([&] {
        chain.begin(QStringLiteral("A visszavonás nem kezdhető el."));
        chain.step(QStringLiteral("A kivonat tétele nem olvasható."), [&] {
            q.setSql({QStringLiteral("SELECT ktAllapot FROM bankkivonattetel WHERE ktID = :p0 FOR UPDATE")});
            q.setInteger(QStringLiteral("p0"), entryId);
            q.open();
        });
        if (q.isEmpty() || q.fieldText(QStringLiteral("ktAllapot")) != u"K")
            chain.fail(QStringLiteral("Ez a tétel nincs lekönyvelve (vagy időközben visszavonták)."));
        std::vector<std::pair<qint64, QString>> payments;
        chain.step(QStringLiteral("A tétel fizetései nem olvashatók."), [&] {
            q.setSql({QStringLiteral("SELECT k.kfFizetes, k.kfBszam, p.pTorolve FROM bankkivonatfizetes k JOIN szlafizetes p "
                                     "ON p.pID = k.kfFizetes WHERE k.kfTetel = :p0 AND k.kfVisszavonva IS NULL ORDER BY "
                                     "k.kfID")});
            q.setInteger(QStringLiteral("p0"), entryId);
            q.open();
            for (int r = 0; r < q.rowCount(); ++r)
                if (q.text(r, 2).isEmpty()) // one deleted by hand on "Fizetés" stays as it is
                    payments.emplace_back(q.integer(r, 0), q.text(r, 1));
        });
        for (const auto& [id, number] : payments)
            markPaymentDeleted(chain, q, number, id);
        chain.step(QStringLiteral("A visszavonás nem sikerült."), [&] {
            q.setSql({QStringLiteral("UPDATE bankkivonatfizetes SET kfVisszavonva = NOW() WHERE kfTetel = :p0 AND "
                                     "kfVisszavonva IS NULL")});
            q.setInteger(QStringLiteral("p0"), entryId);
            q.execute();
            q.setSql({QStringLiteral("UPDATE bankkivonattetel SET ktAllapot = '', ktRendezve = NULL, ktRendezte = NULL "
                                     "WHERE ktID = :p0")});
            q.setInteger(QStringLiteral("p0"), entryId);
            q.execute();
        });
        chain.commit(QStringLiteral("A visszavonás nem sikerült."));
    });
    return chain.failure().message;
}

} // namespace orvena::bank

namespace orvena::bank {

QString entryLine(const EntryRow& e)
{
    QString kind = e.credit ? QStringLiteral("jóváírás") : QStringLiteral("terhelés");
    if (e.reversal)
        kind += QStringLiteral(" (sztornó)");
    QStringList parts{e.valueDate.toString(QStringLiteral("yyyy.MM.dd")), kind, amountText(e.amount, e.currency)};
    if (!e.name.isEmpty())
        parts << e.name;
    if (!e.remittance.isEmpty())
        parts << QStringLiteral("\"%1\"").arg(e.remittance.left(60));
    return parts.join(QStringLiteral(", "));
}

ExactBookingResult bookExactMatches(Connection& connection, const std::vector<qint64>& entries, bool book)
{
    ExactBookingResult result;
    MatchingData data = loadMatchingData(connection);
    for (qint64 id : entries) {
        const EntryRow e = loadEntry(connection, id);
        if (e.id == 0)
            continue;
        if (e.booked)
            continue;
        const std::vector<Suggestion> suggestions = suggestMatches(e, data);
        const Suggestion* exact = !suggestions.empty() && suggestions.front().exact ? &suggestions.front() : nullptr;
        if (!book || !exact) {
            QString why;
            if (!e.credit || e.reversal)
                why = QStringLiteral("nem befizetés");
            else if (suggestions.empty())
                why = QStringLiteral("nincs hozzá illő számla");
            else if (exact)
                why = QStringLiteral("javasolt: %1").arg(suggestions.front().reason);
            else
                why = QStringLiteral("nincs pontos egyezés; legjobb javaslat: %1 (%2)")
                          .arg(suggestions.front().allocations.front().invoice, suggestions.front().reason);
            result.left << QStringLiteral("%1 - %2").arg(entryLine(e), why);
            continue;
        }
        const QString refusal = bookEntry(connection, id, exact->allocations);
        if (!refusal.isEmpty()) {
            result.failed << QStringLiteral("%1 - %2").arg(entryLine(e), refusal);
            continue;
        }
        QStringList paid;
        for (const Allocation& a : exact->allocations) {
            paid << QStringLiteral("%1 (%2)").arg(a.invoice, amountText(a.amount, e.currency));
            // What this run booked is no longer open for the next entries.
            for (auto it = data.open.begin(); it != data.open.end(); ++it)
                if (it->number == a.invoice) {
                    it->balance -= a.amount;
                    if (it->balance <= 0)
                        data.open.erase(it);
                    break;
                }
        }
        result.booked << QStringLiteral("%1 -> %2").arg(entryLine(e), paid.join(QStringLiteral(", ")));
    }
    return result;
}

} // namespace orvena::bank
