// tests/cli/DamageCommandTest.cpp
// ambermill-cli on damaged files: a cut file, zeroed fixed pages, a flipped slot entry, unknown
// and later version stamps, damaged scan files. What comes back, the one summary line, the
// --damage list, and the exit codes.
#include <gtest/gtest.h>

#include "fixtures/CDataFileBuilder.h"
#include "fixtures/LittleEndian.h"
#include "fixtures/ValueEncoding.h"
#include "support/TestFiles.h"

using TestFiles::RunCli;

namespace {
constexpr std::size_t kPage = 8192;

std::string Sample() {
    return TestFiles::ReadFile(TestFiles::SamplePath());
}

// The "tables" member of catalog --json: what a recovery found, without the database name.
std::string Tables(const std::string& strJson) {
    const std::size_t nStart = strJson.find("\"tables\":");
    const std::size_t nEnd = strJson.find("\"views\":");
    return nStart == std::string::npos || nEnd == std::string::npos
               ? std::string()
               : strJson.substr(nStart, nEnd - nStart);
}

// The data page of a table of the sample, by the object id the catalog gives it.
std::uint32_t FirstPageOf(const std::string& strFile, const std::string& strTable) {
    auto json = RunCli({"catalog", TestFiles::SamplePath().string(), "--json", "--no-progress"});
    const std::size_t nName = json.strOut.find("\"name\":\"" + strTable + "\",\"id\":");
    const std::int32_t nId = std::stoi(json.strOut.substr(nName + strTable.size() + 15));
    for (std::uint32_t nPage = 0; nPage * kPage < strFile.size(); ++nPage) {
        const auto page = std::as_bytes(std::span(strFile.data() + nPage * kPage, kPage));
        if (static_cast<std::uint8_t>(page[1]) == 1 &&
            fixtures::ReadLE<std::int32_t>(page, 24) == nId)
            return nPage;
    }
    return 0;
}
}  // namespace

TEST(DamageCommand, ASoundFileSaysNothingAndExitsZero) {
    for (const std::vector<std::string>& vecArgs :
         {std::vector<std::string>{"catalog", TestFiles::SamplePath().string()},
          {"rows", TestFiles::SamplePath().string(), "Orders", "--all"},
          {"user-types", TestFiles::SamplePath().string()}}) {
        auto result = RunCli(vecArgs);
        EXPECT_EQ(result.nExitCode, 0) << vecArgs[0] << ": " << result.strErr;
        EXPECT_EQ(result.strErr, "") << vecArgs[0];
    }
}

TEST(DamageCommand, ACutFileRecoversItsWholePagesAndExitsFive) {
    TestFiles::CTempDir dir;
    const std::string strSample = Sample();
    auto sound = RunCli({"rows", TestFiles::SamplePath().string(), "Orders", "--all", "--csv"});
    ASSERT_EQ(sound.nExitCode, 0);
    // Cut 100 bytes into the last page: nothing of the sample's tables lies there.
    const std::size_t nCut = strSample.size() - kPage + 100;
    TestFiles::WriteFile(dir / "cut.mdf", strSample.substr(0, nCut));
    const std::string strPath = (dir / "cut.mdf").string();
    auto rows = RunCli({"rows", strPath, "Orders", "--all", "--csv"});
    EXPECT_EQ(rows.nExitCode, 5) << rows.strErr;
    EXPECT_EQ(rows.strOut, sound.strOut);
    const std::string strTail =
        "the file ends 100 bytes into page " + std::to_string(strSample.size() / kPage - 1);
    EXPECT_EQ(rows.strErr, "ambermill-cli: " + strTail + "; --damage lists them\n");

    auto listed = RunCli({"catalog", strPath, "--json", "--damage"});
    EXPECT_EQ(listed.nExitCode, 5);
    EXPECT_NE(listed.strOut.find("\"damage\":[{\"kind\":\"file_truncated\",\"page\":" +
                                 std::to_string(strSample.size() / kPage - 1) +
                                 ",\"slot\":null,\"object\":null,\"bytes\":100,"),
              std::string::npos)
        << listed.strOut;
    EXPECT_EQ(listed.strErr, "ambermill-cli: " + strTail + "\n");
    auto info = RunCli({"info", strPath});
    EXPECT_EQ(info.nExitCode, 0);
    EXPECT_NE(info.strOut.find("cut tail:                   " + strTail), std::string::npos)
        << info.strOut;
    auto save = RunCli({"save-scan", strPath, (dir / "cut.str").string()});
    EXPECT_EQ(save.nExitCode, 5) << save.strErr;
    auto exported = RunCli({"export-scripts", strPath, (dir / "out").string(), "--no-progress"});
    EXPECT_EQ(exported.nExitCode, 5) << exported.strErr;
    EXPECT_NE(exported.strOut.find("records exported: 208, failed: 0"), std::string::npos);
}

