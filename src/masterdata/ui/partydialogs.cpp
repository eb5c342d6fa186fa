// Customers and issuers: list screens with a "Sor adata" / "Cimke" detail panel, edit screens
// with the pages "Sorok" and "Cimke", the copy and the header-block composer.
#include "masterdatadialogs.h"
#include "screens/common/ui/dialogparts.h"

#include "masterdata/customers.h"
#include "masterdata/issuers.h"
#include "nav/ui/navfields.h"
#include "screens/common/ui/editdialog.h"
#include "screens/common/ui/listdialog.h"
#include "screens/common/ui/partydetails.h"

#include "navsend/ui/navdialogs.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <memory>

namespace orvena {

namespace {

// The customer search runs on every key typed in the field, with the text as it stood before the
// key: "Keres" and Enter therefore search for the whole typed text.
class SearchKeys : public QObject {
public:
    SearchKeys(QLineEdit* field, CustomerList* list) : QObject(field), m_field(field), m_list(list) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            // Tab only passes through the field on its way to the next one: no search
            const bool focusMove = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            if (!focusMove && !key->text().isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                m_list->search(m_field->text());
        }
        return false;
    }

private:
    QLineEdit* m_field;
    CustomerList* m_list;
};

// Two labelled columns of fields on the page "Sorok", in focus order left then right.
QWidget* fieldsPage(EditDialog* dialog, const QStringList& left, const QStringList& right)
{
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->addLayout(dialog->formLayout(left), 1);
    row->addSpacing(16);
    row->addLayout(dialog->formLayout(right), 1);
    return page;
}

QWidget* blockPage(EditDialog* dialog, const QString& key, QPushButton* compose)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(dialog->label(key));
    layout->addWidget(dialog->widget(key), 1);
    auto* row = new QHBoxLayout;
    row->addWidget(compose);
    row->addStretch();
    layout->addLayout(row);
    return page;
}

// "Összeállít": the header-block composer of the record.
template<typename Edit>
QPushButton* composeButton(EditDialog* dialog, Edit* model, const QString& hint)
{
    auto* compose = makeButton(QStringLiteral("Összeállít"), hint, QStringLiteral("Button_Osszeallit"), dialog);
    pressOnEnter(compose);
    QObject::connect(compose, &QPushButton::clicked, model, [model] { model->compose(); });
    return compose;
}

// A validation on a field of another page shows that page first.
void showPageOfFocusedField(EditDialog* dialog, EditScreen* model, QTabWidget* tabs)
{
    QObject::connect(model, &EditScreen::focusRequested, tabs, [tabs, dialog](const QString& key) {
        if (QWidget* w = dialog->widget(key))
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i)->isAncestorOf(w))
                    tabs->setCurrentIndex(i);
    });
}

} // namespace

QDialog* createCustomerListDialog(ScreenContext& context, QWidget* parent)
{
    auto* model = new CustomerList(context);
    auto* dialog = new ListDialog(model, parent);
    dialog->setObjectName(formId(Screen::CustomerList));
    dialog->setWindowTitle(QStringLiteral("Vevö"));
    dialog->setProperty("helpContext", 3);

    auto* search = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Név:"), dialog);
    auto* field = new QLineEdit(dialog);
    field->setObjectName(QStringLiteral("Search"));
    field->setToolTip(QStringLiteral("Kezdö betükre rákeres"));
    field->setMaximumWidth(320);
    label->setBuddy(field);
    field->installEventFilter(new SearchKeys(field, model));
    auto* find = makeButton(QStringLiteral("Keres"), QStringLiteral("Vevő névre pozicionálja a listát."),
                            QStringLiteral("Keres"), dialog);
    pressOnEnter(find);
    QObject::connect(find, &QPushButton::clicked, model, [model, field] { model->search(field->text()); });
    search->addWidget(label);
    search->addWidget(field, 1);
    search->addWidget(find);
    search->addStretch();
    dialog->topArea()->addLayout(search);

    dialog->setDetails(customerDetails(Screen::CustomerList), QStringLiteral("vMemoVevo"));
    dialog->setHints({QStringLiteral("Számlázásnál van használatban."), QStringLiteral("Új vevö felvétele."),
                      QStringLiteral("Vevö módosítása."), QStringLiteral("Vevö sor törlése."), QStringLiteral("Kilépés")});
    dialog->resize(1000, 720);
    // Tab order follows the screen: the search row above the list, then the list and its buttons.
    QWidget::setTabOrder(field, find);
    QWidget::setTabOrder(find, dialog->grid());
    return dialog;
}

