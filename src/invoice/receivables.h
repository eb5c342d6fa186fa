#pragma once
// "Kintlévőségek": the issued invoices not yet paid, by customer, with their due date, the days
// they are overdue on a given day, and their balance; totals per customer and overall (per
// currency: amounts of different currencies are never added). Printed through the report
// engine (Kintlevoseg.frf), exported as CSV, and the reminder letter "Fizetési felszólítás" of a
// customer (Felszolitas.frf) from the same rows.
#include "db/money.h"
#include "screens/common/screencontext.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QStringList>
#include <memory>
#include <vector>

namespace orvena {

struct Receivable {
    QString customerCode;
    QString customerName;
    QString issuerCode;
    QString number;
    QString currency;
    QDate issued;
    QDate due;
    int daysOverdue = 0; // 0 until the day after the due date
    Money payable;
    Money paid;
    Money balance;
};

struct ReceivableTotal {
    QString customerCode; // empty for an overall total
    QString customerName;
    QString currency;
    int invoices = 0;
    int maxDaysOverdue = 0;
    Money balance;
};

// One reminder letter: an issuer's overdue invoices to the customer.
struct ReminderLetter {
    QString issuerCode;
    QString issuerName;
    QStringList numbers; // in the letter's order
    QStringList totals;  // per currency: "1 271,00 Ft"
};

// The days a reminder letter gives for the payment (its text says so); its QR code is valid to
// the end of the last one.
constexpr int kReminderDays = 8;

// How overdue: 0 not yet, 1 from the first day, 2 from the 30th, 3 from the 60th.
int overdueLevel(int daysOverdue);

class Receivables {
public:
    explicit Receivables(ScreenContext& context);

    // Reads the open invoices as they stand on `today` (ordered by customer name, code, due
    // date, number).
    void read(const QDate& today);
    const QDate& today() const { return m_today; }
    // The day a reminder is worked out on, without reading the whole list (read sets it too).
    void setToday(const QDate& today) { m_today = today; }
    const std::vector<Receivable>& rows() const { return *m_rows; }
    // The same rows, shared: a window keeps them without copying a hundred thousand of them.
    std::shared_ptr<const std::vector<Receivable>> sharedRows() const { return m_rows; }
    // Per customer and currency, in the rows' order; and overall per currency.
    std::vector<ReceivableTotal> customerTotals() const;
    std::vector<ReceivableTotal> overallTotals() const;

    // The list as CSV (UTF-8, ";" between fields, decimal comma) into `file`. Throws FileError.
    void exportCsv(const QString& file) const;
    // The list through the report engine (the run's presenter: preview, printer or PDF).
    void print();
    // The letters a reminder of the customer would hold on today, without printing them (empty
    // when it has nothing overdue).
    std::vector<ReminderLetter> reminderLetters(const QString& customerCode);
    // The reminder letters of a customer: one per issuer whose invoices to it are overdue on
    // today. Returns false (and says so) when it has none.
    bool printReminder(const QString& customerCode);
    // The invoice numbers of each letter the last printReminder presented, in its order.
    const std::vector<QStringList>& reminderInvoices() const { return m_letters; }

    // Template files, in the working folder, editable by the operator.
    static inline const QString kListTemplate = QStringLiteral("Kintlevoseg.frf");
    static inline const QString kReminderTemplate = QStringLiteral("Felszolitas.frf");

private:
    // The customers of the rows in the list's order (by name, then code): each code's place, its
    // name and the name as stored.
    struct CustomerOrder {
        std::vector<int> rowRank; // each row's customer's place
        std::vector<QString> names;
        std::vector<QByteArray> stored;
    };
    CustomerOrder customerOrder(const std::vector<Receivable>& rows);
    QByteArray reminderPaymentCode(const QString& issuerCode, const class Query& lines) const;

    ScreenContext& m_context;
    QDate m_today;
    std::shared_ptr<const std::vector<Receivable>> m_rows = std::make_shared<const std::vector<Receivable>>();
    std::vector<QStringList> m_letters;
    // The printed list reads the query: its rows are put in the list's order, with the names as a
    // column, only when it is printed (most readings are never printed).
    std::vector<int> m_printOrder;
    std::vector<QByteArray> m_printNames;
    bool m_printArranged = true;
};

} // namespace orvena
