// tests/engine/format2005/ValueConverterTest.cpp
// Raw values of the 2005+ reader as typed values: what a sql_variant holds, CLR bytes, xml left
// undecoded, raw states as markers, and the texts every front end then shows.
#include <gtest/gtest.h>

#include "engine/format2005/CTypeInfo.h"
#include "engine/format2005/CValueConverter.h"
#include "engine/records/CValueFormat.h"

using namespace format2005;

namespace {
SColumn Column(std::uint8_t nTypeId, std::int16_t nLength, std::string strType = {}) {
    SColumn column;
    column.strName = "c";
    column.nTypeId = nTypeId;
    column.strType = strType.empty() ? CTypeInfo::Name(nTypeId) : strType;
    column.strUserType = column.strType;
    column.nLength = nLength;
    return column;
}

SRawValue Raw(std::vector<std::uint8_t> vecBytes, bool bOffRow = false) {
    SRawValue value;
    value.eState = EValueState::Value;
    value.bOffRow = bOffRow;
    for (std::uint8_t n : vecBytes)
        value.vecBytes.push_back(static_cast<std::byte>(n));
    return value;
}

std::string Literal(const SColumn& column, const SRawValue& raw) {
    STable table;
    table.vecColumns.push_back(column);
    CTypedValue value;
    CValueConverter(table).Convert(0, raw, value);
    std::string strOut;
    if (!CValueFormat::AppendSqlLiteral(value, SColumnFormat::Of(CValueConverter::ColumnInfo(column)),
                                        strOut))
        return "(left out)";
    return strOut;
}
}  // namespace

TEST(ValueConverter, VariantsShowAndWriteTheValueTheyHold) {
    const SColumn variant = Column(kTypeSqlVariant, 8016);
    // int 5
    EXPECT_EQ(CValueConverter::GridText(variant, Raw({56, 1, 5, 0, 0, 0})), "5");
    EXPECT_EQ(Literal(variant, Raw({56, 1, 5, 0, 0, 0})), "5");
    // varchar(10) 'ab': max length and collation, then the bytes
    const SRawValue text = Raw({167, 1, 10, 0, 0x09, 0x04, 0xD0, 0, 0x34, 'a', 'b'});
    EXPECT_EQ(CValueConverter::GridText(variant, text), "ab");
    EXPECT_EQ(Literal(variant, text), "'ab'");
    // nvarchar N'ab'
    const SRawValue unicode = Raw({231, 1, 10, 0, 0x09, 0x04, 0xD0, 0, 0x34, 'a', 0, 'b', 0});
    EXPECT_EQ(Literal(variant, unicode), "CONVERT(nvarchar(2),0x61006200)");
    // decimal(5,2) -1.50
    EXPECT_EQ(CValueConverter::GridText(variant, Raw({106, 1, 5, 2, 0, 150, 0, 0, 0})), "-001.50");
    // varbinary 0x0102
    EXPECT_EQ(Literal(variant, Raw({165, 1, 2, 0, 1, 2})), "0x0102");
    EXPECT_EQ(CValueConverter::GridText(variant, Raw({165, 1, 2, 0, 1, 2})), "0x0102");
    // A date of 2008
    EXPECT_EQ(CValueConverter::GridText(variant, Raw({40, 1, 0x8F, 0x2F, 0x0B})), "2008-01-31");
    // Damaged: shorter than its properties, or a base type no variant holds.
    EXPECT_EQ(CValueConverter::GridText(variant, Raw({106, 1, 5})), "Corrupt");
    EXPECT_EQ(CValueConverter::GridText(variant, Raw({241, 1})), "<not decoded>");
}

TEST(ValueConverter, ClrXmlAndRawStatesKeepTheirKinds) {
    const SColumn node = Column(kTypeClr, 892, "hierarchyid");
    EXPECT_EQ(CValueConverter::GridText(node, Raw({0x58, 0xC0})), "0x58c0");
    EXPECT_EQ(Literal(node, Raw({0x58, 0xC0})), "0x58c0");

    const SColumn xml = Column(kTypeXml, -1);
    EXPECT_EQ(CValueConverter::GridText(xml, Raw({0xDF, 0xFF, 1})), "<not decoded>");
    EXPECT_EQ(Literal(xml, Raw({0xDF, 0xFF, 1})), "(left out)");

    SColumn notes = Column(kTypeNVarChar, -1);
    EXPECT_TRUE(CValueConverter::ColumnInfo(notes).m_bMax);
    EXPECT_EQ(Literal(notes, Raw({'h', 0, 'i', 0}, true)), "CONVERT(nvarchar(max),0x68006900)");
    SRawValue unread;
    unread.eState = EValueState::NotRead;
    EXPECT_EQ(CValueConverter::GridText(Column(kTypeImage, 16), unread), "<binary data>");
    SRawValue lost;
    lost.eState = EValueState::Unreadable;
    EXPECT_EQ(CValueConverter::GridText(Column(kTypeText, 16), lost), "Empty");
    SRawValue computed;
    computed.eState = EValueState::NotStored;
    EXPECT_EQ(CValueConverter::GridText(Column(kTypeInt, 4), computed), "FORMULA");
    // A fixed value shorter than its type is corrupt, not read past its end.
    EXPECT_EQ(CValueConverter::GridText(Column(kTypeBigInt, 8), Raw({1, 2, 3})), "Corrupt");
}
