#include "shell/tools/tolerance_view.h"

#include "cascade/cascade_names.h"
#include "cascade/gain_split.h"
#include "shell/tools/sensitivity_table_model.h"
#include "shell/tools/tolerance_charts.h"
#include "tolerance/frequency_grid.h"
#include "tolerance/sensitivity.h"
#include "values/engineering_notation.h"

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace torvel {
namespace {

using tolerance::Figure;

constexpr int kRevealAfterMs = 200;   // runs shorter than this never show a progress bar
constexpr int kProgressEveryMs = 50;

QString figureText(Figure f)
{
    const std::string_view name = tolerance::figureName(f);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString numberText(double v) { return std::isfinite(v) ? QString::number(v, 'g', 6) : QStringLiteral("—"); }

}  // namespace

ToleranceView::ToleranceView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ToleranceView"));

    m_resistor = new QDoubleSpinBox;
    m_resistor->setObjectName(QStringLiteral("ResistorTolerance"));
    m_capacitor = new QDoubleSpinBox;
    m_capacitor->setObjectName(QStringLiteral("CapacitorTolerance"));
    for (QDoubleSpinBox* box : {m_resistor, m_capacitor}) {
        box->setRange(0, tolerance::kMaxTolerance * 100);
        box->setDecimals(3);
        box->setSingleStep(0.1);
        box->setSuffix(QStringLiteral(" %"));
    }
    m_resistor->setValue(1);
    m_capacitor->setValue(5);
    m_distribution = new QComboBox;
    m_distribution->setObjectName(QStringLiteral("Distribution"));
    m_distribution->addItem(QStringLiteral("一様分布 (許容差の範囲内で一様)"));
    m_distribution->addItem(QStringLiteral("正規分布 (許容差 = 3σ)"));
    m_seed = new QSpinBox;
    m_seed->setObjectName(QStringLiteral("Seed"));
    m_seed->setRange(0, std::numeric_limits<int>::max());
    m_seed->setValue(1);
    m_runs = new QSpinBox;
    m_runs->setObjectName(QStringLiteral("Runs"));
    m_runs->setRange(1, static_cast<int>(tolerance::kMaxRuns));
    m_runs->setSingleStep(1000);
    m_runs->setGroupSeparatorShown(true);
    m_runs->setValue(2000);

    auto* conditions = new QFormLayout;
    conditions->addRow(QStringLiteral("抵抗の許容差"), m_resistor);
    conditions->addRow(QStringLiteral("コンデンサの許容差"), m_capacitor);
    conditions->addRow(QStringLiteral("分布"), m_distribution);
    conditions->addRow(QStringLiteral("シード"), m_seed);
    conditions->addRow(QStringLiteral("試行回数"), m_runs);
    for (Figure f : tolerance::kAllFigures) {
        auto* field = new QLineEdit;
        field->setObjectName(QStringLiteral("Limit") + figureText(f));
        field->setPlaceholderText(QStringLiteral("判定しない"));
        field->setToolTip(QStringLiteral("公称値からの許容偏差 (%)。空欄はこの値で判定しない"));
        m_limits[static_cast<std::size_t>(f)] = field;
        conditions->addRow(figureText(f) + QStringLiteral(" の判定範囲 ±%"), field);
    }
    m_useMask = new QCheckBox(QStringLiteral("フィルタのマスクで判定"));
    m_useMask->setObjectName(QStringLiteral("UseMask"));
    m_useMask->setVisible(false);
    conditions->addRow(m_useMask);
    m_sectionChoice = new QComboBox;
    m_sectionChoice->setObjectName(QStringLiteral("Section"));
    m_sectionLabel = new QLabel(QStringLiteral("表示する段"));
    conditions->addRow(m_sectionLabel, m_sectionChoice);
    m_levelAt = new QLineEdit;
    m_levelAt->setObjectName(QStringLiteral("LevelFrequency"));
    m_levelAt->setPlaceholderText(QStringLiteral("fo"));
    m_levelAt->setToolTip(QStringLiteral("出力レベルの感度を求める周波数 (例 1.2k)。空欄は fo"));
    conditions->addRow(QStringLiteral("レベル感度の周波数 (Hz)"), m_levelAt);
    auto* conditionsBox = new QGroupBox(QStringLiteral("条件"));
    conditionsBox->setLayout(conditions);

    m_runButton = new QPushButton(QStringLiteral("実行"));
    m_runButton->setObjectName(QStringLiteral("RunTolerance"));
    m_cancelButton = new QPushButton(QStringLiteral("中止"));
    m_cancelButton->setObjectName(QStringLiteral("CancelTolerance"));
    m_cancelButton->setVisible(false);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ToleranceProgress"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setVisible(false);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(m_runButton);
    runRow->addWidget(m_progress, 1);
    runRow->addWidget(m_cancelButton);

    auto* left = new QVBoxLayout;
    left->addWidget(conditionsBox);
    left->addLayout(runRow);
    left->addStretch();

    m_yield = new QLabel(QStringLiteral("歩留まり —"));
    m_yield->setObjectName(QStringLiteral("Yield"));
    QFont big = m_yield->font();
    big.setPointSizeF(big.pointSizeF() * 2.4);
    big.setBold(true);
    m_yield->setFont(big);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("ToleranceStatus"));
    m_status->setWordWrap(true);

    m_foHistogram = newToleranceChartView(QStringLiteral("fo の分布"));
    m_qHistogram = newToleranceChartView(QStringLiteral("Q の分布"));
    auto* histograms = new QWidget;
    auto* histogramLayout = new QHBoxLayout(histograms);
    histogramLayout->addWidget(m_foHistogram);
    histogramLayout->addWidget(m_qHistogram);
    m_band = newToleranceChartView(QStringLiteral("応答のばらつき (95 % の試行が収まる範囲)"));

    m_sensitivityModel = new SensitivityTableModel(this);
    auto* proxy = new QSortFilterProxyModel(this);
    proxy->setSourceModel(m_sensitivityModel);
    proxy->setSortRole(SensitivityTableModel::SortRole);
    m_sensitivityTable = new QTableView;
    m_sensitivityTable->setObjectName(QStringLiteral("SensitivityTable"));
    m_sensitivityTable->setModel(proxy);
    m_sensitivityTable->setSortingEnabled(true);
    m_sensitivityTable->sortByColumn(-1, Qt::AscendingOrder);  // the library's order: most important first
    m_sensitivityTable->verticalHeader()->setVisible(false);
    m_sensitivityTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    m_figureTable = new QTableWidget;
    m_figureTable->setObjectName(QStringLiteral("FigureTable"));
    m_figureTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_figureTable->setColumnCount(7);
    m_figureTable->setHorizontalHeaderLabels({QStringLiteral("公称"), QStringLiteral("最小 (ワースト)"), QStringLiteral("最大 (ワースト)"),
                                              QStringLiteral("平均"), QStringLiteral("σ"), QStringLiteral("1 %点"), QStringLiteral("99 %点")});
    m_figureTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto* results = new QTabWidget;
    results->addTab(histograms, QStringLiteral("ヒストグラム"));
    results->addTab(m_band, QStringLiteral("応答のばらつき"));
    results->addTab(m_sensitivityTable, QStringLiteral("感度"));
    results->addTab(m_figureTable, QStringLiteral("ワーストケースと統計"));

    auto* right = new QVBoxLayout;
    right->addWidget(m_yield);
    right->addWidget(m_status);
    right->addWidget(results, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressEveryMs);
    m_revealTimer = new QTimer(this);
    m_revealTimer->setSingleShot(true);
    m_revealTimer->setInterval(kRevealAfterMs);

    connect(m_runButton, &QPushButton::clicked, this, &ToleranceView::startRun);
    connect(m_cancelButton, &QPushButton::clicked, this, &ToleranceView::cancelRun);
    connect(&m_watcher, &QFutureWatcher<tolerance::Study>::finished, this, &ToleranceView::finishRun);
    connect(m_progressTimer, &QTimer::timeout, this, &ToleranceView::showProgress);
    connect(m_revealTimer, &QTimer::timeout, this, [this] {
        m_progress->setVisible(true);
        m_cancelButton->setVisible(true);
    });
    connect(m_sectionChoice, &QComboBox::currentIndexChanged, this, [this] {
        updateSensitivities();
        drawStudy();
    });
    connect(m_levelAt, &QLineEdit::editingFinished, this, &ToleranceView::updateSensitivities);
    setSubject({}, std::nullopt, {});
}

