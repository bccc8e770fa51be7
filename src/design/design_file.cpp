#include "design/design_file.h"

#include "design/filter_types.h"

#include <nlohmann/json.hpp>

namespace torvel {
namespace {

constexpr std::string_view kFormat = "torvel-design";
constexpr int kVersion = 1;

}  // namespace

std::string saveDesign(const DesignPanel& panel)
{
    nlohmann::ordered_json json;
    json["format"] = kFormat;
    json["version"] = kVersion;
    json["type"] = filterTypeInfo(checkedFilterType(panel)).caption;
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    for (Field field : kAllFields)
        fields[std::string(fieldInfo(field).key)] = panel.fieldText(field);
    json["fields"] = std::move(fields);
    json["E1"] = panel.comboText(Combo::EvalE1);
    json["E2"] = panel.comboText(Combo::EvalE2);
    // Texts come as bytes, and torvel-cli's options may hold any. Each ill-formed UTF-8 sequence is stored
    // as U+FFFD, the replacement character the window's text boxes would have shown, so the file stays JSON.
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::optional<std::string> loadDesign(DesignPanel& panel, std::string_view json)
{
    if (std::optional<DesignFileRefusal> refused = loadDesignFile(panel, json))
        return refused->text;
    return std::nullopt;
}

std::optional<DesignFileRefusal> loadDesignFile(DesignPanel& panel, std::string_view text)
{
    using enum DesignFileProblem;
    // The JSON reader takes a NUL byte for the end of its input, so a design followed by a NUL and
    // anything at all would pass; no JSON text holds a raw NUL.
    if (text.find('\0') != std::string_view::npos)
        return DesignFileRefusal{HoldsNul, {}, "not a design file (it holds a NUL byte)"};
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return DesignFileRefusal{NotJson, {}, "not a design file (no JSON object)"};
    if (!json.contains("format") || json["format"] != kFormat)
        return DesignFileRefusal{ForeignFormat, {},
                                 "not a design file of this program (format is not \"torvel-design\")"};
    if (!json.contains("version") || !json["version"].is_number_integer() || json["version"] != kVersion)
        return DesignFileRefusal{UnsupportedVersion, {},
                                 "design file version not supported (this program reads version 1)"};
    const std::optional<FilterType> type =
        json.contains("type") && json["type"].is_string() ? filterTypeFromName(json["type"].get<std::string>()) : std::nullopt;
    if (!type)
        return DesignFileRefusal{UnknownType, {}, "design file names no known filter type"};
    if (!json.contains("fields") || !json["fields"].is_object())
        return DesignFileRefusal{NoFields, {}, "design file has no fields"};
    for (Field field : kAllFields) {
        const std::string key(fieldInfo(field).key);
        if (!json["fields"].contains(key) || !json["fields"][key].is_string())
            return DesignFileRefusal{MissingField, key, "design file lacks the text of field " + key};
    }
    for (const char* combo : {"E1", "E2"})
        if (!json.contains(combo) || !json[combo].is_string())
            return DesignFileRefusal{MissingSeries, combo, std::string("design file lacks the series ") + combo};

    panel.checkRadio(*type);
    for (Field field : kAllFields)
        panel.setFieldText(field, json["fields"][std::string(fieldInfo(field).key)].get<std::string>());
    panel.setComboText(Combo::EvalE1, json["E1"].get<std::string>());
    panel.setComboText(Combo::EvalE2, json["E2"].get<std::string>());
    return std::nullopt;
}

}  // namespace torvel
