// Invoices sent by e-mail, through a real SMTP server on the loopback address (Python's aiosmtpd,
// started by the test) that writes every message it accepts and what a mail parser reads of it:
// the headers and the Hungarian text, the attached PDF byte for byte, the issue as an electronic
// invoice, the log; the failures (refused login, unreachable server, unverified certificate)
// leave nothing marked; the register's window and the command line.
#include "support/fakes.h"
#include "support/invoiceseed.h"
#include "support/modaldriver.h"

#include "app/session.h"
#include "billing/openbalance.h"
#include "invoice/printinvoice.h"
#include "mail/invoicemail.h"
#include "mail/mailscreens.h"
#include "mail/mailsender.h"
#include "invoice/invoiceregister.h"
#include "invoice/ui/receivablesmodel.h"
#include "reports/recordingpresenter.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include "db/errors.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QCryptographicHash>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <sys/stat.h>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kPassword = QStringLiteral("Tit0k-jelszó");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The test's SMTP server; stopped when it goes out of scope.
class SmtpServer {
public:
    enum class Tls { None, StartTls, Implicit };
    struct Received {
        QStringList envelope; // MAIL FROM, then the recipients
        QByteArray raw;
        QString subject, body, attachmentName;
        QByteArray attachment;
    };

    // `mode`: how the server misbehaves (see smtpserver.py), empty when it does not.
    bool start(Tls tls = Tls::None, bool login = false, const QString& mode = {})
    {
            QStringList args{QStringLiteral(ORVENA_SOURCE_DIR "/tests/support/smtpserver.py"), m_dir.path()};
            if (!mode.isEmpty())
                args << QStringLiteral("--mode") << mode;
            if (tls != Tls::None) {
                if (!makeCertificate())
                    return false;
                args << QStringLiteral("--tls") << (tls == Tls::StartTls ? QStringLiteral("starttls") : QStringLiteral("implicit"))
                     << certificate() << m_dir.filePath(QStringLiteral("key.pem"));
            }
            if (login)
                args << QStringLiteral("--login") << QStringLiteral("szamlazas") << kPassword;
            // Debian's interpreter, which holds the packaged aiosmtpd.
            const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                     : QStringLiteral("python3");
            m_process.start(python, args);
            if (!m_process.waitForStarted(10000))
                return false;
            while (m_process.waitForReadyRead(15000)) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith("PORT ")) {
                    m_port = line.mid(5).toInt();
                    return m_port > 0;
                }
            }
            qWarning() << m_process.readAllStandardError();
            return false;
    }
    ~SmtpServer()
    {
            m_process.closeWriteChannel();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(2000);
    }
    int port() const { return m_port; }
    QString certificate() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QList<Received> received() const
    {
            QList<Received> out;
            for (int n = 1; QFile::exists(m_dir.filePath(QStringLiteral("%1.eml").arg(n))); ++n) {
                auto file = [&](const char* ext) { return m_dir.filePath(QStringLiteral("%1.%2").arg(n).arg(QLatin1String(ext))); };
                Received r;
                r.envelope = QString::fromUtf8(readAll(file("env"))).split(u'\n', Qt::SkipEmptyParts);
                r.raw = readAll(file("eml"));
                r.subject = QString::fromUtf8(readAll(file("subject")));
                r.body = QString::fromUtf8(readAll(file("body"))).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                r.attachment = readAll(file("att"));
                r.attachmentName = QString::fromUtf8(readAll(file("attname")));
                out << r;
            }
            return out;
    }

private:
    // A self-signed certificate for 127.0.0.1, made for this run.
    bool makeCertificate()
    {
            QProcess openssl;
            openssl.start(QStringLiteral("openssl"),
                          {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                           QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                           QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                           certificate(), QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                           QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                           QStringLiteral("subjectAltName=IP:127.0.0.1")});
            return openssl.waitForFinished(30000) && openssl.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

} // namespace

class TestInvoiceMail : public QObject {
    Q_OBJECT
private slots:
    void screensThroughTheOpener();
    void initTestCase();
    void init();
    void cleanup();

    void sendsAndIssuesElectronically();
    void sentEvenWhenTheLogFails_data();
    void sentEvenWhenTheLogFails();
    void attachmentAndTextArriveExactly_data();
    void attachmentAndTextArriveExactly();
    void failuresMarkNothing_data();
    void failuresMarkNothing();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void registerWindowSends();
    void remindersGoByMail();
    void commandLine();
    void archiveIsKeptAndExported();

private:
    // The configuration file's [smtp] section for this test.
    void configure(int port, const QString& security, bool login = false, const QString& ca = {},
                   const QString& host = QStringLiteral("127.0.0.1"), const QString& from = QStringLiteral("szamla@tiszamerleg.hu"));
    void addInvoice(const QString& number);
    QString scalar(const QString& sql) { return m_session->db.scalar(sql); }

    std::unique_ptr<TestSession> m_session;
    RecordingPresenter m_presenter;
    QTemporaryDir m_configDir;
    QByteArray m_savedConfig;
};

void TestInvoiceMail::initTestCase()
{
    m_savedConfig = qgetenv("ORVENA_CONFIG");
    m_session = std::make_unique<TestSession>();
    m_session->context.reports = &m_presenter;
    applyProgramLocale();
    QVERIFY(QDir::setCurrent(templateFolder()));
}

void TestInvoiceMail::init()
{
    DB_VERIFY(m_session->db.reset());
    DB_VERIFY(m_session->db.addDemoData());
    m_session->ui.clear();
    m_session->db.exec(QStringLiteral("UPDATE vevo SET vEmail = 'konyveles@kovacs.hu;penzugy@kovacs.hu' WHERE vKod = '1'"));
}

void TestInvoiceMail::cleanup()
{
    qputenv("ORVENA_CONFIG", m_savedConfig);
}

