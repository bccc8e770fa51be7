#include "cli_cascade.h"

#include "cascade/cascade_names.h"
#include "cascade/cascade_netlist.h"
#include "cascade/cascade_response.h"
#include "cascade/filter_file.h"
#include "cascade/gain_split.h"
#include "files/atomic_write.h"
#include "files/bounded_read.h"
#include "cli_tolerance.h"
#include "opamp/opamp_netlist.h"
#include "opamp_commands.h"
#include "panel_report.h"
#include "values/engineering_notation.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <numbers>
#include <sstream>

namespace torvel::cli {
namespace {

using Json = nlohmann::ordered_json;
using namespace torvel::cascade;

// A request that cannot be read or designed: exit status 2 with one line that says what is wrong.
struct UsageError {
    std::string text;
};

double readNumber(const std::string& option, const std::string& text)
{
    const double value = ParseEngineering(text);
    if (!std::isfinite(value))
        throw UsageError{option + " must be a number, not \"" + text + "\""};
    return value;
}

double readFrequency(const std::string& option, const std::string& text)
{
    const double value = readNumber(option, text);
    if (!(value > 0))
        throw UsageError{option + " must be a frequency above 0 Hz"};
    return value;
}

// "9k,11k": a band's two edges, lower first.
std::pair<double, double> readBand(const std::string& option, const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos)
        throw UsageError{option + " of a band filter takes its two edges as F1,F2"};
    return {readFrequency(option, text.substr(0, comma)), readFrequency(option, text.substr(comma + 1))};
}

int readOrder(const std::string& text)
{
    int order = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), order);
    if (error != std::errc() || end != text.data() + text.size())
        throw UsageError{"--order must be a whole number, not \"" + text + "\""};
    return order;
}

template <typename Value>
Value required(const std::optional<std::string>& text, const char* option, std::optional<Value> (*fromKey)(std::string_view),
               const char* choices)
{
    if (!text)
        throw UsageError{std::string(option) + " is required (" + choices + ")"};
    const std::optional<Value> value = fromKey(*text);
    if (!value)
        throw UsageError{std::string(option) + " must be one of " + choices + ", not \"" + *text + "\""};
    return *value;
}

CascadeRequest cascadeRequest(const CliRequest& cli)
{
    const CascadeOptions& o = cli.cascade;
    CascadeRequest r;
    approx::FilterRequest& f = r.filter;
    f.kind = required(o.response, "--response", responseFromKey, "lp, hp, bp, bs");
    f.approximation = required(o.approximation, "--approx", approximationFromKey,
                               "butterworth, chebyshev, bessel, inverse-chebyshev, elliptic");
    const bool band = approx::isBand(f.kind);
    const bool anyMask = o.fp || o.fs || o.Ap || o.As;
    if (o.order && anyMask)
        throw UsageError{"give either --order with --fc or the mask --fp --fs --Ap --As, not both"};
    if (o.order) {
        f.order = readOrder(*o.order);
        if (!o.fc)
            throw UsageError{band ? "--order needs --fc, the centre frequency, and --bw" : "--order needs --fc"};
        f.fcHz = readFrequency("--fc", *o.fc);
        if (band) {
            if (!o.bandwidth)
                throw UsageError{"a band filter needs --bw, its bandwidth"};
            f.bandwidthHz = readFrequency("--bw", *o.bandwidth);
        }
    } else if (anyMask) {
        if (!o.fp || !o.fs || !o.Ap || !o.As)
            throw UsageError{"a mask needs all of --fp, --fs, --Ap and --As"};
        approx::Mask m;
        if (band) {
            std::tie(m.passbandEdgeHz, m.passbandUpperEdgeHz) = readBand("--fp", *o.fp);
            std::tie(m.stopbandEdgeHz, m.stopbandUpperEdgeHz) = readBand("--fs", *o.fs);
        } else {
            m.passbandEdgeHz = readFrequency("--fp", *o.fp);
            m.stopbandEdgeHz = readFrequency("--fs", *o.fs);
        }
        m.maxPassbandLossDb = readNumber("--Ap", *o.Ap);
        m.minStopbandAttenuationDb = readNumber("--As", *o.As);
        f.mask = m;
    } else {
        throw UsageError{"give --order with --fc, or a mask with --fp --fs --Ap --As"};
    }
    if (o.ripple)
        f.rippleDb = readNumber("--ripple", *o.ripple);
    if (o.attenuation)
        f.attenuationDb = readNumber("--atten", *o.attenuation);
    if (o.gain)
        f.gain = readNumber("--gain", *o.gain);

    // Series and impedance as the window starts, unless given.
    for (const auto& [field, text] : cli.fieldTexts)
        if (field == Field::Zval)
            r.parts.impedance = text;
    if (cli.resistorSeries)
        r.parts.resistorSeries = *cli.resistorSeries;
    if (cli.capacitorSeries)
        r.parts.capacitorSeries = *cli.capacitorSeries;
    return r;
}

