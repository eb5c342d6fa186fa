// The function-key texts: litania.txt read and written byte for byte (Windows-1250, CR LF, lone
// CR and lone LF), lines beyond the eleventh, a missing or unwritable file, and the one current
// store that the keys read.
#include "support/fakes.h"

#include "masterdata/functionkeyscreen.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;

namespace {

// A screen context without a database: this screen only talks to the operator.
struct Operator {
    DataModule data;
    AppState state;
    test::FakeUserInterface ui;
    test::ScriptedOpener opener;
    ScreenContext context{data, state, ui, opener};
};

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class FunctionKeyTextsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    QString file() const { return dir.filePath(QStringLiteral("litania.txt")); }

private slots:
    void init() { QFile::remove(file()); }

    void loadAndSave_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("keys");   // texts of F2, F3, ...
        QTest::addColumn<QByteArray>("saved");  // what "Mentés" writes back unchanged

        QTest::newRow("CR LF, final break") << QByteArray("egy\r\nketto\r\n") << QStringList{"egy", "ketto", ""}
                                            << QByteArray("egy\r\nketto\r\n");
        QTest::newRow("CR LF, no final break") << QByteArray("egy\r\nketto") << QStringList{"egy", "ketto", ""}
                                               << QByteArray("egy\r\nketto");
        QTest::newRow("lone LF") << QByteArray("egy\nketto\n") << QStringList{"egy", "ketto", ""}
                                 << QByteArray("egy\r\nketto\r\n");
        QTest::newRow("lone CR") << QByteArray("egy\rketto") << QStringList{"egy", "ketto"}
                                 << QByteArray("egy\r\nketto");
        QTest::newRow("mixed ends") << QByteArray("a\r\r\nb\n\rc") << QStringList{"a", "", "b", "", "c"}
                                    << QByteArray("a\r\n\r\nb\r\n\r\nc");
        QTest::newRow("empty lines kept") << QByteArray("\r\n\r\nharom\r\n") << QStringList{"", "", "harom"}
                                          << QByteArray("\r\n\r\nharom\r\n");
        // Windows-1250: ő = F5, ű = FB, Á = C1, é = E9; a blank-only line stays a blank
        QTest::newRow("Hungarian letters") << QByteArray("\xF5\xFB \xC1rv\xE9z\r\n \r\n")
                                           << QStringList{QStringLiteral("őű Árvéz"), QStringLiteral(" ")}
                                           << QByteArray("\xF5\xFB \xC1rv\xE9z\r\n \r\n");
        QByteArray fourteen;
        QStringList keys;
        for (int i = 1; i <= 14; ++i) {
            fourteen += "sor " + QByteArray::number(i) + "\r\n";
            if (i <= 11)
                keys << QStringLiteral("sor %1").arg(i);
        }
        QTest::newRow("more than eleven lines") << fourteen << keys << fourteen;
    }

    void loadAndSave()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, keys);
        QFETCH(QByteArray, saved);
        writeBytes(file(), bytes);

        Operator op;
        FunctionKeyScreen screen(op.context, op.state.functionKeys, file());
        QVERIFY(screen.show());
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(op.state.functionKeys->textForKey(i + 2), keys[i]);

        QVERIFY(screen.save());
        QCOMPARE(readBytes(file()), saved);
        QVERIFY(op.ui.shown().empty());
    }

    void linesBeyondTheEleventhAreNoKeys()
    {
        QByteArray bytes;
        for (int i = 1; i <= 13; ++i)
            bytes += "t" + QByteArray::number(i) + "\r\n";
        writeBytes(file(), bytes);
        FunctionKeyTexts texts;
        texts.load(file());
        QCOMPARE(texts.textForKey(12), QStringLiteral("t11"));
        QCOMPARE(texts.textForKey(13), QStringLiteral("t12")); // no such key, but the store answers by line
        QVERIFY(texts.text().contains(QStringLiteral("t13")));
        QCOMPARE(texts.textForKey(1), QString()); // F1 is help, never a text
    }

    void threeLinesLeaveTheOtherKeysEmpty()
    {
        writeBytes(file(), "egy\r\nketto\r\nharom");
        FunctionKeyTexts texts;
        texts.load(file());
        QCOMPARE(texts.textForKey(4), QStringLiteral("harom"));
        for (int key = 5; key <= 12; ++key)
            QCOMPARE(texts.textForKey(key), QString());
        QCOMPARE(FunctionKeyTexts::appendToMemo(QStringLiteral("elso"), texts.textForKey(5)), QStringLiteral("elso\n"));
        QCOMPARE(FunctionKeyTexts::applyToLine(texts.textForKey(12)), QString());
    }

    void missingFileKeepsTheTextAndIsReported()
    {
        Operator op;
        // a fresh store from the menu holds the built-in lines, and keeps them
        FunctionKeyScreen screen(op.context, FunctionKeyScreen::replaceCurrent(op.state), file());
        QVERIFY(!screen.show());
        QCOMPARE(op.ui.texts(test::FakeUserInterface::Kind::ErrorReport).size(), 1);
        QVERIFY(op.ui.last().contains(QStringLiteral("nem nyitható meg")));
        QCOMPARE(op.state.functionKeys->textForKey(2), QStringLiteral("2"));
        QVERIFY(op.state.functionKeys->textForKey(12).startsWith(QStringLiteral("Késedelmes fizetés esetén")));

        // "Beolvasás" on an edited area without the file keeps the edits
        screen.setText(QStringLiteral("sajat"));
        QVERIFY(!screen.readFile());
        QCOMPARE(screen.text(), QStringLiteral("sajat"));
        QCOMPARE(op.ui.shown().size(), size_t(2));
    }

    void failedSaveLeavesTheFileAsItWas()
    {
        writeBytes(file(), "regi\r\n");
        Operator op;
        FunctionKeyScreen screen(op.context, op.state.functionKeys, file());
        QVERIFY(screen.show());

        // a character Windows-1250 cannot hold is refused, nothing is written
        screen.setText(QStringLiteral("új ☺ szöveg"));
        QVERIFY(!screen.save());
        QCOMPARE(readBytes(file()), QByteArray("regi\r\n"));
        QCOMPARE(op.ui.shown().back().kind, test::FakeUserInterface::Kind::ErrorReport);
        QCOMPARE(screen.text(), QStringLiteral("új ☺ szöveg")); // the screen keeps what was typed

        // a folder that does not exist: the file cannot be created
        FunctionKeyScreen elsewhere(op.context, op.state.functionKeys, dir.filePath(QStringLiteral("nincs/litania.txt")));
        elsewhere.setText(QStringLiteral("x"));
        QVERIFY(!elsewhere.save());
        QVERIFY(op.ui.last().contains(QStringLiteral("nem hozható létre")));
    }

    void theKeysReadTheCurrentStoreSavedOrNot()
    {
        writeBytes(file(), "fajlbol\r\n");
        Operator op;
        auto startup = op.state.functionKeys;
        startup->load(file());

        // the menu item: a fresh store replaces the current one, the old one is left alone
        FunctionKeyScreen screen(op.context, FunctionKeyScreen::replaceCurrent(op.state), file());
        QVERIFY(op.state.functionKeys != startup);
        QCOMPARE(op.state.functionKeys->textForKey(2), QStringLiteral("2")); // built-in until shown
        QVERIFY(screen.show());
        QCOMPARE(op.state.functionKeys->textForKey(2), QStringLiteral("fajlbol"));

        // edited and left with "Mégsem": the keys use the unsaved text, the file is untouched
        screen.setText(QStringLiteral("szerkesztett\nmasodik"));
        QCOMPARE(op.state.functionKeys->textForKey(2), QStringLiteral("szerkesztett"));
        QCOMPARE(op.state.functionKeys->textForKey(3), QStringLiteral("masodik"));
        QCOMPARE(startup->textForKey(2), QStringLiteral("fajlbol"));
        QCOMPARE(readBytes(file()), QByteArray("fajlbol\r\n"));

        // opening the screen again brings back the file's texts
        FunctionKeyScreen again(op.context, FunctionKeyScreen::replaceCurrent(op.state), file());
        QVERIFY(again.show());
        QCOMPARE(op.state.functionKeys->textForKey(2), QStringLiteral("fajlbol"));
    }

    void memoAndLineEffects_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::newRow("empty memo") << QString() << "A" << "A";
        QTest::newRow("after the last line") << "elso" << "A" << "elso\nA";
        QTest::newRow("memo ending in a break") << "elso\n" << "A" << "elso\nA";
        QTest::newRow("empty text: a new empty line") << "elso" << QString() << "elso\n";
    }
    void memoAndLineEffects()
    {
        QFETCH(QString, memo);
        QFETCH(QString, text);
        QFETCH(QString, result);
        QCOMPARE(FunctionKeyTexts::appendToMemo(memo, text), result);
    }
};

QTEST_GUILESS_MAIN(FunctionKeyTextsTest)
#include "tst_functionkeytexts.moc"
