#pragma once
// The delivery-note line screen (TForm21).
#include "delivery/deliverylineeditor.h"

#include <QDialog>
#include <map>

class QGridLayout;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace orvena {

class DeliveryLineDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog).
    DeliveryLineDialog(ScreenContext& context, DeliveryLineEditor* model, QWidget* parent = nullptr);
    DeliveryLineEditor* model() const { return m_model; }
    // Fills the model before the screen is shown; false when it must not open.
    bool prepare();

private:
    QGridLayout* buildFields(QPushButton* articleButton);
    QLineEdit* edit(const char* name, DeliveryLineEditor::Field field, bool enabled = true);

    ScreenContext& m_context;
    DeliveryLineEditor* m_model;
    // The fields the model's focus requests aim at.
    std::map<int, QWidget*> m_focusTargets;
};

} // namespace orvena
