#include "approx/frequency_transform.h"

#include <cmath>

namespace torvel::approx {

namespace {

using Complex = std::complex<double>;

std::size_t zerosAtInfinity(const Zpk& zpk)
{
    return zpk.poles.size() - zpk.zeros.size();
}

// prod(-z) / prod(-p): what the reciprocal substitutions multiply the gain by, as each factor
// (omegaC / s - r) becomes -r (s - omegaC / r) / s.
double reciprocalGainFactor(const Zpk& zpk)
{
    Complex g = 1;
    for (const Complex& z : zpk.zeros)
        g *= -z;
    for (const Complex& p : zpk.poles)
        g /= -p;
    return g.real();
}

// Each prototype root r becomes the two roots h +- sqrt(h^2 - omega0^2) of s^2 - 2 h s + omega0^2, with
// h = bandwidth r / 2 (band-pass) or bandwidth / (2 r) (band-stop): all the '+' roots, then all the '-'.
std::vector<Complex> splitRoots(const std::vector<Complex>& roots, double omega0, double bandwidth, bool reciprocal)
{
    std::vector<Complex> plus, minus;
    for (const Complex& root : roots) {
        const Complex h = reciprocal ? 0.5 * bandwidth / root : 0.5 * bandwidth * root;
        const Complex d = std::sqrt(h * h - omega0 * omega0);
        plus.push_back(h + d);
        minus.push_back(h - d);
    }
    plus.insert(plus.end(), minus.begin(), minus.end());
    return plus;
}

}  // namespace

Zpk lowPassToLowPass(const Zpk& prototype, double omegaC)
{
    Zpk out;
    for (const Complex& z : prototype.zeros)
        out.zeros.push_back(z * omegaC);
    for (const Complex& p : prototype.poles)
        out.poles.push_back(p * omegaC);
    out.gain = prototype.gain * std::pow(omegaC, static_cast<double>(zerosAtInfinity(prototype)));
    return out;
}

Zpk lowPassToHighPass(const Zpk& prototype, double omegaC)
{
    Zpk out;
    for (const Complex& z : prototype.zeros)
        out.zeros.push_back(omegaC / z);
    for (const Complex& p : prototype.poles)
        out.poles.push_back(omegaC / p);
    out.zeros.insert(out.zeros.end(), zerosAtInfinity(prototype), Complex(0, 0));
    out.gain = prototype.gain * reciprocalGainFactor(prototype);
    return out;
}

Zpk lowPassToBandPass(const Zpk& prototype, double omega0, double bandwidth)
{
    Zpk out;
    out.zeros = splitRoots(prototype.zeros, omega0, bandwidth, false);
    out.poles = splitRoots(prototype.poles, omega0, bandwidth, false);
    out.zeros.insert(out.zeros.end(), zerosAtInfinity(prototype), Complex(0, 0));
    out.gain = prototype.gain * std::pow(bandwidth, static_cast<double>(zerosAtInfinity(prototype)));
    return out;
}

Zpk lowPassToBandStop(const Zpk& prototype, double omega0, double bandwidth)
{
    Zpk out;
    out.zeros = splitRoots(prototype.zeros, omega0, bandwidth, true);
    out.poles = splitRoots(prototype.poles, omega0, bandwidth, true);
    out.zeros.insert(out.zeros.end(), zerosAtInfinity(prototype), Complex(0, omega0));
    out.zeros.insert(out.zeros.end(), zerosAtInfinity(prototype), Complex(0, -omega0));
    out.gain = prototype.gain * reciprocalGainFactor(prototype);
    return out;
}

Zpk transformPrototype(const Zpk& prototype, ResponseKind kind, double omega, double bandwidth)
{
    switch (kind) {
    case ResponseKind::LowPass: return lowPassToLowPass(prototype, omega);
    case ResponseKind::HighPass: return lowPassToHighPass(prototype, omega);
    case ResponseKind::BandPass: return lowPassToBandPass(prototype, omega, bandwidth);
    case ResponseKind::BandStop: return lowPassToBandStop(prototype, omega, bandwidth);
    }
    return prototype;
}

}  // namespace torvel::approx
