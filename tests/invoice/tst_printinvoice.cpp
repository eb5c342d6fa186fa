// Invoice printing: the report variables, the copy mark and printed flag, the template choice,
// the failures, and the laid-out three-copy invoice.
#include "invoice/printinvoice.h"
#include "reports/recordingpresenter.h"
#include "support/fakes.h"
#include "support/invoiceseed.h"

#include "db/errors.h"
#include "invoice/paymentqr.h"
#include "reports/reportengine.h"

#include <QProcess>
#include <QStandardPaths>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

namespace {

struct Line {
    QString quantity;
    QString price;
    QString vatName;
    int vat;
    QString articleNumber = QStringLiteral("TM-1");
};

} // namespace

class TestPrintInvoice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void formats_data();
    void formats();
    void totals_data();
    void totals();
    void variablesDoNotLeak();

    void copyMarkAndPrintedFlag_data();
    void copyMarkAndPrintedFlag();
    void flagUpdateFailure();
    void refusedLabelSets_data();
    void refusedLabelSets();
    void missingTemplateLeavesFlag();
    void templateWithoutLegalFieldsDoesNotIssue();
    void unknownInvoice();
    void amountBeyondWords_data();
    void amountBeyondWords();

    void legalContent_data();
    void legalContent();

    void threeCopies();
    void shortInvoiceFitsOnePagePerCopy_data();
    void shortInvoiceFitsOnePagePerCopy();
    void longInvoicePaginates();
    void lineBandValues();

    void paymentCode_data();
    void paymentCode();
    void paymentPayloadFields_data();
    void paymentPayloadFields();
    void paymentCodeDecodedFromPdf();

private:
    void addInvoice(const QString& number, const QString& labelCode, const QList<Line>& lines,
                    const QString& discount = QStringLiteral("0"), const QString& rate = QStringLiteral("0"),
                    const QString& currency = QStringLiteral("Ft"), const QString& printed = QStringLiteral(" "));
    QString var(const QString& name) { return m_presenter.variables().value(name); }
    QString flag(const QString& number)
    {
        return m_session->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '%1'").arg(number));
    }

    std::unique_ptr<TestSession> m_session;
    RecordingPresenter m_presenter;
};

void TestPrintInvoice::initTestCase()
{
    m_session = std::make_unique<TestSession>();
    m_session->context.reports = &m_presenter;
    QVERIFY(QDir::setCurrent(templateFolder()));
}

void TestPrintInvoice::init()
{
    DB_VERIFY(m_session->db.reset());
    DB_VERIFY(m_session->db.addDemoData());
    m_session->ui.clear();
    m_session->data.connection().setStatementHook({});
    m_presenter.presented.clear();
}

void TestPrintInvoice::addInvoice(const QString& number, const QString& labelCode, const QList<Line>& lines,
                                  const QString& discount, const QString& rate, const QString& currency,
                                  const QString& printed)
{
    test::seedInvoiceHeader(m_session->db, {{QStringLiteral("fBszam"), number},
                                            {QStringLiteral("fTkelt"), QStringLiteral("2010-05-17")},
                                            {QStringLiteral("fRkelt"), QStringLiteral("2010-05-18")},
                                            {QStringLiteral("fFkelt"), QStringLiteral("2010-05-26")},
                                            {QStringLiteral("fFizmod"), QStringLiteral("átutalás")},
                                            {QStringLiteral("fMegj"), QStringLiteral("Első")},
                                            {QStringLiteral("fSzerz"), QStringLiteral("SZ/1")},
                                            {QStringLiteral("fPrn"), printed},
                                            // "NULL": the column left unset (NULL)
                                            {QStringLiteral("fKerek"), discount == u"NULL" ? QString() : discount},
                                            {QStringLiteral("fArfoly"), rate == u"NULL" ? QString() : rate},
                                            {QStringLiteral("fPnem"), currency},
                                            {QStringLiteral("fmKod"), labelCode},
                                            {QStringLiteral("fzKod"), QStringLiteral("1")},
                                            {QStringLiteral("fvKod"), QStringLiteral("1")},
                                            {QStringLiteral("fmemo"), QStringLiteral("Köszönjük!")},
                                            {QStringLiteral("fMemoSzall"), QStringLiteral("Tisza-Mérleg Kft.\r\nSzeged")},
                                            {QStringLiteral("fMemoVevo"), QStringLiteral("Kovács és Társa Bt.\r\nBudapest")}});
    for (const Line& l : lines)
        m_session->db.exec(
            QStringLiteral("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, "
                           "skAfakod, sAfanev, sAfa, sMemo) VALUES ('%1', '1', '%2', 'Konyhai mérleg', '8423', %3, "
                           "'db', %4, '%5', '1', '%6', %7, '')")
                .arg(number, l.articleNumber, l.quantity, l.price, currency, l.vatName)
                .arg(l.vat));
}

void TestPrintInvoice::formats_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("fixed");
    QTest::addColumn<QString>("grouped");
    QTest::newRow("half up") << 2.345 << 2 << "2,35" << "2,35";
    QTest::newRow("binary half 1.005") << 1.005 << 2 << "1,01" << "1,01";
    QTest::newRow("negative half away from zero") << -2.5 << 0 << "-3" << "-3";
    QTest::newRow("positive half to whole") << 12345.5 << 0 << "12346" << "12 346";
    QTest::newRow("no minus zero") << -0.001 << 2 << "0,00" << "0,00";
    QTest::newRow("carry through nines") << 999999.995 << 2 << "1000000,00" << "1 000 000,00";
    QTest::newRow("negative grouped") << -1234567.891 << 2 << "-1234567,89" << "-1 234 567,89";
    QTest::newRow("small") << 0.05 << 2 << "0,05" << "0,05";
    QTest::newRow("large keeps whole digits") << 123456789012.34 << 2 << "123456789012,34" << "123 456 789 012,34";
}

