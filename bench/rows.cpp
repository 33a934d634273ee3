// bench/rows.cpp
// Record extraction speed: builds a table of mixed fixed and variable columns (about 100-byte
// rows, 1 GiB by default) in a temporary folder, then times in one run:
//  - a plain sequential read of the file, page by page;
//  - decoding alone: every live row decoded into typed values, nothing formatted;
//  - --csv: every row as `ambermill-cli rows --all --csv` writes it (grid cursor, typed CSV),
//    into /dev/null;
//  - the grid text: every row's grid texts and kinds made on this thread, then every row through
//    the engine's record thread as the window pages it (500 rows a run, handed over to this
//    thread), with and without deleted rows.
// Rates are rows per second of wall time and per CPU second (one core works at a time).
// Usage: rows [MiB [decode|csv|grid|window]]   (a name runs that measurement alone, for profiling)
//        rows MiB 2005 [decode|csv|grid]   the same rows in a 2000 file and in a 2005 file, each
//                        through its own engine's grid cursor: cursor decoding, --csv and the grid
//                        text (a name: that measurement alone, of both formats).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "cli/CRowWriter.h"
#include "common/DataFileReader.h"
#include "common/ExecutionLog.h"
#include "engine/binding/CEngineBinding.h"
#include "engine/core/CEngineStatus.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/records/CGridCursor.h"
#include "engine/records/CRowDecoder.h"
#include "engine/records/CSlotWalker.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/CLaterFileWriter.h"
#include "fixtures/ValueEncoding.h"

using namespace fixtures;
using Clock = std::chrono::steady_clock;

namespace {
double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long StatusKb(const char* pszField) {
    std::ifstream in("/proc/self/status");
    std::string strLine;
    while (std::getline(in, strLine)) {
        if (strLine.rfind(pszField, 0) == 0)
            return std::atol(strLine.c_str() + std::string(pszField).size());
    }
    return -1;
}

// Resets the peak RSS so that each run's own peak is measured, not the build's.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct SRun {
    std::uint64_t nRows = 0;
    double dSeconds = 0;
    double dCpuSeconds = 0;
    long nPeakKb = 0;
};

SRun Measure(const std::function<std::uint64_t()>& fnWork) {
    ResetPeak();
    SRun run;
    const double dCpuStart = CpuSeconds();
    const auto start = Clock::now();
    run.nRows = fnWork();
    run.dSeconds = Seconds(start);
    run.dCpuSeconds = CpuSeconds() - dCpuStart;
    run.nPeakKb = StatusKb("VmHWM:");
    return run;
}

void Print(const char* pszWhat, const SRun& run, double dMiB) {
    std::printf(
        "%-22s %7.2f s %9.0f MB/s %11.0f rows/s %11.0f rows/CPU-s  %9llu rows  peak RSS "
        "%ld KiB\n",
        pszWhat, run.dSeconds, dMiB / run.dSeconds, static_cast<double>(run.nRows) / run.dSeconds,
        static_cast<double>(run.nRows) / run.dCpuSeconds,
        static_cast<unsigned long long>(run.nRows), run.nPeakKb);
}

// Every live row decoded into typed values: the walk and the decoder, nothing else.
std::uint64_t DecodeOnly(const CSQLServerEngine& engine, const CTable& table) {
    CSlotWalker walker(EWalkPolicy::GridPage, engine.m_strFileName);
    CRowDecoder decoder(table, engine.m_strFileName, {false, true});
    SDecodedRow row;
    std::uint64_t nRows = 0;
    walker.Walk(table.m_vecPages, table.m_nObjectId, nullptr, [&](const SSlotVisit& visit) {
        nRows += decoder.Decode(visit.dataArea, visit.nRowOffset, row);
        return SSlotStep{};
    });
    return nRows;
}

// What `ambermill-cli rows FILE T --all --csv` does, into /dev/null.
std::uint64_t Csv(CSQLServerEngine& engine, const CTable& table) {
    std::FILE* pNull = std::fopen("/dev/null", "wb");
    auto pCursor = engine.OpenGridCursor(table, true);
    CRowWriter::SOptions options;
    options.eFormat = CRowWriter::EFormat::Csv;
    CRowWriter writer(table, pCursor->Formats(), options, pNull);
    writer.Begin();
    std::uint64_t nRows = 0;
    for (bool bFirst = true;; bFirst = false) {
        pCursor->Page(bFirst ? SGridRequest::First() : SGridRequest::Next(),
                      [&](const SDecodedRow& row) {
                          writer.Row(row);
                          ++nRows;
                      });
        writer.EndPage();
        if (pCursor->LastPage())
            break;
    }
    writer.End();
    std::fclose(pNull);
    return nRows;
}

