#pragma once
// The Hungarian tax number (adószám): an eight-digit taxpayer id whose last digit is a check
// digit, a one-digit VAT code and a two-digit county code. Written as eleven digits
// ("12345676242") or with dashes ("12345676-2-42").
#include <QString>
#include <optional>

namespace orvena::nav {

struct TaxNumber {
    QString taxpayerId; // 8 digits
    QString vatCode;    // 1 digit, 1..5
    QString countyCode; // 2 digits
    QString text() const { return taxpayerId + u'-' + vatCode + u'-' + countyCode; }
};

// The check digit the first seven digits call for (weights 9, 7, 3, 1, 9, 7, 3).
int taxpayerCheckDigit(QStringView firstSeven);
// Reads either written form (blanks around it ignored); nothing when the form, the VAT code or
// the check digit is wrong.
std::optional<TaxNumber> parseTaxNumber(const QString& text);

// A community VAT number: two-letter country prefix and 2 to 13 letters or digits ("HU12345676",
// "ATU12345678"); blanks are ignored.
bool isCommunityVatNumber(const QString& text);
QString normalizedCommunityVatNumber(const QString& text);
// The member states of the EU by their prefix in VAT numbers' country codes (ISO 3166; Greece
// uses "EL" in VAT numbers and "GR" as country).
bool isEuCountry(const QString& isoCountry);

} // namespace orvena::nav