void TestInvoiceMail::configure(int port, const QString& security, bool login, const QString& ca, const QString& host,
                                const QString& from)
{
    // a server that falls silent is given up after two seconds
    QString ini = QStringLiteral("[smtp]\nhost=%1\nport=%2\nsecurity=%3\nfrom=%4\ntimeout=2\n")
                      .arg(host)
                      .arg(port)
                      .arg(security, from);
    if (login)
        ini += QStringLiteral("user=szamlazas\npassword=%1\n").arg(kPassword);
    if (!ca.isEmpty())
        ini += QStringLiteral("ca=%1\n").arg(ca);
    const QString path = m_configDir.filePath(QStringLiteral("orvena.conf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(ini.toUtf8());
    file.close();
    qputenv("ORVENA_CONFIG", QFile::encodeName(path));
}

void TestInvoiceMail::addInvoice(const QString& number)
{
    const QDate today = QDate::currentDate();
    test::seedInvoiceHeader(m_session->db, {{QStringLiteral("fBszam"), number},
                                            {QStringLiteral("fTkelt"), today.toString(Qt::ISODate)},
                                            {QStringLiteral("fRkelt"), today.toString(Qt::ISODate)},
                                            {QStringLiteral("fFkelt"), today.addDays(8).toString(Qt::ISODate)},
                                            {QStringLiteral("fFizmod"), QStringLiteral("átutalás")},
                                            {QStringLiteral("fMegj"), QStringLiteral("Első")},
                                            {QStringLiteral("fPrn"), QStringLiteral(" ")},
                                            {QStringLiteral("fKerek"), QStringLiteral("0")},
                                            {QStringLiteral("fArfoly"), QStringLiteral("0")},
                                            {QStringLiteral("fPnem"), QStringLiteral("Ft")},
                                            {QStringLiteral("fmKod"), QStringLiteral("00003")},
                                            {QStringLiteral("fzKod"), QStringLiteral("1")},
                                            {QStringLiteral("fvKod"), QStringLiteral("1")},
                                            {QStringLiteral("fmemo"), QStringLiteral("")},
                                            {QStringLiteral("fMemoSzall"), QStringLiteral("Tisza-Mérleg Kft.\r\nSzeged")},
                                            {QStringLiteral("fMemoVevo"), QStringLiteral("Kovács és Társa Bt.\r\nBudapest")}});
    m_session->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, "
                                      "sPnem, skAfakod, sAfanev, sAfa, sMemo) VALUES ('%1', '1', 'TM-1', "
                                      "'Konyhai mérleg', '8423', 2, 'db', 10000, 'Ft', '1', '27% általános', 27, '')")
                           .arg(number));
}

// An unissued invoice is sent to the customer's addresses and issued as an electronic invoice;
// sent again, it stays as issued and the log holds both messages.
void TestInvoiceMail::sendsAndIssuesElectronically()
{
    SmtpServer server;
    QVERIFY(server.start());
    configure(server.port(), QStringLiteral("none"));
    addInvoice(QStringLiteral("20100001"));
    mail::InvoiceMailResult result;
    DB_VERIFY(result = mail::emailInvoice(m_session->context, QStringLiteral("20100001")));
    QVERIFY2(result.sent, qPrintable(result.message));
    QCOMPARE(result.message,
             QStringLiteral("A(z) 20100001 számú számla elküldve: konyveles@kovacs.hu, penzugy@kovacs.hu."));

    const auto got = server.received();
    QCOMPARE(got.size(), 1);
    const auto& m = got.front();
    QCOMPARE(m.envelope, (QStringList{"szamla@tiszamerleg.hu", "konyveles@kovacs.hu", "penzugy@kovacs.hu"}));
    QCOMPARE(m.subject, QStringLiteral("Tisza-Mérleg Kereskedelmi Kft. számlája: 20100001"));
    QVERIFY2(m.body.startsWith(QStringLiteral("Tisztelt Kovács és Társa Bt.!\n\nMellékelten küldjük a(z) 20100001 "
                                              "számú számlánkat.\nFizetendő: 25 400,00 Ft\nFizetési határidő: ")),
             qPrintable(m.body));
    QVERIFY(m.raw.contains("\r\nFrom: szamla@tiszamerleg.hu\r\n") || m.raw.startsWith("From: szamla@tiszamerleg.hu\r\n"));
    QVERIFY(m.raw.contains("\r\nTo: konyveles@kovacs.hu, penzugy@kovacs.hu\r\n"));
    QCOMPARE(m.attachmentName, QStringLiteral("K20100001.pdf application/pdf"));
    QVERIFY(m.attachment.startsWith("%PDF-"));
    // a date with its zone as digits and sign
    static const QRegularExpression date(QStringLiteral("\r\nDate: [A-Z][a-z]{2}, \\d{2} [A-Z][a-z]{2} \\d{4} "
                                                        "\\d{2}:\\d{2}:\\d{2} [+-]\\d{4}\r\n"));
    QVERIFY2(date.match(QString::fromLatin1(m.raw)).hasMatch(), m.raw.left(600).constData());
    // the electronic invoice is one original: a single page, where the print makes three copies
    QCOMPARE(m.attachment.count("/Type /Page\n"), 1);
    // the very bytes sent are kept with the issue, beside its document, with their hash
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT aElektronikus, aPdfSha, aXml = (SELECT nXml FROM szlanav WHERE "
                                               "nBszam = aBszam) FROM szlaarchiv")),
             QStringList{QStringLiteral("1|%1|1").arg(QString::fromLatin1(
                 QCryptographicHash::hash(m.attachment, QCryptographicHash::Sha256).toHex()))});
    QCOMPARE(scalar(QStringLiteral("SELECT aPdf = UNHEX('%1') FROM szlaarchiv").arg(QString::fromLatin1(m.attachment.toHex()))),
             QStringLiteral("1"));

    // issued as electronic, once; the original copy went out
    QCOMPARE(scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")), QStringLiteral("I"));
    const QString xml = scalar(QStringLiteral("SELECT nXml FROM szlanav WHERE nBszam = '20100001'"));
    QVERIFY2(xml.contains(QStringLiteral("<invoiceAppearance>ELECTRONIC</invoiceAppearance>")), qPrintable(xml));
    QCOMPARE(m_presenter.presented.size(), size_t(0)); // written to the attachment, not the run's presenter
    const QString messageId = QString::fromLatin1(m.raw.mid(m.raw.indexOf("Message-ID: ") + 12).split('\r').front());
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT emBszam, emCim, emValasz, emAzonosito, emAllapot FROM szlaemail")),
             QStringList{QStringLiteral("20100001|konyveles@kovacs.hu; penzugy@kovacs.hu|250 2.0.0 Ok: queued as TESZT1|")
                         + messageId + QStringLiteral("|ELKULDVE")});

    // sent again to other addresses (separated by ","): the same file, the stored document stays as issued;
    // an issuer's name on two lines stays on the subject's one line
    m_session->db.exec(QStringLiteral("UPDATE szallito SET zNev1 = CONCAT('Tisza-Mérleg', CHAR(13), CHAR(10), "
                                      "'Kereskedelmi Kft.') WHERE zKod = '1'"));
    DB_VERIFY(result = mail::emailInvoice(m_session->context, QStringLiteral("20100001"),
                                          QStringLiteral("iroda@kovacs.hu, titkarsag@kovacs.hu")));
    QVERIFY(result.sent);
    QCOMPARE(server.received().size(), 2);
    QCOMPARE(server.received().at(1).envelope.mid(1), (QStringList{"iroda@kovacs.hu", "titkarsag@kovacs.hu"}));
    QCOMPARE(server.received().at(1).attachment, m.attachment);
    QCOMPARE(server.received().at(1).subject, QStringLiteral("Tisza-Mérleg Kereskedelmi Kft. számlája: 20100001"));
    QVERIFY2(server.received().at(1).body.endsWith(QStringLiteral("Üdvözlettel:\nTisza-Mérleg\nKereskedelmi Kft.\n")),
             qPrintable(server.received().at(1).body));
    m_session->db.exec(QStringLiteral("UPDATE szallito SET zNev1 = 'Tisza-Mérleg Kereskedelmi Kft.' WHERE zKod = '1'"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaarchiv")), QStringLiteral("1"));
    QCOMPARE(scalar(QStringLiteral("SELECT nXml FROM szlanav WHERE nBszam = '20100001'")), xml);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaemail")), QStringLiteral("2"));

    // a printed invoice is reported as paper
    addInvoice(QStringLiteral("20100002"));
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100002"), PrintMode::Print));
    QVERIFY(scalar(QStringLiteral("SELECT nXml FROM szlanav WHERE nBszam = '20100002'"))
                .contains(QStringLiteral("<invoiceAppearance>PAPER</invoiceAppearance>")));
    // ... and its original copy is kept as issued too, not as the electronic invoice
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT aElektronikus, LEFT(aPdf, 5), aPdfSha = SHA2(aPdf, 256), "
                                               "aXmlSha = SHA2(aXml, 256) FROM szlaarchiv WHERE aBszam = '20100002'")),
             QStringList{QStringLiteral("0|%PDF-|1|1")});
    // e-mailed afterwards, it goes as a copy of its original page
    DB_VERIFY(result = mail::emailInvoice(m_session->context, QStringLiteral("20100002")));
    QVERIFY(result.sent);
    QCOMPARE(server.received().size(), 3);
    QCOMPARE(server.received().at(2).attachment.count("/Type /Page\n"), 1);
    QVERIFY(server.received().at(2).attachment
            != QByteArray::fromHex(scalar(QStringLiteral("SELECT HEX(aPdf) FROM szlaarchiv WHERE aBszam = '20100002'")).toLatin1()));
    QCOMPARE(scalar(QStringLiteral("SELECT emArchiv IS NULL FROM szlaemail WHERE emBszam = '20100002'")), QStringLiteral("1"));
}

