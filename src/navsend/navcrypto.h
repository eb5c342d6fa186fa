#pragma once
// Hashes and the token cipher of the reporting protocol, all done by OpenSSL's EVP interface:
// SHA-512 of the technical user's password, SHA3-512 request signatures, and AES-128-ECB for the
// exchange token. Every hash leaves here as upper-case hex, as the authority compares it.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace orvena::nav {

QString sha512Hex(const QByteArray& data);
QString sha3_512Hex(const QByteArray& data);

// The stored form of a technical user's password.
QString passwordHash(const QString& password);

// The timestamp as it enters the signature: UTC, yyyyMMddHHmmss.
QString signatureTimestamp(const QDateTime& utc);

struct SignedOperation {
    QString operation;     // CREATE, MODIFY, STORNO
    QByteArray base64Data; // the invoiceData element's text
};

// SHA3-512 over requestId + timestamp + signature key, followed for each operation (in index
// order) by the upper-case SHA3-512 of operation + base64 data.
QString requestSignature(const QString& requestId, const QDateTime& utc, const QString& signatureKey,
                         const std::vector<SignedOperation>& operations = {});

// AES-128-ECB with PKCS#7 padding under the 16-byte exchange key. Decryption returns nothing
// when the key does not fit or the padding does not check out (a wrong key).
std::optional<QByteArray> aes128EcbDecrypt(const QByteArray& cipherText, const QByteArray& key);
QByteArray aes128EcbEncrypt(const QByteArray& plainText, const QByteArray& key);

} // namespace orvena::nav
