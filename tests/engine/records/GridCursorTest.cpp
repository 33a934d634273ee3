// tests/engine/records/GridCursorTest.cpp
// The grid cursor: pages forward and back, a newer request cancelling an older one (on the
// cursor itself and through the engine's record thread), and the window's paging members.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/ExecutionLog.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CGridCursor.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

using namespace fixtures;

namespace {
class GridCursor : public testing::Test {
  protected:
    void SetUp() override {
        CExecutionLog::SetLogFolderForTesting(m_dir / "logs");
        CDataFileBuilder builder("Cursor");
        const std::vector<SColumnSpec> vecColumns{{"id", kTypeInt, 4, 10, 0, false},
                                                  {"name", kTypeVarChar, 40}};
        auto nBig = builder.AddTable("Big", vecColumns);
        builder.AddGeneratedRows(nBig, 1300, [](std::uint64_t i) -> std::vector<Value> {
            return {EncodeInt32(static_cast<std::int32_t>(i)),
                    EncodeVarchar("row " + std::to_string(i))};
        });
        auto nSmall = builder.AddTable("Small", vecColumns);
        builder.AddGeneratedRows(nSmall, 20, [](std::uint64_t i) -> std::vector<Value> {
            return {EncodeInt32(static_cast<std::int32_t>(100000 + i)), EncodeVarchar("small")};
        });
        m_pEngine = TestRecovery::BuildAndRecover(builder, m_dir.Path());
        ASSERT_TRUE(m_pEngine);
    }

    CTable& Table(const std::string& strName) {
        for (auto& [strKey, pTable] : m_pEngine->m_mapObjects) {
            if (pTable->m_strName == strName)
                return *pTable;
        }
        throw std::runtime_error("no table " + strName);
    }

    // The ids of one page run on the calling thread; empty when the run was cancelled.
    static std::vector<std::int64_t> Ids(CGridCursor& cursor, std::uint64_t nRequest,
                                         bool* pCompleted = nullptr) {
        std::vector<std::int64_t> vecIds;
        bool bCompleted = cursor.Run(nRequest, [&](const SDecodedRow& row) {
            vecIds.push_back(row.vecValues.at(0).m_nInteger);
        });
        if (pCompleted)
            *pCompleted = bCompleted;
        return bCompleted ? vecIds : std::vector<std::int64_t>{};
    }

    // One page through the engine's record thread, as the window asks for it.
    std::vector<SRecordRow> WindowPage(CTable& table, bool bPagingStarted, bool bForward) {
        CEngineStatus& status = *m_pEngine->m_pStatus;
        m_pEngine->m_bRecordExportRunning = false;
        status.m_pRecordTable = &table;
        m_pEngine->m_bPagingStarted = bPagingStarted;
        m_pEngine->m_bPageForward = bForward;
        status.m_bTableDone = false;
        m_pEngine->StartRecordThread();
        status.m_bTableDone.wait(false);
        return status.TakeRows();
    }

    TestFiles::CTempDir m_dir;
    std::unique_ptr<CSQLServerEngine> m_pEngine;
};
}  // namespace

