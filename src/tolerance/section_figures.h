// The figures of a section's circuit: natural frequency fo, Q, gain H in the type's own sense and the
// zero's frequency fn, from its transfer function whatever its parts are.
//
// With ideal op-amps the output is a second-order (or first-order) ratio and the figures are its
// coefficients' ratios, as the calculator's realised values read them. Single-pole op-amps add poles and
// zeros far above fo; the section's own pair is then the two poles nearest the origin (the dominant
// pair), found as a quadratic factor s^2 + b s + c of the denominator: fo = sqrt(c) / 2 pi, Q = sqrt(c)/b.
// Likewise its zeros are the numerator's nearest ones (two for the summing types, one at the origin for
// the band-pass, none for the low-pass). What is left over, the far poles and zeros, is taken as flat
// where the section works, normalised to 1 at DC, so that H is the gain the dominant part shows: at DC,
// at high frequency or at fo, as the type defines it.
#pragma once

#include "cascade/section_circuit.h"
#include "tolerance/section_model.h"

#include <array>
#include <limits>
#include <string_view>

namespace torvel::tolerance {

enum class Figure { Fo, Q, H, Fn };
inline constexpr int kFigureCount = 4;
inline constexpr std::array<Figure, kFigureCount> kAllFigures = {Figure::Fo, Figure::Q, Figure::H, Figure::Fn};
/// "fo", "Q", "H", "fn".
std::string_view figureName(Figure figure);

/// fo and fn in Hz; NaN where a section has no such figure (Q of a first-order section, fn where there is
/// no zero of its own) or where the circuit has none (an unstable or degenerate loop).
struct Figures {
    std::array<double, kFigureCount> values = {kNaN, kNaN, kNaN, kNaN};
    double operator[](Figure f) const { return values[static_cast<std::size_t>(f)]; }
    double& operator[](Figure f) { return values[static_cast<std::size_t>(f)]; }
    static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
};

/// Where H is read: the low-pass kinds at DC, the high-pass kinds (the notch and the all-pass too) at high
/// frequency, the band-pass at fo.
enum class GainSense { Dc, HighFrequency, AtFo };

/// What a section's transfer function looks like: its order, how many zeros belong to it, where its gain
/// is read and whether its zero's frequency is one of its figures.
struct SectionForm {
    int poles = 2;
    int zeros = 0;
    GainSense gain = GainSense::Dc;
    bool hasZeroFrequency = false;
};

SectionForm sectionFormOf(FilterType type);
SectionForm sectionForm(const cascade::SectionCircuit& circuit);
/// Whether a figure means anything for a section of this form (Q needs two poles, fn a zero of its own).
bool hasFigure(const SectionForm& form, Figure figure);

/// The figures of a transfer function of the given form; T is double or Dual.
template <typename T>
std::array<T, kFigureCount> figuresOf(const OutputPolynomials<T>& output, const SectionForm& form);

/// The figures of a circuit as it stands.
Figures sectionFigures(const cascade::SectionCircuit& circuit, const OpAmpModel& opAmp);

extern template std::array<double, kFigureCount> figuresOf(const OutputPolynomials<double>&, const SectionForm&);
extern template std::array<Dual, kFigureCount> figuresOf(const OutputPolynomials<Dual>&, const SectionForm&);

}  // namespace torvel::tolerance
