#pragma once

namespace windows {

// The application as the window system and the message boxes see it: its
// name, its desktop entry, Qt's French texts ("Oui", "Non"). No display name
// is given, so that title bars read the captions exactly as designed.
void PreparerApplication();

} // namespace windows