ToleranceView::~ToleranceView()
{
    if (m_run)
        m_run->cancel = true;
    m_watcher.waitForFinished();
}

QChart* ToleranceView::histogramChart(Figure figure) const
{
    return (figure == Figure::Q ? m_qHistogram : m_foHistogram)->chart();
}

QChart* ToleranceView::bandChart() const { return m_band->chart(); }

bool ToleranceView::isRunning() const { return m_watcher.isRunning(); }

void ToleranceView::setSection(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp)
{
    setSubject({cascade::secondOrderCircuit(parts, type)}, std::nullopt, opAmp);
}

void ToleranceView::setCascade(const cascade::Cascade& filter, const OpAmpModel& opAmp)
{
    std::vector<cascade::SectionCircuit> sections;
    for (const cascade::BuiltSection& s : filter.sections)
        sections.push_back(s.circuit);
    setSubject(std::move(sections), filter, opAmp);
}

void ToleranceView::setSubject(std::vector<cascade::SectionCircuit> sections, std::optional<cascade::Cascade> filter,
                               const OpAmpModel& opAmp)
{
    if (m_run)
        m_run->cancel = true;  // its results, when they come, belong to the old circuit and are dropped
    ++m_generation;
    m_sections = std::move(sections);
    m_cascade = std::move(filter);
    m_opAmp = opAmp;
    m_study = {};

    const bool whole = m_cascade.has_value();
    const bool hasMask = whole && m_cascade->request.filter.mask.has_value();
    m_useMask->setVisible(whole);
    m_useMask->setEnabled(hasMask);
    m_useMask->setChecked(hasMask);
    m_useMask->setToolTip(hasMask ? QString() : QStringLiteral("このフィルタはマスクから設計されていません"));
    {
        const QSignalBlocker block(m_sectionChoice);
        m_sectionChoice->clear();
        for (std::size_t k = 0; k < m_sections.size(); ++k)
            m_sectionChoice->addItem(whole ? QStringLiteral("%1 段目 (%2)").arg(k + 1).arg(
                                                 QString::fromLatin1(cascade::sectionKey(m_cascade->sections[k].kind).data()))
                                           : QStringLiteral("この回路"));
    }
    m_sectionChoice->setVisible(whole);
    m_sectionLabel->setVisible(whole);
    m_runButton->setEnabled(!m_sections.empty());
    updateSensitivities();
    clearResults(m_sections.empty() ? QStringLiteral("回路がありません") : QStringLiteral("「実行」でワーストケースとモンテカルロ解析を行います"));
}

