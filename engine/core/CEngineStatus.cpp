// engine/core/CEngineStatus.cpp
#include "engine/core/CEngineStatus.h"

#include <utility>

CEngineStatus::CEngineStatus() {
    // Opened in the order the engine has always created them; names are process-wide.
    m_hTableExtractedEvent = CNamedEvent::Open("TableExtractedEvent");
    m_hSysTabEvent = CNamedEvent::Open("SysTabEvent");
    m_hProgressRdyEvent = CNamedEvent::Open("ProgressRdyEvent");
    m_hExportEvent = CNamedEvent::Open("ExportEvent");
    m_hExportReady = CNamedEvent::Open("ExportReady");
    m_hExportProgressComplete = CNamedEvent::Open("ExportProgressComplete");
    m_hRecordEvent = CNamedEvent::Open("RecordEvent");
    m_hPageReadComplete = CNamedEvent::Open("PageReadComplete");
    m_hSysRead = CNamedEvent::Open("SysRead");
    m_hPageRead = CNamedEvent::Open("PageRead");
    m_hSystemTabRdyEvent = CNamedEvent::Open("SystemTabRdyEvent");
    m_hPageAck = CNamedEvent::Open("RecordEvent");
    m_hExportReady->Reset();
    m_hExportProgressComplete->Reset();
}

bool CEngineStatus::CatalogHandshake() {
    m_hSysRead->Set();
    if (!m_hSystemTabRdyEvent->Wait(&m_bCancel))
        return false;
    m_hSystemTabRdyEvent->Reset();
    return true;
}

void CEngineStatus::SetDatabaseName(const std::string& strName) {
    std::lock_guard lock(m_mutex);
    m_strDatabaseName = strName;
}

std::string CEngineStatus::DatabaseName() const {
    std::lock_guard lock(m_mutex);
    return m_strDatabaseName;
}

void CEngineStatus::ClearRows() {
    std::lock_guard lock(m_mutex);
    m_vecRows.clear();
}

void CEngineStatus::AppendRow(SRecordRow row) {
    std::lock_guard lock(m_mutex);
    m_vecRows.push_back(std::move(row));
}

std::vector<SRecordRow> CEngineStatus::TakeRows() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_vecRows, {});
}

std::size_t CEngineStatus::RowCount() const {
    std::lock_guard lock(m_mutex);
    return m_vecRows.size();
}
