#include "design/ideal_transfer.h"

namespace torvel {

SectionTransfer idealTransfer(const CircuitComponents& p, FilterType type)
{
    const double loop = p.r(2) * p.C2 * p.r(3) * p.r(5);
    SectionTransfer t;
    t.denominator.c = {p.r(6), loop / p.r(1), p.C1 * loop};
    t.numerator[0].c = {0, -loop / p.r(4), 0};
    t.numerator[1].c = {p.r(3) * p.r(5) / p.r(4), 0, 0};
    t.numerator[2].c = {-p.r(3) * p.r(6) / p.r(4), 0, 0};

    const FilterTypeInfo& info = filterTypeInfo(type);
    if (info.hasA4) {
        Quadratic& v4 = t.numerator[3];
        for (std::size_t k = 0; k < 3; ++k) {
            double sum = t.denominator.c[k] / p.r(9) + t.numerator[0].c[k] / p.r(7);
            if (info.r8From)
                sum += t.numerator[static_cast<std::size_t>(outputIndex(*info.r8From))].c[k] / p.r(8);
            v4.c[k] = -p.r(10) * sum;
        }
    }
    return t;
}

}  // namespace torvel
