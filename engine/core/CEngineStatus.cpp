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
    m_page.Clear(0);
}

void CEngineStatus::AppendRow(SRecordRow row) {
    std::lock_guard lock(m_mutex);
    m_vecRows.push_back(std::move(row));
}

std::vector<SRecordRow> CEngineStatus::TakeRows() {
    std::lock_guard lock(m_mutex);
    std::vector<SRecordRow> vecRows = std::exchange(m_vecRows, {});
    const std::size_t nColumns = m_page.nColumns;
    vecRows.reserve(vecRows.size() + m_page.Rows());
    std::size_t nValue = 0;
    std::uint32_t nStart = 0;
    for (std::size_t r = 0; r < m_page.Rows(); ++r) {
        SRecordRow& row = vecRows.emplace_back();
        row.bDeleted = m_page.vecDeleted[r] != 0;
        row.vecValues.resize(nColumns);
        row.vecKinds.resize(nColumns);
        for (std::size_t i = 0; i < nColumns; ++i, ++nValue) {
            const std::uint32_t nEnd = m_page.vecEnds[nValue];
            row.vecValues[i].assign(m_page.strText, nStart, nEnd - nStart);
            row.vecKinds[i] = m_page.vecKinds[nValue];
            nStart = nEnd;
        }
    }
    m_page.Clear(nColumns);
    return vecRows;
}

std::size_t CEngineStatus::RowCount() const {
    std::lock_guard lock(m_mutex);
    return m_vecRows.size() + m_page.Rows();
}

void CEngineStatus::PublishPage(SGridPage& page) {
    std::lock_guard lock(m_mutex);
    m_vecRows.clear();
    std::swap(m_page, page);
}
