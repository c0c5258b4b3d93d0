#include "windows/main/tarvelon.h"

#include "windows/about/apropos.h"

namespace windows {

// "A Propos": the About message; nothing else changes.
void Tarvelon::SSCommand4_Click()
{
    MontrerAPropos();
}

} // namespace windows
