#include "windows/main/tarvelon.h"

namespace windows {

using namespace store;

// "Suiv.", "Préc.", "Prem.", "Dern.": a move that fails (an empty set, an
// end reached) is passed over; the display and the day's mark follow every
// press.
void Tarvelon::SSCommand2_Click(int Index)
{
    const DataSource::Action action(*Data1);
    RecordSet& rs = Data1->recordset();
    switch (Index) {
    case 0:
        rs.moveNext();
        if (rs.eof())
            rs.moveLast();
        break;
    case 1:
        rs.movePrevious();
        if (rs.bof())
            rs.moveFirst();
        break;
    case 2:
        rs.moveFirst();
        break;
    case 3:
        rs.moveLast();
        break;
    default:
        break;
    }
    SuiteDuDeplacement();
}

} // namespace windows
