// engine/records/CGridCursor.cpp
#include "engine/records/CGridCursor.h"

#include <algorithm>

#include "engine/catalog/CTable.h"

CGridCursor::CGridCursor(const CTable& table, SOptions options, CBookmarkStack* pHistory)
    : m_table(table),
      m_options(std::move(options)),
      m_pOwnHistory(pHistory ? nullptr : std::make_unique<CBookmarkStack>()),
      m_history(pHistory ? *pHistory : *m_pOwnHistory),
      m_bRecoverDeleted(m_options.bRecoverDeleted) {
    m_vecFormats.reserve(table.m_vecColumns.size());
    for (const CColumnInfo& column : table.m_vecColumns)
        m_vecFormats.push_back(SColumnFormat::Of(column));
}

std::uint64_t CGridCursor::Request(SGridRequest request,
                                   const std::function<void()>& fnRegistered) {
    std::lock_guard lock(m_mutex);
    const std::uint64_t nRequest = m_nLatestRequest.load() + 1;
    m_nLatestRequest = nRequest;
    m_pending = SPending{request, nRequest};
    if (fnRegistered)
        fnRegistered();
    return nRequest;
}

void CGridCursor::SetRecoverDeleted(bool bRecoverDeleted) {
    std::lock_guard lock(m_mutex);
    m_bRecoverDeleted = bRecoverDeleted;
}

void CGridCursor::Cancel() {
    std::lock_guard lock(m_mutex);
    ++m_nLatestRequest;
    m_pending.reset();
}

bool CGridCursor::Run(std::uint64_t nRequest, const RowCallback& fnRow,
                      const std::atomic<bool>* pStop, const CommitCallback& fnCommit,
                      IDamageSink* pDamage) {
    SGridRequest request;
    SBookmark start;
    bool bFirst = false;
    bool bWentBack = false;
    bool bRecoverDeleted = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pending || m_pending->nRequest != nRequest || m_nLatestRequest != nRequest)
            return false;
        request = m_pending->request;
        m_pending.reset();
        bRecoverDeleted = m_bRecoverDeleted;
        if (m_history.empty() && !request.bPagingStarted) {
            bFirst = true;
        } else if (request.bForward) {
            start = m_bmResume;
        } else {
            bWentBack = true;
            start = m_history.back().value_or(SBookmark{});
        }
    }

    const SRowSourceOptions sourceOptions{m_options.strFileName, bRecoverDeleted,
                                          m_options.bFollowBinaryPointers, EWalkPolicy::GridPage,
                                          pDamage};
    std::unique_ptr<CRowSource> pSource;
    {
        std::lock_guard lock(m_mutex);
        if (m_pSpareSource && m_bSpareRecoverDeleted == bRecoverDeleted &&
            m_pSpareDamage == pDamage)
            pSource = std::move(m_pSpareSource);
        m_pSpareSource.reset();
    }
    if (!pSource)
        pSource = MakeSource(sourceOptions);
    const std::size_t nPageCount = pSource ? pSource->PageCount() : 0;
    int nRows = 0;
    bool bSuperseded = false;
    std::uint32_t nSlotsOnStopPage = 0;
    SWalkResult result;
    result.stop.nPageIndex = nPageCount;
    if (pSource) {
        result =
            pSource->Walk(SWalkPosition{start.nPageIndex, start.nSlot}, pStop,
                          [&](const SRowVisit& visit) {
                              if (m_nLatestRequest.load(std::memory_order_relaxed) != nRequest) {
                                  bSuperseded = true;
                                  return true;
                              }
                              if (!ShowsRow(visit.row))
                                  return false;
                              fnRow(visit.row);
                              if (++nRows < kRowsPerPage)
                                  return false;
                              nSlotsOnStopPage = visit.nSlotsOnPage;
                              return true;
                          },
                          {});
    }
    auto keepSource = [&] {
        std::lock_guard lock(m_mutex);
        m_pSpareSource = std::move(pSource);
        m_bSpareRecoverDeleted = bRecoverDeleted;
        m_pSpareDamage = pDamage;
    };
    if (bSuperseded) {
        keepSource();
        return false;
    }

    // Where the next page starts: the slot after the last row shown, or the end of the list
    // (also when a stop request ended the walk early).
    SBookmark stop{static_cast<std::uint32_t>(nPageCount), 2, 0};
    if (result.eEnd == EWalkEnd::StoppedByVisitor) {
        const std::uint32_t nNext = result.stop.nSlot + 1;
        const auto nPage = static_cast<std::uint32_t>(result.stop.nPageIndex);
        stop = nNext < nSlotsOnStopPage ? SBookmark{nPage, 2 + 2 * nNext, nNext}
                                        : SBookmark{nPage + 1, 2, 0};
    }

    keepSource();
    std::lock_guard lock(m_mutex);
    if (m_nLatestRequest != nRequest)
        return false;
    if (bWentBack)
        m_history.pop_back();
    if (!bWentBack && request.bPagingStarted && m_bmPageStart)
        m_history.push_back(*m_bmPageStart);
    m_bmPageStart = start;
    m_bmResume = stop;
    m_bLastPage = stop.nPageIndex >= nPageCount;
    if (bFirst)
        m_nPageNumber = 1;
    else
        m_nPageNumber = bWentBack ? std::max(1, m_nPageNumber - 1) : m_nPageNumber + 1;
    if (fnCommit) {
        fnCommit(SGridPageSummary{nRequest, nRows, m_nPageNumber, m_bLastPage, !m_history.empty(),
                                  start});
    }
    return true;
}

