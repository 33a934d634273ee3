// tests/engine/core/DamagedFileTest.cpp
// Files damaged the way disks and copies damage them: cut anywhere, fixed pages zeroed, bytes
// flipped in slot arrays, rows and text pointers, pages of another table in a page list. Each
// test asserts the rows that come back and exactly the damage reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "common/ExecutionLog.h"
#include "common/ScriptFile.h"
#include "engine/binding/EngineFactories.h"
#include "engine/core/CDamageLog.h"
#include "engine/core/CFormatProbe.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/records/CExportContext.h"
#include "engine/records/CGridCursor.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/LittleEndian.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

using namespace fixtures;

namespace {
constexpr std::size_t kPage = 8192;
constexpr int kItems = 800;

struct SBuilt {
    std::vector<std::byte> vecBytes;
    std::uint32_t nTable = 0;
    std::vector<std::uint32_t> vecPages;  // the table's data pages
    std::uint32_t nDocs = 0;
    std::vector<std::uint32_t> vecDocPages;
};

// A table of 800 rows over several pages, and a table of large values on text pages.
SBuilt Build() {
    CDataFileBuilder builder("Damaged");
    SBuilt built;
    built.nTable = builder.AddTable(
        "Items",
        {{"Id", kTypeInt, 4, 0, 0, false}, {"Name", kTypeVarChar, 60}, {"Qty", kTypeInt, 4}});
    for (int i = 0; i < kItems; ++i) {
        builder.AddRow(built.nTable, {EncodeInt32(i),
                                      EncodeVarchar("item number " + std::to_string(i) +
                                                    " with a name long enough"),
                                      EncodeInt32(i * 3)});
    }
    built.nDocs =
        builder.AddTable("Docs", {{"Id", kTypeInt, 4, 0, 0, false}, {"Body", kTypeText, 16}});
    builder.SetTextLayout(built.nDocs, 1, ETextLayout::kLinkedRoot);
    for (int i = 0; i < 3; ++i)
        builder.AddRow(built.nDocs, {EncodeInt32(i), EncodeVarchar(std::string(9000, 'a' + i))});
    built.vecBytes = builder.Build();
    built.vecPages = builder.DataPages(built.nTable);
    built.vecDocPages = builder.DataPages(built.nDocs);
    return built;
}

std::uint16_t SlotCount(const std::vector<std::byte>& vecBytes, std::uint32_t nPage) {
    return ReadLE<std::uint16_t>(std::span(vecBytes).subspan(nPage * kPage, kPage), 22);
}

class DamagedFile : public testing::Test {
  protected:
    void SetUp() override { CExecutionLog::SetLogFolderForTesting(m_dir / "logs"); }

    std::unique_ptr<CSQLServerEngine> Recover(const std::vector<std::byte>& vecBytes) {
        const std::string strBytes(reinterpret_cast<const char*>(vecBytes.data()), vecBytes.size());
        TestFiles::WriteFile(m_dir / "damaged.mdf", strBytes);
        return TestRecovery::Recover(m_dir / "damaged.mdf");
    }

    static CTable* Table(CSQLServerEngine& engine, const std::string& strName) {
        for (auto& [strKey, pTable] : engine.m_mapObjects) {
            if (pTable->m_strName == strName)
                return pTable.get();
        }
        return nullptr;
    }

    // Every row the grid's walk gives (deleted ones not asked for), its damage into pDamage.
    static std::vector<SDecodedRow> GridRows(CSQLServerEngine& engine, const CTable& table,
                                             IDamageSink* pDamage) {
        auto pCursor = engine.OpenGridCursor(table, true);
        std::vector<SDecodedRow> vecRows;
        for (bool bFirst = true;; bFirst = false) {
            pCursor->Page(
                bFirst ? SGridRequest::First() : SGridRequest::Next(),
                [&](const SDecodedRow& row) { vecRows.push_back(row); }, nullptr, pDamage);
            if (pCursor->LastPage())
                return vecRows;
        }
    }

