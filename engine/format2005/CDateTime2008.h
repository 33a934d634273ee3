// engine/format2005/CDateTime2008.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace format2005 {

// Decoders of the date and time types SQL Server 2008 added. Each takes the stored bytes and the
// column's scale (fractional digits, 0..7) and gives a clear text, or std::nullopt when the bytes
// cannot hold a valid value (wrong size, a date past 9999-12-31, a time past midnight, an offset
// beyond 14 hours).
//   date            3 bytes: days since 0001-01-01                  2008-01-31
//   time(n)         3/4/5 bytes: units of 10^-n s since midnight   13:45:10.1234567
//   datetime2(n)    time(n) bytes, then a date                      2008-01-31 13:45:10.1234567
//   datetimeoffset  time(n) and date in UTC, then i16 minutes       2008-01-31 13:45:10.1234567
//   +01:00
class CDateTime2008 {
  public:
    static constexpr std::int32_t kMaxDays = 3652058;  // 9999-12-31
    static constexpr int kMaxScale = 7;
    static constexpr int kMaxOffsetMinutes = 14 * 60;

    // Bytes a time(n) value occupies.
    static std::size_t TimeBytes(int nScale);

    static std::optional<std::string> DateText(std::span<const std::byte> bytes);
    static std::optional<std::string> TimeText(std::span<const std::byte> bytes, int nScale);
    static std::optional<std::string> DateTime2Text(std::span<const std::byte> bytes, int nScale);
    static std::optional<std::string> DateTimeOffsetText(std::span<const std::byte> bytes,
                                                         int nScale);

    // The civil date of a day count since 0001-01-01.
    static void CivilDate(std::int32_t nDays, int& nYear, int& nMonth, int& nDay);

  private:
    static std::string FormatDate(std::int32_t nDays);
    // nUnits of 10^-nScale s since midnight as hh:mm:ss[.f...].
    static std::string FormatTime(std::uint64_t nUnits, int nScale);
};

}  // namespace format2005
