// engine/records/CValueDecoder.cpp
#include "engine/records/CValueDecoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "common/ByteView.h"
#include "engine/catalog/CColumnInfo.h"

namespace {
std::int64_t SignedLittleEndian(std::span<const std::byte> bytes, std::size_t nWidth) {
    CByteView view(bytes);
    std::uint64_t n = view.Load(0, nWidth);
    unsigned nShift = static_cast<unsigned>(64 - 8 * nWidth);
    return static_cast<std::int64_t>(n << nShift) >> nShift;
}

// 8-bit text keeps every byte above 2: bytes 0, 1 and 2 are the high bytes of narrowed
// characters and padding, never text. Counted first, so the text is sized once.
void SetNarrowText(std::span<const std::byte> bytes, CTypedValue& out) {
    // Eight bytes at a time while none is below 3 (the has-less-than test on a word).
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    std::size_t nFirst = 0;
    for (; nFirst + 8 <= bytes.size(); nFirst += 8) {
        std::uint64_t nWord = 0;
        std::memcpy(&nWord, bytes.data() + nFirst, 8);
        if (((nWord - kOnes * 3) & ~nWord & 0x8080808080808080ULL) != 0)
            break;
    }
    while (nFirst < bytes.size() && static_cast<std::uint8_t>(bytes[nFirst]) > 2)
        ++nFirst;
    if (nFirst == bytes.size() && nFirst > 0)
        return out.SetBytes(EValueKind::Text, bytes);  // the usual case: nothing to leave out
    std::size_t nLength = nFirst;
    for (std::byte b : bytes.subspan(nFirst))
        nLength += static_cast<std::uint8_t>(b) > 2;
    if (nLength == 0) {
        out.SetKind(EValueKind::EmptyString);
        return;
    }
    out.SetKind(EValueKind::Text);
    out.m_strBytes.resize(nLength);
    char* p = out.m_strBytes.data();
    for (std::byte b : bytes) {
        *p = static_cast<char>(b);
        p += static_cast<std::uint8_t>(b) > 2;
    }
}
}  // namespace

void CValueDecoder::Fixed(EColumnType eType, std::span<const std::byte> bytes,
                          const CColumnInfo& column, CTypedValue& out) {
    CByteView view(bytes);
    switch (eType) {
        case EColumnType::Real:
            return out.SetReal(*view.U32(0));
        case EColumnType::Float:
            return out.SetFloat(std::bit_cast<double>(*view.U64(0)));
        case EColumnType::BigInt:
            return out.SetInteger(*view.I64(0));
        case EColumnType::Char: {
            std::size_t nLength = 0;
            while (nLength < bytes.size() && bytes[nLength] != std::byte{0})
                ++nLength;
            if (nLength == 0)
                return out.SetKind(EValueKind::EmptyString);
            return out.SetBytes(EValueKind::Text, bytes.first(nLength));
        }
        case EColumnType::NChar:
            return out.SetBytes(EValueKind::UnicodeText, bytes);
        case EColumnType::Bit:
            return out.SetInteger((*view.U8(0) >> (column.m_nBitPos & 7)) & 1);
        case EColumnType::Datetime:
            return out.SetDatetime(*view.I32(4), *view.I32(0));
        case EColumnType::SmallDatetime:
            return out.SetSmallDatetime(*view.U16(2), *view.U16(0));
        case EColumnType::Timestamp:
        case EColumnType::Binary:
            return out.SetBytes(EValueKind::Binary, bytes);
        case EColumnType::SqlVariant:
            return out.SetKind(EValueKind::Null);
        case EColumnType::Decimal: {
            if (bytes.empty())
                return out.SetKind(EValueKind::Corrupt);
            // First byte: the sign (0 is negative); then the magnitude, little-endian.
            unsigned __int128 nMagnitude = 0;
            std::size_t nBytes = std::min<std::size_t>(bytes.size() - 1, 16);
            for (std::size_t i = nBytes; i-- > 0;)
                nMagnitude = (nMagnitude << 8) | static_cast<std::uint8_t>(bytes[1 + i]);
            return out.SetDecimal(bytes[0] == std::byte{0}, nMagnitude, column.m_nPrecision,
                                  column.m_nScale);
        }
        case EColumnType::Money:
        case EColumnType::SmallMoney: {
            std::int64_t n = eType == EColumnType::Money ? *view.I64(0) : *view.I32(0);
            std::uint8_t nPrecision = column.m_nPrecision;
            std::uint8_t nScale = column.m_nScale;
            if (nPrecision == 0 && nScale == 0) {  // a catalog without them: the types' own
                nPrecision = eType == EColumnType::Money ? 19 : 10;
                nScale = 4;
            }
            return out.SetMoney(n, nPrecision, nScale);
        }
        case EColumnType::Guid:
            return out.SetBytes(EValueKind::Guid, bytes);
        case EColumnType::Date:
            return Date(bytes, out);
        case EColumnType::Time:
            return Time(bytes, column.m_nScale, out);
        case EColumnType::DateTime2:
            return DateTime2(bytes, column.m_nScale, out);
        case EColumnType::DateTimeOffset:
            return DateTimeOffset(bytes, column.m_nScale, out);
        case EColumnType::Clr:
            return out.SetBytes(EValueKind::Binary, bytes, true);
        case EColumnType::TinyInt:
            return out.SetInteger(*view.U8(0));
        case EColumnType::SmallInt:
            return out.SetInteger(*view.I16(0));
        default:
            if (bytes.empty())
                return out.SetInteger(0);
            return out.SetInteger(
                SignedLittleEndian(bytes, std::min<std::size_t>(bytes.size(), 4)));
    }
}

