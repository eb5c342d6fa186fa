#include "mnbrates.h"

#include "billing/currency.h"

#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/logging.h"
#include "db/stepchain.h"
#include "screens/common/userinterface.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>
#include <map>

namespace orvena::rates {

namespace {

const QString kNamespace = QStringLiteral("http://www.mnb.hu/webservices/");
const QString kSource = QStringLiteral("MNB");
// How far back a lookup asks the bank: longer than any run of days without a quotation.
constexpr int kLookBackDays = 14;
constexpr qint64 kMaxAnswerBytes = 8 * 1024 * 1024;

QString isoDate(const QDate& d)
{
    return d.toString(Qt::ISODate);
}

bool isPowerOfTen(int unit)
{
    for (int p = 1; p > 0 && p <= 1000000; p *= 10)
        if (unit == p)
            return true;
    return false;
}

// The day after `day` on which the bank publishes at the latest: the next weekday.
QDate nextBankDay(const QDate& day)
{
    QDate next = day.addDays(1);
    while (next.dayOfWeek() > 5)
        next = next.addDays(1);
    return next;
}

// The rates' document inside the result element: <Day date=".."><Rate unit="1" curr="EUR">395,12</Rate>.
std::vector<MnbQuote> parseRatesDocument(const QString& document)
{
    std::vector<MnbQuote> quotes;
    if (document.trimmed().isEmpty())
        return quotes;
    QXmlStreamReader xml(document);
    QDate day;
    bool rootSeen = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        if (name == u"MNBExchangeRates" || name == u"MNBCurrentExchangeRates") {
            rootSeen = true;
        } else if (name == u"Day") {
            day = QDate::fromString(xml.attributes().value(QLatin1String("date")).toString(), Qt::ISODate);
            if (!day.isValid())
                throw MnbError(QStringLiteral("Az MNB válaszában hibás dátum áll: %1")
                                   .arg(xml.attributes().value(QLatin1String("date")).toString()));
        } else if (name == u"Rate") {
            MnbQuote q;
            q.day = day;
            q.currency = xml.attributes().value(QLatin1String("curr")).toString().trimmed().toUpper();
            const QString unit = xml.attributes().value(QLatin1String("unit")).toString();
            q.unit = unit.isEmpty() ? 1 : unit.toInt();
            const QString value = xml.readElementText().trimmed();
            bool ok = !value.contains(u' ');
            try {
                q.rate = Decimal::parse(value);
            } catch (const ConversionError&) {
                ok = false;
            }
            if (!day.isValid() || q.currency.isEmpty() || !isPowerOfTen(q.unit) || !ok || !q.rate.isPositive())
                throw MnbError(QStringLiteral("Az MNB válaszában hibás árfolyam áll: %1 %2").arg(q.currency, value));
            quotes.push_back(q);
        }
    }
    if (xml.hasError() || !rootSeen)
        throw MnbError(QStringLiteral("Az MNB válasza nem árfolyam-lista."));
    return quotes;
}

} // namespace

Decimal MnbQuote::perUnit() const
{
    int zeros = 0;
    for (int u = unit; u >= 10; u /= 10)
        ++zeros;
    return zeros == 0 ? rate : rate * Decimal::parse(QStringLiteral("0.") + QString(zeros - 1, u'0') + u'1');
}

QString implausibility(const MnbQuote& quote)
{
    const Decimal perUnit = quote.perUnit();
    const bool inBand = !(perUnit < Decimal::parse(QStringLiteral("0.001"))) && !(Decimal::whole(10000) < perUnit);
    const QString literal = quote.rate.literal();
    const qsizetype point = literal.indexOf(u'.');
    const bool fits = point < 0 || literal.size() - point - 1 <= 6;
    if (inBand && fits)
        return {};
    return QStringLiteral("Az MNB %1-i %2 árfolyama (%3 %2 = %4 Ft) nem valós árfolyam (egy egység árfolyama 0,001 és "
                          "10 000 Ft közötti, legfeljebb 6 tizedesjeggyel), nem tárolható.")
        .arg(formatDate(quote.day), quote.currency)
        .arg(quote.unit)
        .arg(quote.rate.text(true));
}

