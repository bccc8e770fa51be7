// What the filter window adds to the whole filter beside its charts: the op-amp (the same built-in parts
// and typed figures as the response window, OpAmpControls), the swing and slew checks of every op-amp
// along the cascade with their warnings, the output noise page and the tolerance page.
//
// The window owns the filter and the GBW box; it hands each new design, and each new GBW, over with
// setFilter(). The checks run once the window has drawn, on a zero timer, since a twelfth-order filter
// with real op-amps takes longer to check than to draw; an op-amp without limits needs no checks. The
// noise page computes when it is in view, the tolerance page follows the filter at once (its runs start
// from its own button, on a worker thread).
#pragma once

#include "cascade/cascade.h"
#include "opamp/cascade_checks.h"

#include <QObject>
#include <QTimer>

#include <optional>

class QLineEdit;

namespace torvel {
class NoisePage;
class OpAmpControls;
class ToleranceView;
}  // namespace torvel

namespace torvel::filter {

class FilterAnalyses : public QObject {
    Q_OBJECT
public:
    /// `gainBandwidth` is the window's GBW box, which the op-amp controls write a chosen part's GBW into.
    FilterAnalyses(QLineEdit* gainBandwidth, QObject* parent);

    /// The widgets, for the window to place: the op-amp row and the two pages.
    OpAmpControls* opAmpControls() const { return m_controls; }
    NoisePage* noisePage() const { return m_noise; }
    ToleranceView* toleranceView() const { return m_tolerance; }

    /// The filter on screen, with the op-amps' open-loop model of the GBW box.
    void setFilter(const cascade::Cascade& cascade, const OpAmpModel& model);

    /// The op-amp the controls describe, with the GBW the curves use.
    OpAmpFigures opAmp() const;
    /// The last checks, or nothing before the first or when the op-amp has no limits.
    const std::optional<CascadeSignalChecks>& checks() const { return m_checks; }
    /// Whether checks or a noise band wait to run.
    bool workPending() const;

private:
    void opAmpChanged();
    void showNoiseOf(const cascade::Cascade& cascade);
    void runChecks();

    OpAmpControls* m_controls = nullptr;
    NoisePage* m_noise = nullptr;
    ToleranceView* m_tolerance = nullptr;
    std::optional<cascade::Cascade> m_cascade;
    OpAmpModel m_model;
    std::optional<CascadeSignalChecks> m_checks;
    QTimer m_checksTimer;
};

}  // namespace torvel::filter
