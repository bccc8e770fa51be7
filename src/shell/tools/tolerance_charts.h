// The tolerance tab's charts: histograms of a figure over the runs, and the response band over the
// nominal curve with the worst case's envelope.
#pragma once

#include "tolerance/monte_carlo.h"
#include "tolerance/worst_case.h"

#include <QString>

#include <vector>

class QChart;
class QChartView;

namespace torvel {

QChartView* newToleranceChartView(const QString& title);

/// Removes every series and axis (a removed axis is no longer the chart's and is deleted here).
void clearChart(QChart* chart);

/// The samples' histogram as a filled step outline, the nominal value as a vertical line.
void drawHistogram(QChart* chart, const QString& title, const std::vector<double>& samples, double nominal);

/// The band that holds 95 % of the runs, the worst case's envelope (dashed) and the nominal level over a
/// log frequency axis; levels below -200 dB drawn at -200 dB, and at most 100 dB shown below the top.
void drawResponseBand(QChart* chart, const tolerance::ResponseBand& band, const tolerance::LevelEnvelope& envelope);

}  // namespace torvel
