// The invoice-data document: tax numbers, golden documents for the kinds of invoice the demo
// data makes, each validated against the official schema, the authority's own samples through
// the same validator, amounts equal to the print's, and the checks at issue.
#include "invoice/printinvoice.h"
#include "nav/invoicedata.h"
#include "nav/invoiceissue.h"
#include "nav/schemavalidator.h"
#include "nav/taxnumber.h"
#include "billing/setup.h"
#include "reports/recordingpresenter.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kGolden = QStringLiteral(ORVENA_SOURCE_DIR "/tests/nav/golden/");
const QString kSamples = QStringLiteral(ORVENA_SOURCE_DIR "/tests/nav/samples/");

// Texts of every element of this local name, in document order.
QStringList texts(const QByteArray& xml, const QString& element)
{
    QStringList out;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() == QXmlStreamReader::StartElement && r.name() == element)
            out << r.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
    return out;
}
QString text(const QByteArray& xml, const QString& element)
{
    return texts(xml, element).value(0);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Line {
    QString quantity, price, unit;
    QString vatCode; // demo codes: 1 27 %, 2 18 %, 3 5 %, 4 AAM
    QString article = QStringLiteral("TM-100");
    QString description = QStringLiteral("Konyhai mérleg 5 kg");
};

} // namespace

class TestNavXml : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void taxNumbers_data();
    void taxNumbers();
    void codeMappings();

    void goldenDocuments_data();
    void goldenDocuments();
    void amountsEqualThePrint_data();
    void amountsEqualThePrint();
    void authoritySamples();

    void issueWritesTheDocument_data();
    void issueWritesTheDocument();
    void issueRefusals_data();
    void issueRefusals();
    void everyProblemInOneMessage();
    void modeOffNeverRefuses();
    void modificationIndexCountsUp();
    void correctionCountsWithTheStornos();
    void modificationsKeepTheOriginalsRegime_data();
    void modificationsKeepTheOriginalsRegime();
    void stornoReference_data();
    void stornoReference();
    void legacyStornosLinkedOnce();

private:
    void seedKinds();
    void seedAdvances();
    void addInvoice(const QString& number, const QString& customer, const QList<Line>& lines,
                    const QString& currency = QStringLiteral("Ft"), const QString& rate = QStringLiteral("0"),
                    const QString& discount = QStringLiteral("0"), const QString& method = QStringLiteral("átutalás"),
                    const QString& remark = QString());
    void addStorno(const QString& number, const QString& original, bool linked = true);
    void addCorrection(const QString& number, const QString& original);
    void setMode(const QString& mode)
    {
        m_session->db.exec(QStringLiteral("UPDATE szallito SET zNavMod = '%1'").arg(mode));
    }
    QString flag(const QString& number)
    {
        return m_session->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '%1'").arg(number));
    }

    std::unique_ptr<TestSession> m_session;
    RecordingPresenter m_presenter;
};

void TestNavXml::initTestCase()
{
    m_session = std::make_unique<TestSession>();
    m_session->context.reports = &m_presenter;
    QVERIFY(QDir::setCurrent(templateFolder()));
}

void TestNavXml::init()
{
    DB_VERIFY(m_session->db.reset());
    DB_VERIFY(m_session->db.addDemoData());
    m_session->ui.clear();
    m_presenter.presented.clear();
}

void TestNavXml::addInvoice(const QString& number, const QString& customer, const QList<Line>& lines,
                            const QString& currency, const QString& rate, const QString& discount,
                            const QString& method, const QString& remark)
{
    m_session->db.exec(
        QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, fKerek, fArfoly, "
                       "fPnem, fmKod, fzKod, fvKod, fMemoSzall, fMemoVevo) VALUES ('%1', '2024-05-15', '2024-05-17', "
                       "'2024-06-01', '%2', '%3', ' ', %4, %5, '%6', '00003', '1', '%7', 'Tisza-Mérleg', 'Vevő')")
            .arg(number, method, remark, discount, rate, currency, customer));
    for (const Line& l : lines)
        m_session->db.exec(
            QStringLiteral("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, "
                           "skAfakod, sAfanev, sAfa) SELECT '%1', '1', '%2', '%3', '8423', %4, '%5', %6, '%7', "
                           "kAfakod, kAfanev, kAfa FROM afa WHERE kAfakod = '%8'")
                .arg(number, l.article, l.description, l.quantity, l.unit, l.price, currency, l.vatCode));
}

void TestNavXml::addStorno(const QString& number, const QString& original, bool linked)
{
    if (linked)
        m_session->db.exec(QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('%1', "
                                          "'STORNO', '%2')")
                               .arg(number, original));
    m_session->db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fKerek, "
                                      "fArfoly, fPnem, fmKod, fzKod, fvKod) SELECT '%1', fTkelt, '2024-05-20', fFkelt, "
                                      "fFizmod, '%2 számú érvénytelenítő számla', fKerek, fArfoly, fPnem, fmKod, fzKod, "
                                      "fvKod FROM szlafej WHERE fBszam = '%2'")
                           .arg(number, original));
    m_session->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, scKod, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, "
                                      "skAfakod, sAfanev, sAfa) SELECT '%1', scKod, sMegn, sVtsz, -sMenny, sMe, sEar, "
                                      "sPnem, skAfakod, sAfanev, sAfa FROM szlasor WHERE sBszam = '%2' ORDER BY sID")
                           .arg(number, original));
}

// One invoice of each kind the golden documents cover.
void TestNavXml::seedKinds()
{
    // Domestic, every VAT classification of the demo data, a unit without an authority code.
    addInvoice(QStringLiteral("20240001"), QStringLiteral("1"),
               {{"2", "8990", "db", "1"},
                {"1.5", "1250.5", "kg", "1", "PP-500", "Csomagolópapír"},
                {"3", "4200", "db", "3", "KV-018", "Szakkönyv: Mérés a gyakorlatban"},
                {"2", "890", "kg", "2", "EL-300", "Kenyér a vevőtalálkozóra"},
                {"4", "12000", "óra", "4", "OK-001", "Oktatás (alanyi mentes)"},
                {"3", "99.99", "doboz", "1", "", "Tisztítókendő <5 db> & \"puha\""}});
    addInvoice(QStringLiteral("20240002"), QStringLiteral("2"),
               {{"3", "100.10", "db", "1"}, {"1", "45.5", "db", "3", "KV-018", "Szakkönyv"}}, QStringLiteral("EUR"),
               QStringLiteral("390.25"));
    addInvoice(QStringLiteral("20240003"), QStringLiteral("3"), {{"10", "8990", "db", "1"}}, QStringLiteral("Ft"),
               QStringLiteral("0"), QStringLiteral("5"));
    addInvoice(QStringLiteral("20240004"), QStringLiteral("4"), {{"1", "12490", "db", "1"}}, QStringLiteral("Ft"),
               QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("kp."));
    addInvoice(QStringLiteral("20240005"), QStringLiteral("5"), {{"2", "89900", "db", "1"}}, QStringLiteral("HUF"));
    addStorno(QStringLiteral("20240006"), QStringLiteral("20240001"));
    addCorrection(QStringLiteral("20240020"), QStringLiteral("20240003"));
}

