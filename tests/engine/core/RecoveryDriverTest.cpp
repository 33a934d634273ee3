// tests/engine/core/RecoveryDriverTest.cpp
// A whole recovery: the log sequence, missing system tables, stopping, and the stand-in engines.
#include <gtest/gtest.h>

#include <thread>

#include "common/ExecutionLog.h"
#include "engine/binding/CEngineBinding.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/format2000/CSQLServer2000.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

using namespace fixtures;

namespace {
CDataFileBuilder SmallDatabase() {
    CDataFileBuilder builder("Shop");
    auto nTable =
        builder.AddTable("Items", {{"id", kTypeInt, 4, 10, 0, false}, {"name", kTypeVarChar, 40}});
    for (int i = 0; i < 50; ++i)
        builder.AddRow(nTable, {EncodeInt32(i), EncodeVarchar("item" + std::to_string(i))});
    builder.AddObject("V", "ItemNames", "CREATE VIEW ItemNames AS SELECT name FROM Items");
    return builder;
}
}  // namespace

TEST(RecoveryDriver, ExecutionLogHoldsThePhasesInOrder) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    auto pEngine = TestRecovery::BuildAndRecover(SmallDatabase(), dir.Path());
    auto vecLines = TestRecovery::LogMessages(dir / "logs" / "ExecLog.log");
    std::vector<std::string> vecExpected{"2000 Format",
                                         "Read All Pages",
                                         "Gathering datatypes",
                                         "Found : 1",
                                         "Reading sysobjects",
                                         "Found : 1",
                                         "Reading sysobjects completed.",
                                         "Waiting For Event after reading sysobjects.",
                                         "Event recieved",
                                         "Gathering view, stored procedures,triggers etc",
                                         "Found : 1",
                                         "Reading column information",
                                         "Found : 1",
                                         "Waiting For Event after reading column information.",
                                         "Event recieved",
                                         "Parse Complete"};
    ASSERT_EQ(vecLines.size(), vecExpected.size()) << testing::PrintToString(vecLines);
    for (std::size_t i = 0; i < vecLines.size(); ++i) {
        if (vecExpected[i].starts_with("Found : ")) {
            EXPECT_TRUE(vecLines[i].starts_with("Found : ")) << i << ": " << vecLines[i];
        } else {
            EXPECT_EQ(vecLines[i], vecExpected[i]) << i;
        }
    }
    std::string strHeader = TestFiles::ReadFile(dir / "logs" / "ErrorLog.log");
    EXPECT_TRUE(strHeader.starts_with(std::string(79, '=') + "\r\nLast Log On\r\nDate : "));
    EXPECT_EQ(pEngine->m_pStatus->m_nTables, 1);
    EXPECT_EQ(pEngine->m_pStatus->m_nViews, 1);
    EXPECT_EQ(pEngine->m_pStatus->DatabaseName(), "Shop");
}

TEST(RecoveryDriver, MissingSystemTablesEndOnlyTheirPhase) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    for (std::uint32_t nMissing : {1u, 3u, 4u, 6u}) {
        CDataFileBuilder builder = SmallDatabase();
        builder.OmitSystemTable(nMissing);
        auto pEngine = TestRecovery::BuildAndRecover(builder, dir.Path());
        EXPECT_EQ(pEngine->m_vecMissingSystemTables,
                  std::vector<std::string>{std::to_string(nMissing)});
        // Without sysobjects or syscolumns no table survives pruning; without systypes or
        // syscomments the table is still recovered.
        bool bTablesLost = nMissing == 1 || nMissing == 3;
        EXPECT_EQ(pEngine->m_mapObjects.Count(), bTablesLost ? 0u : 1u) << nMissing;
        EXPECT_EQ(pEngine->m_mapViews.Count(), nMissing == 1 ? 0u : 1u) << nMissing;
    }
    auto vecErrors = TestRecovery::LogMessages(dir / "logs" / "ErrorLog.log");
    EXPECT_NE(std::find(vecErrors.begin(), vecErrors.end(), "Could not find Sysobjects table"),
              vecErrors.end());
    EXPECT_NE(std::find(vecErrors.begin(), vecErrors.end(), "Could not find syscolumns table"),
              vecErrors.end());
    EXPECT_NE(std::find(vecErrors.begin(), vecErrors.end(), "Could not find syscomments table"),
              vecErrors.end());
}