void TestPrintInvoice::formats()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, fixed);
    QFETCH(QString, grouped);
    QCOMPARE(fixedText(value, decimals), fixed);
    QCOMPARE(groupedText(value, decimals), grouped);
    QCOMPARE(roundedValue(value, decimals), fixed.replace(u',', u'.').toDouble());
    // five significant digits, as used for the exchange rate and the discount
    QCOMPARE(fixedText(310.5, 2, 5), QStringLiteral("310,50"));
    QCOMPARE(fixedText(310.456, 2, 5), QStringLiteral("310,46"));
}

void TestPrintInvoice::totals_data()
{
    QTest::addColumn<QString>("labelCode");
    QTest::addColumn<QList<Line>>("lines");
    QTest::addColumn<QString>("discount");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QStringList>("expected"); // name=value pairs

    const QString cr(QChar(13));
    QTest::newRow("same rate taxed per line")
        << "00003" << QList<Line>{{"1", "1.02", "27% általános", 27}, {"1", "1.02", "27% általános", 27}} << "0"
        << "0" << "Ft"
        << QStringList{"v_AFA_afa=0,56" + cr, "v_AFA_SUMafa=0,56", "v_AFA_SUMnetto=2,04", "v_AFA_SUM=2,60",
                       "v_AFA_ert=27%" + cr, "v_azaz=kettö  60/100 ", "v_ker_SUM="};
    QTest::newRow("type 2 rounds to whole forints")
        << "00002" << QList<Line>{{"1", "12345.6", "0% mentes", 0}} << "0" << "0" << "Ft"
        << QStringList{"v_AFA_SUM=12345,60", "v_ker_SUM=0,40", "v_ker_SUMnetto=0,40", "v_ker_SUMafa=0,00",
                       "v_azaz=tizenkettöezer-háromszáznegyvenhat 00/100 ", "v_AFA_netto=12 345,60" + cr};
    QTest::newRow("type 3 hundredths")
        << "00003" << QList<Line>{{"1", "1234.05", "0% mentes", 0}} << "0" << "0" << "Ft"
        << QStringList{"v_azaz=egyezer-kettöszázharmincnégy  05/100 ", "v_ker_SUMnetto="};
    QTest::newRow("type 3 split uses the rounded total")
        << "00003" << QList<Line>{{"1", "0.59", "0% mentes", 0}, {"1", "1.11", "27% általános", 27}} << "0" << "0"
        << "Ft" << QStringList{"v_AFA_SUMnetto=1,70", "v_AFA_SUMafa=0,30", "v_azaz=kettö  00/100 "};
    QTest::newRow("rates in name order")
        << "00002"
        << QList<Line>{{"2", "100", "5% kedvezményes", 5}, {"1", "1000", "27% általános", 27},
                       {"3", "10", "5% kedvezményes", 5}}
        << "0" << "0" << "Ft"
        << QStringList{"v_AFA_ert=27%" + cr + "5% " + cr, "v_AFA_netto=1 000,00" + cr + "230,00" + cr,
                       "v_AFA_afa=270,00" + cr + "11,50" + cr, "v_AFA_sorsum=1 270,00" + cr + "241,50" + cr,
                       "v_AFA_SUM=1511,50"};
    QTest::newRow("names the server holds equal share a rate")
        << "00003" << QList<Line>{{"1", "100", "27% általános", 27}, {"1", "200", "27% ÁLTALÁNOS", 27}} << "0" << "0"
        << "Ft" << QStringList{"v_AFA_ert=27%" + cr, "v_AFA_netto=300,00" + cr, "v_AFA_afa=81,00" + cr};
    QTest::newRow("discount not given") << "00003" << QList<Line>{{"2", "1000", "27% általános", 27}} << "NULL"
                                        << "0" << "Ft"
                                        << QStringList{"v_AFA_SUMnetto=2000,00", "v_AFA_SUMafa=540,00", "v_enged="};
    QTest::newRow("discount") << "00002" << QList<Line>{{"2", "1000", "27% általános", 27}} << "5" << "0" << "Ft"
                              << QStringList{"v_enged=Az egységár tartalmazza a 5,00 % engedményt.",
                                             "v_AFA_SUMnetto=1900,00", "v_AFA_SUMafa=513,00"};
    QTest::newRow("foreign currency")
        << "00003" << QList<Line>{{"1", "100.33", "27% általános", 27}} << "0" << "310.5" << "EUR"
        << QStringList{"v_arfoly=Árfolyam: 1 EUR = 310,50 Ft. Átszámolva forintban: ", "v_netto_Ft=31152",
                       "v_AFA_Ft=8411", "v_brutto_Ft=39563", "v_AFA_SUM=127,42", "v_enged="};
    QTest::newRow("storno never printed")
        << "00002" << QList<Line>{{"-1", "1500", "0% mentes", 0}} << "0" << "0" << "Ft"
        << QStringList{"v_AFA_SUM=-1500,00", "v_azaz=mínusz egyezer-ötszáz 00/100 ",
                       "v_masolat=Számlával egy tekintet alá eső okirat "};
    QTest::newRow("storno below one unit")
        << "00003" << QList<Line>{{"-1", "0.5", "0% mentes", 0}} << "0" << "0" << "Ft"
        << QStringList{"v_azaz=mínusz nulla 50/100 ", "v_masolat=Számlával egy tekintet alá eső okirat "};
    QTest::newRow("without lines") << "00002" << QList<Line>{} << "0" << "0" << "Ft"
                                   << QStringList{"v_AFA_SUMnetto=0,00", "v_AFA_SUMafa=0,00", "v_AFA_SUM=0,00",
                                                  "v_AFA_ert=", "v_AFA_netto=", "v_azaz=nulla00/100 ",
                                                  "v_arfoly=", "v_masolat= "};
    QTest::newRow("large amount") << "00003" << QList<Line>{{"1000", "1234567.89", "0% mentes", 0}} << "0" << "0"
                                  << "Ft"
                                  << QStringList{"v_AFA_SUM=1234567890,00",
                                                 "v_AFA_netto=1 234 567 890,00" + cr,
                                                 "v_azaz=egymilliárd-kettöszázharmincnégymillió-"
                                                 "ötszázhatvanhétezer-nyolcszázkilencven  00/100 "};
    QTest::newRow("billions keep the fillér")
        << "00003" << QList<Line>{{"1", "1234567890.12", "0% mentes", 0}} << "0" << "0" << "Ft"
        << QStringList{"v_AFA_SUM=1234567890,12", "v_AFA_netto=1 234 567 890,12" + cr,
                       "v_azaz=egymilliárd-kettöszázharmincnégymillió-ötszázhatvanhétezer-nyolcszázkilencven  "
                       "12/100 "};
    QTest::newRow("billions of forints from the exact rate")
        << "00003" << QList<Line>{{"1", "8256322.54", "0% mentes", 0}} << "0" << "385.123456" << "EUR"
        << QStringList{"v_netto_Ft=3179703470", "v_AFA_Ft=0", "v_brutto_Ft=3179703470"};
}

