// The op-amp of the response window and of the filter design window: a built-in part or typed figures,
// the input amplitude for the swing and slew checks, the pre-correction button, and what the checks and
// the pre-correction found.
//
// The GBW is the window's own field: choosing a part writes its GBW there, so the curves and the checks
// always use the same op-amp. Typing into any figure makes the op-amp "custom".
#pragma once

#include "opamp/opamp_figures.h"
#include "opamp/precorrection_command.h"
#include "opamp/signal_checks.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace torvel {

class OpAmpControls : public QWidget {
    Q_OBJECT
public:
    /// `gainBandwidth` is the response window's GBW field (empty: ideal).
    explicit OpAmpControls(QLineEdit* gainBandwidth, QWidget* parent = nullptr);

    /// The op-amp the fields describe; a figure that does not read counts as unlimited (or noiseless).
    OpAmpFigures spec() const;
    /// The input peak of the checks in volts; 1 V when the field does not read.
    double amplitude() const;

    void showChecks(const SignalChecks& checks);
    /// The warnings of checks at `amplitudeV` (a whole filter's, one line per op-amp output that clips or
    /// slews), or that there is room when there are none.
    void showWarnings(const std::vector<std::string>& warnings, double amplitudeV);
    /// Whether the window offers the pre-correction (a whole filter's window does not).
    void setPrecorrectionShown(bool shown);
    void showPrecorrection(const PrecorrectionOutcome& outcome);

    QComboBox* choice() const { return m_choice; }
    QLineEdit* amplitudeField() const { return m_amplitude; }
    QPushButton* precorrectButton() const { return m_precorrect; }
    QLabel* warnings() const { return m_warnings; }
    QLabel* precorrectionResult() const { return m_result; }

signals:
    /// The op-amp or the amplitude changed: the curves and the checks are out of date.
    void changed();
    void precorrectionRequested();

private:
    void choose(int index);
    void makeCustom();

    QLineEdit* m_gbw;
    QComboBox* m_choice = nullptr;
    QLineEdit* m_slew = nullptr;
    QLineEdit* m_swing = nullptr;
    QLineEdit* m_en = nullptr;
    QLineEdit* m_in = nullptr;
    QLineEdit* m_amplitude = nullptr;
    QPushButton* m_precorrect = nullptr;
    QLabel* m_warnings = nullptr;
    QLabel* m_result = nullptr;
};

}  // namespace torvel
