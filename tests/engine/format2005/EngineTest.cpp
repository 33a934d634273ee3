// tests/engine/format2005/EngineTest.cpp
// The 2005 and 2008 engines through the interface the front ends use, on the two real files: a
// whole recovery with its hand-shakes, the shared model, rows paged through grid cursors, the
// statements of the table scripts and a scan file saved and opened again.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "CreationScript.h"
#include "common/ArchiveReader.h"
#include "engine/binding/CEngineBinding.h"
#include "engine/binding/ScanFileOpener.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/format2005/CDatabaseReader.h"
#include "engine/format2005/CValueConverter.h"
#include "engine/records/CGridCursor.h"
#include "engine/records/CInsertStatementBuilder.h"
#include "engine/scripts/CTableScript.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace {
fs::path SharedData(const char* szName) {
    fs::path path = fs::path(AMBERMILL_SHARED_DATA_DIR) / szName;
    std::error_code ec;
    return fs::exists(path, ec) ? path : fs::path();
}

const CTable* Table(const CSQLServerEngine& engine, const std::string& strName) {
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        if (pTable->m_strName == strName)
            return pTable.get();
    }
    return nullptr;
}

// Every row of a table through a grid cursor, page by page: the grid texts joined by "|".
std::vector<std::string> GridRows(CSQLServerEngine& engine, const CTable& table,
                                  bool bDeleted = false) {
    engine.m_bRecoverDeleted = bDeleted;
    auto pCursor = engine.OpenGridCursor(table, false);
    std::vector<std::string> vecRows;
    if (!pCursor)
        return vecRows;
    for (bool bFirst = true;; bFirst = false) {
        pCursor->Page(
            bFirst ? SGridRequest::First() : SGridRequest::Next(), [&](const SDecodedRow& row) {
                std::string strRow;
                for (std::size_t i = 0; i < row.vecValues.size(); ++i) {
                    strRow += (i ? "|" : "") +
                              CValueFormat::GridText(row.vecValues[i], pCursor->Formats()[i]);
                }
                vecRows.push_back(strRow);
            });
        if (pCursor->LastPage())
            break;
    }
    engine.m_bRecoverDeleted = false;
    return vecRows;
}

std::unique_ptr<CSQLServerEngine> RecoverWith(EEngineFormat eFormat, const fs::path& path) {
    auto pEngine = CEngineBinding::Create(eFormat);
    pEngine->ResetCatalog();
    pEngine->m_strFileName = path.string();
    CRecoveryMonitor monitor(*pEngine);
    EXPECT_TRUE(monitor.Run()) << "recovery of " << path << " did not complete";
    return pEngine;
}

// The script's tables are the engine's, with their columns in order as the model keeps them.
void ExpectScriptTables(const CSQLServerEngine& engine, const fs::path& script) {
    for (const auto& expected : CreationScript::Tables(script)) {
        const CTable* pTable = Table(engine, expected.strName);
        ASSERT_NE(pTable, nullptr) << expected.strName;
        EXPECT_EQ(pTable->m_strSchema, "dbo");
        ASSERT_EQ(pTable->m_vecColumns.size(), expected.vecColumns.size()) << expected.strName;
        for (std::size_t i = 0; i < expected.vecColumns.size(); ++i) {
            const auto& want = expected.vecColumns[i];
            const CColumnInfo& got = pTable->m_vecColumns[i];
            SCOPED_TRACE(expected.strName + "." + want.strName);
            EXPECT_EQ(got.m_strName, want.strName);
            EXPECT_EQ(got.m_strType, want.strType);
            EXPECT_EQ(got.m_bNullable, want.bNullable);
            EXPECT_EQ(got.m_bIdentity, want.bIdentity);
            if (want.bIdentity) {
                EXPECT_EQ(got.m_nIdentitySeed, want.nSeed);
                EXPECT_EQ(got.m_nIdentityIncrement, want.nIncrement);
            }
        }
    }
}

