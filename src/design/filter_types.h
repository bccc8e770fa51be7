// Filter types and their layouts: which schematic and which of R7-R10 and fn each type shows.
#pragma once

#include "design/design_panel.h"

namespace torvel {

/// Shows the schematic and the fields of filter type code 3 to 9 (a hidden field keeps its text).
void ShowTypeLayout(DesignPanel& panel, int code);

/// The filter type whose radio button carries a caption or its short command-line name
/// ("TZF (Wo<Wn)" or, in any letter case, "tzf-low"). Returns false when nothing matches.
bool filterTypeFromName(std::string_view name, FilterType& type);

}  // namespace torvel