void TestPrintInvoice::totals()
{
    QFETCH(QString, labelCode);
    QFETCH(QList<Line>, lines);
    QFETCH(QString, discount);
    QFETCH(QString, rate);
    QFETCH(QString, currency);
    QFETCH(QStringList, expected);
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), labelCode, lines, discount, rate, currency));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    QCOMPARE(m_presenter.presented.size(), size_t(1));
    for (const QString& pair : expected) {
        const QString name = pair.section(u'=', 0, 0);
        QCOMPARE(var(name), pair.section(u'=', 1));
    }
    QCOMPARE(m_session->state.invoiceNumber, QStringLiteral("20100001"));
    // the payable amount is what the totals band prints
    const auto& firstPage = m_presenter.last().pages.front();
    QVERIFY(!firstPage.find(QStringLiteral("Fizetendö / ")).empty());
}

void TestPrintInvoice::variablesDoNotLeak()
{
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00002"),
                         {{"1", "100", "27% általános", 27}}, QStringLiteral("5"), QStringLiteral("310.5"),
                         QStringLiteral("EUR")));
    DB_VERIFY(addInvoice(QStringLiteral("20100002"), QStringLiteral("00003"), {{"1", "100", "27% általános", 27}}));
    DB_VERIFY(addInvoice(QStringLiteral("20100003"), QStringLiteral("00002"), {{"1", "100.1", "AAM", 0}}));
    m_session->db.exec(QStringLiteral("UPDATE szlasor SET skAfakod = '4' WHERE sBszam = '20100003'"));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    QVERIFY(!var(QStringLiteral("v_arfoly")).isEmpty());
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100003")));
    for (const char* name : {"v_ker_SUM", "v_kerekites", "v_mentesseg"})
        QVERIFY2(!var(QLatin1StringView(name)).isEmpty(), name);
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100002")));
    for (const char* name : {"v_arfoly", "v_netto_Ft", "v_AFA_Ft", "v_brutto_Ft", "v_enged", "v_ker_SUM",
                             "v_ker_SUMnetto", "v_ker_SUMafa", "v_Ft", "v_kerekites", "v_mentesseg"})
        QVERIFY2(var(QLatin1StringView(name)).isEmpty(), name);
    QCOMPARE(var(QStringLiteral("v_masolat")), QStringLiteral(" "));
}

void TestPrintInvoice::copyMarkAndPrintedFlag_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("flagBefore");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QString>("flagAfter");
    QTest::newRow("view leaves the flag") << "Megtekint" << " " << "1" << " " << "";
    QTest::newRow("print marks printed") << "Nyomtatás" << " " << "1" << " " << "I";
    QTest::newRow("second print is a copy") << "Nyomtatás" << "I" << "1" << "MÁSOLATI PÉLDÁNY /Copy" << "I";
    QTest::newRow("view of printed is a copy") << "Megtekint" << "I" << "1" << "MÁSOLATI PÉLDÁNY /Copy" << "I";
    QTest::newRow("printed storno") << "Nyomtatás" << "I" << "-1"
                                    << "Számlával egy tekintet alá eső okirat - MÁSOLATI PÉLDÁNY /Copy" << "I";
}

void TestPrintInvoice::copyMarkAndPrintedFlag()
{
    QFETCH(QString, mode);
    QFETCH(QString, flagBefore);
    QFETCH(QString, quantity);
    QFETCH(QString, mark);
    QFETCH(QString, flagAfter);
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00002"), {{quantity, "500", "27% általános", 27}},
                         QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("Ft"), flagBefore));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001"), mode == u"Nyomtatás" ? PrintMode::Print : PrintMode::View));
    QCOMPARE(var(QStringLiteral("v_masolat")), mark);
    QCOMPARE(flag(QStringLiteral("20100001")).trimmed(), flagAfter);
    // the mark is printed on every copy
    int marked = 0;
    for (const auto& page : m_presenter.last().pages)
        marked += static_cast<int>(page.find(mark.trimmed().isEmpty() ? QStringLiteral("Számla / ") : mark).size());
    QCOMPARE(marked, 3);
    QVERIFY(m_session->ui.texts().isEmpty());
}

void TestPrintInvoice::flagUpdateFailure()
{
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00002"), {{"1", "500", "27% általános", 27}}));
    m_session->data.connection().setStatementHook([](const QByteArray& sql) {
        if (sql.startsWith("UPDATE Szlafej"))
            throw DbError(QStringLiteral("lock wait timeout"));
    });
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print));
    m_session->data.connection().setStatementHook({});
    QCOMPARE(m_session->ui.texts(), QStringList{QStringLiteral("Hiba: prn UPDATE Szlafej-be ")});
    QCOMPARE(m_presenter.presented.size(), size_t(1)); // the report is still shown
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
}