bool isForint(const QString& currency)
{
    return billing::isForint(currency);
}

std::vector<MnbQuote> parseRatesAnswer(const QByteArray& soapAnswer)
{
    QXmlStreamReader xml(soapAnswer);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"Fault")
            throw MnbError(QStringLiteral("Az MNB szolgáltatása hibát jelzett."));
        if (xml.name().endsWith(u"Result"))
            return parseRatesDocument(xml.readElementText());
    }
    throw MnbError(QStringLiteral("Az MNB válasza nem árfolyam-lista."));
}

QStringList serviceUrls()
{
    const QString configured = qEnvironmentVariable("ORVENA_MNB_URL").trimmed();
    if (!configured.isEmpty())
        return {configured};
    return {QStringLiteral("https://www.mnb.hu/arfolyamok.asmx"), QStringLiteral("http://www.mnb.hu/arfolyamok.asmx")};
}

namespace {

// One POST of the request; the answer's body, or a Hungarian reason in `problem`.
QByteArray post(QNetworkAccessManager& network, const QString& url, const QByteArray& body, QString& problem,
               const std::atomic<bool>* cancelled)
{
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/xml; charset=utf-8"));
    request.setRawHeader("SOAPAction", "\"http://www.mnb.hu/webservices/MNBArfolyamServiceSoap/GetExchangeRates\"");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = network.post(request, body);
    QByteArray answer;
    bool timedOut = false;
    bool tooLarge = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        answer += reply->readAll();
        if (answer.size() > kMaxAnswerBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    // The operator's "Mégsem", looked at a few times a second.
    bool stopped = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (cancelled && cancelled->load()) {
            stopped = true;
            reply->abort();
        }
    });
    if (cancelled)
        watch.start(100);
    bool ok = false;
    const int timeout = qEnvironmentVariableIntValue("ORVENA_MNB_TIMEOUT_MS", &ok);
    deadline.start(ok && timeout > 0 ? timeout : 15000);
    if (!reply->isFinished())
        loop.exec();
    answer += reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (stopped)
        problem = QStringLiteral("a lekérdezést megszakította");
    else if (timedOut)
        problem = QStringLiteral("az MNB nem válaszolt időben");
    else if (tooLarge)
        problem = QStringLiteral("az MNB válasza túl nagy");
    else if (reply->error() != QNetworkReply::NoError && status == 0)
        problem = QStringLiteral("nem érhető el az MNB (%1)").arg(reply->errorString());
    else if (status != 200 && !answer.contains("Fault>"))
        problem = QStringLiteral("az MNB válasza: HTTP %1").arg(status);
    reply->deleteLater();
    return problem.isEmpty() ? answer : QByteArray();
}

} // namespace

std::vector<MnbQuote> fetchRates(const QDate& from, const QDate& to, const QStringList& currencies,
                                 const std::atomic<bool>* cancelled)
{
    const QByteArray body =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                       "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                       "<GetExchangeRates xmlns=\"%1\"><startDate>%2</startDate><endDate>%3</endDate>"
                       "<currencyNames>%4</currencyNames></GetExchangeRates></soap:Body></soap:Envelope>")
            .arg(kNamespace, isoDate(from), isoDate(to), currencies.join(u',').toHtmlEscaped())
            .toUtf8();
    QNetworkAccessManager network;
    QStringList problems;
    for (const QString& url : serviceUrls()) {
        QString problem;
        const QByteArray answer = post(network, url, body, problem, cancelled);
        if (problem.isEmpty())
            return parseRatesAnswer(answer);
        qCWarning(lcApp) << "MNB rates:" << url << problem;
        problems << problem;
        if (cancelled && cancelled->load())
            break; // no other address after "Mégsem"
    }
    throw MnbError(QStringLiteral("Az MNB árfolyamát nem sikerült lekérdezni: %1. Az árfolyamot kézzel is "
                                  "megadhatja.")
                       .arg(problems.join(QStringLiteral("; "))));
}

