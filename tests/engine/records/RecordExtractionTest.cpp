// tests/engine/records/RecordExtractionTest.cpp
// Whole tables through the record thread: grid pages with bookmarks, deleted rows, the
// statement walk into a script file, the batched export and large values on text pages.
#include <gtest/gtest.h>

#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/ScriptFile.h"
#include "engine/format2000/CSQLServer2000.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

using namespace fixtures;

namespace {
class RecordExtraction : public testing::Test {
  protected:
    void SetUp() override { CExecutionLog::SetLogFolderForTesting(m_dir / "logs"); }

    void Recover(const CDataFileBuilder& builder) {
        m_pEngine = TestRecovery::BuildAndRecover(builder, m_dir.Path());
    }
    CSQLServer2000& Engine() { return dynamic_cast<CSQLServer2000&>(*m_pEngine); }
    CTable& Table(const std::string& strName) {
        for (auto& [strKey, pTable] : m_pEngine->m_mapObjects) {
            if (pTable->m_strName == strName)
                return *pTable;
        }
        throw std::runtime_error("no table " + strName);
    }
    // One run of the record thread in browse mode: the rows of one grid page.
    std::vector<SRecordRow> GridPage(CTable& table, bool bForward = true) {
        m_pEngine->m_bRecordExportRunning = false;
        m_pEngine->m_pStatus->m_pRecordTable = &table;
        m_pEngine->m_bPageForward = bForward;
        Engine().RecordExtractor().RecoverTableRecordThread();
        EXPECT_TRUE(m_pEngine->m_pStatus->m_bTableDone);
        return m_pEngine->m_pStatus->TakeRows();
    }
    std::vector<SRecordRow> AllGridRows(CTable& table) {
        m_pEngine->m_dqBookmarks.clear();
        m_pEngine->m_bPagingStarted = false;
        std::vector<SRecordRow> vecAll;
        for (;;) {
            auto vecRows = GridPage(table);
            vecAll.insert(vecAll.end(), vecRows.begin(), vecRows.end());
            if (m_pEngine->m_bLastPage)
                return vecAll;
            m_pEngine->m_bPagingStarted = true;
        }
    }
    // The statement walk into a script file; returns the file's text.
    std::string Script(CTable& table) {
        CScriptFile file;
        EXPECT_TRUE(file.Create(m_dir / "table.sql"));
        m_pEngine->m_hTableFile = &file;
        m_pEngine->m_bDirectExport = false;
        m_pEngine->m_bRecordExportRunning = true;
        m_pEngine->m_pStatus->m_pCurrentTable = &table;
        Engine().RecordExtractor().RecoverTableRecordThread();
        m_pEngine->m_hTableFile = nullptr;
        file.Close();
        return TestFiles::ReadFile(m_dir / "table.sql");
    }

    TestFiles::CTempDir m_dir;
    std::unique_ptr<CSQLServerEngine> m_pEngine;
};

std::vector<SColumnSpec> IdAndName() {
    return {{"id", kTypeInt, 4, 10, 0, false}, {"name", kTypeVarChar, 40}};
}

std::string Id(const SRecordRow& row) {
    return row.vecValues.at(0);
}
}  // namespace

TEST_F(RecordExtraction, GridPagesOf500WithBookmarksBothWays) {
    CDataFileBuilder builder("Paging");
    auto nTable = builder.AddTable("Big", IdAndName());
    builder.AddGeneratedRows(nTable, 1300, [](std::uint64_t i) -> std::vector<Value> {
        return {EncodeInt32(static_cast<std::int32_t>(i)),
                EncodeVarchar("row " + std::to_string(i))};
    });
    Recover(builder);
    CTable& table = Table("Big");
    ASSERT_GE(table.m_vecPages.size(), 3u);

    auto vecFirst = GridPage(table);
    ASSERT_EQ(vecFirst.size(), 500u);
    EXPECT_EQ(Id(vecFirst.front()), "0");
    EXPECT_EQ(Id(vecFirst.back()), "499");
    EXPECT_FALSE(m_pEngine->m_bLastPage);
    m_pEngine->m_bPagingStarted = true;
    auto vecSecond = GridPage(table);
    ASSERT_EQ(vecSecond.size(), 500u);
    EXPECT_EQ(Id(vecSecond.front()), "500") << "resumes with the slot after the 500th row";
    auto vecThird = GridPage(table);
    ASSERT_EQ(vecThird.size(), 300u);
    EXPECT_EQ(Id(vecThird.back()), "1299");
    EXPECT_TRUE(m_pEngine->m_bLastPage);
    EXPECT_EQ(m_pEngine->m_dqBookmarks.size(), 2u);

    auto vecBack = GridPage(table, false);
    ASSERT_EQ(vecBack.size(), 500u);
    EXPECT_EQ(Id(vecBack.front()), "500");
    EXPECT_FALSE(m_pEngine->m_bLastPage);
    auto vecFirstAgain = GridPage(table, false);
    EXPECT_EQ(Id(vecFirstAgain.front()), "0");
    EXPECT_TRUE(m_pEngine->m_dqBookmarks.empty());
    EXPECT_EQ(Id(GridPage(table, true).front()), "500");
    EXPECT_EQ(m_pEngine->m_pStatus->m_nRecordCount, 500 + 500 + 300 + 500 + 500 + 500);
}

