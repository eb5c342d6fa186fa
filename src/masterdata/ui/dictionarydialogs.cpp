#include "dictionarydialogs.h"

#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {

ListDialog* createDictionaryList(ScreenContext& context, QWidget* parent)
{
    auto* dialog = new ListDialog(new ListScreen(context, dictionaryListSpec()), parent);
    dialog->setObjectName(QStringLiteral("TForm17"));
    dialog->setWindowTitle(QStringLiteral("Szótár"));
    dialog->setProperty("helpContext", 7);
    dialog->captionLabel()->hide();
    dialog->setHints({QStringLiteral("Számlazásnál használandó."), QStringLiteral("Új nyelvi szótársor bevitele."),
                      QStringLiteral("A szótár adat módositás"), QStringLiteral("Szótársor törlése."),
                      QStringLiteral("Kilépés")});
    return dialog;
}

DictionaryEditDialog* DictionaryEditDialog::create(ScreenContext& context, const ScreenRequest& request,
                                                   QWidget* parent)
{
    auto model = std::make_unique<DictionaryEdit>(context, request);
    if (!model->start())
        return nullptr; // the fill message has been shown
    return new DictionaryEditDialog(model.release(), parent);
}

DictionaryEditDialog::DictionaryEditDialog(DictionaryEdit* model, QWidget* parent)
    : EditDialog(model, parent), m_dictionary(model)
{
    setObjectName(QStringLiteral("TForm18"));
    setProperty("helpContext", 7);

    // 35 rows: the form is taller than the window and scrolls
    QStringList keys;
    for (const auto& c : dictionary::columns())
        keys << c.field;
    auto* form = formLayout(keys);
    form->setContentsMargins(8, 8, 16, 8);
    auto* page = new QWidget;
    page->setLayout(form);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::StyledPanel);
    body()->addWidget(scroll);

    QLineEdit* id = lineEdit(QStringLiteral("mID"));
    id->setEnabled(false); // assigned by the database
    for (const auto& c : dictionary::columns()) {
        if (QLineEdit* edit = lineEdit(c.field); edit && c.field != u"mID")
            edit->setMinimumWidth(300);
    }
    lineEdit(QStringLiteral("mkod"))->setToolTip(
        QStringLiteral("Öt karakter; az ötödik a szótár típusa: 2 egész forint, 3 fillér"));

    QPushButton* ok = addRowButton(QStringLiteral("OK"), QStringLiteral("Szótársor mentése"), [model] { model->ok(); });
    QPushButton* cancel = addRowButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), [model] { model->cancel(); });
    QPushButton* copy = addRowButton(QStringLiteral("Másolat készítés"), QStringLiteral("A szótár sorról másolat készítése"),
                                  [model] { model->copy(); });
    for (QPushButton* b : {ok, cancel, copy})
        b->setAutoDefault(true); // Enter on a focused button presses it
    ok->setObjectName(QStringLiteral("Button1"));
    cancel->setObjectName(QStringLiteral("Button2"));
    copy->setObjectName(QStringLiteral("Button3"));

    finishLayout(false);
    lineEdit(QStringLiteral("mkod"))->setFocus(Qt::OtherFocusReason);
    resize(600, 640);
}

void DictionaryEditDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    EditDialog::keyPressEvent(event);
}

} // namespace orvena
