// tests/engine/format2005/SparseColumnsTest.cpp
// Sparse columns of a built file (the real files have none): values read from each row's sparse
// vector, NULL for the columns it leaves out, and a damaged vector reported without guessing.
#include <gtest/gtest.h>

#include <map>

#include "RawValues.h"
#include "engine/format2005/CDatabaseReader.h"
#include "fixtures/CLaterFileWriter.h"
#include "fixtures/LittleEndian.h"
#include "support/TestFiles.h"

using fixtures::Bytes;
using fixtures::CLaterFileWriter;
using namespace format2005;

namespace {
// Readings(id int, note varchar(20), level int SPARSE, label varchar(30) SPARSE,
// taken datetime SPARSE, extra xml COLUMN_SET): column ids 1 to 6.
CLaterFileWriter Writer() {
    return CLaterFileWriter("Lab", "Readings",
                            {{"id", 56, 4},
                             {"note", 167, 20},
                             {"level", 56, 4, true},
                             {"label", 167, 30, true},
                             {"taken", 61, 8, true},
                             {"extra", 241, -1, false, true}});
}

Bytes Taken(int nDay) {
    return fixtures::EncodeDatetime(2008, 8, nDay, 10, 30, 0, 0);
}

struct SRead {
    std::vector<SRawRow> vecRows;
    CDamageList damage;
};

SRead Read(const std::string& strPath) {
    SRead read;
    CDatabaseReader db;
    EXPECT_EQ(db.Open(strPath), EOpenResult::Ok);
    const STable* pTable = db.Catalog().FindTable("Readings");
    EXPECT_NE(pTable, nullptr);
    if (pTable == nullptr)
        return read;
    db.ReadRows(
        *pTable,
        [&](const SRawRow& row) {
            read.vecRows.push_back(row);
            return true;
        },
        read.damage);
    return read;
}

// Damage details of the rows, by slot.
std::map<std::int32_t, std::string> RowDamage(const CDamageList& damage) {
    std::map<std::int32_t, std::string> mapBySlot;
    for (const SDamage& record : damage.Records()) {
        if (record.nSlot >= 0)
            mapBySlot[record.nSlot] += record.strDetail + ";";
    }
    return mapBySlot;
}
}  // namespace

TEST(SparseColumns, ReadsTheVectorsValuesAndNullForTheColumnsItLeavesOut) {
    TestFiles::CTempDir dir;
    const std::string strPath = (dir / "sparse.mdf").string();
    Writer().Write(strPath, 4, [](std::uint64_t n) {
        const auto nId = static_cast<std::int32_t>(n + 1);
        std::vector<Bytes> vecRow{fixtures::EncodeInt32(nId),
                                  fixtures::EncodeVarchar(n == 2 ? "" : "n" + std::to_string(n)),
                                  {},
                                  {},
                                  {},
                                  {}};
        if (n == 0 || n == 3)
            vecRow[2] = fixtures::EncodeInt32(n == 0 ? 7 : -5);
        if (n == 0 || n == 2)
            vecRow[3] = fixtures::EncodeVarchar(n == 0 ? "seven" : "only a label");
        if (n == 0 || n == 3)
            vecRow[4] = Taken(static_cast<int>(n) + 1);
        return vecRow;
    });
    const SRead read = Read(strPath);
    ASSERT_EQ(read.vecRows.size(), 4u);
    for (const SDamage& record : read.damage.Records())
        ADD_FAILURE() << record.strDetail;

    const SRawRow& all = read.vecRows[0];
    EXPECT_EQ(RawValues::Integer(all.vecValues[0]), 1);
    EXPECT_EQ(RawValues::Text(all.vecValues[1]), "n0");
    ASSERT_EQ(all.vecValues[2].eState, EValueState::Value);
    EXPECT_EQ(RawValues::Integer(all.vecValues[2]), 7);
    EXPECT_EQ(RawValues::Text(all.vecValues[3]), "seven");
    EXPECT_EQ(all.vecValues[4].vecBytes, Taken(1));
    // The column set is made from the sparse values: nothing of it is stored.
    EXPECT_EQ(all.vecValues[5].eState, EValueState::NotStored);

    const SRawRow& none = read.vecRows[1];
    EXPECT_EQ(RawValues::Integer(none.vecValues[0]), 2);
    EXPECT_EQ(RawValues::Text(none.vecValues[1]), "n1");
    for (std::size_t i = 2; i < 5; ++i)
        EXPECT_EQ(none.vecValues[i].eState, EValueState::Null) << i;

    // An empty regular variable column before the vector, and one sparse value of three.
    const SRawRow& label = read.vecRows[2];
    EXPECT_EQ(label.vecValues[1].eState, EValueState::Value);
    EXPECT_EQ(RawValues::Text(label.vecValues[1]), "");
    EXPECT_EQ(label.vecValues[2].eState, EValueState::Null);
    EXPECT_EQ(RawValues::Text(label.vecValues[3]), "only a label");
    EXPECT_EQ(label.vecValues[4].eState, EValueState::Null);

    const SRawRow& two = read.vecRows[3];
    EXPECT_EQ(RawValues::Integer(two.vecValues[2]), -5);
    EXPECT_EQ(two.vecValues[3].eState, EValueState::Null);
    EXPECT_EQ(two.vecValues[4].vecBytes, Taken(4));
}

