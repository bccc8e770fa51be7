// A logarithmic frequency axis labelled the way the designer writes frequencies: 1, 10, 100, 1k, 10k, 1M.
//
// QLogValueAxis formats its labels with printf and shows 1e+06; it cannot write prefixes. So the chart
// gets two bottom axes: the log axis, which the series are drawn on and which draws the grid (decades and
// the 2 ... 9 lines between them) with its own labels hidden, and a category axis over log10(f) whose
// category boundaries sit on the decades and carry the engineering labels. Both span the same decades,
// so each label sits on its grid line.
#pragma once

#include <QList>
#include <QString>

class QAbstractAxis;
class QAbstractSeries;
class QChart;

namespace torvel {

/// "1", "10", "100", "1k", "10k", "1M", "100m".
QString frequencyLabel(double hz);

/// Adds the frequency axes from `fromHz` to `toHz` (powers of ten) to the chart and attaches `series`
/// to the log one.
void addFrequencyAxis(QChart& chart, double fromHz, double toHz, const QList<QAbstractSeries*>& series);

/// Moves the frequency axes addFrequencyAxis made to another span; the labels are made again only when
/// the span changes.
void setFrequencySpan(QChart& chart, double fromHz, double toHz);

}  // namespace torvel
