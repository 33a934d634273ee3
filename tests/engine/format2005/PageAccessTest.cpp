// tests/engine/format2005/PageAccessTest.cpp
// Page header checks, torn-page restore, checksums, the boot page's name field, record bounds
// and IAM chains of the 2005+ page layout.
#include <gtest/gtest.h>

#include "engine/format2005/CBootPage.h"
#include "engine/format2005/CIamChain.h"
#include "engine/format2005/CPage.h"
#include "engine/format2005/CPageRun.h"
#include "engine/format2005/CRecord.h"
#include "engine/format2005/CSlotWalker.h"
#include "fixtures/CPageBuilder.h"
#include "fixtures/CRowBuilder.h"
#include "fixtures/CUnitFileBuilder.h"
#include "fixtures/LittleEndian.h"
#include "support/TestFiles.h"

using namespace format2005;
using fixtures::CPageBuilder;
using fixtures::CRowBuilder;

namespace {
CPage PageFrom(const CPageBuilder& builder) {
    CPage page;
    std::copy(builder.Bytes().begin(), builder.Bytes().end(), page.Buffer().begin());
    return page;
}

std::vector<std::byte> Utf16(const std::string& strText) {
    std::vector<std::byte> vecBytes;
    for (char c : strText) {
        vecBytes.push_back(static_cast<std::byte>(c));
        vecBytes.push_back(std::byte{0});
    }
    return vecBytes;
}
}  // namespace

TEST(Page2005, ChecksHeaderVersionAndOwnPageId) {
    CPageBuilder builder(CPageBuilder::kTypeData, 6);
    builder.SetPageNumber(42);
    CPage page = PageFrom(builder);
    EXPECT_EQ(page.Check(42), EPageCheck::Ok);
    // A page whose header names another position is a stray: never trusted as page 41.
    EXPECT_EQ(page.Check(41), EPageCheck::Stray);
    page.Buffer()[kHeaderVersionOffset] = std::byte{0};
    EXPECT_EQ(page.Check(42), EPageCheck::NotFormatted);
}

TEST(Page2005, RestoresTornBitsAndAcceptsMatchingChecksums) {
    CPageBuilder builder(CPageBuilder::kTypeData, 6);
    builder.SetPageNumber(7);
    for (std::size_t s = 1; s < 16; ++s)
        builder.Bytes()[s * 512 + 511] = static_cast<std::byte>(0x40 | (s & 3));
    const auto original = builder.Bytes();

    // Written with torn-page bits: each sector end carries a flip pattern until restored.
    CPageBuilder torn = builder;
    torn.ProtectTornPage(0x01);
    CPage page = PageFrom(torn);
    ASSERT_EQ(page.Check(7), EPageCheck::Ok);
    for (std::size_t i = kHeaderSize; i < kPageSize; ++i)
        ASSERT_EQ(page.Bytes()[i], original[i]) << "byte " << i;
    // Read in place from bytes kept elsewhere (a run of pages): restored in a copy of its own,
    // the bytes it was read from left as they were.
    const std::vector<std::byte> vecRead(torn.Bytes().begin(), torn.Bytes().end());
    CPage borrowed;
    ASSERT_EQ(borrowed.Borrow(vecRead, 7), EPageCheck::Ok);
    for (std::size_t i = kHeaderSize; i < kPageSize; ++i)
        ASSERT_EQ(borrowed.Bytes()[i], original[i]) << "byte " << i;
    EXPECT_TRUE(std::equal(vecRead.begin(), vecRead.end(), torn.Bytes().begin()));
    EXPECT_EQ(borrowed.Borrow(std::span(vecRead).first(100), 7), EPageCheck::Unreadable);

    // Written with a checksum: accepted as it is, and a changed byte is noticed.
    CPageBuilder summed = builder;
    summed.SetFlags(kFlagChecksum);
    fixtures::WriteLE(std::span<std::byte>(summed.Bytes()), kTornBitsOffset,
                      CPage::ComputeChecksum(summed.Bytes()));
    CPage checked = PageFrom(summed);
    ASSERT_EQ(checked.Check(7), EPageCheck::Ok);
    EXPECT_FALSE(checked.ChecksumMismatch());
    checked.Buffer()[5000] ^= std::byte{0x10};
    EXPECT_TRUE(checked.ChecksumMismatch());
}