// The message is out once the server took it: a log that cannot be written does not turn that
// into a failure (which would invite sending it twice), it is said beside it.
// A customer's overdue invoices go as one reminder letter per issuer, logged under each invoice
// it names; a customer with nothing overdue gets nothing, and a server that cannot be reached
// leaves no log.
void TestInvoiceMail::remindersGoByMail()
{
    SmtpServer server;
    QVERIFY(server.start());
    configure(server.port(), QStringLiteral("none"));
    addInvoice(QStringLiteral("20100001"));
    addInvoice(QStringLiteral("20100002"));
    addInvoice(QStringLiteral("20100003"));
    // issued before the days asked about (a receivable as of a day was issued by then)
    m_session->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I', fRkelt = '2025-12-20', fFkelt = '2026-01-10'"));
    m_session->db.exec(QStringLiteral("UPDATE szlafej SET fFkelt = '2026-04-10' WHERE fBszam = '20100003'"));
    backfillOpenBalance(m_session->db.admin()); // issued behind the program's back: their open balances written afresh

    mail::InvoiceMailResult result;
    DB_VERIFY(result = mail::emailReminder(m_session->context, QStringLiteral("1"), QDate(2026, 3, 1)));
    QVERIFY2(result.sent, qPrintable(result.message));
    const auto got = server.received();
    QCOMPARE(got.size(), 1);
    QCOMPARE(got.front().envelope, (QStringList{"szamla@tiszamerleg.hu", "konyveles@kovacs.hu", "penzugy@kovacs.hu"}));
    QCOMPARE(got.front().subject, QStringLiteral("Fizetési felszólítás – Tisza-Mérleg Kereskedelmi Kft."));
    QVERIFY2(got.front().body.startsWith(QStringLiteral("Tisztelt Kovács és Társa Bt.!\n")), qPrintable(got.front().body));
    QCOMPARE(got.front().attachmentName, QStringLiteral("Felszolitas.pdf application/pdf"));
    QVERIFY(got.front().attachment.startsWith("%PDF-"));
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT emBszam FROM szlaemail ORDER BY emBszam")),
             (QStringList{"20100001", "20100002"})); // the one not yet due is not named

    DB_VERIFY(result = mail::emailReminder(m_session->context, QStringLiteral("1"), QDate(2026, 1, 5)));
    QVERIFY(!result.sent);
    QCOMPARE(server.received().size(), 1);

    configure(1, QStringLiteral("none")); // nothing listens there
    DB_VERIFY(result = mail::emailReminder(m_session->context, QStringLiteral("1"), QDate(2026, 3, 1)));
    QVERIFY(!result.sent);
    QVERIFY(!result.message.isEmpty());
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaemail")), QStringLiteral("2"));
    QVERIFY(mail::sentMails(m_session->data, QStringLiteral("20100001")).front().reminder);

    // Through the receivables window: the letters and the addresses are shown before anything
    // goes; a customer without an address is told where to give one, and the one typed is used.
    configure(server.port(), QStringLiteral("none"));
    m_session->db.exec(QStringLiteral("UPDATE vevo SET vEmail = '' WHERE vKod = '1'"));
    DataModule data;
    DB_VERIFY(data.connect(m_session->db.profile()));
    AppState state;
    GuiUserInterface ui;
    ScreenRegistry registry;
    RecordingPresenter presenter;
    ScreenContext context{data, state, ui, registry, &presenter};
    registry.setContext(&context);
    registerAllScreens(registry);
    std::unique_ptr<QDialog> list(registry.create(Screen::Receivables));
    QVERIFY(list);
    list->show();
    list->findChild<QLineEdit*>(QStringLiteral("dayEdit"))->setText(QStringLiteral("2026.03.01"));
    QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("refreshButton")), Qt::LeftButton);
    auto* tree = list->findChild<QTreeView*>(QStringLiteral("receivablesTree"));
    QCOMPARE(tree->model()->rowCount(), 4); // the customer's line and its three open invoices
    QVERIFY(!static_cast<ReceivablesTreeModel*>(tree->model())->isCustomerLine(1));
    tree->setCurrentIndex(tree->model()->index(2, 0)); // an invoice's line names its customer too
    {
        ModalDriver driver;
        driver
            .window(QStringLiteral("TEmailFelszolitas"),
                    [](QWidget* w) {
                        auto* letters = w->findChild<QTreeWidget*>(QStringLiteral("letterList"));
                        QCOMPARE(letters->topLevelItemCount(), 1);
                        QCOMPARE(letters->topLevelItem(0)->text(1), QStringLiteral("20100001, 20100002"));
                        QVERIFY(w->findChild<QLabel*>(QStringLiteral("noAddressNote")));
                        auto* addresses = w->findChild<QLineEdit*>(QStringLiteral("addresses"));
                        QVERIFY(addresses->text().isEmpty());
                        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("sendButton")), Qt::LeftButton);
                        QVERIFY(w->isVisible()); // refused: the window stays for the address
                        addresses->setText(QStringLiteral("penzugy@kovacs.hu"));
                        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("sendButton")), Qt::LeftButton);
                    })
            .box(QStringLiteral("Nincs megadva e-mail-cím."), QStringLiteral("OK"))
            .box(QStringLiteral("fizetési felszólítása elküldve: penzugy@kovacs.hu."), QStringLiteral("OK"));
        QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("reminderMailButton")), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    }
    QCOMPARE(server.received().size(), 2);
    QCOMPARE(server.received().back().envelope.mid(1), QStringList{QStringLiteral("penzugy@kovacs.hu")});
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT DISTINCT emFajta FROM szlaemail")), QStringList{QStringLiteral("FELSZOLITAS")});
}

