// tests/engine/format2005/TableReaderTest.cpp
// Rows of builder-made units: forwarded rows (which the real files do not have), leaf chains,
// ghosts, columns added later, large values with loops, compressed tables.
#include <gtest/gtest.h>

#include "RawValues.h"
#include "engine/format2005/CLobReader.h"
#include "engine/format2005/CTableReader.h"
#include "fixtures/CRowBuilder.h"
#include "fixtures/CUnitFileBuilder.h"
#include "fixtures/LittleEndian.h"
#include "support/TestFiles.h"

using namespace format2005;
using fixtures::CPageBuilder;
using fixtures::CRowBuilder;
using fixtures::CUnitFileBuilder;

namespace {
constexpr std::uint64_t kDataUnit = UnitId(256, 6);
constexpr std::uint64_t kLobUnit = UnitId(256, 7);
constexpr std::uint64_t kOtherUnit = UnitId(256, 8);
constexpr std::int32_t kObjectId = 1001;
constexpr std::uint8_t kForwardedStatus =
    (1 << 1) | CRecord::kStatusNullBitmap | CRecord::kStatusVariable;

std::vector<std::byte> Utf16(const std::string& strText) {
    std::vector<std::byte> vecBytes;
    for (char c : strText) {
        vecBytes.push_back(static_cast<std::byte>(c));
        vecBytes.push_back(std::byte{0});
    }
    return vecBytes;
}

std::vector<std::byte> Int32(std::int32_t n) {
    std::vector<std::byte> vecBytes;
    fixtures::AppendLE(vecBytes, n);
    return vecBytes;
}

// id int (offset 4, NULL bit 1), name nvarchar(20) (first variable column, NULL bit 2) and,
// with bNote, note text (second variable column, NULL bit 3).
STable Table(bool bHeap, bool bNote = false) {
    STable table;
    table.nObjectId = kObjectId;
    table.strName = "T";
    table.bHeap = bHeap;
    SColumn id;
    id.nColumnId = 1;
    id.strName = "id";
    id.nTypeId = kTypeInt;
    id.nLength = 4;
    SColumn name;
    name.nColumnId = 2;
    name.strName = "name";
    name.nTypeId = kTypeNVarChar;
    name.nLength = 40;
    table.vecColumns = {id, name};
    SPartition partition;
    partition.nInRowUnit = kDataUnit;
    partition.firstIam = {2, 1};
    partition.firstPage = {10, 1};
    partition.nLobUnit = kLobUnit;
    partition.vecPlaces = {{true, 4, 1, 0}, {true, -1, 2, 0}};
    if (bNote) {
        SColumn note;
        note.nColumnId = 3;
        note.strName = "note";
        note.nTypeId = kTypeText;
        note.nLength = 16;
        table.vecColumns.push_back(note);
        partition.vecPlaces.push_back({true, -2, 3, 0});
    }
    table.vecPartitions = {partition};
    return table;
}

CRowBuilder Row(std::int32_t nId, const std::string& strName) {
    return std::move(
        CRowBuilder().SetFixedData(Int32(nId)).SetColumnCount(2).AddVariable(Utf16(strName)));
}

struct SResult {
    std::vector<std::int64_t> vecIds;
    std::vector<std::string> vecNames;
    std::vector<bool> vecGhost;
    std::vector<bool> vecForwarded;
    std::vector<SRawRow> vecRows;
    SReadCounts counts;
    CDamageList damage;
};

SResult ReadTable(const CUnitFileBuilder& file, const STable& table) {
    TestFiles::CTempDir dir;
    const std::string strPath = (dir / "unit.mdf").string();
    file.Write(strPath);
    CDataFileReader reader(strPath);
    SResult result;
    CAllocationMaps maps(reader, result.damage);
    CTableReader tableReader(reader, maps, table, result.damage);
    result.counts = tableReader.ReadRows([&](const SRawRow& row) {
        result.vecIds.push_back(RawValues::Integer(row.vecValues[0]));
        result.vecNames.push_back(row.vecValues[1].eState == EValueState::Null
                                      ? "NULL"
                                      : RawValues::Text(row.vecValues[1]));
        result.vecGhost.push_back(row.bGhost);
        result.vecForwarded.push_back(row.bForwarded);
        result.vecRows.push_back(row);
        return true;
    });
    return result;
}
}  // namespace

