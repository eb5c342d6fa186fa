#include "masterdatadialogs.h"
#include "screens/common/ui/dialogparts.h"

#include "masterdata/articles.h"
#include "screens/common/ui/editdialog.h"
#include "screens/common/ui/listdialog.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace orvena {

namespace {

// The article list re-reads itself in name order whenever it becomes the active window again.
class ArticleListDialog : public ListDialog {
public:
    ArticleListDialog(ArticleList* model, QWidget* parent) : ListDialog(model, parent), m_articles(model) {}

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::WindowActivate) {
            if (m_activated)
                m_articles->uncovered();
            m_activated = true;
        }
        return ListDialog::event(e);
    }

private:
    ArticleList* m_articles;
    bool m_activated = false;
};

} // namespace

QDialog* createArticleListDialog(ScreenContext& context, QWidget* parent)
{
    auto* dialog = new ArticleListDialog(new ArticleList(context), parent);
    dialog->setObjectName(formId(Screen::ArticleList));
    dialog->setWindowTitle(QStringLiteral("Cikk"));
    dialog->setProperty("helpContext", 4);
    dialog->setDetails({{QStringLiteral("Cikkszám"), {QStringLiteral("cSzam")}},
                        {QStringLiteral("ID:"), {QStringLiteral("cID")}},
                        {QStringLiteral("Megnevezés"), {QStringLiteral("cmegn")}},
                        {QStringLiteral("VTSZ"), {QStringLiteral("cvtsz")}},
                        {QStringLiteral("M.egység"), {QStringLiteral("cme")}},
                        {QStringLiteral("Egységár"), {QStringLiteral("cear")}},
                        {QStringLiteral("Pénznem"), {QStringLiteral("cpnem")}},
                        {QStringLiteral("ÁFA %"), {QStringLiteral("cAFA")}}});
    dialog->setHints({QStringLiteral("Számlázás, sz.levél készítéskor kell használni a kiválasztásra."),
                      QStringLiteral("Új cikk bevitele."), QStringLiteral("Cikk módosítás"),
                      QStringLiteral("Cikk sor törlése."), QStringLiteral("Kilépés")});
    return dialog;
}

QDialog* createArticleEditDialog(ScreenContext& context, const ScreenRequest& request, QWidget* parent)
{
    auto model = std::make_unique<ArticleEdit>(context, request);
    if (!model->start())
        return nullptr;
    ArticleEdit* m = model.get();
    auto* dialog = new EditDialog(model.release(), parent);
    dialog->setObjectName(formId(Screen::ArticleEdit));
    dialog->setProperty("helpContext", 4);
    QFormLayout* form = dialog->formLayout({QStringLiteral("cSzam"), QStringLiteral("cMegn"), QStringLiteral("cVtsz"),
                                            QStringLiteral("cMe"), QStringLiteral("cEar"), QStringLiteral("cPnem")});
    // The VAT rate: the chooser button and the copied percentage, name and code.
    auto* vatRow = new QHBoxLayout;
    QLineEdit* percent = dialog->lineEdit(QStringLiteral("cAfa"));
    percent->setMaximumWidth(60);
    vatRow->addWidget(percent);
    vatRow->addWidget(dialog->lineEdit(QStringLiteral("cAfanev")), 1);
    QLineEdit* vatCode = dialog->lineEdit(QStringLiteral("cAfakod"));
    vatCode->setMaximumWidth(60);
    vatRow->addWidget(vatCode);
    auto* vatButton = makeButton(QStringLiteral("ÁFA"), QStringLiteral("ÁFA % választó ablak megnyitása"),
                                 QStringLiteral("Button_AFA"), dialog);
    pressOnEnter(vatButton);
    QObject::connect(vatButton, &QPushButton::clicked, m, [m] { m->chooseVat(); });
    form->addRow(vatButton, vatRow);
    form->addRow(dialog->label(QStringLiteral("cKod")), dialog->widget(QStringLiteral("cKod")));
    form->addRow(dialog->label(QStringLiteral("cID")), dialog->widget(QStringLiteral("cID")));
    // The gas-oil figure is carried through unchanged, not shown.
    auto* golaj = new QHBoxLayout;
    golaj->addWidget(dialog->widget(QStringLiteral("cGolaj")));
    auto* unit = new QLabel(QStringLiteral("liter/ha"), dialog);
    golaj->addWidget(unit);
    QLabel* golajLabel = dialog->label(QStringLiteral("cGolaj"));
    form->addRow(golajLabel, golaj);
    for (QWidget* w : {static_cast<QWidget*>(golajLabel), dialog->widget(QStringLiteral("cGolaj")),
                       static_cast<QWidget*>(unit)})
        w->setVisible(false);
    dialog->body()->addLayout(form);
    QPushButton* ok = dialog->addRowButton(QStringLiteral("OK"), QStringLiteral("Cikk letárolása."), [m] { m->ok(); });
    QPushButton* cancel = dialog->addRowButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), [m] { m->cancel(); });
    // Focus order: the six fields, "OK", "Mégsem", "ÁFA".
    QWidget::setTabOrder(dialog->widget(QStringLiteral("cPnem")), ok);
    QWidget::setTabOrder(ok, cancel);
    QWidget::setTabOrder(cancel, vatButton);
    QObject::connect(m, &EditScreen::focusRequested, vatButton, [vatButton](const QString& key) {
        if (key == QLatin1String("cAfa") || key == QLatin1String("cGolaj"))
            vatButton->setFocus(Qt::OtherFocusReason);
    });
    dialog->finishLayout();
    dialog->resize(560, dialog->sizeHint().height());
    return dialog;
}

} // namespace orvena
