// Any bytes as a design file. A load either refuses and leaves the panel exactly as it was, or gives a
// panel whose saved file loads, on a fresh panel, to the same panel and saves to the same text again.
// The whole input is the file, so a seed is a plain design file.
#include "design/design_file.h"
#include "design/model_session.h"
#include "fuzz_input.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace torvel;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// All that the panel shows, in one comparable text: fields with their visibility, series, peak labels,
// pictures, the checked type, the working type and the messages.
std::string snapshot(const ModelSession& session)
{
    const PanelModel& panel = session.panel;
    std::string out;
    const auto add = [&out](std::string_view part) {
        out += std::to_string(part.size());
        out += ':';
        out += part;
    };
    for (Field field : kAllFields) {
        add(panel.fieldText(field));
        add(panel.fieldVisible(field) ? "shown" : "hidden");
    }
    add(panel.comboText(Combo::EvalE1));
    add(panel.comboText(Combo::EvalE2));
    for (Label label : kAllLabels)
        add(panel.labelText(label));
    for (Image image : kAllImages)
        add(panel.imageVisible(image) ? "shown" : "hidden");
    for (FilterType type : kAllFilterTypes)
        add(panel.radioChecked(type) ? "checked" : "");
    add(std::to_string(workingTypeCode(session.designer.workingType())));
    for (const ShownMessage& message : panel.messages())
        add(message.text);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    ModelSession session;
    const std::string untouched = snapshot(session);
    if (loadDesign(session.panel, file)) {
        check(snapshot(session) == untouched);
        return 0;
    }
    const std::string saved = saveDesign(session.panel);
    ModelSession reloaded;
    check(!loadDesign(reloaded.panel, saved));
    check(snapshot(reloaded) == snapshot(session));
    check(saveDesign(reloaded.panel) == saved);
    return 0;
}
