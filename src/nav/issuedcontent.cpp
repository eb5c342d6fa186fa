#include "issuedcontent.h"

#include "taxnumber.h"

#include "db/connection.h"
#include "db/datamodule.h"
#include "db/sqlname.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace orvena::nav {

namespace {

QString printedTaxNumber(const QString& stored)
{
    const auto parsed = parseTaxNumber(stored);
    return parsed ? parsed->text() : stored.trimmed();
}

IssuerRegime masterRegime(DataModule& data, const QString& issuerCode)
{
    Query issuer(data.connection(), QStringLiteral("issuerVatRegime"));
    issuer.setSql({QStringLiteral("SELECT zAlanyiMentes, zPenzforgalmi, zKisadozo FROM szallito WHERE zKod = :p0 "
                                  "ORDER BY zID LIMIT 1")});
    issuer.setText(QStringLiteral("p0"), issuerCode);
    issuer.open();
    IssuerRegime r;
    if (issuer.isEmpty())
        return r;
    r.individualExemption = issuer.fieldInt(QStringLiteral("zAlanyiMentes")) != 0;
    r.cashAccounting = issuer.fieldInt(QStringLiteral("zPenzforgalmi")) != 0;
    r.smallBusiness = issuer.fieldInt(QStringLiteral("zKisadozo")) != 0;
    return r;
}

// The regime a stored invoice-data report states (its supplier's and invoice's indicators).
std::optional<IssuerRegime> reportedRegime(DataModule& data, const QString& number)
{
    Query q(data.connection(), QStringLiteral("reportedRegime"));
    q.setSql({QStringLiteral("SELECT nXml FROM szlanav WHERE nBszam = :p0")});
    q.setText(QStringLiteral("p0"), number.trimmed());
    q.open();
    if (q.isEmpty() || !q.result() || q.result()->isNull(0, 0))
        return std::nullopt;
    IssuerRegime r;
    QXmlStreamReader xml(q.result()->raw(0, 0));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        bool* flag = name == u"individualExemption"       ? &r.individualExemption
                     : name == u"cashAccountingIndicator" ? &r.cashAccounting
                     : name == u"smallBusinessIndicator"  ? &r.smallBusiness
                                                          : nullptr;
        if (flag)
            *flag = xml.readElementText().trimmed() == u"true";
    }
    if (xml.hasError())
        return std::nullopt;
    return r;
}

} // namespace

QString IssuedContent::regimeLine() const
{
    QStringList notes;
    if (regime.individualExemption)
        notes << QStringLiteral("Alanyi adómentes");
    if (regime.cashAccounting)
        notes << QStringLiteral("Pénzforgalmi elszámolás");
    if (regime.smallBusiness)
        notes << QStringLiteral("Kisadózó");
    return notes.join(QStringLiteral(" – "));
}

std::optional<IssuedContent> keptIssuedContent(DataModule& data, const QString& number)
{
    Query q(data.connection(), QStringLiteral("keptIssuedContent"));
    q.setSql({QStringLiteral("SELECT iSzallAdoszam, iVevoAdoszam, iMentesseg, iAlanyiMentes, iPenzforgalmi, iKisadozo "
                             "FROM szlakiallitas WHERE iBszam = :p0")});
    q.setText(QStringLiteral("p0"), number.trimmed());
    q.open();
    if (q.isEmpty())
        return std::nullopt;
    IssuedContent c;
    c.issuerTaxLine = q.fieldText(QStringLiteral("iSzallAdoszam"));
    c.customerTaxLine = q.fieldText(QStringLiteral("iVevoAdoszam"));
    c.exemptionReasons = q.fieldText(QStringLiteral("iMentesseg"));
    c.regime.individualExemption = q.fieldInt(QStringLiteral("iAlanyiMentes")) != 0;
    c.regime.cashAccounting = q.fieldInt(QStringLiteral("iPenzforgalmi")) != 0;
    c.regime.smallBusiness = q.fieldInt(QStringLiteral("iKisadozo")) != 0;
    return c;
}

std::optional<IssuerRegime> issuedRegime(DataModule& data, const QString& number)
{
    if (const auto kept = keptIssuedContent(data, number))
        return kept->regime;
    return reportedRegime(data, number);
}

std::optional<IssuerRegime> originalRegime(DataModule& data, const QString& number)
{
    Query q(data.connection(), QStringLiteral("originalOfModification"));
    q.setSql({QStringLiteral("SELECT hEredeti FROM szlahivatkozas WHERE hBszam = :p0")});
    q.setText(QStringLiteral("p0"), number.trimmed());
    q.open();
    if (q.isEmpty())
        return std::nullopt;
    return issuedRegime(data, q.fieldText(QStringLiteral("hEredeti")).trimmed());
}

