#pragma once
// The GUI's screen opener: each subsystem registers how to build and run its screens; a screen
// without a registration is not built yet and its menu item stays disabled.
#include "screens/common/screencontext.h"

#include <QDialog>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

namespace orvena {

class ScreenRegistry : public ScreenOpener {
public:
    // Builds the screen's model over the context and the request it is opened with, and its dialog
    // over the model (the dialog owns it); nullptr when the screen is not to open (for example a
    // failed fill). open() runs it modally and destroys it.
    using Factory = std::function<QDialog*(ScreenContext& context, const ScreenRequest& request, QWidget* parent)>;
    // A screen that takes nothing from its opener.
    using PlainFactory = std::function<QDialog*(ScreenContext& context, QWidget* parent)>;

    void add(Screen screen, Factory factory) { m_factories[screen] = std::move(factory); }
    void add(Screen screen, PlainFactory factory);
    // The dialog without running it (the screen tour shows and photographs it; tests build it).
    QDialog* create(Screen screen, QWidget* parent = nullptr) { return create(screen, ScreenRequest{}, parent); }
    QDialog* create(Screen screen, const ScreenRequest& request, QWidget* parent = nullptr);
    std::vector<Screen> screens() const;
    void setContext(ScreenContext* context) { m_context = context; }
    ScreenContext* context() const { return m_context; }

    void open(Screen screen, const ScreenRequest& request = {}) override;
    bool canOpen(Screen screen) const override { return m_factories.count(screen) != 0; }

private:
    std::map<Screen, Factory> m_factories;
    ScreenContext* m_context = nullptr;
};

// Registration functions of the subsystems (each in its own ui folder).
void registerMasterDataScreens(ScreenRegistry& registry);
void registerMasterTextScreens(ScreenRegistry& registry); // dictionary, function keys, block composer
void registerInvoiceScreens(ScreenRegistry& registry);
void registerDeliveryScreens(ScreenRegistry& registry);
void registerToolScreens(ScreenRegistry& registry);
void registerBankScreens(ScreenRegistry& registry);
inline void registerAllScreens(ScreenRegistry& registry)
{
    registerMasterDataScreens(registry);
    registerMasterTextScreens(registry);
    registerInvoiceScreens(registry);
    registerDeliveryScreens(registry);
    registerToolScreens(registry);
    registerBankScreens(registry);
}

} // namespace orvena
