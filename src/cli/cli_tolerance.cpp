#include "cli_tolerance.h"

#include "cascade/cascade_names.h"
#include "tolerance/cascade_monte_carlo.h"
#include "tolerance/frequency_grid.h"
#include "tolerance/sensitivity.h"
#include "tolerance/worst_case.h"
#include "values/engineering_notation.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace torvel::cli {
namespace {

using Json = nlohmann::ordered_json;
using namespace torvel::tolerance;

// "1%", "1 %" or "1": a percentage, as a fraction.
std::optional<double> readPercent(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '%'))
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value / 100;
}

struct Settings {
    MonteCarloSettings monteCarlo;
    std::optional<double> levelAtHz;
    std::string error;
};

Settings readSettings(const ToleranceOptions& o)
{
    Settings s;
    Tolerances& t = s.monteCarlo.tolerances;
    const auto percent = [&](const std::string& option, const std::string& text) {
        const std::optional<double> value = readPercent(text);
        if (!value && s.error.empty())
            s.error = option + " must be a percentage such as 1%, not \"" + text + "\"";
        return value.value_or(0);
    };
    t.resistor = percent("--tol-R", o.resistor);
    t.capacitor = percent("--tol-C", o.capacitor);
    for (const std::string& part : o.parts) {
        const std::size_t equals = part.find('=');
        int slot = -1;
        for (int k = 0; k < kPartSlots && equals != std::string::npos; ++k)
            if (partName(k) == part.substr(0, equals))
                slot = k;
        if (slot < 0) {
            if (s.error.empty())
                s.error = "--tol takes a part and its tolerance, such as R3=0.1%, not \"" + part + "\"";
            continue;
        }
        t.perPart[static_cast<std::size_t>(slot)] = percent("--tol", part.substr(equals + 1));
    }
    const std::optional<Distribution> distribution = distributionFromName(o.distribution);
    if (!distribution && s.error.empty())
        s.error = "--dist must be uniform or normal, not \"" + o.distribution + "\"";
    t.distribution = distribution.value_or(Distribution::Uniform);
    s.monteCarlo.runs = o.runs;
    s.monteCarlo.seed = o.seed;
    const std::array<std::pair<const char*, const std::optional<std::string>*>, kFigureCount> limits = {
        {{"--fo-limit", &o.foLimit}, {"--Q-limit", &o.qLimit}, {"--H-limit", &o.hLimit}, {"--fn-limit", &o.fnLimit}}};
    for (std::size_t k = 0; k < limits.size(); ++k)
        if (*limits[k].second)
            s.monteCarlo.limits.relative[k] = percent(limits[k].first, **limits[k].second);
    if (o.levelAt) {
        const double f = ParseEngineering(*o.levelAt);
        if (!(f > 0 && std::isfinite(f)) && s.error.empty())
            s.error = "--level-at must be a frequency above 0 Hz";
        s.levelAtHz = f;
    }
    if (s.error.empty())
        s.error = settingsError(s.monteCarlo);
    return s;
}

// Progress on stderr, when a person is watching it: a line that counts up in place.
RunControl progressControl(int threads)
{
    RunControl control;
    control.threads = threads;
    if (isatty(STDERR_FILENO)) {
        control.progress = [shown = -1](std::int64_t done, std::int64_t total) mutable {
            const int percent = static_cast<int>(100 * done / std::max<std::int64_t>(total, 1));
            if (percent == shown)
                return;
            shown = percent;
            std::fprintf(stderr, "\rtorvel-cli: Monte Carlo %3d %% (%lld of %lld runs)%s", percent, static_cast<long long>(done),
                         static_cast<long long>(total), done >= total ? "\n" : "");
            std::fflush(stderr);
        };
    }
    return control;
}

Json number(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }

Json sensitivityJson(const SectionSensitivities& s)
{
    Json json = Json::object();
    for (Figure f : kAllFigures) {
        if (!hasFigure(s.form, f)) {
            json[std::string(figureName(f))] = nullptr;
            continue;
        }
        Json parts = Json::object();
        for (const SensitivityRow& row : sortedByFigure(s.rows, f))
            parts[std::string(partName(row.slot))] = number(row.of(f));
        json[std::string(figureName(f))] = std::move(parts);
    }
    if (s.levelFrequencyHz) {
        std::vector<SensitivityRow> rows = s.rows;
        std::stable_sort(rows.begin(), rows.end(), [](const SensitivityRow& a, const SensitivityRow& b) {
            return std::abs(a.level) > std::abs(b.level);
        });
        Json parts = Json::object();
        for (const SensitivityRow& row : rows)
            parts[std::string(partName(row.slot))] = number(row.level);
        json["level"] = {{"f", *s.levelFrequencyHz}, {"nominal_db", number(s.nominalLevelDb)}, {"parts", std::move(parts)}};
    }
    return json;
}

