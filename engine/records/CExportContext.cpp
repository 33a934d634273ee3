// engine/records/CExportContext.cpp
#include "engine/records/CExportContext.h"

#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/ScriptFile.h"
#include "engine/catalog/CTable.h"
#include "engine/core/CEngineStatus.h"

void CExportContext::CountExported(int nRows) {
    m_nExported += nRows;
    if (m_pTable)
        m_pTable->m_nExportCount += nRows;
    if (m_pStatus)
        m_pStatus->m_nExportedRecords += nRows;
}

void CExportContext::CountFailed(int nRows, const std::string& strError,
                                 std::string_view strStatement) {
    m_nFailed += nRows;
    if (m_pTable)
        m_pTable->m_nFailedCount += nRows;
    if (m_pStatus)
        m_pStatus->m_nFailedRecords += nRows;
    CExecutionLog::WriteLog(1, 0, strError + " : " + std::string(strStatement), true);
}

void CExportContext::WriteStatement(std::string_view strStatement) {
    if (m_pTableFile == nullptr || !m_pTableFile->IsOpen()) {
        CountFailed(1, "no table script file is open", strStatement);
        return;
    }
    m_pTableFile->Write(strStatement);
    if (m_pTableFile->Failed()) {
        // Remembered by the file: every statement after a failed write counts as failed too.
        m_nFailed += 1;
        if (m_pTable)
            m_pTable->m_nFailedCount += 1;
        if (m_pStatus)
            m_pStatus->m_nFailedRecords += 1;
        return;
    }
    CountExported(1);
}

void CExportContext::ExecuteBatch() {
    if (m_strBatch.empty())
        return;
    try {
        if (m_pConnection == nullptr)
            throw COdbcError("no database connection");
        m_pConnection->Execute(m_strBatch);
        CountExported(m_nPending);
    } catch (const COdbcError& error) {
        CountFailed(m_nPending, error.what(), m_strBatch);
    }
    m_strBatch.clear();
    m_nPending = 0;
}

void CExportContext::RowDelivered() {
    ++m_nDelivered;
    if (m_pStatus == nullptr)
        return;
    ++m_pStatus->m_nRecordCount;
    if (m_pStatus->m_hRecordEvent)
        m_pStatus->m_hRecordEvent->Set();
}

void CExportContext::MarkTableDone() {
    if (m_pStatus == nullptr)
        return;
    m_pStatus->m_bTableDone.store(true);
    m_pStatus->m_bTableDone.notify_all();
}
