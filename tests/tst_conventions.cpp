// The conventions of the source tree that a search can enforce, so that they stay true. Each row
// names a text that program code (comments left out) may hold only in the files or folders the
// row allows, and says why there; a violation is reported as file:line with the line itself.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A line without its "//" comment; quoted texts and characters are kept whole, so a "//" inside
// a literal (an address) does not cut the line.
QString codeOf(const QString& line)
{
    QChar quote;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (!quote.isNull()) {
            if (c == u'\\')
                ++i;
            else if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'/' && i + 1 < line.size() && line[i + 1] == u'/') {
            return line.left(i);
        }
    }
    return line;
}

// An entry "only:PATH" limits the row to PATH (a file, or a folder ending in "/"): every path
// outside the row's "only:" entries is allowed.
const QString kOnly = QStringLiteral("only:");

bool allowedPath(const QString& path, const QStringList& allowed)
{
    const auto within = [&path](const QString& a) { return path == a || (a.endsWith(u'/') && path.startsWith(a)); };
    bool scoped = false, inScope = false;
    for (const QString& a : allowed) {
        if (a.startsWith(kOnly)) {
            scoped = true;
            inScope = inScope || within(a.mid(kOnly.size()));
        } else if (within(a)) {
            return true;
        }
    }
    return scoped && !inScope;
}

// Every C++ source and header under root/src whose code matches pattern outside the allowed
// paths (relative to root; a path ending in "/" allows a whole folder), as "path:line: code".
QStringList violations(const QString& root, const QRegularExpression& pattern, const QStringList& allowed)
{
    QStringList found;
    QDirIterator it(root + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString& file : files) {
        const QString path = QDir(root).relativeFilePath(file);
        if (allowedPath(path, allowed))
            continue;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            found << path + QStringLiteral(": cannot be read");
            continue;
        }
        const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        for (qsizetype n = 0; n < lines.size(); ++n)
            if (pattern.match(codeOf(lines[n])).hasMatch())
                found << QStringLiteral("%1:%2: %3").arg(path).arg(n + 1).arg(lines[n].trimmed());
    }
    return found;
}

// The libraries from the bottom up, each with the folders its sources live in (a "ui/" folder
// below any of them belongs to the views) and the folders it may include from. A header is
// named by its path under src/; an include without a folder is the file's own neighbour.
struct Library {
    QString name;
    QStringList folders;
    QStringList mayInclude;
};

const QStringList kCoreFolders{QStringLiteral("screens/common/"), QStringLiteral("masterdata/"),
                               QStringLiteral("invoice/"), QStringLiteral("delivery/"), QStringLiteral("tools/"),
                               QStringLiteral("rates/"), QStringLiteral("figures/")};

QList<Library> libraryOrder()
{
    const QStringList db{QStringLiteral("db/")};
    const QStringList billing = db + QStringList{QStringLiteral("billing/")};
    const QStringList nav = billing + QStringList{QStringLiteral("nav/")};
    const QStringList core = nav + kCoreFolders;
    const QStringList reports = db + QStringList{QStringLiteral("screens/common/"), QStringLiteral("reports/")};
    const QStringList mail = core + QStringList{QStringLiteral("reports/"), QStringLiteral("mail/")};
    const QStringList lower = core + QStringList{QStringLiteral("bank/"), QStringLiteral("navsend/"),
                                                 QStringLiteral("reports/"), QStringLiteral("mail/")};
    return {
        {QStringLiteral("orvena_db"), db, db},
        {QStringLiteral("orvena_billing"), {QStringLiteral("billing/")}, billing},
        {QStringLiteral("orvena_nav"), {QStringLiteral("nav/")}, nav},
        {QStringLiteral("orvena_core"), kCoreFolders, core},
        {QStringLiteral("orvena_bank"), {QStringLiteral("bank/")}, core + QStringList{QStringLiteral("bank/")}},
        {QStringLiteral("orvena_navsend"), {QStringLiteral("navsend/")}, core + QStringList{QStringLiteral("navsend/")}},
        // The engine draws what a print routine hands it through the presenter interface and
        // knows no document of its own.
        {QStringLiteral("orvena_reports"), {QStringLiteral("reports/")}, reports},
        {QStringLiteral("orvena_mail"), {QStringLiteral("mail/")}, mail},
        {QStringLiteral("orvena_ui"), {QStringLiteral("*/ui/")}, lower + QStringList{QStringLiteral("*/ui/")}},
        {QStringLiteral("orvena_app"), {QStringLiteral("app/")}, lower + QStringList{QStringLiteral("*/ui/"), QStringLiteral("app/")}},
        {QStringLiteral("orvena-setup"), {QStringLiteral("setup/")}, billing},
    };
}

