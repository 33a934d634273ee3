// tests/engine/records/ValueRenderingTest.cpp
// The texts stored values become in the grid and in INSERT statements.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "engine/catalog/CTable.h"
#include "engine/records/CInsertStatementBuilder.h"
#include "engine/records/CValueDecoder.h"
#include "engine/records/CValueFormat.h"
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

// A stored fixed-length value decoded once, then formatted.
CTypedValue Fixed(const CColumnInfo& column, const Bytes& bytes) {
    CTypedValue value;
    CValueDecoder::Fixed(CTypeTable::Classify(column.m_strType), bytes, column, value);
    return value;
}

std::string Grid(const CColumnInfo& column, const Bytes& bytes) {
    return CValueFormat::GridText(Fixed(column, bytes), SColumnFormat::Of(column));
}

std::string Grid(const std::string& strType, const Bytes& bytes, std::uint8_t nPrecision = 0,
                 std::uint8_t nScale = 0) {
    return Grid(Column(strType, static_cast<std::uint16_t>(bytes.size()), nPrecision, nScale),
                bytes);
}

// The text an INSERT literal is made from.
std::string Literal(const std::string& strType, const Bytes& bytes, std::uint8_t nPrecision = 0,
                    std::uint8_t nScale = 0) {
    auto column = Column(strType, static_cast<std::uint16_t>(bytes.size()), nPrecision, nScale);
    return CValueFormat::SqlText(Fixed(column, bytes), CTypeTable::Classify(strType));
}

CTypedValue InRow(EColumnType eType, const Bytes& bytes) {
    CTypedValue value;
    CValueDecoder::InRow(eType, bytes, value);
    return value;
}

CTypedValue FromPointer(EColumnType eType, const Bytes& bytes) {
    CTypedValue value;
    CValueDecoder::FromPointer(eType, bytes, value);
    return value;
}

SColumnFormat Format(EColumnType eType) {
    SColumnFormat format;
    format.eType = eType;
    return format;
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
    auto empty = Fixed(Column("char", 3), Bytes(3, std::byte{0}));
    EXPECT_EQ(CValueFormat::GridText(empty, Format(EColumnType::Char)), "Empty");
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
    std::string strLiteral;
    EXPECT_FALSE(CValueFormat::AppendSqlLiteral(Fixed(Column("timestamp", 8), Bytes(8)),
                                                Format(EColumnType::Timestamp), strLiteral))
        << "a timestamp is left to the server, like NULL";
    auto bits = Bytes{std::byte{0x05}};
    auto column = Column("bit", 1);
    column.m_nBitPos = 2;
    EXPECT_EQ(Grid(column, bits), "1");
    column.m_nBitPos = 1;
    EXPECT_EQ(Grid(column, bits), "0");
}

TEST(ValueRendering, VariableValuesInTheRow) {
    auto grid = [](EColumnType e, const Bytes& b) {
        return CValueFormat::GridText(InRow(e, b), Format(e));
    };
    auto literal = [](EColumnType e, const Bytes& b) {
        return CValueFormat::SqlText(InRow(e, b), e);
    };
    EXPECT_EQ(grid(EColumnType::NVarchar, EncodeNVarchar(u"AB")), "AB");
    EXPECT_EQ(literal(EColumnType::NVarchar, EncodeNVarchar(u"AB")), "41004200");
    EXPECT_EQ(grid(EColumnType::NVarchar, EncodeNVarchar(u"abcd\u0391")), "?????")
        << "a Greek letter past the third";
    EXPECT_EQ(grid(EColumnType::Varchar, ToBytes("a\x01\x02z")), "az");
    EXPECT_EQ(literal(EColumnType::Varchar, ToBytes("O'Brien")), "O'Brien");
    EXPECT_EQ(grid(EColumnType::VarBinary, ToBytes("\xde\xad\xbe\xef")), "?????");
    EXPECT_EQ(literal(EColumnType::VarBinary, ToBytes("\xde\xad\xbe\xef")), "deadbeef");
    EXPECT_EQ(InRow(EColumnType::Varchar, ToBytes("\x01")).m_eKind, EValueKind::EmptyString);
}

