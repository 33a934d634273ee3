// tests/engine/format2005/RealFilesTest.cpp
// The reader against the two real files beside the project: a 2005 file created natively and a
// 2008 file upgraded from 2000, compared with the scripts that created them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "CreationScript.h"
#include "RawValues.h"
#include "engine/format2005/CDatabaseReader.h"
#include "engine/format2005/CValueConverter.h"
#include "support/TestFiles.h"

using namespace format2005;
namespace fs = std::filesystem;

namespace {
fs::path SharedData(const char* szName) {
    fs::path path = fs::path(AMBERMILL_SHARED_DATA_DIR) / szName;
    std::error_code ec;
    return fs::exists(path, ec) ? path : fs::path();
}

struct SRows {
    std::vector<SRawRow> vecRows;
    SReadCounts counts;
    CDamageList damage;
};

SRows ReadAll(const CDatabaseReader& db, const std::string& strTable) {
    SRows rows;
    const STable* pTable = db.Catalog().FindTable(strTable);
    if (!pTable) {
        ADD_FAILURE() << "no table " << strTable;
        return rows;
    }
    rows.counts = db.ReadRows(
        *pTable,
        [&](const SRawRow& row) {
            rows.vecRows.push_back(row);
            return true;
        },
        rows.damage);
    return rows;
}

const SRawValue& Value(const CDatabaseReader& db, const std::string& strTable, const SRawRow& row,
                       const std::string& strColumn) {
    const STable* pTable = db.Catalog().FindTable(strTable);
    for (std::size_t i = 0; i < pTable->vecColumns.size(); ++i) {
        if (pTable->vecColumns[i].strName == strColumn)
            return row.vecValues[i];
    }
    static SRawValue missing;
    ADD_FAILURE() << "no column " << strColumn;
    return missing;
}

// Days since 1900-01-01 of a civil date, as datetime and smalldatetime count them.
int DaysSince1900(int nYear, int nMonth, int nDay) {
    auto DaysFromCivil = [](int y, int m, int d) {
        y -= m <= 2;
        const int nEra = (y >= 0 ? y : y - 399) / 400;
        const int nYoe = y - nEra * 400;
        const int nDoy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const int nDoe = nYoe * 365 + nYoe / 4 - nYoe / 100 + nDoy;
        return nEra * 146097 + nDoe - 719468;
    };
    return DaysFromCivil(nYear, nMonth, nDay) - DaysFromCivil(1900, 1, 1);
}

// Every table of the script is in the catalog with the script's columns in the script's order,
// their types, declared sizes, nullability and identity.
void ExpectScriptTables(const CCatalog& catalog, const fs::path& script) {
    const auto vecTables = CreationScript::Tables(script);
    ASSERT_FALSE(vecTables.empty());
    for (const auto& expected : vecTables) {
        const STable* pTable = catalog.FindTable(expected.strName);
        ASSERT_NE(pTable, nullptr) << expected.strName;
        EXPECT_EQ(pTable->strSchema, "dbo");
        ASSERT_EQ(pTable->vecColumns.size(), expected.vecColumns.size()) << expected.strName;
        for (std::size_t i = 0; i < expected.vecColumns.size(); ++i) {
            const auto& want = expected.vecColumns[i];
            const SColumn& got = pTable->vecColumns[i];
            SCOPED_TRACE(expected.strName + "." + want.strName);
            EXPECT_EQ(got.strName, want.strName);
            EXPECT_EQ(got.strType, want.strType);
            if (want.nSize >= 0) {
                const bool bUnicode = got.nTypeId == kTypeNVarChar || got.nTypeId == kTypeNChar;
                EXPECT_EQ(got.nLength, bUnicode ? 2 * want.nSize : want.nSize);
            }
            EXPECT_EQ(got.bNullable, want.bNullable);
            EXPECT_EQ(got.bIdentity, want.bIdentity);
            if (want.bIdentity) {
                EXPECT_TRUE(got.bHasIdentityValues);
                EXPECT_EQ(got.nIdentitySeed, want.nSeed);
                EXPECT_EQ(got.nIdentityIncrement, want.nIncrement);
            }
        }
    }
}

// The rows of a file cut after nPages pages (plus nExtra bytes of the next) are exactly the rows
// of the whole file that lie on those pages.
void ExpectTruncatedCopyKeepsWholePages(const fs::path& original, std::uint32_t nPages,
                                        std::size_t nExtra) {
    TestFiles::CTempDir dir;
    const fs::path copy = dir / "cut.mdf";
    fs::copy_file(original, copy);
    fs::resize_file(copy, std::uint64_t{nPages} * kPageSize + nExtra);

    CDatabaseReader whole;
    ASSERT_EQ(whole.Open(original.string()), EOpenResult::Ok);
    CDatabaseReader cut;
    ASSERT_EQ(cut.Open(copy.string()), EOpenResult::Ok) << cut.Error();
    EXPECT_EQ(cut.PageCount(), nPages);
    ASSERT_EQ(cut.Catalog().Tables().size(), whole.Catalog().Tables().size());

    std::size_t nRowsKept = 0;
    for (const STable& table : cut.Catalog().Tables()) {
        SCOPED_TRACE(table.strName);
        std::set<std::pair<std::uint32_t, std::uint16_t>> setWant, setGot;
        CDamageList damage;
        whole.ReadRows(
            *whole.Catalog().FindTable(table.nObjectId),
            [&](const SRawRow& row) {
                if (row.nPage < nPages)
                    setWant.emplace(row.nPage, row.nSlot);
                return true;
            },
            damage);
        cut.ReadRows(
            table,
            [&](const SRawRow& row) {
                setGot.emplace(row.nPage, row.nSlot);
                return true;
            },
            damage);
        EXPECT_EQ(setGot, setWant);
        nRowsKept += setGot.size();
    }
    EXPECT_GT(nRowsKept, 0u);
}
}  // namespace

