#include "opamp/precorrection.h"

#include "design/filter_types.h"
#include "design/response_formulas.h"
#include "design/summing_stage.h"
#include "design/synthesis.h"
#include "opamp/realised_parameters.h"
#include "opamp/section_polynomials.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace torvel {
namespace {

// Newton's method on (ln fo, ln Q) over (ln R1, ln R3). The loop's fo and Q come from a polynomial root
// finder good to about 1e-13, so 1e-10 is as close as the derivatives by differences can steer, and far
// inside what any resistor realises.
constexpr double kConverged = 1e-10;
constexpr int kMaxSteps = 60;
constexpr double kDifference = 1e-6;   // relative step of the finite differences
constexpr double kMaxLogStep = 0.5;    // no step changes a resistor by more than a factor e^0.5
constexpr int kMaxHalvings = 30;
// Steps of the walk from 64 times the GBW down to it, a factor 2^(1/4) each.
constexpr int kContinuationSteps = 24;
// Passes of loop and stage until R4 settles to this relative change.
constexpr int kMaxPasses = 40;
constexpr double kSettledR4 = 1e-12;

struct Residual {
    double fo = 0;
    double q = 0;
    double size() const { return std::max(std::fabs(fo), std::fabs(q)); }
};

std::optional<Residual> residual(const CircuitComponents& parts, const OpAmpModel& opAmp, double fo, double Q)
{
    const std::optional<NaturalFrequency> loop = loopNaturalFrequency(parts, opAmp);
    if (!loop)
        return std::nullopt;
    return Residual{std::log(loop->fo / fo), std::log(loop->Q / Q)};
}

CircuitComponents withLoop(CircuitComponents parts, double lnR1, double lnR3)
{
    parts.R[0] = std::exp(lnR1);
    parts.R[2] = std::exp(lnR3);
    return parts;
}

// Newton's method in one logarithmic variable, with halving steps; nothing when it stalls.
template <typename Error>
std::optional<double> solveScalar(double x, Error error)
{
    std::optional<double> e = error(x);
    for (int step = 0; e && step < kMaxSteps; ++step) {
        if (std::fabs(*e) < kConverged)
            return std::exp(x);
        const std::optional<double> shifted = error(x + kDifference);
        if (!shifted || *shifted == *e)
            return std::nullopt;
        double dx = std::clamp(-*e * kDifference / (*shifted - *e), -kMaxLogStep, kMaxLogStep);
        std::optional<double> next;
        for (int halving = 0; halving < kMaxHalvings; ++halving, dx /= 2) {
            next = error(x + dx);
            if (next && std::fabs(*next) < std::fabs(*e))
                break;
            next.reset();
        }
        if (!next)
            return std::nullopt;
        x += dx;
        e = next;
    }
    return std::nullopt;
}

// R1 alone for Q, R3 kept.
std::optional<double> solveR1(const CircuitComponents& start, const OpAmpModel& opAmp, double Q)
{
    const auto qError = [&](double lnR1) -> std::optional<double> {
        CircuitComponents parts = start;
        parts.R[0] = std::exp(lnR1);
        const std::optional<NaturalFrequency> loop = loopNaturalFrequency(parts, opAmp);
        if (!loop)
            return std::nullopt;
        return std::log(loop->Q / Q);
    };
    return solveScalar(std::log(start.r(1)), qError);
}

// The all-pass's R7 alone for zeros that mirror the poles: the summing amplifier subtracts the band-pass
// output so that the numerator's damping is the loop's with the sign turned, and with the op-amp the
// loop's damping is no longer the ideal R1's. The synthesis leaves this R7 off the series (exactly R1/2),
// so it can take the solved value as it is.
std::optional<double> solveAllPassR7(const CircuitComponents& start, const OpAmpModel& opAmp, double Q)
{
    const auto dampingError = [&](double lnR7) -> std::optional<double> {
        CircuitComponents parts = start;
        parts.R[6] = std::exp(lnR7);
        const std::optional<NaturalFrequency> zeros = zeroNaturalFrequency(parts, FilterType::Apf, opAmp);
        if (!zeros || !(zeros->Q < 0))
            return std::nullopt;
        return std::log(-zeros->Q / Q);
    };
    return solveScalar(std::log(start.r(7)), dampingError);
}

std::string refusalText(double load, const char* reason)
{
    char text[256];
    std::snprintf(text, sizeof text, "補正できません: 4·Q·fo/GBW = %.3g (%s)", load, reason);
    return text;
}

// The input and summing stage, sized by the synthesis's formulas for a loop that behaves as this one does
// with the op-amp. Where a formula sizes a gain or places the zero against the loop's response it reads the
// ideal loop with the realised fo and Q (R1 = Q / (w0 C1), R3 = 1 / (w0^2 C1 C2 R2)); where it makes terms
// of the node equations cancel (R7 = R1 and R8 = R3 of the high-pass, R7 = R1 of the transmission-zero
// types, the low-pass DC gain R3/R4) it keeps the real elements: the high-pass's and the low-pass's hold
// exactly with single-pole op-amps of high DC gain, the transmission-zero types' to first order. The
// zero, the all-pass's R7 and the gain are then set against the op-amp itself (correctionPass).
void designStage(DesignRecord& rec, WorkingType working, const NaturalFrequency& loop)
{
    const double w = 2 * std::numbers::pi * loop.fo;
    DesignRecord effective = rec;
    effective.r(1) = Real(loop.Q / (w * rec.C1.value()));
    effective.r(3) = Real(rec.r(6).value() / (rec.r(5).value() * w * w * rec.C1.value() * rec.C2.value() * rec.r(2).value()));
    effective.ActualFo = loop.fo;
    effective.ActualQ = loop.Q;
    effective.LoopRatio = sqrt((rec.r(2) * rec.C2) / (effective.r(3) * rec.C1));
    switch (working) {
    case WorkingType::Lpf: DesignLowPassInput(rec); return;
    case WorkingType::Bpf: DesignBandPassInput(effective); break;
    case WorkingType::Hpf:
        DesignHighPassStage(effective);
        effective.r(7) = rec.r(1);
        effective.r(8) = rec.r(3);
        break;
    case WorkingType::Tzf:
        DesignTzfStage(effective);
        // R7 keeps its ratio to R9 through the stage's decade scaling.
        effective.r(7) = rec.r(1) * (effective.r(9) / effective.r(4));
        rec.ActualFn = effective.ActualFn;
        break;
    case WorkingType::Apf: DesignAllPassStage(effective); break;
    }
    rec.r(4) = effective.r(4);
    for (int n = 7; n <= 10; ++n)
        rec.r(n) = effective.r(n);
}

std::optional<double> zeroFrequency(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp)
{
    const std::optional<NaturalFrequency> zeros = zeroNaturalFrequency(parts, type, opAmp);
    if (!zeros)
        return std::nullopt;
    return zeros->fo;
}

// R8 alone for fn: the synthesis places the zero with R8, and with the op-amp only R8 can move it back
// without touching the loop.
std::optional<double> solveR8(const CircuitComponents& start, FilterType type, const OpAmpModel& opAmp, double fn)
{
    const auto fnError = [&](double lnR8) -> std::optional<double> {
        CircuitComponents parts = start;
        parts.R[7] = std::exp(lnR8);
        const std::optional<double> zero = zeroFrequency(parts, type, opAmp);
        if (!zero)
            return std::nullopt;
        return std::log(*zero / fn);
    };
    return solveScalar(std::log(start.r(8)), fnError);
}

// Newton's method from `start`.
std::optional<CircuitComponents> newtonLoop(const CircuitComponents& start, const OpAmpModel& opAmp, double fo, double Q)
{
    double x1 = std::log(start.r(1));
    double x3 = std::log(start.r(3));
    std::optional<Residual> r = residual(start, opAmp, fo, Q);
    for (int step = 0; r && step < kMaxSteps; ++step) {
        if (r->size() < kConverged)
            return withLoop(start, x1, x3);
        const std::optional<Residual> d1 = residual(withLoop(start, x1 + kDifference, x3), opAmp, fo, Q);
        const std::optional<Residual> d3 = residual(withLoop(start, x1, x3 + kDifference), opAmp, fo, Q);
        if (!d1 || !d3)
            return std::nullopt;
        // Jacobian columns: d(residual)/d(ln R1), d(residual)/d(ln R3).
        const double a = (d1->fo - r->fo) / kDifference, b = (d3->fo - r->fo) / kDifference;
        const double c = (d1->q - r->q) / kDifference, d = (d3->q - r->q) / kDifference;
        const double det = a * d - b * c;
        if (!(std::fabs(det) > 0))
            return std::nullopt;
        double s1 = -(d * r->fo - b * r->q) / det;
        double s3 = -(-c * r->fo + a * r->q) / det;
        const double longest = std::max(std::fabs(s1), std::fabs(s3));
        if (longest > kMaxLogStep) {
            s1 *= kMaxLogStep / longest;
            s3 *= kMaxLogStep / longest;
        }
        std::optional<Residual> next;
        for (int halving = 0; halving < kMaxHalvings; ++halving, s1 /= 2, s3 /= 2) {
            next = residual(withLoop(start, x1 + s1, x3 + s3), opAmp, fo, Q);
            if (next && next->size() < r->size())
                break;
            next.reset();
        }
        if (!next)
            return std::nullopt;
        x1 += s1;
        x3 += s3;
        r = next;
    }
    return std::nullopt;
}

// One pass with the record's current R4: the loop (R3, then R1, each rounded as soon as it is solved),
// the stage, the zero, the gain. `guess` carries the unrounded loop from pass to pass. Gives the reason
// when the pass cannot reach a target.
std::optional<std::string> correctionPass(DesignRecord& rec, FilterType type, const OpAmpModel& opAmp,
                                          CircuitComponents& guess)
{
    guess.R[3] = rec.r(4).value();
    const std::optional<CircuitComponents> loop = solveLoop(guess, opAmp, rec.fo.value(), rec.Q.value());
    if (!loop)
        return "この GBW ではループの fo と Q に届きません";
    guess = *loop;
    rec.r(3) = roundResistor(rec, loop->r(3));
    CircuitComponents rounded = *loop;
    rounded.R[2] = rec.r(3).value();
    const std::optional<double> r1 = solveR1(rounded, opAmp, rec.Q.value());
    if (!r1)
        return "丸めた R3 では Q に届きません";
    rec.r(1) = roundResistor(rec, *r1);
    rounded.R[0] = rec.r(1).value();
    const std::optional<NaturalFrequency> realisedLoop = loopNaturalFrequency(rounded, opAmp);
    if (!realisedLoop)
        return "丸めた回路に主極が残りません";
    rec.LoopRatio = sqrt((rec.r(2) * rec.C2) / (rec.r(3) * rec.C1));
    rec.ActualFo = realisedLoop->fo;
    rec.ActualQ = realisedLoop->Q;
    designStage(rec, workingTypeOf(type), *realisedLoop);

    const FilterTypeInfo& info = filterTypeInfo(type);
    if (info.hasZero) {
        const std::optional<double> r8 = solveR8(componentsOf(rec), type, opAmp, rec.fn.value());
        if (!r8)
            return "この GBW では fn に届きません";
        rec.r(8) = roundResistor(rec, *r8);
        if (const std::optional<double> zero = zeroFrequency(componentsOf(rec), type, opAmp))
            rec.ActualFn = *zero;
    }
    // Where the zeros cannot be followed (a double real pair at Q = 0.5 meeting the op-amps' poles) the
    // stage's R7 stays: fo and Q are corrected all the same.
    if (workingTypeOf(type) == WorkingType::Apf) {
        if (const std::optional<double> r7 = solveAllPassR7(componentsOf(rec), opAmp, realisedLoop->Q))
            rec.r(7) = *r7;
    }
    // Last, the element that sets the gain alone scales it to H: R4 for the outputs of the loop (every
    // loop output is proportional to 1/R4), R10 for the summing amplifier's.
    const std::optional<SectionParameters> realised = realisedParameters(componentsOf(rec), type, opAmp);
    if (!realised || !(realised->H > 0))
        return "利得を測れません";
    const Real gainError = rec.H / Real(realised->H);
    if (info.hasA4)
        rec.r(10) = roundResistor(rec, rec.r(10) * gainError);
    else
        rec.r(4) = roundResistor(rec, rec.r(4) / gainError);
    return std::nullopt;
}

}  // namespace

