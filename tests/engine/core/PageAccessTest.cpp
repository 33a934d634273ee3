// tests/engine/core/PageAccessTest.cpp
// Slot offsets, torn-page bits, the boot page name and the format probe.
#include <gtest/gtest.h>

#include <random>

#include "common/DataFileReader.h"
#include "engine/core/CDataPage.h"
#include "engine/core/CFormatProbe.h"
#include "engine/core/CPageScanner.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/CPageBuilder.h"
#include "support/TestFiles.h"

namespace {
CDataPage PageFrom(const fixtures::CPageBuilder& builder) {
    CDataPage page;
    std::copy(builder.Bytes().begin(), builder.Bytes().end(), page.Buffer().begin());
    return page;
}
}  // namespace

TEST(DataPage, RowOffsetRepairAppliesToTheFirstSlotOnly) {
    fixtures::CPageBuilder builder(1, 1);
    builder.SetSlotCount(4);
    builder.SetSlotOffset(0, 0x0160);
    builder.SetSlotOffset(1, 0x0160);
    builder.SetSlotOffset(2, 0);
    builder.SetSlotOffset(3, 8192);
    CDataPage page = PageFrom(builder);
    EXPECT_EQ(page.AcceptedRowOffset(0), 96);
    EXPECT_EQ(page.AcceptedRowOffset(1), 352);
    EXPECT_FALSE(page.AcceptedRowOffset(2).has_value());
    EXPECT_FALSE(page.AcceptedRowOffset(3).has_value()) << "offset 8192 is already past the page";
    // Slot indexes whose entry would lie in the header read as empty instead of header bytes.
    EXPECT_FALSE(page.AcceptedRowOffset(5000).has_value());
}

TEST(DataPage, TheGridWalkAlsoRepairsAFirstEntryThatMissesARowStart) {
    fixtures::CPageBuilder builder(1, 1);
    builder.SetSlotCount(2);
    builder.SetSlotOffset(0, 0x0170);
    builder.SetSlotOffset(1, 0x0170);
    CDataPage page = PageFrom(builder);
    page.Buffer()[0x170] = std::byte{0x00};
    EXPECT_EQ(page.RepairedSlotEntry(0, true), 0x70) << "no row starts at 0x170";
    EXPECT_EQ(page.RepairedSlotEntry(0, false), 0x170) << "the other walks keep the entry";
    EXPECT_EQ(page.RepairedSlotEntry(1, true), 0x170) << "only the first slot";
    page.Buffer()[0x170] = std::byte{0x30};
    EXPECT_EQ(page.RepairedSlotEntry(0, true), 0x170) << "a row starts there";
}

TEST(DataPage, TornBitsAreRestoredOnlyWhenTheHeaderSaysSo) {
    fixtures::CPageBuilder builder(1, 1);
    builder.SetTornBits(0xFFFFFFFF, true);
    CDataPage page = PageFrom(builder);
    page.Buffer()[1023] = std::byte{0x00};
    page.Buffer()[8191] = std::byte{0xF0};
    page.RestoreTornBits();
    EXPECT_EQ(page.Buffer()[1023], std::byte{0x03});
    EXPECT_EQ(page.Buffer()[8191], std::byte{0xF3});
    EXPECT_EQ(page.Buffer()[511], builder.Bytes()[511]) << "the header sector is left alone";

    fixtures::CPageBuilder noFlag(1, 1);
    noFlag.SetTornBits(0xFFFFFFFF, false);
    CDataPage plain = PageFrom(noFlag);
    plain.Buffer()[1023] = std::byte{0x00};
    plain.RestoreTornBits();
    EXPECT_EQ(plain.Buffer()[1023], std::byte{0x00});

    // Saved bits that are all 0 still say what the sector ends held: the write pattern goes.
    fixtures::CPageBuilder zeroBits(1, 1);
    zeroBits.SetTornBits(0, true);
    CDataPage zero = PageFrom(zeroBits);
    zero.Buffer()[1023] = std::byte{0x41};
    zero.Buffer()[8191] = std::byte{0x42};
    zero.RestoreTornBits();
    EXPECT_EQ(zero.Buffer()[1023], std::byte{0x40});
    EXPECT_EQ(zero.Buffer()[8191], std::byte{0x40});
}

TEST(PageScanner, DatabaseNameStopsAtABlankOrADoubleZero) {
    auto name = [](const std::string& strRaw) {
        std::vector<std::byte> bytes;
        for (char ch : strRaw)
            bytes.push_back(static_cast<std::byte>(ch));
        return CPageScanner::DecodeDatabaseName(CByteView(bytes));
    };
    using namespace std::string_literals;
    EXPECT_EQ(name("R\0e\0v\0\0\0x\0"s), "Rev");
    EXPECT_EQ(name("S\0a\0l\0e\0s\0 \0D\0B\0"s), "Sales");
    EXPECT_EQ(name(""s), "");
}

TEST(FormatProbe, BadFilesGetAClearReason) {
    TestFiles::CTempDir dir;
    auto probe = [&](const std::string& strName) {
        return CFormatProbe::Probe((dir / strName).string());
    };
    EXPECT_NE(probe("missing.mdf").strError.find("cannot open"), std::string::npos);
    std::filesystem::create_directory(dir / "folder.mdf");
    EXPECT_NE(probe("folder.mdf").strError.find("directory"), std::string::npos);
    TestFiles::WriteFile(dir / "empty.mdf", "");
    EXPECT_NE(probe("empty.mdf").strError.find("empty"), std::string::npos);
    // Only what holds no page is refused: nothing but zeros, or less than one page.
    TestFiles::WriteFile(dir / "odd.mdf", std::string(8192 * 10 + 5, '\0'));
    EXPECT_NE(probe("odd.mdf").strError.find("no page of it has a page header"), std::string::npos);
    TestFiles::WriteFile(dir / "short.mdf", std::string(8000, '\1'));
    EXPECT_NE(probe("short.mdf").strError.find("too short to hold one 8192-byte page"),
              std::string::npos);
    std::mt19937 random(7);
    std::string strNoise(8192 * 16, '\0');
    for (char& ch : strNoise)
        ch = static_cast<char>(random());
    TestFiles::WriteFile(dir / "noise.mdf", strNoise);
    EXPECT_NE(probe("noise.mdf").strError.find("not a SQL Server data file"), std::string::npos);
    for (const char* pszName :
         {"missing.mdf", "folder.mdf", "empty.mdf", "odd.mdf", "short.mdf", "noise.mdf"}) {
        EXPECT_FALSE(probe(pszName).bOk) << pszName;
    }
}

TEST(FormatProbe, VersionStampSelectsTheEngine) {
    TestFiles::CTempDir dir;
    for (auto [nVersion, eFormat] :
         {std::pair{539, EEngineFormat::SQL2000}, std::pair{611, EEngineFormat::SQL2005},
          std::pair{612, EEngineFormat::SQL2005}, std::pair{655, EEngineFormat::SQL2008},
          std::pair{515, EEngineFormat::Unknown}}) {
        fixtures::CDataFileBuilder builder("Probe");
        builder.SetVersion(static_cast<std::uint16_t>(nVersion));
        builder.WriteTo(dir / "probe.mdf");
        auto result = CFormatProbe::Probe((dir / "probe.mdf").string());
        ASSERT_TRUE(result.bOk) << result.strError;
        EXPECT_EQ(result.nVersion, nVersion);
        EXPECT_EQ(result.eFormat, eFormat);
    }
}
