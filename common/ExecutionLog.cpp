// common/ExecutionLog.cpp
#include "common/ExecutionLog.h"

#include <ctime>
#include <fstream>
#include <mutex>

#include "common/AppPaths.h"

namespace fs = std::filesystem;

namespace {
// The log folder is fixed once per process, as each deliverable keeps its own copy of the path.
struct SLogState {
    std::mutex mutex;
    fs::path folder;
    bool bFixed = false;
};

SLogState& State() {
    static SLogState state;
    return state;
}

void AppendText(const fs::path& path, const std::string& strText) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (out)
        out << strText;
}
}  // namespace

fs::path CExecutionLog::LogFolder() {
    SLogState& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.bFixed) {
        state.folder = CAppPaths::LogFolder();
        state.bFixed = true;
    }
    return state.folder;
}

void CExecutionLog::SetLogFolder() {
    (void)LogFolder();
}

void CExecutionLog::SetLogFolderForTesting(const fs::path& folder) {
    SLogState& state = State();
    std::lock_guard lock(state.mutex);
    state.folder = folder;
    state.bFixed = true;
}

std::string CExecutionLog::HeaderBlock(int nUtcDay, int nUtcMonth, int nUtcYear, int nHour,
                                       int nMinute, int nSecond) {
    const std::string strRule(79, '=');
    std::string strText;
    strText += strRule + "\r\n";
    strText += "Last Log On\r\n";
    strText += "Date : " + std::to_string(nUtcDay) + "/" + std::to_string(nUtcMonth) + "/" +
               std::to_string(nUtcYear) + "\r\n";
    strText += "Time : " + std::to_string(nHour) + ":" + std::to_string(nMinute) + ":" +
               std::to_string(nSecond) + "\r\n";
    strText += strRule + "\r\n";
    return strText;
}

void CExecutionLog::InitLogHeader() {
    fs::path folder = LogFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);

    std::time_t now = std::time(nullptr);
    std::tm utc{};
    std::tm local{};
    gmtime_r(&now, &utc);
    localtime_r(&now, &local);
    std::string strHeader = HeaderBlock(utc.tm_mday, utc.tm_mon + 1, utc.tm_year + 1900,
                                        local.tm_hour, local.tm_min, local.tm_sec);
    std::lock_guard lock(State().mutex);
    AppendText(folder / "ErrorLog.log", strHeader);
    AppendText(folder / "ExecLog.log", strHeader);
}

void CExecutionLog::WriteLog(int nCode, int nError, const std::string& strMessage, bool bError) {
    fs::path folder = LogFolder();
    std::string strLine = "Code:" + std::to_string(nCode) + "  Error:" + std::to_string(nError) +
                          "  MSG:" + strMessage + "\r\n";
    // One lock per process keeps lines from different threads whole.
    std::lock_guard lock(State().mutex);
    AppendText(folder / (bError ? "ErrorLog.log" : "ExecLog.log"), strLine);
}