// A condition without brackets, parentheses, blanks and case: the server rewrites what the
// script wrote ("Discount >= 0" is kept as "([Discount]>=(0))").
std::string Condition(const std::string& strText) {
    std::string strOut;
    for (char c : strText) {
        if (c != '[' && c != ']' && c != '(' && c != ')' &&
            !std::isspace(static_cast<unsigned char>(c))) {
            strOut += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return strOut;
}

std::vector<std::pair<std::string, bool>> Columns(const std::vector<CIndexColumn>& vecColumns) {
    std::vector<std::pair<std::string, bool>> vecOut;
    for (const CIndexColumn& column : vecColumns)
        vecOut.emplace_back(column.m_strName, column.m_bDescending);
    return vecOut;
}

// One declared part is in the table's model as declared.
void ExpectPart(const CTable& table, const CreationScript::SConstraint& want) {
    using EKind = CreationScript::SConstraint::EKind;
    const CTable* pTable = &table;
    auto byName = [&](const auto& vec) -> decltype(&vec[0]) {
        for (const auto& part : vec) {
            if (part.m_strName == want.strName)
                return &part;
        }
        return nullptr;
    };
    switch (want.eKind) {
        case EKind::PrimaryKey:
        case EKind::Unique: {
            const CKeyConstraint* pKey = byName(pTable->m_vecKeys);
            ASSERT_NE(pKey, nullptr);
            EXPECT_EQ(pKey->m_bPrimaryKey, want.eKind == EKind::PrimaryKey);
            EXPECT_EQ(pKey->m_bClustered, want.bClustered);
            EXPECT_EQ(Columns(pKey->m_vecColumns), want.vecColumns);
            break;
        }
        case EKind::Index: {
            const CTableIndex* pIndex = byName(pTable->m_vecIndexes);
            ASSERT_NE(pIndex, nullptr);
            EXPECT_FALSE(pIndex->m_bKeyIndex);
            EXPECT_EQ(pIndex->m_bUnique, want.bUnique);
            EXPECT_EQ(pIndex->m_bClustered, want.bClustered);
            EXPECT_EQ(Columns(pIndex->m_vecColumns), want.vecColumns);
            break;
        }
        case EKind::ForeignKey: {
            const CForeignKey* pKey = byName(pTable->m_vecForeignKeys);
            ASSERT_NE(pKey, nullptr);
            std::vector<std::string> vecColumns;
            for (const auto& [strName, bDescending] : want.vecColumns)
                vecColumns.push_back(strName);
            EXPECT_EQ(pKey->m_vecColumns, vecColumns);
            EXPECT_EQ(pKey->m_strReferencedTable, want.strReferencedTable);
            EXPECT_EQ(pKey->m_vecReferencedColumns, want.vecReferencedColumns);
            EXPECT_EQ(pKey->m_eOnDelete, CForeignKey::EAction::NoAction);
            EXPECT_EQ(pKey->m_eOnUpdate, CForeignKey::EAction::NoAction);
            break;
        }
        case EKind::Check: {
            const CCheckConstraint* pCheck = byName(pTable->m_vecChecks);
            ASSERT_NE(pCheck, nullptr);
            EXPECT_EQ(Condition(pCheck->m_strText), Condition(want.strCheck));
            EXPECT_FALSE(pCheck->m_bDisabled);
            break;
        }
    }
}

// Every key, index, check and foreign key the script declares is in the model as declared, and
// the script's tables have no others. Returns how many parts the script declares.
std::size_t ExpectScriptConstraints(const CSQLServerEngine& engine, const fs::path& script) {
    std::map<std::string, std::size_t> mapExpected;  // table -> parts
    for (const auto& want : CreationScript::Constraints(script)) {
        SCOPED_TRACE(want.strTable + ": " + want.strName);
        const CTable* pTable = Table(engine, want.strTable);
        EXPECT_NE(pTable, nullptr);
        if (pTable == nullptr)
            continue;
        ++mapExpected[want.strTable];
        ExpectPart(*pTable, want);
    }
    for (const auto& [strTable, nParts] : mapExpected) {
        const CTable* pTable = Table(engine, strTable);
        // Key indexes count once, as their key.
        std::size_t nIndexes = 0;
        for (const CTableIndex& index : pTable->m_vecIndexes)
            nIndexes += !index.m_bKeyIndex;
        EXPECT_EQ(pTable->m_vecKeys.size() + nIndexes + pTable->m_vecForeignKeys.size() +
                      pTable->m_vecChecks.size(),
                  nParts)
            << strTable;
    }
    std::size_t nParts = 0;
    for (const auto& [strTable, nCount] : mapExpected)
        nParts += nCount;
    return nParts;
}

class LaterEngine : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_path2005 = SharedData("littleitaly2005.mdf");
        s_path2008 = SharedData("northwind2008.mdf");
        if (!s_path2005.empty())
            s_p2005 = RecoverWith(EEngineFormat::SQL2005, s_path2005);
        if (!s_path2008.empty())
            s_p2008 = RecoverWith(EEngineFormat::SQL2008, s_path2008);
    }
    static void TearDownTestSuite() {
        s_p2005.reset();
        s_p2008.reset();
        if (!s_path2005.empty()) {
            EXPECT_EQ(TestFiles::Sha1OfFile(s_path2005),
                      "6474c687d03f09e6f96da48d03bf1712006d2151");
        }
        if (!s_path2008.empty()) {
            EXPECT_EQ(TestFiles::Sha1OfFile(s_path2008),
                      "c6d024f3987a1d62d41149fd2a285750fd53ae70");
        }
    }
    static inline fs::path s_path2005;
    static inline fs::path s_path2008;
    static inline std::unique_ptr<CSQLServerEngine> s_p2005;
    static inline std::unique_ptr<CSQLServerEngine> s_p2008;
};

