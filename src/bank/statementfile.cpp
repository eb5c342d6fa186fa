#include "statementfile.h"

#include "db/codepages.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <iconv.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <optional>
#include <utility>

namespace orvena::bank {

namespace {

StatementFile failed(const QString& message)
{
    StatementFile f;
    f.error = message;
    return f;
}

QString signedAmountText(qint64 filler)
{
    const qint64 whole = (filler < 0 ? -filler : filler) / 100;
    const qint64 cents = (filler < 0 ? -filler : filler) % 100;
    return QStringLiteral("%1%2,%3").arg(filler < 0 ? QStringLiteral("-") : QString()).arg(whole).arg(cents, 2, 10, QLatin1Char('0'));
}

// Every statement of the file adds up: opening plus credits less debits is the closing balance,
// and the entries are within the limits.
void check(StatementFile& file)
{
    if (!file.ok())
        return;
    if (file.statements.empty()) {
        file.error = QStringLiteral("A fájl nem tartalmaz bankkivonatot.");
        return;
    }
    qsizetype entries = 0;
    for (const Statement& s : file.statements) {
        entries += static_cast<qsizetype>(s.entries.size());
        qint64 sum = s.opening;
        for (const StatementEntry& e : s.entries)
            sum += e.credit ? e.amount : -e.amount;
        if (sum != s.closing) {
            file.error = QStringLiteral("A(z) %1 kivonat egyenlege nem egyezik: a nyitó egyenleg (%2) és a tételek "
                                        "összege %3, a záró egyenleg viszont %4. A fájl hiányos vagy hibás, semmi sem "
                                        "lett tárolva.")
                             .arg(s.id, signedAmountText(s.opening), signedAmountText(sum), signedAmountText(s.closing));
            file.statements.clear();
            return;
        }
    }
    if (entries > kMaxEntries) {
        file.error = QStringLiteral("A fájl túl sok tételt tartalmaz (%1; legfeljebb %2 olvasható be egyszerre).")
                         .arg(entries)
                         .arg(kMaxEntries);
        file.statements.clear();
    }
}

QString oneLine(QString text)
{
    text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
    return text.trimmed();
}

// ---------------------------------------------------------------- camt.053

const QString kCamtPrefix = QStringLiteral("urn:iso:std:iso:20022:tech:xsd:camt.053.001.");

struct XmlDoc {
    xmlDocPtr doc = nullptr;
    ~XmlDoc()
    {
        if (doc)
            xmlFreeDoc(doc);
    }
};

void silent(void*, xmlErrorPtr) {}

class Camt {
public:
    explicit Camt(const xmlChar* ns) : m_ns(ns) {}