// Whether a path under src/ lies in one of the folders ("*/ui/": any views folder).
bool inFolders(const QString& path, const QStringList& folders)
{
    const bool views = path.contains(QStringLiteral("/ui/"));
    for (const QString& f : folders)
        if (f == u"*/ui/" ? views : (!views && path.startsWith(f)))
            return true;
    return false;
}

// Every include of root/src that reaches outside what its library may include, as
// "path:line: include".
QStringList upwardIncludes(const QString& root, const QList<Library>& libraries)
{
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*\"([^\"]+/[^\"]+)\""));
    QStringList found;
    const QDir src(root + QStringLiteral("/src"));
    QDirIterator it(src.path(), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString& file : files) {
        const QString path = src.relativeFilePath(file);
        const auto library = std::find_if(libraries.begin(), libraries.end(),
                                          [&](const Library& l) { return inFolders(path, l.folders); });
        if (library == libraries.end()) {
            found << path + QStringLiteral(": in no library");
            continue;
        }
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        for (qsizetype n = 0; n < lines.size(); ++n) {
            const QRegularExpressionMatch m = include.match(lines[n]);
            if (m.hasMatch() && !inFolders(m.captured(1), library->mayInclude))
                found << QStringLiteral("%1:%2: %3 (%4)").arg(path).arg(n + 1).arg(lines[n].trimmed(), library->name);
        }
    }
    return found;
}

// The function bodies in the C++ sources under root/src longer than maxLines lines, as
// "path:line: name (N lines)", except those `allowed` names as "path:name". A body is found by
// its braces at the margin of a definition: "{" alone on its line after a signature, either at
// namespace level or one step in (a member defined in its class body), up to the "}" at the same
// margin; lambdas count with the function that holds them.
QStringList longFunctions(const QString& root, int maxLines, const QStringList& allowed)
{
    static const QRegularExpression signatureEnd(QStringLiteral("\\)\\s*(const)?\\s*(override|noexcept)?\\s*$"));
    static const QRegularExpression notAFunction(QStringLiteral("^(namespace|class|struct|enum|union|extern)\\b"));
    QStringList found;
    QDirIterator it(root + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString path = QDir(root).relativeFilePath(file);
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        for (const QString& indent : {QString(), QStringLiteral("    ")}) {
            for (qsizetype n = 1; n < lines.size(); ++n) {
                if (lines[n] != indent + u'{' || !signatureEnd.match(codeOf(lines[n - 1])).hasMatch())
                    continue;
                // the signature's first line: the last one at this margin before the brace
                qsizetype start = n - 1;
                while (start > 0 && lines[start].startsWith(indent + u' '))
                    --start;
                const QString signature = lines[start].mid(indent.size());
                if (!lines[start].startsWith(indent) || signature.isEmpty() || signature[0].isSpace()
                    || !signature.contains(u'(') || notAFunction.match(signature).hasMatch())
                    continue;
                qsizetype end = n + 1;
                while (end < lines.size() && lines[end] != indent + u'}')
                    ++end;
                const qsizetype length = end - n - 1;
                const QString head = signature.left(signature.indexOf(u'('));
                const QString name = head.mid(head.lastIndexOf(u' ') + 1);
                if (length > maxLines && !allowed.contains(path + u':' + name))
                    found << QStringLiteral("%1:%2: %3 (%4 lines)").arg(path).arg(start + 1).arg(name).arg(length);
                n = end;
            }
        }
    }
    found.sort();
    return found;
}
} // namespace

class ConventionsTest : public QObject {
    Q_OBJECT

private slots:
    void conventions_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("allowed");

        // Transactions: every store of more than one statement is a step chain over the one
        // guard, which alone sends these statements. The connection reads the statements it
        // sends to know whether a transaction is open (the reconnect needs it); the backup's
        // dump check recognises them in a dump file it refuses or lets through, sending nothing.
        QTest::newRow("transaction statements")
            << QStringLiteral("\\b(START TRANSACTION|COMMIT|ROLLBACK)\\b")
            << QStringList{QStringLiteral("src/db/transaction.h"), QStringLiteral("src/db/connection.cpp"),
                           QStringLiteral("src/app/dumpcheck.cpp")};
        // ... and the guard itself is held only by the step chain.
        QTest::newRow("transaction guards")
            << QStringLiteral("\\bTransaction\\s+\\w+\\s*[({]")
            << QStringList{QStringLiteral("src/db/transaction.h"), QStringLiteral("src/db/stepchain.h")};

