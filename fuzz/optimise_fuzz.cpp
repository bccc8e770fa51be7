// The optimise command on the in-memory panel, with random field texts, type, series and search option
// texts (the bounds, the pairs, the accepted error). Every run must end normally: options that do not read
// are refused with a reason; a found design is the one in the fields, meets the accepted error and reads
// back through the analysis without a fault; no design leaves every field as it was.
#include "design/filter_types.h"
#include "design/model_session.h"
#include "fuzz_input.h"
#include "search/optimise_command.h"
#include "search/option_texts.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace torvel;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Texts that reach the interesting branches far more often than random bytes do.
const char* const kValueTexts[] = {"0", "1", "-1", "1k", "4.7K", "33n", "1e300", "1e-300", "∞", "10", "1000",
                                   "2000", "500", "0.7071", "2", "abc", "", "6", "24", "96", "100p", "10u", "1M"};
const char* const kPairTexts[] = {"", "R1", "R1,R3", "C1", "R1, R2 ,R5", "R11", "R", ",", "C2,R10", "R1,R1"};

std::string pickText(fuzz::FuzzInput& in, const char* const* texts, std::size_t count)
{
    const std::uint8_t mode = in.byte();
    if (mode < 200)
        return texts[mode % count];
    return in.text();
}

std::string pickValue(fuzz::FuzzInput& in)
{
    return pickText(in, kValueTexts, std::size(kValueTexts));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    ModelSession s;
    s.panel.checkRadio(kAllFilterTypes[in.byte() % kFilterTypeCount]);
    // One read a statement: the order of a call's arguments is the compiler's choice, and the replay
    // build must read an input as the fuzzing build did.
    for (int step = 0, steps = in.byte() % 8; step < steps; ++step) {
        const Field field = kAllFields[in.byte() % kFieldCount];
        s.panel.setFieldText(field, pickValue(in));
    }
    if (in.byte() % 2) {
        const Combo combo = in.byte() % 2 ? Combo::EvalE1 : Combo::EvalE2;
        s.panel.setComboText(combo, pickValue(in));
    }

    search::SearchOptionTexts texts;
    texts.keepEqualC = in.byte() % 2;
    texts.keepR5R6 = in.byte() % 2;
    texts.pairs = pickText(in, kPairTexts, std::size(kPairTexts));
    if (in.byte() % 2) {
        texts.resistorLow = pickValue(in);
        texts.resistorHigh = pickValue(in);
        texts.capacitorLow = pickValue(in);
        texts.capacitorHigh = pickValue(in);
    }
    // Two reads in two statements: the order of a product's operands is the compiler's choice.
    const double sign = in.byte() % 2 ? 1 : -1;
    texts.largestErrorPercent = sign * std::ldexp(in.byte(), -4);
    // A short limit keeps the fuzzer fast; what it returns must hold whether proven or not.
    texts.timeLimitSeconds = 0.02;

    std::string error;
    const std::optional<search::SearchOptions> options = search::readSearchOptions(texts, error);
    if (!options) {
        check(!error.empty());
        return 0;
    }

    std::array<std::string, kFieldCount> before;
    for (Field f : kAllFields)
        before[static_cast<int>(f)] = s.panel.fieldText(f);

    const search::OptimiseOutcome outcome = search::runOptimise(s.panel, *options);
    if (!outcome.written()) {
        // Reading may correct the type and show warnings, but no component is written.
        for (Field f : kAllFields)
            check(s.panel.fieldText(f) == before[static_cast<int>(f)]);
        return 0;
    }
    const search::SectionResult& result = *outcome.result;
    for (const search::ChosenElement& e : result.elements)
        check(s.panel.fieldText(e.build.element) == e.text);
    for (int i = 0; i < result.realised.count; ++i)
        check(std::abs(result.realised.values[i].errorPercent) <= options->largestAcceptedError * 100 * (1 + 1e-9));
    check(s.designer.analyze().status == CommandStatus::Completed);
    return 0;
}
