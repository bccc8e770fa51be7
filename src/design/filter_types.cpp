#include "design/filter_types.h"

#include <algorithm>
#include <cctype>

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

constexpr std::array<FilterTypeInfo, kFilterTypeCount> kFilterTypes = {{
    {"RadioButton1", "LPF", 3, Image::Image3, "lpf"},
    {"RadioButton2", "HPF", 4, Image::Image4, "hpf"},
    {"RadioButton3", "BPF", 5, Image::Image5, "bpf"},
    {"RadioButton4", "TZF (Wo<Wn)", 6, Image::Image6, "tzf-low"},
    {"RadioButton5", "TZF (Wn<Wo)", 7, Image::Image7, "tzf-high"},
    {"RadioButton6", "Notch(Wo=Wn)", 8, Image::Image8, "notch"},
    {"RadioButton7", "APF", 9, Image::Image8, "apf"},
}};

constexpr std::array<std::string_view, kImageCount> kImageNames = {"Image3", "Image4", "Image5",
                                                                  "Image6", "Image7", "Image8"};
constexpr std::array<std::string_view, kLabelCount> kLabelNames = {"A1", "A2", "A3", "A4", "Diff"};

constexpr std::array<Field, 4> kSummingFields = {Field::R7, Field::R8, Field::R9, Field::R10};

void showSummingFields(DesignPanel& panel, bool visible)
{
    for (Field f : kSummingFields)
        panel.setFieldVisible(f, visible);
}

}  // namespace

const FieldInfo& fieldInfo(Field field) { return kFields[static_cast<std::size_t>(field)]; }
const FilterTypeInfo& filterTypeInfo(FilterType type) { return kFilterTypes[static_cast<std::size_t>(type)]; }
std::string_view imageName(Image image) { return kImageNames[static_cast<std::size_t>(image)]; }
std::string_view labelName(Label label) { return kLabelNames[static_cast<std::size_t>(label)]; }

int foldFilterTypeCode(int code)
{
    if (code == 9)
        return working::Apf;
    return code > 6 ? working::Tzf : code;
}

FilterType checkedFilterType(const DesignPanel& panel)
{
    for (FilterType t : kAllFilterTypes)
        if (panel.radioChecked(t))
            return t;
    return FilterType::Lpf;
}

void ShowTypeLayout(DesignPanel& panel, int code)
{
    for (Image image : kAllImages)
        panel.setImageVisible(image, false);
    showSummingFields(panel, true);
    panel.setFieldVisible(Field::Fn, false);

    switch (code) {
    case 3:  // LPF: output at A3, no summing stage
        panel.setImageVisible(Image::Image3, true);
        showSummingFields(panel, false);
        break;
    case 4:  // HPF: A4 sums IN, A1 and A3 (R8')
        panel.setImageVisible(Image::Image4, true);
        break;
    case 5:  // BPF: output at A1, no summing stage
        panel.setImageVisible(Image::Image5, true);
        showSummingFields(panel, false);
        break;
    case 6:  // TZF (Wo<Wn): R8 from A2
        panel.setImageVisible(Image::Image6, true);
        panel.setFieldVisible(Field::Fn, true);
        break;
    case 7:  // TZF (Wn<Wo): R8 from A3, the HPF drawing
        panel.setImageVisible(Image::Image7, true);
        panel.setFieldVisible(Field::Fn, true);
        break;
    case 8:  // Notch and APF: A4 sums IN and A1 only
    case 9:
        panel.setImageVisible(Image::Image8, true);
        panel.setFieldVisible(Field::R8, false);
        break;
    default:
        break;
    }
}

bool filterTypeFromName(std::string_view name, FilterType& type)
{
    auto lower = [](std::string_view s) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
        return out;
    };
    for (FilterType t : kAllFilterTypes) {
        const FilterTypeInfo& info = filterTypeInfo(t);
        if (name == info.caption || lower(name) == info.cliName) {
            type = t;
            return true;
        }
    }
    return false;
}

}  // namespace torvel
