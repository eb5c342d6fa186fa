// The shipped templates laid out on fixed documents: the pages (text and positions) are compared
// with golden files, so that any layout change shows up as a diff; and an invoice with four VAT
// rates keeps every rate in its summary, the rows add up, and nothing below is overdrawn.
// ORVENA_UPDATE_GOLDEN=1 rewrites the golden files (see tests/reports/golden/README.md).
#include "delivery/printdeliverynote.h"
#include "invoice/printinvoice.h"
#include "reports/pagedump.h"
#include "reports/recordingpresenter.h"
#include "reports/reporttemplate.h"
#include "support/fakes.h"

#include "db/conversions.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>

using namespace orvena;
using namespace orvena::reports;
using namespace orvena::test;

namespace {

const QString kNumber = QStringLiteral("20260001");

QString goldenFolder()
{
    return QStringLiteral(ORVENA_SOURCE_DIR "/tests/reports/golden");
}

QString readText(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool writeText(const QString& fileName, const QString& text)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

// The statements of an input file: "--" comment lines dropped, each statement ends with ";" at
// the end of a line.
QStringList statements(const QString& sql)
{
    QStringList out;
    QString current;
    for (const QString& line : sql.split(u'\n')) {
        if (line.trimmed().startsWith(QStringLiteral("--")))
            continue;
        current += line + u'\n';
        if (line.trimmed().endsWith(u';')) {
            out << current.trimmed().chopped(1);
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

// Where a line's letters are: one rect per run of non-blank characters (templates place words
// with runs of blanks), placed by the object's alignment, as high as the font's ascent and descent.
class Ink {
public:
    Ink() : m_device(1, 1, QImage::Format_RGB32)
    {
        const int dotsPerMeter = qRound(kUnitsPerInch / 0.0254);
        m_device.setDotsPerMeterX(dotsPerMeter);
        m_device.setDotsPerMeterY(dotsPerMeter);
    }

    std::vector<QRectF> of(const TextItem& item, const TextLine& line)
    {
        const QFontMetricsF& fm = metrics(item.font);
        const double full = fm.horizontalAdvance(line.text);
        double left = line.rect.left();
        if (item.align == HAlign::Right)
            left = line.rect.right() - full;
        else if (item.align == HAlign::Center)
            left = line.rect.center().x() - full / 2;
        std::vector<QRectF> words;
        static const QRegularExpression word(QStringLiteral("\\S+"));
        for (const QRegularExpressionMatch& m : word.globalMatch(line.text))
            words.emplace_back(left + fm.horizontalAdvance(line.text.left(m.capturedStart())), line.rect.top(),
                               fm.horizontalAdvance(m.captured()), fm.ascent() + fm.descent());
        return words;
    }

private:
    const QFontMetricsF& metrics(const FontSpec& face)
    {
        const QString key = QStringLiteral("%1|%2|%3|%4").arg(face.family).arg(face.pointSize).arg(face.bold).arg(face.italic);
        auto it = m_metrics.find(key);
        if (it == m_metrics.end()) {
            QFont font(face.family);
            font.setPointSizeF(face.pointSize);
            font.setBold(face.bold);
            font.setItalic(face.italic);
            it = m_metrics.emplace(key, QFontMetricsF(font, &m_device)).first;
        }
        return it->second;
    }

    QImage m_device;
    std::map<QString, QFontMetricsF> m_metrics;
};

// Letters of different objects drawn over each other, as "page: a / b".
QStringList overdrawnLines(const PageModel& model)
{
    struct Word {
        size_t item;
        QRectF ink;
        QString line;
    };
    Ink ink;
    QStringList found;
    for (const Page& page : model.pages) {
        std::vector<Word> words;
        for (size_t i = 0; i < page.texts.size(); ++i)
            for (const TextLine& line : page.texts[i].lines)
                for (const QRectF& rect : ink.of(page.texts[i], line))
                    words.push_back({i, rect, line.text});
        for (size_t a = 0; a < words.size(); ++a)
            for (size_t b = a + 1; b < words.size(); ++b) {
                if (words[a].item == words[b].item)
                    continue;
                const QRectF common = words[a].ink.intersected(words[b].ink);
                if (common.width() > 0.5 && common.height() > 0.5)
                    found << QStringLiteral("page %1: \"%2\" / \"%3\"").arg(page.number).arg(words[a].line, words[b].line);
            }
    }
    return found;
}

double amount(const QString& text)
{
    QString plain = text.trimmed();
    plain.remove(u' ');
    return parseDouble(plain);
}

} // namespace

class TestReportGolden : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void goldenPages_data();
    void goldenPages();
    void fourVatRates_data();
    void fourVatRates();

private:
    void addInput(const QString& caseName);

    std::unique_ptr<TestSession> m_session;
    RecordingPresenter m_presenter;
};

void TestReportGolden::initTestCase()
{
    m_session = std::make_unique<TestSession>();
    m_session->context.reports = &m_presenter;
    QVERIFY(QDir::setCurrent(templateFolder()));
}

void TestReportGolden::init()
{
    DB_VERIFY(m_session->db.reset());
    DB_VERIFY(m_session->db.addDemoData());
    m_session->ui.clear();
    m_presenter.presented.clear();
}

void TestReportGolden::addInput(const QString& caseName)
{
    const QString sql = readText(goldenFolder() + u'/' + caseName + QStringLiteral("/input.sql"));
    QVERIFY2(!sql.isEmpty(), qPrintable(caseName));
    for (const QString& statement : statements(sql))
        DB_VERIFY(m_session->db.exec(statement));
}

void TestReportGolden::goldenPages_data()
{
    QTest::addColumn<QString>("caseName");
    const QStringList cases = QDir(goldenFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY(cases.size() >= 4);
    for (const QString& c : cases)
        QTest::newRow(qPrintable(c)) << c;
}

void TestReportGolden::goldenPages()
{
    QFETCH(QString, caseName);
    addInput(caseName);
    if (caseName.startsWith(QStringLiteral("Szamla")))
        DB_VERIFY(PrintInvoice(m_session->context, kNumber));
    else
        DB_VERIFY(PrintDeliveryNote(m_session->context, kNumber));
    QCOMPARE(m_presenter.presented.size(), size_t(1));
    const PageModel& model = m_presenter.last();
    QCOMPARE(model.source, caseName + QStringLiteral(".frf"));

    const QString actual = pageDump(model);
    const QString goldenFile = goldenFolder() + u'/' + caseName + QStringLiteral("/pages.txt");
    if (qEnvironmentVariableIsSet("ORVENA_UPDATE_GOLDEN")) {
        QVERIFY(writeText(goldenFile, actual));
        qInfo("rewrote %s", qPrintable(goldenFile));
    }
    QVERIFY2(overdrawnLines(model).isEmpty(), qPrintable(overdrawnLines(model).join(u'\n')));
    // A short document fits one page per copy: the summary, the words and the closing lines stay
    // on the page of its lines.
    QCOMPARE(model.pages.size(), loadTemplate(caseName + QStringLiteral(".frf")).pages.size());
    const QString expected = readText(goldenFile);
    QVERIFY2(!expected.isEmpty(), qPrintable(QStringLiteral("%1 is missing; ORVENA_UPDATE_GOLDEN=1 writes it").arg(goldenFile)));
    if (actual == expected)
        return;
    const QString actualOut =
        QStringLiteral("%1/golden-actual/%2/pages.txt").arg(QCoreApplication::applicationDirPath(), caseName);
    writeText(actualOut, actual);
    const QStringList a = actual.split(u'\n');
    const QStringList e = expected.split(u'\n');
    qsizetype line = 0;
    while (line < a.size() && line < e.size() && a[line] == e[line])
        ++line;
    QFAIL(qPrintable(QStringLiteral("the layout differs from %1 at line %2:\n  expected: %3\n  actual:   %4\n"
                                    "diff %1 %5 shows all; ORVENA_UPDATE_GOLDEN=1 accepts it")
                         .arg(goldenFile)
                         .arg(line + 1)
                         .arg(line < e.size() ? e[line] : QStringLiteral("(end)"),
                              line < a.size() ? a[line] : QStringLiteral("(end)"), actualOut)));
}

void TestReportGolden::fourVatRates_data()
{
    QTest::addColumn<QString>("labelSet");
    QTest::addColumn<QString>("layout"); // a compiled-in layout put in place of the template file
    QTest::newRow("Szamla2.frf") << "00002" << "";
    QTest::newRow("Szamla3.frf") << "00003" << "";
    QTest::newRow("compiled-in invoice layout") << "00003" << ":/layouts/invoice.frf";
}

void TestReportGolden::fourVatRates()
{
    QFETCH(QString, labelSet);
    QFETCH(QString, layout);
    addInput(QStringLiteral("Szamla2"));
    DB_VERIFY(m_session->db.exec(QStringLiteral("UPDATE szlafej SET fmKod = '%1'").arg(labelSet)));
    QTemporaryDir folder;
    if (!layout.isEmpty()) {
        // the compiled-in layout is registered once the engine has prepared a report
        DB_VERIFY(PrintInvoice(m_session->context, kNumber));
        QVERIFY(QFile::copy(layout, folder.filePath(QStringLiteral("Szamla3.frf"))));
        QVERIFY(QDir::setCurrent(folder.path()));
    }
    DB_VERIFY(PrintInvoice(m_session->context, kNumber));
    QVERIFY(QDir::setCurrent(templateFolder()));

    const PageModel& model = m_presenter.last();
    QVERIFY2(overdrawnLines(model).isEmpty(), qPrintable(overdrawnLines(model).join(u'\n')));
    const QStringList rates{"18%", "27%", "5% ", "AAM"}; // ascending VAT names, first three letters
    const double totalNet = amount(m_presenter.variables().value(QStringLiteral("v_AFA_SUMnetto")));
    const double totalTax = amount(m_presenter.variables().value(QStringLiteral("v_AFA_SUMafa")));
    QVERIFY(totalNet > 0 && totalTax > 0);
    int summaries = 0;
    for (const Page& page : model.pages) {
        if (page.find(QStringLiteral("Adóösszesités")).empty())
            continue; // a page of invoice lines
        ++summaries;
        // the rate column and the three amount columns beside it, left to right
        const auto names = std::find_if(page.texts.begin(), page.texts.end(), [](const TextItem& t) {
            return t.text().startsWith(QStringLiteral("18%\n27%"));
        });
        QVERIFY2(names != page.texts.end(), qPrintable(page.allTexts().join(u'|')));
        std::vector<const TextItem*> columns;
        for (const TextItem& t : page.texts)
            if (qAbs(t.box.top() - names->box.top()) < 0.01)
                columns.push_back(&t);
        std::sort(columns.begin(), columns.end(), [](auto* a, auto* b) { return a->box.left() < b->box.left(); });
        QCOMPARE(columns.size(), size_t(4));
        QCOMPARE(columns[0]->text().split(u'\n'), rates);
        for (const TextItem* column : columns)
            QVERIFY2(column->lines.size() == 4, qPrintable(column->text()));
        double net = 0, tax = 0;
        for (size_t row = 0; row < 4; ++row) {
            for (const TextItem* column : columns) {
                // every row inside its box and level with its rate
                const TextLine& line = column->lines[row];
                QVERIFY(line.rect.bottom() <= column->box.bottom() + 0.01);
                QVERIFY(qAbs(line.rect.top() - columns[0]->lines[row].rect.top()) < 0.01);
            }
            const double rowNet = amount(columns[1]->lines[row].text);
            const double rowTax = amount(columns[2]->lines[row].text);
            const double rowGross = amount(columns[3]->lines[row].text);
            QVERIFY(qAbs(rowNet + rowTax - rowGross) < 0.005);
            net += rowNet;
            tax += rowTax;
        }
        // the rows add up to the totals the invoice prints
        QVERIFY2(qAbs(net - totalNet) < 0.005, qPrintable(QString::number(net)));
        QVERIFY2(qAbs(tax - totalTax) < 0.005, qPrintable(QString::number(tax)));
        // everything that starts below the summary's first row starts below its last row
        double bottom = 0;
        for (const TextItem* c : columns)
            bottom = std::max(bottom, c->box.bottom());
        for (const TextItem& t : page.texts)
            if (t.box.top() > names->box.top() + 0.01)
                QVERIFY2(t.box.top() >= bottom - 0.01, qPrintable(t.text()));
        for (const LineItem& rule : page.rules)
            if (rule.from.y() > names->box.top() + 0.01)
                QVERIFY(rule.from.y() >= bottom - 0.01);
    }
    QCOMPARE(summaries, 3); // one summary in each copy
}

QTEST_MAIN(TestReportGolden)
#include "tst_reportgolden.moc"