TEST(SparseColumns, ReportsADamagedVectorPerRowAndColumnWithoutGuessingValues) {
    // Each row has all three sparse values: ids at 4, 6, 8, ends at 10, 12, 14, data from 16
    // (level 16..20, label "tN" 20..22, taken 22..30).
    TestFiles::CTempDir dir;
    const std::string strPath = (dir / "damaged.mdf").string();
    CLaterFileWriter writer = Writer();
    writer.SetSparseVectorHook([](std::uint64_t n, Bytes& vecVector) {
        auto put = [&](std::size_t nOffset, std::uint16_t nValue) {
            fixtures::WriteLE(std::span<std::byte>(vecVector), nOffset, nValue);
        };
        switch (n) {
            case 0:
                put(0, 6);  // not the sparse vector's header
                break;
            case 1:
                put(2, 200);  // more values than the vector holds
                break;
            case 2:
                put(4, 99);  // no such column
                break;
            case 3:
                put(12, 18);  // label ends before it starts: it and what follows are lost
                break;
            case 4:
                put(14, 200);  // taken ends past the vector
                break;
            case 5:
                put(10, 19);  // level with 3 bytes
                break;
            case 6:
                put(6, 3);  // level twice
                break;
            case 7:
                vecVector.resize(3);  // cut inside the count
                break;
            default:
                break;  // intact
        }
    });
    writer.Write(strPath, 9, [](std::uint64_t n) {
        return std::vector<Bytes>{fixtures::EncodeInt32(static_cast<std::int32_t>(n)),
                                  fixtures::EncodeVarchar("x"),
                                  fixtures::EncodeInt32(static_cast<std::int32_t>(n) * 10),
                                  fixtures::EncodeVarchar("t" + std::to_string(n)),
                                  Taken(static_cast<int>(n) + 1),
                                  {}};
    });
    const SRead read = Read(strPath);
    ASSERT_EQ(read.vecRows.size(), 9u);
    auto states = [&](std::size_t nRow) {
        std::string strStates;
        for (std::size_t i = 2; i < 5; ++i) {
            const EValueState eState = read.vecRows[nRow].vecValues[i].eState;
            strStates += eState == EValueState::Value     ? 'V'
                         : eState == EValueState::Null    ? 'N'
                         : eState == EValueState::Corrupt ? 'C'
                                                          : '?';
        }
        return strStates;
    };
    EXPECT_EQ(states(0), "CCC");
    EXPECT_EQ(states(1), "CCC");
    EXPECT_EQ(states(2), "NVV");
    EXPECT_EQ(states(3), "VCC");
    EXPECT_EQ(states(4), "VVC");
    EXPECT_EQ(states(5).substr(0, 1), "C");
    EXPECT_EQ(states(6), "CNV");
    EXPECT_EQ(states(7), "CCC");
    EXPECT_EQ(states(8), "VVV");
    // The regular columns of a damaged row are still read.
    for (std::size_t n = 0; n < 9; ++n)
        EXPECT_EQ(RawValues::Integer(read.vecRows[n].vecValues[0]), static_cast<std::int64_t>(n));
    EXPECT_EQ(RawValues::Integer(read.vecRows[3].vecValues[2]), 30);
    EXPECT_EQ(RawValues::Text(read.vecRows[4].vecValues[3]), "t4");
    EXPECT_EQ(RawValues::Text(read.vecRows[8].vecValues[3]), "t8");

    std::map<std::int32_t, std::string> mapDamage = RowDamage(read.damage);
    std::map<std::int32_t, std::string> mapExpected = {
        {0, "header"},     {1, "do not fit"},        {2, "column id 99"},      {3, "label ends"},
        {4, "taken ends"}, {5, "level has 3 bytes"}, {6, "level given twice"}, {7, "header"}};
    for (const auto& [nSlot, strPart] : mapExpected) {
        const std::uint16_t nRowSlot = read.vecRows[static_cast<std::size_t>(nSlot)].nSlot;
        EXPECT_NE(mapDamage[nRowSlot].find(strPart), std::string::npos)
            << nSlot << ": " << mapDamage[nRowSlot];
    }
    EXPECT_EQ(mapDamage.count(read.vecRows[8].nSlot), 0u);
}
