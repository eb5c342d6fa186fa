#include "navfields.h"

#include "db/conversions.h"
#include "screens/common/editscreen.h"
#include "screens/common/ui/editdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orvena {

namespace {

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

CodeChoices customerVatStatusChoices()
{
    return {{u("DOMESTIC"), u("Belföldi áfaalany (magyar adószámmal)")},
            {u("PRIVATE_PERSON"), u("Magánszemély (nem áfaalany)")},
            {u("OTHER"), u("Egyéb: külföldi vagy belföldi nem áfaalany")}};
}

CodeChoices vatClassificationChoices()
{
    return {{u("PERCENTAGE"), u("Áfakulcs szerinti adózás")},
            {u("VAT_EXEMPTION"), u("Áfamentes (mentesség)")},
            {u("VAT_OUT_OF_SCOPE"), u("Az áfa tárgyi hatályán kívül")},
            {u("DOMESTIC_REVERSE_CHARGE"), u("Belföldi fordított adózás")},
            {u("NO_VAT_CHARGE"), u("Nincs felszámított áfa")}};
}

CodeChoices vatCaseChoices()
{
    return {{QString(), u("(nincs)")},
            {u("AAM"), u("AAM – alanyi adómentesség")},
            {u("TAM"), u("TAM – tárgyi adómentes tevékenység")},
            {u("KBAET"), u("KBAET – adómentes Közösségen belüli termékértékesítés")},
            {u("KBAUK"), u("KBAUK – új közlekedési eszköz Közösségen belüli értékesítése")},
            {u("EAM"), u("EAM – adómentes termékexport")},
            {u("NAM"), u("NAM – egyéb nemzetközi ügyletek mentessége")},
            {u("ATK"), u("ATK – áfa tárgyi hatályán kívül")},
            {u("EUFAD37"), u("EUFAD37 – másik tagállamban teljesített szolgáltatás (37. §)")},
            {u("EUFADE"), u("EUFADE – másik tagállamban teljesített, nem 37. § szerinti ügylet")},
            {u("EUE"), u("EUE – másik tagállamban teljesített, nem fordított adózású ügylet")},
            {u("HO"), u("HO – harmadik országban teljesített ügylet")}};
}

CodeChoices reportingModeChoices()
{
    return {{u("OFF"), u("Nincs adatszolgáltatás")},
            {u("TEST"), u("Teszt környezet")},
            {u("PROD"), u("Éles adatszolgáltatás")}};
}

QComboBox* codeChoice(EditScreen* model, const QString& key, const CodeChoices& choices, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(key);
    for (const auto& [code, text] : choices)
        box->addItem(text, code);
    auto show = [box](const QString& code) {
        int i = box->findData(code.trimmed().toUpper());
        if (i < 0 && !isBlank(code)) {
            box->addItem(code, code); // a code this program does not offer stays visible
            i = box->count() - 1;
        }
        box->setCurrentIndex(std::max(i, 0));
    };
    show(model->field(key));
    if (box->currentData().toString() != model->field(key))
        model->setField(key, box->currentData().toString());
    QObject::connect(box, &QComboBox::activated, model,
                     [model, box, key](int index) { model->setField(key, box->itemData(index).toString()); });
    QObject::connect(model, &EditScreen::fieldChanged, box, [box, key, show](const QString& changed, const QString& text) {
        if (changed == key && box->currentData().toString() != text)
            show(text);
    });
    return box;
}

QCheckBox* flagChoice(EditScreen* model, const QString& key, const QString& text, QWidget* parent)
{
    // any number but 0 counts as set, as the report and the print read the column
    const auto set = [](const QString& value) { return value.trimmed().toInt() != 0; };
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(key);
    box->setChecked(set(model->field(key)));
    if (isBlank(model->field(key)))
        model->setField(key, u("0")); // the column takes no empty text
    QObject::connect(box, &QCheckBox::toggled, model,
                     [model, key](bool on) { model->setField(key, on ? u("1") : u("0")); });
    QObject::connect(model, &EditScreen::fieldChanged, box,
                     [box, key, set](const QString& changed, const QString& text) {
                         if (changed == key && box->isChecked() != set(text))
                             box->setChecked(set(text));
                     });
    return box;
}

QWidget* customerReportPage(EditDialog* dialog, EditScreen* model)
{
    auto* page = new QWidget(dialog);
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    form->addRow(u("Áfa-státusz"), codeChoice(model, u("vAfaStatusz"), customerVatStatusChoices(), page));
    QLineEdit* country = dialog->lineEdit(u("vOrszag"));
    country->setMaxLength(2);
    form->addRow(u("Ország"), country);
    QLineEdit* foreignTax = dialog->lineEdit(u("vKulfAdo"));
    form->addRow(u("Külföldi adószám"), foreignTax);
    layout->addLayout(form);
    auto* note = new QLabel(u("Belföldi áfaalanynál az „Adószám” (12345678-1-12), EU-s vevőnél a „Köz.adószám” "
                              "(például ATU12345678) kötelező; magánszemély neve, címe nem kerül az adóhatósághoz."),
                            page);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch();
    return page;
}

QWidget* vatReportGroup(EditDialog* dialog, EditScreen* model)
{
    auto* group = new QGroupBox(u("Adóhatósági adatszolgáltatás (NAV)"), dialog);
    auto* form = new QFormLayout(group);
    form->addRow(u("Besorolás"), codeChoice(model, u("kNavTipus"), vatClassificationChoices(), group));
    form->addRow(u("Esetkód"), codeChoice(model, u("kNavKod"), vatCaseChoices(), group));
    form->addRow(u("Indoklás"), dialog->lineEdit(u("kNavIndok")));
    return group;
}

QWidget* issuerReportGroup(EditDialog* dialog, EditScreen* model)
{
    auto* group = new QGroupBox(u("Adóhatósági adatszolgáltatás (NAV)"), dialog);
    auto* form = new QFormLayout(group);
    QComboBox* mode = codeChoice(model, u("zNavMod"), reportingModeChoices(), group);
    mode->setToolTip(u("Teszt vagy éles módban a számla csak hiánytalan adatokkal nyomtatható (állítható ki)."));
    form->addRow(u("Számlák jelentése"), mode);
    return group;
}

QWidget* issuerVatRegimeGroup(EditScreen* model, QWidget* parent)
{
    auto* group = new QGroupBox(u("A kibocsátó áfa szerinti helyzete"), parent);
    auto* layout = new QVBoxLayout(group);
    QCheckBox* exempt = flagChoice(model, u("zAlanyiMentes"), u("Alanyi adómentes"), group);
    exempt->setToolTip(u("A számlákon „Alanyi adómentes” szöveg áll, minden sor áfakódja alanyi adómentes (AAM) "
                         "kell legyen."));
    QCheckBox* cash = flagChoice(model, u("zPenzforgalmi"), u("Pénzforgalmi elszámolás"), group);
    cash->setToolTip(u("A számlákon „Pénzforgalmi elszámolás” szöveg áll, a NAV-jelentésben is szerepel."));
    QCheckBox* small = flagChoice(model, u("zKisadozo"), u("Kisadózó"), group);
    small->setToolTip(u("Kisadózó vállalkozás: a NAV-jelentésben szerepel."));
    layout->addWidget(exempt);
    layout->addWidget(cash);
    layout->addWidget(small);
    auto* note = new QLabel(u("Az „OK” gombbal a kibocsátó adataival együtt tárolódik."), group);
    note->setWordWrap(true);
    layout->addWidget(note);
    return group;
}

} // namespace orvena
