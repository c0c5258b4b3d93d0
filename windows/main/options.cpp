#include "windows/main/tarvelon.h"

namespace windows {

// "Sainte" and "Saint", on the user's click only: the sex code of the entry.
void Tarvelon::SSOption1_Click(int Index, bool Value)
{
    switch (Index) {
    case 0:
        Text1[2]->setText(Value ? QStringLiteral("F") : QStringLiteral("M"));
        break;
    case 1:
        Text1[2]->setText(Value ? QStringLiteral("M") : QStringLiteral("F"));
        break;
    default:
        break;
    }
}

// The caption "Date": the reminder of the day in the date box, as typed.
void Tarvelon::Label1_Click(int Index)
{
    if (Index != 1)
        return;
    JourCourant = Text1[1]->text();
    RappelEvenement(JourCourant);
}

} // namespace windows
