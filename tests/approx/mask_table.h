// Tolerance masks for the order tests: six selectivities from a transition band a tenth wide (orders
// above 12 for most approximations) to one of three decades (order 1 or 2), each with four pairs of
// passband loss and stopband attenuation. The band masks are asymmetric, so the reduction's choice of
// the binding edge counts.
#pragma once

#include "approx/mask_fit.h"

#include <vector>

namespace torvel::approx {

inline std::vector<Mask> tableMasks(ResponseKind kind)
{
    struct Edges {
        double passband, stopband, passbandUpper, stopbandUpper;
    };
    std::vector<Edges> edges;
    switch (kind) {
    case ResponseKind::LowPass:
        edges = {{1000, 1100, 0, 0}, {1000, 1600, 0, 0}, {1000, 2200, 0, 0}, {1000, 4000, 0, 0}, {1000, 8000, 0, 0}, {1000, 1e6, 0, 0}};
        break;
    case ResponseKind::HighPass:
        edges = {{1000, 909, 0, 0}, {1000, 625, 0, 0}, {1000, 455, 0, 0}, {1000, 250, 0, 0}, {1000, 125, 0, 0}, {1000, 1, 0, 0}};
        break;
    case ResponseKind::BandPass:
        edges = {{800, 780, 1250, 1290}, {800, 700, 1250, 1450}, {800, 500, 1250, 1600},
                 {800, 445, 1250, 2600}, {800, 259, 1250, 4500}, {800, 2.2, 1250, 460000}};
        break;
    case ResponseKind::BandStop:
        edges = {{500, 520, 2000, 1900}, {500, 600, 2000, 1700}, {500, 700, 2000, 1300},
                 {500, 830, 2000, 1205}, {500, 910, 2000, 1098}, {500, 999.3, 2000, 1000.8}};
        break;
    }
    std::vector<Mask> masks;
    for (const Edges& e : edges)
        for (auto [ap, as] : {std::pair{0.1, 30.0}, {0.5, 40.0}, {1.0, 60.0}, {3.0, 80.0}})
            masks.push_back({e.passband, e.stopband, e.passbandUpper, e.stopbandUpper, ap, as});
    return masks;
}

}  // namespace torvel::approx
