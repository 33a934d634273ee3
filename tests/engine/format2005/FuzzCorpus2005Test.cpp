// tests/engine/format2005/FuzzCorpus2005Test.cpp
// Every page of the real files, and mutations of them, through the 2005 fuzz entry: sanitizers
// turn any read outside a buffer into a failure here.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "fuzz/FuzzEntries2005.h"
#include "support/TestFiles.h"

TEST(FuzzCorpus2005, RealPagesAndTheirMutationsNeverCrash) {
    std::size_t nFiles = 0;
    std::mt19937 random(2005);
    for (const char* szName : {"littleitaly2005.mdf", "northwind2008.mdf"}) {
        const auto path = std::filesystem::path(AMBERMILL_SHARED_DATA_DIR) / szName;
        std::error_code ec;
        if (!std::filesystem::exists(path, ec))
            continue;
        ++nFiles;
        const std::string strFile = TestFiles::ReadFile(path);
        for (std::size_t nAt = 0; nAt + 8192 <= strFile.size(); nAt += 8192) {
            std::string strPage = strFile.substr(nAt, 8192);
            FuzzDataPage2005(reinterpret_cast<const std::uint8_t*>(strPage.data()), 8192);
            // Damage the places that steer the decoders: slot entries and the record bytes.
            for (int nRound = 0; nRound < 3; ++nRound) {
                std::string strMutant = strPage;
                for (int i = 0; i < 12; ++i)
                    strMutant[96 + random() % (8192 - 96)] = static_cast<char>(random());
                strMutant[8190 - 2 * (random() % 8)] = static_cast<char>(random());
                FuzzDataPage2005(reinterpret_cast<const std::uint8_t*>(strMutant.data()), 8192);
            }
        }
    }
    if (nFiles == 0)
        GTEST_SKIP() << "the real 2005/2008 files are not in ../shared/data";
}
