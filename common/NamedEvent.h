// common/NamedEvent.h
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

// A manual-reset event. Events are named and process-wide: Open() with the same name always gives
// the same event object, so two status blocks (or the engine and the program) that open
// "RecordEvent" wake each other.
class CNamedEvent {
  public:
    static std::shared_ptr<CNamedEvent> Open(const std::string& strName);

    void Set();
    void Reset();
    bool IsSet() const;

    // Waits until the event is set or *pStop becomes true. Returns true when the event was set.
    // The stop flag is polled a few times per second so that a stop request ends every wait
    // even when nobody will ever set the event.
    bool Wait(const std::atomic<bool>* pStop = nullptr);
    // As Wait, but gives up after the timeout; returns true when the event was set.
    bool WaitFor(std::chrono::milliseconds timeout, const std::atomic<bool>* pStop = nullptr);

    const std::string& Name() const { return m_strName; }

    explicit CNamedEvent(std::string strName) : m_strName(std::move(strName)) {}

  private:
    std::string m_strName;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bSet = false;
};