    bool is(const xmlNode* n, const char* name) const
    {
        return n && n->type == XML_ELEMENT_NODE && n->ns && xmlStrEqual(n->ns->href, m_ns)
            && xmlStrEqual(n->name, reinterpret_cast<const xmlChar*>(name));
    }
    const xmlNode* child(const xmlNode* n, const char* name) const
    {
        for (const xmlNode* c = n ? n->children : nullptr; c; c = c->next)
            if (is(c, name))
                return c;
        return nullptr;
    }
    std::vector<const xmlNode*> children(const xmlNode* n, const char* name) const
    {
        std::vector<const xmlNode*> found;
        for (const xmlNode* c = n ? n->children : nullptr; c; c = c->next)
            if (is(c, name))
                found.push_back(c);
        return found;
    }
    // The element at a path of names below n ("Acct/Id/IBAN"), nullptr when any is missing.
    const xmlNode* at(const xmlNode* n, const char* path) const
    {
        const QByteArrayList names = QByteArray(path).split('/');
        for (const QByteArray& name : names) {
            n = child(n, name.constData());
            if (!n)
                return nullptr;
        }
        return n;
    }
    static QString text(const xmlNode* n)
    {
        if (!n)
            return {};
        xmlChar* content = xmlNodeGetContent(n);
        const QString t = QString::fromUtf8(reinterpret_cast<const char*>(content)).trimmed();
        xmlFree(content);
        return t;
    }
    QString text(const xmlNode* n, const char* path) const { return text(at(n, path)); }
    static QString attribute(const xmlNode* n, const char* name)
    {
        if (!n)
            return {};
        xmlChar* value = xmlGetProp(n, reinterpret_cast<const xmlChar*>(name));
        const QString t = QString::fromUtf8(reinterpret_cast<const char*>(value)).trimmed();
        xmlFree(value);
        return t;
    }
    // A date element holding Dt or DtTm.
    QDate date(const xmlNode* n) const
    {
        QString t = text(n, "Dt");
        if (t.isEmpty())
            t = text(n, "DtTm");
        return QDate::fromString(t.left(10), Qt::ISODate);
    }
    // An account: its IBAN, or another identification.
    QString account(const xmlNode* acct) const
    {
        const QString iban = text(acct, "Id/IBAN");
        return iban.isEmpty() ? text(acct, "Id/Othr/Id") : iban;
    }
    // A party's name: directly (001.02) or below Pty (newer versions).
    QString partyName(const xmlNode* party) const
    {
        const QString direct = text(party, "Nm");
        return direct.isEmpty() ? text(party, "Pty/Nm") : direct;
    }

private:
    const xmlChar* m_ns;
};

QString camtEntryProblem(const QString& what)
{
    return QStringLiteral("A kivonat egy tétele hibás: %1. Semmi sem lett tárolva.").arg(what);
}

// A file that cannot be read: the reader stops with this Hungarian reason, nothing is kept.
struct Refused {
    QString text;
};

[[noreturn]] void refuse(const QString& text)
{
    throw Refused{text};
}

const QString kTooLarge = QStringLiteral("A fájl túl nagy (legfeljebb %1 MB olvasható be).");
const QString kDocType = QStringLiteral("A fájl dokumentumtípus-deklarációt tartalmaz; ilyen bankkivonat nem olvasható be.");

// The statement document parsed without network, entities or DTD; its root a camt.053 Document.
const xmlNode* parseCamt(const QByteArray& bytes, XmlDoc& xml)
{
    // A statement has no document type: declarations (entities above all) are refused unread.
    if (bytes.contains("<!DOCTYPE") || bytes.contains("<!ENTITY"))
        refuse(kDocType);
    xmlSetStructuredErrorFunc(nullptr, silent);
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context) {
        // No network, no external or internal entity substitution, no DTD loading, default size limits.
        xml.doc = xmlCtxtReadMemory(context, bytes.constData(), static_cast<int>(bytes.size()), "statement.xml", nullptr,
                                    XML_PARSE_NONET | XML_PARSE_NOCDATA);
        xmlFreeParserCtxt(context);
    }
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (!xml.doc)
        refuse(QStringLiteral("A fájl nem olvasható XML-ként (hiányos vagy sérült). Semmi sem lett tárolva."));
    if (xml.doc->intSubset)
        refuse(kDocType);
    const xmlNode* root = xmlDocGetRootElement(xml.doc);
    if (!root || !root->ns || !xmlStrEqual(root->name, reinterpret_cast<const xmlChar*>("Document"))
        || !QString::fromUtf8(reinterpret_cast<const char*>(root->ns->href)).startsWith(kCamtPrefix))
        refuse(QStringLiteral("A fájl nem camt.053 bankkivonat (ismeretlen XML-névtér)."));
    return root;
}

// The opening (OPBD, or PRCD) and closing (CLBD) balances of a statement; both must be there.
void readCamtBalances(const Camt& c, const xmlNode* s, Statement& st)
{
    bool haveOpening = false;
    bool haveClosing = false;
    for (const xmlNode* b : c.children(s, "Bal")) {
        const QString type = c.text(b, "Tp/CdOrPrtry/Cd");
        qint64 amount = 0;
        if (!parseStatementAmount(c.text(b, "Amt"), amount))
            refuse(QStringLiteral("A(z) %1 kivonat egyik egyenlege hibás összeg.").arg(st.id));
        if (c.text(b, "CdtDbtInd") == u"DBIT")
            amount = -amount;
        if (st.currency.isEmpty())
            st.currency = Camt::attribute(c.child(b, "Amt"), "Ccy");
        if ((type == u"OPBD" || type == u"PRCD") && !haveOpening) {
            st.opening = amount;
            st.openingDate = c.date(c.child(b, "Dt"));
            haveOpening = true;
        } else if (type == u"CLBD") {
            st.closing = amount;
            st.closingDate = c.date(c.child(b, "Dt"));
            haveClosing = true;
        }
    }
    if (st.id.isEmpty() || st.account.isEmpty() || !haveOpening || !haveClosing)
        refuse(QStringLiteral("A kivonat hiányos: az azonosítója, a számlaszáma, a nyitó vagy a záró egyenlege "
                              "hiányzik. Semmi sem lett tárolva."));
}

// One transaction of an entry: its amount (complete is cleared when it has none), references,
// the counterparty of the original movement (the payer of money paid in, else the payee).
StatementPart readCamtPart(const Camt& c, const xmlNode* t, bool paidIn, bool& complete)
{
    StatementPart p;
    QString amount = c.text(t, "AmtDtls/TxAmt/Amt");
    if (amount.isEmpty())
        amount = c.text(t, "Amt");
    if (amount.isEmpty())
        amount = c.text(t, "AmtDtls/InstdAmt/Amt");
    if (amount.isEmpty() || !parseStatementAmount(amount, p.amount))
        complete = false;
    p.endToEndId = c.text(t, "Refs/EndToEndId");
    if (p.endToEndId == u"NOTPROVIDED")
        p.endToEndId.clear();
    const xmlNode* parties = c.child(t, "RltdPties");
    p.name = c.partyName(c.child(parties, paidIn ? "Dbtr" : "Cdtr"));
    if (p.name.isEmpty())
        p.name = c.partyName(c.child(parties, paidIn ? "UltmtDbtr" : "UltmtCdtr"));
    p.account = c.account(c.child(parties, paidIn ? "DbtrAcct" : "CdtrAcct"));
    QStringList unstructured;
    QStringList references;
    for (const xmlNode* r : c.children(t, "RmtInf")) {
        for (const xmlNode* u : c.children(r, "Ustrd"))
            unstructured << Camt::text(u);
        for (const xmlNode* sr : c.children(r, "Strd"))
            if (const QString ref = c.text(sr, "CdtrRefInf/Ref"); !ref.isEmpty())
                references << ref;
    }
    p.remittance = oneLine(unstructured.join(u' '));
    p.reference = oneLine(references.join(u' '));
    return p;
}

// Transactions without their own amounts (or not adding up to the entry's) are kept together as
// one, so the entry's amount is what is matched.
void mergeParts(StatementEntry& e, qint64 partsSum, bool partsComplete)
{
    if (e.parts.size() != 1 && partsComplete && partsSum == e.amount)
        return;
    StatementPart whole = e.parts.front();
    for (size_t i = 1; i < e.parts.size(); ++i) {
        whole.remittance = oneLine(whole.remittance + u' ' + e.parts[i].remittance);
        whole.reference = oneLine(whole.reference + u' ' + e.parts[i].reference);
        if (whole.name != e.parts[i].name)
            whole.name.clear();
        if (whole.account != e.parts[i].account)
            whole.account.clear();
    }
    whole.amount = e.amount;
    e.parts = {whole};
}

// A booked entry with its transactions; nothing for a pending or informational one (not part of
// the balance).
std::optional<StatementEntry> readCamtEntry(const Camt& c, const xmlNode* n)
{
    QString status = c.text(n, "Sts/Cd");
    if (status.isEmpty())
        status = c.text(n, "Sts");
    if (!status.isEmpty() && status != u"BOOK")
        return std::nullopt;
    StatementEntry e;
    if (!parseStatementAmount(c.text(n, "Amt"), e.amount) || e.amount == 0)
        refuse(camtEntryProblem(QStringLiteral("az összege hiányzik vagy hibás")));
    const QString indicator = c.text(n, "CdtDbtInd");
    if (indicator != u"CRDT" && indicator != u"DBIT")
        refuse(camtEntryProblem(QStringLiteral("nem derül ki, jóváírás vagy terhelés")));
    e.credit = indicator == u"CRDT";
    e.reversal = c.text(n, "RvslInd") == u"true" || c.text(n, "RvslInd") == u"1";
    e.currency = Camt::attribute(c.child(n, "Amt"), "Ccy");
    e.bookingDate = c.date(c.child(n, "BookgDt"));
    e.valueDate = c.date(c.child(n, "ValDt"));
    e.bankReference = c.text(n, "AcctSvcrRef");
    const bool paidIn = e.credit != e.reversal;
    qint64 partsSum = 0;
    bool partsComplete = true;
    for (const xmlNode* details : c.children(n, "NtryDtls")) {
        for (const xmlNode* t : c.children(details, "TxDtls")) {
            if (e.parts.size() >= static_cast<size_t>(kMaxPartsPerEntry))
                refuse(camtEntryProblem(QStringLiteral("túl sok tranzakciót tartalmaz")));
            e.parts.push_back(readCamtPart(c, t, paidIn, partsComplete));
            partsSum += e.parts.back().amount;
        }
    }
    if (e.parts.empty()) {
        StatementPart p;
        p.remittance = oneLine(c.text(n, "AddtlNtryInf"));
        e.parts.push_back(p);
    }
    mergeParts(e, partsSum, partsComplete);
    return e;
}

} // namespace

