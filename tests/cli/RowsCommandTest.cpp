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

// Typed output of a column of every type, and the grid's texts of the same rows.
TEST(RowsCommand, TypeShowcaseAsTypedJsonAndCsv) {
    const std::string strSample = TestFiles::SamplePath().string();
    const auto golden = TestFiles::SourceDir() / "tests/golden";
    auto json = RunCli({"rows", strSample, "TypeShowcase", "--json", "--no-progress"});
    ASSERT_EQ(json.nExitCode, 0) << json.strErr;
    EXPECT_EQ(json.strOut, TestFiles::ReadFile(golden / "typeshowcase.json"));
    auto csv = RunCli({"rows", strSample, "TypeShowcase", "--csv", "--no-progress"});
    ASSERT_EQ(csv.nExitCode, 0) << csv.strErr;
    EXPECT_EQ(csv.strOut, TestFiles::ReadFile(golden / "typeshowcase.csv"));

    // The window's texts, as they always were, in every format.
    auto grid =
        RunCli({"rows", strSample, "TypeShowcase", "--json", "--grid-text", "--no-progress"});
    ASSERT_EQ(grid.nExitCode, 0) << grid.strErr;
    EXPECT_TRUE(grid.strOut.starts_with(
        "{\"table\":\"TypeShowcase\",\"columns\":[\"c_image\",\"c_text\",\"c_uniqueidentifier\","))
        << grid.strOut.substr(0, 120);
    EXPECT_NE(grid.strOut.find("[\"<binary data>\",\"short text value\","
                               "\"{00112233-4455-6677-8899-AABBCCDDEEFF}\",\"255\",\"-32768\","
                               "\"2147483647\",\"2004-02-29 12:30:00\",\"1.500000e+000\","
                               "\"-000000000000001.5000\",\"2004-02-29 23:59:59\",\"3.141593\""),
              std::string::npos);
    EXPECT_NE(grid.strOut.find("[\"NULL\",\"NULL\""), std::string::npos);
    auto gridCsv =
        RunCli({"rows", strSample, "TypeShowcase", "--csv", "--grid-text", "--no-progress"});
    EXPECT_NE(gridCsv.strOut.find("\r\nNULL,NULL,NULL,NULL,NULL,0,NULL"), std::string::npos);
}

// NULL and the empty string are told apart in CSV, whatever text NULL gets.
TEST(RowsCommand, CsvTellsNullFromEmptyStrings) {
    TestFiles::CTempDir dir;
    fixtures::CDataFileBuilder builder("Nulls");
    auto nTable = builder.AddTable("T", {{"id", fixtures::kTypeInt, 4},
                                         {"s", fixtures::kTypeVarChar, 20},
                                         {"n", fixtures::kTypeNVarChar, 20}});
    builder.AddRow(nTable, {fixtures::EncodeInt32(1), fixtures::EncodeVarchar(""),
                            fixtures::EncodeNVarchar(u"a,\"b\"")});
    builder.AddRow(nTable,
                   {fixtures::EncodeInt32(2), std::nullopt, fixtures::EncodeNVarchar(u"NA")});
    builder.AddRow(nTable, {fixtures::EncodeInt32(3), fixtures::EncodeVarchar("NA"),
                            fixtures::EncodeNVarchar(u"caf\u00e9 \u20ac")});
    builder.WriteTo(dir / "nulls.mdf");
    const std::string strFile = (dir / "nulls.mdf").string();
    auto csv = RunCli({"rows", strFile, "T", "--csv", "--no-progress"});
    ASSERT_EQ(csv.nExitCode, 0) << csv.strErr;
    EXPECT_EQ(csv.strOut,
              "id,s,n\r\n1,\"\",\"a,\"\"b\"\"\"\r\n2,,NA\r\n3,NA,caf\xc3\xa9 \xe2\x82\xac\r\n");
    auto na = RunCli({"rows", strFile, "T", "--csv", "--null", "NA", "--no-progress"});
    ASSERT_EQ(na.nExitCode, 0) << na.strErr;
    EXPECT_EQ(
        na.strOut,
        "id,s,n\r\n1,\"\",\"a,\"\"b\"\"\"\r\n2,NA,\"NA\"\r\n3,\"NA\",caf\xc3\xa9 \xe2\x82\xac\r\n")
        << "a stored text equal to the NULL text is quoted";
    auto json = RunCli({"rows", strFile, "T", "--json", "--no-progress"});
    EXPECT_NE(json.strOut.find("[[1,\"\",\"a,\\\"b\\\"\"],[2,null,\"NA\"]"), std::string::npos)
        << json.strOut;
    EXPECT_EQ(RunCli({"rows", strFile, "T", "--json", "--null", "x"}).nExitCode, 2)
        << "--null is for typed CSV";
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
    auto result = RunCli(
        {"rows", path.string(), "tabReviews", "--all", "--json", "--grid-text", "--no-progress"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    EXPECT_EQ(result.strOut.find("Corrupt"), std::string::npos);
    EXPECT_NE(result.strOut.find(
                  "[\"1\",\"1\",\"Fabio\",\"This product is really cool! Go out and get it!!!\""),
              std::string::npos);
    EXPECT_EQ(Count(result.strOut, "false"), 6u);
    auto typed = RunCli({"rows", path.string(), "tabReviews", "--all", "--json", "--no-progress"});
    ASSERT_EQ(typed.nExitCode, 0) << typed.strErr;
    EXPECT_NE(typed.strOut.find("[1,1,\"Fabio\",\"This product is really cool! Go out and get "
                                "it!!!\",\"5\",\"0\",\"2002-09-13T16:27:09.380\"]"),
              std::string::npos)
        << typed.strOut.substr(0, 300);
    EXPECT_EQ(TestFiles::Sha1OfFile(path), strBefore);
}
