#pragma once
// The proforma register TDijbekerok "Díjbekérők".
#include "invoice/proforma.h"

#include <QDialog>

namespace orvena {

class ProformaRegisterDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog).
    ProformaRegisterDialog(ScreenContext& context, ProformaRegister* model, QWidget* parent = nullptr);
    ProformaRegister* model() const { return m_model; }

protected:
    bool event(QEvent* event) override;

private:
    ProformaRegister* m_model;
};

} // namespace orvena
