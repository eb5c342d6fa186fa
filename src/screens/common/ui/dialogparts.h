#pragma once
// Small parts the screens' dialogs are built from.
#include <QString>

class QPushButton;
class QWidget;

namespace orvena {

// A push button with its hint and object name. It is no "auto default" button: Enter in a field
// never presses a button the operator did not choose.
QPushButton* makeButton(const QString& text, const QString& hint, const QString& objectName, QWidget* parent);

// The page "Cimke" of a customer or issuer beside a document: the block on the document (left)
// beside the block of the master record (right), each under its caption. A chooser button, when
// given, stands above them.
QWidget* blockPairPage(const QString& documentCaption, QWidget* documentBlock, const QString& masterCaption,
                       QWidget* masterBlock, QWidget* parent, QPushButton* chooser = nullptr);

} // namespace orvena
