// Delivery-note printing: total quantity, copy mark and printed flag, layout choice by label set,
// refusals, and the four laid-out copies with their page counters.
#include "delivery/printdeliverynote.h"
#include "reports/recordingpresenter.h"
#include "support/fakes.h"

#include "db/errors.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

class TestPrintDeliveryNote : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void totalQuantity_data();
    void totalQuantity();
    void firstPrintThenReprint();
    void viewNeverMarks();
    void flagUpdateFailure();
    void layoutChoice();
    void refusedLabelSets_data();
    void refusedLabelSets();
    void missingTemplateLeavesFlag();
    void fourCopiesWithCounters();
    void longNotePaginates();

private:
    void addNote(const QString& number, const QString& labelCode, const QStringList& quantities,
                 const QString& printed = QStringLiteral(" "));
    QString flag(const QString& number)
    {
        return m_session->db.scalar(QStringLiteral("SELECT lPrn FROM szlevfej WHERE lBszam = '%1'").arg(number));
    }
    void print(const QString& mode, const QString& number = QStringLiteral("20100001"))
    {
        PrintDeliveryNote(m_session->context, number, mode == u"Nyomtatás" ? PrintMode::Print : PrintMode::View);
    }
    int pagesWith(const QString& text) const
    {
        int n = 0;
        for (const auto& page : m_presenter.last().pages)
            n += page.find(text).empty() ? 0 : 1;
        return n;
    }

    std::unique_ptr<TestSession> m_session;
    RecordingPresenter m_presenter;
};

void TestPrintDeliveryNote::initTestCase()
{
    m_session = std::make_unique<TestSession>();
    m_session->context.reports = &m_presenter;
    QVERIFY(QDir::setCurrent(templateFolder()));
}

void TestPrintDeliveryNote::init()
{
    DB_VERIFY(m_session->db.reset());
    DB_VERIFY(m_session->db.addDemoData());
    m_session->ui.clear();
    m_session->data.connection().setStatementHook({});
    m_presenter.presented.clear();
}

void TestPrintDeliveryNote::addNote(const QString& number, const QString& labelCode, const QStringList& quantities,
                                    const QString& printed)
{
    m_session->db.exec(QStringLiteral("INSERT INTO szlevfej (lBszam, lTkelt, lRkelt, lFkelt, lFizmod, lMegj, lSzerz, "
                                      "lPrn, lKerek, lArfoly, lPnem, lmKod, lzKod, lvKod, lmemo, lMemoSzall, "
                                      "lMemoVevo) VALUES ('%1', '2010-05-17', '2010-05-18', '2010-05-26', 'kp.', "
                                      "'Sürgős', 'SZ/7', '%2', 0, 0, 'Ft', '%3', '1', '2', 'Átvette:', "
                                      "'Tisza-Mérleg Kft.', 'Szőke Építőipari Zrt.')")
                           .arg(number, printed, labelCode));
    int i = 0;
    for (const QString& q : quantities)
        m_session->db.exec(QStringLiteral("INSERT INTO szlevsor (eBszam, ecKod, ecSzam, eMegn, eVtsz, eMenny, eMe, "
                                          "eMemo) VALUES ('%1', '1', 'TM-100', 'Tétel %2', '8423', %3, 'db', '')")
                               .arg(number)
                               .arg(++i)
                               .arg(q));
}

void TestPrintDeliveryNote::totalQuantity_data()
{
    QTest::addColumn<QStringList>("quantities");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("printed");
    QTest::newRow("1,5 and 2") << QStringList{"1.5", "2"} << "3,5" << "3,500";
    QTest::newRow("three decimals") << QStringList{"0.125", "0.25"} << "0,375" << "0,375";
    QTest::newRow("no lines") << QStringList{} << "0" << "0,000";
    QTest::newRow("thousands") << QStringList{"1000", "234.5"} << "1234,5" << "1 234,500";
}

void TestPrintDeliveryNote::totalQuantity()
{
    QFETCH(QStringList, quantities);
    QFETCH(QString, variable);
    QFETCH(QString, printed);
    DB_VERIFY(addNote(QStringLiteral("20100001"), QStringLiteral("00002"), quantities));
    DB_VERIFY(print(QStringLiteral("Megtekint")));
    QCOMPARE(m_presenter.variables().value(QStringLiteral("V_MENNY")), variable);
    // the totals band of every copy carries it, right of "Összesen:"
    QCOMPARE(pagesWith(QStringLiteral("Összesen:")), 4);
    for (const auto& page : m_presenter.last().pages) {
        const auto found = page.find(printed);
        QVERIFY(!found.empty());
        QCOMPARE(found.back()->box.left(), 596.0);
    }
}

