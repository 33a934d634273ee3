// app/export/job/CTableExportPool.h
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class COdbcConnection;

// The table stage on several threads: up to kMaxWorkers workers take tables from one queue, in
// selection order, each on a connection of its own. Everything a worker reports (messages,
// progress, results) goes through the callbacks under the pool's lock, so callers see one call
// at a time; the table job itself runs outside the lock. Run() returns only after the last
// worker has ended, whatever ended it (queue empty, stop request, failed connection, error), and
// has closed its connection.
class CTableExportPool {
  public:
    static constexpr int kMaxWorkers = 5;

    // What became of one table.
    struct SOutcome {
        std::int64_t nExported = 0;
        std::int64_t nFailed = 0;
        bool bDone = false;    // the table job ran to its end
        std::string strError;  // a failure that must end the export (a script that cannot be
                               // written); no further table is started
    };

    // Opens the connection of worker nWorker (0-based); throws COdbcError with the driver's
    // message. An empty function: the workers need no connection (scripts).
    using FnConnect = std::function<std::unique_ptr<COdbcConnection>(int nWorker)>;
    // Exports table nIndex on the worker's connection (nullptr without one). Called outside the
    // lock, from several threads at once: it must keep all its state in the call.
    using FnTableJob = std::function<SOutcome(std::size_t nIndex, COdbcConnection* pConnection)>;

    // Called under the pool's lock.
    struct SCallbacks {
        std::function<void(std::size_t nIndex)> fnStarted;
        // nFinished: tables finished so far, this one included.
        std::function<void(std::size_t nIndex, const SOutcome& outcome, int nFinished)> fnFinished;
        std::function<void(int nWorker, const std::string& strError)> fnConnectFailed;
    };

    struct SResult {
        int nWorkers = 0;                           // threads started
        int nConnections = 0;                       // connections that opened
        std::vector<SOutcome> vecOutcomes;          // per table, in selection order
        std::vector<std::size_t> vecNotExported;    // tables no worker finished, in order
        std::vector<std::string> vecConnectErrors;  // one per worker whose connection failed
        std::string strError;                       // the first table error, if any
        bool bStopped = false;                      // a stop request ended the stage
    };

    // pStop: the export's stop request, read between tables (the table job reads it too).
    CTableExportPool(int nWorkers, const std::atomic<bool>* pStop);
    CTableExportPool(const CTableExportPool&) = delete;
    CTableExportPool& operator=(const CTableExportPool&) = delete;

    SResult Run(std::size_t nTables, const FnConnect& fnConnect, const FnTableJob& fnJob,
                const SCallbacks& callbacks);

    // Workers for nTables tables: the request within 1..kMaxWorkers, never more than the tables.
    static int WorkerCount(int nRequested, std::size_t nTables);

  private:
    void Worker(int nWorker, const FnConnect& fnConnect, const FnTableJob& fnJob,
                const SCallbacks& callbacks);
    bool StopRequested() const { return m_pStop != nullptr && m_pStop->load(); }

    int m_nRequested;
    const std::atomic<bool>* m_pStop;
    // Lent to the workers' connections when the target takes one writer at a time; every
    // connection is closed before Run returns.
    std::mutex m_writerGate;

    // One run's state, guarded by m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_cvWorkersEnded;
    std::size_t m_nTables = 0;
    std::size_t m_nNext = 0;  // next table of the queue
    int m_nLiveWorkers = 0;
    int m_nFinished = 0;
    bool m_bAborted = false;
    SResult m_result;
};
