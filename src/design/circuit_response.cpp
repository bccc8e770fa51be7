#include "design/circuit_response.h"

#include "design/golden_section.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace torvel {
namespace {

using Complex = std::complex<double>;

// Unknowns: the inverting input and the output of each op-amp. Rows N1 ... N4 hold the current balance
// at each inverting input, rows V1 ... V4 the op-amp equations.
enum Unknown { N1, V1, N2, V2, N3, V3, N4, V4, kUnknowns };
constexpr std::array<int, 4> kInputUnknowns = {N1, N2, N3, N4};
constexpr std::array<int, 4> kOutputUnknowns = {V1, V2, V3, V4};

// The op-amp's 1/A(s) = 1/A0 + s/wt of the single-pole model: its inverting input sits at -V/A.
Complex inverseGain(const OpAmpModel& model, double omega)
{
    const double wt = 2 * std::numbers::pi * model.gainBandwidthHz;
    return Complex(1 / model.dcGain, omega / wt);
}

// The node equations A(w) x = b and the derivative A'(w), which gives the group delay from the same
// factorisation: A x' = -A' x.
struct Equations {
    std::array<std::array<Complex, kUnknowns>, kUnknowns> a{};
    std::array<std::array<Complex, kUnknowns>, kUnknowns> da{};
    std::array<Complex, kUnknowns> b{};

    // An element between a node and another unknown: current into the node = y (other - node).
    void admittance(int node, int other, Complex y, Complex dy = 0)
    {
        a[node][node] -= y;
        a[node][other] += y;
        da[node][node] -= dy;
        da[node][other] += dy;
    }

    // An element from the input, whose voltage is 1.
    void fromInput(int node, Complex y)
    {
        a[node][node] -= y;
        b[node] -= y;
    }

    // The op-amp with grounded + input: ideal forces its - input to 0, a real one outputs -A(s) times it.
    void opAmp(int row, int inverting, int output, const OpAmpModel& model, double omega)
    {
        if (model.ideal()) {
            a[row][inverting] = 1;
            return;
        }
        const double wt = 2 * std::numbers::pi * model.gainBandwidthHz;
        const Complex pole = 1.0 + Complex(0, omega) * model.dcGain / wt;
        a[row][output] = 1;
        a[row][inverting] = model.dcGain / pole;
        da[row][inverting] = -model.dcGain * Complex(0, model.dcGain / wt) / (pole * pole);
    }

    void withoutA4()
    {
        a[N4][V4] = 1;  // V4 = 0
        a[V4][N4] = 1;  // N4 = 0
    }
};

// The same equations with every inverting input eliminated through its op-amp, Vn = Vp - V/A(s) (Vp, the
// non-inverting input, is 0 for the signal): four current balances in V1 ... V4. The noise analysis solves
// these, since it needs no derivative and Vp enters it as a source.
struct ReducedEquations {
    std::array<std::array<Complex, 4>, 4> a{};
    std::array<Complex, 4> self{};  // each balance's coefficient of its own inverting input
    std::array<Complex, 4> eps{};   // 1/A(s) of each op-amp, 0 when ideal
    std::array<Complex, 4> b{};

