// tests/app/export/ExportJobTest.cpp
// The export job: bundle names, the runner text byte for byte, the full bundle of the sample,
// names that must not break file names or the runner, refused folders, stops, and a database
// export into SQLite registered as "SQL SERVER".
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/export/job/CBatchRunnerText.h"
#include "app/export/job/CBundleNames.h"
#include "app/export/job/CExportJob.h"
#include "app/export/job/CExportReport.h"
#include "app/export/job/IExportObserver.h"
#include "common/AppPaths.h"
#include "common/ExecutionLog.h"
#include "engine/binding/EngineFactories.h"
#include "engine/scripts/SqliteOdbc.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace {
class CRecordingObserver : public IExportObserver {
  public:
    void OnMessage(const std::string& strText) override {
        vecMessages.push_back(strText);
        if (fnOnMessage)
            fnOnMessage(strText);
    }
    void OnProgress(int nPercent, int, int) override { vecProgress.push_back(nPercent); }
    void OnTableDone(const std::string& strName, std::int64_t nExported,
                     std::int64_t nFailed) override {
        vecTables.push_back(strName + ":" + std::to_string(nExported) + ":" +
                            std::to_string(nFailed));
    }
    std::vector<std::string> vecMessages;
    std::vector<int> vecProgress;
    std::vector<std::string> vecTables;
    std::function<void(const std::string&)> fnOnMessage;
};

std::unique_ptr<CTable> NamedTable(const std::string& strName) {
    auto pTable = std::make_unique<CTable>();
    pTable->m_strName = strName;
    CColumnInfo column;
    column.m_strName = "c";
    column.m_strType = column.m_strUserType = "int";
    column.m_nLength = 4;
    pTable->m_vecColumns.push_back(column);
    pTable->m_nColumns = 1;
    return pTable;
}

std::vector<std::string> Lines(const std::string& strText) {
    std::vector<std::string> vecLines;
    std::size_t nStart = 0;
    while (nStart < strText.size()) {
        std::size_t nEnd = strText.find("\r\n", nStart);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        vecLines.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    return vecLines;
}

// A small database SQLite can take: ints and plain text only, 150 rows, a view it accepts and
// a procedure it does not.
fs::path BuildPeopleFile(const fs::path& folder) {
    fixtures::CDataFileBuilder builder("People DB");
    fixtures::SColumnSpec id{"Id", fixtures::kTypeInt, 4, 0, 0, false};
    fixtures::SColumnSpec name{"Name", fixtures::kTypeVarChar, 30, 0, 0, true};
    const std::uint32_t nTable = builder.AddTable("People", {id, name});
    for (int i = 1; i <= 150; ++i) {
        builder.AddRow(nTable, {fixtures::EncodeInt32(i),
                                fixtures::EncodeVarchar("Person " + std::to_string(i))});
    }
    builder.AddObject("V", "vPeople", "CREATE VIEW vPeople AS SELECT Id FROM People");
    builder.AddObject("P", "spPeople", "CREATE PROCEDURE spPeople AS SELECT 1");
    fs::path path = folder / "people.mdf";
    builder.WriteTo(path);
    return path;
}
// A recovered People file and an open SQLite connection registered as "SQL SERVER".
class DatabaseExport : public testing::Test {
  protected:
    void SetUp() override {
        if (!SqliteOdbc::Available())
            GTEST_SKIP() << "SQLite ODBC driver not installed";
        SqliteOdbc::Register();
        pEngine = TestRecovery::Recover(BuildPeopleFile(dir.Path()));
        ASSERT_TRUE(pEngine);
        connection.Open(SqliteOdbc::ConnectString(dir / "t.db"));
        options.eTarget = EExportTarget::Database;
        options.pConnection = &connection;
    }
    TestFiles::CTempDir dir;
    std::unique_ptr<CSQLServerEngine> pEngine;
    COdbcConnection connection;
    SExportOptions options;
};
}  // namespace

TEST(BundleNames, ReplaceEveryCharacterThatBreaksAFileNameOrTheRunner) {
    EXPECT_EQ(CBundleNames::SafeFileName("a/b:c"), "a_b_c");
    EXPECT_EQ(CBundleNames::SafeFileName(std::string("x\"&|^%<>*?\\y\r\n\0z", 16)),
              "x__________y___z");
    EXPECT_EQ(CBundleNames::SafeFileName("Order Lines (2019)"), "Order Lines (2019)");
    CBundleNames::SClock clock{3, 7, 2024, 9, 5, 0};
    EXPECT_EQ(CBundleNames::TimeStamp(clock), "_3_7_2024_9_5_0");
    EXPECT_EQ(CBundleNames::BundleFolderName("C:\\data\\Sales&Co", clock),
              "Varnholt_Ambermill_Sales_Co_3_7_2024_9_5_0");
    EXPECT_EQ(CBundleNames::RunnerName("R&D/Ops"), "R_D_Ops.bat");
    EXPECT_EQ(CBundleNames::ReportName("Shop", clock), "ExportReport_Shop_3_7_2024_9_5_0.csv");
}

