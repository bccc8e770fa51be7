#include "shell/filter/section_rows.h"

#include "design/filter_types.h"
#include "values/engineering_notation.h"

#include <cmath>
#include <cstdio>

namespace torvel::filter {
namespace {

constexpr std::string_view kAbsent = "-";

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string significant(double value, int digits)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

std::string withDecimals(double value, int decimals)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string realisedCell(const cascade::BuiltSection& s, std::string_view name)
{
    for (int i = 0; i < s.realised.count; ++i) {
        const RealisedValue& v = s.realised.values[static_cast<std::size_t>(i)];
        if (v.name != name)
            continue;
        const std::string value = name == "Q" || name == "H" ? significant(v.realised, 5) : CompactEngineering(v.realised, 4);
        return value + " (" + errorPercentText(v.errorPercent, 2, true) + "%)";
    }
    return std::string(kAbsent);
}

Field componentField(int column)
{
    return static_cast<Field>(static_cast<int>(Field::C1) + column - kFirstComponentColumn);
}

}  // namespace

std::string sectionTypeCaption(const cascade::BuiltSection& s)
{
    if (s.circuit.type)
        return std::string(filterTypeInfo(*s.circuit.type).caption);
    return s.kind == approx::SectionKind::FirstOrderHp ? "1次 HPF" : "1次 LPF";
}

std::string sectionHeader(int column)
{
    switch (static_cast<SectionColumn>(column)) {
    case SectionColumn::Number: return "段";
    case SectionColumn::Type: return "種類";
    case SectionColumn::Fo: return "fo (Hz)";
    case SectionColumn::Q: return "Q";
    case SectionColumn::Fn: return "fn (Hz)";
    case SectionColumn::H: return "H";
    case SectionColumn::RealisedH: return "実現 H";
    case SectionColumn::RealisedFo: return "実現 fo";
    case SectionColumn::RealisedQ: return "実現 Q";
    case SectionColumn::RealisedFn: return "実現 fn";
    case SectionColumn::C1: break;
    }
    if (column >= kFirstComponentColumn && column < kSectionColumnCount)
        return trimmed(fieldInfo(componentField(column)).caption);
    return {};
}

std::string sectionCell(const cascade::BuiltSection& s, int index, bool edited, int column)
{
    switch (static_cast<SectionColumn>(column)) {
    case SectionColumn::Number: return std::to_string(index + 1) + (edited ? "*" : "");
    case SectionColumn::Type: return sectionTypeCaption(s);
    case SectionColumn::Fo: return CompactEngineering(s.wanted.foHz, 4);
    case SectionColumn::Q: return s.wanted.q ? withDecimals(*s.wanted.q, 4) : std::string(kAbsent);
    case SectionColumn::Fn:
        // A notch's zero is its fo.
        if (s.kind == approx::SectionKind::Notch)
            return CompactEngineering(s.wanted.foHz, 4);
        return s.wanted.fnHz ? CompactEngineering(*s.wanted.fnHz, 4) : std::string(kAbsent);
    case SectionColumn::H: return significant(s.H, 5);
    case SectionColumn::RealisedH: return realisedCell(s, "H");
    case SectionColumn::RealisedFo: return realisedCell(s, "fo");
    case SectionColumn::RealisedQ: return realisedCell(s, "Q");
    case SectionColumn::RealisedFn: return realisedCell(s, "fn");
    case SectionColumn::C1: break;
    }
    if (column < kFirstComponentColumn || column >= kSectionColumnCount)
        return {};
    const cascade::FieldState& field = s.fields[static_cast<std::size_t>(componentField(column))];
    return field.visible ? trimmed(field.text) : std::string();
}

}  // namespace torvel::filter
