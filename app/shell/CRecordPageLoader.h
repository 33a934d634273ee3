// app/shell/CRecordPageLoader.h
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "app/shell/SRecordPage.h"

class CSQLServerEngine;
class CThreadWaker;
class CTable;

// Loads one page of a table's records on a worker thread of its own: it sets the engine's paging
// state, runs the engine's record thread, waits for it without spinning and posts the page to the
// GUI thread. One request at a time; the window keeps the selection on the loading table meanwhile.
class CRecordPageLoader : public QObject {
    Q_OBJECT

  public:
    // Records per page, as the engine hands them over.
    static constexpr int kRowsPerPage = 500;

    // The engine must outlive this object.
    explicit CRecordPageLoader(CSQLServerEngine& engine, QObject* pParent = nullptr);
    // Asks a running load to stop and waits for the worker to end.
    ~CRecordPageLoader() override;

    // Starts a load; false (nothing started) while another one runs. Returns the request number
    // that PageLoaded will carry.
    std::optional<std::uint64_t> Request(CTable* pTable, EPageRequest eRequest);
    bool IsBusy() const;
    // Whether the engine hands over deleted (ghost) records too; takes effect with the next load.
    void SetShowDeleted(bool bShow);

  signals:
    void PageLoaded(const SRecordPage& page);

  private:
    // On the GUI thread: hands the finished page to PageLoaded.
    void DeliverPage();

    struct SJob {
        std::uint64_t nRequest = 0;
        CTable* pTable = nullptr;
        EPageRequest eRequest = EPageRequest::First;
    };

    void Work();
    SRecordPage Load(const SJob& job);
    void PrepareEngine(const SJob& job);

    CSQLServerEngine& m_engine;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::optional<SJob> m_job;  // waiting to be picked up
    // A finished page waiting for the GUI thread. Handed over under m_mutex, so the GUI thread
    // reads it only after the worker has written it whole.
    std::optional<SRecordPage> m_page;
    CThreadWaker* m_pWaker = nullptr;
    bool m_bBusy = false;  // a job is waiting or running
    bool m_bQuit = false;
    bool m_bShowDeleted = false;
    std::uint64_t m_nLastRequest = 0;
    std::thread m_worker;
};
