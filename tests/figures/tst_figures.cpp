// The figures of a period against sums computed by hand over seeded invoices (a forint invoice of
// two rates, a EUR invoice, a storno in the next month, a discounted JPY invoice, an unprinted
// invoice and one outside the period that must not count), through the real "Kimutatások" window:
// its table, its chart's values, its print (a PDF with the chart as a picture), its CSV export
// byte for byte, and the accountant's export from the window and from the command line.
#include "support/invoiceseed.h"
#include "support/modaldriver.h"
#include "support/testdatabase.h"
#include "support/windowsession.h"

#include "db/conversions.h"
#include "billing/invoicesums.h"
#include "billing/openbalance.h"
#include "figures/figures.h"
#include "figures/ui/figuresdialog.h"
#include "app/session.h"
#include "reports/reportengine.h"
#include "reports/ui/reportpreview.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QValueAxis>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

namespace {


const QString kAccountingA = QStringLiteral(
    "20100001;számla;2026.01.15;2026.01.14;2026.01.29;Kovács Kft;12345678-2-41;3000,00;810,00;3810,00;0,00;0,00;0,00;"
    "99,99;5,00;104,99;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;3099,99;815,00;3914,99;Ft;0;"
    "átutalás;2026.02.03");
const QString kAccountingB = QStringLiteral(
    "20100002;számla;2026.01.20;2026.01.20;2026.02.03;\"Szőke; Társa \"\"Bt\"\"\";;8337,00;2252,00;10589,00;0,00;0,00;"
    "0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;8337,00;2252,00;10589,00;EUR;"
    "395,12;átutalás;2026.02.10");

} // namespace