QDialog* createCustomerEditDialog(ScreenContext& context, const ScreenRequest& request, QWidget* parent)
{
    auto model = std::make_unique<CustomerEdit>(context, request);
    if (!model->start())
        return nullptr;
    CustomerEdit* m = model.get();
    auto* dialog = new EditDialog(model.release(), parent);
    dialog->setObjectName(formId(Screen::CustomerEdit));
    dialog->setProperty("helpContext", 3);
    auto* tabs = new QTabWidget(dialog);
    tabs->addTab(fieldsPage(dialog,
                            {"vSzam", "vNeve", "vIrszam", "vHely", "vUtca", "vTel", "vEmail", "vAdo", "vKado", "vBanknev",
                             "vBankszla"},
                            {"vIBAN", "vSwift", "vFizmod", "vFhat", "vPnem", "vEnged", "vKamat", "vFordado", "vUzen",
                             "vKod", "vID"}),
                 QStringLiteral("Sorok"));
    QPushButton* compose = composeButton(dialog, m, QStringLiteral("Vevő cimke elkészítése, módositása."));
    tabs->addTab(blockPage(dialog, QStringLiteral("vMemoVevo"), compose), QStringLiteral("Cimke"));
    tabs->addTab(customerReportPage(dialog, m), QStringLiteral("NAV adatok"));
    dialog->body()->addWidget(tabs);
    dialog->addRowButton(QStringLiteral("OK"), QStringLiteral("Vevő letárolása."), [m] { m->ok(); });
    dialog->addRowButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), [m] { m->cancel(); });
    nav::addTaxpayerCheckButton(context, m, dialog);
    dialog->addRowButton(QStringLiteral("Másolat készítés"), QStringLiteral("A vevö sorról másolat készítése"),
                      [m] { m->copy(); });
    showPageOfFocusedField(dialog, m, tabs);
    dialog->finishLayout();
    dialog->resize(820, dialog->sizeHint().height());
    return dialog;
}

QDialog* createIssuerListDialog(ScreenContext& context, QWidget* parent)
{
    auto* dialog = new ListDialog(new IssuerList(context), parent);
    dialog->setObjectName(formId(Screen::IssuerList));
    dialog->setWindowTitle(QStringLiteral("Szállító"));
    dialog->setProperty("helpContext", 6);
    dialog->setDetails(issuerDetails(Screen::IssuerList), QStringLiteral("zMemoSzall"));
    dialog->setHints({QStringLiteral("Szállítólevél és számlánál  a kiválasztás és ablakzárása"),
                      QStringLiteral("Új szállító, kibocsátó létrehozása."),
                      QStringLiteral("Szállító adatainak módositása"), QStringLiteral("Szállító törlése a listából."),
                      QStringLiteral("Kilépés")});
    dialog->resize(1000, 720);
    return dialog;
}

QDialog* createIssuerEditDialog(ScreenContext& context, const ScreenRequest& request, QWidget* parent)
{
    auto model = std::make_unique<IssuerEdit>(context, request);
    if (!model->start())
        return nullptr;
    IssuerEdit* m = model.get();
    auto* dialog = new EditDialog(model.release(), parent);
    dialog->setObjectName(formId(Screen::IssuerEdit));
    dialog->setProperty("helpContext", 6);
    auto* tabs = new QTabWidget(dialog);
    tabs->addTab(fieldsPage(dialog,
                            {"zSzam", "zNev1", "zNev2", "zIrszam", "zHely", "zUtca", "zTel", "zFax", "zEmail", "zAdo"},
                            {"zKado", "zBanknev", "zBankszla", "zBanknev2", "zBankszla2", "zIBAN", "zSwift", "zKiallito",
                             "zKod", "zID"}),
                 QStringLiteral("Sorok"));
    QPushButton* compose =
        composeButton(dialog, m, QStringLiteral("Kibocsátó (szállító) cimke tételeinek összeállítása, módosítása."));
    tabs->addTab(blockPage(dialog, QStringLiteral("zMemoSzall"), compose), QStringLiteral("Cimke"));
    auto* navTab = new QWidget(dialog);
    auto* navLayout = new QVBoxLayout(navTab);
    navLayout->addWidget(issuerVatRegimeGroup(m, navTab));
    navLayout->addWidget(nav::createIssuerNavPage(context, m, navTab));
    navLayout->addStretch();
    tabs->addTab(navTab, QStringLiteral("NAV"));
    dialog->body()->addWidget(tabs);
    dialog->body()->addWidget(issuerReportGroup(dialog, m));
    dialog->addRowButton(QStringLiteral("OK"), QStringLiteral("Szállító (kibocsátó) letárolása."), [m] { m->ok(); });
    dialog->addRowButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), [m] { m->cancel(); });
    dialog->addRowButton(QStringLiteral("Másolat készítés"), QStringLiteral("Meglévő adatsorról másolat készítése."),
                      [m] { m->copy(); });
    showPageOfFocusedField(dialog, m, tabs);
    dialog->finishLayout();
    dialog->resize(820, dialog->sizeHint().height());
    return dialog;
}

} // namespace orvena
