#include "navgzip.h"

#include <zlib.h>

#include <algorithm>

namespace orvena::nav {

namespace {

constexpr int kGzipWindow = 15 + 16; // 32 KiB window, gzip header and trailer

} // namespace

QByteArray gzipCompress(const QByteArray& data)
{
    z_stream s{};
    if (deflateInit2(&s, 1, Z_DEFLATED, kGzipWindow, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(static_cast<qsizetype>(deflateBound(&s, static_cast<uLong>(data.size()))), Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&s, Z_FINISH);
    const auto written = static_cast<qsizetype>(s.total_out);
    deflateEnd(&s);
    if (rc != Z_STREAM_END)
        return {};
    out.truncate(written);
    return out;
}

std::optional<QByteArray> gzipDecompress(const QByteArray& compressed, qint64 maxBytes)
{
    if (compressed.size() < 18 || static_cast<unsigned char>(compressed[0]) != 0x1f
        || static_cast<unsigned char>(compressed[1]) != 0x8b)
        return std::nullopt;
    z_stream s{};
    if (inflateInit2(&s, kGzipWindow) != Z_OK)
        return std::nullopt;
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData()));
    s.avail_in = static_cast<uInt>(compressed.size());
    QByteArray out;
    char chunk[64 * 1024];
    int rc = Z_OK;
    while (rc == Z_OK) {
        s.next_out = reinterpret_cast<Bytef*>(chunk);
        s.avail_out = sizeof chunk;
        rc = inflate(&s, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        const qsizetype produced = static_cast<qsizetype>(sizeof chunk - s.avail_out);
        if (out.size() + produced > maxBytes) {
            rc = Z_MEM_ERROR;
            break;
        }
        out.append(chunk, produced);
        if (rc == Z_OK && produced == 0 && s.avail_in == 0) {
            rc = Z_DATA_ERROR; // truncated stream
            break;
        }
    }
    const bool whole = rc == Z_STREAM_END && s.avail_in == 0; // one member, nothing after it
    inflateEnd(&s);
    if (!whole)
        return std::nullopt;
    return out;
}

} // namespace orvena::nav
