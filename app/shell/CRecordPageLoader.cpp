// app/shell/CRecordPageLoader.cpp
#include "app/shell/CRecordPageLoader.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "app/shell/CGridRowConverter.h"
#include "app/shell/CValueView.h"
#include "engine/core/CDamageLog.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CGridCursor.h"

static_assert(CRecordPageLoader::kRowsPerPage == CGridCursor::kRowsPerPage);

namespace {
SGridRequest CursorRequest(EPageRequest eRequest) {
    switch (eRequest) {
        case EPageRequest::Next:
            return SGridRequest::Next();
        case EPageRequest::Previous:
            return SGridRequest::Previous();
        case EPageRequest::First:
            break;
    }
    return SGridRequest::First();
}

bool DataFileReadable(const std::string& strFileName) {
    std::error_code ec;
    return std::filesystem::is_regular_file(strFileName, ec);
}
}  // namespace

CRecordPageLoader::CRecordPageLoader(CSQLServerEngine& engine, QObject* pParent)
    : QObject(pParent), m_engine(engine) {
    // Queued: the worker emits it, Deliver runs on this object's (the GUI) thread.
    connect(this, &CRecordPageLoader::WorkDone, this, &CRecordPageLoader::Deliver,
            Qt::QueuedConnection);
    m_worker = std::thread([this] { Work(); });
}

CRecordPageLoader::~CRecordPageLoader() {
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
        if (m_pCursor)
            m_pCursor->Cancel();
    }
    m_cv.notify_all();
    m_worker.join();
}

std::uint64_t CRecordPageLoader::Request(const CTable* pTable, EPageRequest eRequest) {
    std::uint64_t nRequest = 0;
    {
        std::lock_guard lock(m_mutex);
        nRequest = ++m_nLastRequest;
        SPageJob job{nRequest, nullptr, 0, pTable, m_bShowDeleted};
        if (pTable != nullptr) {
            // First starts the table again: a cursor of its own, so that nothing of the pages
            // read before (bookmarks, page number) carries over. The old cursor's run, if any,
            // stops at its next row.
            if (eRequest == EPageRequest::First || !m_pCursor || &m_pCursor->Table() != pTable) {
                if (m_pCursor)
                    m_pCursor->Cancel();
                m_pCursor = m_engine.OpenGridCursor(*pTable, false);
                if (m_pCursor)
                    m_pCursor->SetRecoverDeleted(m_bShowDeleted);
                m_bCursorShowsDeleted = m_bShowDeleted;
            }
            if (m_pCursor) {
                job.pCursor = m_pCursor;
                job.bShowsDeleted = m_bCursorShowsDeleted;
                // Cancels a run of this cursor that has not finished.
                job.nCursorRequest = m_pCursor->Request(CursorRequest(eRequest));
            }
        }
        m_pageJob = std::move(job);
        m_nWantedPage = nRequest;
        m_page.reset();
    }
    m_cv.notify_all();
    return nRequest;
}

std::uint64_t CRecordPageLoader::RequestValue(const SValueRequest& request) {
    std::uint64_t nRequest = 0;
    {
        std::lock_guard lock(m_mutex);
        nRequest = ++m_nLastRequest;
        m_valueJob = SValueJob{nRequest, request};
        m_nWantedValue = nRequest;
        m_value.reset();
    }
    m_cv.notify_all();
    return nRequest;
}

void CRecordPageLoader::CancelAll() {
    std::lock_guard lock(m_mutex);
    m_nWantedPage = 0;
    m_nWantedValue = 0;
    m_pageJob.reset();
    m_valueJob.reset();
    m_page.reset();
    m_value.reset();
    if (m_pCursor)
        m_pCursor->Cancel();
    m_pCursor.reset();
}

bool CRecordPageLoader::IsBusy() const {
    std::lock_guard lock(m_mutex);
    return m_pageJob.has_value() || m_bPageRunning;
}

void CRecordPageLoader::SetShowDeleted(bool bShow) {
    std::lock_guard lock(m_mutex);
    m_bShowDeleted = bShow;
}