Json worstCaseJson(const SectionWorstCase& w)
{
    Json json = Json::object();
    json["corners"] = w.corners;
    for (Figure f : kAllFigures) {
        const FigureExtremes& e = w.of(f);
        json[std::string(figureName(f))] =
            hasFigure(w.form, f) ? Json{{"nominal", number(e.nominal)}, {"min", number(e.low)}, {"max", number(e.high)}} : Json(nullptr);
    }
    return json;
}

Json statisticsJson(const SectionRuns& runs)
{
    Json json = Json::object();
    for (Figure f : kAllFigures) {
        const Statistics& s = runs.statisticsOf(f);
        json[std::string(figureName(f))] =
            hasFigure(runs.form, f)
                ? Json{{"mean", number(s.mean)}, {"std", number(s.std)}, {"p1", number(s.p1)}, {"p99", number(s.p99)}}
                : Json(nullptr);
    }
    return json;
}

Json settingsJson(const MonteCarloSettings& s)
{
    Json json = Json::object();
    json["runs"] = s.runs;
    json["seed"] = s.seed;
    json["distribution"] = distributionName(s.tolerances.distribution);
    Json tolerances = {{"R", s.tolerances.resistor}, {"C", s.tolerances.capacitor}};
    for (int k = 0; k < kPartSlots; ++k)
        if (const auto& own = s.tolerances.perPart[static_cast<std::size_t>(k)])
            tolerances[std::string(partName(k))] = *own;
    json["tolerances"] = std::move(tolerances);
    Json limits = Json::object();
    for (Figure f : kAllFigures)
        if (s.limits.of(f))
            limits[std::string(figureName(f))] = *s.limits.of(f);
    json["limits"] = std::move(limits);
    return json;
}

Json yieldJson(const std::optional<double>& yield) { return yield ? Json(*yield) : Json(nullptr); }

// --- text ----------------------------------------------------------------------------------------

[[gnu::format(printf, 1, 2)]] std::string format(const char* pattern, ...)
{
    char line[256];
    va_list values;
    va_start(values, pattern);
    std::vsnprintf(line, sizeof line, pattern, values);
    va_end(values);
    return line;
}

// What rounds to zero at four decimals prints as 0.0000, not as "-0.0000" from a rounding error's sign.
double shown(double s) { return std::abs(s) < 5e-5 ? 0.0 : s; }

std::string sensitivityText(const SectionSensitivities& s)
{
    std::string out = "sensitivity S = (dy/y)/(dx/x), largest first:\n  part        fo         Q         H        fn";
    if (s.levelFrequencyHz)
        out += format("  level@%gHz", *s.levelFrequencyHz);
    out += "\n";
    for (const SensitivityRow& row : s.rows) {
        out += format("  %-4s", std::string(partName(row.slot)).c_str());
        for (Figure f : kAllFigures)
            out += std::isnan(row.of(f)) ? std::string("         -") : format(" %9.4f", shown(row.of(f)));
        if (s.levelFrequencyHz)
            out += format(" %11.4f", shown(row.level));
        out += "\n";
    }
    return out;
}

std::string worstCaseText(const SectionWorstCase& w)
{
    std::string out = format("worst case over %lld corners:\n", static_cast<long long>(w.corners));
    for (Figure f : kAllFigures) {
        const FigureExtremes& e = w.of(f);
        if (hasFigure(w.form, f))
            out += format("  %-2s %12.6g  min %12.6g (%+.3f %%)  max %12.6g (%+.3f %%)\n", std::string(figureName(f)).c_str(),
                          e.nominal, e.low, (e.low / e.nominal - 1) * 100, e.high, (e.high / e.nominal - 1) * 100);
    }
    return out;
}

std::string statisticsText(const SectionRuns& runs)
{
    std::string out;
    for (Figure f : kAllFigures) {
        const Statistics& s = runs.statisticsOf(f);
        if (hasFigure(runs.form, f))
            out += format("  %-2s mean %12.6g  std %10.4g (%.3f %%)  p1 %12.6g  p99 %12.6g\n", std::string(figureName(f)).c_str(),
                          s.mean, s.std, s.std / s.mean * 100, s.p1, s.p99);
    }
    return out;
}

