#include "cascade/filter_file.h"

#include "cascade/cascade_names.h"
#include "design/filter_types.h"
#include "design/model_session.h"
#include "design/reading.h"
#include "values/engineering_notation.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <utility>

namespace torvel::cascade {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kFormat = "torvel-filter";
constexpr int kVersion = 1;

Json requestJson(const CascadeRequest& r)
{
    const approx::FilterRequest& f = r.filter;
    Json json;
    json["response"] = responseKey(f.kind);
    json["approximation"] = approximationKey(f.approximation);
    json["order"] = f.order ? Json(*f.order) : Json(nullptr);
    json["fc"] = f.fcHz;
    json["bandwidth"] = f.bandwidthHz;
    if (f.mask) {
        const approx::Mask& m = *f.mask;
        json["mask"] = {{"fp", {m.passbandEdgeHz, m.passbandUpperEdgeHz}},
                        {"fs", {m.stopbandEdgeHz, m.stopbandUpperEdgeHz}},
                        {"Ap", m.maxPassbandLossDb},
                        {"As", m.minStopbandAttenuationDb}};
    } else {
        json["mask"] = nullptr;
    }
    json["ripple"] = f.rippleDb;
    json["attenuation"] = f.attenuationDb;
    json["gain"] = f.gain;
    json["E1"] = r.parts.resistorSeries;
    json["E2"] = r.parts.capacitorSeries;
    json["Z"] = r.parts.impedance;
    return json;
}

bool isNumber(const Json& json, const char* key) { return json.contains(key) && json[key].is_number(); }
bool isString(const Json& json, const char* key) { return json.contains(key) && json[key].is_string(); }

std::optional<CascadeRequest> requestFromJson(const Json& json, std::string& error)
{
    CascadeRequest r;
    const auto kind = isString(json, "response") ? responseFromKey(json["response"].get<std::string>()) : std::nullopt;
    const auto approximation =
        isString(json, "approximation") ? approximationFromKey(json["approximation"].get<std::string>()) : std::nullopt;
    if (!kind || !approximation) {
        error = "filter file names no known response or approximation";
        return std::nullopt;
    }
    r.filter.kind = *kind;
    r.filter.approximation = *approximation;
    for (const char* key : {"fc", "bandwidth", "ripple", "attenuation", "gain"})
        if (!isNumber(json, key)) {
            error = std::string("filter file lacks the number ") + key;
            return std::nullopt;
        }
    r.filter.fcHz = json["fc"].get<double>();
    r.filter.bandwidthHz = json["bandwidth"].get<double>();
    r.filter.rippleDb = json["ripple"].get<double>();
    r.filter.attenuationDb = json["attenuation"].get<double>();
    r.filter.gain = json["gain"].get<double>();
    if (json.contains("order") && json["order"].is_number_integer())
        r.filter.order = json["order"].get<int>();
    if (json.contains("mask") && json["mask"].is_object()) {
        const Json& m = json["mask"];
        const auto pair = [&](const char* key) { return m.contains(key) && m[key].is_array() && m[key].size() == 2
                                                     && m[key][0].is_number() && m[key][1].is_number(); };
        if (!pair("fp") || !pair("fs") || !isNumber(m, "Ap") || !isNumber(m, "As")) {
            error = "filter file has a broken mask";
            return std::nullopt;
        }
        r.filter.mask = approx::Mask{m["fp"][0].get<double>(), m["fs"][0].get<double>(), m["fp"][1].get<double>(),
                                     m["fs"][1].get<double>(), m["Ap"].get<double>(), m["As"].get<double>()};
    }
    for (const char* key : {"E1", "E2", "Z"})
        if (!isString(json, key)) {
            error = std::string("filter file lacks the text ") + key;
            return std::nullopt;
        }
    r.parts = {json["E1"].get<std::string>(), json["E2"].get<std::string>(), json["Z"].get<std::string>()};
    return r;
}

constexpr std::array<std::pair<PartBuild, std::string_view>, 3> kBuildKeys = {
    {{PartBuild::Single, "single"}, {PartBuild::Series, "series"}, {PartBuild::Parallel, "parallel"}}};

// Element descriptions that still hold for the section's parts, in field order.
Json builtJson(const BuiltSection& s)
{
    Json built = Json::object();
    for (Field f : kAllFields) {
        const std::optional<double> value = elementValue(s.circuit, f);
        const ElementBuild* e = value ? s.built.find(f, *value) : nullptr;
        if (!e || !s.fields[static_cast<std::size_t>(f)].visible)
            continue;
        Json parts = Json::array({e->parts[0]});
        if (e->build != PartBuild::Single)
            parts.push_back(e->parts[1]);
        std::string_view key;
        for (const auto& [build, name] : kBuildKeys)
            if (build == e->build)
                key = name;
        built[std::string(fieldInfo(f).key)] = {{"build", key}, {"parts", std::move(parts)}, {"seriesValues", e->seriesValues}};
    }
    return built;
}

// How the section's elements are built, as the file says; refused when an entry names no shown element of
// the section, is malformed, or its parts do not make the value its field holds.
std::optional<PartsDescription> builtFromJson(const Json& json, const BuiltSection& section, std::string& error)
{
    PartsDescription description;
    if (!json.is_object()) {
        error = "has a broken description of its parts";
        return std::nullopt;
    }
    for (const auto& [key, entry] : json.items()) {
        std::optional<Field> field;
        for (Field f : kAllFields)
            if (fieldInfo(f).key == key && section.fields[static_cast<std::size_t>(f)].visible)
                field = f;
        const std::optional<double> value = field ? elementValue(section.circuit, *field) : std::nullopt;
        if (!value) {
            error = "describes the parts of " + key + ", which it has no element for";
            return std::nullopt;
        }
        ElementBuild e;
        e.element = *field;
        e.value = *value;
        bool known = false;
        if (entry.is_object() && isString(entry, "build"))
            for (const auto& [build, name] : kBuildKeys)
                if (entry["build"].get<std::string>() == name) {
                    e.build = build;
                    known = true;
                }
        const std::size_t count = e.build == PartBuild::Single ? 1 : 2;
        if (!known || !entry.contains("parts") || !entry["parts"].is_array() || entry["parts"].size() != count
            || !entry.contains("seriesValues") || !entry["seriesValues"].is_boolean()) {
            error = "has a broken description of the parts of " + key;
            return std::nullopt;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const Json& part = entry["parts"][i];
            e.parts[i] = part.is_number() ? part.get<double>() : 0.0;
            if (!(e.parts[i] > 0 && std::isfinite(e.parts[i]))) {
                error = "has a broken description of the parts of " + key;
                return std::nullopt;
            }
        }
        e.seriesValues = entry["seriesValues"].get<bool>();
        // The field shows the combination to five significant digits: it may differ from the parts' exact
        // combination by half a unit of the fifth digit, never more.
        const double combined = e.build == PartBuild::Single   ? e.parts[0]
                              : e.build == PartBuild::Series ? e.parts[0] + e.parts[1]
                                                             : e.parts[0] * e.parts[1] / (e.parts[0] + e.parts[1]);
        constexpr double kFieldRounding = 1e-4;
        if (!(std::abs(combined / e.value - 1) <= kFieldRounding)) {
            error = "describes parts of " + key + " that do not make the value of its field";
            return std::nullopt;
        }
        description.elements.push_back(e);
    }
    return description;
}

}  // namespace

