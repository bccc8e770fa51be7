// The filter window's charts: the whole filter's magnitude (wanted and built, the mask's forbidden
// regions shaded), its phase, its group delay, and the level of every op-amp output of every section on
// one chart with the headroom.
//
// Each chart is first described as plain data (ChartSpec), then shown. Showing a description with the same
// series as the chart already has (the usual case while a designer types) only moves their points, which
// costs a small part of making the series and their legend anew.
#pragma once

#include "cascade/cascade.h"
#include "shell/filter/filter_curves.h"

#include <QBrush>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QString>

#include <vector>

class QChart;
class QChartView;

namespace torvel::filter {

struct SeriesSpec {
    enum class Kind { Line, Area, Points };
    Kind kind = Kind::Line;
    QString name;
    bool inLegend = true;
    QList<QPointF> points;  // an area's upper edge
    QList<QPointF> lower;   // an area's lower edge
    QPen pen;
    QBrush brush;            // areas and points
    qreal markerSize = 8;    // points
};

struct ChartSpec {
    QString title;
    QString valueTitle;
    double fromHz = 1, toHz = 10;
    double lowest = 0, highest = 1;
    int tickCount = 0;  // 0: round numbers chosen by the axis
    Qt::Alignment legend = Qt::AlignBottom;
    std::vector<SeriesSpec> series;
};

ChartSpec magnitudeChart(const FilterCurves& curves, const cascade::Cascade& cascade);
ChartSpec phaseChart(const FilterCurves& curves);
ChartSpec groupDelayChart(const FilterCurves& curves);
ChartSpec opAmpLevelChart(const FilterCurves& curves);

/// Makes the chart show the description.
void showChart(QChart& chart, const ChartSpec& spec);

QChartView* newChartView(const QString& objectName);

/// The forbidden regions of a mask as frequency ranges within the chart's span: a passband must not
/// lose more than Ap, a stopband must not rise above G - As.
struct MaskRegion {
    double fromHz, toHz;
    bool passband;
};
std::vector<MaskRegion> maskRegions(approx::ResponseKind kind, const approx::Mask& mask, double fromHz, double toHz);

/// Writes the chart as it shows: ".svg" as vector graphics, anything else as PNG.
enum class [[nodiscard]] ChartSave { Saved, Failed };
ChartSave saveChartImage(QChartView& view, const QString& path);

}  // namespace torvel::filter
