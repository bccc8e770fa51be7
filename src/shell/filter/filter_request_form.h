// The filter window's request as the designer types it: a response kind, an approximation, and either
// an order with its frequencies or a tolerance mask, plus the gain and the parts settings, each number a
// text in a box. Reading those texts into a CascadeRequest, and saying what is wrong box by box in the
// window's language, is kept here, free of any widget, so that every rule is tested on plain texts.
//
// Numbers read as the main window's boxes read them (ParseEngineering: "10k", "4.7K", "1k5"). A band's
// edges are one box holding both, "F1,F2", as torvel-cli takes them; the ideographic comma and the
// full-width comma separate them too. The series boxes read as the main window's series combos (an
// unreadable text is no rounding), and an unreadable impedance is 4.7 kΩ, as in the calculator.
#pragma once

#include "approx/approximation.h"
#include "cascade/cascade.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvel::filter {

/// Whether the order and frequencies are typed or fitted to a mask.
enum class RequestMode { Order, Mask };

/// The value boxes of the request, in the window's order.
enum class RequestBox { Order, Fc, Bandwidth, Fp, Fs, Ap, As, Ripple, Attenuation, Gain, ResistorSeries, CapacitorSeries, Impedance };
inline constexpr int kRequestBoxCount = 13;

struct RequestTexts {
    approx::ResponseKind kind = approx::ResponseKind::LowPass;
    approx::Approximation approximation = approx::Approximation::Butterworth;
    RequestMode mode = RequestMode::Order;
    std::array<std::string, kRequestBoxCount> boxes{};

    std::string& operator[](RequestBox box) { return boxes[static_cast<std::size_t>(box)]; }
    const std::string& operator[](RequestBox box) const { return boxes[static_cast<std::size_t>(box)]; }
};

/// What the window starts with: a fourth-order Butterworth low-pass at 1 kHz, the mask boxes holding a
/// mask of the same kind, and the parts settings given (the main window's).
RequestTexts defaultRequestTexts(const cascade::PartSettings& parts);

/// Mask texts that fit `kind` (fp and fs as one frequency or as a band), for when the kind changes and
/// the old edges no longer fit it.
std::pair<std::string, std::string> defaultMaskEdges(approx::ResponseKind kind);

/// Whether a box takes part in the request for this kind, approximation and mode; the others are greyed.
bool boxUsed(RequestBox box, approx::ResponseKind kind, approx::Approximation approximation, RequestMode mode);

struct BoxError {
    RequestBox box;
    std::string text;  // in Japanese, for the label next to the box
};

struct [[nodiscard]] RequestReading {
    std::optional<cascade::CascadeRequest> request;
    std::vector<BoxError> errors;  // at most one per box, in box order; empty when request is set
};

/// Reads the boxes in use into a request and checks every rule that belongs to one box (or to fp and fs
/// together, reported on the box the designer is most likely to fix: fs for low-pass, high-pass and
/// band-pass, fp for band-stop).
RequestReading readRequest(const RequestTexts& texts);

struct [[nodiscard]] DesignOutcome {
    std::optional<cascade::Cascade> cascade;
    std::vector<BoxError> boxErrors;
    std::string generalError;  // in Japanese; a rule of the whole request, with the library's own words
};

/// Reads and designs. A request that passes every box's rule can still be refused as a whole (a mask
/// that needs more than the highest order offered); that refusal is a general error.
DesignOutcome designFromTexts(const RequestTexts& texts);

/// The texts that give `request` back when read, for a filter file that has been opened.
RequestTexts requestTextsOf(const cascade::CascadeRequest& request);

/// A number in engineering notation with the shortest mantissa that reads back to it within ten digits:
/// 12000 gives "12k", 0.0047 gives "4.7m", 1234.5 gives "1.2345k".
std::string engineeringText(double value);

/// The window's caption of a response kind and of an approximation.
std::string_view responseKindCaption(approx::ResponseKind kind);
std::string_view approximationCaption(approx::Approximation approximation);

inline constexpr std::array<approx::ResponseKind, 4> kAllResponseKinds = {
    approx::ResponseKind::LowPass, approx::ResponseKind::HighPass, approx::ResponseKind::BandPass,
    approx::ResponseKind::BandStop};
inline constexpr std::array<approx::Approximation, 5> kAllApproximations = {
    approx::Approximation::Butterworth, approx::Approximation::Chebyshev, approx::Approximation::Bessel,
    approx::Approximation::InverseChebyshev, approx::Approximation::Elliptic};

}  // namespace torvel::filter
