// tests/cli/RowsCommandTest.cpp
// ambermill-cli rows end to end on the sample, the real file and a table of several grid pages.
#include <gtest/gtest.h>

#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"
#include "support/TestFiles.h"

using TestFiles::RunCli;

namespace {
std::size_t Count(const std::string& strText, const std::string& strNeedle) {
    std::size_t nCount = 0;
    for (auto n = strText.find(strNeedle); n != std::string::npos;
         n = strText.find(strNeedle, n + 1))
        ++nCount;
    return nCount;
}
}  // namespace

TEST(RowsCommand, SampleRowsAsJsonWithAndWithoutDeleted) {
    const std::string strSample = TestFiles::SamplePath().string();
    auto live = RunCli({"rows", strSample, "Orders", "--all", "--json", "--no-progress"});
    ASSERT_EQ(live.nExitCode, 0) << live.strErr;
    EXPECT_TRUE(live.strOut.starts_with("{\"table\":\"Orders\",\"columns\":["))
        << live.strOut.substr(0, 80);
    EXPECT_EQ(Count(live.strOut, "false"), 120u);
    EXPECT_EQ(Count(live.strOut, "true"), 0u);
    auto all =
        RunCli({"rows", strSample, "Orders", "--all", "--json", "--deleted", "--no-progress"});
    ASSERT_EQ(all.nExitCode, 0);
    EXPECT_EQ(Count(all.strOut, "false"), 120u);
    EXPECT_EQ(Count(all.strOut, "true"), 2u) << "the cleared slot is not reached by the grid walk";

    // Values holding the old separator stay in their column.
    auto books = RunCli({"rows", strSample, "Books", "--csv", "--no-progress"});
    ASSERT_EQ(books.nExitCode, 0);
    EXPECT_NE(books.strOut.find(",Cash $#$ Flow,"), std::string::npos);
    EXPECT_NE(books.strOut.find("\r\n"), std::string::npos);
}

TEST(RowsCommand, TypeShowcaseInEveryFormat) {
    const std::string strSample = TestFiles::SamplePath().string();
    auto text = RunCli({"rows", strSample, "TypeShowcase", "--no-progress"});
    ASSERT_EQ(text.nExitCode, 0) << text.strErr;
    for (const char* pszNeedle :
         {"c_image", "{00112233-4455-6677-8899-AABBCCDDEEFF}", "1.500000e+000",
          "-000000000000001.5000", "2004-02-29 12:30:00", "2004-02-29 23:59:59"}) {
        EXPECT_NE(text.strOut.find(pszNeedle), std::string::npos) << pszNeedle;
    }
    auto sql = RunCli({"rows", strSample, "TypeShowcase", "--sql", "--no-progress"});
    ASSERT_EQ(sql.nExitCode, 0) << sql.strErr;
    EXPECT_TRUE(sql.strOut.starts_with("Insert into [TypeShowcase] ([c_image],[c_text],"));
    EXPECT_NE(sql.strOut.find("'2004-02-29 23:59:59.997'"), std::string::npos);
    EXPECT_NE(sql.strOut.find("Insert into [TypeShowcase] ([c_int])  values(0)\r\ngo\r\n"),
              std::string::npos);
    EXPECT_EQ(Count(sql.strOut, "\r\ngo\r\n"), 3u);
}

TEST(RowsCommand, PagesOfAGeneratedTable) {
    TestFiles::CTempDir dir;
    fixtures::CDataFileBuilder builder("Pages");
    auto nTable =
        builder.AddTable("Big", {{"id", fixtures::kTypeInt, 4}, {"s", fixtures::kTypeVarChar, 20}});
    builder.AddGeneratedRows(nTable, 1300, [](std::uint64_t i) -> std::vector<fixtures::Value> {
        return {fixtures::EncodeInt32(static_cast<std::int32_t>(i)), fixtures::EncodeVarchar("v")};
    });
    builder.WriteTo(dir / "pages.mdf");
    const std::string strFile = (dir / "pages.mdf").string();
    auto page3 = RunCli({"rows", strFile, "Big", "--page", "3", "--csv", "--no-progress"});
    ASSERT_EQ(page3.nExitCode, 0) << page3.strErr;
    EXPECT_TRUE(page3.strOut.starts_with("id,s\r\n1000,v\r\n"));
    EXPECT_EQ(Count(page3.strOut, "\r\n"), 301u);
    auto past = RunCli({"rows", strFile, "Big", "--page", "4", "--no-progress"});
    EXPECT_EQ(past.nExitCode, 2);
    EXPECT_NE(past.strErr.find("past the last page"), std::string::npos);
    auto all = RunCli({"rows", strFile, "Big", "--all", "--csv", "--no-progress"});
    EXPECT_EQ(Count(all.strOut, "\r\n"), 1301u);
}

TEST(RowsCommand, BadInputIsReportedClearly) {
    const std::string strSample = TestFiles::SamplePath().string();
    auto unknown = RunCli({"rows", strSample, "Order", "--no-progress"});
    EXPECT_EQ(unknown.nExitCode, 2);
    EXPECT_NE(unknown.strErr.find("did you mean: Orders"), std::string::npos) << unknown.strErr;
    EXPECT_EQ(RunCli({"rows", strSample, "Orders", "--page", "0"}).nExitCode, 2);
    EXPECT_EQ(RunCli({"rows", strSample, "Orders", "--json", "--csv"}).nExitCode, 2);
    EXPECT_EQ(RunCli({"rows", strSample}).nExitCode, 2);
    EXPECT_EQ(RunCli({"rows", "/nonexistent.mdf", "T"}).nExitCode, 2);
}

TEST(RowsCommand, RealFileHasNoCorruptValues) {
    auto path = TestFiles::RealReviewsFile();
    if (path.empty())
        GTEST_SKIP() << "reviews2000.mdf is not beside the project";
    const std::string strBefore = TestFiles::Sha1OfFile(path);
    auto result = RunCli({"rows", path.string(), "tabReviews", "--all", "--json", "--no-progress"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    EXPECT_EQ(result.strOut.find("Corrupt"), std::string::npos);
    EXPECT_NE(result.strOut.find(
                  "[\"1\",\"1\",\"Fabio\",\"This product is really cool! Go out and get it!!!\""),
              std::string::npos);
    EXPECT_EQ(Count(result.strOut, "false"), 6u);
    EXPECT_EQ(TestFiles::Sha1OfFile(path), strBefore);
}
