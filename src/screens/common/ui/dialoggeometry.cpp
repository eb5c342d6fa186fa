#include "dialoggeometry.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QSettings>

namespace orvena {

namespace {

const char* const kRestored = "orvenaGeometryRestored";

QSettings windowSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("orvena"), QStringLiteral("windows"));
}

QString keyOf(const QDialog* dialog)
{
    return QStringLiteral("dialogs/") + dialog->objectName();
}

// The program's own windows: Qt's standard dialogs place themselves.
QDialog* rememberedDialog(QObject* watched)
{
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (!dialog || !dialog->isWindow() || dialog->objectName().isEmpty())
        return nullptr;
    if (qobject_cast<QMessageBox*>(dialog) || qobject_cast<QFileDialog*>(dialog) || qobject_cast<QProgressDialog*>(dialog)
        || qobject_cast<QInputDialog*>(dialog))
        return nullptr;
    return dialog;
}

bool liesOnAScreen(const QRect& place)
{
    if (!place.isValid())
        return false;
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(place))
            return true;
    return false;
}

} // namespace

DialogGeometryMemory::DialogGeometryMemory(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

DialogGeometryMemory::~DialogGeometryMemory()
{
    qApp->removeEventFilter(this);
}

bool DialogGeometryMemory::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Show && event->type() != QEvent::Hide)
        return false;
    QDialog* dialog = rememberedDialog(watched);
    if (!dialog)
        return false;
    if (event->type() == QEvent::Show) {
        // Once for each dialog: a dialog shown again in the same run keeps where it was.
        if (dialog->property(kRestored).toBool())
            return false;
        dialog->setProperty(kRestored, true);
        const QRect place = windowSettings().value(keyOf(dialog)).toRect();
        if (liesOnAScreen(place))
            dialog->setGeometry(place);
    } else if (!event->spontaneous()) {
        // the dialog closes (a minimised window's spontaneous hide is no closing)
        windowSettings().setValue(keyOf(dialog), dialog->geometry());
    }
    return false;
}

} // namespace orvena
