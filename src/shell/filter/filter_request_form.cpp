#include "shell/filter/filter_request_form.h"

#include "approx/mask_fit.h"
#include "values/engineering_notation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace torvel::filter {
namespace {

using approx::ResponseKind;

// Collects the first error of each box; the reading goes on so that every wrong box says so at once.
class Reader {
public:
    explicit Reader(const RequestTexts& texts) : m_texts(texts) {}

    std::optional<double> number(RequestBox box)
    {
        const double value = ParseEngineering(m_texts[box]);
        if (std::isnan(value))
            return fail(box, m_texts[box].find_first_not_of(" \t") == std::string::npos ? "値を入れてください"
                                                                                         : "数値として読めません");
        return value;
    }

    std::optional<double> positive(RequestBox box, const char* error)
    {
        const std::optional<double> value = number(box);
        if (value && !(*value > 0 && std::isfinite(*value)))
            return fail(box, error);
        return value;
    }

    std::optional<double> frequency(RequestBox box) { return positive(box, "0 Hz より高い周波数を入れてください"); }

    // "F1,F2": both edges of a band, lower first.
    std::optional<std::pair<double, double>> band(RequestBox box)
    {
        std::string text = m_texts[box];
        for (const std::string_view separator : {"\xEF\xBC\x8C" /* ， */, "\xE3\x80\x81" /* 、 */})
            for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, at))
                text.replace(at, separator.size(), ",");
        const std::size_t comma = text.find(',');
        if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) {
            fail(box, "帯域の両端を「F1,F2」の形で入れてください");
            return std::nullopt;
        }
        const double low = ParseEngineering(text.substr(0, comma));
        const double high = ParseEngineering(text.substr(comma + 1));
        if (std::isnan(low) || std::isnan(high)) {
            fail(box, "数値として読めません (帯域の両端を「F1,F2」の形で)");
            return std::nullopt;
        }
        if (!(low > 0 && high > 0)) {
            fail(box, "0 Hz より高い周波数を入れてください");
            return std::nullopt;
        }
        if (!(low < high)) {
            fail(box, "低い方の端を先に入れてください (F1 < F2)");
            return std::nullopt;
        }
        return std::pair{low, high};
    }

    std::optional<int> order()
    {
        const std::optional<double> value = number(RequestBox::Order);
        if (!value)
            return std::nullopt;
        if (!(*value >= approx::kMinOrder && *value <= approx::kMaxOrder && std::floor(*value) == *value)) {
            fail(RequestBox::Order, "次数は " + std::to_string(approx::kMinOrder) + " から " + std::to_string(approx::kMaxOrder)
                                        + " までの整数です");
            return std::nullopt;
        }
        return static_cast<int>(*value);
    }

    std::nullopt_t fail(RequestBox box, std::string text)
    {
        if (!has(box))
            m_errors.push_back({box, std::move(text)});
        return std::nullopt;
    }

    bool has(RequestBox box) const
    {
        for (const BoxError& e : m_errors)
            if (e.box == box)
                return true;
        return false;
    }

    std::vector<BoxError> errors() &&
    {
        std::vector<BoxError> sorted = std::move(m_errors);
        std::stable_sort(sorted.begin(), sorted.end(), [](const BoxError& a, const BoxError& b) { return a.box < b.box; });
        return sorted;
    }

private:
    const RequestTexts& m_texts;
    std::vector<BoxError> m_errors;
};

std::string decibelsText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g dB", value);
    return text;
}

std::optional<approx::Mask> readMask(Reader& reader, ResponseKind kind)
{
    approx::Mask m;
    bool edgesRead = false;
    if (approx::isBand(kind)) {
        const auto pass = reader.band(RequestBox::Fp);
        const auto stop = reader.band(RequestBox::Fs);
        if (pass && stop) {
            std::tie(m.passbandEdgeHz, m.passbandUpperEdgeHz) = *pass;
            std::tie(m.stopbandEdgeHz, m.stopbandUpperEdgeHz) = *stop;
            edgesRead = true;
        }
    } else {
        const auto pass = reader.frequency(RequestBox::Fp);
        const auto stop = reader.frequency(RequestBox::Fs);
        if (pass && stop) {
            m.passbandEdgeHz = *pass;
            m.stopbandEdgeHz = *stop;
            edgesRead = true;
        }
    }
    const auto ap = reader.positive(RequestBox::Ap, "0 dB より大きくしてください");
    const auto as = reader.number(RequestBox::As);
    if (ap && as && !(*as > *ap))
        reader.fail(RequestBox::As, "Ap (" + decibelsText(*ap) + ") より大きくしてください");
    if (edgesRead) {
        switch (kind) {
        case ResponseKind::LowPass:
            if (!(m.stopbandEdgeHz > m.passbandEdgeHz))
                reader.fail(RequestBox::Fs, "低域通過では阻止域端を通過域端 fp より高くしてください");
            break;
        case ResponseKind::HighPass:
            if (!(m.stopbandEdgeHz < m.passbandEdgeHz))
                reader.fail(RequestBox::Fs, "高域通過では阻止域端を通過域端 fp より低くしてください");
            break;
        case ResponseKind::BandPass:
            if (!(m.stopbandEdgeHz < m.passbandEdgeHz && m.stopbandUpperEdgeHz > m.passbandUpperEdgeHz))
                reader.fail(RequestBox::Fs, "阻止域端は通過域 (fp) の外側に置いてください");
            break;
        case ResponseKind::BandStop:
            if (!(m.passbandEdgeHz < m.stopbandEdgeHz && m.passbandUpperEdgeHz > m.stopbandUpperEdgeHz))
                reader.fail(RequestBox::Fp, "通過域端は阻止域 (fs) の外側に置いてください");
            break;
        }
    }
    if (!edgesRead || !ap || !as)
        return std::nullopt;
    m.maxPassbandLossDb = *ap;
    m.minStopbandAttenuationDb = *as;
    return m;
}

}  // namespace