void TestPrintInvoice::refusedLabelSets_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("too short") << "4";
    QTest::newRow("fifth character 1") << "00001";
    QTest::newRow("fifth character a letter") << "0000x";
    QTest::newRow("empty") << "";
}

void TestPrintInvoice::refusedLabelSets()
{
    QFETCH(QString, code);
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), code, {{"1", "500", "27% általános", 27}}));
    try {
        PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print);
        QFAIL("printed with an invalid label set");
    } catch (const Error& e) {
        // without any label set the message says where to choose one
        const QString expected = code.isEmpty() ? QStringLiteral("válasszon szótárat a „Nyelv” gombbal")
                                                : QStringLiteral("\"%1\"").arg(code);
        QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
        QVERIFY(!e.text().contains(QStringLiteral("floating point")));
    }
    QVERIFY(m_presenter.presented.empty());
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
}

// A working folder's template made before the legal fields existed: the preview still works, the
// issue is refused naming what is missing, and with the fields back the same print issues.
void TestPrintInvoice::templateWithoutLegalFieldsDoesNotIssue()
{
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00002"), {{"1", "500", "27% általános", 27}}));
    QTemporaryDir folder;
    QFile shipped(QDir(templateFolder()).filePath(QStringLiteral("Szamla2.frf")));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(shipped.readAll());
    text.remove(QStringLiteral("[v_mentesseg]")).remove(QStringLiteral("[v_afa_helyzet]"));
    QFile custom(folder.filePath(QStringLiteral("Szamla2.frf")));
    QVERIFY(custom.open(QIODevice::WriteOnly));
    custom.write(text.toUtf8());
    custom.close();
    QVERIFY(QDir::setCurrent(folder.path()));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::View));
    QCOMPARE(int(m_presenter.presented.size()), 1);
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print));
    QCOMPARE(int(m_presenter.presented.size()), 1);
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
    QCOMPARE(m_session->ui.texts().size(), 1);
    const QString box = m_session->ui.texts().front();
    QVERIFY2(box.startsWith(QStringLiteral("A(z) 20100001 számú számla nem állítható ki: a(z) „Szamla2.frf” nyomtatási "
                                           "sablonból hiányzik")),
             qPrintable(box));
    QVERIFY2(box.contains(QStringLiteral("(v_mentesseg, v_afa_helyzet:")), qPrintable(box));
    QVERIFY2(box.contains(QStringLiteral("nevezze át a(z) „Szamla2.frf” fájlt „Szamla2-regi.frf” névre")), qPrintable(box));
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("0"));
    QVERIFY(QDir::setCurrent(templateFolder()));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print));
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral("I"));
}

void TestPrintInvoice::missingTemplateLeavesFlag()
{
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00002"), {{"1", "500", "27% általános", 27}}));
    QTemporaryDir empty;
    QVERIFY(QDir::setCurrent(empty.path()));
    QVERIFY_THROWS_EXCEPTION(FileError, PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print));
    QVERIFY(QDir::setCurrent(templateFolder()));
    QVERIFY(m_presenter.presented.empty());
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
    // with the template back, the same print marks it
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print));
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral("I"));
    QCOMPARE(m_presenter.last().source, QStringLiteral("Szamla2.frf"));
}

void TestPrintInvoice::unknownInvoice()
{
    QVERIFY_THROWS_EXCEPTION(Error, PrintInvoice(m_session->context, QStringLiteral("99999999")));
    QVERIFY(m_presenter.presented.empty());
}

void TestPrintInvoice::amountBeyondWords_data()
{
    QTest::addColumn<QString>("labelCode");
    QTest::newRow("whole forints") << "00002";
    QTest::newRow("hundredths") << "00003";
}

void TestPrintInvoice::amountBeyondWords()
{
    QFETCH(QString, labelCode);
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), labelCode, {{"1000", "1000000000", "0% mentes", 0}}));
    try {
        PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print);
        QFAIL("printed an amount the words cannot spell");
    } catch (const Error& e) {
        QVERIFY2(e.text().contains(QStringLiteral("1000000000000")), qPrintable(e.text()));
    }
    QVERIFY(m_presenter.presented.empty());
    QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral(" "));
}