OpAmpModel opAmpModel(const OutputSettings& output)
{
    OpAmpModel model;
    if (!output.gainBandwidth.empty()) {
        model.gainBandwidthHz = ParseEngineering(output.gainBandwidth);
        if (!(model.gainBandwidthHz > 0) || !std::isfinite(model.gainBandwidthHz))
            throw UsageError{"--gbw must be a positive frequency"};
    }
    return model;
}

double degrees(std::complex<double> v) { return std::arg(v) * (180 / std::numbers::pi); }
double decibels(std::complex<double> v) { return 20 * std::log10(std::abs(v)); }

Json optionalNumber(std::optional<double> value) { return value ? Json(*value) : Json(nullptr); }

Json sectionJson(const BuiltSection& s)
{
    Json json;
    json["kind"] = sectionKey(s.kind);
    json["fo"] = s.wanted.foHz;
    json["Q"] = optionalNumber(s.wanted.q);
    json["fn"] = optionalNumber(s.kind == approx::SectionKind::Notch ? std::optional(s.wanted.foHz) : s.wanted.fnHz);
    json["H"] = s.H;
    Json fields = Json::object();
    for (Field f : kAllFields) {
        const FieldState& state = s.fields[static_cast<std::size_t>(f)];
        fields[std::string(fieldInfo(f).key)] = {{"text", state.text}, {"visible", state.visible}};
    }
    json["fields"] = std::move(fields);
    json["realised"] = realisedJson(s.realised);
    return json;
}

Json maskJson(const approx::Mask& m, bool band, MaskVerdict verdict)
{
    Json json;
    json["fp"] = band ? Json{m.passbandEdgeHz, m.passbandUpperEdgeHz} : Json(m.passbandEdgeHz);
    json["fs"] = band ? Json{m.stopbandEdgeHz, m.stopbandUpperEdgeHz} : Json(m.stopbandEdgeHz);
    json["Ap"] = m.maxPassbandLossDb;
    json["As"] = m.minStopbandAttenuationDb;
    json["met_ideal"] = verdict.metWanted;
    json["met_built"] = verdict.metBuilt;
    return json;
}

// `verdict` only where the request had a mask.
std::string summary(const Cascade& c, const Headroom& headroom, const MaskVerdict* verdict)
{
    const approx::FilterDesign& d = c.design;
    std::ostringstream out;
    out << approx::approximationName(d.approximation) << " " << approx::responseKindName(d.kind) << ", order " << d.order
        << (approx::isBand(d.kind) ? ", centre " : ", fc ") << FormatEngineering(d.fcHz, 0, 4) << "Hz";
    if (approx::isBand(d.kind))
        out << ", bandwidth " << FormatEngineering(d.bandwidthHz, 0, 4) << "Hz";
    out << ", gain " << d.gain << "\n";
    char line[200];
    for (std::size_t k = 0; k < c.sections.size(); ++k) {
        const BuiltSection& s = c.sections[k];
        const auto optional = [](std::optional<double> v) {
            char text[32];
            std::snprintf(text, sizeof text, "%.6g", v.value_or(0));
            return v ? std::string(text) : std::string("-");
        };
        std::snprintf(line, sizeof line, "section %zu: %-14s fo %.6g Hz  Q %s  fn %s  H %.6g\n", k + 1,
                      std::string(sectionKey(s.kind)).c_str(), s.wanted.foHz, optional(s.wanted.q).c_str(),
                      optional(s.wanted.fnHz).c_str(), s.H);
        out << line << " ";
        for (Field f : kAllFields) {
            const FieldState& state = s.fields[static_cast<std::size_t>(f)];
            if (state.visible && f != Field::H && f != Field::Fo && f != Field::Q && f != Field::Fn && f != Field::Zval)
                out << " " << fieldInfo(f).key << "=" << state.text.substr(state.text.find_first_not_of(' '));
        }
        out << "\n";
        out << realisedSummary(s.realised);
    }
    std::snprintf(line, sizeof line, "headroom: %.2f dB (section %d, A%d at %.6g Hz)\n", headroom.headroomDb,
                  headroom.section + 1, headroom.opAmp + 1, headroom.frequencyHz);
    out << line;
    if (verdict)
        out << "mask: " << (verdict->metWanted ? "met" : "missed") << " by the wanted filter, "
            << (verdict->metBuilt ? "met" : "missed") << " by the built one\n";
    return out.str();
}

}  // namespace

