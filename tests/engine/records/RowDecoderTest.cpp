// tests/engine/records/RowDecoderTest.cpp
// Rows as the data pages hold them, sound and damaged, through the row decoder.
#include <gtest/gtest.h>

#include "engine/catalog/CTable.h"
#include "engine/records/CRowDecoder.h"
#include "fixtures/CRowBuilder.h"
#include "fixtures/ValueEncoding.h"

using namespace fixtures;

namespace {
constexpr std::size_t kDataAreaSize = 8192 - 96;

// [a int @4, order 1] [b varchar -1, order 2] [c char(3) @8, order 3] [d nvarchar -2, order 4]
CTable MakeTable() {
    CTable table;
    table.m_strName = "T";
    table.m_nObjectId = 500;
    auto add = [&](const char* pszName, const char* pszType, std::int16_t nOffset,
                   std::uint16_t nLength) {
        CColumnInfo column;
        column.m_strName = pszName;
        column.m_strType = pszType;
        column.m_nOffset = nOffset;
        column.m_nLength = nLength;
        column.m_nOrder = static_cast<std::uint16_t>(table.m_vecColumns.size() + 1);
        table.m_vecColumns.push_back(column);
    };
    add("a", "int", 4, 4);
    add("b", "varchar", -1, 50);
    add("c", "char", 8, 3);
    add("d", "nvarchar", -2, 100);
    table.m_nColumns = table.m_nAllColumns = 4;
    table.m_nVarColumns = 2;
    table.SetVarColumnType("-1", "varchar");
    table.SetVarColumnType("-2", "nvarchar");
    return table;
}

CRowBuilder SoundRow() {
    CRowBuilder row;
    Bytes fixed = EncodeInt32(7);
    Bytes chars = EncodeChar("abc", 3);
    fixed.insert(fixed.end(), chars.begin(), chars.end());
    row.SetFixedData(fixed).SetColumnCount(4);
    row.AddVariable(ToBytes("hello")).AddVariable(EncodeNVarchar(u"AB"));
    return row;
}

class RowDecoding : public testing::Test {
  protected:
    // Places the row at nOffset of a zeroed data area and decodes it.
    bool Decode(const Bytes& rowBytes, bool bStatement = false, bool bDeleted = false,
                std::size_t nOffset = 0) {
        m_vecArea.assign(kDataAreaSize, std::byte{0});
        for (std::size_t i = 0; i < rowBytes.size() && nOffset + i < m_vecArea.size(); ++i) {
            m_vecArea[nOffset + i] = rowBytes[i];
        }
        // Statements read every value behind a text pointer; the grid leaves binary ones.
        CRowDecoder decoder(m_table, "/nonexistent/file.mdf", {bDeleted, bStatement});
        m_bStatement = bStatement;
        return decoder.Decode(CByteView(m_vecArea), static_cast<std::uint16_t>(nOffset), m_row);
    }
    // The texts of the last decoded row: the grid's, or after a statement decode the texts the
    // INSERT literals are made from.
    std::vector<std::string> Texts() const {
        std::vector<std::string> vecTexts;
        for (std::size_t i = 0; i < m_row.vecValues.size(); ++i)
            vecTexts.push_back(Text(i));
        return vecTexts;
    }
    std::string Text(std::size_t nColumn) const {
        const SColumnFormat format = SColumnFormat::Of(m_table.m_vecColumns[nColumn]);
        return m_bStatement ? CValueFormat::SqlText(m_row.vecValues[nColumn], format.eType)
                            : CValueFormat::GridText(m_row.vecValues[nColumn], format);
    }

    CTable m_table = MakeTable();
    Bytes m_vecArea;
    SDecodedRow m_row;
    bool m_bStatement = false;
};
}  // namespace

TEST_F(RowDecoding, SoundRowGivesEveryValueAndItsEnd) {
    Bytes bytes = SoundRow().Build();
    ASSERT_TRUE(Decode(bytes));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"7", "hello", "abc", "AB"}));
    EXPECT_EQ(m_row.nEnd, bytes.size());
    EXPECT_FALSE(m_row.bDeleted);
    ASSERT_TRUE(Decode(bytes, false, false, 300));
    EXPECT_EQ(m_row.nEnd, 300 + bytes.size()) << "the end counts from the data area";
}

TEST_F(RowDecoding, GhostRowsOnlyWhenDeletedRowsAreRecovered) {
    Bytes bytes = SoundRow().SetGhost().Build();
    EXPECT_FALSE(Decode(bytes, false, false));
    ASSERT_TRUE(Decode(bytes, false, true));
    EXPECT_TRUE(m_row.bDeleted);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"7", "hello", "abc", "AB"}));
}

