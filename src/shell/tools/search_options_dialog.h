// The dialog that asks for the options of a best-values search: equal capacitors, R5 = R6, the elements
// that may be two parts, the ranges of the parts, the largest accepted error and a time limit. The main
// window's 最適化 and the filter window's per-section search ask with the same dialog, so both accept and
// refuse the same texts (search/option_texts.h reads them).
#pragma once

#include "search/best_values.h"

#include <optional>

class QWidget;

namespace torvel {

/// Shows the options used last; gives the ones to use, or nothing when the dialog is cancelled.
std::optional<search::SearchOptions> askSearchOptions(QWidget& parent, const search::SearchOptions& last);

}  // namespace torvel
