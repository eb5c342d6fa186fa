#include "proformaregisterdialog.h"
#include "registerpages.h"

#include "db/queryroles.h"
#include "screens/common/ui/dialogparts.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/partydetails.h"
#include "screens/common/ui/querydisplay.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

ProformaRegisterDialog::ProformaRegisterDialog(ScreenContext& context, ProformaRegister* model, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    model->setParent(this);
    setObjectName(formId(Screen::ProformaRegister));
    setWindowTitle(QStringLiteral("Díjbekérők"));

    Query& list = context.data.query(role::kProformaList);
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("registerTabs"));

    QTableView* proformaGrid = addGridPage(tabs, QStringLiteral("Díjbekérők"), list,
                                           {{s("dSzam"), s("Díjbekérő")},
                                            {s("fTkelt"), s("Telj.kelte")},
                                            {s("fRkelt"), s("Kelte")},
                                            {s("fFkelt"), s("Fiz.határidö")},
                                            {s("fFizmod"), s("Fiz.mód")},
                                            {s("fPnem"), s("Pénznem")},
                                            {s("dsSzamla"), s("Számla")},
                                            {s("fPrn"), s("Nyomtatva")},
                                            {s("fMegj"), s("Megjegyzés")},
                                            {s("fvKod"), s("VevöKód")}},
                                           QStringLiteral("proformaGrid"), true);
    proformaGrid->setColumnWidth(8, 200);
    QTableView* lineGrid = addGridPage(tabs, QStringLiteral("Díjbekérő tételei"), context.data.query(role::kInvoiceLines),
                                       {{s("scKod"), s("Cikkkód")},
                                        {s("sMegn"), s("Megnevezés")},
                                        {s("sMenny"), s("Mennyiség")},
                                        {s("sMe"), s("M.egység")},
                                        {s("sEar"), s("E.ár")},
                                        {s("sPnem"), s("Pénznem")},
                                        {s("sAfanev"), s("Áfanév")}},
                                       QStringLiteral("lineGrid"), false);
    lineGrid->setColumnWidth(1, 260);
    tabs->addTab(customerDetailsPage(Screen::InvoiceRegister, context.data.query(role::kCustomerList), tabs),
                 QStringLiteral("Vevö adatai"));
    connect(tabs, &QTabWidget::currentChanged, this, [this] { m_model->refreshDetails(); });
    layout->addWidget(tabs, 1);

    auto cell = [](const char* caption, const char* column) { return DetailCell{s(caption), {s(column)}}; };
    layout->addWidget(headerGroup(QStringLiteral("Díjbekérő fejléc"), list,
                                  {cell("Díjbekérő", "dSzam"), cell("Telj.kelt", "fTkelt"), cell("Kelte", "fRkelt"),
                                   cell("Fiz.hat.", "fFkelt"), cell("Fiz.mód", "fFizmod"), cell("Pénznem", "fPnem"),
                                   cell("Számla", "dsSzamla"), cell("Megjegyzés", "fMegj")},
                                  4, this));

    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& text, const QString& hint, const QString& name, auto action) {
        return addButton(buttons, text, hint, name, this, action);
    };
    add(QStringLiteral("Új"), QStringLiteral("Új díjbekérő készítése"), QStringLiteral("newButton"),
        [this] { m_model->newProforma(); });
    add(QStringLiteral("Módosít"), QStringLiteral("A megjelölt díjbekérő módosítása"), QStringLiteral("modifyButton"),
        [this] { m_model->modifyProforma(); });
    add(QStringLiteral("Töröl"), QStringLiteral("A megjelölt díjbekérő törlése"), QStringLiteral("deleteButton"),
        [this] { m_model->deleteProforma(); });
    add(QStringLiteral("Megtekint"), QStringLiteral("Díjbekérő formátum megtekintése."), QStringLiteral("viewButton"),
        [this] { m_model->view(); });
    add(QStringLiteral("Nyomtat"), QStringLiteral("Díjbekérő nyomtatása."), QStringLiteral("printButton"),
        [this] { m_model->print(); });
    add(QStringLiteral("Számla a díjbekérőből"), QStringLiteral("A megjelölt díjbekérőből számla készül"),
        QStringLiteral("convertButton"), [this] { m_model->convert(); });
    buttons->addStretch();
    add(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), [this] { reject(); });
    layout->addLayout(buttons);

    installEnterNavigation(this, EnterMode::WindowOnly);
    installEnterPressesButtons(this);
    resize(1000, 600);
    m_model->reread();
}

bool ProformaRegisterDialog::event(QEvent* event)
{
    // Uncovered again when a screen, a message or the preview over it has closed: the list shows
    // the latest stored state.
    if (event->type() == QEvent::WindowUnblocked)
        m_model->reread();
    return QDialog::event(event);
}

} // namespace orvena
