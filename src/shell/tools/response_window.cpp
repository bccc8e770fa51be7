#include "shell/tools/response_window.h"

#include "shell/charts/chart_description.h"
#include "shell/charts/frequency_axis.h"
#include "shell/charts/noise_page.h"
#include "shell/messages/message_dialogs.h"
#include "shell/tools/opamp_controls.h"
#include "shell/tools/tolerance_view.h"

#include "values/engineering_notation.h"

#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QScatterSeries>
#include <QTabWidget>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace torvel {
namespace {

constexpr double kStartHz = 1;
constexpr double kStopHz = 1e6;
constexpr int kPoints = 2000;
const char* const kOutputNames[] = {"A1", "A2", "A3", "A4"};
// A section's noise is integrated over the audio band unless the designer types a band: the band the
// command line's noise command takes by default too.
constexpr NoiseBand kSectionNoiseBand{20, 20e3};

QString frequencyText(double hz)
{
    std::string text = FormatEngineering(hz, 0, 2);
    if (!text.empty() && text.back() == ' ')
        text.pop_back();
    return QString::fromStdString(text) + "Hz";
}

QChartView* titledChartView(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(640, 360);
    return view;
}

// Replaces the chart's series by `curves` on a log frequency axis and a linear value axis.
void fill(QChart* chart, const std::vector<QAbstractSeries*>& series, const QString& valueTitle)
{
    chart->removeAllSeries();
    // A removed axis is no longer the chart's: without the delete every recompute would leak two.
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    QList<QAbstractSeries*> all;
    for (QAbstractSeries* s : series) {
        chart->addSeries(s);
        all.append(s);
    }
    // Decades labelled 1, 10, ... 1k, 1M as the other charts are, rather than printf's 1e+06.
    addFrequencyAxis(*chart, kStartHz, kStopHz, all);
    auto* value = new QValueAxis;
    value->setTitleText(valueTitle);
    chart->addAxis(value, Qt::AlignLeft);
    double lo = INFINITY, hi = -INFINITY;
    for (QAbstractSeries* s : series) {
        s->attachAxis(value);
        if (auto* xy = qobject_cast<QXYSeries*>(s)) {
            for (const QPointF& p : xy->points()) {
                if (std::isfinite(p.y())) {
                    lo = std::min(lo, p.y());
                    hi = std::max(hi, p.y());
                }
            }
        }
    }
    if (std::isfinite(lo) && std::isfinite(hi)) {
        const double margin = std::max(1.0, (hi - lo) * 0.05);
        value->setRange(lo - margin, hi + margin);
        value->applyNiceNumbers();
    }
}

QLineSeries* curve(const QString& name, const std::vector<double>& x, const std::vector<double>& y, double floor = -200)
{
    auto* series = new QLineSeries;
    series->setName(name);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(x.size()));
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::isfinite(y[i]))
            points.append(QPointF(x[i], std::max(y[i], floor)));  // a notch's depth is bounded for the axis
    series->replace(points);
    return series;
}

}  // namespace

ResponseWindow::ResponseWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ResponseWindow"));
    // A tool of the main window: it never keeps the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("周波数特性"));
    m_magnitude = titledChartView(QStringLiteral("振幅 (出力と各オペアンプ)"));
    m_phase = titledChartView(QStringLiteral("位相 (出力)"));
    m_delay = titledChartView(QStringLiteral("群遅延 (出力)"));
    m_tabs = new QTabWidget;
    m_tabs->addTab(m_magnitude, QStringLiteral("振幅"));
    m_tabs->addTab(m_phase, QStringLiteral("位相"));
    m_tabs->addTab(m_delay, QStringLiteral("群遅延"));
    m_noise = new NoisePage;
    m_tabs->addTab(m_noise, QStringLiteral("雑音"));
    m_tolerance = new ToleranceView;
    m_tabs->addTab(m_tolerance, QStringLiteral("許容差"));

    m_gbw = new QLineEdit;
    m_gbw->setObjectName(QStringLiteral("GainBandwidth"));
    m_gbw->setPlaceholderText(QStringLiteral("理想"));
    m_gbw->setToolTip(QStringLiteral("オペアンプの利得帯域幅積 (例 1M, 10M)。空欄は理想オペアンプ"));
    auto* gbwLabel = new QLabel(QStringLiteral("GBW(Hz)"));
    gbwLabel->setBuddy(m_gbw);
    auto* save = new QPushButton(QStringLiteral("保存..."));
    save->setObjectName(QStringLiteral("SaveChart"));
    connect(m_gbw, &QLineEdit::editingFinished, this, &ResponseWindow::recompute);
    connect(save, &QPushButton::clicked, this, &ResponseWindow::saveAs);

    auto* controls = new QHBoxLayout;
    controls->addWidget(gbwLabel);
    controls->addWidget(m_gbw);
    controls->addStretch();
    controls->addWidget(save);
    m_opAmp = new OpAmpControls(m_gbw);
    connect(m_opAmp, &OpAmpControls::changed, this, &ResponseWindow::recompute);
    connect(m_opAmp, &OpAmpControls::precorrectionRequested, this, &ResponseWindow::precorrectionRequested);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_opAmp);
    layout->addWidget(m_tabs);

    m_choosePath = [this](const QString& filter) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("グラフの保存"), QString(), filter);
    };
}

