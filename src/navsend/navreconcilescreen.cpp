#include "navreconcilescreen.h"

#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/outputfile.h"

#include <QDir>
#include <QFileInfo>

namespace orvena::nav {

ReconcileScreen::ReconcileScreen(ScreenContext& context, QObject* parent) : QObject(parent), m_context(context) {}

ReconcileScreen::~ReconcileScreen()
{
    m_cancel = true;
    if (m_thread)
        m_thread->wait();
}

bool ReconcileScreen::start(const QString& from, const QString& to, const QString& csvPath)
{
    if (running())
        return false;
    if (!isValidDate(from.trimmed()) || !isValidDate(to.trimmed())) {
        m_context.ui.message(QStringLiteral("Az egyeztetéshez adja meg az időszakot (a számlák kelte, éééé.hh.nn)."));
        return false;
    }
    const QDate first = parseDate(from.trimmed()), last = parseDate(to.trimmed());
    if (first > last) {
        m_context.ui.message(QStringLiteral("Az időszak vége (%1) korábbi a kezdeténél (%2).").arg(to.trimmed(), from.trimmed()));
        return false;
    }
    QString problem;
    const QString issuer = reconcileIssuer(m_context.data.connection(), QString(), &problem);
    if (issuer.isEmpty()) {
        m_context.ui.message(problem);
        return false;
    }
    const Books books = readBooks(m_context.data.connection(), issuer, first, last);
    m_csvPath = csvPath;
    m_cancel = false;
    if (m_thread)
        m_thread->wait();
    m_thread.reset(QThread::create([this, books] {
        // The client lives and talks on this thread only.
        Client client(baseUrl(environmentFromMode(books.mode).value_or(Environment::Test)), books.credentials);
        const Reconciliation result = reconcile(books, client, &m_cancel);
        QMetaObject::invokeMethod(this, [this, result] { done(result); }, Qt::QueuedConnection);
    }));
    m_thread->start();
    return true;
}

void ReconcileScreen::done(const Reconciliation& result)
{
    m_result = result;
    QString text = result.summary();
    if (result.complete() && !result.differences.empty()) {
        const int shown = std::min<int>(int(result.differences.size()), 10);
        for (int i = 0; i < shown; ++i) {
            const Difference& d = result.differences[size_t(i)];
            text += QStringLiteral("\n- %1: %2 (itt: %3; NAV: %4)").arg(d.number, d.what, d.books, d.authority);
        }
        if (int(result.differences.size()) > shown)
            text += QStringLiteral("\n- … és még %1 tétel").arg(int(result.differences.size()) - shown);
        try {
            QDir().mkpath(QFileInfo(m_csvPath).absolutePath());
            OutputFile::write(m_csvPath, reconciliationCsv(result));
            text += QStringLiteral("\nAz eltérések listája a teendőkkel: %1").arg(QDir::toNativeSeparators(m_csvPath));
        } catch (const Error& e) {
            text += QStringLiteral("\nAz eltérések listája nem írható ki: %1").arg(e.text());
        }
    }
    m_context.ui.message(text);
    emit finished();
}

} // namespace orvena::nav
