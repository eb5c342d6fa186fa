#include "invoiceamounts.h"

#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/numbertext.h"

#include <cmath>

namespace orvena::nav {

QString lineNetSql()
{
    return QStringLiteral("ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )");
}

QString lineVatSql()
{
    return QStringLiteral("ROUND(( %1) * sAfa/100 , 2 )").arg(lineNetSql());
}

QString lineGrossSql()
{
    return QStringLiteral("ROUND((%1) + (%2),2)").arg(lineNetSql(), lineVatSql());
}

QStringList invoiceAmountColumns()
{
    return {QStringLiteral("SUM( %1) AS AFA_netto,").arg(lineNetSql()),
            QStringLiteral("SUM(%1) AS AFA_afa,").arg(lineVatSql()),
            QStringLiteral("SUM(%1) AS AFA_mindossz").arg(lineGrossSql()),
            QStringLiteral("FROM Szlasor JOIN Szlafej ON Szlafej.fbszam = Szlasor.sbszam")};
}

qint64 parseFiller(const QString& text)
{
    QString t = text.trimmed();
    t.remove(u' ');
    if (t.isEmpty())
        return 0;
    const bool negative = t.startsWith(u'-');
    if (negative || t.startsWith(u'+'))
        t.remove(0, 1);
    t.replace(u'.', u',');
    const QString whole = t.section(u',', 0, 0);
    QString fraction = t.section(u',', 1).leftJustified(3, u'0');
    qint64 value = (whole.isEmpty() ? 0 : whole.toLongLong()) * 100 + fraction.left(2).toLongLong();
    if (fraction.at(2) >= u'5')
        ++value; // half away from zero
    return negative ? -value : value;
}

QString fillerText(qint64 filler)
{
    const qint64 magnitude = filler < 0 ? -filler : filler;
    return QStringLiteral("%1%2.%3")
        .arg(filler < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

qint64 forintAmount(qint64 amount, double rate)
{
    // As the print: R2(amount) x rate shown with no decimals, read back.
    return parseFiller(fixedText(static_cast<double>(amount) / 100.0 * rate, 0)) ;
}

InvoiceAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber)
{
    InvoiceAmounts a;
    Query& header = data.query(QStringLiteral("NAV_AMOUNTS_HEAD"));
    header.setSql({QStringLiteral("SELECT fArfoly FROM Szlafej WHERE fBszam = :p0")});
    header.setText(QStringLiteral("p0"), invoiceNumber);
    header.open();
    a.exchangeRate = header.fieldDouble(QStringLiteral("fArfoly"));

    Query& lines = data.query(QStringLiteral("NAV_AMOUNTS"));
    lines.setSql(QStringList{QStringLiteral("SELECT sID,")} + invoiceAmountColumns()
                 + QStringList{QStringLiteral("WHERE sbszam = :p0"), QStringLiteral("GROUP BY sID ORDER BY sID")});
    lines.setText(QStringLiteral("p0"), invoiceNumber);
    lines.open();
    a.lines.reserve(static_cast<size_t>(lines.rowCount()));
    for (int r = 0; r < lines.rowCount(); ++r) {
        LineAmounts l;
        l.lineId = lines.text(r, 0).toLongLong();
        l.net = parseFiller(lines.text(r, 1));
        l.vat = parseFiller(lines.text(r, 2));
        l.gross = parseFiller(lines.text(r, 3));
        a.net += l.net;
        a.vat += l.vat;
        a.lines.push_back(l);
    }
    if (a.exchangeRate > 0) {
        a.netHuf = forintAmount(a.net, a.exchangeRate);
        a.vatHuf = forintAmount(a.vat, a.exchangeRate);
    } else {
        a.netHuf = a.net;
        a.vatHuf = a.vat;
    }
    return a;
}

} // namespace orvena::nav
