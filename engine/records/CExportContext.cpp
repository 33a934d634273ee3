// engine/records/CExportContext.cpp
#include "engine/records/CExportContext.h"

#include <algorithm>

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

void CExportContext::AddToBatch(std::string_view strStatement) {
    m_strBatch += strStatement;
    m_vecStatementEnds.push_back(m_strBatch.size());
    ++m_nPending;
}

void CExportContext::ClearBatch() {
    m_strBatch.clear();
    m_vecStatementEnds.clear();
    m_nPending = 0;
}

void CExportContext::ExecuteBatch() {
    if (m_strBatch.empty())
        return;
    const auto nStatements = static_cast<std::size_t>(std::max(m_nPending, 0));
    // Statements appended without AddToBatch have no known ends: the batch stands or falls whole.
    const bool bEndsKnown = nStatements > 1 && m_vecStatementEnds.size() == nStatements &&
                            m_vecStatementEnds.back() == m_strBatch.size();
    try {
        if (m_pConnection == nullptr)
            throw COdbcError("no database connection");
        // One commit per batch rather than one per row; a driver without transactions gets
        // the statements one by one, each committed on its own.
        if (!bEndsKnown || !m_pConnection->BeginTransaction()) {
            if (!bEndsKnown) {
                m_pConnection->Execute(m_strBatch);
                CountExported(m_nPending);
                ClearBatch();
                return;
            }
            SendEachAlone("");
            ClearBatch();
            return;
        }
        std::string strError;
        try {
            const std::vector<COdbcConnection::SOutcome> vecOutcomes =
                m_pConnection->ExecuteStatements(m_strBatch, m_vecStatementEnds);
            const auto failed = std::find_if(vecOutcomes.begin(), vecOutcomes.end(),
                                             [](const auto& outcome) { return !outcome.bOk; });
            if (failed == vecOutcomes.end()) {
                m_pConnection->Commit();
                CountExported(m_nPending);
                ClearBatch();
                return;
            }
            strError = failed->strError;
        } catch (const COdbcError& error) {
            strError = error.what();
        }
        m_pConnection->Rollback();
        SendEachAlone(strError);
    } catch (const COdbcError& error) {
        m_pConnection->Rollback();
        CountFailed(m_nPending, error.what(), m_strBatch);
    }
    ClearBatch();
}

void CExportContext::SendEachAlone(const std::string& strRefusal) {
    // Refused (or no transactions): one bad row must not cost the others. Nothing of the batch
    // was kept, so every statement is sent again on its own and only those refused fail.
    if (!strRefusal.empty()) {
        CExecutionLog::WriteLog(1, 0,
                                "A batch of " + std::to_string(m_nPending) +
                                    " statements was refused (" + strRefusal +
                                    "); it is sent again statement by statement",
                                true);
    }
    std::size_t nStart = 0;
    for (const std::size_t nEnd : m_vecStatementEnds) {
        const std::string strStatement = m_strBatch.substr(nStart, nEnd - nStart);
        nStart = nEnd;
        try {
            m_pConnection->Execute(strStatement);
            CountExported(1);
        } catch (const COdbcError& error) {
            CountFailed(1, error.what(), strStatement);
        }
    }
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