namespace {
constexpr std::size_t kDateBytes = 3;
constexpr std::size_t kOffsetBytes = 2;
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t PowerOf10(int n) {
    std::int64_t nValue = 1;
    while (n-- > 0)
        nValue *= 10;
    return nValue;
}

std::optional<std::int32_t> Days(std::span<const std::byte> bytes) {
    if (bytes.size() != kDateBytes)
        return std::nullopt;
    const auto nDays = static_cast<std::int32_t>(CByteView(bytes).Load(0, kDateBytes));
    if (nDays > CValueDecoder::kMaxDays)
        return std::nullopt;
    return nDays;
}

std::optional<std::int64_t> TimeUnits(std::span<const std::byte> bytes, int nScale) {
    if (nScale < 0 || nScale > CValueDecoder::kMaxScale ||
        bytes.size() != CValueDecoder::TimeBytes(nScale))
        return std::nullopt;
    const auto nUnits = static_cast<std::int64_t>(CByteView(bytes).Load(0, bytes.size()));
    if (nUnits >= kSecondsPerDay * PowerOf10(nScale))
        return std::nullopt;
    return nUnits;
}
}  // namespace

std::size_t CValueDecoder::TimeBytes(int nScale) {
    if (nScale <= 2)
        return 3;
    if (nScale <= 4)
        return 4;
    return 5;
}

void CValueDecoder::Date(std::span<const std::byte> bytes, CTypedValue& out) {
    if (auto nDays = Days(bytes))
        return out.SetDate(*nDays);
    out.SetKind(EValueKind::Corrupt);
}

void CValueDecoder::Time(std::span<const std::byte> bytes, int nScale, CTypedValue& out) {
    if (auto nUnits = TimeUnits(bytes, nScale))
        return out.SetTime(*nUnits, static_cast<std::uint8_t>(nScale));
    out.SetKind(EValueKind::Corrupt);
}

