// engine/records/CValueFormat.cpp
#include "engine/records/CValueFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/GuidText.h"
#include "engine/catalog/CColumnInfo.h"
#include "engine/records/RealFormat.h"
#include "engine/scripts/SqlText.h"

namespace {
constexpr std::string_view kBinaryData = "<binary data>";
constexpr std::string_view kNotNarrow = "?????";
constexpr std::int64_t kDays1900To1970 = 25567;
constexpr std::int64_t kHundredthsPerDay = 8640000;
constexpr std::int64_t kMillisPerDay = 86400000;

void AppendNumber(std::int64_t n, std::string& strOut) {
    char szBuffer[24];
    auto result = std::to_chars(szBuffer, szBuffer + sizeof szBuffer, n);
    strOut.append(szBuffer, static_cast<std::size_t>(result.ptr - szBuffer));
}

bool AllOddBytesZero(std::span<const std::byte> bytes) {
    for (std::size_t i = 1; i < bytes.size(); i += 2) {
        if (bytes[i] != std::byte{0})
            return false;
    }
    return true;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t nDays, int& nYear, int& nMonth, int& nDay) {
    nDays += 719468;
    std::int64_t nEra = (nDays >= 0 ? nDays : nDays - 146096) / 146097;
    std::int64_t nDoe = nDays - nEra * 146097;
    std::int64_t nYoe = (nDoe - nDoe / 1460 + nDoe / 36524 - nDoe / 146096) / 365;
    std::int64_t nY = nYoe + nEra * 400;
    std::int64_t nDoy = nDoe - (365 * nYoe + nYoe / 4 - nYoe / 100);
    std::int64_t nMp = (5 * nDoy + 2) / 153;
    nDay = static_cast<int>(nDoy - (153 * nMp + 2) / 5 + 1);
    nMonth = static_cast<int>(nMp < 10 ? nMp + 3 : nMp - 9);
    nYear = static_cast<int>(nMonth <= 2 ? nY + 1 : nY);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Two digits of 0 to 99.
char* PutTwoDigits(char* p, int n) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    std::memcpy(p, kPairs + 2 * n, 2);
    return p + 2;
}

// Appends n in decimal, zero-padded to nWidth digits.
char* PutNumber(char* p, std::int64_t n, int nWidth) {
    if (n >= 0 && n < 100 && nWidth == 2)
        return PutTwoDigits(p, static_cast<int>(n));
    if (n < 0) {
        *p++ = '-';
        n = -n;
        if (nWidth > 0)
            --nWidth;
    }
    char szDigits[24];
    int nDigits = 0;
    do {
        szDigits[nDigits++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    for (int i = nDigits; i < nWidth; ++i)
        *p++ = '0';
    while (nDigits > 0)
        *p++ = szDigits[--nDigits];
    return p;
}

// How a date and time is written: the grid's "%04d-%02d-%02d %d:%02d:%02d", or ISO 8601.
struct SDateStyle {
    char cSeparator = ' ';
    int nHourWidth = 0;
};
constexpr SDateStyle kGridDate{' ', 0};
constexpr SDateStyle kIsoDate{'T', 2};

// Formatted by hand because dates are in every other row of a typical table.
void AppendDateTime(std::int64_t nDays, std::int64_t nSecondsOfDay, int nMillis, bool bMillis,
                    SDateStyle style, std::string& strOut) {
    int nYear = 0, nMonth = 0, nDay = 0;
    CivilFromDays(nDays - kDays1900To1970, nYear, nMonth, nDay);
    char szBuffer[64];
    char* p = szBuffer;
    if (nYear >= 1000 && nYear <= 9999) {
        p = PutTwoDigits(p, nYear / 100);
        p = PutTwoDigits(p, nYear % 100);
    } else {
        p = PutNumber(p, nYear, 4);  // only damaged values lie outside 1753 to 9999
    }
    *p++ = '-';
    p = PutTwoDigits(p, nMonth);
    *p++ = '-';
    p = PutTwoDigits(p, nDay);
    *p++ = style.cSeparator;
    const auto nHour = static_cast<int>(nSecondsOfDay / 3600);
    if (nHour >= 10 || style.nHourWidth == 2) {
        p = PutTwoDigits(p, nHour);
    } else {
        *p++ = static_cast<char>('0' + nHour);
    }
    *p++ = ':';
    p = PutTwoDigits(p, static_cast<int>(nSecondsOfDay / 60 % 60));
    *p++ = ':';
    p = PutTwoDigits(p, static_cast<int>(nSecondsOfDay % 60));
    if (bMillis) {
        *p++ = '.';
        p = PutNumber(p, nMillis, 3);
    }
    strOut.append(szBuffer, static_cast<std::size_t>(p - szBuffer));
}

// A datetime's days and 1/300-second ticks. The grid drops the fraction of the second (whole
// hundredths, ticks / 3); literals and data text keep the milliseconds, so the value reads back
// to the same tick.
void AppendDatetime(std::int32_t nDays, std::int32_t nTicks, bool bMillis, SDateStyle style,
                    std::string& strOut) {
    if (!bMillis) {
        std::int64_t nHundredths =
            static_cast<std::int64_t>(nDays) * kHundredthsPerDay + nTicks / 3;
        std::int64_t nDayCount = FloorDiv(nHundredths, kHundredthsPerDay);
        std::int64_t nSeconds = (nHundredths - nDayCount * kHundredthsPerDay) / 100;
        return AppendDateTime(nDayCount, nSeconds, 0, false, style, strOut);
    }
    std::int64_t nMillis = static_cast<std::int64_t>(nDays) * kMillisPerDay +
                           FloorDiv(std::int64_t{nTicks} * 10 + 1, 3);
    std::int64_t nDayCount = FloorDiv(nMillis, kMillisPerDay);
    std::int64_t nOfDay = nMillis - nDayCount * kMillisPerDay;
    AppendDateTime(nDayCount, nOfDay / 1000, static_cast<int>(nOfDay % 1000), true, style, strOut);
}

void AppendSmallDatetime(std::int64_t nDays, std::int64_t nMinutes, SDateStyle style,
                         std::string& strOut) {
    std::int64_t nTotal = nDays * 1440 + nMinutes;
    AppendDateTime(nTotal / 1440, nTotal % 1440 * 60, 0, false, style, strOut);
}

constexpr std::int64_t kDays0001To1900 = 693595;
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t PowerOf10(int n) {
    std::int64_t nValue = 1;
    while (n-- > 0)
        nValue *= 10;
    return nValue;
}

// A date of the 2008 types (days since 0001-01-01) as YYYY-MM-DD.
void AppendDate0001(std::int64_t nDays, std::string& strOut) {
    int nYear = 0, nMonth = 0, nDay = 0;
    CivilFromDays(nDays - kDays0001To1900 - kDays1900To1970, nYear, nMonth, nDay);
    char szBuffer[24];
    char* p = PutNumber(szBuffer, nYear, 4);
    *p++ = '-';
    p = PutTwoDigits(p, nMonth);
    *p++ = '-';
    p = PutTwoDigits(p, nDay);
    strOut.append(szBuffer, static_cast<std::size_t>(p - szBuffer));
}

// A time of the 2008 types as hh:mm:ss with exactly nScale fractional digits.
void AppendTimeUnits(std::int64_t nUnits, int nScale, std::string& strOut) {
    nScale = std::clamp(nScale, 0, 7);
    const std::int64_t nPerSecond = PowerOf10(nScale);
    const std::int64_t nSeconds = std::clamp<std::int64_t>(nUnits / nPerSecond, 0, 86399);
    char szBuffer[32];
    char* p = PutTwoDigits(szBuffer, static_cast<int>(nSeconds / 3600));
    *p++ = ':';
    p = PutTwoDigits(p, static_cast<int>(nSeconds / 60 % 60));
    *p++ = ':';
    p = PutTwoDigits(p, static_cast<int>(nSeconds % 60));
    if (nScale > 0) {
        *p++ = '.';
        p = PutNumber(p, nUnits % nPerSecond, nScale);
    }
    strOut.append(szBuffer, static_cast<std::size_t>(p - szBuffer));
}

// The 2008 date and time kinds. Grid text and SQL text: "2008-01-31 13:45:10.1234567 +01:00";
// data text (ISO 8601): "2008-01-31T13:45:10.1234567+01:00". A datetimeoffset shows the local
// time of its offset.
void AppendDateTime2008(const CTypedValue& value, bool bIso, std::string& strOut) {
    std::int64_t nDays = value.m_nInteger;
    std::int64_t nUnits = value.m_nUnits;
    if (value.m_eKind == EValueKind::DateTimeOffset) {
        const std::int64_t nPerSecond = PowerOf10(std::clamp<int>(value.m_nScale, 0, 7));
        const std::int64_t nPerDay = kSecondsPerDay * nPerSecond;
        const std::int64_t nLocal =
            nDays * nPerDay + nUnits + std::int64_t{value.m_nOffsetMinutes} * 60 * nPerSecond;
        nDays = FloorDiv(nLocal, nPerDay);
        nUnits = nLocal - nDays * nPerDay;
    }
    if (value.m_eKind != EValueKind::Time)
        AppendDate0001(nDays, strOut);
    if (value.m_eKind == EValueKind::Date)
        return;
    if (value.m_eKind != EValueKind::Time)
        strOut.push_back(bIso ? 'T' : ' ');
    AppendTimeUnits(nUnits, value.m_nScale, strOut);
    if (value.m_eKind != EValueKind::DateTimeOffset)
        return;
    const int nOffset = value.m_nOffsetMinutes;
    const int nAbs = nOffset < 0 ? -nOffset : nOffset;
    if (!bIso)
        strOut.push_back(' ');
    strOut.push_back(nOffset < 0 ? '-' : '+');
    char szBuffer[8];
    char* p = PutTwoDigits(szBuffer, nAbs / 60 % 100);
    *p++ = ':';
    p = PutTwoDigits(p, nAbs % 60);
    strOut.append(szBuffer, static_cast<std::size_t>(p - szBuffer));
}

// Decimal digits of a magnitude, least significant first; the count.
int Digits(unsigned __int128 nMagnitude, char* szDigits) {
    int nDigits = 0;
    // 128-bit division is a library call; most values fit 64 bits.
    while (nMagnitude >> 64 != 0) {
        szDigits[nDigits++] = static_cast<char>('0' + static_cast<int>(nMagnitude % 10));
        nMagnitude /= 10;
    }
    auto nSmall = static_cast<std::uint64_t>(nMagnitude);
    do {
        szDigits[nDigits++] = static_cast<char>('0' + nSmall % 10);
        nSmall /= 10;
    } while (nSmall != 0);
    return nDigits;
}

// The grid's fixed-point text: sign, at least nPrecision digits (zero-padded on the left), and
// the last nScale digits after a point.
void AppendFixedPoint(bool bNegative, unsigned __int128 nMagnitude, int nPrecision, int nScale,
                      std::string& strOut) {
    if (nMagnitude >> 64 == 0 && nPrecision <= 38 && nScale >= 0 && nScale <= 38) {
        // Most values fit 64 bits: their digits in one go, zero-padded, the point moved in.
        char szDigits[24];
        char* pEnd = std::to_chars(szDigits, szDigits + sizeof szDigits,
                                   static_cast<std::uint64_t>(nMagnitude))
                         .ptr;
        const int nDigits = static_cast<int>(pEnd - szDigits);
        const int nWidth = std::max({nPrecision, nScale, nDigits});
        char szText[48];
        char* p = szText;
        if (bNegative)
            *p++ = '-';
        std::memset(p, '0', static_cast<std::size_t>(nWidth - nDigits));
        std::memcpy(p + nWidth - nDigits, szDigits, static_cast<std::size_t>(nDigits));
        if (nScale > 0) {
            char* pPoint = p + nWidth - nScale;
            std::memmove(pPoint + 1, pPoint, static_cast<std::size_t>(nScale));
            *pPoint = '.';
            ++p;
        }
        p += nWidth;
        strOut.append(szText, static_cast<std::size_t>(p - szText));
        return;
    }
    char szDigits[48];
    const int nDigits = Digits(nMagnitude, szDigits);
    nPrecision = std::min(nPrecision, 255);
    nScale = std::clamp(nScale, 0, 255);
    const int nWidth = std::max({nPrecision, nScale, nDigits});
    char szPadded[256];
    std::memset(szPadded, '0', static_cast<std::size_t>(nWidth - nDigits));
    for (int i = 0; i < nDigits; ++i)
        szPadded[nWidth - 1 - i] = szDigits[i];
    if (bNegative)
        strOut.push_back('-');
    const auto nInteger = static_cast<std::size_t>(nWidth - nScale);
    strOut.append(szPadded, nInteger);
    if (nScale > 0) {
        strOut.push_back('.');
        strOut.append(szPadded + nInteger, static_cast<std::size_t>(nScale));
    }
}

// The exact number for data text: no padding, at least one digit before the point, the scale's
// digits after it, no sign on zero.
void AppendExactNumber(bool bNegative, unsigned __int128 nMagnitude, int nScale,
                       std::string& strOut) {
    if (nMagnitude >> 64 == 0 && nScale >= 0 && nScale < 20) {
        // Most values fit 64 bits: their digits in one go, then the point moved in.
        char szText[48];
        char* p = szText;
        if (bNegative && nMagnitude != 0)
            *p++ = '-';
        char* pDigits = p;
        p = std::to_chars(p, szText + 24, static_cast<std::uint64_t>(nMagnitude)).ptr;
        const int nDigits = static_cast<int>(p - pDigits);
        if (nScale > 0) {
            const int nLeading = std::max(0, nScale + 1 - nDigits);  // zeros before the digits
            std::memmove(pDigits + nLeading, pDigits, static_cast<std::size_t>(nDigits));
            std::memset(pDigits, '0', static_cast<std::size_t>(nLeading));
            p += nLeading;
            char* pPoint = p - nScale;
            std::memmove(pPoint + 1, pPoint, static_cast<std::size_t>(nScale));
            *pPoint = '.';
            ++p;
        }
        strOut.append(szText, static_cast<std::size_t>(p - szText));
        return;
    }
    char szDigits[48];
    const int nDigits = Digits(nMagnitude, szDigits);
    nScale = std::clamp(nScale, 0, 255);
    char szText[300];
    char* p = szText;
    if (bNegative && nMagnitude != 0)
        *p++ = '-';
    const int nWidth = std::max(nDigits, nScale + 1);
    for (int i = nWidth - 1; i >= 0; --i) {
        if (i == nScale - 1)
            *p++ = '.';
        *p++ = i < nDigits ? szDigits[i] : '0';
    }
    strOut.append(szText, static_cast<std::size_t>(p - szText));
}

std::uint64_t Magnitude(std::int64_t n) {
    return n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
}

// The bytes of an 8-bit or UTF-16 text kept as grid text: empty when nothing is left.
void AppendNarrowed(std::span<const std::byte> bytes, bool bDropControls, std::string& strOut) {
    for (std::byte b : bytes) {
        auto n = static_cast<std::uint8_t>(b);
        if (bDropControls ? n > 2 : n != 0)
            strOut.push_back(static_cast<char>(n));
    }
}

void AppendQuoted(std::string_view strText, std::string& strOut, bool bScript) {
    SqlText::AppendQuoted(strText, strOut, bScript);
}

bool IsQuoted(EColumnType e) {
    return e == EColumnType::Varchar || e == EColumnType::Text || e == EColumnType::Datetime ||
           e == EColumnType::Char || e == EColumnType::Guid || e == EColumnType::Date ||
           e == EColumnType::Time || e == EColumnType::DateTime2 ||
           e == EColumnType::DateTimeOffset;
}

bool IsBinary(EColumnType e) {
    return e == EColumnType::VarBinary || e == EColumnType::Image || e == EColumnType::Binary ||
           e == EColumnType::Clr;
}

void AppendUtf8(std::uint32_t nCode, std::string& strOut) {
    if (nCode < 0x80) {
        strOut.push_back(static_cast<char>(nCode));
    } else if (nCode < 0x800) {
        strOut.push_back(static_cast<char>(0xC0 | (nCode >> 6)));
        strOut.push_back(static_cast<char>(0x80 | (nCode & 0x3F)));
    } else if (nCode < 0x10000) {
        strOut.push_back(static_cast<char>(0xE0 | (nCode >> 12)));
        strOut.push_back(static_cast<char>(0x80 | ((nCode >> 6) & 0x3F)));
        strOut.push_back(static_cast<char>(0x80 | (nCode & 0x3F)));
    } else {
        strOut.push_back(static_cast<char>(0xF0 | (nCode >> 18)));
        strOut.push_back(static_cast<char>(0x80 | ((nCode >> 12) & 0x3F)));
        strOut.push_back(static_cast<char>(0x80 | ((nCode >> 6) & 0x3F)));
        strOut.push_back(static_cast<char>(0x80 | (nCode & 0x3F)));
    }
}

// Windows-1252, the code page of the server's default collation, at 0x80 to 0x9F; the five
// unassigned bytes keep their C1 control code.
constexpr std::array<std::uint16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A character that data text must quote (CSV) or escape (JSON): control characters, the quote,
// the comma and the backslash.
constexpr std::array<bool, 128> kSpecialAscii = [] {
    std::array<bool, 128> arr{};
    for (std::size_t i = 0; i < 0x20; ++i)
        arr[i] = true;
    arr['"'] = arr[','] = arr['\\'] = true;
    return arr;
}();

constexpr bool IsSpecial(std::uint32_t nCode) {
    return nCode < 0x80 && kSpecialAscii[nCode];
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// For words of ASCII bytes only: some byte equals b, or some byte is below n (n <= 128).
constexpr bool WordHasByte(std::uint64_t nWord, std::uint8_t b) {
    const std::uint64_t x = nWord ^ (kOnes * b);
    return ((x - kOnes) & ~x & kHighBits) != 0;
}
constexpr bool WordHasLess(std::uint64_t nWord, std::uint8_t n) {
    return ((nWord - kOnes * n) & ~nWord & kHighBits) != 0;
}

// Appends the text as UTF-8; true when it holds no special character.
bool AppendCp1252AsUtf8(std::string_view strText, std::string& strOut) {
    // Mostly ASCII: eight bytes at a time up to the first byte that needs two or three in UTF-8,
    // copied in one go.
    bool bSpecial = false;
    std::size_t nAscii = 0;
    for (; nAscii + 8 <= strText.size(); nAscii += 8) {
        std::uint64_t nWord = 0;
        std::memcpy(&nWord, strText.data() + nAscii, 8);
        if ((nWord & kHighBits) != 0)
            break;
        bSpecial |= WordHasLess(nWord, 0x20) || WordHasByte(nWord, '"') ||
                    WordHasByte(nWord, ',') || WordHasByte(nWord, '\\');
    }
    for (; nAscii < strText.size(); ++nAscii) {
        const auto n = static_cast<std::uint8_t>(strText[nAscii]);
        if (n >= 0x80)
            break;
        bSpecial |= IsSpecial(n);
    }
    strOut.append(strText.substr(0, nAscii));
    for (char ch : strText.substr(nAscii)) {
        auto n = static_cast<std::uint8_t>(ch);
        bSpecial |= IsSpecial(n);
        AppendUtf8(n < 0x80 ? n : (n < 0xA0 ? kCp1252High[n - 0x80] : n), strOut);
    }
    return !bSpecial;
}

// Appends UTF-16LE as UTF-8; true when it holds no special character.
bool AppendUtf16AsUtf8(std::span<const std::byte> bytes, std::string& strOut) {
    constexpr std::uint32_t kReplacement = 0xFFFD;
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) |
               static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8;
    };
    bool bSpecial = false;
    // Mostly ASCII: one byte per code unit, written in place, four units at a time, up to the
    // first unit that is not.
    std::size_t i = 0;
    {
        const std::size_t nStart = strOut.size();
        strOut.resize(nStart + bytes.size() / 2);
        char* p = strOut.data() + nStart;
        for (; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t nWord = 0;
            std::memcpy(&nWord, bytes.data() + i, 8);
            if ((nWord & 0xFF80FF80FF80FF80ULL) != 0)
                break;
            // The four low bytes side by side; the other half filled with a harmless 'A'.
            const std::uint64_t nChars = (nWord & 0xFF) | ((nWord >> 8) & 0xFF00) |
                                         ((nWord >> 16) & 0xFF0000) | ((nWord >> 24) & 0xFF000000) |
                                         0x4141414100000000ULL;
            bSpecial |= WordHasLess(nChars, 0x20) || WordHasByte(nChars, '"') ||
                        WordHasByte(nChars, ',') || WordHasByte(nChars, '\\');
            std::memcpy(p, &nChars, 4);
            p += 4;
        }
        for (; i + 1 < bytes.size(); i += 2) {
            const std::uint32_t nUnit = unit(i);
            if (nUnit >= 0x80)
                break;
            bSpecial |= IsSpecial(nUnit);
            *p++ = static_cast<char>(nUnit);
        }
        strOut.resize(static_cast<std::size_t>(p - strOut.data()));
    }
    for (; i + 1 < bytes.size(); i += 2) {
        std::uint32_t nUnit = unit(i);
        bSpecial |= IsSpecial(nUnit);
        if (nUnit >= 0xD800 && nUnit < 0xDC00 && i + 3 < bytes.size()) {
            std::uint32_t nLow = unit(i + 2);
            if (nLow >= 0xDC00 && nLow < 0xE000) {
                AppendUtf8(0x10000 + ((nUnit - 0xD800) << 10) + (nLow - 0xDC00), strOut);
                i += 2;
                continue;
            }
        }
        AppendUtf8(nUnit >= 0xD800 && nUnit < 0xE000 ? kReplacement : nUnit, strOut);
    }
    if (i < bytes.size())
        AppendUtf8(kReplacement, strOut);  // half a code unit: a cut value
    return !bSpecial;
}

// Shortest text that reads back to the same value; no JSON number holds inf or nan.
template <class T>
EDataForm AppendShortest(T value, std::string& strOut) {
    if (!std::isfinite(value)) {
        strOut += std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
        return EDataForm::String;
    }
    char szBuffer[64];
    auto result = std::to_chars(szBuffer, szBuffer + sizeof szBuffer, value);
    strOut.append(szBuffer, static_cast<std::size_t>(result.ptr - szBuffer));
    return EDataForm::Number;
}
// A sql_variant value's literal, by the kind of the value it holds.
void AppendVariantLiteral(const CTypedValue& value, std::string& strOut, bool bScript) {
    switch (value.m_eKind) {
        case EValueKind::Text:
            return AppendQuoted(value.TextView(), strOut, bScript);
        case EValueKind::UnicodeText:
            strOut += "CONVERT(nvarchar(" +
                      std::to_string(std::max<std::size_t>(1, value.Bytes().size() / 2)) + "),0x";
            CValueFormat::AppendHex(value.Bytes(), strOut);
            strOut.push_back(')');
            return;
        case EValueKind::Binary:
            strOut += "0x";
            return CValueFormat::AppendHex(value.Bytes(), strOut);
        case EValueKind::SmallDatetime:
            strOut += "CONVERT(smalldatetime, 0x";
            CValueFormat::AppendSqlText(value, EColumnType::SqlVariant, strOut);
            strOut.push_back(')');
            return;
        case EValueKind::Guid:
        case EValueKind::Datetime:
        case EValueKind::Date:
        case EValueKind::Time:
        case EValueKind::DateTime2:
        case EValueKind::DateTimeOffset:
            return AppendQuoted(CValueFormat::SqlText(value, EColumnType::SqlVariant), strOut,
                                bScript);
        default:
            return CValueFormat::AppendSqlText(value, EColumnType::SqlVariant, strOut);
    }
}
}  // namespace

SColumnFormat SColumnFormat::Of(const CColumnInfo& column) {
    SColumnFormat format;
    format.eType = CTypeTable::Classify(column.m_strType);
    format.bNullable = column.m_bNullable;
    format.bSkipped = column.m_bDeleted || column.IsComputed() || column.m_bColumnSet;
    format.strDefault = column.m_strDefault;
    if (CTypeTable::IsUnicode(format.eType)) {
        int nSize = column.m_nLength / 2;
        if (column.m_nLength >= 4000 || format.eType == EColumnType::NText)
            nSize = 4000;
        else if (format.eType == EColumnType::NChar)
            nSize = column.m_nLength;
        // A (max) value may be longer than any sized literal holds.
        format.strConvert = column.m_bMax ? std::string("CONVERT(nvarchar(max),0x")
                                          : "CONVERT(nvarchar(" + std::to_string(nSize) + "),0x";
    }
    return format;
}

void CValueFormat::AppendHex(std::span<const std::byte> bytes, std::string& strOut) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const std::size_t nStart = strOut.size();
    strOut.resize(nStart + bytes.size() * 2);
    char* p = strOut.data() + nStart;
    for (std::byte b : bytes) {
        auto n = static_cast<std::uint8_t>(b);
        *p++ = kDigits[n >> 4];
        *p++ = kDigits[n & 0xF];
    }
}

