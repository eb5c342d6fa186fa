#include "tooldialogs.h"

#include "helpviewer.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace orvena {

namespace {

// F1 anywhere in a window that carries a help context number (on the window or on the part of it
// that holds the focus) opens the help at that context.
class HelpKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        // the nearest widget with a context, from the focused one up to its window: a page of a
        // screen may have a help page of its own
        int context = 0;
        for (QWidget* w = widget; w && context <= 0; w = w->isWindow() ? nullptr : w->parentWidget())
            context = w->property("helpContext").toInt();
        if (context <= 0)
            return false;
        QWidget* window = widget->window();
        // Opened after the key has been handled, outside the key's delivery.
        QMetaObject::invokeMethod(
            window, [window, context] { HelpViewer::showHelp(window, context); }, Qt::QueuedConnection);
        return true;
    }
};

} // namespace

void installHelpKeyHandler()
{
    QCoreApplication* app = QCoreApplication::instance();
    const QString name = QStringLiteral("HelpKeyFilter");
    if (!app || app->findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto* filter = new HelpKeyFilter(app);
    filter->setObjectName(name);
    app->installEventFilter(filter);
}

} // namespace orvena