// A correction as the correcting composer stores it: two more of the original's first line (a
// quantity's difference) and a new line, at the original's currency, rate and discount.
void TestNavXml::addCorrection(const QString& number, const QString& original)
{
    m_session->db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, fKerek, "
                                      "fArfoly, fPnem, fmKod, fzKod, fvKod, fMemoSzall, fMemoVevo) SELECT '%1', fTkelt, "
                                      "'2024-05-22', fFkelt, fFizmod, 'Mennyiségi eltérés', ' ', fKerek, fArfoly, fPnem, "
                                      "fmKod, fzKod, fvKod, fMemoSzall, fMemoVevo FROM szlafej WHERE fBszam = '%2'")
                           .arg(number, original));
    m_session->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, "
                                      "skAfakod, sAfanev, sAfa) SELECT '%1', scKod, scSzam, sMegn, sVtsz, 2, sMe, sEar, "
                                      "sPnem, skAfakod, sAfanev, sAfa FROM szlasor WHERE sBszam = '%2' ORDER BY sID LIMIT 1")
                           .arg(number, original));
    m_session->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, "
                                      "skAfakod, sAfanev, sAfa) SELECT '%1', '1', 'PP-500', 'Csomagolópapír', '4823', 1, "
                                      "'kg', 1250.5, fPnem, kAfakod, kAfanev, kAfa FROM afa, szlafej WHERE kAfakod = '1' "
                                      "AND fBszam = '%1'")
                           .arg(number));
    m_session->db.exec(QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('%1', 'MODIFY', '%2')")
                           .arg(number, original));
}

// Advance invoices (issued) and final invoices deducting them, in forints and in euros; a storno
// of the forint final invoice with its deduction carried over.
void TestNavXml::seedAdvances()
{
    const auto kind = [this](const char* number, const char* code) {
        m_session->db.exec(QStringLiteral("INSERT INTO szlajelleg (jBszam, jJelleg) VALUES ('%1', '%2')")
                               .arg(QLatin1String(number), QLatin1String(code)));
    };
    const auto deduction = [this](const char* number, const char* advance, const char* paid, const char* rate) {
        m_session->db.exec(QStringLiteral("INSERT INTO szlaeloleg (lvBszam, lvSor, lvEloleg, lvFizdat, lvArfoly) SELECT "
                                          "'%1', MAX(sID), '%2', '%3', %4 FROM szlasor WHERE sBszam = '%1'")
                               .arg(QLatin1String(number), QLatin1String(advance), QLatin1String(paid),
                                    QLatin1String(rate)));
    };
    addInvoice(QStringLiteral("20240007"), QStringLiteral("1"),
               {{"1", "100000", "", "1", "", "Előleg 3 db ipari mérlegre"}});
    kind("20240007", "ELOLEG");
    addInvoice(QStringLiteral("20240008"), QStringLiteral("1"),
               {{"3", "120000", "db", "1", "IM-300", "Ipari mérleg 300 kg"},
                {"-1", "100000", "", "1", "", "Előleg levonása: K20240007 előlegszámla, fizetve 2024.05.10"}});
    kind("20240008", "VEGSZAMLA");
    deduction("20240008", "20240007", "2024-05-10", "1");
    addInvoice(QStringLiteral("20240009"), QStringLiteral("2"), {{"1", "500", "", "1", "", "Advance payment"}},
               QStringLiteral("EUR"), QStringLiteral("390.25"));
    kind("20240009", "ELOLEG");
    addInvoice(QStringLiteral("20240010"), QStringLiteral("2"),
               {{"2", "800", "db", "1"}, {"-1", "500", "", "1", "", "Előleg levonása: K20240009 előlegszámla"}},
               QStringLiteral("EUR"), QStringLiteral("392.1"));
    kind("20240010", "VEGSZAMLA");
    deduction("20240010", "20240009", "2024-05-08", "390.25");
    m_session->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I' WHERE fBszam IN ('20240007', '20240009')"));
    addStorno(QStringLiteral("20240011"), QStringLiteral("20240008"));
    kind("20240011", "VEGSZAMLA");
    deduction("20240011", "20240007", "2024-05-10", "1");
}

void TestNavXml::taxNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("parsed"); // empty: refused
    QTest::newRow("eleven digits") << "12345676206" << "12345676-2-06";
    QTest::newRow("with dashes") << "99887764-2-02" << "99887764-2-02";
    QTest::newRow("blanks around") << " 23456787-1-41 " << "23456787-1-41";
    QTest::newRow("check digit zero") << "56789010-2-18" << "56789010-2-18";
    QTest::newRow("wrong check digit") << "12345678-2-06" << "";
    QTest::newRow("vat code 0") << "12345676-0-06" << "";
    QTest::newRow("vat code 6") << "12345676-6-06" << "";
    QTest::newRow("one dash only") << "12345676-206" << "";
    QTest::newRow("too short") << "1234567-2-06" << "";
    QTest::newRow("letters") << "ATU12345678" << "";
    QTest::newRow("empty") << "" << "";
}

void TestNavXml::taxNumbers()
{
    QFETCH(QString, text);
    QFETCH(QString, parsed);
    const auto n = nav::parseTaxNumber(text);
    QCOMPARE(n ? n->text() : QString(), parsed);
}

void TestNavXml::codeMappings()
{
    QCOMPARE(nav::unitOfMeasureCode(QStringLiteral("db")), QStringLiteral("PIECE"));
    QCOMPARE(nav::unitOfMeasureCode(QStringLiteral("KG")), QStringLiteral("KILOGRAM"));
    QCOMPARE(nav::unitOfMeasureCode(QStringLiteral("óra")), QStringLiteral("HOUR"));
    QCOMPARE(nav::unitOfMeasureCode(QStringLiteral("doboz")), QString());
    QCOMPARE(nav::currencyCode(QStringLiteral("Ft")), QStringLiteral("HUF"));
    QCOMPARE(nav::currencyCode(QStringLiteral("huf")), QStringLiteral("HUF"));
    QCOMPARE(nav::currencyCode(QStringLiteral("eur")), QStringLiteral("EUR"));
    QCOMPARE(nav::currencyCode(QStringLiteral("Euró!")), QString());
    QCOMPARE(nav::paymentMethodCode(QStringLiteral("kp.")), QStringLiteral("CASH"));
    QCOMPARE(nav::paymentMethodCode(QStringLiteral("átutalás")), QStringLiteral("TRANSFER"));
    QVERIFY(nav::isCommunityVatNumber(QStringLiteral("ATU 12345678")));
    QVERIFY(!nav::isCommunityVatNumber(QStringLiteral("12345678")));
}

