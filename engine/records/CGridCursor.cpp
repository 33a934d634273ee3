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
                      const std::atomic<bool>* pStop, const CommitCallback& fnCommit) {
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
                                          m_options.bFollowBinaryPointers, EWalkPolicy::GridPage};
    std::unique_ptr<CRowSource> pSource;
    {
        std::lock_guard lock(m_mutex);
        if (m_pSpareSource && m_bSpareRecoverDeleted == bRecoverDeleted)
            pSource = std::move(m_pSpareSource);
        m_pSpareSource.reset();
    }
    if (!pSource) {
        pSource = m_options.fnRowSource ? m_options.fnRowSource(m_table, sourceOptions)
                                        : MakeFixedVarRowSource(m_table, sourceOptions);
    }
    const std::size_t nPageCount = pSource ? pSource->PageCount() : 0;
    int nRows = 0;
    bool bSuperseded = false;
    std::uint32_t nSlotsOnStopPage = 0;
    SWalkResult result;
    result.stop.nPageIndex = nPageCount;
    if (pSource) {
        result = pSource->Walk(
            SWalkPosition{start.nPageIndex, start.nSlot}, pStop,
            [&](const SRowVisit& visit) {
                if (m_nLatestRequest.load(std::memory_order_relaxed) != nRequest) {
                    bSuperseded = true;
                    return true;
                }
                // The grid leaves out rows that hold nothing but NULLs.
                bool bAllNull = true;
                for (std::size_t i = 0; i < visit.row.vecValues.size() && bAllNull; ++i)
                    bAllNull = CValueFormat::IsGridNull(visit.row.vecValues[i], m_vecFormats[i]);
                if (bAllNull)
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
        fnCommit(SGridPageSummary{nRequest, nRows, m_nPageNumber, m_bLastPage, !m_history.empty()});
    }
    return true;
}

bool CGridCursor::Page(SGridRequest request, const RowCallback& fnRow,
                       const std::atomic<bool>* pStop) {
    return Run(Request(request), fnRow, pStop);
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
