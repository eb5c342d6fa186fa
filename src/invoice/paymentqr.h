#pragma once
// The Hungarian instant-payment QR code's content (the central bank's "HCT" credit-transfer
// format, version 001): seventeen fields, each ended by a line feed, UTF-8, at most 345 bytes.
// The invoice prints it for forint invoices paid by transfer, the reminder letter for what is
// overdue. QtCore only: the picture is drawn by the report engine (reports/qrcode.h).
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace orvena {

class DataModule;

// The payee of a transfer: the name, the account (IBAN, without blanks) and the bank's BIC.
struct PaymentAccount {
    QString name;
    QString iban;
    QString bic;
};

// The account of the issuer with this code (szallito.zKod: zNev1, zIBAN, zSwift); nothing when
// there is no such issuer or its IBAN or BIC is missing or not well formed.
std::optional<PaymentAccount> issuerPaymentAccount(DataModule& data, const QString& issuerCode);

// The IBAN without blanks in capitals when it is well formed (its check digits hold); empty
// otherwise.
QString normalizedIban(const QString& iban);
// The BIC without blanks in capitals when it has 8 or 11 letters and digits; empty otherwise.
QString normalizedBic(const QString& bic);

// The code's content for a transfer of `forints` (> 0) to `account` with `message` (the
// remittance text, cut to 70 characters), valid until `validUntil` (written in Hungarian local
// time with its zone). Empty when the account is not usable or the amount is not payable.
QByteArray paymentQrPayload(const PaymentAccount& account, qint64 forints, const QString& message,
                            const QDateTime& validUntil);

// The remittance text naming `numbers` (", " between them) when the whole list fits the field;
// `instead` otherwise, so a number is never cut (a payer would type a wrong one).
QString paymentQrMessage(const QStringList& numbers, const QString& instead);

// The end (23:59:59, Hungarian local time) of the later of the due date and `today`: a code
// printed after its due date is still usable on the day it is handed over.
QDateTime paymentQrValidity(const QDate& dueDate, const QDate& today);

} // namespace orvena
