#include "panel_report.h"

#include <cstdio>
#include <sstream>

namespace torvel::cli {
namespace {

std::string_view kindName(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning: return "warning";
    case MessageKind::Error: return "error";
    case MessageKind::Information: return "information";
    case MessageKind::Confirmation: return "confirmation";
    }
    return "warning";
}

std::string_view visibleImage(const PanelModel& panel)
{
    for (Image image : kAllImages)
        if (panel.imageVisible(image))
            return imageName(image);
    return "";
}

// Message texts begin with a line break; a summary line reads better without it.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

nlohmann::ordered_json panelJson(const PanelModel& panel, WorkingType workingType, const std::string* faultText)
{
    nlohmann::ordered_json json;
    json["type"] = filterTypeInfo(checkedFilterType(panel)).caption;
    json["working_type"] = workingTypeCode(workingType);
    json["image"] = visibleImage(panel);
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    for (Field field : kAllFields)
        fields[std::string(fieldInfo(field).key)] = {{"text", panel.fieldText(field)},
                                                     {"visible", panel.fieldVisible(field)}};
    json["fields"] = std::move(fields);
    json["E1"] = panel.comboText(Combo::EvalE1);
    json["E2"] = panel.comboText(Combo::EvalE2);
    nlohmann::ordered_json labels = nlohmann::ordered_json::object();
    for (Label label : kAllLabels)
        labels[std::string(labelName(label))] = panel.labelText(label);
    json["labels"] = std::move(labels);
    nlohmann::ordered_json messages = nlohmann::ordered_json::array();
    for (const ShownMessage& m : panel.messages())
        messages.push_back({{"kind", kindName(m.kind)}, {"text", m.text}});
    json["messages"] = std::move(messages);
    json["fault"] = faultText ? nlohmann::ordered_json(*faultText) : nlohmann::ordered_json(nullptr);
    return json;
}

std::string panelSummary(const PanelModel& panel, WorkingType workingType, const std::string* faultText)
{
    std::ostringstream out;
    out << "type: " << filterTypeInfo(checkedFilterType(panel)).caption << " (working type " << workingTypeCode(workingType)
        << ", " << visibleImage(panel) << ")\n";
    for (Field field : kAllFields)
        if (panel.fieldVisible(field))
            out << "  " << fieldInfo(field).key << " = " << panel.fieldText(field) << "\n";
    out << "  E1 = " << panel.comboText(Combo::EvalE1) << ", E2 = " << panel.comboText(Combo::EvalE2) << "\n";
    std::string labels;
    for (Label label : kAllLabels)
        if (!panel.labelText(label).empty())
            labels += "  " + panel.labelText(label);
    if (!labels.empty())
        out << "peak levels:" << labels << "\n";
    out << panelProblems(panel, faultText);
    return out.str();
}

std::string panelProblems(const PanelModel& panel, const std::string* faultText)
{
    std::string out;
    for (const ShownMessage& m : panel.messages())
        out += std::string(kindName(m.kind)) + ": " + oneLine(m.text) + "\n";
    if (faultText)
        out += "fault: " + *faultText + "\n";
    return out;
}

nlohmann::ordered_json realisedJson(const RealisedValues& values)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (int i = 0; i < values.count; ++i) {
        const RealisedValue& v = values.values[static_cast<std::size_t>(i)];
        json[std::string(v.name)] = {{"wanted", v.wanted}, {"realised", v.realised}, {"error_percent", v.errorPercent}};
    }
    return json;
}

std::string realisedSummary(const RealisedValues& values)
{
    std::string out = "realised (wanted -> built):\n";
    char line[128];
    for (int i = 0; i < values.count; ++i) {
        const RealisedValue& v = values.values[static_cast<std::size_t>(i)];
        std::snprintf(line, sizeof line, "  %-2s %12.6g -> %12.6g  (%s %%)\n", std::string(v.name).c_str(), v.wanted,
                      v.realised, errorPercentText(v.errorPercent, 3, true).c_str());
        out += line;
    }
    return out;
}

}  // namespace torvel::cli