TEST(TableReader2005, ReadsEveryForwardedRowOnce) {
    CUnitFileBuilder file(16);
    file.AddIam(2, kDataUnit, {10, 11, 12});
    CPageBuilder& first = file.AddPage(10, CPageBuilder::kTypeData, kDataUnit);
    first.AddRow(Row(1, "one").Build());
    first.AddRow(CUnitFileBuilder::ForwardingStub(11, 0));  // stub before its row
    CPageBuilder& second = file.AddPage(11, CPageBuilder::kTypeData, kDataUnit);
    second.AddRow(Row(2, "two")
                      .AddVariable(CUnitFileBuilder::BackPointer(10, 1), true)
                      .SetStatusOverride(kForwardedStatus, 0)
                      .Build());
    second.AddRow(Row(3, "three")  // its stub comes on a later page
                      .AddVariable(CUnitFileBuilder::BackPointer(12, 0), true)
                      .SetStatusOverride(kForwardedStatus, 0)
                      .Build());
    second.AddRow(Row(5, "five")  // no stub leads here: read where it lies
                      .AddVariable(CUnitFileBuilder::BackPointer(10, 7), true)
                      .SetStatusOverride(kForwardedStatus, 0)
                      .Build());
    second.AddRow(Row(6, "six").SetGhost().Build());
    CPageBuilder& third = file.AddPage(12, CPageBuilder::kTypeData, kDataUnit);
    third.AddRow(CUnitFileBuilder::ForwardingStub(11, 1));
    third.AddRow(Row(4, "four").Build());
    third.AddRow(CUnitFileBuilder::ForwardingStub(10, 0));  // leads to a primary record

    SResult result = ReadTable(file, Table(true));
    EXPECT_EQ(result.vecIds, (std::vector<std::int64_t>{1, 2, 5, 6, 3, 4}));
    EXPECT_EQ(result.vecNames,
              (std::vector<std::string>{"one", "two", "five", "six", "three", "four"}));
    EXPECT_EQ(result.vecForwarded, (std::vector<bool>{false, true, true, false, true, false}));
    EXPECT_EQ(result.vecGhost, (std::vector<bool>{false, false, false, true, false, false}));
    EXPECT_EQ(result.vecRows[1].nPage, 11u);  // where the forwarded row itself lies
    EXPECT_EQ(result.counts.nLiveRows, 5u);
    EXPECT_EQ(result.counts.nGhostRows, 1u);
    EXPECT_EQ(result.counts.nForwardedRows, 3u);
    ASSERT_EQ(result.damage.Size(), 1u);
    EXPECT_EQ(result.damage.Records()[0].eKind, EDamage::ForwardingBroken);
    EXPECT_EQ(result.damage.Records()[0].nPage, 12u);
    EXPECT_EQ(result.damage.Records()[0].nSlot, 2);
}

TEST(TableReader2005, FollowsTheLeafChainAndKeepsOnlyTheUnitsAllocatedPages) {
    CUnitFileBuilder file(24);
    file.AddIam(2, kDataUnit, {}, {8, 16});
    // Leaf chain 10 -> 12 -> 11; page 13 is a leaf page the chain lost.
    for (std::uint32_t nPage : {10u, 11u, 12u, 13u}) {
        CPageBuilder& page = file.AddPage(nPage, CPageBuilder::kTypeData, kDataUnit);
        page.AddRow(Row(static_cast<std::int32_t>(nPage), "p").Build());
    }
    fixtures::WriteLE(std::span<std::byte>(file.Page(10).Bytes()), kNextPageOffset, 12u);
    fixtures::WriteLE(std::span<std::byte>(file.Page(10).Bytes()), kNextPageOffset + 4,
                      std::uint16_t{1});
    fixtures::WriteLE(std::span<std::byte>(file.Page(12).Bytes()), kNextPageOffset, 11u);
    fixtures::WriteLE(std::span<std::byte>(file.Page(12).Bytes()), kNextPageOffset + 4,
                      std::uint16_t{1});
    // Inside the unit's extents: a freed page with a stale header of this unit, an index page
    // of the unit, and an allocated page of another unit (damage).
    file.AddPage(14, CPageBuilder::kTypeData, kDataUnit).AddRow(Row(99, "stale").Build());
    file.SetAllocated(14, false);
    file.AddPage(15, CPageBuilder::kTypeIndex, kDataUnit);
    file.AddPage(16, CPageBuilder::kTypeData, kOtherUnit).AddRow(Row(98, "other").Build());

    SResult result = ReadTable(file, Table(false));
    EXPECT_EQ(result.vecIds, (std::vector<std::int64_t>{10, 12, 11, 13}));
    ASSERT_EQ(result.damage.Size(), 2u);
    EXPECT_EQ(result.damage.Records()[0].eKind, EDamage::PageNotInChain);
    EXPECT_EQ(result.damage.Records()[0].nPage, 13u);
    EXPECT_EQ(result.damage.Records()[1].eKind, EDamage::PageOfOtherUnit);
    EXPECT_EQ(result.damage.Records()[1].nPage, 16u);
}

