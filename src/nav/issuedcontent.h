#pragma once
// What the VAT act wants printed on an invoice beside its lines and amounts: both tax numbers,
// the reasons of its VAT-free lines and the issuer's VAT regime. An invoice prints them from the
// master records until it is issued; the issue keeps them with the invoice (szlakiallitas), and
// every reprint and report afterwards uses what was kept, whatever the master records say by
// then. A storno or a correction takes its original's regime.
#include <QString>
#include <optional>

namespace orvena {

class DataModule;

namespace nav {

struct IssuerRegime {
    bool individualExemption = false; // "Alanyi adómentes"
    bool cashAccounting = false;      // "Pénzforgalmi elszámolás"
    bool smallBusiness = false;       // "Kisadózó"
    bool operator==(const IssuerRegime&) const = default;
};

struct IssuedContent {
    QString issuerTaxLine;    // "Adószám: 12345676-2-06[, közösségi adószám: HU12345676]"
    QString customerTaxLine;  // "Adószám: ..." or "Közösségi adószám: ..."; empty for a private person
    QString exemptionReasons; // one line per VAT-free case: "Adómentes (AAM): Alanyi adómentes"
    IssuerRegime regime;
    // The regime as printed: "Alanyi adómentes", "Pénzforgalmi elszámolás", "Kisadózó", joined by " – ".
    QString regimeLine() const;
};

// The content as the master records give it now, for the invoice (or a proforma: its own
// tables) of this number; a storno's or correction's regime is its original's.
IssuedContent currentIssuedContent(DataModule& data, const QString& number,
                                   const QString& headerTable = QStringLiteral("szlafej"),
                                   const QString& lineTable = QStringLiteral("szlasor"));
// What was kept at the issue; nothing for an invoice issued before content was kept.
std::optional<IssuedContent> keptIssuedContent(DataModule& data, const QString& number);
// The regime the invoice was issued under: the kept one, else (issued before content was kept)
// the one its stored invoice-data report states; nothing when neither exists.
std::optional<IssuerRegime> issuedRegime(DataModule& data, const QString& number);
// The regime a storno or correction of `number` inherits: its original's as issued, or the
// issuer's current one when the original left no trace of it.
std::optional<IssuerRegime> originalRegime(DataModule& data, const QString& number);

// Keeps the content with the invoice, inside the caller's transaction (the issuing one); an
// invoice whose content is kept already keeps it unchanged. Throws DbError.
void keepIssuedContent(DataModule& data, const QString& number, const IssuedContent& content);

} // namespace nav
} // namespace orvena
