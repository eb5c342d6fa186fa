// The report engine on small templates of its own: template reading, expressions, formats,
// text layout inside the box, band flow and pagination, page-end handling, PDF output.
#include "reports/expression.h"
#include "reports/reportengine.h"
#include "reports/reportlayout.h"
#include "reports/reportpainter.h"
#include "reports/reporttemplate.h"
#include "support/fakes.h"

#include "db/errors.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;
using namespace orvena::reports;
using namespace orvena::test;

namespace {

QByteArray wrapPages(const QString& pages)
{
    return (QStringLiteral("<report title=\"Próba\" width=\"800\" height=\"400\">") + pages + QStringLiteral("</report>"))
        .toUtf8();
}

// One design page with a text object holding the content in a header band.
QByteArray oneText(const QString& content, const QString& attributes = {})
{
    return wrapPages(QStringLiteral("<page><band kind=\"header\" top=\"10\" height=\"100\">"
                                    "<text x=\"10\" y=\"5\" w=\"300\" h=\"60\" size=\"8\" %1>%2</text>"
                                    "</band></page>")
                         .arg(attributes, content));
}

} // namespace

class TestReportEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void badTemplates_data();
    void badTemplates();
    void expressions_data();
    void expressions();
    void badExpressions_data();
    void badExpressions();
    void numberFormat_data();
    void numberFormat();
    void nameResolution();
    void valuesOfCopies_data();
    void valuesOfCopies();
    void wrapAndAlignment();
    void bandFlowAndPages();
    void growingTextMovesWhatIsBelow();
    void bandTallerThanPageContinues();
    void qrCodesFollowTheFlow();
    void picturesOverComputedRows();
    void paintedAsDrawText_data();
    void paintedAsDrawText();
    void pdfText();

private:
    PageModel layout(const QByteArray& xml);

    std::unique_ptr<TestSession> m_session;
    ReportVariables m_vars;
    ReportJob m_job;
    int m_pageEnds = 0;
};

void TestReportEngine::initTestCase()
{
    m_session = std::make_unique<TestSession>();
    m_session->db.exec(QStringLiteral("INSERT INTO afa (kAfakod, kAfanev, kAfa) VALUES ('1', '27% általános', 27), "
                                      "('2', '5% kedvezményes', 5), ('3', '18% kedvezményes', 18)"));
    Query& rates = m_session->data.query(QStringLiteral("ZQ40"));
    rates.setSql({QStringLiteral("SELECT * FROM afa ORDER BY kAfakod")});
    rates.open();
    rates.setCurrentRow(1);
    m_job.datasets = {{QStringLiteral("ZQ40"), &rates}};
    m_job.valueCallback = [](const QString& name) -> std::optional<QString> {
        if (name.compare(u"v_callback", Qt::CaseInsensitive) == 0)
            return QStringLiteral("from callback");
        return std::nullopt;
    };
    m_job.pageEnded = [this] { ++m_pageEnds; };
    m_vars.set(QStringLiteral("v_Text"), QStringLiteral("Kovács"));
    m_vars.set(QStringLiteral("v_callback"), QStringLiteral("from store"));
    m_vars.set(QStringLiteral("v_num"), QStringLiteral("1250,5"));
    m_vars.set(QStringLiteral("v_lines"), QStringLiteral("27%\r5% \r"));
    m_vars.set(QStringLiteral("v_empty"), QString());
    m_vars.set(QStringLiteral("v_four"), QStringLiteral("Első\rMásodik\rHarmadik\rNegyedik\r"));
}

PageModel TestReportEngine::layout(const QByteArray& xml)
{
    m_pageEnds = 0;
    return layoutReport(parseTemplate(xml, QStringLiteral("próba")), m_job, m_vars);
}