    // The statement walk and the batched walk into a script: the rows each wrote.
    std::pair<std::int64_t, std::int64_t> ExportRows(CSQLServerEngine& engine, CTable& table,
                                                     IDamageSink* pDamage) {
        std::int64_t arrRows[2] = {0, 0};
        for (auto eWalk : {CExportContext::EWalk::RowByRow, CExportContext::EWalk::Batched}) {
            CScriptFile file;
            EXPECT_TRUE(file.Create(m_dir / "table.sql"));
            CExportContext context;
            context.m_pTableFile = &file;
            context.m_eWalk = eWalk;
            context.m_strFileName = engine.m_strFileName;
            context.m_pDamage = pDamage;
            engine.GenerateTableQueries(&table, context);
            arrRows[eWalk == CExportContext::EWalk::Batched] = context.m_nExported;
        }
        return {arrRows[0], arrRows[1]};
    }

    std::vector<SDamage> Of(const CDamageLog& log, EDamageKind eKind) {
        std::vector<SDamage> vecFound;
        for (const SDamage& damage : log.Records()) {
            if (damage.eKind == eKind)
                vecFound.push_back(damage);
        }
        return vecFound;
    }

    TestFiles::CTempDir m_dir;
};
}  // namespace

TEST_F(DamagedFile, ASoundFileReportsNothing) {
    const SBuilt built = Build();
    auto pEngine = Recover(built.vecBytes);
    CDamageLog walks;
    ASSERT_TRUE(Table(*pEngine, "Items"));
    EXPECT_EQ(GridRows(*pEngine, *Table(*pEngine, "Items"), &walks).size(), std::size_t{kItems});
    EXPECT_EQ(GridRows(*pEngine, *Table(*pEngine, "Docs"), &walks).size(), 3u);
    EXPECT_EQ(ExportRows(*pEngine, *Table(*pEngine, "Items"), &walks),
              std::make_pair(std::int64_t{kItems}, std::int64_t{kItems}));
    EXPECT_TRUE(pEngine->m_damage.Empty()) << pEngine->m_damage.Summary().Text();
    EXPECT_TRUE(walks.Empty()) << walks.Summary().Text();
    for (const std::filesystem::path& path :
         {TestFiles::SamplePath(), TestFiles::RealReviewsFile()}) {
        if (path.empty())
            continue;
        auto pReal = TestRecovery::Recover(path);
        EXPECT_TRUE(pReal->m_damage.Empty()) << path << ": " << pReal->m_damage.Summary().Text();
    }
    // The later formats' files keep old bytes in pages they have not given out: no damage.
    for (const char* pszName : {"littleitaly2005.mdf", "northwind2008.mdf"}) {
        const std::filesystem::path path =
            std::filesystem::path(AMBERMILL_SHARED_DATA_DIR) / pszName;
        if (!std::filesystem::exists(path))
            continue;
        CDamageLog scan;
        CFormatProbe::DataPagesPerObject(path.string(), &scan);
        EXPECT_TRUE(scan.Empty()) << pszName << ": " << scan.Summary().Text();
    }
}

TEST_F(DamagedFile, ACutFileGivesEveryRowOfItsWholePages) {
    const SBuilt built = Build();
    ASSERT_GE(built.vecPages.size(), 4u);
    // Rows on the whole pages before a cut.
    auto expectedRows = [&](std::size_t nCut) {
        std::size_t nRows = 0;
        for (std::uint32_t nPage : built.vecPages) {
            if ((nPage + 1) * kPage <= nCut)
                nRows += SlotCount(built.vecBytes, nPage);
        }
        return nRows;
    };
    std::vector<std::size_t> vecCuts;
    // Every 512-byte step inside the table's last two pages, and every page boundary from its
    // first page on.
    for (std::size_t nPage = built.vecPages[built.vecPages.size() - 2];
         nPage <= built.vecPages.back(); ++nPage) {
        for (std::size_t nStep = 1; nStep < kPage / 512; ++nStep)
            vecCuts.push_back(nPage * kPage + nStep * 512);
    }
    for (std::size_t nPage = built.vecPages.front(); nPage * kPage <= built.vecBytes.size();
         ++nPage)
        vecCuts.push_back(nPage * kPage);
    vecCuts.push_back(built.vecPages.back() * kPage + 100);

    for (std::size_t nCut : vecCuts) {
        SCOPED_TRACE("cut at byte " + std::to_string(nCut));
        std::vector<std::byte> vecCut(built.vecBytes.begin(), built.vecBytes.begin() + nCut);
        auto pEngine = Recover(vecCut);
        CTable* pTable = Table(*pEngine, "Items");
        ASSERT_TRUE(pTable);
        CDamageLog walks;
        EXPECT_EQ(GridRows(*pEngine, *pTable, &walks).size(), expectedRows(nCut));
        const std::vector<SDamage> vecTail = Of(pEngine->m_damage, EDamageKind::FileTruncated);
        if (nCut % kPage == 0) {
            EXPECT_TRUE(vecTail.empty());
        } else {
            ASSERT_EQ(vecTail.size(), 1u);
            EXPECT_EQ(vecTail[0].nPage, nCut / kPage);
            EXPECT_EQ(vecTail[0].nBytes, nCut % kPage);
            EXPECT_EQ(vecTail[0].strDetail, "the file ends " + std::to_string(nCut % kPage) +
                                                " bytes into page " + std::to_string(nCut / kPage) +
                                                "; those bytes are not read");
        }
        EXPECT_EQ(pEngine->m_pStatus->m_nTotalPages, nCut / kPage) << "whole pages only";
        EXPECT_TRUE(walks.Empty()) << "the scan files only pages it read whole";
    }
}