TEST_F(RecordExtraction, DeletedRowsGhostsAndFreedSlots) {
    CDataFileBuilder builder("Ghosts");
    auto nTable = builder.AddTable("T", IdAndName());
    builder.AddRow(nTable, {EncodeInt32(1), EncodeVarchar("live")});
    builder.AddRow(nTable, {EncodeInt32(2), EncodeVarchar("ghost")}, ERowState::kGhost);
    builder.AddRow(nTable, {EncodeInt32(3), EncodeVarchar("live")});
    builder.AddRow(nTable, {EncodeInt32(4), EncodeVarchar("freed")}, ERowState::kFreedSlot);
    builder.AddRow(nTable, {EncodeInt32(5), EncodeVarchar("last")});
    Recover(builder);
    CTable& table = Table("T");

    auto vecLive = AllGridRows(table);
    ASSERT_EQ(vecLive.size(), 3u);
    m_pEngine->m_bRecoverDeleted = true;
    auto vecAll = AllGridRows(table);
    ASSERT_EQ(vecAll.size(), 4u) << "the grid does not follow cleared slots";
    EXPECT_EQ(Id(vecAll[1]), "2");
    EXPECT_TRUE(vecAll[1].bDeleted);
    EXPECT_FALSE(vecAll[0].bDeleted);

    // The batched walk decodes the row that follows a decoded row at its end.
    CScriptFile file;
    ASSERT_TRUE(file.Create(m_dir / "export.sql"));
    m_pEngine->m_hTableFile = &file;
    m_pEngine->m_bDirectExport = false;
    m_pEngine->m_bRecordExportRunning = true;
    EXPECT_EQ(Engine().RecordExtractor().RecoverTableRecordThread(table, nullptr), 1u);
    file.Close();
    std::string strScript = TestFiles::ReadFile(m_dir / "export.sql");
    EXPECT_NE(strScript.find("values(4,'freed')"), std::string::npos) << strScript;
    EXPECT_EQ(table.m_nExportCount, 5);
}

TEST_F(RecordExtraction, StatementWalkWritesExactInserts) {
    CDataFileBuilder builder("Script");
    auto nTable = builder.AddTable("Notes", {{"id", kTypeInt, 4, 10, 0, false},
                                             {"note", kTypeVarChar, 40, 0, 0, false},
                                             {"extra", kTypeVarChar, 40},
                                             {"when", kTypeDatetime, 8}});
    builder.AddRow(nTable, {EncodeInt32(1), EncodeVarchar("NULL"), EncodeVarchar("a $#$ b"),
                            EncodeDatetime(2009, 3, 5, 14, 7, 9, 123)});
    builder.AddRow(nTable, {EncodeInt32(2), EncodeVarchar(""), std::nullopt, std::nullopt});
    builder.AddRow(nTable,
                   {EncodeInt32(3), EncodeVarchar("O'Brien"), EncodeVarchar(""), std::nullopt});
    Recover(builder);
    CTable& table = Table("Notes");
    EXPECT_EQ(
        Script(table),
        "Insert into [Notes] ([id],[note],[extra],[when])  values(1,'NULL','a $#$ b','2009-03-05 "
        "14:07:09.123')\r\ngo\r\n"
        "Insert into [Notes] ([id],[note])  values(2,'')\r\ngo\r\n"
        "Insert into [Notes] ([id],[note],[extra])  values(3,'O''Brien','')\r\ngo\r\n");
    EXPECT_EQ(m_pEngine->m_pStatus->m_nExportedRecords, 3);

    auto vecRows = AllGridRows(table);
    ASSERT_EQ(vecRows.size(), 3u);
    EXPECT_EQ(vecRows[0].vecValues,
              (std::vector<std::string>{"1", "NULL", "a $#$ b", "2009-03-05 14:07:09"}));
    EXPECT_EQ(vecRows[1].vecValues, (std::vector<std::string>{"2", "Empty", "NULL", "NULL"}));
}