TEST(ExportReport, QuotesFieldsAsRfc4180Requires) {
    CExportReport report;
    report.Add({"Plain", 3, 0});
    report.Add({"a,b \"c\"", 10, 2});
    EXPECT_EQ(report.Csv(), "Plain,3,0\r\n\"a,b \"\"c\"\"\",10,2\r\n");
    EXPECT_EQ(report.TotalExported(), 13);
    EXPECT_EQ(report.TotalFailed(), 2);
}

TEST(BatchRunner, HeaderTailAndLinesAreByteExact) {
    EXPECT_EQ(CBatchRunnerText::Header() + CBatchRunnerText::Tail(),
              TestFiles::ReadFile(TestFiles::SourceDir() / "tests/golden/runner_header_tail.bat"));
    CBatchRunnerText osql("osql");
    CBatchRunnerText sqlcmd("sqlcmd");
    EXPECT_EQ(osql.WindowsLine("Views.sql"), "osql -E -S %1 -d %2 -i Views.sql\r\n");
    EXPECT_EQ(sqlcmd.SqlLine(CBatchRunnerText::TableScript("T")),
              "sqlcmd -U %1 -P %2 -S %3 -d %4 -i \"Tables\\T.sql\"\r\n");
}

TEST(ExportJob, WritesTheWholeBundleOfTheSample) {
    TestFiles::CTempDir dir;
    auto pEngine = TestRecovery::Recover(TestFiles::SamplePath());
    ASSERT_TRUE(pEngine);
    SExportOptions options;
    options.outputParent = dir / "out";
    CRecordingObserver observer;
    auto result = CExportJob(*pEngine, options, observer).Run();
    ASSERT_TRUE(result.bComplete) << result.strError;
    EXPECT_EQ(result.TotalFailed(), 0);
    const fs::path folder = result.bundleFolder;
    EXPECT_EQ(folder.parent_path(), dir / "out");
    EXPECT_TRUE(folder.filename().string().starts_with("Varnholt_Ambermill_Bookstore_"));
    for (const char* pszFile :
         {"UserDefinedDatatypes.sql", "Default.sql", "Views.sql", "Stored_Procedure.sql",
          "Functions.sql", "Rules.sql", "Triggers.sql", "Bookstore.bat", "ReadMe.txt",
          "CreateDatabaseQuery.sql", "Tables/Orders.sql", "Tables/Orders_Constraint.sql"}) {
        EXPECT_TRUE(fs::exists(folder / pszFile)) << pszFile;
    }
    // The runner, line by line: header, user types, defaults, tables, objects, tail.
    EXPECT_EQ(TestFiles::ReadFile(folder / "Bookstore.bat"),
              TestFiles::ReadFile(TestFiles::SourceDir() / "tests/golden/bookstore_runner.bat"));
    EXPECT_EQ(TestFiles::ReadFile(folder / "Default.sql"),
              "CREATE DEFAULT dbo.DefZero AS 0\r\ngo\r\n");
    EXPECT_EQ(TestFiles::ReadFile(folder / "CreateDatabaseQuery.sql"),
              "CREATE DATABASE [Bookstore]\r\ngo\r\n");
    const std::string strOrders = TestFiles::ReadFile(folder / "Tables/Orders.sql");
    EXPECT_TRUE(strOrders.starts_with("CREATE TABLE [Orders] ("));
    ASSERT_EQ(result.report.Rows().size(), 5u);
    EXPECT_EQ(result.report.Rows()[3].strName, "Orders");
    EXPECT_EQ(result.report.Rows()[3].nExported, 120);
    EXPECT_EQ(observer.vecProgress.back(), 100);
    EXPECT_EQ(observer.vecMessages.back(), "Export Complete.");
    const std::string strFolders = TestFiles::ReadFile(CAppPaths::WritableDir() / "OutputFldr.txt");
    EXPECT_NE(strFolders.find(folder.string() + "\n"), std::string::npos);
}

TEST(ExportJob, HostileTableNamesGetSafeDistinctFilesAndRunnerLines) {
    TestFiles::CTempDir dir;
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strDatabaseName = "R&D";
    pEngine->m_mapObjects.Set("1", NamedTable("a/b:c"));
    pEngine->m_mapObjects.Set("2", NamedTable("a_b_c"));
    pEngine->m_mapObjects.Set("3", NamedTable("x\" & del *.* & \"y"));
    SExportOptions options;
    options.outputParent = dir.Path();
    options.bWithData = false;
    CRecordingObserver observer;
    auto result = CExportJob(*pEngine, options, observer).Run();
    ASSERT_TRUE(result.bComplete) << result.strError;
    const fs::path folder = result.bundleFolder;
    EXPECT_TRUE(fs::exists(folder / "Tables/a_b_c.sql"));
    EXPECT_TRUE(fs::exists(folder / "Tables/a_b_c_2.sql"));
    EXPECT_TRUE(fs::exists(folder / "Tables/x_ _ del _._ _ _y.sql"));
    EXPECT_EQ(TestFiles::ReadFile(folder / "Tables/a_b_c.sql"),
              "CREATE TABLE [a/b:c] ([c] [int])\r\n\r\ngo\r\n");
    const auto vecLines = Lines(TestFiles::ReadFile(folder / "R_D.bat"));
    EXPECT_NE(std::find(vecLines.begin(), vecLines.end(),
                        "osql -E -S %1 -d %2 -i \"Tables\\a_b_c_2.sql\""),
              vecLines.end());
    EXPECT_NE(std::find(vecLines.begin(), vecLines.end(),
                        "osql -E -S %1 -d %2 -i \"Tables\\x_ _ del _._ _ _y_Constraint.sql\""),
              vecLines.end());
}

