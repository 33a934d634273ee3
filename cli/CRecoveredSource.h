// cli/CRecoveredSource.h
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cli/CCliOptions.h"
#include "engine/core/CFormatProbe.h"
#include "engine/core/CSQLServerEngine.h"

// A recovered catalog ready for the commands: from a data file (probe, engine, a whole recovery
// with the command playing the program's side of every hand-shake) or from a scan file.
class CRecoveredSource {
  public:
    struct SOpenResult {
        std::unique_ptr<CRecoveredSource> pSource;
        int nExitCode = 0;     // non-zero when pSource is null
        std::string strError;  // one line for stderr
    };

    // strDataPath overrides the data file path a scan file carries (records are read from it).
    // strFormat ("2000", "2005", "2008") chooses the engine of a data file whose stamp no engine
    // is bound to, as the version dialog does in the window; a known stamp keeps its own engine.
    static SOpenResult Open(const std::string& strPath,
                            const std::optional<std::string>& strDataPath, bool bShowProgress,
                            const std::optional<std::string>& strFormat = std::nullopt);

    // Opens the command's FILE (its first positional) with --data, --format and --no-progress. On
    // failure prints the reason on stderr, sets nExitCode and returns nullptr.
    static std::unique_ptr<CRecoveredSource> OpenForCommand(const CCliOptions& options,
                                                            int& nExitCode);

    CSQLServerEngine& Engine() { return *m_pEngine; }
    const CFormatProbe::SResult& Probe() const { return m_probe; }
    bool FromScanFile() const { return m_bFromScan; }
    std::string VersionText() const { return m_pEngine->FormatVersion(); }

  private:
    std::unique_ptr<CSQLServerEngine> m_pEngine;
    CFormatProbe::SResult m_probe;
    bool m_bFromScan = false;
};
