// The value reader on any bytes, read as UTF-8 and as UTF-16 code units: it must never crash or read out
// of bounds, must give NaN or a finite number, and a text it formats must read back to the same displayed
// value.
#include "fuzz_input.h"
#include "values/engineering_notation.h"
#include "values/utf8.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::u32string fromUtf16(const std::uint8_t* data, std::size_t size)
{
    std::u32string out;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        char32_t unit = static_cast<char32_t>(data[i] | (data[i + 1] << 8));
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < size) {
            const char32_t low = static_cast<char32_t>(data[i + 2] | (data[i + 3] << 8));
            if (low >= 0xDC00 && low < 0xE000) {
                out.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out.push_back(unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return out;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void readAndReadBack(const std::string& text)
{
    const double value = torvel::ParseEngineering(text);
    check(std::isnan(value) || std::isfinite(value));
    if (std::isnan(value))
        return;
    for (int decimals : {0, 2, 4}) {
        const double shown = torvel::ParseEngineering(torvel::FormatEngineering(value, 9, decimals));
        check(!std::isnan(shown));
        // Formatting what is shown again must show the same value: the display is a fixed point.
        check(torvel::ParseEngineering(torvel::FormatEngineering(shown, 9, decimals)) == shown);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readAndReadBack(std::string(reinterpret_cast<const char*>(data), size));
    readAndReadBack(torvel::encodeUtf8(fromUtf16(data, size)));
    return 0;
}