#define NEED(p, name) \
    if (!(p))         \
    GTEST_SKIP() << name << " is not in ../shared/data"

TEST_F(LaterEngine, RecoversTheLittleItalyCatalogIntoTheModel) {
    NEED(s_p2005, "littleitaly2005.mdf");
    CSQLServerEngine& engine = *s_p2005;
    EXPECT_EQ(engine.FormatVersion(), "2005");
    EXPECT_EQ(engine.m_strDatabaseName, "LittleItalyVineyard");
    EXPECT_TRUE(engine.m_bRecoveryComplete);
    EXPECT_EQ(engine.m_pStatus->m_nTables, 12);
    EXPECT_EQ(engine.m_pStatus->m_nProcedures, 35);
    EXPECT_EQ(engine.m_pStatus->m_nFunctions, 1);
    ExpectScriptTables(engine, SharedData("littleitaly2005.sql"));
    // The design tool's table keeps varbinary(max), written back as (max).
    const CTable* pDiagrams = Table(engine, "sysdiagrams");
    ASSERT_NE(pDiagrams, nullptr);
    const CColumnInfo& definition = pDiagrams->m_vecColumns.back();
    EXPECT_EQ(definition.m_strName, "definition");
    EXPECT_TRUE(definition.m_bMax);
    EXPECT_EQ(CTableScript::Build(*pDiagrams, nullptr).strCreate,
              "CREATE TABLE [dbo].[sysdiagrams] ([name] [sysname] NOT NULL,[principal_id] [int] "
              "NOT NULL,[diagram_id] [int] IDENTITY(1,1) NOT NULL,[version] [int],[definition] "
              "[varbinary](max))\r\n");
    EXPECT_EQ(CTableScript::Build(*Table(engine, "Orders"), nullptr).strCreate,
              "CREATE TABLE [dbo].[Orders] ([OrderID] [int] IDENTITY(1,1) NOT NULL,[TransactionID] "
              "[nvarchar](50) NOT NULL,[EndUserID] [int] NOT NULL,[OrderStatusID] [int] default "
              "((1)) NOT NULL,[OrderDate] [smalldatetime] default (getdate()) NOT "
              "NULL,[ShipDate] [smalldatetime],[TrackingNumber] [nvarchar](50))\r\n");
    // Every procedure comes with its whole text.
    for (const auto& [strKey, pProc] : engine.m_mapProcedures) {
        EXPECT_EQ(pProc->m_strSchema, "dbo");
        EXPECT_NE(pProc->m_strText.find("CREATE PROCEDURE"), std::string::npos) << pProc->m_strName;
    }
}

