// engine/core/CFormatProbe.h
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/Export.h"
#include "engine/core/CFormatTable.h"
#include "engine/core/SDamage.h"

class CDataFileReader;

// Looks at a file before any engine touches it: is it a data file at all, and which format's
// engine reads it (the version stamp at byte 100 of the boot page, page 9). Only a file that
// holds nothing is refused: one too short for a page, or one in which no page has a page header.
// A cut tail, a damaged file header page or boot page is damage the probe describes.
class AMBERMILL_API CFormatProbe {
  public:
    struct SResult {
        bool bOk = false;      // a data file of some version
        std::string strError;  // why not, for the user
        std::uint16_t nVersion = 0;
        EEngineFormat eFormat = EEngineFormat::Unknown;
        std::uint64_t nFileSize = 0;
        std::uint32_t nPages = 0;      // whole pages
        std::uint32_t nTailBytes = 0;  // bytes after the last whole page, not read
        std::string strDatabaseName;   // from the boot page, or the file's base name
        bool bHeaderPageDamaged = false;
        // No boot page, or page 9 is not one: its version stamp cannot be trusted.
        bool bBootPageDamaged = false;
        // The name could not be read from the boot page: strDatabaseName is the file's base name.
        bool bNameFromFile = false;
        // The damage of the file header page, the boot page and the name.
        std::vector<SDamage> vecDamage;
    };

    static SResult Probe(const std::string& strPath);
    // What pages 0 and 9 say, for a file already open: the version, the format, the database
    // name (or the file's base name) and their damage. Engines run it at the start of a recovery.
    static void ReadFixedPages(const CDataFileReader& reader, const std::string& strPath,
                               SResult& result);
    static EEngineFormat FormatOfVersion(std::uint16_t nVersion);
    // "2000", "2005", "2008" or "unknown".
    static std::string FormatName(EEngineFormat eFormat);
    // The number of data pages of each object id, over the whole file (empty when unreadable).
    // With pDamage, the damage of every page is reported there as the page scan would (torn,
    // stray and damaged pages, a cut tail).
    static std::map<std::int32_t, std::uint32_t> DataPagesPerObject(const std::string& strPath,
                                                                    IDamageSink* pDamage = nullptr);
    // The damage record of a file whose size is not a whole number of pages; none when it is.
    static std::optional<SDamage> TailDamage(std::uint64_t nFileSize);
};
