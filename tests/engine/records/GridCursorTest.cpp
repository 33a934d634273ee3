// tests/engine/records/GridCursorTest.cpp
// The grid cursor: pages forward and back, a newer request cancelling an older one (on the
// cursor itself and through the engine's record thread), and the window's paging members.
#include <gtest/gtest.h>

#include <algorithm>
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
    EXPECT_EQ(vecFirst.front().vecKinds, (CValueKinds{EValueKind::Integer, EValueKind::Text}));
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

// A front end shows one binary value in full by reading its row again with a cursor that follows
// the text pointers, from where the page began; the rows before it are counted as the page
// counted them (rows of nothing but NULLs left out, deleted rows only when asked for).
TEST(GridCursorReadRow, FindsTheRowOfAPageAgainWithItsBinaryValueRead) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    CDataFileBuilder builder("Pictures");
    const auto nTable = builder.AddTable(
        "Pics", {{"id", kTypeInt, 4, 10, 0, true}, {"pic", kTypeImage, 16, 0, 0, true}});
    auto picture = [](std::uint64_t i) {
        Bytes bytes(5 + i % 7);
        for (std::size_t b = 0; b < bytes.size(); ++b)
            bytes[b] = static_cast<std::byte>((i * 13 + b) & 0xFF);
        return bytes;
    };
    builder.AddGeneratedRows(
        nTable, 1500,
        [&](std::uint64_t i) -> std::vector<Value> {
            if (i % 9 == 4)
                return {std::nullopt, std::nullopt};  // never shown
            return {EncodeInt32(static_cast<std::int32_t>(i)), picture(i)};
        },
        [](std::uint64_t i) { return i % 10 == 7 ? ERowState::kGhost : ERowState::kLive; });
    auto pEngine = TestRecovery::BuildAndRecover(builder, dir.Path());
    ASSERT_TRUE(pEngine);
    const CTable* pTable = nullptr;
    for (const auto& [strKey, pEntry] : pEngine->m_mapObjects) {
        if (pEntry->m_strName == "Pics")
            pTable = pEntry.get();
    }
    ASSERT_NE(pTable, nullptr);
    const CTable& table = *pTable;

    for (bool bDeleted : {false, true}) {
        auto pGrid = pEngine->OpenGridCursor(table, false);
        pGrid->SetRecoverDeleted(bDeleted);
        std::vector<std::int64_t> vecIds;
        SGridPageSummary page2;
        ASSERT_TRUE(pGrid->Page(SGridRequest::First(), [](const SDecodedRow&) {}));
        const std::uint64_t nRequest = pGrid->Request(SGridRequest::Next());
        ASSERT_TRUE(pGrid->Run(
            nRequest,
            [&](const SDecodedRow& row) {
                EXPECT_EQ(row.vecValues[1].m_eKind, EValueKind::LargeValue);
                vecIds.push_back(row.vecValues[0].m_nInteger);
            },
            nullptr, [&](const SGridPageSummary& summary) { page2 = summary; }));
        ASSERT_EQ(vecIds.size(), 500u);

        auto pFull = pEngine->OpenGridCursor(table, true);
        pFull->SetRecoverDeleted(bDeleted);
        for (int nRow : {0, 1, 137, 499}) {
            SDecodedRow row;
            ASSERT_TRUE(pFull->ReadRow(page2.bmPageStart, nRow, row)) << nRow;
            const std::int64_t nId = vecIds[static_cast<std::size_t>(nRow)];
            EXPECT_EQ(row.vecValues[0].m_nInteger, nId) << nRow;
            ASSERT_EQ(row.vecValues[1].m_eKind, EValueKind::Binary);
            const Bytes expected = picture(static_cast<std::uint64_t>(nId));
            EXPECT_TRUE(std::ranges::equal(row.vecValues[1].Bytes(), expected)) << nRow;
            EXPECT_EQ(row.bDeleted, nId % 10 == 7);
        }
        // The cursor that read the values has not moved; the last page has no row beyond its own.
        EXPECT_EQ(pFull->PageNumber(), 0);
        SGridPageSummary page3;
        std::int64_t nLastId = -1;
        ASSERT_TRUE(pGrid->Run(
            pGrid->Request(SGridRequest::Next()),
            [&](const SDecodedRow& row) { nLastId = row.vecValues[0].m_nInteger; }, nullptr,
            [&](const SGridPageSummary& summary) { page3 = summary; }));
        ASSERT_TRUE(page3.bLastPage);
        ASSERT_LT(page3.nRows, 500);
        SDecodedRow row;
        EXPECT_FALSE(pFull->ReadRow(page3.bmPageStart, page3.nRows, row));
        ASSERT_TRUE(pFull->ReadRow(page3.bmPageStart, page3.nRows - 1, row));
        EXPECT_EQ(row.vecValues[0].m_nInteger, nLastId);
    }
}
