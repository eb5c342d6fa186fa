#include "invoiceline.h"

#include "documentwrite.h"
#include "invoicetexts.h"
#include "proforma.h"

#include "db/numberinput.h"
#include "db/conversions.h"
#include "db/errors.h"
#include "db/memotext.h"
#include "db/stepchain.h"
#include "nav/invoicedata.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/numberfields.h"
#include "screens/common/worklocks.h"

namespace orvena {

using namespace invoice;

namespace {


} // namespace

InvoiceLineEditor::InvoiceLineEditor(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : QObject(parent), m_context(context), m_mode(request.mode), m_document(request.document)
{
    m_fields[Quantity] = QStringLiteral("0");
    m_fields[Unit] = QStringLiteral("db");
    m_fields[UnitPrice] = QStringLiteral("0");
    // A line typed by hand is in the invoice's own currency, so it passes the currency check.
    m_fields[Currency] = hostCurrency();
    m_fields[VatRate] = QStringLiteral("27");
    m_fields[GasOil] = QStringLiteral("0");
    m_fields[Net] = QStringLiteral("0");
    m_fields[Vat] = QStringLiteral("0");
    m_fields[Total] = QStringLiteral("0");
    m_fields[InvoiceNumber] = hostNumber();
}

QString InvoiceLineEditor::hostNumber() const
{
    return m_document ? m_document->number : QString();
}

const ComposerTarget& InvoiceLineEditor::target() const
{
    return m_document && m_document->proforma ? ComposerTarget::proforma() : ComposerTarget::invoice();
}

QString InvoiceLineEditor::hostCurrency() const
{
    return m_document ? m_document->currency : QStringLiteral("Ft");
}

DocumentGuard InvoiceLineEditor::guard() const
{
    if (m_document && !m_document->lock.isEmpty())
        return DocumentGuard{target().guardKind, m_document->number, m_document->lock, m_document->unstored};
    return DocumentGuard{target().guardKind, hostNumber(), target().lock(hostNumber())};
}

void InvoiceLineEditor::end(const QString& reason)
{
    m_context.ui.message(reason
                         + typedValues({{QStringLiteral("Cikk megnevezés"), m_fields[ArticleName]},
                                        {QStringLiteral("VTSZ/SZJ"), m_fields[Vtsz]},
                                        {QStringLiteral("Mennyiség"), m_fields[Quantity]},
                                        {QStringLiteral("M.egys."), m_fields[Unit]},
                                        {QStringLiteral("Egységár"), m_fields[UnitPrice]},
                                        {QStringLiteral("ÁFA %"), m_fields[VatRate]},
                                        {QStringLiteral("Sor megjegyzés"), m_fields[Note]}}));
    close();
}

bool InvoiceLineEditor::isNewLine() const
{
    return m_mode == EditMode::New;
}

void InvoiceLineEditor::set(Field f, const QString& text)
{
    if (m_fields[f] == text)
        return;
    m_fields[f] = text;
    emit fieldChanged(f);
}

void InvoiceLineEditor::focus(Field f)
{
    m_lastFocus = f;
    emit focusRequested(f);
}

void InvoiceLineEditor::close()
{
    m_closed = true;
    m_lock.reset();
    emit closeRequested();
}

bool InvoiceLineEditor::prepare()
{
    // The line is written only while this workstation holds its invoice's lock.
    m_lock = takeLineLock(m_context.data, m_context.ui, guard());
    if (!m_lock)
        return false;
    if (!isNewLine()) {
        // Fill from the current row of the invoice's line list.
        try {
            Query& lines = m_context.data.query(role::kInvoiceLines);
            set(LineId, lines.fieldText(QStringLiteral("sID")));
            set(InvoiceNumber, lines.fieldText(QStringLiteral("sbszam")));
            set(ArticleCode, lines.fieldText(QStringLiteral("sckod")));
            set(ArticleNumber, lines.fieldText(QStringLiteral("scSzam")));
            set(ArticleName, lines.fieldText(QStringLiteral("sMegn")));
            set(Vtsz, lines.fieldText(QStringLiteral("svtsz")));
            set(Quantity, lines.fieldText(QStringLiteral("smenny")));
            set(Unit, lines.fieldText(QStringLiteral("sme")));
            set(UnitPrice, lines.fieldText(QStringLiteral("sear")));
            set(Currency, lines.fieldText(QStringLiteral("spnem")));
            set(VatCode, lines.fieldText(QStringLiteral("skAfakod")));
            set(VatName, lines.fieldText(QStringLiteral("sAfanev")));
            set(VatRate, lines.fieldText(QStringLiteral("sAFA")));
            set(Net, lines.fieldText(QStringLiteral("sAlap")));
            set(Vat, lines.fieldText(QStringLiteral("sAdo")));
            set(Note, memoFromDatabase(lines.fieldText(QStringLiteral("smemo"))));
        } catch (const Error& e) {
            showFailure(m_context.ui, QStringLiteral("Hiba a cikksor feltöltésben való megjelenitésekor!"), &e);
            return false;
        }
        runAction(m_context.ui, [this] { recomputeAmounts(); });
    }
    runAction(m_context.ui, [this] {
        set(InvoiceNumber, hostNumber());
        Query vat(m_context.data.connection(), QStringLiteral("vatLookup"));
        vat.setSql({QStringLiteral("SELECT * FROM afa ORDER BY kAfa")});
        vat.open();
        m_context.state.setRememberedKey(QStringLiteral("afa"), m_fields[VatRate]);
        // A line being modified keeps its own VAT code: several codes share a rate (27 % and an
        // out-of-scope 0 % beside the exempt ones), so the rate alone would pick another one. The
        // rate finds the row only for a new line or a line whose code is gone.
        if (isNewLine() || isBlank(m_fields[VatCode])
            || !vat.locate(QStringLiteral("kAfakod"), m_fields[VatCode].trimmed(), Query::Match::Exact))
            vat.locate(QStringLiteral("kAfa"), m_fields[VatRate]);
        set(VatName, vat.fieldText(QStringLiteral("kAfanev")));
        set(VatCode, vat.fieldText(QStringLiteral("kAfakod")));
    });
    focus(ArticleName);
    return true;
}

void InvoiceLineEditor::setField(Field f, const QString& text)
{
    if (m_fields[f] == text)
        return;
    set(f, text);
    if (f == Quantity || f == Unit || f == UnitPrice || f == VatRate || f == GasOil)
        runAction(m_context.ui, [this] { recomputeAmounts(); });
}

void InvoiceLineEditor::recomputeAmounts()
{
    if (m_fields[Quantity].isEmpty() || m_fields[UnitPrice].isEmpty() || m_fields[VatRate].isEmpty()
        || m_fields[GasOil].isEmpty())
        return;
    // A number being typed ("-", "2,") is no error: the amounts wait for a number.
    const auto quantity = typedNumber(m_fields[Quantity], NumberKind::Measure);
    const auto price = typedNumber(m_fields[UnitPrice], NumberKind::Amount);
    const auto rate = typedNumber(m_fields[VatRate], NumberKind::Measure);
    if (!quantity || !price || !rate)
        return;
    // Exact products, rounded only for display.
    const Decimal net = *quantity * *price;
    set(Net, formatAmount(net));
    const Decimal vat = net * rate->percent();
    set(Vat, formatAmount(vat));
    set(Total, formatAmount(net + vat));
}

void InvoiceLineEditor::toggleUnit()
{
    setField(Unit, m_fields[Unit] == QLatin1String("kg") ? QStringLiteral("db") : QStringLiteral("kg"));
}

void InvoiceLineEditor::chooseArticle()
{
    runAction(m_context.ui, [this] {
        m_context.state.setRememberedKey(QStringLiteral("cikk"), m_fields[ArticleName]);
        if (!openChooser(m_context.opener, Screen::ArticleList))
            return; // left with Escape: the typed line stays as it is
        try {
            const Query& a = m_context.data.query(role::kArticleList);
            set(ArticleCode, a.fieldText(QStringLiteral("cKod")));
            set(ArticleNumber, a.fieldText(QStringLiteral("cSzam")));
            set(ArticleName, a.fieldText(QStringLiteral("cMegn")));
            set(Vtsz, a.fieldText(QStringLiteral("cVtsz")));
            set(Unit, a.fieldText(QStringLiteral("cMe")));
            set(UnitPrice, a.fieldText(QStringLiteral("cEar")));
            set(Currency, a.fieldText(QStringLiteral("cPnem")));
            set(VatRate, a.fieldText(QStringLiteral("cAfa")));
            set(VatName, a.fieldText(QStringLiteral("cAfanev")));
            set(VatCode, a.fieldText(QStringLiteral("cAfakod")));
        } catch (const Error& e) {
            showFailure(m_context.ui, QStringLiteral("Hiba a cikk feltöltésben való megjelenitésekor!"), &e);
            close();
            return;
        }
        // The line is in its invoice's currency: an article priced in another one keeps the
        // invoice's currency, and its price (in the other currency) is shown, not taken as is.
        const QString articleCurrency = m_fields[Currency].trimmed();
        const QString invoiceCurrency = hostCurrency().trimmed();
        if (m_document && !invoiceCurrency.isEmpty()
            && nav::currencyCode(articleCurrency.isEmpty() ? QStringLiteral("Ft") : articleCurrency)
                   != nav::currencyCode(invoiceCurrency)) {
            const QString articlePrice = m_fields[UnitPrice];
            set(Currency, invoiceCurrency);
            set(UnitPrice, QStringLiteral("0"));
            runAction(m_context.ui, [this] { recomputeAmounts(); });
            m_context.ui.message(QStringLiteral("A cikk ára %1 %2, a számla pénzneme %3: az egységárat %3-ban adja meg.")
                                     .arg(articlePrice.trimmed(), articleCurrency.isEmpty() ? QStringLiteral("Ft") : articleCurrency,
                                          invoiceCurrency));
            focus(UnitPrice);
            return;
        }
        runAction(m_context.ui, [this] { recomputeAmounts(); });
        focus(Quantity);
    });
}

void InvoiceLineEditor::chooseVat()
{
    runAction(m_context.ui, [this] {
        m_context.state.setRememberedKey(QStringLiteral("afa"), m_fields[VatRate]);
        if (!openChooser(m_context.opener, Screen::VatList))
            return;
        try {
            const Query& v = m_context.data.query(role::kVatList);
            set(VatRate, v.fieldText(QStringLiteral("kAfa")));
            set(VatName, v.fieldText(QStringLiteral("kAfanev")));
            set(VatCode, v.fieldText(QStringLiteral("kAfakod")));
        } catch (const Error& e) {
            showFailure(m_context.ui, QStringLiteral("Hiba az áfa feltöltésben való megjelenitésekor!"), &e);
            close();
            return;
        }
        runAction(m_context.ui, [this] { recomputeAmounts(); });
        focus(VatRate);
    });
}

bool InvoiceLineEditor::validate()
{
    struct Check {
        bool failed;
        const char16_t* message;
        Field focus;
    };
    // the numbers typed, read with the one reader and kept in the program's form
    const struct {
        Field field;
        NumberKind kind;
        const char16_t* label;
    } typed[] = {{Quantity, NumberKind::Measure, u"Mennyiség"}, {UnitPrice, NumberKind::Amount, u"Egységár"},
                 {VatRate, NumberKind::Measure, u"ÁFA %"}, {GasOil, NumberKind::Measure, u"Gázolaj"}};
    for (const auto& n : typed) {
        QString text = m_fields[n.field];
        const QString problem = isBlank(text) ? QString() : readNumberField(text, n.kind, QString::fromUtf16(n.label));
        if (!problem.isEmpty()) {
            m_context.ui.message(problem);
            focus(n.field);
            return false;
        }
        set(n.field, text);
    }
    const Check checks[] = {
        {isBlank(m_fields[Quantity]), u"Nincs megadva a mennyiség!", Quantity},
        {isBlank(m_fields[ArticleName]), u"Nincs megadva a megnevezés!", ArticleName},
        {isBlank(m_fields[UnitPrice]), u"Nincs megadva az egységár vagy nulla!", UnitPrice},
        {isBlank(m_fields[Unit]), u"Nincs megadva a mennyiségegység!", Unit},
        {isZeroNumber(m_fields[Quantity]), u"A mennyiség nulla!", Quantity},
        {isZeroNumber(m_fields[UnitPrice]), u"Az egységár nulla!", UnitPrice},
    };
    for (const Check& c : checks) {
        if (c.failed) {
            m_context.ui.message(QString::fromUtf16(c.message));
            focus(c.focus);
            return false;
        }
    }
    // the finished numbers: they convert and fit their columns, before anything is written
    const struct {
        Field field;
        const char* column;
        const char16_t* label;
    } numbers[] = {{Quantity, "sMenny", u"Mennyiség"}, {UnitPrice, "sEar", u"Egységár"},
                   {VatRate, "sAfa", u"ÁFA %"}, {GasOil, "sGolaj", u"Gázolaj"}};
    for (const auto& n : numbers) {
        const QString problem = numberProblem(QStringLiteral("szlasor"), QString::fromLatin1(n.column), m_fields[n.field],
                                              QString::fromUtf16(n.label));
        if (!problem.isEmpty()) {
            m_context.ui.message(problem);
            focus(n.field);
            return false;
        }
    }
    if (m_fields[Currency] != hostCurrency()) {
        m_context.ui.message(QStringLiteral("A pénznem nem egyezik meg számla fejléc és a cikknél !"));
        return false;
    }
    return true;
}

void InvoiceLineEditor::store()
{
    Query q(m_context.data.connection(), QStringLiteral("lineStore"));
    const DocumentLine line{.id = m_fields[LineId],
                            .number = hostNumber(),
                            .articleCode = m_fields[ArticleCode],
                            .name = m_fields[ArticleName],
                            .vtsz = m_fields[Vtsz],
                            .unit = m_fields[Unit],
                            .quantity = m_fields[Quantity],
                            .note = memoWithoutTrailingBreaks(m_fields[Note]),
                            .articleNumber = m_fields[ArticleNumber],
                            .unitPrice = m_fields[UnitPrice],
                            .vatRate = m_fields[VatRate],
                            .gasOil = m_fields[GasOil],
                            .currency = m_fields[Currency],
                            .vatName = m_fields[VatName],
                            .vatCode = m_fields[VatCode]};
    prepareLineWrite(q, target().document, line, isNewLine());
    q.execute();
}

bool InvoiceLineEditor::ok()
{
    // A line without its invoice's number would belong to no invoice (or to every numberless one).
    if (isBlank(hostNumber())) {
        m_context.ui.message(QStringLiteral("A számlasor nem tárolható: a számlának nincs sorszáma!"));
        return false;
    }
    if (!validate())
        return false;
    const bool isNew = isNewLine();
    bool stored = false;
    QString refusal;
    const bool ran = runAction(m_context.ui, [&] {
        // The entry stays on the screen after a failure so the operator can correct it and try again.
        const QString outer = QStringLiteral("Hiba az append vagy edit közben a számla sorban!");
        Query transaction(m_context.data.connection(), QStringLiteral("lineStore"));
        StepChain chain(transaction);
        bool refused = false;
        stored = chain.run([&] {
            chain.begin(outer);
            // the invoice is still the one the composition screen works on, and not issued
            checkDocument(chain, m_context.data, guard(), refused);
            const QString message = isNew ? QStringLiteral("Hiba: Új, INSERT-append a számla sorben ")
                                          : QStringLiteral("Hiba: Új, INSERT-edit a számla sorban ");
            chain.step(message, [&] { store(); });
            chain.commit(message);
        });
        if (!stored) {
            if (refused)
                refusal = chain.failure().message;
            else
                tell(m_context.ui, chain.failure(), outer);
            return;
        }
        m_context.state.setRememberedKey(kLineTable, m_fields[LineId]);
        rereadLineList();
    });
    if (!refusal.isEmpty()) {
        end(refusal);
        return false;
    }
    if (lockLost(m_context.data, guard())) {
        end(lockLostReason(guard()));
        return false;
    }
    if (!ran || !stored)
        return false;
    close();
    return true;
}

void InvoiceLineEditor::rereadLineList()
{
    Query& lines = m_context.data.query(role::kInvoiceLines);
    lines.setSql({target().lineListSql});
    lines.setText(QStringLiteral("p1"), hostNumber());
    lines.open();
    const QString id = m_context.state.rememberedKey(kLineTable);
    if (id.isEmpty())
        lines.last();
    else
        lines.locate(QStringLiteral("sID"), id);
}

void InvoiceLineEditor::cancel()
{
    close();
}

} // namespace orvena
