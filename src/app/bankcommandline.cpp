#include "bankcommandline.h"
#include "options.h"

#include "bank/bankstatements.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace orvena {

QString bankCommandLineOptions()
{
    return QStringLiteral(
        "\n"
        "Bankkivonat:\n"
        "  --import-statement <fájl> [--book-exact]\n"
        "        beolvassa a bank kivonatfájlját (camt.053 XML vagy MT940), ha a számlaszáma egy\n"
        "        kibocsátóé és az egyenlegei egyeznek; a már beolvasott tételeket nem tárolja\n"
        "        újra. A --book-exact a jóváírások közül csak azokat könyveli fizetésként,\n"
        "        amelyek közleményében a számla száma áll, és összegük a számla (számlák)\n"
        "        hátralékával pontosan egyezik. Kiírja, mit könyvelt és mi maradt nyitva.\n");
}

std::optional<int> runBankCommandLine(int& argc, char** argv)
{
    const QStringList arguments = argumentList(argc, argv);
    if (!namesOption(arguments, {QStringLiteral("--import-statement")}))
        return std::nullopt;
    QString file;
    bool book = false;
    OptionReader options(arguments);
    while (options.next()) {
        const QString& option = options.option();
        if (option == u"--import-statement") {
            file = options.value();
            if (file.isEmpty())
                options.fail(QStringLiteral("Hiba: hiányzik a kivonatfájl neve."));
        } else if (option == u"--book-exact") {
            book = true;
        } else {
            options.fail(QStringLiteral("Hiba: ismeretlen kapcsoló: %1").arg(options.argument()));
        }
    }
    if (!options.error().isEmpty())
        return refuseCommandLine(options.error(), QStringLiteral("Segítség: orvena --help"));

    QFile in(file);
    if (QFileInfo(file).size() > bank::kMaxFileBytes) {
        printLine(stderr, QStringLiteral("A fájl túl nagy (legfeljebb %1 MB olvasható be): %2")
                              .arg(bank::kMaxFileBytes / (1024 * 1024))
                              .arg(file));
        return 1;
    }
    if (!in.open(QIODevice::ReadOnly)) {
        printLine(stderr, QStringLiteral("A kivonatfájl nem nyitható meg: %1").arg(file));
        return 1;
    }
    const QByteArray bytes = in.readAll();
    return runOverDatabase(argc, argv, lcApp(), [&](DataModule& data) {
        // Without a display nobody is asked which issuer an unknown account belongs to.
        const bank::ImportResult imported =
            bank::importStatement(data.connection(), bytes, QFileInfo(file).fileName(), {});
        if (!imported.ok) {
            printLine(stderr, imported.message);
            return 1;
        }
        printLine(stdout, imported.message);
        const bank::ExactBookingResult r = bank::bookExactMatches(data.connection(), imported.newEntries, book);
        if (!r.booked.isEmpty())
            printLine(stdout, QStringLiteral("Könyvelve (%1):\n  %2").arg(r.booked.size()).arg(r.booked.join(QStringLiteral("\n  "))));
        if (!r.failed.isEmpty())
            printLine(stdout, QStringLiteral("Nem könyvelhető (%1):\n  %2").arg(r.failed.size()).arg(r.failed.join(QStringLiteral("\n  "))));
        if (!r.left.isEmpty())
            printLine(stdout, QStringLiteral("Nyitva maradt (%1):\n  %2").arg(r.left.size()).arg(r.left.join(QStringLiteral("\n  "))));
        return 0;
    });
}

} // namespace orvena