TEST_F(RecordExtraction, RefusedStatementsCountAsFailedNotExported) {
    CDataFileBuilder builder("Refused");
    auto nTable = builder.AddTable("T", IdAndName());
    for (int i = 0; i < 250; ++i)
        builder.AddRow(nTable, {EncodeInt32(i), EncodeVarchar("x")});
    Recover(builder);
    CTable& table = Table("T");
    COdbcConnection closed;  // every Execute fails with the driver's "not connected"
    m_pEngine->m_bDirectExport = true;
    m_pEngine->m_bRecordExportRunning = true;
    EXPECT_EQ(Engine().RecordExtractor().RecoverTableRecordThread(table, &closed), 1u);
    EXPECT_EQ(table.m_nExportCount, 0);
    EXPECT_EQ(table.m_nFailedCount, 250);
    EXPECT_EQ(m_pEngine->m_pStatus->m_nFailedRecords, 250);
    auto vecErrors = TestRecovery::LogMessages(m_dir / "logs" / "ErrorLog.log");
    ASSERT_FALSE(vecErrors.empty());
    EXPECT_EQ(vecErrors.back().rfind("not connected : Insert into [T]", 0), 0u) << vecErrors.back();

    // Row by row on the engine's connection.
    m_pEngine->m_pStatus->m_nFailedRecords = 0;
    m_pEngine->m_pStatus->m_nExportedRecords = 0;
    m_pEngine->m_pDatabase = &closed;
    m_pEngine->m_pStatus->m_pCurrentTable = &table;
    Engine().RecordExtractor().RecoverTableRecordThread();
    EXPECT_EQ(m_pEngine->m_pStatus->m_nExportedRecords, 0);
    EXPECT_EQ(m_pEngine->m_pStatus->m_nFailedRecords, 250);
    m_pEngine->m_pDatabase = nullptr;
}

TEST_F(RecordExtraction, LargeValuesInEveryLayout) {
    CDataFileBuilder builder("Large");
    auto nTable = builder.AddTable("Docs", {{"id", kTypeInt, 4, 10, 0, false},
                                            {"linked", kTypeText, 16},
                                            {"tree", kTypeText, 16},
                                            {"inrow", kTypeText, 16},
                                            {"inrow2", kTypeText, 16},
                                            {"small", kTypeNText, 16},
                                            {"pic", kTypeImage, 16}});
    builder.SetTextLayout(nTable, 1, ETextLayout::kLinkedRoot);
    builder.SetTextLayout(nTable, 2, ETextLayout::kTextTree);
    builder.SetTextLayout(nTable, 3, ETextLayout::kInRowRoot);
    builder.SetTextLayout(nTable, 4, ETextLayout::kInRowRoot);
    builder.SetTextLayout(nTable, 5, ETextLayout::kSmallRoot);
    std::string strLong;
    for (int i = 0; strLong.size() < 20000; ++i)
        strLong += "part " + std::to_string(i) + ". ";
    std::string strTree(17000, 't');
    strTree[16999] = 'z';
    builder.AddRow(nTable, {EncodeInt32(1), ToBytes(strLong), ToBytes(strTree),
                            ToBytes("short root"), ToBytes(std::string(9000, 'w')),
                            EncodeNVarchar(u"\u0391\u0392\u0393"), ToBytes("\x01\x02\x03")});
    builder.AddRow(nTable, {EncodeInt32(2), std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                            EncodeNVarchar(u"plain"), std::nullopt});
    builder.SetTornPageProtection(true);
    Recover(builder);
    CTable& table = Table("Docs");

    auto vecRows = AllGridRows(table);
    ASSERT_EQ(vecRows.size(), 2u);
    const auto& values = vecRows[0].vecValues;
    EXPECT_EQ(values[1], strLong) << "over several text pages";
    EXPECT_EQ(values[2], strTree);
    EXPECT_EQ(values[3], "short root");
    EXPECT_EQ(values[4], std::string(9000, 'w')) << "the two-part in-row root";
    EXPECT_EQ(values[5], "?????");
    EXPECT_EQ(values[6], "<binary data>");
    EXPECT_EQ(vecRows[1].vecValues,
              (std::vector<std::string>{"2", "NULL", "NULL", "NULL", "NULL", "plain", "NULL"}));

    std::string strScript = Script(table);
    EXPECT_NE(strScript.find("'" + strLong + "'"), std::string::npos);
    EXPECT_NE(strScript.find(",CONVERT(nvarchar(4000),0x910392039303),0x010203)"),
              std::string::npos)
        << strScript.substr(strScript.size() - 200);

    // A varchar whose end offset carries the pointer bit is read through the pointer too.
    table.m_vecColumns[3].m_strType = "varchar";
    table.SetVarColumnType("-3", "varchar");
    EXPECT_EQ(AllGridRows(table)[0].vecValues[3], "short root");
}

