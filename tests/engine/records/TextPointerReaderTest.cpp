// tests/engine/records/TextPointerReaderTest.cpp
// Large values behind text pointers: fragment kinds, and damaged chains that must end.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/records/CTextPointerReader.h"
#include "fixtures/CPageBuilder.h"
#include "support/TestFiles.h"

namespace {
constexpr std::uint32_t kTextPage = 12;
constexpr std::uint32_t kBlob = 0x10001;

std::vector<std::byte> Fragment(std::uint16_t nType, std::uint32_t nBlob,
                                std::vector<std::uint8_t> vecBody, std::size_t nBodyOffset) {
    std::vector<std::byte> row(nBodyOffset + vecBody.size());
    auto put16 = [&](std::size_t n, std::uint16_t v) {
        row[n] = std::byte(v & 0xFF);
        row[n + 1] = std::byte(v >> 8);
    };
    put16(0, 0x0008);
    put16(2, static_cast<std::uint16_t>(row.size()));
    for (int i = 0; i < 4; ++i)
        row[4 + i] = std::byte((nBlob >> (8 * i)) & 0xFF);
    put16(12, nType);
    for (std::size_t i = 0; i < vecBody.size(); ++i)
        row[nBodyOffset + i] = std::byte(vecBody[i]);
    return row;
}

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

// Root with links: max links at 14, link count at 16, 12-byte links from 24.
std::vector<std::byte> Root(std::uint16_t nMax,
                            const std::vector<std::pair<std::uint32_t, std::uint16_t>>& links) {
    std::vector<std::uint8_t> vecBody(10 + 12 * links.size());
    vecBody[0] = static_cast<std::uint8_t>(nMax);
    vecBody[2] = static_cast<std::uint8_t>(links.size());
    for (std::size_t i = 0; i < links.size(); ++i) {
        std::size_t n = 10 + 12 * i;
        for (int b = 0; b < 4; ++b)
            vecBody[n + 4 + b] = static_cast<std::uint8_t>(links[i].first >> (8 * b));
        vecBody[n + 10] = static_cast<std::uint8_t>(links[i].second);
    }
    return Fragment(4, kBlob, vecBody, 14);
}

class TextPointerReader : public testing::Test {
  protected:
    void SetUp() override {
        fixtures::CPageBuilder page(3, 99);
        std::vector<std::uint8_t> vecSmall{5, 0, 0,
                                           0, 0, 0};  // length 5, then padding to offset 20
        auto hello = Text("hello");
        vecSmall.insert(vecSmall.end(), hello.begin(), hello.end());
        page.AddRow(Fragment(0, kBlob, vecSmall, 14));    // slot 0: small root
        page.AddRow(Fragment(3, kBlob, Text("ab"), 14));  // slot 1
        page.AddRow(Fragment(3, kBlob, Text("cd"), 14));  // slot 2
        page.AddRow(Fragment(3, kBlob, Text("ef"), 14));  // slot 3
        page.AddRow(Root(3, {{kTextPage, 1}, {kTextPage, 2}, {kTextPage, 3}}));  // slot 4: abcdef
        page.AddRow(
            Root(2, {{kTextPage, 1}, {kTextPage, 2}, {kTextPage, 3}}));  // slot 5: too many links
        page.AddRow(Root(1, {{kTextPage, 6}}));                          // slot 6: links to itself
        page.AddRow(
            Root(3, {{kTextPage, 1}, {5, 0}, {kTextPage + 50, 0}}));  // slot 7: foreign + missing
        fixtures::CPageBuilder data(1, 500);
        std::string strFile(kPageSize * (kTextPage + 1), '\0');
        std::copy(reinterpret_cast<const char*>(data.Bytes().data()),
                  reinterpret_cast<const char*>(data.Bytes().data()) + kPageSize,
                  strFile.begin() + 5 * kPageSize);
        std::copy(reinterpret_cast<const char*>(page.Bytes().data()),
                  reinterpret_cast<const char*>(page.Bytes().data()) + kPageSize,
                  strFile.begin() + kTextPage * kPageSize);
        TestFiles::WriteFile(m_dir / "text.mdf", strFile);
    }
    std::string Read(std::uint32_t nPage, std::uint16_t nSlot, std::uint32_t nBlob = kBlob) {
        CTextPointerReader reader((m_dir / "text.mdf").string());
        return reader.Fetch(nPage, nSlot, nBlob, ETextStyle::Plain);
    }
    TestFiles::CTempDir m_dir;
};
}  // namespace

TEST_F(TextPointerReader, FragmentsAndRootsAssembleTheValue) {
    EXPECT_EQ(Read(kTextPage, 0), "hello");
    EXPECT_EQ(Read(kTextPage, 4), "abcdef");
    EXPECT_EQ(Read(kTextPage, 4, 0x20002), "") << "a root of another value";
    EXPECT_EQ(Read(kTextPage, 5), "") << "more links than the root allows";
}

TEST_F(TextPointerReader, BrokenPointersGiveTheEmptyValue) {
    EXPECT_EQ(Read(5, 0), "") << "a data page is not a text page";
    EXPECT_EQ(Read(kTextPage + 100, 0), "") << "past the end of the file";
    EXPECT_EQ(Read(kTextPage, 40), "") << "a slot beyond the page's slots";
    EXPECT_EQ(Read(kTextPage, 7), "ab") << "links into foreign or missing pages add nothing";
}

TEST_F(TextPointerReader, ALinkBackIntoTheValueEnds) {
    CTextPointerReader reader((m_dir / "text.mdf").string());
    EXPECT_EQ(reader.Fetch(kTextPage, 6, kBlob, ETextStyle::Plain), "");
}

TEST(TextStyles, UnicodeLooksAtEveryCharacter) {
    auto bytes = [](std::initializer_list<int> list) {
        std::vector<std::byte> v;
        for (int n : list)
            v.push_back(std::byte(n));
        return v;
    };
    EXPECT_EQ(CTextPointerReader::ApplyStyle(bytes({'A', 0, 'B', 0}), ETextStyle::Unicode), "AB");
    // A Greek letter as the fifth character: looking only at the first three would narrow it.
    EXPECT_EQ(CTextPointerReader::ApplyStyle(bytes({'a', 0, 'b', 0, 'c', 0, 'd', 0, 0xA3, 0x03}),
                                             ETextStyle::Unicode),
              "?????");
    EXPECT_EQ(CTextPointerReader::ApplyStyle(bytes({0x00, 0xAB, 0x10}), ETextStyle::Hex), "00ab10");
    EXPECT_EQ(CTextPointerReader::ApplyStyle(bytes({'x', 0, 'y'}), ETextStyle::Plain), "xy");
}
