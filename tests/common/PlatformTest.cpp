// tests/common/PlatformTest.cpp
// The platform layer: checked byte reads, named events, the logs, settings and ordered maps.
#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "common/ByteView.h"
#include "common/ExecutionLog.h"
#include "common/NamedEvent.h"
#include "common/OrderedMap.h"
#include "common/SettingsFile.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

TEST(ByteView, EveryPrefixOfAValueFailsCleanly) {
    const std::array<std::byte, 8> bytes{std::byte{1}, std::byte{2}, std::byte{3}, std::byte{4},
                                         std::byte{5}, std::byte{6}, std::byte{7}, std::byte{8}};
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        CByteView view(std::span<const std::byte>(bytes).first(n));
        EXPECT_EQ(view.U16(0).has_value(), n >= 2);
        EXPECT_EQ(view.U32(0).has_value(), n >= 4);
        EXPECT_EQ(view.U64(0).has_value(), n >= 8);
        EXPECT_FALSE(view.U8(n).has_value());
    }
    CByteView view(bytes);
    EXPECT_EQ(*view.U32(0), 0x04030201u);
    EXPECT_EQ(*view.I16(6), 0x0807);
    // Offsets near the top of the address range must not wrap into the buffer.
    EXPECT_FALSE(view.Slice(SIZE_MAX - 1, 4).has_value());
    EXPECT_FALSE(view.Has(4, SIZE_MAX));
}

TEST(NamedEvent, OneNameIsOneEventAndAStopEndsTheWait) {
    CEventRegistry registry;
    auto pFirst = registry.Open("TestEvent-shared");
    auto pSecond = registry.Open("TestEvent-shared");
    EXPECT_EQ(pFirst.get(), pSecond.get());
    pFirst->Reset();
    std::thread setter([&] { pSecond->Set(); });
    EXPECT_TRUE(pFirst->Wait());
    setter.join();
    // Manual reset: it stays set until reset.
    EXPECT_TRUE(pFirst->IsSet());
    pFirst->Reset();

    std::atomic<bool> bStop{false};
    std::thread stopper([&] { bStop = true; });
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(pFirst->Wait(&bStop));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(ExecutionLog, HeaderAndLinesAreWrittenInTheirFormat) {
    EXPECT_EQ(CExecutionLog::HeaderBlock(5, 3, 2009, 14, 7, 9),
              std::string(79, '=') + "\r\nLast Log On\r\nDate : 5/3/2009\r\nTime : 14:7:9\r\n" +
                  std::string(79, '=') + "\r\n");
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir.Path());
    CExecutionLog::WriteLog(1, 0, "Could not find Sysobjects table", true);
    CExecutionLog::WriteLog(0, 0, "Read All Pages", false);
    EXPECT_EQ(TestFiles::ReadFile(dir / "ErrorLog.log"),
              "Code:1  Error:0  MSG:Could not find Sysobjects table\r\n");
    EXPECT_EQ(TestFiles::ReadFile(dir / "ExecLog.log"), "Code:0  Error:0  MSG:Read All Pages\r\n");
    // A deleted log folder loses the line without a trace.
    std::filesystem::remove_all(dir.Path());
    CExecutionLog::WriteLog(0, 0, "lost", false);
    EXPECT_FALSE(std::filesystem::exists(dir / "ExecLog.log"));
}

TEST(SettingsFile, KeysAreExactAndNumbersLeading) {
    TestFiles::CTempDir dir;
    TestFiles::WriteFile(dir / "sql.settings",
                         "Exportsize2=7\r\nExportsize= 250 rows\nAvoid_Duplicate=1\n");
    bool bFound = false;
    EXPECT_EQ(CSettingsFile::ReadValue(dir / "sql.settings", "Exportsize", &bFound), " 250 rows");
    EXPECT_TRUE(bFound);
    EXPECT_EQ(CSettingsFile::ReadValue(dir / "sql.settings", "Avoid_Duplicate"), "1");
    EXPECT_FALSE(
        CSettingsFile::ReadValue(dir / "missing.settings", "Exportsize", &bFound).has_value());
    EXPECT_FALSE(bFound);
    EXPECT_EQ(CSettingsFile::LeadingInteger(" 250 rows"), 250);
    EXPECT_EQ(CSettingsFile::LeadingInteger("-3"), -3);
    EXPECT_EQ(CSettingsFile::LeadingInteger("rows"), 0);
    EXPECT_GT(CSettingsFile::LeadingInteger("99999999999999999999999"), 0);
}

TEST(OrderedMap, ReplacingKeepsThePlaceAndRemovalKeepsTheOrder) {
    COrderedMap<std::string> map;
    map.Set("20", std::make_unique<std::string>("b"));
    map.Set("3", std::make_unique<std::string>("a"));
    map.Set("100", std::make_unique<std::string>("c"));
    map.Set("20", std::make_unique<std::string>("B"));
    std::vector<std::string> vecKeys;
    for (const auto& [strKey, pValue] : map)
        vecKeys.push_back(strKey + "=" + *pValue);
    EXPECT_EQ(vecKeys, (std::vector<std::string>{"20=B", "3=a", "100=c"}));
    EXPECT_EQ(map.RemoveIf([](const std::string&, const std::string& v) { return v == "a"; }), 1u);
    ASSERT_NE(map.Find("100"), nullptr);
    EXPECT_EQ(*map.Find("100"), "c");
    EXPECT_EQ(map.Find("3"), nullptr);
}
