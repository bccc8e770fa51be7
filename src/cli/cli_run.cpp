#include "cli_run.h"

#include "cli_cascade.h"
#include "cli_optimise.h"
#include "cli_request.h"
#include "cli_tolerance.h"
#include "design/design_file.h"
#include "design/model_session.h"
#include "design/reading.h"
#include "design/realised_values.h"
#include "design/spice_netlist.h"
#include "files/atomic_write.h"
#include "files/bounded_read.h"
#include "opamp/opamp_netlist.h"
#include "opamp_commands.h"
#include "search/optimise_command.h"
#include "panel_report.h"
#include "response_csv.h"

#include <algorithm>
#include <cerrno>
#include <ostream>
#include <sstream>

namespace torvel::cli {
namespace {

// Standard output as the run writes it: each text flushed and checked at once, and nothing written
// after the first failure, whose reason is kept.
class OutputWriter {
public:
    explicit OutputWriter(std::ostream& out) : m_out(out) {}

    bool write(std::string_view text)
    {
        if (m_failure)
            return false;
        errno = 0;
        m_out.write(text.data(), static_cast<std::streamsize>(text.size()));
        m_out.flush();
        if (!m_out)
            m_failure = errno != 0 ? systemReason(errno) : std::string("write error");
        return !m_failure;
    }

