// tests/app/export/TablePoolTest.cpp
// The table workers of a database export into SQLite registered as "SQL SERVER": how many
// workers and connections, every row exactly once, stops that must wake the job whenever they
// come, connections that do not open, and the scripts written by several workers.
// Under ThreadSanitizer: cmake --preset tsan && cmake --build build/tsan --target
// ambermill_cli_tests && build/tsan/bin/ambermill_cli_tests --gtest_filter='TablePool*'
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "app/export/job/CExportJob.h"
#include "app/export/job/IExportObserver.h"
#include "common/OdbcConnection.h"
#include "engine/scripts/SqliteOdbc.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace {
constexpr int kTables = 12;

// Rows of table Tn: n x 20 + 5, so that a count that lands in the wrong table shows.
int RowsOf(int nTable) {
    return nTable * 20 + 5;
}

std::string TableName(int nTable) {
    return "T" + std::to_string(nTable);
}

fs::path BuildTwelveTables(const fs::path& folder) {
    fixtures::CDataFileBuilder builder("Pool DB");
    for (int t = 1; t <= kTables; ++t) {
        fixtures::SColumnSpec id{"Id", fixtures::kTypeInt, 4, 0, 0, false};
        fixtures::SColumnSpec text{"Txt", fixtures::kTypeVarChar, 40, 0, 0, true};
        const std::uint32_t nTable = builder.AddTable(TableName(t), {id, text});
        for (int i = 1; i <= RowsOf(t); ++i) {
            builder.AddRow(nTable,
                           {fixtures::EncodeInt32(i),
                            fixtures::EncodeVarchar(TableName(t) + " row " + std::to_string(i))});
        }
    }
    fs::path path = folder / "pool.mdf";
    builder.WriteTo(path);
    return path;
}

// Workers call in under the pool's lock, the job thread outside it: the observer keeps its own.
class CPoolObserver : public IExportObserver {
  public:
    void OnMessage(const std::string& strText) override {
        std::lock_guard lock(m_mutex);
        if (bJobReturned)
            bLateCall = true;
        vecMessages.push_back(strText);
        if (fnOnMessage)
            fnOnMessage(strText);
    }
    void OnProgress(int nPercent, int, int) override {
        std::lock_guard lock(m_mutex);
        if (bJobReturned)
            bLateCall = true;
        vecProgress.push_back(nPercent);
    }
    void OnTableDone(const std::string& strName, std::int64_t nExported, std::int64_t) override {
        std::lock_guard lock(m_mutex);
        if (bJobReturned)
            bLateCall = true;
        vecDone.push_back(strName + ":" + std::to_string(nExported));
    }
    bool HasMessage(const std::string& strText) {
        std::lock_guard lock(m_mutex);
        return std::find(vecMessages.begin(), vecMessages.end(), strText) != vecMessages.end();
    }

    std::mutex m_mutex;
    std::vector<std::string> vecMessages;
    std::vector<int> vecProgress;
    std::vector<std::string> vecDone;
    std::function<void(const std::string&)> fnOnMessage;
    std::atomic<bool> bJobReturned{false};
    std::atomic<bool> bLateCall{false};
};

