#pragma once
// The central bank's (MNB) official middle rates: the client of its public SOAP service, the
// parser of its answers, and the rate table `mnbarfolyam` that caches what was fetched.
//
// Which day's rate applies to a date: the latest quotation published by then, so a weekend or a
// holiday takes the last earlier published day. Each cached row therefore also records the last
// day through which it is known to be the latest (`maErvenyes`): a lookup trusts the cache only
// when a row covers the date, and otherwise asks the bank.
#include "db/errors.h"
#include "db/money.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace orvena {

class DataModule;
class UserInterface;

namespace rates {

// One published quotation: `rate` forints for `unit` units of `currency` (100 JPY, 1 EUR), exact
// as published. The unit is a power of ten, so the rate of one unit is exact too.
struct MnbQuote {
    QDate day;
    QString currency;
    int unit = 1;
    Decimal rate;
    // The rate of one unit, as an invoice's exchange rate holds it.
    Decimal perUnit() const;
};

// Why a quotation cannot be a rate: its rate of one unit lies outside 0,001-10 000 Ft, or it
// has more decimals than the rate table keeps (6). The Hungarian reason naming currency, day and
// figure; empty for a plausible quotation.
QString implausibility(const MnbQuote& quote);

// The rate that applies to a date, as the cache holds it.
struct AppliedRate {
    MnbQuote quote;   // quote.day: the day whose quotation applies (may be earlier than asked)
    QDate askedFor;
};

// The service could not be reached or answered something that is not its answer. Hungarian text.
class MnbError : public Error {
public:
    using Error::Error;
};

// Forint currencies need no rate.
bool isForint(const QString& currency);

// The quotations of a GetExchangeRates (or GetCurrentExchangeRates) answer: the SOAP envelope
// whose result element holds the rates' document as escaped text. Throws MnbError for a SOAP
// fault or a document that is not such an answer; an empty result gives no quotations.
std::vector<MnbQuote> parseRatesAnswer(const QByteArray& soapAnswer);

// The service's base URL: ORVENA_MNB_URL, or the bank's own addresses (HTTPS first, then HTTP,
// which the bank is known to answer where HTTPS refuses the request).
QStringList serviceUrls();

// GetExchangeRates over [from, to] for the currencies, synchronously, with an event loop of its
// own in the calling thread: a screen runs it off the window's thread (fetchInBackground), the
// command line directly. `cancelled` ends it early. Timeout: ORVENA_MNB_TIMEOUT_MS (default
// 15 s). Throws MnbError.
std::vector<MnbQuote> fetchRates(const QDate& from, const QDate& to, const QStringList& currencies,
                                 const std::atomic<bool>* cancelled = nullptr);

// How a lookup asks the bank: fetchRates, or fetchRates run by the operator's interface off the
// window's thread with its progress and "Mégsem".
using RatesFetch = std::function<std::vector<MnbQuote>(const QDate& from, const QDate& to, const QStringList& currencies)>;
RatesFetch fetchInBackground(UserInterface& ui);

// Stores the quotations fetched for [from, to] in one transaction: a day's row is replaced,
// and each row records through which day it is the latest quotation known: the next fetched
// day's eve, or the end of the period, never beyond yesterday for a period reaching today (whose
// rate may not be out yet), and never beyond the next bank day (Monday to Friday) after its own.
// Only what was asked for is stored: a day outside [from, to], a currency not asked for, and an
// implausible rate are left out, each with its Hungarian reason added to `refused`. Returns the
// number of rows written. Throws Error.
int storeQuotes(DataModule& data, const std::vector<MnbQuote>& quotes, const QDate& from, const QDate& to,
                const QStringList& currencies, QStringList* refused = nullptr);

// The cached rate that applies to `day` for `currency`, if the cache covers that day.
std::optional<AppliedRate> cachedRate(DataModule& data, const QString& currency, const QDate& day);

// The rate that applies to `day`: from the cache, or fetched (the fortnight up to the day) and
// stored first. `refetch` asks the bank even when the cache covers the day. Throws MnbError when
// the bank cannot be reached or its quotation for the day was refused (naming why), Error for
// the database; nothing when the bank has no quotation.
std::optional<AppliedRate> rateFor(DataModule& data, const QString& currency, const QDate& day, bool refetch = false,
                                   const RatesFetch& fetch = {});

// "MNB 2026.09.18-i árfolyam", with " (100 JPY = 265,43 Ft)" for a rate of more units: what the
// composition screen shows beside the rate, naming the day whose quotation applies.
QString sourceText(const AppliedRate& rate);

} // namespace rates
} // namespace orvena
