#include "cascade/cascade_names.h"

#include <array>
#include <utility>

namespace torvel::cascade {
namespace {

using approx::Approximation;
using approx::ResponseKind;
using approx::SectionKind;

constexpr std::array<std::pair<ResponseKind, std::string_view>, 4> kResponses = {{
    {ResponseKind::LowPass, "lp"}, {ResponseKind::HighPass, "hp"},
    {ResponseKind::BandPass, "bp"}, {ResponseKind::BandStop, "bs"}}};

constexpr std::array<std::pair<Approximation, std::string_view>, 5> kApproximations = {{
    {Approximation::Butterworth, "butterworth"}, {Approximation::Chebyshev, "chebyshev"},
    {Approximation::Bessel, "bessel"}, {Approximation::InverseChebyshev, "inverse-chebyshev"},
    {Approximation::Elliptic, "elliptic"}}};

constexpr std::array<std::pair<SectionKind, std::string_view>, 8> kSections = {{
    {SectionKind::Lpf, "lpf"}, {SectionKind::Hpf, "hpf"}, {SectionKind::Bpf, "bpf"},
    {SectionKind::TzfLow, "tzf-low"}, {SectionKind::TzfHigh, "tzf-high"}, {SectionKind::Notch, "notch"},
    {SectionKind::FirstOrderLp, "first-order-lp"}, {SectionKind::FirstOrderHp, "first-order-hp"}}};

template <typename Table, typename Value>
std::string_view keyOf(const Table& table, Value value)
{
    for (const auto& [v, key] : table)
        if (v == value)
            return key;
    return "";
}

template <typename Table>
auto valueOf(const Table& table, std::string_view key) -> std::optional<typename Table::value_type::first_type>
{
    for (const auto& [v, k] : table)
        if (k == key)
            return v;
    return std::nullopt;
}

}  // namespace

std::string_view responseKey(ResponseKind kind) { return keyOf(kResponses, kind); }
std::string_view approximationKey(Approximation approx) { return keyOf(kApproximations, approx); }
std::string_view sectionKey(SectionKind kind) { return keyOf(kSections, kind); }

std::optional<ResponseKind> responseFromKey(std::string_view key) { return valueOf(kResponses, key); }
std::optional<Approximation> approximationFromKey(std::string_view key) { return valueOf(kApproximations, key); }
std::optional<SectionKind> sectionFromKey(std::string_view key) { return valueOf(kSections, key); }

}  // namespace torvel::cascade
