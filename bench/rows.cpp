// bench/rows.cpp
// Record extraction speed: builds a table of mixed fixed and variable columns (about 100-byte
// rows, 1 GiB by default) in a temporary folder, then times a plain sequential read of the file
// and the extraction of every row through the engine's grid paging into a null sink, with and
// without deleted rows. Usage: rows [MiB]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/DataFileReader.h"
#include "common/ExecutionLog.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/core/CSQLServer2000.h"
#include "fixtures/CDataFileBuilder.h"
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

// Resets the peak RSS so that the extraction's own peak is measured, not the build's.
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

SRun Extract(CSQLServer2000& engine, CTable& table, bool bDeleted) {
    ResetPeak();
    CEngineStatus& status = *engine.m_pStatus;
    engine.m_bRecoverDeleted = bDeleted;
    engine.m_bRecordExportRunning = false;
    status.m_pRecordTable = &table;
    engine.m_dqBookmarks.clear();
    engine.m_bPagingStarted = false;
    engine.m_bPageForward = true;
    SRun run;
    const double dCpuStart = CpuSeconds();
    auto start = Clock::now();
    for (;;) {
        status.m_bTableDone = false;
        engine.RecordExtractor().RecoverTableRecordThread();
        run.nRows += status.TakeRows().size();  // the null sink
        if (engine.m_bLastPage)
            break;
        engine.m_bPagingStarted = true;
    }
    run.dSeconds = Seconds(start);
    run.dCpuSeconds = CpuSeconds() - dCpuStart;
    run.nPeakKb = StatusKb("VmHWM:");
    return run;
}
}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t nMiB = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
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
        [](std::uint64_t i) -> std::vector<Value> {
            auto n = static_cast<std::int64_t>(i);
            return {EncodeInt32(static_cast<std::int32_t>(i)),
                    EncodeInt64(n * 7919),
                    EncodeDatetime(static_cast<std::int32_t>(i % 40000),
                                   static_cast<std::int32_t>(i % 25920000)),
                    EncodeMoney(n * 101 - 5000),
                    EncodeChar("C" + std::to_string(i % 1000), 10),
                    EncodeVarchar("customer name " + std::to_string(i) + " of the bench table"),
                    EncodeNVarchar(std::u16string(u"label ") + (i % 2 ? u"odd" : u"even"))};
        },
        [](std::uint64_t i) { return i % 10 == 9 ? ERowState::kGhost : ERowState::kLive; });
    auto buildStart = Clock::now();
    builder.WriteTo(file);
    const double dMiB = static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
    std::printf("built %.0f MiB, %llu rows (10%% ghosts) in %.1f s\n", dMiB,
                static_cast<unsigned long long>(nRows), Seconds(buildStart));

    auto pEngine = std::make_unique<CSQLServer2000>();
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

    // Plain sequential read, page by page, as the record walk reads.
    auto readStart = Clock::now();
    {
        CDataFileReader reader(file.string());
        std::vector<std::byte> vecPage(::kPageSize);
        volatile std::uint8_t nSink = 0;
        for (std::uint32_t nPage = 0; nPage < reader.PageCount(); ++nPage) {
            reader.ReadPage(nPage, vecPage);
            nSink = nSink ^ static_cast<std::uint8_t>(vecPage[100]);
        }
    }
    const double dRead = Seconds(readStart);
    std::printf("plain read:        %8.2f s  %8.0f MB/s\n", dRead, dMiB / dRead);

    for (bool bDeleted : {false, true}) {
        SRun run = Extract(*pEngine, *pTable, bDeleted);
        std::printf(
            "rows%-14s %8.2f s  %8.0f MB/s  %10.0f rows/s  %llu rows  ratio to read %.2f  peak RSS "
            "%ld KiB\n",
            bDeleted ? " --deleted:" : ":", run.dSeconds, dMiB / run.dSeconds,
            static_cast<double>(run.nRows) / run.dSeconds,
            static_cast<unsigned long long>(run.nRows), dRead / run.dSeconds, run.nPeakKb);
        std::printf("%18s %8.2f s CPU  %10.0f rows per CPU second\n", "", run.dCpuSeconds,
                    static_cast<double>(run.nRows) / run.dCpuSeconds);
    }
    pEngine.reset();
    std::filesystem::remove_all(dir);
    return 0;
}
