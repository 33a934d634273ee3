// tests/engine/records/ValueRenderingTest.cpp
// The texts stored values become in the grid and in INSERT statements.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "engine/catalog/CTable.h"
#include "engine/records/CInsertStatementBuilder.h"
#include "engine/records/CValueRenderer.h"
#include "engine/records/RealFormat.h"
#include "fixtures/ValueEncoding.h"

using namespace fixtures;

namespace {
CColumnInfo Column(const std::string& strType, std::uint16_t nLength = 0,
                   std::uint8_t nPrecision = 0, std::uint8_t nScale = 0) {
    CColumnInfo column;
    column.m_strName = "c";
    column.m_strType = strType;
    column.m_nLength = nLength;
    column.m_nPrecision = nPrecision;
    column.m_nScale = nScale;
    return column;
}

std::string Grid(const std::string& strType, const Bytes& bytes, std::uint8_t nPrecision = 0,
                 std::uint8_t nScale = 0) {
    auto column = Column(strType, static_cast<std::uint16_t>(bytes.size()), nPrecision, nScale);
    return CValueRenderer::RenderFixed(CValueRenderer::Classify(strType), bytes, column, false)
        .m_strText;
}

std::string Literal(const std::string& strType, const Bytes& bytes, std::uint8_t nPrecision = 0,
                    std::uint8_t nScale = 0) {
    auto column = Column(strType, static_cast<std::uint16_t>(bytes.size()), nPrecision, nScale);
    return CValueRenderer::RenderFixed(CValueRenderer::Classify(strType), bytes, column, true)
        .m_strText;
}

double ParseDouble(const std::string& strText) {
    double d = 0;
    std::from_chars(strText.data(), strText.data() + strText.size(), d);
    return d;
}
}  // namespace

TEST(RealFormat, PrintsThreeDigitExponentsAndSmallValues) {
    EXPECT_EQ(FormatRealBits(0x3FC00000), "1.500000e+000");
    EXPECT_EQ(FormatRealBits(0xBF800000), "-1.000000e+000");
    EXPECT_EQ(FormatRealBits(0), "0.000000e+000");
    EXPECT_EQ(FormatRealBits(0x7F7FFFFF), "3.402823e+038");
    // Patterns below 0x10000000 are tiny values, not zero.
    EXPECT_EQ(FormatRealBits(0x0A000000), "6.162976e-033");
    EXPECT_EQ(FormatRealBits(0x00000001), "1.401298e-045") << "smallest denormal";
    EXPECT_EQ(FormatExponent3(1e-300), "1.000000e-300");
    EXPECT_EQ(FormatRealBits(0x7F800000), "inf");
}

TEST(RealFormat, LiteralsReadBackToTheSameValue) {
    for (std::uint32_t nBits : {0x3DCCCCCDu, 0x3F800001u, 0x00000001u, 0xFF7FFFFFu, 0x0A000000u}) {
        std::string strText = RealLiteral(nBits);
        float f = 0;
        std::from_chars(strText.data(), strText.data() + strText.size(), f);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(f), nBits) << strText;
    }
    for (double d :
         {0.1, 1.0 / 3.0, -2.5e-308, std::numeric_limits<double>::max(), 3.14159265358979}) {
        EXPECT_EQ(ParseDouble(FloatLiteral(d)), d) << FloatLiteral(d);
    }
}

TEST(ValueRendering, IntegersAtTheirLimits) {
    EXPECT_EQ(Grid("tinyint", EncodeTinyInt(255)), "255");
    EXPECT_EQ(Grid("tinyint", EncodeTinyInt(0)), "0");
    EXPECT_EQ(Grid("smallint", EncodeInt16(-32768)), "-32768");
    EXPECT_EQ(Grid("smallint", EncodeInt16(32767)), "32767");
    EXPECT_EQ(Grid("int", EncodeInt32(std::numeric_limits<std::int32_t>::min())), "-2147483648");
    EXPECT_EQ(Grid("int", EncodeInt32(2147483647)), "2147483647");
    EXPECT_EQ(Grid("bigint", EncodeInt64(std::numeric_limits<std::int64_t>::min())),
              "-9223372036854775808");
    EXPECT_EQ(Literal("bigint", EncodeInt64(std::numeric_limits<std::int64_t>::max())),
              "9223372036854775807");
    EXPECT_EQ(Grid("bigint", EncodeInt64(-1)), "-1");
}

