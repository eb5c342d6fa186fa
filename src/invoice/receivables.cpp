#include "receivables.h"

#include "invoicetexts.h"
#include "masterdata/customers.h"
#include "nav/invoicedata.h"
#include "paymentqr.h"

#include "db/money.h"
#include "db/queryroles.h"
#include "billing/balanceview.h"
#include "billing/openbalance.h"
#include "db/codepages.h"
#include "db/conversions.h"
#include "db/errors.h"
#include "db/outputfile.h"
#include "screens/common/documentprint.h"
#include "screens/common/reportpresenter.h"

#include <QHash>
#include <QMap>
#include <algorithm>

namespace orvena {

namespace {

// The invoices whose balance on :p0 may differ from today's: paid (not deleted) after the day,
// the original of an invoice (a correction, a storno) issued after it, and a storno whose original
// was issued after it. On a recent day they are few; the payments are read by their date's index.
QString changedAfterSql()
{
    return QStringLiteral(
        "SELECT p.pBszam AS n FROM szlafizetes p WHERE p.pDatum > :p0 AND p.pTorolve IS NULL UNION SELECT l.hEredeti "
        "FROM szlafej c JOIN szlahivatkozas l ON l.hBszam = c.fBszam WHERE c.fPrn = 'I' AND c.fRkelt > :p0 UNION SELECT "
        "l.hBszam FROM szlahivatkozas l JOIN szlafej o ON o.fBszam = l.hEredeti WHERE l.hMuvelet = 'STORNO' AND "
        "o.fRkelt > :p0");
}

// The open invoices as they stood on :p0 (yyyy-MM-dd), as a derived table over the alias `e`:
// issued by that day, with what was paid by then, without the corrections issued and the storno
// made later. Today's open balances are kept (billing/openbalance.h) and read as they are for
// every invoice nothing changed since the day; the few others are taken from the balance view and
// brought back to the day.
QString openRowsSql()
{
    // Paid after the day, not deleted.
    const QString later = QStringLiteral(
        "IFNULL((SELECT SUM(p.pOsszeg) FROM szlafizetes p WHERE p.pBszam = b.eBszam AND p.pTorolve IS NULL AND "
        "p.pDatum > :p0), 0)");
    // What the corrections issued after the day add to the payable.
    const QString corrections = QStringLiteral(
        "IFNULL((SELECT SUM(c.eFizetendo) FROM szlahivatkozas hm JOIN %1 c ON c.eBszam = hm.hBszam WHERE "
        "hm.hEredeti = b.eBszam AND hm.hMuvelet = 'MODIFY' AND c.eKiallitva = 1 AND c.eKelt > :p0), 0)")
                                    .arg(kBalanceView);
    // What a storno partner issued after the day settles.
    const QString stornoLater = QStringLiteral("IF(g.fRkelt > :p0, b.eFizetendo - b.eFizetve - b.eHatralek, 0)");
    return QStringLiteral(
               "(SELECT y.yBszam AS eBszam, y.yVevo AS eVevo, y.yzKod AS fzKod, y.yPnem AS ePnem, y.yKelt AS eKelt, "
               "y.yHatarido AS eHatarido, y.yFizetendo AS eFizetendo, y.yFizetve AS eFizetve, y.yHatralek AS "
               "eHatralek FROM %1 y LEFT JOIN (%2) x ON x.n = y.yBszam WHERE x.n IS NULL AND y.yKelt <= :p0 "
               "UNION ALL SELECT b.eBszam, b.eVevo, f.fzKod, b.ePnem, b.eKelt, b.eHatarido, b.eFizetendo - %4, "
               "b.eFizetve - %5, b.eHatralek + %5 - %4 + %6 FROM (%2) x JOIN %3 b ON b.eBszam = x.n JOIN szlafej f "
               "ON f.fBszam = b.eBszam LEFT JOIN szlafej g ON g.fBszam = b.eStorno WHERE b.eKiallitva = 1 AND "
               "b.eKelt <= :p0) e")
        .arg(kOpenBalance, changedAfterSql(), kBalanceView, corrections, later, stornoLater);
}

const QString kDaysOverdue = QStringLiteral("GREATEST(IFNULL(DATEDIFF(:p0, e.eHatarido), 0), 0) AS napok");

// The open invoices on :p0 with the customer's name (its first record's, by one join of the
// customers, not a lookup per invoice), narrowed and ordered by `tail`: a customer's few.
QStringList openInvoicesSql(const QString& tail)
{
    return {QStringLiteral("SELECT e.*, IFNULL(v.vNeve, e.eVevo) AS vNeve, %1 FROM %2 LEFT JOIN (SELECT vKod, MIN(vID) "
                           "AS vID FROM vevo GROUP BY vKod) fv ON fv.vKod = e.eVevo LEFT JOIN vevo v ON v.vID = fv.vID "
                           "WHERE e.eHatralek > 0")
                .arg(kDaysOverdue, openRowsSql()),
            tail};
}

// The customers' names (each code's first record) in the list's order: by name, then code. The
// codes in `others` (open invoices whose customer record is gone) join them under their code.
QStringList customerOrderSql(int others)
{
    QString extra;
    for (int i = 1; i <= others; ++i)
        extra += QStringLiteral(" UNION ALL SELECT :p%1, :p%1").arg(i);
    return {QStringLiteral("SELECT c, n FROM (SELECT v.vKod AS c, IFNULL(v.vNeve, v.vKod) AS n FROM vevo v JOIN (SELECT MIN(vID) AS "
                           "vID FROM vevo WHERE vKod IS NOT NULL GROUP BY vKod) fv ON fv.vID = v.vID%1) k ORDER BY n, c")
                .arg(extra)};
}

// A customer code as the server compares it: without trailing blanks, in either case.
QString codeKey(const QString& code)
{
    qsizetype end = code.size();
    while (end > 0 && code.at(end - 1) == u' ')
        --end;
    return code.left(end).toCaseFolded();
}

// A customer's invoices overdue on :p0 (:p1 the customer).
const QString kOverdueOfCustomer = QStringLiteral("AND e.eVevo = :p1 AND e.eHatarido < :p0");

QString amount(Money value)
{
    return invoice::formatAmount(value.exact());
}

QString currencyOf(const QString& stored)
{
    const QString c = stored.trimmed();
    return c.isEmpty() ? QStringLiteral("Ft") : c;
}

// Totals per currency as report lines: "12 345,00 Ft".
QString totalsText(const std::vector<ReceivableTotal>& totals)
{
    QStringList lines;
    for (const ReceivableTotal& t : totals)
        lines << amount(t.balance) + u' ' + t.currency;
    return lines.join(QChar(13));
}

} // namespace

int overdueLevel(int daysOverdue)
{
    return daysOverdue >= 60 ? 3 : daysOverdue >= 30 ? 2 : daysOverdue >= 1 ? 1 : 0;
}

Receivables::Receivables(ScreenContext& context) : m_context(context) {}

void Receivables::read(const QDate& today)
{
    m_today = today;
    m_rows = std::make_shared<const std::vector<Receivable>>();
    m_printOrder = {};
    m_printNames = {};
    m_printArranged = true;
    // The open invoices as the server has them, without a join or a sort: joining a hundred
    // thousand of them to their customers' names and sorting them by the names took the server
    // longer than reading them. The names come in their order from the customers (a few thousand
    // rows), and the rows are put in that order here.
    Query& q = m_context.data.query(role::kReceivables);
    q.setSql({QStringLiteral("SELECT e.*, %1 FROM %2 WHERE e.eHatralek > 0").arg(kDaysOverdue, openRowsSql())});
    q.setText(QStringLiteral("p0"), today.toString(QStringLiteral("yyyy-MM-dd")));
    q.open();
    // the columns looked up once: a list of a hundred thousand open invoices reads a million cells
    const auto column = [&q](const char* name) { return q.columnIndex(QLatin1String(name)); };
    const int number = column("eBszam"), customer = column("eVevo"), issuer = column("fzKod"),
              currency = column("ePnem"), issued = column("eKelt"), due = column("eHatarido"), days = column("napok"),
              payable = column("eFizetendo"), paid = column("eFizetve"), balance = column("eHatralek");
    std::vector<Receivable> rows;
    rows.reserve(size_t(q.rowCount()));
    for (int r = 0; r < q.rowCount(); ++r) {
        Receivable row;
        row.number = q.text(r, number);
        row.customerCode = q.text(r, customer);
        row.issuerCode = q.text(r, issuer);
        row.currency = currencyOf(q.text(r, currency));
        row.issued = q.date(r, issued);
        row.due = q.date(r, due);
        row.daysOverdue = static_cast<int>(q.integer(r, days));
        row.payable = q.money(r, payable);
        row.paid = q.money(r, paid);
        row.balance = q.money(r, balance);
        rows.push_back(std::move(row));
    }
    const CustomerOrder customers = customerOrder(rows);
    const std::vector<int>& rank = customers.rowRank;
    std::vector<int> order(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Receivable& x = rows[size_t(a)];
        const Receivable& y = rows[size_t(b)];
        if (rank[size_t(a)] != rank[size_t(b)])
            return rank[size_t(a)] < rank[size_t(b)];
        if (x.due != y.due)
            return x.due < y.due;
        return x.number.compare(y.number, Qt::CaseInsensitive) < 0;
    });
    // The names for the printed list, in the list's order.
    std::vector<QByteArray> names;
    names.reserve(rows.size());
    for (int i : order)
        names.push_back(customers.stored[size_t(rank[size_t(i)])]);
    // The rows put in that order where they are, cycle by cycle: a second vector of a hundred
    // thousand rows would cost more in fresh memory than the moves.
    std::vector<bool> placed(rows.size());
    for (size_t start = 0; start < rows.size(); ++start) {
        if (placed[start])
            continue;
        Receivable first = std::move(rows[start]);
        size_t at = start;
        for (;;) {
            placed[at] = true;
            const auto from = size_t(order[at]);
            if (from == start) {
                rows[at] = std::move(first);
                break;
            }
            rows[at] = std::move(rows[from]);
            at = from;
        }
    }
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].customerName = customers.names[size_t(rank[size_t(order[i])])];
    m_rows = std::make_shared<const std::vector<Receivable>>(std::move(rows));
    m_printOrder = std::move(order);
    m_printNames = std::move(names);
    m_printArranged = false;
}

