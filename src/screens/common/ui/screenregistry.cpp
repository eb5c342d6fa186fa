#include "screenregistry.h"

#include <QApplication>
#include <memory>

namespace orvena {

void ScreenRegistry::add(Screen screen, PlainFactory factory)
{
    m_factories[screen] = [factory = std::move(factory)](ScreenContext& context, const ScreenRequest&,
                                                         QWidget* parent) { return factory(context, parent); };
}

QDialog* ScreenRegistry::create(Screen screen, const ScreenRequest& request, QWidget* parent)
{
    const auto it = m_factories.find(screen);
    if (it == m_factories.end() || !m_context)
        return nullptr;
    return it->second(*m_context, request, parent);
}

std::vector<Screen> ScreenRegistry::screens() const
{
    std::vector<Screen> out;
    for (const auto& [screen, factory] : m_factories)
        out.push_back(screen);
    return out;
}

void ScreenRegistry::open(Screen screen, const ScreenRequest& request)
{
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    std::unique_ptr<QDialog> dialog(create(screen, request, parent));
    if (dialog) {
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        // Escape and the window's close button reject; the list's own buttons accept.
        if (dialog->exec() == QDialog::Rejected && request.dismissed)
            *request.dismissed = true;
    }
}

} // namespace orvena
