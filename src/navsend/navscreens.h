#pragma once
// What the operator sees of invoice reporting (QtCore screen models):
// - the start-up notice about unsent and rejected reports,
// - "NAV napló": one invoice's reports, requests and the authority's messages, with
//   "Újraküldés" for a rejected report,
// - the issuer's reporting settings (technical user, password typed once and hashed at once,
//   keys) with "Kapcsolat próba",
// - "NAV ellenőrzés" of a customer's tax number.
#include "navclient.h"
#include "navqueue.h"

#include "screens/common/screencontext.h"

#include <QObject>
#include <QString>

namespace orvena::nav {

// The one start-up notice ("" when nothing needs attention or reporting is not set up).
QString startupNotice(Connection& connection);

class NavLog : public QObject {
    Q_OBJECT
public:
    NavLog(ScreenContext& context, QString invoiceNumber, QObject* parent = nullptr);
    // Loads the invoice's report state and its log into log() (gIdo, gMuvelet, gKeres,
    // gTranzakcio, gIndex, gEredmeny, gSzoveg).
    void load();
    Query& log() { return m_log; }
    const QString& invoiceNumber() const { return m_number; }
    QString stateText() const { return m_stateText; }
    QString summary() const { return m_summary; } // transaction, attempts, last attempt, messages
    bool canResend() const { return m_state == state::Rejected; }
    // "Újraküldés": only for a rejected report, only after the operator confirms that the cause
    // was dealt with the lawful way.
    void resend();

signals:
    void loaded();

private:
    ScreenContext& m_context;
    Query m_log; // the invoice's log, which the screen's grid shows
    QString m_number;
    QString m_state;
    QString m_stateText;
    QString m_summary;
};

// The NAV settings of one issuer (szallito.zKod).
class IssuerNavSettings : public QObject {
    Q_OBJECT
public:
    IssuerNavSettings(ScreenContext& context, QString issuerCode, QObject* parent = nullptr);
    void load();
    QString login;
    QString password; // typed; never stored, only its hash
    QString signatureKey;
    QString exchangeKey;
    bool hasStoredPassword() const { return !m_passwordHash.isEmpty(); }
    QString mode() const { return m_mode; }
    // The issuer the settings are stored for: the edit screen's code once its row is stored,
    // empty while the issuer is new (save() then refuses).
    void setIssuerCode(const QString& code) { m_code = code; }
    // Checks and writes the settings into the issuer's stored row; false (with a message) when
    // something is wrong or there is no such row.
    bool save();
    // "Kapcsolat próba": a token exchange with the typed settings; the result in Hungarian.
    void testConnection();

private:
    Credentials typed() const;
    ScreenContext& m_context;
    QString m_code;
    QString m_taxNumber;
    QString m_mode;
    QString m_passwordHash;
};

// "NAV ellenőrzés": the authority's name and address for a typed tax number, shown with the
// typed ones. Uses the first issuer that has reporting set up.
void checkTaxpayer(ScreenContext& context, const QString& typedTaxNumber, const QString& typedName,
                   const QString& typedAddress);

} // namespace orvena::nav