RequestTexts defaultRequestTexts(const cascade::PartSettings& parts)
{
    RequestTexts t;
    t[RequestBox::Order] = "4";
    t[RequestBox::Fc] = "1k";
    t[RequestBox::Bandwidth] = "200";
    std::tie(t[RequestBox::Fp], t[RequestBox::Fs]) = defaultMaskEdges(t.kind);
    t[RequestBox::Ap] = "1";
    t[RequestBox::As] = "40";
    t[RequestBox::Ripple] = "1";
    t[RequestBox::Attenuation] = "40";
    t[RequestBox::Gain] = "1";
    t[RequestBox::ResistorSeries] = parts.resistorSeries;
    t[RequestBox::CapacitorSeries] = parts.capacitorSeries;
    t[RequestBox::Impedance] = parts.impedance;
    return t;
}

std::pair<std::string, std::string> defaultMaskEdges(ResponseKind kind)
{
    switch (kind) {
    case ResponseKind::LowPass: return {"1k", "2k"};
    case ResponseKind::HighPass: return {"1k", "500"};
    case ResponseKind::BandPass: return {"800,1.25k", "500,2k"};
    case ResponseKind::BandStop: return {"500,2k", "800,1.25k"};
    }
    return {"1k", "2k"};
}

bool boxUsed(RequestBox box, ResponseKind kind, approx::Approximation approximation, RequestMode mode)
{
    const bool order = mode == RequestMode::Order;
    switch (box) {
    case RequestBox::Order:
    case RequestBox::Fc: return order;
    case RequestBox::Bandwidth: return order && approx::isBand(kind);
    case RequestBox::Ripple: return order && approx::hasRipple(approximation);
    case RequestBox::Attenuation: return order && approx::hasAttenuation(approximation);
    case RequestBox::Fp:
    case RequestBox::Fs:
    case RequestBox::Ap:
    case RequestBox::As: return !order;
    case RequestBox::Gain:
    case RequestBox::ResistorSeries:
    case RequestBox::CapacitorSeries:
    case RequestBox::Impedance: return true;
    }
    return false;
}

RequestReading readRequest(const RequestTexts& texts)
{
    Reader reader(texts);
    cascade::CascadeRequest r;
    approx::FilterRequest& f = r.filter;
    f.kind = texts.kind;
    f.approximation = texts.approximation;
    const auto used = [&](RequestBox box) { return boxUsed(box, texts.kind, texts.approximation, texts.mode); };

    if (texts.mode == RequestMode::Order) {
        f.order = reader.order();
        f.fcHz = reader.frequency(RequestBox::Fc).value_or(0);
        if (used(RequestBox::Bandwidth))
            f.bandwidthHz = reader.frequency(RequestBox::Bandwidth).value_or(0);
        if (used(RequestBox::Ripple))
            f.rippleDb = reader.positive(RequestBox::Ripple, "0 dB より大きくしてください").value_or(0);
        if (used(RequestBox::Attenuation)) {
            const auto attenuation = reader.positive(RequestBox::Attenuation, "0 dB より大きくしてください");
            f.attenuationDb = attenuation.value_or(0);
            if (attenuation && texts.approximation == approx::Approximation::Elliptic && !reader.has(RequestBox::Ripple)
                && !(*attenuation > f.rippleDb))
                reader.fail(RequestBox::Attenuation, "リプル (" + decibelsText(f.rippleDb) + ") より大きくしてください");
        }
    } else {
        f.order.reset();
        f.mask = readMask(reader, texts.kind);
    }
    f.gain = reader.positive(RequestBox::Gain, "0 より大きくしてください").value_or(0);

    r.parts.resistorSeries = texts[RequestBox::ResistorSeries];
    r.parts.capacitorSeries = texts[RequestBox::CapacitorSeries];
    r.parts.impedance = texts[RequestBox::Impedance];
    const double z = ParseEngineering(r.parts.impedance);
    if (!std::isnan(z) && !(z > 0 && std::isfinite(z)))
        reader.fail(RequestBox::Impedance, "0 Ω より大きくしてください");

    std::vector<BoxError> errors = std::move(reader).errors();
    if (!errors.empty())
        return {std::nullopt, std::move(errors)};
    return {std::move(r), {}};
}