void TestNavXml::goldenDocuments_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("golden");
    QTest::addColumn<QStringList>("expected"); // element=first value, computed by hand
    QTest::addColumn<QStringList>("setup");    // SQL run on the seeded data first
    QTest::newRow("domestic, every classification")
        << "20240001" << "domestic.xml"
        << QStringList{"invoiceNumber=K20240001", "customerVatStatus=DOMESTIC", "taxpayerId=12345676",
                       "invoiceNetAmount=82535.72", "invoiceVatAmount=6392.44", "invoiceGrossAmount=88928.16",
                       "invoiceGrossAmountHUF=88928.16", "paymentMethod=TRANSFER", "currencyCode=HUF",
                       "exchangeRate=1", "case=AAM", "reason=Alanyi adómentes", "unitOfMeasureOwn=doboz",
                       "individualExemption=", "cashAccountingIndicator=", "smallBusinessIndicator="}
        << QStringList{};
    QTest::newRow("foreign currency")
        << "20240002" << "foreign.xml"
        << QStringList{"currencyCode=EUR", "exchangeRate=390.25", "invoiceNetAmount=345.80",
                       "invoiceVatAmount=83.36", "invoiceNetAmountHUF=134948.00", "invoiceVatAmountHUF=32531.00",
                       "invoiceGrossAmountHUF=167479.00", "lineNetAmountHUF=117192.08"}
        << QStringList{};
    QTest::newRow("discounted") << "20240003" << "discounted.xml"
                                << QStringList{"unitPrice=8540.5", "lineNetAmount=85405.00",
                                               "invoiceVatAmount=23059.35", "invoiceGrossAmount=108464.35"}
                                << QStringList{};
    QTest::newRow("private person") << "20240004" << "private.xml"
                                    << QStringList{"customerVatStatus=PRIVATE_PERSON", "customerName=",
                                                   "paymentMethod=CASH", "invoiceGrossAmount=15862.30"}
                                    << QStringList{};
    QTest::newRow("EU customer") << "20240005" << "eu.xml"
                                 << QStringList{"customerVatStatus=OTHER", "customerVatData=ATU12345678",
                                                "customerName=Donau Handel GmbH", "invoiceNetAmount=179800.00"}
                                 << QStringList{};
    QTest::newRow("advance") << "20240007" << "advance.xml"
                             << QStringList{"advanceIndicator=true", "lineExpressionIndicator=false",
                                            "invoiceNetAmount=100000.00", "invoiceGrossAmount=127000.00"}
                             << QStringList{};
    QTest::newRow("final") << "20240008" << "final.xml"
                           << QStringList{"advanceIndicator=true", "advanceOriginalInvoice=K20240007",
                                          "advancePaymentDate=2024-05-10", "advanceExchangeRate=1",
                                          "lineNetAmount=360000.00", "invoiceNetAmount=260000.00",
                                          "invoiceVatAmount=70200.00", "invoiceGrossAmount=330200.00"}
                           << QStringList{};
    QTest::newRow("final in euros") << "20240010" << "final-eur.xml"
                                    << QStringList{"advanceOriginalInvoice=K20240009", "advancePaymentDate=2024-05-08",
                                                   "advanceExchangeRate=390.25", "exchangeRate=392.1",
                                                   "invoiceNetAmount=1100.00", "invoiceGrossAmount=1397.00",
                                                   "invoiceNetAmountHUF=431310.00"}
                                    << QStringList{};
    QTest::newRow("storno of a final invoice")
        << "20240011" << "final-storno.xml"
        << QStringList{"originalInvoiceNumber=K20240008", "lineNumberReference=3", "advanceOriginalInvoice=K20240007",
                       "invoiceGrossAmount=-330200.00"}
        << QStringList{};
    QTest::newRow("storno") << "20240006" << "storno.xml"
                            << QStringList{"originalInvoiceNumber=K20240001", "modifyWithoutMaster=false",
                                           "modificationIndex=1", "lineNumberReference=7", "lineOperation=CREATE",
                                           "invoiceIssueDate=2024-05-20", "invoiceDeliveryDate=2024-05-15",
                                           "invoiceNetAmount=-82535.72", "invoiceGrossAmount=-88928.16",
                                           "lineNetAmount=-17980.00"}
                            << QStringList{};
    // The issuer's VAT regime: an individually exempt issuer's AAM line to a private person; a
    // small business accounting on cash receipt.
    QTest::newRow("individually exempt issuer")
        << "20240004" << "exempt.xml"
        << QStringList{"individualExemption=true", "case=AAM", "vatRateVatAmount=0.00", "invoiceGrossAmount=12490.00",
                       "cashAccountingIndicator=", "smallBusinessIndicator="}
        << QStringList{"UPDATE szallito SET zAlanyiMentes = 1",
                       "UPDATE szlasor SET skAfakod = '4', sAfanev = 'AAM alanyi adómentes', sAfa = 0 WHERE sBszam = "
                       "'20240004'"};
    QTest::newRow("cash-accounting small business")
        << "20240003" << "cashaccounting.xml"
        << QStringList{"cashAccountingIndicator=true", "smallBusinessIndicator=true", "individualExemption=",
                       "invoiceGrossAmount=108464.35"}
        << QStringList{"UPDATE szallito SET zPenzforgalmi = 1, zKisadozo = 1"};
    // Names and descriptions typed on several lines are single lines in the document (its schema
    // refuses a line break): before, such an invoice could not be reported at all.
    QTest::newRow("texts on several lines")
        << "20240001" << "multiline.xml"
        << QStringList{"supplierName=Tisza-Mérleg Kereskedelmi Kft. Központ", "customerName=Kovács és Társa Bt.",
                       "lineDescription=Konyhai mérleg 5 kg fehér"}
        << QStringList{"UPDATE szallito SET zNev1 = CONCAT(zNev1, '\r\n Központ')",
                       "UPDATE vevo SET vNeve = CONCAT('\n', vNeve, '\n')",
                       "UPDATE szlasor SET sMegn = CONCAT(sMegn, '\nfehér') WHERE sBszam = '20240001' AND sMegn LIKE "
                       "'Konyhai%'"};
    QTest::newRow("correction") << "20240020" << "correction.xml"
                                << QStringList{"originalInvoiceNumber=K20240003", "modifyWithoutMaster=false",
                                               "modificationIndex=1", "lineNumberReference=2", "lineOperation=CREATE",
                                               "invoiceIssueDate=2024-05-22", "invoiceDeliveryDate=2024-05-15",
                                               "quantity=2", "lineNetAmount=17081.00", "invoiceNetAmount=18268.98",
                                               "invoiceVatAmount=4932.62", "invoiceGrossAmount=23201.60"}
                                << QStringList{};
}

void TestNavXml::goldenDocuments()
{
    QFETCH(QString, number);
    QFETCH(QString, golden);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, setup);
    DB_VERIFY(seedKinds());
    for (const QString& sql : setup)
        m_session->db.exec(sql);
    DB_VERIFY(seedAdvances());
    // the stornos' and the correction's originals were reported
    m_session->db.exec(QStringLiteral("INSERT INTO szlanav (nBszam, nMuvelet, nAllapot) VALUES ('20240001', 'CREATE', "
                                      "'ELFOGADVA'), ('20240008', 'CREATE', 'ELFOGADVA'), ('20240003', 'CREATE', 'ELFOGADVA')"));
    nav::InvoiceDocument doc;
    DB_VERIFY(doc = nav::buildInvoiceDocument(m_session->data, number));
    QVERIFY2(doc.problems.isEmpty(), qPrintable(doc.problems.join(u'\n')));
    const nav::ValidationResult v = nav::validateInvoiceData(doc.xml);
    QVERIFY2(v.valid, qPrintable(v.problems.join(u'\n')));
    for (const QString& e : expected) {
        const QString element = e.section(u'=', 0, 0);
        const QString value = e.section(u'=', 1);
        if (element == u"customerName" && value.isEmpty())
            QVERIFY(texts(doc.xml, element).isEmpty()); // a private person is not named
        else
            QCOMPARE(text(doc.xml, element), value);
    }
    if (qEnvironmentVariableIsSet("ORVENA_UPDATE_GOLDEN")) {
        QFile out(kGolden + golden);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(doc.xml);
    }
    QCOMPARE(QString::fromUtf8(doc.xml), QString::fromUtf8(readFile(kGolden + golden)));
}

void TestNavXml::amountsEqualThePrint_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("title"); // the print's title names the kind
    for (const char* n : {"20240001", "20240002", "20240003", "20240004", "20240005", "20240006"})
        QTest::newRow(n) << QString::fromLatin1(n) << QStringLiteral("Számla");
    QTest::newRow("advance") << QStringLiteral("20240007") << QStringLiteral("Előlegszámla");
    QTest::newRow("final") << QStringLiteral("20240008") << QStringLiteral("Végszámla");
    QTest::newRow("final in euros") << QStringLiteral("20240010") << QStringLiteral("Végszámla");
    QTest::newRow("storno of a final") << QStringLiteral("20240011") << QStringLiteral("Végszámla");
}