class TablePool : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!SqliteOdbc::Available())
            return;
        SqliteOdbc::Register();
        s_pDir = std::make_unique<TestFiles::CTempDir>();
        s_pEngine = TestRecovery::Recover(BuildTwelveTables(s_pDir->Path()));
    }
    static void TearDownTestSuite() {
        s_pEngine.reset();
        s_pDir.reset();
    }

    void SetUp() override {
        if (!SqliteOdbc::Available())
            GTEST_SKIP() << "SQLite ODBC driver not installed";
        ASSERT_TRUE(s_pEngine);
        s_pEngine->m_pStatus->m_bStop = false;
        database = dir / "target.db";
        // SQLite lets one writer in at a time; the others wait this long instead of failing. No
        // flush per statement: the tests count rows, they do not test the disk.
        strConnect = SqliteOdbc::ConnectString(database) + ";Timeout=60000;SyncPragma=off";
        connection.Open(strConnect);
        options.eTarget = EExportTarget::Database;
        options.pConnection = &connection;
        options.strConnect = strConnect;
        options.nWorkers = 5;
        options.bObjects = false;
    }
    void TearDown() override {
        if (s_pEngine)
            s_pEngine->m_pStatus->m_bStop = false;
    }

    CExportJob::SResult Run() {
        CExportJob::SResult result = CExportJob(*s_pEngine, options, observer).Run();
        observer.bJobReturned = true;
        return result;
    }

    int Count(const std::string& strSql) {
        const auto vecRows = SqliteOdbc::Query(database, strSql);
        return vecRows.size() == 1 ? std::stoi(vecRows[0]) : -1;
    }

    // Every table of the report holds exactly the rows the file has, each once.
    void ExpectEveryRowOnce(const CExportJob::SResult& result, int nTables) {
        ASSERT_EQ(result.report.Rows().size(), static_cast<std::size_t>(nTables));
        for (int t = 1; t <= nTables; ++t) {
            const CExportReport::SRow& row = result.report.Rows()[static_cast<std::size_t>(t - 1)];
            EXPECT_EQ(row.strName, TableName(t));  // selection order, whatever finished first
            EXPECT_EQ(row.nExported, RowsOf(t)) << row.strName;
            EXPECT_EQ(row.nFailed, 0) << row.strName;
            const std::string strTable = TableName(t);
            EXPECT_EQ(Count("SELECT COUNT(*) FROM " + strTable), RowsOf(t)) << strTable;
            EXPECT_EQ(Count("SELECT COUNT(DISTINCT Id) FROM " + strTable), RowsOf(t)) << strTable;
            EXPECT_EQ(Count("SELECT COUNT(*) FROM " + strTable + " WHERE Txt <> '" + strTable +
                            " row ' || Id"),
                      0)
                << strTable << ": a row carries another table's or row's text";
        }
    }

    static std::unique_ptr<TestFiles::CTempDir> s_pDir;
    static std::unique_ptr<CSQLServerEngine> s_pEngine;
    TestFiles::CTempDir dir;
    fs::path database;
    std::string strConnect;
    COdbcConnection connection;
    SExportOptions options;
    CPoolObserver observer;
};
std::unique_ptr<TestFiles::CTempDir> TablePool::s_pDir;
std::unique_ptr<CSQLServerEngine> TablePool::s_pEngine;
}  // namespace

TEST_F(TablePool, ThreeTablesGetThreeWorkersAndTwelveShareFive) {
    options.vecTables = {"T1", "T2", "T3"};
    auto three = Run();
    ASSERT_TRUE(three.bComplete) << three.strError;
    EXPECT_EQ(three.nTableWorkers, 3);
    EXPECT_EQ(three.nWorkerConnections, 3);
    ExpectEveryRowOnce(three, 3);
    EXPECT_FALSE(observer.bLateCall);

    TestFiles::CTempDir other;
    database = other / "all.db";
    options.strConnect = SqliteOdbc::ConnectString(database) + ";Timeout=60000;SyncPragma=off";
    COdbcConnection main;
    main.Open(options.strConnect);
    options.pConnection = &main;
    options.vecTables.clear();
    observer.bJobReturned = false;
    auto twelve = Run();
    ASSERT_TRUE(twelve.bComplete) << twelve.strError;
    EXPECT_EQ(twelve.nTableWorkers, 5);
    EXPECT_EQ(twelve.nWorkerConnections, 5);
    ExpectEveryRowOnce(twelve, kTables);
    EXPECT_EQ(observer.vecDone.size(), 3u + kTables);
    EXPECT_EQ(observer.vecProgress.back(), 100);
    EXPECT_FALSE(observer.bLateCall);
}

TEST_F(TablePool, OneWorkerRunsTheSequentialStageWithTheSameCounts) {
    options.nWorkers = 1;
    auto result = Run();
    ASSERT_TRUE(result.bComplete) << result.strError;
    EXPECT_EQ(result.nTableWorkers, 0);
    ExpectEveryRowOnce(result, kTables);
}

