// tests/cli/ExportCommandTest.cpp
// export-scripts and export-db end to end: the bundle and its folder on stdout, the CSV report,
// a real file, SQLite through the "SQL SERVER" driver name, and the refusals (unusable folder,
// full disk, connection that does not open).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "engine/scripts/SqliteOdbc.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"
#include "support/TestFiles.h"

using TestFiles::RunCli;
namespace fs = std::filesystem;

namespace {
std::string FirstLine(const std::string& strText) {
    return strText.substr(0, strText.find('\n'));
}

fs::path OnlyFile(const fs::path& folder, const std::string& strPrefix) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(strPrefix))
            return entry.path();
    }
    return {};
}
}  // namespace

TEST(ExportScriptsCommand, WritesTheBundleAndTheReport) {
    TestFiles::CTempDir dir;
    auto result = RunCli(
        {"export-scripts", TestFiles::SamplePath().string(), dir.Path().string(), "--report"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    const fs::path folder = FirstLine(result.strOut);
    EXPECT_TRUE(fs::is_directory(folder / "Tables")) << result.strOut;
    EXPECT_EQ(TestFiles::ReadFile(folder / "Bookstore.bat"),
              TestFiles::ReadFile(TestFiles::SourceDir() / "tests/golden/bookstore_runner.bat"));
    EXPECT_NE(result.strOut.find("records exported: 208, failed: 0"), std::string::npos)
        << result.strOut;
    const fs::path report = OnlyFile(dir.Path(), "ExportReport_Bookstore_");
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(
        TestFiles::ReadFile(report),
        "Authors,20,0\r\nBooks,40,0\r\nCustomers,25,0\r\nOrders,120,0\r\nTypeShowcase,3,0\r\n");

    // Schema only, two tables.
    TestFiles::CTempDir dir2;
    auto schema = RunCli({"export-scripts", TestFiles::SamplePath().string(), dir2.Path().string(),
                          "--tables", "Books,Orders", "--schema-only"});
    ASSERT_EQ(schema.nExitCode, 0) << schema.strErr;
    const fs::path folder2 = FirstLine(schema.strOut);
    EXPECT_FALSE(fs::exists(folder2 / "Tables/Authors.sql"));
    EXPECT_EQ(TestFiles::ReadFile(folder2 / "Tables/Orders.sql").find("Insert"), std::string::npos);
}

TEST(ExportScriptsCommand, RealFileExports) {
    auto path = TestFiles::RealReviewsFile();
    if (path.empty())
        GTEST_SKIP() << "reviews2000.mdf not present";
    TestFiles::CTempDir dir;
    auto result = RunCli({"export-scripts", path.string(), dir.Path().string(), "--report"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    const fs::path folder = FirstLine(result.strOut);
    EXPECT_TRUE(fs::exists(folder / "CreateDatabaseQuery.sql"));
    EXPECT_FALSE(OnlyFile(dir.Path(), "ExportReport_").empty());
}

TEST(ExportScriptsCommand, UnusableFoldersAndFullDisksFailClearly) {
    TestFiles::CTempDir dir;
    TestFiles::WriteFile(dir / "file", "x");
    auto result =
        RunCli({"export-scripts", TestFiles::SamplePath().string(), (dir / "file").string()});
    EXPECT_EQ(result.nExitCode, 2);
    EXPECT_NE(result.strErr.find("Directory could not be created"), std::string::npos)
        << result.strErr;
    EXPECT_TRUE(result.strOut.empty());

    // A file size limit stands in for a full disk: writes past it fail with EFBIG. The limit
    // alone would kill a process with SIGXFSZ in the middle of a write; the tool must not die of
    // it but say so.
    fs::create_directory(dir / "disk");
    TestFiles::WriteFile(dir / "full.sh",
                         "ulimit -f 8\nexec \"" + std::string(AMBERMILL_CLI_PATH) +
                             "\" export-scripts \"" + TestFiles::SamplePath().string() + "\" \"" +
                             (dir / "disk").string() + "\" --no-progress >\"" +
                             (dir / "out").string() + "\" 2>\"" + (dir / "err").string() + "\"\n");
    const int nStatus = std::system(("sh '" + (dir / "full.sh").string() + "'").c_str());
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 1);
    EXPECT_EQ(TestFiles::ReadFile(dir / "out"), "");
    const std::string strErr = TestFiles::ReadFile(dir / "err");
    EXPECT_NE(strErr.find("could not write"), std::string::npos) << strErr;
    EXPECT_NE(strErr.find("is incomplete"), std::string::npos) << strErr;
}

TEST(ExportDbCommand, ExportsIntoSqliteThroughTheSqlServerDriverName) {
    if (!SqliteOdbc::Available())
        GTEST_SKIP() << "SQLite ODBC driver not installed";
    SqliteOdbc::Register();
    TestFiles::CTempDir dir;
    fixtures::CDataFileBuilder builder("Club");
    fixtures::SColumnSpec id{"Id", fixtures::kTypeInt, 4, 0, 0, false};
    fixtures::SColumnSpec name{"Member Name", fixtures::kTypeVarChar, 30, 0, 0, true};
    const std::uint32_t nMembers = builder.AddTable("Members", {id, name});
    const std::uint32_t nVisits = builder.AddTable("Visits", {id});
    for (int i = 1; i <= 30; ++i) {
        builder.AddRow(
            nMembers, {fixtures::EncodeInt32(i), fixtures::EncodeVarchar("M" + std::to_string(i))});
        builder.AddRow(nVisits, {fixtures::EncodeInt32(100 + i)});
    }
    builder.AddRow(nMembers, {fixtures::EncodeInt32(99), fixtures::EncodeVarchar("gone")}, true);
    builder.WriteTo(dir / "club.mdf");

    const std::string strConnect = SqliteOdbc::ConnectString(dir / "club.db");
    auto result = RunCli({"export-db", (dir / "club.mdf").string(), "--connect", strConnect});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    EXPECT_EQ(SqliteOdbc::Query(dir / "club.db", "SELECT COUNT(*) FROM Members"),
              std::vector<std::string>{"30"});
    EXPECT_EQ(SqliteOdbc::Query(dir / "club.db", "SELECT [Member Name] FROM Members WHERE Id = 7"),
              std::vector<std::string>{"M7"});
    EXPECT_EQ(SqliteOdbc::Query(dir / "club.db", "SELECT COUNT(*) FROM Visits"),
              std::vector<std::string>{"30"});
    EXPECT_NE(result.strOut.find("tables: 2, records exported: 60, failed: 0"), std::string::npos)
        << result.strOut;

    // With deleted records, into a fresh database: the ghost row comes too.
    auto deleted =
        RunCli({"export-db", (dir / "club.mdf").string(), "--connect",
                SqliteOdbc::ConnectString(dir / "club2.db"), "--deleted", "--tables", "Members"});
    ASSERT_EQ(deleted.nExitCode, 0) << deleted.strErr;
    EXPECT_EQ(SqliteOdbc::Query(dir / "club2.db", "SELECT COUNT(*) FROM Members"),
              std::vector<std::string>{"31"});

    // Again into the first database: the tables exist, so statements fail, are counted, and the
    // export ends with exit 4.
    auto again = RunCli({"export-db", (dir / "club.mdf").string(), "--connect", strConnect});
    EXPECT_EQ(again.nExitCode, 4) << again.strErr;
    EXPECT_NE(again.strErr.find("statements failed"), std::string::npos) << again.strErr;
}

TEST(ExportDbCommand, AConnectionThatDoesNotOpenExitsTwoWithTheDriverMessage) {
    SqliteOdbc::Register();
    auto result = RunCli({"export-db", TestFiles::SamplePath().string(), "--connect",
                          "DRIVER=No Such Driver;SERVER=x;UID=u;PWD=p"});
    EXPECT_EQ(result.nExitCode, 2);
    EXPECT_NE(result.strErr.find("cannot connect to the database: ["), std::string::npos)
        << result.strErr;
    auto missing = RunCli({"export-db", TestFiles::SamplePath().string()});
    EXPECT_EQ(missing.nExitCode, 2);
    for (const char* pszWorkers : {"0", "6", "x", "12"}) {
        auto workers = RunCli({"export-db", TestFiles::SamplePath().string(), "--connect",
                               "DRIVER=No Such Driver", "--workers", pszWorkers});
        EXPECT_EQ(workers.nExitCode, 2) << pszWorkers;
        EXPECT_NE(workers.strErr.find("--workers takes a number from 1 to 5"), std::string::npos)
            << workers.strErr;
    }
}
