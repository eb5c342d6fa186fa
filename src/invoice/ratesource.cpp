#include "ratesource.h"

namespace orvena {

void CentralBankRates::request(const QString& currency, const QDate& day, bool refetch, Answer answer)
{
    RateAnswer result;
    try {
        result.rate = rates::rateFor(m_data, currency, day, refetch, rates::fetchInBackground(m_ui));
    } catch (const Error&) {
        result.error = std::current_exception();
    }
    answer(result);
}

} // namespace orvena