TEST(RecoveryDriver, StopRequestEndsAStalledRecoveryPromptly) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    SmallDatabase().WriteTo(dir / "shop.mdf");
    // Nobody answers the page hand-shake: the engine waits until the stop request arrives.
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strFileName = (dir / "shop.mdf").string();
    ASSERT_TRUE(pEngine->StartRecovery());
    EXPECT_FALSE(pEngine->StartRecovery()) << "a second recovery on a running engine is refused";
    ASSERT_TRUE(pEngine->m_pStatus->m_hPageRead->WaitFor(std::chrono::seconds(5)));
    auto start = std::chrono::steady_clock::now();
    pEngine->m_pStatus->m_bCancel = true;
    pEngine->JoinThreads();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(pEngine->IsRecovering());
    EXPECT_FALSE(pEngine->m_bRecoveryComplete);
    auto vecLines = TestRecovery::LogMessages(dir / "logs" / "ExecLog.log");
    EXPECT_EQ(vecLines.back(), "Recovery stopped");
}

TEST(RecoveryDriver, StopDuringACatalogPhaseLeavesAWholeCatalog) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    SmallDatabase().WriteTo(dir / "shop.mdf");
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strFileName = (dir / "shop.mdf").string();
    CRecoveryMonitor monitor(*pEngine);
    bool bComplete = monitor.Run([&](const CRecoveryMonitor::SProgress& progress) {
        if (progress.nPercent == 60)
            pEngine->m_pStatus->m_bCancel = true;
    });
    EXPECT_FALSE(bComplete);
    EXPECT_FALSE(pEngine->IsRecovering());
    // Every object in the maps is whole: the view exists with its name, nothing half-linked.
    for (const auto& [strKey, pView] : pEngine->m_mapViews)
        EXPECT_FALSE(pView->m_strName.empty());
}

TEST(RecoveryDriver, ListenerCountsEveryPageInOrder) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    CDataFileBuilder builder("Big");
    auto nTable = builder.AddTable("T", {{"a", kTypeInt, 4}});
    builder.AddGeneratedRows(nTable, 200000, [](std::uint64_t n) {
        return std::vector<Value>{EncodeInt32(static_cast<std::int32_t>(n))};
    });
    builder.WriteTo(dir / "big.mdf");
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strFileName = (dir / "big.mdf").string();
    std::uint32_t nLast = 0;
    int nLastPercent = -1;
    bool bMonotonic = true;
    CRecoveryMonitor monitor(*pEngine);
    ASSERT_TRUE(monitor.Run([&](const CRecoveryMonitor::SProgress& progress) {
        if (progress.nPercent < nLastPercent || progress.nPagesRead < nLast)
            bMonotonic = false;
        nLast = progress.nPagesRead;
        nLastPercent = progress.nPercent;
    }));
    EXPECT_TRUE(bMonotonic);
    EXPECT_EQ(nLast, pEngine->m_pStatus->m_nTotalPages.load());
    EXPECT_EQ(nLastPercent, 100);
    ASSERT_EQ(pEngine->m_mapObjects.Count(), 1u);
    const CTable& table = *pEngine->m_mapObjects.begin()->second;
    EXPECT_TRUE(std::is_sorted(table.m_vecPages.begin(), table.m_vecPages.end()));
    EXPECT_GT(table.m_vecPages.size(), 100u);
}

