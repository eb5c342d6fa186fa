#pragma once
// QR codes as pictures (libqrencode): one pixel per module, black on white, with the quiet zone
// of four modules the readers need around it.
#include "invoice/paymentqr.h"

#include <QByteArray>
#include <QImage>

namespace orvena::reports {

// The code of `data` in byte mode with error correction M; a null image for empty data. Throws
// Error when the data is too long for any QR code.
QImage qrCodeImage(const QByteArray& data);

// The instant-payment code of a transfer (see paymentQrPayload); a null image when the account
// or the amount is not usable.
QImage paymentQrImage(const PaymentAccount& account, qint64 forints, const QString& message,
                      const QDateTime& validUntil);

} // namespace orvena::reports