// ---- littleitaly2005.mdf: SQL Server 2005, created natively ----

// One real file, opened once for all tests of its suite; at the end its bytes must be unchanged.
template <typename TFile>
class RealFileTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_path = SharedData(TFile::kName);
        if (s_path.empty())
            return;
        s_pDb = std::make_unique<CDatabaseReader>();
        s_eOpen = s_pDb->Open(s_path.string());
    }
    static void TearDownTestSuite() {
        s_pDb.reset();
        if (!s_path.empty()) {
            EXPECT_EQ(TestFiles::Sha1OfFile(s_path), TFile::kSha1)
                << "the data file must never change";
        }
    }
    void SetUp() override {
        if (s_path.empty())
            GTEST_SKIP() << TFile::kName << " is not in ../shared/data";
        ASSERT_EQ(s_eOpen, EOpenResult::Ok) << s_pDb->Error();
    }
    const CDatabaseReader& Db() const { return *s_pDb; }

    static inline fs::path s_path;
    static inline std::unique_ptr<CDatabaseReader> s_pDb;
    static inline EOpenResult s_eOpen = EOpenResult::CannotOpen;
};

struct SLittleItalyFile {
    static constexpr const char* kName = "littleitaly2005.mdf";
    static constexpr const char* kSha1 = "6474c687d03f09e6f96da48d03bf1712006d2151";
};
class LittleItaly2005 : public RealFileTest<SLittleItalyFile> {};

TEST_F(LittleItaly2005, BootstrapsTheCatalog) {
    const CCatalog& catalog = Db().Catalog();
    EXPECT_EQ(catalog.Boot().Version(), 611);
    EXPECT_EQ(catalog.Boot().CreateVersion(), 611);
    EXPECT_EQ(catalog.Boot().DatabaseName(), "LittleItalyVineyard");
    EXPECT_EQ(catalog.LayoutTables(), ELayoutTables::Hobt2005);
    // The 11 tables of the script and the design tool's sysdiagrams; no system or internal table.
    EXPECT_EQ(catalog.Tables().size(), 12u);
    EXPECT_NE(catalog.FindTable("sysdiagrams"), nullptr);
    EXPECT_EQ(catalog.FindTable("sysschobjs"), nullptr);
    EXPECT_TRUE(Db().CatalogDamage().Empty())
        << CDamageList::Describe(Db().CatalogDamage().Records().front());
}

TEST_F(LittleItaly2005, ListsEveryScriptTableWithItsColumns) {
    ExpectScriptTables(Db().Catalog(), SharedData("littleitaly2005.sql"));
}

