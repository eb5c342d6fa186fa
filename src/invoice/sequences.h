#pragma once
// Document number sequences kept in table sorszam: key "1" numbers invoices, key "2" delivery
// notes, key "D" proformas. aBszam holds the last number issued; the next one is that number read as a 32-bit
// integer plus one, written as plain decimal digits (no leading zeros).
#include "db/query.h"

#include <QString>

namespace orvena {

inline const QString kInvoiceSequence = QStringLiteral("1");
inline const QString kDeliverySequence = QStringLiteral("2");
// Proformas are numbered apart from invoices; they print as "D" and the number.
inline const QString kProformaSequence = QStringLiteral("D");

// The number that follows lastNumber ("20100041" -> "20100042", "00000041" -> "42").
// Throws ConversionError when lastNumber is not an integer (empty, letters, out of range).
QString numberAfter(const QString& lastNumber);

// Reads the sequence row on query and returns the next number; nothing is written.
// Throws DbError, or ConversionError when the row is missing or its value is not a number.
QString nextDocumentNumber(Query& query, const QString& sequenceKey);

// Inside a running transaction: reads the sequence row with a row lock (SELECT ... FOR UPDATE),
// so a second program instance waits until this transaction ends, and returns the last number
// issued. Throws like nextDocumentNumber.
QString lockSequence(Query& query, const QString& sequenceKey);

// Writes number as the last number issued. Inside a transaction it becomes permanent with that
// transaction's COMMIT; otherwise at once. Throws DbError; a missing row is an error as well, so
// a store can never silently do nothing.
void storeDocumentNumber(Query& query, const QString& sequenceKey, const QString& number);

// The same, each on a query of its own over the connection.
QString nextDocumentNumber(Connection& connection, const QString& sequenceKey);
QString lockSequence(Connection& connection, const QString& sequenceKey);
void storeDocumentNumber(Connection& connection, const QString& sequenceKey, const QString& number);

} // namespace orvena