TEST(DamageCommand, ZeroedFixedPagesNeedTheFormatAndKeepEverythingElse) {
    TestFiles::CTempDir dir;
    std::string strBytes = Sample();
    std::fill_n(strBytes.begin(), kPage, '\0');
    std::fill_n(strBytes.begin() + 9 * kPage, kPage, '\0');
    TestFiles::WriteFile(dir / "zeroed.mdf", strBytes);
    const std::string strPath = (dir / "zeroed.mdf").string();

    auto refused = RunCli({"catalog", strPath});
    EXPECT_EQ(refused.nExitCode, 2);
    EXPECT_EQ(refused.strErr, "ambermill-cli: '" + strPath +
                                  "': the boot page (page 9) is damaged and its version stamp "
                                  "reads 0, which names no format; choose the format with "
                                  "--format 2000|2005|2008\n");
    auto sound = RunCli({"catalog", TestFiles::SamplePath().string(), "--json"});
    auto recovered = RunCli({"catalog", strPath, "--json", "--format", "2000", "--damage"});
    EXPECT_EQ(recovered.nExitCode, 5) << recovered.strErr;
    EXPECT_EQ(Tables(recovered.strOut), Tables(sound.strOut));
    EXPECT_NE(recovered.strOut.find("\"database\":\"zeroed\""), std::string::npos);
    for (const char* pszKind : {"header_page", "boot_page", "database_name"})
        EXPECT_NE(recovered.strOut.find(pszKind), std::string::npos) << pszKind;
    auto rows = RunCli({"rows", strPath, "Books", "--all", "--format=2000"});
    auto soundRows = RunCli({"rows", TestFiles::SamplePath().string(), "Books", "--all"});
    EXPECT_EQ(rows.nExitCode, 5);
    EXPECT_EQ(rows.strOut, soundRows.strOut);
    EXPECT_EQ(RunCli({"rows", strPath, "Books", "--format", "1999"}).nExitCode, 2);
}

TEST(DamageCommand, AFlippedSlotEntryLosesOneRowAndListsIt) {
    TestFiles::CTempDir dir;
    std::string strBytes = Sample();
    const std::uint32_t nPage = FirstPageOf(strBytes, "Orders");
    ASSERT_GT(nPage, 9u);
    strBytes[nPage * kPage + 8190 - 2 * 4 + 1] = '\x7F';  // slot 4 points far past the page
    TestFiles::WriteFile(dir / "flipped.mdf", strBytes);
    auto result =
        RunCli({"rows", (dir / "flipped.mdf").string(), "Orders", "--all", "--csv", "--damage"});
    EXPECT_EQ(result.nExitCode, 5);
    auto sound = RunCli({"rows", TestFiles::SamplePath().string(), "Orders", "--all", "--csv"});
    EXPECT_EQ(std::count(result.strOut.begin(), result.strOut.end(), '\n') + 1,
              std::count(sound.strOut.begin(), sound.strOut.end(), '\n'));
    EXPECT_NE(result.strErr.find("ambermill-cli: 1 row on 1 damaged page was skipped\n"),
              std::string::npos)
        << result.strErr;
    EXPECT_NE(result.strErr.find("damage: page " + std::to_string(nPage) + ", slot 4, object "),
              std::string::npos)
        << result.strErr;
    auto json = RunCli({"rows", (dir / "flipped.mdf").string(), "Orders", "--json", "--damage"});
    EXPECT_EQ(json.nExitCode, 5);
    EXPECT_NE(json.strOut.find(",\"damage\":[{\"kind\":\"slot_outside_page\",\"page\":" +
                               std::to_string(nPage) + ",\"slot\":4,"),
              std::string::npos)
        << json.strOut;
}

