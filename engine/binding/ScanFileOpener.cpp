// engine/binding/ScanFileOpener.cpp
#include "engine/binding/ScanFileOpener.h"

#include <fstream>

#include "common/ArchiveReader.h"
#include "engine/binding/CEngineBinding.h"
#include "engine/scripts/CScanFile.h"

std::unique_ptr<CSQLServerEngine> OpenScanFile(const std::string& strPath, std::string& strError) {
    try {
        CArchiveReader archive = CArchiveReader::FromFile(strPath);
        const std::string strVersion = CScanFile::ReadHeader(archive);
        auto pEngine = CEngineBinding::CreateForVersionText(strVersion);
        if (!pEngine) {
            strError = "'" + strPath + "' is a scan file of version '" + strVersion +
                       "', which no engine of this build reads (expected 2000, 2005 or 2008)";
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

bool LooksLikeScanFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    char szHead[9] = {};
    in.read(szHead, sizeof(szHead));
    // A scan file opens with the string "varnholt": its one-byte length 8, then the text.
    return in.gcount() == 9 && szHead[0] == 8 && std::string(szHead + 1, 8) == "varnholt";
}
