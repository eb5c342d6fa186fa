#pragma once
// Every screen of the program, named by its form id (the objectName of its dialog).
#include <QString>

namespace orvena {

enum class Screen {
    CustomerList,         // TForm3  "Vevö"
    CustomerEdit,         // TForm4  "Vevö bevitel"
    ArticleList,          // TForm5  "Cikk"
    ArticleEdit,          // TForm6  "Cikk bevitel"
    InvoiceRegister,      // TForm8  "Számlázás"
    InvoiceComposer,      // TForm9
    InvoiceLine,          // TForm10
    IssuerList,           // TForm11 "Szállító"
    Export,               // TForm12 "Adat export"
    About,                // TForm13 "Névjegy"
    CustomerBlock,        // TForm14 header-block composer for customers
    VatList,              // TForm15 "Áfa"
    VatEdit,              // TForm16 "Áfa bevitel"
    DictionaryList,       // TForm17 "Szótár"
    DictionaryEdit,       // TForm18 "Szótár bevitel"
    DeliveryRegister,     // TForm19 "Szállítólevél"
    DeliveryComposer,     // TForm20
    DeliveryLine,         // TForm21
    Import,               // TForm22 "Import"
    IssuerEdit,           // TForm23 "Szállító bevitel"
    IssuerBlock,          // TForm24 header-block composer for issuers
    Help,                 // TForm25 "Súgó"
    FunctionKeys,         // TForm26 "Funkció billentyűhöz rendelt szöveg"
    RemoteAssistance,     // TForm27 "Távsegítség"
    Maintenance,          // TForm28 "Adatok"
    Password,             // TPasswordDlg "Jelszó"
    AuditExport,          // TForm29 "Adóhatósági adatszolgáltatás"
    Receivables,          // TForm30 "Kintlévőségek"
    Figures,              // TKimutatasok "Kimutatások": figures, charts, the accountant's export
    ProformaRegister,     // TDijbekerok "Díjbekérők"
    ProformaComposer,     // TForm9 over a proforma
    BankStatements,       // TBankkivonat "Bankkivonat": statement entries matched to invoices
    Payments,             // TFormFizetes "Fizetés": the payments of the register's invoice
    PaymentEntry,         // TFormFizetesUj "Új fizetés"
    InvoiceMail,          // TEmailKuldes "Küldés e-mailben": the register's invoice to its customer
    InvoiceMailLog,       // TEmailNaplo "E-mail napló": the messages an invoice was sent in
    ReminderMail,         // TEmailFelszolitas: a customer's reminder sent by e-mail
};

QString formId(Screen screen);

} // namespace orvena
