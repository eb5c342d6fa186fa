#include "passworddialog.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/dialogparts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvena {

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TPasswordDlg"));
    setWindowTitle(QStringLiteral("Jelszó"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(new QLabel(QStringLiteral("Kérem adja meg a jelszót"), this));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("Password"));
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // every character as "*"
    m_edit->setMinimumWidth(220);
    layout->addWidget(m_edit);
    layout->addSpacing(6);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    // Enter in the password field presses "OK", the one default button.
    auto* ok = makeButton(QStringLiteral("OK"), {}, QStringLiteral("OKBtn"), this);
    ok->setDefault(true);
    auto* cancel = makeButton(QStringLiteral("Mégsem"), {}, QStringLiteral("CancelBtn"), this);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    installEnterPressesButtons(this); // Enter on a focused "Mégsem" presses that one
    m_edit->setFocus();
}

QString PasswordDialog::text() const
{
    return m_edit->text();
}

QString PasswordDialog::ask(QWidget* parent)
{
    PasswordDialog dialog(parent);
    dialog.exec();
    return dialog.text();
}

} // namespace orvena
