// engine/records/CTypedValue.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/Export.h"

// What a decoded column value is. The first six kinds are markers (nothing usable was stored);
// the others carry the stored value, decoded once. Every front end gets the kind with the value,
// so a stored string that reads "NULL" is never taken for a NULL.
enum class EValueKind : std::uint8_t {
    Null,            // NULL in the row (bitmap, a column the row does not store, no variable block)
    Missing,         // nothing could be read (an unreadable text pointer, a column beyond the row)
    EmptyString,     // a stored zero-length value
    Corrupt,         // the stored length or offset is impossible
    Formula,         // computed column: nothing stored
    Deleted,         // column marked deleted (dropped)
    NotDecoded,      // stored in a form no reader here decodes (binary XML, sparse vector)
    Integer,         // tinyint, smallint, int, bigint, bit
    Real,            // 4-byte IEEE single, kept as its bit pattern
    Float,           // 8-byte IEEE double
    Decimal,         // decimal, numeric: sign, magnitude, precision and scale
    Money,           // money, smallmoney: signed units of 1/10^scale
    Datetime,        // days since 1900-01-01 and 1/300-second ticks
    SmallDatetime,   // days since 1900-01-01 and minutes
    Guid,            // the 16 bytes as stored
    Binary,          // bytes: binary, varbinary, image, timestamp and values only shown as hex
    Text,            // 8-bit text (code page text of char, varchar and text columns)
    UnicodeText,     // UTF-16LE bytes as stored
    LargeValue,      // a value behind a text pointer that was not read (binary values in the grid)
    Date,            // days since 0001-01-01
    Time,            // units of 10^-scale seconds since midnight
    DateTime2,       // days since 0001-01-01 and time units
    DateTimeOffset,  // UTC days and time units, and the offset of the local time in minutes
};

// True for the kinds that carry no stored value.
constexpr bool IsMarker(EValueKind eKind) {
    return eKind <= EValueKind::NotDecoded;
}

// One decoded column value. Which members hold the value depends on the kind; the byte buffer is
// kept when a value is reused row after row, so a walk allocates nothing once it has warmed up.
class AMBERMILL_API CTypedValue {
  public:
    void SetKind(EValueKind eKind, bool bDefaultable = false) {
        m_eKind = eKind;
        m_bDefaultable = bDefaultable;
        m_bInRow = false;
    }
    void SetInteger(std::int64_t nValue) {
        SetKind(EValueKind::Integer);
        m_nInteger = nValue;
    }
    void SetReal(std::uint32_t nBits) {
        SetKind(EValueKind::Real);
        m_nInteger = nBits;
    }
    void SetFloat(double dValue) {
        SetKind(EValueKind::Float);
        m_dFloat = dValue;
    }
    void SetDecimal(bool bNegative, unsigned __int128 nMagnitude, std::uint8_t nPrecision,
                    std::uint8_t nScale) {
        SetKind(EValueKind::Decimal);
        m_bNegative = bNegative;
        m_nMagnitude = nMagnitude;
        m_nPrecision = nPrecision;
        m_nScale = nScale;
    }
    void SetMoney(std::int64_t nUnits, std::uint8_t nPrecision, std::uint8_t nScale) {
        SetKind(EValueKind::Money);
        m_nInteger = nUnits;
        m_nPrecision = nPrecision;
        m_nScale = nScale;
    }
    void SetDatetime(std::int32_t nDays, std::int32_t nTicks) {
        SetKind(EValueKind::Datetime);
        m_nInteger = nDays;
        m_nTime = nTicks;
    }
    void SetSmallDatetime(std::uint16_t nDays, std::uint16_t nMinutes) {
        SetKind(EValueKind::SmallDatetime);
        m_nInteger = nDays;
        m_nTime = nMinutes;
    }
    void SetDate(std::int32_t nDays) {
        SetKind(EValueKind::Date);
        m_nInteger = nDays;
    }
    void SetTime(std::int64_t nUnits, std::uint8_t nScale) {
        SetKind(EValueKind::Time);
        m_nUnits = nUnits;
        m_nScale = nScale;
    }
    void SetDateTime2(std::int32_t nDays, std::int64_t nUnits, std::uint8_t nScale) {
        SetKind(EValueKind::DateTime2);
        m_nInteger = nDays;
        m_nUnits = nUnits;
        m_nScale = nScale;
    }
    // nDays and nUnits in UTC; the text shows the local time of the offset.
    void SetDateTimeOffset(std::int32_t nDays, std::int64_t nUnits, std::uint8_t nScale,
                           std::int16_t nOffsetMinutes) {
        SetDateTime2(nDays, nUnits, nScale);
        m_eKind = EValueKind::DateTimeOffset;
        m_nOffsetMinutes = nOffsetMinutes;
    }
    // Guid, Binary, Text or UnicodeText from stored bytes.
    void SetBytes(EValueKind eKind, std::span<const std::byte> bytes, bool bInRow = false) {
        SetKind(eKind);
        m_bInRow = bInRow;
        m_strBytes.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    std::span<const std::byte> Bytes() const {
        return {reinterpret_cast<const std::byte*>(m_strBytes.data()), m_strBytes.size()};
    }
    std::string_view TextView() const { return m_strBytes; }
    bool IsMarker() const { return ::IsMarker(m_eKind); }

    EValueKind m_eKind = EValueKind::Null;
    // A NULL or missing value (or a text-pointer value that turns out empty) that the grid shows
    // as the column's default text when the column has one.
    bool m_bDefaultable = false;
    // The bytes came from the row's variable block (not a fixed column, not a text pointer).
    bool m_bInRow = false;
    bool m_bNegative = false;  // Decimal
    std::uint8_t m_nPrecision = 0;
    std::uint8_t m_nScale = 0;          // Decimal, Money; fractional digits of the 2008 times
    std::int16_t m_nOffsetMinutes = 0;  // DateTimeOffset
    std::int32_t m_nTime = 0;           // Datetime ticks, SmallDatetime minutes
    // Integer, Money units, Real bits, days of Datetime, SmallDatetime, Date, DateTime2 and
    // DateTimeOffset.
    std::int64_t m_nInteger = 0;
    std::int64_t m_nUnits = 0;  // time units of Time, DateTime2, DateTimeOffset
    double m_dFloat = 0;
    unsigned __int128 m_nMagnitude = 0;  // Decimal
    std::string m_strBytes;              // Guid, Binary, Text, UnicodeText
};