TEST_F(GridCursor, PagesForwardAndBackWhileANewerRequestCancelsTheOlder) {
    auto pCursor = m_pEngine->OpenGridCursor(Table("Big"), false);
    ASSERT_TRUE(pCursor);
    CGridCursor& cursor = *pCursor;

    auto vecFirst = Ids(cursor, cursor.Request(SGridRequest::First()));
    ASSERT_EQ(vecFirst.size(), 500u);
    EXPECT_EQ(vecFirst.front(), 0);
    EXPECT_EQ(cursor.PageNumber(), 1);
    EXPECT_FALSE(cursor.HasPrevious());

    // A request that is no longer the newest when it starts runs nothing.
    const std::uint64_t nStale = cursor.Request(SGridRequest::Next());
    const std::uint64_t nNext = cursor.Request(SGridRequest::Next());
    bool bCompleted = true;
    EXPECT_TRUE(Ids(cursor, nStale, &bCompleted).empty());
    EXPECT_FALSE(bCompleted);
    auto vecSecond = Ids(cursor, nNext);
    ASSERT_EQ(vecSecond.size(), 500u);
    EXPECT_EQ(vecSecond.front(), 500) << "the stale request moved nothing";
    EXPECT_EQ(cursor.PageNumber(), 2);

    // A newer request made while a page is being read stops that run at its next row: its rows
    // are dropped and the position stays on page 2.
    const std::uint64_t nForward = cursor.Request(SGridRequest::Next());
    std::uint64_t nBack = 0;
    int nDelivered = 0;
    bCompleted = cursor.Run(nForward, [&](const SDecodedRow&) {
        if (++nDelivered == 10)
            nBack = cursor.Request(SGridRequest::Previous());
    });
    EXPECT_FALSE(bCompleted);
    EXPECT_EQ(nDelivered, 10);
    EXPECT_EQ(cursor.PageNumber(), 2);
    EXPECT_FALSE(cursor.LastPage());
    auto vecBack = Ids(cursor, nBack);
    ASSERT_EQ(vecBack.size(), 500u);
    EXPECT_EQ(vecBack.front(), 0) << "back from page 2, not from the cancelled page 3";
    EXPECT_EQ(cursor.PageNumber(), 1);
    EXPECT_FALSE(cursor.HasPrevious());

    // Forward to the end: the third page holds the last 300 rows.
    EXPECT_EQ(Ids(cursor, cursor.Request(SGridRequest::Next())).front(), 500);
    auto vecThird = Ids(cursor, cursor.Request(SGridRequest::Next()));
    ASSERT_EQ(vecThird.size(), 300u);
    EXPECT_EQ(vecThird.back(), 1299);
    EXPECT_TRUE(cursor.LastPage());
    EXPECT_EQ(cursor.PageNumber(), 3);
    EXPECT_EQ(Ids(cursor, cursor.Request(SGridRequest::Previous())).front(), 500);
}

TEST_F(GridCursor, TheWindowsPagingMembersDriveTheRecordThreadWithoutWaiting) {
    CTable& big = Table("Big");
    auto vecFirst = WindowPage(big, false, true);
    ASSERT_EQ(vecFirst.size(), 500u);
    EXPECT_EQ(vecFirst.front().vecValues.front(), "0");
    EXPECT_EQ(vecFirst.front().vecKinds,
              (CValueKinds{EValueKind::Integer, EValueKind::Text}));
    EXPECT_EQ(WindowPage(big, true, true).front().vecValues.front(), "500");
    EXPECT_EQ(m_pEngine->m_dqBookmarks.size(), 1u);
    EXPECT_EQ(WindowPage(big, true, true).back().vecValues.front(), "1299");
    EXPECT_TRUE(m_pEngine->m_bLastPage);
    EXPECT_EQ(WindowPage(big, true, false).front().vecValues.front(), "500");
    EXPECT_FALSE(m_pEngine->m_bLastPage);

    // Selecting another table while a page of the first is still asked for: only the newer
    // table's page is handed over, whichever way the two runs interleave.
    CEngineStatus& status = *m_pEngine->m_pStatus;
    for (int i = 0; i < 20; ++i) {
        m_pEngine->m_dqBookmarks.clear();
        m_pEngine->m_bPagingStarted = false;
        status.m_pRecordTable = &big;
        status.m_bTableDone = false;
        m_pEngine->StartRecordThread();
        status.m_pRecordTable = &Table("Small");
        status.m_bTableDone = false;
        m_pEngine->StartRecordThread();
        status.m_bTableDone.wait(false);
        auto vecRows = status.TakeRows();
        ASSERT_EQ(vecRows.size(), 20u) << "run " << i;
        EXPECT_EQ(vecRows.front().vecValues.front(), "100000");
    }
    m_pEngine->JoinThreads();
}
