#pragma once
// The delivery-note composition screen (TForm20).
#include "delivery/deliverycomposer.h"

#include <QDialog>

namespace orvena {

class DeliveryComposerDialog : public QDialog {
    Q_OBJECT
public:
    DeliveryComposerDialog(ScreenContext& context, QWidget* parent = nullptr);
    DeliveryComposer* model() const { return m_model; }
    // Fills the screen before it is shown; false when it must not open.
    bool prepare();

private:
    ScreenContext& m_context;
    DeliveryComposer* m_model;
};

} // namespace orvena
