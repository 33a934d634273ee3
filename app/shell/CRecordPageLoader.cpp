// app/shell/CRecordPageLoader.cpp
#include "app/shell/CRecordPageLoader.h"

#include <filesystem>

#include "app/shell/CGridRowConverter.h"
#include "app/shell/CThreadWaker.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CRecordExtractor.h"

static_assert(CRecordPageLoader::kRowsPerPage == CRecordExtractor::kRowsPerPage);

CRecordPageLoader::CRecordPageLoader(CSQLServerEngine& engine, QObject* pParent)
    : QObject(pParent), m_engine(engine) {
    m_pWaker = new CThreadWaker(this);
    connect(m_pWaker, &CThreadWaker::Woken, this, &CRecordPageLoader::DeliverPage);
    m_worker = std::thread([this] { Work(); });
}

CRecordPageLoader::~CRecordPageLoader() {
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
    }
    m_cv.notify_all();
    m_worker.join();
}

std::optional<std::uint64_t> CRecordPageLoader::Request(CTable* pTable, EPageRequest eRequest) {
    std::uint64_t nRequest = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_bBusy || m_bQuit)
            return std::nullopt;
        nRequest = ++m_nLastRequest;
        m_job = SJob{nRequest, pTable, eRequest};
        m_bBusy = true;
    }
    m_cv.notify_all();
    return nRequest;
}

bool CRecordPageLoader::IsBusy() const {
    std::lock_guard lock(m_mutex);
    return m_bBusy;
}

void CRecordPageLoader::SetShowDeleted(bool bShow) {
    std::lock_guard lock(m_mutex);
    m_bShowDeleted = bShow;
}

void CRecordPageLoader::Work() {
    for (;;) {
        SJob job;
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [this] { return m_bQuit || m_job.has_value(); });
            if (m_bQuit)
                return;
            job = *m_job;
            m_job.reset();
            m_engine.m_bRecoverDeleted = m_bShowDeleted;
        }
        SRecordPage page = Load(job);
        {
            std::lock_guard lock(m_mutex);
            m_page = std::move(page);
            m_bBusy = false;
        }
        m_pWaker->Wake();
    }
}

void CRecordPageLoader::DeliverPage() {
    std::optional<SRecordPage> page;
    {
        std::lock_guard lock(m_mutex);
        page.swap(m_page);
    }
    if (page)
        emit PageLoaded(*page);
}

void CRecordPageLoader::PrepareEngine(const SJob& job) {
    CEngineStatus& status = *m_engine.m_pStatus;
    status.m_bTableDone = false;
    m_engine.m_bRecordExportRunning = false;
    switch (job.eRequest) {
        case EPageRequest::First:
            // A newly selected table starts from its first page with no bookmarks.
            m_engine.m_nPage = 0;
            m_engine.m_bPagingStarted = false;
            m_engine.m_bPageForward = false;
            m_engine.m_bLastPage = false;
            m_engine.m_nPaging1 = 0;
            m_engine.m_nPaging2 = 0;
            m_engine.m_nPaging3 = 0;
            while (!m_engine.m_dqBookmarks.empty())
                m_engine.m_dqBookmarks.pop_back();
            break;
        case EPageRequest::Next:
            m_engine.m_bPageForward = true;
            m_engine.m_bPagingStarted = true;
            ++m_engine.m_nPage;
            break;
        case EPageRequest::Previous:
            m_engine.m_bPageForward = false;
            --m_engine.m_nPage;
            break;
    }
    status.m_pRecordTable = job.pTable;
}

SRecordPage CRecordPageLoader::Load(const SJob& job) {
    SRecordPage page;
    page.nRequest = job.nRequest;
    page.pTable = job.pTable;
    if (job.pTable == nullptr)
        return page;
    for (const CColumnInfo& column : job.pTable->m_vecColumns)
        page.vecColumns.push_back(SGridColumn{column.m_strName, column.m_strType});
    std::error_code ec;
    if (!std::filesystem::is_regular_file(m_engine.m_strFileName, ec)) {
        page.strError = "The data file " + m_engine.m_strFileName +
                        " cannot be read: the records of this table are not available.";
        page.bLastPage = true;
        return page;
    }

    CEngineStatus& status = *m_engine.m_pStatus;
    PrepareEngine(job);
    m_engine.StartRecordThread();
    // The record thread sets the flag on every way out, also after a stop request.
    status.m_bTableDone.wait(false);
    for (SRecordRow& row : status.TakeRows())
        page.vecRows.push_back(CGridRowConverter::FromRecordRow(std::move(row)));
    page.bPreviousEnabled = !m_engine.m_dqBookmarks.empty();
    page.bLastPage = m_engine.m_bLastPage.load();
    return page;
}