bool CValueFormat::IsGridNull(const CTypedValue& value, const SColumnFormat& column) {
    return value.m_eKind == EValueKind::Null &&
           !(value.m_bDefaultable && !column.strDefault.empty());
}

void CValueFormat::AppendGridText(const CTypedValue& value, const SColumnFormat& column,
                                  std::string& strOut) {
    const bool bDefault = value.m_bDefaultable && !column.strDefault.empty();
    switch (value.m_eKind) {
        case EValueKind::Null:
            strOut += bDefault ? std::string_view(column.strDefault) : "NULL";
            return;
        case EValueKind::Missing:
            strOut += bDefault ? std::string_view(column.strDefault) : "Empty";
            return;
        case EValueKind::EmptyString:
            strOut += "Empty";
            return;
        case EValueKind::Corrupt:
            strOut += "Corrupt";
            return;
        case EValueKind::Formula:
            strOut += "FORMULA";
            return;
        case EValueKind::Deleted:
            strOut += "Deleted";
            return;
        case EValueKind::NotDecoded:
            strOut += "<not decoded>";
            return;
        case EValueKind::LargeValue:
            strOut += kBinaryData;
            return;
        case EValueKind::Date:
        case EValueKind::Time:
        case EValueKind::DateTime2:
        case EValueKind::DateTimeOffset:
            return AppendDateTime2008(value, false, strOut);
        case EValueKind::Integer:
            return AppendNumber(value.m_nInteger, strOut);
        case EValueKind::Real:
            strOut += FormatRealBits(static_cast<std::uint32_t>(value.m_nInteger));
            return;
        case EValueKind::Float: {
            char szBuffer[400];
            int nLength = std::snprintf(szBuffer, sizeof szBuffer, "%lf", value.m_dFloat);
            strOut.append(szBuffer, static_cast<std::size_t>(std::max(nLength, 0)));
            return;
        }
        case EValueKind::Decimal:
            return AppendFixedPoint(value.m_bNegative, value.m_nMagnitude, value.m_nPrecision,
                                    value.m_nScale, strOut);
        case EValueKind::Money:
            return AppendFixedPoint(value.m_nInteger < 0, Magnitude(value.m_nInteger),
                                    value.m_nPrecision, value.m_nScale, strOut);
        case EValueKind::Datetime:
            return AppendDatetime(static_cast<std::int32_t>(value.m_nInteger), value.m_nTime, false,
                                  kGridDate, strOut);
        case EValueKind::SmallDatetime:
            return AppendSmallDatetime(value.m_nInteger, value.m_nTime, kGridDate, strOut);
        case EValueKind::Guid:
            strOut += GuidText(value.Bytes());
            return;
        case EValueKind::Text:
            strOut += value.TextView();
            return;
        case EValueKind::Binary: {
            // binary, and the bytes of a CLR type or of a variant holding a binary value.
            if (column.eType == EColumnType::Binary || column.eType == EColumnType::Clr ||
                column.eType == EColumnType::SqlVariant) {
                strOut += "0x";
                return AppendHex(value.Bytes(), strOut);
            }
            if (column.eType == EColumnType::Timestamp)
                break;
            if (!value.m_bInRow) {
                // Read through a text pointer: binary values are not shown, the rest as hex.
                if (column.eType == EColumnType::VarBinary || column.eType == EColumnType::Image)
                    break;
                return AppendHex(value.Bytes(), strOut);
            }
            // Stored in the row: Latin text held as UTF-16 reads as text, anything else is not
            // shown.
            if (!AllOddBytesZero(value.Bytes())) {
                strOut += kNotNarrow;
                return;
            }
            const std::size_t nStart = strOut.size();
            AppendNarrowed(value.Bytes(), true, strOut);
            if (strOut.size() == nStart)
                strOut += "Empty";
            return;
        }
        case EValueKind::UnicodeText: {
            // Every character is looked at: one outside the one-byte range anywhere in the value
            // would otherwise be narrowed into a wrong character.
            if (!AllOddBytesZero(value.Bytes())) {
                strOut += kNotNarrow;
                return;
            }
            const std::size_t nStart = strOut.size();
            AppendNarrowed(value.Bytes(), value.m_bInRow, strOut);
            if (strOut.size() == nStart)
                strOut += bDefault ? std::string_view(column.strDefault) : "Empty";
            return;
        }
    }
    strOut += kBinaryData;
}

