#include "shell/filter/filter_charts.h"

#include "shell/charts/frequency_axis.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace torvel::filter {
namespace {

using approx::ResponseKind;

// Level charts span this far below their highest point: 140 dB is beyond what any op-amp circuit keeps
// above its noise, and a deeper notch or stopband would only squeeze the passband into a line.
constexpr double kDeepestShownDb = 140;

const QColor kWantedColour(30, 30, 30);
const QColor kBuiltColour(20, 90, 200);

QPen pen(const QColor& colour, qreal width, Qt::PenStyle style = Qt::SolidLine)
{
    QPen p(colour);
    p.setWidthF(width);
    p.setStyle(style);
    return p;
}

// The curve's finite points, clamped into the chart's value span.
QList<QPointF> points(const std::vector<double>& x, const std::vector<double>& y, double lo, double hi)
{
    QList<QPointF> out;
    out.reserve(static_cast<qsizetype>(x.size()));
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::isfinite(y[i]))
            out.append(QPointF(x[i], std::clamp(y[i], lo, hi)));
    return out;
}

SeriesDescription lineSpec(const QString& name, QList<QPointF> at, QPen linePen)
{
    SeriesDescription s;
    s.name = name;
    s.points = std::move(at);
    s.pen = std::move(linePen);
    return s;
}

std::pair<double, double> finiteRange(std::initializer_list<const std::vector<double>*> curves)
{
    double lo = INFINITY, hi = -INFINITY;
    for (const std::vector<double>* c : curves)
        for (double v : *c)
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
    if (!std::isfinite(lo))
        return {-1, 1};
    return {lo, hi};
}

// The value below which a share `fraction` of the finite values lie.
double quantile(std::vector<double> values, double fraction)
{
    std::erase_if(values, [](double v) { return !std::isfinite(v); });
    if (values.empty())
        return 0;
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
    return values[at];
}

// A level axis in whole steps of 10 dB (20 dB over a wide span), its ends on steps, so that the mask's
// regions, drawn to the ends, meet the plot's frame.
void levelSpan(ChartDescription& spec, double lowest, double highest)
{
    const double step = highest - lowest > 80 ? 20 : 10;
    spec.lowest = std::floor(lowest / step) * step;
    spec.highest = std::ceil(highest / step) * step;
    spec.tickCount = static_cast<int>(std::lround((spec.highest - spec.lowest) / step)) + 1;
}

ChartDescription frame(const FilterCurves& curves, const QString& title, const QString& valueTitle)
{
    ChartDescription spec;
    spec.title = title;
    spec.valueTitle = valueTitle;
    spec.fromHz = curves.frequencyHz.front();
    spec.toHz = curves.frequencyHz.back();
    return spec;
}

QString frequencyText(double hz) { return frequencyLabel(hz) + QStringLiteral("Hz"); }

QString verdictText(bool met) { return met ? QStringLiteral("満たす") : QStringLiteral("満たさない"); }

}  // namespace

ChartDescription magnitudeChart(const FilterCurves& curves, const cascade::Cascade& cascade)
{
    QString title = QStringLiteral("振幅特性");
    if (curves.verdict)
        title += QStringLiteral("  マスク: 理想 %1 / 実現 %2").arg(verdictText(curves.verdict->metWanted), verdictText(curves.verdict->metBuilt));
    ChartDescription spec = frame(curves, title, QStringLiteral("レベル (dB)"));
    const std::optional<approx::Mask>& mask = cascade.request.filter.mask;
    const auto [lowest, highest] = finiteRange({&curves.wantedDb, &curves.builtDb});
    const double highestShown = std::max(highest, curves.gainDb) + 5;
    double lowestShown = std::max(lowest, highestShown - kDeepestShownDb);
    if (mask)
        lowestShown = std::min(lowestShown, curves.gainDb - mask->minStopbandAttenuationDb - 20);
    levelSpan(spec, lowestShown, highestShown);
    const double bottom = spec.lowest, top = spec.highest;

    if (mask) {
        bool first = true;
        for (const MaskRegion& r : maskRegions(cascade.design.kind, *mask, spec.fromHz, spec.toHz)) {
            // A passband may not fall below G - Ap; a stopband may not rise above G - As.
            const double edge = curves.gainDb - (r.passband ? mask->maxPassbandLossDb : mask->minStopbandAttenuationDb);
            const double upper = r.passband ? edge : top, lower = r.passband ? bottom : edge;
            SeriesDescription area;
            area.kind = SeriesDescription::Kind::Area;
            // One legend entry stands for all the regions.
            area.name = first ? QStringLiteral("マスクの禁止域") : QStringLiteral("マスクの禁止域 %1").arg(spec.series.size() + 1);
            area.inLegend = first;
            area.points = {QPointF(r.fromHz, upper), QPointF(r.toHz, upper)};
            area.lower = {QPointF(r.fromHz, lower), QPointF(r.toHz, lower)};
            area.pen = pen(QColor(200, 40, 40, 160), 1);
            area.brush = QColor(220, 60, 60, 60);
            spec.series.push_back(std::move(area));
            first = false;
        }
    }
    spec.series.push_back(lineSpec(QStringLiteral("理想"), points(curves.frequencyHz, curves.wantedDb, bottom, top),
                                   pen(kWantedColour, 1.5, Qt::DashLine)));
    spec.series.push_back(lineSpec(QStringLiteral("実現 (部品の値で)"), points(curves.frequencyHz, curves.builtDb, bottom, top),
                                   pen(kBuiltColour, 2.5)));
    return spec;
}

