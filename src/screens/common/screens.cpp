#include "screens.h"

namespace orvena {

QString formId(Screen screen)
{
    switch (screen) {
    case Screen::CustomerList: return QStringLiteral("TForm3");
    case Screen::CustomerEdit: return QStringLiteral("TForm4");
    case Screen::ArticleList: return QStringLiteral("TForm5");
    case Screen::ArticleEdit: return QStringLiteral("TForm6");
    case Screen::InvoiceRegister: return QStringLiteral("TForm8");
    case Screen::InvoiceComposer: return QStringLiteral("TForm9");
    case Screen::InvoiceLine: return QStringLiteral("TForm10");
    case Screen::IssuerList: return QStringLiteral("TForm11");
    case Screen::Export: return QStringLiteral("TForm12");
    case Screen::About: return QStringLiteral("TForm13");
    case Screen::CustomerBlock: return QStringLiteral("TForm14");
    case Screen::VatList: return QStringLiteral("TForm15");
    case Screen::VatEdit: return QStringLiteral("TForm16");
    case Screen::DictionaryList: return QStringLiteral("TForm17");
    case Screen::DictionaryEdit: return QStringLiteral("TForm18");
    case Screen::DeliveryRegister: return QStringLiteral("TForm19");
    case Screen::DeliveryComposer: return QStringLiteral("TForm20");
    case Screen::DeliveryLine: return QStringLiteral("TForm21");
    case Screen::Import: return QStringLiteral("TForm22");
    case Screen::IssuerEdit: return QStringLiteral("TForm23");
    case Screen::IssuerBlock: return QStringLiteral("TForm24");
    case Screen::Help: return QStringLiteral("TForm25");
    case Screen::FunctionKeys: return QStringLiteral("TForm26");
    case Screen::RemoteAssistance: return QStringLiteral("TForm27");
    case Screen::Maintenance: return QStringLiteral("TForm28");
    case Screen::Password: return QStringLiteral("TPasswordDlg");
    case Screen::AuditExport: return QStringLiteral("TForm29");
    case Screen::Receivables: return QStringLiteral("TForm30");
    case Screen::Figures: return QStringLiteral("TKimutatasok");
    case Screen::ProformaRegister: return QStringLiteral("TDijbekerok");
    case Screen::ProformaComposer: return QStringLiteral("TDijbekeroSzerk");
    case Screen::BankStatements: return QStringLiteral("TBankkivonat");
    case Screen::Payments: return QStringLiteral("TFormFizetes");
    case Screen::PaymentEntry: return QStringLiteral("TFormFizetesUj");
    case Screen::InvoiceMail: return QStringLiteral("TEmailKuldes");
    case Screen::InvoiceMailLog: return QStringLiteral("TEmailNaplo");
    case Screen::ReminderMail: return QStringLiteral("TEmailFelszolitas");
    }
    return {};
}

} // namespace orvena