int ToleranceView::shownSection() const
{
    const int k = m_sectionChoice->currentIndex();
    return k >= 0 && k < static_cast<int>(m_sections.size()) ? k : 0;
}

void ToleranceView::updateSensitivities()
{
    if (m_sections.empty()) {
        m_sensitivityModel->setSensitivities({});
        return;
    }
    const cascade::SectionCircuit& circuit = m_sections[static_cast<std::size_t>(shownSection())];
    double f = ParseEngineering(m_levelAt->text().toStdString());
    if (!(f > 0 && std::isfinite(f)))
        f = tolerance::sectionFigures(circuit, m_opAmp)[Figure::Fo];
    m_sensitivityModel->setSensitivities(tolerance::sectionSensitivities(circuit, m_opAmp, std::isfinite(f) ? std::optional(f) : std::nullopt));
}

std::vector<double> ToleranceView::bandFrequencies() const
{
    if (m_cascade) {
        const auto [lowest, highest] = cascade::sectionFrequencyRange(m_cascade->design);
        return tolerance::logGrid(lowest / 10, highest * 10, 200);
    }
    const double fo = tolerance::sectionFigures(m_sections.front(), m_opAmp)[Figure::Fo];
    const double centre = std::isfinite(fo) && fo > 0 ? fo : 1000;
    return tolerance::logGrid(centre / 30, centre * 30, 121);
}

