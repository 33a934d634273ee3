// engine/core/CPageScanner.h
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/ByteView.h"
#include "common/Export.h"

class CSQLServerEngine;

// Page access of a recovery: the whole-file page scan that files every data page under its
// owning object, the walk over a system table's rows, the extent reader and the boot page name.
class AMBERMILL_API CPageScanner {
  public:
    using RowReader = std::function<void(const CByteView& dataArea, std::uint16_t nRowOffset)>;

    // The scan reads runs of pages with one read each; the hand-shake follows every run of
    // m_nPagesPerHandshake pages (the status block), so the listener still counts every page,
    // in order, through the running count.
    static constexpr std::uint32_t kMaxPagesPerRun = 4096;
    static constexpr std::uint32_t kPagesPerRead = 128;

    explicit CPageScanner(CSQLServerEngine& engine) : m_engine(engine) {}

    // Scans every page, filing each data page under the object id in its header unless
    // bFileDataPages is false (formats whose headers name allocation units, not objects, find
    // their pages through their catalog). False when a stop request ended it early (or the file
    // could not be opened).
    bool ReadAllPages(bool bFileDataPages = true);
    // Walks every accepted row of a system table's data pages. False (with the not-found line in
    // the error log) when the table owns no data page; also false after a stop request.
    bool ReadSystemTableRows(const std::string& strKey, const std::string& strNotFound,
                             const RowReader& fnReader);
    // The same walk without any log line, for tables whose phases the execution log does not
    // list. False when the table owns no data page or a stop request ended the walk.
    bool WalkSystemTableRows(const std::string& strKey, const RowReader& fnReader);
    void ReadExtent(std::uint32_t nExtent, const std::string& strObjectId);
    std::string GetDatabaseName();

    // Database name from the 500 bytes at boot page byte 148 (exposed for tests).
    static std::string DecodeDatabaseName(const CByteView& bytes);

  private:
    CSQLServerEngine& m_engine;
};
