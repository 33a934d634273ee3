// engine/records/CValueRenderer.cpp
#include "engine/records/CValueRenderer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/ByteView.h"
#include "common/GuidText.h"
#include "engine/catalog/CColumnInfo.h"
#include "engine/records/CTextPointerReader.h"
#include "engine/records/RealFormat.h"

namespace {
using namespace std::string_view_literals;

constexpr std::array<std::pair<std::string_view, EColumnType>, 26> kTypes{{
    {"int"sv, EColumnType::Int},
    {"real"sv, EColumnType::Real},
    {"float"sv, EColumnType::Float},
    {"bigint"sv, EColumnType::BigInt},
    {"char"sv, EColumnType::Char},
    {"nchar"sv, EColumnType::NChar},
    {"bit"sv, EColumnType::Bit},
    {"datetime"sv, EColumnType::Datetime},
    {"smalldatetime"sv, EColumnType::SmallDatetime},
    {"timestamp"sv, EColumnType::Timestamp},
    {"sql_variant"sv, EColumnType::SqlVariant},
    {"decimal"sv, EColumnType::Decimal},
    {"numeric"sv, EColumnType::Decimal},
    {"money"sv, EColumnType::Money},
    {"smallmoney"sv, EColumnType::SmallMoney},
    {"binary"sv, EColumnType::Binary},
    {"uniqueidentifier"sv, EColumnType::Guid},
    {"tinyint"sv, EColumnType::TinyInt},
    {"smallint"sv, EColumnType::SmallInt},
    {"varchar"sv, EColumnType::Varchar},
    {"nvarchar"sv, EColumnType::NVarchar},
    {"text"sv, EColumnType::Text},
    {"ntext"sv, EColumnType::NText},
    {"image"sv, EColumnType::Image},
    {"varbinary"sv, EColumnType::VarBinary},
    {"xml"sv, EColumnType::Xml},
}};

void SetNumber(CFieldValue& out, std::int64_t n) {
    char szBuffer[24];
    auto result = std::to_chars(szBuffer, szBuffer + sizeof szBuffer, n);
    out.m_strText.assign(szBuffer, result.ptr);
    out.m_eKind = EValueKind::Value;
}

// Assigning into the value keeps its buffer, so a walk that reuses its row allocates nothing.
void SetValue(CFieldValue& out, std::string_view strText) {
    out.m_strText.assign(strText);
    out.m_eKind = EValueKind::Value;
}

void SetValue(CFieldValue& out, std::string&& strText) {
    out.m_strText = std::move(strText);
    out.m_eKind = EValueKind::Value;
}

std::int64_t SignedLittleEndian(std::span<const std::byte> bytes, std::size_t nWidth) {
    CByteView view(bytes);
    std::uint64_t n = view.Load(0, nWidth);
    unsigned nShift = static_cast<unsigned>(64 - 8 * nWidth);
    return static_cast<std::int64_t>(n << nShift) >> nShift;
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

constexpr std::int64_t kDays1900To1970 = 25567;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Appends n in decimal, zero-padded to nWidth digits.
char* PutNumber(char* p, std::int64_t n, int nWidth) {
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

// "%04d-%02d-%02d %d:%02d:%02d" and, with bMillis, ".%03d"; formatted by hand because dates are
// in every other row of a typical table.
std::size_t DateTimeChars(std::int64_t nDays, std::int64_t nSecondsOfDay, int nMillis, bool bMillis,
                          char* szBuffer) {
    int nYear = 0, nMonth = 0, nDay = 0;
    CivilFromDays(nDays - kDays1900To1970, nYear, nMonth, nDay);
    char* p = PutNumber(szBuffer, nYear, 4);
    *p++ = '-';
    p = PutNumber(p, nMonth, 2);
    *p++ = '-';
    p = PutNumber(p, nDay, 2);
    *p++ = ' ';
    p = PutNumber(p, nSecondsOfDay / 3600, 0);
    *p++ = ':';
    p = PutNumber(p, nSecondsOfDay / 60 % 60, 2);
    *p++ = ':';
    p = PutNumber(p, nSecondsOfDay % 60, 2);
    if (bMillis) {
        *p++ = '.';
        p = PutNumber(p, nMillis, 3);
    }
    return static_cast<std::size_t>(p - szBuffer);
}

constexpr std::size_t kDateTimeBuffer = 64;

// Days and ticks of a datetime as its text in szBuffer (kDateTimeBuffer bytes); the length.
std::size_t DatetimeChars(std::int32_t nDays, std::int32_t nTicks, bool bMilliseconds,
                          char* szBuffer) {
    // The grid drops the fraction of the second (whole hundredths, ticks / 3); a literal keeps
    // the milliseconds so the value reads back to the same tick.
    std::int64_t nDayCount = nDays;
    if (!bMilliseconds) {
        std::int64_t nHundredths = static_cast<std::int64_t>(nDays) * 8640000 + nTicks / 3;
        nDayCount = FloorDiv(nHundredths, 8640000);
        std::int64_t nSeconds = (nHundredths - nDayCount * 8640000) / 100;
        return DateTimeChars(nDayCount, nSeconds, 0, false, szBuffer);
    }
    std::int64_t nMillis =
        static_cast<std::int64_t>(nDays) * 86400000 + FloorDiv(std::int64_t{nTicks} * 10 + 1, 3);
    nDayCount = FloorDiv(nMillis, 86400000);
    std::int64_t nOfDay = nMillis - nDayCount * 86400000;
    return DateTimeChars(nDayCount, nOfDay / 1000, static_cast<int>(nOfDay % 1000), true, szBuffer);
}

constexpr std::size_t kFixedPointBuffer = 260;

// FixedPointText into szBuffer (kFixedPointBuffer bytes); the length.
std::size_t FixedPointChars(bool bNegative, unsigned __int128 nMagnitude, int nPrecision,
                            int nScale, char* szBuffer) {
    char szDigits[48];
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
    nPrecision = std::min(nPrecision, 255);
    nScale = std::clamp(nScale, 0, 255);
    const int nWidth = std::max({nPrecision, nScale, nDigits});
    // The digits right-aligned in nWidth places, zero-padded, then split at the point.
    char szPadded[256];
    std::memset(szPadded, '0', static_cast<std::size_t>(nWidth - nDigits));
    for (int i = 0; i < nDigits; ++i)
        szPadded[nWidth - 1 - i] = szDigits[i];
    char* p = szBuffer;
    if (bNegative)
        *p++ = '-';
    const auto nInteger = static_cast<std::size_t>(nWidth - nScale);
    std::memcpy(p, szPadded, nInteger);
    p += nInteger;
    if (nScale > 0) {
        *p++ = '.';
        std::memcpy(p, szPadded + nInteger, static_cast<std::size_t>(nScale));
        p += nScale;
    }
    return static_cast<std::size_t>(p - szBuffer);
}
}  // namespace

EColumnType CValueRenderer::Classify(std::string_view strType) {
    for (const auto& [strName, eType] : kTypes) {
        if (strName == strType)
            return eType;
    }
    return EColumnType::Int;
}

bool CValueRenderer::IsVariable(EColumnType eType) {
    switch (eType) {
        case EColumnType::Varchar:
        case EColumnType::NVarchar:
        case EColumnType::Text:
        case EColumnType::NText:
        case EColumnType::Image:
        case EColumnType::VarBinary:
        case EColumnType::Xml:
            return true;
        default:
            return false;
    }
}

std::size_t CValueRenderer::FixedSize(EColumnType eType, std::size_t nDeclared) {
    switch (eType) {
        case EColumnType::Real:
        case EColumnType::SmallDatetime:
        case EColumnType::SmallMoney:
            return 4;
        case EColumnType::Float:
        case EColumnType::BigInt:
        case EColumnType::Datetime:
        case EColumnType::Money:
        case EColumnType::Timestamp:
            return 8;
        case EColumnType::Guid:
            return 16;
        case EColumnType::Bit:
        case EColumnType::TinyInt:
            return 1;
        case EColumnType::SmallInt:
            return 2;
        case EColumnType::Int:
            return nDeclared < 4 ? nDeclared : 4;
        case EColumnType::SqlVariant:
            return 0;
        default:
            return nDeclared;
    }
}

std::string CValueRenderer::HexText(std::span<const std::byte> bytes) {
    return CTextPointerReader::ApplyStyle(bytes, ETextStyle::Hex);
}

std::string CValueRenderer::DatetimeText(std::int32_t nDays, std::int32_t nTicks,
                                         bool bMilliseconds) {
    char szBuffer[kDateTimeBuffer];
    return std::string(szBuffer, DatetimeChars(nDays, nTicks, bMilliseconds, szBuffer));
}

std::string CValueRenderer::SmallDatetimeText(std::uint16_t nDays, std::uint16_t nMinutes) {
    std::int64_t nTotal = static_cast<std::int64_t>(nDays) * 1440 + nMinutes;
    char szBuffer[kDateTimeBuffer];
    return std::string(szBuffer,
                       DateTimeChars(nTotal / 1440, nTotal % 1440 * 60, 0, false, szBuffer));
}

std::string CValueRenderer::FixedPointText(bool bNegative, unsigned __int128 nMagnitude,
                                           int nPrecision, int nScale) {
    char szBuffer[kFixedPointBuffer];
    return std::string(szBuffer,
                       FixedPointChars(bNegative, nMagnitude, nPrecision, nScale, szBuffer));
}

CFieldValue CValueRenderer::RenderFixed(EColumnType eType, std::span<const std::byte> bytes,
                                        const CColumnInfo& column, bool bStatement) {
    CFieldValue value;
    RenderFixedInto(eType, bytes, column, bStatement, value);
    return value;
}

CFieldValue CValueRenderer::RenderInRow(EColumnType eType, std::span<const std::byte> bytes,
                                        bool bStatement) {
    CFieldValue value;
    RenderInRowInto(eType, bytes, bStatement, value);
    return value;
}

void CValueRenderer::RenderFixedInto(EColumnType eType, std::span<const std::byte> bytes,
                                     const CColumnInfo& column, bool bStatement, CFieldValue& out) {
    CByteView view(bytes);
    switch (eType) {
        case EColumnType::Real: {
            auto nBits = *view.U32(0);
            return SetValue(out, bStatement ? RealLiteral(nBits) : FormatRealBits(nBits));
        }
        case EColumnType::Float: {
            double dValue = std::bit_cast<double>(*view.U64(0));
            if (bStatement)
                return SetValue(out, FloatLiteral(dValue));
            char szBuffer[400];
            std::snprintf(szBuffer, sizeof szBuffer, "%lf", dValue);
            return SetValue(out, std::string_view(szBuffer));
        }
        case EColumnType::BigInt:
            return SetNumber(out, *view.I64(0));
        case EColumnType::Char: {
            std::size_t nLength = 0;
            while (nLength < bytes.size() && bytes[nLength] != std::byte{0})
                ++nLength;
            if (nLength == 0) {
                out = CFieldValue::EmptyString();
                return;
            }
            out.m_strText.resize(nLength);
            for (std::size_t i = 0; i < nLength; ++i)
                out.m_strText[i] = static_cast<char>(bytes[i]);
            out.m_eKind = EValueKind::Value;
            return;
        }
        case EColumnType::NChar: {
            if (bStatement)
                return SetValue(out, HexText(bytes));
            if (!AllOddBytesZero(bytes))
                return SetValue(out, std::string_view("?????"));
            std::string strText = CTextPointerReader::ApplyStyle(bytes, ETextStyle::Plain);
            if (strText.empty()) {
                out = CFieldValue::EmptyString();
                return;
            }
            return SetValue(out, std::move(strText));
        }
        case EColumnType::Bit: {
            auto nByte = *view.U8(0);
            return SetValue(out,
                            std::string_view(((nByte >> (column.m_nBitPos & 7)) & 1) ? "1" : "0"));
        }
        case EColumnType::Datetime: {
            char szBuffer[kDateTimeBuffer];
            return SetValue(out,
                            std::string_view(szBuffer, DatetimeChars(*view.I32(4), *view.I32(0),
                                                                     bStatement, szBuffer)));
        }
        case EColumnType::SmallDatetime: {
            if (bStatement) {
                std::array<std::byte, 4> reversed{bytes[3], bytes[2], bytes[1], bytes[0]};
                return SetValue(out, HexText(reversed));
            }
            return SetValue(out, SmallDatetimeText(*view.U16(2), *view.U16(0)));
        }
        case EColumnType::Timestamp:
            if (bStatement) {
                out = CFieldValue::Null();
                return;
            }
            return SetValue(out, std::string_view("<binary data>"));
        case EColumnType::SqlVariant:
            out = CFieldValue::Null();
            return;
        case EColumnType::Decimal: {
            if (bytes.empty()) {
                out = CFieldValue::Corrupt();
                return;
            }
            bool bNegative = bytes[0] == std::byte{0};
            unsigned __int128 nMagnitude = 0;
            std::size_t nBytes = std::min<std::size_t>(bytes.size() - 1, 16);
            for (std::size_t i = nBytes; i-- > 0;) {
                nMagnitude = (nMagnitude << 8) | static_cast<std::uint8_t>(bytes[1 + i]);
            }
            char szBuffer[kFixedPointBuffer];
            return SetValue(
                out, std::string_view(szBuffer,
                                      FixedPointChars(bNegative, nMagnitude, column.m_nPrecision,
                                                      column.m_nScale, szBuffer)));
        }
        case EColumnType::Money:
        case EColumnType::SmallMoney: {
            std::int64_t n = eType == EColumnType::Money ? *view.I64(0) : *view.I32(0);
            int nPrecision = column.m_nPrecision;
            int nScale = column.m_nScale;
            if (nPrecision == 0 && nScale == 0) {  // a catalog without them: the types' own
                nPrecision = eType == EColumnType::Money ? 19 : 10;
                nScale = 4;
            }
            auto nMagnitude =
                n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
            char szBuffer[kFixedPointBuffer];
            return SetValue(
                out, std::string_view(szBuffer, FixedPointChars(n < 0, nMagnitude, nPrecision,
                                                                nScale, szBuffer)));
        }
        case EColumnType::Binary:
            return SetValue(out, "0x" + HexText(bytes));
        case EColumnType::Guid:
            return SetValue(out, GuidText(bytes));
        case EColumnType::TinyInt:
            return SetNumber(out, *view.U8(0));
        case EColumnType::SmallInt:
            return SetNumber(out, *view.I16(0));
        default:
            if (bytes.empty())
                return SetValue(out, std::string_view("0"));
            return SetNumber(out,
                             SignedLittleEndian(bytes, std::min<std::size_t>(bytes.size(), 4)));
    }
}

void CValueRenderer::RenderInRowInto(EColumnType eType, std::span<const std::byte> bytes,
                                     bool bStatement, CFieldValue& out) {
    if (eType == EColumnType::Varchar || (!bStatement && AllOddBytesZero(bytes))) {
        // Bytes 0, 1 and 2 never belong to the text: they are the high bytes of narrowed
        // characters and padding. Counted first, so the text is allocated at its own size.
        std::size_t nLength = 0;
        for (std::byte b : bytes)
            nLength += static_cast<std::uint8_t>(b) > 2;
        if (nLength == 0) {
            out = CFieldValue::EmptyString();
            return;
        }
        out.m_strText.resize(nLength);
        char* p = out.m_strText.data();
        for (std::byte b : bytes) {
            *p = static_cast<char>(b);
            p += static_cast<std::uint8_t>(b) > 2;
        }
        out.m_eKind = EValueKind::Value;
        return;
    }
    if (!bStatement)
        return SetValue(out, std::string_view("?????"));
    SetValue(out, HexText(bytes));
}

bool CValueRenderer::ReadsPointer(EColumnType eType, bool bStatement) {
    return bStatement || (eType != EColumnType::VarBinary && eType != EColumnType::Image);
}

CFieldValue CValueRenderer::RenderFromPointer(EColumnType eType, std::span<const std::byte> bytes,
                                              bool bStatement) {
    bool bText = eType == EColumnType::Text || eType == EColumnType::Varchar;
    ETextStyle eStyle = ETextStyle::Hex;
    if (bText) {
        eStyle = ETextStyle::Plain;
    } else if (!bStatement) {
        if (eType == EColumnType::VarBinary || eType == EColumnType::Image)
            return {"<binary data>", EValueKind::Value};
        if (eType == EColumnType::NText || eType == EColumnType::NVarchar)
            eStyle = ETextStyle::Unicode;
    }
    std::string strText = CTextPointerReader::ApplyStyle(bytes, eStyle);
    if (strText.empty()) {
        // Nothing came back: a damaged chain as likely as an empty value, except for image
        // literals, which have always been written as an empty binary.
        if (bStatement && eType == EColumnType::Image)
            return CFieldValue::EmptyString();
        return CFieldValue::Missing();
    }
    return {std::move(strText), EValueKind::Value};
}
