#include "cli_run.h"

#include "cli_optimise.h"
#include "cli_request.h"
#include "design/design_file.h"
#include "design/model_session.h"
#include "design/reading.h"
#include "design/realised_values.h"
#include "design/spice_netlist.h"
#include "panel_report.h"
#include "search/optimise_command.h"
#include "values/engineering_notation.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace torvel::cli {
namespace {

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string responseCsv(const CircuitComponents& parts, FilterType type, const OutputSettings& settings,
                        std::string& error)
{
    OpAmpModel opAmp;
    if (!settings.gainBandwidth.empty()) {
        opAmp.gainBandwidthHz = ParseEngineering(settings.gainBandwidth);
        if (!(opAmp.gainBandwidthHz > 0)) {
            error = "--gbw must be a positive frequency";
            return {};
        }
    }
    const double from = ParseEngineering(settings.from);
    const double to = ParseEngineering(settings.to);
    if (!(from > 0) || !(to > from) || !std::isfinite(to)) {
        error = "--from and --to must be frequencies with 0 < from < to";
        return {};
    }
    const ResponseCurves curves = frequencyResponse(parts, type, opAmp, from, to, settings.points);
    const int outputs = curves.hasA4 ? 4 : 3;
    std::string csv = "frequency_hz";
    for (int k = 1; k <= outputs; ++k)
        csv += ",v" + std::to_string(k) + "_db,v" + std::to_string(k) + "_deg";
    csv += "\n";
    char cell[64];
    for (std::size_t i = 0; i < curves.frequencyHz.size(); ++i) {
        std::snprintf(cell, sizeof cell, "%.6g", curves.frequencyHz[i]);
        csv += cell;
        for (std::size_t k = 0; k < static_cast<std::size_t>(outputs); ++k) {
            std::snprintf(cell, sizeof cell, ",%.6f,%.4f", curves.levelDb[k][i], curves.phaseDeg[k][i]);
            csv += cell;
        }
        csv += "\n";
    }
    return csv;
}

}  // namespace

RunResult run(int argc, const char* const* argv)
{
    ParseResult parsed = parseCommandLine(argc, argv);
    if (!parsed.request) {
        if (parsed.exitCode == kExitCompleted)
            return {kExitCompleted, parsed.output, {}};
        return {parsed.exitCode, {}, parsed.output};
    }
    const CliRequest& request = *parsed.request;

    ModelSession session;
    if (request.loadFile) {
        const std::optional<std::string> text = readFile(*request.loadFile);
        const std::optional<std::string> refused =
            text ? loadDesign(session.panel, *text) : std::optional<std::string>("cannot be read");
        if (refused)
            return {kExitUsage, {}, "torvel-cli: " + *request.loadFile + ": " + *refused + "\n"};
    }
    if (request.type)
        session.panel.checkRadio(*request.type);
    for (const auto& [field, text] : request.fieldTexts)
        session.panel.setFieldText(field, text);
    if (request.resistorSeries)
        session.panel.setComboText(Combo::EvalE1, *request.resistorSeries);
    if (request.capacitorSeries)
        session.panel.setComboText(Combo::EvalE2, *request.capacitorSeries);

    std::optional<search::SearchOptions> optimiseOptions;
    if (std::find(request.commands.begin(), request.commands.end(), Command::Optimise) != request.commands.end()) {
        std::string error;
        optimiseOptions = searchOptions(request.optimise, error);
        if (!optimiseOptions)
            return {kExitUsage, {}, "torvel-cli: " + error + "\n"};
    }

    int exitCode = kExitCompleted;
    std::string fault;
    std::optional<RealisedValues> realised;
    std::optional<search::SectionResult> searched;  // the last optimise's result
    PartsDescription built;                         // how its elements are built, for netlist and bom
    std::vector<std::pair<std::string, std::string>> outputs;  // (JSON key, text) of the output commands
    for (Command command : request.commands) {
        CommandOutcome outcome;
        if (command == Command::Synth) {
            outcome = session.designer.synthesize();
            if (outcome.status == CommandStatus::Completed)
                realised = realisedValues(session.designer.record(), checkedFilterType(session.panel));
        } else if (command == Command::Analyze) {
            outcome = session.designer.analyze();
        } else if (command == Command::Optimise) {
            search::OptimiseOutcome optimised = search::runOptimise(session.panel, *optimiseOptions);
            outcome = optimised.command;
            searched = optimised.result;
            if (optimised.written()) {
                realised = searched->realised;
                built = searched->partsDescription();
            } else if (searched) {
                exitCode = kExitNoSolution;
                break;
            }
        } else {
            const std::optional<CircuitComponents> parts = ReadCircuitComponents(session.panel);
            if (!parts) {
                outcome.status = CommandStatus::StoppedAtField;
            } else {
                const FilterType type = checkedFilterType(session.panel);
                if (command == Command::Netlist) {
                    const auto form = request.output.subcircuit ? OpAmpNetlistForm::Subcircuit : OpAmpNetlistForm::InlineSources;
                    outputs.emplace_back("netlist", spiceNetlist(*parts, type, form, 10, 100e3, built));
                } else if (command == Command::Bom) {
                    const auto [resistors, capacitors] = ReadSeriesSizes(session.panel);
                    outputs.emplace_back("bom", billOfMaterials(*parts, type, resistors, capacitors, built));
                } else {
                    std::string error;
                    std::string csv = responseCsv(*parts, type, request.output, error);
                    if (!error.empty())
                        return {kExitUsage, {}, "torvel-cli: " + error + "\n"};
                    outputs.emplace_back("response", std::move(csv));
                }
            }
        }
        if (outcome.status == CommandStatus::StoppedAtField) {
            exitCode = kExitStoppedAtField;
            break;
        }
        if (outcome.status == CommandStatus::Fault) {
            exitCode = kExitFault;
            fault = outcome.faultText;
            break;
        }
    }

    std::string err;
    if (request.saveFile) {
        std::ofstream out(*request.saveFile, std::ios::binary | std::ios::trunc);
        out << saveDesign(session.panel);
        if (!out)
            err = "torvel-cli: cannot write " + *request.saveFile + "\n";
    }

    const std::string* faultText = exitCode == kExitFault ? &fault : nullptr;
    const WorkingType workingType = session.designer.workingType();
    if (request.json) {
        nlohmann::ordered_json json = panelJson(session.panel, workingType, faultText);
        json["realised"] = realised ? realisedJson(*realised) : nlohmann::ordered_json(nullptr);
        if (searched)
            json["search"] = searchJson(*searched);
        for (const auto& [key, text] : outputs)
            json[key] = text;
        return {exitCode, json.dump() + "\n", err};
    }
    if (!outputs.empty()) {
        // Output commands print their text alone, so that it can be piped into a simulator or a sheet.
        std::string out;
        for (const auto& [key, text] : outputs)
            out += text;
        return {exitCode, out, err};
    }
    std::string summary = panelSummary(session.panel, workingType, faultText);
    if (realised)
        summary += realisedSummary(*realised);
    if (searched)
        summary += searchSummary(*searched);
    return {exitCode, summary, err};
}

}  // namespace torvel::cli