void TestNavXml::amountsEqualThePrint()
{
    QFETCH(QString, number);
    QFETCH(QString, title);
    DB_VERIFY(seedKinds());
    DB_VERIFY(seedAdvances());
    nav::InvoiceDocument doc;
    DB_VERIFY(doc = nav::buildInvoiceDocument(m_session->data, number));
    DB_VERIFY(PrintInvoice(m_session->context, number));
    const auto var = [&](const char* name) { return m_presenter.variables().value(QLatin1String(name)); };
    QCOMPARE(var("v_szamla_cim"), title);
    const auto comma = [](QString t) { return t.replace(u'.', u','); };
    QCOMPARE(comma(text(doc.xml, QStringLiteral("invoiceNetAmount"))), var("v_AFA_SUMnetto"));
    QCOMPARE(comma(text(doc.xml, QStringLiteral("invoiceVatAmount"))), var("v_AFA_SUMafa"));
    QCOMPARE(comma(text(doc.xml, QStringLiteral("invoiceGrossAmount"))), var("v_AFA_SUM"));
    if (!var("v_netto_Ft").isEmpty()) {
        QCOMPARE(text(doc.xml, QStringLiteral("invoiceNetAmountHUF")), var("v_netto_Ft") + QStringLiteral(".00"));
        QCOMPARE(text(doc.xml, QStringLiteral("invoiceVatAmountHUF")), var("v_afa_Ft") + QStringLiteral(".00"));
        QCOMPARE(text(doc.xml, QStringLiteral("invoiceGrossAmountHUF")), var("v_brutto_Ft") + QStringLiteral(".00"));
    }
    // The VAT summary: the demo data's rates have one name per classification, so the print's
    // rows by name and the report's rows by classification hold the same amounts.
    auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };
    QStringList printedNets = var("v_AFA_netto").split(QChar(13), Qt::SkipEmptyParts);
    QStringList printedTaxes = var("v_AFA_afa").split(QChar(13), Qt::SkipEmptyParts);
    for (QString& t : printedNets)
        t.remove(u' ');
    for (QString& t : printedTaxes)
        t.remove(u' ');
    QStringList nets, taxes;
    for (const QString& t : texts(doc.xml, QStringLiteral("vatRateNetAmount")))
        nets << comma(t);
    for (const QString& t : texts(doc.xml, QStringLiteral("vatRateVatAmount")))
        taxes << comma(t);
    QCOMPARE(sorted(nets), sorted(printedNets));
    QCOMPARE(sorted(taxes), sorted(printedTaxes));
}

void TestNavXml::authoritySamples()
{
    for (const char* name :
         {"Belfoldi_egyszerusitett_szamla.xml", "Belfoldi_termekertekesites.xml", "Modositas_es_ervenytelenites_1.xml"}) {
        const QByteArray xml = readFile(kSamples + QLatin1String(name));
        QVERIFY2(!xml.isEmpty(), name);
        const nav::ValidationResult v = nav::validateInvoiceData(xml);
        QVERIFY2(v.valid, qPrintable(QLatin1String(name) + u' ' + v.problems.join(u'\n')));
    }
    // The invoices inside the request sample use an element the final schema dropped; the
    // validator must refuse each of them and name the element.
    const QStringList embedded = texts(readFile(kSamples + QStringLiteral("manageInvoice.xml")), QStringLiteral("invoiceData"));
    QCOMPARE(embedded.size(), 3);
    for (const QString& encoded : embedded) {
        const QByteArray xml = QByteArray::fromBase64(encoded.toLatin1());
        QVERIFY(xml.contains("privatePersonIndicator"));
        const nav::ValidationResult v = nav::validateInvoiceData(xml);
        QVERIFY(!v.valid);
        QVERIFY2(v.problems.join(u' ').contains(QStringLiteral("privatePersonIndicator")), qPrintable(v.problems.join(u'\n')));
    }
    // Not even well-formed.
    const nav::ValidationResult broken = nav::validateInvoiceData("<InvoiceData><invoiceNumber>1</InvoiceData>");
    QVERIFY(!broken.valid);
    QVERIFY(broken.problems.value(0).startsWith(QStringLiteral("Az XML-dokumentum nem olvasható")));
}

void TestNavXml::issueWritesTheDocument_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("state");
    QTest::newRow("test environment") << "TEST" << "KULDENDO";
    QTest::newRow("production") << "PROD" << "KULDENDO";
    QTest::newRow("off") << "OFF" << "NEM_KULDENDO";
}

void TestNavXml::issueWritesTheDocument()
{
    QFETCH(QString, mode);
    QFETCH(QString, state);
    DB_VERIFY(seedKinds());
    setMode(mode);
    QString refusal;
    DB_VERIFY(refusal = nav::issueInvoice(m_session->data, QStringLiteral("20240001")));
    QCOMPARE(refusal, QString());
    QCOMPARE(flag(QStringLiteral("20240001")), QStringLiteral("I"));
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT nMuvelet, nEredeti IS NULL, nAllapot, nProba, nKeszult IS NOT "
                                               "NULL FROM szlanav")),
             QStringList{QStringLiteral("CREATE|1|%1|0|1").arg(state)});
    // The stored document is the one built, byte for byte (UTF-8 with Hungarian letters).
    const auto stored = nav::storedDocument(m_session->data, QStringLiteral("20240001"));
    QVERIFY(stored);
    QCOMPARE(*stored, readFile(kGolden + QStringLiteral("domestic.xml")));
    // Once issued, the stored document is handed out even when the master data changes.
    m_session->db.exec(QStringLiteral("UPDATE vevo SET vNeve = 'Más Név Kft.' WHERE vKod = '1'"));
    QStringList problems;
    QCOMPARE(nav::documentFor(m_session->data, QStringLiteral("20240001"), &problems), *stored);
}