std::string CValueFormat::GridText(const CTypedValue& value, const SColumnFormat& column) {
    std::string strText;
    AppendGridText(value, column, strText);
    return strText;
}

void CValueFormat::AppendSqlText(const CTypedValue& value, EColumnType eType, std::string& strOut) {
    switch (value.m_eKind) {
        case EValueKind::Integer:
            return AppendNumber(value.m_nInteger, strOut);
        case EValueKind::Real:
            strOut += RealLiteral(static_cast<std::uint32_t>(value.m_nInteger));
            return;
        case EValueKind::Float:
            strOut += FloatLiteral(value.m_dFloat);
            return;
        case EValueKind::Decimal:
            return AppendFixedPoint(value.m_bNegative, value.m_nMagnitude, value.m_nPrecision,
                                    value.m_nScale, strOut);
        case EValueKind::Money:
            return AppendFixedPoint(value.m_nInteger < 0, Magnitude(value.m_nInteger),
                                    value.m_nPrecision, value.m_nScale, strOut);
        case EValueKind::Datetime:
            return AppendDatetime(static_cast<std::int32_t>(value.m_nInteger), value.m_nTime, true,
                                  kGridDate, strOut);
        case EValueKind::SmallDatetime: {
            // The four stored bytes in reverse order: days, then minutes, most significant first.
            const auto nDays = static_cast<std::uint16_t>(value.m_nInteger);
            const auto nMinutes = static_cast<std::uint16_t>(value.m_nTime);
            const std::array<std::byte, 4> bytes{std::byte(nDays >> 8), std::byte(nDays & 0xFF),
                                                 std::byte(nMinutes >> 8),
                                                 std::byte(nMinutes & 0xFF)};
            return AppendHex(bytes, strOut);
        }
        case EValueKind::Guid:
            strOut += GuidText(value.Bytes());
            return;
        case EValueKind::Binary:
            if (eType == EColumnType::Binary)
                strOut += "0x";
            return AppendHex(value.Bytes(), strOut);
        case EValueKind::Text:
            strOut += value.TextView();
            return;
        case EValueKind::UnicodeText:
            return AppendHex(value.Bytes(), strOut);
        case EValueKind::Date:
        case EValueKind::Time:
        case EValueKind::DateTime2:
        case EValueKind::DateTimeOffset:
            return AppendDateTime2008(value, false, strOut);
        default:
            return;
    }
}

