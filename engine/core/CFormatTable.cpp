// engine/core/CFormatTable.cpp
#include "engine/core/CFormatTable.h"

namespace {
using namespace std::string_view_literals;

constexpr std::array<SFormatInfo, 3> kFormats{{
    {EEngineFormat::SQL2000,
     1,
     {539, 0},
     "2000"sv,
     "(SQL Server 2000)"sv,
     "2000 Format"sv,
     "SQL Server 2000"sv,
     "osql"sv,
     true,
     true},
    {EEngineFormat::SQL2005,
     2,
     {611, 612},
     "2005"sv,
     "(SQL Server 2005)"sv,
     "2005 Format"sv,
     "SQL Server 2005"sv,
     "sqlcmd"sv,
     false,
     true},
    {EEngineFormat::SQL2008,
     3,
     {655, 0},
     "2008"sv,
     "(SQL Server 2008)"sv,
     "2008 Format"sv,
     "SQL Server 2008"sv,
     "sqlcmd"sv,
     false,
     true},
}};
}  // namespace

std::span<const SFormatInfo> CFormatTable::All() {
    return kFormats;
}

const SFormatInfo* CFormatTable::ByFormat(EEngineFormat eFormat) {
    for (const SFormatInfo& info : kFormats) {
        if (info.eFormat == eFormat)
            return &info;
    }
    return nullptr;
}

const SFormatInfo* CFormatTable::ByStamp(std::uint16_t nVersion) {
    if (nVersion == 0)
        return nullptr;
    for (const SFormatInfo& info : kFormats) {
        for (std::uint16_t nStamp : info.arrStamps) {
            if (nStamp == nVersion)
                return &info;
        }
    }
    return nullptr;
}

const SFormatInfo* CFormatTable::ByVersionText(std::string_view strVersion) {
    for (const SFormatInfo& info : kFormats) {
        if (info.strVersionText == strVersion)
            return &info;
    }
    return nullptr;
}

const SFormatInfo* CFormatTable::LikelyFormat(std::uint16_t nVersion) {
    if (const SFormatInfo* pInfo = ByStamp(nVersion))
        return pInfo;
    // 2008 R2 (660, 661) and the builds between keep the 2008 catalog.
    if (nVersion >= 656 && nVersion <= 661)
        return ByFormat(EEngineFormat::SQL2008);
    // Pre-release builds of 2005 (their catalogs are read as far as they match).
    if (nVersion == 590 || nVersion == 598 || nVersion == 603 || nVersion == 607)
        return ByFormat(EEngineFormat::SQL2005);
    return nullptr;
}

std::string CFormatTable::VersionText(EEngineFormat eFormat) {
    const SFormatInfo* pInfo = ByFormat(eFormat);
    return pInfo ? std::string(pInfo->strVersionText) : std::string("unknown");
}

std::string CFormatTable::VersionTextList() {
    std::string strList;
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        if (i > 0)
            strList += i + 1 == kFormats.size() ? " or " : ", ";
        strList += kFormats[i].strVersionText;
    }
    return strList;
}
