#pragma once
// Keyboard helpers of the delivery-note screens.
class QWidget;

namespace orvena::delivery {

// Enter or Return on a focused push button presses it at once. The buttons are no "auto
// default" buttons, so Enter in a field or in a grid never presses a button the operator did
// not choose. Installs the key on every push button the window holds now.
void pressButtonsOnEnter(QWidget* window);

} // namespace orvena::delivery
