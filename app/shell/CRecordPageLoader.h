// app/shell/CRecordPageLoader.h
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "app/shell/SRecordPage.h"

class CGridCursor;
class CSQLServerEngine;
class CTable;

// Reads the record grid's pages, and single values in full, on a worker thread of its own,
// through grid cursors of the engine: one cursor per shown table, another one (that reads binary
// values behind text pointers) for a value the user opens. A newer request cancels an older one:
// the older run stops at its next row and only the newest result is delivered.
//
// Threads: the public functions and the signals belong to the GUI thread. The worker hands its
// results over under m_mutex and then emits WorkDone, which reaches Deliver on the GUI thread
// through a queued connection; nothing else crosses between the two threads.
class CRecordPageLoader : public QObject {
    Q_OBJECT

  public:
    // Records per page, as the grid cursor reads them.
    static constexpr int kRowsPerPage = 500;
    // The value view shows at most this many bytes of a binary value.
    static constexpr std::size_t kMaxDumpBytes = 256 * 1024;

    // The engine must outlive this object.
    explicit CRecordPageLoader(CSQLServerEngine& engine, QObject* pParent = nullptr);
    // Stops the running request and joins the worker.
    ~CRecordPageLoader() override;

    // Asks for a page of pTable: First starts the table again at its first page; Next and
    // Previous move from the page delivered last. Returns the number PageLoaded will carry.
    std::uint64_t Request(const CTable* pTable, EPageRequest eRequest);
    // Asks for one value of a page shown in full. Returns the number ValueLoaded will carry.
    std::uint64_t RequestValue(const SValueRequest& request);
    // Cancels every request; nothing more is delivered for them.
    void CancelAll();
    // A page request is waiting or running.
    bool IsBusy() const;
    // Whether deleted (ghost) records are read; takes effect with the next First request.
    void SetShowDeleted(bool bShow);

  signals:
    void PageLoaded(const SRecordPage& page);
    void ValueLoaded(const SLoadedValue& value);
    // Emitted by the worker; see the class comment.
    void WorkDone(QPrivateSignal);

  private:
    struct SPageJob {
        std::uint64_t nRequest = 0;
        std::shared_ptr<CGridCursor> pCursor;  // null: the engine shows no records
        std::uint64_t nCursorRequest = 0;
        const CTable* pTable = nullptr;
        bool bShowsDeleted = false;
    };
    struct SValueJob {
        std::uint64_t nRequest = 0;
        SValueRequest request;
    };

    void Work();
    // The page, or nothing when a newer request took over.
    std::optional<SRecordPage> LoadPage(const SPageJob& job);
    SLoadedValue LoadValue(const SValueJob& job);
    // On the GUI thread: hands the finished results to the signals.
    void Deliver();

    CSQLServerEngine& m_engine;
    // Set when the loader goes: the running walk ends before its next page.
    std::atomic<bool> m_bQuit{false};

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    // Under m_mutex: the requests waiting for the worker (only the newest of each kind), the
    // cursor of the shown table, and the results waiting for the GUI thread.
    std::optional<SPageJob> m_pageJob;
    std::optional<SValueJob> m_valueJob;
    std::shared_ptr<CGridCursor> m_pCursor;
    std::optional<SRecordPage> m_page;
    std::optional<SLoadedValue> m_value;
    std::uint64_t m_nLastRequest = 0;
    std::uint64_t m_nWantedPage = 0;   // 0: no page is wanted
    std::uint64_t m_nWantedValue = 0;  // 0: no value is wanted
    bool m_bPageRunning = false;
    bool m_bShowDeleted = false;
    bool m_bCursorShowsDeleted = false;  // m_pCursor reads deleted records

    std::thread m_worker;
};
