// tests/engine/core/FuzzCorpusTest.cpp
// Replays the committed fuzz corpus, and byte-flipped variants of it, through the same entry the
// libFuzzer target uses. Sanitizers turn any read outside a buffer into a failure here.
#include <gtest/gtest.h>

#include <algorithm>
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
    // The mutations are spread over the corpus, so the test takes about as long however far the
    // fuzzer has grown it.
    const int nRounds = std::max(4, 1200 / static_cast<int>(vecSeeds.size()));
    for (const std::string& strSeed : vecSeeds) {
        Feed(strSeed);
        for (int nRound = 0; nRound < nRounds; ++nRound) {
            // The entry reads a short input as a page ending in zeros; so does the mutant.
            std::string strMutant = strSeed;
            strMutant.resize(std::max<std::size_t>(strMutant.size(), 8192), '\0');
            int nFlips = 1 + static_cast<int>(random() % 16);
            for (int i = 0; i < nFlips; ++i) {
                strMutant[random() % strMutant.size()] = static_cast<char>(random());
            }
            // Damage the places that steer the readers: slot entries and row length fields.
            strMutant[8190 - 2 * (random() % 8)] = static_cast<char>(random());
            Feed(strMutant);
        }
        if (!strSeed.empty())
            Feed(strSeed.substr(0, random() % strSeed.size()));
    }
}

TEST(FuzzCorpus, PatchedDataFilesRecoverWithoutCrashing) {
    // Each input patches a builder-made file; the whole recovery and every walk run on it.
    const auto vecInputs = CorpusFiles("recovery");
    ASSERT_FALSE(vecInputs.empty());
    for (const std::string& strInput : vecInputs)
        FuzzRecovery(reinterpret_cast<const std::uint8_t*>(strInput.data()), strInput.size());
}