void TestPrintDeliveryNote::firstPrintThenReprint()
{
    DB_VERIFY(addNote(QStringLiteral("20100001"), QStringLiteral("00002"), {"1"}));
    DB_VERIFY(print(QStringLiteral("Nyomtatás")));
    QCOMPARE(m_presenter.variables().value(QStringLiteral("v_masolat")), QStringLiteral(" "));
    QCOMPARE(pagesWith(QStringLiteral("MÁSOLATI")), 0);
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral("I"));

    DB_VERIFY(print(QStringLiteral("Nyomtatás")));
    QCOMPARE(m_presenter.variables().value(QStringLiteral("v_masolat")), QStringLiteral("MÁSOLATI PÉLDÁNY Copy"));
    QCOMPARE(pagesWith(QStringLiteral("MÁSOLATI PÉLDÁNY Copy")), 4);
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral("I"));
    QVERIFY(m_session->ui.texts().isEmpty());
}

void TestPrintDeliveryNote::viewNeverMarks()
{
    DB_VERIFY(addNote(QStringLiteral("20100001"), QStringLiteral("00002"), {"1"}));
    for (int i = 0; i < 3; ++i) {
        DB_VERIFY(print(QStringLiteral("Megtekint")));
        QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
        QCOMPARE(m_presenter.variables().value(QStringLiteral("v_masolat")), QStringLiteral(" "));
    }
    DB_VERIFY(print(QStringLiteral("Nyomtatás")));
    QCOMPARE(pagesWith(QStringLiteral("MÁSOLATI")), 0);
}

void TestPrintDeliveryNote::flagUpdateFailure()
{
    DB_VERIFY(addNote(QStringLiteral("20100001"), QStringLiteral("00002"), {"1"}));
    m_session->data.connection().setStatementHook([](const QByteArray& sql) {
        if (sql.startsWith("UPDATE Szlevfej"))
            throw DbError(QStringLiteral("read only"));
    });
    DB_VERIFY(print(QStringLiteral("Nyomtatás")));
    m_session->data.connection().setStatementHook({});
    QCOMPARE(m_session->ui.texts(), QStringList{QStringLiteral("Hiba: prn UPDATE Szlevfej-be ")});
    QCOMPARE(m_presenter.presented.size(), size_t(1));
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
}

void TestPrintDeliveryNote::layoutChoice()
{
    DB_VERIFY(addNote(QStringLiteral("20100001"), QStringLiteral("00002"), {"1"}));
    DB_VERIFY(addNote(QStringLiteral("20100002"), QStringLiteral("00003"), {"1"}));
    DB_VERIFY(addNote(QStringLiteral("20100003"), QStringLiteral("00001"), {"1"}));
    DB_VERIFY(print(QStringLiteral("Megtekint"), QStringLiteral("20100001")));
    QCOMPARE(m_presenter.last().source, QStringLiteral("Szlevel2.frf"));
    DB_VERIFY(print(QStringLiteral("Megtekint"), QStringLiteral("20100002")));
    QCOMPARE(m_presenter.last().source, QStringLiteral("Szlevel3.frf"));
    DB_VERIFY(print(QStringLiteral("Megtekint"), QStringLiteral("20100003")));
    QCOMPARE(m_presenter.last().source, QStringLiteral(":/layouts/deliverynote.frf"));
    // the stored layout works without any file in the working folder; a deleted label set
    // prints empty captions
    QTemporaryDir empty;
    QVERIFY(QDir::setCurrent(empty.path()));
    DB_VERIFY(print(QStringLiteral("Megtekint"), QStringLiteral("20100003")));
    QVERIFY(QDir::setCurrent(templateFolder()));
    QCOMPARE(m_presenter.last().pages.size(), size_t(4));
    QCOMPARE(pagesWith(QStringLiteral("Szállítólevél / ")), 4);
}

void TestPrintDeliveryNote::refusedLabelSets_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("code of a new label set") << "4";
    QTest::newRow("fifth character a letter") << "0000A";
}

