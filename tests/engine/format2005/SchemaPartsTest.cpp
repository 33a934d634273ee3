// tests/engine/format2005/SchemaPartsTest.cpp
// Keys, indexes, checks and foreign keys of a built 2005 file: what the real files do not show
// (descending and included index columns, a unique constraint, a foreign key of two columns) and
// what a damaged catalog leaves of them.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/binding/CEngineBinding.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/scripts/CConstraintScript.h"
#include "fixtures/CLaterFileWriter.h"
#include "support/TestFiles.h"

using fixtures::CLaterFileWriter;

namespace {
constexpr std::int32_t kTable = CLaterFileWriter::kTableObjectId;
constexpr std::uint32_t kKeyColumn = 0x3;  // sysiscols status of a key column
constexpr std::uint32_t kDescending = 0x4;
constexpr std::uint32_t kIncluded = 0x10;
constexpr std::uint8_t kRefTable = 27;
constexpr std::uint8_t kRefColumn = 28;
constexpr std::uint8_t kRefReferenced = 29;

// Orders(OrderID, Region, Number, ParentRegion, ParentNumber, Note), one row.
std::unique_ptr<CSQLServerEngine> Recover(const TestFiles::CTempDir& dir,
                                          CLaterFileWriter& writer) {
    const std::string strPath = (dir / "schema.mdf").string();
    writer.Write(strPath, 1, [](std::uint64_t) {
        return std::vector<fixtures::Bytes>{fixtures::EncodeInt32(1), fixtures::EncodeInt32(2),
                                            fixtures::EncodeInt32(3), fixtures::EncodeInt32(2),
                                            fixtures::EncodeInt32(3), fixtures::EncodeInt32(4)};
    });
    auto pEngine = CEngineBinding::Create(EEngineFormat::SQL2005);
    pEngine->ResetCatalog();
    pEngine->m_strFileName = strPath;
    CRecoveryMonitor monitor(*pEngine);
    EXPECT_TRUE(monitor.Run());
    return pEngine;
}

CLaterFileWriter Writer() {
    return CLaterFileWriter("Shop", "Orders",
                            {{"OrderID", 56, 4},
                             {"Region", 56, 4},
                             {"Number", 56, 4},
                             {"ParentRegion", 56, 4},
                             {"ParentNumber", 56, 4},
                             {"Note", 56, 4}});
}

std::string Names(const std::vector<CIndexColumn>& vecColumns) {
    std::string strOut;
    for (const CIndexColumn& column : vecColumns)
        strOut +=
            (strOut.empty() ? "" : ",") + column.m_strName + (column.m_bDescending ? " DESC" : "");
    return strOut;
}
}  // namespace

TEST(SchemaParts2005, ReadsKeyOrderDescendingColumnsUniqueKeysChecksAndTwoColumnForeignKeys) {
    TestFiles::CTempDir dir;
    CLaterFileWriter writer = Writer();
    writer.SetSchema(
        {
            {"PK_Orders", 2, 0x2b, {{1, kKeyColumn}}},
            // Key order differs from the column ids; Note is only carried in the leaf.
            {"IX_Orders_Number",
             3,
             0x3,
             {{3, kKeyColumn | kDescending}, {6, 0x2 | kIncluded}, {2, kKeyColumn}}},
            {"UQ_Orders_RegionNumber", 4, 0x4b, {{2, kKeyColumn}, {3, kKeyColumn | kDescending}}},
        },
        {
            {300, "PK", "PK_Orders", ""},
            {301, "UQ", "UQ_Orders_RegionNumber", ""},
            {302, "C", "CK_Orders_Note", "([Note]>(0))"},
            {303, "F", "FK_Orders_Parent", ""},
        },
        {
            {kRefTable, 303, 0, kTable, 4},
            // Key places 2 then 1: pairs follow the places, not the order of the rows.
            {kRefColumn, 303, 2, kTable, 5},
            {kRefColumn, 303, 1, kTable, 4},
            {kRefReferenced, 303, 1, kTable, 2},
            {kRefReferenced, 303, 2, kTable, 3},
        });
    auto pEngine = Recover(dir, writer);
    const CTable* pTable = pEngine->m_mapObjects.Find(ObjectKey(kTable));
    ASSERT_NE(pTable, nullptr);

    ASSERT_EQ(pTable->m_vecKeys.size(), 2u);
    EXPECT_EQ(pTable->m_vecKeys[0].m_strName, "PK_Orders");
    EXPECT_TRUE(pTable->m_vecKeys[0].m_bPrimaryKey);
    EXPECT_EQ(pTable->m_vecKeys[0].m_nObjectId, 300);
    EXPECT_EQ(pTable->m_vecKeys[1].m_strName, "UQ_Orders_RegionNumber");
    EXPECT_FALSE(pTable->m_vecKeys[1].m_bPrimaryKey);
    EXPECT_EQ(Names(pTable->m_vecKeys[1].m_vecColumns), "Region,Number DESC");

    ASSERT_EQ(pTable->m_vecIndexes.size(), 3u);
    const CTableIndex& index = pTable->m_vecIndexes[1];
    EXPECT_EQ(index.m_strName, "IX_Orders_Number");
    EXPECT_FALSE(index.m_bUnique);
    EXPECT_FALSE(index.m_bKeyIndex);
    EXPECT_EQ(Names(index.m_vecColumns), "Number DESC,Region");

    ASSERT_EQ(pTable->m_vecChecks.size(), 1u);
    EXPECT_EQ(pTable->m_vecChecks[0].m_strText, "([Note]>(0))");

    ASSERT_EQ(pTable->m_vecForeignKeys.size(), 1u);
    const CForeignKey& key = pTable->m_vecForeignKeys[0];
    EXPECT_EQ(key.m_strReferencedTable, "Orders");
    EXPECT_EQ(key.m_vecColumns, (std::vector<std::string>{"ParentRegion", "ParentNumber"}));
    EXPECT_EQ(key.m_vecReferencedColumns, (std::vector<std::string>{"Region", "Number"}));

    const auto statements = CConstraintScript::TableStatements(*pTable);
    EXPECT_TRUE(statements.vecSkipped.empty());
    EXPECT_NE(
        std::find(statements.vecStatements.begin(), statements.vecStatements.end(),
                  "CREATE INDEX [IX_Orders_Number] ON [dbo].[Orders] ([Number] DESC,[Region])"),
        statements.vecStatements.end());
}

