// The two design commands on the in-memory panel with random field texts, type and series texts. Every
// run must end normally, with a warning, or with one of the three fault texts; the panel must stay
// consistent after each command.
#include "design/filter_types.h"
#include "design/model_session.h"
#include "fuzz_input.h"

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
const char* const kDictionary[] = {"0", "1", "-1", "1k", "4.7K", "33n", "1e300", "1e-300", "∞", "10",
                                   "1000", "1000.0005", "2000", "500", "0.7071", "2", "abc", "", "6", "192"};

std::string pickText(fuzz::FuzzInput& in)
{
    const std::uint8_t mode = in.byte();
    if (mode < 160)
        return kDictionary[mode % (sizeof kDictionary / sizeof *kDictionary)];
    return in.text();
}

void checkInvariants(const ModelSession& s)
{
    const FilterType checked = checkedFilterType(s.panel);
    check(s.designer.workingType() == workingTypeOf(checked));
    int shown = 0;
    for (Image image : kAllImages)
        shown += s.panel.imageVisible(image) ? 1 : 0;
    check(shown == 1);
    check(s.panel.imageVisible(filterTypeInfo(checked).image));
    if (checked == FilterType::Notch || checked == FilterType::Apf)
        check(!s.panel.fieldVisible(Field::R8));
}

void checkOutcome(const CommandOutcome& outcome)
{
    if (outcome.status == CommandStatus::Fault)
        check(outcome.faultText == "Invalid floating point operation." ||
              outcome.faultText == "Floating point division by zero." ||
              outcome.faultText == "Floating point overflow.");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    ModelSession s;
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        const std::uint8_t action = in.byte() % 6;
        if (action == 0) {
            s.panel.checkRadio(kAllFilterTypes[in.byte() % kFilterTypeCount]);
        } else if (action == 1) {
            // One read a statement: the order of a call's arguments is the compiler's choice, and the
            // replay build must read an input as the fuzzing build did.
            const Field field = kAllFields[in.byte() % kFieldCount];
            s.panel.setFieldText(field, pickText(in));
        } else if (action == 2) {
            const Combo combo = in.byte() % 2 ? Combo::EvalE1 : Combo::EvalE2;
            s.panel.setComboText(combo, pickText(in));
        } else {
            // Fields hidden before and after a command keep their texts.
            std::string before[kFieldCount];
            bool hidden[kFieldCount];
            for (Field f : kAllFields) {
                before[static_cast<int>(f)] = s.panel.fieldText(f);
                hidden[static_cast<int>(f)] = !s.panel.fieldVisible(f);
            }
            checkOutcome(action % 2 ? s.designer.synthesize() : s.designer.analyze());
            for (Field f : kAllFields)
                if (hidden[static_cast<int>(f)] && !s.panel.fieldVisible(f))
                    check(s.panel.fieldText(f) == before[static_cast<int>(f)]);
        }
        checkInvariants(s);
    }
    return 0;
}
