#include "editdialog.h"

#include "dialogparts.h"

#include "keyhandling.h"

#include "db/memotext.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvena {

namespace {

class EnterPresses : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        static_cast<QPushButton*>(watched)->animateClick();
        return true;
    }
};

} // namespace

void pressOnEnter(QPushButton* button)
{
    button->setAutoDefault(false);
    button->installEventFilter(new EnterPresses(button));
}

EditDialog::EditDialog(EditScreen* model, QWidget* parent) : QDialog(parent), m_model(model)
{
    model->setParent(this);
    setWindowTitle(model->title());
    auto* layout = new QVBoxLayout(this);
    m_body = new QVBoxLayout;
    layout->addLayout(m_body, 1);
    m_buttons = new QHBoxLayout;
    m_buttons->addStretch();
    layout->addLayout(m_buttons);

    connect(model, &EditScreen::titleChanged, this, &QWidget::setWindowTitle);
    connect(model, &EditScreen::focusRequested, this, [this](const QString& key) {
        focusField(m_widgets.value(key));
    });
    connect(model, &EditScreen::finished, this, [this](bool saved) { saved ? accept() : reject(); });
}

QWidget* EditDialog::widget(const QString& key)
{
    if (QWidget* w = m_widgets.value(key))
        return w;
    const EditScreen::Field* def = m_model->fieldSpec(key);
    if (!def)
        return nullptr;
    QWidget* w = def->multiLine ? static_cast<QWidget*>(new QPlainTextEdit(this)) : new QLineEdit(this);
    w->setObjectName(key);
    bind(w, *def);
    m_widgets.insert(key, w);
    return w;
}

QLineEdit* EditDialog::lineEdit(const QString& key)
{
    return qobject_cast<QLineEdit*>(widget(key));
}

QPlainTextEdit* EditDialog::memoEdit(const QString& key)
{
    return qobject_cast<QPlainTextEdit*>(widget(key));
}

void EditDialog::bind(QWidget* w, const EditScreen::Field& def)
{
    const QString key = def.key;
    w->setToolTip(def.hint);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(m_model->field(key));
        edit->setCursorPosition(0);
        if (def.readOnly) {
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::NoFocus);
            QPalette p = edit->palette();
            p.setColor(QPalette::Base, p.color(QPalette::Window));
            edit->setPalette(p);
        }
        installFieldGuard(edit);
        if (def.filter.isRestricted())
            installCharFilter(edit, def.filter);
        limitToColumn(edit, m_model->table(), key);
        connect(edit, &QLineEdit::textChanged, this, [this, key](const QString& text) { m_model->setField(key, text); });
        connect(m_model, &EditScreen::fieldChanged, edit, [edit, key](const QString& changed, const QString& text) {
            if (changed == key && edit->text() != text)
                edit->setText(text);
        });
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
        memo->setPlainText(blockFromDatabase(m_model->field(key)));
        memo->setReadOnly(def.readOnly);
        memo->setTabChangesFocus(true);
        installFieldGuard(memo);
        connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, key] {
            if (blockFromDatabase(m_model->field(key)) != memo->toPlainText())
                m_model->setField(key, blockToDatabase(memo->toPlainText()));
        });
        connect(m_model, &EditScreen::fieldChanged, memo, [memo, key](const QString& changed, const QString& text) {
            if (changed == key && memo->toPlainText() != blockFromDatabase(text))
                memo->setPlainText(blockFromDatabase(text));
        });
    }
    if (def.toggle)
        installClickHandler(w, [this, key] { m_model->click(key); });
}

QLabel* EditDialog::label(const QString& key)
{
    const EditScreen::Field* def = m_model->fieldSpec(key);
    auto* l = new QLabel(def ? def->label : QString(), this);
    l->setBuddy(widget(key));
    return l;
}

QFormLayout* EditDialog::formLayout(const QStringList& keys)
{
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setVerticalSpacing(4);
    for (const QString& key : keys)
        form->addRow(label(key), widget(key));
    return form;
}

QPushButton* EditDialog::addRowButton(const QString& text, const QString& hint, std::function<void()> onClick)
{
    QPushButton* b = addButton(m_buttons, text, hint, QStringLiteral("Button_") + text, this,
                               [f = std::move(onClick)] { f(); });
    pressOnEnter(b);
    return b;
}

void EditDialog::finishLayout(bool enterNavigation)
{
    if (enterNavigation)
        installEnterNavigation(this, EnterMode::FormFirst);
    for (const EditScreen::Field& f : m_model->fields()) {
        QWidget* w = m_widgets.value(f.key);
        if (w && !f.readOnly && w->isVisibleTo(this)) {
            w->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

} // namespace orvena
