// The label dictionary's dialogs: the list opens the scrolling edit screen, Enter in a field
// does nothing there while Enter on a focused button presses it, and the saved label set is the
// list's current row afterwards.
#include "support/fakes.h"

#include "screens/common/editscreen.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace orvena;

class DictionaryDialogsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;
    std::unique_ptr<ScreenRegistry> registry;
    std::unique_ptr<ScreenContext> context;

    // Acts on the next modal dialog once it is running.
    void whenModal(const QString& formId, std::function<void(QDialog*)> act)
    {
        QTimer::singleShot(0, this, [this, formId, act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != formId) {
                whenModal(formId, act);
                return;
            }
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            act(dialog);
        });
    }
    static void snapshot(QWidget* w, const QString& name)
    {
        QDir().mkpath(QStringLiteral(ORVENA_SCREENSHOT_DIR));
        QVERIFY(w->grab().save(QStringLiteral(ORVENA_SCREENSHOT_DIR "/%1.png").arg(name)));
    }

private slots:
    void initTestCase()
    {
        s = std::make_unique<test::TestSession>();
        s->db.addDemoData();
        registry = std::make_unique<ScreenRegistry>();
        registerMasterTextScreens(*registry);
        context = std::make_unique<ScreenContext>(ScreenContext{s->data, s->state, s->ui, *registry});
        registry->setContext(context.get());
    }
    void cleanupTestCase()
    {
        registry.reset();
        context.reset();
        s.reset();
    }

    void newLabelSetByKeyboard()
    {
        std::unique_ptr<QDialog> list(registry->create(Screen::DictionaryList));
        QVERIFY(list);
        QCOMPARE(list->objectName(), QStringLiteral("TForm17"));
        QCOMPARE(list->windowTitle(), QStringLiteral("Szótár"));
        QCOMPARE(list->property("helpContext").toInt(), 7);
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        auto* grid = list->findChild<QTableView*>(QStringLiteral("Grid"));
        QVERIFY(grid);
        QCOMPARE(grid->model()->columnCount(), 35);
        QCOMPARE(grid->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Megnevezés"));
        QCOMPARE(grid->model()->rowCount(), 2);
        snapshot(list.get(), QStringLiteral("TForm17-list"));

        bool edited = false;
        whenModal(QStringLiteral("TForm18"), [&](QDialog* edit) {
            QCOMPARE(edit->windowTitle(), QStringLiteral("Szótár bevitel"));
            QVERIFY(edit->findChild<QScrollArea*>());
            auto* code = edit->findChild<QLineEdit*>(QStringLiteral("mkod"));
            QVERIFY(code);
            QCOMPARE(QApplication::focusWidget(), code);
            QCOMPARE(code->text(), QStringLiteral("00012"));
            QVERIFY(!edit->findChild<QLineEdit*>(QStringLiteral("mID"))->isEnabled());
            snapshot(edit, QStringLiteral("TForm18-new"));

            // Enter in a field neither moves the focus nor presses a button
            QTest::keyClick(code, Qt::Key_Return);
            QVERIFY(edit->isVisible());
            QCOMPARE(QApplication::focusWidget(), code);
            QVERIFY(s->ui.shown().empty());

            QTest::keyClick(code, Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("egesz forint"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("olasz"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Magyar-olasz"));
            auto* ok = edit->findChild<QPushButton*>(QStringLiteral("Button1"));
            QVERIFY(ok);
            ok->setFocus();
            QTest::keyClick(ok, Qt::Key_Return);
            edited = true;
        });
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("Uj")), Qt::LeftButton);
        QVERIFY(edited);
        QVERIFY(s->ui.shown().empty());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT mmegnev FROM mezonev WHERE mkod = '00012'")),
                 QStringLiteral("Magyar-olasz"));
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(grid->currentIndex().row(), 2);
        QCOMPARE(s->data.query(QStringLiteral("ZQ70")).fieldText(QStringLiteral("mnyelv")), QStringLiteral("olasz"));
    }

    void modifyOpensFilled()
    {
        std::unique_ptr<QDialog> list(registry->create(Screen::DictionaryList));
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        s->data.query(QStringLiteral("ZQ70")).first();
        bool seen = false;
        whenModal(QStringLiteral("TForm18"), [&](QDialog* edit) {
            QCOMPARE(edit->windowTitle(), QStringLiteral("Szótár módositás"));
            QCOMPARE(edit->findChild<EditScreen*>()->editMode(), EditMode::Modify);
            QCOMPARE(edit->findChild<QLineEdit*>(QStringLiteral("mSzamla"))->text(), QStringLiteral("Invoice"));
            snapshot(edit, QStringLiteral("TForm18-modify"));
            QTest::keyClick(edit, Qt::Key_Escape);
            seen = true;
        });
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("Modosit")), Qt::LeftButton);
        QVERIFY(seen);
    }
};

QTEST_MAIN(DictionaryDialogsTest)
#include "tst_dictionarydialogs.moc"
