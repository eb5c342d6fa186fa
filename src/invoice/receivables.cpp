#include "receivables.h"

#include "invoicetexts.h"
#include "nav/invoicedata.h"
#include "paymentqr.h"

#include "db/money.h"
#include "db/queryroles.h"
#include "db/balanceview.h"
#include "db/conversions.h"
#include "db/errors.h"
#include "db/outputfile.h"
#include "nav/invoiceamounts.h"
#include "screens/common/documentprint.h"
#include "screens/common/reportpresenter.h"

#include <QMap>

namespace orvena {

namespace {

const QString& kList = role::kReceivables;
const QString& kLetter = role::kReminderLines;
const QString& kIssuer = role::kReminderIssuer;

// The open invoices on :p0 (yyyy-MM-dd), narrowed and ordered by `tail`.
QStringList openInvoicesSql(const QString& tail)
{
    return {QStringLiteral(
                "SELECT e.eBszam, e.eVevo, IFNULL((SELECT v.vNeve FROM vevo v WHERE v.vKod = e.eVevo ORDER BY v.vID "
                "LIMIT 1), e.eVevo) AS vNeve, f.fzKod, e.ePnem, e.eKelt, e.eHatarido, GREATEST(IFNULL(DATEDIFF(:p0, "
                "e.eHatarido), 0), 0) AS napok, e.eFizetendo, e.eFizetve, e.eHatralek FROM %1 e JOIN szlafej f ON "
                "f.fBszam = e.eBszam WHERE e.eKiallitva = 1 AND e.eHatralek > 0")
                .arg(kBalanceView),
            tail};
}

// A customer's invoices overdue on :p0 (:p1 the customer).
const QString kOverdueOfCustomer = QStringLiteral("AND e.eVevo = :p1 AND e.eHatarido < :p0");

QString amount(qint64 filler)
{
    return invoice::formatAmount(Money::fromFiller(filler).exact());
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
    m_rows.clear();
    Query& q = m_context.data.query(kList);
    q.setSql(openInvoicesSql(QStringLiteral("ORDER BY vNeve, e.eVevo, e.eHatarido, e.eBszam")));
    q.setText(QStringLiteral("p0"), today.toString(QStringLiteral("yyyy-MM-dd")));
    q.open();
    for (int r = 0; r < q.rowCount(); ++r) {
        Receivable row;
        row.number = q.text(r, QStringLiteral("eBszam"));
        row.customerCode = q.text(r, QStringLiteral("eVevo"));
        row.customerName = q.text(r, QStringLiteral("vNeve"));
        row.issuerCode = q.text(r, QStringLiteral("fzKod"));
        row.currency = currencyOf(q.text(r, QStringLiteral("ePnem")));
        row.issued = QDate::fromString(q.text(r, QStringLiteral("eKelt")), QStringLiteral("yyyy.MM.dd"));
        row.due = QDate::fromString(q.text(r, QStringLiteral("eHatarido")), QStringLiteral("yyyy.MM.dd"));
        row.daysOverdue = static_cast<int>(q.integer(r, QStringLiteral("napok")));
        row.payable = q.money(r, QStringLiteral("eFizetendo")).filler();
        row.paid = q.money(r, QStringLiteral("eFizetve")).filler();
        row.balance = q.money(r, QStringLiteral("eHatralek")).filler();
        m_rows.push_back(row);
    }
}

std::vector<ReceivableTotal> Receivables::customerTotals() const
{
    std::vector<ReceivableTotal> totals;
    for (const Receivable& r : m_rows) {
        auto it = std::find_if(totals.begin(), totals.end(), [&](const ReceivableTotal& t) {
            return t.customerCode == r.customerCode && t.currency == r.currency;
        });
        if (it == totals.end())
            it = totals.insert(totals.end(), {r.customerCode, r.customerName, r.currency});
        ++it->invoices;
        it->balance += r.balance;
        it->maxDaysOverdue = std::max(it->maxDaysOverdue, r.daysOverdue);
    }
    return totals;
}

std::vector<ReceivableTotal> Receivables::overallTotals() const
{
    QMap<QString, ReceivableTotal> byCurrency;
    for (const Receivable& r : m_rows) {
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
    auto plain = [](qint64 filler) { return formatNumber(static_cast<double>(filler) / 100.0, 2, false); };
    QStringList lines{QStringLiteral("Vevőkód;Vevő;Számlaszám;Számla kelte;Fizetési határidő;Késés (nap);Pénznem;"
                                     "Fizetendő;Fizetve;Hátralék")};
    for (const Receivable& r : m_rows)
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
    Query& list = m_context.data.query(kList);
    list.first();
    job.datasets = {{kList, &list}};
    std::unique_ptr<PreparedReport> report = reports.prepare(job);
    reports.present(*report, job.title);
}

// The instant-payment QR code of a letter whose overdue invoices are all in forints, to the
// issuer's account: the whole balance, the invoice numbers as the message, valid to the end of
// the letter's day. Empty (nothing printed) otherwise.
QByteArray Receivables::reminderPaymentCode(const QString& issuerCode, const Query& lines,
                                            const QMap<QString, qint64>& sums) const
{
    if (sums.size() != 1 || nav::currencyCode(sums.firstKey()) != u"HUF" || sums.first() <= 0)
        return {};
    const auto account = issuerPaymentAccount(m_context.data, issuerCode);
    if (!account)
        return {};
    QStringList numbers;
    for (int r = 0; r < lines.rowCount(); ++r)
        numbers << lines.text(r, QStringLiteral("eBszam")).trimmed();
    return paymentQrPayload(*account, Money::fromFiller(sums.first()).roundedWhole().wholeUnits(),
                            numbers.join(QStringLiteral(", ")), paymentQrValidity(m_today, m_today));
}

bool Receivables::printReminder(const QString& customerCode)
{
    if (!m_context.reports)
        throw Error(QStringLiteral("Nincs nyomtatási lehetőség."));
    ReportPresenter& reports = *m_context.reports;
    m_letters.clear();
    Query& all = m_context.data.query(kLetter);
    all.setSql(openInvoicesSql(kOverdueOfCustomer + QStringLiteral(" ORDER BY f.fzKod")));
    all.setText(QStringLiteral("p0"), m_today.toString(QStringLiteral("yyyy-MM-dd")));
    all.setText(QStringLiteral("p1"), customerCode);
    all.open();
    if (all.isEmpty()) {
        m_context.ui.message(QStringLiteral("A(z) %1 kódú vevőnek nincs lejárt, rendezetlen számlája.").arg(customerCode));
        return false;
    }
    QStringList issuers;
    for (int r = 0; r < all.rowCount(); ++r)
        if (!issuers.contains(all.text(r, QStringLiteral("fzKod"))))
            issuers << all.text(r, QStringLiteral("fzKod"));

    Query& customer = m_context.data.query(role::kReminderCustomer);
    customer.setSql({QStringLiteral("SELECT * FROM vevo WHERE vKod = :p0 ORDER BY vID LIMIT 1")});
    customer.setText(QStringLiteral("p0"), customerCode);
    customer.open();
    const QString customerName = customer.isEmpty() ? customerCode : customer.fieldText(QStringLiteral("vNeve"));

    for (const QString& issuerCode : issuers) {
        // The letter's lines: this issuer's overdue invoices to the customer.
        Query& lines = m_context.data.query(kLetter);
        lines.setSql(openInvoicesSql(kOverdueOfCustomer + QStringLiteral(" AND f.fzKod = :p2 ORDER BY e.eHatarido, e.eBszam")));
        lines.setText(QStringLiteral("p0"), m_today.toString(QStringLiteral("yyyy-MM-dd")));
        lines.setText(QStringLiteral("p1"), customerCode);
        lines.setText(QStringLiteral("p2"), issuerCode);
        lines.open();
        QMap<QString, qint64> sums;
        for (int r = 0; r < lines.rowCount(); ++r)
            sums[currencyOf(lines.text(r, QStringLiteral("ePnem")))] += lines.money(r, QStringLiteral("eHatralek")).filler();
        QStringList total;
        for (auto it = sums.cbegin(); it != sums.cend(); ++it)
            total << amount(it.value()) + u' ' + it.key();

        Query& issuer = m_context.data.query(kIssuer);
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
        vars.set(QStringLiteral("v_felsz_osszesen"), total.join(QChar(13)));
        vars.set(QStringLiteral("v_felsz_qr"), QString::fromUtf8(reminderPaymentCode(issuerCode, lines, sums)));
        reports.pageCounters().reset();
        ReportJob job = countedJob(reports.pageCounters(), kReminderTemplate,
                                   QStringLiteral("Fizetési felszólítás – %1").arg(customerName));
        lines.first();
        job.datasets = {{kLetter, &lines}, {kIssuer, &issuer}, {role::kReminderCustomer, &customer}};
        std::unique_ptr<PreparedReport> report = reports.prepare(job);
        reports.present(*report, job.title);
        QStringList numbers;
        for (int r = 0; r < lines.rowCount(); ++r)
            numbers << lines.text(r, QStringLiteral("eBszam")).trimmed();
        m_letters.push_back(numbers);
    }
    return true;
}

} // namespace orvena
