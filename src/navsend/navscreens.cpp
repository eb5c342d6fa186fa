#include "navscreens.h"

#include "db/codepages.h"
#include "db/connection.h"
#include "db/errors.h"
#include "db/query.h"
#include "db/sqlname.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"

#include <QRegularExpression>

namespace orvena::nav {

namespace {

// The first issuer whose reporting is set up, for the taxpayer query.
std::optional<std::pair<Environment, Credentials>> reportingIssuer(Connection& c)
{
    const auto rows = c.select("SELECT zNavMod, zAdo, zNavLogin, zNavJelszo, zNavAlairo, zNavCsere FROM szallito "
                               "WHERE zNavMod IN ('TEST','PROD') ORDER BY zKod");
    for (int r = 0; r < rows->rowCount(); ++r) {
        const Credentials cred{rows->text(r, 2).trimmed(), rows->text(r, 3).trimmed(), rows->text(r, 1),
                               rows->text(r, 4).trimmed(), rows->text(r, 5).trimmed()};
        if (cred.missing().isEmpty())
            return std::make_pair(*environmentFromMode(rows->text(r, 0)), cred);
    }
    return std::nullopt;
}

// A logged code column shown by its Hungarian name (operationText()), named as the column.
QString namedColumn(const QString& column)
{
    static const QStringList codes = {
        QStringLiteral("CREATE"), QStringLiteral("STORNO"), QStringLiteral("MODIFY"), QStringLiteral("tokenExchange"),
        QStringLiteral("manageInvoice"), QStringLiteral("queryTransactionStatus"),
        QStringLiteral("queryTransactionList"), QStringLiteral("queryTaxpayer"), QStringLiteral("KULDES"),
        QStringLiteral("HIBA"), QStringLiteral("MEGVAN"), state::ToSend, state::Sent, state::Accepted, state::Warned,
        state::Rejected, state::NotReported};
    QString sql = QStringLiteral("CASE ") + column;
    for (const QString& code : codes)
        sql += QStringLiteral(" WHEN '%1' THEN '%2'").arg(code, operationText(code));
    return sql + QStringLiteral(" ELSE %1 END AS %1").arg(column);
}

int interactiveTimeout()
{
    return std::min(QueueSettings::fromEnvironment().requestTimeoutMs, 20000);
}

} // namespace

QString startupNotice(Connection& connection)
{
    QueueCounts counts;
    try {
        counts = queueCounts(connection);
    } catch (const Error&) { // reporting not set up in this database yet
        return {};
    }
    QStringList parts;
    if (counts.unsent() > 0)
        parts << QStringLiteral("%1 kiállított számla jelentése még nem jutott el a NAV-hoz (a program a háttérben "
                                "küldi)")
                     .arg(counts.unsent());
    if (counts.rejected > 0)
        parts << QStringLiteral("%1 számla jelentését a NAV elutasította").arg(counts.rejected);
    if (parts.isEmpty())
        return {};
    return QStringLiteral("NAV adatszolgáltatás: %1. A részleteket a Számlázás képernyő \"NAV napló\" gombja "
                          "mutatja.")
        .arg(parts.join(QStringLiteral("; ")));
}

// --- NAV napló ---

NavLog::NavLog(ScreenContext& context, QString invoiceNumber, QObject* parent)
    : QObject(parent), m_context(context), m_log(context.data.connection(), QStringLiteral("navLog")),
      m_number(std::move(invoiceNumber))
{
}

void NavLog::load()
{
    runAction(m_context.ui, [this] {
        Connection& c = m_context.data.connection();
        const auto row = c.select("SELECT nAllapot, nMuvelet, nEredeti, nTranzakcio, nProba, "
                                  "DATE_FORMAT(nUtolso, '%Y.%m.%d %H:%i:%s'), nUzenet FROM szlanav WHERE nBszam = "
                                  + quotedLiteral(c, m_number));
        if (row->rowCount() == 0) {
            m_state.clear();
            m_stateText = QStringLiteral("Nincs NAV adat");
            m_summary = QStringLiteral("A számlához nem készült NAV adatszolgáltatás (a funkció bevezetése előtt "
                                       "kiállított vagy még ki nem állított számla).");
        } else {
            m_state = row->text(0, 0);
            m_stateText = nav::stateText(m_state);
            QStringList lines;
            lines << QStringLiteral("Művelet: %1%2")
                         .arg(operationText(row->text(0, 1)),
                              row->text(0, 2).isEmpty() ? QString() : QStringLiteral(" (eredeti: K%1)").arg(row->text(0, 2)));
            if (!row->text(0, 3).isEmpty())
                lines << QStringLiteral("Tranzakció: %1").arg(row->text(0, 3));
            lines << QStringLiteral("Próbálkozások: %1%2")
                         .arg(row->text(0, 4),
                              row->text(0, 5).isEmpty() ? QString() : QStringLiteral(", utoljára %1").arg(row->text(0, 5)));
            if (!row->text(0, 6).isEmpty())
                lines << QStringLiteral("A NAV üzenetei:") << row->text(0, 6);
            m_summary = lines.join(u'\n');
        }
        Query& log = m_log;
        log.setSql({QStringLiteral("SELECT gIdo, %1, gKeres, gTranzakcio, gIndex, %2, gSzoveg FROM szlanavnaplo "
                                   "WHERE gBszam = :p0 ORDER BY gID")
                        .arg(namedColumn(QStringLiteral("gMuvelet")), namedColumn(QStringLiteral("gEredmeny")))});
        log.setText(QStringLiteral("p0"), m_number);
        log.open();
        emit loaded();
    });
}

void NavLog::resend()
{
    if (!canResend()) {
        m_context.ui.message(QStringLiteral("Csak olyan számla küldhető újra, amelynek jelentését a NAV elutasította."));
        return;
    }
    const QString question = QStringLiteral(
        "A NAV elutasította a K%1 számla jelentését.\n\n"
        "Ha a hiba a számla adataiban van, a kiállított számlát nem lehet javítani: a helyesbítés útja sztornó számla "
        "és új számla, vagy módosító számla, és ezek jelentése a program dolga. A változatlan jelentés újraküldése "
        "ugyanazt az elutasítást hozza.\n\n"
        "Csak akkor küldje újra, ha az elutasítás oka a számlán kívül volt, és azóta megszűnt (például a NAV-nál "
        "rendezett regisztráció, technikai felhasználó vagy az eredeti számla befogadása).\n\n"
        "Újraküldi a jelentést?")
                                 .arg(m_number);
    if (!m_context.ui.askYesNo(question))
        return;
    runAction(m_context.ui, [this] { SendQueue::resend(m_context.data.connection(), m_number); });
    load();
}

// --- the issuer's settings ---

IssuerNavSettings::IssuerNavSettings(ScreenContext& context, QString issuerCode, QObject* parent)
    : QObject(parent), m_context(context), m_code(std::move(issuerCode))
{
}

void IssuerNavSettings::load()
{
    runAction(m_context.ui, [this] {
        Connection& c = m_context.data.connection();
        const auto row = c.select("SELECT zAdo, zNavMod, zNavLogin, zNavJelszo, zNavAlairo, zNavCsere FROM szallito "
                                  "WHERE zKod = " + quotedLiteral(c, m_code));
        if (row->rowCount() == 0)
            return;
        m_taxNumber = row->text(0, 0);
        m_mode = row->text(0, 1).trimmed().toUpper();
        login = row->text(0, 2).trimmed();
        m_passwordHash = row->text(0, 3).trimmed();
        signatureKey = row->text(0, 4).trimmed();
        exchangeKey = row->text(0, 5).trimmed();
        password.clear();
    });
}

Credentials IssuerNavSettings::typed() const
{
    return {login.trimmed(), password.isEmpty() ? m_passwordHash : passwordHash(password), m_taxNumber,
            signatureKey.trimmed(), exchangeKey.trimmed()};
}

bool IssuerNavSettings::save()
{
    QStringList problems;
    const Credentials c = typed();
    if (!c.login.isEmpty() && !QRegularExpression(QStringLiteral("^[a-zA-Z0-9]{6,15}$")).match(c.login).hasMatch())
        problems << QStringLiteral("A technikai felhasználó neve 6–15 betű vagy számjegy.");
    if (!c.login.isEmpty() && c.passwordHash.isEmpty())
        problems << QStringLiteral("Adja meg a technikai felhasználó jelszavát.");
    if (c.signatureKey.size() > 64)
        problems << QStringLiteral("Az aláíró kulcs legfeljebb 64 karakter.");
    if (!c.exchangeKey.isEmpty() && c.exchangeKey.toUtf8().size() != 16)
        problems << QStringLiteral("A cserekulcs pontosan 16 karakter.");
    if (!problems.isEmpty()) {
        m_context.ui.message(problems.join(u'\n'));
        return false;
    }
    // The issuer's row is read and locked in the same transaction as the write: an issuer not
    // stored yet (a new one, or a copy) or deleted meanwhile is refused, never silently missed.
    Query q(m_context.data.connection(), QStringLiteral("issuerNavSettings"));
    const QString failed = QStringLiteral("Hiba: a NAV adatok mentése nem sikerült.");
    StepChain chain(q);
    bool stored = false;
    const bool ran = chain.run([&] {
        chain.begin(failed);
        chain.step(failed, [&] {
            q.setSql({QStringLiteral("SELECT zKod FROM szallito WHERE zKod = :p0 FOR UPDATE")});
            q.setText(QStringLiteral("p0"), m_code);
            q.open();
        });
        if (m_code.isEmpty() || q.isEmpty())
            chain.fail(QStringLiteral("A szállító nincs elmentve (új szállító, vagy egy másik munkaállomás közben "
                                      "törölte), ezért a NAV adatai nem tárolhatók.\n"
                                      "Mentse el a szállítót (\"OK\"), majd nyissa meg módosításra, és ott adja meg "
                                      "a NAV adatokat."));
        chain.step(failed, [&] {
            q.setSql({QStringLiteral("UPDATE szallito SET zNavLogin = :p1, zNavJelszo = :p2, zNavAlairo = :p3, "
                                     "zNavCsere = :p4 WHERE zKod = :p0")});
            q.setText(QStringLiteral("p0"), m_code);
            auto textOrNull = [&q](const char* name, const QString& value) {
                if (value.isEmpty())
                    q.setNull(QString::fromLatin1(name));
                else
                    q.setText(QString::fromLatin1(name), value);
            };
            textOrNull("p1", c.login);
            textOrNull("p2", c.passwordHash);
            textOrNull("p3", c.signatureKey);
            textOrNull("p4", c.exchangeKey);
            q.execute();
        });
        if (q.affectedRows() > 1)
            chain.fail(QStringLiteral("Hiba: a(z) %1 kód több szállítónál is szerepel, a NAV adatok nem "
                                      "tárolhatók.")
                           .arg(m_code));
        chain.commit(failed);
        stored = true;
    });
    if (!ran || !stored) {
        tell(m_context.ui, chain.failure(), {}, lcNavSend());
        return false;
    }
    m_passwordHash = c.passwordHash;
    password.clear();
    return true;
}

void IssuerNavSettings::testConnection()
{
    const Credentials c = typed();
    const QString missing = c.missing();
    if (!missing.isEmpty()) {
        m_context.ui.message(QStringLiteral("A kapcsolat próbához hiányzik: %1.").arg(missing));
        return;
    }
    const auto env = environmentFromMode(m_mode);
    const Environment e = env.value_or(Environment::Test);
    Client client(baseUrl(e), c);
    client.setTimeout(interactiveTimeout());
    const TokenResult r = client.tokenExchange();
    const QString where = e == Environment::Production ? QStringLiteral("éles") : QStringLiteral("teszt");
    QString text = r.token.isEmpty()
                       ? QStringLiteral("Sikertelen kapcsolat próba a NAV %1 rendszerével.\n%2").arg(where, r.failureText())
                       : QStringLiteral("Kapcsolat rendben: a NAV %1 rendszere elfogadta a technikai felhasználót és "
                                        "az aláírást, a kapott token a cserekulccsal visszafejthető.")
                             .arg(where);
    if (!env)
        text += QStringLiteral("\n(A kibocsátó NAV módja kikapcsolt, ezért a próba a teszt rendszerrel történt.)");
    if (r.token.isEmpty()) {
        qCWarning(lcNavSend).noquote() << QStringLiteral("connection test failed: %1").arg(r.failureText());
        showFailure(m_context.ui, text, nullptr, lcNavSend());
    } else {
        m_context.ui.message(text);
    }
}

// --- NAV ellenőrzés ---

void checkTaxpayer(ScreenContext& context, const QString& typedTaxNumber, const QString& typedName,
                   const QString& typedAddress)
{
    QString digits;
    for (QChar ch : typedTaxNumber)
        if (ch.isDigit())
            digits += ch;
    if (digits.size() != 8 && digits.size() != 11) {
        context.ui.message(QStringLiteral("Az adószám (%1) nem érvényes: 8 vagy 11 számjegy kell (12345678-1-42).")
                               .arg(typedTaxNumber.trimmed()));
        return;
    }
    std::optional<std::pair<Environment, Credentials>> issuer;
    if (!runAction(context.ui, [&] { issuer = reportingIssuer(context.data.connection()); }))
        return;
    if (!issuer) {
        context.ui.message(QStringLiteral("A NAV ellenőrzéshez egy kibocsátónál be kell állítani a NAV "
                                          "adatszolgáltatást (TEST vagy PROD mód, technikai felhasználó, kulcsok)."));
        return;
    }
    Client client(baseUrl(issuer->first), issuer->second);
    client.setTimeout(interactiveTimeout());
    const Exchange ex = client.queryTaxpayer(digits.left(8));
    if (!ex.ok()) {
        qCWarning(lcNavSend).noquote() << QStringLiteral("taxpayer query failed: %1").arg(ex.failureText());
        showFailure(context.ui, QStringLiteral("A NAV ellenőrzés nem sikerült.\n%1").arg(ex.failureText()), nullptr,
                    lcNavSend());
        return;
    }
    const TaxpayerInfo info = readTaxpayer(ex.root);
    const QString typed = QStringLiteral("A beírt adatok:\nNév: %1\nCím: %2").arg(typedName.trimmed(), typedAddress.trimmed());
    if (!info.valid) {
        context.ui.message(QStringLiteral("A NAV szerint a(z) %1 adószám érvénytelen vagy nem létezik.\n\n%2")
                               .arg(typedTaxNumber.trimmed(), typed));
        return;
    }
    context.ui.message(QStringLiteral("A NAV adatai (%1):\nNév: %2\nCím: %3\n\n%4")
                           .arg(info.taxNumber.isEmpty() ? digits.left(8) : info.taxNumber, info.name, info.address, typed));
}

} // namespace orvena::nav
