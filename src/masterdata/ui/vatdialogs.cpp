#include "masterdatadialogs.h"

#include "masterdata/vatrates.h"
#include "nav/ui/navfields.h"
#include "screens/common/ui/editdialog.h"
#include "screens/common/ui/listdialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <memory>

namespace orvena {

QDialog* createVatListDialog(ScreenContext& context, QWidget* parent)
{
    auto* dialog = new ListDialog(new VatList(context), parent);
    dialog->setObjectName(formId(Screen::VatList));
    dialog->setWindowTitle(QStringLiteral("Áfa"));
    dialog->setProperty("helpContext", 5);
    dialog->setDetails({{QStringLiteral("Áfa %"), {QStringLiteral("kAfa")}},
                        {QStringLiteral("ID:"), {QStringLiteral("kID")}},
                        {QStringLiteral("Megnevezés"), {QStringLiteral("kAfanev")}},
                        {QStringLiteral("Kód"), {QStringLiteral("kAfakod")}}});
    dialog->setHints({QStringLiteral("Számlázásnál használandó."), QStringLiteral("Új áfa % bevitele."),
                      QStringLiteral("Áfa adat módosítás"), QStringLiteral("Áfa % törlése"), QStringLiteral("Kilépés")});
    dialog->resize(640, 480);
    return dialog;
}

QDialog* createVatEditDialog(ScreenContext& context, const ScreenRequest& request, QWidget* parent)
{
    auto model = std::make_unique<VatEdit>(context, request);
    if (!model->start())
        return nullptr;
    VatEdit* m = model.get();
    auto* dialog = new EditDialog(model.release(), parent);
    dialog->setObjectName(formId(Screen::VatEdit));
    dialog->setProperty("helpContext", 5);
    QFormLayout* form =
        dialog->formLayout({QStringLiteral("kAfa"), QStringLiteral("kAfanev"), QStringLiteral("kID"), QStringLiteral("kAfakod")});
    dialog->body()->addLayout(form);
    auto* note = new QLabel(
        QStringLiteral("Számlán az adóösszesítésben a megnevezés első három karaktere szerepel"), dialog);
    note->setWordWrap(true);
    dialog->body()->addWidget(note);
    dialog->body()->addWidget(vatReportGroup(dialog, m));
    dialog->addRowButton(QStringLiteral("OK"), QStringLiteral("Áfa sor bevitele"), [m] { m->ok(); });
    dialog->addRowButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), [m] { m->cancel(); });
    dialog->finishLayout();
    dialog->resize(420, dialog->sizeHint().height());
    return dialog;
}

} // namespace orvena
