// engine/records/CRecordThread.cpp
#include "engine/records/CRecordThread.h"

#include <utility>

CRecordThread::~CRecordThread() {
    Stop();
}

void CRecordThread::Post(std::function<void()> fnJob) {
    {
        std::lock_guard lock(m_mutex);
        if (m_bStopping)
            return;
        m_dqJobs.push_back(std::move(fnJob));
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Loop(); });
    }
    m_cv.notify_one();
}

void CRecordThread::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
        m_dqJobs.clear();
    }
    m_cv.notify_one();
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach();  // a job that ends its own engine: the loop returns after it
        return;
    }
    m_thread.join();
}

void CRecordThread::WaitIdle() {
    std::unique_lock lock(m_mutex);
    m_cvIdle.wait(lock, [this] { return !m_bRunning && (m_dqJobs.empty() || m_bStopping); });
}

bool CRecordThread::Busy() const {
    std::lock_guard lock(m_mutex);
    return m_bRunning || !m_dqJobs.empty();
}

void CRecordThread::Loop() {
    for (;;) {
        std::function<void()> fnJob;
        {
            std::unique_lock lock(m_mutex);
            m_bRunning = false;
            if (m_dqJobs.empty())
                m_cvIdle.notify_all();
            m_cv.wait(lock, [this] { return m_bStopping || !m_dqJobs.empty(); });
            if (m_bStopping) {
                m_cvIdle.notify_all();
                return;
            }
            fnJob = std::move(m_dqJobs.front());
            m_dqJobs.pop_front();
            m_bRunning = true;
        }
        fnJob();
    }
}
