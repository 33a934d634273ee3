// tests/engine/catalog/SchemaRecoveryTest.cpp
// Keys, indexes, checks, foreign keys, identity and computed columns as the catalog readers
// recover them from sysobjects, sysindexes, sysreferences, syscolumns and syscomments, and the
// statements the scripts make of them.
#include <gtest/gtest.h>

#include "common/ExecutionLog.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/format2000/CSysColumnsReader.h"
#include "engine/scripts/CConstraintScript.h"
#include "engine/scripts/CTableScript.h"
#include "support/RecoveryHelpers.h"
#include "support/ShopFile.h"
#include "support/TestFiles.h"

namespace {
class SchemaRecovery : public testing::Test {
  protected:
    void SetUp() override { CExecutionLog::SetLogFolderForTesting(m_dir / "logs"); }
    const CTable& TableNamed(const CSQLServerEngine& engine, const std::string& strName) {
        for (const auto& [strKey, pTable] : engine.m_mapObjects) {
            if (pTable->m_strName == strName)
                return *pTable;
        }
        ADD_FAILURE() << "no table " << strName;
        static const CTable empty;
        return empty;
    }
    TestFiles::CTempDir m_dir;
};

std::string Columns(const std::vector<CIndexColumn>& vecColumns) {
    std::string strText;
    for (const CIndexColumn& column : vecColumns)
        strText += (strText.empty() ? "" : ",") + column.m_strName;
    return strText;
}

// Every statement with a line end, the way the golden files keep them.
std::string Lines(const std::vector<std::string>& vecStatements) {
    std::string strText;
    for (const std::string& strStatement : vecStatements)
        strText += strStatement + "\n";
    return strText;
}
}  // namespace