std::optional<tolerance::MonteCarloSettings> ToleranceView::readSettings()
{
    tolerance::MonteCarloSettings s;
    s.tolerances.resistor = m_resistor->value() / 100;
    s.tolerances.capacitor = m_capacitor->value() / 100;
    s.tolerances.distribution = m_distribution->currentIndex() == 1 ? tolerance::Distribution::Normal : tolerance::Distribution::Uniform;
    s.seed = static_cast<std::uint64_t>(m_seed->value());
    s.runs = m_runs->value();
    s.opAmp = m_opAmp;
    for (Figure f : tolerance::kAllFigures) {
        const QString text = limitField(f)->text().remove(QLatin1Char('%')).trimmed();
        if (text.isEmpty())
            continue;
        bool ok = false;
        const double percent = text.toDouble(&ok);
        if (!ok || !(percent > 0)) {
            clearResults(figureText(f) + QStringLiteral(" の判定範囲は正の % で入力してください"));
            return std::nullopt;
        }
        s.limits.relative[static_cast<std::size_t>(f)] = percent / 100;
    }
    s.bandFrequencyHz = bandFrequencies();
    return s;
}

void ToleranceView::clearResults(const QString& status)
{
    m_yield->setText(QStringLiteral("歩留まり —"));
    m_yield->setToolTip({});
    m_status->setText(status);
    drawStudy();
}

void ToleranceView::startRun()
{
    if (isRunning() || m_sections.empty())
        return;
    const std::optional<tolerance::MonteCarloSettings> settings = readSettings();
    if (!settings)
        return;
    const bool judgeMask = m_cascade && m_useMask->isChecked() && m_cascade->request.filter.mask;
    if (!settings->limits.any() && !judgeMask) {
        // Still worth running: the spread and the band need no limits.
        m_status->setText(QStringLiteral("判定範囲もマスクもないので歩留まりは求めません"));
    }
    m_run = std::make_shared<RunState>();
    m_run->total = settings->runs;
    m_run->generation = m_generation;
    m_study = {};
    m_yield->setText(QStringLiteral("歩留まり …"));
    m_status->setText(QStringLiteral("計算中 (%L1 回)").arg(settings->runs));
    m_runButton->setEnabled(false);
    m_progress->setValue(0);

    std::shared_ptr<RunState> run = m_run;
    std::optional<cascade::Cascade> filter = m_cascade;
    cascade::SectionCircuit section = m_sections.front();
    tolerance::CascadeMonteCarloSettings cascadeSettings;
    cascadeSettings.common = *settings;
    if (judgeMask)
        cascadeSettings.mask = m_cascade->request.filter.mask;
    m_watcher.setFuture(QtConcurrent::run([run, filter, section, cascadeSettings]() {
        tolerance::RunControl control;
        control.cancel = &run->cancel;
        control.progress = [run](std::int64_t done, std::int64_t) { run->done = done; };
        // Nothing may leave a worker thread as an exception: a failure is a refused study with its reason.
        try {
            return filter ? tolerance::studyCascade(*filter, cascadeSettings, control)
                          : tolerance::studySection(section, cascadeSettings.common, control);
        } catch (const std::exception& e) {
            tolerance::Study failed;
            failed.error = e.what();
            return failed;
        }
    }));
    m_progressTimer->start();
    m_revealTimer->start();
}

void ToleranceView::cancelRun()
{
    if (m_run)
        m_run->cancel = true;
}