std::string monteCarloHeader(const MonteCarloSettings& s)
{
    return format("monte carlo: %lld runs, seed %llu, %s, R %g %%, C %g %%%s\n", static_cast<long long>(s.runs),
                  static_cast<unsigned long long>(s.seed), std::string(distributionName(s.tolerances.distribution)).c_str(),
                  s.tolerances.resistor * 100, s.tolerances.capacitor * 100,
                  s.tolerances.distribution == Distribution::Normal ? " (tolerance = 3 sigma)" : "");
}

std::string yieldText(const std::optional<double>& yield, const std::string& against)
{
    if (!yield)
        return "yield: not judged (no limits" + std::string(against.empty() ? "" : " or mask") + ")\n";
    return format("yield: %.2f %% %s\n", *yield * 100, against.c_str());
}

std::string limitsText(const FigureLimits& limits)
{
    std::string out;
    for (Figure f : kAllFigures)
        if (limits.of(f))
            out += format("%s%s +-%g %%", out.empty() ? "" : ", ", std::string(figureName(f)).c_str(), *limits.of(f) * 100);
    return out;
}

}  // namespace

void addToleranceOptions(CLI::App& app, ToleranceOptions& o)
{
    app.add_option("--tol-R", o.resistor, "tolerance: resistors' tolerance (default 1%)");
    app.add_option("--tol-C", o.capacitor, "tolerance: capacitors' tolerance (default 5%)");
    app.add_option("--tol", o.parts, "tolerance: one part's own tolerance, e.g. R3=0.1% (repeatable)");
    app.add_option("--dist", o.distribution, "tolerance: uniform, or normal with tolerance = 3 sigma (default uniform)");
    app.add_option("--runs", o.runs, "tolerance: Monte Carlo runs (default 1000)")->check(CLI::Range(std::int64_t(1), kMaxRuns));
    app.add_option("--seed", o.seed, "tolerance: seed of the random streams (default 1)");
    app.add_option("--fo-limit", o.foLimit, "tolerance: largest deviation of fo for the yield, e.g. 2%");
    app.add_option("--Q-limit", o.qLimit, "tolerance: largest deviation of Q for the yield");
    app.add_option("--H-limit", o.hLimit, "tolerance: largest deviation of H for the yield");
    app.add_option("--fn-limit", o.fnLimit, "tolerance: largest deviation of fn for the yield");
    app.add_option("--level-at", o.levelAt, "tolerance: also the sensitivities of the output's level at this frequency");
    app.add_option("--threads", o.threads, "tolerance: threads for the Monte Carlo runs (default 0: every core)")
        ->check(CLI::Range(0, 256));
}

std::string toleranceOptionsError(const ToleranceOptions& options) { return readSettings(options).error; }

ToleranceReport sectionTolerance(const CircuitComponents& parts, FilterType type, const CliRequest& request)
{
    ToleranceReport report;
    Settings settings = readSettings(request.tolerance);
    if (!settings.error.empty()) {
        report.error = settings.error;
        return report;
    }
    if (!request.output.gainBandwidth.empty()) {
        settings.monteCarlo.opAmp.gainBandwidthHz = ParseEngineering(request.output.gainBandwidth);
        if (!(settings.monteCarlo.opAmp.gainBandwidthHz > 0) || !std::isfinite(settings.monteCarlo.opAmp.gainBandwidthHz)) {
            report.error = "--gbw must be a positive frequency";
            return report;
        }
    }
    const MonteCarloSettings& mc = settings.monteCarlo;
    const cascade::SectionCircuit circuit = cascade::secondOrderCircuit(parts, type);
    const SectionSensitivities sensitivities = sectionSensitivities(circuit, mc.opAmp, settings.levelAtHz);
    const SectionWorstCase worst = sectionWorstCase(circuit, mc.tolerances, mc.opAmp);
    const SectionMonteCarlo runs = sectionMonteCarlo(circuit, mc, progressControl(request.tolerance.threads));
    if (runs.status != RunStatus::Completed) {
        report.error = runs.error;
        return report;
    }

    report.json["sensitivity"] = sensitivityJson(sensitivities);
    report.json["worst_case"] = worstCaseJson(worst);
    Json monteCarlo = settingsJson(mc);
    monteCarlo.update(statisticsJson(runs.section));
    report.json["monte_carlo"] = std::move(monteCarlo);
    report.json["yield"] = yieldJson(runs.yield());

    report.text = sensitivityText(sensitivities) + worstCaseText(worst) + monteCarloHeader(mc) + statisticsText(runs.section)
                + yieldText(runs.yield(), mc.limits.any() ? "within " + limitsText(mc.limits) : "");
    return report;
}