TEST_F(SchemaRecovery, KeysIndexesChecksForeignKeysIdentityAndComputedColumnsReadBack) {
    auto pEngine = TestRecovery::BuildAndRecover(TestShop::Builder(), m_dir.Path());
    ASSERT_TRUE(pEngine);
    const CTable& customers = TableNamed(*pEngine, "Customers");
    const CTable& orders = TableNamed(*pEngine, "Orders");

    ASSERT_EQ(customers.m_vecKeys.size(), 2u);
    EXPECT_EQ(customers.m_vecKeys[0].m_strName, "PK_Customers");
    EXPECT_TRUE(customers.m_vecKeys[0].m_bPrimaryKey);
    EXPECT_TRUE(customers.m_vecKeys[0].m_bClustered);
    EXPECT_EQ(Columns(customers.m_vecKeys[0].m_vecColumns), "Id");
    EXPECT_EQ(customers.m_vecKeys[1].m_strName, "UQ_Customers_Code");
    EXPECT_FALSE(customers.m_vecKeys[1].m_bPrimaryKey);
    EXPECT_FALSE(customers.m_vecKeys[1].m_bClustered);
    // The non-clustered indexes carry the clustering key as their row locator: it is no column
    // of the index.
    ASSERT_EQ(customers.m_vecIndexes.size(), 3u);
    for (const CTableIndex& index : customers.m_vecIndexes) {
        if (index.m_strName == "IX_Customers_Name") {
            EXPECT_EQ(Columns(index.m_vecColumns), "Name");
            EXPECT_FALSE(index.m_bUnique || index.m_bClustered || index.m_bKeyIndex);
        } else {
            EXPECT_TRUE(index.m_bKeyIndex && index.m_bUnique) << index.m_strName;
        }
    }

    // Orders: a two-column key in key order, the clustered index, no statistics.
    ASSERT_EQ(orders.m_vecKeys.size(), 1u);
    EXPECT_EQ(Columns(orders.m_vecKeys[0].m_vecColumns), "OrderNo,CustomerId");
    EXPECT_FALSE(orders.m_vecKeys[0].m_bClustered);
    ASSERT_EQ(orders.m_vecIndexes.size(), 2u);
    for (const CTableIndex& index : orders.m_vecIndexes)
        EXPECT_NE(index.m_strName, "_WA_Sys_Price");
    ASSERT_EQ(orders.m_vecChecks.size(), 2u);
    EXPECT_EQ(orders.m_vecChecks[0].m_strText, "([Qty] > 0)");
    EXPECT_FALSE(orders.m_vecChecks[0].m_bDisabled);
    EXPECT_TRUE(orders.m_vecChecks[1].m_bDisabled);
    ASSERT_EQ(orders.m_vecForeignKeys.size(), 1u);
    const CForeignKey& key = orders.m_vecForeignKeys[0];
    EXPECT_EQ(key.m_strName, "FK_Orders_Customers");
    EXPECT_EQ(key.m_vecColumns, std::vector<std::string>{"CustomerId"});
    EXPECT_EQ(key.m_strReferencedTable, "Customers");
    EXPECT_EQ(key.m_vecReferencedColumns, std::vector<std::string>{"Id"});

    // Identity seed and increment of an int and of a bigint counting down.
    const CColumnInfo* pId = customers.IdentityColumn();
    ASSERT_NE(pId, nullptr);
    EXPECT_EQ(pId->m_nIdentitySeed, 100);
    EXPECT_EQ(pId->m_nIdentityIncrement, 10);
    const CColumnInfo* pOrderNo = orders.IdentityColumn();
    ASSERT_NE(pOrderNo, nullptr);
    EXPECT_EQ(pOrderNo->m_strName, "OrderNo");
    EXPECT_EQ(pOrderNo->m_nIdentitySeed, -1);
    EXPECT_EQ(pOrderNo->m_nIdentityIncrement, -1);
    // The computed column has its expression and takes no place in the rows.
    const CColumnInfo* pTotal = orders.FindColumn("Total");
    ASSERT_NE(pTotal, nullptr);
    EXPECT_TRUE(pTotal->IsComputed());
    EXPECT_EQ(pTotal->m_strFormula, "([Qty] * [Price])");
    EXPECT_EQ(orders.m_nVarColumns, 0);

    // What the scripts make of them.
    EXPECT_EQ(CTableScript::Build(*pEngine, orders).strCreate,
              "CREATE TABLE [Orders] ([OrderNo] [bigint] IDENTITY(-1,-1) NOT NULL,[CustomerId] "
              "[int] NOT NULL,[Qty] [int] NOT NULL,[Price] [money] NOT NULL,[Total] AS ([Qty] * "
              "[Price]))\r\n");
    std::string strText;
    for (const CTable* pTable : {&customers, &orders}) {
        auto statements = CConstraintScript::TableStatements(*pTable);
        EXPECT_TRUE(statements.vecSkipped.empty());
        strText += Lines(statements.vecStatements);
    }
    auto foreign = CConstraintScript::ForeignKeyStatements(orders);
    strText += Lines(foreign.vecStatements);
    EXPECT_EQ(strText, TestFiles::GoldenText("shop_constraints.sql", strText));
}

TEST_F(SchemaRecovery, SampleKeysAndIndexesMatchTheGoldenScript) {
    auto pEngine = TestRecovery::Recover(TestFiles::SamplePath());
    ASSERT_TRUE(pEngine);
    std::string strText;
    for (const auto& [strKey, pTable] : pEngine->m_mapObjects) {
        auto statements = CConstraintScript::TableStatements(*pTable);
        EXPECT_TRUE(statements.vecSkipped.empty()) << pTable->m_strName;
        strText += Lines(statements.vecStatements);
    }
    EXPECT_EQ(strText, TestFiles::GoldenText("bookstore_constraints.sql", strText));
}

