#include "testdatabase.h"

#include "db/codepages.h"
#include "db/schema.h"
#include "billing/setup.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace orvena::test {

ConnectionProfile TestDatabase::adminProfile()
{
    ConnectionProfile p = ConnectionProfile::fromEnvironment();
    p.user = qEnvironmentVariableIsSet("ORVENA_ADMIN_USER") ? qEnvironmentVariable("ORVENA_ADMIN_USER")
                                                            : QStringLiteral("root");
    p.password = qEnvironmentVariable("ORVENA_ADMIN_PASSWORD");
    p.database.clear();
    return p;
}

TestDatabase::TestDatabase(const QString& suffix, int sequenceYear)
{
    QString base = suffix;
    if (base.isEmpty())
        base = qEnvironmentVariable("ORVENA_TEST_NAME", QCoreApplication::applicationName());
    base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
    const QString name = QStringLiteral("orvena_t_%1_%2").arg(base.left(40)).arg(QCoreApplication::applicationPid());

    m_profile = adminProfile();
    m_admin.open(m_profile);
    m_admin.execute("DROP DATABASE IF EXISTS `" + name.toLatin1() + '`');
    SetupOptions options;
    options.database = name;
    options.appUser.clear();
    options.year = sequenceYear;
    options.basicData = false; // every test seeds what it needs into empty tables
    runSetup(m_admin, options);
    m_profile.database = name;
}

TestDatabase::~TestDatabase()
{
    try {
        if (m_admin.isOpen())
            m_admin.execute("DROP DATABASE IF EXISTS `" + m_profile.database.toLatin1() + '`');
    } catch (...) { // the server is gone; nothing to clean up
    }
}

void TestDatabase::exec(const QString& sql)
{
    m_admin.execute(encode(CodePage::Latin2, sql));
}

QString TestDatabase::scalar(const QString& sql)
{
    const auto result = m_admin.select(encode(CodePage::Latin2, sql));
    return result->rowCount() > 0 && result->columnCount() > 0 ? result->text(0, 0) : QString();
}

QStringList TestDatabase::rows(const QString& sql)
{
    const auto result = m_admin.select(encode(CodePage::Latin2, sql));
    QStringList out;
    for (int r = 0; r < result->rowCount(); ++r) {
        QStringList cols;
        for (int c = 0; c < result->columnCount(); ++c)
            cols << result->text(r, c);
        out << cols.join(u'|');
    }
    return out;
}

void TestDatabase::reset(const QString& lastInvoice, const QString& lastDelivery)
{
    // The archive refuses DELETE (its triggers); TRUNCATE, which the program's account may not
    // run, empties it between cases.
    for (const auto& t : schemaTables())
        exec((t.name == u"szlaarchiv" ? QStringLiteral("TRUNCATE TABLE `%1`") : QStringLiteral("DELETE FROM `%1`"))
                 .arg(t.name));
    exec(QStringLiteral("INSERT INTO sorszam (aKod, aBszam) VALUES ('1', '%1'), ('2', '%2'), ('D', '20100000')")
             .arg(lastInvoice, lastDelivery));
}

void TestDatabase::addDemoData()
{
    orvena::addDemoData(m_admin);
}

} // namespace orvena::test
