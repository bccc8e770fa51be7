#include "shell/printing/print_placement.h"

#include "values/engineering_notation.h"

#include <cmath>

namespace torvel {

int roundHalfEven(double value)
{
    // Margins are typed freely; a page is never a billion pixels, so clamping keeps the sums in range.
    constexpr double kLimit = 1e9;
    if (!(std::fabs(value) < kLimit))
        return value < 0 ? -static_cast<int>(kLimit) : static_cast<int>(kLimit);
    return static_cast<int>(std::nearbyint(value));
}

PrintRectangle printRectangle(double leftMarginMm, double topMarginMm, int width, int height,
                              const PrinterGeometry& printer)
{
    const double s = printer.pixelsPerInchY / kMillimetresPerInch;  // printer pixels per millimetre
    PrintRectangle r;
    r.top = roundHalfEven(topMarginMm * s) - printer.offsetY;
    r.left = roundHalfEven(leftMarginMm * s) - printer.offsetX;
    r.right = r.left + roundHalfEven(width * kMillimetresPerCapturedPixel * s);
    r.bottom = r.top + roundHalfEven(height * kMillimetresPerCapturedPixel * s);
    return r;
}

double printMarginFromText(std::string_view text)
{
    const double margin = ParseEngineering(text);
    return std::isnan(margin) ? kFallbackMarginMm : margin;
}

}  // namespace torvel