void TestReportEngine::badTemplates_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("message");
    QTest::newRow("not xml") << QByteArray("<report><page>") << "próba";
    QTest::newRow("wrong root") << QByteArray("<layout/>") << "<report>";
    QTest::newRow("no pages") << wrapPages({}) << "nincs oldala";
    QTest::newRow("unknown band") << wrapPages("<page><band kind=\"detail\" height=\"5\"/></page>") << "detail";
    QTest::newRow("line band without dataset") << wrapPages("<page><band kind=\"line\" height=\"5\"/></page>")
                                               << "adathalmaz";
    QTest::newRow("missing size") << wrapPages("<page><band kind=\"header\" height=\"5\"><text x=\"1\" y=\"1\" w=\"5\"/>"
                                               "</band></page>")
                                  << "h jellemző";
    QTest::newRow("bad number") << oneText("x", "border=\"vastag\"") << "vastag";
    QTest::newRow("bad alignment") << oneText("x", "align=\"justify\"") << "justify";
    // Beyond sane limits: refused, naming the object, before anything is laid out (these crashed
    // the program, hung it or wrote a PDF of hundreds of megabytes).
    const auto band = [](const QString& attributes, const QString& objects = {}) {
        return wrapPages(QStringLiteral("<page><band kind=\"header\" %1>%2</band></page>").arg(attributes, objects));
    };
    const auto text = [&band](const QString& attributes) {
        return band(QStringLiteral("height=\"50\""), QStringLiteral("<text %1>x</text>").arg(attributes));
    };
    QTest::newRow("50 000 nested parentheses")
        << oneText(u'[' + QString(50000, u'(') + u'1' + QString(50000, u')') + u']')
        << "fejléc sávja 1. szövegobjektuma (1. sor, x=10, y=5): a szövege hosszabb 20000 karakternél";
    QTest::newRow("nested parentheses") << oneText(u'[' + QString(2000, u'(') + u'1' + QString(2000, u')') + u']')
                                        << "fejléc sávja 1. szövegobjektuma (1. sor, x=10, y=5): A sablon kifejezése "
                                           "túl mélyen egymásba ágyazott";
    QTest::newRow("nested signs") << oneText(u'[' + QString(5000, u'-') + QStringLiteral("1]")) << "túl mélyen";
    QTest::newRow("endless sum") << oneText(u'[' + QStringLiteral("1+").repeated(5000) + QStringLiteral("1]"))
                                 << "túl hosszú";
    QTest::newRow("band height 1e308") << band(QStringLiteral("height=\"1e308\""))
                                       << "a(z) 1. oldal fejléc sávja: a(z) height jellemző értéke (1e308)";
    QTest::newRow("band height 1e9") << band(QStringLiteral("height=\"1e9\"")) << "fejléc sávja: a(z) height";
    QTest::newRow("text height 1e9") << text(QStringLiteral("x=\"1\" y=\"1\" w=\"5\" h=\"1e9\""))
                                     << "1. szövegobjektuma: a(z) h jellemző";
    QTest::newRow("font size 1e308") << text(QStringLiteral("x=\"1\" y=\"1\" w=\"5\" h=\"5\" size=\"1e308\""))
                                     << "a(z) size jellemző";
    QTest::newRow("decimals") << oneText("x", "format=\"number\" decimals=\"1e10\"") << "a(z) decimals jellemző";
    QTest::newRow("page width not a number")
        << QByteArray("<report width=\"nan\"><page/></report>") << "width jellemző";
    QTest::newRow("rule length") << band(QStringLiteral("height=\"50\""),
                                         QStringLiteral("<rule x=\"1\" y=\"1\" length=\"1e9\"/>"))
                                 << "1. vonala: a(z) length jellemző";
    QTest::newRow("huge file") << QByteArray(5 * 1024 * 1024, ' ') << "nagyobb 4 MB-nál";
}

void TestReportEngine::badTemplates()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, message);
    try {
        parseTemplate(xml, QStringLiteral("próba"));
        QFAIL("accepted");
    } catch (const Error& e) {
        QVERIFY2(e.text().contains(message), qPrintable(e.text()));
        QVERIFY(e.text().startsWith(QStringLiteral("Hibás sablon (próba, ")));
    }
    QVERIFY_THROWS_EXCEPTION(FileError, loadTemplate(QStringLiteral("/nincs/ilyen.frf")));
}

void TestReportEngine::expressions_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("result");
    QTest::newRow("fixed text") << "Számla / " << "Számla / ";
    QTest::newRow("field at the current row") << "[ZQ40.kAfanev]" << "5% kedvezményes";
    QTest::newRow("quoted field, any case") << "[zq40.\"KAFA\"]" << "5";
    QTest::newRow("text and values") << "Áfa: [ZQ40.kAfa] % ([v_text])" << "Áfa: 5 % (Kovács)";
    QTest::newRow("precedence") << "[ZQ40.kAfa + 2 * 3]" << "11";
    QTest::newRow("discounted price") << "[v_num - v_num * 10 / 100]" << "1125,45";
    QTest::newRow("parentheses and minus") << "[-(v_num - 250.5) / 4]" << "-250";
    QTest::newRow("texts joined by +") << "[v_text + ' Bt.']" << "Kovács Bt.";
    QTest::newRow("empty counts as zero") << "[v_empty + 3]" << "3";
    QTest::newRow("blanks are text") << "[ZQ40.kAfa + '   ' + v_text]" << "5   Kovács";
    QTest::newRow("page number") << "[PAGE#]. lap" << "1. lap";
}