// What the VAT act requires on every copy, whatever the address blocks hold (here none of it):
// the tax numbers, the reason of a VAT-free line, and a payable amount whose words and figures
// agree.
void TestPrintInvoice::legalContent_data()
{
    QTest::addColumn<QString>("labelCode");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QStringList>("changes"); // SQL run on the invoice before printing
    QTest::addColumn<QStringList>("present"); // once on each copy
    QTest::addColumn<QStringList>("absent");
    // When given: the invoice is issued first, then these run and `reprint` (or the invoice) is printed.
    QTest::addColumn<QStringList>("afterIssue");
    QTest::addColumn<QString>("reprint");
    QTest::addColumn<QString>("lineRate"); // what the line's "ÁFA %" column shows
    QTest::newRow("domestic customer")
        << "00003" << "500" << "0" << "Ft" << QStringList{}
        << QStringList{"Adószám: 12345676-2-06", "Adószám: 23456787-1-41"}
        << QStringList{"özösségi adószám", "Kerekítés", "Adómentes", "Alanyi adómentes", "énzforgalmi"} << QStringList{} << QString() << QStringLiteral("27");
    QTest::newRow("EU customer")
        << "00003" << "500" << "0" << "Ft" << QStringList{"UPDATE szlafej SET fvKod = '5'"}
        << QStringList{"Közösségi adószám: ATU12345678", "Adószám: 12345676-2-06, közösségi adószám: HU12345676"}
        << QStringList{"23456787"} << QStringList{} << QString() << QStringLiteral("27");
    QTest::newRow("exempt line")
        << "00003" << "500" << "0" << "Ft"
        << QStringList{"UPDATE szlasor SET skAfakod = '4', sAfanev = 'AAM alanyi adómentes', sAfa = 0"}
        << QStringList{"Adómentes (AAM): Alanyi adómentes"} << QStringList{} << QStringList{} << QString() << QStringLiteral("AAM");
    // The issuer's VAT regime, on every copy whatever the lines are.
    QTest::newRow("individually exempt issuer")
        << "00003" << "500" << "0" << "Ft"
        << QStringList{"UPDATE szallito SET zAlanyiMentes = 1",
                       "UPDATE szlasor SET skAfakod = '4', sAfanev = 'AAM alanyi adómentes', sAfa = 0",
                       "UPDATE afa SET kNavIndok = 'Áfa tv. XIII. fejezet' WHERE kAfakod = '4'"}
        << QStringList{"Alanyi adómentes", "Adómentes (AAM): Áfa tv. XIII. fejezet"}
        << QStringList{"énzforgalmi"} << QStringList{} << QString() << QStringLiteral("AAM");
    QTest::newRow("cash-accounting small business")
        << "00002" << "500" << "0" << "Ft" << QStringList{"UPDATE szallito SET zPenzforgalmi = 1, zKisadozo = 1"}
        << QStringList{"Pénzforgalmi elszámolás – Kisadózó"} << QStringList{"Alanyi"} << QStringList{} << QString() << QStringLiteral("27");
    QTest::newRow("EUR invoice, whole-forint label set")
        << "00002" << "241" << "390" << "EUR" << QStringList{} << QStringList{"háromszázhat", "07/100"}
        << QStringList{"00/100", "Kerekítés"} << QStringList{} << QString() << QStringLiteral("27");
    // A storno names its original by the number printed on it; the stored remark stays.
    const QString storno = QStringLiteral("UPDATE szlafej SET fMegj = '20100000 számú érvénytelenítő számla'");
    const QString link = QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('20100001', "
                                        "'STORNO', '20100000')");
    QTest::newRow("storno") << "00003" << "500" << "0" << "Ft" << QStringList{storno, link}
                            << QStringList{"K20100000 számú érvénytelenítő számla    SZ/1"} << QStringList{} << QStringList{} << QString() << QStringLiteral("27");
    QTest::newRow("storno, remark changed")
        << "00003" << "500" << "0" << "Ft"
        << QStringList{link, "UPDATE szlafej SET fMegj = 'Visszáru: 20100000 számú érvénytelenítő számla'"}
        << QStringList{"Visszáru: 20100000 számú"} << QStringList{"K20100000"} << QStringList{} << QString() << QStringLiteral("27");
    QTest::newRow("storno remark without the link") << "00003" << "500" << "0" << "Ft" << QStringList{storno}
                                                    << QStringList{"20100000 számú"} << QStringList{"K20100000"} << QStringList{} << QString() << QStringLiteral("27");
    QTest::newRow("whole-forint rounding")
        << "00002" << "137970" << "0" << "Ft" << QStringList{}
        << QStringList{"Kerekítés: 0,10 Ft", "Fizetendő kerekítve: 175 222 Ft", "százhetvenötezer-kettöszázhuszonkettö 00/100"}
        << QStringList{"kettöszázhuszonegy"} << QStringList{} << QString() << QStringLiteral("27");
    // An issued invoice reprints what was issued, whatever the master records say later; a storno
    // and a correction print their original's regime.
    const QStringList exemptIssue{"UPDATE szallito SET zAlanyiMentes = 1",
                                  "UPDATE szlasor SET skAfakod = '4', sAfanev = 'AAM alanyi adómentes', sAfa = 0",
                                  "UPDATE afa SET kNavIndok = 'Áfa tv. XIII. fejezet' WHERE kAfakod = '4'"};
    const QStringList modification{
        "INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fPrn, fKerek, fArfoly, fPnem, fmKod, fzKod, "
        "fvKod) SELECT '20100002', fTkelt, fRkelt, fFkelt, fFizmod, ' ', fKerek, fArfoly, fPnem, fmKod, fzKod, fvKod "
        "FROM szlafej WHERE fBszam = '20100001'",
        "INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa) SELECT "
        "'20100002', scKod, sMegn, -sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa FROM szlasor WHERE sBszam = "
        "'20100001'"};
    QTest::newRow("reprint after the master records changed")
        << "00003" << "500" << "0" << "Ft" << exemptIssue
        << QStringList{"Alanyi adómentes", "Adómentes (AAM): Áfa tv. XIII. fejezet", "Adószám: 12345676-2-06",
                       "Adószám: 23456787-1-41"}
        << QStringList{"énzforgalmi", "Más indok"}
        << QStringList{"UPDATE szallito SET zAlanyiMentes = 0, zPenzforgalmi = 1, zAdo = ''",
                       "UPDATE afa SET kNavIndok = 'Más indok' WHERE kAfakod = '4'", "UPDATE vevo SET vAdo = ''"}
        << QString() << QStringLiteral("AAM");
    QTest::newRow("storno of an exempt issuer's invoice")
        << "00003" << "500" << "0" << "Ft" << exemptIssue << QStringList{"Alanyi adómentes"}
        << QStringList{"énzforgalmi"}
        << QStringList{"UPDATE szallito SET zAlanyiMentes = 0, zPenzforgalmi = 1"} + modification
               + QStringList{"INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('20100002', 'STORNO', "
                             "'20100001')"}
        << "20100002" << QStringLiteral("AAM");
    QTest::newRow("correction of an invoice issued before the exemption")
        << "00003" << "500" << "0" << "Ft" << QStringList{} << QStringList{"Adószám: 12345676-2-06"}
        << QStringList{"Alanyi adómentes"}
        << QStringList{"UPDATE szallito SET zAlanyiMentes = 1"} + modification
               + QStringList{"INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('20100002', 'MODIFY', "
                             "'20100001')"}
        << "20100002" << QStringLiteral("27");
}