bool parseStatementAmount(const QString& text, qint64& filler)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,15})(?:[.,](\\d{0,2}))?$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    const QString cents = m.captured(2).leftJustified(2, u'0');
    filler = m.captured(1).toLongLong() * 100 + cents.toLongLong();
    return true;
}

QString accountKey(const QString& account)
{
    QString a = account.toUpper();
    a.remove(QRegularExpression(QStringLiteral("[\\s-]")));
    if (a.isEmpty())
        return {};
    static const QRegularExpression hungarianIban(QStringLiteral("^HU\\d{2}(\\d{24})$"));
    if (const auto m = hungarianIban.match(a); m.hasMatch())
        return m.captured(1);
    static const QRegularExpression domestic(QStringLiteral("^\\d{16}(\\d{8})?$"));
    if (domestic.match(a).hasMatch())
        return a.size() == 16 ? a + QStringLiteral("00000000") : a;
    return a;
}

StatementFile readCamt053(const QByteArray& bytes)
{
    if (bytes.size() > kMaxFileBytes)
        return failed(kTooLarge.arg(kMaxFileBytes / (1024 * 1024)));
    try {
        XmlDoc xml;
        const xmlNode* root = parseCamt(bytes, xml);
        const QString ns = QString::fromUtf8(reinterpret_cast<const char*>(root->ns->href));
        const Camt c(root->ns->href);
        StatementFile file;
        file.format = ns.mid(ns.lastIndexOf(u':') + 1);
        file.encoding = QStringLiteral("UTF-8");
        const xmlNode* message = c.child(root, "BkToCstmrStmt");
        if (!message)
            refuse(QStringLiteral("A fájl nem camt.053 bankkivonat (hiányzik a BkToCstmrStmt elem)."));
        qsizetype total = 0;
        for (const xmlNode* s : c.children(message, "Stmt")) {
            Statement st;
            st.id = c.text(s, "Id");
            st.account = c.account(c.child(s, "Acct"));
            st.currency = c.text(s, "Acct/Ccy");
            readCamtBalances(c, s, st);
            for (const xmlNode* n : c.children(s, "Ntry")) {
                if (++total > kMaxEntries)
                    refuse(QStringLiteral("A fájl túl sok tételt tartalmaz (legfeljebb %1 olvasható be egyszerre).")
                               .arg(kMaxEntries));
                if (auto e = readCamtEntry(c, n))
                    st.entries.push_back(std::move(*e));
            }
            file.statements.push_back(std::move(st));
        }
        check(file);
        return file;
    } catch (const Refused& r) {
        return failed(r.text);
    }
}

