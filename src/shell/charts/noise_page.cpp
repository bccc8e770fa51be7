#include "shell/charts/noise_page.h"

#include "shell/charts/chart_description.h"
#include "shell/charts/frequency_axis.h"
#include "values/engineering_notation.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace torvel {
namespace {

// As the request boxes: a value typed at an ordinary pace is read once, when the hand stops.
constexpr int kTypingPauseMs = 150;
// The density's points over the charts' span: a section's peak of Q 10 still spans several of them.
constexpr int kDensityPoints = 300;

QString hertz(double hz) { return frequencyLabel(hz) + QStringLiteral("Hz"); }

// "20Hz〜20kHz, 通過域", or "指定" for a band typed in.
QString bandText(const NoiseBand& band, const QString& name)
{
    return QStringLiteral("%1〜%2, %3").arg(hertz(band.lowHz), hertz(band.highHz), name);
}

ChartDescription noiseChart(const NoiseResult& noise, double fromHz, double toHz, const NoiseBand& band, const QString& bandName)
{
    ChartDescription spec;
    spec.title = QStringLiteral("出力雑音密度  合計 %1 µVrms (%2)").arg(noise.totalVrms * 1e6, 0, 'g', 4).arg(bandText(band, bandName));
    spec.valueTitle = QStringLiteral("雑音密度 (nV/√Hz)");
    spec.fromHz = fromHz;
    spec.toHz = toHz;
    double highest = 0;
    QList<QPointF> density;
    for (std::size_t i = 0; i < noise.frequencyHz.size(); ++i) {
        const double nv = noise.density[i] * 1e9;
        if (std::isfinite(nv)) {
            density.append(QPointF(noise.frequencyHz[i], nv));
            highest = std::max(highest, nv);
        }
    }
    spec.lowest = 0;
    spec.highest = highest > 0 ? highest * 1.15 : 1;

    SeriesDescription area;
    area.kind = SeriesDescription::Kind::Area;
    area.name = QStringLiteral("積分帯域");
    const double from = std::clamp(band.lowHz, fromHz, toHz), to = std::clamp(band.highHz, fromHz, toHz);
    area.points = {QPointF(from, spec.highest), QPointF(to, spec.highest)};
    area.lower = {QPointF(from, 0), QPointF(to, 0)};
    area.pen = QPen(QColor(40, 140, 60, 120));
    area.brush = QColor(60, 180, 80, 40);
    spec.series.push_back(std::move(area));

    SeriesDescription line;
    line.name = QStringLiteral("出力の雑音");
    line.points = std::move(density);
    QPen pen(QColor(20, 90, 200));
    pen.setWidthF(2.5);
    line.pen = pen;
    spec.series.push_back(std::move(line));
    return spec;
}

QTableWidgetItem* cell(const QString& text, bool number)
{
    auto* item = new QTableWidgetItem(text);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

}  // namespace

NoisePage::NoisePage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("NoisePage"));
    m_bandLow = new QLineEdit;
    m_bandLow->setObjectName(QStringLiteral("NoiseBandLow"));
    m_bandHigh = new QLineEdit;
    m_bandHigh->setObjectName(QStringLiteral("NoiseBandHigh"));
    for (QLineEdit* box : {m_bandLow, m_bandHigh}) {
        box->setToolTip(QStringLiteral("雑音を積分する帯域の端 (Hz, 例 20, 20k)。空欄は既定の帯域の端"));
        box->setMaximumWidth(100);
        connect(box, &QLineEdit::textChanged, this, [this] { m_bandTimer.start(); });
        connect(box, &QLineEdit::returnPressed, this, &NoisePage::recompute);
    }
    m_bandTimer.setSingleShot(true);
    m_bandTimer.setInterval(kTypingPauseMs);
    connect(&m_bandTimer, &QTimer::timeout, this, &NoisePage::recompute);
    auto* bandLabel = new QLabel(QStringLiteral("積分帯域 (Hz)"));
    bandLabel->setBuddy(m_bandLow);
    m_bandError = new QLabel;
    m_bandError->setObjectName(QStringLiteral("NoiseBandError"));
    m_bandError->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_total = new QLabel;
    m_total->setObjectName(QStringLiteral("NoiseTotal"));
    m_total->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont big = m_total->font();
    big.setBold(true);
    m_total->setFont(big);

    auto* row = new QHBoxLayout;
    row->addWidget(bandLabel);
    row->addWidget(m_bandLow);
    row->addWidget(new QLabel(QStringLiteral("〜")));
    row->addWidget(m_bandHigh);
    row->addWidget(m_bandError);
    row->addStretch();
    row->addWidget(m_total);

    m_chart = newChartView(QStringLiteral("NoiseChart"));
    m_sources = new QTableWidget;
    m_sources->setObjectName(QStringLiteral("NoiseSources"));
    m_sources->setColumnCount(4);
    m_sources->setHorizontalHeaderLabels({QStringLiteral("段"), QStringLiteral("雑音源"), QStringLiteral("µVrms"), QStringLiteral("割合 (%)")});
    m_sources->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sources->verticalHeader()->hide();
    m_sources->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_sources->setToolTip(QStringLiteral("各雑音源が帯域内の出力雑音に占める割合 (大きい順)。en, in はオペアンプの入力換算雑音電圧・電流"));

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(m_chart);
    splitter->addWidget(m_sources);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(splitter, 1);
}