TEST_F(SchemaRecovery, KeysWhoseIndexesWereLostAreNamedButNeverGuessed) {
    fixtures::CDataFileBuilder builder = TestShop::Builder();
    builder.OmitSystemTable(2);  // sysindexes
    auto pEngine = TestRecovery::BuildAndRecover(builder, m_dir.Path());
    ASSERT_TRUE(pEngine);
    // The tables and their rows are all there; the keys are known by name only.
    ASSERT_EQ(pEngine->m_mapObjects.Count(), 2u);
    const CTable& customers = TableNamed(*pEngine, "Customers");
    ASSERT_EQ(customers.m_vecKeys.size(), 2u);
    EXPECT_TRUE(customers.m_vecKeys[0].m_vecColumns.empty());
    EXPECT_TRUE(customers.m_vecIndexes.empty());
    auto statements = CConstraintScript::TableStatements(customers);
    EXPECT_TRUE(statements.vecStatements.empty());
    ASSERT_EQ(statements.vecSkipped.size(), 2u);
    EXPECT_EQ(statements.vecSkipped[0],
              "primary key [PK_Customers] of table [Customers] was not scripted: its columns "
              "were not recovered");
    // The checks and the foreign key do not depend on sysindexes.
    const CTable& orders = TableNamed(*pEngine, "Orders");
    EXPECT_EQ(CConstraintScript::ForeignKeyStatements(orders).vecStatements.size(), 1u);
    EXPECT_EQ(orders.m_vecChecks.size(), 2u);
    const auto vecErrors = TestRecovery::LogMessages(m_dir / "logs" / "ErrorLog.log");
    EXPECT_NE(std::find(vecErrors.begin(), vecErrors.end(), "Could not find sysindexes table"),
              vecErrors.end());
}

TEST_F(SchemaRecovery, RealFileHasItsPrimaryKeysDefaultsAndIdentityColumns) {
    const auto path = TestFiles::RealReviewsFile();
    if (path.empty())
        GTEST_SKIP() << "reviews2000.mdf is not beside the project";
    auto pEngine = TestRecovery::Recover(path);
    ASSERT_TRUE(pEngine);
    const CTable& reviews = TableNamed(*pEngine, "tabReviews");
    ASSERT_EQ(reviews.m_vecKeys.size(), 1u);
    EXPECT_EQ(reviews.m_vecKeys[0].m_strName, "PK_tabReviews");
    EXPECT_TRUE(reviews.m_vecKeys[0].m_bPrimaryKey);
    EXPECT_FALSE(reviews.m_vecKeys[0].m_bClustered);
    EXPECT_EQ(Columns(reviews.m_vecKeys[0].m_vecColumns), "ID_REVIEW");
    const CColumnInfo* pIdentity = reviews.IdentityColumn();
    ASSERT_NE(pIdentity, nullptr);
    EXPECT_EQ(pIdentity->m_strName, "ID_REVIEW");
    EXPECT_EQ(pIdentity->m_nIdentitySeed, 1);
    EXPECT_EQ(pIdentity->m_nIdentityIncrement, 1);
    ASSERT_NE(reviews.FindColumn("ReviewDate"), nullptr);
    EXPECT_EQ(reviews.FindColumn("ReviewDate")->m_strDefault, "(getdate())");
    EXPECT_TRUE(reviews.m_vecForeignKeys.empty());
    EXPECT_TRUE(reviews.m_vecChecks.empty());

    // The design tool's table: a clustered key over two columns, in key order.
    const CTable& properties = TableNamed(*pEngine, "dtproperties");
    ASSERT_EQ(properties.m_vecKeys.size(), 1u);
    EXPECT_EQ(Columns(properties.m_vecKeys[0].m_vecColumns), "id,property");
    EXPECT_TRUE(properties.m_vecKeys[0].m_bClustered);
    EXPECT_EQ(properties.FindColumn("version")->m_strDefault, "(0)");

    EXPECT_EQ(CConstraintScript::TableStatements(reviews).vecStatements,
              std::vector<std::string>{"ALTER TABLE [tabReviews] ADD CONSTRAINT [PK_tabReviews] "
                                       "PRIMARY KEY NONCLUSTERED ([ID_REVIEW])"});
    EXPECT_EQ(
        CConstraintScript::TableStatements(properties).vecStatements,
        std::vector<std::string>{"ALTER TABLE [dtproperties] ADD CONSTRAINT "
                                 "[pk_dtproperties] PRIMARY KEY CLUSTERED ([id],[property])"});
}

