// engine/core/CEngineStatus.cpp
#include "engine/core/CEngineStatus.h"

#include <algorithm>
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

SRecordRow SRecordRow::From(const SDecodedRow& row, const std::vector<SColumnFormat>& vecFormats) {
    SRecordRow out;
    out.bDeleted = row.bDeleted;
    const std::size_t nCount = std::min(row.vecValues.size(), vecFormats.size());
    out.vecValues.resize(nCount);
    out.vecKinds.resize(nCount);
    for (std::size_t i = 0; i < nCount; ++i) {
        CValueFormat::AppendGridText(row.vecValues[i], vecFormats[i], out.vecValues[i]);
        out.vecKinds[i] = row.vecValues[i].m_eKind;
    }
    return out;
}

void CEngineStatus::ClearRows() {
    std::lock_guard lock(m_mutex);
    m_vecRows.clear();
    m_nPageRows = 0;
}

void CEngineStatus::AppendRow(SRecordRow row) {
    std::lock_guard lock(m_mutex);
    m_vecRows.push_back(std::move(row));
}

std::vector<SRecordRow> CEngineStatus::TakeRows() {
    std::lock_guard lock(m_mutex);
    std::vector<SRecordRow> vecRows = std::exchange(m_vecRows, {});
    vecRows.reserve(vecRows.size() + m_nPageRows);
    for (std::size_t i = 0; i < m_nPageRows; ++i)
        vecRows.push_back(SRecordRow::From(m_vecPage[i], m_vecPageFormats));
    m_nPageRows = 0;
    return vecRows;
}

std::size_t CEngineStatus::RowCount() const {
    std::lock_guard lock(m_mutex);
    return m_vecRows.size() + m_nPageRows;
}

void CEngineStatus::PublishPage(std::vector<SDecodedRow>& vecPage, std::size_t nRows,
                                const std::vector<SColumnFormat>& vecFormats) {
    std::lock_guard lock(m_mutex);
    m_vecRows.clear();
    m_vecPage.swap(vecPage);
    m_nPageRows = std::min(nRows, m_vecPage.size());
    m_vecPageFormats = vecFormats;
}
