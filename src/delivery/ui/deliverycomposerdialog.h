#pragma once
// The delivery-note composition screen (TForm20).
#include "delivery/deliverycomposer.h"

#include <QDialog>

namespace orvena {

class DeliveryComposerDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog).
    DeliveryComposerDialog(ScreenContext& context, DeliveryComposer* model, QWidget* parent = nullptr);
    DeliveryComposer* model() const { return m_model; }

private:
    ScreenContext& m_context;
    DeliveryComposer* m_model;
};

} // namespace orvena
