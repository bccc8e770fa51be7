// The window's font: "ＭＳ ゴシック" at 12 pixels, fixed pitch.
//
// The layout is measured in that font's cells (half-width characters 6 pixels, full-width 12). Linux
// has no font of that name and no alias for it, so the name is mapped to IPAGothic, which has the same
// metrics; failing that, any fixed-pitch font that can show Japanese.
#pragma once

#include <QFont>

namespace torvel {

/// The window's font, with the name mapping in place.
QFont windowFont();

}  // namespace torvel