TEST(Page2005, NamesItsAllocationUnitOrItsSqlServer2000Object) {
    CPageBuilder builder(CPageBuilder::kTypeData, 6);
    builder.SetIndexId(256);
    CPage page = PageFrom(builder);
    EXPECT_EQ(page.UnitId(), 72057594038321152u);
    EXPECT_TRUE(page.BelongsToUnit(72057594038321152u));
    EXPECT_FALSE(page.BelongsToUnit(UnitId(1, 6)));

    // A clustered table's data page last written by SQL Server 2000: object id, index id 0.
    CPageBuilder old(CPageBuilder::kTypeData, 2073058421);
    CPage oldPage = PageFrom(old);
    EXPECT_TRUE(oldPage.BelongsToUnit(UnitId(1, 2073058421)));
    EXPECT_TRUE(oldPage.BelongsToUnit(UnitId(0, 2073058421)));  // a heap's own id
    EXPECT_FALSE(oldPage.BelongsToUnit(UnitId(2, 2073058421)));
    EXPECT_FALSE(oldPage.BelongsToUnit(UnitId(1, 2073058422)));
}

TEST(BootPage2005, TakesTheNameUpToItsPadding) {
    auto Field = [](const std::string& strName, std::byte pad) {
        std::vector<std::byte> vecField = Utf16(strName);
        vecField.resize(CBootPage::kNameBytes, pad);
        return vecField;
    };
    EXPECT_EQ(CBootPage::NameFromField(Field("Northwind", std::byte{0x20})), "Northwind");
    EXPECT_EQ(CBootPage::NameFromField(Field("Little Italy", std::byte{0})), "Little Italy");
    EXPECT_EQ(CBootPage::NameFromField(Field(std::string(128, 'x'), std::byte{0})),
              std::string(128, 'x'));
    std::vector<std::byte> vecWide = Field("ab", std::byte{0});
    vecWide[3] = std::byte{0x04};  // U+0462: beyond 8 bits
    EXPECT_EQ(CBootPage::NameFromField(vecWide), "a?");
}

TEST(Record2005, EveryPrefixOfARecordFailsCleanly) {
    const std::vector<std::byte> vecRecord =
        CRowBuilder()
            .SetFixedData({std::byte{1}, std::byte{0}, std::byte{0}, std::byte{0}})
            .SetColumnCount(3)
            .SetNull(2)
            .AddVariable(Utf16("Chai"))
            .AddVariable(std::vector<std::byte>(16, std::byte{7}), true)
            .Build();
    CRecord record;
    ASSERT_EQ(record.Parse(CByteView(vecRecord), 0), ERecordCheck::Ok);
    EXPECT_EQ(record.Length(), vecRecord.size());
    EXPECT_EQ(record.ColumnCount(), 3);
    EXPECT_TRUE(record.NullBit(2));
    EXPECT_FALSE(record.IsComplex(0));
    EXPECT_TRUE(record.IsComplex(1));
    EXPECT_EQ(record.Variable(0).size(), 8u);
    for (std::size_t n = 0; n < vecRecord.size(); ++n) {
        std::span<const std::byte> prefix(vecRecord.data(), n);
        EXPECT_NE(record.Parse(CByteView(prefix), 0), ERecordCheck::Ok) << n << " bytes";
    }
    // An end offset that runs backwards is damage, not a negative length.
    const std::vector<std::byte> vecBackwards = CRowBuilder()
                                                    .SetColumnCount(2)
                                                    .AddVariable(Utf16("ab"))
                                                    .AddVariable(Utf16("cd"))
                                                    .SetVariableEndOverride(1, 5)
                                                    .Build();
    EXPECT_EQ(record.Parse(CByteView(vecBackwards), 0), ERecordCheck::VariableOrder);
}

TEST(Record2005, ReadsAForwardingStub) {
    const auto vecStub = fixtures::CUnitFileBuilder::ForwardingStub(123456, 7);
    CRecord record;
    ASSERT_EQ(record.Parse(CByteView(vecStub), 0), ERecordCheck::Ok);
    EXPECT_EQ(record.Type(), ERecordType::ForwardingStub);
    EXPECT_EQ(record.StubPage(), (SPageId{123456, 1}));
    EXPECT_EQ(record.StubSlot(), 7);
    EXPECT_NE(record.Parse(CByteView(std::span(vecStub).first(8)), 0), ERecordCheck::Ok);
}

