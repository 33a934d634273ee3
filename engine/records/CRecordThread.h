// engine/records/CRecordThread.h
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "common/Export.h"

// The engine's record thread: runs record jobs (grid pages, statement walks) one after another
// in the order they were posted. Posting never waits; a job that is no longer wanted (an older
// grid request) finds that out itself and returns at once. Started with the first job, ended and
// joined when the object goes away.
class AMBERMILL_API CRecordThread {
  public:
    CRecordThread() = default;
    ~CRecordThread();
    CRecordThread(const CRecordThread&) = delete;
    CRecordThread& operator=(const CRecordThread&) = delete;

    void Post(std::function<void()> fnJob);
    // Ends the thread after the running job (queued jobs are dropped) and joins it.
    void Stop();
    // True while a job runs or waits.
    bool Busy() const;
    // Waits until no job runs or waits.
    void WaitIdle();

  private:
    void Loop();

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::condition_variable m_cvIdle;
    std::deque<std::function<void()>> m_dqJobs;
    bool m_bStopping = false;
    bool m_bRunning = false;
    std::thread m_thread;
};