std::string saveFilter(const Cascade& cascade)
{
    Json json;
    json["format"] = kFormat;
    json["version"] = kVersion;
    json["request"] = requestJson(cascade.request);
    Json sections = Json::array();
    for (const BuiltSection& s : cascade.sections) {
        Json fields = Json::object();
        for (Field f : kAllFields) {
            const FieldState& state = s.fields[static_cast<std::size_t>(f)];
            if (state.visible)
                fields[std::string(fieldInfo(f).key)] = state.text;
        }
        Json section = {{"kind", sectionKey(s.kind)}, {"H", s.H}, {"fields", std::move(fields)}};
        if (Json built = builtJson(s); !built.empty())
            section["built"] = std::move(built);
        sections.push_back(std::move(section));
    }
    json["sections"] = std::move(sections);
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

CascadeResult loadFilter(std::string_view text)
{
    // The JSON reader would end the text at a NUL and accept whatever came before it.
    if (text.find('\0') != std::string_view::npos)
        return {std::nullopt, "not a filter file (it holds a NUL byte)"};
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return {std::nullopt, "not a filter file (no JSON object)"};
    if (!isString(json, "format") || json["format"] != kFormat)
        return {std::nullopt, "not a filter file of this program (format is not \"torvel-filter\")"};
    if (!json.contains("version") || !json["version"].is_number_integer() || json["version"] != kVersion)
        return {std::nullopt, "filter file version not supported (this program reads version 1)"};
    if (!json.contains("request") || !json["request"].is_object())
        return {std::nullopt, "filter file has no request"};
    std::string error;
    const std::optional<CascadeRequest> request = requestFromJson(json["request"], error);
    if (!request)
        return {std::nullopt, error};
    CascadeResult designed = designCascade(*request);
    if (!designed.cascade)
        return designed;
    Cascade& cascade = *designed.cascade;

    if (!json.contains("sections") || !json["sections"].is_array()
        || json["sections"].size() != cascade.sections.size())
        return {std::nullopt, "the filter file's sections do not belong to its request"};
    for (std::size_t k = 0; k < cascade.sections.size(); ++k) {
        const Json& stored = json["sections"][k];
        BuiltSection& section = cascade.sections[k];
        if (!stored.is_object() || !isString(stored, "kind") || sectionFromKey(stored["kind"].get<std::string>()) != section.kind
            || !stored.contains("fields") || !stored["fields"].is_object())
            return {std::nullopt, "section " + std::to_string(k + 1) + " of the filter file does not belong to its request"};
        for (Field f : kAllFields) {
            const std::string key(fieldInfo(f).key);
            FieldState& state = section.fields[static_cast<std::size_t>(f)];
            if (!state.visible)
                continue;
            if (!stored["fields"].contains(key) || !stored["fields"][key].is_string())
                return {std::nullopt, "section " + std::to_string(k + 1) + " of the filter file lacks the text of " + key};
            state.text = stored["fields"][key].get<std::string>();
        }
        const std::optional<SectionCircuit> circuit = circuitFromFields(section);
        if (!circuit)
            return {std::nullopt, "section " + std::to_string(k + 1) + " of the filter file has unreadable parts"};
        section.circuit = *circuit;
        section.realised = realisedOf(section.wanted, section.H, section.kind, section.circuit);
        if (stored.contains("built")) {
            std::optional<PartsDescription> built = builtFromJson(stored["built"], section, error);
            if (!built)
                return {std::nullopt, "section " + std::to_string(k + 1) + " of the filter file " + error};
            section.built = std::move(*built);
        }
    }
    return designed;
}

}  // namespace torvel::cascade