void CValueDecoder::DateTime2(std::span<const std::byte> bytes, int nScale, CTypedValue& out) {
    out.SetKind(EValueKind::Corrupt);
    if (bytes.size() < kDateBytes)
        return;
    const std::size_t nTime = bytes.size() - kDateBytes;
    auto nUnits = TimeUnits(bytes.first(nTime), nScale);
    auto nDays = Days(bytes.subspan(nTime));
    if (nUnits && nDays)
        out.SetDateTime2(*nDays, *nUnits, static_cast<std::uint8_t>(nScale));
}

void CValueDecoder::DateTimeOffset(std::span<const std::byte> bytes, int nScale, CTypedValue& out) {
    out.SetKind(EValueKind::Corrupt);
    if (bytes.size() < kDateBytes + kOffsetBytes)
        return;
    const std::size_t nTime = bytes.size() - kDateBytes - kOffsetBytes;
    auto nUnits = TimeUnits(bytes.first(nTime), nScale);
    auto nDays = Days(bytes.subspan(nTime, kDateBytes));
    auto nOffset = CByteView(bytes).I16(nTime + kDateBytes);
    if (!nUnits || !nDays || !nOffset || *nOffset > kMaxOffsetMinutes ||
        *nOffset < -kMaxOffsetMinutes)
        return;
    // Stored in UTC; the local time of the offset must stay within the years 1 to 9999.
    const std::int64_t nPerSecond = PowerOf10(nScale);
    const std::int64_t nPerDay = kSecondsPerDay * nPerSecond;
    const std::int64_t nLocal =
        std::int64_t{*nDays} * nPerDay + *nUnits + std::int64_t{*nOffset} * 60 * nPerSecond;
    if (nLocal < 0 || nLocal / nPerDay > kMaxDays)
        return;
    out.SetDateTimeOffset(*nDays, *nUnits, static_cast<std::uint8_t>(nScale), *nOffset);
}

void CValueDecoder::InRow(EColumnType eType, std::span<const std::byte> bytes, CTypedValue& out) {
    switch (eType) {
        case EColumnType::Varchar:
            return SetNarrowText(bytes, out);
        case EColumnType::NVarchar:
        case EColumnType::NText:
            return out.SetBytes(EValueKind::UnicodeText, bytes, true);
        default:
            // Binary values, and text stored where only a pointer belongs: the formatters decide
            // by the column type how such bytes are shown.
            return out.SetBytes(EValueKind::Binary, bytes, true);
    }
}

bool CValueDecoder::ReadsPointer(EColumnType eType, bool bFollowBinary) {
    return bFollowBinary || (eType != EColumnType::VarBinary && eType != EColumnType::Image);
}

void CValueDecoder::FromPointer(EColumnType eType, std::span<const std::byte> bytes,
                                CTypedValue& out) {
    if (eType == EColumnType::Text || eType == EColumnType::Varchar) {
        // Text pages hold 8-bit text; zero bytes are padding.
        std::size_t nLength = 0;
        for (std::byte b : bytes)
            nLength += b != std::byte{0};
        if (nLength == 0)
            return out.SetKind(EValueKind::Missing, true);
        out.SetKind(EValueKind::Text);
        out.m_strBytes.clear();
        out.m_strBytes.reserve(nLength);
        for (std::byte b : bytes) {
            if (b != std::byte{0})
                out.m_strBytes.push_back(static_cast<char>(b));
        }
        return;
    }
    if (bytes.empty()) {
        // Nothing came back: a damaged chain as likely as an empty value, except for image
        // values, which have always been written as an empty binary.
        if (eType == EColumnType::Image)
            return out.SetKind(EValueKind::EmptyString);
        return out.SetKind(EValueKind::Missing, true);
    }
    if (eType == EColumnType::NText || eType == EColumnType::NVarchar) {
        out.SetBytes(EValueKind::UnicodeText, bytes);
        // Narrowed for the grid it may still come out empty; it then counts as missing there.
        out.m_bDefaultable = true;
        return;
    }
    out.SetBytes(EValueKind::Binary, bytes);
}
