// engine/binding/ScanFileOpener.cpp
#include "engine/binding/ScanFileOpener.h"

#include <fstream>

#include "common/ArchiveReader.h"
#include "engine/binding/CEngineBinding.h"
#include "engine/core/CFormatTable.h"
#include "engine/scripts/CScanFile.h"

namespace {
SScanOpenResult Failure(EScanOpenError eError, std::string strError) {
    SScanOpenResult result;
    result.eError = eError;
    result.strError = std::move(strError);
    return result;
}
}  // namespace

SScanOpenResult OpenScanFileChecked(const std::string& strPath) {
    {
        std::ifstream probe(strPath, std::ios::binary);
        if (!probe)
            return Failure(EScanOpenError::Unreadable, "cannot open '" + strPath + "'");
    }
    // The signature is checked on the first bytes, so a large file of another kind is never read
    // into memory whole.
    if (!LooksLikeScanFile(strPath)) {
        return Failure(EScanOpenError::NotScanFile,
                       "'" + strPath +
                           "' is not a scan file (it does not start with the scan "
                           "file signature)");
    }
    try {
        CArchiveReader archive = CScanFile::OpenArchive(strPath);
        const std::string strVersion = CScanFile::ReadHeader(archive);
        auto pEngine = CEngineBinding::CreateForVersionText(strVersion);
        if (!pEngine) {
            return Failure(EScanOpenError::UnknownVersion,
                           "'" + strPath + "' is a scan file of version '" + strVersion +
                               "', which no engine of this build reads (expected " +
                               CFormatTable::VersionTextList() + ")");
        }
        pEngine->ResetCatalog();
        pEngine->m_mapDefaults.Clear();
        pEngine->m_mapUserTypes.Clear();
        pEngine->LoadScan(archive);
        SScanOpenResult result;
        result.pEngine = std::move(pEngine);
        return result;
    } catch (const CArchiveError& error) {
        return Failure(EScanOpenError::Damaged,
                       "'" + strPath + "' is not a readable scan file: " + error.what());
    }
}

std::unique_ptr<CSQLServerEngine> OpenScanFile(const std::string& strPath, std::string& strError) {
    SScanOpenResult result = OpenScanFileChecked(strPath);
    strError = result.strError;
    return std::move(result.pEngine);
}

bool LooksLikeScanFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    char szHead[9] = {};
    in.read(szHead, sizeof(szHead));
    // A scan file opens with the string "varnholt": its one-byte length 8, then the text.
    return in.gcount() == 9 && szHead[0] == 8 && std::string(szHead + 1, 8) == "varnholt";
}