ChartDescription phaseChart(const FilterCurves& curves)
{
    ChartDescription spec = frame(curves,
                           curves.builtInverts ? QStringLiteral("位相特性 (実現は段数が奇数による反転 180° を除く)")
                                               : QStringLiteral("位相特性"),
                           QStringLiteral("位相 (°)"));
    const auto [lo, hi] = finiteRange({&curves.wantedPhaseDeg, &curves.builtPhaseDeg});
    const double margin = std::max(10.0, (hi - lo) * 0.05);
    spec.lowest = lo - margin;
    spec.highest = hi + margin;
    spec.series.push_back(lineSpec(QStringLiteral("理想"), points(curves.frequencyHz, curves.wantedPhaseDeg, lo, hi),
                                   pen(kWantedColour, 1.5, Qt::DashLine)));
    spec.series.push_back(lineSpec(QStringLiteral("実現"), points(curves.frequencyHz, curves.builtPhaseDeg, lo, hi),
                                   pen(kBuiltColour, 2.5)));
    return spec;
}

ChartDescription groupDelayChart(const FilterCurves& curves)
{
    // Seconds, milliseconds or microseconds, whichever puts the wanted delay's peak between 1 and 1000.
    const double peak = std::max(quantile(curves.wantedDelaySeconds, 1.0), 1e-12);
    const double scale = peak >= 1 ? 1 : peak >= 1e-3 ? 1e3 : 1e6;
    const QString unit = peak >= 1 ? QStringLiteral("s") : peak >= 1e-3 ? QStringLiteral("ms") : QStringLiteral("µs");
    ChartDescription spec = frame(curves, QStringLiteral("群遅延特性"), QStringLiteral("群遅延 (%1)").arg(unit));
    std::vector<double> wanted, built;
    for (double s : curves.wantedDelaySeconds)
        wanted.push_back(s * scale);
    for (double s : curves.builtDelaySeconds)
        built.push_back(s * scale);
    // A built zero a hair off the jw axis gives a spike no axis could hold next to the passband's delay;
    // the scale follows the wanted delay and most of the built one, and the spike is cut at the edge.
    const double hi = 1.3 * std::max(quantile(wanted, 1.0), quantile(built, 0.98));
    const double lo = std::min({0.0, quantile(wanted, 0.0), quantile(built, 0.02)});
    spec.lowest = lo;
    spec.highest = hi > lo ? hi : lo + 1;
    spec.series.push_back(lineSpec(QStringLiteral("理想"), points(curves.frequencyHz, wanted, lo, spec.highest),
                                   pen(kWantedColour, 1.5, Qt::DashLine)));
    spec.series.push_back(lineSpec(QStringLiteral("実現"), points(curves.frequencyHz, built, lo, spec.highest),
                                   pen(kBuiltColour, 2.5)));
    return spec;
}

