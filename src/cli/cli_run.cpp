#include "cli_run.h"

#include "cli_request.h"
#include "design/model_session.h"
#include "panel_report.h"

namespace torvel::cli {

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
    if (request.type)
        session.panel.checkRadio(*request.type);
    for (const auto& [field, text] : request.fieldTexts)
        session.panel.setFieldText(field, text);
    if (request.resistorSeries)
        session.panel.setComboText(Combo::EvalE1, *request.resistorSeries);
    if (request.capacitorSeries)
        session.panel.setComboText(Combo::EvalE2, *request.capacitorSeries);

    int exitCode = kExitCompleted;
    std::string fault;
    for (Command command : request.commands) {
        const CommandOutcome outcome =
            command == Command::Synth ? session.designer.synthesize() : session.designer.analyze();
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

    const std::string* faultText = exitCode == kExitFault ? &fault : nullptr;
    const int workingType = session.designer.workingType();
    if (request.json)
        return {exitCode, panelJson(session.panel, workingType, faultText).dump() + "\n", {}};
    return {exitCode, panelSummary(session.panel, workingType, faultText), {}};
}

}  // namespace torvel::cli