TEST_F(LittleItaly2005, CountsLiveAndGhostRows) {
    const std::map<std::string, std::pair<std::size_t, std::size_t>> mapExpected{
        {"Orders", {0, 1}},      {"OrderDetails", {0, 1}},       {"ShoppingCart", {0, 1}},
        {"OrderStatus", {3, 0}}, {"EndUserType", {2, 0}},        {"ProductCategory", {6, 0}},
        {"Products", {9, 0}},    {"ProductImages", {9, 0}},      {"EndUser", {1, 0}},
        {"Address", {1, 0}},     {"ContactInformation", {1, 0}}, {"sysdiagrams", {1, 0}},
    };
    for (const auto& [strTable, counts] : mapExpected) {
        SRows rows = ReadAll(Db(), strTable);
        EXPECT_EQ(rows.counts.nLiveRows, counts.first) << strTable;
        EXPECT_EQ(rows.counts.nGhostRows, counts.second) << strTable;
        EXPECT_EQ(static_cast<std::int64_t>(rows.counts.nLiveRows),
                  Db().Catalog().FindTable(strTable)->CatalogRows())
            << strTable;
        EXPECT_TRUE(rows.damage.Empty()) << strTable;
    }
}

TEST_F(LittleItaly2005, ReadsGhostRowsWithTheirValues) {
    SRows orders = ReadAll(Db(), "Orders");
    ASSERT_EQ(orders.vecRows.size(), 1u);
    const SRawRow& order = orders.vecRows[0];
    EXPECT_TRUE(order.bGhost);
    EXPECT_EQ(RawValues::Text(Value(Db(), "Orders", order, "TransactionID")), "5NS57327K2069225N");
    const SRawValue& date = Value(Db(), "Orders", order, "OrderDate");
    ASSERT_EQ(date.vecBytes.size(), 4u);
    EXPECT_EQ(*CByteView(date.vecBytes).U16(2), DaysSince1900(2006, 10, 13));
    EXPECT_EQ(Value(Db(), "Orders", order, "ShipDate").eState, EValueState::Null);

    SRows details = ReadAll(Db(), "OrderDetails");
    ASSERT_EQ(details.vecRows.size(), 1u);
    EXPECT_TRUE(details.vecRows[0].bGhost);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "OrderDetails", details.vecRows[0], "OrderID")),
              RawValues::Integer(Value(Db(), "Orders", order, "OrderID")));
}

TEST_F(LittleItaly2005, GivesTheValuesTheScriptInserted) {
    auto Texts = [&](const std::string& strTable, const std::string& strColumn) {
        std::vector<std::string> vecTexts;
        for (const SRawRow& row : ReadAll(Db(), strTable).vecRows)
            vecTexts.push_back(RawValues::Text(Value(Db(), strTable, row, strColumn)));
        return vecTexts;
    };
    EXPECT_EQ(Texts("EndUserType", "TypeName"),
              (std::vector<std::string>{"Customer", "Administrator"}));
    // The working copy has one status more than the script.
    EXPECT_EQ(Texts("OrderStatus", "OrderStatusName"),
              (std::vector<std::string>{"Pending", "Shipped", "Refunded"}));
    // text values behind text pointers; 'Rose Wine' was deleted after the insert script.
    EXPECT_EQ(Texts("ProductCategory", "ProductCategoryName"),
              (std::vector<std::string>{"Appetizer Wine", "White Wine", "Red Wine", "Desert Wine",
                                        "Glasses", "Accessories"}));

    // Grid texts of the types SQL Server 2000 had come from its own renderer.
    SRows products = ReadAll(Db(), "Products");
    const STable& table = *Db().Catalog().FindTable("Products");
    std::string strRow;
    for (std::size_t i = 0; i < table.vecColumns.size(); ++i)
        strRow += (i ? "|" : "") +
                  CValueConverter::GridText(table.vecColumns[i], products.vecRows[0].vecValues[i]);
    EXPECT_EQ(strRow, "12|5|Merlot|10|An aged red wine.  Classic taste.|000025.9900");
}

TEST_F(LittleItaly2005, FollowsProductImagesAcrossPages) {
    SRows images = ReadAll(Db(), "ProductImages");
    ASSERT_EQ(images.vecRows.size(), 9u);
    std::size_t nLargest = 0;
    for (const SRawRow& row : images.vecRows) {
        const SRawValue& image = Value(Db(), "ProductImages", row, "ProductImage");
        ASSERT_EQ(image.eState, EValueState::Value);
        EXPECT_TRUE(image.bOffRow);
        const auto& bytes = image.vecBytes;
        ASSERT_GE(bytes.size(), 4u);
        // Whole JPEG files: start-of-image marker first, end-of-image marker last.
        EXPECT_EQ(bytes[0], std::byte{0xFF});
        EXPECT_EQ(bytes[1], std::byte{0xD8});
        EXPECT_EQ(bytes[bytes.size() - 2], std::byte{0xFF});
        EXPECT_EQ(bytes[bytes.size() - 1], std::byte{0xD9});
        nLargest = std::max(nLargest, bytes.size());
    }
    // The largest, a 1536x2048 camera picture, spans 70 pages through an internal node.
    EXPECT_EQ(nLargest, 560037u);
    EXPECT_TRUE(images.damage.Empty());
}

