// common/NamedEvent.cpp
#include "common/NamedEvent.h"

namespace {
constexpr auto kStopPollInterval = std::chrono::milliseconds(20);
}  // namespace

std::shared_ptr<CNamedEvent> CEventRegistry::Open(const std::string& strName) {
    std::lock_guard lock(m_mutex);
    std::shared_ptr<CNamedEvent>& pEvent = m_mapEvents[strName];
    if (!pEvent)
        pEvent = std::make_shared<CNamedEvent>(strName);
    return pEvent;
}

void CNamedEvent::Set() {
    // A Reset racing with this is ordered after it: the event ends up reset, as if this Set had
    // come first.
    if (m_bSetHint.exchange(true))
        return;
    {
        std::lock_guard lock(m_mutex);
        m_bSet = true;
    }
    m_cv.notify_all();
}

void CNamedEvent::Reset() {
    std::lock_guard lock(m_mutex);
    m_bSet = false;
    m_bSetHint = false;
}

bool CNamedEvent::IsSet() const {
    std::lock_guard lock(m_mutex);
    return m_bSet;
}

bool CNamedEvent::Wait(const std::atomic<bool>* pStop) {
    std::unique_lock lock(m_mutex);
    while (!m_bSet) {
        if (pStop && pStop->load())
            return false;
        if (pStop) {
            m_cv.wait_for(lock, kStopPollInterval);
        } else {
            m_cv.wait(lock);
        }
    }
    return true;
}

bool CNamedEvent::WaitFor(std::chrono::milliseconds timeout, const std::atomic<bool>* pStop) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mutex);
    while (!m_bSet) {
        if (pStop && pStop->load())
            return false;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        m_cv.wait_for(
            lock, std::min<std::chrono::steady_clock::duration>(deadline - now, kStopPollInterval));
    }
    return true;
}
