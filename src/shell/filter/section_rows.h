// The texts of the sections table, one row per section of the cascade, kept free of the Qt model so
// that every column's rule is tested on plain sections.
#pragma once

#include "cascade/built_section.h"

#include <string>

namespace torvel::filter {

/// Number and type; the wanted fo, Q, fn and H; the realised H, fo, Q, fn with their errors; then C1, C2
/// and R1 to R10 as the section's fields show them.
enum class SectionColumn { Number, Type, Fo, Q, Fn, H, RealisedH, RealisedFo, RealisedQ, RealisedFn, C1 };
inline constexpr int kFirstComponentColumn = static_cast<int>(SectionColumn::C1);
inline constexpr int kSectionColumnCount = kFirstComponentColumn + 12;  // C1, C2, R1 ... R10

std::string sectionHeader(int column);

/// `edited` marks a section whose parts a designer changed in the calculator ("2*").
std::string sectionCell(const cascade::BuiltSection& section, int index, bool edited, int column);

/// The type's caption as the calculator's radio button shows it, or "1次 LPF" / "1次 HPF".
std::string sectionTypeCaption(const cascade::BuiltSection& section);

}  // namespace torvel::filter
