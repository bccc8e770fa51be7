// How the best-values search's figures read in the windows: values in engineering notation without
// padding ("1.0000k"), errors in % with their sign ("+0.012 %"). The main window's result window, the
// options dialog and the filter window's search say them alike.
#pragma once

#include "search/error_floors.h"

#include <QString>

namespace torvel {

QString searchValueText(double value);
QString searchErrorText(double percent);
/// "部品が許す下限: fo と Q の大きい方 0.010 %, H 2.913 %": what no set of the allowed parts beats, so the
/// designer sees whether other parts could do better; empty when nothing is known.
QString searchFloorsText(const search::ErrorFloors& floors);

}  // namespace torvel
