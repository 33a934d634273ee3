// tests/engine/catalog/CatalogRecoveryTest.cpp
// What the catalog readers make of sysobjects, systypes, syscolumns and syscomments rows.
#include <gtest/gtest.h>

#include "common/ExecutionLog.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/format2000/CSysObjectsReader.h"
#include "engine/scripts/CUserTypeScript.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

using namespace fixtures;

namespace {
class CatalogRecovery : public testing::Test {
  protected:
    void SetUp() override { CExecutionLog::SetLogFolderForTesting(m_dir / "logs"); }
    std::unique_ptr<CSQLServerEngine> Recover(const CDataFileBuilder& builder) {
        return TestRecovery::BuildAndRecover(builder, m_dir.Path());
    }
    static std::vector<std::string> Names(const COrderedMap<CViewStoredProc>& map) {
        std::vector<std::string> vecNames;
        for (const auto& [strKey, pObject] : map)
            vecNames.push_back(pObject->m_strName);
        return vecNames;
    }
    TestFiles::CTempDir m_dir;
};
}  // namespace

TEST_F(CatalogRecovery, ObjectsAreClassifiedByTheirWholeTypeCode) {
    CDataFileBuilder builder("Kinds");
    auto nTable = builder.AddTable("T", {{"a", kTypeInt, 4}});
    builder.AddObject("V", "v1", "CREATE VIEW v1 AS SELECT 1 AS x");
    builder.AddObject("P", "p1", "CREATE PROCEDURE p1 AS SELECT 1");
    builder.AddObject("R", "r1", "CREATE RULE r1 AS @x > 0");
    builder.AddObject("TR", "tr1", "CREATE TRIGGER tr1 ON T FOR INSERT AS SELECT 1", nTable);
    builder.AddObject("FN", "fn1", "CREATE FUNCTION fn1() RETURNS int AS BEGIN RETURN 1 END");
    builder.AddObject("IF", "if1", "CREATE FUNCTION if1() RETURNS TABLE AS RETURN SELECT 1 AS x");
    builder.AddObject("TF", "tf1",
                      "CREATE FUNCTION tf1() RETURNS @t TABLE (x int) AS BEGIN RETURN END");
    builder.AddObject("PK", "PK_T", "", nTable);
    builder.AddObject("PK", "PK_small_parent", "", 150);
    auto pEngine = Recover(builder);
    EXPECT_EQ(Names(pEngine->m_mapViews), std::vector<std::string>{"v1"});
    EXPECT_EQ(Names(pEngine->m_mapProcedures), std::vector<std::string>{"p1"})
        << "keys are never procedures";
    EXPECT_EQ(Names(pEngine->m_mapRules), std::vector<std::string>{"r1"});
    EXPECT_EQ(Names(pEngine->m_mapTriggers), std::vector<std::string>{"tr1"})
        << "TF is a function, not a trigger";
    EXPECT_EQ(Names(pEngine->m_mapFunctions), (std::vector<std::string>{"fn1", "if1", "tf1"}));
    EXPECT_EQ(pEngine->m_mapProcedures.Find(ObjectKey(0)), nullptr);
    EXPECT_EQ(pEngine->m_mapViews.begin()->second->m_strText, "CREATE VIEW v1 AS SELECT 1 AS x");
}

TEST_F(CatalogRecovery, ClassifyTableOfTypeCodes) {
    EXPECT_EQ(CSysObjectsReader::Classify('U', ' '), EObjectClass::Table);
    EXPECT_EQ(CSysObjectsReader::Classify('T', 'F'), EObjectClass::Function);
    EXPECT_EQ(CSysObjectsReader::Classify('T', 'R'), EObjectClass::Trigger);
    EXPECT_EQ(CSysObjectsReader::Classify('P', 'K'), EObjectClass::Ignored);
    EXPECT_EQ(CSysObjectsReader::Classify('F', ' '), EObjectClass::Ignored) << "F is a foreign key";
    EXPECT_EQ(CSysObjectsReader::Classify('S', ' '), EObjectClass::Ignored);
}

TEST_F(CatalogRecovery, TablesAreNamedPrunedAndKeepLongNames) {
    CDataFileBuilder builder("Names");
    const std::string strLong(128, 'L');
    auto nLong = builder.AddTable(strLong, {{"c", kTypeInt, 4}});
    builder.AddRow(nLong, {EncodeInt32(1)});
    builder.AddTable("NoRowsButColumns", {{"c", kTypeInt, 4}});
    builder.AddTable(
        "\xce\x94"
        "elta",
        {{"c", kTypeInt, 4}});  // a name above 255, no data pages
    auto pEngine = Recover(builder);
    std::vector<std::string> vecNames;
    for (const auto& [strKey, pTable] : pEngine->m_mapObjects)
        vecNames.push_back(pTable->m_strName);
    EXPECT_EQ(vecNames, (std::vector<std::string>{strLong, "NoRowsButColumns", "UnicodeTab#_1"}));
    // System objects with data pages (ids below 200) were filed by the page scan and pruned.
    for (const auto& [strKey, pTable] : pEngine->m_mapObjects)
        EXPECT_GE(pTable->m_nObjectId, 200);
}

