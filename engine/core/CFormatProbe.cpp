// engine/core/CFormatProbe.cpp
#include "engine/core/CFormatProbe.h"

#include "common/DataFileReader.h"
#include "engine/core/CDataPage.h"
#include "engine/core/CPageScanner.h"

namespace {
constexpr std::uint32_t kFileHeaderPage = 0;
constexpr std::uint32_t kBootPage = 9;
constexpr std::uint8_t kFileHeaderPageType = 15;
constexpr std::uint8_t kBootPageType = 13;
constexpr std::size_t kVersionOffset = 100;
constexpr std::size_t kDatabaseNameOffset = 148;  // UTF-16 name, kDatabaseNameBytes long
constexpr std::size_t kDatabaseNameBytes = 500;
}  // namespace

EEngineFormat CFormatProbe::FormatOfVersion(std::uint16_t nVersion) {
    const SFormatInfo* pInfo = CFormatTable::ByStamp(nVersion);
    return pInfo ? pInfo->eFormat : EEngineFormat::Unknown;
}

std::string CFormatProbe::FormatName(EEngineFormat eFormat) {
    return CFormatTable::VersionText(eFormat);
}

std::map<std::int32_t, std::uint32_t> CFormatProbe::DataPagesPerObject(const std::string& strPath) {
    std::map<std::int32_t, std::uint32_t> mapDataPages;
    CDataFileReader reader(strPath);
    CDataPage page;
    for (std::uint32_t nPage = 0; nPage < reader.PageCount(); ++nPage) {
        if (page.Read(reader, nPage) && page.Type() == kDataPageType)
            ++mapDataPages[page.ObjectId()];
    }
    return mapDataPages;
}

CFormatProbe::SResult CFormatProbe::Probe(const std::string& strPath) {
    SResult result;
    CDataFileReader reader(strPath);
    if (!reader.IsOpen()) {
        result.strError = "cannot open '" + strPath + "': " + reader.Error();
        return result;
    }
    result.nFileSize = reader.FileSize();
    result.nPages = reader.PageCount();
    if (result.nFileSize == 0) {
        result.strError = "'" + strPath + "' is empty (0 bytes), not a data file";
        return result;
    }
    if (result.nFileSize % kPageSize != 0) {
        result.strError =
            "'" + strPath + "' is " + std::to_string(result.nFileSize) +
            " bytes, not a whole number of 8192-byte pages: not a data file, or truncated";
        return result;
    }
    if (result.nPages <= kBootPage) {
        result.strError = "'" + strPath + "' has only " + std::to_string(result.nPages) +
                          " pages: too short for a data file (the boot page is page 9)";
        return result;
    }
    CDataPage header;
    CDataPage boot;
    if (!header.Read(reader, kFileHeaderPage) || !boot.Read(reader, kBootPage)) {
        result.strError = "cannot read '" + strPath + "'";
        return result;
    }
    if (header.Type() != kFileHeaderPageType || boot.Type() != kBootPageType) {
        result.strError =
            "'" + strPath + "' is not a SQL Server data file (no file header page or boot page)";
        return result;
    }
    result.nVersion = *boot.View().U16(kVersionOffset);
    result.strDatabaseName = CPageScanner::DecodeDatabaseName(
        CByteView(boot.Bytes().subspan(kDatabaseNameOffset, kDatabaseNameBytes)));
    result.eFormat = FormatOfVersion(result.nVersion);
    result.bOk = true;
    return result;
}
