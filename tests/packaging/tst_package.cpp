// Installation: the working folder an installed program chooses and fills, and the Debian
// package built from this build tree (cpack), unpacked into a scratch root with dpkg-deb: its
// file list, control fields, manual pages, changelog, copyright, AppStream description, menu
// entry and icons, lintian's verdict, and its program filling the operator's folder from the
// package's share/orvena.
#include "app/workfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace orvena;

namespace {

void write(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Run {
    int status = -1;
    QString out, err;
};

Run run(const QString& program, const QStringList& arguments, const QString& workDir = {},
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, arguments);
    Run r;
    if (!p.waitForFinished(540000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Width and height from a PNG's IHDR chunk.
QSize pngSize(const QString& path)
{
    const QByteArray b = read(path);
    if (b.size() < 24 || !b.startsWith("\x89PNG"))
        return {};
    auto be = [&](int at) {
        return (quint32(uchar(b[at])) << 24) | (quint32(uchar(b[at + 1])) << 16) | (quint32(uchar(b[at + 2])) << 8)
            | quint32(uchar(b[at + 3]));
    };
    return QSize(int(be(16)), int(be(20)));
}

} // namespace

class PackageTest : public QObject {
    Q_OBJECT
private slots:
    void aFolderWithTheTemplatesStaysTheWorkingFolder()
    {
        QTemporaryDir current, installed, data;
        write(current.filePath(QStringLiteral("Szamla2.frf")), "saját");
        write(installed.filePath(QStringLiteral("Szamla2.frf")), "telepített");
        const WorkingFolder w = prepareWorkingFolder(current.path(), installed.path(), data.filePath(QStringLiteral("orvena")));
        QCOMPARE(w.path, current.path());
        QVERIFY(w.copied.isEmpty());
        QVERIFY(!QDir(data.filePath(QStringLiteral("orvena"))).exists());
    }

    void theUserFolderIsFilledAndTheOperatorsChangesKept()
    {
        QTemporaryDir current, installed, data;
        const QDir share(installed.path());
        for (const char* name : {"Szamla2.frf", "Szamla3.frf", "Szlevel2.frf", "Szlevel3.frf", "litania.txt"})
            write(share.filePath(QLatin1String(name)), QByteArray("1. kiadás: ") + name);
        const QString folder = data.filePath(QStringLiteral("orvena"));

        WorkingFolder w = prepareWorkingFolder(current.path(), installed.path(), folder);
        QCOMPARE(w.path, QDir(folder).absolutePath());
        QCOMPARE(w.copied.size(), 5);
        QCOMPARE(read(QDir(folder).filePath(QStringLiteral("Szamla3.frf"))), QByteArray("1. kiadás: Szamla3.frf"));
        // the folder and what is written into it are the user's alone (printed invoices land there)
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto permissions = [](const QString& path) {
            return QFileInfo(path).permissions()
                   & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
        };
        QCOMPARE(permissions(folder), owner | QFileDevice::ExeOwner);
        QCOMPARE(permissions(QDir(folder).filePath(QStringLiteral("Szamla3.frf"))), owner);
        QCOMPARE(permissions(QDir(folder).filePath(QStringLiteral(".orvena-telepitett"))), owner);
        // a folder an earlier version left open is closed on the next start
        QVERIFY(QFile::setPermissions(folder, owner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                  | QFileDevice::ExeOther));

        // the operator edits litania.txt and a template; a new release changes three files
        write(QDir(folder).filePath(QStringLiteral("litania.txt")), "saját szövegek");
        write(QDir(folder).filePath(QStringLiteral("Szlevel2.frf")), "saját sablon");
        for (const char* name : {"Szamla2.frf", "Szlevel2.frf", "litania.txt"})
            write(share.filePath(QLatin1String(name)), QByteArray("2. kiadás: ") + name);
        w = prepareWorkingFolder(current.path(), installed.path(), folder);
        QCOMPARE(w.copied, QStringList{QStringLiteral("Szamla2.frf")});
        w.kept.sort();
        QCOMPARE(w.kept, (QStringList{QStringLiteral("Szlevel2.frf"), QStringLiteral("litania.txt")}));
        QCOMPARE(read(QDir(folder).filePath(QStringLiteral("Szamla2.frf"))), QByteArray("2. kiadás: Szamla2.frf"));
        QCOMPARE(permissions(folder), owner | QFileDevice::ExeOwner);
        QCOMPARE(permissions(QDir(folder).filePath(QStringLiteral("Szamla2.frf"))), owner);
        QCOMPARE(read(QDir(folder).filePath(QStringLiteral("litania.txt"))), QByteArray("saját szövegek"));
        QCOMPARE(read(QDir(folder).filePath(QStringLiteral("Szlevel2.frf"))), QByteArray("saját sablon"));
        // a deleted file comes back
        QVERIFY(QFile::remove(QDir(folder).filePath(QStringLiteral("Szamla3.frf"))));
        w = prepareWorkingFolder(current.path(), installed.path(), folder);
        QCOMPARE(w.copied, QStringList{QStringLiteral("Szamla3.frf")});

        // without an installed copy the filled folder is still used; an empty one is not
        QTemporaryDir none;
        QCOMPARE(prepareWorkingFolder(current.path(), QString(), folder).path, QDir(folder).absolutePath());
        QCOMPARE(prepareWorkingFolder(current.path(), QString(), none.path()).path, current.path());
    }

    void theDebianPackageHoldsEverything()
    {
        const QString cpack = QStandardPaths::findExecutable(QStringLiteral("cpack"));
        if (cpack.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
            QSKIP("cpack, dpkg-deb or dpkg-shlibdeps is missing (scripts/deps.sh installs them)");
        QTemporaryDir out;
        const Run built = run(cpack, {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out.path()},
                              QStringLiteral(ORVENA_BINARY_DIR));
        QVERIFY2(built.status == 0, qPrintable(built.out + built.err));
        const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^orvena_\\d+\\.\\d+_amd64\\.deb$")).match(debs.first()).hasMatch(),
                 qPrintable(debs.first()));
        const QString deb = QDir(out.path()).filePath(debs.first());

        // control fields
        auto field = [&](const QString& name) {
            return run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, name}).out.trimmed();
        };
        QCOMPARE(field(QStringLiteral("Package")), QStringLiteral("orvena"));
        QCOMPARE(field(QStringLiteral("Architecture")), QStringLiteral("amd64"));
        const QString depends = field(QStringLiteral("Depends"));
        for (const char* needed : {"libqt6widgets6", "libqt6printsupport6", "libqt6charts6", "libmariadb3", "mariadb-client",
                                   "fonts-liberation2", "libc6", "libqrencode4", "libcurl4"})
            QVERIFY2(depends.contains(QLatin1String(needed)), qPrintable(depends));
        QVERIFY(field(QStringLiteral("Recommends")).contains(QStringLiteral("mariadb-server")));
        QCOMPARE(field(QStringLiteral("Section")), QStringLiteral("misc"));
        const QString maintainer = field(QStringLiteral("Maintainer"));
        QVERIFY2(QRegularExpression(QStringLiteral("^[^<>]+ <[^@<>\\s]+@[^@<>\\s]+\\.[a-z]+>$")).match(maintainer).hasMatch()
                     && !maintainer.contains(QStringLiteral("localhost")),
                 qPrintable(maintainer));

        // the file list
        QTemporaryDir root;
        QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root.path()}).status, 0);
        const QDir r(root.path());
        for (const char* file :
             {"usr/bin/orvena", "usr/bin/orvena-setup", "usr/share/orvena/Szamla2.frf", "usr/share/orvena/Szamla3.frf",
              "usr/share/orvena/Szlevel2.frf", "usr/share/orvena/Szlevel3.frf", "usr/share/orvena/litania.txt",
              "usr/share/orvena/Dijbekero2.frf", "usr/share/orvena/Dijbekero3.frf",
              "usr/share/orvena/ORVENA2009.HLP", "usr/share/applications/orvena.desktop",
              "usr/share/icons/hicolor/scalable/apps/orvena.svg", "usr/share/icons/hicolor/48x48/apps/orvena.png",
              "usr/share/icons/hicolor/256x256/apps/orvena.png", "etc/mysql/mariadb.conf.d/60-orvena.cnf",
              "usr/share/doc/orvena/copyright", "usr/share/metainfo/hu.orvena.Orvena.metainfo.xml"})
            QVERIFY2(QFileInfo::exists(r.filePath(QLatin1String(file))), file);
        QVERIFY(QFileInfo(r.filePath(QStringLiteral("usr/bin/orvena"))).isExecutable());
        QVERIFY(read(r.filePath(QStringLiteral("etc/mysql/mariadb.conf.d/60-orvena.cnf")))
                    .contains("lower_case_table_names = 1"));
        QTemporaryDir control;
        QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), deb, control.path()}).status, 0);
        QCOMPARE(read(QDir(control.path()).filePath(QStringLiteral("conffiles"))).trimmed(),
                 QByteArray("/etc/mysql/mariadb.conf.d/60-orvena.cnf"));
        QCOMPARE(read(r.filePath(QStringLiteral("usr/share/orvena/litania.txt"))),
                 read(QStringLiteral(ORVENA_SOURCE_DIR "/templates/litania.txt")));
        QCOMPARE(pngSize(r.filePath(QStringLiteral("usr/share/icons/hicolor/48x48/apps/orvena.png"))), QSize(48, 48));
        QCOMPARE(pngSize(r.filePath(QStringLiteral("usr/share/icons/hicolor/256x256/apps/orvena.png"))),
                 QSize(256, 256));

        // the manual pages and the changelog, compressed; the copyright file and the AppStream
        // description
        auto unzipped = [&](const char* file) {
            return run(QStringLiteral("gzip"), {QStringLiteral("-dc"), r.filePath(QLatin1String(file))}).out;
        };
        QVERIFY(unzipped("usr/share/man/man1/orvena.1.gz").contains(QStringLiteral(".TH ORVENA 1")));
        const QString setupPage = unzipped("usr/share/man/man1/orvena-setup.1.gz");
        QVERIFY(setupPage.contains(QStringLiteral(".TH ORVENA\\-SETUP 1")));
        QVERIFY(setupPage.contains(QStringLiteral("\\-\\-add\\-user")));
        const QString changelog = unzipped("usr/share/doc/orvena/changelog.gz");
        QVERIFY2(changelog.startsWith(QStringLiteral("orvena (%1) ").arg(field(QStringLiteral("Version")))),
                 qPrintable(changelog.left(80)));
        QVERIFY(changelog.contains(QStringLiteral(" -- %1  ").arg(maintainer)));
        // free software under the GPL, version 3 or later, in the copyright file and the metadata
        const QByteArray copyright = read(r.filePath(QStringLiteral("usr/share/doc/orvena/copyright")));
        QVERIFY(copyright.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
        QVERIFY(copyright.contains("\nLicense: GPL-3+\n"));
        const QByteArray metainfo = read(r.filePath(QStringLiteral("usr/share/metainfo/hu.orvena.Orvena.metainfo.xml")));
        QXmlStreamReader xml(metainfo);
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(metainfo.contains("<id>hu.orvena.Orvena</id>"));
        QVERIFY(metainfo.contains("<project_license>GPL-3.0-or-later</project_license>"));
        QVERIFY(metainfo.contains("<launchable type=\"desktop-id\">orvena.desktop</launchable>"));

        // Debian's own checks find no error (where lintian is installed)
        if (const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian")); !lintian.isEmpty()) {
            const Run checked = run(lintian, {deb});
            const QStringList errors = (checked.out + checked.err).split(u'\n').filter(QRegularExpression(QStringLiteral("^E: ")));
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
        } else {
            qInfo("lintian is not installed: the package's Debian checks are skipped");
        }

        // the menu entry
        const QString desktop = QString::fromUtf8(read(r.filePath(QStringLiteral("usr/share/applications/orvena.desktop"))));
        for (const char* line : {"Type=Application", "Name=Orvena", "Exec=orvena", "Icon=orvena",
                                 "Categories=Office;Finance;", "Comment=Számlák, szállítólevelek"})
            QVERIFY2(desktop.contains(QString::fromUtf8(line)), line);

        // the unpacked program, started outside a working folder, fills the operator's folder
        // from its own share/orvena (the database being out of reach does not matter here)
        QTemporaryDir home, elsewhere;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.remove(QStringLiteral("XDG_DATA_HOME"));
        env.insert(QStringLiteral("ORVENA_DB_SOCKET"), home.filePath(QStringLiteral("nincs.sock")));
        const QString program = r.filePath(QStringLiteral("usr/bin/orvena"));
        const Run help = run(program, {QStringLiteral("--help")}, elsewhere.path(), env);
        QCOMPARE(help.status, 0);
        // the manual page names every option the help names
        const QString manual = unzipped("usr/share/man/man1/orvena.1.gz");
        static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
        int options = 0;
        for (const QRegularExpressionMatch& m : option.globalMatch(help.out)) {
            ++options;
            QString escaped = m.captured();
            escaped.replace(u'-', QStringLiteral("\\-"));
            QVERIFY2(manual.contains(escaped), qPrintable(m.captured()));
        }
        QVERIFY(options > 20);
        const Run started = run(program, {QStringLiteral("--invoice"), QStringLiteral("1"), QStringLiteral("--pdf"),
                                          QStringLiteral("x.pdf")},
                                elsewhere.path(), env);
        QVERIFY(started.status != 0);
        const QDir filled(QDir(home.path()).filePath(QStringLiteral(".local/share/orvena")));
        for (const char* file : {"Szamla2.frf", "Szlevel3.frf", "litania.txt"})
            QVERIFY2(filled.exists(QLatin1String(file)), file);
        QVERIFY(!QFile::exists(QDir(elsewhere.path()).filePath(QStringLiteral("x.pdf"))));
    }
};

QTEST_GUILESS_MAIN(PackageTest)
#include "tst_package.moc"
