// The low-pass prototype moved to a frequency and turned into the four responses by a change of
// variable. Zeros at infinity the change moves to a finite place are added as explicit zeros, and the
// gain follows so that the prototype's passband level is kept.
#pragma once

#include "approx/approximation.h"
#include "approx/zpk.h"

namespace torvel::approx {

/// s -> s / omegaC.
Zpk lowPassToLowPass(const Zpk& prototype, double omegaC);
/// s -> omegaC / s; zeros at infinity go to the origin.
Zpk lowPassToHighPass(const Zpk& prototype, double omegaC);
/// s -> (s^2 + omega0^2) / (bandwidth s): each prototype root becomes two, with product omega0^2, and
/// each zero at infinity adds one at the origin (its partner stays at infinity).
Zpk lowPassToBandPass(const Zpk& prototype, double omega0, double bandwidth);
/// s -> bandwidth s / (s^2 + omega0^2): each zero at infinity becomes the pair +-j omega0.
Zpk lowPassToBandStop(const Zpk& prototype, double omega0, double bandwidth);

/// The transformation of `kind`: omega is the cut-off for low-pass and high-pass (bandwidth unread) and
/// the geometric centre for band-pass and band-stop, all in rad/s.
Zpk transformPrototype(const Zpk& prototype, ResponseKind kind, double omega, double bandwidth);

}  // namespace torvel::approx
