#pragma once
// Message boxes for the screen models, with exactly the button texts the screens name.
#include "screens/common/userinterface.h"

#include <QPointer>
#include <QWidget>

namespace orvena {

class GuiUserInterface : public UserInterface {
public:
    explicit GuiUserInterface(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const QString& text) override;
    void notice(const QString& text) override;
    bool askYesNo(const QString& text) override;
    void errorReport(const QString& text) override;

private:
    QWidget* parentWidget() const;
    QPointer<QWidget> m_parent;
};

} // namespace orvena