// Before the fix a stop that came once the queue had run empty left the job asleep for ever: the
// workers that ended on the empty queue never lowered the live count.
TEST_F(TablePool, AStopWakesTheJobAfterTheLastWorkerWhenEverItComes) {
    // A stop asked for before the job's thread got going is not forgotten.
    s_pEngine->m_pStatus->m_bStop = true;
    auto early = Run();
    EXPECT_TRUE(early.bStopped);
    EXPECT_TRUE(observer.vecDone.empty());
    s_pEngine->m_pStatus->m_bStop = false;

    for (const std::string& strLastStarted : {std::string("T3"), TableName(kTables)}) {
        SCOPED_TRACE("stop when " + strLastStarted + " starts");
        TestFiles::CTempDir other;
        database = other / "stop.db";
        options.strConnect = SqliteOdbc::ConnectString(database) + ";Timeout=60000;SyncPragma=off";
        COdbcConnection main;
        main.Open(options.strConnect);
        options.pConnection = &main;
        observer.bJobReturned = false;
        observer.fnOnMessage = [&](const std::string& strText) {
            if (strText == "Exporting table : " + strLastStarted)
                s_pEngine->m_pStatus->m_bStop = true;
        };
        auto result = Run();
        EXPECT_TRUE(result.bStopped);
        EXPECT_FALSE(result.bComplete);
        EXPECT_TRUE(observer.HasMessage("Export terminated"));
        // Nothing reports after the job has returned: every worker had ended before it woke.
        EXPECT_FALSE(observer.bLateCall);
        // The table that was being written when the stop came may be partial, never the others.
        for (const std::string& strDone : observer.vecDone) {
            const std::string strName = strDone.substr(0, strDone.find(':'));
            const int nTable = std::stoi(strName.substr(1));
            EXPECT_EQ(strDone, strName + ":" + std::to_string(RowsOf(nTable)));
        }
        s_pEngine->m_pStatus->m_bStop = false;
        observer.fnOnMessage = nullptr;
        observer.vecDone.clear();
    }
}

TEST_F(TablePool, AConnectionThatDoesNotOpenLosesNoTable) {
    std::atomic<int> nAttempts{0};
    options.fnConnect = [&](int nWorker) {
        ++nAttempts;
        if (nWorker == 1)
            throw COdbcError("[08001] server refused the connection");
        auto pConnection = std::make_unique<COdbcConnection>();
        pConnection->Open(strConnect);
        return pConnection;
    };
    auto result = Run();
    ASSERT_TRUE(result.bComplete) << result.strError;
    EXPECT_EQ(nAttempts, 5);
    EXPECT_EQ(result.nTableWorkers, 5);
    EXPECT_EQ(result.nWorkerConnections, 4);
    EXPECT_TRUE(observer.HasMessage(
        "Table worker 2 could not connect: [08001] server refused the connection"));
    ASSERT_EQ(result.vecWarnings.size(), 1u);
    ExpectEveryRowOnce(result, kTables);
}

// A batch is one transaction: committed once, and a row the target refuses is the only row lost,
// on the sequential stage and on the pool alike.
TEST_F(TablePool, ABatchCommitsOnceAndARefusedRowCostsOnlyItself) {
    auto expectOnlyRow42Lost = [&](const CExportJob::SResult& result) {
        ASSERT_EQ(result.report.Rows().size(), static_cast<std::size_t>(kTables));
        for (int t = 1; t <= kTables; ++t) {
            const CExportReport::SRow& row = result.report.Rows()[static_cast<std::size_t>(t - 1)];
            const int nExpected = t == 5 ? RowsOf(t) - 1 : RowsOf(t);
            EXPECT_EQ(row.nExported, nExpected) << row.strName;
            EXPECT_EQ(Count("SELECT COUNT(DISTINCT Id) FROM " + TableName(t)), nExpected)
                << TableName(t);
        }
        // The refused row and the table's own CREATE (it exists already).
        EXPECT_EQ(result.report.Rows()[4].nFailed, 2);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM T5 WHERE Id = 42"), 0);
    };
    const char* pszTarget = "CREATE TABLE T5 (Id int, Txt varchar(40), CHECK (Id <> 42))";

    connection.Execute(pszTarget);
    options.nWorkers = 1;
    const std::uint64_t nBefore = connection.Commits();
    auto sequential = Run();
    ASSERT_TRUE(sequential.bComplete) << sequential.strError;
    expectOnlyRow42Lost(sequential);
    // Batches of 100 that never span a page: 23 over the twelve tables, less T5's refused one
    // (its rows were sent again on their own), plus a few cut short by a page end. One commit per
    // row would be 1,620.
    const std::uint64_t nCommits = connection.Commits() - nBefore;
    EXPECT_GE(nCommits, 22u);
    EXPECT_LT(nCommits, 60u);

    TestFiles::CTempDir other;
    database = other / "pool.db";
    options.strConnect = SqliteOdbc::ConnectString(database) + ";Timeout=60000;SyncPragma=off";
    COdbcConnection main;
    main.Open(options.strConnect);
    main.Execute(pszTarget);
    options.pConnection = &main;
    options.nWorkers = 5;
    observer.bJobReturned = false;
    auto pooled = Run();
    ASSERT_TRUE(pooled.bComplete) << pooled.strError;
    EXPECT_EQ(pooled.nTableWorkers, 5);
    expectOnlyRow42Lost(pooled);
}