// Issuing through the print ("Nyomtat", --mark-printed): what the authority refuses is one
// message naming every problem and nothing is marked; the law's rules refuse in every reporting
// mode; unusual data is a question, and "Nem" leaves the invoice as it was. An empty message: the
// invoice is issued without a box.
void TestNavXml::issueRefusals_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QStringList>("fault"); // SQL that spoils the data
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("message"); // a part of the one box
    QTest::addColumn<bool>("question");
    const auto row = [](const char* name, const char* number, const QStringList& fault, const char* mode,
                        const QString& message, bool question = false) {
        QTest::newRow(name) << QString::fromLatin1(number) << fault << QString::fromLatin1(mode) << message << question;
    };
    // Data the report needs (refused while the issuer reports).
    row("domestic customer without tax number", "20240001", {"UPDATE vevo SET vAdo = '' WHERE vKod = '1'"}, "TEST",
        "A belföldi vevő (Kovács és Társa Bt.) adószáma hiányzik.");
    row("check digit wrong", "20240001", {"UPDATE vevo SET vAdo = '23456781-1-41' WHERE vKod = '1'"}, "TEST",
        "A belföldi vevő (Kovács és Társa Bt.) adószáma hibás: „23456781-1-41”");
    row("EU customer without EU VAT number", "20240005", {"UPDATE vevo SET vKado = '' WHERE vKod = '5'"}, "TEST",
        "Az EU-s vevő (Donau Handel GmbH) közösségi adószáma (Köz.adószám) hiányzik.");
    row("VAT code without classification", "20240001", {"UPDATE afa SET kNavTipus = '' WHERE kAfakod = '2'"}, "TEST",
        "A(z) „2” áfakód (18% kedvezményes) adóhatósági besorolása ismeretlen");
    row("VAT code gone from the rates", "20240001", {"DELETE FROM afa WHERE kAfakod = '3'"}, "TEST",
        "A(z) „3” áfakód (5% kedvezményes) nem szerepel az áfakulcsok között");
    row("exemption without case code", "20240001", {"UPDATE afa SET kNavKod = NULL WHERE kAfakod = '4'"}, "TEST",
        "A(z) „4” áfakód (AAM alanyi adómentes) mentességi esetkódja hiányzik");
    row("unknown currency", "20240002", {"UPDATE szlafej SET fPnem = 'Taler' WHERE fBszam = '20240002'"}, "TEST",
        "A számla pénzneme („Taler”) nem ismert pénznemkód");
    row("foreign currency without rate", "20240002", {"UPDATE szlafej SET fArfoly = 0 WHERE fBszam = '20240002'"},
        "OFF", "A(z) EUR pénznemű számla árfolyama hiányzik");
    row("issuer tax number wrong", "20240001", {"UPDATE szallito SET zAdo = '12345678-2-06'"}, "TEST",
        "A kibocsátó (Tisza-Mérleg Kereskedelmi Kft.) adószáma hibás: „12345678-2-06”");
    row("schema: due date before the authority's range", "20240004",
        {"UPDATE szlafej SET fFkelt = '2009-12-31' WHERE fBszam = '20240004'"}, "TEST",
        "a(z) „paymentDate” elem értéke („2009-12-31”) nem felel meg az adóhatóság sémájának.");
    // The law and the authority's blocking rules: refused with reporting switched off as well.
    row("rate the authority never accepts", "20240001",
        {"UPDATE afa SET kAfa = 10 WHERE kAfakod = '2'", "UPDATE szlasor SET sAfa = 10 WHERE skAfakod = '2'"}, "OFF",
        "A(z) „2” áfakód (18% kedvezményes) kulcsa (10 %) nem alkalmazható: a hatályos kulcsok 27, 18, 5 és 0 %.");
    row("25 % for a delivery after 2012", "20240001",
        {"UPDATE afa SET kAfa = 25 WHERE kAfakod = '1'", "UPDATE szlasor SET sAfa = 25 WHERE skAfakod = '1'"}, "OFF",
        "A(z) „1” áfakód (27% általános) kulcsa (25 %) csak 2013 előtti teljesítésre alkalmazható");
    row("12 % for a delivery after 2012", "20240001",
        {"UPDATE afa SET kAfa = 12 WHERE kAfakod = '2'", "UPDATE szlasor SET sAfa = 12 WHERE skAfakod = '2'"}, "OFF",
        "A(z) „2” áfakód (18% kedvezményes) kulcsa (12 %) csak 2013 előtti teljesítésre alkalmazható");
    // The 0 % rate exists for deliveries from 2024 on.
    row("a percentage of 0 for a delivery in 2023", "20240001",
        {"UPDATE afa SET kNavTipus = 'PERCENTAGE', kNavKod = NULL, kNavIndok = NULL WHERE kAfakod = '4'",
         "UPDATE szlafej SET fTkelt = '2023-12-31' WHERE fBszam = '20240001'"},
        "PROD",
        "A(z) „4” áfakód (AAM alanyi adómentes) 0 %-os „százalékos” kulcsa csak 2024. január 1-jétől teljesített "
        "értékesítésre alkalmazható (a teljesítés napja 2023.12.31)");
    row("a percentage of 0 for a delivery on 2024.01.01 is issued", "20240001",
        {"UPDATE afa SET kAfanev = '0% napilap', kNavTipus = 'PERCENTAGE', kNavKod = NULL, kNavIndok = NULL "
         "WHERE kAfakod = '4'",
         "UPDATE szlafej SET fTkelt = '2024-01-01' WHERE fBszam = '20240001'"},
        "PROD", QString());
    row("line rate differs from its VAT code's", "20240001",
        {"UPDATE szlasor SET sAfa = 5 WHERE sMegn = 'Csomagolópapír'"}, "OFF",
        "A(z) 2. sor („Csomagolópapír”) áfakulcsa (5 %) eltér „1” áfakódjának kulcsától (27 %)");
    row("exempt line carrying VAT", "20240001",
        {"UPDATE afa SET kAfa = 5 WHERE kAfakod = '4'", "UPDATE szlasor SET sAfa = 5 WHERE skAfakod = '4'"}, "OFF",
        "A(z) 5. sor („Oktatás (alanyi mentes)”) „4” áfakódja (AAM alanyi adómentes) nem százalékos besorolású, "
        "mégis áfát tartalmaz (2400,00)");
    row("issue date more than a year ahead", "20240001",
        {"UPDATE szlafej SET fRkelt = CURDATE() + INTERVAL 367 DAY, fTkelt = CURDATE() WHERE fBszam = '20240001'"},
        "OFF", "több mint egy évvel a mai nap utáni");
    row("delivery more than five years after the issue", "20240001",
        {"UPDATE szlafej SET fTkelt = '2029-05-18' WHERE fBszam = '20240001'"}, "OFF",
        "A teljesítés dátuma (2029.05.18) több mint öt évvel a számla kelte (2024.05.17) utáni.");
    row("no issuer", "20240003", {"DELETE FROM szallito"}, "OFF",
        "A számla kibocsátója (kód: 1) nem található. Vegyen fel kibocsátót a főmenü „Kibocsátó” pontjában");
    row("private person with a tax number", "20240004", {"UPDATE vevo SET vAdo = '45678909-2-08' WHERE vKod = '4'"},
        "OFF", "A vevő (Őri Zsuzsanna) áfa-státusza magánszemély, mégis van adószáma („45678909-2-08”)");
    // An exemption code "5" of this case, on the invoice's lines given.
    const auto exempt = [](const char* code, const char* where) {
        return QStringList{QStringLiteral("INSERT INTO afa (kAfakod, kAfanev, kAfa, kNavTipus, kNavKod, kNavIndok) "
                                          "VALUES ('5', '%1', 0, 'VAT_EXEMPTION', '%1', 'Mentes értékesítés')")
                               .arg(QLatin1String(code)),
                           QStringLiteral("UPDATE szlasor SET skAfakod = '5', sAfanev = '%1', sAfa = 0 WHERE %2")
                               .arg(QLatin1String(code), QString::fromUtf8(where))};
    };
    row("KBAET for a domestic customer", "20240001", exempt("KBAET", "sMegn = 'Csomagolópapír'"), "OFF", "A(z) „5” áfakód (KBAET) csak más EU-tagállamban nyilvántartásba vett, közösségi adószámmal "
               "rendelkező („egyéb” áfa-státuszú) vevőnek számlázható, a vevő (Kovács és Társa Bt.) nem ilyen.");
    row("EAM for a customer in the EU", "20240005", exempt("EAM", "sBszam = '20240005'"), "OFF",
        "A(z) „5” áfakód (EAM) (termékexport) csak az EU-n kívüli vevőnek számlázható, a vevő (Donau Handel GmbH) "
        "nem ilyen.");
    row("KBAET for an EU business is issued", "20240005", exempt("KBAET", "sBszam = '20240005'"), "TEST", QString());
    row("association in Hungary without tax number is issued", "20240003",
        {"UPDATE vevo SET vAfaStatusz = 'OTHER', vAdo = '', vKado = '' WHERE vKod = '3'"}, "TEST", QString());
    row("forint invoice at a rate other than 1", "20240001",
        {"UPDATE szlafej SET fArfoly = 390.5 WHERE fBszam = '20240001'"}, "OFF",
        "A forintos számla árfolyama (Árfolyam: 390,5) csak 1 lehet");
    row("individually exempt issuer, taxed lines", "20240001", {"UPDATE szallito SET zAlanyiMentes = 1"}, "OFF",
        "A kibocsátó (Tisza-Mérleg Kereskedelmi Kft.) alanyi adómentes, ezért a számla minden sorának alanyi "
        "adómentes (AAM) áfakódja kell legyen: a(z) 4. sor („Kenyér a vevőtalálkozóra”) „2” áfakódja (18% "
        "kedvezményes) nem ilyen.");
    row("individually exempt issuer, AAM lines only, is issued", "20240004",
        {"UPDATE szallito SET zAlanyiMentes = 1",
         "UPDATE szlasor SET skAfakod = '4', sAfanev = 'AAM alanyi adómentes', sAfa = 0 WHERE sBszam = '20240004'"},
        "PROD", QString());
    row("negative new invoice", "20240003", {"UPDATE szlasor SET sMenny = -sMenny WHERE sBszam = '20240003'"}, "OFF",
        "A számla nettó végösszege negatív (-85405,00): új számla nem lehet negatív. Egy kiállított számla "
        "helyesbítéséhez a számlanyilvántartásban a „Storno” gombbal készítsen stornó számlát.");
    // Advance and final invoices: the deductions the law allows, refused whatever the reporting mode.
    row("final invoice going negative", "20240008",
        {"UPDATE szlasor SET sEar = 10000 WHERE sBszam = '20240008' AND sMenny > 0"}, "OFF",
        "A végszámla fizetendő végösszege negatív (-88900,00): a levont előleg több a teljes ellenértéknél. Végszámla "
        "nem lehet negatív: helyesbítse az előlegszámlát");
    row("advance reversed", "20240008",
        {"INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('20240099', 'STORNO', '20240007')"}, "OFF",
        "A(z) 20240007 számú előlegszámlát a(z) 20240099 számú számla stornózta.");
    row("advance deducted by another final invoice", "20240008",
        {"INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, skAfakod, sAfanev, sAfa) VALUES ('20240012', 'Levonás', "
         "-1, 100000, '1', '27% általános', 27)",
         "INSERT INTO szlaeloleg (lvBszam, lvSor, lvEloleg, lvFizdat, lvArfoly) SELECT '20240012', MAX(sID), "
         "'20240007', '2024-05-10', 1 FROM szlasor WHERE sBszam = '20240012'"},
        "OFF", "A(z) 20240007 számú előlegszámlát már levonta a(z) 20240012 számú végszámla.");
    row("advance not issued", "20240008", {"UPDATE szlafej SET fPrn = ' ' WHERE fBszam = '20240007'"}, "OFF",
        "A(z) 20240007 számú előlegszámla még nincs kiállítva (kinyomtatva).");
    row("advance of another customer", "20240008", {"UPDATE szlafej SET fvKod = '3' WHERE fBszam = '20240007'"}, "OFF",
        "A(z) 20240007 számú előlegszámla más vevőnek szól.");
    row("deduction without its rate", "20240008", {"UPDATE szlaeloleg SET lvArfoly = 0"}, "OFF",
        "A(z) 2. sor („Előleg levonása: K20240007 előlegszámla, fizetve 2024.05.10”) előleg-levonásának adatai "
        "hiányosak");
    row("positive deduction", "20240008", {"UPDATE szlasor SET sMenny = 1 WHERE sBszam = '20240008' AND sMenny < 0"},
        "OFF", "előleg-levonás, mégsem negatív összegű.");
    row("final invoice without deduction", "20240008", {"DELETE FROM szlaeloleg"}, "OFF",
        "A végszámlán nincs levont előlegszámla");
    row("deduction on a plain invoice", "20240008", {"DELETE FROM szlajelleg WHERE jBszam = '20240008'"}, "OFF",
        "A számlán előleg-levonás van, de a számla nincs végszámlának jelölve.");
    row("final invoice deducting an advance is issued", "20240008", {}, "OFF", QString());
    // Questions before the issue.
    row("issue date days ahead", "20240001",
        {"UPDATE szlafej SET fRkelt = CURDATE() + INTERVAL 5 DAY, fTkelt = CURDATE() WHERE fBszam = '20240001'"},
        "TEST", "5 nappal a mai nap utáni.", true);
    row("foreign currency at rate 1", "20240002", {"UPDATE szlafej SET fArfoly = 1 WHERE fBszam = '20240002'"}, "TEST",
        "A(z) EUR pénznemű számla árfolyama 1", true);
    row("rate outside the plausible band", "20240002", {"UPDATE szlafej SET fArfoly = 3.9 WHERE fBszam = '20240002'"},
        "OFF", "A(z) EUR pénznemű számla árfolyama (3,9) kívül esik a szokásos 250–500 Ft-os sávon", true);
}

