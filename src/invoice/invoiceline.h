#pragma once
// The invoice line screen's model: one line of the invoice being composed, written straight into
// szlasor under the invoice's number when "OK" is pressed.
#include "screens/common/documentguard.h"
#include "screens/common/screencontext.h"

#include <QObject>
#include <array>
#include <memory>
#include <optional>

namespace orvena {

struct ComposerTarget;

class InvoiceLineEditor : public QObject {
    Q_OBJECT
public:
    enum Field {
        ArticleName,   // "Cikk megevezés"
        Vtsz,          // "VTSZ/SZJ"
        Quantity,      // "Mennyiség"
        Unit,          // "M.egys."
        UnitPrice,     // "Egységár"
        Currency,      // "Pénznem"
        VatRate,       // beside "ÁFA %": set only with the VAT code, by the VAT chooser
        GasOil,        // hidden, always stored as written (0 from this screen)
        Note,          // "Sor megjegyzés"
        ArticleCode,   // read-only, set by the article chooser
        ArticleNumber, // "Cikkszám", read-only
        VatName,       // read-only
        VatCode,       // read-only
        Net,           // "Nettó", computed
        Vat,           // "ÁFA", computed
        Total,         // "Sor összesen:", computed
        LineId,        // "SzlaSor ID"
        InvoiceNumber, // "Biszonylatszám"
        FieldCount
    };

    // request.mode: a new line or the line list's current row; request.document: the invoice
    // (number, currency and the lock it works under) of the composition screen that opened it;
    // without a lock the invoice's own is used; without a document the line has no number and is
    // refused when stored.
    InvoiceLineEditor(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);

    // Prepares the screen for the line edit mode: defaults for a new line, the current row of the
    // line list for a modification, then the VAT rate looked up. Returns false when the line
    // could not be filled (its message has been shown); the screen does not open then.
    bool prepare();

    QString field(Field f) const { return m_fields[f]; }
    // An edit by the operator; changes of the amount inputs recompute the line amounts.
    void setField(Field f, const QString& text);
    bool isNewLine() const;

    // Buttons and toggles.
    void chooseArticle();
    void chooseVat();
    void toggleUnit();
    // "OK": checks, stores, re-reads the line list. Returns true when the screen closes.
    bool ok();
    void cancel();

    // The line amounts from quantity, unit price and VAT rate (reported failures keep the
    // amounts not yet recomputed).
    void recomputeAmounts();

    bool isClosed() const { return m_closed; }
    Field lastFocus() const { return m_lastFocus; }

signals:
    void fieldChanged(int field);
    void focusRequested(int field);
    void closeRequested();

private:
    void set(Field f, const QString& text);
    void focus(Field f);
    void close();
    bool validate();
    void store();
    void rereadLineList();
    QString hostNumber() const;
    QString hostCurrency() const;
    DocumentGuard guard() const;
    // The invoice's tables, or a proforma's.
    const ComposerTarget& target() const;
    // Ends the screen with reason and what was typed.
    void end(const QString& reason);

    ScreenContext& m_context;
    const EditMode m_mode;
    const std::optional<DocumentRef> m_document;
    std::array<QString, FieldCount> m_fields;
    bool m_closed = false;
    Field m_lastFocus = ArticleName;
    std::unique_ptr<NamedLock> m_lock; // this screen's count of its invoice's lock
};

} // namespace orvena
