#include "shell/charts/frequency_axis.h"

#include "values/engineering_notation.h"

#include <QAbstractSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QLogValueAxis>

#include <cmath>

namespace torvel {

QString frequencyLabel(double hz) { return QString::fromStdString(ShortEngineering(hz)); }

namespace {

void labelDecades(QCategoryAxis& labels, double fromHz, double toHz)
{
    for (const QString& label : labels.categoriesLabels())
        labels.remove(label);
    const double first = std::round(std::log10(fromHz));
    const double last = std::round(std::log10(toHz));
    // A category ends where its label stands; the first one ends on the start, which a category axis
    // refuses, so it starts a hair before.
    labels.setStartValue(first - 1e-9);
    for (double decade = first; decade <= last + 0.5; ++decade)
        labels.append(frequencyLabel(std::pow(10.0, decade)), decade);
    labels.setRange(first, last);
}

template <typename Axis>
Axis* bottomAxis(const QChart& chart)
{
    for (QAbstractAxis* axis : chart.axes(Qt::Horizontal))
        if (auto* found = qobject_cast<Axis*>(axis))
            return found;
    return nullptr;
}

}  // namespace

void addFrequencyAxis(QChart& chart, double fromHz, double toHz, const QList<QAbstractSeries*>& series)
{
    auto* log = new QLogValueAxis;
    log->setBase(10);
    log->setRange(fromHz, toHz);
    log->setMinorTickCount(8);
    log->setLabelsVisible(false);
    chart.addAxis(log, Qt::AlignBottom);
    for (QAbstractSeries* s : series)
        s->attachAxis(log);

    auto* labels = new QCategoryAxis;
    labels->setObjectName(QStringLiteral("FrequencyLabels"));
    labels->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    labelDecades(*labels, fromHz, toHz);
    labels->setGridLineVisible(false);
    labels->setLineVisible(false);
    labels->setTitleText(QStringLiteral("周波数 (Hz)"));
    chart.addAxis(labels, Qt::AlignBottom);
}

void setFrequencySpan(QChart& chart, double fromHz, double toHz)
{
    QLogValueAxis* log = bottomAxis<QLogValueAxis>(chart);
    QCategoryAxis* labels = bottomAxis<QCategoryAxis>(chart);
    if (!log || !labels || (log->min() == fromHz && log->max() == toHz))
        return;
    log->setRange(fromHz, toHz);
    labelDecades(*labels, fromHz, toHz);
}

}  // namespace torvel
