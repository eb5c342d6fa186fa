#include "navreconcile.h"

#include "navqueue.h"

#include "db/codepages.h"
#include "db/connection.h"
#include "db/sqlname.h"

#include <QHash>
#include <map>
#include <optional>

namespace orvena::nav {

namespace {

QByteArray literal(const Connection& c, const QString& text)
{
    return quotedLiteralBytes(c, encode(CodePage::Latin2, text));
}

// A schema decimal in one form, so "100", "100.0" and "100.00" compare equal.
QString canonicalDecimal(const QString& text)
{
    QString t = text.trimmed();
    if (t.startsWith(u'+'))
        t.remove(0, 1);
    if (t.contains(u'.')) {
        while (t.endsWith(u'0'))
            t.chop(1);
        if (t.endsWith(u'.'))
            t.chop(1);
    }
    if (t == u"-0" || t.isEmpty())
        t = QStringLiteral("0");
    return t;
}

// An amount as the operator reads it: "-1234,5".
QString shownAmount(const QString& text)
{
    return canonicalDecimal(text).replace(u'.', u',');
}

QString shownDate(const QString& iso)
{
    const QDate d = QDate::fromString(iso.trimmed(), Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("yyyy.MM.dd")) : iso.trimmed();
}

QString operationName(const QString& operation)
{
    if (operation == u"CREATE")
        return QStringLiteral("kiállítás");
    if (operation == u"STORNO")
        return QStringLiteral("stornó");
    if (operation == u"MODIFY")
        return QStringLiteral("módosítás");
    return operation;
}

struct Field {
    const char* name;
    QString ReportedFields::*member;
    enum Kind { Text, Date, Amount } kind;
};

const Field kFields[] = {
    {"művelet", &ReportedFields::operation, Field::Text},
    {"számla kelte", &ReportedFields::issueDate, Field::Date},
    {"teljesítés dátuma", &ReportedFields::deliveryDate, Field::Date},
    {"vevő adószáma", &ReportedFields::customerTaxNumber, Field::Text},
    {"pénznem", &ReportedFields::currency, Field::Text},
    {"nettó összeg", &ReportedFields::net, Field::Amount},
    {"áfa összeg", &ReportedFields::vat, Field::Amount},
    {"nettó összeg forintban", &ReportedFields::netHuf, Field::Amount},
    {"áfa összeg forintban", &ReportedFields::vatHuf, Field::Amount},
};

QString comparable(const Field& f, const QString& value)
{
    return f.kind == Field::Amount ? canonicalDecimal(value) : value.trimmed().toUpper();
}

QString shown(const Field& f, const QString& value)
{
    if (f.kind == Field::Amount)
        return shownAmount(value);
    if (f.kind == Field::Date)
        return shownDate(value);
    if (f.member == &ReportedFields::operation)
        return operationName(value);
    return value.trimmed().isEmpty() ? QStringLiteral("(nincs)") : value.trimmed();
}

// The fields on which the two differ; a field the authority's side does not state (a digest
// leaves some out) is not compared.
std::vector<const Field*> differingFields(const ReportedFields& books, const ReportedFields& authority)
{
    std::vector<const Field*> out;
    for (const Field& f : kFields) {
        const QString theirs = authority.*f.member;
        if (theirs.trimmed().isEmpty() && f.member != &ReportedFields::customerTaxNumber)
            continue;
        if (comparable(f, books.*f.member) != comparable(f, theirs))
            out.push_back(&f);
    }
    return out;
}

ReportedFields fieldsOfDigest(const InvoiceDigest& d)
{
    return {d.operation, d.issueDate, d.deliveryDate, d.customerTaxNumber, d.currency,
            d.net,       d.netHuf,    d.vat,          d.vatHuf};
}

const QString kActionDiffers = QStringLiteral(
    "Vizsgálja meg, melyik adat a helyes. Ha a könyvekben lévő, az eltérő adatot más program vagy más "
    "adatbázis küldte be: ott helyesbítse. Ha a NAV-nál lévő, a számlát stornózza vagy helyesbítse itt, "
    "és a helyesbítés adatszolgáltatása rendezi a NAV-nál lévő példányt.");

} // namespace

namespace {

bool sameTree(const XmlNode& a, const XmlNode& b)
{
    if (a.name != b.name || a.namespaceUri != b.namespaceUri || a.text != b.text || a.children.size() != b.children.size())
        return false;
    for (size_t i = 0; i < a.children.size(); ++i)
        if (!sameTree(a.children[i], b.children[i]))
            return false;
    return true;
}

} // namespace

bool sameInvoiceData(const QByteArray& a, const QByteArray& b)
{
    if (a == b)
        return true;
    const XmlNode left = parseXml(a), right = parseXml(b);
    return !left.isNull() && !right.isNull() && sameTree(left, right);
}

QStringList differingFieldTexts(const QByteArray& ours, const QByteArray& theirs)
{
    const ReportedFields a = reportedFieldsOf(ours), b = reportedFieldsOf(theirs);
    QStringList out;
    for (const Field* f : differingFields(a, b))
        out << QStringLiteral("%1: itt %2, a NAV-nál %3").arg(QString::fromUtf8(f->name), shown(*f, a.*f->member),
                                                           shown(*f, b.*f->member));
    return out;
}

ReportedFields reportedFieldsOf(const QByteArray& document)
{
    ReportedFields f;
    const XmlNode root = parseXml(document);
    if (root.isNull())
        return f;
    auto text = [&root](QStringView name) {
        const XmlNode* n = root.find(name);
        return n ? n->text : QString();
    };
    f.operation = root.find(u"invoiceReference") ? QStringLiteral("MODIFY") : QStringLiteral("CREATE");
    f.issueDate = text(u"invoiceIssueDate");
    f.deliveryDate = text(u"invoiceDeliveryDate");
    if (const XmlNode* customer = root.find(u"customerInfo"))
        if (const XmlNode* id = customer->find(u"taxpayerId"))
            f.customerTaxNumber = id->text;
    f.currency = text(u"currencyCode");
    if (const XmlNode* summary = root.find(u"invoiceSummary")) {
        auto amount = [summary](QStringView name) {
            const XmlNode* n = summary->find(name);
            return n ? n->text : QString();
        };
        f.net = amount(u"invoiceNetAmount");
        f.netHuf = amount(u"invoiceNetAmountHUF");
        f.vat = amount(u"invoiceVatAmount");
        f.vatHuf = amount(u"invoiceVatAmountHUF");
    }
    return f;
}

QString reconcileIssuer(Connection& connection, const QString& code, QString* problem)
{
    if (!code.trimmed().isEmpty()) {
        const auto rows = connection.select("SELECT zKod FROM szallito WHERE zKod = " + literal(connection, code.trimmed()));
        if (rows->rowCount() == 0) {
            *problem = QStringLiteral("Nincs „%1” kódú kibocsátó.").arg(code.trimmed());
            return {};
        }
        return rows->text(0, 0);
    }
    const auto rows = connection.select("SELECT zKod FROM szallito WHERE UPPER(zNavMod) IN ('TEST','PROD') ORDER BY zKod");
    if (rows->rowCount() == 1)
        return rows->text(0, 0);
    *problem = rows->rowCount() == 0
                   ? QStringLiteral("Egyik kibocsátónak sincs bekapcsolva a NAV adatszolgáltatás (a Kibocsátó "
                                    "„NAV” lapján TEST vagy PROD), így nincs kivel egyeztetni.")
                   : QStringLiteral("Több kibocsátó is ad adatot a NAV-nak: adja meg, melyiké legyen az "
                                    "egyeztetés (--issuer <kód>).");
    return {};
}

Books readBooks(Connection& connection, const QString& issuerCode, const QDate& from, const QDate& to)
{
    Books books;
    books.issuerCode = issuerCode;
    books.from = from;
    books.to = to;
    const auto issuer = connection.select("SELECT zNev1, zNavMod, zAdo, zNavLogin, zNavJelszo, zNavAlairo, zNavCsere "
                                          "FROM szallito WHERE zKod = "
                                          + literal(connection, issuerCode) + " ORDER BY zID LIMIT 1");
    if (issuer->rowCount() > 0) {
        books.issuerName = issuer->text(0, 0).trimmed();
        books.mode = issuer->text(0, 1).trimmed().toUpper();
        books.credentials = {issuer->text(0, 3).trimmed(), issuer->text(0, 4).trimmed(), issuer->text(0, 2),
                             issuer->text(0, 5).trimmed(), issuer->text(0, 6).trimmed()};
    }
    const auto rows = connection.select(
        "SELECT f.fBszam, n.nAllapot, n.nUzenet, n.nMuvelet, n.nXml FROM szlafej f LEFT JOIN szlanav n ON n.nBszam = "
        "f.fBszam WHERE f.fPrn = 'I' AND f.fzKod = "
        + literal(connection, issuerCode) + " AND f.fRkelt BETWEEN '" + from.toString(Qt::ISODate).toLatin1()
        + "' AND '" + to.toString(Qt::ISODate).toLatin1() + "' ORDER BY f.fBszam");
    for (int r = 0; r < rows->rowCount(); ++r) {
        BookInvoice b;
        b.number = u'K' + rows->text(r, 0).trimmed();
        b.state = rows->text(r, 1).trimmed();
        b.message = rows->text(r, 2).simplified();
        b.hasReport = !rows->isNull(r, 4);
        if (b.hasReport) {
            b.fields = reportedFieldsOf(rows->raw(r, 4));
            const QString operation = rows->text(r, 3).trimmed();
            if (!operation.isEmpty())
                b.fields.operation = operation;
        }
        books.invoices.push_back(b);
    }
    return books;
}

std::vector<std::pair<QDate, QDate>> digestSpans(const QDate& from, const QDate& to)
{
    std::vector<std::pair<QDate, QDate>> spans;
    for (QDate start = from; start.isValid() && start <= to;) {
        const QDate end = std::min(to, start.addDays(kMaxDigestDays - 1));
        spans.emplace_back(start, end);
        start = end.addDays(1);
    }
    return spans;
}

QString Reconciliation::summary() const
{
    if (!complete())
        return QStringLiteral("Az egyeztetés nem készült el: %1").arg(failure);
    if (differences.empty())
        return QStringLiteral("A NAV-nál lévő %1 számla egyezik a könyvekben lévő %2 számlával: nincs eltérés.")
            .arg(authorityCount)
            .arg(booksCount);
    return QStringLiteral("Eltérés a NAV-val: %1 tétel (a könyvekben %2, a NAV-nál %3 számla).")
        .arg(int(differences.size()))
        .arg(booksCount)
        .arg(authorityCount);
}

namespace {

// The reconciliation as it goes: the authority's list, then each invoice of the books against it.
class Reconciler {
public:
    Reconciler(const Books& books, Client& client, const std::atomic<bool>* cancel, Reconciliation& result)
        : m_books(books), m_client(client), m_cancel(cancel), m_result(result)
    {
    }

