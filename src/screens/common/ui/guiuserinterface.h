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
    // A progress window over the screen, its "Mégsem" asking the work to stop; the window's
    // events go on meanwhile, the other windows take no input.
    void runInBackground(const QString& what, const BackgroundWork& work) override;

    // The message that a typed character cannot be stored, over the field it was typed into. The
    // keys typed on before the operator notices the box go on into the field instead of pressing
    // its button: only Enter, Escape or a click close it.
    void messageOverTyping(const QString& text, QWidget* field);

private:
    QWidget* parentWidget() const;
    QPointer<QWidget> m_parent;
};

} // namespace orvena