TEST_F(LaterEngine, ReadsTheKeysIndexesChecksAndForeignKeysOfTheCreationScripts) {
    NEED(s_p2005 || s_p2008, "littleitaly2005.mdf or northwind2008.mdf");
    if (s_p2005) {
        SCOPED_TRACE("littleitaly2005");
        // 11 primary keys and 9 foreign keys.
        EXPECT_EQ(ExpectScriptConstraints(*s_p2005, SharedData("littleitaly2005.sql")), 20u);
        // The design tool's table: a system-named primary key and a unique constraint.
        const CTable* pDiagrams = Table(*s_p2005, "sysdiagrams");
        ASSERT_NE(pDiagrams, nullptr);
        ASSERT_EQ(pDiagrams->m_vecKeys.size(), 2u);
        EXPECT_TRUE(pDiagrams->m_vecKeys[0].m_bPrimaryKey);
        EXPECT_EQ(Columns(pDiagrams->m_vecKeys[0].m_vecColumns),
                  (std::vector<std::pair<std::string, bool>>{{"diagram_id", false}}));
        EXPECT_FALSE(pDiagrams->m_vecKeys[1].m_bPrimaryKey);
        EXPECT_EQ(
            Columns(pDiagrams->m_vecKeys[1].m_vecColumns),
            (std::vector<std::pair<std::string, bool>>{{"principal_id", false}, {"name", false}}));
    }
    if (s_p2008) {
        SCOPED_TRACE("northwind2008");
        // 13 primary keys, 13 foreign keys, 8 checks and 26 indexes.
        EXPECT_EQ(ExpectScriptConstraints(*s_p2008, SharedData("northwind.sql")), 60u);
    }
}

TEST_F(LaterEngine, PagesLittleItalyRowsWithGhostsOnlyWhenAsked) {
    NEED(s_p2005, "littleitaly2005.mdf");
    CSQLServerEngine& engine = *s_p2005;
    const std::map<std::string, std::pair<std::size_t, std::size_t>> mapExpected{
        {"Orders", {0, 1}},      {"OrderDetails", {0, 1}},       {"ShoppingCart", {0, 1}},
        {"OrderStatus", {3, 0}}, {"EndUserType", {2, 0}},        {"ProductCategory", {6, 0}},
        {"Products", {9, 0}},    {"ProductImages", {9, 0}},      {"EndUser", {1, 0}},
        {"Address", {1, 0}},     {"ContactInformation", {1, 0}}, {"sysdiagrams", {1, 0}},
    };
    for (const auto& [strName, counts] : mapExpected) {
        const CTable* pTable = Table(engine, strName);
        ASSERT_NE(pTable, nullptr) << strName;
        EXPECT_EQ(GridRows(engine, *pTable).size(), counts.first) << strName;
        EXPECT_EQ(GridRows(engine, *pTable, true).size(), counts.first + counts.second) << strName;
    }
    EXPECT_EQ(GridRows(engine, *Table(engine, "Products")).front(),
              "12|5|Merlot|10|An aged red wine.  Classic taste.|000025.9900");
    EXPECT_EQ(GridRows(engine, *Table(engine, "Orders"), true).front(),
              "24|5NS57327K2069225N|3|1|2006-10-13 19:06:00|NULL|NULL");
    const std::string strImage = GridRows(engine, *Table(engine, "ProductImages")).front();
    EXPECT_EQ(strImage.substr(strImage.find('|') + 1), "<binary data>");
}

