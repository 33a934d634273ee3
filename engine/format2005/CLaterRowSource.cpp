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

bool CLaterRowSource::Row(const CTableReader::SListedRecord& row) {
    // A deleted row is decoded even when it is not shown, so its damage is reported all the same.
    row.decoder.Decode(row.record, row.nPage, row.nSlot, m_converter, m_row, m_damage);
    if (row.bGhost && !m_options.bRecoverDeleted)
        return true;
    m_row.bDeleted = row.bGhost;
    m_row.nEnd = 0;
    const SWalkPosition position{row.place.nPageIndex, row.place.nSlot};
    if (!(*m_pFnRow)(SRowVisit{m_row, position, row.place.nSlotCount}))
        return true;
    m_bStopped = true;
    m_result.eEnd = EWalkEnd::StoppedByVisitor;
    m_result.stop = position;
    return false;
}

SWalkResult CLaterRowSource::Walk(SWalkPosition start, const std::atomic<bool>* pStop,
                                  const FnRow& fnRow, const FnPageEnd& fnPageEnd) {
    m_result = SWalkResult();
    m_bStopped = false;
    m_pFnRow = &fnRow;
    const SReadCounts counts = m_tableReader.ReadListedPages(
        m_model.m_vecPages, start.nPageIndex, static_cast<std::uint16_t>(start.nSlot), *this,
        fnPageEnd, pStop);
    m_pFnRow = nullptr;
    if (!m_bStopped) {
        if (pStop != nullptr && pStop->load() && counts.nPages < m_model.m_vecPages.size()) {
            m_result.eEnd = EWalkEnd::StopRequested;
        } else {
            m_result.stop = {m_model.m_vecPages.size(), 0};
        }
    }
    if (!m_damage.Empty() && m_fnReport) {
        m_fnReport(m_damage);
        m_damage.Clear();
    }
    return m_result;
}

}  // namespace format2005
