// app/export/job/CTableExportPool.cpp
#include "app/export/job/CTableExportPool.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "common/OdbcConnection.h"

CTableExportPool::CTableExportPool(int nWorkers, const std::atomic<bool>* pStop)
    : m_nRequested(nWorkers), m_pStop(pStop) {}

int CTableExportPool::WorkerCount(int nRequested, std::size_t nTables) {
    const int nWorkers = std::clamp(nRequested, 1, kMaxWorkers);
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(nWorkers), nTables));
}

CTableExportPool::SResult CTableExportPool::Run(std::size_t nTables, const FnConnect& fnConnect,
                                                const FnTableJob& fnJob,
                                                const SCallbacks& callbacks) {
    const int nWorkers = WorkerCount(m_nRequested, nTables);
    {
        std::lock_guard lock(m_mutex);
        m_nTables = nTables;
        m_nNext = 0;
        m_nFinished = 0;
        m_bAborted = false;
        m_result = SResult{};
        m_result.nWorkers = nWorkers;
        m_result.vecOutcomes.resize(nTables);
        // Counted before any thread starts, so that no early end can look like the last one.
        m_nLiveWorkers = nWorkers;
    }
    std::vector<std::thread> vecThreads;
    vecThreads.reserve(static_cast<std::size_t>(nWorkers));
    for (int nWorker = 0; nWorker < nWorkers; ++nWorker) {
        vecThreads.emplace_back([this, nWorker, &fnConnect, &fnJob, &callbacks] {
            Worker(nWorker, fnConnect, fnJob, callbacks);
        });
    }
    {
        std::unique_lock lock(m_mutex);
        m_cvWorkersEnded.wait(lock, [this] { return m_nLiveWorkers == 0; });
    }
    // Every worker has left its loop and closed its connection; only the thread exits remain.
    for (std::thread& thread : vecThreads)
        thread.join();

    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < nTables; ++i) {
        if (!m_result.vecOutcomes[i].bDone)
            m_result.vecNotExported.push_back(i);
    }
    m_result.bStopped = StopRequested();
    return m_result;
}

void CTableExportPool::Worker(int nWorker, const FnConnect& fnConnect, const FnTableJob& fnJob,
                              const SCallbacks& callbacks) {
    std::unique_ptr<COdbcConnection> pConnection;
    bool bUsable = true;
    if (fnConnect) {
        try {
            pConnection = fnConnect(nWorker);
        } catch (const COdbcError& error) {
            // This worker takes no table; the others share its part of the queue.
            bUsable = false;
            std::lock_guard lock(m_mutex);
            m_result.vecConnectErrors.push_back(error.what());
            if (callbacks.fnConnectFailed)
                callbacks.fnConnectFailed(nWorker, error.what());
        }
        if (bUsable) {
            // Workers writing to a one-writer database take turns for each write instead of
            // colliding on its lock; reading and decoding rows stay parallel. A server keeps
            // every worker writing at once.
            if (pConnection && pConnection->AdmitsOneWriter())
                pConnection->SetWriterGate(&m_writerGate);
            std::lock_guard lock(m_mutex);
            ++m_result.nConnections;
        }
    }

    while (bUsable) {
        std::size_t nIndex = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_bAborted || m_nNext >= m_nTables || StopRequested())
                break;
            nIndex = m_nNext++;
            if (callbacks.fnStarted)
                callbacks.fnStarted(nIndex);
        }
        SOutcome outcome;
        try {
            outcome = fnJob(nIndex, pConnection.get());
        } catch (const std::exception& error) {
            // Nothing may escape a worker thread; the export ends with the reason instead.
            outcome = SOutcome{};
            outcome.strError = error.what();
        }
        std::lock_guard lock(m_mutex);
        if (!outcome.strError.empty() && !m_bAborted) {
            m_bAborted = true;
            m_result.strError = outcome.strError;
        }
        if (outcome.bDone)
            ++m_nFinished;
        m_result.vecOutcomes[nIndex] = outcome;
        if (callbacks.fnFinished)
            callbacks.fnFinished(nIndex, outcome, m_nFinished);
    }

    // Closed before the count drops: when the job wakes, no connection of the pool is open.
    pConnection.reset();
    std::lock_guard lock(m_mutex);
    if (--m_nLiveWorkers == 0)
        m_cvWorkersEnded.notify_all();
}