void ToleranceView::showProgress()
{
    if (m_run && m_run->total > 0)
        m_progress->setValue(static_cast<int>(1000 * m_run->done.load() / m_run->total));
}

void ToleranceView::finishRun()
{
    m_progressTimer->stop();
    m_revealTimer->stop();
    m_progress->setVisible(false);
    m_cancelButton->setVisible(false);
    m_runButton->setEnabled(!m_sections.empty());
    const std::shared_ptr<RunState> run = std::move(m_run);
    if (!run || run->generation != m_generation)
        return;  // the circuit changed while it ran
    tolerance::Study study = m_watcher.result();
    if (study.status != tolerance::RunStatus::Completed) {
        clearResults(study.status == tolerance::RunStatus::Cancelled
                         ? QStringLiteral("中止しました (%L1 / %L2 回で中止)").arg(run->done.load()).arg(run->total)
                         : QStringLiteral("実行できません: ") + QString::fromStdString(study.error));
        emit runFinished(false);
        return;
    }
    m_study = std::move(study);
    const QString distribution = m_distribution->currentText();
    if (m_study.yield) {
        m_yield->setText(QStringLiteral("歩留まり %1 %").arg(*m_study.yield * 100, 0, 'f', 1));
        m_yield->setToolTip(QStringLiteral("判定範囲%1を満たした試行の割合")
                                .arg(m_cascade && m_useMask->isChecked() && m_cascade->request.filter.mask ? QStringLiteral("とマスク") : QString()));
    } else {
        m_yield->setText(QStringLiteral("歩留まり —"));
    }
    QString status = QStringLiteral("%L1 回, %2, シード %3").arg(m_study.runs).arg(distribution).arg(m_seed->value());
    if (m_study.worstCaseMeetsMask)
        status += *m_study.worstCaseMeetsMask ? QStringLiteral("。ワーストケースでもマスクを満たします")
                                              : QStringLiteral("。ワーストケースではマスクを外れます");
    if (!m_study.yield)
        status += QStringLiteral("。判定範囲もマスクもないので歩留まりは求めていません");
    m_status->setText(status);
    drawStudy();
    emit runFinished(true);
}

void ToleranceView::drawStudy()
{
    const auto k = static_cast<std::size_t>(shownSection());
    const bool have = m_study.status == tolerance::RunStatus::Completed && k < m_study.sections.size();
    const tolerance::SectionRuns* runs = have ? &m_study.sections[k] : nullptr;
    for (Figure f : {Figure::Fo, Figure::Q}) {
        QChart* chart = histogramChart(f);
        const QString title = figureText(f) + QStringLiteral(" の分布") + (f == Figure::Fo ? QStringLiteral(" (Hz)") : QString());
        if (runs && tolerance::hasFigure(runs->form, f))
            drawHistogram(chart, title, runs->samplesOf(f), runs->nominal[f]);
        else {
            clearChart(chart);
            chart->setTitle(runs ? figureText(f) + QStringLiteral(" はこの段にありません") : title);
        }
    }

    QChart* band = bandChart();
    clearChart(band);
    m_figureTable->setRowCount(0);
    if (!have)
        return;
    drawResponseBand(band, m_study.band, m_study.envelope);

    const tolerance::SectionWorstCase& worst = m_study.worstCases[k];
    for (Figure f : tolerance::kAllFigures) {
        if (!tolerance::hasFigure(runs->form, f))
            continue;
        const int row = m_figureTable->rowCount();
        m_figureTable->insertRow(row);
        m_figureTable->setVerticalHeaderItem(row, new QTableWidgetItem(figureText(f)));
        const tolerance::Statistics& s = runs->statisticsOf(f);
        const tolerance::FigureExtremes& x0 = worst.of(f);
        const double values[] = {x0.nominal, x0.low, x0.high, s.mean, s.std, s.p1, s.p99};
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(numberText(values[c]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_figureTable->setItem(row, c, item);
        }
    }
}

}  // namespace torvel