// A file in the 2000 layout stamped as a later format: the later engines find no catalog, run every
// hand-shake all the same and say why they end empty.
TEST(LaterEngines, RunTheHandshakesOnAFileWithoutTheirCatalog) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    for (auto [eFormat, strVersion] : {std::pair{EEngineFormat::SQL2005, std::string("2005")},
                                       std::pair{EEngineFormat::SQL2008, std::string("2008")}}) {
        CDataFileBuilder builder = SmallDatabase();
        builder.SetVersion(eFormat == EEngineFormat::SQL2005 ? 611 : 655);
        builder.WriteTo(dir / "later.mdf");
        auto pEngine = CEngineBinding::Create(eFormat);
        ASSERT_NE(pEngine, nullptr);
        EXPECT_EQ(pEngine->FormatVersion(), strVersion);
        pEngine->m_strFileName = (dir / "later.mdf").string();
        CRecoveryMonitor monitor(*pEngine);
        EXPECT_TRUE(monitor.Run());
        EXPECT_TRUE(pEngine->m_mapObjects.Empty());
        EXPECT_TRUE(pEngine->m_mapViews.Empty());
        auto vecErrors = TestRecovery::LogMessages(dir / "logs" / "ErrorLog.log");
        EXPECT_EQ(vecErrors.back(), "The catalog could not be read: no allocation unit was found");
        auto vecExec = TestRecovery::LogMessages(dir / "logs" / "ExecLog.log");
        EXPECT_NE(std::find(vecExec.begin(), vecExec.end(), strVersion + " Format"), vecExec.end());
    }
    EXPECT_EQ(CEngineBinding::Create(EEngineFormat::Unknown), nullptr);
    EXPECT_EQ(CEngineBinding::CreateForVersionText("1999"), nullptr);
}

// Events belong to one engine: two recoveries in one process each follow their own hand-shakes
// (page by page, so they would wake each other constantly if names were shared).
TEST(RecoveryDriver, TwoEnginesRecoverAtOnceWithoutWakingEachOther) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    CDataFileBuilder shop = SmallDatabase();
    shop.WriteTo(dir / "shop.mdf");
    CDataFileBuilder other("Other");
    auto nTable = other.AddTable("Numbers", {{"n", kTypeInt, 4}});
    other.AddGeneratedRows(nTable, 30000, [](std::uint64_t n) {
        return std::vector<Value>{EncodeInt32(static_cast<std::int32_t>(n))};
    });
    other.WriteTo(dir / "other.mdf");

    auto pShop = CreateSQLServer2000Engine();
    auto pOther = CreateSQLServer2000Engine();
    pShop->m_strFileName = (dir / "shop.mdf").string();
    pOther->m_strFileName = (dir / "other.mdf").string();
    pShop->m_pStatus->m_nPagesPerHandshake = 1;
    pOther->m_pStatus->m_nPagesPerHandshake = 1;
    bool bShop = false;
    bool bOther = false;
    std::uint32_t nShopPages = 0;
    std::uint32_t nOtherPages = 0;
    std::thread shopThread([&] {
        bShop = CRecoveryMonitor(*pShop).Run(
            [&](const CRecoveryMonitor::SProgress& p) { nShopPages = p.nPagesRead; });
    });
    std::thread otherThread([&] {
        bOther = CRecoveryMonitor(*pOther).Run(
            [&](const CRecoveryMonitor::SProgress& p) { nOtherPages = p.nPagesRead; });
    });
    shopThread.join();
    otherThread.join();
    ASSERT_TRUE(bShop);
    ASSERT_TRUE(bOther);
    EXPECT_EQ(nShopPages, pShop->m_pStatus->m_nTotalPages.load());
    EXPECT_EQ(nOtherPages, pOther->m_pStatus->m_nTotalPages.load());
    ASSERT_EQ(pShop->m_mapObjects.Count(), 1u);
    EXPECT_EQ(pShop->m_mapObjects.begin()->second->m_strName, "Items");
    EXPECT_EQ(pShop->m_mapViews.Count(), 1u);
    ASSERT_EQ(pOther->m_mapObjects.Count(), 1u);
    EXPECT_EQ(pOther->m_mapObjects.begin()->second->m_strName, "Numbers");

    // Within one engine a name is one event; across engines never.
    CEngineStatus& shopStatus = *pShop->m_pStatus;
    CEngineStatus& otherStatus = *pOther->m_pStatus;
    EXPECT_EQ(shopStatus.m_hPageAck.get(), shopStatus.m_hRecordEvent.get());
    EXPECT_EQ(shopStatus.OpenEvent("ExportReady").get(), shopStatus.m_hExportReady.get());
    EXPECT_NE(shopStatus.m_hRecordEvent.get(), otherStatus.m_hRecordEvent.get());
    shopStatus.m_hRecordEvent->Reset();
    otherStatus.m_hRecordEvent->Set();
    EXPECT_FALSE(shopStatus.m_hPageAck->IsSet());
    EXPECT_TRUE(otherStatus.m_hPageAck->IsSet());
}
