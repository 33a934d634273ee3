// tests/cli/InfoCatalogCommandTest.cpp
// ambermill-cli info and catalog end to end: the sample, the real file, and files that are not
// data files at all.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "fixtures/CDataFileBuilder.h"
#include "support/ShopFile.h"
#include "support/TestFiles.h"

using TestFiles::RunCli;

TEST(InfoCommand, DescribesTheSample) {
    auto result = RunCli({"info", TestFiles::SamplePath().string()});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    EXPECT_NE(result.strOut.find("Database:  Bookstore"), std::string::npos) << result.strOut;
    EXPECT_NE(result.strOut.find("Version:   539"), std::string::npos);
    EXPECT_NE(result.strOut.find("Engine:    2000"), std::string::npos);
    auto json = RunCli({"info", TestFiles::SamplePath().string(), "--json"});
    ASSERT_EQ(json.nExitCode, 0);
    EXPECT_TRUE(json.strOut.starts_with(
        "{\"database\":\"Bookstore\",\"version\":539,\"engine\":\"2000\",\"pages\":"));
}

TEST(CatalogCommand, ListsTheSampleWithColumnsAndTexts) {
    auto result = RunCli({"catalog", TestFiles::SamplePath().string(), "--json"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    const std::string& strJson = result.strOut;
    for (const char* pszNeedle :
         {"\"name\":\"Authors\"", "\"name\":\"Books\"", "\"name\":\"Orders\"",
          "\"name\":\"TypeShowcase\"", "\"user_type\":\"Zip\"", "\"views\":[{", "\"triggers\":[{",
          "\"rules\":[{", "\"nullable\":false", "CREATE PROCEDURE"}) {
        EXPECT_NE(strJson.find(pszNeedle), std::string::npos) << pszNeedle;
    }
    auto text = RunCli({"catalog", TestFiles::SamplePath().string(), "--text"});
    ASSERT_EQ(text.nExitCode, 0);
    EXPECT_NE(text.strOut.find("CREATE VIEW"), std::string::npos);
}

TEST(CatalogCommand, RecoversTheRealFileWithoutChangingIt) {
    auto path = TestFiles::RealReviewsFile();
    if (path.empty())
        GTEST_SKIP() << "reviews2000.mdf is not beside the project";
    const std::string strBefore = TestFiles::Sha1OfFile(path);
    auto info = RunCli({"info", path.string()});
    ASSERT_EQ(info.nExitCode, 0) << info.strErr;
    EXPECT_NE(info.strOut.find("ReviewsDB"), std::string::npos);
    auto result = RunCli({"catalog", path.string(), "--json"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    for (const char* pszNeedle :
         {"\"name\":\"tabReviews\"", "\"name\":\"dtproperties\"", "\"name\":\"spInsertReview\"",
          "\"name\":\"spGetReviews\"", "\"name\":\"spGetLastReview\"", "\"name\":\"spGetAverage\"",
          "\"name\":\"ReviewDate\"", "\"default\":\"(getdate())\"", "INSERT INTO tabReviews",
          "\"name\":\"syssegments\""}) {
        EXPECT_NE(result.strOut.find(pszNeedle), std::string::npos) << pszNeedle;
    }
    EXPECT_EQ(TestFiles::Sha1OfFile(path), strBefore) << "the data file must never change";
}

TEST(CatalogCommand, UnusableFilesGetOneLineAndExitTwo) {
    TestFiles::CTempDir dir;
    std::filesystem::create_directory(dir / "folder");
    TestFiles::WriteFile(dir / "empty.mdf", "");
    TestFiles::WriteFile(dir / "odd.mdf", std::string(8192 * 12 + 1, 'x'));
    std::mt19937 random(11);
    std::string strNoise(8192 * 20, '\0');
    for (char& ch : strNoise)
        ch = static_cast<char>(random());
    TestFiles::WriteFile(dir / "noise.mdf", strNoise);
    TestFiles::WriteFile(dir / "locked.mdf", std::string(8192 * 12, '\0'));
    std::filesystem::permissions(dir / "locked.mdf", std::filesystem::perms::none);
    for (const char* pszName :
         {"missing.mdf", "folder", "empty.mdf", "odd.mdf", "noise.mdf", "locked.mdf"}) {
        for (const char* pszCommand : {"info", "catalog"}) {
            auto result = RunCli({pszCommand, (dir / pszName).string()});
            if (std::string(pszName) == "locked.mdf" && getuid() == 0)
                continue;  // root reads anything
            EXPECT_EQ(result.nExitCode, 2) << pszCommand << " " << pszName << ": " << result.strErr;
            EXPECT_EQ(std::count(result.strErr.begin(), result.strErr.end(), '\n'), 1)
                << result.strErr;
            EXPECT_TRUE(result.strOut.empty());
        }
    }
    auto usage = RunCli({"catalog"});
    EXPECT_EQ(usage.nExitCode, 2);
    EXPECT_EQ(RunCli({"bogus"}).nExitCode, 2);
    EXPECT_EQ(RunCli({"--version"}).nExitCode, 0);
    EXPECT_EQ(RunCli({"catalog", "--help"}).nExitCode, 0);
}

TEST(CatalogCommand, LaterFormatsAndMissingCatalogsRecoverNothingAndSaySo) {
    TestFiles::CTempDir dir;
    fixtures::CDataFileBuilder later("Later");
    later.SetVersion(611);
    later.AddTable("T", {{"a", fixtures::kTypeInt, 4}});
    later.WriteTo(dir / "later.mdf");
    auto info = RunCli({"info", (dir / "later.mdf").string()});
    EXPECT_NE(info.strOut.find("Engine:    2005"), std::string::npos);
    auto result = RunCli({"catalog", (dir / "later.mdf").string()});
    EXPECT_EQ(result.nExitCode, 3);
    // A 2000 layout under a 2005 stamp: the 2005 engine finds no allocation units, and says so.
    EXPECT_NE(result.strErr.find("the sysallocunits table (object id 7) is missing"),
              std::string::npos)
        << result.strErr;
    EXPECT_NE(result.strErr.find("nothing was recovered"), std::string::npos) << result.strErr;

    fixtures::CDataFileBuilder noObjects("NoObjects");
    noObjects.AddTable("T", {{"a", fixtures::kTypeInt, 4}});
    noObjects.OmitSystemTable(1);
    noObjects.WriteTo(dir / "noobjects.mdf");
    auto missing = RunCli({"catalog", (dir / "noobjects.mdf").string()});
    EXPECT_EQ(missing.nExitCode, 3);
    EXPECT_NE(missing.strErr.find("the sysobjects table (object id 1) is missing"),
              std::string::npos)
        << missing.strErr;
}

TEST(CatalogCommand, ListsKeysIndexesForeignKeysChecksIdentityAndComputedColumns) {
    TestFiles::CTempDir dir;
    TestShop::Builder().WriteTo(dir / "shop.mdf");
    auto result = RunCli({"catalog", (dir / "shop.mdf").string(), "--json"});
    ASSERT_EQ(result.nExitCode, 0) << result.strErr;
    for (const char* pszNeedle :
         {"\"identity\":{\"seed\":100,\"increment\":10}",
          "\"identity\":{\"seed\":-1,\"increment\":-1}", "\"computed\":\"([Qty] * [Price])\"",
          "\"identity\":null,\"computed\":null",
          "\"keys\":[{\"name\":\"PK_Customers\",\"type\":\"PRIMARY KEY\",\"clustered\":true,"
          "\"columns\":[{\"name\":\"Id\",\"descending\":false}]}",
          "{\"name\":\"IX_Customers_Name\",\"unique\":false,\"clustered\":false,"
          "\"key_index\":false,",
          "\"foreign_keys\":[{\"name\":\"FK_Orders_Customers\",\"columns\":[\"CustomerId\"],"
          "\"referenced_table\":\"Customers\",\"referenced_columns\":[\"Id\"],"
          "\"on_delete\":\"NO ACTION\",\"on_update\":\"NO ACTION\",\"enabled\":true}]",
          "{\"name\":\"CK_Orders_Price\",\"text\":\"([Price] < 1000)\",\"enabled\":false}"}) {
        EXPECT_NE(result.strOut.find(pszNeedle), std::string::npos) << pszNeedle;
    }
    auto text = RunCli({"catalog", (dir / "shop.mdf").string()});
    ASSERT_EQ(text.nExitCode, 0);
    for (const char* pszNeedle :
         {"identity(100,10)", " as ([Qty] * [Price])",
          "primary key PK_Orders nonclustered "
          "(OrderNo, CustomerId)",
          "index CX_Orders_Customer clustered (CustomerId)",
          "foreign key FK_Orders_Customers (CustomerId) references Customers (Id)",
          "check CK_Orders_Price ([Price] < 1000) (disabled)"}) {
        EXPECT_NE(text.strOut.find(pszNeedle), std::string::npos) << pszNeedle;
    }
}
