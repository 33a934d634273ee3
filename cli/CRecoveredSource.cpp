// cli/CRecoveredSource.cpp
#include "cli/CRecoveredSource.h"

#include <cstdio>

#include "cli/CInterruptGuard.h"
#include "cli/CProgressBar.h"
#include "cli/ExitCodes.h"
#include "engine/binding/CEngineBinding.h"
#include "engine/binding/ScanFileOpener.h"
#include "engine/core/CFormatTable.h"
#include "engine/core/CRecoveryMonitor.h"

CRecoveredSource::SOpenResult CRecoveredSource::Open(const std::string& strPath,
                                                     const std::optional<std::string>& strDataPath,
                                                     bool bShowProgress,
                                                     const std::optional<std::string>& strFormat) {
    SOpenResult result;
    auto pSource = std::make_unique<CRecoveredSource>();
    if (LooksLikeScanFile(strPath)) {
        std::string strError;
        pSource->m_pEngine = OpenScanFile(strPath, strError);
        if (!pSource->m_pEngine) {
            result.nExitCode = kExitBadInput;
            result.strError = strError;
            return result;
        }
        if (strDataPath)
            pSource->m_pEngine->m_strFileName = *strDataPath;
        pSource->m_bFromScan = true;
        // The scan does not carry the version stamp and page count; the data file it names does.
        if (auto probe = CFormatProbe::Probe(pSource->m_pEngine->m_strFileName); probe.bOk)
            pSource->m_probe = probe;
        pSource->m_probe.bOk = true;
        result.pSource = std::move(pSource);
        return result;
    }

    pSource->m_probe = CFormatProbe::Probe(strPath);
    if (!pSource->m_probe.bOk) {
        result.nExitCode = kExitBadInput;
        result.strError = pSource->m_probe.strError;
        return result;
    }
    const SFormatInfo* pChosen = nullptr;
    if (strFormat) {
        pChosen = CFormatTable::ByVersionText(*strFormat);
        if (pChosen == nullptr) {
            result.nExitCode = kExitBadInput;
            result.strError =
                "--format takes " + CFormatTable::VersionTextList() + ", not '" + *strFormat + "'";
            return result;
        }
    }
    // Only a stamp no engine is bound to takes the user's choice: a known stamp names its format.
    EEngineFormat eFormat = pSource->m_probe.eFormat;
    if (eFormat == EEngineFormat::Unknown && pChosen != nullptr)
        eFormat = pChosen->eFormat;
    pSource->m_pEngine = CEngineBinding::Create(eFormat);
    if (!pSource->m_pEngine) {
        result.nExitCode = kExitBadInput;
        result.strError = "'" + strPath + "' has version stamp " +
                          std::to_string(pSource->m_probe.nVersion) +
                          ", which no engine of this build reads";
        if (const SFormatInfo* pLikely = CFormatTable::LikelyFormat(pSource->m_probe.nVersion))
            result.strError +=
                "; --format " + std::string(pLikely->strVersionText) + " is the likely choice";
        else
            result.strError += "; choose one with --format " + CFormatTable::VersionTextList();
        return result;
    }
    if (pSource->m_probe.eFormat == EEngineFormat::Unknown) {
        // What the user chose stands in for the stamp from here on (the info line, the bundle).
        pSource->m_probe.eFormat = eFormat;
        std::fprintf(stderr, "ambermill-cli: version stamp %u read as %s (--format)\n",
                     static_cast<unsigned>(pSource->m_probe.nVersion),
                     CFormatTable::VersionText(eFormat).c_str());
    }
    CSQLServerEngine& engine = *pSource->m_pEngine;
    engine.ResetCatalog();
    engine.m_strFileName = strPath;
    engine.m_pStatus->m_bCancel = false;

    CProgressBar bar;
    CRecoveryMonitor monitor(engine);
    bool bComplete = false;
    {
        CInterruptGuard guard(engine.m_pStatus->m_bCancel);
        bComplete = monitor.Run([&](const CRecoveryMonitor::SProgress& progress) {
            if (bShowProgress)
                bar.Show(progress.nPercent, progress.strPhase);
        });
    }
    bar.Finish();
    if (!bComplete) {
        result.nExitCode = CInterruptGuard::Interrupted() ? kExitInterrupted : kExitFailure;
        result.strError = CInterruptGuard::Interrupted() ? "interrupted: recovery stopped"
                                                         : "recovery did not complete";
        return result;
    }
    result.pSource = std::move(pSource);
    return result;
}

std::unique_ptr<CRecoveredSource> CRecoveredSource::OpenForCommand(const CCliOptions& options,
                                                                   int& nExitCode) {
    auto opened = Open(options.Positionals()[0], options.Value("data"), !options.Has("no-progress"),
                       options.Value("format"));
    if (!opened.pSource) {
        std::fprintf(stderr, "ambermill-cli: %s\n", opened.strError.c_str());
        nExitCode = opened.nExitCode;
    }
    return std::move(opened.pSource);
}