TEST_F(LittleItaly2005, DecodesByPhysicalLayoutWhereItDiffersFromColumnOrder) {
    const STable& table = *Db().Catalog().FindTable("sysdiagrams");
    ASSERT_EQ(table.vecColumns.size(), 5u);
    const SPartition& partition = table.vecPartitions.at(0);
    EXPECT_FALSE(partition.bLayoutDerived);
    // diagram_id, the third column, is the clustered key and comes first in the record.
    EXPECT_EQ(table.vecColumns[2].strName, "diagram_id");
    EXPECT_EQ(partition.vecPlaces[2].nLeafOffset, 4);
    EXPECT_EQ(partition.vecPlaces[0].nLeafOffset, -1);  // name: first variable column
    EXPECT_TRUE(table.vecColumns[4].IsMax());

    SRows rows = ReadAll(Db(), "sysdiagrams");
    ASSERT_EQ(rows.vecRows.size(), 1u);
    const SRawRow& row = rows.vecRows[0];
    EXPECT_EQ(RawValues::Text(Value(Db(), "sysdiagrams", row, "name")), "Complete");
    EXPECT_EQ(RawValues::Integer(Value(Db(), "sysdiagrams", row, "principal_id")), 1);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "sysdiagrams", row, "diagram_id")), 3);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "sysdiagrams", row, "version")), 1);
    // varbinary(max) behind an in-row LOB root.
    const SRawValue& definition = Value(Db(), "sysdiagrams", row, "definition");
    EXPECT_EQ(definition.eState, EValueState::Value);
    EXPECT_TRUE(definition.bOffRow);
    EXPECT_EQ(definition.vecBytes.size(), 23556u);
}

TEST_F(LittleItaly2005, RecoversProceduresAndFunctionsWithFullTexts) {
    std::size_t nProcedures = 0, nFunctions = 0;
    for (const SModule& module : Db().Catalog().Modules()) {
        if (module.eKind == EModuleKind::Procedure) {
            ++nProcedures;
            EXPECT_TRUE(module.bTextFound && module.bTextComplete) << module.strName;
            EXPECT_NE(module.strText.find("CREATE PROCEDURE"), std::string::npos) << module.strName;
            EXPECT_NE(module.strText.find(module.strName), std::string::npos) << module.strName;
        }
        nFunctions += module.eKind == EModuleKind::ScalarFunction;
    }
    EXPECT_EQ(nProcedures, 35u);
    EXPECT_EQ(nFunctions, 1u);
    const SModule* pDefault = Db().Catalog().FindModule("DF_Orders_OrderStatusID");
    ASSERT_NE(pDefault, nullptr);
    EXPECT_EQ(pDefault->strText, "((1))");
    EXPECT_EQ(Db().Catalog().FindTable(pDefault->nParentId)->strName, "Orders");
}

TEST_F(LittleItaly2005, TruncatedCopyGivesEveryRowOfItsWholePages) {
    // Cut inside page 220: the catalog survives, the product images' pages do not.
    ExpectTruncatedCopyKeepsWholePages(s_path, 220, 1000);
    TestFiles::CTempDir dir;
    fs::copy_file(s_path, dir / "cut.mdf");
    fs::resize_file(dir / "cut.mdf", 220 * kPageSize);
    CDatabaseReader cut;
    ASSERT_EQ(cut.Open((dir / "cut.mdf").string()), EOpenResult::Ok);
    CDamageList damage;
    SReadCounts counts = cut.ReadRows(
        *cut.Catalog().FindTable("ProductImages"), [](const SRawRow&) { return true; }, damage);
    EXPECT_EQ(counts.nLiveRows, 0u);
    // The lost IAM page and the leaf page the chain still names are reported.
    ASSERT_EQ(damage.Count(EDamage::PageUnreadable), 2u);
    EXPECT_EQ(damage.Records()[1].nPage, 223u);
}

// ---- northwind2008.mdf: SQL Server 2008, upgraded from 2000 ----

struct SNorthwindFile {
    static constexpr const char* kName = "northwind2008.mdf";
    static constexpr const char* kSha1 = "c6d024f3987a1d62d41149fd2a285750fd53ae70";
};
class Northwind2008 : public RealFileTest<SNorthwindFile> {};

