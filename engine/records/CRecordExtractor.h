// engine/records/CRecordExtractor.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class CSQLServerEngine;
class CTable;
class COdbcConnection;

// Delivers the records of one table to the grid (pages of 500 rows with bookmarks), to the
// table's INSERT script, or to a database connection.
class CRecordExtractor {
public:
    explicit CRecordExtractor(CSQLServerEngine& engine);

    void DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset, CTable& table);
    std::uint16_t DecodeRecordForExport(std::span<const std::byte> pageData, std::uint16_t nRowOffset, CTable& table,
                                        COdbcConnection* pDatabase, std::string& strBatch, bool& bFlush);
    // One grid page of m_pStatus->m_pRecordTable, or in export mode the statement walk of
    // m_pStatus->m_pCurrentTable. Sets m_bTableDone on every way out.
    unsigned RecoverTableRecordThread();
    // Batched direct export of one table's records on the given connection.
    unsigned RecoverTableRecordThread(CTable& table, COdbcConnection* pDatabase);
    // Forgets the paging position (a new table was selected).
    void ResetPaging();

private:
    CSQLServerEngine& m_engine;
};