namespace {
// An autoval value: the last value used, the seed and the increment, each nWidth bytes
// little-endian (decimal: a sign byte, then the magnitude), then a status byte.
std::vector<std::byte> Autoval(std::size_t nWidth, std::uint64_t nSeed, std::uint64_t nIncrement) {
    std::vector<std::byte> vecBytes(3 * nWidth + 1);
    for (std::size_t i = 0; i < nWidth && i < 8; ++i) {
        vecBytes[nWidth + i] = static_cast<std::byte>(nSeed >> (8 * i));
        vecBytes[2 * nWidth + i] = static_cast<std::byte>(nIncrement >> (8 * i));
    }
    return vecBytes;
}
std::vector<std::byte> DecimalAutoval(std::size_t nWidth, bool bSeedNegative, std::uint64_t nSeed,
                                      std::uint64_t nIncrement) {
    std::vector<std::byte> vecBytes(3 * nWidth + 1);
    vecBytes[nWidth] = std::byte{bSeedNegative ? std::uint8_t{0} : std::uint8_t{1}};
    vecBytes[2 * nWidth] = std::byte{1};
    for (std::size_t i = 0; i < 8 && i + 1 < nWidth; ++i) {
        vecBytes[nWidth + 1 + i] = static_cast<std::byte>(nSeed >> (8 * i));
        vecBytes[2 * nWidth + 1 + i] = static_cast<std::byte>(nIncrement >> (8 * i));
    }
    return vecBytes;
}
}  // namespace

TEST(IdentityValues, SeedAndIncrementOfEveryIdentityTypeAndNothingFromOtherBytes) {
    struct SCase {
        const char* pszName;
        std::vector<std::byte> vecAutoval;
        bool bDecimal;
        std::optional<std::pair<std::int64_t, std::int64_t>> expected;
    };
    const SCase arrCases[] = {
        {"int", Autoval(4, 100, 10), false, std::pair<std::int64_t, std::int64_t>{100, 10}},
        {"tinyint is unsigned", Autoval(1, 200, 5), false,
         std::pair<std::int64_t, std::int64_t>{200, 5}},
        {"smallint counting down", Autoval(2, 0xFFFD, 0xFFFF), false,
         std::pair<std::int64_t, std::int64_t>{-3, -1}},
        {"bigint", Autoval(8, 5000000000ULL, 2), false,
         std::pair<std::int64_t, std::int64_t>{5000000000LL, 2}},
        {"decimal(12,0)", DecimalAutoval(9, true, 12345678901ULL, 7), true,
         std::pair<std::int64_t, std::int64_t>{-12345678901LL, 7}},
        {"increment 0", Autoval(4, 1, 0), false, std::nullopt},
        {"not three values and a status byte", std::vector<std::byte>(12), false, std::nullopt},
        {"too short", std::vector<std::byte>(3), false, std::nullopt},
        {"wider than bigint", Autoval(9, 1, 1), false, std::nullopt},
    };
    for (const SCase& test : arrCases) {
        SCOPED_TRACE(test.pszName);
        auto identity = CSysColumnsReader::DecodeIdentity(test.vecAutoval, test.bDecimal);
        ASSERT_EQ(identity.has_value(), test.expected.has_value());
        if (identity) {
            EXPECT_EQ(identity->nSeed, test.expected->first);
            EXPECT_EQ(identity->nIncrement, test.expected->second);
        }
    }
}
