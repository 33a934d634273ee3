// tests/engine/scripts/ObjectAndFolderScriptsTest.cpp
// Programmable object scripts in file and direct mode (failures logged and counted), and the two
// folder-script operations with their quoting, column guard and export hand-shake.
#include <gtest/gtest.h>

#include <thread>

#include "common/ExecutionLog.h"
#include "common/ScriptFile.h"
#include "engine/format2000/CSQLServer2000.h"
#include "engine/scripts/CFolderScripts.h"
#include "engine/scripts/SqliteOdbc.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

namespace {
CViewStoredProc Object(const std::string& strName, const std::string& strText) {
    CViewStoredProc object;
    object.m_strName = strName;
    object.m_strText = strText;
    return object;
}

CColumnInfo Column(const std::string& strName, const std::string& strType) {
    CColumnInfo column;
    column.m_strName = strName;
    column.m_strType = strType;
    column.m_strUserType = strType;
    return column;
}

void AddTable(CSQLServerEngine& engine, const std::string& strKey, const std::string& strName,
              std::vector<CColumnInfo> vecColumns, const std::string& strRecords) {
    auto pTable = std::make_unique<CTable>();
    pTable->m_strName = strName;
    pTable->m_vecColumns = std::move(vecColumns);
    pTable->m_nColumns = static_cast<std::int32_t>(pTable->m_vecColumns.size());
    pTable->m_strRecordText = strRecords;
    engine.m_mapObjects.Set(strKey, std::move(pTable));
}
}  // namespace

TEST(ObjectScript, FileModeWritesTheTextAndABatchSeparator) {
    TestFiles::CTempDir dir;
    auto pEngine = CreateSQLServer2000Engine();
    CScriptFile views;
    CScriptFile functions;
    ASSERT_TRUE(views.Create(dir / "Views.sql"));
    ASSERT_TRUE(functions.Create(dir / "Functions.sql"));
    pEngine->m_hViewsFile = &views;
    pEngine->m_hFunctionsFile = &functions;
    CViewStoredProc view = Object("v", "CREATE VIEW v AS SELECT 1");
    CViewStoredProc empty = Object("e", "");
    CViewStoredProc function = Object("f", "CREATE FUNCTION f() RETURNS int AS BEGIN RETURN 1 END");
    pEngine->GenerateViewQueries(&view);
    pEngine->GenerateViewQueries(&empty);
    pEngine->GenerateFunctionQueries(&function);
    views.Close();
    functions.Close();
    EXPECT_EQ(TestFiles::ReadFile(dir / "Views.sql"),
              "CREATE VIEW v AS SELECT 1\r\n\r\ngo\r\n\r\n\r\ngo\r\n");
    EXPECT_EQ(TestFiles::ReadFile(dir / "Functions.sql"), function.m_strText + "\r\n\r\ngo\r\n");
    pEngine->m_hViewsFile = nullptr;
    pEngine->m_hFunctionsFile = nullptr;
}

TEST(ObjectScript, DirectModeLogsAndCountsEveryFailedKind) {
    if (!SqliteOdbc::Available())
        GTEST_SKIP() << "SQLite ODBC driver not installed";
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    SqliteOdbc::Register();
    COdbcConnection connection;
    connection.Open(SqliteOdbc::ConnectString(dir / "t.db"));
    connection.Execute("CREATE TABLE t (a int)");
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_bDirectExport = true;
    pEngine->m_pDatabase = &connection;
    CEngineStatus& status = *pEngine->m_pStatus;

    CViewStoredProc good = Object("vGood", "CREATE VIEW vGood AS SELECT a FROM t");
    pEngine->GenerateViewQueries(&good);
    EXPECT_EQ(status.m_nExportedRecords, 1);
    EXPECT_EQ(status.m_nFailedRecords, 0);
    EXPECT_EQ(SqliteOdbc::Query(dir / "t.db", "SELECT name FROM sqlite_master WHERE type='view'"),
              std::vector<std::string>{"vGood"});

    // T-SQL that SQLite refuses stands for any statement the server rejects.
    CViewStoredProc bad = Object("bad", "CREATE RULE r AS @x > 0");
    pEngine->GenerateViewQueries(&bad);
    pEngine->GenerateStoredProcQueries(&bad);
    pEngine->GenerateRulesQueries(&bad);
    pEngine->GenerateTriggerQueries(&bad);
    pEngine->GenerateFunctionQueries(&bad);
    EXPECT_EQ(status.m_nFailedRecords, 5);
    EXPECT_EQ(status.m_nExportedRecords, 1);
    auto vecErrors = TestRecovery::LogMessages(dir / "logs" / "ErrorLog.log");
    int nLogged = 0;
    for (const std::string& strLine : vecErrors) {
        if (strLine.find("Failed to create") != std::string::npos &&
            strLine.find("bad") != std::string::npos) {
            ++nLogged;
        }
    }
    EXPECT_EQ(nLogged, 5);
    pEngine->m_pDatabase = nullptr;
}

