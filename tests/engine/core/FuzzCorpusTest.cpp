// tests/engine/core/FuzzCorpusTest.cpp
// Replays the committed fuzz corpus, and byte-flipped variants of it, through the same entry the
// libFuzzer target uses. Sanitizers turn any read outside a buffer into a failure here.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "fuzz/FuzzEntries.h"
#include "support/TestFiles.h"

namespace {
std::vector<std::string> CorpusFiles(const std::string& strFolder) {
    std::vector<std::string> vecFiles;
    std::filesystem::path folder = std::filesystem::path(AMBERMILL_FUZZ_CORPUS_DIR) / strFolder;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file())
            vecFiles.push_back(TestFiles::ReadFile(entry.path()));
    }
    return vecFiles;
}

void Feed(const std::string& strBytes) {
    FuzzDataPage(reinterpret_cast<const std::uint8_t*>(strBytes.data()), strBytes.size());
}
}  // namespace

TEST(FuzzCorpus, CatalogPagesAndTheirMutationsNeverCrash) {
    auto vecSeeds = CorpusFiles("pages");
    ASSERT_FALSE(vecSeeds.empty());
    std::mt19937 random(1234);
    for (const std::string& strSeed : vecSeeds) {
        Feed(strSeed);
        for (int nRound = 0; nRound < 150; ++nRound) {
            std::string strMutant = strSeed;
            int nFlips = 1 + static_cast<int>(random() % 16);
            for (int i = 0; i < nFlips; ++i) {
                strMutant[random() % strMutant.size()] = static_cast<char>(random());
            }
            // Damage the places that steer the readers: slot entries and row length fields.
            strMutant[8190 - 2 * (random() % 8)] = static_cast<char>(random());
            Feed(strMutant);
        }
        for (std::size_t nLength = 0; nLength < strSeed.size(); nLength += 997)
            Feed(strSeed.substr(0, nLength));
    }
}

TEST(FuzzCorpus, PatchedDataFilesRecoverWithoutCrashing) {
    // Each input patches a builder-made file; the whole recovery and every walk run on it.
    const auto vecInputs = CorpusFiles("recovery");
    ASSERT_FALSE(vecInputs.empty());
    for (const std::string& strInput : vecInputs)
        FuzzRecovery(reinterpret_cast<const std::uint8_t*>(strInput.data()), strInput.size());
}
