// The shared widget mechanisms with real widgets: Enter / Shift+Enter focus movement, key
// filters of numeric fields, click toggles, F2-F12 capture, and a grid that follows its query.
#include "support/fakes.h"

#include "screens/common/querytablemodel.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/keyhandling.h"

#include "db/errors.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

using namespace orvena;

namespace {

struct Form {
    QDialog dialog;
    QLineEdit* first;
    QLineEdit* number;
    QPlainTextEdit* memo;
    QLineEdit* last;
    QPushButton* ok;
    int okClicks = 0;

    explicit Form(EnterMode mode)
    {
        auto* layout = new QVBoxLayout(&dialog);
        first = new QLineEdit(&dialog);
        number = new QLineEdit(&dialog);
        memo = new QPlainTextEdit(&dialog);
        last = new QLineEdit(&dialog);
        ok = new QPushButton(QStringLiteral("OK"), &dialog);
        for (QWidget* w : std::initializer_list<QWidget*>{first, number, memo, last, ok})
            layout->addWidget(w);
        QObject::connect(ok, &QPushButton::clicked, &dialog, [this] { ++okClicks; });
        installCharFilter(number, CharFilter::decimal());
        installEnterNavigation(&dialog, mode);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::setActiveWindow(&dialog);
    }
};

void settle()
{
    QTest::qWait(10);
    QCoreApplication::processEvents();
}

} // namespace

class KeyHandlingTest : public QObject {
    Q_OBJECT
private slots:
    void enterMovesForwardAndShiftEnterBack()
    {
        Form f(EnterMode::FormFirst);
        f.first->setFocus();
        settle();
        QTest::keyClicks(f.first, QStringLiteral("abc"));
        QTest::keyClick(f.first, Qt::Key_Return);
        settle();
        QCOMPARE(QApplication::focusWidget(), f.number);
        QCOMPARE(f.first->text(), QStringLiteral("abc")); // Enter is not typed into the field
        QTest::keyClick(f.number, Qt::Key_Return, Qt::ShiftModifier);
        settle();
        QCOMPARE(QApplication::focusWidget(), f.first);
        // the keypad's Enter works the same
        QTest::keyClick(f.first, Qt::Key_Enter, Qt::KeypadModifier);
        settle();
        QCOMPARE(QApplication::focusWidget(), f.number);
    }

    void enterInAMemoStartsANewLineThenMovesOn()
    {
        Form f(EnterMode::FormFirst);
        f.memo->setFocus();
        settle();
        QTest::keyClicks(f.memo, QStringLiteral("sor"));
        QTest::keyClick(f.memo, Qt::Key_Return);
        settle();
        QCOMPARE(f.memo->toPlainText(), QStringLiteral("sor\n"));
        QCOMPARE(QApplication::focusWidget(), f.last);
    }

    void enterOnAButtonPressesIt()
    {
        Form f(EnterMode::FormFirst);
        f.ok->setFocus();
        settle();
        QTest::keyClick(f.ok, Qt::Key_Return);
        settle();
        QCOMPARE(QApplication::focusWidget(), f.ok);
        QCOMPARE(f.okClicks, 1);
    }

    void windowOnlyModeLeavesFieldsAlone()
    {
        Form f(EnterMode::WindowOnly);
        f.first->setFocus();
        settle();
        QTest::keyClick(f.first, Qt::Key_Return);
        settle();
        QCOMPARE(QApplication::focusWidget(), f.first);
    }

    void numericFieldDropsOtherCharacters()
    {
        Form f(EnterMode::FormFirst);
        f.number->setFocus();
        settle();
        QTest::keyClicks(f.number, QStringLiteral("12a,5%x-"));
        QCOMPARE(f.number->text(), QStringLiteral("12,5-"));
        QTest::keyClick(f.number, Qt::Key_Backspace);
        QCOMPARE(f.number->text(), QStringLiteral("12,5"));
        // pasted text keeps only what could have been typed
        f.number->clear();
        f.number->insert(QStringLiteral("3 400,50 Ft"));
        emit f.number->textEdited(f.number->text());
        QCOMPARE(f.number->text(), QStringLiteral("3400,50"));
        // the Enter character never reaches the field but still moves the focus
        QTest::keyClick(f.number, Qt::Key_Return);
        settle();
        QCOMPARE(f.number->text(), QStringLiteral("3400,50"));
        QCOMPARE(QApplication::focusWidget(), f.memo);
    }

    void charFilterDecisions_data()
    {
        QTest::addColumn<QString>("allowed");
        QTest::addColumn<QChar>("typed");
        QTest::addColumn<int>("decision");
        using D = CharFilter::Decision;
        QTest::newRow("digit") << "0123456789" << QChar(u'7') << int(D::Insert);
        QTest::newRow("letter") << "0123456789" << QChar(u'a') << int(D::Drop);
        QTest::newRow("backspace") << "0123456789" << QChar(u'\b') << int(D::PassThrough);
        QTest::newRow("enter") << "0123456789\r" << QChar(u'\r') << int(D::Drop);
        QTest::newRow("hungarian letter") << "" << QChar(u'ő') << int(D::Drop);
    }
    void charFilterDecisions()
    {
        QFETCH(QString, allowed);
        QFETCH(QChar, typed);
        QFETCH(int, decision);
        QCOMPARE(int(CharFilter(allowed).decide(typed)), decision);
        QCOMPARE(int(CharFilter().decide(QChar(u'ő'))), int(CharFilter::Decision::Insert));
    }

