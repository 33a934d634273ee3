// engine/core/CEngineThread.cpp
#include "engine/core/CEngineThread.h"

bool CEngineThread::Start(std::function<void()> fn) {
    std::lock_guard lock(m_mutex);
    bool bExpected = false;
    if (!m_bRunning.compare_exchange_strong(bExpected, true))
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_thread = std::thread([this, fn = std::move(fn)] {
        fn();
        m_bRunning = false;
    });
    return true;
}

void CEngineThread::Join() {
    std::lock_guard lock(m_mutex);
    if (m_thread.joinable())
        m_thread.join();
}
