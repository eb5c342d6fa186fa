#pragma once
// gzip (RFC 1952) for the invoice data sent to and returned by the reporting service, through
// zlib. The service asks for the fastest level; decompression stops at a ceiling so a hostile
// or broken answer cannot blow up in memory.
#include <QByteArray>
#include <optional>

namespace orvena::nav {

// One gzip member of the data at compression level 1.
QByteArray gzipCompress(const QByteArray& data);

// The data of a gzip stream; nothing when it is not gzip, is damaged, or would exceed maxBytes.
std::optional<QByteArray> gzipDecompress(const QByteArray& compressed, qint64 maxBytes);

} // namespace orvena::nav
