// app/export/job/IExportObserver.h
#pragma once

#include <cstdint>
#include <string>

// What an export reports while it runs. The command-line tool prints it; a dialog shows it. Calls
// come from the thread that runs the job.
class IExportObserver {
  public:
    virtual ~IExportObserver() = default;
    // One line for the message list ("Exporting table : Orders", "Export Complete.").
    virtual void OnMessage(const std::string& strText) = 0;
    // Overall progress 0..100, and the objects done in the current stage.
    virtual void OnProgress(int nPercent, int nDone, int nTotal) = 0;
    // A table is finished: records exported and statements that failed.
    virtual void OnTableDone(const std::string& strName, std::int64_t nExported,
                             std::int64_t nFailed) = 0;
};