// Issuing comes first: when it fails (an outage, a write-time refusal) nothing is sent and the
// invoice stays as it was; once the message is out, a log that cannot be completed does not turn
// that into a failure (which would invite sending it twice), it is said beside it.
void TestInvoiceMail::sentEvenWhenTheLogFails_data()
{
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<bool>("error");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("expected");
    QTest::newRow("marking refused") << QByteArray("UPDATE Szlafej SET fprn") << true << false << "";
    QTest::newRow("archive refused") << QByteArray("INSERT INTO szlaarchiv") << true << false << "";
    QTest::newRow("delivery not noted") << QByteArray("INSERT INTO szlaemail") << true << false << "";
    QTest::newRow("outcome not noted") << QByteArray("UPDATE szlaemail") << false << true
                                       << "A küldés eredménye nem került a naplóba";
}

void TestInvoiceMail::sentEvenWhenTheLogFails()
{
    QFETCH(QByteArray, failing);
    QFETCH(bool, error);
    QFETCH(bool, sent);
    QFETCH(QString, expected);
    SmtpServer server;
    QVERIFY(server.start());
    configure(server.port(), QStringLiteral("none"));
    addInvoice(QStringLiteral("20100001"));
    m_session->data.connection().setStatementHook([failing](const QByteArray& sql) {
        if (sql.startsWith(failing))
            throw DbError(QStringLiteral("lock wait timeout"));
    });
    mail::InvoiceMailResult result;
    bool thrown = false;
    try {
        result = mail::emailInvoice(m_session->context, QStringLiteral("20100001"));
    } catch (const Error&) {
        thrown = true;
    }
    m_session->data.connection().setStatementHook({});
    QCOMPARE(thrown, error);
    QCOMPARE(result.sent, sent);
    QVERIFY2(result.message.contains(expected), qPrintable(result.message));
    QCOMPARE(server.received().size(), sent ? 1 : 0);
    QCOMPARE(scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")),
             sent ? QStringLiteral("I") : QStringLiteral(" "));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), sent ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaarchiv")), sent ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaosszeg")), sent ? QStringLiteral("1") : QStringLiteral("0"));
}

// What the reminder letter reuses: a PDF to addresses, through every kind of connection; the
// attachment arrives byte for byte and the Hungarian subject and text as written.
void TestInvoiceMail::attachmentAndTextArriveExactly_data()
{
    QTest::addColumn<int>("tls");
    QTest::addColumn<QString>("security");
    QTest::addColumn<bool>("login");
    QTest::newRow("plain on the loopback") << int(SmtpServer::Tls::None) << "none" << false;
    QTest::newRow("STARTTLS with login") << int(SmtpServer::Tls::StartTls) << "starttls" << true;
    QTest::newRow("implicit TLS with login") << int(SmtpServer::Tls::Implicit) << "tls" << true;
}

void TestInvoiceMail::attachmentAndTextArriveExactly()
{
    QFETCH(int, tls);
    QFETCH(QString, security);
    QFETCH(bool, login);
    SmtpServer server;
    QVERIFY(server.start(static_cast<SmtpServer::Tls>(tls), login));
    configure(server.port(), security, login, tls ? server.certificate() : QString());
    QByteArray pdf = "%PDF-1.4\r\n";
    for (int i = 0; i < 3000; ++i)
        pdf += static_cast<char>((i * 7919) % 256); // every byte value, line ends and dots among them
    pdf += "\r\n.\r\n%%EOF";
    const QString subject = QStringLiteral("Árvíztűrő tükörfúrógép – fizetési felszólítás, ŐŰőű, hosszú tárgy sok ékezettel");
    const QString body = QStringLiteral("Tisztelt Ügyfelünk!\n\n.\nA lejárt tartozás: 12 345 Ft.\nÁrvíztűrő tükörfúrógép\n");
    mail::SendResult result;
    DB_VERIFY(result = mail::sendPdfMail(SmtpSettings::fromConfig(), {QStringLiteral("vevo@example.hu")}, subject, body,
                                         pdf, QStringLiteral("felszolitas-2026.pdf")));
    QVERIFY2(result.sent, qPrintable(result.fullMessage()));
    QVERIFY(result.serverAnswer.startsWith(QStringLiteral("250 2.0.0 Ok: queued as TESZT1")));
    const auto got = server.received();
    QCOMPARE(got.size(), 1);
    QCOMPARE(got.front().attachment, pdf);
    QCOMPARE(got.front().attachmentName, QStringLiteral("felszolitas-2026.pdf application/pdf"));
    QCOMPARE(got.front().subject, subject);
    QCOMPARE(got.front().body, body);
    // the headers stay 7-bit: the text travels encoded
    for (const char c : got.front().raw)
        QVERIFY(static_cast<unsigned char>(c) < 0x80);
}