    void clickTogglesAndFunctionKeys()
    {
        QDialog dialog;
        auto* layout = new QVBoxLayout(&dialog);
        auto* method = new QLineEdit(QStringLiteral("kp."), &dialog);
        auto* remark = new QLineEdit(&dialog);
        layout->addWidget(method);
        layout->addWidget(remark);
        installClickHandler(method, [method] {
            method->setText(method->text() == u"kp." ? QStringLiteral("átutalás") : QStringLiteral("kp."));
        });
        QList<int> keys;
        installFunctionKeyHandler(remark, [&keys](int key) { keys << key; });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(method, Qt::LeftButton);
        QCOMPARE(method->text(), QStringLiteral("átutalás"));
        QTest::mouseClick(method, Qt::LeftButton);
        QCOMPARE(method->text(), QStringLiteral("kp."));
        remark->setFocus();
        QTest::keyClick(remark, Qt::Key_F2);
        QTest::keyClick(remark, Qt::Key_F3, Qt::ShiftModifier);
        QTest::keyClick(remark, Qt::Key_F12);
        QTest::keyClick(remark, Qt::Key_F1);
        QCOMPARE(keys, (QList<int>{2, 3, 12}));
    }

    void gridFollowsItsQueryAndMovesIt()
    {
        test::TestSession s;
        s.db.addDemoData();
        Query& q = s.data.query(QStringLiteral("ZQ30"));
        q.setSql({QStringLiteral("SELECT * FROM vevo ORDER BY vNeve")});
        DB_VERIFY(q.open());
        QDialog dialog;
        auto* layout = new QVBoxLayout(&dialog);
        auto* view = new QTableView(&dialog);
        auto* model = new QueryTableModel(q, {{QStringLiteral("vKod"), QStringLiteral("Kód")},
                                              {QStringLiteral("VNEVE"), QStringLiteral("Név")},
                                              {QStringLiteral("vEnged"), QStringLiteral("Engedmény")}},
                                          &dialog);
        bindGridToQuery(view, model);
        layout->addWidget(view);
        layout->addWidget(new NavigatorBar(q, &dialog));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QCOMPARE(model->rowCount(), 5);
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Név"));
        QCOMPARE(model->data(model->index(0, 1)).toString(), QStringLiteral("Donau Handel GmbH"));
        QCOMPARE(model->data(model->index(1, 2)).toString(), QStringLiteral("5")); // Győri, 5 %
        QCOMPARE(view->currentIndex().row(), 0);

        q.locate(QStringLiteral("vNeve"), QStringLiteral("kov"));
        QCOMPARE(view->currentIndex().row(), q.currentRow());
        QCOMPARE(q.fieldText(QStringLiteral("vNeve")), QStringLiteral("Kovács és Társa Bt."));

        // a click in the grid moves the query's current row
        const QRect cell = view->visualRect(model->index(4, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(q.currentRow(), 4);

        // re-running the query resets the grid onto the new rows
        q.setSql({QStringLiteral("SELECT * FROM vevo WHERE vKod = \"2\"")});
        DB_VERIFY(q.open());
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(view->currentIndex().row(), 0);
    }

    // Network work runs off the window's thread under a progress window: the window's events go
    // on meanwhile, what the work throws comes back to the caller, and "Mégsem" asks it to stop.
    void backgroundWorkShowsProgressAndStops()
    {
        GuiUserInterface ui;
        QThread* ranOn = nullptr;
        ui.runInBackground(QStringLiteral("Munka"), [&](const std::atomic<bool>&) { ranOn = QThread::currentThread(); });
        QVERIFY(ranOn && ranOn != QThread::currentThread());

        bool thrown = false;
        try {
            ui.runInBackground(QStringLiteral("Munka"), [](const std::atomic<bool>&) { throw Error(QStringLiteral("hiba")); });
        } catch (const Error& e) {
            thrown = e.text() == u"hiba";
        }
        QVERIFY(thrown);

        // the operator presses "Mégsem" on the progress window; the work ends when it sees that
        bool shown = false;
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && progress->isVisible()
                                                                     && progress->objectName() == u"TFolyamat") {
                    shown = progress->labelText() == u"Hosszú munka";
                    press.stop();
                    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
                }
        });
        press.start(10);
        bool stopped = false;
        ui.runInBackground(QStringLiteral("Hosszú munka"), [&](const std::atomic<bool>& cancelled) {
            const QDeadlineTimer limit(10000);
            while (!cancelled.load() && !limit.hasExpired())
                QThread::yieldCurrentThread();
            stopped = cancelled.load();
        });
        QVERIFY(shown);
        QVERIFY(stopped);
    }
};

QTEST_MAIN(KeyHandlingTest)
#include "tst_keyhandling.moc"
