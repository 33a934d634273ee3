// common/AppPaths.cpp
#include "common/AppPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

fs::path CAppPaths::ExecutableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return fs::current_path(ec);
    return exe.parent_path();
}

fs::path CAppPaths::StateDir() {
    if (const char* pszState = std::getenv("XDG_STATE_HOME"); pszState && *pszState) {
        return fs::path(pszState) / "ambermill";
    }
    if (const char* pszHome = std::getenv("HOME"); pszHome && *pszHome) {
        return fs::path(pszHome) / ".local" / "state" / "ambermill";
    }
    return fs::temp_directory_path() / "ambermill";
}

fs::path CAppPaths::WritableDir() {
    fs::path dir = ExecutableDir();
    if (::access(dir.c_str(), W_OK) == 0)
        return dir;
    return StateDir();
}

fs::path CAppPaths::LogFolder() {
    return WritableDir() / "Log Files";
}

fs::path CAppPaths::SettingsFile() {
    std::error_code ec;
    fs::path besideExe = ExecutableDir() / "sql.settings";
    if (fs::exists(besideExe, ec))
        return besideExe;
    fs::path inState = StateDir() / "sql.settings";
    if (fs::exists(inState, ec))
        return inState;
    return besideExe;
}
