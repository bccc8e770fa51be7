// "許容差": what the parts' tolerances do to a section or to a whole filter, as one widget that any window
// can show as a tab (the response window for the section in the component fields; a filter window for
// its cascade).
//
// The sensitivity table follows the circuit at once. A run (実行) computes the worst case over every
// corner and the Monte Carlo runs on a worker thread, so the window stays responsive; a run still going
// after 200 ms shows a progress bar and a cancel button. The results: the yield in large type, histograms
// of fo and Q, the response band that holds 95 % of the runs over the nominal curve and the worst case's
// envelope, and a table of worst-case extremes and statistics. All numbers come from the tolerance
// library; this widget only reads its fields and draws.
#pragma once

#include "cascade/cascade.h"
#include "design/circuit_response.h"
#include "tolerance/study.h"

#include <QFutureWatcher>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;
class QTimer;

namespace torvel {

class SensitivityTableModel;

class ToleranceView : public QWidget {
    Q_OBJECT
public:
    explicit ToleranceView(QWidget* parent = nullptr);
    /// Stops a run still going and waits for it.
    ~ToleranceView() override;

    /// One section: the layout of `type` with `parts`. A run still going is cancelled and its results
    /// dropped; the sensitivities follow at once.
    void setSection(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp);
    /// A whole filter, judged against its mask when it has one and the box is checked.
    void setCascade(const cascade::Cascade& cascade, const OpAmpModel& opAmp);

    bool isRunning() const;
    /// The last completed run (status Refused before any).
    const tolerance::Study& study() const { return m_study; }

    QPushButton* runButton() const { return m_runButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* yieldLabel() const { return m_yield; }
    QLabel* statusLabel() const { return m_status; }
    QDoubleSpinBox* resistorToleranceField() const { return m_resistor; }
    QDoubleSpinBox* capacitorToleranceField() const { return m_capacitor; }
    QComboBox* distributionField() const { return m_distribution; }
    QSpinBox* seedField() const { return m_seed; }
    QSpinBox* runsField() const { return m_runs; }
    QLineEdit* limitField(tolerance::Figure figure) const { return m_limits[static_cast<std::size_t>(figure)]; }
    QCheckBox* maskField() const { return m_useMask; }
    QComboBox* sectionField() const { return m_sectionChoice; }
    QTableView* sensitivityTable() const { return m_sensitivityTable; }
    QTableWidget* figureTable() const { return m_figureTable; }
    QChart* histogramChart(tolerance::Figure figure) const;
    QChart* bandChart() const;

public slots:
    void startRun();
    void cancelRun();

signals:
    /// After each run: completed, or cancelled or refused.
    void runFinished(bool completed);

private slots:
    void finishRun();
    void showProgress();
    void updateSensitivities();
    void drawStudy();

private:
    struct RunState {
        std::atomic<bool> cancel{false};
        std::atomic<std::int64_t> done{0};
        std::int64_t total = 0;
        unsigned generation = 0;
    };

    void setSubject(std::vector<cascade::SectionCircuit> sections, std::optional<cascade::Cascade> cascade,
                    const OpAmpModel& opAmp);
    std::optional<tolerance::MonteCarloSettings> readSettings();
    std::vector<double> bandFrequencies() const;
    int shownSection() const;
    void clearResults(const QString& status);

    std::vector<cascade::SectionCircuit> m_sections;
    std::optional<cascade::Cascade> m_cascade;
    OpAmpModel m_opAmp;
    unsigned m_generation = 0;
    tolerance::Study m_study;
    std::shared_ptr<RunState> m_run;
    QFutureWatcher<tolerance::Study> m_watcher;

    QDoubleSpinBox* m_resistor = nullptr;
    QDoubleSpinBox* m_capacitor = nullptr;
    QComboBox* m_distribution = nullptr;
    QSpinBox* m_seed = nullptr;
    QSpinBox* m_runs = nullptr;
    std::array<QLineEdit*, tolerance::kFigureCount> m_limits{};
    QCheckBox* m_useMask = nullptr;
    QComboBox* m_sectionChoice = nullptr;
    QLabel* m_sectionLabel = nullptr;
    QLineEdit* m_levelAt = nullptr;
    QPushButton* m_runButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_yield = nullptr;
    QLabel* m_status = nullptr;
    QChartView* m_foHistogram = nullptr;
    QChartView* m_qHistogram = nullptr;
    QChartView* m_band = nullptr;
    QTableView* m_sensitivityTable = nullptr;
    SensitivityTableModel* m_sensitivityModel = nullptr;
    QTableWidget* m_figureTable = nullptr;
    QTimer* m_progressTimer = nullptr;
    QTimer* m_revealTimer = nullptr;
};

}  // namespace torvel