void TestNavXml::issueRefusals()
{
    QFETCH(QString, number);
    QFETCH(QStringList, fault);
    QFETCH(QString, mode);
    QFETCH(QString, message);
    QFETCH(bool, question);
    DB_VERIFY(seedKinds());
    DB_VERIFY(seedAdvances());
    setMode(mode);
    for (const QString& sql : fault)
        m_session->db.exec(sql);
    DB_VERIFY(PrintInvoice(m_session->context, number, PrintMode::Print)); // a question is answered "Nem"
    const auto& shown = m_session->ui.shown();
    if (message.isEmpty()) {
        QCOMPARE(m_session->ui.texts(), QStringList());
        QCOMPARE(flag(number), QStringLiteral("I"));
        QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("1"));
        return;
    }
    QCOMPARE(int(shown.size()), 1);
    const QString box = shown.front().text;
    QVERIFY2(box.contains(message), qPrintable(box));
    QCOMPARE(int(m_presenter.presented.size()), 0); // nothing printed
    QCOMPARE(flag(number), QStringLiteral(" "));
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("0"));
    if (question) {
        QCOMPARE(shown.front().kind, FakeUserInterface::Kind::Question);
        QVERIFY(box.startsWith(QStringLiteral("A(z) %1 számú számla adatai szokatlanok:").arg(number)));
        QVERIFY(box.endsWith(QStringLiteral("\nBiztosan kiállítja a számlát?")));
        // "Igen" issues it.
        m_session->ui.answer(true);
        DB_VERIFY(PrintInvoice(m_session->context, number, PrintMode::Print));
        QCOMPARE(flag(number), QStringLiteral("I"));
        return;
    }
    QCOMPARE(shown.front().kind, FakeUserInterface::Kind::Message);
    QVERIFY(box.startsWith(QStringLiteral("A(z) %1 számú számla adóhatósági adatszolgáltatása nem készíthető el:").arg(number)));
    QVERIFY(box.endsWith(QStringLiteral("A számla nem lett nyomtatottnak jelölve, továbbra is módosítható.")));
    // The command-line path refuses the same way and hands out nothing.
    QStringList problems;
    QVERIFY(nav::documentFor(m_session->data, number, &problems).isEmpty());
    QVERIFY(problems.join(u'\n').contains(message));
}

void TestNavXml::everyProblemInOneMessage()
{
    DB_VERIFY(seedKinds());
    setMode(QStringLiteral("PROD"));
    m_session->db.exec(QStringLiteral("UPDATE vevo SET vAdo = '', vIrszam = '' WHERE vKod = '1'"));
    m_session->db.exec(QStringLiteral("UPDATE afa SET kNavIndok = '' WHERE kAfakod = '4'"));
    m_session->db.exec(QStringLiteral("UPDATE szallito SET zAdo = '', zAlanyiMentes = 1"));
    const QString refusal = nav::issueInvoice(m_session->data, QStringLiteral("20240001"));
    const QStringList lines = refusal.split(u'\n');
    // title, four data problems, a taxed VAT code of an exempt issuer each, the closing sentence
    QCOMPARE(lines.size(), 9);
    for (const char* taxed : {"1. sor („Konyhai mérleg 5 kg”) „1” áfakódja (27% általános)",
                              "3. sor („Szakkönyv: Mérés a gyakorlatban”) „3” áfakódja (5% kedvezményes)",
                              "4. sor („Kenyér a vevőtalálkozóra”) „2” áfakódja (18% kedvezményes)"})
        QVERIFY2(refusal.count(QString::fromUtf8(taxed)) == 1, qPrintable(refusal));
    QVERIFY(lines.contains(QStringLiteral("- A kibocsátó (Tisza-Mérleg Kereskedelmi Kft.) adószáma hiányzik.")));
    QVERIFY(lines.contains(QStringLiteral("- A vevő (Kovács és Társa Bt.) címéből hiányzik: irányítószám.")));
    QVERIFY(lines.contains(QStringLiteral("- A belföldi vevő (Kovács és Társa Bt.) adószáma hiányzik.")));
    QVERIFY(lines.contains(QStringLiteral("- A(z) „4” áfakód (AAM alanyi adómentes) adóhatósági besorolásához "
                                          "hiányzik az indoklás szövege.")));
    QCOMPARE(flag(QStringLiteral("20240001")), QStringLiteral(" "));
}

