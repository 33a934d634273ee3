// app/shell/CRecoveryRun.h
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "engine/core/CRecoveryMonitor.h"

class CSQLServerEngine;

// The window's side of one recovery: a watcher thread plays every hand-shake with the engine and
// posts each step to the GUI thread; the GUI thread never waits on an engine event. Counters that
// change on every page (pages read, the database name) are read by the GUI from a timer.
//
// Threads: the watcher writes what it saw into atomics and then emits StepPosted, which reaches
// Deliver on the GUI thread through a queued connection; Deliver turns it into the signals below.
class CRecoveryRun : public QObject {
    Q_OBJECT

  public:
    struct SCounts {
        int nTables = 0;
        int nViews = 0;
        int nProcedures = 0;
        int nRules = 0;
        int nTriggers = 0;
        int nFunctions = 0;
    };
    // Called on the watcher thread at every progress step, before the engine is answered; tests
    // and benchmarks use it to pace a scan. nPagesPerHandshake 0 keeps the engine's own pace.
    struct SPacing {
        std::uint32_t nPagesPerHandshake = 0;
        std::function<void(const CRecoveryMonitor::SProgress&)> fnStep;
    };

    // The engine must outlive this object.
    CRecoveryRun(CSQLServerEngine& engine, SPacing pacing, QObject* pParent = nullptr);
    ~CRecoveryRun() override;

    // Prepares the status block and starts the recovery and its watcher; Finished follows on every
    // way out (with false when the engine refused to start). False when called a second time.
    bool Start();
    // Asks the engine to stop; every wait on both sides ends soon after. Finished follows.
    void RequestStop();
    bool IsRunning() const { return m_bRunning.load(); }
    bool StopRequested() const { return m_bStopRequested.load(); }

    std::uint32_t PagesRead() const;
    std::uint32_t TotalPages() const;
    std::string DatabaseName() const;
    SCounts Counts() const;

  signals:
    // Progress percentage: 0 to 50 for the pages, then 60, 70 and 100.
    void PercentChanged(int nPercent);
    // The recovery and the watcher have ended and the engine's threads are joined. bCompleted is
    // false when it was stopped or could not run.
    void Finished(bool bCompleted);
    // Emitted by the watcher; see the class comment.
    void StepPosted(QPrivateSignal);

  private:
    void Watch();
    // On the GUI thread: turns what the watcher recorded into the signals above.
    void Deliver();

    CSQLServerEngine& m_engine;
    SPacing m_pacing;
    std::thread m_watcher;
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bStopRequested{false};
    // Written by the watcher before it posts a step.
    std::atomic<int> m_nPercent{-1};
    std::atomic<int> m_nPercentShown{-1};
    std::atomic<bool> m_bEnded{false};
    std::atomic<bool> m_bCompleted{false};
    bool m_bFinishedSent = false;
};
