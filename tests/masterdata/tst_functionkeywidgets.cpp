// The function keys in real widgets: the helper in a one-line field and in a memo, and the
// function-key text screen with its text area, "Mentés" and "Beolvasás".
#include "support/fakes.h"

#include "masterdata/ui/functionkeydialog.h"
#include "screens/common/ui/functionkeyfields.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace orvena;

namespace {

struct Operator {
    DataModule data;
    AppState state;
    test::FakeUserInterface ui;
    test::ScriptedOpener opener;
    ScreenContext context{data, state, ui, opener};
};

// A window with a one-line field, a memo and an F3 shortcut that must never fire from them.
struct Fields {
    QWidget window;
    QLineEdit* line = new QLineEdit(&window);
    QPlainTextEdit* memo = new QPlainTextEdit(&window);
    QAction* shortcut = new QAction(&window);
    explicit Fields(AppState& state)
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(line);
        layout->addWidget(memo);
        shortcut->setShortcut(Qt::Key_F3);
        shortcut->setShortcutContext(Qt::WindowShortcut);
        window.addAction(shortcut);
        installFunctionKeyLine(line, state);
        installFunctionKeyMemo(memo, state);
        window.show();
    }
};

// Types text the way a keyboard would, Hungarian letters included.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class FunctionKeyWidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void lineFieldTakesTheKeysText()
    {
        AppState state;
        state.functionKeys->setText(QStringLiteral("elso\nmasodik\nharmadik"));
        Fields f(state);
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QSignalSpy edited(f.line, &QLineEdit::textEdited);
        QSignalSpy fired(f.shortcut, &QAction::triggered);

        f.line->setFocus();
        QTest::keyClicks(f.line, QStringLiteral("valami"));
        f.line->setCursorPosition(2);
        QTest::keyClick(f.line, Qt::Key_F3);
        QCOMPARE(f.line->text(), QStringLiteral("masodik"));
        QTest::keyClick(f.line, Qt::Key_F4, Qt::ShiftModifier); // modifiers are not looked at
        QCOMPARE(f.line->text(), QStringLiteral("harmadik"));
        QTest::keyClick(f.line, Qt::Key_F9); // no such line: the field is emptied
        QCOMPARE(f.line->text(), QString());
        QCOMPARE(fired.count(), 0); // the key is consumed
        QVERIFY(edited.count() >= 9); // edits, like typing

        // other keys are left alone: F1 inserts nothing, letters type as usual
        QTest::keyClick(f.line, Qt::Key_F1);
        QTest::keyClick(f.line, Qt::Key_A);
        QCOMPARE(f.line->text(), QStringLiteral("a"));

        // a fresh store from the "F2-F12" screen is read from then on
        state.functionKeys = std::make_shared<FunctionKeyTexts>();
        QTest::keyClick(f.line, Qt::Key_F2);
        QCOMPARE(f.line->text(), QStringLiteral("2"));

        f.line->setReadOnly(true);
        QTest::keyClick(f.line, Qt::Key_F3);
        QCOMPARE(f.line->text(), QStringLiteral("2"));
    }

    void memoGetsNewLastLines()
    {
        AppState state;
        state.functionKeys->setText(QStringLiteral("\n\n\nötödik"));
        Fields f(state);
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QSignalSpy fired(f.shortcut, &QAction::triggered);
        f.memo->setFocus();
        typeText(f.memo, QStringLiteral("első sor"));
        f.memo->moveCursor(QTextCursor::Start); // the caret's place does not matter
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(f.memo, Qt::Key_F5);
        QCOMPARE(f.memo->toPlainText(), QStringLiteral("első sor\nötödik\nötödik\nötödik"));
        QTest::keyClick(f.memo, Qt::Key_F3, Qt::ShiftModifier); // empty text: an empty new line
        QCOMPARE(f.memo->toPlainText(), QStringLiteral("első sor\nötödik\nötödik\nötödik\n"));
        QTest::keyClick(f.memo, Qt::Key_F5);
        QCOMPARE(f.memo->toPlainText(), QStringLiteral("első sor\nötödik\nötödik\nötödik\nötödik"));
        QCOMPARE(fired.count(), 0);
    }

    void theScreenEditsTheStoreTheKeysRead()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("litania.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Fizet\xE9si hat\xE1rid\xF5 8 nap.\r\nK\xF6sz\xF6nj\xFCk!\r\n");
        }
        Operator op;
        auto dialog = std::make_unique<FunctionKeyDialog>(
            std::make_unique<FunctionKeyScreen>(op.context, FunctionKeyScreen::replaceCurrent(op.state), file));
        QCOMPARE(dialog->objectName(), QStringLiteral("TForm26"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Funkció billentyűhöz rendelt szöveg"));
        QCOMPARE(FunctionKeyTextArea::keyLabels().first(), QStringLiteral("F 2 ="));
        QCOMPARE(FunctionKeyTextArea::keyLabels().last(), QStringLiteral("F12 ="));
        QCOMPARE(FunctionKeyTextArea::keyLabels().size(), 11);
        FunctionKeyTextArea* area = dialog->textArea();
        QCOMPARE(area->toPlainText(), FunctionKeyTexts::builtInText()); // not shown yet

        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QTRY_COMPARE(area->toPlainText(), QStringLiteral("Fizetési határidő 8 nap.\nKöszönjük!\n"));
        QDir().mkpath(QStringLiteral(ORVENA_SCREENSHOT_DIR));
        QVERIFY(dialog->grab().save(QStringLiteral(ORVENA_SCREENSHOT_DIR "/TForm26-loaded.png")));

        // typing changes what the keys insert at once
        area->moveCursor(QTextCursor::End);
        typeText(area, QStringLiteral("Új sor"));
        QCOMPARE(op.state.functionKeys->textForKey(4), QStringLiteral("Új sor"));

        auto button = [&](const QString& text) {
            for (auto* b : dialog->findChildren<QPushButton*>())
                if (b->text() == text)
                    return b;
            return static_cast<QPushButton*>(nullptr);
        };
        QTest::mouseClick(button(QStringLiteral("Mentés")), Qt::LeftButton);
        QCOMPARE(readBytes(file),
                 QByteArray("Fizet\xE9si hat\xE1rid\xF5 8 nap.\r\nK\xF6sz\xF6nj\xFCk!\r\n\xDAj sor"));

        area->selectAll();
        QTest::keyClicks(area, QStringLiteral("eldobott"));
        QCOMPARE(op.state.functionKeys->textForKey(2), QStringLiteral("eldobott"));
        QTest::mouseClick(button(QStringLiteral("Beolvasás")), Qt::LeftButton);
        QCOMPARE(area->toPlainText(), QStringLiteral("Fizetési határidő 8 nap.\nKöszönjük!\nÚj sor"));
        QCOMPARE(op.state.functionKeys->textForKey(2), QStringLiteral("Fizetési határidő 8 nap."));

        // "Mégsem" keeps the unsaved text for the keys
        area->moveCursor(QTextCursor::End);
        QTest::keyClicks(area, QStringLiteral("!"));
        QTest::mouseClick(button(QStringLiteral("Mégsem")), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QVERIFY(op.state.functionKeys->text().endsWith(u'!'));
        QVERIFY(op.ui.shown().empty());
    }
};

QTEST_MAIN(FunctionKeyWidgetsTest)
#include "tst_functionkeywidgets.moc"
