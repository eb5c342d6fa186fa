// The central bank's rates against a local stand-in of its service: the answer's format (decimal
// comma, rates of 100 units, an empty answer, a fault), the day rule and the cache, the service
// unreachable, the command line filling the table, and the composition screen filling "Árfolyam"
// through the real windows.
#include "support/modaldriver.h"
#include "support/testdatabase.h"
#include "support/windowsession.h"

#include "db/conversions.h"
#include "invoice/invoicecomposer.h"
#include "rates/mnbrates.h"
#include "app/session.h"
#include "reports/reportengine.h"
#include "reports/ui/reportpreview.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <map>

using namespace orvena;
using namespace orvena::test;
using F = InvoiceComposer::Field;

namespace {

// The bank's service as far as the program uses it: GetExchangeRates over the days it knows,
// answered in the bank's envelope with the rates' document escaped inside.
class StandIn : public QObject {
public:
    // day (yyyy-MM-dd) -> currency -> (unit, rate text with decimal comma)
    std::map<QString, std::map<QString, std::pair<int, QString>>> days;
    // answered whatever the period asked for (a faulty or hostile answer)
    std::map<QString, std::map<QString, std::pair<int, QString>>> anyPeriod;
    QStringList requests; // the bodies received
    int status = 200;

    StandIn()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/arfolyamok.asmx").arg(m_server.serverPort()); }

private:
    void serve(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QRegularExpression lengthRe(QStringLiteral("Content-Length: *(\\d+)"),
                                          QRegularExpression::CaseInsensitiveOption);
        const auto m = lengthRe.match(QString::fromLatin1(buffer.left(headerEnd)));
        const qsizetype length = m.hasMatch() ? m.captured(1).toLongLong() : 0;
        if (buffer.size() < headerEnd + 4 + length)
            return;
        const QString body = QString::fromUtf8(buffer.mid(headerEnd + 4, length));
        m_buffers.erase(socket);
        requests << body;
        auto field = [&](const char* name) {
            const QRegularExpression re(QStringLiteral("<%1>([^<]*)</%1>").arg(QLatin1String(name)));
            return re.match(body).captured(1);
        };
        const QString from = field("startDate"), to = field("endDate");
        const QStringList currencies = field("currencyNames").split(u',');
        QString document = QStringLiteral("<MNBExchangeRates>");
        auto answered = anyPeriod;
        for (const auto& [day, rates] : days)
            if (day >= from && day <= to)
                answered[day].insert(rates.begin(), rates.end());
        for (const auto& [day, rates] : answered) {
            QString rows;
            for (const auto& [currency, rate] : rates)
                if (currencies.contains(currency))
                    rows += QStringLiteral("<Rate unit=\"%1\" curr=\"%2\">%3</Rate>").arg(rate.first).arg(currency, rate.second);
            if (!rows.isEmpty())
                document += QStringLiteral("<Day date=\"%1\">%2</Day>").arg(day, rows);
        }
        document += QStringLiteral("</MNBExchangeRates>");
        const QByteArray answer =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><s:Envelope "
                           "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetExchangeRatesResponse "
                           "xmlns=\"http://www.mnb.hu/webservices/\"><GetExchangeRatesResult>%1</GetExchangeRatesResult>"
                           "</GetExchangeRatesResponse></s:Body></s:Envelope>")
                .arg(document.toHtmlEscaped())
                .toUtf8();
        socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: text/xml; charset=utf-8\r\n"
                      "Content-Length: " + QByteArray::number(answer.size()) + "\r\nConnection: close\r\n\r\n" + answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    std::map<QTcpSocket*, QByteArray> m_buffers;
};

// A port nothing listens on: the service unreachable.
QString closedUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/arfolyamok.asmx").arg(port);
}

QByteArray envelope(const QString& document)
{
    return QStringLiteral("<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
                          "<GetExchangeRatesResponse xmlns=\"http://www.mnb.hu/webservices/\"><GetExchangeRatesResult>%1"
                          "</GetExchangeRatesResult></GetExchangeRatesResponse></s:Body></s:Envelope>")
        .arg(document.toHtmlEscaped())
        .toUtf8();
}


QString fieldText(QWidget* w, int field)
{
    auto* e = w->findChild<QLineEdit*>(QStringLiteral("field%1").arg(field));
    return e ? e->text() : QStringLiteral("<none>");
}

} // namespace