namespace {

// The quotations of an answer that may be stored for a request over [from, to] of `currencies`;
// the others' reasons go to `refused`.
std::vector<MnbQuote> usableQuotes(const std::vector<MnbQuote>& quotes, const QDate& from, const QDate& to,
                                   const QStringList& currencies, QStringList& refused)
{
    std::vector<MnbQuote> usable;
    for (const MnbQuote& q : quotes) {
        if (q.day < from || q.day > to) {
            refused << QStringLiteral("Az MNB válasza a kért időszakon (%1 - %2) kívüli napra (%3) is adott %4 "
                                      "árfolyamot, nem tárolható.")
                           .arg(formatDate(from), formatDate(to), formatDate(q.day), q.currency);
        } else if (!currencies.isEmpty() && !currencies.contains(q.currency, Qt::CaseInsensitive)) {
            refused << QStringLiteral("Az MNB válasza nem kért pénznemre (%1) is adott árfolyamot, nem tárolható.")
                           .arg(q.currency);
        } else if (const QString why = implausibility(q); !why.isEmpty()) {
            refused << why;
        } else {
            usable.push_back(q);
        }
    }
    return usable;
}

} // namespace

int storeQuotes(DataModule& data, const std::vector<MnbQuote>& quotes, const QDate& from, const QDate& to,
                const QStringList& currencies, QStringList* refused)
{
    QStringList reasons;
    const std::vector<MnbQuote> usable = usableQuotes(quotes, from, to, currencies, reasons);
    for (const QString& reason : reasons)
        qCWarning(lcApp) << "MNB rates:" << reason;
    if (refused)
        *refused << reasons;
    // A period reaching today may end before today's quotation is out.
    const QDate yesterday = QDate::currentDate().addDays(-1);
    const QDate end = to > yesterday ? yesterday : to;
    std::map<QString, std::vector<MnbQuote>> byCurrency;
    for (const MnbQuote& q : usable)
        byCurrency[q.currency].push_back(q);
    Query write(data.connection(), QStringLiteral("MNB_STORE"));
    StepChain chain(write);
    int written = 0;
    const bool stored = chain.run([&] {
        chain.begin(QStringLiteral("Hiba: az MNB árfolyamok tárolása nem kezdődhetett el."));
        for (auto& [currency, list] : byCurrency) {
            std::sort(list.begin(), list.end(), [](const MnbQuote& a, const MnbQuote& b) { return a.day < b.day; });
            for (size_t i = 0; i < list.size(); ++i) {
                const MnbQuote& q = list[i];
                QDate validThrough = i + 1 < list.size() ? list[i + 1].day.addDays(-1) : end;
                validThrough = std::min(validThrough, nextBankDay(q.day));
                if (validThrough < q.day)
                    validThrough = q.day;
                chain.step(QStringLiteral("Hiba: az MNB árfolyam tárolása (mnbarfolyam)."), [&] {
                    // Another workstation may have stored the same day meanwhile: the unique key
                    // on currency and day makes this an update of its row, the latest answer's.
                    write.setSql({QStringLiteral("INSERT INTO mnbarfolyam (maDatum, maPnem, maEgyseg, maArfolyam, "
                                                 "maErvenyes, maForras, maLetoltve)"),
                                  QStringLiteral("VALUES (:p0, :p1, :p2, :p3, :p4, :p5, NOW())"),
                                  QStringLiteral("ON DUPLICATE KEY UPDATE maEgyseg = VALUES(maEgyseg), "
                                                 "maArfolyam = VALUES(maArfolyam), maErvenyes = VALUES(maErvenyes), "
                                                 "maForras = VALUES(maForras), maLetoltve = NOW()")});
                    write.setText(QStringLiteral("p0"), isoDate(q.day));
                    write.setText(QStringLiteral("p1"), currency);
                    write.setInteger(QStringLiteral("p2"), q.unit);
                    write.setFloat(QStringLiteral("p3"), q.rate.literal());
                    write.setText(QStringLiteral("p4"), isoDate(validThrough));
                    write.setText(QStringLiteral("p5"), kSource);
                    write.execute();
                    ++written;
                });
            }
        }
        chain.commit(QStringLiteral("Hiba: az MNB árfolyamok tárolása nem fejeződött be."));
    });
    if (!stored)
        throw Error(chain.failure().message);
    return written;
}

