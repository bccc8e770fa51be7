#include "design/designer.h"

#include "design/analysis.h"
#include "design/synthesis.h"

namespace torvel {
namespace {

template <typename Command>
CommandOutcome runGuarded(Command command)
{
    try {
        return {command(), {}};
    } catch (const FloatFault& fault) {
        return {CommandStatus::Fault, fault.what()};
    }
}

}  // namespace

void Designer::RadioButton1Click(FilterType sender)
{
    ShowTypeLayout(m_panel, sender);
    m_workingType = workingTypeOf(sender);
}

CommandOutcome Designer::synthesize()
{
    return runGuarded([&] { return runSynthesis(m_panel, m_workingType, m_record); });
}

CommandOutcome Designer::analyze()
{
    return runGuarded([&] { return runAnalysis(m_panel, m_workingType); });
}

}  // namespace torvel
