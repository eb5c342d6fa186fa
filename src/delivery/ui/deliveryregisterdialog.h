#pragma once
// The delivery-note register (TForm19).
#include "delivery/deliveryregister.h"

#include <QDialog>

class QLayout;
class QTabWidget;

namespace orvena {

class DeliveryRegisterDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog).
    DeliveryRegisterDialog(ScreenContext& context, DeliveryRegister* model, QWidget* parent = nullptr);
    DeliveryRegister* model() const { return m_model; }

protected:
    bool event(QEvent* event) override;

private:
    QWidget* buildPartyTab(QWidget* details, const QString& detailsCaption, const QString& noteColumn,
                           const QString& masterCaption, Query& master, const QString& masterColumn);
    QWidget* buildResetPage();
    QWidget* buildHeader();
    QLayout* buildButtonColumn();
    void act(const std::function<void(DeliveryRegister*)>& fn);

    ScreenContext& m_context;
    DeliveryRegister* m_model;
    QTabWidget* m_tabs = nullptr;
    QWidget* m_resetPage = nullptr;
};

} // namespace orvena
