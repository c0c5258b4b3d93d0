#include "platform/pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

namespace {
int current = DefaultPointer;
}

void setPointer(int code)
{
    const bool wait = code == Hourglass;
    if (wait && current != Hourglass)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else if (!wait && current == Hourglass)
        QGuiApplication::restoreOverrideCursor();
    current = wait ? Hourglass : DefaultPointer;
}

int pointer()
{
    return current;
}

} // namespace platform