void TestPrintInvoice::legalContent()
{
    QFETCH(QString, labelCode);
    QFETCH(QString, price);
    QFETCH(QString, rate);
    QFETCH(QString, currency);
    QFETCH(QStringList, changes);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    QFETCH(QStringList, afterIssue);
    QFETCH(QString, reprint);
    QFETCH(QString, lineRate);
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), labelCode, {{"1", price, "27% általános", 27}},
                         QStringLiteral("0"), rate, currency));
    for (const QString& sql : changes)
        m_session->db.exec(sql);
    if (!afterIssue.isEmpty()) {
        DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print));
        QVERIFY2(m_session->ui.texts().isEmpty(), qPrintable(m_session->ui.texts().join(u'\n')));
        QCOMPARE(flag(QStringLiteral("20100001")), QStringLiteral("I"));
        for (const QString& sql : afterIssue)
            m_session->db.exec(sql);
    }
    DB_VERIFY(PrintInvoice(m_session->context, reprint.isEmpty() ? QStringLiteral("20100001") : reprint));
    const auto& pages = m_presenter.last().pages;
    QCOMPARE(pages.size(), size_t(3));
    for (const auto& page : pages) {
        const QString all = page.allTexts().join(u'|');
        for (const QString& text : present)
            QVERIFY2(page.find(text).size() == 1, qPrintable(text + QStringLiteral(" in ") + all));
        for (const QString& text : absent)
            QVERIFY2(page.find(text).empty(), qPrintable(text + QStringLiteral(" in ") + all));
        // an exempt line names its case where a rate stands, as the summary does, never "0"
        const QStringList texts = page.allTexts();
        QVERIFY2(texts.contains(lineRate), qPrintable(lineRate + QStringLiteral(" in ") + all));
        if (lineRate != u"27")
            QVERIFY2(!texts.contains(QStringLiteral("0")), qPrintable(all));
    }
}

void TestPrintInvoice::threeCopies()
{
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00003"), {{"1", "500", "27% általános", 27}}));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    const auto& model = m_presenter.last();
    QCOMPARE(model.source, QStringLiteral("Szamla3.frf"));
    QCOMPARE(model.pages.size(), size_t(3));
    const QStringList captions{QStringLiteral(" Eredeti/Original 3/1. példány/Exemplar "),
                               QStringLiteral(" Másolat/Kopie 3/2. példány/Exemplar "),
                               QStringLiteral(" Másolat/Kopie 3/3. példány/Exemplar ")};
    for (int i = 0; i < 3; ++i) {
        const auto& page = model.pages[static_cast<size_t>(i)];
        QCOMPARE(page.number, i + 1);
        const auto found = page.find(captions[i]);
        QVERIFY2(found.size() == 1, qPrintable(page.allTexts().join(u'|')));
        // the second copy lies 4 units further right
        QCOMPARE(found.front()->box.left(), i == 1 ? 425.0 : 421.0);
        QCOMPARE(found.front()->box.top(), 20.0 + 24);
        QCOMPARE(page.find(QStringLiteral("%1. lap").arg(i + 1)).size(), size_t(1));
        QCOMPARE(page.find(QStringLiteral("K20100001")).size(), size_t(1));
        QCOMPARE(page.find(QStringLiteral("Számla sorszáma")).size(), size_t(1));
    }
}

void TestPrintInvoice::shortInvoiceFitsOnePagePerCopy_data()
{
    QTest::addColumn<QString>("labelCode");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("note"); // on the first line
    for (const char* code : {"00002", "00003"}) {
        QTest::addRow("%s, three lines", code) << code << 3 << QString();
        QTest::addRow("%s, four lines, a two-line note", code) << code << 4 << QStringLiteral("első sor\r\nmásodik sor");
    }
}

// The summary, the amount in words and the closing lines stay on the page of the lines: a short
// invoice is one page per copy, the closing lines never alone on a page of their own.
void TestPrintInvoice::shortInvoiceFitsOnePagePerCopy()
{
    QFETCH(QString, labelCode);
    QFETCH(int, lines);
    QFETCH(QString, note);
    QList<Line> items;
    for (int i = 0; i < lines; ++i)
        items.append({"1", QString::number(1000 + i), "27% általános", 27});
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), labelCode, items));
    m_session->db.exec(QStringLiteral("UPDATE szlasor SET sMemo = '%1' WHERE sBszam = '20100001' ORDER BY sID LIMIT 1")
                           .arg(note));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    const auto& pages = m_presenter.last().pages;
    QCOMPARE(pages.size(), size_t(3));
    for (const auto& page : pages) {
        QCOMPARE(page.find(QStringLiteral("Konyhai mérleg")).size(), size_t(lines));
        QCOMPARE(page.find(QStringLiteral("Készült az Orvena")).size(), size_t(1));
    }
}