DesignOutcome designFromTexts(const RequestTexts& texts)
{
    RequestReading reading = readRequest(texts);
    if (!reading.request)
        return {std::nullopt, std::move(reading.errors), {}};
    const cascade::CascadeRequest& request = *reading.request;
    if (request.filter.mask) {
        // Every box is right on its own; what is left is a mask too tight for the orders offered.
        const approx::MaskFitResult fit = approx::fitMask(request.filter.kind, request.filter.approximation, *request.filter.mask);
        if (!fit.fit)
            return {std::nullopt, {},
                    "このマスクは " + std::to_string(approx::kMaxOrder)
                        + " 次までの次数では満たせません。遷移域を広げるか、Ap を大きく As を小さくしてください。("
                        + fit.error + ")"};
    }
    cascade::CascadeResult designed = cascade::designCascade(request);
    if (!designed.cascade)
        return {std::nullopt, {}, "この要求からは設計できません。(" + designed.error + ")"};
    return {std::move(designed.cascade), {}, {}};
}

RequestTexts requestTextsOf(const cascade::CascadeRequest& request)
{
    const approx::FilterRequest& f = request.filter;
    RequestTexts t = defaultRequestTexts(request.parts);
    t.kind = f.kind;
    t.approximation = f.approximation;
    std::tie(t[RequestBox::Fp], t[RequestBox::Fs]) = defaultMaskEdges(f.kind);
    t.mode = f.mask ? RequestMode::Mask : RequestMode::Order;
    if (f.order)
        t[RequestBox::Order] = std::to_string(*f.order);
    t[RequestBox::Fc] = engineeringText(f.fcHz);
    if (f.bandwidthHz > 0)
        t[RequestBox::Bandwidth] = engineeringText(f.bandwidthHz);
    t[RequestBox::Ripple] = engineeringText(f.rippleDb);
    t[RequestBox::Attenuation] = engineeringText(f.attenuationDb);
    t[RequestBox::Gain] = engineeringText(f.gain);
    if (const std::optional<approx::Mask>& m = f.mask) {
        const bool band = approx::isBand(f.kind);
        t[RequestBox::Fp] = engineeringText(m->passbandEdgeHz) + (band ? "," + engineeringText(m->passbandUpperEdgeHz) : "");
        t[RequestBox::Fs] = engineeringText(m->stopbandEdgeHz) + (band ? "," + engineeringText(m->stopbandUpperEdgeHz) : "");
        t[RequestBox::Ap] = engineeringText(m->maxPassbandLossDb);
        t[RequestBox::As] = engineeringText(m->minStopbandAttenuationDb);
    }
    return t;
}

std::string engineeringText(double value)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0)
        return "0";
    static constexpr const char* kPrefixes[] = {"p", "n", "u", "m", "", "k", "M", "G", "T"};
    constexpr int kUnit = 4;
    int position = static_cast<int>(std::floor(std::log10(std::fabs(value)) / 3)) + kUnit;
    position = std::clamp(position, 0, 8);
    char mantissa[40];
    std::snprintf(mantissa, sizeof mantissa, "%.10g", value / std::pow(1000.0, position - kUnit));
    // A mantissa that rounds up to 1000 belongs to the next prefix.
    if (std::fabs(std::strtod(mantissa, nullptr)) >= 1000 && position < 8) {
        ++position;
        std::snprintf(mantissa, sizeof mantissa, "%.10g", value / std::pow(1000.0, position - kUnit));
    }
    return std::string(mantissa) + kPrefixes[position];
}

std::string_view responseKindCaption(ResponseKind kind)
{
    switch (kind) {
    case ResponseKind::LowPass: return "低域通過";
    case ResponseKind::HighPass: return "高域通過";
    case ResponseKind::BandPass: return "帯域通過";
    case ResponseKind::BandStop: return "帯域阻止";
    }
    return "";
}

std::string_view approximationCaption(approx::Approximation approximation)
{
    switch (approximation) {
    case approx::Approximation::Butterworth: return "バターワース";
    case approx::Approximation::Chebyshev: return "チェビシェフ";
    case approx::Approximation::Bessel: return "ベッセル";
    case approx::Approximation::InverseChebyshev: return "逆チェビシェフ";
    case approx::Approximation::Elliptic: return "連立チェビシェフ(楕円)";
    }
    return "";
}

}  // namespace torvel::filter
