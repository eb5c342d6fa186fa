#pragma once
// "Jelszó": asks for an access code. Both buttons close it; the caller reads the typed text.
#include <QDialog>

class QLineEdit;

namespace orvena {

class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    explicit PasswordDialog(QWidget* parent = nullptr);
    QString text() const;
    // Runs the dialog and returns what was typed, whichever button closed it.
    static QString ask(QWidget* parent);

private:
    QLineEdit* m_edit;
};

} // namespace orvena
