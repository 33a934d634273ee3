// app/export/job/CExportPausePoint.cpp
#include "app/export/job/CExportPausePoint.h"

void CExportPausePoint::Hold(int nAtPercent) {
    std::lock_guard lock(m_mutex);
    m_nAtPercent = nAtPercent;
}

void CExportPausePoint::Release() {
    {
        std::lock_guard lock(m_mutex);
        m_nAtPercent.reset();
    }
    m_cvReleased.notify_all();
}

bool CExportPausePoint::Waiting() const {
    std::lock_guard lock(m_mutex);
    return m_bWaiting;
}

void CExportPausePoint::Reach(int nPercent) {
    std::unique_lock lock(m_mutex);
    if (!m_nAtPercent || nPercent < *m_nAtPercent || nPercent >= 100)
        return;
    m_bWaiting = true;
    m_cvReleased.wait(lock, [this] { return !m_nAtPercent; });
    m_bWaiting = false;
}