    static std::size_t index(int unknown) { return static_cast<std::size_t>(unknown / 2); }  // N1, V1 -> 0 ...
    void admittance(int node, int other, Complex y, Complex = 0)
    {
        self[index(node)] -= y;
        a[index(node)][index(other)] += y;
    }
    void fromInput(int node, Complex y)
    {
        self[index(node)] -= y;
        b[index(node)] -= y;
    }
    void opAmp(int, int, int output, const OpAmpModel& model, double omega)
    {
        eps[index(output)] = model.ideal() ? Complex(0) : inverseGain(model, omega);
    }
    void withoutA4() { a[3][3] = 1; }  // V4 = 0
    void eliminateInvertingInputs()
    {
        for (std::size_t k = 0; k < 4; ++k)
            a[k][k] -= self[k] * eps[k];
    }
};

// Every element of the layout, stamped into a set of equations: the one place that says which element
// sits between which nodes.
template <typename Target>
void stampCircuit(Target& e, const CircuitComponents& p, FilterType type, const OpAmpModel& model, double omega)
{
    const Complex s(0, omega);
    const Complex ds(0, 1);
    e.fromInput(N1, 1 / p.r(4));
    e.admittance(N1, V1, 1 / p.r(1) + s * p.C1, ds * p.C1);
    e.admittance(N1, V3, 1 / p.r(3));
    e.opAmp(V1, N1, V1, model, omega);

    e.admittance(N2, V1, 1 / p.r(2));
    e.admittance(N2, V2, s * p.C2, ds * p.C2);
    e.opAmp(V2, N2, V2, model, omega);

    e.admittance(N3, V2, 1 / p.r(5));
    e.admittance(N3, V3, 1 / p.r(6));
    e.opAmp(V3, N3, V3, model, omega);

    const FilterTypeInfo& info = filterTypeInfo(type);
    if (info.hasA4) {
        e.admittance(N4, V1, 1 / p.r(7));
        e.fromInput(N4, 1 / p.r(9));
        e.admittance(N4, V4, 1 / p.r(10));
        if (info.r8From)
            e.admittance(N4, kOutputUnknowns[static_cast<std::size_t>(outputIndex(*info.r8From))], 1 / p.r(8));
        e.opAmp(V4, N4, V4, model, omega);
    } else {
        e.withoutA4();
    }
}

Equations assemble(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double omega)
{
    Equations e;
    stampCircuit(e, p, type, model, omega);
    return e;
}

// LU factorisation with partial pivoting of an n x n system, solved for several right-hand sides.
template <int n>
class Factorised {
public:
    using Matrix = std::array<std::array<Complex, n>, n>;
    using Vector = std::array<Complex, n>;

    explicit Factorised(Matrix a) : m_lu(a)
    {
        for (int i = 0; i < n; ++i)
            m_order[static_cast<std::size_t>(i)] = i;
        for (int col = 0; col < n; ++col) {
            int pivot = col;
            for (int row = col + 1; row < n; ++row)
                if (std::abs(m_lu[row][col]) > std::abs(m_lu[pivot][col]))
                    pivot = row;
            if (!(std::abs(m_lu[pivot][col]) > 0)) {
                m_singular = true;
                return;
            }
            std::swap(m_lu[col], m_lu[pivot]);
            std::swap(m_order[col], m_order[pivot]);
            for (int row = col + 1; row < n; ++row) {
                const Complex factor = m_lu[row][col] / m_lu[col][col];
                m_lu[row][col] = factor;
                if (factor == Complex(0))
                    continue;
                for (int k = col + 1; k < n; ++k)
                    m_lu[row][k] -= factor * m_lu[col][k];
            }
        }
    }