Receivables::CustomerOrder Receivables::customerOrder(const std::vector<Receivable>& rows)
{
    Query& q = m_context.data.query(role::kReceivablesCustomers);
    CustomerOrder order;
    QHash<QString, int> rankOfKey; // a code as the server compares it -> its place
    const auto readOrder = [&] {
        q.open();
        order.names.clear();
        order.stored.clear();
        rankOfKey.clear();
        for (int r = 0; r < q.rowCount(); ++r) {
            const QString key = codeKey(q.text(r, 0));
            if (rankOfKey.contains(key))
                continue; // a code the server groups with one before it
            rankOfKey.insert(key, static_cast<int>(order.names.size()));
            order.names.push_back(q.text(r, 1));
            order.stored.push_back(q.result()->raw(r, 1));
        }
    };
    // Each row's place, looked up once per code as stored (a customer's invoices share it).
    const auto placeRows = [&] {
        QHash<QString, int> rankOfCode;
        order.rowRank.assign(rows.size(), -1);
        for (size_t i = 0; i < rows.size(); ++i) {
            auto it = rankOfCode.constFind(rows[i].customerCode);
            if (it == rankOfCode.cend())
                it = rankOfCode.insert(rows[i].customerCode, rankOfKey.value(codeKey(rows[i].customerCode), -1));
            order.rowRank[i] = *it;
        }
    };
    q.setSql(customerOrderSql(0));
    readOrder();
    placeRows();
    QStringList others;
    for (size_t i = 0; i < rows.size(); ++i)
        if (order.rowRank[i] < 0 && !others.contains(rows[i].customerCode))
            others << rows[i].customerCode;
    if (others.isEmpty())
        return order;
    q.setSql(customerOrderSql(static_cast<int>(others.size())));
    for (qsizetype i = 0; i < others.size(); ++i)
        q.setText(QStringLiteral("p%1").arg(i + 1), others.at(i));
    readOrder();
    placeRows();
    // a code the server would still not match is listed last, under itself, rather than lost
    QHash<QString, int> unmatched;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (order.rowRank[i] >= 0)
            continue;
        const QString& code = rows[i].customerCode;
        auto it = unmatched.constFind(code);
        if (it == unmatched.cend()) {
            it = unmatched.insert(code, static_cast<int>(order.names.size()));
            order.names.push_back(code);
            order.stored.push_back(encode(CodePage::Latin2, code));
        }
        order.rowRank[i] = *it;
    }
    return order;
}