class MnbRates : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowSession> s;
    std::unique_ptr<StandIn> bank;

    // Thursday to Monday around a weekend; JPY quoted for 100 units.
    void seedBank()
    {
        bank->days[QStringLiteral("2026-09-17")][QStringLiteral("EUR")] = {1, QStringLiteral("394,5")};
        bank->days[QStringLiteral("2026-09-18")][QStringLiteral("EUR")] = {1, QStringLiteral("395,12")};
        bank->days[QStringLiteral("2026-09-18")][QStringLiteral("JPY")] = {100, QStringLiteral("265,43")};
        bank->days[QStringLiteral("2026-09-21")][QStringLiteral("EUR")] = {1, QStringLiteral("396,01")};
    }

private slots:
    void initTestCase() { applyProgramLocale(); }
    void init()
    {
        s = std::make_unique<WindowSession>();
        s->db.reset(QStringLiteral("20100041"));
        s->db.addDemoData();
        bank = std::make_unique<StandIn>();
        seedBank();
        qputenv("ORVENA_MNB_URL", bank->url().toUtf8());
        qputenv("ORVENA_MNB_TIMEOUT_MS", "5000");
    }
    void cleanup()
    {
        s.reset();
        bank.reset();
    }

    void parsesAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("parsed"); // day|currency|unit|rate per unit, or "!" + error
        QTest::newRow("decimal comma, two currencies, unit 100")
            << envelope(QStringLiteral("<MNBExchangeRates><Day date=\"2026-09-18\"><Rate unit=\"1\" curr=\"EUR\">395,12"
                                       "</Rate><Rate unit=\"100\" curr=\"JPY\">265,43</Rate></Day></MNBExchangeRates>"))
            << "2026-09-18|EUR|1|395.12;2026-09-18|JPY|100|2.6543";
        QTest::newRow("empty period") << envelope(QString()) << "";
        QTest::newRow("current rates") << envelope(QStringLiteral(
            "<MNBCurrentExchangeRates><Day date=\"2026-09-21\"><Rate unit=\"1\" curr=\"USD\">333,3</Rate></Day>"
            "</MNBCurrentExchangeRates>")) << "2026-09-21|USD|1|333.3";
        QTest::newRow("fault") << QByteArray("<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
                                             "<s:Fault><faultstring>x</faultstring></s:Fault></s:Body></s:Envelope>")
                               << "!hibát jelzett";
        QTest::newRow("not the service") << QByteArray("<html><body>Not found</body></html>") << "!nem árfolyam-lista";
        QTest::newRow("rate not a number") << envelope(QStringLiteral(
            "<MNBExchangeRates><Day date=\"2026-09-18\"><Rate unit=\"1\" curr=\"EUR\">n/a</Rate></Day></MNBExchangeRates>"))
                                           << "!hibás árfolyam";
    }
    void parsesAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, parsed);
        QStringList got;
        try {
            for (const rates::MnbQuote& q : rates::parseRatesAnswer(answer))
                got << QStringLiteral("%1|%2|%3|%4").arg(q.day.toString(Qt::ISODate), q.currency).arg(q.unit).arg(q.perUnit().literal());
        } catch (const rates::MnbError& e) {
            QVERIFY2(parsed.startsWith(u'!') && e.text().contains(parsed.mid(1)), qPrintable(e.text()));
            return;
        }
        QCOMPARE(got.join(u';'), parsed);
    }

    // A weekend day takes Friday's rate, says so, and is answered from the table the second time;
    // a day after the last fetched one asks the bank again.
    void dayRuleAndCache()
    {
        auto sat = rates::rateFor(s->data, QStringLiteral("EUR"), QDate(2026, 9, 19));
        QVERIFY(sat);
        QCOMPARE(sat->quote.day, QDate(2026, 9, 18));
        QCOMPARE(sat->quote.perUnit().text(), QStringLiteral("395,12"));
        QCOMPARE(rates::sourceText(*sat), QStringLiteral("MNB 2026.09.18-i árfolyam"));
        QCOMPARE(bank->requests.size(), 1);
        QVERIFY(bank->requests[0].contains(QStringLiteral("<startDate>2026-09-05</startDate><endDate>2026-09-19</endDate>")));

        // Thursday and Friday come from the table: the fetch covered them.
        QCOMPARE(rates::rateFor(s->data, QStringLiteral("EUR"), QDate(2026, 9, 17))->quote.perUnit().text(), QStringLiteral("394,5"));
        QCOMPARE(rates::rateFor(s->data, QStringLiteral("EUR"), QDate(2026, 9, 19))->quote.day, QDate(2026, 9, 18));
        QCOMPARE(bank->requests.size(), 1);
        // Sunday was not covered by the fetch up to Saturday: asked, still Friday's.
        QCOMPARE(rates::rateFor(s->data, QStringLiteral("EUR"), QDate(2026, 9, 20))->quote.day, QDate(2026, 9, 18));
        QCOMPARE(bank->requests.size(), 2);
        QCOMPARE(rates::rateFor(s->data, QStringLiteral("EUR"), QDate(2026, 9, 21))->quote.perUnit().text(), QStringLiteral("396,01"));
        QCOMPARE(bank->requests.size(), 3);
        // Asking again replaces the day's row instead of adding one.
        QCOMPARE(rates::rateFor(s->data, QStringLiteral("EUR"), QDate(2026, 9, 21), true)->quote.perUnit().text(), QStringLiteral("396,01"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM mnbarfolyam WHERE maPnem = 'EUR' AND maDatum = '2026-09-21'")),
                 QStringLiteral("1"));

        auto jpy = rates::rateFor(s->data, QStringLiteral("jpy"), QDate(2026, 9, 20));
        QVERIFY(jpy);
        QCOMPARE(jpy->quote.perUnit().text(), QStringLiteral("2,6543"));
        QCOMPARE(rates::sourceText(*jpy), QStringLiteral("MNB 2026.09.18-i árfolyam (100 JPY = 265,43 Ft)"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT maEgyseg, maArfolyam, maForras FROM mnbarfolyam WHERE maPnem = 'JPY'")),
                 QStringList{QStringLiteral("100|265,43|MNB")});
        // A currency the bank does not quote: nothing, and nothing stored.
        QVERIFY(!rates::rateFor(s->data, QStringLiteral("XYZ"), QDate(2026, 9, 20)));
    }

    // What the answer holds beyond the request is not believed: days outside the period asked
    // for, and rates no currency can have, are never stored; a quotation is trusted at most
    // until the next bank day; a refused rate for the day asked is told, naming it.
    void strangeAnswersPlantNothing_data()
    {
        QTest::addColumn<QString>("day");      // answered beside the period, whatever is asked
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("asked");    // the delivery day looked up
        QTest::addColumn<QString>("applied");  // the day whose rate applies; "!" + message; "" nothing
        QTest::addColumn<QStringList>("stored");
        const QStringList thursdayAndFriday{"2026.09.17|394,5|2026.09.17", "2026.09.18|395,12|2026.09.19"};
        QTest::newRow("a day long past") << "2024-10-29" << "401,5" << 1 << "2026.09.19" << "2026.09.18"
                                         << thursdayAndFriday;
        QTest::newRow("a day far ahead") << "2099-01-01" << "1,5" << 1 << "2026.09.19" << "2026.09.18"
                                         << thursdayAndFriday;
        QTest::newRow("nothing but a day long past")
            << "2024-10-29" << "401,5" << 1 << "2026.08.01"
            << "!Az MNB válasza a kért időszakon (2026.07.18 - 2026.08.01) kívüli napra (2024.10.29) is adott EUR"
            << QStringList();
        QTest::newRow("tiny rate on the day asked")
            << "2026-09-19" << "0,0000001" << 1 << "2026.09.19"
            << "!Az MNB 2026.09.19-i EUR árfolyama (1 EUR = 0,0000001 Ft) nem valós árfolyam" << thursdayAndFriday;
        QTest::newRow("huge rate of 100 units")
            << "2026-09-19" << "1500000" << 100 << "2026.09.19"
            << "!Az MNB 2026.09.19-i EUR árfolyama (100 EUR = 1 500 000 Ft) nem valós árfolyam" << thursdayAndFriday;
        QTest::newRow("small rate of 100 units is plausible")
            << "2026-09-19" << "1,57" << 100 << "2026.09.20" << "2026.09.19"
            << QStringList{"2026.09.17|394,5|2026.09.17", "2026.09.18|395,12|2026.09.18", "2026.09.19|1,57|2026.09.20"};
    }
    void strangeAnswersPlantNothing()
    {
        QFETCH(QString, day);
        QFETCH(QString, rate);
        QFETCH(int, unit);
        QFETCH(QString, asked);
        QFETCH(QString, applied);
        QFETCH(QStringList, stored);
        bank->anyPeriod[day][QStringLiteral("EUR")] = {unit, rate};
        try {
            const auto found = rates::rateFor(s->data, QStringLiteral("EUR"), parseDate(asked));
            QCOMPARE(found ? formatDate(found->quote.day) : QString(), applied);
        } catch (const rates::MnbError& e) {
            QVERIFY2(applied.startsWith(u'!') && e.text().startsWith(applied.mid(1)), qPrintable(e.text()));
            QVERIFY(e.text().contains(QStringLiteral("kézzel")));
        }
        QCOMPARE(s->db.rows(QStringLiteral("SELECT maDatum, maArfolyam, maErvenyes FROM mnbarfolyam ORDER BY maDatum")),
                 stored);
        // A later day is asked from the bank again, never filled from what was planted.
        const int before = int(bank->requests.size());
        bank->anyPeriod.clear();
        const auto later = rates::rateFor(s->data, QStringLiteral("EUR"), QDate(2026, 9, 30));
        QCOMPARE(bank->requests.size(), before + 1);
        QCOMPARE(later ? formatDate(later->quote.day) : QString(), QStringLiteral("2026.09.21"));
    }

    // The bank unreachable or answering an error: a Hungarian message, nothing stored.
    void unreachable_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::newRow("nothing listens") << true;
        QTest::newRow("HTTP 500") << false;
    }
    void unreachable()
    {
        QFETCH(bool, closed);
        if (closed)
            qputenv("ORVENA_MNB_URL", closedUrl().toUtf8());
        else
            bank->status = 500;
        try {
            rates::rateFor(s->data, QStringLiteral("EUR"), QDate(2026, 9, 18));
            QFAIL("no error");
        } catch (const rates::MnbError& e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("Az MNB árfolyamát nem sikerült lekérdezni")), qPrintable(e.text()));
            QVERIFY(e.text().contains(QStringLiteral("kézzel")));
        }
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM mnbarfolyam")), QStringLiteral("0"));
    }

    // "orvena --mnb-rates" fills the table for a period; a faulty date is refused with status 2.
    void commandLine()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVENA_DB_NAME"), s->db.name());
        env.insert(QStringLiteral("ORVENA_MNB_URL"), bank->url());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ORVENA_PROGRAM), {QStringLiteral("--mnb-rates"), QStringLiteral("--from"),
                                                 QStringLiteral("2026.09.16"), QStringLiteral("--to"),
                                                 QStringLiteral("2026.09.22"), QStringLiteral("--currencies=EUR,JPY")});
        // The stand-in answers from this process's event loop while the program waits.
        QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 20000);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("4 árfolyam tárolva")),
                 qPrintable(QString::fromUtf8(p.readAllStandardError())));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT maDatum, maPnem, maEgyseg, maArfolyam, maErvenyes FROM mnbarfolyam "
                                           "ORDER BY maPnem, maDatum")),
                 (QStringList{QStringLiteral("2026.09.17|EUR|1|394,5|2026.09.17"),
                              QStringLiteral("2026.09.18|EUR|1|395,12|2026.09.20"),
                              QStringLiteral("2026.09.21|EUR|1|396,01|2026.09.22"),
                              QStringLiteral("2026.09.18|JPY|100|265,43|2026.09.21")}));
        // Nothing usable in the answer: said, and the run fails.
        bank->days.clear();
        bank->anyPeriod[QStringLiteral("2026-09-16")][QStringLiteral("EUR")] = {1, QStringLiteral("0,0000001")};
        p.start(QStringLiteral(ORVENA_PROGRAM), {QStringLiteral("--mnb-rates"), QStringLiteral("--from"),
                                                 QStringLiteral("2026.09.16"), QStringLiteral("--to"),
                                                 QStringLiteral("2026.09.16"), QStringLiteral("--currencies=EUR")});
        QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 20000);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("(1 EUR = 0,0000001 Ft) nem valós")));

        p.start(QStringLiteral(ORVENA_PROGRAM), {QStringLiteral("--mnb-rates"), QStringLiteral("--from"), QStringLiteral("2026.02.30")});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("éééé.hh.nn")));
    }

    // The composition screen: a foreign currency typed after the customer fills "Árfolyam" from
    // the performance date's rate and says which day's; a typed rate is marked as typed and kept
    // when leaving the field again; "MNB árfolyam" asks again; a changed date refills; without the
    // bank a message, and the typed rate is stored.
    void compositionFillsRate()
    {
        std::unique_ptr<QDialog> composer(s->registry.create(Screen::InvoiceComposer));
        QVERIFY(composer);
        composer->show();
        QVERIFY(QTest::qWaitForWindowActive(composer.get()));
        auto edit = [&](int f) { return composer->findChild<QLineEdit*>(QStringLiteral("field%1").arg(f)); };
        auto typeInto = [&](int f, const QString& text) {
            // The offscreen platform activates no window when a modal one over it closes.
            if (QApplication::activeWindow() != composer.get()) {
                composer->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(composer.get()));
            }
            QLineEdit* e = edit(f);
            e->setFocus();
            e->selectAll();
            QTest::keyClicks(e, text);
            QTest::keyClick(e, Qt::Key_Tab);
        };
        ModalDriver driver;
        driver.window(QStringLiteral("TForm3"), [](QWidget* chooser) {
            QTest::mouseClick(chooser->findChild<QPushButton*>(QStringLiteral("Kivalaszt")), Qt::LeftButton);
        });
        QTest::mouseClick(composer->findChild<QPushButton*>(QStringLiteral("customerButton")), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));

        typeInto(F::PerformanceDate, QStringLiteral("2026.09.19"));
        QCOMPARE(fieldText(composer.get(), F::ExchangeRate), QStringLiteral("0"));
        typeInto(F::Currency, QStringLiteral("EUR"));
        QCOMPARE(fieldText(composer.get(), F::ExchangeRate), QStringLiteral("395,12"));
        QCOMPARE(fieldText(composer.get(), F::RateSource), QStringLiteral("MNB 2026.09.18-i árfolyam"));

        typeInto(F::ExchangeRate, QStringLiteral("390"));
        QCOMPARE(fieldText(composer.get(), F::RateSource), QStringLiteral("kézzel megadva"));
        typeInto(F::Currency, QStringLiteral("EUR")); // the same currency again: the typed rate stays
        QCOMPARE(fieldText(composer.get(), F::ExchangeRate), QStringLiteral("390"));
        QTest::mouseClick(composer->findChild<QPushButton*>(QStringLiteral("mnbRateButton")), Qt::LeftButton);
        QCOMPARE(fieldText(composer.get(), F::ExchangeRate), QStringLiteral("395,12"));

        typeInto(F::PerformanceDate, QStringLiteral("2026.09.21"));
        QCOMPARE(fieldText(composer.get(), F::ExchangeRate), QStringLiteral("396,01"));
        QCOMPARE(fieldText(composer.get(), F::RateSource), QStringLiteral("MNB 2026.09.21-i árfolyam"));

        typeInto(F::Currency, QStringLiteral("JPY"));
        QCOMPARE(fieldText(composer.get(), F::ExchangeRate), QStringLiteral("2,6543"));

        // The bank out of reach: told, the rate typed by hand, nothing blocked.
        qputenv("ORVENA_MNB_URL", closedUrl().toUtf8());
        driver.box(QStringLiteral("Az MNB árfolyamát nem sikerült lekérdezni"), QStringLiteral("OK"));
        typeInto(F::Currency, QStringLiteral("USD"));
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(fieldText(composer.get(), F::RateSource), QStringLiteral("nincs MNB árfolyam"));
        QCOMPARE(fieldText(composer.get(), F::ExchangeRate), QString()); // the yen's rate is not kept
        typeInto(F::ExchangeRate, QStringLiteral("333,5"));
        // Another delivery day without the bank: the typed rate was that day's, it goes too.
        driver.box(QStringLiteral("Az MNB árfolyamát nem sikerült lekérdezni"), QStringLiteral("OK"));
        typeInto(F::PerformanceDate, QStringLiteral("2026.09.22"));
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(fieldText(composer.get(), F::ExchangeRate), QString());
        typeInto(F::ExchangeRate, QStringLiteral("333.5")); // the keypad's dot is the decimal sign

        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa) "
                                  "VALUES ('20100042', '1', 'Mérleg', 1, 'db', 100, 'USD', '1', '27% általános', 27)"));
        QTest::mouseClick(composer->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(driver.boxes().size(), 2);
        QCOMPARE(s->db.rows(QStringLiteral("SELECT fBszam, fPnem, fArfoly, fTkelt FROM szlafej")),
                 QStringList{QStringLiteral("20100042|USD|333,5|2026.09.22")});
    }
};

QTEST_MAIN(MnbRates)
#include "tst_mnbrates.moc"