    // The authority's list, every page of every span. False (the failure set) when it cannot be read.
    bool readAuthorityList()
    {
        for (const auto& [spanFrom, spanTo] : digestSpans(m_books.from, m_books.to)) {
            for (int page = 1, pages = 1; page <= pages; ++page) {
                if (stopped())
                    return false;
                const Exchange ex = m_client.queryInvoiceDigest(spanFrom, spanTo, page);
                if (!ex.ok()) {
                    m_result.failure = QStringLiteral("a NAV számlalistája (%1–%2, %3. oldal) nem kérdezhető le: %4")
                                           .arg(spanFrom.toString(QStringLiteral("yyyy.MM.dd")),
                                                spanTo.toString(QStringLiteral("yyyy.MM.dd")))
                                           .arg(page)
                                           .arg(ex.failureText());
                    return false;
                }
                const InvoiceDigestList list = readInvoiceDigest(ex.root);
                pages = std::max(1, list.availablePage);
                for (const InvoiceDigest& d : list.invoices)
                    m_theirs.insert_or_assign(d.invoiceNumber, d);
            }
        }
        m_result.authorityCount = int(m_theirs.size());
        return true;
    }

    // Each invoice of the books against the list; what is left of the list is the authority's
    // alone. False (the failure set) when an invoice's data cannot be asked for.
    bool compare()
    {
        for (const BookInvoice& b : m_books.invoices)
            if (!compare(b))
                return false;
        for (const auto& [number, digest] : m_theirs)
            add(number, QStringLiteral("A NAV-nál van, a könyvekben nincs kiállítva"), QStringLiteral("nincs meg"),
                QStringLiteral("%1, %2, nettó %3 %4").arg(shownDate(digest.issueDate),
                                                         digest.customerName.isEmpty() ? QStringLiteral("vevő nélkül")
                                                                                       : digest.customerName,
                                                         shownAmount(digest.net), digest.currency),
                QStringLiteral("Ha más program állította ki, ott tartsa nyilván. Ha ez az adatbázis régi mentésből lett "
                               "visszaállítva, a számla itt elveszett: állítsa vissza a legfrissebb mentést, vagy "
                               "rögzítse újra a számlát ugyanezzel a számmal."));
        return true;
    }

private:
    bool stopped()
    {
        if (!m_cancel || !m_cancel->load())
            return false;
        m_result.failure = QStringLiteral("megszakítva.");
        return true;
    }
    void add(const QString& number, const QString& what, const QString& ours, const QString& authority,
             const QString& action)
    {
        m_result.differences.push_back({number, what, ours, authority, action});
    }