TEST_F(Northwind2008, BootstrapsTheCatalog) {
    const CCatalog& catalog = Db().Catalog();
    EXPECT_EQ(catalog.Boot().Version(), 655);
    EXPECT_EQ(catalog.Boot().CreateVersion(), 539);
    EXPECT_EQ(catalog.Boot().DatabaseName(), "Northwind");  // 0x20 padding dropped
    EXPECT_EQ(catalog.LayoutTables(), ELayoutTables::RsCols2008);
    EXPECT_EQ(catalog.Tables().size(), 14u);  // 13 of the script and sysdiagrams
    EXPECT_TRUE(Db().CatalogDamage().Empty())
        << CDamageList::Describe(Db().CatalogDamage().Records().front());
}

TEST_F(Northwind2008, ListsEveryScriptTableWithItsColumns) {
    ExpectScriptTables(Db().Catalog(), SharedData("northwind.sql"));
}

TEST_F(Northwind2008, CountsTheRowsOfEveryTable) {
    const std::map<std::string, std::size_t> mapExpected{
        {"Orders", 830},
        {"Order Details", 2155},
        {"Customers", 91},
        {"Products", 77},
        {"Employees", 9},
        {"Categories", 8},
        {"Shippers", 3},
        {"Suppliers", 29},
        {"Region", 4},
        {"Territories", 53},
        {"EmployeeTerritories", 49},
        {"CustomerCustomerDemo", 0},
        {"CustomerDemographics", 0},
        {"sysdiagrams", 0},
    };
    std::size_t nTotal = 0;
    for (const STable& table : Db().Catalog().Tables()) {
        SRows rows = ReadAll(Db(), table.strName);
        ASSERT_TRUE(mapExpected.count(table.strName)) << table.strName;
        EXPECT_EQ(rows.counts.nLiveRows, mapExpected.at(table.strName)) << table.strName;
        EXPECT_EQ(rows.counts.nGhostRows, 0u) << table.strName;
        EXPECT_TRUE(rows.damage.Empty()) << table.strName;
        nTotal += rows.counts.nLiveRows;
    }
    EXPECT_EQ(nTotal, 3308u);
}

TEST_F(Northwind2008, GivesTheValuesTheScriptInserted) {
    SRows customers = ReadAll(Db(), "Customers");
    const SRawRow& alfki = customers.vecRows.at(0);
    const std::vector<std::pair<const char*, const char*>> vecAlfki{
        {"CustomerID", "ALFKI"},         {"CompanyName", "Alfreds Futterkiste"},
        {"ContactName", "Maria Anders"}, {"City", "Berlin"},
        {"PostalCode", "12209"},         {"Fax", "030-0076545"}};
    for (const auto& [szColumn, szText] : vecAlfki)
        EXPECT_EQ(RawValues::Text(Value(Db(), "Customers", alfki, szColumn)), szText);
    EXPECT_EQ(Value(Db(), "Customers", alfki, "Region").eState, EValueState::Null);

    // Orders 10248: VINET, employee 5, 1996-07-04, ship via 3, freight 32.38.
    SRows orders = ReadAll(Db(), "Orders");
    const SRawRow& order = orders.vecRows.at(0);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "Orders", order, "OrderID")), 10248);
    EXPECT_EQ(RawValues::Text(Value(Db(), "Orders", order, "CustomerID")), "VINET");
    EXPECT_EQ(RawValues::Integer(Value(Db(), "Orders", order, "EmployeeID")), 5);
    const SRawValue& date = Value(Db(), "Orders", order, "OrderDate");
    EXPECT_EQ(*CByteView(date.vecBytes).I32(4), DaysSince1900(1996, 7, 4));
    EXPECT_EQ(*CByteView(date.vecBytes).I32(0), 0);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "Orders", order, "ShipVia")), 3);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "Orders", order, "Freight")), 323800);

    // Order Details (10248, 11, 14, 12, 0) in key order.
    SRows details = ReadAll(Db(), "Order Details");
    const SRawRow& detail = details.vecRows.at(0);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "Order Details", detail, "ProductID")), 11);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "Order Details", detail, "UnitPrice")), 140000);
    EXPECT_EQ(RawValues::Integer(Value(Db(), "Order Details", detail, "Quantity")), 12);

    SRows territories = ReadAll(Db(), "Territories");
    const SRawRow& westboro = territories.vecRows.at(0);
    EXPECT_EQ(RawValues::Text(Value(Db(), "Territories", westboro, "TerritoryID")), "01581");
    // nchar(50) keeps its padding.
    EXPECT_EQ(RawValues::Text(Value(Db(), "Territories", westboro, "TerritoryDescription")),
              "Westboro" + std::string(42, ' '));
}