ResponseWindow::~ResponseWindow()
{
    // The fields are deleted after this class's part of the object: a focused one that loses its focus
    // then finishes its editing, which must not reach recompute() any more.
    m_gbw->disconnect(this);
    m_opAmp->disconnect(this);
}

QChart* ResponseWindow::magnitudeChart() const { return m_magnitude->chart(); }

OpAmpModel ResponseWindow::opAmpModel() const
{
    OpAmpModel model;
    const double gbw = ParseEngineering(m_gbw->text().toStdString());
    if (gbw > 0)
        model.gainBandwidthHz = gbw;
    return model;
}

void ResponseWindow::showCircuit(const CircuitComponents& parts, FilterType type)
{
    m_parts = parts;
    m_type = type;
    recompute();
}

void ResponseWindow::recompute()
{
    const OpAmpModel model = opAmpModel();
    m_tolerance->setSection(m_parts, m_type, model);
    m_noise->setSubject({NoiseSection{m_parts, m_type, m_opAmp->spec()}}, kStartHz, kStopHz, kSectionNoiseBand,
                        QStringLiteral("可聴帯域"));
    const ResponseCurves curves = frequencyResponse(m_parts, m_type, model, kStartHz, kStopHz, kPoints);
    const int outputs = curves.hasA4 ? 4 : 3;
    const int out = curves.outputIndex;

    std::vector<QAbstractSeries*> magnitude;
    auto* peaks = new QScatterSeries;
    peaks->setName(QStringLiteral("ピーク"));
    peaks->setMarkerSize(8);
    m_peaks.clear();
    for (int k = 0; k < outputs; ++k) {
        const QString name = QString::fromLatin1(kOutputNames[k]) + (k == out ? QStringLiteral(" (出力)") : QString());
        QLineSeries* line = curve(name, curves.frequencyHz, curves.levelDb[static_cast<std::size_t>(k)]);
        if (k == out) {
            QPen pen = line->pen();
            pen.setWidth(3);
            line->setPen(pen);
        }
        magnitude.push_back(line);
        const ResponsePeak peak = findPeak(m_parts, m_type, model, k, kStartHz, kStopHz);
        m_peaks.push_back(peak);
        if (std::isfinite(peak.levelDb))
            peaks->append(peak.frequencyHz, peak.levelDb);
    }
    // The peaks of a designed loop lie close together; their values go in the title, not on the points.
    magnitude.push_back(peaks);
    fill(m_magnitude->chart(), magnitude, QStringLiteral("レベル (dB)"));
    QStringList peakTexts;
    for (std::size_t k = 0; k < m_peaks.size(); ++k)
        peakTexts << QStringLiteral("%1 %2dB(%3)").arg(kOutputNames[k]).arg(m_peaks[k].levelDb, 0, 'f', 2).arg(frequencyText(m_peaks[k].frequencyHz));
    m_magnitude->chart()->setTitle(QStringLiteral("振幅  ") + peakTexts.join(QStringLiteral("  ")));

    fill(m_phase->chart(), {curve(QStringLiteral("位相"), curves.frequencyHz, curves.phaseDeg[static_cast<std::size_t>(out)])},
         QStringLiteral("位相 (°)"));
    std::vector<double> microseconds;
    for (double seconds : curves.outputGroupDelay)
        microseconds.push_back(seconds * 1e6);
    fill(m_delay->chart(), {curve(QStringLiteral("群遅延"), curves.frequencyHz, microseconds, -1e12)},
         QStringLiteral("群遅延 (µs)"));
    m_opAmp->showChecks(checkSignal(m_parts, m_type, m_opAmp->spec(), m_opAmp->amplitude(), kStartHz, kStopHz));
}

bool ResponseWindow::saveChart(const QString& path) const
{
    QChartView* view = qobject_cast<QChartView*>(m_tabs->currentWidget());
    if (m_tabs->currentWidget() == m_noise)
        view = m_noise->chartView();
    return view && saveChartImage(*view, path) == ChartSave::Saved;
}

void ResponseWindow::saveAs()
{
    const QString path = m_choosePath(QStringLiteral("PNG (*.png);;SVG (*.svg)"));
    if (!path.isEmpty() && !saveChart(path))
        CenteredMessage(QStringLiteral("保存できませんでした: ") + path, MessageKind::Warning, MessageButtons::Ok, 0, this);
}

}  // namespace torvel
