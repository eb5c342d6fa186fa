// The "Bankkivonat" window driven as an operator does: a file imported through the file
// chooser, an unknown account's issuer chosen, Enter on the best suggestion, another one
// chosen, an entry left, an amount split, a booking undone; the database read back.
#include "bankseed.h"
#include "support/modaldriver.h"
#include "support/windowsession.h"

#include "app/session.h"
#include "bank/ui/statementdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kFolder = QStringLiteral(ORVENA_SOURCE_DIR "/tests/bank/statements/");

// Chooses the file in the program's own file chooser.
ModalDriver::Action openFile(const QString& path)
{
    return [path](QWidget* chooser) {
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->clear();
        QTest::keyClicks(name, path);
        QTest::keyClick(name, Qt::Key_Return);
    };
}

int rowWith(QTableWidget* table, int column, const QString& text)
{
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, column)->text().contains(text))
            return r;
    return -1;
}

} // namespace

class BankWindowsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowSession> w;

    QString payments()
    {
        return w->db.rows(QStringLiteral("SELECT pBszam, ROUND(pOsszeg), IF(pTorolve IS NULL, '', 'törölt') FROM szlafizetes "
                                         "ORDER BY pID"))
            .join(u' ');
    }

private slots:
    void initTestCase()
    {
        applyProgramLocale();
        w = std::make_unique<WindowSession>();
        seedStatementData(w->db);
    }
    void cleanupTestCase() { w.reset(); }

    void operatorWorksThroughAStatement()
    {
        std::unique_ptr<QDialog> dialog(w->registry.create(Screen::BankStatements));
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("TBankkivonat"));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("entriesTable"));
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("suggestionsList"));
        auto button = [&](const char* name) { return dialog->findChild<QPushButton*>(QLatin1String(name)); };

        {
            ModalDriver driver;
            driver.window(QStringLiteral("statementFileDialog"), openFile(kFolder + QStringLiteral("camt053_001_02.xml")))
                .box(QStringLiteral("Beolvasva: 1 kivonat, 6 új tétel"), QStringLiteral("OK"));
            QTest::mouseClick(button("importButton"), Qt::LeftButton);
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QCOMPARE(table->rowCount(), 6);
        QCOMPARE(table->currentRow(), 0);
        QVERIFY2(list->item(0)->text().startsWith(QStringLiteral("20260001 (12")), qPrintable(list->item(0)->text()));

        // Enter books the best suggestion; the entry leaves the list of those to decide.
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(payments(), QStringLiteral("20260001|12700|"));
        QCOMPARE(table->rowCount(), 5);

        // Left for later: the next entry becomes current, nothing is written.
        const int before = table->currentRow();
        QTest::mouseClick(button("leaveButton"), Qt::LeftButton);
        QCOMPARE(table->currentRow(), before + 1);
        QCOMPARE(payments(), QStringLiteral("20260001|12700|"));

        // A partial payment split between two invoices.
        table->setCurrentCell(rowWith(table, 5, QStringLiteral("részletfizetés")), 0);
        {
            ModalDriver driver;
            driver.window(QStringLiteral("TBankFelosztas"), [](QWidget* split) {
                auto* cells = split->findChild<QTableWidget*>(QStringLiteral("splitTable"));
                QCOMPARE(cells->item(0, 0)->text(), QStringLiteral("20260007"));
                cells->item(0, 1)->setText(QStringLiteral("20 000"));
                cells->item(1, 0)->setText(QStringLiteral("20260003"));
                cells->item(1, 1)->setText(QStringLiteral("10000"));
                QTest::mouseClick(ModalDriver::button(split, QStringLiteral("OK")), Qt::LeftButton);
            });
            QTest::mouseClick(button("splitButton"), Qt::LeftButton);
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QCOMPARE(payments(), QStringLiteral("20260001|12700| 20260007|20000| 20260003|10000|"));

        // Another statement whose account no issuer has: the operator names the issuer; its
        // credit matches two invoices equally (20260001 is paid by now) and the operator chooses
        // the second.
        QTemporaryDir temp;
        QFile other(kFolder + QStringLiteral("camt053_001_08.xml"));
        QVERIFY(other.open(QIODevice::ReadOnly));
        const QString otherPath = temp.filePath(QStringLiteral("masik.xml"));
        QFile copy(otherPath);
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write(other.readAll().replace("HU42 1177 3016 1111 1018 0000 0000", "HU11120100000000000055556666"));
        copy.close();
        {
            ModalDriver driver;
            driver.window(QStringLiteral("statementFileDialog"), openFile(otherPath))
                .window(QStringLiteral("issuerChooser"),
                        [](QWidget* ask) {
                            auto* combo = ask->findChild<QComboBox*>();
                            QVERIFY(combo);
                            QCOMPARE(combo->count(), 2);
                            combo->setCurrentIndex(1);
                            QTest::mouseClick(ModalDriver::button(ask, QStringLiteral("OK")), Qt::LeftButton);
                        })
                .box(QStringLiteral("2 új tétel"), QStringLiteral("OK"));
            QTest::mouseClick(button("importButton"), Qt::LeftButton);
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QCOMPARE(w->db.scalar(QStringLiteral("SELECT kbzKod FROM bankkivonat WHERE kbAzonosito = 'STMT-2026-002'")),
                 QStringLiteral("Z2"));
        table->setCurrentCell(rowWith(table, 4, QStringLiteral("Kovács János")), 0);
        QCOMPARE(list->count(), 2);
        list->setCurrentRow(1);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(payments(), QStringLiteral("20260001|12700| 20260007|20000| 20260003|10000| 20260004|12700|"));
        // a reversal offers nothing and is not booked
        table->setCurrentCell(rowWith(table, 5, QStringLiteral("Visszahívás")), 0);
        QCOMPARE(list->count(), 0);

        // The first booking undone: its payment stays, marked deleted; the entry is open again.
        dialog->findChild<QCheckBox*>(QStringLiteral("showAllCheck"))->setChecked(true);
        table->setCurrentCell(rowWith(table, 5, QStringLiteral("Számla: 20260001")), 0);
        QCOMPARE(table->item(table->currentRow(), 6)->text(), QStringLiteral("Könyvelve"));
        {
            ModalDriver driver;
            driver.box(QStringLiteral("Visszavonja a tétel könyvelését"), QStringLiteral("Igen"));
            QTest::mouseClick(button("undoButton"), Qt::LeftButton);
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QVERIFY2(payments().startsWith(QStringLiteral("20260001|12700|törölt ")), qPrintable(payments()));
        QCOMPARE(table->item(table->currentRow(), 6)->text(), QStringLiteral("Nyitott"));
        QCOMPARE(w->db.scalar(QStringLiteral("SELECT ROUND(eHatralek) FROM szlaegyenleg WHERE eBszam = '20260001'")),
                 QStringLiteral("12700"));
    }
};

QTEST_MAIN(BankWindowsTest)
#include "tst_bankwindows.moc"