TEST_F(RecordExtraction, EveryTypeAtItsEdges) {
    CDataFileBuilder builder("Types");
    auto nTable = builder.AddTable("E", {{"ti", kTypeTinyInt, 1},
                                         {"si", kTypeSmallInt, 2},
                                         {"bi", kTypeBigInt, 8},
                                         {"r", kTypeReal, 4},
                                         {"f", kTypeFloat, 8},
                                         {"m", kTypeMoney, 8, 19, 4},
                                         {"sm", kTypeSmallMoney, 4, 10, 4},
                                         {"d", kTypeDecimal, 17, 38, 2},
                                         {"b1", kTypeBit, 1},
                                         {"b2", kTypeBit, 1},
                                         {"dt", kTypeDatetime, 8},
                                         {"sdt", kTypeSmallDatetime, 4},
                                         {"g", kTypeUniqueIdentifier, 16},
                                         {"nc", kTypeNChar, 4},
                                         {"vb", kTypeVarBinary, 10}});
    unsigned __int128 nHuge = 1;
    for (int i = 0; i < 37; ++i)
        nHuge *= 10;
    builder.AddRow(
        nTable, {EncodeTinyInt(255), EncodeInt16(-32768), EncodeInt64(INT64_MIN), EncodeReal(-1.0f),
                 EncodeFloat(0.0), EncodeMoney(INT64_MAX), EncodeSmallMoney(INT32_MIN),
                 EncodeDecimal(true, nHuge, 17), EncodeBit(true), EncodeBit(false),
                 EncodeDatetime(DaysSince1900(1753, 1, 1), 0), EncodeSmallDatetime(65535, 1439),
                 EncodeGuid({}), EncodeNChar(u"ab", 4), EncodeVarbinary(ToBytes("\x41\x00"))});
    builder.AddRow(nTable, std::vector<Value>(15, std::nullopt));
    builder.AddRow(nTable,
                   {EncodeTinyInt(0), std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                    std::nullopt, std::nullopt, std::nullopt, std::nullopt, EncodeBit(true),
                    std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    Recover(builder);
    auto vecRows = AllGridRows(Table("E"));
    ASSERT_EQ(vecRows.size(), 2u) << "the all-NULL row is not shown in the grid";
    EXPECT_EQ(vecRows[0].vecValues,
              (std::vector<std::string>{"255", "-32768", "-9223372036854775808", "-1.000000e+000",
                                        "0.000000", "922337203685477.5807", "-214748.3648",
                                        "-1" + std::string(35, '0') + ".00", "1", "0",
                                        "1753-01-01 0:00:00", "2079-06-06 23:59:00",
                                        "{00000000-0000-0000-0000-000000000000}", "ab", "A"}));
    EXPECT_EQ(vecRows[1].vecValues[9], "1") << "bit columns share one byte";
    EXPECT_EQ(vecRows[1].vecValues[8], "NULL");

    std::string strScript = Script(Table("E"));
    EXPECT_NE(strScript.find("Insert into [E] default values\r\ngo\r\n"), std::string::npos)
        << "an all-NULL row is still exported";
    EXPECT_NE(strScript.find("-1e+00,0e+00,922337203685477.5807"), std::string::npos) << strScript;
    EXPECT_NE(strScript.find("'1753-01-01 0:00:00.000',CONVERT(smalldatetime, 0xffff059f)"),
              std::string::npos);
}
