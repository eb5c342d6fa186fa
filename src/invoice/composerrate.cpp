// The composition screen's exchange rate: a foreign currency's rate of the performance date,
// asked from the rate source when the currency or the date changes and taken when the answer
// comes; a typed rate is the operator's and stays.
#include "invoicecomposer.h"
#include "ratesource.h"

#include "billing/currency.h"
#include "db/conversions.h"
#include "screens/common/dispatcher.h"

#include <QPointer>

namespace orvena {

void InvoiceComposer::setRateSource(orvena::RateSource& source)
{
    m_rates = &source;
}

void InvoiceComposer::toggleCurrency()
{
    set(Currency, m_fields[Currency] == QLatin1String("Ft") ? QStringLiteral("HUF") : QStringLiteral("Ft"));
    fillExchangeRate(false);
}

void InvoiceComposer::currencyLeft()
{
    fillExchangeRate(false);
}

void InvoiceComposer::fetchExchangeRate()
{
    fillExchangeRate(true);
}

QString InvoiceComposer::rateKey() const
{
    return m_fields[Currency].trimmed().toUpper() + u'|' + m_fields[PerformanceDate].trimmed();
}

void InvoiceComposer::dropRateRequest()
{
    ++m_rateRequest; // an answer still to come belongs to no request any more
    m_ratePending = false;
}

void InvoiceComposer::fillExchangeRate(bool refetch)
{
    if (!refetch && rateKey() == m_rateFilledFor)
        return;
    // the bank is asked by the currency's ISO code ("Euro" is EUR), an unknown text as typed
    const QString code = billing::currencyCode(m_fields[Currency]);
    const QString currency = code.isEmpty() ? m_fields[Currency].trimmed().toUpper() : code;
    if (rates::isForint(currency)) {
        dropRateRequest();
        m_rateFilledFor = rateKey();
        set(ExchangeRate, QStringLiteral("0"));
        set(RateSource, QString());
        return;
    }
    // Without a valid date there is no day to ask for (the date's own check reports it).
    if (!isValidDate(m_fields[PerformanceDate])) {
        if (refetch)
            m_context.ui.message(QStringLiteral("Az MNB árfolyamhoz adja meg a teljesítés időpontját!"));
        return;
    }
    m_rateFilledFor = rateKey();
    const QDate day = parseDate(m_fields[PerformanceDate]);
    dropRateRequest();
    const quint64 request = m_rateRequest;
    m_ratePending = true;
    // Only the answer to the latest request counts, and only while the screen is open.
    QPointer<InvoiceComposer> self(this);
    const bool asked = runAction(m_context.ui, [&] {
        m_rates->request(currency, day, refetch, [self, request, currency, day](const RateAnswer& answer) {
            if (self && !self->m_closed && self->m_rateRequest == request)
                self->takeRate(answer, currency, day);
        });
    });
    if (!asked) // nothing will answer a request that could not be made
        dropRateRequest();
    // While the answer is on its way no earlier rate may be stored with the new currency or date.
    if (m_ratePending && m_rateRequest == request) {
        set(ExchangeRate, QString());
        set(RateSource, QStringLiteral("MNB árfolyam lekérdezése…"));
    }
}

void InvoiceComposer::takeRate(const RateAnswer& answer, const QString& currency, const QDate& day)
{
    m_ratePending = false;
    runAction(m_context.ui, [&] {
        try {
            if (answer.error)
                std::rethrow_exception(answer.error);
            if (!answer.rate) {
                set(ExchangeRate, QString()); // another day's rate is never kept: it waits to be typed
                set(RateSource, QStringLiteral("nincs MNB árfolyam"));
                m_context.ui.message(QStringLiteral("Az MNB nem közöl árfolyamot a(z) %1 pénznemre %2-ig. Az "
                                                    "árfolyamot kézzel adja meg!")
                                         .arg(currency, formatDate(day)));
                return;
            }
            set(ExchangeRate, answer.rate->quote.perUnit().text());
            set(RateSource, rates::sourceText(*answer.rate));
        } catch (const rates::MnbError& e) {
            set(ExchangeRate, QString());
            set(RateSource, QStringLiteral("nincs MNB árfolyam"));
            m_context.ui.message(e.text());
        }
    });
}

} // namespace orvena