TEST(ExportJob, RefusesUnusableFoldersAndReportsStopsAsIncomplete) {
    TestFiles::CTempDir dir;
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strDatabaseName = "Shop";
    pEngine->m_mapObjects.Set("1", NamedTable("T1"));
    pEngine->m_mapObjects.Set("2", NamedTable("T2"));
    CRecordingObserver observer;

    TestFiles::WriteFile(dir / "file", "x");
    SExportOptions options;
    options.outputParent = dir / "file" / "sub";
    auto refused = CExportJob(*pEngine, options, observer).Run();
    EXPECT_FALSE(refused.bComplete);
    EXPECT_EQ(refused.eError, CExportJob::EError::BadInput);
    EXPECT_NE(refused.strError.find("Directory could not be created"), std::string::npos);

    options.outputParent = dir.Path();
    options.vecTables = {"T1", "Nope"};
    EXPECT_EQ(CExportJob(*pEngine, options, observer).Run().eError, CExportJob::EError::BadInput);

    // A stop after the first table: the job ends, nothing claims completeness, no runner is
    // written.
    options.vecTables.clear();
    observer.fnOnMessage = [&](const std::string& strText) {
        if (strText == "Exporting table : T1")
            pEngine->m_pStatus->m_bStop = true;
    };
    auto stopped = CExportJob(*pEngine, options, observer).Run();
    EXPECT_TRUE(stopped.bStopped);
    EXPECT_FALSE(stopped.bComplete);
    EXPECT_EQ(observer.vecMessages.back(), "Export terminated");
    EXPECT_FALSE(fs::exists(stopped.bundleFolder / "Shop.bat"));
    EXPECT_EQ(pEngine->m_hTableFile, nullptr);
}

TEST_F(DatabaseExport, TargetCreatesTablesAndRowsAndCountsFailures) {
    CRecordingObserver observer;
    auto result = CExportJob(*pEngine, options, observer).Run();
    ASSERT_TRUE(result.bComplete) << result.strError;
    EXPECT_EQ(SqliteOdbc::Query(dir / "t.db", "SELECT COUNT(*), MIN(Id), MAX(Id) FROM People"),
              std::vector<std::string>{"150|1|150"});
    EXPECT_EQ(SqliteOdbc::Query(dir / "t.db", "SELECT Name FROM People WHERE Id = 42"),
              std::vector<std::string>{"Person 42"});
    EXPECT_EQ(SqliteOdbc::Query(dir / "t.db", "SELECT COUNT(*) FROM vPeople"),
              std::vector<std::string>{"150"});
    EXPECT_EQ(observer.vecTables, std::vector<std::string>{"People:150:0"});
    // The procedure is T-SQL that SQLite refuses: one failure, counted, so the export is partial.
    EXPECT_EQ(result.TotalFailed(), 1);
    EXPECT_TRUE(connection.IsOpen());

    // Exporting again: the table exists, so its creation and every row fail, and say so.
    auto again = CExportJob(*pEngine, options, observer).Run();
    ASSERT_EQ(again.report.Rows().size(), 1u);
    EXPECT_GE(again.report.Rows()[0].nFailed, 1);
}

TEST_F(DatabaseExport, StopsMidTable) {
    CRecordingObserver observer;
    CEngineStatus& status = *pEngine->m_pStatus;
    std::atomic<bool> bDone{false};
    std::thread stopper([&] {
        while (!bDone && status.m_nRecordCount < 20)
            std::this_thread::yield();
        status.m_bStop = true;
    });
    auto result = CExportJob(*pEngine, options, observer).Run();
    bDone = true;
    stopper.join();
    EXPECT_TRUE(result.bStopped);
    EXPECT_FALSE(result.bComplete);
    auto vecCount = SqliteOdbc::Query(dir / "t.db", "SELECT COUNT(*) FROM People");
    ASSERT_EQ(vecCount.size(), 1u);
    // Each batch of 100 is one transaction: a stop keeps whole batches only.
    const int nRows = std::stoi(vecCount[0]);
    EXPECT_LT(nRows, 150);
    EXPECT_EQ(nRows % 100, 0) << nRows;
    status.m_bStop = false;
}
