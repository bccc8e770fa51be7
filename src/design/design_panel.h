// The design panel: everything the design logic may know of the window.
//
// The synthesis command, the analysis command and the peak-level report never touch a widget. They see
// named fields (a text and a visible flag each), the seven filter-type radio buttons, the five peak-level
// labels, the six schematics and three window operations. The Qt window implements this interface for
// the program; `PanelModel` implements it in memory for the tests and for torvel-cli. One logic, two
// front ends.
//
// The vocabulary the design layer shares lives here too: the fields, labels, images and filter types by
// name, and the design record that the synthesis command fills. What each filter type is lives in
// filter_types.h.
#pragma once

#include "values/checked_real.h"

#include <array>
#include <string>
#include <string_view>

namespace torvel {

/// The labelled edit boxes, in the order the analysis command reads the components.
enum class Field { C1, C2, R1, R2, R3, R4, R5, R6, R7, R8, R9, R10, H, Fo, Q, Fn, Zval };
inline constexpr int kFieldCount = 17;

enum class Label { A1, A2, A3, A4, Diff };
inline constexpr int kLabelCount = 5;

/// The two E-series combo boxes: resistors (ComboBoxEvalE1) and capacitors (ComboBoxEvalE2).
enum class Combo { EvalE1, EvalE2 };

enum class Image { Image3, Image4, Image5, Image6, Image7, Image8 };
inline constexpr int kImageCount = 6;

/// The seven type radio buttons, RadioButton1 to RadioButton7, in the window's order.
enum class FilterType { Lpf, Hpf, Bpf, TzfLow, TzfHigh, Notch, Apf };
inline constexpr int kFilterTypeCount = 7;

enum class MessageKind { Warning, Error, Information, Confirmation };
enum class MessageButtons { Ok };

struct FieldInfo {
    std::string_view objectName;  // "LabeledEditC1"
    std::string_view caption;     // the label's caption, leading blank included: " C1"
    std::string_view key;         // short name used by torvel-cli: "C1", "fo", "Z"
};

const FieldInfo& fieldInfo(Field field);
std::string_view imageName(Image image);
std::string_view labelName(Label label);  // "A1" ... "A4", "Diff"
constexpr Field componentField(int resistorNumber) { return static_cast<Field>(static_cast<int>(Field::R1) + resistorNumber - 1); }

inline constexpr std::array<Field, kFieldCount> kAllFields = {
    Field::C1, Field::C2, Field::R1, Field::R2, Field::R3, Field::R4, Field::R5, Field::R6, Field::R7,
    Field::R8, Field::R9, Field::R10, Field::H, Field::Fo, Field::Q, Field::Fn, Field::Zval};
inline constexpr std::array<Label, kLabelCount> kAllLabels = {Label::A1, Label::A2, Label::A3, Label::A4, Label::Diff};
inline constexpr std::array<Image, kImageCount> kAllImages = {Image::Image3, Image::Image4, Image::Image5,
                                                             Image::Image6, Image::Image7, Image::Image8};
inline constexpr std::array<FilterType, kFilterTypeCount> kAllFilterTypes = {
    FilterType::Lpf, FilterType::Hpf, FilterType::Bpf, FilterType::TzfLow,
    FilterType::TzfHigh, FilterType::Notch, FilterType::Apf};

/// What the logic may do with the window.
class DesignPanel {
public:
    virtual ~DesignPanel() = default;

    virtual std::string fieldText(Field field) const = 0;
    virtual void setFieldText(Field field, std::string_view text) = 0;
    /// A hidden field keeps its text.
    virtual bool fieldVisible(Field field) const = 0;
    virtual void setFieldVisible(Field field, bool visible) = 0;
    virtual std::string fieldCaption(Field field) const = 0;

    virtual std::string comboText(Combo combo) const = 0;
    virtual void setComboText(Combo combo, std::string_view text) = 0;

    virtual std::string labelText(Label label) const = 0;
    virtual void setLabelText(Label label, std::string_view text) = 0;

    virtual bool imageVisible(Image image) const = 0;
    virtual void setImageVisible(Image image, bool visible) = 0;

    virtual bool radioChecked(FilterType type) const = 0;
    /// Checks the radio button. When it was not checked yet, the type-selection handler
    /// (`Designer::RadioButton1Click`) has run by the time this returns; otherwise nothing happens.
    virtual void checkRadio(FilterType type) = 0;

    /// Makes the main window visible and raises it above other windows.
    virtual void RaiseWindow() = 0;
    /// Lets the window handle queued events (repainting changed texts) and returns.
    virtual void ProcessPendingMessages() = 0;
    /// A modal message box; returns when the user has closed it.
    virtual void CenteredMessage(std::string_view text, MessageKind kind, MessageButtons buttons) = 0;
};

/// The checked type radio button. Exactly one is checked at any time.
FilterType checkedFilterType(const DesignPanel& panel);

/// The numbers of the synthesis command. Lives as long as the program; each synthesis overwrites what it
/// reaches. Frequencies in Hz.
struct DesignRecord {
    int ResistorSeriesSize = 0;   // 0: no rounding
    int CapacitorSeriesSize = 0;
    Real StandardImpedance = 0;   // ohm
    Real H = 0, fo = 0, Q = 0;
    Real fn = 0;                  // NaN while the fn field is hidden; fo for the notch
    Real C1 = 0, C2 = 0;
    std::array<Real, 10> R{};     // R[0] is R1; a negative R8 marks a layout without R8
    Real ActualFo = 0;            // natural frequency of the rounded loop
    Real ActualQ = 0;             // Q of the rounded loop
    Real LoopRatio = 0;           // sqrt(R2*C2 / (R3*C1)) of the rounded loop
    Real ActualFn = 0;            // zero frequency realised with the rounded R8

    Real& r(int number) { return R[static_cast<std::size_t>(number - 1)]; }
    Real r(int number) const { return R[static_cast<std::size_t>(number - 1)]; }
};

/// R8 of a layout that has none (notch and all-pass). The summing stage's decade scaling multiplies it
/// with R7, R9 and R10, so any negative value means "absent", not this value alone.
inline constexpr double kAbsentR8 = -1;

}  // namespace torvel
