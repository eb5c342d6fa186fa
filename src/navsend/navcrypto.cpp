#include "navcrypto.h"

#include <openssl/evp.h>

#include <memory>

namespace orvena::nav {

namespace {

QString digestHex(const EVP_MD* md, const QByteArray& data)
{
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.constData(), static_cast<size_t>(data.size()), out, &length, md, nullptr) != 1)
        return {};
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(length))
                                   .toHex()
                                   .toUpper());
}

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

std::optional<QByteArray> runCipher(const QByteArray& input, const QByteArray& key, bool encrypt)
{
    if (key.size() != 16)
        return std::nullopt;
    CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!ctx)
        return std::nullopt;
    const auto* k = reinterpret_cast<const unsigned char*>(key.constData());
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, k, nullptr, encrypt ? 1 : 0) != 1)
        return std::nullopt;
    QByteArray out(input.size() + 32, Qt::Uninitialized);
    int written = 0;
    int last = 0;
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    if (EVP_CipherUpdate(ctx.get(), o, &written, reinterpret_cast<const unsigned char*>(input.constData()),
                         static_cast<int>(input.size()))
        != 1)
        return std::nullopt;
    if (EVP_CipherFinal_ex(ctx.get(), o + written, &last) != 1)
        return std::nullopt;
    out.truncate(written + last);
    return out;
}

} // namespace

QString sha512Hex(const QByteArray& data)
{
    return digestHex(EVP_sha512(), data);
}

QString sha3_512Hex(const QByteArray& data)
{
    return digestHex(EVP_sha3_512(), data);
}

QString passwordHash(const QString& password)
{
    return sha512Hex(password.toUtf8());
}

QString signatureTimestamp(const QDateTime& utc)
{
    return utc.toUTC().toString(QStringLiteral("yyyyMMddHHmmss"));
}

QString requestSignature(const QString& requestId, const QDateTime& utc, const QString& signatureKey,
                         const std::vector<SignedOperation>& operations)
{
    QByteArray base = requestId.toUtf8() + signatureTimestamp(utc).toLatin1() + signatureKey.toUtf8();
    for (const SignedOperation& op : operations)
        base += sha3_512Hex(op.operation.toLatin1() + op.base64Data).toLatin1();
    return sha3_512Hex(base);
}

std::optional<QByteArray> aes128EcbDecrypt(const QByteArray& cipherText, const QByteArray& key)
{
    return runCipher(cipherText, key, false);
}

QByteArray aes128EcbEncrypt(const QByteArray& plainText, const QByteArray& key)
{
    return runCipher(plainText, key, true).value_or(QByteArray());
}

} // namespace orvena::nav
