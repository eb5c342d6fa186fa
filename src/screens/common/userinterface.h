#pragma once
// How a screen model talks to the operator. The GUI implements it with message boxes; tests use
// a fake that records every message and answers questions from a script.
#include <QString>

namespace orvena {

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // Plain message box with an "OK" button.
    virtual void message(const QString& text) = 0;
    // Notice box (information icon) with a single "Igen" button.
    virtual void notice(const QString& text) = 0;
    // "Igen" / "Nem"; true for "Igen".
    virtual bool askYesNo(const QString& text) = 0;
    // The general error report: error icon, the application's title, the error's own text.
    virtual void errorReport(const QString& text) = 0;
};

} // namespace orvena
