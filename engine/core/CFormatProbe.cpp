// engine/core/CFormatProbe.cpp
#include "engine/core/CFormatProbe.h"

#include "common/DataFileReader.h"
#include "engine/core/CDataPage.h"

namespace {
constexpr std::uint32_t kFileHeaderPage = 0;
constexpr std::uint32_t kBootPage = 9;
constexpr std::uint8_t kFileHeaderPageType = 15;
constexpr std::uint8_t kBootPageType = 13;
constexpr std::size_t kVersionOffset = 100;
}  // namespace

EEngineFormat CFormatProbe::FormatOfVersion(std::uint16_t nVersion) {
    switch (nVersion) {
        case 539:
            return EEngineFormat::SQL2000;
        case 611:
        case 612:
            return EEngineFormat::SQL2005;
        case 655:
            return EEngineFormat::SQL2008;
        default:
            return EEngineFormat::Unknown;
    }
}

std::string CFormatProbe::FormatName(EEngineFormat eFormat) {
    switch (eFormat) {
        case EEngineFormat::SQL2000:
            return "2000";
        case EEngineFormat::SQL2005:
            return "2005";
        case EEngineFormat::SQL2008:
            return "2008";
        case EEngineFormat::Unknown:
            break;
    }
    return "unknown";
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
    result.eFormat = FormatOfVersion(result.nVersion);
    result.bOk = true;
    return result;
}