TEST_F(CatalogRecovery, ColumnsKeepOrderTypesNullabilityDefaultsAndUserTypes) {
    CDataFileBuilder builder("Cols");
    auto nZip = builder.AddUserType("Zip", kTypeChar, 5);
    auto nDefault = builder.AddObject("D", "DefZero", "CREATE DEFAULT DefZero AS 0");
    builder.AddTable("T", {{"id", kTypeInt, 4, 10, 0, false},
                           {"price", kTypeDecimal, 9, 18, 2, true, 0, nDefault},
                           {"zip", kTypeChar, 5, 0, 0, true, nZip},
                           {"note", kTypeNVarChar, 100},
                           {"flag", kTypeBit, 1, 0, 0, false}});
    auto pEngine = Recover(builder);
    ASSERT_EQ(pEngine->m_mapObjects.Count(), 1u);
    const CTable& table = *pEngine->m_mapObjects.begin()->second;
    ASSERT_EQ(table.m_vecColumns.size(), 5u);
    const auto& c = table.m_vecColumns;
    EXPECT_EQ(c[0].m_strName, "id");
    EXPECT_FALSE(c[0].m_bNullable);
    EXPECT_TRUE(c[1].m_bNullable);
    EXPECT_EQ(c[1].m_strType, "decimal");
    EXPECT_EQ(c[1].m_nPrecision, 18);
    EXPECT_EQ(c[1].m_nScale, 2);
    EXPECT_EQ(c[1].m_strDefault, "CREATE DEFAULT DefZero AS 0");
    EXPECT_EQ(c[2].m_strUserType, "Zip");
    EXPECT_EQ(c[2].m_strType, "char");
    EXPECT_EQ(c[3].m_strUserType, "nvarchar");
    EXPECT_LT(c[3].m_nOffset, 0);
    EXPECT_FALSE(c[4].m_bNullable);
    EXPECT_EQ(table.m_nColumns, 5);
    EXPECT_EQ(table.m_nBitColumns, 1);
    EXPECT_EQ(table.m_nVarColumns, 1);
    ASSERT_NE(table.VarColumnType("-1"), nullptr);
    EXPECT_EQ(*table.VarColumnType("-1"), "nvarchar");
}

TEST_F(CatalogRecovery, UserTypesSkipSystemTypesAndScriptAsAddType) {
    CDataFileBuilder builder("Types");
    builder.AddUserType("Zip", kTypeChar, 5);
    builder.AddUserType("LongText", kTypeNVarChar, 8000);
    builder.AddUserType("Amount", kTypeMoney, 8, 19, 4);
    auto pEngine = Recover(builder);
    std::vector<std::string> vecStatements;
    for (const auto& [strKey, pType] : pEngine->m_mapUserTypes) {
        EXPECT_GT(std::stoi(strKey), 256);
        vecStatements.push_back(CUserTypeScript::Statement(*pType));
    }
    // sysname and timestamp rows of systypes are system types: never scripted.
    EXPECT_EQ(vecStatements, (std::vector<std::string>{"sp_addtype [Zip], 'char(5)' ",
                                                       "sp_addtype [LongText], 'nvarchar(4000)' ",
                                                       "sp_addtype [Amount], money"}));
}

TEST_F(CatalogRecovery, ObjectTextsJoinEveryChunkInOrder) {
    CDataFileBuilder builder("Texts");
    std::string strBody = "CREATE PROCEDURE big AS\r\n";
    while (strBody.size() < 9500)
        strBody += "SELECT " + std::to_string(strBody.size()) + "\r\n";
    builder.AddObject("P", "big", strBody);
    auto nPointer = builder.AddObject(
        "V", "viaPointer", "CREATE VIEW viaPointer AS SELECT 'stored on a text page' AS x");
    builder.StoreTextThroughPointer(nPointer);
    std::string strDefault = "CREATE DEFAULT LongDefault AS '" + std::string(4100, 'd') + "'";
    builder.AddObject("D", "LongDefault", strDefault);
    auto pEngine = Recover(builder);
    ASSERT_EQ(pEngine->m_mapProcedures.Count(), 1u);
    EXPECT_EQ(pEngine->m_mapProcedures.begin()->second->m_strText, strBody);
    ASSERT_EQ(pEngine->m_mapViews.Count(), 1u);
    EXPECT_EQ(pEngine->m_mapViews.begin()->second->m_strText,
              "CREATE VIEW viaPointer AS SELECT 'stored on a text page' AS x");
    ASSERT_EQ(pEngine->m_mapDefaults.Count(), 1u);
    EXPECT_EQ(pEngine->m_mapDefaults.begin()->second->m_strText, strDefault)
        << "all chunks of a default are kept";
}

TEST_F(CatalogRecovery, UnicodeCommentsNarrowToEightBits) {
    CDataFileBuilder builder("Wide");
    builder.SetUnicodeComments(true);
    builder.AddObject("P", "p",
                      "CREATE PROCEDURE p AS SELECT 'caf\xc3\xa9'");  // UTF-8 in, UTF-16 stored
    auto pEngine = Recover(builder);
    ASSERT_EQ(pEngine->m_mapProcedures.Count(), 1u);
    EXPECT_EQ(pEngine->m_mapProcedures.begin()->second->m_strText,
              "CREATE PROCEDURE p AS SELECT 'caf\xe9'");
}