TEST_F(DamagedFile, ZeroedHeaderAndBootPagesLoseOnlyTheName) {
    const SBuilt built = Build();
    auto pSound = Recover(built.vecBytes);
    const std::size_t nSoundRows = GridRows(*pSound, *Table(*pSound, "Items"), nullptr).size();
    const std::size_t nSoundTables = pSound->m_mapObjects.Count();

    for (std::vector<std::uint32_t> vecZeroed : {std::vector<std::uint32_t>{0}, {9}, {0, 9}}) {
        std::vector<std::byte> vecBytes = built.vecBytes;
        for (std::uint32_t nPage : vecZeroed)
            std::fill_n(vecBytes.begin() + nPage * kPage, kPage, std::byte{0});
        const std::string strBytes(reinterpret_cast<const char*>(vecBytes.data()), vecBytes.size());
        TestFiles::WriteFile(m_dir / "zeroed.mdf", strBytes);
        const auto probe = CFormatProbe::Probe((m_dir / "zeroed.mdf").string());
        ASSERT_TRUE(probe.bOk) << probe.strError;
        const bool bBoot = vecZeroed.back() == 9;
        EXPECT_EQ(probe.eFormat, bBoot ? EEngineFormat::Unknown : EEngineFormat::SQL2000);
        EXPECT_EQ(probe.bBootPageDamaged, bBoot);
        EXPECT_EQ(probe.bHeaderPageDamaged, vecZeroed.front() == 0);

        // What --format 2000 does: the 2000 engine whatever the stamp says.
        auto pEngine = TestRecovery::Recover(m_dir / "zeroed.mdf");
        EXPECT_EQ(pEngine->m_mapObjects.Count(), nSoundTables);
        EXPECT_EQ(GridRows(*pEngine, *Table(*pEngine, "Items"), nullptr).size(), nSoundRows);
        EXPECT_EQ(Of(pEngine->m_damage, EDamageKind::HeaderPage).size(),
                  vecZeroed.front() == 0 ? 1u : 0u);
        EXPECT_EQ(Of(pEngine->m_damage, EDamageKind::BootPage).size(), bBoot ? 1u : 0u);
        EXPECT_EQ(Of(pEngine->m_damage, EDamageKind::DatabaseName).size(), bBoot ? 1u : 0u);
        EXPECT_EQ(pEngine->m_strDatabaseName, bBoot ? "zeroed" : "Damaged");
        EXPECT_EQ(pEngine->m_damage.Summary().nTotal, vecZeroed.size() + (bBoot ? 1 : 0))
            << pEngine->m_damage.Summary().Text();
    }
}

