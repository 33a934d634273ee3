// tests/cli/ScanFileCommandTest.cpp
// save-scan, and every command on the saved scan file giving what it gives on the data file;
// damaged scan files end with one clear error and exit 2.
#include <gtest/gtest.h>

#include "support/TestFiles.h"

using TestFiles::RunCli;

namespace {
void ExpectSameOutput(const std::vector<std::string>& vecMdf,
                      const std::vector<std::string>& vecStr) {
    auto fromMdf = RunCli(vecMdf);
    auto fromStr = RunCli(vecStr);
    ASSERT_EQ(fromMdf.nExitCode, 0) << fromMdf.strErr;
    EXPECT_EQ(fromStr.nExitCode, 0) << fromStr.strErr;
    EXPECT_EQ(fromStr.strOut, fromMdf.strOut);
}

void CheckSaveAndReuse(const std::string& strData, const std::string& strTable) {
    TestFiles::CTempDir dir;
    const std::string strScan = (dir / "scan.str").string();
    auto saved = RunCli({"save-scan", strData, strScan, "--no-progress"});
    ASSERT_EQ(saved.nExitCode, 0) << saved.strErr;
    ExpectSameOutput({"catalog", strData, "--json"}, {"catalog", strScan, "--json"});
    ExpectSameOutput({"catalog", strData, "--text"}, {"catalog", strScan, "--text"});
    ExpectSameOutput({"rows", strData, strTable}, {"rows", strScan, strTable});
    // Records can also come from a data file named on the command line.
    ExpectSameOutput({"rows", strData, strTable}, {"rows", strScan, strTable, "--data", strData});
}
}  // namespace

TEST(ScanFileCommands, SampleScanGivesTheSameCatalogAndRows) {
    CheckSaveAndReuse(TestFiles::SamplePath().string(), "Orders");
}

TEST(ScanFileCommands, RealFileScanGivesTheSameCatalog) {
    auto path = TestFiles::RealReviewsFile();
    if (path.empty())
        GTEST_SKIP() << "reviews2000.mdf not present";
    TestFiles::CTempDir dir;
    const std::string strScan = (dir / "scan.str").string();
    auto saved = RunCli({"save-scan", path.string(), strScan, "--no-progress"});
    ASSERT_EQ(saved.nExitCode, 0) << saved.strErr;
    ExpectSameOutput({"catalog", path.string(), "--json"}, {"catalog", strScan, "--json"});
}

TEST(ScanFileCommands, DamagedScanFilesExitTwoWithOneClearError) {
    TestFiles::CTempDir dir;
    const std::string strScan = (dir / "good.str").string();
    ASSERT_EQ(RunCli({"save-scan", TestFiles::SamplePath().string(), strScan}).nExitCode, 0);
    const std::string strGood = TestFiles::ReadFile(strScan);

    struct SCase {
        const char* pszName;
        std::string strBytes;
        const char* pszExpected;
    };
    // Changed the way files written before the checksum trailer could be: without the trailer,
    // which would catch the change first.
    const std::string strUnsigned = strGood.substr(0, strGood.size() - 28);
    std::string strVersion = strUnsigned;
    strVersion.replace(10, 4, "1999");
    std::string strHuge = strUnsigned;
    std::string strChanged = strGood;
    strChanged[strGood.size() / 2] = static_cast<char>(strChanged[strGood.size() / 2] ^ 0x10);
    // Database name, then the data file path (one-byte prefix below 255 characters).
    const std::size_t nPathAt = 15 + static_cast<unsigned char>(strGood[14]);
    const std::size_t nCountsAt = nPathAt + 1 + static_cast<unsigned char>(strGood[nPathAt]);
    strHuge.replace(nCountsAt + 8, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    const SCase cases[] = {
        {"truncated.str", strGood.substr(0, strGood.size() / 2), "is not a readable scan file"},
        {"version.str", strVersion, "version '1999'"},
        {"huge.str", strHuge, "count of tables"},
        {"changed.str", strChanged, "checksum does not match its content"},
        {"text.str", "this is a text file\n", ""},
    };
    for (const SCase& c : cases) {
        TestFiles::WriteFile(dir / c.pszName, c.strBytes);
        auto result = RunCli({"catalog", (dir / c.pszName).string()});
        EXPECT_EQ(result.nExitCode, 2) << c.pszName << ": " << result.strErr;
        EXPECT_TRUE(result.strOut.empty()) << c.pszName;
        EXPECT_NE(result.strErr.find(c.pszExpected), std::string::npos)
            << c.pszName << ": " << result.strErr;
        EXPECT_EQ(std::count(result.strErr.begin(), result.strErr.end(), '\n'), 1) << result.strErr;
    }

    // A save that cannot be written leaves no file and exits non-zero.
    auto unwritable =
        RunCli({"save-scan", TestFiles::SamplePath().string(), (dir / "none" / "x.str").string()});
    EXPECT_NE(unwritable.nExitCode, 0);
    EXPECT_NE(unwritable.strErr.find("cannot create"), std::string::npos) << unwritable.strErr;
}
