#include "shell/charts/chart_description.h"

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

namespace torvel {
namespace {

QAbstractSeries::SeriesType seriesType(SeriesDescription::Kind kind)
{
    switch (kind) {
    case SeriesDescription::Kind::Line: return QAbstractSeries::SeriesTypeLine;
    case SeriesDescription::Kind::Area: return QAbstractSeries::SeriesTypeArea;
    case SeriesDescription::Kind::Points: return QAbstractSeries::SeriesTypeScatter;
    }
    return QAbstractSeries::SeriesTypeLine;
}

QAbstractSeries* makeSeries(const SeriesDescription& spec)
{
    switch (spec.kind) {
    case SeriesDescription::Kind::Line: return new QLineSeries;
    case SeriesDescription::Kind::Area: {
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        auto* area = new QAreaSeries(upper, lower);
        // An area series does not own its edges: they become its children, so that they go with it when
        // the chart deletes it. Whatever parent the area took from its edges is dropped first.
        area->setParent(nullptr);
        upper->setParent(area);
        lower->setParent(area);
        return area;
    }
    case SeriesDescription::Kind::Points: return new QScatterSeries;
    }
    return nullptr;
}

void apply(QAbstractSeries& series, const SeriesDescription& spec)
{
    if (auto* area = qobject_cast<QAreaSeries*>(&series)) {
        area->upperSeries()->replace(spec.points);
        area->lowerSeries()->replace(spec.lower);
        area->setPen(spec.pen);
        area->setBrush(spec.brush);
        return;
    }
    auto& xy = static_cast<QXYSeries&>(series);
    xy.replace(spec.points);
    if (auto* scatter = qobject_cast<QScatterSeries*>(&series)) {
        scatter->setMarkerSize(spec.markerSize);
        scatter->setBrush(spec.brush);
        scatter->setPen(spec.pen);
    } else {
        xy.setPen(spec.pen);
    }
}

bool sameSeries(const QChart& chart, const ChartDescription& spec)
{
    const QList<QAbstractSeries*> shown = chart.series();
    if (shown.size() != static_cast<qsizetype>(spec.series.size()))
        return false;
    for (std::size_t k = 0; k < spec.series.size(); ++k) {
        const QAbstractSeries* s = shown[static_cast<qsizetype>(k)];
        if (s->type() != seriesType(spec.series[k].kind) || s->name() != spec.series[k].name)
            return false;
    }
    return true;
}

void rebuild(QChart& chart, const ChartDescription& spec)
{
    chart.removeAllSeries();
    // A removed axis is no longer the chart's: without the delete every rebuild would leak it.
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
    QList<QAbstractSeries*> series;
    for (const SeriesDescription& s : spec.series) {
        QAbstractSeries* made = makeSeries(s);
        made->setName(s.name);
        apply(*made, s);
        chart.addSeries(made);
        series.append(made);
    }
    addFrequencyAxis(chart, spec.fromHz, spec.toHz, series);
    auto* value = new QValueAxis;
    chart.addAxis(value, Qt::AlignLeft);
    for (QAbstractSeries* s : series)
        s->attachAxis(value);
    for (std::size_t k = 0; k < spec.series.size(); ++k)
        if (!spec.series[k].inLegend)
            for (QLegendMarker* marker : chart.legend()->markers(series[static_cast<qsizetype>(k)]))
                marker->setVisible(false);
}

}  // namespace

void showChart(QChart& chart, const ChartDescription& spec)
{
    if (sameSeries(chart, spec)) {
        const QList<QAbstractSeries*> shown = chart.series();
        for (std::size_t k = 0; k < spec.series.size(); ++k)
            apply(*shown[static_cast<qsizetype>(k)], spec.series[k]);
        setFrequencySpan(chart, spec.fromHz, spec.toHz);
    } else {
        rebuild(chart, spec);
    }
    if (auto* value = qobject_cast<QValueAxis*>(chart.axes(Qt::Vertical).value(0))) {
        value->setTitleText(spec.valueTitle);
        value->setRange(spec.lowest, spec.highest);
        if (spec.tickCount > 0) {
            value->setTickCount(spec.tickCount);
            value->setLabelFormat(QStringLiteral("%.0f"));
        } else {
            value->setLabelFormat(QStringLiteral("%g"));
            value->applyNiceNumbers();
        }
    }
    chart.legend()->setAlignment(spec.legend);
    chart.setTitle(spec.title);
}

QChartView* newChartView(const QString& objectName)
{
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart);
    view->setObjectName(objectName);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(480, 300);
    return view;
}
ChartSave saveChartImage(QChartView& view, const QString& path)
{
    if (path.isEmpty())
        return ChartSave::Failed;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(view.size());
        svg.setViewBox(view.rect());
        svg.setTitle(view.chart()->title());
        QPainter painter;
        if (!painter.begin(&svg))
            return ChartSave::Failed;
        view.render(&painter);
        return painter.end() ? ChartSave::Saved : ChartSave::Failed;
    }
    return view.grab().save(path, "PNG") ? ChartSave::Saved : ChartSave::Failed;
}

}  // namespace torvel