// ---------------------------------------------------------------- MT940

namespace {

// The Hungarian letters of a text: the decoding that finds more of them is the right one.
int hungarianLetters(const QString& text)
{
    static const QString letters = QStringLiteral("áéíóöőúüűÁÉÍÓÖŐÚÜŰ");
    int n = 0;
    for (QChar ch : text)
        if (letters.contains(ch))
            ++n;
    return n;
}

QString fromCodePage852(const QByteArray& bytes)
{
    iconv_t cd = iconv_open("UTF-8", "CP852");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    QByteArray out(bytes.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* o = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        return {};
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return QString::fromUtf8(out);
}

// The text of an MT940 file: UTF-8 when it is valid UTF-8, otherwise ISO 8859-2 or code page
// 852, whichever reads more Hungarian letters (bytes 0x80-0x9f, control codes in ISO 8859-2,
// are letters in 852).
QString decodeText(const QByteArray& bytes, QString& encoding)
{
    auto utf8 = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(bytes);
    if (!utf8.hasError()) {
        encoding = QStringLiteral("UTF-8");
        return asUtf8;
    }
    const QString latin2 = decode(CodePage::Latin2, bytes);
    const QString cp852 = fromCodePage852(bytes);
    int controls = 0;
    for (char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80 && static_cast<unsigned char>(b) < 0xa0)
            ++controls;
    if (!cp852.isEmpty() && (controls > 0 || hungarianLetters(cp852) > hungarianLetters(latin2))) {
        encoding = QStringLiteral("CP852");
        return cp852;
    }
    encoding = QStringLiteral("ISO-8859-2");
    return latin2;
}

struct Field {
    QString tag;
    QString value;
};

bool parseBalance(const QString& value, qint64& amount, QDate& date, QString& currency)
{
    static const QRegularExpression form(QStringLiteral("^([CD])(\\d{6})([A-Z]{3})(\\d[\\d,]*)$"));
    const auto m = form.match(value.trimmed());
    if (!m.hasMatch() || !parseStatementAmount(m.captured(4), amount))
        return false;
    if (m.captured(1) == u"D")
        amount = -amount;
    date = QDate::fromString(QStringLiteral("20") + m.captured(2), QStringLiteral("yyyyMMdd"));
    currency = m.captured(3);
    return date.isValid();
}

// The :86: details: the Hungarian banks' ?NN sub-fields where present, free text otherwise.
void parseDetails(const QString& value, StatementPart& part)
{
    static const QRegularExpression structured(QStringLiteral("^(\\d{3})?\\?\\d{2}"));
    QString flat = value;
    if (structured.match(flat).hasMatch()) {
        flat.remove(u'\n');
        static const QRegularExpression subfield(QStringLiteral("\\?(\\d{2})([^?]*)"));
        QString remittance;
        QString name;
        for (auto it = subfield.globalMatch(flat); it.hasNext();) {
            const auto m = it.next();
            const int code = m.captured(1).toInt();
            const QString text = m.captured(2);
            if ((code >= 20 && code <= 29) || (code >= 60 && code <= 63))
                remittance += text;
            else if (code == 32 || code == 33)
                name += text;
            else if (code == 31)
                part.account = text.trimmed();
        }
        part.remittance = oneLine(remittance);
        part.name = oneLine(name);
        return;
    }
    part.remittance = oneLine(value);
}

} // namespace

namespace {

// The fields of each statement; a statement ends with "-" or where the next :20: begins.
std::vector<std::vector<Field>> mt940Blocks(const QString& text)
{
    std::vector<std::vector<Field>> blocks;
    std::vector<Field> fields;
    static const QRegularExpression tagged(QStringLiteral("^:(\\d{2}[A-Z]?):(.*)$"));
    auto finish = [&] {
        if (!fields.empty())
            blocks.push_back(std::move(fields));
        fields.clear();
    };
    for (QString line : text.split(u'\n')) {
        if (const qsizetype block = line.indexOf(QStringLiteral("{4:")); block >= 0)
            line = line.mid(block + 3);
        if (line.trimmed().isEmpty() || line.startsWith(u'{'))
            continue;
        if (line.startsWith(u'-')) {
            finish();
            continue;
        }
        if (const auto m = tagged.match(line); m.hasMatch()) {
            if (m.captured(1) == u"20")
                finish();
            fields.push_back({m.captured(1), m.captured(2)});
        } else if (!fields.empty()) {
            fields.back().value += u'\n' + line;
        }
    }
    finish();
    return blocks;
}

// The booking day of a :61: line carries no year: the one nearest the value date.
QDate bookingDay(const QString& monthDay, const QDate& valueDate)
{
    if (monthDay.isEmpty())
        return valueDate;
    QDate booked(valueDate.year(), monthDay.left(2).toInt(), monthDay.mid(2).toInt());
    if (!booked.isValid())
        return valueDate;
    if (booked.daysTo(valueDate) > 180)
        booked = booked.addYears(1);
    else if (valueDate.daysTo(booked) > 180)
        booked = booked.addYears(-1);
    return booked;
}

// A :61: entry in the statement's currency, with its one part; its :86: details come later.
StatementEntry readMt940Entry(const QString& value, const QString& currency)
{
    static const QRegularExpression entryForm(
        QStringLiteral("^(\\d{6})(\\d{4})?(RC|RD|C|D)([A-Z])?(\\d[\\d,]*)([NF][A-Z0-9]{3})([^\\n]*?)(?://([^\\n]*))?(?:\\n(.*))?$"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto m = entryForm.match(value);
    StatementEntry e;
    if (!m.hasMatch() || !parseStatementAmount(m.captured(5), e.amount) || e.amount == 0)
        refuse(QStringLiteral("A kivonat egy tétele hibás: \"%1\". Semmi sem lett tárolva.")
                   .arg(value.section(u'\n', 0, 0).left(80)));
    e.valueDate = QDate::fromString(QStringLiteral("20") + m.captured(1), QStringLiteral("yyyyMMdd"));
    if (!e.valueDate.isValid())
        refuse(QStringLiteral("A kivonat egy tételének dátuma hibás: \"%1\".").arg(m.captured(1)));
    e.bookingDate = bookingDay(m.captured(2), e.valueDate);
    const QString mark = m.captured(3);
    e.reversal = mark.startsWith(u'R');
    // RC reverses a credit (takes it back), RD a debit (gives it back).
    e.credit = mark == u"C" || mark == u"RD";
    e.currency = currency;
    const QString customerRef = m.captured(7).trimmed();
    e.bankReference = m.captured(8).trimmed();
    if (e.bankReference.isEmpty() && customerRef != u"NONREF")
        e.bankReference = customerRef;
    StatementPart p;
    p.amount = e.amount;
    if (customerRef != u"NONREF")
        p.endToEndId = customerRef;
    p.remittance = oneLine(m.captured(9));
    e.parts.push_back(p);
    return e;
}

Statement readMt940Statement(const std::vector<Field>& block, qsizetype& total)
{
    Statement st;
    QString reference;
    bool haveOpening = false;
    bool haveClosing = false;
    QString previousTag;
    for (const Field& f : block) {
        const QString tag = std::exchange(previousTag, f.tag);
        if (f.tag == u"20") {
            reference = f.value.trimmed();
        } else if (f.tag == u"25") {
            st.account = f.value.trimmed();
        } else if (f.tag == u"28C" || f.tag == u"28") {
            st.id = f.value.trimmed();
        } else if (f.tag == u"60F" || f.tag == u"60M") {
            if (!parseBalance(f.value, st.opening, st.openingDate, st.currency))
                refuse(QStringLiteral("A kivonat nyitó egyenlege hibás: \"%1\".").arg(f.value.trimmed()));
            haveOpening = true;
        } else if (f.tag == u"62F" || f.tag == u"62M") {
            QString currency;
            if (!parseBalance(f.value, st.closing, st.closingDate, currency))
                refuse(QStringLiteral("A kivonat záró egyenlege hibás: \"%1\".").arg(f.value.trimmed()));
            haveClosing = true;
        } else if (f.tag == u"61") {
            if (++total > kMaxEntries)
                refuse(QStringLiteral("A fájl túl sok tételt tartalmaz (legfeljebb %1 olvasható be egyszerre).")
                           .arg(kMaxEntries));
            st.entries.push_back(readMt940Entry(f.value, st.currency));
        } else if (f.tag == u"86" && tag == u"61" && !st.entries.empty()) {
            // details of the entry just read (a closing :86: of the statement is not an entry's)
            StatementPart& p = st.entries.back().parts.front();
            const QString supplementary = p.remittance;
            parseDetails(f.value, p);
            if (!supplementary.isEmpty())
                p.remittance = oneLine(p.remittance + u' ' + supplementary);
        }
    }
    if (st.id.isEmpty())
        st.id = reference;
    if (st.id.isEmpty() || st.account.isEmpty() || !haveOpening || !haveClosing)
        refuse(QStringLiteral("A kivonat hiányos: az azonosítója (:20:, :28C:), a számlaszáma (:25:), a nyitó "
                              "(:60F:) vagy a záró egyenlege (:62F:) hiányzik. Semmi sem lett tárolva."));
    return st;
}

} // namespace

StatementFile readMt940(const QByteArray& bytes)
{
    if (bytes.size() > kMaxFileBytes)
        return failed(kTooLarge.arg(kMaxFileBytes / (1024 * 1024)));
    StatementFile file;
    file.format = QStringLiteral("MT940");
    QString text = decodeText(bytes, file.encoding);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    try {
        qsizetype total = 0;
        for (const std::vector<Field>& block : mt940Blocks(text))
            file.statements.push_back(readMt940Statement(block, total));
    } catch (const Refused& r) {
        return failed(r.text);
    }
    if (file.statements.empty())
        return failed(QStringLiteral("A fájl nem MT940 bankkivonat (nincs benne :20: mezővel kezdődő kivonat)."));
    check(file);
    return file;
}

StatementFile readStatementFile(const QByteArray& bytes)
{
    if (bytes.size() > kMaxFileBytes)
        return failed(kTooLarge.arg(kMaxFileBytes / (1024 * 1024)));
    if (bytes.isEmpty())
        return failed(QStringLiteral("A fájl üres."));
    // The XML form begins with "<" (after a byte-order mark and blanks).
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    if (i < bytes.size() && bytes[i] == '<')
        return readCamt053(bytes);
    return readMt940(bytes);
}

} // namespace orvena::bank
