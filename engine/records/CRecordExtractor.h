// engine/records/CRecordExtractor.h
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "common/Export.h"
#include "engine/core/SGridPage.h"
#include "engine/records/CExportContext.h"
#include "engine/records/CGridCursor.h"
#include "engine/records/CRecordThread.h"

class CSQLServerEngine;
class CTable;
class COdbcConnection;
struct SRecordRow;

// The record procedures of an engine that reads rows in the fixed/variable format: delivers the
// records of one table to the grid (pages of 500 rows through a grid cursor), to the table's
// INSERT script, or to a database connection (through a per-call export context). This is where
// the interface's paging members, record operations and table exports meet the core's walks.
class AMBERMILL_API CRecordExtractor {
  public:
    // fnRowSource: where a format other than the fixed/variable rows of the table's page list
    // reads its rows (grid pages and table exports alike).
    explicit CRecordExtractor(CSQLServerEngine& engine, FRowSourceFactory fnRowSource = {});
    ~CRecordExtractor();
    CRecordExtractor(const CRecordExtractor&) = delete;
    CRecordExtractor& operator=(const CRecordExtractor&) = delete;

    // Rows per grid page.
    static constexpr int kRowsPerPage = CGridCursor::kRowsPerPage;

    void DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset, CTable& table);
    std::uint16_t DecodeRecordForExport(std::span<const std::byte> pageData,
                                        std::uint16_t nRowOffset, CTable& table,
                                        COdbcConnection* pDatabase, std::string& strBatch,
                                        bool& bFlush);
    // Hands one run of the record procedure to the record thread and returns at once. The run is
    // finished when the status block's m_bTableDone is set (waiters on it are notified).
    void StartRecordThread();
    // Waits until the record thread has no run left.
    void WaitForRecordThread() { m_recordThread.WaitIdle(); }
    // One run of the record procedure on the calling thread: one grid page of m_pRecordTable,
    // moved as the paging members say, or in export mode the statement walk of m_pCurrentTable.
    // Sets m_bTableDone on every way out.
    unsigned RecoverTableRecordThread();
    // Batched export of one table's records on the given connection, reporting into the status
    // block; outside export mode the grid page instead.
    unsigned RecoverTableRecordThread(CTable& table, COdbcConnection* pDatabase);

    // The export context of the interface's one-table path (GenerateTableQueries with a table):
    // the engine's export members, row by row, reporting into the status block.
    CExportContext OneTableContext(CTable* pTable) const;
    // The context of a call with its own connection (GenerateTableQueries with a connection):
    // batched, and sharing nothing it writes with other calls.
    CExportContext ConnectionContext(CTable* pTable, COdbcConnection* pDatabase) const;

    // Forgets the paging position (a new table was selected).
    void ResetPaging();
    // The cursor the interface's paging members drive, or nullptr before the first page.
    std::shared_ptr<CGridCursor> GridCursor() const;

    // Avoid_Duplicate of sql.settings: the row-by-row database export executes a value list only
    // once per table. Set by the table script before the records are exported.
    std::atomic<bool> m_bAvoidDuplicate{false};

    // A decoded row handed to the record procedure (DecodeRecord): a grid row in browse mode, an
    // INSERT statement in export mode.
    void DeliverRow(const SDecodedRow& row, CTable& table,
                    const std::vector<SColumnFormat>& vecFormats);

    // Rows the current grid run has delivered.
    int RecordsShown() const { return m_nRecordsShown.load(); }

  private:
    std::shared_ptr<CGridCursor> CursorFor(const CTable& table);
    // Registers a request made from the paging members on the table's cursor.
    std::uint64_t Register(const std::shared_ptr<CGridCursor>& pCursor);
    void RunGridRequest(const std::shared_ptr<CGridCursor>& pCursor, std::uint64_t nRequest);
    unsigned StatementWalk(CExportContext context);
    void GridPageOfNoTable();
    void MarkTableDone();

    CSQLServerEngine& m_engine;
    FRowSourceFactory m_fnRowSource;
    mutable std::mutex m_mutexGrid;
    std::shared_ptr<CGridCursor> m_pCursor;
    // The grid texts of the page being read; the buffer goes to the status block and back.
    std::mutex m_mutexPage;
    SGridPage m_page;
    std::atomic<int> m_nRecordsShown{0};
    // DecodeRecord in export mode: the statement buffer and the value lists already inserted.
    std::mutex m_mutexDecode;
    CExportContext m_decodeContext;
    // Last: its thread ends before the state above goes away.
    CRecordThread m_recordThread;
};