// The invoice is issued before anything is sent: a failure is a Hungarian message with the
// server's words that says the invoice is issued; the delivery stays in the log as failed, or as
// unknown when the whole message went out and no answer came (the server dropped the connection or
// fell silent: the customer may hold it). "Újraküldés" then sends the very same file, under the
// same message id.
void TestInvoiceMail::failuresMarkNothing_data()
{
    QTest::addColumn<int>("tls");
    QTest::addColumn<QString>("security");
    QTest::addColumn<bool>("serverLogin");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("expected");
    QTest::newRow("refused login") << int(SmtpServer::Tls::StartTls) << "starttls" << true << "rossz" << true << true
                                   << "" << "SIKERTELEN" << "nem fogadta el a bejelentkezést";
    QTest::newRow("unreachable") << int(SmtpServer::Tls::None) << "none" << false << "" << true << false << ""
                                 << "SIKERTELEN" << "nem érhető el";
    QTest::newRow("STARTTLS, unverified certificate") << int(SmtpServer::Tls::StartTls) << "starttls" << false << ""
                                                      << false << true << "" << "SIKERTELEN"
                                                      << "nem jött létre biztonságos kapcsolat";
    QTest::newRow("implicit TLS, unverified certificate") << int(SmtpServer::Tls::Implicit) << "tls" << false << ""
                                                          << false << true << "" << "SIKERTELEN"
                                                          << "nem jött létre biztonságos kapcsolat";
    QTest::newRow("server without STARTTLS") << int(SmtpServer::Tls::None) << "starttls" << false << "" << true << true
                                             << "" << "SIKERTELEN" << "nem támogatja a titkosított kapcsolatot";
    QTest::newRow("server vanishes") << int(SmtpServer::Tls::None) << "none" << false << "" << true << true << "vanish"
                                     << "SIKERTELEN" << "Megszakadt a kapcsolat";
    QTest::newRow("server silent from the start") << int(SmtpServer::Tls::None) << "none" << false << "" << true << true
                                                  << "stall" << "SIKERTELEN" << "nem válaszolt 2 másodpercen belül";
    QTest::newRow("dropped after the message") << int(SmtpServer::Tls::None) << "none" << false << "" << true << true
                                               << "drop-after-data" << "ISMERETLEN"
                                               << "A levél átadása után megszakadt a kapcsolat";
    QTest::newRow("silent after the message") << int(SmtpServer::Tls::StartTls) << "starttls" << false << "" << true
                                              << true << "stall-after-data" << "ISMERETLEN"
                                              << "2 másodpercig nem igazolta vissza";
}

void TestInvoiceMail::failuresMarkNothing()
{
    QFETCH(int, tls);
    QFETCH(QString, security);
    QFETCH(bool, serverLogin);
    QFETCH(QString, password);
    QFETCH(bool, trusted);
    QFETCH(bool, running);
    QFETCH(QString, mode);
    QFETCH(QString, state);
    QFETCH(QString, expected);
    int port = 0;
    std::unique_ptr<SmtpServer> server = std::make_unique<SmtpServer>();
    QVERIFY(server->start(static_cast<SmtpServer::Tls>(tls), serverLogin, mode));
    port = server->port();
    configure(port, security, serverLogin, trusted && tls ? server->certificate() : QString());
    if (!password.isEmpty()) {
        QFile file(QString::fromLocal8Bit(qgetenv("ORVENA_CONFIG")));
        QVERIFY(file.open(QIODevice::Append));
        file.write("password=" + password.toUtf8() + "\n"); // the later value wins
    }
    if (!running)
        server.reset(); // nothing listens on its port any more
    addInvoice(QStringLiteral("20100001"));
    mail::InvoiceMailResult result;
    DB_VERIFY(result = mail::emailInvoice(m_session->context, QStringLiteral("20100001")));
    QVERIFY(!result.sent);
    const bool unknown = state == u"ISMERETLEN";
    QVERIFY2(result.message.startsWith(QStringLiteral("A(z) 20100001 számú számla elektronikus számlaként kiállítva, "
                                                      "már nem módosítható.\n")
                                       + (unknown ? QStringLiteral("Nem tudni, hogy az e-mail elment-e. ")
                                                  : QStringLiteral("Az e-mail nem ment el. "))),
             qPrintable(result.message));
    QVERIFY2(result.message.contains(expected), qPrintable(result.message));
    QVERIFY2(result.message.contains(QStringLiteral("\nA kiszolgáló válasza: ")), qPrintable(result.message));
    QVERIFY2(result.message.endsWith(QStringLiteral("„Újraküldés” gombjával ugyanez a számla-PDF újra elküldhető.")),
             qPrintable(result.message));
    if (serverLogin)
        QVERIFY2(result.message.contains(QStringLiteral("535")), qPrintable(result.message)); // the server's own words
    // issued, reported and summed as any issued invoice; the delivery is noted with the file it carries
    QCOMPARE(scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")), QStringLiteral("I"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("1"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaosszeg")), QStringLiteral("1"));
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT emAllapot, emArchiv = (SELECT aID FROM szlaarchiv) FROM szlaemail")),
             QStringList{state + QStringLiteral("|1")});
    const QByteArray kept = QByteArray::fromHex(scalar(QStringLiteral("SELECT HEX(aPdf) FROM szlaarchiv")).toLatin1());
    const QString firstId = scalar(QStringLiteral("SELECT emAzonosito FROM szlaemail"));
    if (server)
        QCOMPARE(server->received().size(), mode == u"drop-after-data" || mode == u"stall-after-data" ? 1 : 0);
    if (server && !server->received().isEmpty())
        QCOMPARE(server->received().front().attachment, kept);
    server.reset();

    // sent again once the server works: the same bytes, the same message id, a new log row
    SmtpServer working;
    QVERIFY(working.start());
    configure(working.port(), QStringLiteral("none"));
    const qint64 logId = scalar(QStringLiteral("SELECT emID FROM szlaemail")).toLongLong();
    DB_VERIFY(result = mail::resendInvoiceMail(m_session->context, logId));
    QVERIFY2(result.sent, qPrintable(result.message));
    QCOMPARE(result.message, QStringLiteral("A(z) 20100001 számú számla elküldve: konyveles@kovacs.hu, penzugy@kovacs.hu."));
    QCOMPARE(working.received().size(), 1);
    QCOMPARE(working.received().front().attachment, kept);
    QVERIFY(working.received().front().raw.contains("\r\nMessage-ID: " + firstId.toLatin1() + "\r\n"));
    QCOMPARE(m_session->db.rows(QStringLiteral("SELECT emAllapot FROM szlaemail ORDER BY emID")),
             (QStringList{state, QStringLiteral("ELKULDVE")}));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaarchiv")), QStringLiteral("1"));
}