ToleranceReport cascadeTolerance(const cascade::Cascade& c, const CliRequest& request, const OpAmpModel& opAmp,
                                 double fromHz, double toHz)
{
    ToleranceReport report;
    Settings settings = readSettings(request.tolerance);
    if (!settings.error.empty()) {
        report.error = settings.error;
        return report;
    }
    CascadeMonteCarloSettings mc;
    mc.common = settings.monteCarlo;
    mc.common.opAmp = opAmp;
    const std::vector<double> grid = logGrid(fromHz, toHz, request.output.points);
    mc.common.bandFrequencyHz = grid;
    mc.mask = c.request.filter.mask;
    const CascadeWorstCase worst = cascadeWorstCase(c, mc.common.tolerances, opAmp, grid, mc.mask);
    const CascadeMonteCarlo runs = cascadeMonteCarlo(c, mc, progressControl(request.tolerance.threads));
    if (runs.status != RunStatus::Completed) {
        report.error = runs.error;
        return report;
    }

    Json sensitivity = Json::array(), worstSections = Json::array(), statistics = Json::array();
    std::string sectionsText;
    for (std::size_t k = 0; k < c.sections.size(); ++k) {
        const cascade::BuiltSection& section = c.sections[k];
        const SectionSensitivities s = sectionSensitivities(section.circuit, opAmp, settings.levelAtHz);
        const Json head = {{"section", k + 1}, {"kind", cascade::sectionKey(section.kind)}};
        Json one = head;
        one.update(sensitivityJson(s));
        sensitivity.push_back(std::move(one));
        one = head;
        one.update(worstCaseJson(worst.sections[k]));
        worstSections.push_back(std::move(one));
        one = head;
        one.update(statisticsJson(runs.sections[k]));
        statistics.push_back(std::move(one));
        sectionsText += format("section %zu (%s)\n", k + 1, std::string(cascade::sectionKey(section.kind)).c_str())
                      + sensitivityText(s) + worstCaseText(worst.sections[k]) + "monte carlo:\n" + statisticsText(runs.sections[k]);
    }
    Json envelope = Json::array(), band = Json::array();
    for (std::size_t i = 0; i < worst.envelope.frequencyHz.size(); ++i)
        envelope.push_back({{"f", worst.envelope.frequencyHz[i]}, {"nominal_db", number(worst.envelope.nominalDb[i])},
                            {"min_db", number(worst.envelope.lowDb[i])}, {"max_db", number(worst.envelope.highDb[i])}});
    for (std::size_t i = 0; i < runs.band.frequencyHz.size(); ++i)
        band.push_back({{"f", runs.band.frequencyHz[i]}, {"nominal_db", number(runs.band.nominalDb[i])},
                        {"p2_5_db", number(runs.band.lowDb[i])}, {"p97_5_db", number(runs.band.highDb[i])}});

    report.json["sensitivity"] = std::move(sensitivity);
    report.json["worst_case"] = {{"sections", std::move(worstSections)},
                                 {"envelope", std::move(envelope)},
                                 {"mask_met", worst.maskMet ? Json(*worst.maskMet) : Json(nullptr)}};
    Json monteCarlo = settingsJson(mc.common);
    monteCarlo["mask"] = mc.mask.has_value();
    monteCarlo["mask_points"] = mc.mask ? Json(mc.maskPoints) : Json(nullptr);
    monteCarlo["sections"] = std::move(statistics);
    monteCarlo["band"] = std::move(band);
    report.json["monte_carlo"] = std::move(monteCarlo);
    report.json["yield"] = yieldJson(runs.yield());

    std::string against;
    if (mc.mask)
        against = "meeting the mask";
    if (mc.common.limits.any())
        against += (against.empty() ? "" : " and ") + ("within " + limitsText(mc.common.limits) + " in every section");
    report.text = monteCarloHeader(mc.common) + sectionsText
                + (worst.maskMet ? std::string("worst case: the mask is ") + (*worst.maskMet ? "met at every corner\n" : "missed at some corner\n") : "")
                + yieldText(runs.yield(), against);
    return report;
}

}  // namespace torvel::cli