TEST(SchemaParts2005, KeepsWhatALossyCatalogStillNamesAndScriptsNoGuess) {
    TestFiles::CTempDir dir;
    CLaterFileWriter writer = Writer();
    writer.SetSchema(
        // The primary key's index is gone; the unique index has lost its constraint row.
        {{"UQ_Orders_Number", 4, 0x4b, {{3, kKeyColumn}}}},
        {
            {300, "PK", "PK_Orders", ""},
            {303, "F", "FK_Orders_Parent", ""},
        },
        // The foreign key's second pair lost its referenced column.
        {
            {kRefTable, 303, 0, kTable, 4},
            {kRefColumn, 303, 1, kTable, 4},
            {kRefColumn, 303, 2, kTable, 5},
            {kRefReferenced, 303, 1, kTable, 2},
        });
    auto pEngine = Recover(dir, writer);
    const CTable* pTable = pEngine->m_mapObjects.Find(ObjectKey(kTable));
    ASSERT_NE(pTable, nullptr);

    ASSERT_EQ(pTable->m_vecKeys.size(), 2u);
    EXPECT_EQ(pTable->m_vecKeys[0].m_strName, "PK_Orders");
    EXPECT_TRUE(pTable->m_vecKeys[0].m_vecColumns.empty());
    EXPECT_EQ(pTable->m_vecKeys[1].m_strName, "UQ_Orders_Number");
    EXPECT_EQ(pTable->m_vecKeys[1].m_nObjectId, 0);
    EXPECT_EQ(Names(pTable->m_vecKeys[1].m_vecColumns), "Number");

    // The pair that lost a side keeps its place with no name there.
    ASSERT_EQ(pTable->m_vecForeignKeys.size(), 1u);
    EXPECT_EQ(pTable->m_vecForeignKeys[0].m_vecColumns,
              (std::vector<std::string>{"ParentRegion", "ParentNumber"}));
    EXPECT_EQ(pTable->m_vecForeignKeys[0].m_vecReferencedColumns,
              (std::vector<std::string>{"Region", ""}));

    // Neither the key without columns nor the half foreign key is scripted; both are named.
    const auto statements = CConstraintScript::TableStatements(*pTable);
    ASSERT_EQ(statements.vecSkipped.size(), 1u);
    EXPECT_NE(statements.vecSkipped[0].find("PK_Orders"), std::string::npos);
    const auto foreignKeys = CConstraintScript::ForeignKeyStatements(*pTable);
    EXPECT_TRUE(foreignKeys.vecStatements.empty());
    ASSERT_EQ(foreignKeys.vecSkipped.size(), 1u);
    EXPECT_NE(foreignKeys.vecSkipped[0].find("FK_Orders_Parent"), std::string::npos);
}
