#pragma once
// The dialog of a master-data edit screen over an EditScreen model (which it owns). It makes one
// widget per model field, keeps both in step, installs the field's key filter and click toggle,
// and follows the model's title, focus requests and closing.
//
//     auto* dialog = new EditDialog(model, parent);
//     auto* form = dialog->formLayout({"kAfa", "kAfanev", "kID", "kAfakod"}); // labelled rows
//     dialog->body()->addLayout(form);
//     dialog->addRowButton("OK", "Áfa sor bevitele", [model] { model->ok(); });
//     dialog->addRowButton("Mégsem", "Kilépés", [model] { model->cancel(); });
//     dialog->finishLayout();          // Enter / Shift+Enter navigation, first focus
// Read-only fields take no focus. A factory runs model->start() before building the dialog and
// returns nullptr when it fails (the fill message has then been shown).
#include "screens/common/editscreen.h"

#include <QDialog>
#include <QHash>
#include <functional>

class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

namespace orvena {

// Enter or Return on a focused button presses it. The screens' buttons are not "auto default",
// so Enter in a field never presses a button the operator did not choose.
void pressOnEnter(QPushButton* button);

class EditDialog : public QDialog {
    Q_OBJECT
public:
    explicit EditDialog(EditScreen* model, QWidget* parent = nullptr);

    EditScreen* model() const { return m_model; }
    // The widget of a field, created and bound on first use.
    QWidget* widget(const QString& key);
    QLineEdit* lineEdit(const QString& key);
    QPlainTextEdit* memoEdit(const QString& key);
    // The field's label, with the widget as buddy.
    QLabel* label(const QString& key);
    // A form of labelled rows for the given fields.
    QFormLayout* formLayout(const QStringList& keys);

    QVBoxLayout* body() const { return m_body; }
    // A button at the end of the button row, named "Button_" + its text; Enter on it presses it.
    QPushButton* addRowButton(const QString& text, const QString& hint, std::function<void()> onClick);
    // Installs Enter navigation (unless off) and puts the focus on the first editable field.
    void finishLayout(bool enterNavigation = true);

private:
    void bind(QWidget* widget, const EditScreen::Field& def);

    EditScreen* m_model;
    QVBoxLayout* m_body;
    QHBoxLayout* m_buttons;
    QHash<QString, QWidget*> m_widgets;
};

} // namespace orvena