    Vector solve(const Vector& b) const
    {
        Vector x{};
        if (m_singular) {
            constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
            x.fill(Complex(kNaN, kNaN));
            return x;
        }
        for (int row = 0; row < n; ++row) {
            Complex sum = b[static_cast<std::size_t>(m_order[row])];
            for (int k = 0; k < row; ++k)
                sum -= m_lu[row][k] * x[k];
            x[row] = sum;
        }
        for (int row = n - 1; row >= 0; --row) {
            Complex sum = x[row];
            for (int k = row + 1; k < n; ++k)
                sum -= m_lu[row][k] * x[k];
            x[row] = sum / m_lu[row][row];
        }
        return x;
    }

private:
    Matrix m_lu;
    std::array<int, n> m_order{};
    bool m_singular = false;
};

// 1/z by the plain formula. The library's complex division guards against overflow and infinities with a
// slow routine, half the cost of the noise analysis, which solves the reduced equations a few thousand
// times per call; admittances and transfers lie far inside the range where the plain formula is exact to
// rounding.
Complex reciprocal(Complex z) { return std::conj(z) / std::norm(z); }

// x with a^T x = b, 4 x 4, by Gaussian elimination with partial pivoting; NaNs for a singular a.
std::array<Complex, 4> solveTransposed(const std::array<std::array<Complex, 4>, 4>& a, std::array<Complex, 4> b)
{
    std::array<std::array<Complex, 4>, 4> t{};
    for (std::size_t i = 0; i < 4; ++i)
        for (std::size_t j = 0; j < 4; ++j)
            t[i][j] = a[j][i];
    for (std::size_t col = 0; col < 4; ++col) {
        std::size_t pivot = col;
        for (std::size_t row = col + 1; row < 4; ++row)
            if (std::norm(t[row][col]) > std::norm(t[pivot][col]))
                pivot = row;
        if (!(std::norm(t[pivot][col]) > 0)) {
            constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
            b.fill(Complex(kNaN, kNaN));
            return b;
        }
        std::swap(t[col], t[pivot]);
        std::swap(b[col], b[pivot]);
        const Complex inverse = reciprocal(t[col][col]);
        for (std::size_t row = col + 1; row < 4; ++row) {
            const Complex factor = t[row][col] * inverse;
            for (std::size_t k = col + 1; k < 4; ++k)
                t[row][k] -= factor * t[col][k];
            b[row] -= factor * b[col];
        }
    }
    for (std::size_t row = 4; row-- > 0;) {
        for (std::size_t k = row + 1; k < 4; ++k)
            b[row] -= t[row][k] * b[k];
        b[row] *= reciprocal(t[row][row]);
    }
    return b;
}

struct Solution {
    OutputVoltages v;   // V1 ... V4
    OutputVoltages dv;  // their derivatives with respect to the angular frequency
};

Solution solveWithDerivative(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double omega)
{
    const Equations e = assemble(p, type, model, omega);
    Solution out;
    if (model.ideal()) {
        // Ideal op-amps hold every inverting input at 0: only the current balances remain, in V1 ... V4.
        Factorised<4>::Matrix a{};
        Factorised<4>::Vector b{};
        for (std::size_t r = 0; r < 4; ++r) {
            for (std::size_t c = 0; c < 4; ++c)
                a[r][c] = e.a[kInputUnknowns[r]][kOutputUnknowns[c]];
            b[r] = e.b[kInputUnknowns[r]];
        }
        const Factorised<4> lu(a);
        out.v = lu.solve(b);
        Factorised<4>::Vector rhs{};
        for (std::size_t r = 0; r < 4; ++r)
            for (std::size_t c = 0; c < 4; ++c)
                rhs[r] -= e.da[kInputUnknowns[r]][kOutputUnknowns[c]] * out.v[c];
        out.dv = lu.solve(rhs);
        return out;
    }
    const Factorised<kUnknowns> lu(e.a);
    const auto x = lu.solve(e.b);
    Factorised<kUnknowns>::Vector rhs{};
    for (std::size_t r = 0; r < kUnknowns; ++r)
        for (std::size_t c = 0; c < kUnknowns; ++c)
            rhs[r] -= e.da[r][c] * x[c];
    const auto dx = lu.solve(rhs);
    for (std::size_t k = 0; k < 4; ++k) {
        out.v[k] = x[static_cast<std::size_t>(kOutputUnknowns[k])];
        out.dv[k] = dx[static_cast<std::size_t>(kOutputUnknowns[k])];
    }
    return out;
}

}  // namespace

SourceTransfers sourceTransfers(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double frequencyHz)
{
    ReducedEquations e;
    stampCircuit(e, p, type, model, 2 * std::numbers::pi * frequencyHz);
    e.eliminateInvertingInputs();
    // The output's row of the inverse: y with a^T y = e_out, so that V_out = y . rhs for any right-hand
    // side, and each source's transfer is y times where it enters.
    std::array<Complex, 4> unit{};
    unit[static_cast<std::size_t>(outputIndex(filterTypeInfo(type).output))] = 1;
    const std::array<Complex, 4> y = solveTransposed(e.a, unit);
    SourceTransfers t;
    for (std::size_t k = 0; k < 4; ++k) {
        t.fromInput += y[k] * e.b[k];
        // A current I into the node adds I to its balance: rhs - I. A voltage Vp at the non-inverting
        // input moves the inverting one with it: rhs - self Vp.
        t.fromInvertingCurrent[k] = -y[k];
        t.fromNonInvertingVoltage[k] = -y[k] * e.self[k];
    }
    if (!filterTypeInfo(type).hasA4) {
        t.fromInvertingCurrent[3] = 0;
        t.fromNonInvertingVoltage[3] = 0;
    }
    return t;
}