TEST_F(Northwind2008, ReadsEmployeePhotosAsTheScriptInsertedThem) {
    // The script's literal for employee 2's photo, against the image read through its text
    // pointer (a 2000-written root with three fragments).
    std::ifstream in(SharedData("northwind.sql"));
    std::string strLine;
    std::string strHex;
    while (std::getline(in, strLine)) {
        if (strLine.find("VALUES(2,'Fuller'") != std::string::npos) {
            const std::size_t nAt = strLine.find(",0x") + 3;
            strHex = strLine.substr(nAt, strLine.find(',', nAt) - nAt);
            break;
        }
    }
    ASSERT_FALSE(strHex.empty());
    std::vector<std::byte> vecExpected;
    for (std::size_t i = 0; i + 1 < strHex.size(); i += 2)
        vecExpected.push_back(static_cast<std::byte>(std::stoi(strHex.substr(i, 2), nullptr, 16)));

    SRows employees = ReadAll(Db(), "Employees");
    const SRawValue& photo = Value(Db(), "Employees", employees.vecRows.at(1), "Photo");
    ASSERT_EQ(photo.eState, EValueState::Value);
    EXPECT_EQ(photo.vecBytes.size(), vecExpected.size());
    EXPECT_TRUE(photo.vecBytes == vecExpected);
    EXPECT_NE(RawValues::Text(Value(Db(), "Employees", employees.vecRows.at(1), "Notes"))
                  .find("Andrew received his BTS commercial in 1974"),
              std::string::npos);
}

TEST_F(Northwind2008, AcceptsPagesThatKeepSqlServer2000HeaderIds) {
    std::size_t nOldPages = 0;
    CDataFileReader reader(s_path.string());
    for (const STable& table : Db().Catalog().Tables()) {
        CDamageList damage;
        for (std::uint32_t nPage : Db().DataPages(table, damage)) {
            CPage page;
            ASSERT_EQ(page.Load(reader, nPage), EPageCheck::Ok);
            if (page.IndexId() == 0 && !table.bHeap) {
                ++nOldPages;
                EXPECT_EQ(page.ObjectId(), static_cast<std::uint32_t>(table.nObjectId));
            }
        }
    }
    EXPECT_EQ(nOldPages, 37u);
}

TEST_F(Northwind2008, RecoversViewsAndProceduresWithTheScriptsTexts) {
    // Each view and procedure of the script, from its create statement to the next GO, is the
    // stored text (line ends aside).
    std::ifstream in(SharedData("northwind.sql"), std::ios::binary);
    std::string strScript((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto Normal = [](std::string strText) {
        std::string strOut;
        for (char c : strText) {
            if (c != '\r')
                strOut += c;
        }
        while (!strOut.empty() && std::isspace(static_cast<unsigned char>(strOut.back())))
            strOut.pop_back();
        return strOut;
    };
    strScript = Normal(strScript);
    std::string strLower = strScript;
    std::transform(strLower.begin(), strLower.end(), strLower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::size_t nViews = 0, nProcedures = 0;
    for (const SModule& module : Db().Catalog().Modules()) {
        if (module.eKind != EModuleKind::View && module.eKind != EModuleKind::Procedure)
            continue;
        EXPECT_TRUE(module.bTextFound && module.bTextComplete) << module.strName;
        const std::string strText = Normal(module.strText);
        const std::size_t nStart = strText.find_first_not_of(" \t\n");
        const std::string strHead = strText.substr(nStart, 40);
        const std::size_t nAt = strScript.find(strHead);
        if (nAt == std::string::npos)
            continue;  // the design tool's procedures are not in the script
        const std::size_t nGo = strLower.find("\ngo", nAt);
        EXPECT_EQ(strText.substr(nStart), Normal(strScript.substr(nAt, nGo - nAt)))
            << module.strName;
        (module.eKind == EModuleKind::View ? nViews : nProcedures)++;
    }
    EXPECT_EQ(nViews, 16u);
    EXPECT_EQ(nProcedures, 7u);
}

TEST_F(Northwind2008, TruncatedCopyGivesEveryRowOfItsWholePages) {
    // Past the last catalog page, before the file's end.
    ExpectTruncatedCopyKeepsWholePages(s_path, 440, 4096);
}
