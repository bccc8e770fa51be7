// The short names whole filters go by in torvel-cli and in filter files: "lp", "elliptic", "tzf-low".
#pragma once

#include "approx/approximation.h"
#include "approx/sections.h"

#include <optional>
#include <string_view>

namespace torvel::cascade {

std::string_view responseKey(approx::ResponseKind kind);            // "lp", "hp", "bp", "bs"
std::string_view approximationKey(approx::Approximation approx);    // "butterworth" ... "elliptic"
std::string_view sectionKey(approx::SectionKind kind);              // "lpf" ... "first-order-hp"

std::optional<approx::ResponseKind> responseFromKey(std::string_view key);
std::optional<approx::Approximation> approximationFromKey(std::string_view key);
std::optional<approx::SectionKind> sectionFromKey(std::string_view key);

}  // namespace torvel::cascade
