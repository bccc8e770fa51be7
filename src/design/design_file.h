// A whole design in a small JSON file: the type, every field text, the two series and the standard
// impedance, exactly as the panel holds them.
//
//   {"format": "torvel-design", "version": 1, "type": "TZF (Wo<Wn)",
//    "fields": {"C1": " 33.0000n", ..., "Z": "4.7K"}, "E1": "24", "E2": "6"}
#pragma once

#include "design/design_panel.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace torvel {

/// The panel as a design file's text. A text that is not valid UTF-8 is stored with U+FFFD in place of
/// each ill-formed sequence, so it loads back as the window would show it.
std::string saveDesign(const DesignPanel& panel);

/// Design files are a few hundred bytes; anything larger than this is refused before it is read.
inline constexpr std::size_t kDesignFileMaxBytes = 1024 * 1024;

/// Checks the whole file first and changes nothing unless all of it is usable; then checks the type's
/// radio button (running the type handler) and sets every text. Returns the reason when it refuses.
std::optional<std::string> loadDesign(DesignPanel& panel, std::string_view json);

/// Why a design file is refused, for a front end that words the reason in its own language.
enum class DesignFileProblem {
    NotJson, HoldsNul, ForeignFormat, UnsupportedVersion, UnknownType, NoFields, MissingField, MissingSeries
};

struct DesignFileRefusal {
    DesignFileProblem problem;
    std::string subject;  // the field key or series name that is missing, else empty
    std::string text;     // the reason in English, as loadDesign returns it
};

/// loadDesign with the reason as a code beside its text.
std::optional<DesignFileRefusal> loadDesignFile(DesignPanel& panel, std::string_view json);

}  // namespace torvel
