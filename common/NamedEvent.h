// common/NamedEvent.h
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "common/Export.h"

// A manual-reset event with a name. Events come from a registry (CEventRegistry): within one
// registry a name is one event.
class AMBERMILL_API CNamedEvent {
  public:
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
    // Mirrors m_bSet for Set(): setting an event that is already set (the record thread sets
    // "RecordEvent" once per row) then costs no lock.
    std::atomic<bool> m_bSetHint{false};
};

// The named events of one engine (its status block owns the registry) or of one part of the
// program. Opening a name twice gives the same event, so the engine and the program reach one
// event by its name; two registries never share an event, so a second engine (a new recovery
// while the old engine's threads wind down) cannot wake the first one's waits.
class AMBERMILL_API CEventRegistry {
  public:
    CEventRegistry() = default;
    CEventRegistry(const CEventRegistry&) = delete;
    CEventRegistry& operator=(const CEventRegistry&) = delete;

    std::shared_ptr<CNamedEvent> Open(const std::string& strName);

  private:
    std::mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<CNamedEvent>> m_mapEvents;
};
