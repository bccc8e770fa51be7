// How the best-values search's figures read in the windows: values in engineering notation without
// padding ("1.0000k"), errors in % with their sign ("+0.012 %"). The main window's result window, the
// options dialog and the filter window's search say them alike.
#pragma once

#include <QString>

namespace torvel {

QString searchValueText(double value);
QString searchErrorText(double percent);

}  // namespace torvel
