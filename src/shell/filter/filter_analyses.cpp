#include "shell/filter/filter_analyses.h"

#include "shell/charts/noise_page.h"
#include "shell/filter/filter_curves.h"
#include "shell/tools/opamp_controls.h"
#include "shell/tools/tolerance_view.h"

#include <cmath>

namespace torvel::filter {

FilterAnalyses::FilterAnalyses(QLineEdit* gainBandwidth, QObject* parent) : QObject(parent)
{
    m_controls = new OpAmpControls(gainBandwidth);
    // The pre-correction is a section's command; in this window a section is corrected in the calculator.
    m_controls->setPrecorrectionShown(false);
    m_noise = new NoisePage;
    m_tolerance = new ToleranceView;
    m_checksTimer.setSingleShot(true);
    m_checksTimer.setInterval(0);
    connect(&m_checksTimer, &QTimer::timeout, this, &FilterAnalyses::runChecks);
    connect(m_controls, &OpAmpControls::changed, this, &FilterAnalyses::opAmpChanged);
}

OpAmpFigures FilterAnalyses::opAmp() const
{
    // The GBW of the curves: what the box last read as, even while it holds a text that does not read.
    OpAmpFigures spec = m_controls->spec();
    spec.gainBandwidthHz = m_model.gainBandwidthHz;
    spec.dcGain = m_model.dcGain;
    return spec;
}

void FilterAnalyses::setFilter(const cascade::Cascade& cascade, const OpAmpModel& model)
{
    m_cascade = cascade;
    m_model = model;
    m_tolerance->setCascade(cascade, model);
    showNoiseOf(cascade);
    m_checksTimer.start();
}

void FilterAnalyses::opAmpChanged()
{
    if (!m_cascade)
        return;
    showNoiseOf(*m_cascade);
    m_checksTimer.start();
}

void FilterAnalyses::showNoiseOf(const cascade::Cascade& cascade)
{
    const auto [fromHz, toHz] = chartRange(cascade);
    m_noise->setSubject(cascadeNoiseSections(cascade, opAmp()), fromHz, toHz, passbandOf(cascade), QStringLiteral("通過域"));
}

void FilterAnalyses::runChecks()
{
    if (!m_cascade)
        return;
    const OpAmpFigures spec = opAmp();
    const double amplitude = m_controls->amplitude();
    // Without a swing or a slew rate nothing can clip or slew: there is nothing to find.
    if (!std::isfinite(spec.symmetricSwing()) && !std::isfinite(spec.slewRate)) {
        m_checks.reset();
        m_controls->showWarnings({}, amplitude);
        return;
    }
    const auto [from, to] = chartRange(*m_cascade);
    m_checks = checkCascadeSignal(*m_cascade, spec, amplitude, from, to);
    m_controls->showWarnings(m_checks->warnings, amplitude);
}

bool FilterAnalyses::workPending() const { return m_checksTimer.isActive() || m_noise->workPending(); }

}  // namespace torvel::filter
