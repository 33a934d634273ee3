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
    // eFormat, when given, is the format the user chose (--format): it reads a data file whose
    // version stamp is damaged or unknown, as the version dialog does in the window; a known
    // stamp keeps its own engine.
    static SOpenResult Open(const std::string& strPath,
                            const std::optional<std::string>& strDataPath, bool bShowProgress,
                            std::optional<EEngineFormat> eFormat = std::nullopt);

    // Opens the command's FILE (its first positional) with --data, --format and --no-progress.
    // On failure prints the reason on stderr, sets nExitCode and returns nullptr. Unless
    // bAcceptEmpty, a catalog from which nothing was recovered is a failure too (exit 3, with
    // the reason).
    static std::unique_ptr<CRecoveredSource> OpenForCommand(const CCliOptions& options,
                                                            int& nExitCode,
                                                            bool bAcceptEmpty = false);

    // The --format value as a format; std::nullopt when it is absent. False (with strError set)
    // when it names no format.
    static bool ParseFormat(const CCliOptions& options, std::optional<EEngineFormat>& eFormat,
                            std::string& strError);
    // "--format 2000, 2005 or 2008": how the option reads in messages.
    static std::string FormatOptionText();

    CSQLServerEngine& Engine() { return *m_pEngine; }
    const CFormatProbe::SResult& Probe() const { return m_probe; }
    bool FromScanFile() const { return m_bFromScan; }
    std::string VersionText() const { return m_pEngine->FormatVersion(); }

    // True when the catalog holds nothing at all.
    bool NothingRecovered() const;
    // Why nothing was recovered, for stderr: the format this build does not read, or the file.
    std::string NothingRecoveredText() const;

  private:
    std::unique_ptr<CSQLServerEngine> m_pEngine;
    CFormatProbe::SResult m_probe;
    bool m_bFromScan = false;
};
