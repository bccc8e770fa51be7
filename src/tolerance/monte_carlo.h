// Monte Carlo analysis of one section: many boards built from parts drawn within their tolerances, the
// spread of their fo, Q, H and fn, the band their response stays in, and the share within the limits.
#pragma once

#include "cascade/section_circuit.h"
#include "tolerance/run_control.h"
#include "tolerance/statistics.h"
#include "tolerance/tolerances.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace torvel::tolerance {

inline constexpr std::int64_t kMaxRuns = 1'000'000;

/// The response band's levels are kept for every run until their percentiles are taken; past this many
/// values (64 MB) the band's frequencies are thinned (bandFrequencies).
inline constexpr std::int64_t kMaxBandValues = 16'000'000;

struct MonteCarloSettings {
    Tolerances tolerances;
    std::uint64_t seed = 1;
    std::int64_t runs = 1000;
    FigureLimits limits;
    OpAmpModel opAmp;
    std::vector<double> bandFrequencyHz;  // where the response band is wanted; empty for none
};

/// Why settings cannot run (runs outside 1 ... kMaxRuns, a tolerance outside 0 ... kMaxTolerance, a
/// limit that is not a positive number); empty when they can.
std::string settingsError(const MonteCarloSettings& settings);

/// The frequencies the band is computed at: `wanted`, every k-th of them when runs x points would pass
/// kMaxBandValues (the last one always kept).
std::vector<double> bandFrequencies(const std::vector<double>& wanted, std::int64_t runs);

/// At each frequency, the nominal level and the band that holds 95 % of the runs: the 2.5th and the 97.5th
/// percentile of their levels (dB, per volt of input).
struct ResponseBand {
    std::vector<double> frequencyHz, nominalDb, lowDb, highDb;
};

/// The runs of one section's figures.
struct SectionRuns {
    SectionForm form;
    Figures nominal;
    std::array<std::vector<double>, kFigureCount> samples;  // run i's figure at [i]
    std::array<Statistics, kFigureCount> statistics;

    const std::vector<double>& samplesOf(Figure f) const { return samples[static_cast<std::size_t>(f)]; }
    const Statistics& statisticsOf(Figure f) const { return statistics[static_cast<std::size_t>(f)]; }
};

struct SectionMonteCarlo {
    RunStatus status = RunStatus::Refused;
    std::string error;      // why it was refused
    std::int64_t runs = 0;
    SectionRuns section;
    std::optional<std::int64_t> passed;  // runs within every limit, when there is a limit
    ResponseBand band;

    std::optional<double> yield() const;
};

/// Runs `settings.runs` boards of the section; run i draws from the stream of (seed, i). Nothing but the
/// status and the error is filled when cancelled or refused.
SectionMonteCarlo sectionMonteCarlo(const cascade::SectionCircuit& circuit, const MonteCarloSettings& settings,
                                    const RunControl& control = {});

/// Fills a SectionRuns' statistics from its samples.
void computeStatistics(SectionRuns& runs);

}  // namespace torvel::tolerance