std::string CValueFormat::SqlText(const CTypedValue& value, EColumnType eType) {
    std::string strText;
    AppendSqlText(value, eType, strText);
    return strText;
}

bool CValueFormat::AppendSqlLiteral(const CTypedValue& value, const SColumnFormat& column,
                                    std::string& strOut, bool bScript) {
    if (column.bSkipped)
        return false;
    const EColumnType eType = column.eType;
    EValueKind eKind = value.m_eKind;
    // A timestamp cannot be inserted: the server writes its own.
    if (eType == EColumnType::Timestamp || eKind == EValueKind::LargeValue)
        eKind = EValueKind::Null;
    switch (eKind) {
        case EValueKind::Formula:
        case EValueKind::Deleted:
            return false;
        case EValueKind::Null:
        case EValueKind::Missing:
        case EValueKind::Corrupt:
        case EValueKind::NotDecoded:
            // A column that may not be NULL still gets a value, so the row is not refused.
            if (CTypeTable::IsCharacter(eType) && !column.bNullable) {
                strOut += "''";
                return true;
            }
            return false;
        case EValueKind::EmptyString:
            if (CTypeTable::IsCharacter(eType)) {
                strOut += "''";
                return true;
            }
            if (IsBinary(eType)) {
                strOut += "0x";
                return true;
            }
            return false;
        default:
            break;
    }
    if (eType == EColumnType::SqlVariant) {
        AppendVariantLiteral(value, strOut, bScript);
    } else if (eType == EColumnType::VarBinary || eType == EColumnType::Image ||
               eType == EColumnType::Clr) {
        // Image values are hex digits; quoted, the server would store the digits' characters.
        strOut += "0x";
        AppendSqlText(value, eType, strOut);
    } else if (CTypeTable::IsUnicode(eType)) {
        strOut += column.strConvert;
        AppendSqlText(value, eType, strOut);
        strOut.push_back(')');
    } else if (IsQuoted(eType)) {
        if (value.m_eKind == EValueKind::Text) {
            AppendQuoted(value.TextView(), strOut, bScript);
        } else {
            AppendQuoted(SqlText(value, eType), strOut, bScript);
        }
    } else if (eType == EColumnType::SmallDatetime) {
        strOut += "CONVERT(smalldatetime, 0x";
        AppendSqlText(value, eType, strOut);
        strOut.push_back(')');
    } else {
        AppendSqlText(value, eType, strOut);
    }
    return true;
}

