// Output noise: every resistor's thermal noise and each op-amp's voltage and current noise, as a density
// over frequency and integrated over a band, with each source's share of the total.
//
// Sections run in a row, the output of one driving the input of the next (an op-amp output, so no section
// loads another): the noise a section adds at its output passes through every later section. One section
// is a row of one. Each source reaches the output through the transfer the node equations give
// (`sourceTransfers`): a resistor's thermal noise is a current 4kT/R (A^2/Hz) between its two ends, one of
// which is always an op-amp's inverting input while the other is held by the input or an op-amp output;
// an op-amp's current noise enters its inverting input (the non-inverting input is grounded directly, so
// its current noise flows to ground); its voltage noise sits in series with the non-inverting input.
// Densities are the flat-band values: 1/f noise is not modelled.
#pragma once

#include "cascade/first_order_section.h"
#include "design/circuit_response.h"
#include "opamp/opamp_figures.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace torvel {

/// 27 degrees Celsius, the temperature circuit simulators assume by default, so that their noise
/// analyses compare without a setting.
inline constexpr double kNoiseTemperature = 300.15;
inline constexpr double kBoltzmann = 1.380649e-23;

struct NoiseSection {
    CircuitComponents parts;
    FilterType type = FilterType::Lpf;
    OpAmpFigures opAmp;
    /// A first-order section of one op-amp instead (a whole filter's real pole); `parts` and `type` are
    /// then not read. Its sources: R1 (a current into A1's inverting input), R4 (a voltage in series with
    /// the input branch, which reaches the output as the input does), A1's en and in.
    std::optional<cascade::FirstOrderParts> firstOrder{};
};

struct NoiseSettings {
    double fromHz = 10;   // the density's frequency grid: `points` frequencies evenly on a log scale
    double toHz = 100e3;
    int points = 200;
    double bandLowHz = 20;  // the band the total is integrated over
    double bandHighHz = 20e3;
    int integrationPointsPerDecade = 100;  // the integral's own log grid (trapezoids in f)
};

struct NoiseSource {
    int section = 0;   // 0 for the first section
    std::string name;  // "R4", "A1 en", "A1 in"
    double vrms = 0;   // its own output noise over the band
    double share = 0;  // its part of the total output noise power
};

struct NoiseResult {
    std::vector<double> frequencyHz;
    std::vector<double> density;       // V/sqrt(Hz) at the last section's output
    double totalVrms = 0;              // over the band
    std::vector<NoiseSource> sources;  // largest first
};

/// The settings must describe a grid (0 < fromHz < toHz, points >= 2) and a band (0 < low < high); the
/// sections must not be empty.
NoiseResult outputNoise(std::span<const NoiseSection> sections, const NoiseSettings& settings);

}  // namespace torvel
