// engine/records/CGridCursor.h
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/Export.h"
#include "engine/core/CBookmarkStack.h"
#include "engine/records/CRowSource.h"
#include "engine/records/CValueFormat.h"
#include "engine/records/SDecodedRow.h"

class CTable;
class IDamageSink;

// A page move of the record grid, in the terms of the engine's paging members: the first page
// when nothing was paged yet, otherwise forward from where the last page stopped or back to where
// the page before it began.
struct AMBERMILL_API SGridRequest {
    bool bPagingStarted = false;
    bool bForward = true;

    static SGridRequest First() { return {false, true}; }
    static SGridRequest Next() { return {true, true}; }
    static SGridRequest Previous() { return {true, false}; }
};

// What a finished request delivered, handed to the commit callback.
struct AMBERMILL_API SGridPageSummary {
    std::uint64_t nRequest = 0;
    int nRows = 0;
    int nPageNumber = 0;  // 1 for the first page
    bool bLastPage = false;
    bool bHasPrevious = false;
    SBookmark bmPageStart;  // where the page began: ReadRow finds its rows again from here
};

// The record grid's position in one table: where the next page starts, where the shown page
// began, the history of earlier pages, the page number and the newest request. A page is a run
// of up to 500 rows the grid shows (deleted rows only when asked, rows of nothing but NULLs
// left out).
//
// Threads: the caller makes requests (Request) and reads the position; whoever runs a request
// (Run: the engine's record thread, or the caller itself) fills it. Every member is read and
// written under the cursor's lock, except the rows themselves, which go to the row callback as
// they are decoded. A newer request cancels an older one that has not finished: the older run
// stops at its next row, its rows are dropped by its caller, and it moves nothing.
class AMBERMILL_API CGridCursor {
  public:
    static constexpr int kRowsPerPage = 500;

    struct SOptions {
        std::string strFileName;
        bool bRecoverDeleted = false;
        // Read binary values behind text pointers (for data output); the grid leaves them unread
        // and shows "<binary data>".
        bool bFollowBinaryPointers = false;
        // Where the rows come from; empty: the fixed/variable rows of the table's page list.
        FRowSourceFactory fnRowSource;
    };
    using RowCallback = std::function<void(const SDecodedRow& row)>;
    using CommitCallback = std::function<void(const SGridPageSummary& summary)>;

    // pHistory: the stack that keeps the history (the engine's m_dqBookmarks); the cursor keeps
    // its own when null. REQUIRES: table and *pHistory outlive the cursor.
    CGridCursor(const CTable& table, SOptions options, CBookmarkStack* pHistory = nullptr);
    CGridCursor(const CGridCursor&) = delete;
    CGridCursor& operator=(const CGridCursor&) = delete;

    const CTable& Table() const { return m_table; }
    // The options the cursor was made with (deleted rows: see SetRecoverDeleted).
    const SOptions& Options() const { return m_options; }
    // Whether deleted rows are shown from the next run on.
    void SetRecoverDeleted(bool bRecoverDeleted);
    // How each column's values are formatted, in column order.
    const std::vector<SColumnFormat>& Formats() const { return m_vecFormats; }

    // Registers a request and returns its number; every older request is cancelled. fnRegistered
    // runs under the cursor's lock, so no older run can commit after it.
    std::uint64_t Request(SGridRequest request, const std::function<void()>& fnRegistered = {});
    // Cancels every request made so far.
    void Cancel();

    // Runs request nRequest on the calling thread, handing every row of the page to fnRow.
    // Returns false when the request was cancelled (a newer request, *pStop, or a request that is
    // not the newest when it starts); the position is then unchanged. Otherwise the position
    // moves to the page just delivered and fnCommit runs under the cursor's lock. What the walk
    // could not read (skipped pages and rows, values marked "Corrupt") is reported to pDamage
    // when it is given.
    bool Run(std::uint64_t nRequest, const RowCallback& fnRow,
             const std::atomic<bool>* pStop = nullptr, const CommitCallback& fnCommit = {},
             IDamageSink* pDamage = nullptr);
    // Request and Run on the calling thread.
    bool Page(SGridRequest request, const RowCallback& fnRow,
              const std::atomic<bool>* pStop = nullptr, IDamageSink* pDamage = nullptr);

    // Decodes again row nRow (0 for the first) of a page that began at bmPageStart, with the rows
    // counted as a page counts them (deleted rows as SetRecoverDeleted says, rows of nothing but
    // NULLs left out). Only that row is decoded with this cursor's options; the rows before it
    // are counted without reading their binary values. A front end opens a cursor with
    // bFollowBinaryPointers to show one binary value in full. Neither the position nor the
    // requests change. False when the page has no such row or *pStop ended the walk.
    bool ReadRow(const SBookmark& bmPageStart, int nRow, SDecodedRow& row,
                 const std::atomic<bool>* pStop = nullptr) const;

    bool LastPage() const;
    int PageNumber() const;
    bool HasPrevious() const;
    std::uint64_t LatestRequest() const { return m_nLatestRequest.load(); }

  private:
    // Whether a page shows the row: not when it holds nothing but NULLs.
    bool ShowsRow(const SDecodedRow& row) const;
    std::unique_ptr<CRowSource> MakeSource(const SRowSourceOptions& options) const;

    struct SPending {
        SGridRequest request;
        std::uint64_t nRequest = 0;
    };

    const CTable& m_table;
    SOptions m_options;
    std::vector<SColumnFormat> m_vecFormats;
    std::unique_ptr<CBookmarkStack> m_pOwnHistory;
    CBookmarkStack& m_history;

    mutable std::mutex m_mutex;
    std::atomic<std::uint64_t> m_nLatestRequest{0};
    std::optional<SPending> m_pending;  // the newest request, until it runs
    bool m_bRecoverDeleted = false;
    SBookmark m_bmResume;
    std::optional<SBookmark> m_bmPageStart;
    int m_nPageNumber = 0;
    bool m_bLastPage = false;
    // The source of the last run, kept for the next: a source sets up its walk once (the file,
    // the column plans, a format's allocation structures). A run takes it out and puts it back.
    std::unique_ptr<CRowSource> m_pSpareSource;
    bool m_bSpareRecoverDeleted = false;
    IDamageSink* m_pSpareDamage = nullptr;
};
