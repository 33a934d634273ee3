// engine/format2005/CLaterFormatEngine.h
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "engine/core/CEngineBase.h"
#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CDatabaseReader.h"

namespace format2005 {

// The engine of the SQL Server 2005 and later formats (CSQLServer2005 and CSQLServer2008 differ
// only in their format): the same interface, status block, hand-shakes and counts as the 2000
// engine. The catalog comes from the hidden base tables, the rows of a table from the pages of
// its allocation units, read through a row source that the core's grid cursor and record export
// walk. Nothing is written to the data file.
class CLaterFormatEngine : public CEngineBase {
  public:
    explicit CLaterFormatEngine(EEngineFormat eFormat);
    ~CLaterFormatEngine() override;

    unsigned RecoverSQLServerMDF() override;
    std::string GetDatabaseName() override;
    // The record procedure on page bytes: the data area (page byte 96 on) and a row offset.
    void DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                      CTable& table) override;
    std::uint16_t DecodeRecordForExport(std::span<const std::byte> pageData,
                                        std::uint16_t nRowOffset, CTable& table,
                                        COdbcConnection* pDatabase, std::string& strBatch,
                                        bool& bFlush) override;
    // Pages belong to allocation units here, not to extents of objects: nothing to file.
    void ReadExtent(std::uint32_t, const std::string&) override {}

    // Everything the engine could not read so far (catalog, page lists, rows), in the order met;
    // each record was also written to the error log once.
    CDamageList Damage() const;
    // The rows of a table for the grid cursor and the record export; nullptr when the data file or
    // its catalog cannot be read (said in the error log) or the table's rows are not read.
    std::unique_ptr<CRowSource> MakeRowSource(const CTable& table,
                                              const SRowSourceOptions& options);

  private:
    // The file's catalog, opened by the recovery or, after a scan was loaded, on first use.
    std::shared_ptr<const CDatabaseReader> Reader();
    // Takes damage records over, logging the ones not met before; a walk's own sink (may be
    // null) gets all of them, as the command or export that walked counts its damage there.
    void Report(const CDamageList& damage, IDamageSink* pWalkSink = nullptr);

    mutable std::mutex m_mutexReader;
    std::shared_ptr<const CDatabaseReader> m_pReader;
    mutable std::mutex m_mutexDamage;
    // The reader's own records, kept as it reports them; each also goes to the engine's sink.
    CDamageList m_laterDamage;
    std::set<std::tuple<int, std::uint32_t, std::int32_t, std::int32_t, std::string>> m_setReported;
};

}  // namespace format2005
