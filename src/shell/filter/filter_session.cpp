#include "shell/filter/filter_session.h"

#include "cascade/filter_file.h"

namespace torvel::filter {
namespace {

std::vector<cascade::SectionCircuit> circuitsOf(const cascade::Cascade& c)
{
    std::vector<cascade::SectionCircuit> circuits;
    for (const cascade::BuiltSection& s : c.sections)
        circuits.push_back(s.circuit);
    return circuits;
}

}  // namespace

Redesign FilterSession::redesign(const RequestTexts& texts)
{
    DesignOutcome outcome = designFromTexts(texts);
    if (!outcome.cascade)
        return {std::move(outcome.boxErrors), std::move(outcome.generalError)};
    std::vector<cascade::SectionCircuit> designed = circuitsOf(*outcome.cascade);
    adopt(std::move(*outcome.cascade), std::move(designed));
    return {};
}

FilterLoading FilterSession::load(std::string_view json)
{
    cascade::CascadeResult loaded = cascade::loadFilter(json);
    if (!loaded.cascade)
        return {"フィルタファイルとして読めません。(" + loaded.error + ")"};
    // The file's request designs as many sections again (loadFilter refused it otherwise).
    const cascade::CascadeResult fresh = cascade::designCascade(loaded.cascade->request);
    std::vector<cascade::SectionCircuit> designed = fresh.cascade ? circuitsOf(*fresh.cascade) : circuitsOf(*loaded.cascade);
    adopt(std::move(*loaded.cascade), std::move(designed));
    return {};
}

void FilterSession::adopt(cascade::Cascade cascade, std::vector<cascade::SectionCircuit> designed)
{
    m_cascade = std::move(cascade);
    m_designed = std::move(designed);
    m_linked.reset();
    ++m_designNumber;
}

bool FilterSession::sectionEdited(std::size_t index) const
{
    return m_cascade && index < m_cascade->sections.size() && index < m_designed.size()
        && !sameParts(m_cascade->sections[index].circuit, m_designed[index]);
}

SectionOpening FilterSession::openSection(std::size_t index, DesignPanel& panel)
{
    if (!m_cascade || index >= m_cascade->sections.size())
        return SectionOpening::FirstOrder;
    const SectionOpening opening = openSectionInPanel(panel, m_cascade->sections[index], m_cascade->request.parts);
    if (opening == SectionOpening::Opened)
        m_linked = index;
    return opening;
}

PanelFollowing FilterSession::followPanel(const DesignPanel& panel)
{
    if (!m_cascade || !m_linked || *m_linked >= m_cascade->sections.size())
        return PanelFollowing::NotLinked;
    cascade::BuiltSection& section = m_cascade->sections[*m_linked];
    PanelSection read = readSectionFromPanel(panel, section);
    if (read.status == PanelReading::OtherType)
        return PanelFollowing::OtherType;
    if (!read.parts)
        return PanelFollowing::Unreadable;
    if (sameParts(read.parts->circuit, section.circuit))
        return PanelFollowing::Unchanged;
    // The texts go with the parts, so that a saved filter keeps what the designer typed.
    section.fields = read.parts->fields;
    cascade::replaceSectionCircuit(*m_cascade, *m_linked, read.parts->circuit);
    return PanelFollowing::Updated;
}

std::vector<SectionSearchOutcome> FilterSession::applySearch(const std::vector<std::size_t>& indices,
                                                            const std::vector<search::SectionResult>& results)
{
    if (!m_cascade)
        return {};
    std::vector<SectionSearchOutcome> outcomes = applySearchResults(*m_cascade, indices, results);
    for (const SectionSearchOutcome& o : outcomes)
        if (o.verdict == SectionSearchVerdict::Replaced && m_linked == o.index)
            m_linked.reset();
    return outcomes;
}

}  // namespace torvel::filter