TEST(TableReader2005, MarksColumnsTheRowDoesNotStoreAndFixedColumnsOutsideIt) {
    CUnitFileBuilder file(16);
    file.AddIam(2, kDataUnit, {10});
    CPageBuilder& page = file.AddPage(10, CPageBuilder::kTypeData, kDataUnit);
    // Written before name was added: one column, no variable block.
    page.AddRow(CRowBuilder().SetFixedData(Int32(1)).SetColumnCount(1).Build());
    page.AddRow(Row(2, "x").SetNull(1).Build());  // NULL by the bitmap
    // A fixed part too short for id.
    page.AddRow(CRowBuilder()
                    .SetFixedData({std::byte{3}})
                    .SetColumnCount(2)
                    .AddVariable(Utf16("y"))
                    .Build());
    SResult result = ReadTable(file, Table(true));
    ASSERT_EQ(result.vecRows.size(), 3u);
    EXPECT_EQ(result.vecNames[0], "NULL");
    EXPECT_EQ(result.vecNames[1], "NULL");
    EXPECT_EQ(result.vecRows[2].vecValues[0].eState, EValueState::Corrupt);
    EXPECT_EQ(result.vecNames[2], "y");
    ASSERT_EQ(result.damage.Size(), 1u);
    // The row is kept with its value marked: the damage is the value's, no row was lost.
    EXPECT_EQ(result.damage.Records()[0].eKind, EDamage::ValueCorrupt);
}

TEST(TableReader2005, ReadsLargeValuesAndBoundsDamagedTrees) {
    constexpr std::uint64_t kBlob = 0x1122334455;
    CUnitFileBuilder file(24);
    file.AddIam(2, kDataUnit, {10});
    file.AddIam(3, kLobUnit, {20, 21});
    CPageBuilder& lob = file.AddPage(20, CPageBuilder::kTypeText, kLobUnit);
    auto Bytes = [](const std::string& s) {
        std::vector<std::byte> v;
        for (char c : s)
            v.push_back(static_cast<std::byte>(c));
        return v;
    };
    lob.AddRow(CUnitFileBuilder::LobData(kBlob, Bytes("Hello ")));                 // slot 0
    lob.AddRow(CUnitFileBuilder::LobData(kBlob, Bytes("world")));                  // slot 1
    lob.AddRow(CUnitFileBuilder::LobRoot(kBlob, {{6, 20, 0}, {11, 20, 1}}));       // slot 2
    lob.AddRow(CUnitFileBuilder::LobRoot(kBlob + 1, {{6, 20, 0}, {100, 20, 3}}));  // slot 3
    file.AddPage(21, CPageBuilder::kTypeText, kOtherUnit)
        .AddRow(CUnitFileBuilder::LobRoot(kBlob + 2, {{6, 20, 0}}));

    CPageBuilder& page = file.AddPage(10, CPageBuilder::kTypeData, kDataUnit);
    auto RowWithNote = [](std::int32_t nId, std::vector<std::byte> vecPointer) {
        return CRowBuilder()
            .SetFixedData(Int32(nId))
            .SetColumnCount(3)
            .AddVariable(Utf16("n"))
            .AddVariable(std::move(vecPointer), true)
            .Build();
    };
    page.AddRow(RowWithNote(1, CUnitFileBuilder::TextPointer(kBlob, 20, 2)));
    page.AddRow(RowWithNote(2, CUnitFileBuilder::TextPointer(kBlob + 1, 20, 3)));  // loops
    page.AddRow(RowWithNote(3, CUnitFileBuilder::TextPointer(kBlob + 9, 20, 2)));  // wrong blob
    page.AddRow(RowWithNote(4, CUnitFileBuilder::TextPointer(kBlob + 2, 21, 0)));  // other unit

    SResult result = ReadTable(file, Table(true, true));
    ASSERT_EQ(result.vecRows.size(), 4u);
    const SRawValue& hello = result.vecRows[0].vecValues[2];
    EXPECT_EQ(hello.eState, EValueState::Value);
    EXPECT_EQ(RawValues::Text(hello), "Hello world");
    // The loop gives back what it read before it closed on itself, marked and reported.
    const SRawValue& looped = result.vecRows[1].vecValues[2];
    EXPECT_EQ(looped.eState, EValueState::Truncated);
    EXPECT_EQ(RawValues::Text(looped), "Hello ");
    EXPECT_EQ(result.vecRows[2].vecValues[2].eState, EValueState::Unreadable);
    EXPECT_EQ(result.vecRows[3].vecValues[2].eState, EValueState::Unreadable);
    EXPECT_EQ(result.damage.Count(EDamage::LobTruncated), 1u);
    EXPECT_EQ(result.damage.Count(EDamage::LobUnreadable), 2u);
}

