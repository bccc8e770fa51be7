// "雑音": the output noise of a section (the response window) or of a whole filter (the filter window):
// the density over the charts' frequencies, the total over a band (a default band, the filter's passband,
// unless the designer types one), and each source's share, by section and part, so that the designer sees
// what to change.
//
// The numbers come from the op-amp library (noise.h); the page reads its two band boxes and draws. It
// computes only while it is in view: a new circuit or op-amp marks it out of date, and coming into view
// brings it up to date.
#pragma once

#include "opamp/cascade_noise.h"
#include "opamp/noise.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

class QChartView;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace torvel {

class NoisePage : public QWidget {
    Q_OBJECT
public:
    explicit NoisePage(QWidget* parent = nullptr);

    /// What is on screen: its sections in order (one for a section), the charts' frequency span, and the
    /// band the total covers when the boxes are empty, with its name ("通過域").
    void setSubject(std::vector<NoiseSection> sections, double fromHz, double toHz, NoiseBand defaultBand,
                    const QString& defaultBandName);

    /// The last computation, and the band its total covers.
    const std::optional<NoiseResult>& result() const { return m_result; }
    NoiseBand band() const { return m_band; }
    /// Whether the total covers the default band (the boxes are empty).
    bool bandIsDefault() const { return m_bandIsDefault; }
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
    /// The band of the boxes (an empty box: that end of the default band); nothing when they do not read.
    std::optional<NoiseBand> typedBand();
    void display(const NoiseResult& noise);

    std::vector<NoiseSection> m_sections;
    double m_fromHz = 10, m_toHz = 100e3;
    NoiseBand m_defaultBand;
    QString m_defaultBandName;
    NoiseBand m_band;
    bool m_bandIsDefault = true;
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

}  // namespace torvel
