#include "printinvoice.h"

#include "numberwords.h"

#include "nav/invoiceissue.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "screens/common/reportpresenter.h"

#include <QRegularExpression>
#include <cmath>
#include <optional>

namespace orvena {

namespace {

// A whole amount for the words; amounts beyond what words can spell are refused.
qint64 wholeForWords(double whole)
{
    if (std::fabs(whole) > static_cast<double>(kLargestNumberInWords))
        throw Error(QStringLiteral("A(z) %1 összeg túl nagy ahhoz, hogy betűvel kiírható legyen.").arg(fixedText(whole, 0)));
    return static_cast<qint64>(whole);
}

} // namespace

void PrintInvoice(ScreenContext& context, const QString& invoiceNumber)
{
    if (!context.reports)
        throw Error(QStringLiteral("A nyomtatás ebben a környezetben nem érhető el."));
    ReportPresenter& reports = *context.reports;
    ReportVariables& vars = reports.variables();
    DataModule& data = context.data;

    // 1. page counters
    PageCounters& counters = reports.pageCounters();
    counters.reset();

    // 2. the header
    Query& header = data.query(QStringLiteral("ZQ11"));
    header.setSql({QStringLiteral("SELECT * FROM Szlafej WHERE fbszam = :p0")});
    header.setText(QStringLiteral("p0"), invoiceNumber);
    header.open();
    if (header.isEmpty())
        throw Error(QStringLiteral("Nincs %1 számú számla.").arg(invoiceNumber));
    const QString number = header.fieldText(QStringLiteral("fbszam"));

    // 3. the lines with their rounded net, tax and gross
    Query& lines = data.query(QStringLiteral("ZQ21"));
    lines.setSql({QStringLiteral("SELECT *, SUM( ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )) AS AFA_netto,"),
                  QStringLiteral("SUM(ROUND(( ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )) * sAfa/100 , 2 )) AS AFA_afa,"),
                  QStringLiteral("SUM(ROUND((ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )) + (ROUND(( ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )) * sAfa/100 , 2 )),2)) AS AFA_mindossz"),
                  QStringLiteral("FROM Szlasor JOIN Szlafej ON Szlafej.fbszam = Szlasor.sbszam"),
                  QStringLiteral("WHERE sbszam = :p0"),
                  QStringLiteral("GROUP BY sID")});
    lines.setText(QStringLiteral("p0"), number);
    lines.open();

    // 4. customer, 5. label set
    Query& customer = data.query(QStringLiteral("ZQ31"));
    customer.setSql({QStringLiteral("SELECT * FROM vevo WHERE vkod = :p0")});
    customer.setText(QStringLiteral("p0"), header.fieldText(QStringLiteral("fvkod")));
    customer.open();
    Query& labels = data.query(QStringLiteral("ZQ71"));
    labels.setSql({QStringLiteral("SELECT * FROM mezonev WHERE mkod = :p0")});
    labels.setText(QStringLiteral("p0"), header.fieldText(QStringLiteral("fmkod")));
    labels.open();

    // The label-set type decides the amount style and the template; without one there is
    // nothing sensible to print.
    const QString labelCode = header.fieldText(QStringLiteral("fmKod"));
    const QChar type = labelCode.size() >= 5 ? labelCode.at(4) : QChar();
    if (type != u'2' && type != u'3')
        throw Error(QStringLiteral("A(z) \"%1\" szótárkódú számla nem nyomtatható: a szótárkód ötödik karaktere "
                                   "2 (egész forint) vagy 3 (fillér) kell legyen.")
                        .arg(labelCode));

    // 6.-7. VAT summary by rate, one line per rate
    QString rateNames, rateNets, rateTaxes, rateGross;
    Query& summary = data.query(QStringLiteral("ZQ22"));
    const QStringList sums{
        QStringLiteral("SUM( ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )) AS AFA_netto,"),
        QStringLiteral("SUM(ROUND(( ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )) * sAfa/100 , 2 )) AS AFA_afa,"),
        QStringLiteral("SUM(ROUND((ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )) + (ROUND(( ROUND((smenny * sear) - (smenny * sear * fKerek/100), 2 )) * sAfa/100 , 2 )),2)) AS AFA_mindossz"),
        QStringLiteral("FROM Szlasor JOIN Szlafej ON Szlafej.fbszam = Szlasor.sbszam"),
        QStringLiteral("WHERE sBszam= :p1")};
    summary.setSql(QStringList{QStringLiteral("SELECT sbszam, sear, smenny, safa, farfoly, sAfanev,")} + sums
                   + QStringList{QStringLiteral("GROUP BY sAfanev ORDER BY sAfanev")});
    summary.setText(QStringLiteral("p1"), number);
    summary.open();
    const QString cr(QChar(13));
    for (int row = 0; row < summary.rowCount(); ++row) {
        summary.setCurrentRow(row);
        const double net = summary.fieldDouble(QStringLiteral("AFA_netto"));
        const double tax = summary.fieldDouble(QStringLiteral("AFA_afa"));
        rateNames += summary.fieldText(QStringLiteral("sAfanev")).left(3) + cr;
        rateNets += groupedText(net, 2) + cr;
        rateTaxes += groupedText(tax, 2) + cr;
        rateGross += groupedText(net + tax, 2) + cr;
    }
    vars.set(QStringLiteral("v_AFA_ert"), rateNames);
    vars.set(QStringLiteral("v_AFA_netto"), rateNets);
    vars.set(QStringLiteral("v_AFA_afa"), rateTaxes);
    vars.set(QStringLiteral("v_AFA_sorsum"), rateGross);

    // 8.-9. invoice totals
    summary.setSql(QStringList{QStringLiteral("SELECT sbszam, sear, smenny, safa, farfoly, spnem, fkerek,")} + sums
                   + QStringList{QStringLiteral("GROUP BY sBszam")});
    summary.setText(QStringLiteral("p1"), number);
    summary.open();
    const double n = summary.fieldDouble(QStringLiteral("AFA_netto"));
    const double a = summary.fieldDouble(QStringLiteral("AFA_afa"));
    const double t = n + a;
    const double rate = summary.fieldDouble(QStringLiteral("farfoly"));
    const double discount = summary.fieldDouble(QStringLiteral("fkerek"));
    const QString currency = summary.fieldText(QStringLiteral("spnem"));
    vars.set(QStringLiteral("v_AFA_SUMnetto"), fixedText(n, 2));
    vars.set(QStringLiteral("v_AFA_SUMafa"), fixedText(a, 2));
    vars.set(QStringLiteral("v_AFA_SUM"), fixedText(t, 2));
    vars.set(QStringLiteral("v_Ft"), QString());

    // 10.-12. rounding differences and the amount in words
    bool negative = false;
    if (type == u'2') {
        vars.set(QStringLiteral("v_ker_SUMnetto"), fixedText(roundedValue(n, 0) - roundedValue(n, 2), 2));
        vars.set(QStringLiteral("v_ker_SUMafa"), fixedText(roundedValue(a, 0) - roundedValue(a, 2), 2));
        vars.set(QStringLiteral("v_ker_SUM"), fixedText(roundedValue(t, 0) - roundedValue(t, 2), 2));
        const qint64 whole = wholeForWords(roundedValue(t, 0));
        negative = whole < 0;
        vars.set(QStringLiteral("v_azaz"), HungarianNumberWords(whole) + QStringLiteral("00/100 "));
    } else {
        vars.set(QStringLiteral("v_ker_SUMnetto"), QString());
        vars.set(QStringLiteral("v_ker_SUMafa"), QString());
        vars.set(QStringLiteral("v_ker_SUM"), QString());
        const double total = roundedValue(t, 2);
        const double whole = std::trunc(total);
        const QString hundredths = fixedText(std::fabs(total - whole), 2).section(u',', 1);
        negative = whole < 0;
        vars.set(QStringLiteral("v_azaz"),
                 HungarianNumberWords(wholeForWords(whole)) + u' ' + hundredths + QStringLiteral("/100 "));
    }

    // 13.-14. forint conversion of a foreign-currency invoice
    if (rate > 0) {
        vars.set(QStringLiteral("v_arfoly"), QStringLiteral("Árfolyam: 1 ") + currency + QStringLiteral(" = ")
                                                 + fixedText(rate, 2, 5) + QStringLiteral(" Ft. Átszámolva forintban: "));
        const QString netFt = fixedText(roundedValue(n, 2) * rate, 0);
        const QString taxFt = fixedText(roundedValue(a, 2) * rate, 0);
        vars.set(QStringLiteral("v_netto_Ft"), netFt);
        vars.set(QStringLiteral("v_afa_Ft"), taxFt);
        vars.set(QStringLiteral("v_brutto_Ft"), fixedText(parseDouble(netFt) + parseDouble(taxFt), 0));
    } else {
        vars.set(QStringLiteral("v_arfoly"), QString());
        vars.set(QStringLiteral("v_netto_Ft"), QString());
        vars.set(QStringLiteral("v_afa_Ft"), QString());
        vars.set(QStringLiteral("v_brutto_Ft"), QString());
    }

    // 15. discount note
    vars.set(QStringLiteral("v_enged"),
             discount > 0 ? QStringLiteral("Az egységár tartalmazza a ") + fixedText(discount, 2, 5)
                                + QStringLiteral(" % engedményt.")
                          : QString());

    // 16. copy mark, from the flag as it stood before this run
    const bool printed = header.fieldText(QStringLiteral("fprn")).trimmed() == u"I";
    if (!printed) {
        vars.set(QStringLiteral("v_masolat"),
                 negative ? QStringLiteral("Számlával egy tekintet alá eső okirat ") : QStringLiteral(" "));
    } else {
        const QString copyCaption = labels.fieldText(QStringLiteral("mMasolatipld"));
        vars.set(QStringLiteral("v_masolat"),
                 (negative ? QStringLiteral("Számlával egy tekintet alá eső okirat - MÁSOLATI PÉLDÁNY /")
                           : QStringLiteral("MÁSOLATI PÉLDÁNY /"))
                     + copyCaption);
    }

    // 17. the report. In print mode the invoice is marked printed only once the document has
    // been produced (printed from the preview, or its PDF written): a report that never gets
    // out leaves the flag as it was, so the original copy can still be made.
    ReportJob job;
    job.templateFile = type == u'2' ? QStringLiteral("Szamla2.frf") : QStringLiteral("Szamla3.frf");
    job.title = QStringLiteral("Számla K%1").arg(number);
    job.datasets = {{QStringLiteral("ZQ11"), &header}, {QStringLiteral("ZQ10"), &header},
                    {QStringLiteral("ZQ21"), &lines},  {QStringLiteral("ZQ31"), &customer},
                    {QStringLiteral("ZQ71"), &labels}};
    job.valueCallback = [&counters](const QString& name) { return counters.answer(name); };
    job.pageEnded = [&counters] { counters.pageEnded(); };
    // Issuing: the invoice-data document is built, checked and validated before anything is
    // printed; a refusal names every problem, and nothing is printed or marked. Otherwise the
    // invoice is marked printed together with its szlanav row once the output exists.
    std::optional<nav::IssueCheck> issue;
    if (!printed && context.state.printMode == PrintMode::Print) {
        issue = nav::checkInvoice(data, number);
        if (issue->refused()) {
            context.ui.message(nav::refusalMessage(number, issue->problems));
            context.state.invoiceNumber = number;
            return;
        }
        job.produced = [&context, &issue] {
            try {
                nav::markIssued(context.data, *issue);
            } catch (const Error&) {
                context.ui.message(QStringLiteral("Hiba: prn UPDATE Szlafej-be "));
            }
        };
    }
    std::unique_ptr<PreparedReport> report = reports.prepare(job);
    reports.present(*report, job.title);

    // 18.
    context.state.invoiceNumber = number;
}

} // namespace orvena
