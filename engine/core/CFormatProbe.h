// engine/core/CFormatProbe.h
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "common/Export.h"
#include "engine/core/CFormatTable.h"

// Looks at a file before any engine touches it: is it a data file at all, and which format's
// engine reads it (the version stamp at byte 100 of the boot page, page 9).
class AMBERMILL_API CFormatProbe {
  public:
    struct SResult {
        bool bOk = false;      // a data file of some version
        std::string strError;  // why not, for the user
        std::uint16_t nVersion = 0;
        EEngineFormat eFormat = EEngineFormat::Unknown;
        std::uint64_t nFileSize = 0;
        std::uint32_t nPages = 0;
        std::string strDatabaseName;  // from the boot page
    };

    static SResult Probe(const std::string& strPath);
    static EEngineFormat FormatOfVersion(std::uint16_t nVersion);
    // "2000", "2005", "2008" or "unknown".
    static std::string FormatName(EEngineFormat eFormat);
    // The number of data pages of each object id, over the whole file (empty when unreadable).
    static std::map<std::int32_t, std::uint32_t> DataPagesPerObject(const std::string& strPath);
};
