#include "opamp_commands.h"

#include "opamp/cascade_checks.h"
#include "opamp/cascade_noise.h"
#include "opamp/noise.h"
#include "opamp/opamp_catalogue.h"
#include "opamp/precorrection_command.h"
#include "opamp/signal_checks.h"
#include "panel_report.h"
#include "values/engineering_notation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <tuple>
#include <utility>

namespace torvel::cli {
namespace {

constexpr double kDefaultAmplitude = 1;
constexpr double kDefaultBandLow = 20;
constexpr double kDefaultBandHigh = 20e3;

std::optional<double> finite(std::string_view text)
{
    const double value = ParseEngineering(text);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

// "V" as -V ... V, or "LO,HI". The value texts themselves ignore commas, so the pair is split first.
std::optional<std::pair<double, double>> range(const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) {
        const std::optional<double> v = finite(text);
        if (!v || !(*v > 0))
            return std::nullopt;
        return std::pair{-*v, *v};
    }
    const std::optional<double> lo = finite(std::string_view(text).substr(0, comma));
    const std::optional<double> hi = finite(std::string_view(text).substr(comma + 1));
    if (!lo || !hi || !(*lo < *hi))
        return std::nullopt;
    return std::pair{*lo, *hi};
}

std::string catalogueNames()
{
    std::string names;
    for (const CatalogueEntry& entry : opAmpCatalogue())
        names += std::string(entry.name) + ", ";
    return names + std::string(kCustomOpAmp);
}

// A positive figure in the option's unit, scaled to SI.
bool readFigure(const std::optional<std::string>& text, const char* option, double unit, double& into, std::string& error)
{
    if (!text)
        return true;
    const std::optional<double> v = finite(*text);
    if (!v || !(*v >= 0)) {
        error = std::string(option) + " must be a number >= 0";
        return false;
    }
    into = *v * unit;
    return true;
}

nlohmann::ordered_json orNull(double value)
{
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json opAmpJson(const OpAmpFigures& figures)
{
    return {{"name", figures.name},
            {"gbw_hz", figures.ideal() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(figures.gainBandwidthHz)},
            {"slew_v_per_us", orNull(figures.slewRate * 1e-6)},
            {"output_low_v", orNull(figures.outputLow())},
            {"output_high_v", orNull(figures.outputHigh())},
            {"en_nv_per_rthz", figures.voltageNoise * 1e9},
            {"in_pa_per_rthz", figures.currentNoise * 1e12}};
}

std::optional<std::pair<double, double>> frequencyRange(const OutputSettings& settings)
{
    const double from = ParseEngineering(settings.from);
    const double to = ParseEngineering(settings.to);
    if (!(from > 0) || !(to > from) || !std::isfinite(to))
        return std::nullopt;
    return std::pair{from, to};
}

// "20,20k": the noise band's edges, lower first.
std::optional<std::pair<double, double>> bandOf(const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    const std::optional<double> lo = finite(text.substr(0, comma));
    const std::optional<double> hi = finite(text.substr(comma + 1));
    if (!lo || !hi || !(*lo > 0) || !(*hi > *lo))
        return std::nullopt;
    return std::pair{*lo, *hi};
}

OpAmpCommandResult usage(std::string error)
{
    OpAmpCommandResult result;
    result.exitCode = kExitUsage;
    result.error = "torvel-cli: " + error + "\n";
    return result;
}

std::optional<double> amplitudeOf(const CliRequest& request)
{
    if (!request.opAmp.amplitude)
        return kDefaultAmplitude;
    const std::optional<double> a = finite(*request.opAmp.amplitude);
    if (!a || !(*a > 0))
        return std::nullopt;
    return a;
}

// The density as CSV and as JSON, then the sources and the total; a whole filter's sources carry their
// section's number (R4.2, "A1.3 en"), as its parts list names parts.
OpAmpCommandResult noiseReport(const NoiseResult& noise, const NoiseSettings& settings, const OpAmpFigures& figures, bool numbered)
{
    OpAmpCommandResult result;
    nlohmann::ordered_json density = nlohmann::ordered_json::array();
    std::string csv = "frequency_hz,v_per_rthz\n";
    char cell[128];
    for (std::size_t i = 0; i < noise.frequencyHz.size(); ++i) {
        density.push_back({{"f", noise.frequencyHz[i]}, {"v_per_rthz", noise.density[i]}});
        std::snprintf(cell, sizeof cell, "%.6g,%.6e\n", noise.frequencyHz[i], noise.density[i]);
        csv += cell;
    }
    nlohmann::ordered_json sources = nlohmann::ordered_json::array();
    csv += "\nsource,uv_rms,share\n";
    for (const NoiseSource& s : noise.sources) {
        sources.push_back({{"section", s.section + 1}, {"name", s.name}, {"uv_rms", s.vrms * 1e6}, {"share", s.share}});
        // The section's number goes on the part's reference: R4.2, "A1.3 en".
        std::string name = s.name;
        if (numbered)
            name.insert(std::min(name.find(' '), name.size()), "." + std::to_string(s.section + 1));
        std::snprintf(cell, sizeof cell, "%s,%.6g,%.6f\n", name.c_str(), s.vrms * 1e6, s.share);
        csv += cell;
    }
    std::snprintf(cell, sizeof cell, "total,%.6g,1\n", noise.totalVrms * 1e6);
    csv += cell;
    result.text = csv;
    result.json = {{"opamp", opAmpJson(figures)},
                   {"temperature_k", kNoiseTemperature},
                   {"band_hz", {settings.bandLowHz, settings.bandHighHz}},
                   {"density", density},
                   {"total_uv_rms", noise.totalVrms * 1e6},
                   {"sources", sources}};
    return result;
}

nlohmann::ordered_json checkJson(const OutputCheck& c)
{
    return {{"peak_v", c.peakV},
            {"peak_hz", c.peakHz},
            {"swing_margin_v", orNull(c.swingMarginV)},
            {"slew_needed", c.slewNeeded * 1e-6},
            {"slew_hz", c.slewHz},
            {"slew_margin", orNull(c.slewMargin * 1e-6)}};
}

// Each warning as a line of stderr and as an entry of the JSON.
nlohmann::ordered_json warningsOf(const std::vector<std::string>& lines, std::string& error)
{
    nlohmann::ordered_json warnings = nlohmann::ordered_json::array();
    for (const std::string& w : lines) {
        warnings.push_back(w);
        error += "torvel-cli: warning: " + w + "\n";
    }
    return warnings;
}

const char* const kOutputNames[] = {"A1", "A2", "A3", "A4"};

const char* const kBandError = "--band must be F1,F2 with 0 < F1 < F2";

// A typed --band replaces the band the settings hold; false when it does not read.
bool readBand(const CliRequest& request, NoiseSettings& settings)
{
    if (!request.opAmp.band)
        return true;
    const std::optional<std::pair<double, double>> band = bandOf(*request.opAmp.band);
    if (!band)
        return false;
    std::tie(settings.bandLowHz, settings.bandHighHz) = *band;
    return true;
}

}  // namespace

std::optional<OpAmpFigures> opAmpOf(const CliRequest& request, std::string& error)
{
    const OpAmpOptions& o = request.opAmp;
    std::optional<OpAmpFigures> figures = opAmpByName(o.name.value_or(std::string(kCustomOpAmp)));
    if (!figures) {
        error = "unknown op-amp \"" + *o.name + "\" (use " + catalogueNames() + ")";
        return std::nullopt;
    }
    if (!request.output.gainBandwidth.empty()) {
        figures->gainBandwidthHz = ParseEngineering(request.output.gainBandwidth);
        if (!(figures->gainBandwidthHz > 0) || !std::isfinite(figures->gainBandwidthHz)) {
            error = "--gbw must be a positive frequency";
            return std::nullopt;
        }
    }
    if (o.supply) {
        const std::optional<std::pair<double, double>> rails = range(*o.supply);
        if (!rails) {
            error = "--supply must be V (for +-V) or LO,HI with LO < HI";
            return std::nullopt;
        }
        if (!std::isfinite(figures->railPositive)) {
            figures->headroomNegative = 0;
            figures->headroomPositive = 0;
        }
        setSupply(*figures, rails->first, rails->second);
    }
    if (o.swing) {
        const std::optional<std::pair<double, double>> limits = range(*o.swing);
        if (!limits) {
            error = "--swing must be V (for +-V) or LO,HI with LO < HI";
            return std::nullopt;
        }
        // Typed limits are the output's own: on finite rails they become the headroom to each.
        if (!std::isfinite(figures->railPositive) || !std::isfinite(figures->railNegative))
            setSupply(*figures, limits->first, limits->second);
        figures->headroomNegative = limits->first - figures->railNegative;
        figures->headroomPositive = figures->railPositive - limits->second;
    }
    double slewRate = figures->slewRate;
    if (!readFigure(o.slew, "--slew", 1e6, slewRate, error) || !readFigure(o.en, "--en", 1e-9, figures->voltageNoise, error)
        || !readFigure(o.in, "--in", 1e-12, figures->currentNoise, error))
        return std::nullopt;
    if (o.slew && !(slewRate > 0)) {
        error = "--slew must be a positive rate";
        return std::nullopt;
    }
    figures->slewRate = slewRate;
    if (o.name == std::nullopt && (o.slew || o.swing || o.supply || o.en || o.in || !request.output.gainBandwidth.empty()))
        figures->name = std::string(kCustomOpAmp);
    return figures;
}

OpAmpCommandResult runPrecorrect(ModelSession& session, const CliRequest& request)
{
    std::string error;
    const std::optional<OpAmpFigures> figures = opAmpOf(request, error);
    if (!figures)
        return usage(error);
    OpAmpCommandResult result;
    const PrecorrectionOutcome outcome = runPrecorrection(session.panel, figures->model());
    result.outcome = outcome.command;
    if (!outcome.result)
        return result;
    const Precorrection& p = *outcome.result;
    result.json = {{"opamp", opAmpJson(*figures)}, {"bandwidth_load", p.bandwidthLoad}};
    char line[160];
    std::snprintf(line, sizeof line, "precorrected for %s (4 Q fo / GBW = %.4g):\n", figures->name.c_str(), p.bandwidthLoad);
    result.text = line;
    if (p.status != PrecorrectionStatus::Corrected) {
        result.json["refused"] = p.refusal;
        result.exitCode = kExitNoCorrection;
        result.error = "torvel-cli: " + p.refusal + "\n";
        result.text += "  refused: " + p.refusal + "\n";
        return result;
    }
    const nlohmann::ordered_json panelFields = panelJson(session.panel, session.designer.workingType(), nullptr)["fields"];
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    for (const char* key : {"C1", "C2", "R1", "R2", "R3", "R4", "R5", "R6", "R7", "R8", "R9", "R10"})
        fields[key] = panelFields[key];
    result.json["fields"] = fields;
    result.json["realised"] = realisedJson(p.realised);
    result.json["uncorrected"] = p.uncorrected ? realisedJson(*p.uncorrected) : nlohmann::ordered_json(nullptr);
    result.text += realisedSummary(p.realised);
    if (p.uncorrected)
        result.text += "without the correction, " + realisedSummary(*p.uncorrected);
    return result;
}

OpAmpCommandResult runNoise(const CircuitComponents& parts, FilterType type, const CliRequest& request)
{
    std::string error;
    const std::optional<OpAmpFigures> figures = opAmpOf(request, error);
    if (!figures)
        return usage(error);
    const std::optional<std::pair<double, double>> grid = frequencyRange(request.output);
    if (!grid)
        return usage("--from and --to must be frequencies with 0 < from < to");
    NoiseSettings settings;
    settings.fromHz = grid->first;
    settings.toHz = grid->second;
    settings.points = request.output.points;
    settings.bandLowHz = kDefaultBandLow;
    settings.bandHighHz = kDefaultBandHigh;
    if (!readBand(request, settings))
        return usage(kBandError);
    const NoiseSection section{parts, type, *figures};
    return noiseReport(outputNoise(std::span(&section, 1), settings), settings, *figures, false);
}

std::string opAmpOptionsError(const CliRequest& request)
{
    std::string error;
    if (!opAmpOf(request, error))
        return error;
    if (request.opAmp.amplitude) {
        const std::optional<double> a = finite(*request.opAmp.amplitude);
        if (!a || !(*a > 0))
            return "--amplitude must be a positive peak voltage";
    }
    if (request.opAmp.band && !bandOf(*request.opAmp.band))
        return kBandError;
    return {};
}

OpAmpCommandResult responseChecks(const CircuitComponents& parts, FilterType type, const CliRequest& request)
{
    std::string error;
    const std::optional<OpAmpFigures> figures = opAmpOf(request, error);
    if (!figures)
        return usage(error);
    const std::optional<std::pair<double, double>> grid = frequencyRange(request.output);
    if (!grid)
        return usage("--from and --to must be frequencies with 0 < from < to");
    const std::optional<double> amplitude = amplitudeOf(request);
    if (!amplitude)
        return usage("--amplitude must be a positive peak voltage");
    const SignalChecks checks = checkSignal(parts, type, *figures, *amplitude, grid->first, grid->second);
    OpAmpCommandResult result;
    nlohmann::ordered_json outputs = nlohmann::ordered_json::object();
    for (const OutputCheck& c : checks.outputs)
        outputs[kOutputNames[outputIndex(c.amplifier)]] = checkJson(c);
    result.json = {{"opamp", opAmpJson(*figures)}, {"amplitude_v", *amplitude}, {"from_hz", grid->first},
                   {"to_hz", grid->second}, {"opamps", outputs}, {"warnings", warningsOf(checks.warnings, result.error)}};
    return result;
}

OpAmpCommandResult cascadeChecks(const cascade::Cascade& cascade, const CliRequest& request, double fromHz, double toHz)
{
    std::string error;
    const std::optional<OpAmpFigures> figures = opAmpOf(request, error);
    if (!figures)
        return usage(error);
    const std::optional<double> amplitude = amplitudeOf(request);
    if (!amplitude)
        return usage("--amplitude must be a positive peak voltage");
    const CascadeSignalChecks checks = checkCascadeSignal(cascade, *figures, *amplitude, fromHz, toHz);
    OpAmpCommandResult result;
    nlohmann::ordered_json outputs = nlohmann::ordered_json::array();
    for (const CascadeOutputCheck& c : checks.outputs) {
        nlohmann::ordered_json entry = {{"section", c.section + 1}, {"opamp", kOutputNames[outputIndex(c.check.amplifier)]}};
        entry.update(checkJson(c.check));
        outputs.push_back(std::move(entry));
    }
    result.json = {{"opamp", opAmpJson(*figures)}, {"amplitude_v", *amplitude}, {"from_hz", fromHz},
                   {"to_hz", toHz}, {"opamps", outputs}, {"warnings", warningsOf(checks.warnings, result.error)}};
    return result;
}

OpAmpCommandResult runCascadeNoise(const cascade::Cascade& cascade, const CliRequest& request, double fromHz, double toHz)
{
    std::string error;
    const std::optional<OpAmpFigures> figures = opAmpOf(request, error);
    if (!figures)
        return usage(error);
    NoiseSettings settings;
    settings.fromHz = fromHz;
    settings.toHz = toHz;
    settings.points = request.output.points;
    const NoiseBand passband = passbandOf(cascade);
    settings.bandLowHz = passband.lowHz;
    settings.bandHighHz = passband.highHz;
    if (!readBand(request, settings))
        return usage(kBandError);
    const std::vector<NoiseSection> sections = cascadeNoiseSections(cascade, *figures);
    OpAmpCommandResult result = noiseReport(outputNoise(sections, settings), settings, *figures, true);
    // Which band the total covers: the one asked for, or the filter's passband.
    result.json["band"] = request.opAmp.band ? "given" : "passband";
    return result;
}

}  // namespace torvel::cli
