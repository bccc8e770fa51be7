// A whole filter in a small JSON file: the request it was designed from and every section as built, so
// that parts a designer changed in a section come back as they were.
//
//   {"format": "torvel-filter", "version": 1,
//    "request": {"response": "lp", "approximation": "elliptic", "order": 5, "fc": 12000, "bandwidth": 0,
//                "mask": null, "ripple": 0.5, "attenuation": 60, "gain": 1, "E1": "24", "E2": "6", "Z": "4.7K"},
//    "sections": [{"kind": "first-order-lp", "H": 1, "fields": {"C1": " 33.0000n", ...}}, ...]}
//
// A section whose parts a best-values search chose also says how its elements are built, so that the
// parts list and the netlist of a loaded filter still name both parts of a pair:
//    "built": {"R1": {"build": "series", "parts": [1000, 2200], "seriesValues": true}, ...}
// The fields hold the combined values either way, so a reader that ignores "built" gets the same circuit.
#pragma once

#include "cascade/cascade.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace torvel::cascade {

/// No filter comes near this size; a larger file is refused before it is read.
inline constexpr std::size_t kFilterFileMaxBytes = 1024 * 1024;

std::string saveFilter(const Cascade& cascade);

/// Designs the file's request again and gives its sections the file's parts. Refused, with the reason,
/// when the file is no filter file, its request cannot be designed, or its sections do not belong to it.
CascadeResult loadFilter(std::string_view json);

}  // namespace torvel::cascade
