// engine/core/CEngineStatus.cpp
#include "engine/core/CEngineStatus.h"

#include <utility>

CEngineStatus::CEngineStatus() {
    // Opened in the order the engine has always created them; names belong to this engine.
    m_hTableExtractedEvent = OpenEvent("TableExtractedEvent");
    m_hSysTabEvent = OpenEvent("SysTabEvent");
    m_hProgressRdyEvent = OpenEvent("ProgressRdyEvent");
    m_hExportEvent = OpenEvent("ExportEvent");
    m_hExportReady = OpenEvent("ExportReady");
    m_hExportProgressComplete = OpenEvent("ExportProgressComplete");
    m_hRecordEvent = OpenEvent("RecordEvent");
    m_hPageReadComplete = OpenEvent("PageReadComplete");
    m_hSysRead = OpenEvent("SysRead");
    m_hPageRead = OpenEvent("PageRead");
    m_hSystemTabRdyEvent = OpenEvent("SystemTabRdyEvent");
    m_hPageAck = OpenEvent("RecordEvent");
    m_hExportReady->Reset();
    m_hExportProgressComplete->Reset();
}

std::shared_ptr<CNamedEvent> CEngineStatus::OpenEvent(const std::string& strName) {
    return m_events.Open(strName);
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

void CEngineStatus::PublishRows(std::vector<SRecordRow> vecRows) {
    std::lock_guard lock(m_mutex);
    m_vecRows = std::move(vecRows);
}

std::size_t CEngineStatus::RowCount() const {
    std::lock_guard lock(m_mutex);
    return m_vecRows.size();
}
