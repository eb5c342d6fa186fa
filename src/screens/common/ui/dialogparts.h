#pragma once
// Small parts the screens' dialogs are built from.
#include <QBoxLayout>
#include <QPushButton>
#include <QString>

class QWidget;

namespace orvena {

// A push button with its hint and object name. It is no "auto default" button: Enter in a field
// never presses a button the operator did not choose.
QPushButton* makeButton(const QString& text, const QString& hint, const QString& objectName, QWidget* parent);

// A makeButton button put at the end of a button row, running `action` when clicked.
template <typename Action>
QPushButton* addButton(QBoxLayout* row, const QString& text, const QString& hint, const QString& objectName,
                       QWidget* parent, Action action)
{
    QPushButton* b = makeButton(text, hint, objectName, parent);
    QObject::connect(b, &QPushButton::clicked, parent, std::move(action));
    row->addWidget(b);
    return b;
}

// The page "Cimke" of a customer or issuer beside a document: the block on the document (left)
// beside the block of the master record (right), each under its caption. A chooser button, when
// given, stands above them.
QWidget* blockPairPage(const QString& documentCaption, QWidget* documentBlock, const QString& masterCaption,
                       QWidget* masterBlock, QWidget* parent, QPushButton* chooser = nullptr);

} // namespace orvena