RunResult runCascade(const CliRequest& request)
{
    try {
        CascadeResult designed;
        if (request.loadFile) {
            const FileReadOutcome file = readRegularFile(*request.loadFile, kFilterFileMaxBytes);
            designed = file.done() ? loadFilter(file.bytes) : CascadeResult{std::nullopt, file.reason};
            if (!designed.cascade)
                return {kExitUsage, {}, "torvel-cli: " + *request.loadFile + ": " + designed.error + "\n"};
        } else {
            designed = designCascade(cascadeRequest(request));
            if (!designed.cascade)
                return {designed.fault ? kExitFault : kExitUsage, {}, "torvel-cli: " + designed.error + "\n"};
        }
        const Cascade& c = *designed.cascade;
        // A described op-amp (--opamp, --slew, ... beyond --gbw) is every section's: the built response, the
        // checks, the noise and the netlist all use it. --gbw alone keeps its old meaning.
        const bool noise = request.commands.back() == Command::Noise;
        std::optional<OpAmpFigures> figures;
        if (request.opAmp.described() || noise) {
            std::string error = opAmpOptionsError(request);
            if (error.empty())
                figures = opAmpOf(request, error);
            if (!figures)
                throw UsageError{error};
        }
        const OpAmpModel opAmp = figures ? figures->model() : opAmpModel(request.output);
        const Headroom headroom = cascadeHeadroom(c, opAmp);
        const std::optional<approx::Mask>& mask = c.request.filter.mask;
        const MaskVerdict verdict = mask ? checkMask(c, *mask, opAmp) : MaskVerdict{};

        const auto [lowest, highest] = sectionFrequencyRange(c.design);
        const double from = request.fromGiven ? readFrequency("--from", request.output.from) : lowest / 10;
        const double to = request.toGiven ? readFrequency("--to", request.output.to) : highest * 10;
        if (!(to > from))
            throw UsageError{"--from and --to must be frequencies with 0 < from < to"};

        std::optional<ToleranceReport> tolerance;
        if (request.commands.back() == Command::Tolerance) {
            tolerance = cascadeTolerance(c, request, opAmp, from, to);
            if (!tolerance->error.empty())
                throw UsageError{tolerance->error};
        }

        std::string err;
        std::optional<OpAmpCommandResult> checks, noiseResult;
        if (request.opAmp.described()) {
            checks = cascadeChecks(c, request, from, to);
            err += checks->error;
        }
        if (noise)
            noiseResult = runCascadeNoise(c, request, from, to);
        for (const std::optional<OpAmpCommandResult>* result : {&checks, &noiseResult})
            if (*result && (*result)->exitCode == kExitUsage)
                return {kExitUsage, {}, (*result)->error};
        const std::string netlistSubcircuit = request.opAmp.described() ? opAmpSubcircuit(*figures) : std::string();
        int exitCode = kExitCompleted;
        if (request.saveFile) {
            const FileWriteOutcome saved = replaceFile(*request.saveFile, saveFilter(c));
            if (!saved.done()) {
                err = "torvel-cli: cannot write " + *request.saveFile + ": " + saved.reason + "\n";
                exitCode = kExitWriteFailed;
            }
        }

        if (!request.json) {
            std::string out;
            if (request.cascade.netlist)
                out += cascadeNetlist(c, opAmp, from, to, netlistSubcircuit);
            if (request.cascade.bom)
                out += cascadeBillOfMaterials(c);
            if (noiseResult)
                out += noiseResult->text;
            if (out.empty())
                out = summary(c, headroom, mask ? &verdict : nullptr);
            return {exitCode, tolerance ? out + tolerance->text : out, err};
        }

        const approx::FilterDesign& d = c.design;
        Json json;
        json["response"] = responseKey(d.kind);
        json["approximation"] = approximationKey(d.approximation);
        json["order"] = d.order;
        json["fc"] = d.fcHz;
        json["bandwidth"] = approx::isBand(d.kind) ? Json(d.bandwidthHz) : Json(nullptr);
        json["ripple"] = d.rippleDb;
        json["attenuation"] = d.attenuationDb;
        json["gain"] = d.gain;
        Json sections = Json::array();
        for (const BuiltSection& s : c.sections)
            sections.push_back(sectionJson(s));
        json["sections"] = std::move(sections);
        // Every section inverts: with an odd number of them the built filter is the wanted one times -1.
        json["built_inverts"] = c.sections.size() % 2 == 1;
        json["headroom_db"] = headroom.headroomDb;
        json["headroom"] = {{"section", headroom.section + 1},
                            {"opamp", "A" + std::to_string(headroom.opAmp + 1)},
                            {"frequency", headroom.frequencyHz}};
        if (mask)
            json["mask"] = maskJson(*mask, approx::isBand(d.kind), verdict);
        if (request.pointsGiven) {
            const CascadeCurves curves = cascadeCurves(c, opAmp, from, to, request.output.points);
            Json points = Json::array();
            for (std::size_t i = 0; i < curves.frequencyHz.size(); ++i)
                points.push_back({{"f", curves.frequencyHz[i]},
                                  {"ideal_db", decibels(curves.wanted[i])},
                                  {"built_db", decibels(curves.built[i])},
                                  {"ideal_deg", degrees(curves.wanted[i])},
                                  {"built_deg", degrees(curves.built[i])}});
            json["points"] = std::move(points);
        }
        if (request.cascade.netlist)
            json["netlist"] = cascadeNetlist(c, opAmp, from, to, netlistSubcircuit);
        if (request.cascade.bom)
            json["bom"] = cascadeBillOfMaterials(c);
        if (checks)
            json["checks"] = std::move(checks->json);
        if (noiseResult)
            json["noise"] = std::move(noiseResult->json);
        if (tolerance)
            json.update(tolerance->json);
        return {exitCode, json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", err};
    } catch (const UsageError& error) {
        return {kExitUsage, {}, "torvel-cli: " + error.text + "\n"};
    }
}

}  // namespace torvel::cli
