// The main window's definition: every control with its place, size, caption, initial text, hint and tab
// order, in the 96-dpi pixels of the layout (nothing is scaled).
//
// Seen as a whole: the peak-level strip across the top, the element values in the left column, filter
// type (upper) and transfer function (lower) in the middle column, the schematic on the right, the four
// buttons along the bottom left and the E-series group along the bottom right. The start state is the
// low-pass layout: R7 to R10 and fn hidden, Image3 shown, RadioButton1 checked.
#pragma once

#include "design/design_panel.h"

#include <array>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace torvel {

class TImage;
class TLabeledEdit;

inline constexpr int kClientWidth = 737;
inline constexpr int kClientHeight = 407;

struct FormControls {
    QGroupBox* GroupBox1 = nullptr;        // peak levels
    QGroupBox* GroupBoxElement = nullptr;  // element values
    QGroupBox* GroupBoxType = nullptr;     // filter type
    QGroupBox* GroupBoxTF = nullptr;       // transfer function
    QGroupBox* GroupBoxEV = nullptr;       // E-series choice
    std::array<TLabeledEdit*, kFieldCount> edits{};  // by Field
    std::array<QRadioButton*, kFilterTypeCount> radios{};  // by FilterType
    QLabel* LabelE1 = nullptr;
    QLabel* LabelE2 = nullptr;
    QComboBox* ComboBoxEvalE1 = nullptr;
    QComboBox* ComboBoxEvalE2 = nullptr;
    std::array<QLabel*, kLabelCount> peakLabels{};  // by Label
    std::array<TImage*, kImageCount> images{};      // by Image
    QPushButton* ButtonCir = nullptr;
    QPushButton* ButtonTF = nullptr;
    QPushButton* ButtonPrint = nullptr;
    QPushButton* ButtonExit = nullptr;

    /// The keyboard's path through the window, in tab order; GroupBoxType stands for its checked button.
    std::vector<QWidget*> navigationStops;

    TLabeledEdit* edit(Field field) const { return edits[static_cast<std::size_t>(field)]; }
    QRadioButton* radio(FilterType type) const { return radios[static_cast<std::size_t>(type)]; }
    QLabel* peakLabel(Label label) const { return peakLabels[static_cast<std::size_t>(label)]; }
    TImage* image(Image which) const { return images[static_cast<std::size_t>(which)]; }
    QComboBox* combo(Combo which) const { return which == Combo::EvalE1 ? ComboBoxEvalE1 : ComboBoxEvalE2; }
};

/// Builds every control inside `form`, which must already carry the window's font.
FormControls buildFormControls(QWidget& form);

/// Only the checked type button is a tab stop, so the type group is one stop in the tab order.
void moveTypeTabStop(const FormControls& controls);

}  // namespace torvel