// SQLite lets one writer in at a time. Workers that collided on its lock slept in the driver's
// busy wait (5 workers ran at half the speed of one), or failed their rows without one; the
// workers' connections now take turns for each write.
TEST_F(TablePool, WritersOfAOneWriterDatabaseTakeTurns) {
    const std::string strNoWait = SqliteOdbc::ConnectString(database) + ";Timeout=1;SyncPragma=off";
    COdbcConnection first;
    COdbcConnection second;
    first.Open(strNoWait);
    second.Open(strNoWait);
    ASSERT_TRUE(first.AdmitsOneWriter());
    std::mutex gate;
    first.SetWriterGate(&gate);
    second.SetWriterGate(&gate);
    first.Execute("CREATE TABLE Turns (Id int)");

    ASSERT_TRUE(first.BeginTransaction());
    first.Execute("INSERT INTO Turns VALUES (1)");
    std::atomic<bool> bSecondDone{false};
    std::string strSecondError;
    std::thread writer([&] {
        try {
            second.Execute("INSERT INTO Turns VALUES (2)");
        } catch (const COdbcError& error) {
            strSecondError = error.what();  // "database is locked" without turns
        }
        bSecondDone = true;
    });
    // However long the open transaction lasts, the other writer waits for its turn.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(bSecondDone);
    first.Commit();
    writer.join();
    EXPECT_EQ(strSecondError, "");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Turns"), 2);

    // The pool's workers without any busy wait: every row still arrives once.
    TestFiles::CTempDir other;
    database = other / "noWait.db";
    options.strConnect = SqliteOdbc::ConnectString(database) + ";Timeout=1;SyncPragma=off";
    COdbcConnection main;
    main.Open(options.strConnect);
    options.pConnection = &main;
    auto result = Run();
    ASSERT_TRUE(result.bComplete) << result.strError;
    EXPECT_EQ(result.nTableWorkers, 5);
    ExpectEveryRowOnce(result, kTables);
}

TEST_F(TablePool, NoConnectionEndsTheExportWithTheDriversMessage) {
    options.strConnect = "DRIVER=No Such Driver;DATABASE=" + database.string();
    auto result = Run();
    EXPECT_FALSE(result.bComplete);
    EXPECT_FALSE(result.bStopped);
    EXPECT_EQ(result.eError, CExportJob::EError::Failure);
    EXPECT_EQ(result.nWorkerConnections, 0);
    EXPECT_NE(result.strError.find("no table worker could connect to the database: ["),
              std::string::npos)
        << result.strError;
    EXPECT_TRUE(result.report.Rows().empty());
}