TEST(SlotWalker2005, ReportsBadSlotsAndSkipsAPageWhoseSlotCountCannotFit) {
    CPageBuilder builder(CPageBuilder::kTypeData, 6);
    builder.SetPageNumber(9);
    builder.AddRow(CRowBuilder().SetColumnCount(1).SetFixedData({std::byte{1}}).Build());
    builder.AddRow(CRowBuilder().SetColumnCount(1).SetFixedData({std::byte{2}}).Build());
    builder.AddRow(CRowBuilder().SetColumnCount(1).SetFixedData({std::byte{3}}).Build());
    builder.SetSlotOffset(1, 0);     // emptied: no damage
    builder.SetSlotOffset(2, 8191);  // outside the data area
    CPage page = PageFrom(builder);
    CDamageList damage;
    std::vector<std::uint16_t> vecSlots;
    CSlotWalker::Walk(page, 6, damage,
                      [&](std::uint16_t nSlot, const CRecord&) { vecSlots.push_back(nSlot); });
    EXPECT_EQ(vecSlots, std::vector<std::uint16_t>{0});
    ASSERT_EQ(damage.Size(), 1u);
    EXPECT_EQ(damage.Records()[0].eKind, EDamage::SlotOutsidePage);
    EXPECT_EQ(damage.Records()[0].nSlot, 2);

    builder.SetSlotCount(38177);  // noise seen in unallocated pages
    CPage noise = PageFrom(builder);
    damage.Clear();
    vecSlots.clear();
    CSlotWalker::Walk(noise, 6, damage,
                      [&](std::uint16_t nSlot, const CRecord&) { vecSlots.push_back(nSlot); });
    EXPECT_TRUE(vecSlots.empty());
    EXPECT_EQ(damage.Size(), 1u);
}

TEST(IamChain2005, CollectsSinglePagesAndExtentsAndStopsAtALoop) {
    constexpr std::uint64_t kUnit = UnitId(256, 6);
    fixtures::CUnitFileBuilder file(64);
    file.AddIam(2, kUnit, {10, 11}, {16, 32}, 3);
    file.AddIam(3, kUnit, {12}, {}, 2);  // links back to the first IAM page
    TestFiles::CTempDir dir;
    file.Write((dir / "iam.mdf").string());
    CDataFileReader reader((dir / "iam.mdf").string());
    CDamageList damage;
    auto vecPages = CIamChain::CandidatePages(reader, SPageId{2, 1}, kUnit, 6, damage);
    std::vector<std::uint32_t> vecExpected{10, 11, 12};
    for (std::uint32_t n = 16; n < 24; ++n)
        vecExpected.push_back(n);
    for (std::uint32_t n = 32; n < 40; ++n)
        vecExpected.push_back(n);
    EXPECT_EQ(vecPages, vecExpected);
    ASSERT_EQ(damage.Size(), 1u);
    EXPECT_EQ(damage.Records()[0].eKind, EDamage::ChainLoop);

    // An IAM chain that leads to a page of another unit stops there.
    damage.Clear();
    vecPages = CIamChain::CandidatePages(reader, SPageId{2, 1}, UnitId(256, 7), 6, damage);
    EXPECT_TRUE(vecPages.empty());
    ASSERT_EQ(damage.Size(), 1u);
    EXPECT_EQ(damage.Records()[0].eKind, EDamage::PageOfOtherUnit);
}

// The read-ahead run serves only pages it read whole, and only the listed pages that follow each
// other on disk: a file cut inside a page or a gap in the list must not hand out other bytes.
TEST(PageRun2005, HoldsOnlyWholeConsecutiveListedPages) {
    TestFiles::CTempDir dir;
    const auto path = dir.Path() / "run.mdf";
    std::string strBytes(5 * kPageSize + 100, '\0');
    for (std::size_t nPage = 0; nPage < 6; ++nPage) {
        for (std::size_t i = nPage * kPageSize; i < strBytes.size() && i < (nPage + 1) * kPageSize;
             ++i)
            strBytes[i] = static_cast<char>('a' + nPage);
    }
    TestFiles::WriteFile(path, strBytes);
    CDataFileReader reader(path.string());
    CPageRun run;
    run.Prepare(reader, {1, 2, 4, 5}, 0);
    ASSERT_TRUE(run.Find(2));
    EXPECT_EQ((*run.Find(2))[kPageSize - 1], std::byte{'c'});
    EXPECT_FALSE(run.Find(3));  // not listed: the run stops at the gap
    EXPECT_FALSE(run.Find(4));
    // Page 5 is cut short by the end of the file: the run keeps page 4 only.
    run.Prepare(reader, {1, 2, 4, 5}, 2);
    ASSERT_TRUE(run.Find(4));
    EXPECT_EQ((*run.Find(4))[0], std::byte{'e'});
    EXPECT_FALSE(run.Find(5));
    EXPECT_FALSE(run.Find(1));
}
