// engine/records/CExportContext.h
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/Export.h"
#include "engine/records/CRowSource.h"

class CEngineStatus;
class IDamageSink;
class COdbcConnection;
class CScriptFile;
class CTable;

// Everything one table export call works with: where its statements go, what it exports, its
// batch and its counters. Each call owns its context, so tables exported at the same time on one
// engine share nothing they write; the engine's stop flags are only read.
class AMBERMILL_API CExportContext {
  public:
    // How the records are walked: the statement walk (with duplicate avoidance) or the batch walk
    // (cleared slots count towards a batch). Either way a direct export sends batches of
    // m_nBatchSize statements that never span two pages, each one transaction.
    enum class EWalk : std::uint8_t { RowByRow, Batched };

    // Where statements go: executed on the connection (direct) or written to the table's script.
    bool m_bDirect = false;
    COdbcConnection* m_pConnection = nullptr;
    CScriptFile* m_pTableFile = nullptr;
    // Bound defaults of the table (script target); nullptr: not written.
    CScriptFile* m_pDefaultFile = nullptr;
    // The table's keys, checks and indexes (script target); nullptr: not written.
    CScriptFile* m_pConstraintFile = nullptr;

    // What is exported.
    bool m_bExportRecords = true;
    bool m_bRecoverDeleted = false;
    bool m_bAvoidDuplicate = false;  // row by row: an identical value list is executed once
    EWalk m_eWalk = EWalk::Batched;
    int m_nBatchSize = 100;
    std::string m_strFileName;  // the data file the records are read from
    // Where the rows come from; empty: the fixed/variable rows of the table's page list.
    FRowSourceFactory m_fnRowSource;

    // The export's stop request (m_bStop) and the extraction's (m_bCancel); read only.
    const std::atomic<bool>* m_pStop = nullptr;
    const std::atomic<bool>* m_pCancel = nullptr;
    // The one-table path of the interface also reports into the engine's status block
    // (m_nExportedRecords, m_nFailedRecords, m_nRecordCount, "RecordEvent", m_bTableDone).
    // nullptr for calls that must not share it, such as pooled workers.
    CEngineStatus* m_pStatus = nullptr;
    // Where the record walk reports what it could not read (skipped pages and rows, values marked
    // "Corrupt"); nullptr reports nothing. Shared sinks must be thread-safe (CDamageLog is).
    IDamageSink* m_pDamage = nullptr;

    // The table of this call and what became of its records (the table's own m_nExportCount and
    // m_nFailedCount follow the same counts).
    CTable* m_pTable = nullptr;
    std::int64_t m_nExported = 0;   // statements written, or accepted by the target
    std::int64_t m_nFailed = 0;     // statements refused or not written; a failed CREATE TABLE
    std::int64_t m_nDelivered = 0;  // rows decoded and handed on

    // Working state of the call.
    std::string m_strBatch;
    int m_nPending = 0;                           // statements in m_strBatch
    std::vector<std::size_t> m_vecStatementEnds;  // where each statement of m_strBatch ends
    std::string m_strStatement;
    std::unordered_set<std::string> m_setInsertedRows;

    bool StopRequested() const { return m_pStop != nullptr && m_pStop->load(); }
    bool CancelRequested() const { return m_pCancel != nullptr && m_pCancel->load(); }

    // A statement to the table's script file; counted as exported once written.
    void WriteStatement(std::string_view strStatement);
    // Appends a statement to the batch.
    void AddToBatch(std::string_view strStatement);
    // Empties the batch.
    void ClearBatch();
    // Executes the batch as one transaction, committed once; its statements count as exported
    // only when the target accepted them. A batch the target refuses is rolled back and sent
    // again statement by statement, so only the statements refused on their own count as failed.
    void ExecuteBatch();
    // nRows statements that did not reach the target, logged with the driver's message.
    void CountFailed(int nRows, const std::string& strError, std::string_view strStatement);
    // A row got through: the status block's record count and "RecordEvent" (one-table path).
    void RowDelivered();
    // The records of the table are done (one-table path: m_bTableDone).
    void MarkTableDone();

  private:
    void CountExported(int nRows);
    void SendEachAlone(const std::string& strRefusal);
};
