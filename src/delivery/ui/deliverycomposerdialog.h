#pragma once
// The delivery-note composition screen (TForm20).
#include "delivery/deliverycomposer.h"

#include <QDialog>
#include <map>

class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

namespace orvena {

class DeliveryComposerDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog).
    DeliveryComposerDialog(ScreenContext& context, DeliveryComposer* model, QWidget* parent = nullptr);
    ~DeliveryComposerDialog() override;
    DeliveryComposer* model() const { return m_model; }

private:
    QLayout* buildNumberRow();
    QWidget* buildHeaderPage(QWidget* parent);
    QWidget* buildCustomerTab(QWidget* parent);
    QWidget* buildIssuerTab(QWidget* parent);
    QWidget* buildLines(QWidget* parent);
    QLayout* buildButtons();
    void followFocusRequests(QTabWidget* headerTabs, QWidget* headerPage);

    QLineEdit* edit(const char* name, DeliveryComposer::Field field, QWidget* parent);
    QPlainTextEdit* memo(const char* name, DeliveryComposer::Field field, QWidget* parent, bool readOnly = false);
    // A slot running one of the model's actions, its failure shown in a box.
    std::function<void()> action(void (DeliveryComposer::*fn)());

    ScreenContext& m_context;
    DeliveryComposer* m_model;
    // The controls the model's focus requests aim at.
    std::map<int, QWidget*> m_focusTargets;
    QWidget* m_firstField = nullptr; // the screen opens on the contract number
};

} // namespace orvena