TEST(LobReader2005, EndsAHugeSelfLinkingTreeWithinItsBudget) {
    // A root whose 500 links all lead back to itself: one visit, then the loop is refused.
    constexpr std::uint64_t kBlob = 77;
    CUnitFileBuilder file(24);
    std::vector<CUnitFileBuilder::SLobLink> vecLinks;
    for (std::uint32_t i = 1; i <= 500; ++i)
        vecLinks.push_back({i * 10, 20, 0});
    file.AddPage(20, CPageBuilder::kTypeText, kLobUnit)
        .AddRow(CUnitFileBuilder::LobRoot(kBlob, vecLinks));
    TestFiles::CTempDir dir;
    file.Write((dir / "lob.mdf").string());
    CDataFileReader reader((dir / "lob.mdf").string());
    CDamageList damage;
    CAllocationMaps maps(reader, damage);
    CLobReader lob(reader, maps);
    std::vector<std::byte> vecOut;
    EXPECT_EQ(lob.ReadTextPointer(CUnitFileBuilder::TextPointer(kBlob, 20, 0), vecOut),
              ELobStatus::Unreadable);
    EXPECT_LE(lob.FragmentsRead(), 2u);
    EXPECT_TRUE(vecOut.empty());
}

TEST(TableReader2005, ListsACompressedTableWithoutReadingRows) {
    CUnitFileBuilder file(16);
    file.AddIam(2, kDataUnit, {10});
    file.AddPage(10, CPageBuilder::kTypeData, kDataUnit).AddRow(Row(1, "one").Build());
    STable table = Table(true);
    table.nCompression = 2;
    SResult result = ReadTable(file, table);
    EXPECT_TRUE(result.counts.bNotRead);
    EXPECT_TRUE(result.vecRows.empty());
    ASSERT_EQ(result.damage.Size(), 1u);
    EXPECT_EQ(result.damage.Records()[0].eKind, EDamage::TableNotRead);
    EXPECT_NE(result.damage.Records()[0].strDetail.find("page compression: rows not read"),
              std::string::npos);
}

TEST(TableReader2005, HidesTheUniquifierOfANonUniqueClusteredKey) {
    // The uniquifier is the first variable column (empty for the first row of a key value);
    // name comes second and is the only variable value a row shows.
    CUnitFileBuilder file(16);
    file.AddIam(2, kDataUnit, {10});
    CPageBuilder& page = file.AddPage(10, CPageBuilder::kTypeData, kDataUnit);
    page.AddRow(CRowBuilder()
                    .SetFixedData(Int32(7))
                    .SetColumnCount(3)
                    .AddVariable({})
                    .AddVariable(Utf16("first"))
                    .Build());
    page.AddRow(CRowBuilder()
                    .SetFixedData(Int32(7))
                    .SetColumnCount(3)
                    .AddVariable(Int32(1))
                    .AddVariable(Utf16("second"))
                    .Build());
    STable table = Table(false);
    table.vecPartitions[0].vecPlaces[1] = {true, -2, 2, 0};
    table.vecPartitions[0].bHasUniquifier = true;
    SResult result = ReadTable(file, table);
    EXPECT_EQ(result.vecIds, (std::vector<std::int64_t>{7, 7}));
    EXPECT_EQ(result.vecNames, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(result.vecRows[0].vecValues.size(), 2u);
    EXPECT_TRUE(result.damage.Empty());
}
