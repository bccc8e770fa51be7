#include "design/filter_types.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace torvel {
namespace {

constexpr std::array<FieldInfo, kFieldCount> kFields = {{
    {"LabeledEditC1", " C1", "C1"},
    {"LabeledEditC2", " C2", "C2"},
    {"LabeledEditR1", " R1", "R1"},
    {"LabeledEditR2", "R2", "R2"},
    {"LabeledEditR3", " R3", "R3"},
    {"LabeledEditR4", "R4", "R4"},
    {"LabeledEditR5", "R5", "R5"},
    {"LabeledEditR6", "R6", "R6"},
    {"LabeledEditR7", "R7", "R7"},
    {"LabeledEditR8", "R8", "R8"},
    {"LabeledEditR9", "R9", "R9"},
    {"LabeledEditR10", "R10", "R10"},
    {"LabeledEditH", "H", "H"},
    {"LabeledEditFo", "fo", "fo"},
    {"LabeledEditQ", "Q", "Q"},
    {"LabeledEditFn", "fn", "fn"},
    {"LabeledEditZval", "標準ｲﾝﾋﾟｰﾀﾞﾝｽ(Ω)", "Z"},
}};

constexpr std::array<std::string_view, kImageCount> kImageNames = {"Image3", "Image4", "Image5",
                                                                  "Image6", "Image7", "Image8"};
constexpr std::array<std::string_view, kLabelCount> kLabelNames = {"A1", "A2", "A3", "A4", "Diff"};

// The table's facts hang together: a type shows R7, R9 and R10 exactly when it has A4, R8 exactly when
// something drives it, fn exactly when it has a zero of its own, and the radio buttons stand in table order.
constexpr bool consistent(const FilterTypeInfo& t, std::size_t index)
{
    return static_cast<std::size_t>(t.type) == index && t.shownLayoutFields.contains(Field::R7) == t.hasA4
        && t.shownLayoutFields.contains(Field::R9) == t.hasA4 && t.shownLayoutFields.contains(Field::R10) == t.hasA4
        && t.shownLayoutFields.contains(Field::R8) == t.r8From.has_value()
        && t.shownLayoutFields.contains(Field::Fn) == t.hasZero && (t.output == OpAmp::A4) == t.hasA4
        && (!t.r8From || t.hasA4) && t.hasA4 == hasSummingAmplifier(t.working);
}

constexpr bool tableConsistent()
{
    for (std::size_t i = 0; i < kFilterTypes.size(); ++i)
        if (!consistent(kFilterTypes[i], i))
            return false;
    return true;
}
static_assert(tableConsistent(), "a filter type's layout contradicts its circuit");

}  // namespace

const FieldInfo& fieldInfo(Field field) { return kFields[static_cast<std::size_t>(field)]; }
std::string_view imageName(Image image) { return kImageNames[static_cast<std::size_t>(image)]; }
std::string_view labelName(Label label) { return kLabelNames[static_cast<std::size_t>(label)]; }

FilterType checkedFilterType(const DesignPanel& panel)
{
    for (FilterType t : kAllFilterTypes)
        if (panel.radioChecked(t))
            return t;
    return FilterType::Lpf;
}

void ShowTypeLayout(DesignPanel& panel, FilterType type)
{
    // Everything goes back to the summing-stage layout without fn first, then the type takes away or adds
    // its own: a field the focus sits in is hidden and shown again on the way, as the window has always done.
    const FilterTypeInfo& info = filterTypeInfo(type);
    for (Image image : kAllImages)
        panel.setImageVisible(image, false);
    for (Field field : {Field::R7, Field::R8, Field::R9, Field::R10})
        panel.setFieldVisible(field, true);
    panel.setFieldVisible(Field::Fn, false);

    panel.setImageVisible(info.image, true);
    for (Field field : {Field::R7, Field::R8, Field::R9, Field::R10})
        if (!info.shownLayoutFields.contains(field))
            panel.setFieldVisible(field, false);
    if (info.shownLayoutFields.contains(Field::Fn))
        panel.setFieldVisible(Field::Fn, true);
}

std::optional<FilterType> filterTypeFromName(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const FilterTypeInfo& info : kFilterTypes)
        if (name == info.caption || lower == info.cliName)
            return info.type;
    return std::nullopt;
}

}  // namespace torvel