TEST_F(DamagedFile, OnlyAFileThatHoldsNoPageIsRefused) {
    const SBuilt built = Build();
    auto probe = [&](const std::string& strBytes) {
        TestFiles::WriteFile(m_dir / "probe.mdf", strBytes);
        return CFormatProbe::Probe((m_dir / "probe.mdf").string());
    };
    EXPECT_NE(probe(std::string(8191, '\1')).strError.find("too short to hold one"),
              std::string::npos);
    EXPECT_NE(probe(std::string(kPage * 12, '\0')).strError.find("no page of it has a page header"),
              std::string::npos);
    EXPECT_NE(probe("GO\r\nSELECT 1\r\n" + std::string(kPage * 3, ' ')).strError.find("not a SQL"),
              std::string::npos);
    // Three pages of a data file, no boot page: a data file whose version must be named.
    const std::string strShort(reinterpret_cast<const char*>(built.vecBytes.data()), kPage * 3 + 7);
    const auto shortProbe = probe(strShort);
    EXPECT_TRUE(shortProbe.bOk) << shortProbe.strError;
    EXPECT_TRUE(shortProbe.bBootPageDamaged);
    EXPECT_EQ(shortProbe.eFormat, EEngineFormat::Unknown);
    EXPECT_EQ(shortProbe.nTailBytes, 7u);
}

TEST_F(DamagedFile, DamagedPagesAreReportedByTheScanAndFreePagesAreNot) {
    SBuilt built = Build();
    std::vector<std::byte>& vecBytes = built.vecBytes;
    const std::uint32_t nStray = built.vecPages[1];
    const std::uint32_t nTorn = built.vecPages[2];
    WriteLE(std::span(vecBytes).subspan(nStray * kPage, kPage), 32, std::uint32_t{4711});
    // Torn: the server's pattern 01 in every sector end but one.
    {
        std::span<std::byte> page = std::span(vecBytes).subspan(nTorn * kPage, kPage);
        WriteLE(page, 4, static_cast<std::uint16_t>(ReadLE<std::uint16_t>(page, 4) | 0x0100));
        WriteLE(page, 60, std::uint32_t{0x1});
        for (std::size_t i = 2; i <= 16; ++i)
            page[i * 512 - 1] =
                static_cast<std::byte>((static_cast<unsigned>(page[i * 512 - 1]) & 0xFC) | 1);
        page[5 * 512 - 1] = static_cast<std::byte>(static_cast<unsigned>(page[5 * 512 - 1]) | 3);
    }
    // A page the allocation map marks free holds any old bytes; one it marks in use must not.
    const std::size_t nLast = vecBytes.size() / kPage - 1;
    ASSERT_EQ(SlotCount(vecBytes, static_cast<std::uint32_t>(nLast)), 0u)
        << "a free page at the end";
    std::fill_n(vecBytes.begin() + nLast * kPage, kPage, std::byte{0x6B});
    const std::uint32_t nGarbage = built.vecPages[3];
    const std::uint16_t nLostRows = SlotCount(vecBytes, nGarbage);
    std::fill_n(vecBytes.begin() + nGarbage * kPage, 96, std::byte{0xEE});

    auto pEngine = Recover(vecBytes);
    const auto vecStray = Of(pEngine->m_damage, EDamageKind::StrayPage);
    ASSERT_EQ(vecStray.size(), 1u);
    EXPECT_EQ(vecStray[0].nPage, nStray);
    EXPECT_NE(vecStray[0].strDetail.find("names page 4711"), std::string::npos);
    const auto vecTorn = Of(pEngine->m_damage, EDamageKind::TornPage);
    ASSERT_EQ(vecTorn.size(), 1u);
    EXPECT_EQ(vecTorn[0].nPage, nTorn);
    EXPECT_NE(vecTorn[0].strDetail.find("sector 5 of 16"), std::string::npos);
    const auto vecHeaders = Of(pEngine->m_damage, EDamageKind::PageHeader);
    ASSERT_EQ(vecHeaders.size(), 1u) << pEngine->m_damage.Summary().Text();
    EXPECT_EQ(vecHeaders[0].nPage, nGarbage);
    EXPECT_EQ(vecHeaders[0].nBytes, kPage) << "a page that is no data page any more is lost whole";
    EXPECT_EQ(pEngine->m_damage.Summary().nTotal, 3u) << pEngine->m_damage.Summary().Text();
    // Stray and torn pages are still read.
    EXPECT_EQ(GridRows(*pEngine, *Table(*pEngine, "Items"), nullptr).size(),
              std::size_t{kItems} - nLostRows);
}

