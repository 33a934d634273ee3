// app/export/job/CExportPausePoint.h
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>

// Where a running export can be held while a test or the screenshot tool looks at its window:
// the job passes its progress through Reach, and once Hold was called the first report at or
// past that percentage (short of 100) waits there until Release. A point never held lets every
// report through at once. Stopping the job must Release it, or the job could not end.
class CExportPausePoint {
  public:
    CExportPausePoint() = default;
    CExportPausePoint(const CExportPausePoint&) = delete;
    CExportPausePoint& operator=(const CExportPausePoint&) = delete;

    void Hold(int nAtPercent);
    // Lets a held job go on; later reports pass.
    void Release();
    // A job is waiting here.
    bool Waiting() const;
    // The job's progress report; waits while the point holds it.
    void Reach(int nPercent);

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cvReleased;
    std::optional<int> m_nAtPercent;
    bool m_bWaiting = false;
};