IssuedContent currentIssuedContent(DataModule& data, const QString& number, const QString& headerTable,
                                   const QString& lineTable)
{
    IssuedContent content;
    Query h(data.connection(), QStringLiteral("issuedContentHeader"));
    h.setSql({QStringLiteral("SELECT fzKod, fvKod FROM %1 WHERE fBszam = :p0 LIMIT 1").arg(quotedName(headerTable))});
    h.setText(QStringLiteral("p0"), number);
    h.open();
    const QString issuerCode = h.fieldText(QStringLiteral("fzKod"));

    // The customer's tax number where it is a taxable person: its community VAT number when it is
    // in another EU country (and then the issuer's community VAT number too).
    Query customer(data.connection(), QStringLiteral("issuedContentCustomer"));
    customer.setSql({QStringLiteral("SELECT vAfaStatusz, vOrszag, vAdo, vKado FROM vevo WHERE vKod = :p0 ORDER BY vID "
                                    "LIMIT 1")});
    customer.setText(QStringLiteral("p0"), h.fieldText(QStringLiteral("fvKod")));
    customer.open();
    const QString status = customer.fieldText(QStringLiteral("vAfaStatusz")).trimmed().toUpper();
    const QString country = customer.fieldText(QStringLiteral("vOrszag")).trimmed().toUpper();
    const QString customerTax = customer.fieldText(QStringLiteral("vAdo")).trimmed();
    const QString customerVat = normalizedCommunityVatNumber(customer.fieldText(QStringLiteral("vKado")));
    const bool inEu = status == u"OTHER" && country != u"HU" && isEuCountry(country) && !customerVat.isEmpty();
    if (customer.isEmpty() || status == u"PRIVATE_PERSON")
        content.customerTaxLine.clear();
    else if (inEu)
        content.customerTaxLine = QStringLiteral("Közösségi adószám: ") + customerVat;
    else if (!customerTax.isEmpty())
        content.customerTaxLine = QStringLiteral("Adószám: ") + printedTaxNumber(customerTax);
    else if (!customerVat.isEmpty())
        content.customerTaxLine = QStringLiteral("Közösségi adószám: ") + customerVat;

    Query issuer(data.connection(), QStringLiteral("issuerTaxNumbers"));
    issuer.setSql({QStringLiteral("SELECT zAdo, zKado FROM szallito WHERE zKod = :p0 ORDER BY zID LIMIT 1")});
    issuer.setText(QStringLiteral("p0"), issuerCode);
    issuer.open();
    QStringList issuerParts;
    if (!issuer.fieldText(QStringLiteral("zAdo")).trimmed().isEmpty())
        issuerParts << QStringLiteral("Adószám: ") + printedTaxNumber(issuer.fieldText(QStringLiteral("zAdo")));
    const QString issuerVat = normalizedCommunityVatNumber(issuer.fieldText(QStringLiteral("zKado")));
    if (inEu && !issuerVat.isEmpty())
        issuerParts << QStringLiteral("közösségi adószám: ") + issuerVat;
    content.issuerTaxLine = issuerParts.join(QStringLiteral(", "));

    // Why a line carries no VAT: the reason of each exempt, out-of-scope or reverse-charge VAT
    // code the invoice uses, one per line.
    Query codes(data.connection(), QStringLiteral("exemptVatCodes"));
    codes.setSql({QStringLiteral("SELECT skAfakod,"),
                  QStringLiteral(" (SELECT kNavTipus FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS tipus,"),
                  QStringLiteral(" (SELECT kNavKod FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS kod,"),
                  QStringLiteral(" (SELECT kNavIndok FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS indok"),
                  QStringLiteral("FROM %1 WHERE sBszam = :p0 GROUP BY skAfakod ORDER BY skAfakod").arg(quotedName(lineTable))});
    codes.setText(QStringLiteral("p0"), number);
    codes.open();
    QStringList reasons;
    for (int row = 0; row < codes.rowCount(); ++row) {
        codes.setCurrentRow(row);
        const QString type = codes.fieldText(QStringLiteral("tipus")).trimmed().toUpper();
        const QString code = codes.fieldText(QStringLiteral("kod")).trimmed().toUpper();
        const QString reason = codes.fieldText(QStringLiteral("indok")).trimmed();
        QString kind;
        if (type == u"VAT_EXEMPTION")
            kind = QStringLiteral("Adómentes");
        else if (type == u"VAT_OUT_OF_SCOPE")
            kind = QStringLiteral("Az áfa hatályán kívüli");
        else if (type == u"DOMESTIC_REVERSE_CHARGE")
            kind = QStringLiteral("Fordított adózás");
        else
            continue;
        if (!code.isEmpty())
            kind += QStringLiteral(" (%1)").arg(code);
        const QString line = reason.isEmpty() ? kind : kind + QStringLiteral(": ") + reason;
        if (!reasons.contains(line))
            reasons << line;
    }
    content.exemptionReasons = reasons.join(u'\n');

    const bool ownTables = headerTable.compare(QStringLiteral("szlafej"), Qt::CaseInsensitive) == 0;
    const auto inherited = ownTables ? originalRegime(data, number) : std::nullopt;
    content.regime = inherited ? *inherited : masterRegime(data, issuerCode);
    return content;
}

void keepIssuedContent(DataModule& data, const QString& number, const IssuedContent& content)
{
    Query q(data.connection(), QStringLiteral("keepIssuedContent"));
    q.setSql({QStringLiteral("INSERT INTO szlakiallitas (iBszam, iSzallAdoszam, iVevoAdoszam, iMentesseg, iAlanyiMentes, "
                             "iPenzforgalmi, iKisadozo, iRogzitve) VALUES (:p0, :p1, :p2, :p3, :p4, :p5, :p6, NOW()) "
                             "ON DUPLICATE KEY UPDATE iBszam = iBszam")});
    q.setText(QStringLiteral("p0"), number.trimmed());
    q.setText(QStringLiteral("p1"), content.issuerTaxLine);
    q.setText(QStringLiteral("p2"), content.customerTaxLine);
    q.setText(QStringLiteral("p3"), content.exemptionReasons);
    q.setInteger(QStringLiteral("p4"), content.regime.individualExemption ? 1 : 0);
    q.setInteger(QStringLiteral("p5"), content.regime.cashAccounting ? 1 : 0);
    q.setInteger(QStringLiteral("p6"), content.regime.smallBusiness ? 1 : 0);
    q.execute();
}

} // namespace orvena::nav