TEST(TablePoolScripts, SeveralWorkersWriteTheSameBundleAsOne) {
    TestFiles::CTempDir dir;
    auto pEngine = TestRecovery::Recover(TestFiles::SamplePath());
    ASSERT_TRUE(pEngine);
    CPoolObserver observer;
    SExportOptions options;
    options.outputParent = dir / "one";
    auto one = CExportJob(*pEngine, options, observer).Run();
    ASSERT_TRUE(one.bComplete) << one.strError;
    options.outputParent = dir / "five";
    options.nWorkers = 5;
    auto five = CExportJob(*pEngine, options, observer).Run();
    ASSERT_TRUE(five.bComplete) << five.strError;
    EXPECT_EQ(five.nTableWorkers, 5);
    EXPECT_EQ(five.nWorkerConnections, 0);

    std::vector<std::string> vecFiles;
    for (const auto& entry : fs::recursive_directory_iterator(one.bundleFolder)) {
        if (entry.is_regular_file())
            vecFiles.push_back(fs::relative(entry.path(), one.bundleFolder).string());
    }
    std::sort(vecFiles.begin(), vecFiles.end());
    ASSERT_GT(vecFiles.size(), 10u);
    for (const std::string& strFile : vecFiles) {
        // The runner included: it lists the tables in selection order either way.
        EXPECT_EQ(TestFiles::ReadFile(five.bundleFolder / strFile),
                  TestFiles::ReadFile(one.bundleFolder / strFile))
            << strFile;
    }
    ASSERT_EQ(five.report.Rows().size(), one.report.Rows().size());
    for (std::size_t i = 0; i < one.report.Rows().size(); ++i) {
        EXPECT_EQ(five.report.Rows()[i].strName, one.report.Rows()[i].strName);
        EXPECT_EQ(five.report.Rows()[i].nExported, one.report.Rows()[i].nExported);
    }
}

// A row the record walk has to skip is damage of the export, whichever worker met it. The pooled
// tables reported into nothing, so an export of a damaged file from the window or the
// command-line tool (both pooled) said nothing of the rows it left out.
TEST(TablePoolScripts, RowsAWorkerSkipsAreInTheResultsDamage) {
    TestFiles::CTempDir dir;
    fixtures::CDataFileBuilder builder("Shop");
    std::vector<std::uint32_t> vecTables;
    for (const char* pszName : {"Orders", "Items", "Notes"}) {
        vecTables.push_back(builder.AddTable(pszName, {{"Id", fixtures::kTypeInt, 4}}));
        for (int n = 1; n <= 10; ++n)
            builder.AddRow(vecTables.back(), {fixtures::EncodeInt32(n)});
    }
    const std::vector<std::byte> vecBytes = builder.Build();
    std::string strBytes(reinterpret_cast<const char*>(vecBytes.data()), vecBytes.size());
    // Slot 4 of Orders' page and slot 7 of Notes' page point far past their page.
    const std::uint32_t nOrdersPage = builder.DataPages(vecTables[0]).at(0);
    const std::uint32_t nNotesPage = builder.DataPages(vecTables[2]).at(0);
    strBytes[nOrdersPage * 8192 + 8190 - 2 * 4 + 1] = '\x7F';
    strBytes[nNotesPage * 8192 + 8190 - 2 * 7 + 1] = '\x7F';
    TestFiles::WriteFile(dir / "slots.mdf", strBytes);
    auto pEngine = TestRecovery::Recover(dir / "slots.mdf");
    ASSERT_TRUE(pEngine);

    for (int nWorkers : {1, 3}) {
        SCOPED_TRACE(std::to_string(nWorkers) + " worker(s)");
        CPoolObserver observer;
        SExportOptions options;
        options.outputParent = dir / ("out" + std::to_string(nWorkers));
        options.nWorkers = nWorkers;
        auto result = CExportJob(*pEngine, options, observer).Run();
        ASSERT_TRUE(result.bComplete) << result.strError;
        ASSERT_EQ(result.report.TotalExported(), 28);
        std::set<std::pair<std::uint32_t, std::uint16_t>> setSkipped;
        for (const SDamage& damage : result.pDamage->Records()) {
            if (damage.nPage && damage.nSlot)
                setSkipped.insert({*damage.nPage, *damage.nSlot});
        }
        EXPECT_EQ(setSkipped, (std::set<std::pair<std::uint32_t, std::uint16_t>>{{nOrdersPage, 4},
                                                                                 {nNotesPage, 7}}));
    }
}