TEST(ValueRendering, ValuesBehindTextPointers) {
    auto grid = [](EColumnType e, const Bytes& b) {
        return CValueFormat::GridText(FromPointer(e, b), Format(e));
    };
    auto literal = [](EColumnType e, const Bytes& b) {
        return CValueFormat::SqlText(FromPointer(e, b), e);
    };
    EXPECT_EQ(grid(EColumnType::Image, ToBytes("\x01")), "<binary data>");
    EXPECT_FALSE(CValueDecoder::ReadsPointer(EColumnType::Image, false));
    EXPECT_EQ(literal(EColumnType::Image, ToBytes("\x01\xff")), "01ff");
    EXPECT_EQ(grid(EColumnType::NText, EncodeNVarchar(u"\u0391\u0392")), "?????");
    EXPECT_EQ(grid(EColumnType::NText, EncodeNVarchar(u"Hi")), "Hi");
    EXPECT_EQ(literal(EColumnType::Text, ToBytes("plain")), "plain");
    EXPECT_EQ(FromPointer(EColumnType::Text, {}).m_eKind, EValueKind::Missing);
    EXPECT_EQ(FromPointer(EColumnType::Image, {}).m_eKind, EValueKind::EmptyString)
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

CTypedValue Marker(EValueKind eKind) {
    CTypedValue value;
    value.SetKind(eKind);
    return value;
}

CTypedValue Integer(std::int64_t n) {
    CTypedValue value;
    value.SetInteger(n);
    return value;
}

CTypedValue Stored(EValueKind eKind, const Bytes& bytes) {
    CTypedValue value;
    value.SetBytes(eKind, bytes);
    return value;
}

CTypedValue Text(const std::string& strText) {
    return Stored(EValueKind::Text, ToBytes(strText));
}

TEST(InsertStatement, LiteralsByTypeAndExactStatementText) {
    CTable table = ShowcaseTable();
    std::vector<CTypedValue> vecValues = {
        Integer(7),
        Text("O'Brien"),
        Stored(EValueKind::UnicodeText, EncodeNVarchar(u"AB")),
        Fixed(Column("datetime", 8), EncodeDatetime(2009, 3, 5, 14, 7, 9, 123)),
        Fixed(Column("smalldatetime", 4), EncodeSmallDatetime(0x02ee, 0x949c)),
        Stored(EValueKind::Binary, ToBytes("\xde\xad")),
        Stored(EValueKind::Binary, ToBytes("\xbe\xef")),
        Stored(EValueKind::UnicodeText, EncodeNVarchar(u"A")),
        Stored(EValueKind::UnicodeText, EncodeNVarchar(u"B"))};
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
    std::vector<CTypedValue> vecValues(table.m_vecColumns.size(), Marker(EValueKind::Null));
    vecValues[1] = Marker(EValueKind::Null);  // NOT NULL varchar
    auto statement = CInsertStatementBuilder::Build(table, vecValues, true);
    EXPECT_EQ(statement.strText, "Insert into [T]]x] ([v])  values('');")
        << "NULL int left out, NOT NULL varchar ''";

    // Stored strings that read like markers stay strings.
    vecValues[1] = Text("NULL");
    vecValues[0] = Integer(0);
    EXPECT_EQ(CInsertStatementBuilder::Build(table, vecValues, true).strText,
              "Insert into [T]]x] ([i],[v])  values(0,'NULL');");
    vecValues[1] = Text("Empty");
    EXPECT_NE(CInsertStatementBuilder::Build(table, vecValues, true).strText.find("'Empty'"),
              std::string::npos);

    // An empty string is written, a NULL is left out.
    std::vector<CTypedValue> vecEmpty(table.m_vecColumns.size(), Marker(EValueKind::Null));
    vecEmpty[1] = Marker(EValueKind::EmptyString);
    vecEmpty[2] = Marker(EValueKind::EmptyString);
    vecEmpty[5] = Marker(EValueKind::EmptyString);
    EXPECT_EQ(CInsertStatementBuilder::Build(table, vecEmpty, true).strText,
              "Insert into [T]]x] ([v],[n],[b])  values('','',0x);");

    // Corrupt and unreadable values are left out like NULL; computed and dropped columns too.
    table.m_vecColumns[1].m_bNullable = true;
    std::vector<CTypedValue> vecNothing(table.m_vecColumns.size(), Marker(EValueKind::Corrupt));
    vecNothing[3] = Marker(EValueKind::Formula);
    vecNothing[4] = Marker(EValueKind::Missing);
    EXPECT_EQ(CInsertStatementBuilder::Build(table, vecNothing, false).strText,
              "Insert into [T]]x] default values\r\ngo\r\n");
}

// Every type at its limits, decoded once and formatted three ways: the grid text, the INSERT
// literal and the data text of JSON and CSV.
TEST(TypedValues, EveryTypeThroughEveryFormatter) {
    unsigned __int128 nMax38 = 0;
    for (int i = 0; i < 38; ++i)
        nMax38 = nMax38 * 10 + 9;
    struct SCase {
        const char* pszType;
        Bytes bytes;
        std::uint8_t nPrecision, nScale;
        const char* pszGrid;
        const char* pszLiteral;
        const char* pszData;
        EDataForm eForm;
    };
    const SCase kCases[] = {
        {"tinyint", EncodeTinyInt(255), 0, 0, "255", "255", "255", EDataForm::Number},
        {"smallint", EncodeInt16(-32768), 0, 0, "-32768", "-32768", "-32768", EDataForm::Number},
        {"int", EncodeInt32(-2147483647 - 1), 0, 0, "-2147483648", "-2147483648", "-2147483648",
         EDataForm::Number},
        {"bigint", EncodeInt64(std::numeric_limits<std::int64_t>::max()), 0, 0,
         "9223372036854775807", "9223372036854775807", "9223372036854775807", EDataForm::Number},
        {"bit", Bytes{std::byte{1}}, 0, 0, "1", "1", "1", EDataForm::Number},
        {"real", EncodeReal(0.1f), 0, 0, "1.000000e-001", "1e-01", "0.1", EDataForm::Number},
        {"real", EncodeReal(-3.4028235e38f), 0, 0, "-3.402823e+038", "-3.4028235e+38",
         "-3.4028235e+38", EDataForm::Number},
        {"float", EncodeFloat(0.1), 0, 0, "0.100000", "1e-01", "0.1", EDataForm::Number},
        {"float", EncodeFloat(-1e300), 0, 0, nullptr, "-1e+300", "-1e+300", EDataForm::Number},
        {"float", EncodeFloat(std::numeric_limits<double>::infinity()), 0, 0, "inf", "inf", "inf",
         EDataForm::String},
        {"money", EncodeMoney(std::numeric_limits<std::int64_t>::min()), 19, 4,
         "-922337203685477.5808", "-922337203685477.5808", "-922337203685477.5808",
         EDataForm::Number},
        {"money", EncodeMoney(5), 19, 4, "000000000000000.0005", "000000000000000.0005", "0.0005",
         EDataForm::Number},
        {"smallmoney", EncodeSmallMoney(-15000), 10, 4, "-000001.5000", "-000001.5000", "-1.5000",
         EDataForm::Number},
        {"decimal", EncodeDecimal(true, nMax38, 17), 38, 10,
         "-9999999999999999999999999999.9999999999", "-9999999999999999999999999999.9999999999",
         "-9999999999999999999999999999.9999999999", EDataForm::Number},
        {"numeric", EncodeDecimal(false, std::uint64_t{0}, 5), 5, 2, "000.00", "000.00", "0.00",
         EDataForm::Number},
        {"datetime", EncodeDatetime(DaysSince1900(9999, 12, 31), 25919999), 0, 0,
         "9999-12-31 23:59:59", "'9999-12-31 23:59:59.997'", "9999-12-31T23:59:59.997",
         EDataForm::PlainString},
        {"datetime", EncodeDatetime(DaysSince1900(1753, 1, 1), 0), 0, 0, "1753-01-01 0:00:00",
         "'1753-01-01 0:00:00.000'", "1753-01-01T00:00:00.000", EDataForm::PlainString},
        {"smalldatetime", EncodeSmallDatetime(65535, 1439), 0, 0, "2079-06-06 23:59:00",
         "CONVERT(smalldatetime, 0xffff059f)", "2079-06-06T23:59:00", EDataForm::PlainString},
        {"uniqueidentifier",
         EncodeGuid({0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC,
                     0xDD, 0xEE, 0xFF}),
         0, 0, "{00112233-4455-6677-8899-AABBCCDDEEFF}", "'{00112233-4455-6677-8899-AABBCCDDEEFF}'",
         "00112233-4455-6677-8899-AABBCCDDEEFF", EDataForm::PlainString},
        {"binary", EncodeBinary(ToBytes("\xde\xad"), 4), 0, 0, "0xdead0000", "0xdead0000",
         "0xdead0000", EDataForm::PlainString},
        {"timestamp", EncodeInt64(0x7D1), 0, 0, "<binary data>", nullptr, "0xd107000000000000",
         EDataForm::PlainString},
        {"char", EncodeChar("O'Br\xe9", 6), 0, 0, "O'Br\xe9 ", "'O''Br\xe9 '", "O'Br\xc3\xa9 ",
         EDataForm::PlainString},
        {"char", Bytes(3, std::byte{0}), 0, 0, "Empty", "''", "", EDataForm::String},
        {"char", EncodeChar("a,\"b", 4), 0, 0, "a,\"b", "'a,\"b'", "a,\"b", EDataForm::String},
        {"nchar", EncodeNChar(u"\u20ac", 4), 0, 0, "?????", "CONVERT(nvarchar(4),0xac202000)",
         "\xe2\x82\xac ", EDataForm::PlainString},
    };
    for (const SCase& c : kCases) {
        CColumnInfo column =
            Column(c.pszType, static_cast<std::uint16_t>(c.bytes.size()), c.nPrecision, c.nScale);
        const SColumnFormat format = SColumnFormat::Of(column);
        const CTypedValue value = Fixed(column, c.bytes);
        SCOPED_TRACE(std::string(c.pszType) + " -> " + c.pszData);
        if (c.pszGrid) {  // "%lf" of -1e300 is 301 digits long
            EXPECT_EQ(CValueFormat::GridText(value, format), c.pszGrid);
        }
        std::string strLiteral;
        const bool bWritten = CValueFormat::AppendSqlLiteral(value, format, strLiteral);
        if (c.pszLiteral) {
            EXPECT_TRUE(bWritten);
            EXPECT_EQ(strLiteral, c.pszLiteral);
        } else if (std::string(c.pszType) == "timestamp") {
            EXPECT_FALSE(bWritten);
        }
        std::string strData;
        EXPECT_EQ(CValueFormat::AppendDataText(value, format.eType, strData), c.eForm);
        EXPECT_EQ(strData, c.pszData);
        // Numbers read back exactly from their data text.
        if (value.m_eKind == EValueKind::Float && c.eForm == EDataForm::Number) {
            EXPECT_EQ(ParseDouble(strData), value.m_dFloat);
        }
    }

    // Markers: the grid shows them, statements leave them out, data output has null.
    CTypedValue null;
    null.SetKind(EValueKind::Null, true);
    SColumnFormat withDefault = Format(EColumnType::Int);
    withDefault.strDefault = "(0)";
    EXPECT_EQ(CValueFormat::GridText(null, withDefault), "(0)") << "the grid shows the default";
    EXPECT_FALSE(CValueFormat::IsGridNull(null, withDefault));
    EXPECT_TRUE(CValueFormat::IsGridNull(null, Format(EColumnType::Int)));
    std::string strOut;
    EXPECT_FALSE(CValueFormat::AppendSqlLiteral(null, withDefault, strOut));
    EXPECT_EQ(CValueFormat::AppendDataText(null, EColumnType::Int, strOut), EDataForm::Null);
    for (EValueKind eKind : {EValueKind::Missing, EValueKind::Corrupt, EValueKind::Deleted,
                             EValueKind::Formula, EValueKind::LargeValue}) {
        EXPECT_EQ(CValueFormat::AppendDataText(Marker(eKind), EColumnType::Image, strOut),
                  EDataForm::Null);
    }
    EXPECT_EQ(strOut, "");
    EXPECT_EQ(CValueFormat::AppendDataText(Marker(EValueKind::EmptyString), EColumnType::VarBinary,
                                           strOut),
              EDataForm::PlainString);
    EXPECT_EQ(strOut, "0x");

    // Unicode text becomes UTF-8, surrogate pairs included; a broken pair is replaced.
    strOut.clear();
    CValueFormat::AppendDataText(
        Stored(EValueKind::UnicodeText,
               Bytes{std::byte{0x3D}, std::byte{0xD8}, std::byte{0x00}, std::byte{0xDE},
                     std::byte{0x41}, std::byte{0x00}, std::byte{0x00}, std::byte{0xDC}}),
        EColumnType::NVarchar, strOut);
    EXPECT_EQ(strOut,
              "\xf0\x9f\x98\x80"
              "A\xef\xbf\xbd");
}
