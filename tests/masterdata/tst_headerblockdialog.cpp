// The header-block composer dialog: entries dragged between the real list widgets (drop events
// with the payload the lists' drags carry), ticks, the check box, ">>" and "OK".
#include "support/fakes.h"

#include "masterdata/ui/headerblockdialog.h"
#include "screens/common/ui/screenregistry.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace orvena;
using Place = HeaderBlockComposer::Place;

namespace {

QStringList itemTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Drags a payload from `from` over the list and drops it there, as the window system would.
// Returns whether the list accepted the drag while it was over it.
bool dragOnto(QListWidget* list, Place from)
{
    std::unique_ptr<QMimeData> data(HeaderBlockDialog::dragData(from));
    const QPointF pos(list->viewport()->rect().center());
    QDragEnterEvent enter(pos.toPoint(), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(pos.toPoint(), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(pos, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    return drop.isAccepted();
}

// Types text the way a keyboard would, Hungarian letters included.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QPushButton* button(QDialog* dialog, const QString& text)
{
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class HeaderBlockDialogTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestSession> s;
    ScreenRegistry registry;

private slots:
    void initTestCase()
    {
        s = std::make_unique<test::TestSession>();
        registerMasterTextScreens(registry);
        registry.setContext(&s->context);
        s->db.exec(QStringLiteral(
            "INSERT INTO vevo (vKod, vSzam, vNeve, vIrszam, vHely, vUtca, vMemoVevo) VALUES "
            "('4', 'V-4', 'Tóth és Társa Kft.', '4025', 'Debrecen', 'Piac u. 10.', 'Tóth és Társa Kft.')"));
        Query& list = s->data.query(QStringLiteral("ZQ30"));
        list.setSql({QStringLiteral("SELECT * FROM vevo")});
        DB_VERIFY(list.open());
    }

    void dragTickTransferAndStore()
    {
        std::unique_ptr<QDialog> created(registry.create(Screen::CustomerBlock));
        QVERIFY(created);
        auto* dialog = dynamic_cast<HeaderBlockDialog*>(created.get());
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("TForm14"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Vevö cimke összeállítás"));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QListWidget* fields = dialog->fieldList();
        QListWidget* ticks = dialog->tickList();
        QCOMPARE(fields->count(), 16);
        QCOMPARE(dialog->blockField()->toPlainText(), QStringLiteral("Tóth és Társa Kft."));

        // a real press-and-move on an entry starts a drag (the offscreen platform ends it at once)
        const QRect second = fields->visualItemRect(fields->item(1));
        QTest::mousePress(fields->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseMove(fields->viewport(), second.center() + QPoint(30, 0));
        QTest::mouseRelease(fields->viewport(), Qt::LeftButton, {}, second.center() + QPoint(30, 0));
        QCOMPARE(fields->currentRow(), 1);
        QCOMPARE(fields->count(), 16); // nothing was dropped

        // the postcode and the town dragged to the tick list, in that order
        fields->setCurrentRow(1);
        QVERIFY(dragOnto(ticks, Place::FieldList));
        fields->setCurrentRow(1); // the town moved up
        QVERIFY(dragOnto(ticks, Place::FieldList));
        QCOMPARE(itemTexts(ticks), (QStringList{"4025", "Debrecen"}));
        QCOMPARE(fields->count(), 14);
        QCOMPARE(ticks->item(0)->checkState(), Qt::Unchecked);
        QVERIFY(dragOnto(fields, Place::FieldList)); // onto itself: nothing happens
        QCOMPARE(fields->count(), 14);

        // a typed line goes over once; the second time the tick list refuses it
        typeText(dialog->newLineField(), QStringLiteral("Magyarország"));
        QVERIFY(dragOnto(ticks, Place::NewLine));
        dialog->newLineField()->setText(QStringLiteral("MAGYARORSZÁG"));
        QVERIFY(!dragOnto(ticks, Place::NewLine));
        QCOMPARE(itemTexts(ticks), (QStringList{"4025", "Debrecen", "Magyarország"}));

        // ticked entries go back to the field list, last first
        ticks->item(0)->setCheckState(Qt::Checked);
        ticks->item(2)->setCheckState(Qt::Checked);
        QVERIFY(dragOnto(fields, Place::TickList));
        QCOMPARE(itemTexts(ticks), QStringList{"Debrecen"});
        QCOMPARE(itemTexts(fields).mid(14), (QStringList{"Magyarország", "4025"}));
        fields->setCurrentRow(15);
        QVERIFY(dragOnto(ticks, Place::FieldList));

        // ">>" with the check box: one line, each entry after a blank
        ticks->item(0)->setCheckState(Qt::Checked);
        ticks->item(1)->setCheckState(Qt::Checked);
        QCheckBox* box = dialog->oneLineBox();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); // on the tick mark
        QVERIFY(dialog->oneLineBox()->isChecked());
        QTest::mouseClick(dialog->transferButton(), Qt::LeftButton);
        QCOMPARE(dialog->blockField()->toPlainText(), QStringLiteral("Tóth és Társa Kft.\n Debrecen 4025"));
        // and by hand in the block
        dialog->blockField()->moveCursor(QTextCursor::End);
        QTest::keyClicks(dialog->blockField(), QStringLiteral(" (HU)"));

        QDir().mkpath(QStringLiteral(ORVENA_SCREENSHOT_DIR));
        QVERIFY(dialog->grab().save(QStringLiteral(ORVENA_SCREENSHOT_DIR "/TForm14-composed.png")));

        QTest::mouseClick(button(dialog, QStringLiteral("OK")), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vKod = '4'")),
                 QStringLiteral("Tóth és Társa Kft.\r\n Debrecen 4025 (HU)\r\n"));
        QVERIFY(s->ui.shown().empty());
    }

    void cancelStoresNothing()
    {
        std::unique_ptr<QDialog> created(registry.create(Screen::CustomerBlock));
        auto* dialog = dynamic_cast<HeaderBlockDialog*>(created.get());
        QVERIFY(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        dialog->blockField()->setPlainText(QStringLiteral("eldobva"));
        QTest::mouseClick(button(dialog, QStringLiteral("Mégsem")), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vKod = '4'")),
                 QStringLiteral("Tóth és Társa Kft.\r\n Debrecen 4025 (HU)\r\n"));
    }

    void issuerScreenWithoutAList()
    {
        s->data.query(QStringLiteral("ZQ60")).close();
        QVERIFY(!registry.create(Screen::IssuerBlock)); // the fill fails: the screen does not open
        QCOMPARE(s->ui.last(), QStringLiteral("Hiba a szállító cimke ListBox-ban való megjelenitésekor!"));
    }
};

QTEST_MAIN(HeaderBlockDialogTest)
#include "tst_headerblockdialog.moc"