void CRecordPageLoader::Work() {
    for (;;) {
        std::optional<SPageJob> pageJob;
        std::optional<SValueJob> valueJob;
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [this] { return m_bQuit || m_pageJob || m_valueJob; });
            if (m_bQuit)
                return;
            // Pages first: the user waits for them; a value waits behind at most one page.
            if (m_pageJob) {
                pageJob.swap(m_pageJob);
                m_bPageRunning = true;
            } else {
                valueJob.swap(m_valueJob);
            }
        }
        bool bDelivered = false;
        if (pageJob) {
            std::optional<SRecordPage> page = LoadPage(*pageJob);
            std::lock_guard lock(m_mutex);
            m_bPageRunning = false;
            if (page && page->nRequest == m_nWantedPage) {
                m_page = std::move(page);
                bDelivered = true;
            }
        } else {
            SLoadedValue value = LoadValue(*valueJob);
            std::lock_guard lock(m_mutex);
            if (value.nRequest == m_nWantedValue) {
                m_value = std::move(value);
                bDelivered = true;
            }
        }
        if (bDelivered)
            emit WorkDone(QPrivateSignal());
    }
}

std::optional<SRecordPage> CRecordPageLoader::LoadPage(const SPageJob& job) {
    SRecordPage page;
    page.nRequest = job.nRequest;
    page.pTable = job.pTable;
    page.bShowsDeleted = job.bShowsDeleted;
    page.nPageNumber = 1;
    page.bLastPage = true;
    if (job.pTable == nullptr)
        return page;
    for (const CColumnInfo& column : job.pTable->m_vecColumns)
        page.vecColumns.push_back(SGridColumn{column.m_strName, column.m_strType});
    if (!job.pCursor)
        return page;  // this engine shows no records
    const std::string& strFileName = job.pCursor->Options().strFileName;
    if (!DataFileReadable(strFileName)) {
        page.strError = "The data file " + strFileName +
                        " cannot be read: the records of this table are not available.";
        return page;
    }
    try {
        const std::vector<SColumnFormat>& vecFormats = job.pCursor->Formats();
        page.vecRows.reserve(kRowsPerPage);
        // Collected per page and handed over with it: the window adds them on its own thread.
        CDamageLog damage;
        const bool bCompleted = job.pCursor->Run(
            job.nCursorRequest,
            [&](const SDecodedRow& row) {
                page.vecRows.push_back(CGridRowConverter::FromDecodedRow(row, vecFormats));
            },
            &m_bQuit,
            [&](const SGridPageSummary& summary) {
                page.nPageNumber = summary.nPageNumber;
                page.bLastPage = summary.bLastPage;
                page.bPreviousEnabled = summary.bHasPrevious;
                page.bmPageStart = summary.bmPageStart;
            },
            &damage);
        if (!bCompleted)
            return std::nullopt;  // a newer request took over
        page.vecDamage = damage.Records();
    } catch (const std::exception& error) {
        // Damage is data and never ends up here; this is a failure of the reading itself.
        page.vecRows.clear();
        page.strError = std::string("The records of this table could not be read: ") + error.what();
    }
    return page;
}

SLoadedValue CRecordPageLoader::LoadValue(const SValueJob& job) {
    SLoadedValue out;
    out.nRequest = job.nRequest;
    const SValueRequest& request = job.request;
    if (request.pTable == nullptr)
        return out;
    const auto& table = *static_cast<const CTable*>(request.pTable);
    try {
        std::unique_ptr<CGridCursor> pCursor = m_engine.OpenGridCursor(table, true);
        if (!pCursor) {
            out.strError = "This format's records are not read by this build.";
            return out;
        }
        pCursor->SetRecoverDeleted(request.bShowsDeleted);
        SDecodedRow row;
        const auto nColumn = static_cast<std::size_t>(request.nColumn);
        if (!pCursor->ReadRow(request.bmPageStart, request.nRow, row, &m_bQuit) ||
            nColumn >= row.vecValues.size() || nColumn >= pCursor->Formats().size()) {
            out.strError = "The value could not be read again from the data file.";
            return out;
        }
        out.value =
            CGridRowConverter::FromTypedValue(row.vecValues[nColumn], pCursor->Formats()[nColumn]);
        if (out.value.bHasBytes) {
            const std::string& strBytes = out.value.strBytes;
            const std::size_t nShown = std::min(strBytes.size(), kMaxDumpBytes);
            out.strDump =
                CValueView::HexDump({reinterpret_cast<const std::byte*>(strBytes.data()), nShown});
        }
    } catch (const std::exception& error) {
        out.strError = std::string("The value could not be read: ") + error.what();
    }
    return out;
}

void CRecordPageLoader::Deliver() {
    std::optional<SRecordPage> page;
    std::optional<SLoadedValue> value;
    {
        std::lock_guard lock(m_mutex);
        page.swap(m_page);
        value.swap(m_value);
    }
    if (page)
        emit PageLoaded(*page);
    if (value)
        emit ValueLoaded(*value);
}
