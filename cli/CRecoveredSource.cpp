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

namespace {
// The stamp cannot choose the engine: say what was found and how the user chooses.
std::string UnknownFormatText(const std::string& strPath, const CFormatProbe::SResult& probe) {
    std::string strText = "'" + strPath + "': ";
    if (probe.bBootPageDamaged) {
        strText += "the boot page (page 9) is damaged and its version stamp reads " +
                   std::to_string(probe.nVersion) + ", which names no format";
    } else {
        strText += "the version stamp at byte 100 of the boot page reads " +
                   std::to_string(probe.nVersion) + ", which no format of this build has";
    }
    if (const SFormatInfo* pLikely = CFormatTable::LikelyFormat(probe.nVersion)) {
        strText += "; it is most likely the " + std::string(pLikely->strProductName) +
                   " format (--format " + std::string(pLikely->strVersionText) + ")";
    }
    return strText + "; choose the format with " + CRecoveredSource::FormatOptionText();
}
}  // namespace

std::string CRecoveredSource::FormatOptionText() {
    std::string strList;
    for (const SFormatInfo& info : CFormatTable::All()) {
        if (!strList.empty())
            strList += "|";
        strList += info.strVersionText;
    }
    return "--format " + strList;
}

bool CRecoveredSource::ParseFormat(const CCliOptions& options,
                                   std::optional<EEngineFormat>& eFormat, std::string& strError) {
    eFormat.reset();
    auto value = options.Value("format");
    if (!value)
        return true;
    const SFormatInfo* pInfo = CFormatTable::ByVersionText(*value);
    if (!pInfo) {
        strError = "--format takes " + CFormatTable::VersionTextList() + ", not '" + *value + "'";
        return false;
    }
    eFormat = pInfo->eFormat;
    return true;
}

CRecoveredSource::SOpenResult CRecoveredSource::Open(const std::string& strPath,
                                                     const std::optional<std::string>& strDataPath,
                                                     bool bShowProgress,
                                                     std::optional<EEngineFormat> eFormat) {
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
    // Only a stamp no engine is bound to takes the user's choice: a known stamp names its format.
    const EEngineFormat eChosen = pSource->m_probe.eFormat != EEngineFormat::Unknown
                                      ? pSource->m_probe.eFormat
                                      : eFormat.value_or(EEngineFormat::Unknown);
    pSource->m_pEngine = CEngineBinding::Create(eChosen);
    if (!pSource->m_pEngine) {
        result.nExitCode = kExitBadInput;
        result.strError = UnknownFormatText(strPath, pSource->m_probe);
        return result;
    }
    if (pSource->m_probe.eFormat == EEngineFormat::Unknown) {
        // What the user chose stands in for the stamp from here on (the info line, the bundle).
        pSource->m_probe.eFormat = eChosen;
        std::fprintf(stderr, "ambermill-cli: version stamp %u read as %s (--format)\n",
                     static_cast<unsigned>(pSource->m_probe.nVersion),
                     CFormatTable::VersionText(eChosen).c_str());
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
                                                                   int& nExitCode,
                                                                   bool bAcceptEmpty) {
    std::optional<EEngineFormat> eFormat;
    std::string strError;
    if (!ParseFormat(options, eFormat, strError)) {
        std::fprintf(stderr, "ambermill-cli: %s\n", strError.c_str());
        nExitCode = kExitBadInput;
        return nullptr;
    }
    auto opened =
        Open(options.Positionals()[0], options.Value("data"), !options.Has("no-progress"), eFormat);
    if (!opened.pSource) {
        std::fprintf(stderr, "ambermill-cli: %s\n", opened.strError.c_str());
        nExitCode = opened.nExitCode;
        return nullptr;
    }
    if (!bAcceptEmpty && opened.pSource->NothingRecovered()) {
        std::fprintf(stderr, "ambermill-cli: %s\n", opened.pSource->NothingRecoveredText().c_str());
        nExitCode = kExitNothing;
        return nullptr;
    }
    return std::move(opened.pSource);
}

bool CRecoveredSource::NothingRecovered() const {
    const CSQLServerEngine& e = *m_pEngine;
    return e.m_mapObjects.Empty() && e.m_mapViews.Empty() && e.m_mapProcedures.Empty() &&
           e.m_mapRules.Empty() && e.m_mapTriggers.Empty() && e.m_mapFunctions.Empty() &&
           e.m_mapUserTypes.Empty() && e.m_mapDefaults.Empty();
}

std::string CRecoveredSource::NothingRecoveredText() const {
    const SFormatInfo* pFormat = CFormatTable::ByVersionText(m_pEngine->FormatVersion());
    if (pFormat && !pFormat->bRead) {
        return "nothing was recovered: the " + std::string(pFormat->strProductName) +
               " format is not read by this build";
    }
    return "nothing was recovered from the file";
}
