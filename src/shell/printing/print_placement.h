// Where the window's picture lands on the printed page: pure arithmetic, so every case can be tested
// without a printer.
//
// One captured pixel prints as 0.235 mm in both directions, scaled by the printer's vertical resolution
// alone (a printer with unequal resolutions still gets square pixels). The margins count from the paper's
// edges, but the printer draws from the corner of its printable area, so the physical offsets of that
// corner are subtracted.
#pragma once

#include <string_view>

namespace torvel {

inline constexpr double kMillimetresPerCapturedPixel = 0.235;
inline constexpr double kMillimetresPerInch = 25.4;
/// Margin used for a margin text that does not read.
inline constexpr double kFallbackMarginMm = 20;

struct PrintRectangle {
    int left = 0, top = 0, right = 0, bottom = 0;  // printer device pixels; right and bottom one past
};

struct PrinterGeometry {
    double pixelsPerInchY = 0;  // the printer's vertical resolution
    int offsetX = 0;            // from the paper's left edge to the printable area, device pixels
    int offsetY = 0;            // from the paper's top edge
};

/// Rounds to the nearest integer, halves to even.
int roundHalfEven(double value);

/// The destination rectangle of an image of width x height captured pixels.
PrintRectangle printRectangle(double leftMarginMm, double topMarginMm, int width, int height,
                              const PrinterGeometry& printer);

/// A margin text in millimetres as component value text; kFallbackMarginMm when it does not read.
double printMarginFromText(std::string_view text);

}  // namespace torvel
