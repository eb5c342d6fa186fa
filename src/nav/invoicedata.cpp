#include "invoicedata.h"

#include "issuedcontent.h"
#include "taxnumber.h"

#include "billing/amounts.h"
#include "billing/currency.h"

#include "db/conversions.h"
#include "db/datamodule.h"
#include "billing/invoicelinks.h"

#include <QRegularExpression>
#include <QXmlStreamWriter>
#include <map>
#include <optional>
#include <set>

namespace orvena::nav {

namespace {

// A stored text as the document states it: the schema's texts are single lines (its pattern
// refuses a line break), so a name or description typed on several lines reads as one, its
// lines joined by a blank.
QString oneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return QString(text).replace(breaks, QStringLiteral(" ")).trimmed();
}

const QString kDataNs = QStringLiteral("http://schemas.nav.gov.hu/OSA/3.0/data");
const QString kBaseNs = QStringLiteral("http://schemas.nav.gov.hu/OSA/3.0/base");
const QString kCommonNs = QStringLiteral("http://schemas.nav.gov.hu/NTCA/1.0/common");

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

// A decimal in program form ("2,5", "-1 234,75") in the schema's form ("2.5", "-1234.75").
QString xmlDecimal(const QString& programText)
{
    QString t = programText.trimmed();
    t.remove(u' ');
    t.replace(u',', u'.');
    if (t.isEmpty() || t == u"-")
        return QStringLiteral("0");
    return t;
}

// A whole VAT percentage as the schema's rate: 27 -> "0.27", 5 -> "0.05", 0 -> "0".
QString vatRateText(int percent)
{
    if (percent <= 0)
        return QStringLiteral("0");
    if (percent >= 100)
        return QStringLiteral("1");
    QString t = QStringLiteral("0.%1").arg(percent, 2, 10, QLatin1Char('0'));
    while (t.endsWith(u'0'))
        t.chop(1);
    return t;
}

QString isoDate(const QString& programDate)
{
    const QDate d = QDate::fromString(programDate, kDateFormat.toString());
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

// A rate as the operator reads it: "390,25", "1".
QString rateDisplay(double rate)
{
    return formatPlain(rate);
}

QString dateDisplay(const QDate& d)
{
    return d.toString(kDateFormat.toString());
}

// An amount as the operator reads it: "-1234,50".
QString amountDisplay(Money amount)
{
    return amount.text();
}

QString nameOrCode(const QString& name, const QString& code)
{
    return name.trimmed().isEmpty() ? QStringLiteral("kód: %1").arg(code) : name.trimmed();
}

struct Party {
    bool found = false;
    QString code, name, postalCode, city, street, country, taxNumber, communityVat, otherTax, status, mode, bank;
    // the issuer's VAT regime
    bool individualExemption = false, cashAccounting = false, smallBusiness = false;
};

struct LineData {
    qint64 id = 0;
    QString articleNumber, description, quantity, unit, unitPrice, vatCode, vatName;
    int vatPercent = 0;
    int codePercent = 0; // the VAT code's own rate (afa.kAfa)
    bool vatKnown = false;
    QString navType, navCase, navReason;
};

// The summary key of a line's VAT classification (one summary row per distinct one).
QString classKey(const LineData& l)
{
    if (l.navType == u"PERCENTAGE")
        return QStringLiteral("P%1").arg(l.vatPercent, 3, 10, QLatin1Char('0'));
    return l.navType + u'/' + l.navCase + u'/' + l.navReason;
}

void writeVatRate(QXmlStreamWriter& w, const QString& element, const LineData& l)
{
    w.writeStartElement(kDataNs, element);
    if (l.navType == u"PERCENTAGE") {
        w.writeTextElement(kDataNs, QStringLiteral("vatPercentage"), vatRateText(l.vatPercent));
    } else if (l.navType == u"VAT_EXEMPTION" || l.navType == u"VAT_OUT_OF_SCOPE") {
        w.writeStartElement(kDataNs, l.navType == u"VAT_EXEMPTION" ? QStringLiteral("vatExemption")
                                                                   : QStringLiteral("vatOutOfScope"));
        w.writeTextElement(kDataNs, QStringLiteral("case"), l.navCase);
        w.writeTextElement(kDataNs, QStringLiteral("reason"), l.navReason);
        w.writeEndElement();
    } else if (l.navType == u"DOMESTIC_REVERSE_CHARGE") {
        w.writeTextElement(kDataNs, QStringLiteral("vatDomesticReverseCharge"), QStringLiteral("true"));
    } else {
        w.writeTextElement(kDataNs, QStringLiteral("noVatCharge"), QStringLiteral("true"));
    }
    w.writeEndElement();
}

void writePair(QXmlStreamWriter& w, const QString& element, const QString& a, Money amount, const QString& b,
               Money huf)
{
    w.writeStartElement(kDataNs, element);
    w.writeTextElement(kDataNs, a, amount.schemaText());
    w.writeTextElement(kDataNs, b, huf.schemaText());
    w.writeEndElement();
}

void writeAddress(QXmlStreamWriter& w, const QString& element, const Party& p)
{
    w.writeStartElement(kDataNs, element);
    w.writeStartElement(kBaseNs, QStringLiteral("simpleAddress"));
    w.writeTextElement(kBaseNs, QStringLiteral("countryCode"), p.country);
    w.writeTextElement(kBaseNs, QStringLiteral("postalCode"), p.postalCode.trimmed().toUpper());
    w.writeTextElement(kBaseNs, QStringLiteral("city"), p.city.trimmed());
    w.writeTextElement(kBaseNs, QStringLiteral("additionalAddressDetail"), p.street.trimmed());
    w.writeEndElement();
    w.writeEndElement();
}

void writeTaxNumber(QXmlStreamWriter& w, const QString& element, const TaxNumber& n)
{
    w.writeStartElement(kDataNs, element);
    w.writeTextElement(kBaseNs, QStringLiteral("taxpayerId"), n.taxpayerId);
    w.writeTextElement(kBaseNs, QStringLiteral("vatCode"), n.vatCode);
    w.writeTextElement(kBaseNs, QStringLiteral("countyCode"), n.countyCode);
    w.writeEndElement();
}

QStringList addressGaps(const Party& p)
{
    QStringList gaps;
    static const QRegularExpression postal(QStringLiteral("^[A-Z0-9][A-Z0-9\\s\\-]{1,8}[A-Z0-9]$"));
    if (p.postalCode.trimmed().isEmpty())
        gaps << q("irányítószám");
    else if (!postal.match(p.postalCode.trimmed().toUpper()).hasMatch())
        gaps << q("irányítószám (hibás: „%1”)").arg(p.postalCode.trimmed());
    if (p.city.trimmed().isEmpty())
        gaps << q("helység");
    if (p.street.trimmed().isEmpty())
        gaps << q("utca, házszám");
    return gaps;
}

Party readParty(DataModule& data, bool issuer, const QString& code)
{
    Party p;
    p.code = code;
    Query r(data.connection(), QStringLiteral("NAV_PARTY"));
    r.setSql({issuer ? QStringLiteral("SELECT * FROM szallito WHERE zKod = :p0 ORDER BY zID LIMIT 1")
                     : QStringLiteral("SELECT * FROM vevo WHERE vKod = :p0 ORDER BY vID LIMIT 1")});
    r.setText(QStringLiteral("p0"), code);
    r.open();
    if (r.isEmpty())
        return p;
    p.found = true;
    if (issuer) {
        p.name = oneLine(r.fieldText(QStringLiteral("zNev1")));
        p.postalCode = r.fieldText(QStringLiteral("zIrszam"));
        p.city = oneLine(r.fieldText(QStringLiteral("zHely")));
        p.street = oneLine(r.fieldText(QStringLiteral("zUtca")));
        p.taxNumber = r.fieldText(QStringLiteral("zAdo"));
        p.communityVat = r.fieldText(QStringLiteral("zKado"));
        p.mode = r.fieldText(QStringLiteral("zNavMod")).trimmed().toUpper();
        p.bank = r.fieldText(QStringLiteral("zBankszla")).trimmed();
        p.individualExemption = r.fieldInt(QStringLiteral("zAlanyiMentes")) != 0;
        p.cashAccounting = r.fieldInt(QStringLiteral("zPenzforgalmi")) != 0;
        p.smallBusiness = r.fieldInt(QStringLiteral("zKisadozo")) != 0;
        p.country = QStringLiteral("HU");
    } else {
        p.name = oneLine(r.fieldText(QStringLiteral("vNeve")));
        p.postalCode = r.fieldText(QStringLiteral("vIrszam"));
        p.city = oneLine(r.fieldText(QStringLiteral("vHely")));
        p.street = oneLine(r.fieldText(QStringLiteral("vUtca")));
        p.taxNumber = r.fieldText(QStringLiteral("vAdo"));
        p.communityVat = r.fieldText(QStringLiteral("vKado"));
        p.otherTax = r.fieldText(QStringLiteral("vKulfAdo"));
        p.status = r.fieldText(QStringLiteral("vAfaStatusz")).trimmed().toUpper();
        p.country = r.fieldText(QStringLiteral("vOrszag")).trimmed().toUpper();
    }
    return p;
}

} // namespace

QStringList vatClassifications()
{
    return {QStringLiteral("PERCENTAGE"), QStringLiteral("VAT_EXEMPTION"), QStringLiteral("VAT_OUT_OF_SCOPE"),
            QStringLiteral("DOMESTIC_REVERSE_CHARGE"), QStringLiteral("NO_VAT_CHARGE")};
}

QStringList exemptionCases()
{
    return {QStringLiteral("AAM"), QStringLiteral("TAM"), QStringLiteral("KBAET"), QStringLiteral("KBAUK"),
            QStringLiteral("EAM"), QStringLiteral("NAM")};
}

QStringList outOfScopeCases()
{
    return {QStringLiteral("ATK"), QStringLiteral("EUFAD37"), QStringLiteral("EUFADE"), QStringLiteral("EUE"),
            QStringLiteral("HO")};
}

const QDate kZeroRateFrom(2024, 1, 1);

bool vatPercentAllowed(int percent, const QDate& deliveryDate, bool storno)
{
    switch (percent) {
    case 5:
    case 18:
    case 27:
        return true;
    // The 0 % rate exists for deliveries from 2024 on (daily newspapers first); null date: the
    // rate in itself, as the VAT-rate screen judges it.
    case 0:
        return !deliveryDate.isValid() || deliveryDate >= kZeroRateFrom;
    // The authority also takes these for deliveries before 2013 and on a storno; no new supply
    // today is taxed at them.
    case 7:
    case 12:
    case 20:
    case 25:
        return storno || (deliveryDate.isValid() && deliveryDate < QDate(2013, 1, 1));
    default:
        return false;
    }
}

QString vatRateProblem(const QString& classification, int percent)
{
    const QString type = classification.trimmed().isEmpty() ? QStringLiteral("PERCENTAGE") : classification.trimmed();
    if (type == u"PERCENTAGE") {
        if (!vatPercentAllowed(percent, QDate()))
            return q("%1 %-os áfakulcs nem alkalmazható: a hatályos kulcsok 27, 18, 5 és 0 %.")
                .arg(percent);
        return {};
    }
    if (percent != 0)
        return q("Adómentes, tárgyi hatályon kívüli, fordítottan adózó vagy áfa nélküli besorolású áfakód "
                 "kulcsa csak 0 % lehet (most %1 %).")
            .arg(percent);
    return {};
}

QString zeroRateQuestion(const QString& vatName)
{
    return q("A(z) „%1” áfakód 0 %-os százalékos kulcs lesz. A 0 %-os áfakulcs (például napilapokra, 2024. január "
             "1-jétől) nem azonos az adómentességgel: adómentes, tárgyi hatályon kívüli vagy fordítottan adózó "
             "tételhez a megfelelő besorolást (esetkóddal és indoklással) kell választani.\n"
             "Valóban a 0 %-os áfakulcsot rögzíti?")
        .arg(vatName.trimmed());
}

bool plausibleRateBand(const QString& currency, double* low, double* high)
{
    // The bands the authority watches (a rate outside them is flagged as an obvious error, such
    // as a rate not given for one unit).
    static const std::map<QString, std::pair<double, double>> bands = {
        {"EUR", {250, 500}}, {"USD", {200, 500}}, {"GBP", {250, 600}}, {"CHF", {200, 500}}, {"BGN", {120, 300}},
        {"RON", {50, 150}},  {"PLN", {50, 150}},  {"UAH", {2, 30}},    {"SEK", {20, 60}},   {"NOK", {20, 60}},
        {"MKD", {2, 20}},    {"CZK", {5, 40}},    {"ILS", {40, 200}},  {"DKK", {20, 100}},  {"RSD", {1, 9}},
        {"BAM", {100, 300}}};
    const auto it = bands.find(currency);
    if (it == bands.end())
        return false;
    *low = it->second.first;
    *high = it->second.second;
    return true;
}

QStringList customerVatStatuses()
{
    return {QStringLiteral("DOMESTIC"), QStringLiteral("PRIVATE_PERSON"), QStringLiteral("OTHER")};
}

QStringList reportingModes()
{
    return {QStringLiteral("OFF"), QStringLiteral("TEST"), QStringLiteral("PROD")};
}

QString unitOfMeasureCode(const QString& unit)
{
    static const std::map<QString, QString> codes = {
        {q("db"), "PIECE"},       {q("darab"), "PIECE"},     {q("kg"), "KILOGRAM"},     {q("t"), "TON"},
        {q("tonna"), "TON"},      {q("kwh"), "KWH"},         {q("nap"), "DAY"},         {q("óra"), "HOUR"},
        {q("ó"), "HOUR"},         {q("perc"), "MINUTE"},     {q("hó"), "MONTH"},        {q("hónap"), "MONTH"},
        {q("l"), "LITER"},        {q("liter"), "LITER"},     {q("km"), "KILOMETER"},    {q("m3"), "CUBIC_METER"},
        {q("m³"), "CUBIC_METER"}, {q("m"), "METER"},         {q("méter"), "METER"},     {q("fm"), "LINEAR_METER"},
        {q("folyóméter"), "LINEAR_METER"}, {q("karton"), "CARTON"}, {q("csomag"), "PACK"}, {q("cs"), "PACK"}};
    QString u = unit.trimmed().toLower();
    if (u.endsWith(u'.'))
        u.chop(1);
    const auto it = codes.find(u);
    return it == codes.end() ? QString() : it->second;
}

QString currencyCode(const QString& currency)
{
    return billing::currencyCode(currency);
}

QString paymentMethodCode(const QString& method)
{
    const QString m = method.trimmed().toLower();
    if (m.isEmpty())
        return {};
    if (m == u"kp." || m == u"kp" || m == q("készpénz"))
        return QStringLiteral("CASH");
    if (m == q("átutalás") || m == q("átut."))
        return QStringLiteral("TRANSFER");
    if (m == q("kártya") || m == q("bankkártya"))
        return QStringLiteral("CARD");
    if (m == q("utalvány"))
        return QStringLiteral("VOUCHER");
    return QStringLiteral("OTHER");
}

namespace {

// What the header gives the document besides what InvoiceDocument keeps.
struct Header {
    QString issueDate, deliveryDate, dueDate; // ISO, empty when missing
    QString method;                           // the payment method's code
    QString currencyText, currency;           // as stored; its ISO code (empty when unknown)
    double rate = 0;
    QString rateText;                         // the schema's form
    QString issuerCode, customerCode;
    InvoiceAppearance appearance = InvoiceAppearance::Paper; // how the invoice reaches the customer
    bool huf() const { return currency == u"HUF"; }
};

// The customer's tax identification the document states.
struct CustomerTax {
    std::optional<TaxNumber> taxNumber; // a domestic customer's
    QString communityVat;               // a customer's in another member state
};

// A problem that refuses the issue whatever the reporting mode.
void ruleProblem(InvoiceDocument& doc, const QString& text)
{
    doc.problems << text;
    doc.ruleProblems << text;
}

std::optional<Header> readHeader(DataModule& data, InvoiceDocument& doc)
{
    Query h(data.connection(), QStringLiteral("NAV_HEAD"));
    h.setSql({QStringLiteral("SELECT fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, fArfoly, fPnem, fzKod, "
                             "fvKod FROM szlafej WHERE fBszam = :p0 ORDER BY fID LIMIT 1")});
    h.setText(QStringLiteral("p0"), doc.number);
    h.open();
    if (h.isEmpty())
        return std::nullopt;
    doc.found = true;
    doc.number = h.fieldText(QStringLiteral("fBszam"));
    doc.issued = h.fieldText(QStringLiteral("fPrn")).trimmed() == u"I";
    Header head;
    head.issueDate = isoDate(h.fieldText(QStringLiteral("fRkelt")));
    head.deliveryDate = isoDate(h.fieldText(QStringLiteral("fTkelt")));
    head.dueDate = isoDate(h.fieldText(QStringLiteral("fFkelt")));
    doc.issueDate = QDate::fromString(head.issueDate, Qt::ISODate);
    doc.deliveryDate = QDate::fromString(head.deliveryDate, Qt::ISODate);
    doc.dueDate = QDate::fromString(head.dueDate, Qt::ISODate);
    head.method = paymentMethodCode(h.fieldText(QStringLiteral("fFizmod")));
    head.currencyText = h.fieldText(QStringLiteral("fPnem"));
    head.currency = currencyCode(head.currencyText);
    head.rate = h.fieldDouble(QStringLiteral("fArfoly"));
    head.rateText = xmlDecimal(h.fieldText(QStringLiteral("fArfoly")));
    head.issuerCode = h.fieldText(QStringLiteral("fzKod"));
    head.customerCode = h.fieldText(QStringLiteral("fvKod"));
    return head;
}

// The dates, the currency and its rate.
void checkHeader(InvoiceDocument& doc, const Header& head)
{
    if (head.issueDate.isEmpty() || doc.issueDate < QDate(2010, 1, 1))
        doc.problems << q("A számla kelte (Szla.kelte) hiányzik vagy hibás.");
    if (head.deliveryDate.isEmpty() || doc.deliveryDate < QDate(2010, 1, 1))
        doc.problems << q("A számla teljesítési dátuma (Telj.kelte) hiányzik vagy hibás.");
    if (head.currency.isEmpty())
        doc.problems << q("A számla pénzneme („%1”) nem ismert pénznemkód (ISO 4217, például EUR).").arg(head.currencyText);
    else if (!head.huf() && !(head.rate > 0)) {
        // Without the rate the print shows no forint amounts and the report has none: a new
        // invoice is refused in every reporting mode; a storno repeats its original as it was.
        const QString missing = q("A(z) %1 pénznemű számla árfolyama hiányzik (pozitív árfolyam kell).").arg(head.currency);
        if (doc.storno)
            doc.problems << missing;
        else
            ruleProblem(doc, missing);
    }

    // What the law and the authority refuse whatever the reporting mode, and what the operator
    // confirms first.
    const QDate today = QDate::currentDate();
    if (doc.issueDate.isValid() && doc.issueDate > today.addYears(1))
        ruleProblem(doc, q("A számla kelte (%1) több mint egy évvel a mai nap utáni: ilyen keltű számlát az adóhatóság "
                           "nem fogad be.")
                             .arg(dateDisplay(doc.issueDate)));
    else if (doc.issueDate.isValid() && doc.issueDate >= today.addDays(5))
        doc.questions << q("A számla kelte (%1) %2 nappal a mai nap utáni.")
                             .arg(dateDisplay(doc.issueDate))
                             .arg(today.daysTo(doc.issueDate));
    if (doc.issueDate.isValid() && doc.deliveryDate.isValid() && doc.deliveryDate > doc.issueDate.addYears(5))
        ruleProblem(doc, q("A teljesítés dátuma (%1) több mint öt évvel a számla kelte (%2) utáni.")
                             .arg(dateDisplay(doc.deliveryDate), dateDisplay(doc.issueDate)));
    const QString& currency = head.currency;
    const double rate = head.rate;
    if (head.huf() && rate != 0 && rate != 1) {
        // The print would convert at this rate while the report states 1.
        ruleProblem(doc, q("A forintos számla árfolyama (Árfolyam: %1) csak 1 lehet (vagy 0, ha nincs átszámítás).")
                             .arg(rateDisplay(rate)));
    } else if (!currency.isEmpty() && !head.huf() && rate > 0) {
        double low = 0, high = 0;
        if (rate == 1)
            doc.questions << q("A(z) %1 pénznemű számla árfolyama 1: a forintban kimutatott összegek így "
                               "megegyeznek a devizaösszegekkel.")
                                 .arg(currency);
        else if (plausibleRateBand(currency, &low, &high) && (rate < low || rate > high))
            doc.questions << q("A(z) %1 pénznemű számla árfolyama (%2) kívül esik a szokásos %3–%4 Ft-os sávon "
                               "(az árfolyam egy egységre vonatkozik).")
                                 .arg(currency, rateDisplay(rate), rateDisplay(low), rateDisplay(high));
    }
}

// A storno or a correcting invoice is linked to the invoice it reverses or corrects when it is
// made (szlahivatkozas); its remark is the operator's text and decides nothing.
void readStornoLink(DataModule& data, InvoiceDocument& doc, int modificationIndex)
{
    Query link(data.connection(), QStringLiteral("NAV_LINK"));
    link.setSql({QStringLiteral("SELECT hEredeti, hMuvelet FROM szlahivatkozas WHERE hBszam = :p0 AND hMuvelet IN (:p1, :p2)")});
    link.setText(QStringLiteral("p0"), doc.number);
    link.setText(QStringLiteral("p1"), kStornoLink);
    link.setText(QStringLiteral("p2"), kModifyLink);
    link.open();
    if (link.isEmpty())
        return;
    doc.storno = true;
    doc.correction = link.fieldText(QStringLiteral("hMuvelet")).trimmed() == kModifyLink;
    doc.original = link.fieldText(QStringLiteral("hEredeti"));
    if (doc.correction && !doc.issued) {
        // An original reversed meanwhile takes no more corrections: the storno already brought its
        // chain to nought.
        Query r(data.connection(), QStringLiteral("NAV_AUX"));
        r.setSql({QStringLiteral("SELECT hBszam FROM szlahivatkozas WHERE hEredeti = :p0 AND hMuvelet = :p1")});
        r.setText(QStringLiteral("p0"), doc.original);
        r.setText(QStringLiteral("p1"), kStornoLink);
        r.open();
        if (!r.isEmpty())
            ruleProblem(doc, q("A helyesbített %1 számú számlát a(z) %2 számú storno számla már érvénytelenítette, "
                               "helyesbítése nem állítható ki.")
                                 .arg(doc.original, r.fieldText(QStringLiteral("hBszam"))));
    }
    Query o(data.connection(), QStringLiteral("NAV_AUX"));
    o.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM szlafej WHERE fBszam = :p0")});
    o.setText(QStringLiteral("p0"), doc.original);
    o.open();
    if (o.fieldInt(QStringLiteral("db")) == 0)
        doc.problems << q("A stornózott %1 számú számla nem található.").arg(doc.original);
    // An original the authority never received (issued with reporting off, or before
    // reporting existed) is reversed without its master.
    o.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM szlanav WHERE nBszam = :p0 AND nAllapot <> 'NEM_KULDENDO'")});
    o.setText(QStringLiteral("p0"), doc.original);
    o.open();
    doc.withoutMaster = o.fieldInt(QStringLiteral("db")) == 0;
    if (modificationIndex > 0) {
        doc.modificationIndex = modificationIndex;
        return;
    }
    o.setSql({QStringLiteral("SELECT nModIndex FROM szlanav WHERE nBszam = :p1"),
              QStringLiteral("UNION ALL SELECT MAX(nModIndex) + 1 FROM szlanav WHERE nEredeti = :p0 AND nBszam <> :p1")});
    o.setText(QStringLiteral("p0"), doc.original);
    o.setText(QStringLiteral("p1"), doc.number);
    o.open();
    // This invoice's own index when it has one, otherwise the next free one.
    doc.modificationIndex = o.rowCount() > 0 && !o.text(0, 0).isEmpty() ? static_cast<int>(o.integer(0, 0)) : 1;
}

// The issuer's name, address and tax number; its parsed tax number when it has a valid one.
std::optional<TaxNumber> checkIssuer(InvoiceDocument& doc, const Party& issuer)
{
    doc.issuerMode = issuer.found && reportingModes().contains(issuer.mode) ? issuer.mode : QStringLiteral("OFF");
    std::optional<TaxNumber> issuerTax;
    if (!issuer.found) {
        // No invoice without the issuer's name, address and tax number, whatever the mode.
        ruleProblem(doc, q("A számla kibocsátója (kód: %1) nem található. Vegyen fel kibocsátót a főmenü „Kibocsátó” "
                           "pontjában, majd a számlán válassza ki a „Szállító” gombbal.")
                             .arg(issuer.code));
        return issuerTax;
    }
    const QString who = nameOrCode(issuer.name, issuer.code);
    if (issuer.name.trimmed().isEmpty())
        doc.problems << q("A kibocsátó (kód: %1) neve hiányzik.").arg(issuer.code);
    if (issuer.taxNumber.trimmed().isEmpty()) {
        doc.problems << q("A kibocsátó (%1) adószáma hiányzik.").arg(who);
    } else {
        issuerTax = parseTaxNumber(issuer.taxNumber);
        if (!issuerTax)
            doc.problems << q("A kibocsátó (%1) adószáma hibás: „%2” (alakja 12345678-1-12, a nyolcadik számjegy "
                              "ellenőrző számjegy).")
                                .arg(who, issuer.taxNumber.trimmed());
    }
    const QStringList gaps = addressGaps(issuer);
    if (!gaps.isEmpty())
        doc.problems << q("A kibocsátó (%1) címéből hiányzik: %2.").arg(who, gaps.join(QStringLiteral(", ")));
    return issuerTax;
}

// A found customer's name, country and address as its VAT status needs them.
void checkCustomerAddress(InvoiceDocument& doc, const Party& customer, const QString& who)
{
    if (!customerVatStatuses().contains(customer.status)) {
        doc.problems << q("A vevő (%1) áfa-státusza ismeretlen: „%2”.").arg(who, customer.status);
    } else if (customer.status != u"PRIVATE_PERSON") {
        if (customer.name.trimmed().isEmpty())
            doc.problems << q("A vevő (kód: %1) neve hiányzik.").arg(customer.code);
        static const QRegularExpression country(QStringLiteral("^[A-Z]{2}$"));
        if (!country.match(customer.country).hasMatch())
            doc.problems << q("A vevő (%1) országkódja hibás: „%2” (kétbetűs kód, például HU, AT).").arg(who, customer.country);
        const QStringList gaps = addressGaps(customer);
        if (!gaps.isEmpty())
            doc.problems << q("A vevő (%1) címéből hiányzik: %2.").arg(who, gaps.join(QStringLiteral(", ")));
    }
}

// The customer's data and tax identification as its VAT status needs them.
CustomerTax checkCustomer(InvoiceDocument& doc, const Party& customer)
{
    CustomerTax tax;
    if (!customer.found) {
        doc.problems << q("A számla vevője (kód: %1) nem található.").arg(customer.code);
        return tax;
    }
    const QString who = nameOrCode(customer.name, customer.code);
    checkCustomerAddress(doc, customer, who);
    if (customer.status == u"PRIVATE_PERSON" && !isBlank(customer.taxNumber))
        ruleProblem(doc, q("A vevő (%1) áfa-státusza magánszemély, mégis van adószáma („%2”): adószámos vevő "
                           "áfa-státusza belföldi legyen, magánszemélynél pedig az adószám mezője maradjon üres.")
                             .arg(who, customer.taxNumber.trimmed()));
    if (customer.status == u"DOMESTIC") {
        if (customer.taxNumber.trimmed().isEmpty()) {
            doc.problems << q("A belföldi vevő (%1) adószáma hiányzik.").arg(who);
        } else {
            tax.taxNumber = parseTaxNumber(customer.taxNumber);
            if (!tax.taxNumber)
                doc.problems << q("A belföldi vevő (%1) adószáma hibás: „%2” (alakja 12345678-1-12, a nyolcadik "
                                  "számjegy ellenőrző számjegy).")
                                    .arg(who, customer.taxNumber.trimmed());
        }
    } else if (customer.status == u"OTHER" && isEuCountry(customer.country) && customer.country != u"HU") {
        // A customer in another member state; one in Hungary without a tax number (an
        // association, a foundation) has no community VAT number to give.
        tax.communityVat = normalizedCommunityVatNumber(customer.communityVat);
        if (tax.communityVat.isEmpty())
            doc.problems << q("Az EU-s vevő (%1) közösségi adószáma (Köz.adószám) hiányzik.").arg(who);
        else if (!isCommunityVatNumber(tax.communityVat))
            doc.problems << q("Az EU-s vevő (%1) közösségi adószáma hibás: „%2” (országjel és szám, például "
                              "ATU12345678).")
                                .arg(who, customer.communityVat.trimmed());
    }
    return tax;
}

// The lines with their VAT codes' classification, in line order.
std::vector<LineData> readLines(DataModule& data, const QString& number)
{
    Query l(data.connection(), QStringLiteral("NAV_LINES"));
    l.setSql({QStringLiteral("SELECT sID, scSzam, sMegn, sMenny, sMe, ROUND(sEar - sEar * fKerek / 100, 10) AS egysegar,"),
              QStringLiteral(" skAfakod, sAfanev, sAfa,"),
              QStringLiteral(" (SELECT COUNT(*) FROM afa WHERE kAfakod = skAfakod) AS kDb,"),
              QStringLiteral(" (SELECT kAfa FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS kAfa,"),
              QStringLiteral(" (SELECT kNavTipus FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS kNavTipus,"),
              QStringLiteral(" (SELECT kNavKod FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS kNavKod,"),
              QStringLiteral(" (SELECT kNavIndok FROM afa WHERE kAfakod = skAfakod ORDER BY kID LIMIT 1) AS kNavIndok"),
              QStringLiteral("FROM szlasor JOIN szlafej ON fBszam = sBszam WHERE sBszam = :p0 GROUP BY sID ORDER BY sID")});
    l.setText(QStringLiteral("p0"), number);
    l.open();
    std::vector<LineData> lines;
    lines.reserve(static_cast<size_t>(l.rowCount()));
    const int cId = l.columnIndex(QStringLiteral("sID")), cArt = l.columnIndex(QStringLiteral("scSzam")),
              cDesc = l.columnIndex(QStringLiteral("sMegn")), cQty = l.columnIndex(QStringLiteral("sMenny")),
              cUnit = l.columnIndex(QStringLiteral("sMe")), cPrice = l.columnIndex(QStringLiteral("egysegar")),
              cCode = l.columnIndex(QStringLiteral("skAfakod")), cName = l.columnIndex(QStringLiteral("sAfanev")),
              cPct = l.columnIndex(QStringLiteral("sAfa")), cDb = l.columnIndex(QStringLiteral("kDb")),
              cType = l.columnIndex(QStringLiteral("kNavTipus")), cCase = l.columnIndex(QStringLiteral("kNavKod")),
              cReason = l.columnIndex(QStringLiteral("kNavIndok")), cCodePct = l.columnIndex(QStringLiteral("kAfa"));
    for (int r = 0; r < l.rowCount(); ++r) {
        LineData d;
        d.id = l.integer(r, cId);
        d.articleNumber = oneLine(l.text(r, cArt));
        d.description = oneLine(l.text(r, cDesc));
        d.quantity = xmlDecimal(l.text(r, cQty));
        d.unit = oneLine(l.text(r, cUnit));
        d.unitPrice = xmlDecimal(l.text(r, cPrice));
        d.vatCode = l.text(r, cCode).trimmed();
        d.vatName = l.text(r, cName).trimmed();
        d.vatPercent = static_cast<int>(l.integer(r, cPct));
        d.codePercent = static_cast<int>(l.integer(r, cCodePct));
        d.vatKnown = l.text(r, cDb) != u"0";
        d.navType = l.text(r, cType).trimmed().toUpper();
        d.navCase = l.text(r, cCase).trimmed().toUpper();
        d.navReason = oneLine(l.text(r, cReason));
        lines.push_back(d);
    }
    return lines;
}

// Whether a VAT code may be used for this customer on this invoice: the rate in force for the
// delivery date, the EU cases only for a business of another member state, export only outside
// the EU. Empty when it may.
QString vatCodeUseProblem(const LineData& d, const InvoiceDocument& doc, const Party& customer,
                          const CustomerTax& customerTax)
{
    const bool euBusinessAbroad = customer.found && customer.status == u"OTHER" && isEuCountry(customer.country)
                                  && customer.country != u"HU" && isCommunityVatNumber(customerTax.communityVat);
    const bool outsideEu = customer.found && customer.status != u"DOMESTIC" && !customer.country.isEmpty()
                           && !isEuCountry(customer.country);
    const QString code = q("A(z) „%1” áfakód (%2)").arg(d.vatCode, d.vatName);
    const QString eu = q("csak más EU-tagállamban nyilvántartásba vett, közösségi adószámmal rendelkező "
                         "(„egyéb” áfa-státuszú) vevőnek számlázható");
    if (d.navType == u"PERCENTAGE" && !vatPercentAllowed(d.vatPercent, doc.deliveryDate, doc.storno))
        return d.vatPercent == 0
                   ? q("%1 0 %-os „százalékos” kulcsa csak 2024. január 1-jétől teljesített értékesítésre "
                       "alkalmazható (a teljesítés napja %2); mentes vagy tárgyi hatályon kívüli tételhez a "
                       "megfelelő besorolású áfakódot kell választani.")
                         .arg(code, dateDisplay(doc.deliveryDate))
               : vatPercentAllowed(d.vatPercent, QDate(2012, 12, 31))
                   ? q("%1 kulcsa (%2 %) csak 2013 előtti teljesítésre alkalmazható: a hatályos kulcsok 27, 18, "
                       "5 és 0 %.")
                         .arg(code, QString::number(d.vatPercent))
                   : q("%1 kulcsa (%2 %) nem alkalmazható: a hatályos kulcsok 27, 18, 5 és 0 %.")
                         .arg(code, QString::number(d.vatPercent));
    if ((d.navCase == u"KBAET" || d.navCase == u"KBAUK" || d.navCase == u"EUFAD37" || d.navCase == u"EUFADE")
        && (d.navType == u"VAT_EXEMPTION" || d.navType == u"VAT_OUT_OF_SCOPE") && !euBusinessAbroad)
        return q("%1 %2, a vevő (%3) nem ilyen.").arg(code, eu, nameOrCode(customer.name, customer.code));
    if (d.navType == u"VAT_EXEMPTION" && d.navCase == u"EAM" && !outsideEu)
        return q("%1 (termékexport) csak az EU-n kívüli vevőnek számlázható, a vevő (%2) nem ilyen.")
            .arg(code, nameOrCode(customer.name, customer.code));
    return {};
}

// Whether a VAT code's classification is complete. Empty when it is.
QString vatClassificationProblem(const LineData& d)
{
    const QString code = q("A(z) „%1” áfakód (%2)").arg(d.vatCode, d.vatName);
    if (!d.vatKnown)
        return q("%1 nem szerepel az áfakulcsok között, így nincs adóhatósági besorolása.").arg(code);
    if (!vatClassifications().contains(d.navType))
        return q("%1 adóhatósági besorolása ismeretlen: „%2”.").arg(code, d.navType);
    if (d.navType == u"VAT_EXEMPTION" && !exemptionCases().contains(d.navCase))
        return q("%1 mentességi esetkódja hiányzik vagy ismeretlen: „%2” (%3).")
            .arg(code, d.navCase, exemptionCases().join(QStringLiteral(", ")));
    if (d.navType == u"VAT_OUT_OF_SCOPE" && !outOfScopeCases().contains(d.navCase))
        return q("%1 „ÁFA tárgyi hatályán kívüli” esetkódja hiányzik vagy ismeretlen: „%2” (%3).")
            .arg(code, d.navCase, outOfScopeCases().join(QStringLiteral(", ")));
    if ((d.navType == u"VAT_EXEMPTION" || d.navType == u"VAT_OUT_OF_SCOPE") && d.navReason.isEmpty())
        return q("%1 adóhatósági besorolásához hiányzik az indoklás szövege.").arg(code);
    return {};
}

// Each VAT code the lines use, once: its rate against the line's, its use for this customer,
// its classification.
void checkLineVat(InvoiceDocument& doc, const std::vector<LineData>& lines, const Party& customer,
                  const CustomerTax& customerTax)
{
    QStringList reportedCodes;
    QStringList ruledCodes;
    for (size_t r = 0; r < lines.size(); ++r) {
        const LineData& d = lines[r];
        if (reportedCodes.contains(d.vatCode))
            continue;
        const QString line = q("A(z) %1. sor („%2”)").arg(QString::number(r + 1), d.description);
        // A storno repeats its original's lines as they were issued, whatever the code says today.
        if (d.vatKnown && d.vatPercent != d.codePercent && !doc.storno) {
            ruleProblem(doc, q("%1 áfakulcsa (%2 %) eltér „%3” áfakódjának kulcsától (%4 %): válassza ki újra a sor "
                               "áfakódját.")
                                 .arg(line, QString::number(d.vatPercent), d.vatCode, QString::number(d.codePercent)));
        } else if (d.vatKnown && !ruledCodes.contains(d.vatCode)) {
            const QString problem = vatCodeUseProblem(d, doc, customer, customerTax);
            if (!problem.isEmpty()) {
                ruleProblem(doc, problem);
                ruledCodes << d.vatCode;
            }
        }
        const QString problem = vatClassificationProblem(d);
        if (!problem.isEmpty()) {
            doc.problems << problem;
            reportedCodes << d.vatCode;
        }
    }
}

// An individually exempt issuer charges no VAT: every line of its new invoices is exempt with case
// AAM. Each other VAT code is named once, with the first line that uses it.
void checkExemptIssuerLines(InvoiceDocument& doc, const Party& issuer, const std::vector<LineData>& lines)
{
    if (!issuer.found || !issuer.individualExemption || doc.storno)
        return;
    QStringList named;
    for (size_t r = 0; r < lines.size(); ++r) {
        const LineData& d = lines[r];
        if ((d.vatKnown && d.navType == u"VAT_EXEMPTION" && d.navCase == u"AAM") || named.contains(d.vatCode))
            continue;
        named << d.vatCode;
        ruleProblem(doc, q("A kibocsátó (%1) alanyi adómentes, ezért a számla minden sorának alanyi adómentes (AAM) "
                           "áfakódja kell legyen: a(z) %2. sor („%3”) „%4” áfakódja (%5) nem ilyen.")
                             .arg(nameOrCode(issuer.name, issuer.code), QString::number(r + 1), d.description,
                                  d.vatCode, d.vatName));
    }
}

// The amounts against the lines' VAT codes and the invoice's kind.
void checkAmounts(InvoiceDocument& doc, const std::vector<LineData>& lines)
{
    for (size_t i = 0; i < lines.size() && i < doc.amounts.lines.size(); ++i) {
        const LineData& d = lines[i];
        if (d.vatKnown && (d.vatPercent == d.codePercent || doc.storno) && vatClassifications().contains(d.navType)
            && d.navType != u"PERCENTAGE" && !doc.amounts.lines[i].vat.isZero())
            ruleProblem(doc, q("A(z) %1. sor („%2”) „%3” áfakódja (%4) nem százalékos besorolású, mégis áfát tartalmaz "
                               "(%5): az áfakód kulcsa 0 % kell legyen.")
                                 .arg(QString::number(i + 1), d.description, d.vatCode, d.vatName,
                                      amountDisplay(doc.amounts.lines[i].vat)));
    }
    if (!doc.storno && doc.kind != InvoiceKind::Final && doc.amounts.net.isNegative())
        ruleProblem(doc, q("A számla nettó végösszege negatív (%1): új számla nem lehet negatív. Egy kiállított számla "
                           "helyesbítéséhez a számlanyilvántartásban a „Storno” gombbal készítsen stornó számlát.")
                             .arg(amountDisplay(doc.amounts.net)));
}

// An advance invoice and a final invoice's deductions: each deduction complete and negative, its
// advance one that may be deducted here; the final invoice's payable not negative.
void checkAdvance(DataModule& data, InvoiceDocument& doc, const Header& head, const std::vector<LineData>& lines)
{
    doc.kind = readInvoiceKind(data.connection(), doc.number);
    doc.deductions = readDeductions(data.connection(), doc.number);
    if (doc.kind != InvoiceKind::Final) {
        if (!doc.deductions.empty())
            ruleProblem(doc, q("A számlán előleg-levonás van, de a számla nincs végszámlának jelölve."));
        return;
    }
    if (doc.deductions.empty() && !doc.storno)
        ruleProblem(doc, q("A végszámlán nincs levont előlegszámla: az „Előleg levonása” gombbal vonja le az előleget, "
                           "vagy vegye le a „Végszámla” jelölést."));
    for (size_t i = 0; i < lines.size() && i < doc.amounts.lines.size(); ++i) {
        const auto it = doc.deductions.find(lines[i].id);
        if (it == doc.deductions.end())
            continue;
        const Deduction& d = it->second;
        const QString line = q("A(z) %1. sor („%2”)").arg(QString::number(i + 1), lines[i].description);
        bool rateOk = false;
        const double rate = xmlDecimal(d.rate).toDouble(&rateOk);
        if (d.advance.isEmpty() || !d.paid.isValid() || !rateOk || !(rate > 0))
            ruleProblem(doc, q("%1 előleg-levonásának adatai hiányosak (az előlegszámla száma, az előleg fizetésének "
                               "napja és árfolyama kell).")
                                 .arg(line));
        else if (head.huf() && rate != 1)
            ruleProblem(doc, q("%1 forintos előlegének árfolyama (%2) csak 1 lehet.").arg(line, rateDisplay(rate)));
        if (doc.storno)
            continue;
        if (!doc.amounts.lines[i].net.isNegative())
            ruleProblem(doc, q("%1 előleg-levonás, mégsem negatív összegű.").arg(line));
        const QString problem = deductionProblem(data.connection(), d.advance, doc.number, head.customerCode,
                                                 head.currency, false);
        if (!problem.isEmpty())
            ruleProblem(doc, problem);
    }
    if (!doc.storno && doc.amounts.gross().isNegative())
        ruleProblem(doc, q("A végszámla fizetendő végösszege negatív (%1): a levont előleg több a teljes ellenértéknél. "
                           "Végszámla nem lehet negatív: helyesbítse az előlegszámlát (a számlanyilvántartásban "
                           "stornózza, és állítsa ki újra a helyes összeggel).")
                             .arg(amountDisplay(doc.amounts.gross())));
    else if (!doc.storno && doc.amounts.net.isNegative())
        ruleProblem(doc, q("A végszámla nettó végösszege negatív (%1): a levont előleg több a teljes ellenértéknél. "
                           "Végszámla nem lehet negatív: helyesbítse az előlegszámlát.")
                             .arg(amountDisplay(doc.amounts.net)));
}

// The advance data of a line: every line of an advance invoice, a final invoice's deduction lines
// with the advance they deduct.
void writeAdvanceData(QXmlStreamWriter& w, const InvoiceDocument& doc, qint64 lineId)
{
    const auto it = doc.deductions.find(lineId);
    const bool deduction = doc.kind == InvoiceKind::Final && it != doc.deductions.end();
    if (doc.kind != InvoiceKind::Advance && !deduction)
        return;
    w.writeStartElement(kDataNs, QStringLiteral("advanceData"));
    w.writeTextElement(kDataNs, QStringLiteral("advanceIndicator"), QStringLiteral("true"));
    if (deduction) {
        w.writeStartElement(kDataNs, QStringLiteral("advancePaymentData"));
        w.writeTextElement(kDataNs, QStringLiteral("advanceOriginalInvoice"), u'K' + it->second.advance);
        w.writeTextElement(kDataNs, QStringLiteral("advancePaymentDate"), it->second.paid.toString(Qt::ISODate));
        w.writeTextElement(kDataNs, QStringLiteral("advanceExchangeRate"), xmlDecimal(it->second.rate));
        w.writeEndElement();
    }
    w.writeEndElement(); // advanceData
}

// Storno lines continue the numbering after the original's lines and those of its earlier
// modifications; 0 for an invoice of its own.
int stornoLineBase(DataModule& data, const InvoiceDocument& doc)
{
    if (!doc.storno)
        return 0;
    Query o(data.connection(), QStringLiteral("NAV_AUX"));
    o.setSql({QStringLiteral("SELECT COUNT(*) AS db FROM szlasor WHERE sBszam = :p0 OR sBszam IN"),
              QStringLiteral(" (SELECT nBszam FROM szlanav WHERE nEredeti = :p0 AND nModIndex < :p1 AND nBszam <> :p2)")});
    o.setText(QStringLiteral("p0"), doc.original);
    o.setInteger(QStringLiteral("p1"), doc.modificationIndex);
    o.setText(QStringLiteral("p2"), doc.number);
    o.open();
    return static_cast<int>(o.fieldInt(QStringLiteral("db")));
}

void writeSupplierInfo(QXmlStreamWriter& w, const Party& issuer, const TaxNumber& issuerTax)
{
    w.writeStartElement(kDataNs, QStringLiteral("supplierInfo"));
    writeTaxNumber(w, QStringLiteral("supplierTaxNumber"), issuerTax);
    if (isCommunityVatNumber(issuer.communityVat))
        w.writeTextElement(kDataNs, QStringLiteral("communityVatNumber"), normalizedCommunityVatNumber(issuer.communityVat));
    w.writeTextElement(kDataNs, QStringLiteral("supplierName"), issuer.name.trimmed());
    writeAddress(w, QStringLiteral("supplierAddress"), issuer);
    static const QRegularExpression bank(
        QStringLiteral("^([0-9]{8}[-][0-9]{8}[-][0-9]{8}|[0-9]{8}[-][0-9]{8}|[A-Z]{2}[0-9]{2}[0-9A-Za-z]{11,30})$"));
    if (bank.match(issuer.bank).hasMatch())
        w.writeTextElement(kDataNs, QStringLiteral("supplierBankAccountNumber"), issuer.bank);
    if (issuer.individualExemption)
        w.writeTextElement(kDataNs, QStringLiteral("individualExemption"), QStringLiteral("true"));
    w.writeEndElement(); // supplierInfo
}

void writeCustomerInfo(QXmlStreamWriter& w, const Party& customer, const CustomerTax& tax)
{
    w.writeStartElement(kDataNs, QStringLiteral("customerInfo"));
    w.writeTextElement(kDataNs, QStringLiteral("customerVatStatus"), customer.status);
    if (customer.status != u"PRIVATE_PERSON") {
        if (tax.taxNumber) {
            w.writeStartElement(kDataNs, QStringLiteral("customerVatData"));
            writeTaxNumber(w, QStringLiteral("customerTaxNumber"), *tax.taxNumber);
            w.writeEndElement();
        } else if (!tax.communityVat.isEmpty()) {
            w.writeStartElement(kDataNs, QStringLiteral("customerVatData"));
            w.writeTextElement(kDataNs, QStringLiteral("communityVatNumber"), tax.communityVat);
            w.writeEndElement();
        } else if (customer.status == u"OTHER" && !isEuCountry(customer.country)
                   && !customer.otherTax.trimmed().isEmpty()) {
            w.writeStartElement(kDataNs, QStringLiteral("customerVatData"));
            w.writeTextElement(kDataNs, QStringLiteral("thirdStateTaxId"), customer.otherTax.trimmed());
            w.writeEndElement();
        }
        w.writeTextElement(kDataNs, QStringLiteral("customerName"), customer.name.trimmed());
        writeAddress(w, QStringLiteral("customerAddress"), customer);
    }
    w.writeEndElement(); // customerInfo
}

void writeInvoiceDetail(QXmlStreamWriter& w, const Header& head, const Party& issuer)
{
    w.writeStartElement(kDataNs, QStringLiteral("invoiceDetail"));
    w.writeTextElement(kDataNs, QStringLiteral("invoiceCategory"), QStringLiteral("NORMAL"));
    w.writeTextElement(kDataNs, QStringLiteral("invoiceDeliveryDate"), head.deliveryDate);
    if (issuer.smallBusiness)
        w.writeTextElement(kDataNs, QStringLiteral("smallBusinessIndicator"), QStringLiteral("true"));
    w.writeTextElement(kDataNs, QStringLiteral("currencyCode"), head.currency);
    w.writeTextElement(kDataNs, QStringLiteral("exchangeRate"), head.huf() ? QStringLiteral("1") : head.rateText);
    if (!head.method.isEmpty())
        w.writeTextElement(kDataNs, QStringLiteral("paymentMethod"), head.method);
    if (!head.dueDate.isEmpty())
        w.writeTextElement(kDataNs, QStringLiteral("paymentDate"), head.dueDate);
    // the invoice says "pénzforgalmi elszámolás" (printed for such an issuer)
    if (issuer.cashAccounting)
        w.writeTextElement(kDataNs, QStringLiteral("cashAccountingIndicator"), QStringLiteral("true"));
    w.writeTextElement(kDataNs, QStringLiteral("invoiceAppearance"),
                       head.appearance == InvoiceAppearance::Electronic ? QStringLiteral("ELECTRONIC") : QStringLiteral("PAPER"));
    w.writeEndElement(); // invoiceDetail
}

// A line's forint amount to the fillér.
Money lineHuf(const InvoiceDocument& doc, bool huf, Money amount)
{
    return huf ? amount : amount.converted(doc.amounts.exchangeRate);
}

void writeLine(QXmlStreamWriter& w, const InvoiceDocument& doc, const LineData& d, const billing::LineAmounts& a,
               int lineNumber, int referencedNumber, bool huf)
{
    w.writeStartElement(kDataNs, QStringLiteral("line"));
    w.writeTextElement(kDataNs, QStringLiteral("lineNumber"), QString::number(lineNumber));
    if (doc.storno) {
        w.writeStartElement(kDataNs, QStringLiteral("lineModificationReference"));
        w.writeTextElement(kDataNs, QStringLiteral("lineNumberReference"), QString::number(referencedNumber));
        w.writeTextElement(kDataNs, QStringLiteral("lineOperation"), QStringLiteral("CREATE"));
        w.writeEndElement();
    }
    writeAdvanceData(w, doc, d.id);
    if (!d.articleNumber.isEmpty()) {
        w.writeStartElement(kDataNs, QStringLiteral("productCodes"));
        w.writeStartElement(kDataNs, QStringLiteral("productCode"));
        w.writeTextElement(kDataNs, QStringLiteral("productCodeCategory"), QStringLiteral("OWN"));
        w.writeTextElement(kDataNs, QStringLiteral("productCodeOwnValue"), d.articleNumber);
        w.writeEndElement();
        w.writeEndElement();
    }
    const bool expressed = !d.unit.isEmpty();
    w.writeTextElement(kDataNs, QStringLiteral("lineExpressionIndicator"), expressed ? QStringLiteral("true") : QStringLiteral("false"));
    if (!d.description.isEmpty())
        w.writeTextElement(kDataNs, QStringLiteral("lineDescription"), d.description);
    if (expressed) {
        w.writeTextElement(kDataNs, QStringLiteral("quantity"), d.quantity);
        const QString unitCode = unitOfMeasureCode(d.unit);
        w.writeTextElement(kDataNs, QStringLiteral("unitOfMeasure"), unitCode.isEmpty() ? QStringLiteral("OWN") : unitCode);
        if (unitCode.isEmpty())
            w.writeTextElement(kDataNs, QStringLiteral("unitOfMeasureOwn"), d.unit);
        w.writeTextElement(kDataNs, QStringLiteral("unitPrice"), d.unitPrice);
        if (huf)
            w.writeTextElement(kDataNs, QStringLiteral("unitPriceHUF"), d.unitPrice);
    }
    w.writeStartElement(kDataNs, QStringLiteral("lineAmountsNormal"));
    writePair(w, QStringLiteral("lineNetAmountData"), QStringLiteral("lineNetAmount"), a.net,
              QStringLiteral("lineNetAmountHUF"), lineHuf(doc, huf, a.net));
    writeVatRate(w, QStringLiteral("lineVatRate"), d);
    writePair(w, QStringLiteral("lineVatData"), QStringLiteral("lineVatAmount"), a.vat,
              QStringLiteral("lineVatAmountHUF"), lineHuf(doc, huf, a.vat));
    writePair(w, QStringLiteral("lineGrossAmountData"), QStringLiteral("lineGrossAmountNormal"), a.gross,
              QStringLiteral("lineGrossAmountNormalHUF"), lineHuf(doc, huf, a.gross));
    w.writeEndElement(); // lineAmountsNormal
    w.writeEndElement(); // line
}

// The lines of one VAT classification summed.
struct VatGroup {
    LineData sample;
    Money net, vat;
    std::set<int> rates; // the document's VAT rates (code and percentage) in this classification
};

std::map<QString, VatGroup> writeLines(QXmlStreamWriter& w, const InvoiceDocument& doc, const billing::DocumentAmounts& billed,
                                       const std::vector<LineData>& lines, int lineBase, bool huf)
{
    std::map<QString, VatGroup> groups;
    w.writeStartElement(kDataNs, QStringLiteral("invoiceLines"));
    w.writeTextElement(kDataNs, QStringLiteral("mergedItemIndicator"), QStringLiteral("false"));
    for (size_t i = 0; i < lines.size(); ++i) {
        const LineData& d = lines[i];
        const billing::LineAmounts& a = doc.amounts.lines[i];
        const int number = static_cast<int>(i) + 1;
        writeLine(w, doc, d, a, number, lineBase + number, huf);
        VatGroup& g = groups[classKey(d)];
        g.sample = d;
        g.net += a.net;
        g.vat += a.vat;
        g.rates.insert(billed.lines[i].rate);
    }
    w.writeEndElement(); // invoiceLines
    return groups;
}

void writeSummary(QXmlStreamWriter& w, const InvoiceDocument& doc, const billing::DocumentAmounts& billed,
                  const std::map<QString, VatGroup>& groups)
{
    // A classification's forints are the sum of its VAT rates' forints, as are the totals.
    auto ratesHuf = [&](const VatGroup& g, Money billing::RateAmounts::*amount) {
        Money sum;
        for (const int r : g.rates)
            sum += billed.rates[size_t(r)].*amount;
        return sum;
    };
    w.writeStartElement(kDataNs, QStringLiteral("invoiceSummary"));
    w.writeStartElement(kDataNs, QStringLiteral("summaryNormal"));
    for (const auto& [key, g] : groups) {
        w.writeStartElement(kDataNs, QStringLiteral("summaryByVatRate"));
        writeVatRate(w, QStringLiteral("vatRate"), g.sample);
        writePair(w, QStringLiteral("vatRateNetData"), QStringLiteral("vatRateNetAmount"), g.net,
                  QStringLiteral("vatRateNetAmountHUF"), ratesHuf(g, &billing::RateAmounts::netHuf));
        writePair(w, QStringLiteral("vatRateVatData"), QStringLiteral("vatRateVatAmount"), g.vat,
                  QStringLiteral("vatRateVatAmountHUF"), ratesHuf(g, &billing::RateAmounts::vatHuf));
        const Money grossHuf = ratesHuf(g, &billing::RateAmounts::netHuf) + ratesHuf(g, &billing::RateAmounts::vatHuf);
        writePair(w, QStringLiteral("vatRateGrossData"), QStringLiteral("vatRateGrossAmount"), g.net + g.vat,
                  QStringLiteral("vatRateGrossAmountHUF"), grossHuf);
        w.writeEndElement();
    }
    w.writeTextElement(kDataNs, QStringLiteral("invoiceNetAmount"), doc.amounts.net.schemaText());
    w.writeTextElement(kDataNs, QStringLiteral("invoiceNetAmountHUF"), doc.amounts.netHuf.schemaText());
    w.writeTextElement(kDataNs, QStringLiteral("invoiceVatAmount"), doc.amounts.vat.schemaText());
    w.writeTextElement(kDataNs, QStringLiteral("invoiceVatAmountHUF"), doc.amounts.vatHuf.schemaText());
    w.writeEndElement(); // summaryNormal
    w.writeStartElement(kDataNs, QStringLiteral("summaryGrossData"));
    w.writeTextElement(kDataNs, QStringLiteral("invoiceGrossAmount"), doc.amounts.gross().schemaText());
    w.writeTextElement(kDataNs, QStringLiteral("invoiceGrossAmountHUF"), doc.amounts.grossHuf().schemaText());
    w.writeEndElement();
    w.writeEndElement(); // invoiceSummary
}

// Everything a document needs for its XML, once the data has no problem.
struct Parties {
    const Party& issuer;
    const TaxNumber& issuerTax;
    const Party& customer;
    const CustomerTax& customerTax;
};

void writeDocument(InvoiceDocument& doc, const billing::DocumentAmounts& billed, const Header& head,
                   const Parties& parties, const std::vector<LineData>& lines, int lineBase)
{
    QXmlStreamWriter w(&doc.xml);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(1);
    w.writeStartDocument();
    w.writeNamespace(kCommonNs, QStringLiteral("common"));
    w.writeNamespace(kBaseNs, QStringLiteral("base"));
    w.writeDefaultNamespace(kDataNs);
    w.writeStartElement(kDataNs, QStringLiteral("InvoiceData"));
    w.writeTextElement(kDataNs, QStringLiteral("invoiceNumber"), u'K' + doc.number);
    w.writeTextElement(kDataNs, QStringLiteral("invoiceIssueDate"), head.issueDate);
    w.writeTextElement(kDataNs, QStringLiteral("completenessIndicator"), QStringLiteral("false"));
    w.writeStartElement(kDataNs, QStringLiteral("invoiceMain"));
    w.writeStartElement(kDataNs, QStringLiteral("invoice"));
    if (doc.storno) {
        w.writeStartElement(kDataNs, QStringLiteral("invoiceReference"));
        w.writeTextElement(kDataNs, QStringLiteral("originalInvoiceNumber"), u'K' + doc.original);
        w.writeTextElement(kDataNs, QStringLiteral("modifyWithoutMaster"),
                           doc.withoutMaster ? QStringLiteral("true") : QStringLiteral("false"));
        w.writeTextElement(kDataNs, QStringLiteral("modificationIndex"), QString::number(doc.modificationIndex));
        w.writeEndElement();
    }
    w.writeStartElement(kDataNs, QStringLiteral("invoiceHead"));
    writeSupplierInfo(w, parties.issuer, parties.issuerTax);
    writeCustomerInfo(w, parties.customer, parties.customerTax);
    writeInvoiceDetail(w, head, parties.issuer);
    w.writeEndElement(); // invoiceHead
    const auto groups = writeLines(w, doc, billed, lines, lineBase, head.huf());
    writeSummary(w, doc, billed, groups);
    w.writeEndElement(); // invoice
    w.writeEndElement(); // invoiceMain
    w.writeEndElement(); // InvoiceData
    w.writeEndDocument();
}

} // namespace

InvoiceDocument buildInvoiceDocument(DataModule& data, const QString& invoiceNumber, int modificationIndex,
                                     InvoiceAppearance appearance)
{
    InvoiceDocument doc;
    doc.number = invoiceNumber.trimmed();
    std::optional<Header> head = readHeader(data, doc);
    if (!head) {
        doc.problems << q("Nincs %1 számú számla.").arg(doc.number);
        doc.issuerMode = QStringLiteral("OFF");
        return doc;
    }
    head->appearance = appearance;
    readStornoLink(data, doc, modificationIndex);
    checkHeader(doc, *head);

    Party issuer = readParty(data, true, head->issuerCode);
    // A storno or correction is issued under its original's VAT regime, whatever the issuer's is now.
    if (doc.storno && issuer.found) {
        if (const auto regime = issuedRegime(data, doc.original)) {
            issuer.individualExemption = regime->individualExemption;
            issuer.cashAccounting = regime->cashAccounting;
            issuer.smallBusiness = regime->smallBusiness;
        }
    }
    const std::optional<TaxNumber> issuerTax = checkIssuer(doc, issuer);
    const Party customer = readParty(data, false, head->customerCode);
    doc.customerName = customer.name;
    const CustomerTax customerTax = checkCustomer(doc, customer);

    const std::vector<LineData> lines = readLines(data, doc.number);
    checkLineVat(doc, lines, customer, customerTax);
    checkExemptIssuerLines(doc, issuer, lines);
    doc.amounts = billing::readInvoiceAmounts(data, doc.number);
    checkAdvance(data, doc, *head, lines); // before the amounts: a final invoice has its own wording
    checkAmounts(doc, lines);
    if (!doc.problems.isEmpty())
        return doc;
    // the per-rate forints (billing/amounts.h) the summary states beside the totals
    const billing::DocumentAmounts billed = billing::readInvoiceAmounts(data, doc.number);
    writeDocument(doc, billed, *head, {issuer, *issuerTax, customer, customerTax}, lines, stornoLineBase(data, doc));
    return doc;
}

} // namespace orvena::nav
