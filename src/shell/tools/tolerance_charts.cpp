#include "shell/tools/tolerance_charts.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QValueAxis>

#include <cmath>

namespace torvel {
namespace {

constexpr int kHistogramBins = 40;
constexpr double kLevelFloorDb = -200;  // a notch's depth, bounded for the axis

void attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y)
{
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

QLineSeries* levelCurve(const QString& name, const std::vector<double>& f, const std::vector<double>& db)
{
    auto* series = new QLineSeries;
    series->setName(name);
    QList<QPointF> points;
    for (std::size_t i = 0; i < f.size() && i < db.size(); ++i)
        if (!std::isnan(db[i]))
            points.append(QPointF(f[i], std::max(db[i], kLevelFloorDb)));
    series->replace(points);
    return series;
}

}  // namespace

QChartView* newToleranceChartView(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(320, 220);
    return view;
}

void clearChart(QChart* chart)
{
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
}

void drawHistogram(QChart* chart, const QString& title, const std::vector<double>& samples, double nominal)
{
    clearChart(chart);
    chart->setTitle(title);
    const tolerance::Histogram h = tolerance::histogramOf(samples, kHistogramBins);
    std::int64_t highest = 0;
    for (std::int64_t c : h.counts)
        highest = std::max(highest, c);
    if (highest == 0)
        return;
    auto* outline = new QLineSeries;
    auto* base = new QLineSeries;
    const double width = (h.to - h.from) / static_cast<double>(h.counts.size());
    for (std::size_t k = 0; k < h.counts.size(); ++k) {
        const double left = h.from + width * static_cast<double>(k);
        const auto count = static_cast<double>(h.counts[k]);
        outline->append(left, count);
        outline->append(left + width, count);
    }
    base->append(h.from, 0);
    base->append(h.to + (width > 0 ? 0 : 1), 0);
    auto* area = new QAreaSeries(outline, base);
    // An area series does not own its edges: the chart deletes the area, the area its edges.
    outline->setParent(area);
    base->setParent(area);
    area->setName(QStringLiteral("回数"));
    area->setColor(QColor(70, 130, 180, 160));
    auto* mark = new QLineSeries;
    mark->setName(QStringLiteral("公称値"));
    mark->append(nominal, 0);
    mark->append(nominal, static_cast<double>(highest));
    mark->setColor(Qt::red);

    auto* x = new QValueAxis;
    const double margin = width > 0 ? width : std::max(std::abs(nominal) * 1e-6, 1e-12);
    x->setRange(std::min(h.from, nominal) - margin, std::max(h.to, nominal) + margin);
    x->setLabelFormat("%.4g");
    auto* y = new QValueAxis;
    y->setRange(0, static_cast<double>(highest) * 1.08);
    y->applyNiceNumbers();
    y->setLabelFormat("%.0f");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    attach(chart, area, x, y);
    attach(chart, mark, x, y);
}

void drawResponseBand(QChart* chart, const tolerance::ResponseBand& b, const tolerance::LevelEnvelope& e)
{
    clearChart(chart);
    if (b.frequencyHz.empty())
        return;
    auto* low = levelCurve(QStringLiteral("2.5 %点"), b.frequencyHz, b.lowDb);
    auto* high = levelCurve(QStringLiteral("97.5 %点"), b.frequencyHz, b.highDb);
    auto* area = new QAreaSeries(high, low);
    high->setParent(area);
    low->setParent(area);
    area->setName(QStringLiteral("95 % の範囲"));
    area->setColor(QColor(70, 130, 180, 110));
    area->setBorderColor(QColor(70, 130, 180));
    std::vector<QAbstractSeries*> series = {area};
    for (const auto& [name, levels] : {std::pair{QStringLiteral("ワーストケース (全コーナー)"), &e.lowDb}, std::pair{QString(), &e.highDb}}) {
        QLineSeries* line = levelCurve(name, e.frequencyHz, *levels);
        QPen pen(Qt::gray);
        pen.setStyle(Qt::DashLine);
        line->setPen(pen);
        series.push_back(line);
    }
    QLineSeries* nominal = levelCurve(QStringLiteral("公称"), b.frequencyHz, b.nominalDb);
    QPen pen(Qt::black);
    pen.setWidth(2);
    nominal->setPen(pen);
    series.push_back(nominal);
    auto* x = new QLogValueAxis;
    x->setTitleText(QStringLiteral("周波数 (Hz)"));
    x->setLabelFormat("%g");
    x->setMinorTickCount(8);
    x->setRange(b.frequencyHz.front(), b.frequencyHz.back());
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("レベル (dB)"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    double lo = INFINITY, hi = -INFINITY;
    for (const std::vector<double>* v : {&b.nominalDb, &e.lowDb, &e.highDb})
        for (double d : *v)
            if (std::isfinite(d)) {
                lo = std::min(lo, std::max(d, kLevelFloorDb));
                hi = std::max(hi, d);
            }
    for (QAbstractSeries* s : series)
        attach(chart, s, x, y);
    if (std::isfinite(lo) && std::isfinite(hi)) {
        y->setRange(std::max(lo, hi - 100) - 1, hi + 1);  // the deep stopband would flatten the passband
        y->applyNiceNumbers();
    }
    // The lower envelope's line carries the legend entry for both.
    if (!chart->legend()->markers(series[2]).isEmpty())
        chart->legend()->markers(series[2]).front()->setVisible(false);
}

}  // namespace torvel
