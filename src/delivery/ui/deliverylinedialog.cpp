#include "deliverylinedialog.h"

#include "screens/common/dispatcher.h"
#include "screens/common/ui/dialogparts.h"
#include "screens/common/ui/fieldbinding.h"
#include "screens/common/ui/keyhandling.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvena {

DeliveryLineDialog::DeliveryLineDialog(ScreenContext& context, DeliveryLineEditor* model, QWidget* parent)
    : QDialog(parent), m_context(context), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TForm21"));
    setWindowTitle(QStringLiteral("Új szállítólevél sor"));

    QPushButton* articleButton = makeButton(QStringLiteral("Cikk"), QStringLiteral("Cikk választó ablak megnyitása"),
                                            QStringLiteral("articleButton"), this);
    QGridLayout* grid = buildFields(articleButton);
    QPushButton* ok =
        makeButton(QStringLiteral("OK"), QStringLiteral("Szállítólevél sor letárolása."), QStringLiteral("okButton"), this);
    QPushButton* cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    QWidget* memo = findChild<QPlainTextEdit*>(QStringLiteral("memo"));
    QWidget* order[] = {m_focusTargets.at(DeliveryLineEditor::Description), findChild<QLineEdit*>(QStringLiteral("vtsz")),
                        m_focusTargets.at(DeliveryLineEditor::Quantity),    m_focusTargets.at(DeliveryLineEditor::Unit),
                        memo,                                               ok,
                        cancel,                                             articleButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    installEnterNavigation(this);

    connect(m_model, &DeliveryLineEditor::focusRequested, this, [this](int field) {
        const auto it = m_focusTargets.find(field);
        if (it != m_focusTargets.end())
            focusField(it->second);
    });
    connect(m_model, &DeliveryLineEditor::closeRequested, this, &QDialog::accept);
    connect(articleButton, &QPushButton::clicked, this,
            [this] { runAction(m_context.ui, [this] { m_model->chooseArticle(); }); });
    connect(ok, &QPushButton::clicked, this, [this] { runAction(m_context.ui, [this] { m_model->accept(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    installEnterPressesButtons(this);
    m_focusTargets.at(DeliveryLineEditor::Description)->setFocus();
    resize(560, 330);
}

QLineEdit* DeliveryLineDialog::edit(const char* name, DeliveryLineEditor::Field field, bool enabled)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setEnabled(enabled);
    bindField(e, m_model, field);
    return e;
}

// The line's identity, its article, quantity and note.
QGridLayout* DeliveryLineDialog::buildFields(QPushButton* articleButton)
{
    QLineEdit* id = edit("id", DeliveryLineEditor::Id, false);
    QLineEdit* number = edit("number", DeliveryLineEditor::Number, false);
    QLineEdit* code = edit("articleCode", DeliveryLineEditor::ArticleCode, false);
    QLineEdit* articleNumber = edit("articleNumber", DeliveryLineEditor::ArticleNumber, false);
    QLineEdit* description = edit("description", DeliveryLineEditor::Description);
    QLineEdit* vtsz = edit("vtsz", DeliveryLineEditor::Vtsz);
    QLineEdit* quantity = edit("quantity", DeliveryLineEditor::Quantity);
    QLineEdit* unit = edit("unit", DeliveryLineEditor::Unit);
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("memo"));
    bindField(memo, m_model, DeliveryLineEditor::Memo, MemoCursor::End);
    description->setMaxLength(75);
    description->setToolTip(
        QStringLiteral("A \"Cikk\" gomb megnyomása elött a megnevezés kezdö betüinek megadása a kereséshez."));
    vtsz->setMaxLength(10);
    unit->setMaxLength(10);
    unit->setToolTip(QStringLiteral("Klikkre \"kg\" / \"db\" között vált"));
    installCharFilter(quantity, CharFilter::decimal());
    m_focusTargets = {{DeliveryLineEditor::Description, description},
                      {DeliveryLineEditor::Quantity, quantity},
                      {DeliveryLineEditor::Unit, unit}};

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("SzlaSor ID"), id), 0, 0);
    grid->addWidget(id, 0, 1);
    grid->addWidget(label(QStringLiteral("Biszonylatszám"), number), 0, 2);
    grid->addWidget(number, 0, 3);
    grid->addWidget(articleButton, 1, 0);
    grid->addWidget(code, 1, 1);
    grid->addWidget(label(QStringLiteral("Cikkszám"), articleNumber), 1, 2);
    grid->addWidget(articleNumber, 1, 3);
    grid->addWidget(label(QStringLiteral("Cikk megevezés"), description), 2, 0);
    grid->addWidget(description, 2, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("VTSZ/SZJ"), vtsz), 3, 0);
    grid->addWidget(vtsz, 3, 1);
    grid->addWidget(label(QStringLiteral("Mennyiség"), quantity), 4, 0);
    grid->addWidget(quantity, 4, 1);
    grid->addWidget(label(QStringLiteral("M.egys."), unit), 4, 2);
    grid->addWidget(unit, 4, 3);
    grid->addWidget(label(QStringLiteral("Sor megjegyzés"), memo), 5, 0, Qt::AlignTop);
    grid->addWidget(memo, 5, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return grid;
}

bool DeliveryLineDialog::prepare()
{
    if (!m_model->prepare())
        return false;
    setWindowTitle(m_model->title());
    return true;
}

} // namespace orvena
