// engine/format2005/CLaterRowSource.cpp
#include "engine/format2005/CLaterRowSource.h"

namespace format2005 {

CLaterRowSource::CLaterRowSource(std::shared_ptr<const CDatabaseReader> pReader,
                                 const STable& table, const CTable& model,
                                 const SRowSourceOptions& options, FReport fnReport)
    : m_pReader(std::move(pReader)),
      m_model(model),
      m_options(options),
      m_fnReport(std::move(fnReport)),
      m_maps(m_pReader->File(), m_damage),
      m_tableReader(m_pReader->File(), m_maps, table, m_damage),
      m_converter(table) {
    // The grid shows binary values stored off the row as "<binary data>" without reading them.
    m_tableReader.SetReadBinaryLobs(options.bFollowBinaryPointers);
}

SWalkResult CLaterRowSource::Walk(SWalkPosition start, const std::atomic<bool>* pStop,
                                  const FnRow& fnRow, const FnPageEnd& fnPageEnd) {
    SWalkResult result;
    bool bStopped = false;
    const SReadCounts counts = m_tableReader.ReadListedPages(
        m_model.m_vecPages, start.nPageIndex, static_cast<std::uint16_t>(start.nSlot),
        [&](const SRawRow& raw, const CTableReader::SListedPlace& place) {
            if (raw.bGhost && !m_options.bRecoverDeleted)
                return true;
            m_converter.Convert(raw, m_row);
            const SWalkPosition position{place.nPageIndex, place.nSlot};
            if (!fnRow(SRowVisit{m_row, position, place.nSlotCount}))
                return true;
            bStopped = true;
            result.eEnd = EWalkEnd::StoppedByVisitor;
            result.stop = position;
            return false;
        },
        fnPageEnd, pStop);
    if (!bStopped) {
        if (pStop != nullptr && pStop->load() && counts.nPages < m_model.m_vecPages.size()) {
            result.eEnd = EWalkEnd::StopRequested;
        } else {
            result.stop = {m_model.m_vecPages.size(), 0};
        }
    }
    if (!m_damage.Empty() && m_fnReport) {
        m_fnReport(m_damage);
        m_damage.Clear();
    }
    return result;
}

}  // namespace format2005
