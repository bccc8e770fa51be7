#include "opamp/noise.h"

#include "design/filter_types.h"
#include "design/log_grid.h"

#include <algorithm>
#include <cmath>

namespace torvel {
namespace {

// Each resistor's inverting-input node, A1 ... A4 as 0 ... 3 (R1, R3, R4 meet at A1's input; R2 at A2's;
// R5, R6 at A3's; R7 ... R10 at A4's).
constexpr std::array<int, 10> kResistorNode = {0, 1, 0, 0, 2, 2, 3, 3, 3, 3};
const char* const kAmplifierNames[] = {"A1", "A2", "A3", "A4"};

// Where a source enters its section.
enum class Entry {
    InvertingCurrent,     // a current into an op-amp's inverting input
    NonInvertingVoltage,  // a voltage in series with an op-amp's non-inverting input
    InputVoltage,         // a voltage in series with the section's input
};

struct SourceSpec {
    std::size_t section;
    std::string name;
    Entry entry;
    std::size_t amplifier;
    double psd;      // V^2/Hz or A^2/Hz
};

void addOpAmpSources(std::size_t s, const OpAmpFigures& opAmp, std::size_t amplifiers, std::vector<SourceSpec>& out)
{
    for (std::size_t k = 0; k < amplifiers; ++k) {
        const double en = opAmp.voltageNoise;
        const double in = opAmp.currentNoise;
        if (en > 0)
            out.push_back({s, std::string(kAmplifierNames[k]) + " en", Entry::NonInvertingVoltage, k, en * en});
        if (in > 0)
            out.push_back({s, std::string(kAmplifierNames[k]) + " in", Entry::InvertingCurrent, k, in * in});
    }
}

std::vector<SourceSpec> sourcesOf(std::span<const NoiseSection> sections)
{
    constexpr double kFourKT = 4 * kBoltzmann * kNoiseTemperature;
    std::vector<SourceSpec> out;
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const NoiseSection& section = sections[s];
        if (const std::optional<cascade::FirstOrderParts>& first = section.firstOrder) {
            out.push_back({s, "R1", Entry::InvertingCurrent, 0, kFourKT / first->R1});
            out.push_back({s, "R4", Entry::InputVoltage, 0, kFourKT * first->R4});
            addOpAmpSources(s, section.opAmp, 1, out);
            continue;
        }
        const FilterTypeInfo& info = filterTypeInfo(section.type);
        for (int n = 1; n <= 10; ++n) {
            const bool present = n <= 6 || (info.hasA4 && (n != 8 || info.r8From.has_value()));
            if (present)
                out.push_back({s, "R" + std::to_string(n), Entry::InvertingCurrent,
                               static_cast<std::size_t>(kResistorNode[static_cast<std::size_t>(n - 1)]),
                               kFourKT / section.parts.r(n)});
        }
        addOpAmpSources(s, section.opAmp, info.hasA4 ? 4 : 3, out);
    }
    return out;
}

SourceTransfers transfersOf(const NoiseSection& section, double f)
{
    if (section.firstOrder)
        return cascade::firstOrderSourceTransfers(*section.firstOrder, section.opAmp.model(), f);
    return sourceTransfers(section.parts, section.type, section.opAmp.model(), f);
}

std::complex<double> transferOf(const SourceSpec& source, const SourceTransfers& t)
{
    switch (source.entry) {
    case Entry::InvertingCurrent: return t.fromInvertingCurrent[source.amplifier];
    case Entry::NonInvertingVoltage: return t.fromNonInvertingVoltage[source.amplifier];
    case Entry::InputVoltage: return t.fromInput;
    }
    return 0;
}

// Every source's noise power density at the last output, at one frequency.
void densities(std::span<const NoiseSection> sections, const std::vector<SourceSpec>& sources, double f,
               std::vector<SourceTransfers>& transfers, std::vector<double>& gainAfter, std::vector<double>& out)
{
    for (std::size_t s = 0; s < sections.size(); ++s)
        transfers[s] = transfersOf(sections[s], f);
    double gain = 1;
    for (std::size_t s = sections.size(); s-- > 0;) {
        gainAfter[s] = gain;
        gain *= std::norm(transfers[s].fromInput);
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const SourceSpec& source = sources[i];
        out[i] = std::norm(transferOf(source, transfers[source.section])) * source.psd * gainAfter[source.section];
    }
}

}  // namespace

NoiseResult outputNoise(std::span<const NoiseSection> sections, const NoiseSettings& settings)
{
    const std::vector<SourceSpec> sources = sourcesOf(sections);
    std::vector<SourceTransfers> transfers(sections.size());
    std::vector<double> gainAfter(sections.size());
    std::vector<double> psd(sources.size());

    NoiseResult result;
    result.frequencyHz = logGrid(settings.fromHz, settings.toHz, std::max(settings.points, 2));
    result.density.reserve(result.frequencyHz.size());
    for (double f : result.frequencyHz) {
        densities(sections, sources, f, transfers, gainAfter, psd);
        double sum = 0;
        for (double p : psd)
            sum += p;
        result.density.push_back(std::sqrt(sum));
    }

    // Trapezoids in f on a log grid fine enough that the sharpest peak a section makes spans many of them.
    const double decades = std::log10(settings.bandHighHz / settings.bandLowHz);
    const int points = std::max(2, static_cast<int>(std::ceil(decades * settings.integrationPointsPerDecade)) + 1);
    const std::vector<double> band = logGrid(settings.bandLowHz, settings.bandHighHz, points);
    std::vector<double> power(sources.size(), 0.0);
    std::vector<double> previous(sources.size());
    for (std::size_t i = 0; i < band.size(); ++i) {
        densities(sections, sources, band[i], transfers, gainAfter, psd);
        if (i > 0)
            for (std::size_t k = 0; k < sources.size(); ++k)
                power[k] += (psd[k] + previous[k]) / 2 * (band[i] - band[i - 1]);
        previous.swap(psd);
    }
    double total = 0;
    for (double p : power)
        total += p;
    result.totalVrms = std::sqrt(total);
    for (std::size_t k = 0; k < sources.size(); ++k)
        result.sources.push_back({static_cast<int>(sources[k].section), sources[k].name, std::sqrt(power[k]),
                                  total > 0 ? power[k] / total : 0});
    std::stable_sort(result.sources.begin(), result.sources.end(),
                     [](const NoiseSource& a, const NoiseSource& b) { return a.share > b.share; });
    return result;
}

}  // namespace torvel