TEST(ValueRendering, FloatingPointGridAndLiteral) {
    EXPECT_EQ(Grid("real", EncodeReal(1.5f)), "1.500000e+000");
    EXPECT_EQ(Literal("real", EncodeReal(1.5f)), "1.5e+00");
    EXPECT_EQ(Grid("float", EncodeFloat(3.14159265358979)), "3.141593");
    EXPECT_EQ(Grid("float", EncodeFloat(-0.5)), "-0.500000");
    EXPECT_EQ(ParseDouble(Literal("float", EncodeFloat(0.1))), 0.1)
        << "%lf would have written 0.100000";
    EXPECT_EQ(ParseDouble(Literal("float", EncodeFloat(1e-10))), 1e-10)
        << "%lf would have written 0.000000";
}

TEST(ValueRendering, FixedPointKeepsLeadingZerosAndSign) {
    EXPECT_EQ(Grid("money", EncodeMoney(-15000), 19, 4), "-000000000000001.5000");
    EXPECT_EQ(Grid("money", EncodeMoney(123400), 19, 4), "000000000000012.3400");
    EXPECT_EQ(Grid("money", EncodeMoney(0), 19, 4), "000000000000000.0000");
    EXPECT_EQ(Grid("money", EncodeMoney(std::numeric_limits<std::int64_t>::min()), 19, 4),
              "-922337203685477.5808");
    EXPECT_EQ(Grid("smallmoney", EncodeSmallMoney(-15000), 10, 4), "-000001.5000");
    EXPECT_EQ(Grid("decimal", EncodeDecimal(true, std::uint64_t{99999}, 5), 5, 2), "-999.99");
    EXPECT_EQ(Grid("numeric", EncodeDecimal(false, std::uint64_t{12345}, 5), 5, 0), "12345");
    EXPECT_EQ(Grid("decimal", EncodeDecimal(false, std::uint64_t{5}, 5), 3, 1), "00.5");
    // Above 18 digits the magnitude needs more than 64 bits.
    unsigned __int128 nBig =
        static_cast<unsigned __int128>(std::uint64_t{10000000000000000000u}) * 10000000000u;
    EXPECT_EQ(Literal("decimal", EncodeDecimal(false, nBig, 17), 31, 0),
              "0100000000000000000000000000000");
    unsigned __int128 nMax38 = 0;
    for (int i = 0; i < 38; ++i)
        nMax38 = nMax38 * 10 + 9;
    EXPECT_EQ(Literal("numeric", EncodeDecimal(true, nMax38, 17), 38, 10),
              "-9999999999999999999999999999.9999999999");
}

TEST(ValueRendering, DatesAndTimes) {
    EXPECT_EQ(Grid("datetime", EncodeDatetime(0, 0)), "1900-01-01 0:00:00");
    EXPECT_EQ(Grid("datetime", EncodeDatetime(0, 299)), "1900-01-01 0:00:00")
        << "the fraction is dropped";
    EXPECT_EQ(Literal("datetime", EncodeDatetime(0, 299)), "1900-01-01 0:00:00.997");
    EXPECT_EQ(Grid("datetime", EncodeDatetime(2009, 3, 5, 14, 7, 9, 123)), "2009-03-05 14:07:09");
    EXPECT_EQ(Literal("datetime", EncodeDatetime(2009, 3, 5, 14, 7, 9, 123)),
              "2009-03-05 14:07:09.123");
    EXPECT_EQ(Grid("datetime", EncodeDatetime(DaysSince1900(1753, 1, 1), 0)), "1753-01-01 0:00:00");
    EXPECT_EQ(Literal("datetime", EncodeDatetime(DaysSince1900(9999, 12, 31), 25919999)),
              "9999-12-31 23:59:59.997");
    EXPECT_EQ(Grid("smalldatetime", EncodeSmallDatetime(0, 0)), "1900-01-01 0:00:00");
    EXPECT_EQ(
        Grid("smalldatetime",
             EncodeSmallDatetime(static_cast<std::uint16_t>(DaysSince1900(2004, 2, 29)), 750)),
        "2004-02-29 12:30:00")
        << "the stored time, not always 12:00:00";
    EXPECT_EQ(Grid("smalldatetime", EncodeSmallDatetime(65535, 1439)), "2079-06-06 23:59:00");
    EXPECT_EQ(Literal("smalldatetime", EncodeSmallDatetime(0x02ee, 0x949c)), "02ee949c")
        << "bytes reversed";
}

