// The composition screen's exchange rate from a rate source that answers later, as a client off
// the window's thread does: the latest request's answer fills "Árfolyam", an earlier one or one
// that comes after the operator typed a rate is dropped, a screen closed or gone meanwhile is
// left alone, and while the answer is on its way no rate of another currency or day stays.
#include "support/fakes.h"

#include "invoice/invoicecomposer.h"
#include "invoice/ratesource.h"

#include <QTest>

using namespace orvena;
using namespace orvena::test;
using F = InvoiceComposer::Field;

namespace {

// Holds every request until the test answers it.
class HeldRates : public RateSource {
public:
    struct Asked {
        QString currency;
        QDate day;
        bool refetch;
        Answer answer;
    };
    std::vector<Asked> asked;

    void request(const QString& currency, const QDate& day, bool refetch, Answer answer) override
    {
        asked.push_back({currency, day, refetch, std::move(answer)});
    }
    // Answers request i with the bank's rate of `day` (the day whose quotation applies).
    void answerRate(size_t i, const QString& rate, const QDate& day)
    {
        RateAnswer a;
        a.rate = rates::AppliedRate{rates::MnbQuote{day, asked.at(i).currency, 1, Decimal::parse(rate)}, asked.at(i).day};
        asked.at(i).answer(a);
    }
    void answerError(size_t i, const QString& text)
    {
        RateAnswer a;
        a.error = std::make_exception_ptr(rates::MnbError(text));
        asked.at(i).answer(a);
    }
};

} // namespace

class TestComposerRate : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestSession> s;
    HeldRates held;

    std::unique_ptr<InvoiceComposer> composer()
    {
        auto c = std::make_unique<InvoiceComposer>(s->context, ScreenRequest{EditMode::New});
        c->setRateSource(held);
        if (!c->prepare())
            return nullptr;
        c->setField(F::PerformanceDate, QStringLiteral("2026.09.19"));
        return c;
    }

private slots:
    void init()
    {
        s = std::make_unique<TestSession>();
        s->db.reset(QStringLiteral("20100041"));
        s->db.addDemoData();
        held.asked.clear();
    }
    void cleanup() { s.reset(); }

    // The answer comes after the request returned: the screen waits without an old rate, then
    // takes it; the next currency asks again, and an answer to the earlier request is dropped.
    void lateAnswersFollowTheLatestRequest()
    {
        auto c = composer();
        QVERIFY(c);
        c->setField(F::Currency, QStringLiteral("Euro"));
        c->currencyLeft();
        QCOMPARE(held.asked.size(), size_t(1));
        QCOMPARE(held.asked[0].currency, QStringLiteral("EUR"));
        QCOMPARE(held.asked[0].day, QDate(2026, 9, 19));
        QVERIFY(c->isRatePending());
        QCOMPARE(c->field(F::ExchangeRate), QString()); // the forint invoice's 0 is no euro rate
        QCOMPARE(c->field(F::RateSource), QStringLiteral("MNB árfolyam lekérdezése…"));
        held.answerRate(0, QStringLiteral("395.12"), QDate(2026, 9, 18));
        QVERIFY(!c->isRatePending());
        QCOMPARE(c->field(F::ExchangeRate), QStringLiteral("395,12"));
        QCOMPARE(c->field(F::RateSource), QStringLiteral("MNB 2026.09.18-i árfolyam"));

        // Two requests on their way: only the later one's answer counts, whatever the order.
        c->setField(F::Currency, QStringLiteral("USD"));
        c->currencyLeft();
        c->setField(F::PerformanceDate, QStringLiteral("2026.09.21"));
        c->performanceDateLeft();
        QCOMPARE(held.asked.size(), size_t(3));
        held.answerRate(2, QStringLiteral("350.5"), QDate(2026, 9, 21));
        held.answerRate(1, QStringLiteral("349"), QDate(2026, 9, 18));
        QCOMPARE(c->field(F::ExchangeRate), QStringLiteral("350,5"));
        QCOMPARE(c->field(F::RateSource), QStringLiteral("MNB 2026.09.21-i árfolyam"));

        // Back to forints: no answer still to come may bring a foreign rate back.
        c->fetchExchangeRate();
        QCOMPARE(held.asked.size(), size_t(4));
        c->toggleCurrency(); // any currency but "Ft" becomes "Ft"
        QCOMPARE(c->field(F::Currency), QStringLiteral("Ft"));
        held.answerRate(3, QStringLiteral("351"), QDate(2026, 9, 21));
        QCOMPARE(c->field(F::ExchangeRate), QStringLiteral("0"));
        QVERIFY(s->ui.texts().isEmpty());
    }

    // A rate the operator types while the answer is on its way is the operator's: it stays. A
    // failed request is told when its answer comes. A screen closed or gone is left alone.
    void answersThatMustNotLand()
    {
        auto c = composer();
        QVERIFY(c);
        c->setField(F::Currency, QStringLiteral("EUR"));
        c->currencyLeft();
        c->setField(F::ExchangeRate, QStringLiteral("390"));
        QVERIFY(!c->isRatePending());
        held.answerRate(0, QStringLiteral("395.12"), QDate(2026, 9, 18));
        QCOMPARE(c->field(F::ExchangeRate), QStringLiteral("390"));
        QCOMPARE(c->field(F::RateSource), QStringLiteral("kézzel megadva"));

        c->fetchExchangeRate();
        held.answerError(1, QStringLiteral("Az MNB árfolyamát nem sikerült lekérdezni."));
        QCOMPARE(s->ui.texts(), QStringList{QStringLiteral("Az MNB árfolyamát nem sikerült lekérdezni.")});
        QCOMPARE(c->field(F::ExchangeRate), QString());
        QCOMPARE(c->field(F::RateSource), QStringLiteral("nincs MNB árfolyam"));

        c->fetchExchangeRate();
        c->cancel();
        held.answerRate(2, QStringLiteral("395.12"), QDate(2026, 9, 18));
        QCOMPARE(c->field(F::ExchangeRate), QString());

        auto gone = composer();
        QVERIFY(gone);
        gone->setField(F::Currency, QStringLiteral("EUR"));
        gone->currencyLeft();
        gone.reset();
        held.answerRate(3, QStringLiteral("395.12"), QDate(2026, 9, 18)); // nothing to fill: no crash
        QCOMPARE(s->ui.texts().size(), 1);
    }
};

QTEST_MAIN(TestComposerRate)
#include "tst_composerrate.moc"
