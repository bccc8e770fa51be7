// Monte Carlo analysis of a whole filter: every section's parts drawn in each run, the filter's response
// checked against its mask on a grid of points, the band its response stays in, and each section's
// figures.
#pragma once

#include "approx/mask_fit.h"
#include "cascade/cascade.h"
#include "tolerance/monte_carlo.h"

namespace torvel::tolerance {

struct CascadeMonteCarloSettings {
    MonteCarloSettings common;            // tolerances, seed, runs, op-amps, band; limits apply to every section
    std::optional<approx::Mask> mask;     // judged against when given
    int maskPoints = 200;                 // how many points of the mask each run is checked on (maskGrid)
    bool sectionFigures = true;           // keep each section's fo, Q, H, fn per run
};

struct CascadeMonteCarlo {
    RunStatus status = RunStatus::Refused;
    std::string error;
    std::int64_t runs = 0;
    std::vector<SectionRuns> sections;   // in cascade order, when sectionFigures was asked for
    std::optional<std::int64_t> passed;  // runs that met the mask and every section's limits, when judged
    ResponseBand band;                   // of the whole filter

    std::optional<double> yield() const;
};

/// Run i draws the parts of every section in cascade order from the stream of (seed, i) (twelve draws per
/// section, first-order ones included), so a run is the same board on any number of threads.
CascadeMonteCarlo cascadeMonteCarlo(const cascade::Cascade& cascade, const CascadeMonteCarloSettings& settings,
                                    const RunControl& control = {});

}  // namespace torvel::tolerance