bool CGridCursor::ShowsRow(const SDecodedRow& row) const {
    // The grid leaves out rows that hold nothing but NULLs.
    for (std::size_t i = 0; i < row.vecValues.size(); ++i) {
        if (!CValueFormat::IsGridNull(row.vecValues[i], m_vecFormats[i]))
            return true;
    }
    return false;
}

bool CGridCursor::ReadRow(const SBookmark& bmPageStart, int nRow, SDecodedRow& row,
                          const std::atomic<bool>* pStop) const {
    if (nRow < 0 || nRow >= kRowsPerPage)
        return false;
    bool bRecoverDeleted = false;
    {
        std::lock_guard lock(m_mutex);
        bRecoverDeleted = m_bRecoverDeleted;
    }
    // Whether a row is shown does not depend on its binary values (only NULLs leave a row out),
    // so the rows before the one asked for are counted without reading them; the row itself is
    // then read again with this cursor's options.
    const std::unique_ptr<CRowSource> pCounter =
        MakeSource({m_options.strFileName, bRecoverDeleted, false, EWalkPolicy::GridPage});
    if (!pCounter)
        return false;
    int nSeen = 0;
    std::optional<SWalkPosition> found;
    pCounter->Walk(SWalkPosition{bmPageStart.nPageIndex, bmPageStart.nSlot}, pStop,
                   [&](const SRowVisit& visit) {
                       if (!ShowsRow(visit.row) || nSeen++ < nRow)
                           return false;
                       found = visit.position;
                       return true;
                   },
                   {});
    if (!found)
        return false;
    const std::unique_ptr<CRowSource> pReader =
        MakeSource({m_options.strFileName, bRecoverDeleted, m_options.bFollowBinaryPointers,
                    EWalkPolicy::GridPage});
    bool bFound = false;
    pReader->Walk(*found, pStop,
                  [&](const SRowVisit& visit) {
                      bFound = visit.position.nPageIndex == found->nPageIndex &&
                               visit.position.nSlot == found->nSlot;
                      if (bFound)
                          row = visit.row;
                      return true;
                  },
                  {});
    return bFound;
}

std::unique_ptr<CRowSource> CGridCursor::MakeSource(const SRowSourceOptions& options) const {
    return m_options.fnRowSource ? m_options.fnRowSource(m_table, options)
                                 : MakeFixedVarRowSource(m_table, options);
}

bool CGridCursor::Page(SGridRequest request, const RowCallback& fnRow,
                       const std::atomic<bool>* pStop, IDamageSink* pDamage) {
    return Run(Request(request), fnRow, pStop, {}, pDamage);
}

bool CGridCursor::LastPage() const {
    std::lock_guard lock(m_mutex);
    return m_bLastPage;
}

int CGridCursor::PageNumber() const {
    std::lock_guard lock(m_mutex);
    return m_nPageNumber;
}

bool CGridCursor::HasPrevious() const {
    return !m_history.empty();
}
