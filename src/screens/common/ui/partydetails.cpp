#include "partydetails.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <map>

namespace orvena {

namespace {

enum class Value {
    // customer
    Name, Number, Id, Address, Phone, TaxNumber, EuTaxNumber, Iban, Swift, Bank, Message, Interest, PaymentDays,
    PaymentMethod, Discount, Currency, Email, ReverseCharge,
    // issuer
    IssuerName, IssuerNumber, IssuerId, IssuerAddress, IssuerPhone, IssuerFax, IssuerTaxNumber, IssuerEuTaxNumber,
    IssuerIban, IssuerSwift, IssuerBank, IssuerBothBanks, IssuerSite, IssuerEmail, IssuerPerson,
};

// The columns of a value. A value of two lines (the issuer's two name lines, its two accounts)
// is joined by a blank where the screen shows one line.
DetailCell columnsOf(const QString& caption, Value value)
{
    switch (value) {
    case Value::Name: return {caption, {"vNeve"}};
    case Value::Number: return {caption, {"vSzam"}};
    case Value::Id: return {caption, {"vID"}};
    case Value::Address: return {caption, {"vIrszam", "vHely", "vUtca"}};
    case Value::Phone: return {caption, {"vTel"}};
    case Value::TaxNumber: return {caption, {"vAdo"}};
    case Value::EuTaxNumber: return {caption, {"vKado"}};
    case Value::Iban: return {caption, {"vIBAN"}};
    case Value::Swift: return {caption, {"vSwift"}};
    case Value::Bank: return {caption, {"vBanknev", "vBankszla"}};
    case Value::Message: return {caption, {"vUzen"}};
    case Value::Interest: return {caption, {"vKamat"}};
    case Value::PaymentDays: return {caption, {"vFhat"}};
    case Value::PaymentMethod: return {caption, {"vFizmod"}};
    case Value::Discount: return {caption, {"vEnged"}};
    case Value::Currency: return {caption, {"vPnem"}};
    case Value::Email: return {caption, {"vEmail"}};
    case Value::ReverseCharge: return {caption, {"vFordado"}};
    case Value::IssuerName: return {caption, {"zNev1"}, {"zNev2"}};
    case Value::IssuerNumber: return {caption, {"zSzam"}};
    case Value::IssuerId: return {caption, {"zID"}};
    case Value::IssuerAddress: return {caption, {"zIrszam", "zHely", "zUtca"}};
    case Value::IssuerPhone: return {caption, {"zTel"}};
    case Value::IssuerFax: return {caption, {"zFax"}};
    case Value::IssuerTaxNumber: return {caption, {"zAdo"}};
    case Value::IssuerEuTaxNumber: return {caption, {"zKado"}};
    case Value::IssuerIban: return {caption, {"zIBAN"}};
    case Value::IssuerSwift: return {caption, {"zSwift"}};
    case Value::IssuerBank: return {caption, {"zBanknev", "zBankszla", "zBankszla2"}};
    case Value::IssuerBothBanks: return {caption, {"zBanknev", "zBankszla"}, {"zBanknev2", "zBankszla2"}};
    case Value::IssuerSite: return {caption, {"zThely"}};
    case Value::IssuerEmail: return {caption, {"zEmail"}};
    case Value::IssuerPerson: return {caption, {"zKiallito"}};
    }
    return {caption, {}};
}

struct Caption {
    const char* text;
    Value value;
};

struct ScreenDetails {
    const char* group;
    std::vector<Caption> captions;
};

using V = Value;

const std::map<Screen, ScreenDetails>& customerTable()
{
    static const std::map<Screen, ScreenDetails> table = {
        {Screen::CustomerList,
         {"Adatok",
          {{"Neve", V::Name}, {"Cime", V::Address}, {"Telefon", V::Phone}, {"Adószám", V::TaxNumber},
           {"Köz.adószám", V::EuTaxNumber}, {"IBAN", V::Iban}, {"Swift", V::Swift}, {"Bank", V::Bank},
           {"Kamat %", V::Interest}, {"Fiz.hat.(nap)", V::PaymentDays}, {"Fiz.mód", V::PaymentMethod},
           {"Enged.%", V::Discount}, {"Pénznem", V::Currency}, {"E-mail", V::Email}, {"Ford.adózás", V::ReverseCharge},
           {"Kódszám:", V::Number}, {"Kód", V::Id}}}},
        {Screen::InvoiceComposer,
         {"Adatok",
          {{"Vevö neve", V::Name}, {"Cime", V::Address}, {"Telefon", V::Phone}, {"Adószám", V::TaxNumber},
           {"Köz.adószám", V::EuTaxNumber}, {"IBAN", V::Iban}, {"Swift", V::Swift}, {"Bank", V::Bank},
           {"Üzenet", V::Message}, {"Kamat %", V::Interest}, {"Fiz.hat.(nap)", V::PaymentDays},
           {"Fiz.mód", V::PaymentMethod}, {"Enged.%", V::Discount}, {"Pénznem", V::Currency}, {"E-mail", V::Email},
           {"Ford.adózás", V::ReverseCharge}, {"Kód", V::Id}}}},
        {Screen::InvoiceRegister,
         {"Adatok",
          {{"Vevö neve:", V::Name}, {"Kód", V::Id}, {"Cime:", V::Address}, {"Telefon", V::Phone},
           {"Adószám", V::TaxNumber}, {"Köz.adószám", V::EuTaxNumber}, {"IBAN", V::Iban}, {"Swith", V::Swift},
           {"Bank", V::Bank}, {"Üzenet", V::Message}, {"Kamat %", V::Interest}, {"Fiz.hat.(nap)", V::PaymentDays},
           {"Fiz.mód", V::PaymentMethod}, {"Enged.%", V::Discount}, {"Pénznem", V::Currency}, {"E-mail", V::Email},
           {"Ford.adózás", V::ReverseCharge}}}},
        {Screen::DeliveryComposer,
         {"Törzs adatok",
          {{"Vevö neve", V::Name}, {"Cime", V::Address}, {"Telefon", V::Phone}, {"Adószám", V::TaxNumber},
           {"Köz.adószám", V::EuTaxNumber}, {"IBAN", V::Iban}, {"Swift", V::Swift}, {"Bank", V::Bank}, {"Kód", V::Id},
           {"Üzenet", V::Message}, {"Kamat %", V::Interest}, {"Fiz.hat.(nap)", V::PaymentDays},
           {"Fiz.mód", V::PaymentMethod}, {"Enged.%", V::Discount}, {"Pénznem", V::Currency}, {"E-mail", V::Email},
           {"Ford.adózás", V::ReverseCharge}}}},
        {Screen::DeliveryRegister,
         {"Törzs adatok",
          {{"Vevö neve:", V::Name}, {"Száma:", V::Number}, {"Kód:", V::Id}, {"Cime:", V::Address},
           {"Telefon:", V::Phone}, {"Adószám:", V::TaxNumber}, {"Köz.adószám:", V::EuTaxNumber}, {"IBAN:", V::Iban},
           {"Swith:", V::Swift}, {"Bank:", V::Bank}, {"Üzenet:", V::Message}, {"Kamat %:", V::Interest},
           {"Fiz.hat.(nap):", V::PaymentDays}, {"Fiz.mód:", V::PaymentMethod}, {"Enged.%:", V::Discount},
           {"Pénznem:", V::Currency}, {"E-mail:", V::Email}, {"Ford.adózás:", V::ReverseCharge}}}},
    };
    return table;
}

const std::map<Screen, ScreenDetails>& issuerTable()
{
    static const std::map<Screen, ScreenDetails> table = {
        {Screen::IssuerList,
         {"Adatok",
          {{"Neve", V::IssuerName}, {"Cime", V::IssuerAddress}, {"Telefon", V::IssuerPhone},
           {"Adószám", V::IssuerTaxNumber}, {"Köz.adószám", V::IssuerEuTaxNumber}, {"IBAN", V::IssuerIban},
           {"Swift", V::IssuerSwift}, {"Bank", V::IssuerBothBanks}, {"Kiállító", V::IssuerPerson},
           {"Fax", V::IssuerFax}, {"E-mail", V::IssuerEmail}, {"Kódszám:", V::IssuerNumber}, {"Kód", V::IssuerId}}}},
        {Screen::InvoiceComposer,
         {"Törzs adatok",
          {{"Szállító neve:", V::IssuerName}, {"Száma:", V::IssuerNumber}, {"Kód:", V::IssuerId},
           {"Cime:", V::IssuerAddress}, {"Adószám:", V::IssuerTaxNumber}, {"Köz.adószám:", V::IssuerEuTaxNumber},
           {"IBAN:", V::IssuerIban}, {"Swith:", V::IssuerSwift}, {"Bank:", V::IssuerBank}}}},
        {Screen::DeliveryComposer,
         {"Törzs adatok",
          {{"Szállító neve:", V::IssuerName}, {"Cime:", V::IssuerAddress}, {"Adószám:", V::IssuerTaxNumber},
           {"Köz.adószám:", V::IssuerEuTaxNumber}, {"Bank:", V::IssuerBank}, {"IBAN:", V::IssuerIban},
           {"Swith:", V::IssuerSwift}, {"Száma:", V::IssuerNumber}, {"Kód:", V::IssuerId}}}},
        {Screen::DeliveryRegister,
         {"Törzs adatok",
          {{"Szállító neve:", V::IssuerName}, {"Száma:", V::IssuerNumber}, {"Kód:", V::IssuerId},
           {"Cime:", V::IssuerAddress}, {"Adószám:", V::IssuerTaxNumber}, {"Köz.adószám:", V::IssuerEuTaxNumber},
           {"IBAN:", V::IssuerIban}, {"Swith:", V::IssuerSwift}, {"Bank:", V::IssuerBank}, {"Telephely:", V::IssuerSite},
           {"E-mail:", V::IssuerEmail}, {"Telefon:", V::IssuerPhone}, {"Fax:", V::IssuerFax},
           {"Kiállító:", V::IssuerPerson}}}},
    };
    return table;
}

std::vector<DetailCell> cellsOf(const std::map<Screen, ScreenDetails>& table, Screen screen)
{
    std::vector<DetailCell> cells;
    if (const auto it = table.find(screen); it != table.end())
        for (const Caption& caption : it->second.captions)
            cells.push_back(columnsOf(QString::fromUtf8(caption.text), caption.value));
    return cells;
}

QWidget* pageOf(const std::map<Screen, ScreenDetails>& table, Screen screen, Query& query, QWidget* parent)
{
    const auto it = table.find(screen);
    const QString group = it == table.end() ? QString() : QString::fromUtf8(it->second.group);
    return detailsPage(group, query, cellsOf(table, screen), parent);
}

} // namespace

std::vector<DetailCell> customerDetails(Screen screen)
{
    return cellsOf(customerTable(), screen);
}

std::vector<DetailCell> issuerDetails(Screen screen)
{
    return cellsOf(issuerTable(), screen);
}

QWidget* customerDetailsPage(Screen screen, Query& customers, QWidget* parent)
{
    return pageOf(customerTable(), screen, customers, parent);
}

QWidget* issuerDetailsPage(Screen screen, Query& issuers, QWidget* parent)
{
    return pageOf(issuerTable(), screen, issuers, parent);
}

QWidget* customerSummary(QPushButton* chooser, Query& customers, QWidget* parent)
{
    auto* group = new QGroupBox(QStringLiteral("Vevö adatai"), parent);
    auto* row = new QHBoxLayout(group);
    row->addWidget(chooser);
    QLineEdit* code = queryField(customers, {QStringLiteral("vKod")}, group);
    code->setMaximumWidth(60);
    row->addWidget(code);
    row->addWidget(queryField(customers, {QStringLiteral("vNeve")}, group), 2);
    row->addWidget(
        queryField(customers, {QStringLiteral("vIrszam"), QStringLiteral("vHely"), QStringLiteral("vUtca")}, group), 3);
    return group;
}

} // namespace orvena