std::optional<AppliedRate> cachedRate(DataModule& data, const QString& currency, const QDate& day)
{
    // A row is trusted through its recorded day, and never beyond the next weekday after its own
    // (what an earlier version may have recorded further is asked again).
    Query q(data.connection(), QStringLiteral("MNB_RATE"));
    q.setSql({QStringLiteral("SELECT maDatum, maEgyseg, maArfolyam FROM mnbarfolyam"),
              QStringLiteral("WHERE maPnem = :p0 AND maDatum <= :p1 AND maErvenyes >= :p1"),
              QStringLiteral("AND :p1 <= maDatum + INTERVAL CASE DAYOFWEEK(maDatum) WHEN 6 THEN 3 WHEN 7 THEN 2 "
                             "ELSE 1 END DAY"),
              QStringLiteral("ORDER BY maDatum DESC LIMIT 1")});
    q.setText(QStringLiteral("p0"), currency.trimmed().toUpper());
    q.setText(QStringLiteral("p1"), isoDate(day));
    q.open();
    if (q.isEmpty())
        return std::nullopt;
    AppliedRate r;
    r.askedFor = day;
    r.quote.day = q.fieldDate(QStringLiteral("maDatum"));
    r.quote.currency = currency.trimmed().toUpper();
    r.quote.unit = static_cast<int>(q.fieldInt(QStringLiteral("maEgyseg")));
    r.quote.rate = q.fieldDecimal(QStringLiteral("maArfolyam"));
    if (!isPowerOfTen(r.quote.unit) || !implausibility(r.quote).isEmpty())
        return std::nullopt;
    return r;
}

RatesFetch fetchInBackground(UserInterface& ui)
{
    return [&ui](const QDate& from, const QDate& to, const QStringList& currencies) {
        std::vector<MnbQuote> quotes;
        ui.runInBackground(QStringLiteral("Az MNB árfolyamának lekérdezése (%1)").arg(currencies.join(QStringLiteral(", "))),
                           [&](const std::atomic<bool>& cancelled) { quotes = fetchRates(from, to, currencies, &cancelled); });
        return quotes;
    };
}

std::optional<AppliedRate> rateFor(DataModule& data, const QString& currency, const QDate& day, bool refetch,
                                   const RatesFetch& fetch)
{
    const QString code = currency.trimmed().toUpper();
    if (!refetch)
        if (auto cached = cachedRate(data, code, day))
            return cached;
    const QDate from = day.addDays(-kLookBackDays);
    const std::vector<MnbQuote> quotes = fetch ? fetch(from, day, {code}) : fetchRates(from, day, {code});
    QStringList refused;
    storeQuotes(data, quotes, from, day, {code}, &refused);
    std::optional<AppliedRate> applied = cachedRate(data, code, day);
    // The answer's latest quotation by the day applies even where the table does not cover the
    // day (a run of holidays longer than a weekend).
    QStringList ignored;
    if (!applied)
        for (const MnbQuote& q : usableQuotes(quotes, from, day, {code}, ignored))
            if (!applied || applied->quote.day < q.day)
                applied = AppliedRate{q, day};
    // A refused quotation newer than the one that would apply is the day's: an older rate is no
    // stand-in for it.
    for (const MnbQuote& q : quotes)
        if (q.day >= from && q.day <= day && q.currency == code && !implausibility(q).isEmpty()
            && (!applied || applied->quote.day < q.day))
            throw MnbError(implausibility(q) + QStringLiteral(" Az árfolyamot kézzel adja meg!"));
    if (applied)
        return applied;
    if (!refused.isEmpty())
        throw MnbError(refused.join(u' ') + QStringLiteral(" Az árfolyamot kézzel adja meg!"));
    return std::nullopt;
}

QString sourceText(const AppliedRate& rate)
{
    QString text = QStringLiteral("MNB %1-i árfolyam").arg(formatDate(rate.quote.day));
    if (rate.quote.unit != 1)
        text += QStringLiteral(" (%1 %2 = %3 Ft)").arg(rate.quote.unit).arg(rate.quote.currency, rate.quote.rate.text());
    return text;
}

} // namespace orvena::rates
