// tests/engine/format2005/CorruptionTest.cpp
// Copies of the real files with bytes flipped at random: the reader must finish every copy,
// report what it dropped and still read most rows of a lightly damaged file.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/format2005/CDatabaseReader.h"
#include "support/TestFiles.h"

using namespace format2005;
namespace fs = std::filesystem;

namespace {
struct SOutcome {
    bool bOpened = false;
    std::size_t nRows = 0;
    std::size_t nDamage = 0;
};

SOutcome ReadEverything(const fs::path& path) {
    SOutcome outcome;
    CDatabaseReader db;
    if (db.Open(path.string()) != EOpenResult::Ok)
        return outcome;
    outcome.bOpened = true;
    outcome.nDamage = db.CatalogDamage().Size();
    for (const STable& table : db.Catalog().Tables()) {
        CDamageList damage;
        SReadCounts counts = db.ReadRows(
            table, [](const SRawRow&) { return true; }, damage);
        outcome.nRows += counts.nLiveRows + counts.nGhostRows;
        outcome.nDamage += damage.Size();
    }
    return outcome;
}

void FlipBytesAndRead(const char* szName, std::uint32_t nSeed) {
    const fs::path original = fs::path(AMBERMILL_SHARED_DATA_DIR) / szName;
    std::error_code ec;
    if (!fs::exists(original, ec))
        GTEST_SKIP() << szName << " is not in ../shared/data";
    const SOutcome clean = ReadEverything(original);
    ASSERT_TRUE(clean.bOpened);
    const std::string strBytes = TestFiles::ReadFile(original);
    std::mt19937 rng(nSeed);
    std::uniform_int_distribution<std::size_t> anyByte(0, strBytes.size() - 1);
    TestFiles::CTempDir dir;
    std::size_t nMostlyRead = 0;
    constexpr int kCopies = 24;
    for (int nCopy = 0; nCopy < kCopies; ++nCopy) {
        std::string strDamaged = strBytes;
        // Light damage: a few bytes anywhere, so most copies keep most of their rows.
        for (int i = 0; i < 8; ++i)
            strDamaged[anyByte(rng)] ^= static_cast<char>(1 + rng() % 255);
        const fs::path copy = dir / ("copy" + std::to_string(nCopy) + ".mdf");
        TestFiles::WriteFile(copy, strDamaged);
        const SOutcome damaged = ReadEverything(copy);
        if (damaged.bOpened && damaged.nRows * 10 >= clean.nRows * 9)
            ++nMostlyRead;
    }
    EXPECT_GE(nMostlyRead, kCopies / 2) << "most lightly damaged copies keep most rows";
}
}  // namespace

TEST(Corruption2005, FlippedBytesInTheNativeFileNeverStopTheReader) {
    FlipBytesAndRead("littleitaly2005.mdf", 2005);
}

TEST(Corruption2005, FlippedBytesInTheUpgradedFileNeverStopTheReader) {
    FlipBytesAndRead("northwind2008.mdf", 2008);
}

TEST(Corruption2005, EveryPageOfTheCatalogZeroedInTurnIsSurvived) {
    // Zeroing one page at a time, for every page the catalog lives on in the native file.
    const fs::path original = fs::path(AMBERMILL_SHARED_DATA_DIR) / "littleitaly2005.mdf";
    std::error_code ec;
    if (!fs::exists(original, ec))
        GTEST_SKIP() << "littleitaly2005.mdf is not in ../shared/data";
    const std::string strBytes = TestFiles::ReadFile(original);
    TestFiles::CTempDir dir;
    const std::vector<std::uint32_t> vecCatalogPages{1,  9,   14,  16,  17,  18,  20,  75,
                                                     87, 116, 128, 140, 152, 192, 205, 216};
    for (std::uint32_t nPage : vecCatalogPages) {
        std::string strDamaged = strBytes;
        std::fill_n(strDamaged.begin() + static_cast<std::ptrdiff_t>(nPage) * 8192, 8192, '\0');
        const fs::path copy = dir / ("zero" + std::to_string(nPage) + ".mdf");
        TestFiles::WriteFile(copy, strDamaged);
        CDatabaseReader db;
        const EOpenResult eResult = db.Open(copy.string());
        if (nPage == 9 || nPage == 20) {
            // Without the boot page or the first allocation-unit page there is no way in.
            EXPECT_NE(eResult, EOpenResult::Ok) << nPage;
            EXPECT_FALSE(db.CatalogDamage().Empty()) << nPage;
            continue;
        }
        ASSERT_EQ(eResult, EOpenResult::Ok) << nPage;
        EXPECT_FALSE(db.CatalogDamage().Empty()) << "zeroing page " << nPage << " is reported";
    }
}