void TestNavXml::modeOffNeverRefuses()
{
    DB_VERIFY(seedKinds());
    setMode(QStringLiteral("OFF"));
    m_session->db.exec(QStringLiteral("UPDATE vevo SET vAdo = '' WHERE vKod = '1'"));
    QCOMPARE(nav::issueInvoice(m_session->data, QStringLiteral("20240001")), QString());
    QCOMPARE(flag(QStringLiteral("20240001")), QStringLiteral("I"));
    // no valid document, no row
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("0"));
    // a failing statement leaves nothing half done
    m_session->db.exec(QStringLiteral("UPDATE vevo SET vAdo = '23456787-1-41' WHERE vKod = '1'"));
    m_session->data.connection().setStatementHook([](const QByteArray& sql) {
        if (sql.startsWith("INSERT INTO szlanav"))
            throw DbError(QStringLiteral("refused"));
    });
    QVERIFY_THROWS_EXCEPTION(Error, nav::issueInvoice(m_session->data, QStringLiteral("20240003")));
    m_session->data.connection().setStatementHook({});
    QCOMPARE(flag(QStringLiteral("20240003")), QStringLiteral(" "));
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("0"));
    // the figures' sums: the issued invoice's even without a document, none of the rolled-back one's
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT oBszam FROM szlaosszeg UNION ALL SELECT DISTINCT rBszam FROM "
                                               "szlaafaosszeg UNION ALL SELECT SUM(dSzamlak) FROM szlanaposszeg")),
             (QStringList{"20240001", "20240001", "1"}));
}

void TestNavXml::modificationIndexCountsUp()
{
    DB_VERIFY(seedKinds());
    setMode(QStringLiteral("TEST"));
    QCOMPARE(nav::issueInvoice(m_session->data, QStringLiteral("20240001")), QString());
    QCOMPARE(nav::issueInvoice(m_session->data, QStringLiteral("20240006")), QString());
    addStorno(QStringLiteral("20240007"), QStringLiteral("20240001"));
    QCOMPARE(nav::issueInvoice(m_session->data, QStringLiteral("20240007")), QString());
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT nBszam, nMuvelet, nEredeti, nModIndex FROM szlanav ORDER BY nBszam")),
             (QStringList{"20240001|CREATE||", "20240006|STORNO|20240001|1", "20240007|STORNO|20240001|2"}));
    const QByteArray second = *nav::storedDocument(m_session->data, QStringLiteral("20240007"));
    QCOMPARE(text(second, QStringLiteral("modificationIndex")), QStringLiteral("2"));
    // six lines of the original, six of the first storno: the second one's lines are 13 to 18
    QCOMPARE(texts(second, QStringLiteral("lineNumberReference")),
             (QStringList{"13", "14", "15", "16", "17", "18"}));
    QCOMPARE(texts(second, QStringLiteral("lineNumber")), (QStringList{"1", "2", "3", "4", "5", "6"}));
    // the first storno's stored document keeps its index
    QCOMPARE(text(*nav::storedDocument(m_session->data, QStringLiteral("20240006")), QStringLiteral("modificationIndex")),
             QStringLiteral("1"));
}

// A correction is a modification of its original as a storno is: issued before the storno it
// takes the next index and numbers its lines after the original's, the storno after both; once
// the original is reversed no correction of it is issued.
void TestNavXml::correctionCountsWithTheStornos()
{
    DB_VERIFY(seedKinds());
    setMode(QStringLiteral("TEST"));
    // the storno is made once the corrections were issued (its link comes later)
    m_session->db.exec(QStringLiteral("DELETE FROM szlahivatkozas WHERE hBszam = '20240006'"));
    addCorrection(QStringLiteral("20240011"), QStringLiteral("20240001"));
    QCOMPARE(nav::issueInvoice(m_session->data, QStringLiteral("20240001")), QString());
    // two corrections printed at once on two workstations: the one checked before the other was
    // issued is refused when it is marked (its index is taken and its lines numbered as the other's)
    addCorrection(QStringLiteral("20240013"), QStringLiteral("20240001"));
    const nav::IssueCheck stale = nav::checkInvoice(m_session->data, QStringLiteral("20240013"));
    QCOMPARE(stale.document.modificationIndex, 1);
    QCOMPARE(nav::issueInvoice(m_session->data, QStringLiteral("20240011")), QString());
    QString refusal;
    try {
        nav::markIssued(m_session->data, stale);
    } catch (const Error& e) {
        refusal = e.text();
    }
    QVERIFY2(refusal.contains(QStringLiteral("20240001 számú számla 1. módosítását közben egy másik munkahely")),
             qPrintable(refusal));
    QCOMPARE(flag(QStringLiteral("20240013")), QStringLiteral(" "));
    QCOMPARE(nav::issueInvoice(m_session->data, QStringLiteral("20240013")), QString());
    // the storno is made once the corrections were issued
    m_session->db.exec(QStringLiteral("INSERT INTO szlahivatkozas VALUES ('20240006', 'STORNO', '20240001')"));
    QCOMPARE(nav::issueInvoice(m_session->data, QStringLiteral("20240006")), QString());
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT nBszam, nMuvelet, nEredeti, nModIndex FROM szlanav ORDER BY nBszam")),
             (QStringList{"20240001|CREATE||", "20240006|STORNO|20240001|3", "20240011|MODIFY|20240001|1",
                          "20240013|MODIFY|20240001|2"}));
    const QByteArray correction = *nav::storedDocument(m_session->data, QStringLiteral("20240011"));
    QCOMPARE(texts(correction, QStringLiteral("lineNumberReference")), (QStringList{"7", "8"}));
    QCOMPARE(texts(correction, QStringLiteral("lineNumber")), (QStringList{"1", "2"}));
    QCOMPARE(texts(*nav::storedDocument(m_session->data, QStringLiteral("20240013")), QStringLiteral("lineNumberReference")),
             (QStringList{"9", "10"}));
    // six lines of the original, two of each correction: the storno's are 11 to 16
    const QByteArray storno = *nav::storedDocument(m_session->data, QStringLiteral("20240006"));
    QCOMPARE(text(storno, QStringLiteral("modificationIndex")), QStringLiteral("3"));
    QCOMPARE(texts(storno, QStringLiteral("lineNumberReference")).value(0), QStringLiteral("11"));
    addCorrection(QStringLiteral("20240012"), QStringLiteral("20240001"));
    QVERIFY(nav::issueInvoice(m_session->data, QStringLiteral("20240012"))
                .contains(QStringLiteral("A helyesbített 20240001 számú számlát a(z) 20240006 számú storno számla már "
                                         "érvénytelenítette")));
    QCOMPARE(flag(QStringLiteral("20240012")), QStringLiteral(" "));
}

