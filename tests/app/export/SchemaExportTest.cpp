// tests/app/export/SchemaExportTest.cpp
// Keys, indexes, checks, foreign keys and identity values in an export: the script bundle byte
// for byte with its runner order, and a database export into SQLite registered as "SQL SERVER".
#include <gtest/gtest.h>

#include "app/export/job/CExportJob.h"
#include "app/export/job/IExportObserver.h"
#include "common/ExecutionLog.h"
#include "engine/scripts/SqliteOdbc.h"
#include "support/RecoveryHelpers.h"
#include "support/ShopFile.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace {
class CMessages : public IExportObserver {
  public:
    void OnMessage(const std::string& strText) override { vecMessages.push_back(strText); }
    void OnProgress(int, int, int) override {}
    void OnTableDone(const std::string& strName, std::int64_t nExported,
                     std::int64_t nFailed) override {
        vecTables.push_back(strName + ":" + std::to_string(nExported) + ":" +
                            std::to_string(nFailed));
    }
    std::vector<std::string> vecMessages;
    std::vector<std::string> vecTables;
};

class SchemaExport : public testing::Test {
  protected:
    void SetUp() override {
        CExecutionLog::SetLogFolderForTesting(m_dir / "logs");
        m_pEngine = TestRecovery::BuildAndRecover(TestShop::Builder(), m_dir.Path());
        ASSERT_TRUE(m_pEngine);
    }
    CExportJob::SResult Run(SExportOptions options) {
        return CExportJob(*m_pEngine, std::move(options), m_observer).Run();
    }
    TestFiles::CTempDir m_dir;
    std::unique_ptr<CSQLServerEngine> m_pEngine;
    CMessages m_observer;
};

std::size_t LineOf(const std::string& strText, const std::string& strPart) {
    const std::size_t nAt = strText.find(strPart);
    return nAt == std::string::npos ? nAt
                                    : std::count(strText.begin(), strText.begin() + nAt, '\n');
}
}  // namespace

TEST_F(SchemaExport, BundleRecreatesKeysIndexesIdentityValuesAndForeignKeysLast) {
    SExportOptions options;
    options.outputParent = m_dir / "out";
    // Orders first: the foreign key to Customers still comes after both tables.
    options.vecTables = {"Orders", "Customers"};
    auto result = Run(options);
    ASSERT_TRUE(result.bComplete) << result.strError;
    EXPECT_EQ(result.TotalFailed(), 0);
    const fs::path folder = result.bundleFolder;
    std::string strBundle;
    for (const char* pszFile :
         {"Tables/Orders.sql", "Tables/Orders_Constraint.sql", "Tables/Customers.sql",
          "Tables/Customers_Constraint.sql", "ForeignKeys.sql"}) {
        strBundle += std::string("-- ") + pszFile + "\r\n" + TestFiles::ReadFile(folder / pszFile);
    }
    EXPECT_EQ(strBundle, TestFiles::GoldenText("shop_bundle.sql", strBundle));

    // The runner runs ForeignKeys.sql once, after every table script and constraint script.
    const std::string strRunner = TestFiles::ReadFile(folder / "Shop.bat");
    const std::size_t nForeign = LineOf(strRunner, "-i ForeignKeys.sql\r\n");
    ASSERT_NE(nForeign, std::string::npos) << strRunner;
    EXPECT_GT(nForeign, LineOf(strRunner, "Tables\\Customers_Constraint.sql"));
    EXPECT_GT(nForeign, LineOf(strRunner, "Tables\\Orders_Constraint.sql"));
    EXPECT_NE(strRunner.find("-i ForeignKeys.sql", strRunner.find(":label2")), std::string::npos);

    // Without the table it references, the foreign key is left out (and logged), not written
    // to fail.
    options.vecTables = {"Orders"};
    options.outputParent = m_dir / "out2";
    auto alone = Run(options);
    ASSERT_TRUE(alone.bComplete) << alone.strError;
    EXPECT_FALSE(fs::exists(alone.bundleFolder / "ForeignKeys.sql"));
    EXPECT_EQ(TestFiles::ReadFile(alone.bundleFolder / "Shop.bat").find("ForeignKeys"),
              std::string::npos);
}

TEST_F(SchemaExport, DatabaseExportKeepsIdentityValuesAndCountsRefusedConstraints) {
    if (!SqliteOdbc::Available())
        GTEST_SKIP() << "SQLite ODBC driver not installed";
    SqliteOdbc::Register();
    COdbcConnection connection;
    connection.Open(SqliteOdbc::ConnectString(m_dir / "shop.db"));
    SExportOptions options;
    options.eTarget = EExportTarget::Database;
    options.pConnection = &connection;
    auto result = Run(options);
    ASSERT_TRUE(result.bComplete) << result.strError;

    // SQLite ignores IDENTITY_INSERT (refused, logged, not counted): the values as recovered,
    // gaps and a column counting down included.
    const fs::path db = m_dir / "shop.db";
    EXPECT_EQ(SqliteOdbc::Query(db, "SELECT Id, Code FROM Customers ORDER BY Id"),
              (std::vector<std::string>{"100|C100", "110|C110", "140|C140"}));
    EXPECT_EQ(SqliteOdbc::Query(db,
                                "SELECT OrderNo, CustomerId, Total FROM Orders ORDER BY "
                                "OrderNo DESC"),
              (std::vector<std::string>{"-1|100|2.5", "-2|110|10", "-5|140|22.5"}));
    // The plain index is created; SQLite refuses ALTER TABLE ... ADD CONSTRAINT and CLUSTERED:
    // two statements of Customers, five of Orders and the foreign key, each counted.
    EXPECT_EQ(SqliteOdbc::Query(db,
                                "SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                "name NOT LIKE 'sqlite%' ORDER BY name"),
              std::vector<std::string>{"IX_Customers_Name"});
    EXPECT_EQ(m_observer.vecTables, (std::vector<std::string>{"Customers:3:2", "Orders:3:5"}));
    EXPECT_EQ(result.TotalFailed(), 8);
    const auto vecErrors = TestRecovery::LogMessages(m_dir / "logs" / "ErrorLog.log");
    EXPECT_TRUE(std::any_of(vecErrors.begin(), vecErrors.end(), [](const std::string& s) {
        return s.find("FOREIGN KEY ([CustomerId]) REFERENCES [Customers] ([Id])") !=
               std::string::npos;
    }));
}