// The grid's rows (texts and kinds, as the record thread hands them over) made on this thread:
// the work of the window's paging without the hand-over between threads.
std::uint64_t GridTextHere(CSQLServerEngine& engine, const CTable& table) {
    auto pCursor = engine.OpenGridCursor(table, false);
    std::vector<SRecordRow> vecRows;
    std::uint64_t nRows = 0;
    for (bool bFirst = true;; bFirst = false) {
        vecRows.clear();
        pCursor->Page(bFirst ? SGridRequest::First() : SGridRequest::Next(),
                      [&](const SDecodedRow& row) {
                          vecRows.push_back(SRecordRow::From(row, pCursor->Formats()));
                      });
        nRows += vecRows.size();
        if (pCursor->LastPage())
            break;
    }
    return nRows;
}

// Every row paged through the engine's grid cursor as typed values, nothing formatted: the walk
// and the decoding of whichever format the engine reads.
std::uint64_t CursorDecode(CSQLServerEngine& engine, const CTable& table) {
    auto pCursor = engine.OpenGridCursor(table, true);
    std::uint64_t nRows = 0;
    for (bool bFirst = true;; bFirst = false) {
        pCursor->Page(bFirst ? SGridRequest::First() : SGridRequest::Next(),
                      [&](const SDecodedRow&) { ++nRows; });
        if (pCursor->LastPage())
            break;
    }
    return nRows;
}