TEST_F(LaterEngine, ExportsLittleItalyRowsAsInsertStatements) {
    NEED(s_p2005, "littleitaly2005.mdf");
    CSQLServerEngine& engine = *s_p2005;
    const CTable& products = *Table(engine, "Products");
    auto pCursor = engine.OpenGridCursor(products, true);
    ASSERT_NE(pCursor, nullptr);
    std::vector<std::string> vecStatements;
    CInsertStatementBuilder builder(products);
    pCursor->Page(SGridRequest::First(), [&](const SDecodedRow& row) {
        std::string strStatement;
        builder.Append(row.vecValues, false, strStatement);
        vecStatements.push_back(strStatement);
    });
    ASSERT_EQ(vecStatements.size(), 9u);
    EXPECT_EQ(vecStatements.front(),
              "Insert into [dbo].[Products] ([ProductID],[ProductCategoryID],[ProductName],"
              "[ProductImageID],[Description],[Price])  values(12,5,CONVERT(nvarchar(50),"
              "0x4d00650072006c006f007400),10,'An aged red wine.  Classic "
              "taste.',000025.9900)\r\ngo\r\n");
}

TEST_F(LaterEngine, SavedScanOpensWithItsModelAndPagesTheFileAgain) {
    NEED(s_p2005, "littleitaly2005.mdf");
    CSQLServerEngine& engine = *s_p2005;
    TestFiles::CTempDir dir;
    const fs::path scan = dir / "little.str";
    std::string strError;
    ASSERT_TRUE(engine.SaveScan(scan.string(), strError)) << strError;
    auto pLoaded = OpenScanFile(scan.string(), strError);
    ASSERT_NE(pLoaded, nullptr) << strError;
    EXPECT_EQ(pLoaded->FormatVersion(), "2005");
    EXPECT_EQ(pLoaded->m_mapObjects.Count(), engine.m_mapObjects.Count());
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        const CTable* pCopy = pLoaded->m_mapObjects.Find(strKey);
        ASSERT_NE(pCopy, nullptr);
        EXPECT_EQ(pCopy->m_strSchema, pTable->m_strSchema);
        EXPECT_EQ(pCopy->m_vecPages, pTable->m_vecPages);
        ASSERT_EQ(pCopy->m_vecColumns.size(), pTable->m_vecColumns.size());
        for (std::size_t i = 0; i < pTable->m_vecColumns.size(); ++i) {
            EXPECT_EQ(pCopy->m_vecColumns[i].m_bMax, pTable->m_vecColumns[i].m_bMax);
            EXPECT_EQ(pCopy->m_vecColumns[i].m_bIdentity, pTable->m_vecColumns[i].m_bIdentity);
            EXPECT_EQ(pCopy->m_vecColumns[i].m_nIdentitySeed,
                      pTable->m_vecColumns[i].m_nIdentitySeed);
        }
    }
    for (const auto& [strKey, pProc] : engine.m_mapProcedures)
        EXPECT_EQ(pLoaded->m_mapProcedures.Find(strKey)->m_strSchema, pProc->m_strSchema);
    // Rows come from the data file the scan names.
    EXPECT_EQ(GridRows(*pLoaded, *Table(*pLoaded, "Products")),
              GridRows(engine, *Table(engine, "Products")));
}

TEST_F(LaterEngine, RecoversNorthwind2008WithEveryRowAndTheScriptsTexts) {
    NEED(s_p2008, "northwind2008.mdf");
    CSQLServerEngine& engine = *s_p2008;
    EXPECT_EQ(engine.FormatVersion(), "2008");
    EXPECT_EQ(engine.m_pStatus->m_nTables, 14);
    EXPECT_EQ(engine.m_pStatus->m_nViews, 16);
    ExpectScriptTables(engine, SharedData("northwind.sql"));
    std::size_t nTotal = 0;
    for (const auto& [strKey, pTable] : engine.m_mapObjects)
        nTotal += GridRows(engine, *pTable).size();
    EXPECT_EQ(nTotal, 3308u);
    const auto vecCustomers = GridRows(engine, *Table(engine, "Customers"));
    EXPECT_EQ(vecCustomers.front(),
              "ALFKI|Alfreds Futterkiste|Maria Anders|Sales Representative|Obere Str. "
              "57|Berlin|NULL|12209|Germany|030-0074321|030-0076545");
    const auto vecOrders = GridRows(engine, *Table(engine, "Orders"));
    ASSERT_EQ(vecOrders.size(), 830u);
    EXPECT_EQ(vecOrders.front().substr(0, 40), "10248|VINET|5|1996-07-04 0:00:00|1996-08");
    const CViewStoredProc* pView = nullptr;
    for (const auto& [strKey, pObject] : engine.m_mapViews) {
        if (pObject->m_strName == "Current Product List")
            pView = pObject.get();
    }
    ASSERT_NE(pView, nullptr);
    EXPECT_NE(pView->m_strText.find("WHERE (((Product_List.Discontinued)=0))"), std::string::npos)
        << pView->m_strText;
}

