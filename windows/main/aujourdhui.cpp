#include "windows/main/tarvelon.h"

#include "platform/clock.h"
#include "windows/regles/regles.h"

namespace windows {

// Today's date: today's reminder first, then today's entry of the view.
void Tarvelon::Label2_Click()
{
    const DataSource::Action action(*Data1);
    JourCourant = CleDeLaDate(platform::today());
    Text2->setText(JourCourant);
    RappelEvenement(JourCourant);
    SSCommand3_Click();
}

} // namespace windows
