#pragma once

#include <QString>

namespace platform {

// The system clipboard: emptied, then given plain text.
void clearClipboard();
void setClipboardText(const QString& text);

} // namespace platform
