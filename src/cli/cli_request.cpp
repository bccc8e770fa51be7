#include "cli_request.h"

#include "design/filter_types.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>

namespace torvel::cli {
namespace {

// Commands that later versions add answer with a usage error until they exist.
std::optional<Command> commandFromName(const std::string& name)
{
    if (name == "synth")
        return Command::Synth;
    if (name == "analyze")
        return Command::Analyze;
    if (name == "netlist")
        return Command::Netlist;
    if (name == "bom")
        return Command::Bom;
    if (name == "response")
        return Command::Response;
    if (name == "cascade")
        return Command::Cascade;
    if (name == "tolerance")
        return Command::Tolerance;
    if (name == "precorrect")
        return Command::Precorrect;
    if (name == "noise")
        return Command::Noise;
    if (name == "optimise")
        return Command::Optimise;
    return std::nullopt;
}

}  // namespace

ParseResult parseCommandLine(int argc, const char* const* argv)
{
    CLI::App app{"Torvel without a window: runs the design commands on an in-memory panel that starts as the "
                 "window does (LPF, Z = 4.7K, resistors E24, capacitors E6).",
                 "torvel-cli"};
    app.get_formatter()->column_width(24);

    std::vector<std::string> commandNames;
    app.add_option("COMMAND", commandNames,
                   "synth (回路定数算出), analyze (伝達関数算出), netlist (SPICE), bom (CSV), response (CSV), precorrect (synthesis "
                   "corrected for the op-amp), noise (CSV), tolerance, optimise (最適化: E-series parts closest to H, fo, Q, fn); "
                   "several run in order on one panel; or cascade (a whole filter of these sections), alone or as cascade tolerance "
                   "or cascade noise")
        ->required();

    std::optional<std::string> typeName;
    app.add_option("--type", typeName,
                   "filter type: LPF, HPF, BPF, \"TZF (Wo<Wn)\", \"TZF (Wn<Wo)\", \"Notch(Wo=Wn)\", APF, or "
                   "lpf, hpf, bpf, tzf-low, tzf-high, notch, apf");

    std::map<Field, std::string> texts;
    for (Field field : kAllFields) {
        const std::string name = "--" + std::string(fieldInfo(field).key);
        app.add_option_function<std::string>(name, [&texts, field](const std::string& text) { texts[field] = text; },
                                             "text of the field " + std::string(fieldInfo(field).key));
    }
    CliRequest request;
    app.add_option("--E1", request.resistorSeries, "resistor E-series: 6, 12, 24, 48, 96, 192 or ∞");
    app.add_option("--E2", request.capacitorSeries, "capacitor E-series: 6, 12, 24, 48, 96 or 192");
    app.add_flag("--json", request.json, "print the panel as one JSON object");
    app.add_option("--load", request.loadFile, "open a design file before the other options act");
    app.add_option("--save", request.saveFile, "save the panel after the commands as a design file");
    app.add_flag("--subckt", request.output.subcircuit, "netlist: op-amps as the swappable subcircuit OPAMP");
    app.add_option("--gbw", request.output.gainBandwidth, "op-amp gain-bandwidth product (e.g. 1M); ideal if not given");
    app.add_option("--from", request.output.from, "response: lowest frequency (default 10)");
    app.add_option("--to", request.output.to, "response: highest frequency (default 100k)");
    app.add_option("--points", request.output.points,
                   "response: number of frequencies, 2 to " + std::to_string(kMaxResponsePoints) + " (default 200)")
        ->check(CLI::Range(2, kMaxResponsePoints));

    CascadeOptions& c = request.cascade;
    app.add_option("--response", c.response, "cascade: lp, hp, bp or bs");
    app.add_option("--approx", c.approximation, "cascade: butterworth, chebyshev, bessel, inverse-chebyshev or elliptic");
    app.add_option("--order", c.order, "cascade: order of the low-pass prototype, 1 to 12 (bp/bs have twice the poles)");
    app.add_option("--fc", c.fc, "cascade: cut-off (lp, hp) or centre frequency (bp, bs), e.g. 12k");
    app.add_option("--bw", c.bandwidth, "cascade: bandwidth of bp and bs");
    app.add_option("--fp", c.fp, "cascade mask: passband edge (bp, bs: F1,F2)");
    app.add_option("--fs", c.fs, "cascade mask: stopband edge (bp, bs: F1,F2)");
    app.add_option("--Ap", c.Ap, "cascade mask: most passband loss, dB");
    app.add_option("--As", c.As, "cascade mask: least stopband attenuation, dB");
    app.add_option("--ripple", c.ripple, "cascade: passband ripple of chebyshev and elliptic, dB (default 1)");
    app.add_option("--atten", c.attenuation, "cascade: stopband attenuation of inverse-chebyshev and elliptic, dB (default 40)");
    app.add_option("--gain", c.gain, "cascade: the filter's highest passband gain G (default 1)");
    app.add_flag("--netlist", c.netlist, "cascade: print the whole cascade as one SPICE netlist");
    app.add_flag("--bom", c.bom, "cascade: print one parts list of every section");
    addToleranceOptions(app, request.tolerance);

    app.add_option("--opamp", request.opAmp.name, "op-amp: a built-in name (NE5532, TL071, ...) or custom");
    app.add_option("--slew", request.opAmp.slew, "op-amp slew rate, V/us");
    app.add_option("--swing", request.opAmp.swing, "op-amp output limits, V: 13 for +-13, or -12,13");
    app.add_option("--supply", request.opAmp.supply, "op-amp supply rails, V: 15 for +-15, or 0,5 (headroom kept)");
    app.add_option("--en", request.opAmp.en, "op-amp input voltage noise, nV/sqrt(Hz)");
    app.add_option("--in", request.opAmp.in, "op-amp input current noise, pA/sqrt(Hz)");
    app.add_option("--amplitude", request.opAmp.amplitude, "response, cascade: input peak in V for the swing and slew checks (default 1)");
    app.add_option("--band", request.opAmp.band, "noise: band of the total, F1,F2 (default 20,20k; cascade noise: the passband)");

    OptimiseSettings& optimise = request.optimise;
    app.add_flag("--keep-equal-c", optimise.keepEqualC, "optimise: keep C2 = C1");
    app.add_flag("--keep-r5-r6", optimise.keepR5R6, "optimise: keep R6 = R5");
    app.add_option("--pairs", optimise.pairs, "optimise: elements that may be two parts in series or parallel, e.g. R1,R3");
    app.add_option("--r-min", optimise.resistorLow, "optimise: smallest resistor (default 1k)");
    app.add_option("--r-max", optimise.resistorHigh, "optimise: largest resistor (default 1M)");
    app.add_option("--c-min", optimise.capacitorLow, "optimise: smallest capacitor (default 100p)");
    app.add_option("--c-max", optimise.capacitorHigh, "optimise: largest capacitor (default 10u)");
    app.add_option("--max-error", optimise.largestErrorPercent, "optimise: refuse a design missing a figure by more % (default 5)")
        ->check(CLI::PositiveNumber);
    app.add_option("--time-limit", optimise.timeLimitSeconds,
                   "optimise: return the best design found after this many seconds, unproven (default: none)")
        ->check(CLI::NonNegativeNumber);

    ParseResult result;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        result.output = app.help();
        return result;
    } catch (const CLI::ParseError& e) {
        result.exitCode = kExitUsage;
        result.output = std::string("torvel-cli: ") + e.what() + "\nRun with --help for more information.\n";
        return result;
    }

