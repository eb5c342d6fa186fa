#include "paymentqr.h"

#include "db/datamodule.h"

#include <QTimeZone>

namespace orvena {

namespace {

constexpr qsizetype kMaxPayload = 345;
constexpr qsizetype kMaxNameOrMessage = 70;
constexpr qint64 kMaxAmount = 999'999'999'999; // twelve digits

QTimeZone hungarianTime()
{
    static const QTimeZone zone(QByteArrayLiteral("Europe/Budapest"));
    return zone.isValid() ? zone : QTimeZone(3600);
}

// What the format allows: printable ASCII and the Hungarian accented letters; anything else
// (a line feed would break the field structure) becomes a blank. Cut to `limit` characters.
QString fieldText(const QString& text, qsizetype limit)
{
    static const QString accented = QStringLiteral("áéíóöőúüűÁÉÍÓÖŐÚÜŰ");
    QString out;
    for (const QChar c : text) {
        const bool ascii = c.unicode() >= 0x20 && c.unicode() < 0x7f;
        out += ascii || accented.contains(c) ? c : QChar(u' ');
    }
    return out.simplified().left(limit).trimmed();
}

} // namespace

QString normalizedIban(const QString& iban)
{
    QString s = iban.toUpper();
    s.remove(u' ');
    s.remove(u'-');
    if (s.size() < 15 || s.size() > 34 || !s.at(0).isLetter() || !s.at(1).isLetter() || !s.at(2).isDigit()
        || !s.at(3).isDigit())
        return {};
    if (s.startsWith(u"HU") && s.size() != 28)
        return {};
    // The check digits: the rearranged number, letters as 10..35, is 1 modulo 97.
    const QString rearranged = s.mid(4) + s.left(4);
    int remainder = 0;
    for (const QChar c : rearranged) {
        if (c >= u'0' && c <= u'9')
            remainder = (remainder * 10 + (c.unicode() - u'0')) % 97;
        else if (c >= u'A' && c <= u'Z')
            remainder = (remainder * 100 + (c.unicode() - u'A' + 10)) % 97;
        else
            return {};
    }
    return remainder == 1 ? s : QString();
}

QString normalizedBic(const QString& bic)
{
    QString s = bic.toUpper();
    s.remove(u' ');
    if (s.size() != 8 && s.size() != 11)
        return {};
    for (const QChar c : s)
        if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
            return {};
    return s;
}

std::optional<PaymentAccount> issuerPaymentAccount(DataModule& data, const QString& issuerCode)
{
    Query q(data.connection(), QStringLiteral("PRN_ACCOUNT"));
    q.setSql({QStringLiteral("SELECT zNev1, zIBAN, zSwift FROM szallito WHERE zKod = :p0 ORDER BY zID LIMIT 1")});
    q.setText(QStringLiteral("p0"), issuerCode);
    q.open();
    if (q.isEmpty())
        return std::nullopt;
    PaymentAccount account{fieldText(q.fieldText(QStringLiteral("zNev1")), kMaxNameOrMessage),
                           normalizedIban(q.fieldText(QStringLiteral("zIBAN"))),
                           normalizedBic(q.fieldText(QStringLiteral("zSwift")))};
    if (account.iban.isEmpty() || account.bic.isEmpty() || account.name.isEmpty())
        return std::nullopt;
    return account;
}

QString paymentQrMessage(const QStringList& numbers, const QString& instead)
{
    const QString list = numbers.join(QStringLiteral(", "));
    if (!list.isEmpty() && fieldText(list, kMaxNameOrMessage) == list)
        return list;
    return fieldText(instead, kMaxNameOrMessage);
}

QDateTime paymentQrValidity(const QDate& dueDate, const QDate& today)
{
    const QDate day = dueDate.isValid() && dueDate > today ? dueDate : today;
    return QDateTime(day, QTime(23, 59, 59), hungarianTime());
}

QByteArray paymentQrPayload(const PaymentAccount& account, qint64 forints, const QString& message,
                            const QDateTime& validUntil)
{
    const QString iban = normalizedIban(account.iban);
    const QString bic = normalizedBic(account.bic);
    const QString name = fieldText(account.name, kMaxNameOrMessage);
    if (iban.isEmpty() || bic.isEmpty() || name.isEmpty() || forints <= 0 || forints > kMaxAmount
        || !validUntil.isValid())
        return {};
    const QDateTime local = validUntil.toTimeZone(hungarianTime());
    const int zoneHours = local.offsetFromUtc() / 3600;
    const QString validity = local.toString(QStringLiteral("yyyyMMddHHmmss"))
                             + (zoneHours < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                             + QString::number(std::abs(zoneHours));
    const QStringList fields{QStringLiteral("HCT"),
                             QStringLiteral("001"),
                             QStringLiteral("1"), // UTF-8
                             bic,
                             name,
                             iban,
                             QStringLiteral("HUF%1").arg(forints, 12, 10, QChar(u'0')),
                             validity,
                             QString(), // purpose
                             fieldText(message, kMaxNameOrMessage),
                             QString(), QString(), QString(), QString(), QString(), QString(), QString()};
    QByteArray payload;
    for (const QString& field : fields)
        payload += field.toUtf8() + '\n';
    return payload.size() <= kMaxPayload ? payload : QByteArray();
}

} // namespace orvena
