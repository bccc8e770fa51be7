// "周波数特性": the response of the circuit in the component fields, solved from its node equations.
//
// Magnitude of the filter output and of every op-amp output, phase and group delay of the output, on a
// log frequency axis, each output's peak marked with its level and frequency. A gain-bandwidth field
// compares ideal op-amps with real ones (empty: ideal); the op-amp controls below it pick a real part,
// check an input amplitude against its swing and slew rate, and ask for the pre-correction. The curves
// are saved as PNG or SVG. A tolerance tab (tolerance_view.h) shows what the parts' tolerances do to the
// same circuit, a noise tab (noise_page.h) the section's output noise with the op-amp's noise figures.
#pragma once

#include "design/circuit_response.h"

#include <QWidget>

class QChart;
class QChartView;
class QLineEdit;
class QTabWidget;

namespace torvel {

class NoisePage;
class OpAmpControls;
class ToleranceView;

class ResponseWindow : public QWidget {
    Q_OBJECT
public:
    explicit ResponseWindow(QWidget* parent = nullptr);
    ~ResponseWindow() override;

    /// Draws the response of `parts` in the layout of `type` with the op-amps of the GBW field.
    void showCircuit(const CircuitComponents& parts, FilterType type);

    /// The peaks as marked, by output (A1 ... A4); empty where an output is absent.
    const std::vector<ResponsePeak>& peaks() const { return m_peaks; }
    QChart* magnitudeChart() const;
    QLineEdit* gainBandwidthField() const { return m_gbw; }
    /// The tolerance tab, which follows the circuit and the op-amps shown.
    ToleranceView* toleranceView() const { return m_tolerance; }
    /// The noise tab, which follows the circuit and the op-amp's noise figures.
    NoisePage* noisePage() const { return m_noise; }
    QTabWidget* tabs() const { return m_tabs; }
    OpAmpControls* opAmpControls() const { return m_opAmp; }

    /// Writes the visible chart (the noise tab's too): ".svg" as vector graphics, anything else as PNG. False
    /// when it fails or the tab shows no chart.
    bool saveChart(const QString& path) const;

    /// Replaces the save dialog; tests give a path instead of asking.
    void setPathChooser(std::function<QString(const QString& filter)> chooser) { m_choosePath = std::move(chooser); }

public slots:
    void recompute();
    void saveAs();

signals:
    /// The pre-correction button: the window's owner runs the command on the design panel.
    void precorrectionRequested();

private:
    OpAmpModel opAmpModel() const;

    QTabWidget* m_tabs = nullptr;
    QChartView* m_magnitude = nullptr;
    QChartView* m_phase = nullptr;
    QChartView* m_delay = nullptr;
    QLineEdit* m_gbw = nullptr;
    ToleranceView* m_tolerance = nullptr;
    NoisePage* m_noise = nullptr;
    OpAmpControls* m_opAmp = nullptr;
    CircuitComponents m_parts;
    FilterType m_type = FilterType::Lpf;
    std::vector<ResponsePeak> m_peaks;
    std::function<QString(const QString&)> m_choosePath;
};

}  // namespace torvel
