// engine/core/CEngineThread.h
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "common/Export.h"

// One worker thread of an engine (the recovery or the record thread). A second start while the
// first still runs is refused rather than racing on the engine's state; Join() waits for the end.
class AMBERMILL_API CEngineThread {
  public:
    CEngineThread() = default;
    ~CEngineThread() { Join(); }
    CEngineThread(const CEngineThread&) = delete;
    CEngineThread& operator=(const CEngineThread&) = delete;

    // Starts fn on a new thread. False (nothing started) while an earlier run has not finished.
    bool Start(std::function<void()> fn);
    void Join();
    bool IsRunning() const { return m_bRunning.load(); }

  private:
    std::mutex m_mutex;
    std::thread m_thread;
    std::atomic<bool> m_bRunning{false};
};
