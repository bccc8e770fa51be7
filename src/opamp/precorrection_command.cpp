#include "opamp/precorrection_command.h"

#include "design/filter_types.h"
#include "design/panel_model.h"
#include "design/synthesis.h"

namespace torvel {
namespace {

// The panel's texts, series and type on an in-memory panel that shows the same layout.
void copyPanel(const DesignPanel& from, PanelModel& to)
{
    to.onTypeChecked([&to](FilterType type) { ShowTypeLayout(to, type); });
    to.checkRadio(checkedFilterType(from));
    ShowTypeLayout(to, checkedFilterType(from));
    for (Field field : kAllFields)
        to.setFieldText(field, from.fieldText(field));
    to.setComboText(Combo::EvalE1, from.comboText(Combo::EvalE1));
    to.setComboText(Combo::EvalE2, from.comboText(Combo::EvalE2));
}

}  // namespace

PrecorrectionOutcome runPrecorrection(DesignPanel& panel, const OpAmpModel& opAmp)
{
    PrecorrectionOutcome outcome;
    PanelModel scratch;
    copyPanel(panel, scratch);
    try {
        DesignRecord record;
        if (runSynthesis(scratch, workingTypeOf(checkedFilterType(scratch)), record) == CommandStatus::StoppedAtField) {
            for (const ShownMessage& message : scratch.messages())
                panel.CenteredMessage(message.text, message.kind, MessageButtons::Ok);
            outcome.command.status = CommandStatus::StoppedAtField;
            return outcome;
        }
        const FilterType type = checkedFilterType(scratch);
        outcome.result = precorrect(record, type, opAmp);
        if (outcome.result->status != PrecorrectionStatus::Corrected)
            return outcome;
        if (!panel.radioChecked(type))
            panel.checkRadio(type);
        for (Label label : kAllLabels)
            panel.setLabelText(label, "");
        WriteElements(panel, outcome.result->record);
    } catch (const FloatFault& fault) {
        outcome.command = {CommandStatus::Fault, fault.what()};
    }
    return outcome;
}

}  // namespace torvel