void TestPrintInvoice::longInvoicePaginates()
{
    QList<Line> lines;
    for (int i = 0; i < 20; ++i)
        lines.append({"1", QString::number(100 + i), "27% általános", 27, i == 0 ? QString() : QStringLiteral("TM-1")});
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00002"), lines));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    const auto& pages = m_presenter.last().pages;
    QVERIFY(pages.size() > 3);
    QCOMPARE(pages.size() % 3, size_t(0)); // every copy takes the same number of pages
    const size_t perCopy = pages.size() / 3;
    for (size_t i = 0; i < pages.size(); ++i) {
        const bool copyStart = i % perCopy == 0;
        QCOMPARE(!pages[i].find(QStringLiteral("Számla / Invoice")).empty(), copyStart); // header not repeated
        QCOMPARE(pages[i].find(QStringLiteral("%1. lap").arg(i + 1)).size(), size_t(1)); // counted through the run
    }
    // 20 line bands per copy, the first without article number
    int lineBands = 0;
    for (size_t i = 0; i < perCopy; ++i)
        lineBands += static_cast<int>(pages[i].find(QStringLiteral("Konyhai mérleg")).size());
    QCOMPARE(lineBands, 20);
    QCOMPARE(pages[0].find(QStringLiteral("   Konyhai mérleg")).front()->text(), QStringLiteral("   Konyhai mérleg"));
    // the totals come once per copy, after the last line, with the closing lines on their page
    QVERIFY(pages[perCopy - 1].find(QStringLiteral("Fizetendö")).size() == 1);
    QVERIFY(pages[perCopy - 1].find(QStringLiteral("Készült az Orvena")).size() == 1);
    QVERIFY(pages[0].find(QStringLiteral("Fizetendö")).empty());
}

void TestPrintInvoice::lineBandValues()
{
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00002"), {{"2.5", "1000", "27% általános", 27}},
                         QStringLiteral("5")));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    const auto& page = m_presenter.last().pages.front();
    QCOMPARE(page.find(QStringLiteral("950,000")).size(), size_t(1));   // unit price less the discount
    QCOMPARE(page.find(QStringLiteral("2,500")).size(), size_t(1));     // quantity, three decimals
    // line net, the rate's net, the total net twice
    QCOMPARE(page.find(QStringLiteral("2 375,00")).size(), size_t(4));
    // line gross, the rate's gross, the total gross twice, the payable amount
    QCOMPARE(page.find(QStringLiteral("3 016,25")).size(), size_t(5));
    QCOMPARE(page.find(QStringLiteral("engedményt")).size(), size_t(1));
}

// The payment code is printed only for forint invoices paid by transfer with a positive amount,
// and only when the issuer has a well-formed IBAN and a BIC.
void TestPrintInvoice::paymentCode_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("iban");
    QTest::addColumn<QString>("bic");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("amount"); // the code's amount field; empty: no code
    QTest::addColumn<QString>("link");   // what the invoice is to another (szlahivatkozas); empty: its own
    const QString iban = QStringLiteral("HU53 1173 5005 2051 2345 0000 0000");
    QTest::newRow("transfer in forints") << "átutalás" << "Ft" << iban << "OTPVHUHB" << "1000.6" << "HUF000000001271" << "";
    QTest::newRow("abbreviated, HUF") << "Átut." << "HUF" << iban << "otpvhuhbxxx" << "1000" << "HUF000000001270" << "";
    QTest::newRow("cash") << "készpénz" << "Ft" << iban << "OTPVHUHB" << "1000" << "" << "";
    QTest::newRow("euro") << "átutalás" << "EUR" << iban << "OTPVHUHB" << "1000" << "" << "";
    QTest::newRow("no BIC") << "átutalás" << "Ft" << iban << "" << "1000" << "" << "";
    QTest::newRow("no IBAN") << "átutalás" << "Ft" << "" << "OTPVHUHB" << "1000" << "" << "";
    QTest::newRow("IBAN check digits wrong") << "átutalás" << "Ft" << "HU42117350052051234500000000" << "OTPVHUHB"
                                             << "1000" << "" << "";
    QTest::newRow("negative (storno)") << "átutalás" << "Ft" << iban << "OTPVHUHB" << "-1000" << "" << "";
    // paid through the invoice it corrects or reverses
    QTest::newRow("correction") << "átutalás" << "Ft" << iban << "OTPVHUHB" << "1000" << "" << "MODIFY";
    QTest::newRow("storno of a credit") << "átutalás" << "Ft" << iban << "OTPVHUHB" << "1000" << "" << "STORNO";
}

void TestPrintInvoice::paymentCode()
{
    QFETCH(QString, method);
    QFETCH(QString, currency);
    QFETCH(QString, iban);
    QFETCH(QString, bic);
    QFETCH(QString, price);
    QFETCH(QString, amount);
    QFETCH(QString, link);
    m_session->db.exec(QStringLiteral("UPDATE szallito SET zIBAN = '%1', zSwift = '%2'").arg(iban, bic));
    if (!link.isEmpty())
        m_session->db.exec(QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('20100001', "
                                          "'%1', '20100000')").arg(link));
    DB_VERIFY(addInvoice(QStringLiteral("20100001"), QStringLiteral("00002"), {{"1", price, "27% általános", 27}},
                         QStringLiteral("0"), currency == u"EUR" ? QStringLiteral("400") : QStringLiteral("0"), currency));
    m_session->db.exec(QStringLiteral("UPDATE szlafej SET fFizmod = '%1'").arg(method));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    const QStringList fields = var(QStringLiteral("v_fizetes_qr")).split(u'\n');
    const auto& pages = m_presenter.last().pages;
    for (const auto& page : pages)
        QCOMPARE(page.images.size(), size_t(amount.isEmpty() ? 0 : 1));
    if (amount.isEmpty()) {
        QCOMPARE(var(QStringLiteral("v_fizetes_qr")), QString());
        return;
    }
    QCOMPARE(fields.size(), 18); // seventeen fields, each ended by a line feed
    QCOMPARE(fields.mid(0, 8), (QStringList{"HCT", "001", "1", bic.toUpper(), "Tisza-Mérleg Kereskedelmi Kft.",
                                            "HU53117350052051234500000000", amount,
                                            paymentQrValidity(QDate(2010, 5, 26), QDate::currentDate())
                                                .toString(QStringLiteral("yyyyMMddHHmmss"))
                                                + QStringLiteral("+1")}));
    QCOMPARE(fields.at(9), QStringLiteral("20100001"));
    // beside the invoice's remark, 36 mm wide, so a phone reads its modules
    const auto& image = pages.front().images.front();
    QCOMPARE(image.box.size(), QSizeF(136, 136));
    QCOMPARE(pages.front().find(QStringLiteral("Köszönjük!")).front()->box.right(), image.box.left() - 8);
}

