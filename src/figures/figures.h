#pragma once
// The business at a glance: turnover by month, by customer and by article, and the VAT analytics
// of a period, computed by the server over the issued (printed) invoices whose issue date falls in
// the period (from the sums written when each is issued, see billing/invoicesums.h; the articles from
// the lines); and the accountant's export, one row per issued invoice. The figures screen, its
// print, its CSV export and the command line all read them from here.
//
// Amounts are forints. A foreign-currency invoice is converted as its print converts it
// (billing/amounts.h): each VAT rate's sums times its rate, rounded to whole forints, its totals the
// sums of those; the by-article view shares a rate's forints among its lines. A storno is an invoice of its own with negative quantities, so it
// counts in the period of its own issue date.
#include "db/money.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena {

class DataModule;

namespace figures {

struct Period {
    QDate from;
    QDate to;
};

enum class View { Month, Customer, Article, Vat };

struct Row {
    QStringList labels; // the view's label columns (month; code and name; ...)
    Money net;
    Money vat;
    qint64 invoices = 0;
    Money gross() const { return net + vat; }
};

struct Table {
    View view = View::Month;
    Period period;
    QStringList labelHeaders;
    std::vector<Row> rows;
    Row total; // over every row (the rest included)
};

// How many customers or articles are shown one by one; the others make one "Egyéb" row.
constexpr int kTopCount = 20;

// The view's title ("Forgalom havonta", ...).
QString viewTitle(View view);
// The amount columns' headers after the label columns.
QStringList amountHeaders();

// Computes one view over the period. Throws Error.
Table compute(DataModule& data, View view, const Period& period);

// "1234,56", "-0,05": an amount for a spreadsheet (no grouping, decimal comma).
QString csvAmount(Money amount);
// The table as CSV: UTF-8, ";" between fields, CR LF line ends, a header line, the rows and the
// total line ("Összesen").
QByteArray toCsv(const Table& table);

// The date an invoice was paid in full, as an SQL expression over the invoice header `h`, or NULL
// while it is not known.
QString paidDateSql();

// The accountant's export of the period: one row per issued invoice, the columns of
// accountingHeaders(). Throws Error.
QByteArray accountingCsv(DataModule& data, const Period& period);
QStringList accountingHeaders();

} // namespace figures
} // namespace orvena