TEST_F(DamagedFile, EachKindOfRowDamageGivesItsRowsAndOneRecord) {
    const SBuilt built = Build();
    const std::uint32_t nPage = built.vecPages[1];
    const std::uint16_t nRows = SlotCount(built.vecBytes, nPage);
    struct SCase {
        const char* pszName;
        std::function<void(std::span<std::byte> page)> fnDamage;
        std::size_t nItems;  // rows of Items that come back
        EDamageKind eKind;
        std::optional<std::uint16_t> nSlot;
    };
    const std::uint16_t nRow3 = static_cast<std::uint16_t>(8190 - 2 * 3);
    const std::vector<SCase> vecCases{
        {"a flipped byte in the slot array",
         [&](std::span<std::byte> page) { page[nRow3 + 1] = std::byte{0xF0}; }, kItems - 1u,
         EDamageKind::SlotOutsidePage, 3},
        {"a variable column that ends past the page",
         [&](std::span<std::byte> page) {
             const auto nRow = ReadLE<std::uint16_t>(page, nRow3);
             // Fixed part of Id and Qty (4 + 8), column count, bitmap, variable count: the end
             // offset of Name follows.
             const std::size_t nEnd = nRow + 12 + 2 + 1 + 2;
             WriteLE(page, nEnd, static_cast<std::uint16_t>(8192 - nRow + 40));
         },
         kItems, EDamageKind::ValueCorrupt, 3},
        {"a column count past any table",
         [&](std::span<std::byte> page) {
             const auto nRow = ReadLE<std::uint16_t>(page, nRow3);
             WriteLE(page, nRow + 12, std::uint16_t{0xFFFF});
         },
         kItems - 1u, EDamageKind::RowRejected, 3},
        {"a page of another table in the list",
         [&](std::span<std::byte> page) { WriteLE(page, 24, built.nDocs); },
         static_cast<std::size_t>(kItems - nRows), EDamageKind::ForeignPage, std::nullopt},
    };
    for (const SCase& test : vecCases) {
        SCOPED_TRACE(test.pszName);
        std::vector<std::byte> vecBytes = built.vecBytes;
        test.fnDamage(std::span(vecBytes).subspan(nPage * kPage, kPage));
        // The scan files pages by their header: a page that now names another table is kept in
        // the list here the way a scan file would keep it.
        auto pEngine = Recover(vecBytes);
        CTable* pTable = Table(*pEngine, "Items");
        ASSERT_TRUE(pTable);
        if (test.eKind == EDamageKind::ForeignPage) {
            pTable->m_vecPages = built.vecPages;
        }
        CDamageLog grid;
        EXPECT_EQ(GridRows(*pEngine, *pTable, &grid).size(), test.nItems);
        ASSERT_EQ(grid.Summary().nTotal, 1u) << grid.Summary().Text();
        const SDamage damage = grid.Records()[0];
        EXPECT_EQ(damage.eKind, test.eKind) << damage.Text();
        EXPECT_EQ(damage.nPage, nPage);
        EXPECT_EQ(damage.nSlot, test.nSlot);
        EXPECT_EQ(damage.nObjectId, static_cast<std::int32_t>(built.nTable));
        // The export walks skip and report the same, and lose nothing more.
        CDamageLog exports;
        EXPECT_EQ(ExportRows(*pEngine, *pTable, &exports),
                  std::make_pair(static_cast<std::int64_t>(test.nItems),
                                 static_cast<std::int64_t>(test.nItems)));
        EXPECT_EQ(exports.Summary().nTotal, 2u) << "one record per walk";
        for (const SDamage& other : exports.Records())
            EXPECT_EQ(other, damage);
    }
}

