#include "qrcode.h"

#include "db/errors.h"

#include <qrencode.h>

#include <memory>

namespace orvena::reports {

namespace {

constexpr int kQuietZone = 4;

struct CodeDeleter {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

} // namespace

QImage qrCodeImage(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    const std::unique_ptr<QRcode, CodeDeleter> code(
        QRcode_encodeData(static_cast<int>(data.size()), reinterpret_cast<const unsigned char*>(data.constData()), 0,
                          QR_ECLEVEL_M));
    if (!code)
        throw Error(QStringLiteral("A QR-kód nem készíthető el: túl hosszú a tartalma (%1 bájt).").arg(data.size()));
    const int width = code->width;
    const int side = width + 2 * kQuietZone;
    QImage image(side, side, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < width; ++x)
            if (code->data[y * width + x] & 1) // the lowest bit marks a dark module
                image.setPixel(x + kQuietZone, y + kQuietZone, 1);
    return image;
}

} // namespace orvena::reports
