// common/AppPaths.h
#pragma once

#include <filesystem>

#include "common/Export.h"

// Where the program keeps the files that live "beside the executable": the log folder,
// sql.settings, ReadMe.txt and OutputFldr.txt. When the executable's folder is not writable (an
// installed program), writable files go to $XDG_STATE_HOME/ambermill (or ~/.local/state/ambermill).
class AMBERMILL_API CAppPaths {
  public:
    // Folder of the running executable (/proc/self/exe), or the current folder if unknown.
    static std::filesystem::path ExecutableDir();
    // Folder for files the program writes: the executable's folder when writable, else the state
    // dir.
    static std::filesystem::path WritableDir();
    // "Log Files" below WritableDir().
    static std::filesystem::path LogFolder();
    // sql.settings: beside the executable when present there, else in the state dir.
    static std::filesystem::path SettingsFile();
    // The per-user state folder ($XDG_STATE_HOME/ambermill or ~/.local/state/ambermill).
    static std::filesystem::path StateDir();
};
