// "雑音": the whole filter's output noise as a page of the filter window: the density over the charts'
// frequencies, the total over a band (the filter's passband unless the designer types one), and each
// source's share, by section and part, so that the designer sees what to change.
//
// The numbers come from the op-amp library (cascade_noise.h, noise.h); the page reads its two band boxes
// and draws. It computes only while it is in view: a new filter or op-amp marks it out of date, and
// coming into view brings it up to date.
#pragma once

#include "cascade/cascade.h"
#include "opamp/cascade_noise.h"

#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

class QChartView;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace torvel::filter {

class NoisePage : public QWidget {
    Q_OBJECT
public:
    explicit NoisePage(QWidget* parent = nullptr);

    /// The filter on screen and its op-amp.
    void setSubject(const cascade::Cascade& cascade, const OpAmpFigures& opAmp);

    /// The last computation, and the band its total covers.
    const std::optional<NoiseResult>& result() const { return m_result; }
    NoiseBand band() const { return m_band; }
    bool bandIsPassband() const { return m_bandIsPassband; }
    bool isStale() const { return m_stale; }
    /// Whether a typed band waits to be read.
    bool workPending() const { return m_bandTimer.isActive(); }

    QLineEdit* bandLowField() const { return m_bandLow; }
    QLineEdit* bandHighField() const { return m_bandHigh; }
    QLabel* totalLabel() const { return m_total; }
    QLabel* bandError() const { return m_bandError; }
    QChartView* chartView() const { return m_chart; }
    QTableWidget* sourcesTable() const { return m_sources; }

public slots:
    /// Computes now, whether in view or not.
    void recompute();

protected:
    void showEvent(QShowEvent* event) override;

private:
    /// The band of the boxes (an empty box: that end of the passband); nothing when they do not read.
    std::optional<NoiseBand> typedBand();
    void display(const NoiseResult& noise);

    std::vector<NoiseSection> m_sections;
    double m_fromHz = 10, m_toHz = 100e3;
    NoiseBand m_passband;
    NoiseBand m_band;
    bool m_bandIsPassband = true;
    bool m_stale = false;
    std::optional<NoiseResult> m_result;

    QLineEdit* m_bandLow = nullptr;
    QLineEdit* m_bandHigh = nullptr;
    QLabel* m_bandError = nullptr;
    QLabel* m_total = nullptr;
    QChartView* m_chart = nullptr;
    QTableWidget* m_sources = nullptr;
    QTimer m_bandTimer;
};

}  // namespace torvel::filter
