#include "navfixture.h"

#include "navschemas.h"

#include "navsend/navcrypto.h"

#include <QDir>
#include <QFile>

namespace orvena::test {

NavStandIn::User navTestUser()
{
    return {QStringLiteral("orvtesztuser01"), QStringLiteral("Titkos-Jelszó-1"), QStringLiteral("12345676"),
            QStringLiteral("k1-2b3c-4d5e6f7a8b9c0TESZTKULCS1"), QStringLiteral("CSEREKULCS123456")};
}

void prepareNavDatabase(TestDatabase& db, const QString& mode)
{
    db.exec(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS szlanav (nBszam VARCHAR(9) NOT NULL, nMuvelet VARCHAR(6), nEredeti VARCHAR(9) NULL, "
        "nModIndex INT NULL, nXml MEDIUMBLOB, nKeszult DATETIME, nAllapot VARCHAR(16) NOT NULL, "
        "nTranzakcio VARCHAR(30) NULL, nUzenet TEXT NULL, nProba INT NOT NULL DEFAULT 0, nUtolso DATETIME NULL, "
        "PRIMARY KEY (nBszam)) ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci"));
    db.exec(QStringLiteral("ALTER TABLE szallito ADD COLUMN IF NOT EXISTS zNavMod VARCHAR(4) NOT NULL DEFAULT 'OFF'"));
    const NavStandIn::User u = navTestUser();
    db.exec(QStringLiteral("UPDATE szallito SET zAdo = '12345676-2-06', zNavMod = '%1', zNavLogin = '%2', "
                           "zNavJelszo = '%3', zNavAlairo = '%4', zNavCsere = '%5' WHERE zKod = '1'")
                .arg(mode, u.login, nav::passwordHash(u.password), u.signatureKey, u.exchangeKey));
}

QByteArray navInvoiceDocument(const QString& number)
{
    static const QByteArray sample = [] {
        QFile f(QDir(NavSchemas::schemaDir()).filePath(QStringLiteral("../samples/Belfoldi_termekertekesites.xml")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QByteArray doc = sample;
    doc.replace("<invoiceNumber>2021/000123</invoiceNumber>", "<invoiceNumber>K" + number.toLatin1() + "</invoiceNumber>");
    return doc;
}

void seedNavInvoice(TestDatabase& db, const QString& number, const QString& operation, const QString& original,
                    const QString& state)
{
    db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fzKod, fvKod, fTkelt, fRkelt, fFkelt, fPrn, fPnem) VALUES "
                           "('%1', '1', '1', '2010-03-01', '2010-03-01', '2010-03-09', '1', 'Ft')")
                .arg(number));
    db.exec(QStringLiteral("INSERT INTO szlanav (nBszam, nMuvelet, nEredeti, nXml, nKeszult, nAllapot) VALUES "
                           "('%1', '%2', %3, 0x%4, NOW(), '%5')")
                .arg(number, operation, original.isEmpty() ? QStringLiteral("NULL") : u'\'' + original + u'\'',
                     QString::fromLatin1(navInvoiceDocument(number).toHex()), state));
}

} // namespace orvena::test