std::vector<ReceivableTotal> Receivables::customerTotals() const
{
    std::vector<ReceivableTotal> totals;
    QHash<QString, size_t> index; // customer code and currency -> its total
    for (const Receivable& r : *m_rows) {
        const QString key = r.customerCode + u'\x1f' + r.currency;
        auto it = index.constFind(key);
        if (it == index.cend()) {
            it = index.insert(key, totals.size());
            totals.push_back({r.customerCode, r.customerName, r.currency, 0, 0, Money()});
        }
        ReceivableTotal& t = totals[*it];
        ++t.invoices;
        t.balance += r.balance;
        t.maxDaysOverdue = std::max(t.maxDaysOverdue, r.daysOverdue);
    }
    return totals;
}

std::vector<ReceivableTotal> Receivables::overallTotals() const
{
    QMap<QString, ReceivableTotal> byCurrency;
    for (const Receivable& r : *m_rows) {
        ReceivableTotal& t = byCurrency[r.currency];
        t.currency = r.currency;
        ++t.invoices;
        t.balance += r.balance;
        t.maxDaysOverdue = std::max(t.maxDaysOverdue, r.daysOverdue);
    }
    return {byCurrency.begin(), byCurrency.end()};
}

void Receivables::exportCsv(const QString& file) const
{
    auto field = [](QString text) {
        // A field holding the separator, a quote or a line break is quoted, its quotes doubled.
        if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
            text = u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
        return text;
    };
    auto plain = [](Money value) { return value.text(); };
    QStringList lines{QStringLiteral("Vevőkód;Vevő;Számlaszám;Számla kelte;Fizetési határidő;Késés (nap);Pénznem;"
                                     "Fizetendő;Fizetve;Hátralék")};
    for (const Receivable& r : *m_rows)
        lines << QStringList{field(r.customerCode), field(r.customerName), field(r.number), formatDate(r.issued),
                             formatDate(r.due), QString::number(r.daysOverdue), field(r.currency), plain(r.payable),
                             plain(r.paid), plain(r.balance)}
                     .join(u';');
    OutputFile::write(file, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}

void Receivables::print()
{
    if (!m_context.reports)
        throw Error(QStringLiteral("Nincs nyomtatási lehetőség."));
    ReportPresenter& reports = *m_context.reports;
    ReportVariables& vars = reports.variables();
    vars.set(QStringLiteral("v_kint_datum"), formatDate(m_today));
    QStringList perCustomer;
    for (const ReceivableTotal& t : customerTotals())
        perCustomer << QStringLiteral("%1 (%2): %3 számla, %4 %5").arg(t.customerName, t.customerCode).arg(t.invoices).arg(amount(t.balance), t.currency);
    vars.set(QStringLiteral("v_kint_vevok"), perCustomer.join(QChar(13)));
    vars.set(QStringLiteral("v_kint_osszesen"), totalsText(overallTotals()));
    reports.pageCounters().reset();
    ReportJob job = countedJob(reports.pageCounters(), kListTemplate,
                               QStringLiteral("Kintlévőségek %1").arg(formatDate(m_today)));
    Query& list = m_context.data.query(role::kReceivables);
    if (!m_printArranged) {
        list.reorderWithColumn(m_printOrder, QStringLiteral("vNeve"), ColumnKind::Text, m_printNames);
        m_printArranged = true;
        m_printOrder = {};
        m_printNames = {};
    }
    list.first();
    job.datasets = {{role::kReceivables, &list}};
    std::unique_ptr<PreparedReport> report = reports.prepare(job);
    reports.present(*report, job.title);
}

// The instant-payment QR code of a letter for the forint part of its balance, to the issuer's
// account: the forint invoices' numbers as the message (the letter's date when they do not fit
// the field: the letter lists them), valid to the end of the letter's payment deadline. Empty
// (nothing printed) when there is nothing in forints or no usable account.
QByteArray Receivables::reminderPaymentCode(const QString& issuerCode, const Query& lines) const
{
    Money forints;
    QStringList numbers;
    for (int r = 0; r < lines.rowCount(); ++r) {
        if (nav::currencyCode(currencyOf(lines.text(r, QStringLiteral("ePnem")))) != u"HUF")
            continue;
        forints += lines.money(r, QStringLiteral("eHatralek"));
        numbers << lines.text(r, QStringLiteral("eBszam")).trimmed();
    }
    if (forints <= Money())
        return {};
    const auto account = issuerPaymentAccount(m_context.data, issuerCode);
    if (!account)
        return {};
    const QString message =
        paymentQrMessage(numbers, QStringLiteral("Fizetési felszólítás %1, vevő %2")
                                      .arg(formatDate(m_today), lines.text(0, QStringLiteral("eVevo")).trimmed()));
    return paymentQrPayload(*account, forints.roundedWhole().wholeUnits(), message,
                            paymentQrValidity(m_today.addDays(kReminderDays), m_today));
}

namespace {

// The issuers a customer's overdue invoices on :p0 come from, in code order.
QStringList reminderIssuers(Query& all, const QDate& today, const QString& customerCode)
{
    all.setSql(openInvoicesSql(kOverdueOfCustomer + QStringLiteral(" ORDER BY e.fzKod")));
    all.setText(QStringLiteral("p0"), today.toString(QStringLiteral("yyyy-MM-dd")));
    all.setText(QStringLiteral("p1"), customerCode);
    all.open();
    QStringList issuers;
    for (int r = 0; r < all.rowCount(); ++r)
        if (!issuers.contains(all.text(r, QStringLiteral("fzKod"))))
            issuers << all.text(r, QStringLiteral("fzKod"));
    return issuers;
}

// A letter's lines: the issuer's overdue invoices to the customer.
void openLetterLines(Query& lines, const QDate& today, const QString& customerCode, const QString& issuerCode)
{
    lines.setSql(openInvoicesSql(kOverdueOfCustomer + QStringLiteral(" AND e.fzKod = :p2 ORDER BY e.eHatarido, e.eBszam")));
    lines.setText(QStringLiteral("p0"), today.toString(QStringLiteral("yyyy-MM-dd")));
    lines.setText(QStringLiteral("p1"), customerCode);
    lines.setText(QStringLiteral("p2"), issuerCode);
    lines.open();
}

// The balance per currency of a letter's lines, as "1 271,00 Ft".
QStringList letterTotals(const Query& lines)
{
    QMap<QString, Money> sums;
    for (int r = 0; r < lines.rowCount(); ++r)
        sums[currencyOf(lines.text(r, QStringLiteral("ePnem")))] += lines.money(r, QStringLiteral("eHatralek"));
    QStringList total;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        total << amount(it.value()) + u' ' + it.key();
    return total;
}

QStringList letterNumbers(const Query& lines)
{
    QStringList numbers;
    for (int r = 0; r < lines.rowCount(); ++r)
        numbers << lines.text(r, QStringLiteral("eBszam")).trimmed();
    return numbers;
}

} // namespace

std::vector<ReminderLetter> Receivables::reminderLetters(const QString& customerCode)
{
    std::vector<ReminderLetter> letters;
    Query& lines = m_context.data.query(role::kReminderLines);
    for (const QString& issuerCode : reminderIssuers(lines, m_today, customerCode)) {
        openLetterLines(lines, m_today, customerCode, issuerCode);
        ReminderLetter letter{issuerCode, {}, letterNumbers(lines), letterTotals(lines)};
        Query& issuer = m_context.data.query(role::kReminderIssuer);
        issuer.setSql({QStringLiteral("SELECT zNev1 FROM szallito WHERE zKod = :p0 ORDER BY zID LIMIT 1")});
        issuer.setText(QStringLiteral("p0"), issuerCode);
        issuer.open();
        letter.issuerName = issuer.isEmpty() ? issuerCode : issuer.fieldText(QStringLiteral("zNev1")).trimmed();
        letters.push_back(letter);
    }
    return letters;
}

bool Receivables::printReminder(const QString& customerCode)
{
    if (!m_context.reports)
        throw Error(QStringLiteral("Nincs nyomtatási lehetőség."));
    ReportPresenter& reports = *m_context.reports;
    m_letters.clear();
    const QStringList issuers = reminderIssuers(m_context.data.query(role::kReminderLines), m_today, customerCode);
    if (issuers.isEmpty()) {
        m_context.ui.message(QStringLiteral("A(z) %1 kódú vevőnek nincs lejárt, rendezetlen számlája.").arg(customerCode));
        return false;
    }

    Query& customer = m_context.data.query(role::kReminderCustomer);
    customer.setSql({QStringLiteral("SELECT * FROM vevo WHERE vKod = :p0 ORDER BY vID LIMIT 1")});
    customer.setText(QStringLiteral("p0"), customerCode);
    customer.open();
    const QString customerName = customer.isEmpty() ? customerCode : customer.fieldText(QStringLiteral("vNeve"));

    for (const QString& issuerCode : issuers) {
        Query& lines = m_context.data.query(role::kReminderLines);
        openLetterLines(lines, m_today, customerCode, issuerCode);

        Query& issuer = m_context.data.query(role::kReminderIssuer);
        issuer.setSql({QStringLiteral("SELECT * FROM szallito WHERE zKod = :p0 ORDER BY zID LIMIT 1")});
        issuer.setText(QStringLiteral("p0"), issuerCode);
        issuer.open();
        const auto f = [&issuer](const char* column) { return issuer.fieldText(QLatin1String(column)).trimmed(); };
        QStringList bank;
        if (!f("zBankszla").isEmpty())
            bank << QStringLiteral("Bankszámla: %1 %2").arg(f("zBankszla"), f("zBanknev")).trimmed();
        if (!f("zBankszla2").isEmpty())
            bank << QStringLiteral("Bankszámla: %1 %2").arg(f("zBankszla2"), f("zBanknev2")).trimmed();
        if (!f("zIBAN").isEmpty())
            bank << QStringLiteral("IBAN: %1%2").arg(f("zIBAN"), f("zSwift").isEmpty() ? QString() : QStringLiteral("  SWIFT/BIC: ") + f("zSwift"));

        ReportVariables& vars = reports.variables();
        vars.set(QStringLiteral("v_felsz_datum"), formatDate(m_today));
        vars.set(QStringLiteral("v_felsz_kibocsato"),
                 memoFromDatabase(issuer.fieldText(QStringLiteral("zMemoSzall"))).trimmed().isEmpty()
                     ? QStringList{f("zNev1"), f("zNev2"), QStringLiteral("%1 %2, %3").arg(f("zIrszam"), f("zHely"), f("zUtca"))}.join(QChar(13))
                     : memoFromDatabase(issuer.fieldText(QStringLiteral("zMemoSzall"))).replace(u'\n', QChar(13)));
        vars.set(QStringLiteral("v_felsz_vevo"),
                 QStringList{customerName, QStringLiteral("%1 %2").arg(customer.fieldText(QStringLiteral("vIrszam")).trimmed(),
                                                                       customer.fieldText(QStringLiteral("vHely")).trimmed()),
                             customer.fieldText(QStringLiteral("vUtca")).trimmed()}
                     .join(QChar(13)));
        vars.set(QStringLiteral("v_felsz_bank"), bank.join(QChar(13)));
        vars.set(QStringLiteral("v_felsz_osszesen"), letterTotals(lines).join(QChar(13)));
        vars.set(QStringLiteral("v_felsz_qr"), QString::fromUtf8(reminderPaymentCode(issuerCode, lines)));
        reports.pageCounters().reset();
        ReportJob job = countedJob(reports.pageCounters(), kReminderTemplate,
                                   QStringLiteral("Fizetési felszólítás – %1").arg(customerName));
        lines.first();
        job.datasets = {{role::kReminderLines, &lines}, {role::kReminderIssuer, &issuer}, {role::kReminderCustomer, &customer}};
        std::unique_ptr<PreparedReport> report = reports.prepare(job);
        reports.present(*report, job.title);
        m_letters.push_back(letterNumbers(lines));
    }
    return true;
}

} // namespace orvena