class Figures : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowSession> s;

    void header(const QString& number, const QString& issued, const QString& customer, const QString& currency,
                const QString& rate, const QString& discount, bool printed, const QString& performed = {})
    {
        const QDate d = QDate::fromString(issued, Qt::ISODate);
        test::seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), number},
                                        {QStringLiteral("fTkelt"), performed.isEmpty() ? issued : performed},
                                        {QStringLiteral("fRkelt"), issued},
                                        {QStringLiteral("fFkelt"), d.addDays(14).toString(Qt::ISODate)},
                                        {QStringLiteral("fFizmod"), QStringLiteral("átutalás")},
                                        {QStringLiteral("fPrn"), printed ? QStringLiteral("I") : QStringLiteral(" ")},
                                        {QStringLiteral("fKerek"), discount},
                                        {QStringLiteral("fArfoly"), rate},
                                        {QStringLiteral("fPnem"), currency},
                                        {QStringLiteral("fvKod"), customer}});
    }
    void line(const QString& number, const QString& article, const QString& quantity, const QString& price,
              const QString& vatCode, int percent)
    {
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sMe, sEar, skAfakod, sAfanev, sAfa) "
                                  "VALUES ('%1', '%2', 'Cikk %2', %3, 'db', %4, '%5', '%6% kulcs', %6)")
                       .arg(number, article, quantity, price, vatCode)
                       .arg(percent));
    }

    std::unique_ptr<QDialog> openFigures(const QString& from, const QString& to)
    {
        std::unique_ptr<QDialog> dialog(s->registry.create(Screen::Figures));
        dialog->show();
        if (!QTest::qWaitForWindowActive(dialog.get()))
            qWarning("the figures window never became active");
        for (auto [name, text] : {std::pair{"fromField", from}, std::pair{"toField", to}}) {
            auto* e = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
            e->selectAll();
            QTest::keyClicks(e, text);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("refreshButton")), Qt::LeftButton);
        return dialog;
    }
    static QStringList gridRows(QDialog* dialog)
    {
        auto* model = qobject_cast<QStandardItemModel*>(dialog->findChild<QTableView*>(QStringLiteral("grid"))->model());
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                cells << model->item(r, c)->text();
            rows << cells.join(u'|');
        }
        return rows;
    }
    // Runs a poppler tool; its standard output.
    static QString poppler(const QString& tool, const QStringList& arguments)
    {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty())
            qFatal("%s (poppler-utils) is needed; scripts/deps.sh installs it", qPrintable(tool));
        QProcess p;
        p.start(program, arguments);
        return p.waitForFinished() && p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput())
                                                         : QStringLiteral("<%1 failed>").arg(tool);
    }
    // Prints through the window's button; the preview saves the PDF into `path`.
    static void printThrough(QDialog* dialog, const QString& path)
    {
        ModalDriver driver;
        driver.window(QStringLiteral("ReportPreview"), [&](QWidget* shown) {
            QVERIFY(qobject_cast<reports::ReportPreviewDialog*>(shown)->saveAsPdf(path));
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("printButton")), Qt::LeftButton);
        if (!driver.wait())
            qWarning("%s", qPrintable(driver.failures().join(u'\n')));
    }
    // Saves through the window's own file dialog; returns the file's bytes.
    QByteArray saveThrough(QDialog* dialog, const char* buttonName, const QString& path, const QString& doneText)
    {
        ModalDriver driver;
        driver
            .window(QStringLiteral("fileDialog"),
                    [&](QWidget* w) {
                        // Typed into the dialog's own name field and confirmed with Enter.
                        auto* files = static_cast<QFileDialog*>(w);
                        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                        name->setFocus();
                        name->setText(path);
                        QTest::keyClick(name, Qt::Key_Return);
                    })
            .box(doneText, QStringLiteral("OK"));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(buttonName)), Qt::LeftButton);
        if (!driver.wait())
            qWarning("%s", qPrintable(driver.failures().join(u'\n')));
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void initTestCase() { applyProgramLocale(); }
    void init()
    {
        s = std::make_unique<WindowSession>();
        s->db.reset();
        s->db.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve, vAdo) VALUES ('1', 'Kovács Kft', '12345678-2-41'), "
                                  "('2', 'Szőke; Társa \"Bt\"', '')"));
        s->db.exec(QStringLiteral("INSERT INTO afa (kAfakod, kAfanev, kAfa, kNavTipus) VALUES ('T27', '27% kulcs', 27, "
                                  "'PERCENTAGE'), ('T5', '5% kulcs', 5, 'PERCENTAGE')"));
        // January: a forint invoice of two rates (99,99 x 5 % = 4,9995 -> 5,00) and a EUR one
        // (21,10 x 395,12 = 8337,03 -> 8337; 5,70 x 395,12 = 2252,18 -> 2252).
        header(QStringLiteral("20100001"), QStringLiteral("2026-01-15"), QStringLiteral("1"), QStringLiteral("Ft"),
               QStringLiteral("0"), QStringLiteral("0"), true, QStringLiteral("2026-01-14"));
        line(QStringLiteral("20100001"), QStringLiteral("A1"), QStringLiteral("3"), QStringLiteral("1000"), QStringLiteral("T27"), 27);
        line(QStringLiteral("20100001"), QStringLiteral("A2"), QStringLiteral("1"), QStringLiteral("99.99"), QStringLiteral("T5"), 5);
        header(QStringLiteral("20100002"), QStringLiteral("2026-01-20"), QStringLiteral("2"), QStringLiteral("EUR"),
               QStringLiteral("395.12"), QStringLiteral("0"), true);
        line(QStringLiteral("20100002"), QStringLiteral("A3"), QStringLiteral("2"), QStringLiteral("10.55"), QStringLiteral("T27"), 27);
        // February: the storno of the first, in its own month, and a JPY invoice with 10 % discount
        // (900 x 2,6543 = 2388,87 -> 2389; 243 x 2,6543 = 644,99 -> 645).
        header(QStringLiteral("20100003"), QStringLiteral("2026-02-03"), QStringLiteral("1"), QStringLiteral("Ft"),
               QStringLiteral("0"), QStringLiteral("0"), true, QStringLiteral("2026-01-14"));
        line(QStringLiteral("20100003"), QStringLiteral("A1"), QStringLiteral("-3"), QStringLiteral("1000"), QStringLiteral("T27"), 27);
        line(QStringLiteral("20100003"), QStringLiteral("A2"), QStringLiteral("-1"), QStringLiteral("99.99"), QStringLiteral("T5"), 5);
        s->db.exec(QStringLiteral("INSERT INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES ('20100003', 'STORNO', '20100001')"));
        // the EUR invoice paid in two parts, settled by the second; the storno pair settles itself
        s->db.exec(QStringLiteral("INSERT INTO szlafizetes (pBszam, pDatum, pOsszeg, pMod, pRogzitette, pRogzitve) "
                                  "SELECT '20100002', '2026-02-01', 10, 'átutalás', 'teszt', NOW() UNION ALL "
                                  "SELECT '20100002', '2026-02-10', eFizetendo - 10, 'átutalás', 'teszt', NOW() "
                                  "FROM szlaegyenleg WHERE eBszam = '20100002'"));
        header(QStringLiteral("20100004"), QStringLiteral("2026-02-10"), QStringLiteral("1"), QStringLiteral("JPY"),
               QStringLiteral("2.6543"), QStringLiteral("10"), true);
        line(QStringLiteral("20100004"), QStringLiteral("A1"), QStringLiteral("1"), QStringLiteral("1000"), QStringLiteral("T27"), 27);
        // Not counted: unprinted, and printed before the period.
        header(QStringLiteral("20100005"), QStringLiteral("2026-01-25"), QStringLiteral("1"), QStringLiteral("Ft"),
               QStringLiteral("0"), QStringLiteral("0"), false);
        line(QStringLiteral("20100005"), QStringLiteral("A1"), QStringLiteral("7"), QStringLiteral("1000"), QStringLiteral("T27"), 27);
        header(QStringLiteral("20100006"), QStringLiteral("2025-12-31"), QStringLiteral("1"), QStringLiteral("Ft"),
               QStringLiteral("0"), QStringLiteral("0"), true);
        line(QStringLiteral("20100006"), QStringLiteral("A1"), QStringLiteral("7"), QStringLiteral("1000"), QStringLiteral("T27"), 27);
        // the seeded invoices get their sums as the setup writes them for an earlier database
        backfillInvoiceSums(s->db.admin());
    }
    void cleanup() { s.reset(); }

    // Every view over the same invoices: rows and the total line, in the table of the window.
    void viewsMatchHandSums_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QStringList>("rows");
        const QString from = QStringLiteral("2026.01.01");
        QTest::newRow("by month") << 0 << from
                                  << QStringList{"2026.01|11 436,99|3 067,00|14 503,99|2",
                                                 "2026.02|-710,99|-170,00|-880,99|2",
                                                 "Összesen|10 726,00|2 897,00|13 623,00|4"};
        QTest::newRow("by customer") << 1 << from
                                     << QStringList{"2|Szőke; Társa \"Bt\"|8 337,00|2 252,00|10 589,00|1",
                                                    "1|Kovács Kft|2 389,00|645,00|3 034,00|3",
                                                    "Összesen||10 726,00|2 897,00|13 623,00|4"};
        QTest::newRow("by article") << 2 << from
                                    << QStringList{"A3|Cikk A3|8 337,00|2 252,00|10 589,00|1",
                                                   "A1|Cikk A1|2 389,00|645,00|3 034,00|3",
                                                   "A2|Cikk A2|0,00|0,00|0,00|2",
                                                   "Összesen||10 726,00|2 897,00|13 623,00|4"};
        QTest::newRow("VAT analytics") << 3 << from
                                       << QStringList{"T27|27% kulcs|27|PERCENTAGE|10 726,00|2 897,00|13 623,00|4",
                                                      "T5|5% kulcs|5|PERCENTAGE|0,00|0,00|0,00|2",
                                                      "Összesen||||10 726,00|2 897,00|13 623,00|4"};
        // no invoice in the period: nothing but the total line, and a chart without bars
        QTest::newRow("empty period") << 1 << QStringLiteral("2026.03.01") << QStringList{"Összesen||0,00|0,00|0,00|0"};
    }
    void viewsMatchHandSums()
    {
        QFETCH(int, view);
        QFETCH(QString, from);
        QFETCH(QStringList, rows);
        // issued again (a repeated issue): the kept sums and the days' rows stay the lines' sums
        recordInvoiceSums(s->db.admin(), QStringLiteral("20100002"));
        recordInvoiceSums(s->db.admin(), QStringLiteral("20100003"));
        const QString to = formatDate(parseDate(from).addMonths(2).addDays(-1));
        std::unique_ptr<QDialog> dialog = openFigures(from, to);
        auto* box = dialog->findChild<QComboBox*>(QStringLiteral("viewBox"));
        box->setCurrentIndex(view);
        QCOMPARE(gridRows(dialog.get()), rows);
        // The chart follows the view: net and VAT per row, in forints.
        QChart* chart = dialog->findChild<QChartView*>(QStringLiteral("chart"))->chart();
        QCOMPARE(chart->series().size(), 1);
        auto* series = qobject_cast<QBarSeries*>(chart->series().first());
        QVERIFY(series);
        const auto& table = static_cast<FiguresDialog*>(dialog.get())->table();
        QCOMPARE(series->barSets().size(), 2);
        QCOMPARE(series->barSets()[0]->count(), int(table.rows.size()));
        for (int i = 0; i < int(table.rows.size()); ++i) {
            QCOMPARE(series->barSets()[0]->at(i), double(table.rows[size_t(i)].net.filler()) / 100.0);
            QCOMPARE(series->barSets()[1]->at(i), double(table.rows[size_t(i)].vat.filler()) / 100.0);
        }

        // Printed from the window: title, period, every cell of the rows and the total as on
        // screen, and the chart as one picture that is not blank.
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("kimutatas.pdf"));
        const QString before = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(ORVENA_SOURCE_DIR "/templates")); // the working folder's template
        printThrough(dialog.get(), pdf);
        QDir::setCurrent(before);
        const QString text = poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QStringList expected{figures::viewTitle(figures::View(view)), from + QStringLiteral(" - ") + to};
        for (const QString& row : rows)
            expected << row.split(u'|', Qt::SkipEmptyParts);
        for (const QString& cell : expected)
            QVERIFY2(text.contains(cell), qPrintable(cell + u'\n' + text));
        const QStringList images =
            poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(images.size(), 2 + 1); // two header lines, one picture
        QVERIFY2(images[2].simplified().startsWith(QStringLiteral("1 0 image 1376 600")), qPrintable(images[2]));
        poppler(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, dir.filePath(QStringLiteral("abra"))});
        const QImage picture(dir.filePath(QStringLiteral("abra-000.png")));
        QCOMPARE(picture.size(), QSize(1376, 600));
        int coloured = 0; // pixels neither white nor grey: the bars
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 4) {
                const QColor c = picture.pixelColor(x, y);
                coloured += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 60;
            }
        QVERIFY2((coloured > 100) == (rows.size() > 1), qPrintable(QString::number(coloured)));
    }

    // The chart of the months, its categories and values, and the CSV file byte for byte.
    void monthChartAndCsv()
    {
        // An invoice's sums written again (an issue repeated) replace its earlier ones, on its day too.
        recordInvoiceSums(s->db.admin(), QStringLiteral("20100002"));
        recordInvoiceSums(s->db.admin(), QStringLiteral("20100005")); // not issued: nothing
        std::unique_ptr<QDialog> dialog = openFigures(QStringLiteral("2026.01.01"), QStringLiteral("2026.02.28"));
        QChart* chart = dialog->findChild<QChartView*>(QStringLiteral("chart"))->chart();
        auto* series = qobject_cast<QBarSeries*>(chart->series().first());
        QCOMPARE(series->barSets()[0]->at(0), 11436.99);
        QCOMPARE(series->barSets()[0]->at(1), -710.99);
        QCOMPARE(series->barSets()[1]->at(0), 3067.0);
        auto* axis = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).first());
        QCOMPARE(axis->categories(), (QStringList{"2026.01", "2026.02"}));
        QVERIFY(!axis->truncateLabels()); // "18% kedvezményes" is never cut
        // the amounts' ticks on round values, nought among them, written as "12 500"
        auto* values = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).first());
        QCOMPARE((QList<double>{values->min(), values->max(), values->tickInterval(), values->tickAnchor()}),
                 (QList<double>{-2500, 12500, 2500, 0}));
        QVERIFY(chart->localizeNumbers());
        QCOMPARE(chart->locale().toString(12500.0, 'f', 0), QStringLiteral("12\u00a0500"));

        QTemporaryDir dir;
        const QByteArray csv = saveThrough(dialog.get(), "csvButton", dir.filePath(QStringLiteral("honap.csv")),
                                           QStringLiteral("A kimutatás elkészült"));
        QCOMPARE(csv, QStringLiteral("Hónap;Nettó (Ft);ÁFA (Ft);Bruttó (Ft);Számlák\r\n"
                                     "2026.01;11436,99;3067,00;14503,99;2\r\n"
                                     "2026.02;-710,99;-170,00;-880,99;2\r\n"
                                     "Összesen;10726,00;2897,00;13623,00;4\r\n")
                          .toUtf8());
    }

    // The 20 largest customers one by one, the others in one "Egyéb" row; the total counts all.
    void topTwentyAndTheRest()
    {
        for (int i = 0; i < 22; ++i) {
            const QString number = QString::number(20100100 + i), code = QStringLiteral("C%1").arg(i);
            header(number, QStringLiteral("2026-03-01"), code, QStringLiteral("Ft"), QStringLiteral("0"),
                   QStringLiteral("0"), true);
            line(number, QStringLiteral("A1"), QString::number(i + 1), QStringLiteral("100"), QStringLiteral("T27"), 27);
            recordInvoiceSums(s->db.admin(), number);
        }
        const figures::Table t = figures::compute(s->data, figures::View::Customer,
                                                  {QDate(2026, 3, 1), QDate(2026, 3, 31)});
        QCOMPARE(int(t.rows.size()), figures::kTopCount + 1);
        QCOMPARE(t.rows.front().labels.first(), QStringLiteral("C21"));
        QCOMPARE(t.rows.back().labels, (QStringList{QString(), QStringLiteral("Egyéb")}));
        QCOMPARE(t.rows.back().net.filler(), qint64(30000)); // C0 and C1: 100 + 200 forints
        QCOMPARE(t.rows.back().invoices, qint64(2));
        QCOMPARE(t.total.net.filler(), qint64(2530000)); // 100 x (1 + ... + 22) forints
        QCOMPARE(t.total.invoices, qint64(22));
    }

    // Two workstations issuing neighbouring numbers at once: neither waits for the other's
    // transaction (only one issuing on the same day would, for that day's row).
    void twoWorkstationsIssueAtOnce()
    {
        for (auto [number, day] : {std::pair{"20100007", "2026-03-02"}, std::pair{"20100008", "2026-03-03"}}) {
            header(QLatin1String(number), QLatin1String(day), QStringLiteral("1"), QStringLiteral("Ft"),
                   QStringLiteral("0"), QStringLiteral("0"), true);
            line(QLatin1String(number), QStringLiteral("A1"), QStringLiteral("1"), QStringLiteral("100"),
                 QStringLiteral("T27"), 27);
        }
        Connection& first = s->db.admin();
        Connection& second = s->data.connection();
        second.execute("SET SESSION innodb_lock_wait_timeout = 2");
        first.execute("START TRANSACTION");
        recordInvoiceSums(first, QStringLiteral("20100007"));
        refreshOpenBalance(first, QStringLiteral("20100007"));
        second.execute("START TRANSACTION");
        QString failure;
        try {
            recordInvoiceSums(second, QStringLiteral("20100008"));
            refreshOpenBalance(second, QStringLiteral("20100008"));
            second.execute("COMMIT");
        } catch (const Error& e) {
            failure = e.text();
            second.execute("ROLLBACK");
        }
        first.execute("COMMIT");
        second.execute("SET SESSION innodb_lock_wait_timeout = DEFAULT");
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        for (const figures::View view : {figures::View::Month, figures::View::Article, figures::View::Vat}) {
            const figures::Table t = figures::compute(s->data, view, {QDate(2026, 3, 1), QDate(2026, 3, 31)});
            QCOMPARE(t.total.invoices, qint64(2));
            QCOMPARE(t.total.net.filler(), qint64(20000));
            QCOMPARE(t.rows.size(), size_t(1)); // one month, one article, one rate
            QCOMPARE(t.rows.front().invoices, qint64(2));
        }
        QCOMPARE(s->db.rows(QStringLiteral("SELECT yBszam FROM szlanyitott WHERE yBszam > '20100006' ORDER BY 1")),
                 (QStringList{"20100007", "20100008"}));
    }

    // The accountant's export from the window and from the command line: one row per issued
    // invoice, per rate in forints, the storno and the advance invoice marked, a name with ";" and
    // quotes quoted; the 0 % rate, exempt and out-of-scope amounts each in their own columns.
    void accountingExport()
    {
        QTemporaryDir dir;
        s->db.exec(QStringLiteral("INSERT INTO szlajelleg (jBszam, jJelleg) VALUES ('20100004', 'ELOLEG')"));
        s->db.exec(QStringLiteral("INSERT INTO afa (kAfakod, kAfanev, kAfa, kNavTipus, kNavKod, kNavIndok) VALUES "
                                  "('T0', '0% kulcs', 0, 'PERCENTAGE', NULL, NULL), ('AAM', 'AAM', 0, 'VAT_EXEMPTION', "
                                  "'AAM', 'Alanyi adómentes'), ('ATK', 'ATK', 0, 'VAT_OUT_OF_SCOPE', 'ATK', 'Kívül')"));
        header(QStringLiteral("20100007"), QStringLiteral("2026-02-15"), QStringLiteral("1"), QStringLiteral("Ft"),
               QStringLiteral("0"), QStringLiteral("0"), true);
        line(QStringLiteral("20100007"), QStringLiteral("A1"), QStringLiteral("2"), QStringLiteral("500"), QStringLiteral("T0"), 0);
        line(QStringLiteral("20100007"), QStringLiteral("A2"), QStringLiteral("1"), QStringLiteral("300"), QStringLiteral("AAM"), 0);
        line(QStringLiteral("20100007"), QStringLiteral("A3"), QStringLiteral("1"), QStringLiteral("200"), QStringLiteral("ATK"), 0);
        recordInvoiceSums(s->db.admin(), QStringLiteral("20100007"));
        std::unique_ptr<QDialog> dialog = openFigures(QStringLiteral("2026.01.01"), QStringLiteral("2026.02.28"));
        const QString path = dir.filePath(QStringLiteral("konyveles.csv"));
        const QStringList lines = QString::fromUtf8(saveThrough(dialog.get(), "accountingButton", path,
                                                                QStringLiteral("A könyvelői export elkészült")))
                                      .split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 7); // header, five invoices, the empty rest after the last line end
        QCOMPARE(lines[0], figures::accountingHeaders().join(u';'));
        QCOMPARE(lines[1], kAccountingA);
        QCOMPARE(lines[2], kAccountingB);
        QVERIFY2(lines[3].startsWith(QStringLiteral("20100003;storno;2026.02.03;2026.01.14;")), qPrintable(lines[3]));
        QVERIFY2(lines[3].contains(QStringLiteral(";-3000,00;-810,00;-3810,00;")), qPrintable(lines[3]));
        QVERIFY2(lines[4].startsWith(QStringLiteral("20100004;előleg;")), qPrintable(lines[4]));
        QVERIFY2(lines[4].endsWith(QStringLiteral(";2389,00;645,00;3034,00;JPY;2,6543;átutalás;")), qPrintable(lines[4]));
        QCOMPARE(lines[5], QStringLiteral("20100007;számla;2026.02.15;2026.02.15;2026.03.01;Kovács Kft;12345678-2-41;"
                                          "0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;0,00;1000,00;0,00;1000,00;"
                                          "300,00;0,00;300,00;200,00;0,00;200,00;0,00;0,00;0,00;"
                                          "1500,00;0,00;1500,00;Ft;0;átutalás;"));

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVENA_DB_NAME"), s->db.name());
        p.setProcessEnvironment(env);
        const QString out = dir.filePath(QStringLiteral("cli.csv"));
        p.start(QStringLiteral(ORVENA_PROGRAM), {QStringLiteral("--accounting-export"), QStringLiteral("--from"),
                                                 QStringLiteral("2026.01.01"), QStringLiteral("--to"),
                                                 QStringLiteral("2026.01.31"), QStringLiteral("--out"), out});
        QVERIFY(p.waitForFinished(20000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
                 figures::accountingHeaders().join(u';') + QStringLiteral("\r\n") + kAccountingA + QStringLiteral("\r\n")
                     + kAccountingB + QStringLiteral("\r\n"));
    }
};

QTEST_MAIN(Figures)
#include "tst_figures.moc"