// What makes a storno is the link stored when it was made, never its remark; an original the
// authority never received is reversed without its master.
// A storno or correction is reported under its original's VAT regime as issued, whatever the
// issuer's setting says by the time it is made.
void TestNavXml::modificationsKeepTheOriginalsRegime_data()
{
    QTest::addColumn<QString>("original");
    QTest::addColumn<QStringList>("setup");      // before the original is issued
    QTest::addColumn<QStringList>("afterIssue"); // the issuer's setting changed later
    QTest::addColumn<QString>("modification");   // a storno made now, or the seeded correction
    QTest::addColumn<QStringList>("expected");   // element=first value; empty value: absent
    QTest::newRow("storno of an exempt issuer's invoice")
        << "20240004"
        << QStringList{"UPDATE szallito SET zAlanyiMentes = 1",
                       "UPDATE szlasor SET skAfakod = '4', sAfanev = 'AAM alanyi adómentes', sAfa = 0 WHERE sBszam = "
                       "'20240004'"}
        << QStringList{"UPDATE szallito SET zAlanyiMentes = 0, zPenzforgalmi = 1"} << "20240030"
        << QStringList{"individualExemption=true", "cashAccountingIndicator=", "case=AAM"};
    QTest::newRow("correction of an invoice issued before the exemption")
        << "20240003" << QStringList{} << QStringList{"UPDATE szallito SET zAlanyiMentes = 1"} << "20240020"
        << QStringList{"individualExemption=", "vatPercentage=0.27", "case="};
    QTest::newRow("storno of a cash-accounting small business's invoice")
        << "20240001" << QStringList{"UPDATE szallito SET zPenzforgalmi = 1, zKisadozo = 1"}
        << QStringList{"UPDATE szallito SET zPenzforgalmi = 0, zKisadozo = 0"} << "20240006"
        << QStringList{"cashAccountingIndicator=true", "smallBusinessIndicator=true"};
}

void TestNavXml::modificationsKeepTheOriginalsRegime()
{
    QFETCH(QString, original);
    QFETCH(QStringList, setup);
    QFETCH(QStringList, afterIssue);
    QFETCH(QString, modification);
    QFETCH(QStringList, expected);
    DB_VERIFY(seedKinds());
    for (const QString& sql : setup)
        m_session->db.exec(sql);
    QString refusal;
    DB_VERIFY(refusal = nav::issueInvoice(m_session->data, original));
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    for (const QString& sql : afterIssue)
        m_session->db.exec(sql);
    if (m_session->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafej WHERE fBszam = '%1'").arg(modification)) == u"0")
        addStorno(modification, original);
    nav::InvoiceDocument doc;
    DB_VERIFY(doc = nav::buildInvoiceDocument(m_session->data, modification));
    QVERIFY2(doc.problems.isEmpty() && doc.ruleProblems.isEmpty(),
             qPrintable((doc.problems + doc.ruleProblems).join(u'\n')));
    for (const QString& e : expected)
        QCOMPARE(text(doc.xml, e.section(u'=', 0, 0)), e.section(u'=', 1));
    QVERIFY2(nav::validateInvoiceData(doc.xml).valid, qPrintable(nav::validateInvoiceData(doc.xml).problems.join(u'\n')));
}

void TestNavXml::stornoReference_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("reference"); // original|modifyWithoutMaster; empty: a new invoice
    const QString reported = QStringLiteral("INSERT INTO szlanav (nBszam, nMuvelet, nAllapot) VALUES ('20240001', "
                                            "'CREATE', '%1')");
    QTest::newRow("original reported") << QStringList{reported.arg(QLatin1String("KULDENDO"))} << "20240006"
                                       << "K20240001|false";
    QTest::newRow("original issued with reporting off")
        << QStringList{reported.arg(QLatin1String("NEM_KULDENDO"))} << "20240006" << "K20240001|true";
    QTest::newRow("original from before reporting") << QStringList{} << "20240006" << "K20240001|true";
    QTest::newRow("correction of an unreported original") << QStringList{} << "20240020" << "K20240003|true";
    QTest::newRow("storno remark changed")
        << QStringList{reported.arg(QLatin1String("ELKULDVE")),
                       "UPDATE szlafej SET fMegj = 'Hibás szállítási cím miatt' WHERE fBszam = '20240006'"}
        << "20240006" << "K20240001|false";
    QTest::newRow("storno remark typed on a new invoice")
        << QStringList{"INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fKerek, fArfoly, fPnem, "
                       "fmKod, fzKod, fvKod) SELECT '20240007', fTkelt, fRkelt, fFkelt, fFizmod, '20240003 számú "
                       "érvénytelenítő számla', fKerek, fArfoly, fPnem, fmKod, fzKod, fvKod FROM szlafej WHERE "
                       "fBszam = '20240003'",
                       "INSERT INTO szlasor (sBszam, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa) SELECT "
                       "'20240007', sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa FROM szlasor WHERE "
                       "sBszam = '20240003'"}
        << "20240007" << "";
}

void TestNavXml::stornoReference()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, number);
    QFETCH(QString, reference);
    DB_VERIFY(seedKinds());
    for (const QString& sql : setup)
        m_session->db.exec(sql);
    nav::InvoiceDocument doc;
    DB_VERIFY(doc = nav::buildInvoiceDocument(m_session->data, number));
    QVERIFY2(doc.problems.isEmpty(), qPrintable(doc.problems.join(u'\n')));
    const nav::ValidationResult v = nav::validateInvoiceData(doc.xml);
    QVERIFY2(v.valid, qPrintable(v.problems.join(u'\n')));
    const QString found = texts(doc.xml, QStringLiteral("invoiceReference")).isEmpty()
        ? QString()
        : text(doc.xml, QStringLiteral("originalInvoiceNumber")) + u'|' + text(doc.xml, QStringLiteral("modifyWithoutMaster"));
    QCOMPARE(found, reference);
    QCOMPARE(doc.storno, !reference.isEmpty());
}

// A database from before the links: setup links its stornos once, when it makes the table. A
// reported storno is linked by its report; an unreported one only when its lines are its
// original's negated, and only the first of an original; a look-alike remark links nothing.
void TestNavXml::legacyStornosLinkedOnce()
{
    DB_VERIFY(seedKinds());
    addStorno(QStringLiteral("20240007"), QStringLiteral("20240001"), false);
    addStorno(QStringLiteral("20240008"), QStringLiteral("20240002"), false);
    m_session->db.exec(QStringLiteral("UPDATE szlafej SET fMegj = 'Téves árfolyam' WHERE fBszam = '20240008'"));
    m_session->db.exec(QStringLiteral("INSERT INTO szlanav (nBszam, nMuvelet, nEredeti, nModIndex, nAllapot) VALUES "
                                      "('20240008', 'STORNO', '20240002', 1, 'ELFOGADVA')"));
    m_session->db.exec(QStringLiteral(
        "INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fMegj, fPnem, fmKod, fzKod, fvKod) SELECT '20240009', "
        "fTkelt, fRkelt, fFkelt, '20240003 számú érvénytelenítő számla', fPnem, fmKod, fzKod, fvKod FROM szlafej "
        "WHERE fBszam = '20240003'"));
    m_session->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa) SELECT '20240009', "
                                      "sMegn, sMenny, sEar, sAfa FROM szlasor WHERE sBszam = '20240003'"));
    m_session->db.exec(QStringLiteral("DROP TABLE szlahivatkozas"));

    SetupOptions options;
    options.database = m_session->db.name();
    options.appUser.clear();
    QStringList done;
    DB_VERIFY(done = runSetup(m_session->db.admin(), options));
    QVERIFY2(done.contains(QStringLiteral("Storno hivatkozások a korábbi adatokból: 2 (adatszolgáltatásból 1, a "
                                          "megjegyzés és a tételek alapján 1)")),
             qPrintable(done.join(u'\n')));
    const QStringList linked{QStringLiteral("20240006|STORNO|20240001"), QStringLiteral("20240008|STORNO|20240002")};
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT hBszam, hMuvelet, hEredeti FROM szlahivatkozas ORDER BY hBszam")),
             linked);
    // Only once: a later setup leaves the links as they are.
    m_session->db.exec(QStringLiteral("DELETE FROM szlahivatkozas WHERE hBszam = '20240006'"));
    DB_VERIFY(runSetup(m_session->db.admin(), options));
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT hBszam FROM szlahivatkozas")), QStringList{"20240008"});
}

QTEST_MAIN(TestNavXml)
#include "tst_navxml.moc"