// The code's fields as the format allows them: the zone digit of Hungarian summer and winter
// time, names and messages cut to 70 characters with anything but printable ASCII and the
// Hungarian letters (a line feed would shift every later field) made blanks; nothing for an
// amount beyond twelve digits.
void TestPrintInvoice::paymentPayloadFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("forints");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QDateTime>("validUntil");
    QTest::addColumn<QStringList>("expected"); // name, amount, validity, message; empty: no code
    const QDateTime winter(QDate(2026, 12, 31), QTime(23, 59, 59), QTimeZone(QByteArrayLiteral("Europe/Budapest")));
    const QDateTime summer(QDate(2026, 7, 1), QTime(12, 0), QTimeZone(0));
    QTest::newRow("winter") << "Kft." << qint64(1) << "K1" << winter
                            << QStringList{"Kft.", "HUF000000000001", "20261231235959+1", "K1"};
    QTest::newRow("summer, from UTC") << "Kft." << qint64(999999999999) << "K1" << summer
                                      << QStringList{"Kft.", "HUF999999999999", "20260701140000+2", "K1"};
    QTest::newRow("foreign signs and line feeds") << "Ár\nvíz€ Kft." << qint64(5) << "szla\n20260001" << winter
                                                  << QStringList{"Ár víz Kft.", "HUF000000000005", "20261231235959+1",
                                                                 "szla 20260001"};
    QTest::newRow("long name") << QString(80, u'ő') << qint64(5) << QString(75, u'x') << winter
                               << QStringList{QString(70, u'ő'), "HUF000000000005", "20261231235959+1", QString(70, u'x')};
    QTest::newRow("thirteen digits") << "Kft." << qint64(1000000000000) << "K1" << winter << QStringList{};
    QTest::newRow("nothing to pay") << "Kft." << qint64(0) << "K1" << winter << QStringList{};
}

void TestPrintInvoice::paymentPayloadFields()
{
    QFETCH(QString, name);
    QFETCH(qint64, forints);
    QFETCH(QString, message);
    QFETCH(QDateTime, validUntil);
    QFETCH(QStringList, expected);
    const QByteArray payload = paymentQrPayload({name, QStringLiteral("HU53117350052051234500000000"),
                                                 QStringLiteral("otpvhuhbxxx")},
                                                forints, message, validUntil);
    if (expected.isEmpty()) {
        QCOMPARE(payload, QByteArray());
        return;
    }
    QVERIFY(payload.size() <= 345);
    const QStringList fields = QString::fromUtf8(payload).split(u'\n');
    QCOMPARE(fields.size(), 18);
    QCOMPARE(fields.at(3), QStringLiteral("OTPVHUHBXXX"));
    QCOMPARE((QStringList{fields.at(4), fields.at(6), fields.at(7), fields.at(9)}), expected);
}

// The printed PDF's page, rendered and read back by a QR decoder, holds every field.
void TestPrintInvoice::paymentCodeDecodedFromPdf()
{
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    const QString zbarimg = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (pdftoppm.isEmpty() || zbarimg.isEmpty())
        QFAIL("pdftoppm (poppler-utils) and zbarimg (zbar-tools) are needed; scripts/deps.sh installs them");
    m_session->db.exec(QStringLiteral("UPDATE szallito SET zNev1 = 'Árvíztűrő Tükörfúrógép Kft.', "
                                      "zIBAN = 'HU53117350052051234500000000', zSwift = 'OTPVHUHB'"));
    DB_VERIFY(addInvoice(QStringLiteral("20100007"), QStringLiteral("00003"), {{"3", "1234.5", "27% általános", 27}}));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("szamla.pdf"));
    reports::PdfReportPresenter presenter(pdf);
    ScreenContext context = m_session->context;
    context.reports = &presenter;
    DB_VERIFY(PrintInvoice(context, QStringLiteral("20100007")));
    QProcess render;
    render.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-f"), QStringLiteral("1"),
                            QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"), pdf,
                            dir.filePath(QStringLiteral("lap"))});
    QVERIFY(render.waitForFinished(30000));
    QCOMPARE(render.exitCode(), 0);
    const QStringList images = QDir(dir.path()).entryList({QStringLiteral("lap*.png")});
    QCOMPARE(images.size(), 1);
    QProcess decode;
    decode.start(zbarimg, {QStringLiteral("--quiet"), QStringLiteral("--raw"), QStringLiteral("-Sbinary"),
                           dir.filePath(images.front())});
    QVERIFY(decode.waitForFinished(30000));
    QCOMPARE(decode.exitCode(), 0);
    const QByteArray expected = paymentQrPayload({QStringLiteral("Árvíztűrő Tükörfúrógép Kft."),
                                                  QStringLiteral("HU53117350052051234500000000"),
                                                  QStringLiteral("OTPVHUHB")},
                                                 4703, QStringLiteral("20100007"),
                                                 paymentQrValidity(QDate(2010, 5, 26), QDate::currentDate()));
    QVERIFY(!expected.isEmpty());
    QByteArray decoded = decode.readAllStandardOutput();
    if (decoded.size() == expected.size() + 1 && decoded.endsWith("\n\n"))
        decoded.chop(1); // the decoder's own line end after the code's last line feed
    QCOMPARE(QString::fromUtf8(decoded).split(u'\n'), QString::fromUtf8(expected).split(u'\n'));
}

QTEST_MAIN(TestPrintInvoice)
#include "tst_printinvoice.moc"
