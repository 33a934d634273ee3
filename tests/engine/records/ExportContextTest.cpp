// tests/engine/records/ExportContextTest.cpp
// Tables exported at the same time on one engine, each call on a context of its own: exact
// counts per table, nothing written into the engine's shared state.
#include <gtest/gtest.h>

#include <thread>

#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CExportContext.h"
#include "engine/scripts/SqliteOdbc.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

using namespace fixtures;

namespace {
CTable& Table(CSQLServerEngine& engine, const std::string& strName) {
    for (auto& [strKey, pTable] : engine.m_mapObjects) {
        if (pTable->m_strName == strName)
            return *pTable;
    }
    throw std::runtime_error("no table " + strName);
}

// Orders i holds a total of i * 125 units of 1/10000; rows 3, 20, 37, ... are ghosts.
std::string SumOfLiveUnits() {
    std::int64_t nUnits = 0;
    for (std::int64_t i = 0; i < 1700; ++i) {
        if (i % 17 != 3)
            nUnits += i * 125;
    }
    return std::to_string(nUnits);
}
}  // namespace

TEST(ExportContext, TwoTablesExportedAtOnceKeepTheirOwnCounts) {
    if (!SqliteOdbc::Available())
        GTEST_SKIP() << "SQLite ODBC driver not installed";
    SqliteOdbc::Register();
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    CDataFileBuilder builder("Pool");
    auto nOrders = builder.AddTable("Orders", {{"id", kTypeInt, 4, 10, 0, false},
                                               {"note", kTypeVarChar, 60},
                                               {"total", kTypeMoney, 8, 19, 4}});
    builder.AddGeneratedRows(
        nOrders, 1700,
        [](std::uint64_t i) -> std::vector<Value> {
            return {EncodeInt32(static_cast<std::int32_t>(i)),
                    EncodeVarchar("order " + std::to_string(i)),
                    EncodeMoney(static_cast<std::int64_t>(i) * 125)};
        },
        [](std::uint64_t i) { return i % 17 == 3 ? ERowState::kGhost : ERowState::kLive; });
    // Rows of 5000 bytes: one a page, so every batch of the pooled form (which takes its size
    // from the settings) holds one statement, as SQLite takes one statement per execution.
    auto nLines = builder.AddTable("Lines", {{"id", kTypeInt, 4, 10, 0, false},
                                             {"qty", kTypeSmallInt, 2},
                                             {"label", kTypeVarChar, 6000}});
    builder.AddGeneratedRows(nLines, 230, [](std::uint64_t i) -> std::vector<Value> {
        return {EncodeInt32(static_cast<std::int32_t>(i)),
                EncodeInt16(static_cast<std::int16_t>(i % 100)),
                EncodeVarchar(std::string(5000, i % 2 ? 'o' : 'e'))};
    });
    auto pEngine = TestRecovery::BuildAndRecover(builder, dir.Path());
    ASSERT_TRUE(pEngine);
    CTable& orders = Table(*pEngine, "Orders");
    CTable& lines = Table(*pEngine, "Lines");

    // The engine's members as a program leaves them for a database export; each worker has its
    // own connection to the same database.
    pEngine->m_bDirectExport = true;
    pEngine->m_bExportRecords = true;
    pEngine->m_bRecoverDeleted = false;
    const std::string strConnect = SqliteOdbc::ConnectString(dir / "pool.db") + ";Timeout=60000";
    COdbcConnection ordersConnection;
    COdbcConnection linesConnection;
    ordersConnection.Open(strConnect);
    linesConnection.Open(strConnect);

    // One worker by a context of its own making, one by the interface's pooled form.
    CExportContext ordersContext;
    ordersContext.m_bDirect = true;
    ordersContext.m_pConnection = &ordersConnection;
    ordersContext.m_eWalk = CExportContext::EWalk::Batched;
    ordersContext.m_nBatchSize = 1;
    ordersContext.m_strFileName = pEngine->m_strFileName;
    ordersContext.m_pStop = &pEngine->m_pStatus->m_bStop;
    std::thread ordersWorker([&] { pEngine->GenerateTableQueries(&orders, ordersContext); });
    std::thread linesWorker([&] { pEngine->GenerateTableQueries(&lines, &linesConnection); });
    ordersWorker.join();
    linesWorker.join();

    const int nLiveOrders = 1700 - 100;  // every 17th row from the fourth is a ghost
    EXPECT_EQ(orders.m_nExportCount, nLiveOrders);
    EXPECT_EQ(orders.m_nFailedCount, 0);
    EXPECT_EQ(ordersContext.m_nExported, nLiveOrders);
    EXPECT_EQ(ordersContext.m_nDelivered, nLiveOrders);
    EXPECT_EQ(lines.m_nExportCount, 230);
    EXPECT_EQ(lines.m_nFailedCount, 0);
    EXPECT_EQ(SqliteOdbc::Query(dir / "pool.db",
                                "SELECT COUNT(*), CAST(ROUND(SUM(total) * 10000) AS INTEGER) "
                                "FROM [Orders]"),
              std::vector<std::string>{std::to_string(nLiveOrders) + "|" + SumOfLiveUnits()});
    EXPECT_EQ(SqliteOdbc::Query(dir / "pool.db", "SELECT COUNT(*), SUM(qty) FROM [Lines]"),
              std::vector<std::string>{"230|" + std::to_string(2 * 4950 + 435)});
    // Nothing of the pooled calls went into the engine's shared status.
    CEngineStatus& status = *pEngine->m_pStatus;
    EXPECT_EQ(status.m_nExportedRecords, 0);
    EXPECT_EQ(status.m_nFailedRecords, 0);
    EXPECT_EQ(status.m_pCurrentTable.load(), nullptr);
    EXPECT_FALSE(pEngine->m_bRecordExportRunning);
}
