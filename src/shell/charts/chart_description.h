// A chart described as plain data, and shown: the charts of the response, noise and filter windows.
//
// Showing a description with the same series as the chart already has (the usual case while a designer
// types) only moves their points, which costs a small part of making the series and their legend anew.
// Every chart has a logarithmic frequency axis (frequency_axis.h) and one value axis.
#pragma once

#include <QBrush>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QString>

#include <vector>

class QChart;
class QChartView;

namespace torvel {

struct SeriesDescription {
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

struct ChartDescription {
    QString title;
    QString valueTitle;
    double fromHz = 1, toHz = 10;
    double lowest = 0, highest = 1;
    int tickCount = 0;  // 0: round numbers chosen by the axis
    Qt::Alignment legend = Qt::AlignBottom;
    std::vector<SeriesDescription> series;
};

/// Makes the chart show the description.
void showChart(QChart& chart, const ChartDescription& spec);

QChartView* newChartView(const QString& objectName);

/// Writes the chart as it shows: ".svg" as vector graphics, anything else as PNG.
enum class [[nodiscard]] ChartSave { Saved, Failed };
ChartSave saveChartImage(QChartView& view, const QString& path);

}  // namespace torvel