void TestReportEngine::expressions()
{
    QFETCH(QString, content);
    QFETCH(QString, result);
    const PageModel model = layout(oneText(content.toHtmlEscaped()));
    QCOMPARE(model.pages.size(), size_t(1));
    QCOMPARE(model.pages[0].texts.size(), size_t(1));
    QCOMPARE(model.pages[0].texts[0].text(), result);
}

void TestReportEngine::badExpressions_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown variable") << "[v_nincs]" << "v_nincs";
    QTest::newRow("unknown dataset") << "[ZQ99.kAfa]" << "ZQ99";
    QTest::newRow("missing field") << "[ZQ40.kNincs]" << "kNincs";
    QTest::newRow("syntax") << "[v_num +]" << "v_num +";
    QTest::newRow("unclosed") << "[v_num" << "[v_num";
    QTest::newRow("arithmetic on text") << "[v_text * 2]" << "Kovács";
    QTest::newRow("division by zero") << "[v_num / 0]" << "Nullával";
}

void TestReportEngine::badExpressions()
{
    QFETCH(QString, content);
    QFETCH(QString, message);
    try {
        layout(oneText(content.toHtmlEscaped()));
        QFAIL("laid out");
    } catch (const Error& e) {
        QVERIFY2(e.text().contains(message), qPrintable(e.text()));
    }
}

void TestReportEngine::numberFormat_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("result");
    QTest::newRow("grouped, two decimals") << "[v_num]" << 2 << "1 250,50";
    QTest::newRow("three decimals") << "[ZQ40.kAfa]" << 3 << "5,000";
    QTest::newRow("fixed text around") << " [v_num] " << 0 << " 1 251 ";
    QTest::newRow("arithmetic result") << "[v_num * 1000]" << 2 << "1 250 500,00";
    QTest::newRow("non-numeric unchanged") << "[v_text]" << 2 << "Kovács";
    QTest::newRow("formatted columns unchanged") << "[v_lines]" << 2 << "27%\n5% ";
    QTest::newRow("empty stays empty") << "[v_empty]" << 2 << "";
}

void TestReportEngine::numberFormat()
{
    QFETCH(QString, content);
    QFETCH(int, decimals);
    QFETCH(QString, result);
    const PageModel model = layout(oneText(content, QStringLiteral("format=\"number\" decimals=\"%1\"").arg(decimals)));
    const auto& texts = model.pages[0].texts;
    QCOMPARE(texts.empty() ? QString() : texts[0].text(), result);
}

void TestReportEngine::nameResolution()
{
    // the value callback answers before the variable store; names ignore case
    QCOMPARE(layout(oneText("[V_CALLBACK]")).pages[0].texts[0].text(), QStringLiteral("from callback"));
    QCOMPARE(layout(oneText("[V_TEXT]")).pages[0].texts[0].text(), QStringLiteral("Kovács"));
}

void TestReportEngine::valuesOfCopies_data()
{
    // two copies, each a line band; the second may iterate other rows and format its text
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("secondDataset");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("secondFormat");
    QTest::addColumn<QStringList>("printed"); // the texts of both pages
    const QStringList names{"27% általános", "5% kedvezményes", "18% kedvezményes"};
    QTest::newRow("a field row by row in both copies")
        << "[ZQ40.kAfanev]" << "ZQ40" << "[ZQ40.kAfanev]" << "" << names + names;
    QTest::newRow("the page number beside a field") << "[ZQ40.kAfakod]/[PAGE#]" << "ZQ40" << "[ZQ40.kAfakod]/[PAGE#]"
                                                    << "" << QStringList{"1/1", "2/1", "3/1", "1/2", "2/2", "3/2"};
    QTest::newRow("the same field as a number") << "[ZQ40.kAfa]" << "ZQ40" << "[ZQ40.kAfa]" << "format=\"number\" decimals=\"2\""
                                                << QStringList{"27", "5", "18", "27,00", "5,00", "18,00"};
    // over the computed rows the rate table is not iterated: its current row (the second) is read
    QTest::newRow("a field over other rows") << "[ZQ40.kAfanev]" << "sorok" << "[ZQ40.kAfanev]" << ""
                                             << names + QStringList{"5% kedvezményes", "5% kedvezményes"};
}

