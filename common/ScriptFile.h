// common/ScriptFile.h
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/Export.h"

// A script file the export writes into. The program creates and closes it; the engine only
// writes. Write errors (a full disk, a vanished folder) are remembered so that a partly written
// bundle is never reported as complete.
class AMBERMILL_API CScriptFile {
  public:
    CScriptFile() = default;
    ~CScriptFile();
    CScriptFile(const CScriptFile&) = delete;
    CScriptFile& operator=(const CScriptFile&) = delete;

    // Creates (truncates) the file for binary writing. False when it cannot be created.
    bool Create(const std::filesystem::path& path);
    void Write(std::string_view text);
    // Flushes and closes; false when any write or the close failed.
    bool Close();

    bool IsOpen() const { return m_pFile != nullptr; }
    bool Failed() const { return m_bFailed; }
    const std::filesystem::path& Path() const { return m_path; }

  private:
    static constexpr std::size_t kBufferSize = 1 << 20;

    std::FILE* m_pFile = nullptr;
    std::filesystem::path m_path;
    bool m_bFailed = false;
};