    bool compare(const BookInvoice& b)
    {
        const auto it = m_theirs.find(b.number);
        const bool there = it != m_theirs.end();
        std::optional<InvoiceDigest> found;
        if (there) {
            found = it->second;
            m_theirs.erase(it);
        }
        const QString stateShown = b.state.isEmpty() ? QStringLiteral("nincs adatszolgáltatás") : stateText(b.state);
        if (b.state == state::ToSend || b.state == state::Sent) {
            add(b.number, QStringLiteral("Az adatszolgáltatás még nem zárult le"), stateShown,
                there ? QStringLiteral("megvan") : QStringLiteral("nincs meg"),
                QStringLiteral("Várja meg, amíg a program beküldi és a NAV feldolgozza (Adóhatósági adatszolgáltatás "
                               "→ Küldés most); utána egyeztessen újra."));
            return true;
        }
        if (b.state == state::Rejected || b.state == state::ReportedOtherwise) {
            add(b.number,
                b.state == state::Rejected ? QStringLiteral("A NAV elutasította az adatszolgáltatást")
                                           : QStringLiteral("A számlaszámot más tartalommal jelentették be"),
                stateShown + (b.message.isEmpty() ? QString() : QStringLiteral(": ") + b.message),
                there ? QStringLiteral("megvan") : QStringLiteral("nincs meg"),
                b.state == state::Rejected
                    ? QStringLiteral("Javítsa a hibát az elutasítás oka szerint, majd küldje újra (Adóhatósági "
                                     "adatszolgáltatás → Újraküldés).")
                    : QStringLiteral("Tisztázza, ki és mit jelentett be ezzel a számlaszámmal; a téves bejelentést "
                                     "annak beküldője helyesbítse."));
            return true;
        }
        if (!there) {
            add(b.number, QStringLiteral("A számla itt ki van állítva, a NAV-nál nincs meg"), stateShown,
                QStringLiteral("nincs meg"),
                b.hasReport ? QStringLiteral("Küldje be újra (Adóhatósági adatszolgáltatás → Újraküldés); ha a NAV "
                                             "befogadottnak mutatta, vizsgálja meg a NAV webes felületén.")
                            : QStringLiteral("A számla adatszolgáltatás nélkül lett kiállítva: pótolja az "
                                             "adatszolgáltatást (--nav-xml, a NAV webes felületén)."));
            return true;
        }
        const InvoiceDigest& digest = *found;
        if (!b.hasReport || differingFields(b.fields, fieldsOfDigest(digest)).empty())
            return true;
        return compareInFull(b, digest);
    }

