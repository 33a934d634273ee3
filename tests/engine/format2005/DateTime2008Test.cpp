// tests/engine/format2005/DateTime2008Test.cpp
// The date and time types of SQL Server 2008 at their limits.
#include <gtest/gtest.h>

#include "engine/format2005/CDateTime2008.h"
#include "fixtures/LittleEndian.h"

using format2005::CDateTime2008;

namespace {
// nValue as nBytes little-endian bytes.
std::vector<std::byte> Le(std::uint64_t nValue, std::size_t nBytes) {
    std::vector<std::byte> vecBytes;
    for (std::size_t i = 0; i < nBytes; ++i, nValue >>= 8)
        vecBytes.push_back(static_cast<std::byte>(nValue & 0xFF));
    return vecBytes;
}

std::vector<std::byte> Join(std::vector<std::byte> a, const std::vector<std::byte>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr std::uint32_t k2008_01_31 = 733071;  // days from 0001-01-01
// 13:45:10.1234567 in units of 100 ns.
constexpr std::uint64_t kTime7 = (13ull * 3600 + 45 * 60 + 10) * 10000000 + 1234567;
constexpr std::uint64_t kLastUnit7 = 86400ull * 10000000 - 1;
}  // namespace

TEST(DateTime2008, DatesFromTheFirstToTheLastDay) {
    EXPECT_EQ(CDateTime2008::DateText(Le(0, 3)), "0001-01-01");
    EXPECT_EQ(CDateTime2008::DateText(Le(k2008_01_31, 3)), "2008-01-31");
    EXPECT_EQ(CDateTime2008::DateText(Le(CDateTime2008::kMaxDays, 3)), "9999-12-31");
    EXPECT_EQ(CDateTime2008::DateText(Le(58, 3)), "0001-02-28");
    EXPECT_EQ(CDateTime2008::DateText(Le(730178, 3)), "2000-02-29");  // a 400-year leap day
    EXPECT_FALSE(CDateTime2008::DateText(Le(CDateTime2008::kMaxDays + 1, 3)));
    EXPECT_FALSE(CDateTime2008::DateText(Le(0, 2)));
}

TEST(DateTime2008, TimesAtEveryStorageSize) {
    EXPECT_EQ(CDateTime2008::TimeText(Le(kTime7, 5), 7), "13:45:10.1234567");
    EXPECT_EQ(CDateTime2008::TimeText(Le(0, 5), 7), "00:00:00.0000000");
    EXPECT_EQ(CDateTime2008::TimeText(Le(kLastUnit7, 5), 7), "23:59:59.9999999");
    EXPECT_FALSE(CDateTime2008::TimeText(Le(kLastUnit7 + 1, 5), 7));
    EXPECT_EQ(CDateTime2008::TimeText(Le(86399, 3), 0), "23:59:59");
    EXPECT_EQ(CDateTime2008::TimeText(Le(86399 * 100 + 5, 3), 2), "23:59:59.05");
    EXPECT_EQ(CDateTime2008::TimeText(Le(49510123, 4), 3), "13:45:10.123");
    EXPECT_EQ(CDateTime2008::TimeText(Le(495101234, 4), 4), "13:45:10.1234");
    // The byte count must fit the scale: time(7) is five bytes, time(3) four.
    EXPECT_FALSE(CDateTime2008::TimeText(Le(1, 4), 7));
    EXPECT_FALSE(CDateTime2008::TimeText(Le(1, 5), 3));
    EXPECT_FALSE(CDateTime2008::TimeText(Le(1, 5), 8));
}

TEST(DateTime2008, DateTime2JoinsTimeAndDate) {
    EXPECT_EQ(CDateTime2008::DateTime2Text(Join(Le(kTime7, 5), Le(k2008_01_31, 3)), 7),
              "2008-01-31 13:45:10.1234567");
    EXPECT_EQ(CDateTime2008::DateTime2Text(Join(Le(0, 3), Le(0, 3)), 0), "0001-01-01 00:00:00");
    EXPECT_EQ(
        CDateTime2008::DateTime2Text(Join(Le(kLastUnit7, 5), Le(CDateTime2008::kMaxDays, 3)), 7),
        "9999-12-31 23:59:59.9999999");
    EXPECT_FALSE(CDateTime2008::DateTime2Text(Join(Le(0, 5), Le(0, 3)), 3));
}

TEST(DateTime2008, DateTimeOffsetShowsLocalTimeWithItsOffset) {
    // Stored in UTC: 12:45:10.1234567 at +01:00 is 13:45:10.1234567 local.
    const std::uint64_t nUtc = kTime7 - 3600ull * 10000000;
    EXPECT_EQ(CDateTime2008::DateTimeOffsetText(
                  Join(Join(Le(nUtc, 5), Le(k2008_01_31, 3)), Le(60, 2)), 7),
              "2008-01-31 13:45:10.1234567 +01:00");
    // 02:00 UTC at -05:30 is the evening before.
    EXPECT_EQ(CDateTime2008::DateTimeOffsetText(Join(Join(Le(2 * 3600, 3), Le(k2008_01_31, 3)),
                                                     Le(static_cast<std::uint16_t>(-330), 2)),
                                                0),
              "2008-01-30 20:30:00 -05:30");
    EXPECT_EQ(CDateTime2008::DateTimeOffsetText(
                  Join(Join(Le(0, 3), Le(0, 3)), Le(static_cast<std::uint16_t>(840), 2)), 0),
              "0001-01-01 14:00:00 +14:00");
    // Offsets beyond 14 hours, and local times before 0001-01-01 or after 9999-12-31.
    EXPECT_FALSE(
        CDateTime2008::DateTimeOffsetText(Join(Join(Le(0, 3), Le(k2008_01_31, 3)), Le(841, 2)), 0));
    EXPECT_FALSE(CDateTime2008::DateTimeOffsetText(
        Join(Join(Le(0, 3), Le(0, 3)), Le(static_cast<std::uint16_t>(-60), 2)), 0));
    EXPECT_FALSE(CDateTime2008::DateTimeOffsetText(
        Join(Join(Le(86399, 3), Le(CDateTime2008::kMaxDays, 3)), Le(60, 2)), 0));
}
