#pragma once

#include "platform/scoped.h"

#include <QString>
#include <functional>

namespace platform {

// The application's help-file setting.
void setHelpFile(const QString& path);
QString helpFile();

// Opens the help for a help file at the topic of a context number (0: the
// contents). Whatever the path, the viewer shows the French manual built into
// the program; the path only has to be set.
void openHelp(const QString& helpFile, int context);

// The built-in topic anchor for a context number.
QString helpAnchor(int context);

using HelpHandler = std::function<void(const QString& helpFile, int context)>;
HelpHandler& helpHandlerSlot();

class ScopedHelpHandler : public ScopedSwap<HelpHandler> {
public:
    explicit ScopedHelpHandler(HelpHandler handler)
        : ScopedSwap(helpHandlerSlot(), std::move(handler))
    {
    }
};

} // namespace platform