std::optional<CircuitComponents> solveLoop(const CircuitComponents& start, const OpAmpModel& opAmp, double fo, double Q)
{
    if (std::optional<CircuitComponents> direct = newtonLoop(start, opAmp, fo, Q))
        return direct;
    // Where the wanted loop lies far from the start (low Q, where the correction moves R1 by a factor of
    // two or more), walk there: from the ideal loop with a GBW 64 times higher, where it is nearly right,
    // down to the real GBW, each solution the start of the next.
    CircuitComponents walk = start;
    const double w = 2 * std::numbers::pi * fo;
    walk.R[0] = Q / (w * start.C1);
    walk.R[2] = start.r(6) / (start.r(5) * w * w * start.C1 * start.C2 * start.r(2));
    OpAmpModel stepModel = opAmp;
    for (int step = kContinuationSteps; step >= 0; --step) {
        stepModel.gainBandwidthHz = opAmp.gainBandwidthHz * std::pow(2.0, 6.0 * step / kContinuationSteps);
        const std::optional<CircuitComponents> next = newtonLoop(walk, stepModel, fo, Q);
        if (!next)
            return std::nullopt;
        walk = *next;
    }
    return walk;
}

Precorrection precorrect(const DesignRecord& synthesised, FilterType type, const OpAmpModel& opAmp)
{
    Precorrection out;
    out.record = synthesised;
    DesignRecord& rec = out.record;
    const CircuitComponents synthesisParts = componentsOf(synthesised);
    if (const std::optional<SectionParameters> p = realisedParameters(synthesisParts, type, opAmp))
        out.uncorrected = compareWithWanted(synthesised, type, *p);
    if (opAmp.ideal()) {
        // Nothing to correct: the synthesis's circuit is the answer.
        out.status = PrecorrectionStatus::Corrected;
        out.parts = synthesisParts;
        if (out.uncorrected)
            out.realised = *out.uncorrected;
        return out;
    }
    out.bandwidthLoad = 4 * rec.Q.value() * rec.fo.value() / opAmp.gainBandwidthHz;
    if (!(out.bandwidthLoad <= kMaxBandwidthLoad)) {
        out.refusal = refusalText(out.bandwidthLoad, "GBW が足りません。1 以下が必要です");
        return out;
    }

    // R4 feeds A1's inverting input, so it is part of A1's noise gain and moves the loop's poles a little;
    // the stage sets R4 from the loop. Passes settle both: each changes R4 by a fraction of the last
    // change, small at the usual loads, close to 1 for a heavily loaded low-Q loop (Q 0.5 with GBW ten
    // times fo takes some 30 passes); with rounding R4 stops changing after one or two.
    CircuitComponents guess = synthesisParts;
    guess.R[0] /= 1 + out.bandwidthLoad;  // the first-order estimate: 1/Q raised by 4 w0/wt
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        const Real r4 = rec.r(4);
        if (const std::optional<std::string> reason = correctionPass(rec, type, opAmp, guess)) {
            out.refusal = refusalText(out.bandwidthLoad, reason->c_str());
            return out;
        }
        if (abs(rec.r(4) - r4) <= abs(r4) * Real(kSettledR4))
            break;
    }

    out.parts = componentsOf(rec);
    const std::optional<SectionParameters> realised = realisedParameters(out.parts, type, opAmp);
    if (!realised || !sectionIsStable(out.parts, type, opAmp)) {
        out.refusal = refusalText(out.bandwidthLoad, "補正した回路が安定しません");
        return out;
    }
    out.realised = compareWithWanted(rec, type, *realised);
    out.status = PrecorrectionStatus::Corrected;
    return out;
}

}  // namespace torvel