// The grid cursor decodes records straight into typed values; the catalog reads and tools decode
// them into raw values that are converted afterwards. Both must give every row alike, deleted rows
// and values stored off the row included.
TEST_F(LaterEngine, GridRowsMatchTheRawRowsConverted) {
    for (auto [pEngine, path] :
         {std::pair{s_p2005.get(), s_path2005}, {s_p2008.get(), s_path2008}}) {
        if (!pEngine)
            continue;
        SCOPED_TRACE(path.string());
        format2005::CDatabaseReader db;
        ASSERT_EQ(db.Open(path.string()), format2005::EOpenResult::Ok);
        std::size_t nCompared = 0;
        for (const auto& [strKey, pTable] : pEngine->m_mapObjects) {
            const format2005::STable* pSource = db.Catalog().FindTable(pTable->m_nObjectId);
            ASSERT_NE(pSource, nullptr) << pTable->m_strName;
            auto pCursor = pEngine->OpenGridCursor(*pTable, true);
            pCursor->SetRecoverDeleted(true);
            const format2005::CValueConverter converter(*pSource);
            std::vector<std::string> vecRaw;
            format2005::CDamageList damage;
            db.ReadRows(
                *pSource,
                [&](const format2005::SRawRow& raw) {
                    SDecodedRow row;
                    converter.Convert(raw, row);
                    std::string strRow = raw.bGhost ? "deleted" : "";
                    for (std::size_t i = 0; i < row.vecValues.size(); ++i)
                        strRow +=
                            "|" + CValueFormat::GridText(row.vecValues[i], pCursor->Formats()[i]);
                    vecRaw.push_back(strRow);
                    return true;
                },
                damage);
            std::vector<std::string> vecGrid;
            for (bool bFirst = true;; bFirst = false) {
                pCursor->Page(bFirst ? SGridRequest::First() : SGridRequest::Next(),
                              [&](const SDecodedRow& row) {
                                  std::string strRow = row.bDeleted ? "deleted" : "";
                                  for (std::size_t i = 0; i < row.vecValues.size(); ++i)
                                      strRow += "|" + CValueFormat::GridText(row.vecValues[i],
                                                                             pCursor->Formats()[i]);
                                  vecGrid.push_back(strRow);
                              });
                if (pCursor->LastPage())
                    break;
            }
            EXPECT_EQ(vecGrid, vecRaw) << pTable->m_strName;
            nCompared += vecGrid.size();
        }
        EXPECT_GT(nCompared, 30u);
    }
}

TEST(FormatTable, NamesTheLikelyFormatOfAnUnknownStamp) {
    EXPECT_EQ(CFormatTable::ByStamp(661), nullptr);
    EXPECT_EQ(CFormatTable::LikelyFormat(661)->eFormat, EEngineFormat::SQL2008);
    EXPECT_EQ(CFormatTable::LikelyFormat(656)->eFormat, EEngineFormat::SQL2008);
    EXPECT_EQ(CFormatTable::LikelyFormat(655)->eFormat, EEngineFormat::SQL2008);
    EXPECT_EQ(CFormatTable::LikelyFormat(612)->eFormat, EEngineFormat::SQL2005);
    for (std::uint16_t nStamp : {590, 598, 603, 607})
        EXPECT_EQ(CFormatTable::LikelyFormat(nStamp)->eFormat, EEngineFormat::SQL2005) << nStamp;
    EXPECT_EQ(CFormatTable::LikelyFormat(539)->eFormat, EEngineFormat::SQL2000);
    for (std::uint16_t nStamp : {0, 515, 600, 662, 706})
        EXPECT_EQ(CFormatTable::LikelyFormat(nStamp), nullptr) << nStamp;
}
}  // namespace