TEST(DamageCommand, UnknownAndLaterVersionStampsSayWhatToDo) {
    TestFiles::CTempDir dir;
    fixtures::CDataFileBuilder unknown("Later");
    unknown.SetVersion(661);
    const std::uint32_t nTable = unknown.AddTable("T", {{"a", fixtures::kTypeInt, 4}});
    unknown.AddRow(nTable, {fixtures::EncodeInt32(1)});
    unknown.WriteTo(dir / "661.mdf");
    const std::string strUnknown = (dir / "661.mdf").string();
    for (const char* pszCommand : {"catalog", "save-scan", "user-types", "export-scripts"}) {
        std::vector<std::string> vecArgs{pszCommand, strUnknown};
        if (std::string(pszCommand) == "save-scan" || std::string(pszCommand) == "export-scripts")
            vecArgs.push_back((dir / "out").string());
        auto result = RunCli(vecArgs);
        EXPECT_EQ(result.nExitCode, 2) << pszCommand;
        EXPECT_EQ(result.strErr, "ambermill-cli: '" + strUnknown +
                                     "': the version stamp at byte 100 of the boot page reads "
                                     "661, which no format of this build has; it is most likely "
                                     "the SQL Server 2008 format (--format 2008); choose the "
                                     "format with --format 2000|2005|2008\n")
            << pszCommand;
    }
    auto chosen = RunCli({"catalog", strUnknown, "--format", "2000"});
    EXPECT_EQ(chosen.nExitCode, 0) << chosen.strErr;
    EXPECT_NE(chosen.strOut.find("  T (id "), std::string::npos);

    fixtures::CDataFileBuilder later("Later");
    later.SetVersion(611);
    later.AddTable("T", {{"a", fixtures::kTypeInt, 4}});
    later.WriteTo(dir / "2005.mdf");
    const std::string strLater = (dir / "2005.mdf").string();
    const std::vector<std::vector<std::string>> vecCommands{
        {"catalog", strLater},
        {"user-types", strLater},
        {"rows", strLater, "T"},
        {"save-scan", strLater, (dir / "later.str").string()},
        {"export-scripts", strLater, (dir / "bundle").string()},
        {"export-db", strLater, "--connect", "DRIVER=None"}};
    for (const auto& vecArgs : vecCommands) {
        auto result = RunCli(vecArgs);
        EXPECT_EQ(result.nExitCode, 3) << vecArgs[0];
        // A file of the 2000 layout under a 2005 stamp: the 2005 engine finds no catalog in it.
        EXPECT_NE(result.strErr.find("ambermill-cli: nothing was recovered"), std::string::npos)
            << vecArgs[0] << ": " << result.strErr;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "bundle")) << "no bundle for nothing";
    EXPECT_FALSE(std::filesystem::exists(dir / "later.str"));
}

TEST(DamageCommand, ADamagedScanFileIsRefusedWithOneLine) {
    TestFiles::CTempDir dir;
    ASSERT_EQ(
        RunCli({"save-scan", TestFiles::SamplePath().string(), (dir / "s.str").string()}).nExitCode,
        0);
    const std::string strGood = TestFiles::ReadFile(dir / "s.str");
    std::string strFlipped = strGood;
    strFlipped[200] = static_cast<char>(strFlipped[200] ^ 0x04);
    TestFiles::WriteFile(dir / "flipped.str", strFlipped);
    auto flipped = RunCli({"catalog", (dir / "flipped.str").string(), "--json"});
    EXPECT_EQ(flipped.nExitCode, 2);
    EXPECT_EQ(std::count(flipped.strErr.begin(), flipped.strErr.end(), '\n'), 1);
    EXPECT_NE(flipped.strErr.find("checksum does not match"), std::string::npos) << flipped.strErr;

    // Without its trailer, as files were written before: a key that is no number.
    std::string strOld = strGood.substr(0, strGood.size() - 28);
    const std::size_t nKey = strOld.find(
        "\x0a"
        "1993058136");
    ASSERT_NE(nKey, std::string::npos);
    strOld[nKey + 3] = 'X';
    TestFiles::WriteFile(dir / "key.str", strOld);
    auto key = RunCli({"catalog", (dir / "key.str").string(), "--json"});
    EXPECT_EQ(key.nExitCode, 2);
    EXPECT_EQ(std::count(key.strErr.begin(), key.strErr.end(), '\n'), 1);
    EXPECT_NE(key.strErr.find("is not an id"), std::string::npos) << key.strErr;
}