void TestPrintDeliveryNote::refusedLabelSets()
{
    QFETCH(QString, code);
    DB_VERIFY(addNote(QStringLiteral("20100001"), code, {"1"}));
    try {
        print(QStringLiteral("Nyomtatás"));
        QFAIL("printed with an invalid label set");
    } catch (const Error& e) {
        QVERIFY2(e.text().contains(QStringLiteral("\"%1\"").arg(code)), qPrintable(e.text()));
    }
    QVERIFY(m_presenter.presented.empty());
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
}

void TestPrintDeliveryNote::missingTemplateLeavesFlag()
{
    DB_VERIFY(addNote(QStringLiteral("20100001"), QStringLiteral("00003"), {"1"}));
    QTemporaryDir empty;
    QVERIFY(QDir::setCurrent(empty.path()));
    QVERIFY_THROWS_EXCEPTION(FileError, print(QStringLiteral("Nyomtatás")));
    QVERIFY(QDir::setCurrent(templateFolder()));
    QVERIFY(m_presenter.presented.empty());
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
}

void TestPrintDeliveryNote::fourCopiesWithCounters()
{
    DB_VERIFY(addNote(QStringLiteral("20100001"), QStringLiteral("00002"), {"1", "2"}));
    DB_VERIFY(print(QStringLiteral("Megtekint")));
    const auto& pages = m_presenter.last().pages;
    QCOMPARE(pages.size(), size_t(4));
    const QStringList captions{" Eredeti/Original 4/1. példány/copy ", " Másolat/Copy 4/2. példány/copy",
                               " Másolat/Copy 4/3. példány/copy", " Másolat/Copy 4/4. példány/copy"};
    const QStringList copyTexts{"4/1 -", "4/2 -", "4/3 - ", "4/4 - "};
    const QList<double> counterX{344, 340, 348, 348};
    for (int i = 0; i < 4; ++i) {
        const auto& page = pages[static_cast<size_t>(i)];
        const auto caption = page.find(captions[i]);
        QCOMPARE(caption.size(), size_t(1));
        // the fourth copy starts 4 units lower
        QCOMPARE(caption.front()->box.top(), (i == 3 ? 24.0 : 20.0) + 24);
        QCOMPARE(page.find(copyTexts[i]).size(), size_t(1));
        // the counter of this copy shows 1 on the copy's first page
        bool counterFound = false;
        for (const auto& item : page.texts)
            counterFound = counterFound || (item.box.left() == counterX[i] && item.text() == u"1");
        QVERIFY2(counterFound, qPrintable(page.allTexts().join(u'|')));
        const bool doubleBlank = i != 2;
        QCOMPARE(page.find(QStringLiteral("A szállítólevél 4 példányban  készült.")).size(), size_t(doubleBlank ? 1 : 0));
        QCOMPARE(page.find(QStringLiteral("A szállítólevél 4 példányban készült.")).size(), size_t(doubleBlank ? 0 : 1));
        QCOMPARE(page.find(QStringLiteral("K20100001")).size(), size_t(1));
    }
}

void TestPrintDeliveryNote::longNotePaginates()
{
    QStringList quantities;
    for (int i = 0; i < 25; ++i)
        quantities << QStringLiteral("1");
    DB_VERIFY(addNote(QStringLiteral("20100001"), QStringLiteral("00002"), quantities));
    DB_VERIFY(print(QStringLiteral("Megtekint")));
    const auto& pages = m_presenter.last().pages;
    QCOMPARE(pages.size() % 4, size_t(0));
    const size_t perCopy = pages.size() / 4;
    QVERIFY(perCopy >= 2);
    for (size_t i = 0; i < pages.size(); ++i) {
        const size_t copy = i / perCopy;
        const size_t pageInCopy = i % perCopy + 1;
        QCOMPARE(!pages[i].find(QStringLiteral("Szállítólevél / ")).empty(), pageInCopy == 1); // header once
        QCOMPARE(pages[i].find(QStringLiteral("4/%1 -").arg(copy + 1)).size(), size_t(1));  // footer every page
        bool counter = false;
        for (const auto& item : pages[i].texts)
            counter = counter || (item.box.top() > 1000 && item.text() == QString::number(pageInCopy));
        QVERIFY2(counter, qPrintable(QStringLiteral("page %1").arg(i + 1)));
    }
    QCOMPARE(pages[perCopy - 1].find(QStringLiteral("25,000")).size(), size_t(1));
}

QTEST_MAIN(TestPrintDeliveryNote)
#include "tst_printdeliverynote.moc"
