// common/ExecutionLog.h
#pragma once

#include <filesystem>
#include <string>

#include "common/Export.h"

// The execution log (progress) and error log, both plain text appended to and never read back.
// Lines: "Code:<code>  Error:<error>  MSG:<message>" ending in CR LF, as the Windows-era tools that
// read these logs expect.
class AMBERMILL_API CExecutionLog {
  public:
    // Creates the log folder and writes the five-line header block to ErrorLog.log, then
    // ExecLog.log.
    static void InitLogHeader();
    // Fixes the log folder used by WriteLog (the writable folder beside the executable).
    static void SetLogFolder();
    // Appends one line to ErrorLog.log when bError, else to ExecLog.log. Failures are silent.
    static void WriteLog(int nCode, int nError, const std::string& strMessage, bool bError);

    // For tests and tools: use this folder instead of the one beside the executable.
    static void SetLogFolderForTesting(const std::filesystem::path& folder);
    static std::filesystem::path LogFolder();

    // The header block for the given clock readings (exposed for tests).
    static std::string HeaderBlock(int nUtcDay, int nUtcMonth, int nUtcYear, int nHour, int nMinute,
                                   int nSecond);
};