void TestReportEngine::valuesOfCopies()
{
    QFETCH(QString, first);
    QFETCH(QString, secondDataset);
    QFETCH(QString, second);
    QFETCH(QString, secondFormat);
    QFETCH(QStringList, printed);
    const QString copy = QStringLiteral("<page><band kind=\"line\" dataset=\"%1\" top=\"10\" height=\"20\">"
                                        "<text x=\"0\" y=\"0\" w=\"300\" h=\"20\" %2>%3</text></band></page>");
    const auto restore = qScopeGuard([this, plain = m_job] { m_job = plain; });
    m_job.rowSets = {{QStringLiteral("sorok"), ReportRows{{QStringLiteral("nev")}, {{QStringLiteral("A")}, {QStringLiteral("B")}}}}};
    const PageModel model = layout(wrapPages(copy.arg(QStringLiteral("ZQ40"), QString(), first) +
                                             copy.arg(secondDataset, secondFormat, second)));
    QCOMPARE(model.pages.size(), size_t(2));
    QCOMPARE(model.pages[0].allTexts() + model.pages[1].allTexts(), printed);
}

void TestReportEngine::wrapAndAlignment()
{
    const QString words = QStringLiteral("Ez egy hosszú megjegyzés, amely nem fér el egyetlen sorban a keskeny dobozban.");
    PageModel model = layout(oneText(words, QStringLiteral("frame=\"all\" border=\"2\"")));
    const TextItem& wrapped = model.pages[0].texts[0];
    QVERIFY(wrapped.lines.size() > 1);
    QCOMPARE(wrapped.text().split(u'\n').join(u' '), words); // breaks at blanks, nothing lost
    for (const TextLine& line : wrapped.lines) {
        QVERIFY(line.rect.bottom() <= wrapped.box.bottom() + 0.5);
        QVERIFY(line.rect.left() >= wrapped.box.left());
    }
    QCOMPARE(wrapped.box, QRectF(10, 15, 300, 60));
    QVERIFY(wrapped.frame.left && wrapped.frame.top && wrapped.frame.right && wrapped.frame.bottom);
    QCOMPARE(wrapped.borderWidth, 2.0);

    // more lines than the box holds: every line is kept and the box grows to hold them
    model = layout(oneText(QStringLiteral("1<br/>2<br/>3<br/>4<br/>5<br/>6<br/>7<br/>8")));
    const TextItem& grown = model.pages[0].texts[0];
    QCOMPARE(grown.text(), QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8"));
    QVERIFY(grown.box.height() > 60);
    QVERIFY(grown.lines.back().rect.bottom() <= grown.box.bottom() + 0.5);

    // a word wider than the box is never cut: it stands whole on its own line
    const QString longWord = QStringLiteral("Szerződésszám:ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    model = layout(oneText(QStringLiteral("Előtte ") + longWord + QStringLiteral(" utána")));
    QCOMPARE(model.pages[0].texts[0].text(), QStringLiteral("Előtte\n") + longWord + QStringLiteral("\nutána"));

    // "left, middle" centres the block vertically in the box
    model = layout(oneText(QStringLiteral("közép"), QStringLiteral("valign=\"middle\" align=\"right\"")));
    const TextItem& middle = model.pages[0].texts[0];
    QCOMPARE(middle.lines.size(), size_t(1));
    QVERIFY(qAbs(middle.lines[0].rect.center().y() - middle.box.center().y()) < 0.01);
    QVERIFY(middle.align == HAlign::Right);
}

void TestReportEngine::bandFlowAndPages()
{
    // Page 400 high; footer 40 high at the bottom: bands must end above 360.
    const QByteArray xml = wrapPages(QStringLiteral(
        "<page>"
        "<band kind=\"header\" top=\"20\" height=\"100\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">FEJ</text>"
        "<rule x=\"0\" y=\"50\" length=\"80\" direction=\"vertical\" width=\"2\"/></band>"
        "<band kind=\"line\" dataset=\"ZQ40\" top=\"140\" height=\"60\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">"
        "[ZQ40.kAfakod]</text></band>"
        "<band kind=\"totals\" top=\"220\" height=\"70\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">ÖSSZ [ZQ40.kAfakod]"
        "</text></band>"
        "<band kind=\"pagefooter\" height=\"40\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">[PAGE#]. lap</text></band>"
        "</page>"
        "<page><band kind=\"header\" top=\"24\" height=\"50\"><text x=\"4\" y=\"0\" w=\"200\" h=\"20\">MÁSIK</text>"
        "</band><band kind=\"pagefooter\" height=\"40\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">[PAGE#]. lap</text>"
        "</band></page>"));
    const PageModel model = layout(xml);
    // copy 1: header 20..120, lines 120..180, 180..240, 240..300; totals (70) does not fit above
    // 360 -> page 2; copy 2 on page 3
    QCOMPARE(model.pages.size(), size_t(3));
    QCOMPARE(m_pageEnds, 1 + 3); // once before the run, then after every page
    const Page& first = model.pages[0];
    QCOMPARE(first.allTexts(), (QStringList{"FEJ", "1", "2", "3", "1. lap"}));
    QCOMPARE(first.texts[0].box.top(), 20.0);
    QCOMPARE(first.texts[3].box.top(), 240.0);
    QCOMPARE(first.texts[4].box.top(), 360.0); // the footer at the bottom
    QCOMPARE(first.rules.size(), size_t(1));
    QCOMPARE(first.rules[0].from, QPointF(0, 70));
    QCOMPARE(first.rules[0].to, QPointF(0, 150));
    const Page& second = model.pages[1];
    // no header on the continuation page; the band starts at the page's top offset and
    // reads the line dataset's current row
    QCOMPARE(second.allTexts(), (QStringList{"ÖSSZ 2", "2. lap"}));
    QCOMPARE(second.texts[0].box.top(), 20.0);
    QCOMPARE(model.pages[2].allTexts(), (QStringList{"MÁSIK", "3. lap"}));
    QCOMPARE(model.pages[2].texts[0].box.topLeft(), QPointF(4, 24));

    // The totals and the closing lines are one block: the totals would fit below the lines
    // (300..340), the closing lines after them would not, so both go to the next page.
    const PageModel kept = layout(wrapPages(QStringLiteral(
        "<page>"
        "<band kind=\"header\" top=\"20\" height=\"100\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">FEJ</text></band>"
        "<band kind=\"line\" dataset=\"ZQ40\" top=\"140\" height=\"60\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">"
        "[ZQ40.kAfakod]</text></band>"
        "<band kind=\"totals\" height=\"40\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">ÖSSZ</text></band>"
        "<band kind=\"closing\" height=\"30\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">ZÁRÁS</text></band>"
        "<band kind=\"pagefooter\" height=\"40\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">[PAGE#]. lap</text></band>"
        "</page>")));
    QCOMPARE(kept.pages.size(), size_t(2));
    QCOMPARE(kept.pages[0].allTexts(), (QStringList{"FEJ", "1", "2", "3", "1. lap"}));
    QCOMPARE(kept.pages[1].allTexts(), (QStringList{"ÖSSZ", "ZÁRÁS", "2. lap"}));
    QCOMPARE(kept.pages[1].texts[1].box.top(), 20.0 + 40);
}

void TestReportEngine::growingTextMovesWhatIsBelow()
{
    const QByteArray xml = wrapPages(QStringLiteral(
        "<page><band kind=\"header\" top=\"10\" height=\"120\">"
        "<text x=\"0\" y=\"0\" w=\"300\" h=\"100\" frame=\"all\"/>"
        "<text x=\"10\" y=\"10\" w=\"100\" h=\"30\" size=\"8\">[v_four]</text>"
        "<text x=\"150\" y=\"10\" w=\"100\" h=\"60\" size=\"8\">mellette</text>"
        "<text x=\"10\" y=\"50\" w=\"100\" h=\"14\" size=\"8\">alatta</text>"
        "<rule x=\"120\" y=\"5\" length=\"80\" direction=\"vertical\"/>"
        "<rule x=\"0\" y=\"45\" length=\"100\"/>"
        "</band>"
        "<band kind=\"totals\" top=\"0\" height=\"20\"><text x=\"0\" y=\"0\" w=\"100\" h=\"14\">utána</text></band>"
        "</page>"));
    const PageModel model = layout(xml);
    QCOMPARE(model.pages.size(), size_t(1));
    const Page& page = model.pages[0];
    const TextItem& grown = *page.find(QStringLiteral("Első")).at(0);
    // four lines in a box that holds two: all four are there, the box grows by two lines
    QCOMPARE(grown.text(), QStringLiteral("Első\nMásodik\nHarmadik\nNegyedik"));
    const double lineHeight = grown.lines[1].rect.top() - grown.lines[0].rect.top();
    const double growth = grown.box.height() - 30;
    QVERIFY(qAbs(growth - 2 * lineHeight) < 0.01);
    QVERIFY(grown.lines.back().rect.bottom() <= grown.box.bottom() + 0.01);
    // beside it nothing moves; below it everything moves down by the growth
    QCOMPARE(page.find(QStringLiteral("mellette")).at(0)->box.top(), 20.0);
    const TextItem& below = *page.find(QStringLiteral("alatta")).at(0);
    QVERIFY(qAbs(below.box.top() - (60 + growth)) < 0.01);
    QVERIFY(below.box.top() >= grown.box.bottom());
    QVERIFY(qAbs(page.find(QStringLiteral("utána")).at(0)->box.top() - (130 + growth)) < 0.01);
    // the frame around it and the vertical rule beside it stretch, the rule below moves
    const TextItem& frame = page.texts[0];
    QVERIFY(frame.frame.any());
    QVERIFY(qAbs(frame.box.height() - (100 + growth)) < 0.01);
    QCOMPARE(page.rules[0].from, QPointF(120, 15));
    QVERIFY(qAbs(page.rules[0].to.y() - (95 + growth)) < 0.01);
    QVERIFY(qAbs(page.rules[1].from.y() - (55 + growth)) < 0.01);
}

// A code object is drawn from its value (nothing for an empty one), moves down below text that
// grew above it, and is never cut by a page break.
void TestReportEngine::qrCodesFollowTheFlow()
{
    const QByteArray xml = wrapPages(QStringLiteral(
        "<page><band kind=\"header\" top=\"10\" height=\"120\">"
        "<text x=\"0\" y=\"0\" w=\"200\" h=\"14\" size=\"8\">[v_four]</text>"
        "<qrcode x=\"20\" y=\"20\" w=\"90\" h=\"90\">[v_text + ' QR']</qrcode>"
        "<qrcode x=\"120\" y=\"20\" w=\"90\" h=\"90\">[v_empty]</qrcode></band>"
        "<band kind=\"totals\" top=\"0\" height=\"140\"><text x=\"0\" y=\"0\" w=\"100\" h=\"14\">%1</text>"
        "<qrcode x=\"120\" y=\"20\" w=\"110\" h=\"110\">[v_num]</qrcode></band></page>")
        .arg(QStringLiteral("ÖSSZ<br/>").repeated(40)));
    const PageModel model = layout(xml);
    QCOMPARE(model.pages.front().images.size(), size_t(1)); // the empty one draws nothing
    const ImageItem& first = model.pages.front().images.front();
    QCOMPARE(first.data, QStringLiteral("Kovács QR"));
    QCOMPARE(first.box.size(), QSizeF(90, 90));
    // the four lines above it grew the text by three lines; the code moved as much
    const TextItem& grown = *model.pages.front().find(QStringLiteral("Negyedik")).front();
    QVERIFY(first.box.top() > 30 + 2 * 8);
    QCOMPARE(first.box.top() - 20 - 10, grown.box.height() - 14);
    QVERIFY(!first.image.isNull());
    QCOMPARE(first.image.width(), first.image.height());
    // the totals band grows over pages: its code lands below the grown text, whole on one page
    int codes = 0;
    for (const Page& page : model.pages)
        for (const ImageItem& image : page.images) {
            ++codes;
            QVERIFY(image.box.top() >= 0 && image.box.bottom() <= model.pageSize.height());
        }
    QCOMPARE(codes, 2);
    QCOMPARE(model.pages.back().images.back().data, QStringLiteral("1250,5"));
    QCOMPARE(model.pages.back().images.back().box.height(), 110.0);
}

namespace {

// Runs a poppler tool on a PDF; its standard output, nothing when it fails.
std::optional<QByteArray> popplerOutput(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        qFatal("%s (poppler-utils) is needed; scripts/deps.sh installs it", qPrintable(tool));
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished() || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

} // namespace

// A line band over rows the routine computed, each row naming its picture: one handed in, one
// handed in broken, one nobody has, none, an image file. The pictures keep their proportions
// centred in the box; the others print nothing. In the PDF the two pictures are there, in
// their colours, where the model puts them.
void TestReportEngine::picturesOverComputedRows()
{
    QTemporaryDir dir;
    QImage wide(200, 100, QImage::Format_RGB32);
    wide.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && wide.save(&buffer, "PNG"));
    QImage tall(50, 100, QImage::Format_RGB32);
    tall.fill(Qt::blue);
    const QString file = dir.filePath(QStringLiteral("kék.png"));
    QVERIFY(tall.save(file));

    ReportJob job = m_job;
    job.pictures = {{QStringLiteral("Abra"), png}, {QStringLiteral("rossz"), png.left(png.size() / 2)}};
    job.rowSets = {{QStringLiteral("ZQ_KEPEK"),
                    {{QStringLiteral("nev"), QStringLiteral("kep")},
                     {{QStringLiteral("széles"), QStringLiteral("abra")},
                      {QStringLiteral("törött"), QStringLiteral("rossz")},
                      {QStringLiteral("ismeretlen"), QStringLiteral("nincs ilyen")},
                      {QStringLiteral("üres"), QString()},
                      {QStringLiteral("fájl"), file}}}}};
    const QByteArray xml = QStringLiteral(
        "<report width=\"800\" height=\"1200\"><page>"
        "<band kind=\"header\" top=\"20\" height=\"20\"><text x=\"0\" y=\"0\" w=\"100\" h=\"20\">"
        "[zq_kepek.NEV]</text></band>"
        "<band kind=\"line\" dataset=\"ZQ_KEPEK\" height=\"110\"><text x=\"0\" y=\"0\" w=\"100\" h=\"20\">"
        "[ZQ_KEPEK.nev]</text><image x=\"100\" y=\"5\" w=\"300\" h=\"100\">[ZQ_KEPEK.Kep]</image></band>"
        "</page></report>").toUtf8();
    PageModel model = layoutReport(parseTemplate(xml, QStringLiteral("próba")), job, m_vars);
    QCOMPARE(model.pages.size(), size_t(1));
    Page& page = model.pages[0];
    QCOMPARE(page.allTexts(), (QStringList{"széles", "széles", "törött", "ismeretlen", "üres", "fájl"}));
    QCOMPARE(page.images.size(), size_t(2));
    QCOMPARE(page.images[0].data, QStringLiteral("abra"));
    QCOMPARE(page.images[0].box, QRectF(150, 45, 200, 100)); // rows start at 40, 110 apart
    QVERIFY(page.images[0].smooth);
    QCOMPARE(page.images[1].data, file);
    QCOMPARE(page.images[1].box, QRectF(225, 40 + 4 * 110 + 5, 50, 100));

    // A null picture in a model is skipped by the painter.
    page.images.push_back({QRectF(500, 600, 100, 100), QImage(), QStringLiteral("semmi"), true});
    const QString pdf = dir.filePath(QStringLiteral("kepek.pdf"));
    writePdf(model, pdf);
    // "page num type width height ...": a header of two lines, then one line per picture
    const QByteArray list = popplerOutput(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).value_or("?");
    const QStringList listed = QString::fromUtf8(list).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(listed.size(), 2 + 2);
    QVERIFY2(listed[2].simplified().startsWith(QStringLiteral("1 0 image 200 100")), qPrintable(listed[2]));
    QVERIFY(popplerOutput(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"), QStringLiteral("48"), QStringLiteral("-png"), pdf,
                           dir.filePath(QStringLiteral("lap"))}));
    const QImage rendered(dir.filePath(QStringLiteral("lap-1.png")));
    QVERIFY(!rendered.isNull());
    const double scale = rendered.width() / 800.0;
    auto colourAt = [&](const QRectF& box) { return rendered.pixelColor((box.center() * scale).toPoint()); };
    const QColor red = colourAt(page.images[0].box), blue = colourAt(page.images[1].box),
                 blank = colourAt(page.images[2].box);
    QVERIFY2(red.red() > 200 && red.green() < 60 && red.blue() < 60, qPrintable(red.name()));
    QVERIFY2(blue.blue() > 200 && blue.red() < 60 && blue.green() < 60, qPrintable(blue.name()));
    QCOMPARE(blank, QColor(Qt::white));
}

void TestReportEngine::bandTallerThanPageContinues()
{
    // 60 lines in a header band on a page 400 high with a 40 high footer
    QStringList numbers;
    for (int i = 1; i <= 60; ++i)
        numbers << QStringLiteral("%1. sor").arg(i);
    const QByteArray xml = wrapPages(QStringLiteral(
        "<page><band kind=\"header\" top=\"10\" height=\"50\">"
        "<text x=\"10\" y=\"0\" w=\"200\" h=\"20\" size=\"8\" frame=\"all\">%1</text></band>"
        "<band kind=\"totals\" top=\"0\" height=\"20\"><text x=\"0\" y=\"0\" w=\"100\" h=\"14\">VÉGE</text></band>"
        "<band kind=\"pagefooter\" height=\"40\"><text x=\"0\" y=\"0\" w=\"200\" h=\"20\">[PAGE#]. lap</text></band>"
        "</page>").arg(numbers.join(QStringLiteral("<br/>"))));
    const PageModel model = layout(xml);
    QVERIFY(model.pages.size() >= 3);
    QStringList printed;
    for (const Page& page : model.pages) {
        QVERIFY(!page.find(QStringLiteral("%1. lap").arg(page.number)).empty());
        for (const TextItem& item : page.texts) {
            if (!item.text().contains(QStringLiteral(". sor")))
                continue;
            for (const TextLine& line : item.lines) {
                printed << line.text;
                QVERIFY2(line.rect.bottom() <= 360.01, qPrintable(line.text)); // above the footer
                QVERIFY(line.rect.top() >= 10 - 0.01);
            }
        }
    }
    QCOMPARE(printed, numbers); // every line once, in order
    // the frame is open where the band continues
    QVERIFY(!model.pages[0].texts[0].frame.bottom);
    QVERIFY(!model.pages[1].texts[0].frame.top);
    QVERIFY(!model.pages.back().find(QStringLiteral("VÉGE")).empty());

    // after another band the tall one starts in the room left on that page, not on a new one
    const QByteArray after = wrapPages(QStringLiteral(
        "<page><band kind=\"header\" top=\"10\" height=\"100\"><text x=\"0\" y=\"0\" w=\"100\" h=\"14\">FEJ</text>"
        "</band><band kind=\"totals\" top=\"0\" height=\"20\">"
        "<text x=\"10\" y=\"0\" w=\"200\" h=\"20\" size=\"8\">%1</text></band></page>").arg(numbers.join(QStringLiteral("<br/>"))));
    const PageModel continued = layout(after);
    QCOMPARE(continued.pages[0].allTexts().first(), QStringLiteral("FEJ"));
    QVERIFY(continued.pages[0].find(QStringLiteral("1. sor")).at(0)->box.top() < 111);
}

void TestReportEngine::paintedAsDrawText_data()
{
    QTest::addColumn<QStringList>("texts"); // one item each, below each other
    QTest::addColumn<QList<int>>("sizes"); // its point size; bold when negative
    QTest::addColumn<QList<int>>("aligns"); // HAlign
    const QString amount = QStringLiteral("1 250,50");
    QTest::newRow("one text in two fonts and back")
        << QStringList{amount, amount, amount, amount} << QList<int>{8, 10, -10, 8} << QList<int>{0, 0, 0, 0};
    QTest::newRow("one text in every alignment")
        << QStringList{amount, amount, amount} << QList<int>{8, 8, 8} << QList<int>{0, 1, 2};
    QTest::newRow("blanks around the text")
        << QStringList{QStringLiteral(" Összesen: "), QStringLiteral("Összesen:"), QStringLiteral(" Összesen: ")}
        << QList<int>{9, 9, 9} << QList<int>{2, 2, 1};
    QTest::newRow("characters drawText treats itself")
        << QStringList{QStringLiteral("Kovács & Társa"), QStringLiteral("a\tb"), QString(), QStringLiteral("Kovács & Társa")}
        << QList<int>{8, 8, 8, 8} << QList<int>{0, 2, 0, 1};
}

void TestReportEngine::paintedAsDrawText()
{
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, aligns);
    PageModel model;
    model.pageSize = QSizeF(400, 300);
    model.pages.emplace_back();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        TextItem item;
        item.box = QRectF(20, 10 + 30 * static_cast<double>(i), 300, 24);
        item.font.pointSize = std::abs(sizes[i]);
        item.font.bold = sizes[i] < 0;
        item.align = static_cast<HAlign>(aligns[i]);
        item.lines.push_back({item.box.adjusted(2, 1, -2, 0), texts[i]});
        model.pages[0].texts.push_back(item);
    }
    auto blank = [] {
        QImage image(800, 600, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    };
    QImage painted = blank();
    {
        QPainter painter(&painted);
        paintPage(painter, model, model.pages[0]);
    }
    // what the painter's own drawText paints for each line, at the same scale
    QImage expected = blank();
    {
        QPainter painter(&expected);
        painter.scale(2, 2);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setPen(Qt::black);
        for (const TextItem& item : model.pages[0].texts) {
            QFont font(item.font.family);
            font.setPointSizeF(item.font.pointSize * kUnitsPerInch / expected.logicalDpiY());
            font.setBold(item.font.bold);
            painter.setFont(font);
            const Qt::Alignment align = item.align == HAlign::Right    ? Qt::AlignRight
                                        : item.align == HAlign::Center ? Qt::AlignHCenter
                                                                       : Qt::AlignLeft;
            painter.drawText(item.lines[0].rect, static_cast<int>(align | Qt::AlignTop) | Qt::TextDontClip | Qt::TextSingleLine,
                             item.lines[0].text);
        }
    }
    QVERIFY(painted != blank());
    QVERIFY(painted == expected);
}

void TestReportEngine::pdfText()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("próba.pdf"));
    PageModel model = layout(oneText(QStringLiteral("Árvíztűrő tükörfúrógép [v_num]")));
    model.title = QStringLiteral("Próba");
    writePdf(model, file);
    QProcess process;
    process.start(pdftotext, {file, QStringLiteral("-")});
    QVERIFY(process.waitForFinished());
    QVERIFY(QString::fromUtf8(process.readAllStandardOutput()).contains(QStringLiteral("Árvíztűrő tükörfúrógép 1250,5")));
    // an unwritable place gives an error and no file
    QVERIFY_THROWS_EXCEPTION(FileError, writePdf(model, dir.filePath(QStringLiteral("nincs/ilyen.pdf"))));
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
