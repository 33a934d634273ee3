// engine/core/CFormatProbe.h
#pragma once

#include <cstdint>
#include <string>

enum class EEngineFormat { SQL2000, SQL2005, SQL2008, Unknown };

// Looks at a file before any engine touches it: is it a data file at all, and which format's
// engine reads it (the version stamp at byte 100 of the boot page, page 9).
class CFormatProbe {
  public:
    struct SResult {
        bool bOk = false;      // a data file of some version
        std::string strError;  // why not, for the user
        std::uint16_t nVersion = 0;
        EEngineFormat eFormat = EEngineFormat::Unknown;
        std::uint64_t nFileSize = 0;
        std::uint32_t nPages = 0;
    };

    static SResult Probe(const std::string& strPath);
    static EEngineFormat FormatOfVersion(std::uint16_t nVersion);
    // "2000", "2005", "2008" or "unknown".
    static std::string FormatName(EEngineFormat eFormat);
};
