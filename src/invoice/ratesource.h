#pragma once
// Where the composition screen gets a foreign currency's exchange rate: it starts a request and
// takes the answer when it comes, so whoever asks the central bank may do so off the window's
// thread. The answer names the rate that applies, or that none is published, or why asking failed.
#include "rates/mnbrates.h"

#include <exception>
#include <functional>
#include <optional>

namespace orvena {

class DataModule;
class UserInterface;

struct RateAnswer {
    // The rate that applies to the day asked for; none when the bank publishes no rate for it.
    std::optional<rates::AppliedRate> rate;
    // Set when asking failed: a rates::MnbError (the bank out of reach, its rate refused) or any
    // other Error (the database).
    std::exception_ptr error;
};

class RateSource {
public:
    using Answer = std::function<void(const RateAnswer&)>;
    virtual ~RateSource() = default;
    // Starts asking for the rate of `currency` (ISO code) that applies to `day`; `refetch` asks
    // the bank even when the cache holds it. `answer` is called exactly once on the asking
    // thread, before request() returns or later.
    virtual void request(const QString& currency, const QDate& day, bool refetch, Answer answer) = 0;
};

// The central bank's client and the rate table behind it: the bank is asked off the window's
// thread behind the interface's progress window ("Mégsem" stops it), and the answer given before
// request() returns.
class CentralBankRates : public RateSource {
public:
    CentralBankRates(DataModule& data, UserInterface& ui) : m_data(data), m_ui(ui) {}
    void request(const QString& currency, const QDate& day, bool refetch, Answer answer) override;

private:
    DataModule& m_data;
    UserInterface& m_ui;
};

} // namespace orvena
