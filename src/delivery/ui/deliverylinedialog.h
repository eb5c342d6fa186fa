#pragma once
// The delivery-note line screen (TForm21).
#include "delivery/deliverylineeditor.h"

#include <QDialog>

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
    ScreenContext& m_context;
    DeliveryLineEditor* m_model;
};

} // namespace orvena
