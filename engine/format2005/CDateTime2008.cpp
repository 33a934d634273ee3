// engine/format2005/CDateTime2008.cpp
#include "engine/format2005/CDateTime2008.h"

#include <cstdio>

#include "common/ByteView.h"

namespace format2005 {
namespace {
constexpr std::size_t kDateBytes = 3;
constexpr std::size_t kOffsetBytes = 2;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int32_t kDays0001To1970 = 719162;

std::uint64_t PowerOf10(int n) {
    std::uint64_t nValue = 1;
    while (n-- > 0)
        nValue *= 10;
    return nValue;
}

std::optional<std::int32_t> Days(std::span<const std::byte> bytes) {
    if (bytes.size() != kDateBytes)
        return std::nullopt;
    const auto nDays = static_cast<std::int32_t>(CByteView(bytes).Load(0, kDateBytes));
    if (nDays > CDateTime2008::kMaxDays)
        return std::nullopt;
    return nDays;
}

std::optional<std::uint64_t> TimeUnits(std::span<const std::byte> bytes, int nScale) {
    if (nScale < 0 || nScale > CDateTime2008::kMaxScale ||
        bytes.size() != CDateTime2008::TimeBytes(nScale))
        return std::nullopt;
    const std::uint64_t nUnits = CByteView(bytes).Load(0, bytes.size());
    if (nUnits >= static_cast<std::uint64_t>(kSecondsPerDay) * PowerOf10(nScale))
        return std::nullopt;
    return nUnits;
}
}  // namespace

std::size_t CDateTime2008::TimeBytes(int nScale) {
    if (nScale <= 2)
        return 3;
    if (nScale <= 4)
        return 4;
    return 5;
}

void CDateTime2008::CivilDate(std::int32_t nDays, int& nYear, int& nMonth, int& nDay) {
    // Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
    std::int64_t z = static_cast<std::int64_t>(nDays) - kDays0001To1970 + 719468;
    const std::int64_t nEra = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t nDoe = z - nEra * 146097;
    const std::int64_t nYoe = (nDoe - nDoe / 1460 + nDoe / 36524 - nDoe / 146096) / 365;
    const std::int64_t nDoy = nDoe - (365 * nYoe + nYoe / 4 - nYoe / 100);
    const std::int64_t nMp = (5 * nDoy + 2) / 153;
    nDay = static_cast<int>(nDoy - (153 * nMp + 2) / 5 + 1);
    nMonth = static_cast<int>(nMp < 10 ? nMp + 3 : nMp - 9);
    nYear = static_cast<int>(nYoe + nEra * 400 + (nMonth <= 2 ? 1 : 0));
}

std::string CDateTime2008::FormatDate(std::int32_t nDays) {
    int nYear = 0, nMonth = 0, nDay = 0;
    CivilDate(nDays, nYear, nMonth, nDay);
    char szText[16];
    std::snprintf(szText, sizeof szText, "%04d-%02d-%02d", nYear, nMonth, nDay);
    return szText;
}

std::string CDateTime2008::FormatTime(std::uint64_t nUnits, int nScale) {
    const std::uint64_t nPerSecond = PowerOf10(nScale);
    const std::uint64_t nSeconds = nUnits / nPerSecond;
    char szText[16];
    std::snprintf(szText, sizeof szText, "%02u:%02u:%02u", static_cast<unsigned>(nSeconds / 3600),
                  static_cast<unsigned>(nSeconds / 60 % 60), static_cast<unsigned>(nSeconds % 60));
    std::string strText = szText;
    if (nScale > 0) {
        // The fraction with exactly nScale digits, leading zeros kept.
        std::string strFraction(static_cast<std::size_t>(nScale), '0');
        std::uint64_t nFraction = nUnits % nPerSecond;
        for (std::size_t i = strFraction.size(); i-- > 0; nFraction /= 10)
            strFraction[i] = static_cast<char>('0' + nFraction % 10);
        strText += "." + strFraction;
    }
    return strText;
}

std::optional<std::string> CDateTime2008::DateText(std::span<const std::byte> bytes) {
    auto nDays = Days(bytes);
    if (!nDays)
        return std::nullopt;
    return FormatDate(*nDays);
}

std::optional<std::string> CDateTime2008::TimeText(std::span<const std::byte> bytes, int nScale) {
    auto nUnits = TimeUnits(bytes, nScale);
    if (!nUnits)
        return std::nullopt;
    return FormatTime(*nUnits, nScale);
}

std::optional<std::string> CDateTime2008::DateTime2Text(std::span<const std::byte> bytes,
                                                        int nScale) {
    if (bytes.size() < kDateBytes)
        return std::nullopt;
    const std::size_t nTime = bytes.size() - kDateBytes;
    auto nUnits = TimeUnits(bytes.first(nTime), nScale);
    auto nDays = Days(bytes.subspan(nTime));
    if (!nUnits || !nDays)
        return std::nullopt;
    return FormatDate(*nDays) + " " + FormatTime(*nUnits, nScale);
}

std::optional<std::string> CDateTime2008::DateTimeOffsetText(std::span<const std::byte> bytes,
                                                             int nScale) {
    if (bytes.size() < kDateBytes + kOffsetBytes)
        return std::nullopt;
    const std::size_t nTime = bytes.size() - kDateBytes - kOffsetBytes;
    auto nUnits = TimeUnits(bytes.first(nTime), nScale);
    auto nDays = Days(bytes.subspan(nTime, kDateBytes));
    auto nOffset = CByteView(bytes).I16(nTime + kDateBytes);
    if (!nUnits || !nDays || !nOffset || *nOffset > kMaxOffsetMinutes ||
        *nOffset < -kMaxOffsetMinutes)
        return std::nullopt;
    // Stored in UTC; shown in the offset's local time, which must stay within 0001..9999.
    const std::uint64_t nPerSecond = PowerOf10(nScale);
    const std::int64_t nPerDay = kSecondsPerDay * static_cast<std::int64_t>(nPerSecond);
    std::int64_t nLocal = static_cast<std::int64_t>(*nDays) * nPerDay +
                          static_cast<std::int64_t>(*nUnits) +
                          std::int64_t{*nOffset} * 60 * static_cast<std::int64_t>(nPerSecond);
    if (nLocal < 0 || nLocal / nPerDay > kMaxDays)
        return std::nullopt;
    const auto nLocalDays = static_cast<std::int32_t>(nLocal / nPerDay);
    const auto nLocalUnits = static_cast<std::uint64_t>(nLocal % nPerDay);
    const int nAbs = *nOffset < 0 ? -*nOffset : *nOffset;
    char szOffset[16];
    std::snprintf(szOffset, sizeof szOffset, " %c%02d:%02d", *nOffset < 0 ? '-' : '+', nAbs / 60,
                  nAbs % 60);
    return FormatDate(nLocalDays) + " " + FormatTime(nLocalUnits, nScale) + szOffset;
}

}  // namespace format2005