TEST_F(DamagedFile, ATextPointerToAMissingPageIsReportedWithItsRow) {
    SBuilt built = Build();
    // The first Docs row's text pointer: its page number moves past the end of the file.
    const std::uint32_t nPage = built.vecDocPages[0];
    std::span<std::byte> page = std::span(built.vecBytes).subspan(nPage * kPage, kPage);
    const auto nRow = ReadLE<std::uint16_t>(page, 8190);
    // Id (4), column count, bitmap, variable count, one end offset: then the 16-byte pointer.
    const std::size_t nPointer = nRow + 4 + 4 + 2 + 1 + 2 + 2;
    WriteLE(page, nPointer + 8, std::uint32_t{900000});
    auto pEngine = Recover(built.vecBytes);
    CDamageLog grid;
    const auto vecRows = GridRows(*pEngine, *Table(*pEngine, "Docs"), &grid);
    EXPECT_EQ(vecRows.size(), 3u);
    ASSERT_EQ(grid.Summary().nTotal, 1u) << grid.Summary().Text();
    const SDamage damage = grid.Records()[0];
    EXPECT_EQ(damage.eKind, EDamageKind::LargeValue);
    EXPECT_EQ(damage.nPage, nPage);
    EXPECT_EQ(damage.nSlot, 0);
    EXPECT_NE(damage.strDetail.find("column 'Body'"), std::string::npos) << damage.strDetail;
    EXPECT_NE(damage.strDetail.find("page 900000"), std::string::npos) << damage.strDetail;
}

TEST_F(DamagedFile, FlippedBytesNeverCrashAndLoseOnlyWhatTheyHit) {
    // Bits flipped at random in the table's pages, as a failing disk does: most rows survive,
    // and whatever is lost is counted.
    const SBuilt built = Build();
    std::mt19937 random(20240607);
    for (int nRound = 0; nRound < 12; ++nRound) {
        std::vector<std::byte> vecBytes = built.vecBytes;
        for (int i = 0; i < 6; ++i) {
            const std::uint32_t nPage = built.vecPages[random() % built.vecPages.size()];
            const std::size_t nAt = nPage * kPage + 96 + random() % (kPage - 96);
            vecBytes[nAt] ^= static_cast<std::byte>(1u << (random() % 8));
        }
        auto pEngine = Recover(vecBytes);
        CTable* pTable = Table(*pEngine, "Items");
        ASSERT_TRUE(pTable);
        CDamageLog grid;
        const std::size_t nRows = GridRows(*pEngine, *pTable, &grid).size();
        EXPECT_GE(nRows, kItems - 60u);
        EXPECT_LE(nRows, std::size_t{kItems});
        const SDamageSummary summary = grid.Summary();
        EXPECT_EQ(nRows + summary.Count(EDamageKind::RowRejected) +
                      summary.Count(EDamageKind::SlotOutsidePage),
                  std::size_t{kItems})
            << "every row is read or counted: " << summary.Text();
    }
}

TEST(DamageLog, CountsEverythingKeepsTheFirstRecordsAndSaysItInOneLine) {
    TestFiles::CTempDir dir;
    std::filesystem::create_directories(dir / "logs");
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    CDamageLog log;
    EXPECT_EQ(log.Summary().Text(), "");
    for (std::uint32_t i = 0; i < CDamageLog::kMaxRecords + 5; ++i) {
        SDamage damage;
        damage.eKind = EDamageKind::RowRejected;
        damage.nPage = 100 + i % 3;
        damage.nSlot = static_cast<std::uint16_t>(i);
        damage.strDetail = "row";
        log.Report(damage);
    }
    SDamage corrupt;
    corrupt.eKind = EDamageKind::ValueCorrupt;
    corrupt.strDetail = "value";
    log.Report(corrupt);
    log.Report(corrupt);
    EXPECT_EQ(log.Records().size(), CDamageLog::kMaxRecords);
    EXPECT_EQ(log.Summary().nTotal, CDamageLog::kMaxRecords + 7);
    EXPECT_EQ(log.Summary().Text(),
              "10005 rows on 3 damaged pages were skipped, 2 values are marked Corrupt");
    const auto vecLogged = TestRecovery::LogMessages(dir / "logs" / "ErrorLog.log");
    ASSERT_EQ(vecLogged.size(), CDamageLog::kMaxRecords + 1) << "then one line says the rest";
    EXPECT_EQ(vecLogged.front(), "Damage: page 100, slot 0: row");

    CDamageLog merged;
    merged.Append(log);
    EXPECT_EQ(merged.Summary().Text(), log.Summary().Text());
    EXPECT_EQ(TestRecovery::LogMessages(dir / "logs" / "ErrorLog.log").size(), vecLogged.size())
        << "appending logs nothing again";
}