void NoisePage::setSubject(std::vector<NoiseSection> sections, double fromHz, double toHz, NoiseBand defaultBand,
                           const QString& defaultBandName)
{
    m_sections = std::move(sections);
    m_fromHz = fromHz;
    m_toHz = toHz;
    m_defaultBand = defaultBand;
    m_defaultBandName = defaultBandName;
    for (QLineEdit* box : {m_bandLow, m_bandHigh})
        box->setPlaceholderText(defaultBandName);
    // A single section needs no column saying which section a source belongs to.
    m_sources->setColumnHidden(0, m_sections.size() < 2);
    m_stale = true;
    if (isVisible())
        recompute();
}

std::optional<NoiseBand> NoisePage::typedBand()
{
    NoiseBand band = m_defaultBand;
    const auto read = [](const QLineEdit* box, double& into) {
        const QString text = box->text().trimmed();
        if (text.isEmpty())
            return true;
        const double value = ParseEngineering(text.toStdString());
        if (!(value > 0) || !std::isfinite(value))
            return false;
        into = value;
        return true;
    };
    if (!read(m_bandLow, band.lowHz) || !read(m_bandHigh, band.highHz) || !(band.highHz > band.lowHz))
        return std::nullopt;
    return band;
}

void NoisePage::recompute()
{
    m_bandTimer.stop();
    if (m_sections.empty())
        return;
    const std::optional<NoiseBand> band = typedBand();
    m_bandError->setText(band ? QString() : QStringLiteral("帯域は 0 < F1 < F2 の周波数で入れてください"));
    if (!band)
        return;  // the last result stays
    m_band = *band;
    m_bandIsDefault = m_bandLow->text().trimmed().isEmpty() && m_bandHigh->text().trimmed().isEmpty();
    NoiseSettings settings;
    settings.fromHz = m_fromHz;
    settings.toHz = m_toHz;
    settings.points = kDensityPoints;
    settings.bandLowHz = m_band.lowHz;
    settings.bandHighHz = m_band.highHz;
    m_result = outputNoise(m_sections, settings);
    m_stale = false;
    display(*m_result);
}

void NoisePage::display(const NoiseResult& noise)
{
    const QString bandName = m_bandIsDefault ? m_defaultBandName : QStringLiteral("指定");
    showChart(*m_chart->chart(), noiseChart(noise, m_fromHz, m_toHz, m_band, bandName));
    m_total->setText(QStringLiteral("合計 %1 µVrms (%2)").arg(noise.totalVrms * 1e6, 0, 'g', 4).arg(bandText(m_band, bandName)));
    m_sources->setRowCount(static_cast<int>(noise.sources.size()));
    for (int row = 0; row < m_sources->rowCount(); ++row) {
        const NoiseSource& s = noise.sources[static_cast<std::size_t>(row)];
        m_sources->setItem(row, 0, cell(QString::number(s.section + 1), true));
        m_sources->setItem(row, 1, cell(QString::fromStdString(s.name), false));
        m_sources->setItem(row, 2, cell(QString::number(s.vrms * 1e6, 'g', 4), true));
        m_sources->setItem(row, 3, cell(QString::number(s.share * 100, 'f', 2), true));
    }
}

void NoisePage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        recompute();
}

}  // namespace torvel