// What prevents the sending is said before anything goes out or is written.
void TestInvoiceMail::refusedBeforeSending_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("security");
    QTest::addColumn<QString>("customerAddress");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("fifoTemplate");
    QTest::newRow("no server set") << "" << "none" << "a@b.hu" << "" << "Nincs beállítva levelezőkiszolgáló" << false;
    QTest::newRow("plain text to another machine") << "smtp.example.hu" << "none" << "a@b.hu" << ""
                                                   << "Titkosítás nélkül (security=none) csak ennek a gépnek" << false;
    QTest::newRow("unknown security") << "127.0.0.1" << "ssl3" << "a@b.hu" << "" << "security értéke (\"ssl3\")" << false;
    QTest::newRow("customer without address") << "127.0.0.1" << "none" << "" << "" << "vevőjének nincs e-mail-címe" << false;
    QTest::newRow("header smuggled into the address") << "127.0.0.1" << "none" << "a@b.hu\r\nBcc: x@y.hu" << ""
                                                      << "Hibás e-mail-cím" << false;
    QTest::newRow("blank inside") << "127.0.0.1" << "none" << "a@b.hu" << "kovacs bela@x.hu" << "Hibás e-mail-cím: \"kovacs bela@x.hu\"" << false;
    QTest::newRow("only separators") << "127.0.0.1" << "none" << "a@b.hu" << " ; ;" << "Nincs megadva e-mail-cím" << false;
    // a FIFO under the template's name would hold the sending (and the window) for ever
    QTest::newRow("template is a FIFO") << "127.0.0.1" << "none" << "a@b.hu" << "" << "nem közönséges fájl" << true;
}

void TestInvoiceMail::refusedBeforeSending()
{
    QFETCH(QString, host);
    QFETCH(QString, security);
    QFETCH(QString, customerAddress);
    QFETCH(QString, to);
    QFETCH(QString, expected);
    QFETCH(bool, fifoTemplate);
    configure(25, security, false, {}, host);
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    if (fifoTemplate) {
        QVERIFY(::mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("Szamlalevel.txt"))).constData(), 0600) == 0);
        QVERIFY(QDir::setCurrent(folder.path()));
    }
    auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
    m_session->db.exec(QStringLiteral("UPDATE vevo SET vEmail = '%1' WHERE vKod = '1'").arg(customerAddress));
    addInvoice(QStringLiteral("20100001"));
    try {
        mail::emailInvoice(m_session->context, QStringLiteral("20100001"), to);
        QFAIL("sent");
    } catch (const Error& e) {
        QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
    }
    QCOMPARE(scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")), QStringLiteral(" "));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("0"));
}

// "Küldés e-mailben" in the register: the addresses window (the customer's, changed by the
// operator), the outcome box, the invoice issued and logged; "E-mail napló" lists the messages
// with their delivery and sends a failed one again.
void TestInvoiceMail::registerWindowSends()
{
    SmtpServer server;
    QVERIFY(server.start());
    configure(server.port(), QStringLiteral("none"));
    addInvoice(QStringLiteral("20100001"));

    DataModule data;
    DB_VERIFY(data.connect(m_session->db.profile()));
    AppState state;
    GuiUserInterface ui;
    ScreenRegistry registry;
    RecordingPresenter presenter;
    ScreenContext context{data, state, ui, registry, &presenter};
    registry.setContext(&context);
    registerAllScreens(registry);
    std::unique_ptr<QDialog> reg(registry.create(Screen::InvoiceRegister));
    QVERIFY(reg);
    reg->show();
    QVERIFY(QTest::qWaitForWindowExposed(reg.get()));

    // first the server cannot be reached: the operator was told the sending issues the invoice;
    // the box says it is issued and the e-mail did not go
    configure(server.port() == 1 ? 2 : 1, QStringLiteral("none"));
    {
        ModalDriver failing;
        failing
            .window(QStringLiteral("TEmailKuldes"),
                    [](QWidget* w) {
                        auto* addresses = w->findChild<QLineEdit*>(QStringLiteral("addresses"));
                        QCOMPARE(addresses->text(), QStringLiteral("konyveles@kovacs.hu;penzugy@kovacs.hu"));
                        bool warned = false;
                        for (const QLabel* label : w->findChildren<QLabel*>())
                            warned = warned || label->text().contains(QStringLiteral("elektronikus számlaként kiállításra kerül"));
                        QVERIFY(warned);
                        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("sendButton")), Qt::LeftButton);
                    })
            .box(QStringLiteral("A(z) 20100001 számú számla elektronikus számlaként kiállítva, már nem módosítható.\n"
                                "Az e-mail nem ment el. A levelezőkiszolgáló (127.0.0.1:"),
                 QStringLiteral("OK"));
        QTest::mouseClick(reg->findChild<QPushButton*>(QStringLiteral("mailButton")), Qt::LeftButton);
        QVERIFY2(failing.wait(), qPrintable(failing.failures().join(u'\n')));
    }
    QCOMPARE(scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")), QStringLiteral("I"));
    QCOMPARE(scalar(QStringLiteral("SELECT emAllapot FROM szlaemail")), QStringLiteral("SIKERTELEN"));
    const QByteArray kept = QByteArray::fromHex(scalar(QStringLiteral("SELECT HEX(aPdf) FROM szlaarchiv")).toLatin1());

    // "E-mail napló" shows the failed delivery; "Újraküldés" sends the kept file once the server works
    configure(server.port(), QStringLiteral("none"));
    {
        ModalDriver log;
        log.window(QStringLiteral("TEmailNaplo"),
                   [](QWidget* w) {
                       auto* table = w->findChild<QTableWidget*>(QStringLiteral("mailLog"));
                       QCOMPARE(table->rowCount(), 1);
                       QCOMPARE(table->item(0, 5)->text(), QStringLiteral("nem ment el"));
                       auto* resend = w->findChild<QPushButton*>(QStringLiteral("resendButton"));
                       QVERIFY(resend->isEnabled());
                       QTest::mouseClick(resend, Qt::LeftButton);
                   })
            .box(QStringLiteral("ugyanazon PDF-jét újra elküldi ide: konyveles@kovacs.hu; penzugy@kovacs.hu?"),
                 QStringLiteral("Igen"))
            .box(QStringLiteral("A(z) 20100001 számú számla elküldve: konyveles@kovacs.hu, penzugy@kovacs.hu."),
                 QStringLiteral("OK"),
                 [](QWidget*) {})
            .window(QStringLiteral("TEmailNaplo"), [](QWidget* w) {
                auto* table = w->findChild<QTableWidget*>(QStringLiteral("mailLog"));
                QCOMPARE(table->rowCount(), 2);
                QCOMPARE(table->item(0, 5)->text(), QStringLiteral("elküldve"));
                QVERIFY(table->item(0, 2)->text().startsWith(QStringLiteral("250 ")));
                QCOMPARE(table->item(1, 5)->text(), QStringLiteral("nem ment el"));
                QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
            });
        QTest::mouseClick(reg->findChild<QPushButton*>(QStringLiteral("mailLogButton")), Qt::LeftButton);
        QVERIFY2(log.wait(), qPrintable(log.failures().join(u'\n')));
    }
    QCOMPARE(server.received().size(), 1);
    QCOMPARE(server.received().front().attachment, kept);

    // sent once more to addresses the operator changed: the same file, no new issue
    {
        ModalDriver driver;
        driver
            .window(QStringLiteral("TEmailKuldes"),
                    [](QWidget* w) {
                        auto* addresses = w->findChild<QLineEdit*>(QStringLiteral("addresses"));
                        for (const QLabel* label : w->findChildren<QLabel*>())
                            QVERIFY(!label->text().contains(QStringLiteral("kiállításra kerül")));
                        addresses->setText(QStringLiteral("penzugy@kovacs.hu; vezeto@kovacs.hu"));
                        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("sendButton")), Qt::LeftButton);
                    })
            .box(QStringLiteral("A(z) 20100001 számú számla elküldve: penzugy@kovacs.hu, vezeto@kovacs.hu."), QStringLiteral("OK"));
        QTest::mouseClick(reg->findChild<QPushButton*>(QStringLiteral("mailButton")), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    }
    QCOMPARE(server.received().size(), 2);
    QCOMPARE(server.received().at(1).envelope.mid(1), (QStringList{"penzugy@kovacs.hu", "vezeto@kovacs.hu"}));
    QCOMPARE(server.received().at(1).attachment, kept);
    QCOMPARE(scalar(QStringLiteral("SELECT emCim FROM szlaemail ORDER BY emID DESC LIMIT 1")),
             QStringLiteral("penzugy@kovacs.hu; vezeto@kovacs.hu"));
}

