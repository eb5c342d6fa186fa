#pragma once
// QR codes as pictures (libqrencode): one pixel per module, black on white, with the quiet zone
// of four modules the readers need around it. The engine draws the code of whatever text a
// template's picture holds; what that text says is the print routine's business.
#include <QByteArray>
#include <QImage>

namespace orvena::reports {

// The code of `data` in byte mode with error correction M; a null image for empty data. Throws
// Error when the data is too long for any QR code.
QImage qrCodeImage(const QByteArray& data);

} // namespace orvena::reports
