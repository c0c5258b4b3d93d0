#include "platform/fenetres.h"

#include <QGuiApplication>
#include <QWidget>

namespace platform {

namespace {

bool sessionWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

void moveWindow(QWidget* window, const QPoint& topLeft)
{
    if (sessionWayland())
        return; // the compositor places it
    window->move(topLeft);
}

void activate(QWidget* window)
{
    window->raise();
    window->activateWindow();
}

} // namespace platform