    for (const std::string& name : commandNames) {
        const std::optional<Command> command = commandFromName(name);
        if (!command) {
            result.exitCode = kExitUsage;
            result.output = "torvel-cli: unknown command \"" + name
                + "\" (use synth, analyze, netlist, bom, response, precorrect, noise, tolerance, optimise or cascade)\n";
            return result;
        }
        request.commands.push_back(*command);
    }
    const bool cascade = std::find(request.commands.begin(), request.commands.end(), Command::Cascade) != request.commands.end();
    // A whole filter's tolerances and its noise are the commands that may follow cascade.
    const bool cascadeFollowed = request.commands == std::vector{Command::Cascade, Command::Tolerance}
        || request.commands == std::vector{Command::Cascade, Command::Noise};
    if (cascade && request.commands.size() > 1 && !cascadeFollowed) {
        result.exitCode = kExitUsage;
        result.output = "torvel-cli: cascade designs a whole filter and runs alone\n";
        return result;
    }
    request.pointsGiven = app.count("--points") > 0;
    request.fromGiven = app.count("--from") > 0;
    request.toGiven = app.count("--to") > 0;
    if (typeName) {
        request.type = filterTypeFromName(*typeName);
        if (!request.type) {
            result.exitCode = kExitUsage;
            result.output = "torvel-cli: unknown filter type \"" + *typeName + "\"\n";
            return result;
        }
    }
    for (auto& [field, text] : texts)
        request.fieldTexts.emplace_back(field, std::move(text));
    result.request = std::move(request);
    return result;
}

}  // namespace torvel::cli
