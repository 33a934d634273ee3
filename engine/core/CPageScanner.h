// engine/core/CPageScanner.h
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/ByteView.h"
#include "common/Export.h"
#include "engine/core/SDamage.h"

class CSQLServerEngine;
class CTable;

// Page access of a recovery: the whole-file page scan that files every data page under its
// owning object, the walk over a system table's rows, the extent reader and the boot page name.
class AMBERMILL_API CPageScanner {
  public:
    using RowReader = std::function<void(const CByteView& dataArea, std::uint16_t nRowOffset)>;
    // A row reader that says what it could not read: std::nullopt when the row was read or is
    // not one it wants; otherwise the damage (the walk adds the page, slot and table).
    using RowCheck =
        std::function<std::optional<SDamage>(const CByteView& dataArea, std::uint16_t nRowOffset)>;

    // The scan reads runs of pages with one read each; the hand-shake follows every run of
    // m_nPagesPerHandshake pages (the status block), so the listener still counts every page,
    // in order, through the running count.
    static constexpr std::uint32_t kMaxPagesPerRun = 4096;
    static constexpr std::uint32_t kPagesPerRead = 128;

    explicit CPageScanner(CSQLServerEngine& engine) : m_engine(engine) {}

    // Scans every page, filing each data page under the object id in its header unless
    // bFileDataPages is false (formats whose headers name allocation units, not objects, find
    // their pages through their catalog). False when a stop request ended it early (or the file
    // could not be opened). A cut tail and every damaged, stray or torn page go to the engine's
    // damage log.
    bool ReadAllPages(bool bFileDataPages = true);
    // Walks every accepted row of a system table's data pages. False (with the not-found line in
    // the error log) when the table owns no data page; also false after a stop request. Damaged
    // pages and slots go to the engine's damage log, and so does every row fnCheck reports.
    bool WalkSystemTableRows(const std::string& strKey, const std::string& strNotFound,
                             const RowCheck& fnCheck);
    // The same for a reader that reports nothing of its own.
    bool ReadSystemTableRows(const std::string& strKey, const std::string& strNotFound,
                             const RowReader& fnReader);
    // The start of a recovery: the file header page and the boot page are checked (their damage
    // goes to the engine's damage log) and the database name to use is returned: the boot
    // page's, or the file's base name when that cannot be read.
    std::string CheckFixedPages();
    // The same walk without any log line, for tables whose phases the execution log does not
    // list. False when the table owns no data page or a stop request ended the walk.
    bool WalkSystemTableRows(const std::string& strKey, const RowReader& fnReader);
    void ReadExtent(std::uint32_t nExtent, const std::string& strObjectId);
    std::string GetDatabaseName();

    // Database name from the 500 bytes at boot page byte 148 (exposed for tests).
    static std::string DecodeDatabaseName(const CByteView& bytes);

  private:
    // The accepted rows of one system table's data pages; damaged pages and slots, and every row
    // fnCheck reports, go to the engine's damage log.
    bool WalkRows(const CTable& table, const RowCheck& fnCheck);

    CSQLServerEngine& m_engine;
};