        // Message boxes: the screens talk to the operator through UserInterface, whose one
        // implementation with boxes is GuiUserInterface. The program's own frame in src/app
        // shows the boxes no screen owns: the connection-lost box with its "Újra" button and
        // the start-up boxes before any screen exists.
        QTest::newRow("message boxes")
            << QStringLiteral("\\bQMessageBox\\b")
            << QStringList{QStringLiteral("src/screens/common/ui/guiuserinterface.cpp"), QStringLiteral("src/app/"),
                           // recognises boxes to leave their places alone; shows none
                           QStringLiteral("src/screens/common/ui/dialoggeometry.cpp")};

        // Shared queries: the data module's query objects that outlive one screen are named by
        // role in one header; a statement of one function runs on a query object of its own.
        QTest::newRow("shared query names")
            << QStringLiteral("\"ZQ")
            << QStringList{QStringLiteral("src/db/queryroles.h")};
        // ... and no shared query is taken by a name of its own making (the data module's own
        // start-up reads of every table excepted).
        QTest::newRow("shared queries by role")
            << QStringLiteral("\\bquery\\(QStringLiteral\\(")
            << QStringList{QStringLiteral("src/db/datamodule.cpp")};

        // Buttons: every push button is made by the widget helpers (its hint, its object name, no
        // "auto default", so Enter in a field never presses a button the operator did not choose).
        QTest::newRow("push buttons from the widget helpers")
            << QStringLiteral("\\bnew\\s+QPushButton\\b")
            << QStringList{QStringLiteral("src/screens/common/ui/dialogparts.cpp")};

        // ... and no role is taken under a name of another making: a shared query is named by its
        // role where it is used, so a search for the role finds every screen that shares it.
        QTest::newRow("shared query roles under another name")
            << QStringLiteral("\\bQString\\s*&?\\s*\\w+\\s*=\\s*role::")
            << QStringList{};

        // Amounts: money is a Money and every number that enters it (quantity, price, percentage,
        // exchange rate) an exact Decimal, never a binary floating-point number, in the code that
        // computes, states or stores amounts.
        QTest::newRow("no double in amount code")
            << QStringLiteral("\\b(double|float|qreal|fieldDouble|parseDouble|toDouble|toFloat)\\b")
            << QStringList{QStringLiteral("only:src/billing/"), QStringLiteral("only:src/invoice/"),
                           QStringLiteral("only:src/figures/figures.cpp"), QStringLiteral("only:src/figures/figuresprint.cpp"),
                           QStringLiteral("only:src/mail/")};