EDataForm CValueFormat::AppendDataText(const CTypedValue& value, EColumnType eType,
                                       std::string& strOut) {
    switch (value.m_eKind) {
        case EValueKind::Null:
        case EValueKind::Missing:
        case EValueKind::Corrupt:
        case EValueKind::Formula:
        case EValueKind::Deleted:
        case EValueKind::NotDecoded:
        case EValueKind::LargeValue:
            return EDataForm::Null;
        case EValueKind::Date:
        case EValueKind::Time:
        case EValueKind::DateTime2:
        case EValueKind::DateTimeOffset:
            AppendDateTime2008(value, true, strOut);
            return EDataForm::PlainString;
        case EValueKind::EmptyString:
            if (IsBinary(eType)) {
                strOut += "0x";
                return EDataForm::PlainString;
            }
            return EDataForm::String;
        case EValueKind::Integer:
            AppendNumber(value.m_nInteger, strOut);
            return EDataForm::Number;
        case EValueKind::Real:
            return AppendShortest(
                std::bit_cast<float>(static_cast<std::uint32_t>(value.m_nInteger)), strOut);
        case EValueKind::Float:
            return AppendShortest(value.m_dFloat, strOut);
        case EValueKind::Decimal:
            AppendExactNumber(value.m_bNegative, value.m_nMagnitude, value.m_nScale, strOut);
            return EDataForm::Number;
        case EValueKind::Money:
            AppendExactNumber(value.m_nInteger < 0, Magnitude(value.m_nInteger), value.m_nScale,
                              strOut);
            return EDataForm::Number;
        case EValueKind::Datetime:
            AppendDatetime(static_cast<std::int32_t>(value.m_nInteger), value.m_nTime, true,
                           kIsoDate, strOut);
            return EDataForm::PlainString;
        case EValueKind::SmallDatetime:
            AppendSmallDatetime(value.m_nInteger, value.m_nTime, kIsoDate, strOut);
            return EDataForm::PlainString;
        case EValueKind::Guid: {
            const std::string strGuid = GuidText(value.Bytes());
            if (strGuid.size() > 2)
                strOut.append(strGuid, 1, strGuid.size() - 2);  // without the braces
            return EDataForm::PlainString;
        }
        case EValueKind::Binary:
            strOut += "0x";
            AppendHex(value.Bytes(), strOut);
            return EDataForm::PlainString;
        case EValueKind::Text:
            return AppendCp1252AsUtf8(value.TextView(), strOut) ? EDataForm::PlainString
                                                                : EDataForm::String;
        case EValueKind::UnicodeText:
            return AppendUtf16AsUtf8(value.Bytes(), strOut) ? EDataForm::PlainString
                                                            : EDataForm::String;
    }
    return EDataForm::Null;
}
