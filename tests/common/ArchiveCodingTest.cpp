// tests/common/ArchiveCodingTest.cpp
// The archive encoding byte for byte, and the reader's refusal of anything that does not add up.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/ArchiveReader.h"
#include "common/ArchiveWriter.h"
#include "support/TestFiles.h"

namespace {
std::string Write(const TestFiles::CTempDir& dir, const std::function<void(CArchiveWriter&)>& fn) {
    CArchiveWriter writer;
    EXPECT_TRUE(writer.Open(dir / "a.bin"));
    fn(writer);
    EXPECT_TRUE(writer.Close()) << writer.Error();
    return TestFiles::ReadFile(dir / "a.bin");
}

std::vector<std::byte> Bytes(const std::string& str) {
    auto p = reinterpret_cast<const std::byte*>(str.data());
    return {p, p + str.size()};
}
}  // namespace

TEST(ArchiveCoding, StringPrefixesSwitchAtTheDocumentedLengths) {
    TestFiles::CTempDir dir;
    struct SCase {
        std::size_t nLength;
        std::string strPrefix;
    };
    const SCase cases[] = {
        {0, std::string("\x00", 1)},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {65533, "\xFF\xFD\xFF"},
        // 65534 would read as the wide-string marker, so it takes the 32-bit form.
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const SCase& c : cases) {
        const std::string strText(c.nLength, 'x');
        std::string strBytes = Write(dir, [&](CArchiveWriter& w) { w.WriteString(strText); });
        ASSERT_EQ(strBytes.size(), c.strPrefix.size() + c.nLength) << c.nLength;
        EXPECT_EQ(strBytes.substr(0, c.strPrefix.size()), c.strPrefix) << c.nLength;
        CArchiveReader reader(Bytes(strBytes));
        EXPECT_EQ(reader.ReadString(), strText);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

TEST(ArchiveCoding, IntegersAreLittleEndianAndFlagsAreThirtyTwoBits) {
    TestFiles::CTempDir dir;
    std::string strBytes = Write(dir, [](CArchiveWriter& w) {
        w.WriteU8(0xAB);
        w.WriteI16(-2);
        w.WriteU32(0x01020304);
        w.WriteFlag(true);
        w.WriteFlag(false);
    });
    EXPECT_EQ(strBytes,
              std::string("\xAB\xFE\xFF\x04\x03\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00", 15));
    // Any non-zero value reads as a set flag.
    CArchiveReader reader(Bytes(std::string("\x00\x01\x00\x00", 4)));
    EXPECT_TRUE(reader.ReadFlag());
}

TEST(ArchiveCoding, TruncatedOrOversizedItemsThrowWithoutReadingPastTheEnd) {
    const std::string kBad[] = {
        std::string("\x05"
                    "abc",
                    4),                                  // string longer than the rest
        std::string("\xFF\x10", 2),                      // 16-bit length cut short
        std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7),  // 32-bit length of 2 GB in 7 bytes
        std::string("\xFF\xFE\xFF", 3),                  // wide-string marker
    };
    for (const std::string& strBad : kBad) {
        CArchiveReader reader(Bytes(strBad));
        EXPECT_THROW(reader.ReadString(), CArchiveError);
    }
    CArchiveReader shortInt(Bytes(std::string("\x01\x02\x03", 3)));
    EXPECT_THROW(shortInt.ReadU32(), CArchiveError);

    // A count is checked against the bytes that remain before anything is allocated.
    CArchiveReader counts(Bytes(std::string("\xFF\xFF\xFF\x7F", 4) + std::string(40, '\0')));
    try {
        counts.ReadCount(4, "pages");
        FAIL() << "count accepted";
    } catch (const CArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("pages"), std::string::npos);
    }
    CArchiveReader negative(Bytes(std::string("\xFF\xFF\xFF\xFF", 4)));
    EXPECT_THROW(negative.ReadCount(1, "entries"), CArchiveError);
}

TEST(ArchiveCoding, AFailedSaveLeavesTheTargetAsItWas) {
    TestFiles::CTempDir dir;
    TestFiles::WriteFile(dir / "keep.str", "old");
    {
        CArchiveWriter writer;
        ASSERT_TRUE(writer.Open(dir / "keep.str"));
        writer.WriteString("new");
        // Destroyed without Close: an abandoned save.
    }
    EXPECT_EQ(TestFiles::ReadFile(dir / "keep.str"), "old");
    EXPECT_FALSE(std::filesystem::exists(dir / "keep.str.part"));

    CArchiveWriter writer;
    EXPECT_FALSE(writer.Open(dir / "no-such-folder" / "x.str"));
    EXPECT_NE(writer.Error().find("cannot create"), std::string::npos);
}