    // The digest differs: the authority's full data of the invoice decides.
    bool compareInFull(const BookInvoice& b, const InvoiceDigest& digest)
    {
        if (stopped())
            return false;
        const Exchange ex = m_client.queryInvoiceData(b.number);
        if (!ex.ok()) {
            m_result.failure = QStringLiteral("a(z) %1 számla adatai nem kérdezhetők le a NAV-tól: %2")
                                   .arg(b.number, ex.failureText());
            return false;
        }
        const QByteArray document = readInvoiceDataDocument(ex.root);
        ReportedFields authority = document.isEmpty() ? fieldsOfDigest(digest) : reportedFieldsOf(document);
        authority.operation = digest.operation; // a document does not tell a storno from a modification
        for (const Field* f : differingFields(b.fields, authority))
            add(b.number, QStringLiteral("Eltérő %1").arg(QString::fromUtf8(f->name)), shown(*f, b.fields.*f->member),
                shown(*f, authority.*f->member), kActionDiffers);
        return true;
    }

    const Books& m_books;
    Client& m_client;
    const std::atomic<bool>* m_cancel;
    Reconciliation& m_result;
    std::map<QString, InvoiceDigest> m_theirs;
};

} // namespace

Reconciliation reconcile(const Books& books, Client& client, const std::atomic<bool>* cancel)
{
    Reconciliation result;
    result.booksCount = int(books.invoices.size());
    if (!environmentFromMode(books.mode)) {
        result.failure = QStringLiteral("a kibocsátónak nincs bekapcsolva a NAV adatszolgáltatás (TEST vagy PROD).");
        return result;
    }
    if (const QString missing = books.credentials.missing(); !missing.isEmpty()) {
        result.failure = missing;
        return result;
    }
    client.setCancelFlag(cancel);
    Reconciler reconciler(books, client, cancel, result);
    if (reconciler.readAuthorityList())
        reconciler.compare();
    return result;
}

QStringList reconciliationHeaders()
{
    return {QStringLiteral("Számlaszám"), QStringLiteral("Eltérés"), QStringLiteral("Könyvekben"),
            QStringLiteral("NAV-nál"), QStringLiteral("Teendő")};
}

QByteArray reconciliationCsv(const Reconciliation& result)
{
    auto field = [](const QString& text) {
        if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
            return text;
        return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
    };
    auto line = [&field](const QStringList& fields) {
        QStringList quoted;
        for (const QString& f : fields)
            quoted << field(f);
        return quoted.join(u';').toUtf8() + "\r\n";
    };
    QByteArray out = line(reconciliationHeaders());
    for (const Difference& d : result.differences)
        out += line({d.number, d.what, d.books, d.authority, d.action});
    return out;
}

} // namespace orvena::nav
