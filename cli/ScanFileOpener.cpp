// cli/ScanFileOpener.cpp
#include "cli/ScanFileOpener.h"

#include "common/ArchiveReader.h"
#include "engine/binding/CEngineBinding.h"
#include "engine/core/CFormatTable.h"
#include "engine/scripts/CScanFile.h"

std::unique_ptr<CSQLServerEngine> OpenScanFile(const std::string& strPath, std::string& strError) {
    try {
        CArchiveReader archive = CArchiveReader::FromFile(strPath);
        const std::string strVersion = CScanFile::ReadHeader(archive);
        auto pEngine = CEngineBinding::CreateForVersionText(strVersion);
        if (!pEngine) {
            strError = "'" + strPath + "' is a scan file of version '" + strVersion +
                       "', which no engine of this build reads (expected " +
                       CFormatTable::VersionTextList() + ")";
            return nullptr;
        }
        pEngine->ResetCatalog();
        pEngine->m_mapDefaults.Clear();
        pEngine->m_mapUserTypes.Clear();
        pEngine->LoadScan(archive);
        return pEngine;
    } catch (const CArchiveError& error) {
        strError = "'" + strPath + "' is not a readable scan file: " + error.what();
        return nullptr;
    }
}
