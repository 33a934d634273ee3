// engine/core/CFormatTable.h
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/Export.h"

enum class EEngineFormat { SQL2000, SQL2005, SQL2008, Unknown };

// What the system knows of one on-disk format, in one place: the probe maps stamps with it, the
// binding picks engines and scan-file versions with it, the export job takes the batch tool and
// duplicate avoidance from it, and the front ends take their labels from it.
struct AMBERMILL_API SFormatInfo {
    EEngineFormat eFormat = EEngineFormat::Unknown;
    int nCode = 0;                             // the program's format code: 1, 2, 3
    std::array<std::uint16_t, 2> arrStamps{};  // version stamps at boot page byte 100 (0: none)
    std::string_view strVersionText;           // "2000": scan files and FormatVersion() carry it
    std::string_view strVersionLabel;          // "(SQL Server 2000)": after the database name
    std::string_view strFormatLabel;           // "2000 Format": progress dialog, execution log
    std::string_view strProductName;           // "SQL Server 2000"
    std::string_view strBatchTool;             // "osql" or "sqlcmd": the bundle's batch runner
    bool bDuplicateAvoidance = false;          // Avoid_Duplicate is offered for this format
    bool bRead = false;                        // this build reads it (false: a stand-in engine)
};

class AMBERMILL_API CFormatTable {
  public:
    static std::span<const SFormatInfo> All();
    // nullptr for EEngineFormat::Unknown, an unknown stamp or an unknown version text.
    static const SFormatInfo* ByFormat(EEngineFormat eFormat);
    static const SFormatInfo* ByStamp(std::uint16_t nVersion);
    static const SFormatInfo* ByVersionText(std::string_view strVersion);
    // The format whose engine most likely reads a file of this stamp: the stamp's own format, 2008
    // for 656 to 661 (2008 R2 keeps the 2008 catalog), 2005 for its pre-release builds (590, 598,
    // 603, 607); nullptr when nothing is likely. Only a user's choice binds an unknown stamp.
    static const SFormatInfo* LikelyFormat(std::uint16_t nVersion);
    // "2000", "2005", "2008", or "unknown".
    static std::string VersionText(EEngineFormat eFormat);
    // The version texts for messages: "2000, 2005 or 2008".
    static std::string VersionTextList();
};