TEST(ValueRendering, CharactersBinaryAndGuid) {
    EXPECT_EQ(Grid("char", EncodeChar("abc", 5)), "abc  ");
    auto empty = CValueRenderer::RenderFixed(EColumnType::Char, Bytes(3, std::byte{0}),
                                             Column("char", 3), false);
    EXPECT_EQ(empty.m_strText, "Empty");
    EXPECT_EQ(empty.m_eKind, EValueKind::EmptyString);
    EXPECT_EQ(Grid("nchar", EncodeNChar(u"nc", 6)), "nc ");
    EXPECT_EQ(Literal("nchar", EncodeNChar(u"A", 2)), "4100");
    EXPECT_EQ(Grid("nchar", EncodeNChar(u"\u0391", 2)), "?????");
    EXPECT_EQ(Grid("nchar", EncodeNChar(u"abc\u0391", 8)), "?????") << "every character is tested";
    EXPECT_EQ(Grid("binary", EncodeBinary(ToBytes("\xde\xad"), 4)), "0xdead0000");
    // Stored with the first three groups little-endian.
    EXPECT_EQ(
        Grid("uniqueidentifier", EncodeGuid({0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88,
                                             0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF})),
        "{00112233-4455-6677-8899-AABBCCDDEEFF}");
    EXPECT_EQ(Grid("timestamp", Bytes(8, std::byte{1})), "<binary data>");
    EXPECT_EQ(
        CValueRenderer::RenderFixed(EColumnType::Timestamp, Bytes(8), Column("timestamp"), true)
            .m_eKind,
        EValueKind::Null);
    auto bits = Bytes{std::byte{0x05}};
    auto column = Column("bit", 1);
    column.m_nBitPos = 2;
    EXPECT_EQ(CValueRenderer::RenderFixed(EColumnType::Bit, bits, column, false).m_strText, "1");
    column.m_nBitPos = 1;
    EXPECT_EQ(CValueRenderer::RenderFixed(EColumnType::Bit, bits, column, false).m_strText, "0");
}

TEST(ValueRendering, VariableValuesInTheRow) {
    auto grid = [](EColumnType e, const Bytes& b) {
        return CValueRenderer::RenderInRow(e, b, false).m_strText;
    };
    auto literal = [](EColumnType e, const Bytes& b) {
        return CValueRenderer::RenderInRow(e, b, true).m_strText;
    };
    EXPECT_EQ(grid(EColumnType::NVarchar, EncodeNVarchar(u"AB")), "AB");
    EXPECT_EQ(literal(EColumnType::NVarchar, EncodeNVarchar(u"AB")), "41004200");
    EXPECT_EQ(grid(EColumnType::NVarchar, EncodeNVarchar(u"abcd\u0391")), "?????")
        << "a Greek letter past the third";
    EXPECT_EQ(grid(EColumnType::Varchar, ToBytes("a\x01\x02z")), "az");
    EXPECT_EQ(literal(EColumnType::Varchar, ToBytes("O'Brien")), "O'Brien");
    EXPECT_EQ(grid(EColumnType::VarBinary, ToBytes("\xde\xad\xbe\xef")), "?????");
    EXPECT_EQ(literal(EColumnType::VarBinary, ToBytes("\xde\xad\xbe\xef")), "deadbeef");
    EXPECT_EQ(CValueRenderer::RenderInRow(EColumnType::Varchar, ToBytes("\x01"), true).m_eKind,
              EValueKind::EmptyString);
}

TEST(ValueRendering, ValuesBehindTextPointers) {
    auto text = [](EColumnType e, const Bytes& b, bool bStatement) {
        return CValueRenderer::RenderFromPointer(e, b, bStatement);
    };
    EXPECT_EQ(text(EColumnType::Image, ToBytes("\x01"), false).m_strText, "<binary data>");
    EXPECT_FALSE(CValueRenderer::ReadsPointer(EColumnType::Image, false));
    EXPECT_EQ(text(EColumnType::Image, ToBytes("\x01\xff"), true).m_strText, "01ff");
    EXPECT_EQ(text(EColumnType::NText, EncodeNVarchar(u"\u0391\u0392"), false).m_strText, "?????");
    EXPECT_EQ(text(EColumnType::NText, EncodeNVarchar(u"Hi"), false).m_strText, "Hi");
    EXPECT_EQ(text(EColumnType::Text, ToBytes("plain"), true).m_strText, "plain");
    EXPECT_EQ(text(EColumnType::Text, {}, false).m_eKind, EValueKind::Missing);
    EXPECT_EQ(text(EColumnType::Image, {}, true).m_eKind, EValueKind::EmptyString)
        << "written as 0x";
}

