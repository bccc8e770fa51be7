// One tolerance study as a window shows it: the worst case and the Monte Carlo runs of a section or of
// a whole filter, in one shape, so that a front end draws either the same way.
#pragma once

#include "tolerance/cascade_monte_carlo.h"
#include "tolerance/worst_case.h"

namespace torvel::tolerance {

struct Study {
    RunStatus status = RunStatus::Refused;
    std::string error;
    std::int64_t runs = 0;
    std::vector<SectionRuns> sections;       // one for a section, in cascade order for a filter
    std::vector<SectionWorstCase> worstCases;
    ResponseBand band;                       // of the output (the filter's output for a cascade)
    LevelEnvelope envelope;                  // the worst case's, on the band's frequencies
    std::optional<double> yield;
    std::optional<bool> worstCaseMeetsMask;  // a cascade judged against its mask
};

/// The band and envelope on `settings.bandFrequencyHz` (thinned as bandFrequencies does).
Study studySection(const cascade::SectionCircuit& circuit, const MonteCarloSettings& settings, const RunControl& control = {});
Study studyCascade(const cascade::Cascade& cascade, const CascadeMonteCarloSettings& settings, const RunControl& control = {});

}  // namespace torvel::tolerance
