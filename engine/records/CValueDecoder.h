// engine/records/CValueDecoder.h
#pragma once

#include <cstddef>
#include <span>

#include "common/Export.h"
#include "engine/records/CTypeTable.h"
#include "engine/records/CTypedValue.h"

class CColumnInfo;

// Stored column bytes to typed values. Every value is decoded the same way whoever shows it; only
// whether a binary value behind a text pointer is read at all is the caller's choice.
class AMBERMILL_API CValueDecoder {
  public:
    // A non-NULL fixed-length value. bytes holds CTypeTable::FixedSize() bytes (for bit, the
    // byte the table's bit columns share).
    static void Fixed(EColumnType eType, std::span<const std::byte> bytes,
                      const CColumnInfo& column, CTypedValue& out);
    // The date and time types of the 2008 format, from their stored bytes and the column's
    // fractional digits (0 to 7): date (3 bytes of days since 0001-01-01), time(n) (3, 4 or 5
    // bytes of 10^-n s since midnight), datetime2(n) (time, then date) and datetimeoffset(n)
    // (time and date in UTC, then the offset in minutes). Bytes that cannot hold a valid value
    // (a wrong size, a date past 9999-12-31, a time past midnight, an offset beyond 14 hours, a
    // local time outside the years 1 to 9999) give Corrupt.
    static void Date(std::span<const std::byte> bytes, CTypedValue& out);
    static void Time(std::span<const std::byte> bytes, int nScale, CTypedValue& out);
    static void DateTime2(std::span<const std::byte> bytes, int nScale, CTypedValue& out);
    static void DateTimeOffset(std::span<const std::byte> bytes, int nScale, CTypedValue& out);
    // Bytes a time(n) value occupies.
    static std::size_t TimeBytes(int nScale);
    static constexpr std::int32_t kMaxDays = 3652058;  // 9999-12-31, in days since 0001-01-01
    static constexpr int kMaxScale = 7;
    static constexpr int kMaxOffsetMinutes = 14 * 60;

    // A non-empty value stored in the row's variable block.
    static void InRow(EColumnType eType, std::span<const std::byte> bytes, CTypedValue& out);
    // A value read through a text pointer (bytes is empty when nothing could be read).
    static void FromPointer(EColumnType eType, std::span<const std::byte> bytes, CTypedValue& out);
    // Whether the value behind a text pointer is read: the grid shows varbinary and image values
    // as "<binary data>" and leaves them unread (bFollowBinary false).
    static bool ReadsPointer(EColumnType eType, bool bFollowBinary);
};