    const std::optional<std::string>& failure() const { return m_failure; }

private:
    std::ostream& m_out;
    std::optional<std::string> m_failure;
};

// The texts of the output commands for --json, one per key: a later command of the same kind replaces
// the text of an earlier one, which the object could not hold twice anyway.
class KeyedTexts {
public:
    void set(const std::string& key, std::string text)
    {
        const auto it = std::find_if(m_texts.begin(), m_texts.end(), [&](const auto& entry) { return entry.first == key; });
        if (it != m_texts.end())
            it->second = std::move(text);
        else
            m_texts.emplace_back(key, std::move(text));
    }
    std::vector<std::pair<std::string, std::string>> take() { return std::move(m_texts); }

private:
    std::vector<std::pair<std::string, std::string>> m_texts;
};

// Dumps keep the output JSON whatever bytes the texts hold: torvel-cli's options may carry bytes that are
// not UTF-8, each ill-formed sequence of which is written as U+FFFD.
std::string dumpJson(const nlohmann::ordered_json& json)
{
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

bool runsCommand(const CliRequest& request, Command command)
{
    return std::find(request.commands.begin(), request.commands.end(), command) != request.commands.end();
}

}  // namespace

RunEnd run(int argc, const char* const* argv, std::ostream& out)
{
    OutputWriter writer(out);
    const auto ended = [&writer](int exitCode, std::string err) {
        if (writer.failure()) {
            err += "torvel-cli: cannot write the output: " + *writer.failure() + "\n";
            exitCode = kExitWriteFailed;
        }
        return RunEnd{exitCode, std::move(err)};
    };

    ParseResult parsed = parseCommandLine(argc, argv);
    if (!parsed.request) {
        if (parsed.exitCode != kExitCompleted)
            return {parsed.exitCode, parsed.output};
        writer.write(parsed.output);  // the help text
        return ended(kExitCompleted, {});
    }
    const CliRequest& request = *parsed.request;
    if (request.commands.front() == Command::Cascade) {
        RunResult cascade = runCascade(request);
        writer.write(cascade.out);
        return ended(cascade.exitCode, std::move(cascade.err));
    }

    // Checked before anything runs, so that a usage error leaves no output of earlier commands behind.
    std::optional<ResponseSweep> sweep;
    if (runsCommand(request, Command::Response)) {
        ResponseSweepOutcome read = readResponseSweep(request.output);
        if (!read.sweep)
            return {kExitUsage, "torvel-cli: " + read.error + "\n"};
        sweep = read.sweep;
    }

    ModelSession session;
    if (request.loadFile) {
        const FileReadOutcome file = readRegularFile(*request.loadFile, kDesignFileMaxBytes);
        const std::optional<std::string> refused = file.done() ? loadDesign(session.panel, file.bytes) : file.reason;
        if (refused)
            return {kExitUsage, "torvel-cli: " + *request.loadFile + ": " + *refused + "\n"};
    }
    if (request.type)
        session.panel.checkRadio(*request.type);
    for (const auto& [field, text] : request.fieldTexts)
        session.panel.setFieldText(field, text);
    if (request.resistorSeries)
        session.panel.setComboText(Combo::EvalE1, *request.resistorSeries);
    if (request.capacitorSeries)
        session.panel.setComboText(Combo::EvalE2, *request.capacitorSeries);

    const bool opAmpCommand = runsCommand(request, Command::Precorrect) || runsCommand(request, Command::Noise);
    if (request.opAmp.described() || opAmpCommand)
        if (const std::string error = opAmpOptionsError(request); !error.empty())
            return {kExitUsage, "torvel-cli: " + error + "\n"};
    if (runsCommand(request, Command::Tolerance))
        if (const std::string error = toleranceOptionsError(request.tolerance); !error.empty())
            return {kExitUsage, "torvel-cli: " + error + "\n"};
    std::optional<search::SearchOptions> optimiseOptions;
    if (runsCommand(request, Command::Optimise)) {
        std::string error;
        optimiseOptions = searchOptions(request.optimise, error);
        if (!optimiseOptions)
            return {kExitUsage, "torvel-cli: " + error + "\n"};
    }

    int exitCode = kExitCompleted;
    std::string err;
    std::string fault;
    std::optional<RealisedValues> realised;
    std::optional<nlohmann::ordered_json> toleranceJson;
    std::optional<search::SectionResult> searched;  // the last optimise's result
    PartsDescription built;                         // how its elements are built, for netlist and bom
    std::vector<std::pair<std::string, nlohmann::ordered_json>> opAmpKeys;  // JSON of the op-amp commands
    std::string opAmpSummary;  // their text after the panel's, for a design command
    KeyedTexts jsonOutputs;
    bool printedOutput = false;
    // Output commands print their text alone, so that it can be piped into a simulator or a sheet; with
    // --json their texts become keys of the object instead.
    const auto output = [&](const std::string& key, std::string text) {
        if (request.json)
            jsonOutputs.set(key, std::move(text));
        else
            writer.write(text);
        printedOutput = true;
    };
    for (Command command : request.commands) {
        CommandOutcome outcome;
        if (command == Command::Precorrect) {
            OpAmpCommandResult result = runPrecorrect(session, request);
            if (result.exitCode == kExitUsage)
                return ended(kExitUsage, result.error);
            outcome = result.outcome;
            err += result.error;
            if (!result.json.is_null())
                opAmpKeys.emplace_back("precorrected", std::move(result.json));
            opAmpSummary += result.text;
            if (result.exitCode != kExitCompleted) {
                exitCode = result.exitCode;
                break;
            }
        } else if (command == Command::Synth) {
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
        } else if (const std::optional<CircuitComponents> parts = ReadCircuitComponents(session.panel); !parts) {
            outcome.status = CommandStatus::StoppedAtField;
        } else {
            const FilterType type = checkedFilterType(session.panel);
            // The op-amp is read only where it is used, so that --gbw stays a response option for the
            // netlist and the parts list, as it has always been.
            std::string opAmpError;
            const bool usesOpAmp = request.opAmp.described() && (command == Command::Response || command == Command::Netlist);
            const std::optional<OpAmpFigures> opAmp = usesOpAmp ? opAmpOf(request, opAmpError) : std::optional<OpAmpFigures>(OpAmpFigures{});
            if (!opAmp)
                return ended(kExitUsage, "torvel-cli: " + opAmpError + "\n");
            if (command == Command::Netlist && usesOpAmp) {
                // The described op-amp as the subcircuit, with its pole and its noise.
                output("netlist",
                       spiceNetlist(*parts, type, OpAmpNetlistForm::Subcircuit, 10, 100e3, opAmpSubcircuit(*opAmp), built));
            } else if (command == Command::Netlist) {
                const auto form = request.output.subcircuit ? OpAmpNetlistForm::Subcircuit : OpAmpNetlistForm::InlineSources;
                output("netlist", spiceNetlist(*parts, type, form, 10, 100e3, {}, built));
            } else if (command == Command::Noise) {
                OpAmpCommandResult result = runNoise(*parts, type, request);
                if (result.exitCode == kExitUsage)
                    return ended(kExitUsage, result.error);
                // With --json the key holds the noise as an object; otherwise its text is the output.
                if (request.json)
                    opAmpKeys.emplace_back("noise", std::move(result.json));
                else
                    writer.write(result.text);
                printedOutput = true;
            } else if (command == Command::Bom) {
                const auto [resistors, capacitors] = ReadSeriesSizes(session.panel);
                output("bom", billOfMaterials(*parts, type, resistors, capacitors, built));
            } else if (command == Command::Tolerance) {
                ToleranceReport report = sectionTolerance(*parts, type, request);
                if (!report.error.empty())
                    return ended(kExitUsage, "torvel-cli: " + report.error + "\n");
                if (request.json)
                    toleranceJson = std::move(report.json);
                else
                    writer.write(report.text);
                printedOutput = true;
            } else {
                const OpAmpModel model = usesOpAmp ? opAmp->model() : sweep->opAmp;
                const ResponseCurves curves = frequencyResponse(*parts, type, model, sweep->fromHz, sweep->toHz, sweep->points);
                if (const std::optional<FaultKind> kind = responseFault(curves)) {
                    outcome = {CommandStatus::Fault, faultText(*kind)};
                } else if (request.json) {
                    std::string csv;
                    writeResponseCsv(curves, [&csv](std::string_view piece) { csv += piece; return true; });
                    output("response", std::move(csv));
                } else {
                    writeResponseCsv(curves, [&writer](std::string_view piece) { return writer.write(piece); });
                    printedOutput = true;
                }
                if (usesOpAmp && outcome.status == CommandStatus::Completed) {
                    // The swing and slew checks of the described op-amp: warnings on stderr, the figures as a key.
                    OpAmpCommandResult checks = responseChecks(*parts, type, request);
                    if (checks.exitCode == kExitUsage)
                        return ended(kExitUsage, checks.error);
                    err += checks.error;
                    opAmpKeys.emplace_back("checks", std::move(checks.json));
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

    bool saveFailed = false;
    if (request.saveFile) {
        const FileWriteOutcome saved = replaceFile(*request.saveFile, saveDesign(session.panel));
        if (!saved.done()) {
            err += "torvel-cli: cannot write " + *request.saveFile + ": " + saved.reason + "\n";
            saveFailed = true;
        }
    }

    const std::string* faultText = exitCode == kExitFault ? &fault : nullptr;
    const WorkingType workingType = session.designer.workingType();
    if (request.json) {
        nlohmann::ordered_json json = panelJson(session.panel, workingType, faultText);
        json["realised"] = realised ? realisedJson(*realised) : nlohmann::ordered_json(nullptr);
        if (searched)
            json["search"] = searchJson(*searched);
        for (auto& [key, text] : jsonOutputs.take())
            json[key] = std::move(text);
        if (toleranceJson)
            json.update(*toleranceJson);
        // The op-amp commands' keys hold objects; where a command also printed text ("noise"), the object
        // takes the key.
        for (auto& [key, value] : opAmpKeys)
            json[key] = std::move(value);
        writer.write(dumpJson(json));
    } else if (printedOutput) {
        // Stdout holds the output texts alone; how the run stopped goes to stderr.
        std::istringstream problems(exitCode != kExitCompleted ? panelProblems(session.panel, faultText) : std::string());
        for (std::string line; std::getline(problems, line);)
            err += "torvel-cli: " + line + "\n";
    } else {
        std::string summary = panelSummary(session.panel, workingType, faultText);
        if (realised)
            summary += realisedSummary(*realised);
        summary += opAmpSummary;
        if (searched)
            summary += searchSummary(*searched);
        writer.write(summary);
    }
    return ended(saveFailed ? kExitWriteFailed : exitCode, std::move(err));
}

RunResult run(int argc, const char* const* argv)
{
    std::ostringstream out;
    RunEnd end = run(argc, argv, out);
    return {end.exitCode, out.str(), std::move(end.err)};
}

}  // namespace torvel::cli
