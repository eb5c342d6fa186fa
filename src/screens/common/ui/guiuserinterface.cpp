#include "guiuserinterface.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace orvena {

QWidget* GuiUserInterface::parentWidget() const
{
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    if (QWidget* w = QApplication::activeWindow())
        return w;
    return m_parent;
}

void GuiUserInterface::message(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

void GuiUserInterface::notice(const QString& text)
{
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    box.addButton(QStringLiteral("Igen"), QMessageBox::YesRole);
    box.exec();
}

bool GuiUserInterface::askYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    QPushButton* yes = box.addButton(QStringLiteral("Igen"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Nem"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void GuiUserInterface::errorReport(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::NoButton,
                    parentWidget());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

} // namespace orvena