TEST_F(RowDecoding, NullsMissingColumnsAndDefaults) {
    // Bitmap-only status: no variable block at all.
    CRowBuilder bare;
    bare.SetFixedData(Bytes(7, std::byte{0x41})).SetColumnCount(4);
    bare.SetVariableBlock(false);
    bare.SetStatusOverride(0x10, 0x00);
    ASSERT_TRUE(Decode(bare.Build()));
    EXPECT_EQ(m_row.vecValues[1].m_eKind, EValueKind::Null);
    EXPECT_EQ(Text(3), "NULL");
    EXPECT_EQ(m_row.nEnd, 0);

    // A row written before columns c and d were added stores two columns.
    CRowBuilder older;
    older.SetFixedData(EncodeInt32(1)).SetColumnCount(2).AddVariable(ToBytes("x"));
    m_table.m_vecColumns[2].m_strDefault = "('zz')";
    ASSERT_TRUE(Decode(older.Build()));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1", "x", "('zz')", "NULL"}))
        << "the grid shows the default";
    ASSERT_TRUE(Decode(older.Build(), true));
    EXPECT_EQ(m_row.vecValues[2].m_eKind, EValueKind::Null) << "statements leave it to the server";

    // Zero-length entries: NULL by the bitmap, otherwise an empty string.
    CRowBuilder empties;
    empties.SetFixedData(Bytes(7, std::byte{0x41})).SetColumnCount(4).SetNull(1);
    empties.AddVariable({}).AddVariable({});
    ASSERT_TRUE(Decode(empties.Build()));
    EXPECT_EQ(Text(1), "NULL");
    EXPECT_EQ(Text(3), "Empty");
    EXPECT_EQ(m_row.vecValues[3].m_eKind, EValueKind::EmptyString);

    // A NULL fixed column.
    CRowBuilder nullInt = SoundRow();
    nullInt.SetNull(0);
    ASSERT_TRUE(Decode(nullInt.Build()));
    EXPECT_EQ(m_row.vecValues[0].m_eKind, EValueKind::Null);
}

TEST_F(RowDecoding, ComputedDroppedAndVariantColumnsReadNothing) {
    m_table.m_vecColumns[0].m_strFormula = "([x] + 1)";
    m_table.m_vecColumns[1].m_bDeleted = 1;
    m_table.m_vecColumns[2].m_bDeleted = 1;
    ASSERT_TRUE(Decode(SoundRow().Build()));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"FORMULA", "Deleted", "Deleted", "AB"}));
}

TEST_F(RowDecoding, RejectedRows) {
    Bytes bytes = SoundRow().Build();
    CRowDecoder decoder(m_table, "", {false, false});
    m_vecArea.assign(kDataAreaSize, std::byte{0});
    EXPECT_FALSE(decoder.Decode(CByteView(m_vecArea), 8193, m_row)) << "offset above 8192";
    EXPECT_FALSE(decoder.Decode(CByteView(m_vecArea), 8190, m_row)) << "row header past the page";
    EXPECT_FALSE(decoder.Decode(CByteView(m_vecArea), 0, m_row)) << "status word 0";

    CRowBuilder many = SoundRow();
    many.SetColumnCount(1001);
    EXPECT_FALSE(Decode(many.Build())) << "1001 stored columns fit no rule";
    CRowBuilder thousand = SoundRow();
    thousand.SetColumnCount(1000);
    ASSERT_TRUE(Decode(thousand.Build()));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"7", "hello", "abc", "AB"}));

    CRowBuilder farEnd = SoundRow();
    farEnd.SetFixedEndOverride(0xFF00);
    EXPECT_FALSE(Decode(farEnd.Build())) << "column count past the page";

    CRowBuilder manyVars = SoundRow();
    manyVars.SetVariableCountOverride(5000);
    EXPECT_FALSE(Decode(manyVars.Build())) << "offset array past the page";

    // A fixed column that would be read past the page end abandons the row.
    EXPECT_FALSE(Decode(bytes, false, false, kDataAreaSize - 8));
}

TEST_F(RowDecoding, DamagedVariableValuesBecomeCorrupt) {
    CRowBuilder longValue = SoundRow();
    longValue.SetVariableEndOverride(0, 0x2100);
    ASSERT_TRUE(Decode(longValue.Build()));
    EXPECT_EQ(Text(1), "Corrupt");
    EXPECT_EQ(Text(0), "7") << "the rest of the row is kept";

    CRowBuilder backwards = SoundRow();
    backwards.SetVariableEndOverride(0, 2);
    ASSERT_TRUE(Decode(backwards.Build()));
    EXPECT_EQ(m_row.vecValues[1].m_eKind, EValueKind::Corrupt) << "an end before the start";

    // An end inside the length limit but past the page.
    CRowBuilder pastPage = SoundRow();
    pastPage.SetVariableEndOverride(1, 0x1000);
    Bytes bytes = pastPage.Build();
    ASSERT_TRUE(Decode(bytes, false, false, kDataAreaSize - bytes.size()));
    EXPECT_EQ(Text(1), "hello");
    EXPECT_EQ(Text(3), "Corrupt");

    // A text pointer that does not fit in the page, and one into a page that cannot be read.
    CRowBuilder pointer;
    pointer.SetFixedData(Bytes(7, std::byte{0x41})).SetColumnCount(4);
    pointer.AddVariable(ToBytes("x")).AddVariable(Bytes(16, std::byte{0x7F}), true);
    Bytes withPointer = pointer.Build();
    ASSERT_TRUE(Decode(withPointer));
    EXPECT_EQ(Text(3), "Empty") << "nothing could be read behind it";
    ASSERT_TRUE(Decode(withPointer, false, false, kDataAreaSize - withPointer.size() + 8));
    EXPECT_EQ(Text(3), "Corrupt") << "the pointer is cut by the page end";
}

TEST_F(RowDecoding, UnicodeTestLooksAtEveryCharacter) {
    CRowBuilder row;
    row.SetFixedData(Bytes(7, std::byte{0x41})).SetColumnCount(4);
    row.AddVariable(ToBytes("x")).AddVariable(EncodeNVarchar(u"abcde\u0391"));
    ASSERT_TRUE(Decode(row.Build()));
    EXPECT_EQ(Text(3), "?????");
    ASSERT_TRUE(Decode(row.Build(), true));
    EXPECT_EQ(Text(3), "610062006300640065009103");
}
