// Any bytes as a whole-filter file, and any bytes as its requests. A load either refuses with a reason or
// gives a filter whose saved file loads back to the same filter and saves to the same text again; and a
// filter designed from what the file asks is a filter the built response can be computed for.
#include "cascade/cascade_response.h"
#include "cascade/filter_file.h"
#include "fuzz_input.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace torvel::cascade;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const CascadeResult loaded = loadFilter(file);
    if (!loaded.cascade) {
        check(!loaded.error.empty());
        return 0;
    }
    const std::string saved = saveFilter(*loaded.cascade);
    const CascadeResult reloaded = loadFilter(saved);
    check(reloaded.cascade.has_value());
    check(saveFilter(*reloaded.cascade) == saved);
    check(reloaded.cascade->sections.size() == loaded.cascade->sections.size());
    // The response of whatever parts the file held is a number or NaN, never a crash.
    const double f = loaded.cascade->design.fcHz;
    const std::complex<double> built = builtResponse(*loaded.cascade, {}, f);
    check(std::isfinite(built.real()) || std::isnan(built.real()) || std::isinf(built.real()));
    return 0;
}
