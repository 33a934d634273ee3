// tests/engine/records/DateTime2008Test.cpp
// The date and time types of the 2008 format at their limits: decoded from their stored bytes,
// then as grid text, SQL literal and data text.
#include <gtest/gtest.h>

#include "engine/catalog/CColumnInfo.h"
#include "engine/records/CValueDecoder.h"
#include "engine/records/CValueFormat.h"

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
constexpr std::int32_t kMaxDays = CValueDecoder::kMaxDays;

// The grid text of bytes stored in a column of the type, or "corrupt".
std::string Grid(const char* szType, const std::vector<std::byte>& bytes, int nScale = 7) {
    CColumnInfo column;
    column.m_strType = szType;
    column.m_nScale = static_cast<std::uint8_t>(nScale);
    CTypedValue value;
    CValueDecoder::Fixed(CTypeTable::Classify(szType), bytes, column, value);
    if (value.m_eKind == EValueKind::Corrupt)
        return "corrupt";
    return CValueFormat::GridText(value, SColumnFormat::Of(column));
}
}  // namespace

TEST(DateTime2008, DatesFromTheFirstToTheLastDay) {
    EXPECT_EQ(Grid("date", Le(0, 3)), "0001-01-01");
    EXPECT_EQ(Grid("date", Le(k2008_01_31, 3)), "2008-01-31");
    EXPECT_EQ(Grid("date", Le(kMaxDays, 3)), "9999-12-31");
    EXPECT_EQ(Grid("date", Le(58, 3)), "0001-02-28");
    EXPECT_EQ(Grid("date", Le(730178, 3)), "2000-02-29");  // a 400-year leap day
    EXPECT_EQ(Grid("date", Le(kMaxDays + 1, 3)), "corrupt");
    EXPECT_EQ(Grid("date", Le(0, 2)), "corrupt");
}

TEST(DateTime2008, TimesAtEveryScale) {
    EXPECT_EQ(Grid("time", Le(kTime7, 5), 7), "13:45:10.1234567");
    EXPECT_EQ(Grid("time", Le(0, 5), 7), "00:00:00.0000000");
    EXPECT_EQ(Grid("time", Le(kLastUnit7, 5), 7), "23:59:59.9999999");
    EXPECT_EQ(Grid("time", Le(kLastUnit7 + 1, 5), 7), "corrupt");
    EXPECT_EQ(Grid("time", Le(86399, 3), 0), "23:59:59");
    EXPECT_EQ(Grid("time", Le(86399 * 100 + 5, 3), 2), "23:59:59.05");
    EXPECT_EQ(Grid("time", Le(49510123, 4), 3), "13:45:10.123");
    EXPECT_EQ(Grid("time", Le(495101234, 4), 4), "13:45:10.1234");
    // The stored size follows the scale.
    EXPECT_EQ(Grid("time", Le(1, 4), 7), "corrupt");
    EXPECT_EQ(Grid("time", Le(1, 5), 3), "corrupt");
    EXPECT_EQ(Grid("time", Le(1, 5), 8), "corrupt");
}

TEST(DateTime2008, DateTime2IsTimeThenDate) {
    EXPECT_EQ(Grid("datetime2", Join(Le(kTime7, 5), Le(k2008_01_31, 3)), 7),
              "2008-01-31 13:45:10.1234567");
    EXPECT_EQ(Grid("datetime2", Join(Le(0, 3), Le(0, 3)), 0), "0001-01-01 00:00:00");
    EXPECT_EQ(Grid("datetime2", Join(Le(kLastUnit7, 5), Le(kMaxDays, 3)), 7),
              "9999-12-31 23:59:59.9999999");
    EXPECT_EQ(Grid("datetime2", Join(Le(0, 5), Le(0, 3)), 3), "corrupt");
}

TEST(DateTime2008, DateTimeOffsetShowsLocalTimeWithItsOffset) {
    // Stored in UTC: 12:45:10.1234567 at +01:00 is 13:45:10.1234567 local.
    const std::uint64_t nUtc = kTime7 - 3600ull * 10000000;
    EXPECT_EQ(Grid("datetimeoffset", Join(Join(Le(nUtc, 5), Le(k2008_01_31, 3)), Le(60, 2)), 7),
              "2008-01-31 13:45:10.1234567 +01:00");
    // 02:00 UTC at -05:30 is the evening before.
    EXPECT_EQ(Grid("datetimeoffset",
                   Join(Join(Le(2 * 3600, 3), Le(k2008_01_31, 3)),
                        Le(static_cast<std::uint16_t>(-330), 2)),
                   0),
              "2008-01-30 20:30:00 -05:30");
    EXPECT_EQ(Grid("datetimeoffset", Join(Join(Le(0, 3), Le(0, 3)), Le(840, 2)), 0),
              "0001-01-01 14:00:00 +14:00");
    // Offsets beyond 14 hours, and local times before 0001-01-01 or after 9999-12-31.
    EXPECT_EQ(Grid("datetimeoffset", Join(Join(Le(0, 3), Le(k2008_01_31, 3)), Le(841, 2)), 0),
              "corrupt");
    EXPECT_EQ(Grid("datetimeoffset",
                   Join(Join(Le(0, 3), Le(0, 3)), Le(static_cast<std::uint16_t>(-60), 2)), 0),
              "corrupt");
    EXPECT_EQ(Grid("datetimeoffset", Join(Join(Le(86399, 3), Le(kMaxDays, 3)), Le(60, 2)), 0),
              "corrupt");
}

TEST(DateTime2008, LiteralsAndDataTextReadBackExactly) {
    CTypedValue value;
    CColumnInfo column;
    column.m_strType = "datetimeoffset";
    column.m_nScale = 7;
    const std::uint64_t nUtc = kTime7 - 3600ull * 10000000;
    CValueDecoder::Fixed(EColumnType::DateTimeOffset,
                         Join(Join(Le(nUtc, 5), Le(k2008_01_31, 3)), Le(60, 2)), column, value);
    std::string strLiteral;
    ASSERT_TRUE(CValueFormat::AppendSqlLiteral(value, SColumnFormat::Of(column), strLiteral));
    EXPECT_EQ(strLiteral, "'2008-01-31 13:45:10.1234567 +01:00'");
    std::string strData;
    EXPECT_EQ(CValueFormat::AppendDataText(value, EColumnType::DateTimeOffset, strData),
              EDataForm::PlainString);
    EXPECT_EQ(strData, "2008-01-31T13:45:10.1234567+01:00");

    column.m_strType = "date";
    CValueDecoder::Fixed(EColumnType::Date, Le(k2008_01_31, 3), column, value);
    strLiteral.clear();
    ASSERT_TRUE(CValueFormat::AppendSqlLiteral(value, SColumnFormat::Of(column), strLiteral));
    EXPECT_EQ(strLiteral, "'2008-01-31'");

    column.m_strType = "datetime2";
    column.m_nScale = 3;
    CValueDecoder::Fixed(EColumnType::DateTime2, Join(Le(49510123, 4), Le(k2008_01_31, 3)), column,
                         value);
    strData.clear();
    CValueFormat::AppendDataText(value, EColumnType::DateTime2, strData);
    EXPECT_EQ(strData, "2008-01-31T13:45:10.123");
}
