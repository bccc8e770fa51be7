#include "search/optimise_command.h"

#include "design/reading.h"
#include "design/synthesis.h"
#include "values/e_series.h"

namespace torvel::search {

std::optional<SectionRequest> readOptimiseRequest(DesignPanel& panel, const SearchOptions& options)
{
    DesignRecord record;
    ReadDesignSettings(panel, record);
    if (ReadParameters(panel, record) == Reading::StoppedAtField)
        return std::nullopt;
    if (workingTypeOf(checkedFilterType(panel)) == WorkingType::Tzf)
        switchTransmissionZeroType(panel, record);
    SectionRequest request;
    request.type = checkedFilterType(panel);
    request.H = record.H.value();
    request.fo = record.fo.value();
    request.Q = record.Q.value();
    request.fn = filterTypeInfo(request.type).hasZero ? record.fn.value() : 0;
    request.resistorSeries = record.ResistorSeriesSize;
    request.capacitorSeries = record.CapacitorSeriesSize;
    request.standardImpedance = record.StandardImpedance.value();
    request.options = options;
    return request;
}

void applyOptimiseResult(DesignPanel& panel, const SectionResult& result)
{
    if (result.status == SearchStatus::Cancelled)
        return;
    if (result.status == SearchStatus::NoSolution) {
        panel.CenteredMessage("\r\n最適化: 許容範囲の部品では実現できません。\r\n(" + result.reason + ")",
                              MessageKind::Warning, MessageButtons::Ok);
        return;
    }
    for (const ChosenElement& e : result.elements)
        panel.setFieldText(e.build.element, e.text);
    // The series the parts come from, in the form the synthesis leaves them.
    const auto [resistors, capacitors] = ReadSeriesSizes(panel);
    panel.setComboText(Combo::EvalE1, SeriesSizeToText(resistors));
    panel.setComboText(Combo::EvalE2, SeriesSizeToText(capacitors));
    panel.ProcessPendingMessages();
}

OptimiseOutcome runOptimise(DesignPanel& panel, const SearchOptions& options, const SearchControl& control)
{
    OptimiseOutcome outcome;
    std::optional<SectionRequest> request;
    try {
        request = readOptimiseRequest(panel, options);
    } catch (const FloatFault& fault) {
        outcome.command = {CommandStatus::Fault, fault.what()};
        return outcome;
    }
    if (!request) {
        outcome.command.status = CommandStatus::StoppedAtField;
        return outcome;
    }
    outcome.result = findBestValues(*request, control);
    applyOptimiseResult(panel, *outcome.result);
    return outcome;
}

}  // namespace torvel::search