TEST(FolderScripts, GenerateQueriesQuotesValuesAndStopsAtTheLastColumn) {
    TestFiles::CTempDir dir;
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strDatabaseName = "Shop";
    AddTable(*pEngine, "1", "People",
             {Column("Id", "int"), Column("Name", "varchar"), Column("Born", "datetime")},
             "1$#$O'Neil$#$2001-02-03#&#2$#$NULL$#$NULL$#$surplus");
    AddTable(*pEngine, "2", "", {Column("x", "int")}, "9");
    pEngine->m_mapViews.Set(
        "5", std::make_unique<CViewStoredProc>(Object("v", "CREATE VIEW v AS SELECT 1")));
    static_cast<CSQLServer2000&>(*pEngine).GenerateQueries(dir.Path().string());

    EXPECT_EQ(TestFiles::ReadFile(dir / "Create_Database.sql"), "CREATE DATABASE [Shop]");
    EXPECT_EQ(TestFiles::ReadFile(dir / "Create_Table.sql"),
              "CREATE TABLE [People]([Id] int,[Name] varchar,[Born] datetime)\r\n");
    EXPECT_EQ(TestFiles::ReadFile(dir / "Views.sql"), "CREATE VIEW v AS SELECT 1\r\n");
    EXPECT_EQ(TestFiles::ReadFile(dir / "Stored_Procedure.sql"), "");
    EXPECT_EQ(TestFiles::ReadFile(dir / "Insert_Queries.sql"),
              "Insert into  [People] values(1,'O''Neil','2001-02-03')\r\n"
              "Insert into  [People] values(2,NULL,NULL)\r\n");
}

TEST(FolderScripts, TableInsertQueriesHandShakeAfterEachTableAndStopLeavesTheFileEmpty) {
    TestFiles::CTempDir dir;
    auto pEngine = CreateSQLServer2000Engine();
    AddTable(*pEngine, "1", "A", {Column("Id", "int"), Column("Name", "varchar")},
             "1$#$O'Neil#&#2$#$Empty");
    AddTable(*pEngine, "2", "NoColumns", {}, "1$#$2");
    AddTable(*pEngine, "3", "B", {Column("c", "varchar")}, "x^y");
    CEngineStatus& status = *pEngine->m_pStatus;
    status.m_bStop = false;

    // The caller's side: answer every "ExportEvent" with "ExportReady".
    int nHandShakes = 0;
    std::atomic<bool> bDone{false};
    std::thread answerer([&] {
        while (!bDone) {
            if (status.m_hExportEvent->WaitFor(std::chrono::milliseconds(20)) &&
                !status.m_hExportReady->IsSet()) {
                ++nHandShakes;
                status.m_hExportReady->Set();
            }
        }
    });
    static_cast<CSQLServer2000&>(*pEngine).GenerateTableInsertQueries(dir.Path().string());
    bDone = true;
    answerer.join();
    EXPECT_TRUE(status.m_bInsertDone);
    EXPECT_EQ(nHandShakes, 3);  // tables A and B, then the final one
    EXPECT_EQ(TestFiles::ReadFile(dir / "Insert_Queries.sql"),
              "Insert into [A] ([Id],[Name])  values(1,'O''Neil')\r\ngo\r\n"
              "Insert into [A] ([Id])  values(2)\r\ngo\r\n"
              "Insert into [B] ([c])  values('x^y')\r\ngo\r\n");
    EXPECT_NE(pEngine->m_strBatchWinAuth.find("sqlcmd -i Insert_Queries.sql\r\n"),
              std::string::npos);

    status.m_bStop = true;
    static_cast<CSQLServer2000&>(*pEngine).GenerateTableInsertQueries(dir.Path().string());
    EXPECT_EQ(TestFiles::ReadFile(dir / "Insert_Queries.sql"), "");
    EXPECT_FALSE(status.m_bInsertDone);
    status.m_bStop = false;
}