// The window's paging: one record-thread run per page of 500 rows, its grid texts taken.
std::uint64_t GridText(CSQLServerEngine& engine, CTable& table, bool bDeleted) {
    CEngineStatus& status = *engine.m_pStatus;
    engine.m_bRecoverDeleted = bDeleted;
    engine.m_bRecordExportRunning = false;
    status.m_pRecordTable = &table;
    engine.m_dqBookmarks.clear();
    engine.m_bPagingStarted = false;
    engine.m_bPageForward = true;
    std::uint64_t nRows = 0;
    for (;;) {
        status.m_bTableDone = false;
        engine.StartRecordThread();
        status.m_bTableDone.wait(false);
        nRows += status.TakeRows().size();  // the null sink
        if (engine.m_bLastPage)
            break;
        engine.m_bPagingStarted = true;
    }
    return nRows;
}
}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t nMiB = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const std::string strOnly = argc > 2 ? argv[2] : "";
    const std::string strLaterOnly = argc > 3 ? argv[3] : "";
    auto wantedLater = [&](const char* pszName) {
        return strLaterOnly.empty() || strLaterOnly == pszName;
    };
    auto wanted = [&](const char* pszName) { return strOnly.empty() || strOnly == pszName; };
    char szDir[] = "/tmp/ambermill-bench-XXXXXX";
    if (!mkdtemp(szDir)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir(szDir);
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    const std::filesystem::path file = dir / "bench.mdf";

    // About 100 bytes a row, 78 rows a page; every tenth row is a ghost.
    const std::uint64_t nRows = nMiB * 1024 * 1024 / 8192 * 78;
    auto fnValues = [](std::uint64_t i) {
        auto n = static_cast<std::int64_t>(i);
        return std::vector<Bytes>{
            EncodeInt32(static_cast<std::int32_t>(i)),
            EncodeInt64(n * 7919),
            EncodeDatetime(static_cast<std::int32_t>(i % 40000),
                           static_cast<std::int32_t>(i % 25920000)),
            EncodeMoney(n * 101 - 5000),
            EncodeChar("C" + std::to_string(i % 1000), 10),
            EncodeVarchar("customer name " + std::to_string(i) + " of the bench table"),
            EncodeNVarchar(std::u16string(u"label ") + (i % 2 ? u"odd" : u"even"))};
    };
    CDataFileBuilder builder("Bench");
    auto nTable = builder.AddTable("Bench", {{"id", kTypeInt, 4},
                                             {"n", kTypeBigInt, 8},
                                             {"at", kTypeDatetime, 8},
                                             {"amount", kTypeMoney, 8, 19, 4},
                                             {"code", kTypeChar, 10},
                                             {"name", kTypeVarChar, 60},
                                             {"label", kTypeNVarChar, 40}});
    builder.AddGeneratedRows(
        nTable, nRows,
        [&](std::uint64_t i) -> std::vector<Value> {
            std::vector<Value> vecValues;
            for (Bytes& value : fnValues(i))
                vecValues.emplace_back(std::move(value));
            return vecValues;
        },
        [](std::uint64_t i) { return i % 10 == 9 ? ERowState::kGhost : ERowState::kLive; });
    auto buildStart = Clock::now();
    builder.WriteTo(file);
    const double dMiB = static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
    std::printf("built %.0f MiB, %llu rows (10%% ghosts) in %.1f s\n", dMiB,
                static_cast<unsigned long long>(nRows), Seconds(buildStart));

    auto pEngine = CEngineBinding::Create(EEngineFormat::SQL2000);
    pEngine->m_strFileName = file.string();
    auto recoverStart = Clock::now();
    if (!CRecoveryMonitor(*pEngine).Run()) {
        std::fprintf(stderr, "recovery failed\n");
        return 1;
    }
    std::printf("catalog recovered in %.1f s\n", Seconds(recoverStart));
    CTable* pTable = nullptr;
    for (auto& [strKey, pCandidate] : pEngine->m_mapObjects) {
        if (pCandidate->m_strName == "Bench")
            pTable = pCandidate.get();
    }
    if (!pTable)
        return 1;

    const SRun read = Measure([&] {
        CDataFileReader reader(file.string());
        std::vector<std::byte> vecPage(::kPageSize);
        volatile std::uint8_t nSink = 0;
        for (std::uint32_t nPage = 0; nPage < reader.PageCount(); ++nPage) {
            reader.ReadPage(nPage, vecPage);
            nSink = nSink ^ static_cast<std::uint8_t>(vecPage[100]);
        }
        return std::uint64_t{0};
    });
    std::printf("%-22s %7.2f s %9.0f MB/s\n", "plain read:", read.dSeconds, dMiB / read.dSeconds);
    if (strOnly == "2005") {
        // The same rows (without the ghosts) in the 2005 layout, read by the 2005 engine.
        const std::filesystem::path later = dir / "bench2005.mdf";
        CLaterFileWriter writer("Bench", "Bench",
                                {{"id", 56, 4},
                                 {"n", 127, 8},
                                 {"at", 61, 8},
                                 {"amount", 60, 8},
                                 {"code", 175, 10},
                                 {"name", 167, 60},
                                 {"label", 231, 80}});
        auto writeStart = Clock::now();
        writer.Write(later.string(), nRows, fnValues);
        const double dLaterMiB =
            static_cast<double>(std::filesystem::file_size(later)) / (1024.0 * 1024.0);
        std::printf("built %.0f MiB in the 2005 layout in %.1f s\n", dLaterMiB,
                    Seconds(writeStart));
        auto pLater = CEngineBinding::Create(EEngineFormat::SQL2005);
        pLater->m_strFileName = later.string();
        recoverStart = Clock::now();
        if (!CRecoveryMonitor(*pLater).Run() || pLater->m_mapObjects.Count() != 1) {
            std::fprintf(stderr, "recovery of the 2005 file failed\n");
            return 1;
        }
        std::printf("2005 catalog and page lists recovered in %.1f s\n", Seconds(recoverStart));
        CTable& later2005 = *pLater->m_mapObjects.begin()->second;
        if (wantedLater("decode")) {
            Print("2000 cursor decoding:", Measure([&] { return CursorDecode(*pEngine, *pTable); }),
                  dMiB);
            Print("2005 cursor decoding:",
                  Measure([&] { return CursorDecode(*pLater, later2005); }), dLaterMiB);
        }
        if (wantedLater("csv")) {
            Print("2000 --csv:", Measure([&] { return Csv(*pEngine, *pTable); }), dMiB);
            Print("2005 --csv:", Measure([&] { return Csv(*pLater, later2005); }), dLaterMiB);
        }
        if (wantedLater("grid")) {
            Print("2000 grid text:", Measure([&] { return GridTextHere(*pEngine, *pTable); }),
                  dMiB);
            Print("2005 grid text:", Measure([&] { return GridTextHere(*pLater, later2005); }),
                  dLaterMiB);
        }
        pLater.reset();
        pEngine.reset();
        std::filesystem::remove_all(dir);
        return 0;
    }
    if (wanted("decode"))
        Print("decoding alone:", Measure([&] { return DecodeOnly(*pEngine, *pTable); }), dMiB);
    if (wanted("csv"))
        Print("--csv:", Measure([&] { return Csv(*pEngine, *pTable); }), dMiB);
    if (wanted("grid"))
        Print("grid text, 1 thread:", Measure([&] { return GridTextHere(*pEngine, *pTable); }),
              dMiB);
    if (wanted("grid") || wanted("window")) {
        Print("grid text:", Measure([&] { return GridText(*pEngine, *pTable, false); }), dMiB);
        Print("grid text --deleted:", Measure([&] { return GridText(*pEngine, *pTable, true); }),
              dMiB);
    }
    pEngine.reset();
    std::filesystem::remove_all(dir);
    return 0;
}