        // Numbers: a cell's text is what the program shows ("3,333", "1 234,50"); a number is
        // read from the query as a value (integer, decimal, money, date), never parsed back from
        // that text.
        QTest::newRow("numbers parsed from display text")
            << QStringLiteral("\\b(text|fieldText)\\((?:[^()]|\\([^()]*\\))*\\)\\)?\\.to(Int|UInt|LongLong|ULongLong|Double|"
                              "Float|Short)\\(|\\b(parseDouble|parseInt32|parseInt64|Decimal::parse|Money::parse|"
                              "decimalLiteral|typedNumber)\\([^;]*\\b(text|fieldText)\\(")
            << QStringList{};
    }
    void conventions()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, allowed);
        const QRegularExpression re(pattern);
        QVERIFY2(re.isValid(), qPrintable(re.errorString()));
        for (const QString& path : allowed) // an allowance for a file that is gone would hide nothing
            QVERIFY2(QFileInfo::exists(QStringLiteral(ORVENA_SOURCE_DIR "/") + (path.startsWith(kOnly) ? path.mid(kOnly.size()) : path)),
                     qPrintable(path));
        const QStringList found = violations(QStringLiteral(ORVENA_SOURCE_DIR), re, allowed);
        QVERIFY2(found.isEmpty(), qPrintable(u'\n' + found.join(u'\n')));
    }

    // The libraries include downwards only: no lower library includes a header of a higher one
    // (the order the README states and the build links).
    void librariesIncludeDownwards()
    {
        const QStringList found = upwardIncludes(QStringLiteral(ORVENA_SOURCE_DIR), libraryOrder());
        QVERIFY2(found.isEmpty(), qPrintable(u'\n' + found.join(u'\n')));

        // the check itself: an engine header reaching into a subsystem is found, a neighbour is not
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("src/reports")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("src/invoice/ui")));
        auto write = [&](const QString& path, const QByteArray& text) {
            QFile f(dir.filePath(path));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        write(QStringLiteral("src/reports/qrcode.h"), "#include \"invoice/paymentqr.h\"\n#include \"pagemodel.h\"\n"
                                                      "#include \"screens/common/reportpresenter.h\"\n");
        write(QStringLiteral("src/invoice/payments.cpp"), "#include \"invoice/ui/paymentdialog.h\"\n#include \"db/query.h\"\n");
        write(QStringLiteral("src/invoice/ui/paymentdialog.cpp"), "#include \"invoice/payments.h\"\n#include \"app/session.h\"\n");
        QCOMPARE(upwardIncludes(dir.path(), libraryOrder()),
                 (QStringList{QStringLiteral("invoice/payments.cpp:1: #include \"invoice/ui/paymentdialog.h\" (orvena_core)"),
                              QStringLiteral("invoice/ui/paymentdialog.cpp:2: #include \"app/session.h\" (orvena_ui)"),
                              QStringLiteral("reports/qrcode.h:1: #include \"invoice/paymentqr.h\" (orvena_reports)")}));
    }

    // Functions stay short enough to read in one go: none is longer than 80 lines, but for the
    // data tables (the schema's tables, the demonstration data).
    void functionsStayShort()
    {
        const QStringList allowed{
            QStringLiteral("src/db/schema.cpp:buildTables"), // data: every table's columns
            QStringLiteral("src/db/setup.cpp:addDemoData"),  // data: the demonstration rows
        };
        const QStringList found = longFunctions(QStringLiteral(ORVENA_SOURCE_DIR), 80, allowed);
        QVERIFY2(found.isEmpty(), qPrintable(u'\n' + found.join(u'\n')));

        // The search itself: a long function at namespace level and one defined in its class are
        // found with their names; a long data initializer and an allowed function are not.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("src/x")));
        QFile f(dir.filePath(QStringLiteral("src/x/long.cpp")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray body = QByteArray("    x();\n").repeated(81);
        f.write("void Screen::act(int a,\n                 int b) const\n{\n" + body + "}\n"
                "const int table[] =\n{\n" + body + "};\n"
                "void allowed()\n{\n" + body + "}\n"
                "class Inline {\n    void method() // a comment\n    {\n" + QByteArray(body).replace("    x", "        x")
                + "    }\n};\n");
        f.close();
        QCOMPARE(longFunctions(dir.path(), 80, {QStringLiteral("src/x/long.cpp:allowed")}),
                 (QStringList{QStringLiteral("src/x/long.cpp:1: Screen::act (81 lines)"),
                              QStringLiteral("src/x/long.cpp:255: method (81 lines)")}));
    }

    // The search itself: code is found with its file and line, comments and allowed paths are
    // not, and a "//" inside a quoted text does not end the code.
    void theSearchNamesFileAndLine()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("src/db")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("src/invoice")));
        auto write = [&](const QString& path, const QByteArray& text) {
            QFile f(dir.filePath(path));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        write(QStringLiteral("src/db/transaction.h"), "run(\"COMMIT\");\n");
        write(QStringLiteral("src/invoice/store.cpp"), "// a COMMIT in a comment\n"
                                                      "q.setSql({\"http://x\"}); // COMMIT\n"
                                                      "x = \"a // b\"; run(\"COMMIT\");\n"
                                                      "c = '\"'; run(\"ROLLBACK\");\n"
                                                      "COMMITTED = 1;\n");
        const QRegularExpression re(QStringLiteral("\\b(START TRANSACTION|COMMIT|ROLLBACK)\\b"));
        QCOMPARE(violations(dir.path(), re, {QStringLiteral("src/db/transaction.h")}),
                 (QStringList{QStringLiteral("src/invoice/store.cpp:3: x = \"a // b\"; run(\"COMMIT\");"),
                              QStringLiteral("src/invoice/store.cpp:4: c = '\"'; run(\"ROLLBACK\");")}));
        // a folder allowance covers everything below it
        QVERIFY(violations(dir.path(), re, {QStringLiteral("src/")}).isEmpty());
        QCOMPARE(violations(dir.path(), re, {QStringLiteral("src/invoice/")}),
                 QStringList{QStringLiteral("src/db/transaction.h:1: run(\"COMMIT\");")});
        // a row limited to a folder searches that folder only
        QCOMPARE(violations(dir.path(), re, {QStringLiteral("only:src/db/")}),
                 QStringList{QStringLiteral("src/db/transaction.h:1: run(\"COMMIT\");")});
        QVERIFY(violations(dir.path(), re, {QStringLiteral("only:src/db/"), QStringLiteral("src/db/transaction.h")}).isEmpty());
    }
};

QTEST_MAIN(ConventionsTest)
#include "tst_conventions.moc"
