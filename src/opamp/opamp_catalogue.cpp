#include "opamp/opamp_catalogue.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace torvel {
namespace {

// Typical values from the electrical-characteristics tables; en and in at 1 kHz unless noted (the flat
// band: the 1/f region below is not modelled). The open-loop DC gain is the model's 100 dB for all: in
// this loop the gain-bandwidth product sets the error at fo, the DC gain only the last digits of it.
// Single-supply parts are listed at their usual supply with the signal ground at mid-supply.
constexpr std::array<CatalogueEntry, 15> kCatalogue = {{
    // TI TL071 datasheet (SLOS080): unity-gain bandwidth 3 MHz, SR 13 V/us, VOM +-13.5 V at RL >= 10 k,
    // Vn 18 nV/rtHz, In 0.01 pA/rtHz.
    {"TL071", OpAmpFamily::GeneralPurpose, 3, 13, -15, 15, -13.5, 13.5, 18, 0.01, "RL >= 10 kOhm"},
    // TI LM358 datasheet (SLOS068), 5 V single supply: 0.7 MHz, 0.3 V/us, VOH = VCC - 1.5 V, VOL 5 mV,
    // Vn 40 nV/rtHz. In is not specified; 0.08 pA/rtHz is the shot noise sqrt(2 q IB) of the typical
    // 20 nA input bias current.
    {"LM358", OpAmpFamily::GeneralPurpose, 0.7, 0.3, -2.5, 2.5, -2.495, 1.0, 40, 0.08, "RL >= 10 kOhm"},
    // Analog Devices OP07 data sheet: GBW 0.6 MHz, SR 0.3 V/us, +-13 V at RL >= 10 k, en 9.6 nV/rtHz,
    // in 0.12 pA/rtHz.
    {"OP07", OpAmpFamily::GeneralPurpose, 0.6, 0.3, -15, 15, -13, 13, 9.6, 0.12, "RL >= 10 kOhm"},
    // Microchip MCP6001/2/4 data sheet (DS21733), 5 V: GBWP 1 MHz, SR 0.6 V/us, output within 25 mV of
    // the rails, eni 28 nV/rtHz, ini 0.6 fA/rtHz.
    {"MCP6002", OpAmpFamily::GeneralPurpose, 1, 0.6, -2.5, 2.5, -2.475, 2.475, 28, 0.0006, "RL = 10 kOhm"},
    // TI LF356 datasheet: GBW 5 MHz, SR 12 V/us, +-13 V at RL = 10 k, en 12 nV/rtHz, in 0.01 pA/rtHz.
    {"LF356", OpAmpFamily::GeneralPurpose, 5, 12, -15, 15, -13, 13, 12, 0.01, "RL = 10 kOhm"},
    // TI NE5532 datasheet (SLOS075): unity-gain bandwidth 10 MHz, SR 9 V/us, VOM +-13 V at RL >= 600,
    // Vn 5 nV/rtHz, In 0.7 pA/rtHz.
    {"NE5532", OpAmpFamily::Audio, 10, 9, -15, 15, -13, 13, 5, 0.7, "RL >= 600 Ohm"},
    // Analog Devices OP27 data sheet: GBW 8 MHz, SR 2.8 V/us, +-13.8 V at RL >= 2 k, en 3 nV/rtHz,
    // in 0.4 pA/rtHz.
    {"OP27", OpAmpFamily::Audio, 8, 2.8, -15, 15, -13.8, 13.8, 3, 0.4, "RL >= 2 kOhm"},
    // TI LM4562 datasheet (SNAS326): GBW 55 MHz, SR 20 V/us, +-13.6 V at RL = 2 k, en 2.7 nV/rtHz,
    // in 1.6 pA/rtHz.
    {"LM4562", OpAmpFamily::Audio, 55, 20, -15, 15, -13.6, 13.6, 2.7, 1.6, "RL = 2 kOhm"},
    // TI OPA1612 datasheet (SBOS450): GBW 40 MHz, SR 27 V/us, output to 0.2 V of the rails at RL = 2 k,
    // en 1.1 nV/rtHz, in 1.7 pA/rtHz.
    {"OPA1612", OpAmpFamily::Audio, 40, 27, -15, 15, -14.8, 14.8, 1.1, 1.7, "RL = 2 kOhm"},
    // TI OPA1656 datasheet (SBOS901): GBW 53 MHz, SR 24 V/us, rail-to-rail output (0.2 V at RL = 2 k),
    // en 2.9 nV/rtHz, in 6 fA/rtHz.
    {"OPA1656", OpAmpFamily::Audio, 53, 24, -15, 15, -14.8, 14.8, 2.9, 0.006, "RL = 2 kOhm"},
    // Analog Devices AD797 data sheet: GBW 110 MHz, SR 20 V/us, +-13 V at RL = 2 k, en 0.9 nV/rtHz,
    // in 2 pA/rtHz.
    {"AD797", OpAmpFamily::Audio, 110, 20, -15, 15, -13, 13, 0.9, 2, "RL = 2 kOhm"},
    // Analog Devices AD8065 data sheet, +-12 V: GBW 145 MHz, SR 180 V/us, rail-to-rail output (0.1 V at
    // RL = 1 k), en 7 nV/rtHz, in 0.6 fA/rtHz.
    {"AD8065", OpAmpFamily::Fast, 145, 180, -12, 12, -11.9, 11.9, 7, 0.0006, "RL = 1 kOhm"},
    // Analog Devices ADA4898-1 data sheet: GBW 65 MHz, SR 55 V/us, +-13.5 V at RL = 1 k (typical swing
    // 1.5 V from the rails), en 0.9 nV/rtHz, in 2.4 pA/rtHz.
    {"ADA4898-1", OpAmpFamily::Fast, 65, 55, -15, 15, -13.5, 13.5, 0.9, 2.4, "RL = 1 kOhm"},
    // TI LM6171 datasheet: GBW 100 MHz, SR 3600 V/us, +-13.5 V at RL = 1 k, en 12 nV/rtHz,
    // in 1.5 pA/rtHz.
    {"LM6171", OpAmpFamily::Fast, 100, 3600, -15, 15, -13.5, 13.5, 12, 1.5, "RL = 1 kOhm"},
    // TI OPA656 datasheet (SBOS196), +-5 V: GBP 230 MHz (unity-gain stable), SR 290 V/us, +-3.7 V at
    // RL = 100, en 7 nV/rtHz, in 1.3 fA/rtHz.
    {"OPA656", OpAmpFamily::Fast, 230, 290, -5, 5, -3.7, 3.7, 7, 0.0013, "RL = 100 Ohm"},
}};

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

double OpAmpFigures::symmetricSwing() const
{
    return std::max(0.0, std::min(outputHigh(), -outputLow()));
}

std::span<const CatalogueEntry> opAmpCatalogue() { return kCatalogue; }

OpAmpFigures figuresOf(const CatalogueEntry& e)
{
    OpAmpFigures figures;
    figures.name = std::string(e.name);
    figures.gainBandwidthHz = e.gbwMHz * 1e6;
    figures.slewRate = e.slewVPerUs * 1e6;
    figures.railNegative = e.supplyNegative;
    figures.railPositive = e.supplyPositive;
    figures.headroomNegative = e.outputLow - e.supplyNegative;
    figures.headroomPositive = e.supplyPositive - e.outputHigh;
    figures.voltageNoise = e.enNvPerRtHz * 1e-9;
    figures.currentNoise = e.inPaPerRtHz * 1e-12;
    return figures;
}

std::optional<OpAmpFigures> opAmpByName(std::string_view name)
{
    if (sameName(name, kCustomOpAmp))
        return OpAmpFigures{};
    for (const CatalogueEntry& entry : kCatalogue)
        if (sameName(name, entry.name))
            return figuresOf(entry);
    return std::nullopt;
}

void setSupply(OpAmpFigures& figures, double railNegative, double railPositive)
{
    figures.railNegative = railNegative;
    figures.railPositive = railPositive;
}

}  // namespace torvel
