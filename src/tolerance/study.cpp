#include "tolerance/study.h"

namespace torvel::tolerance {

Study studySection(const cascade::SectionCircuit& circuit, const MonteCarloSettings& settings, const RunControl& control)
{
    Study study;
    SectionMonteCarlo mc = sectionMonteCarlo(circuit, settings, control);
    study.status = mc.status;
    study.error = mc.error;
    if (mc.status != RunStatus::Completed)
        return study;
    study.runs = mc.runs;
    study.yield = mc.yield();
    study.sections.push_back(std::move(mc.section));
    study.envelope = sectionEnvelope(circuit, settings.tolerances, settings.opAmp, mc.band.frequencyHz);
    study.worstCases.push_back(sectionWorstCase(circuit, settings.tolerances, settings.opAmp));
    study.band = std::move(mc.band);
    return study;
}

Study studyCascade(const cascade::Cascade& cascade, const CascadeMonteCarloSettings& settings, const RunControl& control)
{
    Study study;
    CascadeMonteCarlo mc = cascadeMonteCarlo(cascade, settings, control);
    study.status = mc.status;
    study.error = mc.error;
    if (mc.status != RunStatus::Completed)
        return study;
    CascadeWorstCase worst = cascadeWorstCase(cascade, settings.common.tolerances, settings.common.opAmp,
                                              mc.band.frequencyHz, settings.mask, settings.maskPoints);
    study.runs = mc.runs;
    study.yield = mc.yield();
    study.sections = std::move(mc.sections);
    study.worstCases = std::move(worst.sections);
    study.envelope = std::move(worst.envelope);
    study.worstCaseMeetsMask = worst.maskMet;
    study.band = std::move(mc.band);
    return study;
}

}  // namespace torvel::tolerance