CircuitComponents componentsOf(const DesignRecord& record)
{
    CircuitComponents parts;
    parts.C1 = record.C1.value();
    parts.C2 = record.C2.value();
    for (int n = 1; n <= 10; ++n)
        parts.R[static_cast<std::size_t>(n - 1)] = record.r(n).value();
    return parts;
}

OutputVoltages solveCircuit(const CircuitComponents& p, FilterType type, const OpAmpModel& model, double frequencyHz)
{
    OutputVoltages v = solveWithDerivative(p, type, model, 2 * std::numbers::pi * frequencyHz).v;
    if (!filterTypeInfo(type).hasA4)
        v[3] = 0;
    return v;
}

ResponseCurves frequencyResponse(const CircuitComponents& parts, FilterType type, const OpAmpModel& model,
                                 double startHz, double stopHz, int points)
{
    ResponseCurves curves;
    curves.outputIndex = outputIndex(filterTypeInfo(type).output);
    curves.hasA4 = filterTypeInfo(type).hasA4;
    const int n = std::max(points, 2);
    const double logStart = std::log10(startHz);
    const double step = (std::log10(stopHz) - logStart) / (n - 1);
    // Group delay -d(phase)/d(omega) = -Im(H'/H), with H' from the same factorisation as H.
    curves.frequencyHz.reserve(static_cast<std::size_t>(n));
    curves.outputGroupDelay.reserve(static_cast<std::size_t>(n));
    for (std::size_t k = 0; k < 4; ++k) {
        curves.levelDb[k].reserve(static_cast<std::size_t>(n));
        curves.phaseDeg[k].reserve(static_cast<std::size_t>(n));
    }
    for (int i = 0; i < n; ++i) {
        const double f = std::pow(10.0, logStart + step * i);
        const Solution solution = solveWithDerivative(parts, type, model, 2 * std::numbers::pi * f);
        curves.frequencyHz.push_back(f);
        for (std::size_t k = 0; k < 4; ++k) {
            const std::complex<double> v = k == 3 && !curves.hasA4 ? std::complex<double>(0) : solution.v[k];
            curves.levelDb[k].push_back(10 * std::log10(std::norm(v)));
            curves.phaseDeg[k].push_back(std::arg(v) * (180 / std::numbers::pi));
        }
        const std::size_t out = static_cast<std::size_t>(curves.outputIndex);
        curves.outputGroupDelay.push_back(-(solution.dv[out] / solution.v[out]).imag());
    }
    return curves;
}

ResponsePeak findPeak(const CircuitComponents& parts, FilterType type, const OpAmpModel& model, int output,
                      double startHz, double stopHz)
{
    const auto level = [&](double logF) {
        return 20 * std::log10(std::abs(solveCircuit(parts, type, model, std::pow(10.0, logF))[static_cast<std::size_t>(output)]));
    };
    constexpr int kGrid = 2000;
    const double lo = std::log10(startHz);
    const double step = (std::log10(stopHz) - lo) / (kGrid - 1);
    int best = 0;
    double bestLevel = -INFINITY;
    for (int i = 0; i < kGrid; ++i) {
        const double l = level(lo + step * i);
        if (l > bestLevel) {
            bestLevel = l;
            best = i;
        }
    }
    const double logPeak = goldenSectionMaximum(level, lo + step * std::max(best - 1, 0),
                                                lo + step * std::min(best + 1, kGrid - 1), 100, 1e-12);
    const double refined = level(logPeak);
    if (refined >= bestLevel)
        return {std::pow(10.0, logPeak), refined};
    return {std::pow(10.0, lo + step * best), bestLevel};
}

}  // namespace torvel
