// tests/cli/LaterFormatCommandsTest.cpp
// The command-line tool on the real 2005 and 2008 files: every row of every table, a table that
// cannot be read said as such, and a script bundle whose table scripts recreate the tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "fixtures/CLaterFileWriter.h"
#include "fixtures/LittleEndian.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using TestFiles::RunCli;

namespace {
fs::path SharedData(const char* szName) {
    fs::path path = fs::path(AMBERMILL_SHARED_DATA_DIR) / szName;
    std::error_code ec;
    return fs::exists(path, ec) ? path : fs::path();
}

// Rows of `rows --json` output: arrays inside the "rows" array, one per row.
std::size_t JsonRows(const std::string& strText) {
    const std::size_t nStart = strText.find("\"rows\":[[");
    if (nStart == std::string::npos)
        return 0;
    std::size_t nRows = 1;
    for (std::size_t n = strText.find("],[", nStart); n != std::string::npos;
         n = strText.find("],[", n + 3))
        ++nRows;
    return nRows;
}
}  // namespace

TEST(LaterFormatCommands, RowsAllGivesEveryRowOfNorthwind2008) {
    const fs::path file = SharedData("northwind2008.mdf");
    if (file.empty())
        GTEST_SKIP() << "northwind2008.mdf is not in ../shared/data";
    const std::map<std::string, std::size_t> mapExpected{
        {"Orders", 830},     {"Order Details", 2155},    {"Customers", 91},
        {"Products", 77},    {"Employees", 9},           {"Categories", 8},
        {"Shippers", 3},     {"Suppliers", 29},          {"Region", 4},
        {"Territories", 53}, {"EmployeeTerritories", 49}};
    for (const auto& [strTable, nRows] : mapExpected) {
        auto result = RunCli({"rows", file.string(), strTable, "--all", "--json", "--no-progress"});
        ASSERT_EQ(result.nExitCode, 0) << strTable << ": " << result.strErr;
        EXPECT_EQ(JsonRows(result.strOut), nRows) << strTable;
    }
    auto shippers = RunCli({"rows", file.string(), "dbo.Shippers", "--json", "--no-progress"});
    EXPECT_NE(shippers.strOut.find("[1,\"Speedy Express\",\"(503) 555-9831\"]"), std::string::npos)
        << shippers.strOut;
}

TEST(LaterFormatCommands, ExportScriptsWriteTablesWithSchemaAndProcedures) {
    const fs::path file = SharedData("littleitaly2005.mdf");
    if (file.empty())
        GTEST_SKIP() << "littleitaly2005.mdf is not in ../shared/data";
    TestFiles::CTempDir dir;
    auto result =
        RunCli({"export-scripts", file.string(), (dir / "out").string(), "--no-progress"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    std::string strAll;
    std::size_t nTableScripts = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "out")) {
        if (!entry.is_regular_file() || entry.path().filename() == "ReadMe.txt")
            continue;
        const std::string strText = TestFiles::ReadFile(entry.path());
        nTableScripts += strText.find("CREATE TABLE [dbo].") != std::string::npos;
        strAll += strText;
    }
    EXPECT_EQ(nTableScripts, 12u);
    EXPECT_NE(strAll.find("CREATE TABLE [dbo].[sysdiagrams] ("), std::string::npos);
    EXPECT_NE(strAll.find("[definition] [varbinary](max)"), std::string::npos);
    EXPECT_NE(strAll.find("Insert into [dbo].[Products] ([ProductID]"), std::string::npos);
    // The bundle runs sqlcmd for this format.
    EXPECT_NE(strAll.find("sqlcmd"), std::string::npos);
    EXPECT_EQ(strAll.find("osql"), std::string::npos);
}