// The e-mail screens as the register and the receivables open them, the operator scripted: the
// addresses asked for, the invoice sent and issued off the window's thread, its log and a sending
// again after "Igen", a reminder, and a sending stopped with "Mégsem" before the server answered.
void TestInvoiceMail::screensThroughTheOpener()
{
    SmtpServer server;
    QVERIFY(server.start());
    configure(server.port(), QStringLiteral("none"));
    addInvoice(QStringLiteral("20100001"));
    TestSession& s = *m_session;
    InvoiceRegister reg(s.context);
    reg.open();
    QCOMPARE(reg.highlightedNumber(), QStringLiteral("20100001"));

    s.opener.onOpen(Screen::InvoiceMail, [&](const ScreenRequest& request) {
        mail::InvoiceMailScreen screen(s.context, request);
        QVERIFY(screen.prepare());
        QVERIFY(screen.issues());
        QCOMPARE(screen.addresses(), QStringLiteral("konyveles@kovacs.hu;penzugy@kovacs.hu"));
        QVERIFY(!screen.send(QStringLiteral("  "))); // the screen stays for an address
        QCOMPARE(s.ui.last(), QStringLiteral("Nincs megadva e-mail-cím."));
        QVERIFY(screen.send(QStringLiteral("penzugy@kovacs.hu")));
    });
    reg.sendByMail();
    QCOMPARE(s.ui.last(), QStringLiteral("A(z) 20100001 számú számla elküldve: penzugy@kovacs.hu."));
    QCOMPARE(s.ui.backgroundTitles, QStringList{QStringLiteral("Az e-mail küldése: penzugy@kovacs.hu")});
    QCOMPARE(server.received().size(), 1);
    QCOMPARE(scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")), QStringLiteral("I"));

    s.opener.onOpen(Screen::InvoiceMailLog, [&](const ScreenRequest& request) {
        mail::InvoiceMailLogScreen log(s.context, request);
        log.read();
        QCOMPARE(log.sent().size(), size_t(1));
        log.resend(0); // "Nem": nothing goes
        s.ui.answer(true);
        log.resend(0);
        QCOMPARE(log.sent().size(), size_t(2));
        QCOMPARE(log.sent().front().stateText(), QStringLiteral("elküldve"));
    });
    reg.mailLog();
    QCOMPARE(server.received().size(), 2);
    QCOMPARE(server.received().at(1).attachment, server.received().at(0).attachment);

    // "Mégsem" before the server answered: nothing went, the log says so, the operator is told
    s.ui.cancelBackground = true;
    s.opener.onOpen(Screen::InvoiceMail, [&](const ScreenRequest& request) {
        mail::InvoiceMailScreen screen(s.context, request);
        QVERIFY(screen.prepare());
        QVERIFY(!screen.issues());
        QVERIFY(screen.send(screen.addresses()));
    });
    reg.sendByMail();
    s.ui.cancelBackground = false;
    QVERIFY2(s.ui.last().contains(QStringLiteral("A küldést megszakította")), qPrintable(s.ui.last()));
    QCOMPARE(server.received().size(), 2);
    QCOMPARE(scalar(QStringLiteral("SELECT emAllapot FROM szlaemail ORDER BY emID DESC LIMIT 1")),
             QStringLiteral("SIKERTELEN"));

    // the reminder, a month after the invoice fell due
    s.opener.onOpen(Screen::ReminderMail, [&](const ScreenRequest& request) {
        mail::ReminderMailScreen screen(s.context, request);
        QVERIFY(screen.prepare());
        QCOMPARE(screen.letters().size(), size_t(1));
        QCOMPARE(screen.letters().front().numbers, QStringList{QStringLiteral("20100001")});
        QVERIFY(screen.send(QStringLiteral("penzugy@kovacs.hu")));
    });
    ScreenRequest reminder = ScreenRequest::on(QStringLiteral("1"));
    reminder.day = QDate::currentDate().addDays(40);
    s.opener.open(Screen::ReminderMail, reminder);
    QVERIFY2(s.ui.last().contains(QStringLiteral("fizetési felszólítása elküldve: penzugy@kovacs.hu.")),
             qPrintable(s.ui.last()));
    QCOMPARE(server.received().size(), 3);
}

// orvena --email-invoice for automation; orvena-setup --print-config shows [smtp] masked.
void TestInvoiceMail::commandLine()
{
    SmtpServer server;
    QVERIFY(server.start(SmtpServer::Tls::StartTls, true));
    configure(server.port(), QStringLiteral("starttls"), true, server.certificate());
    addInvoice(QStringLiteral("20100001"));
    auto run = [this](const QString& program, const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVENA_DB_NAME"), m_session->db.name());
        env.insert(QStringLiteral("ORVENA_DB_USER"), m_session->db.profile().user);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(templateFolder());
        process.start(program, arguments);
        process.waitForFinished(120000);
        return std::make_tuple(process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                               QString::fromUtf8(process.readAllStandardError()));
    };
    auto [status, out, err] = run(QStringLiteral(ORVENA_PROGRAM),
                                  {QStringLiteral("--email-invoice"), QStringLiteral("20100001"), QStringLiteral("--to"),
                                   QStringLiteral("iroda@kovacs.hu")});
    QVERIFY2(status == 0, qPrintable(err));
    QCOMPARE(out.trimmed(), QStringLiteral("A(z) 20100001 számú számla elküldve: iroda@kovacs.hu."));
    QCOMPARE(server.received().size(), 1);
    QCOMPARE(scalar(QStringLiteral("SELECT emCim FROM szlaemail")), QStringLiteral("iroda@kovacs.hu"));

    // the usage text's own example: addresses with accents, separated by ";"; the domain travels
    // in its ASCII form
    std::tie(status, out, err) = run(QStringLiteral(ORVENA_PROGRAM),
                                     {QStringLiteral("--email-invoice"), QStringLiteral("20100001"), QStringLiteral("--to"),
                                      QStringLiteral("cím@példa.hu;másik@példa.hu")});
    QVERIFY2(status == 0, qPrintable(err));
    QCOMPARE(server.received().size(), 2);
    QCOMPARE(server.received().at(1).envelope.mid(1),
             (QStringList{QStringLiteral("cím@xn--plda-bpa.hu"), QStringLiteral("másik@xn--plda-bpa.hu")}));

    configure(server.port() == 1 ? 2 : 1, QStringLiteral("none")); // nothing listens there
    std::tie(status, out, err) = run(QStringLiteral(ORVENA_PROGRAM), {QStringLiteral("--email-invoice"), QStringLiteral("20100001")});
    QCOMPARE(status, 1);
    QVERIFY2(err.contains(QStringLiteral("nem érhető el")), qPrintable(err));

    configure(server.port(), QStringLiteral("starttls"), true, server.certificate());
    std::tie(status, out, err) = run(QStringLiteral(ORVENA_SETUP_TOOL), {QStringLiteral("--print-config")});
    QCOMPARE(status, 0);
    QVERIFY2(out.contains(QStringLiteral("smtp jelszó = ********")), qPrintable(out));
    QVERIFY(out.contains(QStringLiteral("smtp host = 127.0.0.1")));
    QVERIFY(!out.contains(kPassword));
}

// What was issued stays as issued: another session can neither change nor delete an archived
// invoice; the auditor's export writes the kept files byte for byte with their hashes in the index,
// and names a kept file that no longer matches its hash.
void TestInvoiceMail::archiveIsKeptAndExported()
{
    SmtpServer server;
    QVERIFY(server.start());
    configure(server.port(), QStringLiteral("none"));
    addInvoice(QStringLiteral("20100001"));
    addInvoice(QStringLiteral("20100002"));
    mail::InvoiceMailResult result;
    DB_VERIFY(result = mail::emailInvoice(m_session->context, QStringLiteral("20100001")));
    QVERIFY(result.sent);
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100002"), PrintMode::Print));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaarchiv")), QStringLiteral("2"));

    DataModule other;
    DB_VERIFY(other.connect(m_session->db.profile()));
    for (const QByteArray& sql : {QByteArray("UPDATE szlaarchiv SET aPdf = 'x' WHERE aBszam = '20100001'"),
                                  QByteArray("UPDATE szlaarchiv SET aBszam = aBszam"),
                                  QByteArray("DELETE FROM szlaarchiv WHERE aBszam = '20100002'"),
                                  QByteArray("DELETE FROM szlaarchiv")}) {
        try {
            other.connection().execute(sql);
            QFAIL(sql.constData());
        } catch (const DbError& e) {
            QVERIFY2(e.text().contains(QStringLiteral("nem modosithato es nem torolheto")), qPrintable(e.text()));
        }
    }
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlaarchiv WHERE aPdfSha = SHA2(aPdf, 256)")), QStringLiteral("2"));

    QTemporaryDir out;
    auto exportArchive = [&] {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVENA_DB_NAME"), m_session->db.name());
        env.insert(QStringLiteral("ORVENA_DB_USER"), m_session->db.profile().user);
        process.setProcessEnvironment(env);
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"));
        process.start(QStringLiteral(ORVENA_PROGRAM), {QStringLiteral("--archive-export"), QStringLiteral("--from"), today,
                                                       QStringLiteral("--to"), today, QStringLiteral("--out"), out.path()});
        process.waitForFinished(60000);
        return std::make_pair(process.exitCode(), QString::fromUtf8(process.readAllStandardError()));
    };
    auto [status, err] = exportArchive();
    QVERIFY2(status == 0, qPrintable(err));
    QCOMPARE(readAll(out.filePath(QStringLiteral("K20100001.pdf"))), server.received().front().attachment);
    QCOMPARE(readAll(out.filePath(QStringLiteral("K20100001.xml"))),
             QByteArray::fromHex(scalar(QStringLiteral("SELECT HEX(nXml) FROM szlanav WHERE nBszam = '20100001'")).toLatin1()));
    const QStringList index = QString::fromUtf8(readAll(out.filePath(QStringLiteral("index.csv")))).split(QStringLiteral("\r\n"));
    QCOMPARE(index.size(), 4); // the heading, two invoices, the end of the last line
    const QStringList first = index.at(1).split(u';');
    QCOMPARE(first.mid(0, 3), (QStringList{"K20100001", "számla", "elektronikus"}));
    QCOMPARE(first.at(6), QStringLiteral("Kovács és Társa Bt."));
    QCOMPARE(first.mid(8, 3), (QStringList{"20000,00", "5400,00", "25400,00"}));
    QCOMPARE(first.at(11), QStringLiteral("K20100001.pdf"));
    QCOMPARE(first.at(12).toLatin1(), QCryptographicHash::hash(server.received().front().attachment,
                                                               QCryptographicHash::Sha256).toHex());
    QCOMPARE(index.at(2).split(u';').mid(0, 3), (QStringList{"K20100002", "számla", "papír"}));

    // a kept file changed behind the guards' back (an administrator who dropped them) is named
    m_session->db.exec(QStringLiteral("DROP TRIGGER tarch_modosit"));
    m_session->db.exec(QStringLiteral("UPDATE szlaarchiv SET aPdf = CONCAT(aPdf, 'x') WHERE aBszam = '20100002'"));
    out.remove();
    std::tie(status, err) = exportArchive();
    QCOMPARE(status, 1);
    QVERIFY2(err.contains(QStringLiteral("eltér")) && err.contains(QStringLiteral("K20100002.pdf")), qPrintable(err));
}

QTEST_MAIN(TestInvoiceMail)
#include "tst_invoicemail.moc"
