#pragma once
// The main window TForm1: the version text and the main menu from which every screen opens.
#include "screens/common/screens.h"

#include <QMainWindow>
#include <map>

class QAction;
class QMenu;
class QMenuBar;

namespace orvena {

class Session;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Session& session, QWidget* parent = nullptr);

    // The menu item that opens this screen (nullptr for none).
    QAction* actionFor(Screen screen) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildFront(const QString& version);
    QAction* addScreenItem(QMenu* menu, const QString& text, Screen screen);
    QAction* addScreenItem(QMenuBar* bar, const QString& text, Screen screen);
    void openScreen(Screen screen);
    // The first time invoicing is used in a run without any issuer: how to enter one.
    void tellWhenNoIssuer();

    Session& m_session;
    std::map<Screen, QAction*> m_actions;
    bool m_functionKeysLoaded = false;
    bool m_issuerChecked = false;
};

} // namespace orvena