ChartDescription opAmpLevelChart(const FilterCurves& curves)
{
    const cascade::Headroom& h = curves.headroom;
    ChartDescription spec = frame(curves,
                           QStringLiteral("各オペアンプの出力レベル  ヘッドルーム %1 dB (%2段 A%3, %4)")
                               .arg(h.headroomDb, 0, 'f', 2)
                               .arg(h.section + 1)
                               .arg(h.opAmp + 1)
                               .arg(h.frequencyHz > 0 ? frequencyText(h.frequencyHz) : QStringLiteral("直流")),
                           QStringLiteral("レベル (dB, 入力比)"));
    spec.legend = Qt::AlignRight;
    double highest = -INFINITY, lowest = INFINITY;
    for (const cascade::OpAmpLevels& a : curves.opAmps)
        for (double v : a.levelDb)
            if (std::isfinite(v)) {
                highest = std::max(highest, v);
                lowest = std::min(lowest, v);
            }
    if (!std::isfinite(highest))
        highest = lowest = 0;
    levelSpan(spec, std::max(lowest, highest + 5 - kDeepestShownDb), highest + 5);
    const double bottom = spec.lowest, top = spec.highest;

    // One colour per section; the op-amp that drives the next section is drawn solid and wider, the
    // ones inside the loop dashed.
    static const QColor kSectionColours[] = {{31, 119, 180}, {255, 127, 14}, {44, 160, 44}, {214, 39, 40},
                                             {148, 103, 189}, {140, 86, 75}, {227, 119, 194}, {127, 127, 127},
                                             {188, 189, 34}, {23, 190, 207}, {0, 0, 128}, {128, 0, 0}};
    for (const cascade::OpAmpLevels& a : curves.opAmps) {
        const auto k = static_cast<std::size_t>(a.section);
        const QColor colour = kSectionColours[k % std::size(kSectionColours)];
        const bool drivesNext = k < curves.sectionOutputs.size() && curves.sectionOutputs[k] == a.opAmp;
        spec.series.push_back(lineSpec(QStringLiteral("%1段 A%2").arg(a.section + 1).arg(a.opAmp + 1),
                                       points(curves.frequencyHz, a.levelDb, bottom, top),
                                       pen(colour, drivesNext ? 2 : 1.2, drivesNext ? Qt::SolidLine : Qt::DashLine)));
    }
    spec.series.push_back(lineSpec(QStringLiteral("出力の最大"),
                                   {QPointF(spec.fromHz, h.outputDb), QPointF(spec.toHz, h.outputDb)},
                                   pen(Qt::black, 1, Qt::DotLine)));
    SeriesDescription worst;
    worst.kind = SeriesDescription::Kind::Points;
    worst.name = QStringLiteral("最大のオペアンプ出力");
    // A peak at DC (a low-pass's plateau) is marked at the chart's left end, where the log axis begins.
    worst.points = {QPointF(std::clamp(h.frequencyHz, spec.fromHz, spec.toHz), std::clamp(h.highestOpAmpDb, bottom, top))};
    worst.brush = QColor(200, 0, 0);
    worst.pen = pen(QColor(200, 0, 0), 1);
    worst.markerSize = 9;
    spec.series.push_back(std::move(worst));
    return spec;
}

std::vector<MaskRegion> maskRegions(ResponseKind kind, const approx::Mask& m, double fromHz, double toHz)
{
    std::vector<MaskRegion> regions;
    switch (kind) {
    case ResponseKind::LowPass: regions = {{fromHz, m.passbandEdgeHz, true}, {m.stopbandEdgeHz, toHz, false}}; break;
    case ResponseKind::HighPass: regions = {{fromHz, m.stopbandEdgeHz, false}, {m.passbandEdgeHz, toHz, true}}; break;
    case ResponseKind::BandPass:
        regions = {{fromHz, m.stopbandEdgeHz, false},
                   {m.passbandEdgeHz, m.passbandUpperEdgeHz, true},
                   {m.stopbandUpperEdgeHz, toHz, false}};
        break;
    case ResponseKind::BandStop:
        regions = {{fromHz, m.passbandEdgeHz, true},
                   {m.stopbandEdgeHz, m.stopbandUpperEdgeHz, false},
                   {m.passbandUpperEdgeHz, toHz, true}};
        break;
    }
    std::erase_if(regions, [&](const MaskRegion& r) { return !(r.toHz > r.fromHz) || r.toHz <= fromHz || r.fromHz >= toHz; });
    for (MaskRegion& r : regions) {
        r.fromHz = std::max(r.fromHz, fromHz);
        r.toHz = std::min(r.toHz, toHz);
    }
    return regions;
}

}  // namespace torvel::filter
