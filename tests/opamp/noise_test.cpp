// Output noise: the transfers from internal sources, a worked low-pass at DC, the sum of sources, a flat
// band's integral and a row of sections.
#include "opamp/noise.h"
#include "opamp/opamp_catalogue.h"
#include "opamp_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvel {
namespace {

using opamp_test::synthesised;

constexpr double kFourKT = 4 * kBoltzmann * kNoiseTemperature;

TEST(SourceTransfers, TheInputIsACurrentIntoTheVirtualGrounds)
{
    // With ideal op-amps the input drives 1/R4 into A1's inverting input and 1/R9 into A4's, both held
    // at 0 V, so the response is the sum of those currents' transfers; with real ones the transfer from
    // the input is still the solver's response.
    for (FilterType type : kAllFilterTypes) {
        const CircuitComponents p = componentsOf(synthesised(type, 1000, 3, "24"));
        for (double f : {20.0, 900.0, 1000.0, 7e3}) {
            const SourceTransfers ideal = sourceTransfers(p, type, OpAmpModel{}, f);
            std::complex<double> currents = ideal.fromInvertingCurrent[0] / p.r(4);
            if (filterTypeInfo(type).hasA4)
                currents += ideal.fromInvertingCurrent[3] / p.r(9);
            EXPECT_LT(std::abs(currents - ideal.fromInput), 1e-9 * std::abs(ideal.fromInput)) << filterTypeInfo(type).cliName << " " << f;
            const OpAmpModel real{2e5, 1e5};
            const std::complex<double> solved = solveCircuit(p, type, real, f)[static_cast<std::size_t>(outputIndex(filterTypeInfo(type).output))];
            EXPECT_LT(std::abs(sourceTransfers(p, type, real, f).fromInput - solved), 1e-9 * std::abs(solved));
        }
    }
}

TEST(OutputNoise, WorkedLowPassAtDc)
{
    // At DC, with ideal op-amps, the capacitors are open and the loop forces V1 = 0 unless a current
    // enters A2's input. A current I into A1's input gives V3 = -R3 I (R1, R3, R4 all meet there); into
    // A2's input, V1 = -R2 I and then V3 = R3 R2 I / R1; into A3's input, nothing. So
    //   e^2 = 4kT (R3^2/R4 + R3^2/R3 + R3^2/R1 + (R2 R3/R1)^2 / R2).
    const DesignRecord record = synthesised(FilterType::Lpf, 1000, 2, "24");
    const CircuitComponents p = componentsOf(record);
    const NoiseSection section{p, FilterType::Lpf, OpAmpFigures{}};
    NoiseSettings settings;
    settings.fromHz = 0.01;  // fo / 1e5: the capacitors' part is 1e-10 of the result
    settings.toHz = 0.02;
    settings.points = 2;
    const NoiseResult noise = outputNoise(std::span(&section, 1), settings);
    const double R1 = p.r(1), R2 = p.r(2), R3 = p.r(3), R4 = p.r(4);
    const double expected = std::sqrt(kFourKT * (R3 * R3 / R4 + R3 + R3 * R3 / R1 + R2 * R3 * R3 / (R1 * R1)));
    EXPECT_NEAR(noise.density[0] / expected, 1, 1e-6);
}

TEST(OutputNoise, SourcesAddUpAndComeLargestFirst)
{
    const struct { FilterType type; std::size_t sources; } rows[] = {
        {FilterType::Lpf, 6 + 3 * 2},     // R1-R6, en and in of A1-A3
        {FilterType::TzfLow, 10 + 4 * 2},  // R1-R10, en and in of A1-A4
        {FilterType::Notch, 9 + 4 * 2},    // no R8
    };
    for (const auto& row : rows) {
        const NoiseSection section{componentsOf(synthesised(row.type, 1000, 2, "24")), row.type, *opAmpByName("NE5532")};
        const NoiseResult noise = outputNoise(std::span(&section, 1), NoiseSettings{});
        ASSERT_EQ(noise.sources.size(), row.sources) << filterTypeInfo(row.type).cliName;
        double shares = 0, power = 0;
        for (std::size_t i = 0; i < noise.sources.size(); ++i) {
            shares += noise.sources[i].share;
            power += noise.sources[i].vrms * noise.sources[i].vrms;
            if (i > 0) {
                EXPECT_GE(noise.sources[i - 1].share, noise.sources[i].share);
            }
        }
        EXPECT_NEAR(shares, 1, 1e-12);
        EXPECT_NEAR(std::sqrt(power) / noise.totalVrms, 1, 1e-12);
    }
}

TEST(OutputNoise, FlatBandIntegratesToDensityTimesWidth)
{
    // A low-pass at 100 kHz is flat from 1 to 10 Hz to within 1e-8.
    const NoiseSection section{componentsOf(synthesised(FilterType::Lpf, 100e3, 0.707, "24")), FilterType::Lpf, *opAmpByName("OP27")};
    NoiseSettings settings;
    settings.fromHz = 1;
    settings.toHz = 10;
    settings.points = 3;
    settings.bandLowHz = 1;
    settings.bandHighHz = 10;
    const NoiseResult noise = outputNoise(std::span(&section, 1), settings);
    EXPECT_NEAR(noise.totalVrms / (noise.density[0] * 3), 1, 1e-6);  // sqrt(10 - 1) = 3
}

TEST(OutputNoise, EarlierSectionsPassThroughLaterOnes)
{
    // Two equal sections: e^2 = |H|^2 e1^2 + e1^2 at every frequency.
    const NoiseSection one{componentsOf(synthesised(FilterType::Lpf, 1000, 2, "24")), FilterType::Lpf, *opAmpByName("TL071")};
    const std::vector<NoiseSection> two = {one, one};
    const NoiseResult single = outputNoise(std::span(&one, 1), NoiseSettings{});
    const NoiseResult cascade = outputNoise(two, NoiseSettings{});
    ASSERT_EQ(cascade.density.size(), single.density.size());
    for (std::size_t i = 0; i < single.density.size(); ++i) {
        const double h = std::abs(sourceTransfers(one.parts, one.type, one.opAmp.model(), single.frequencyHz[i]).fromInput);
        EXPECT_NEAR(cascade.density[i] / (single.density[i] * std::sqrt(h * h + 1)), 1, 1e-9) << single.frequencyHz[i];
    }
    // Every source is named once per section.
    EXPECT_EQ(cascade.sources.size(), 2 * single.sources.size());
}

}  // namespace
}  // namespace torvel