namespace {
// A copy of a real file with another version stamp at byte 100 of the boot page.
fs::path WithStamp(const fs::path& source, const fs::path& target, std::uint16_t nStamp) {
    fs::copy_file(source, target);
    std::fstream file(target, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(9 * 8192 + 100);
    const char arrStamp[2] = {static_cast<char>(nStamp & 0xFF), static_cast<char>(nStamp >> 8)};
    file.write(arrStamp, 2);
    return target;
}
}  // namespace

// An unknown stamp is read only with the user's choice, and the message names the likely one.
TEST(LaterFormatCommands, UnknownStampsNeedFormatAndNameTheLikelyChoice) {
    const fs::path northwind = SharedData("northwind2008.mdf");
    const fs::path italy = SharedData("littleitaly2005.mdf");
    if (northwind.empty() || italy.empty())
        GTEST_SKIP() << "the 2005 and 2008 files are not in ../shared/data";
    TestFiles::CTempDir dir;
    const fs::path r2 = WithStamp(northwind, dir / "r2.mdf", 661);
    auto refused = RunCli({"catalog", r2.string(), "--no-progress"});
    EXPECT_EQ(refused.nExitCode, 2);
    EXPECT_NE(refused.strErr.find("version stamp at byte 100 of the boot page reads 661"),
              std::string::npos)
        << refused.strErr;
    EXPECT_NE(refused.strErr.find("most likely the SQL Server 2008 format (--format 2008)"),
              std::string::npos)
        << refused.strErr;

    auto chosen = RunCli(
        {"rows", r2.string(), "Orders", "--all", "--json", "--no-progress", "--format", "2008"});
    ASSERT_EQ(chosen.nExitCode, 0) << chosen.strErr;
    EXPECT_EQ(JsonRows(chosen.strOut), 830u);

    // A pre-release 2005 stamp reads as far as its catalog matches (here: all of it).
    const fs::path beta = WithStamp(italy, dir / "beta.mdf", 598);
    auto beta2005 = RunCli({"catalog", beta.string(), "--json", "--no-progress", "--format=2005"});
    ASSERT_EQ(beta2005.nExitCode, 0) << beta2005.strErr;
    EXPECT_NE(beta2005.strOut.find("\"ProductImages\""), std::string::npos);

    // Nothing likely for a stamp far from every format; a choice that is no format is refused;
    // a known stamp keeps its own engine whatever is asked.
    const fs::path odd = WithStamp(italy, dir / "odd.mdf", 700);
    auto oddResult = RunCli({"catalog", odd.string(), "--no-progress"});
    EXPECT_EQ(oddResult.nExitCode, 2);
    EXPECT_EQ(oddResult.strErr.find("most likely"), std::string::npos) << oddResult.strErr;
    EXPECT_NE(oddResult.strErr.find("choose the format with --format 2000|2005|2008"),
              std::string::npos)
        << oddResult.strErr;
    EXPECT_EQ(RunCli({"catalog", odd.string(), "--format", "2012", "--no-progress"}).nExitCode, 2);
    auto known = RunCli(
        {"rows", italy.string(), "OrderStatus", "--json", "--no-progress", "--format", "2000"});
    ASSERT_EQ(known.nExitCode, 0) << known.strErr;
    EXPECT_EQ(JsonRows(known.strOut), 3u);
}

// A later-format file cut inside a page: every row on the whole pages before the cut comes back,
// and the cut tail and the pages the reader missed are reported as damage (exit 5).
TEST(LaterFormatCommands, ATruncatedFileKeepsTheRowsOfItsWholePages) {
    const fs::path northwind = SharedData("northwind2008.mdf");
    if (northwind.empty())
        GTEST_SKIP() << "northwind2008.mdf is not in ../shared/data";
    TestFiles::CTempDir dir;
    std::string strBytes = TestFiles::ReadFile(northwind);
    constexpr std::size_t kPage = 8192;
    ASSERT_GT(strBytes.size(), 451 * kPage);
    strBytes.resize(450 * kPage + 100);
    TestFiles::WriteFile(dir / "cut.mdf", strBytes);
    const std::string strCut = (dir / "cut.mdf").string();

    auto orders = RunCli({"rows", strCut, "Orders", "--all", "--json", "--no-progress"});
    EXPECT_EQ(orders.nExitCode, 5) << orders.strErr;
    EXPECT_EQ(JsonRows(orders.strOut), 830u);
    auto details =
        RunCli({"rows", strCut, "Order Details", "--all", "--json", "--no-progress", "--damage"});
    EXPECT_EQ(details.nExitCode, 5) << details.strErr;
    EXPECT_EQ(JsonRows(details.strOut), 2155u);
    EXPECT_NE(details.strOut.find("file_truncated"), std::string::npos);
}

// Sparse columns of a built file: their values in the rows and the INSERT statements, the table
// script declaring them; a damaged sparse vector counted as damage (exit 5), the row still shown.
TEST(LaterFormatCommands, SparseValuesReachRowsAndScriptsAndADamagedVectorIsReported) {
    using fixtures::Bytes;
    TestFiles::CTempDir dir;
    fixtures::CLaterFileWriter writer("Lab", "Readings",
                                      {{"id", 56, 4},
                                       {"level", 56, 4, true},
                                       {"label", 167, 30, true},
                                       {"extra", 241, -1, false, true}});
    auto row = [](std::uint64_t n) {
        std::vector<Bytes> vecRow{fixtures::EncodeInt32(static_cast<std::int32_t>(n + 1)),
                                  {},
                                  fixtures::EncodeVarchar("label " + std::to_string(n)),
                                  {}};
        if (n == 0)
            vecRow[1] = fixtures::EncodeInt32(42);
        return vecRow;
    };
    const std::string strSound = (dir / "sparse.mdf").string();
    writer.Write(strSound, 2, row);

    auto rows = RunCli({"rows", strSound, "Readings", "--csv", "--no-progress"});
    ASSERT_EQ(rows.nExitCode, 0) << rows.strErr;
    EXPECT_NE(rows.strOut.find("1,42,label 0"), std::string::npos) << rows.strOut;
    auto result = RunCli({"export-scripts", strSound, (dir / "out").string(), "--no-progress"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    std::string strAll;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "out")) {
        if (entry.is_regular_file())
            strAll += TestFiles::ReadFile(entry.path());
    }
    for (const char* pszNeedle :
         {"[level] [int] SPARSE NULL,[label] [varchar](30) SPARSE NULL,"
          "[extra] [xml] COLUMN_SET FOR ALL_SPARSE_COLUMNS)",
          "([id],[level],[label])  values(1,42,'label 0')", "([id],[label])  values(2,'label 1')"})
        EXPECT_NE(strAll.find(pszNeedle), std::string::npos) << pszNeedle;
    // A saved scan keeps which columns are sparse.
    const std::string strScan = (dir / "sparse.str").string();
    ASSERT_EQ(RunCli({"save-scan", strSound, strScan, "--no-progress"}).nExitCode, 0);
    auto fromScan = RunCli({"export-scripts", strScan, (dir / "again").string(), "--no-progress"});
    ASSERT_EQ(fromScan.nExitCode, 0) << fromScan.strErr;
    std::string strAgain;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "again")) {
        if (entry.is_regular_file())
            strAgain += TestFiles::ReadFile(entry.path());
    }
    EXPECT_NE(strAgain.find("[level] [int] SPARSE NULL,[label] [varchar](30) SPARSE NULL,[extra] "
                            "[xml] COLUMN_SET FOR ALL_SPARSE_COLUMNS)"),
              std::string::npos)
        << strAgain.substr(0, 400);

    // The first row's label ends past its vector: level is still read, label is not guessed.
    writer.SetSparseVectorHook([](std::uint64_t n, Bytes& vecVector) {
        if (n == 0)
            fixtures::WriteLE(std::span<std::byte>(vecVector), 10, std::uint16_t{500});
    });
    const std::string strDamaged = (dir / "damaged.mdf").string();
    writer.Write(strDamaged, 2, row);
    auto damaged = RunCli({"rows", strDamaged, "Readings", "--csv", "--no-progress", "--damage"});
    EXPECT_EQ(damaged.nExitCode, 5) << damaged.strErr;
    EXPECT_NE(damaged.strOut.find("1,42,"), std::string::npos) << damaged.strOut;
    EXPECT_NE(damaged.strOut.find("2,,label 1"), std::string::npos) << damaged.strOut;
    EXPECT_NE(damaged.strErr.find("slot 0, object 245575913: corrupt value: sparse vector: label"),
              std::string::npos)
        << damaged.strErr;
    // The row is shown, so the summary counts a marked value, not a skipped row.
    EXPECT_NE(damaged.strErr.find("marked Corrupt"), std::string::npos) << damaged.strErr;
    EXPECT_EQ(damaged.strErr.find("skipped"), std::string::npos) << damaged.strErr;
}