namespace {
CTable ShowcaseTable() {
    CTable table;
    table.m_strName = "T]x";
    auto add = [&](const std::string& strName, const std::string& strType, std::uint16_t nLength,
                   bool bNullable) {
        CColumnInfo column = Column(strType, nLength);
        column.m_strName = strName;
        column.m_bNullable = bNullable;
        table.m_vecColumns.push_back(column);
    };
    add("i", "int", 4, true);
    add("v", "varchar", 50, false);
    add("n", "nvarchar", 100, true);
    add("d", "datetime", 8, true);
    add("s", "smalldatetime", 4, true);
    add("b", "varbinary", 10, true);
    add("g", "image", 16, true);
    add("t", "ntext", 16, true);
    add("c]", "nchar", 20, true);
    return table;
}
}  // namespace

TEST(InsertStatement, LiteralsByTypeAndExactStatementText) {
    CTable table = ShowcaseTable();
    std::vector<CFieldValue> vecValues = {
        {"7", EValueKind::Value},        {"O'Brien", EValueKind::Value},
        {"41004200", EValueKind::Value}, {"2009-03-05 14:07:09.123", EValueKind::Value},
        {"02ee949c", EValueKind::Value}, {"dead", EValueKind::Value},
        {"beef", EValueKind::Value},     {"4100", EValueKind::Value},
        {"4200", EValueKind::Value}};
    auto statement = CInsertStatementBuilder::Build(table, vecValues, false);
    EXPECT_EQ(
        statement.strText,
        "Insert into [T]]x] ([i],[v],[n],[d],[s],[b],[g],[t],[c]]])  values(7,'O''Brien',"
        "CONVERT(nvarchar(50),0x41004200),'2009-03-05 14:07:09.123',CONVERT(smalldatetime, "
        "0x02ee949c),"
        "0xdead,0xbeef,CONVERT(nvarchar(4000),0x4100),CONVERT(nvarchar(20),0x4200))\r\ngo\r\n");
    EXPECT_TRUE(
        CInsertStatementBuilder::Build(table, vecValues, true).strText.ends_with("0x4200));"));
}

TEST(InsertStatement, MarkersAreKindsNotTexts) {
    CTable table = ShowcaseTable();
    std::vector<CFieldValue> vecValues(table.m_vecColumns.size(), CFieldValue::Null());
    vecValues[1] = CFieldValue::Null();  // NOT NULL varchar
    auto statement = CInsertStatementBuilder::Build(table, vecValues, true);
    EXPECT_EQ(statement.strText, "Insert into [T]]x] ([v])  values('');")
        << "NULL int left out, NOT NULL varchar ''";

    // Stored strings that read like markers stay strings.
    vecValues[1] = {"NULL", EValueKind::Value};
    vecValues[0] = {"0", EValueKind::Value};
    EXPECT_EQ(CInsertStatementBuilder::Build(table, vecValues, true).strText,
              "Insert into [T]]x] ([i],[v])  values(0,'NULL');");
    vecValues[1] = {"Empty", EValueKind::Value};
    EXPECT_NE(CInsertStatementBuilder::Build(table, vecValues, true).strText.find("'Empty'"),
              std::string::npos);

    // An empty string is written, a NULL is left out.
    std::vector<CFieldValue> vecEmpty(table.m_vecColumns.size(), CFieldValue::Null());
    vecEmpty[1] = CFieldValue::EmptyString();
    vecEmpty[2] = CFieldValue::EmptyString();
    vecEmpty[5] = CFieldValue::EmptyString();
    EXPECT_EQ(CInsertStatementBuilder::Build(table, vecEmpty, true).strText,
              "Insert into [T]]x] ([v],[n],[b])  values('','',0x);");

    // Corrupt and unreadable values are left out like NULL; computed and dropped columns too.
    table.m_vecColumns[1].m_bNullable = true;
    std::vector<CFieldValue> vecNothing(table.m_vecColumns.size(), CFieldValue::Corrupt());
    vecNothing[3] = CFieldValue::Formula();
    vecNothing[4] = CFieldValue::Missing();
    EXPECT_EQ(CInsertStatementBuilder::Build(table, vecNothing, false).strText,
              "Insert into [T]]x] default values\r\ngo\r\n");
}
