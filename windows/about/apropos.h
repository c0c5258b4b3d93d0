#pragma once

#include <QString>

namespace windows {

// The text of the About message, each line ended by LF CR.
QString TexteAPropos();

// Shows the About message, tied to the help file's topic 3100.
void MontrerAPropos();

} // namespace windows
