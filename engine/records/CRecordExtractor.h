// engine/records/CRecordExtractor.h
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "common/ByteView.h"
#include "engine/core/CSQLServerEngine.h"

class CTable;
class COdbcConnection;
class CRowDecoder;
class CInsertStatementBuilder;
struct SDecodedRow;

// Delivers the records of one table to the grid (pages of 500 rows with bookmarks), to the
// table's INSERT script, or to a database connection.
class CRecordExtractor {
  public:
    explicit CRecordExtractor(CSQLServerEngine& engine);
    ~CRecordExtractor();

    // Rows per grid page.
    static constexpr int kRowsPerPage = 500;

    void DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset, CTable& table);
    std::uint16_t DecodeRecordForExport(std::span<const std::byte> pageData,
                                        std::uint16_t nRowOffset, CTable& table,
                                        COdbcConnection* pDatabase, std::string& strBatch,
                                        bool& bFlush);
    // One grid page of m_pStatus->m_pRecordTable, or in export mode the statement walk of
    // m_pStatus->m_pCurrentTable. Sets m_bTableDone on every way out.
    unsigned RecoverTableRecordThread();
    // Batched direct export of one table's records on the given connection.
    unsigned RecoverTableRecordThread(CTable& table, COdbcConnection* pDatabase);
    // Forgets the paging position (a new table was selected).
    void ResetPaging();

    // Avoid_Duplicate of sql.settings: the row-by-row database export executes a value list only
    // once per table. Set by the table script before the records are exported.
    std::atomic<bool> m_bAvoidDuplicate{false};

    // Rows the current grid run has delivered.
    int RecordsShown() const { return m_nRecordsShown.load(); }

  private:
    // A batch of statements owned by one export call, with the number of rows it holds.
    struct SBatch {
        std::string& strText;
        int& nPending;
        bool& bFlush;
    };

    // The statement head of a table and one text buffer, kept for a whole walk.
    struct SStatementSink {
        CInsertStatementBuilder& builder;
        std::string& strText;
    };

    void Deliver(CRowDecoder& decoder, SDecodedRow& row, const CByteView& data,
                 std::uint16_t nRowOffset, CTable& table, SStatementSink* pSink);
    std::uint16_t DeliverForExport(CRowDecoder& decoder, SDecodedRow& row, const CByteView& data,
                                   std::uint16_t nRowOffset, CTable& table,
                                   COdbcConnection* pDatabase, SBatch& batch, SStatementSink& sink);
    void WriteToScript(std::string_view strStatement, CTable& table);
    // Executes the batch; its rows count as exported only when the driver accepted it.
    void ExecuteBatch(COdbcConnection* pDatabase, CTable& table, std::string& strText,
                      int& nPending);
    void CountFailed(CTable& table, int nRows, const std::string& strError,
                     std::string_view strStatement);
    unsigned BrowsePage();
    unsigned StatementWalk();
    void MarkTableDone();
    void RowDelivered();

    CSQLServerEngine& m_engine;
    // Paging state of the grid, kept between runs of the record thread.
    std::mutex m_mutexPaging;
    SBookmark m_bmResume;
    std::optional<SBookmark> m_bmPageStart;
    const CTable* m_pPagedTable = nullptr;
    std::atomic<int> m_nRecordsShown{0};
    // Row-by-row database export: the statement buffer and the value lists already inserted.
    std::mutex m_mutexInsert;
    std::string m_strInsertBatch;
    std::unordered_map<std::string, std::string> m_mapInsertedRows;
};
