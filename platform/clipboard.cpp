#include "platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace platform {

void clearClipboard()
{
    QGuiApplication::clipboard()->clear();
}

void setClipboardText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

} // namespace platform
