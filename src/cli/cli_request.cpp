#include "cli_request.h"

#include "design/filter_types.h"

#include <CLI/CLI.hpp>

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
                   "synth (回路定数算出), analyze (伝達関数算出), netlist (SPICE), bom (CSV), response (CSV), "
                   "optimise (最適化: E-series parts closest to H, fo, Q, fn); several run in order on one panel")
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
    app.add_option("--gbw", request.output.gainBandwidth, "response: op-amp gain-bandwidth product (e.g. 1M); ideal if not given");
    app.add_option("--from", request.output.from, "response: lowest frequency (default 10)");
    app.add_option("--to", request.output.to, "response: highest frequency (default 100k)");
    app.add_option("--points", request.output.points, "response: number of frequencies (default 200)")
        ->check(CLI::Range(2, 1000000));
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
            result.output = "torvel-cli: unknown command \"" + name + "\" (use synth, analyze, netlist, bom or response)\n";
            return result;
        }
        request.commands.push_back(*command);
    }
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
