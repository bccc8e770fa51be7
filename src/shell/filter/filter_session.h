// What the filter window holds between keystrokes, without any widget: the last good design, which of
// its sections a designer has changed in the calculator, and which section is open there.
//
// A request that cannot be designed leaves all of it as it was, so the window keeps showing the last
// good filter while the designer is still typing. A new design replaces the sections, and with them the
// changes made to the old ones and the link to the calculator.
#pragma once

#include "cascade/cascade.h"
#include "shell/filter/filter_request_form.h"
#include "shell/filter/section_link.h"
#include "shell/filter/section_search.h"

#include <cstdint>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvel::filter {

struct [[nodiscard]] Redesign {
    std::vector<BoxError> boxErrors;
    std::string generalError;
    bool designed() const { return boxErrors.empty() && generalError.empty(); }
};

struct [[nodiscard]] FilterLoading {
    std::string error;  // in Japanese, with the file reader's own words; empty when loaded
    bool loaded() const { return error.empty(); }
};

enum class [[nodiscard]] PanelFollowing {
    NotLinked,   // no section is open in the calculator
    OtherType,   // the calculator shows another type now; the section stays as it was
    Unreadable,  // a component there does not read (yet); the section stays as it was
    Unchanged,
    Updated,     // the section now has the calculator's parts
};

class FilterSession {
public:
    Redesign redesign(const RequestTexts& texts);

    /// A filter file: its request designed again, its sections given the file's parts. A section whose
    /// parts differ from what the request designs counts as changed.
    FilterLoading load(std::string_view json);

    const std::optional<cascade::Cascade>& cascade() const { return m_cascade; }
    /// Whether the section's parts differ from what the request designs for it.
    bool sectionEdited(std::size_t index) const;
    std::optional<std::size_t> linkedSection() const { return m_linked; }

    /// Opens a section in the calculator's panel and follows it there from now on.
    SectionOpening openSection(std::size_t index, DesignPanel& panel);

    /// Takes the linked section's parts from the panel when they changed.
    PanelFollowing followPanel(const DesignPanel& panel);

    /// Counts the designs adopted (by redesign or load): a search started on one design may only change
    /// that design.
    std::uint64_t designNumber() const { return m_designNumber; }

    /// Gives sections the parts a best-values search found for them (see applySearchResults). The link
    /// to the calculator ends when its section gets new parts, since the calculator still shows the old.
    std::vector<SectionSearchOutcome> applySearch(const std::vector<std::size_t>& indices,
                                                  const std::vector<search::SectionResult>& results);

private:
    void adopt(cascade::Cascade cascade, std::vector<cascade::SectionCircuit> designed);

    std::optional<cascade::Cascade> m_cascade;
    std::vector<cascade::SectionCircuit> m_designed;  // each section's circuit as the request designs it
    std::optional<std::size_t> m_linked;
    std::uint64_t m_designNumber = 0;
};

}  // namespace torvel::filter
