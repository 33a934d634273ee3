// bench/export.cpp
// Exports one large table (a) to a script bundle and (b) into SQLite through the ODBC driver
// registered as "SQL SERVER", beside a plain read and a bare row extraction of the same file in
// the same run.
//   export [SIZE_MIB]   (default 200)
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "app/export/job/CExportJob.h"
#include "app/export/job/IExportObserver.h"
#include "common/DataFileReader.h"
#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "engine/core/CDataPage.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/core/CSQLServer2000.h"
#include "engine/records/CRowDecoder.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"

using namespace fixtures;

namespace {
class CQuietObserver : public IExportObserver {
  public:
    void OnMessage(const std::string&) override {}
    void OnProgress(int, int, int) override {}
    void OnTableDone(const std::string&, std::int64_t nExported, std::int64_t nFailed) override {
        m_nExported = nExported;
        m_nFailed = nFailed;
    }
    std::int64_t m_nExported = 0;
    std::int64_t m_nFailed = 0;
};

std::uint64_t ReadSequential(const std::string& strPath) {
    CDataFileReader reader(strPath);
    std::vector<std::byte> buffer(1 << 20);
    std::uint64_t nTotal = 0;
    for (;;) {
        std::size_t n = reader.ReadAt(nTotal, buffer);
        nTotal += n;
        if (n < buffer.size())
            break;
    }
    return nTotal;
}

// Every row of the table decoded into INSERT values, nothing written: the extraction alone.
std::uint64_t ExtractRows(const CSQLServerEngine& engine, const CTable& table) {
    CDataFileReader reader(engine.m_strFileName);
    CRowDecoder decoder(table, engine.m_strFileName, true, false);
    CDataPage page;
    SDecodedRow row;
    std::uint64_t nRows = 0;
    for (std::uint32_t nPage : table.m_vecPages) {
        if (!page.Read(reader, nPage) || page.Type() != 1)
            continue;
        for (std::uint32_t nSlot = 0; nSlot < page.SlotCount(); ++nSlot) {
            auto nOffset = page.AcceptedRowOffset(nSlot);
            if (!nOffset)
                continue;
            if (decoder.Decode(page.DataArea(),
                               static_cast<std::uint16_t>(*nOffset - ::kPageHeaderSize), row))
                ++nRows;
        }
    }
    return nRows;
}
}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t nMiB = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    BenchSupport::CScratchDir dir;
    CExecutionLog::SetLogFolderForTesting(dir.Path() / "logs");
    const std::string strPath = (dir.Path() / "export.mdf").string();

    CDataFileBuilder builder("ExportBench");
    auto nTable = builder.AddTable(
        "Rows",
        {{"id", kTypeInt, 4, 0, 0, false}, {"amount", kTypeMoney, 8}, {"note", kTypeVarChar, 80}});
    const std::uint64_t nRows = nMiB * 1048576 / 75;
    builder.AddGeneratedRows(nTable, nRows, [](std::uint64_t n) {
        return std::vector<Value>{
            EncodeInt32(static_cast<std::int32_t>(n)),
            EncodeMoney(static_cast<std::int64_t>(n) * 125),
            EncodeVarchar("row note number " + std::to_string(n) + " with some padding text..")};
    });
    builder.WriteTo(strPath);
    const std::uint64_t nBytes = std::filesystem::file_size(strPath);

    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strFileName = strPath;
    CRecoveryMonitor monitor(*pEngine);
    if (!monitor.Run([](const CRecoveryMonitor::SProgress&) {}) || pEngine->m_mapObjects.Empty()) {
        std::fprintf(stderr, "recovery failed\n");
        return 1;
    }
    const CTable& table = *pEngine->m_mapObjects.begin()->second;
    std::printf("table of %llu rows, file %.0f MiB\n", static_cast<unsigned long long>(nRows),
                nBytes / 1048576.0);

    ReadSequential(strPath);
    const double dRead = BenchSupport::Seconds([&] { ReadSequential(strPath); });
    std::uint64_t nExtracted = 0;
    const double dExtract =
        BenchSupport::Seconds([&] { nExtracted = ExtractRows(*pEngine, table); });

    CQuietObserver scripts;
    SExportOptions options;
    options.outputParent = dir.Path() / "bundle";
    CExportJob::SResult result;
    const double dScripts =
        BenchSupport::Seconds([&] { result = CExportJob(*pEngine, options, scripts).Run(); });
    if (!result.bComplete)
        std::fprintf(stderr, "script export failed: %s\n", result.strError.c_str());

    // SQLite standing in for the server: the driver must be registered as "SQL SERVER"
    // (ODBCSYSINI); synchronous writes off so the disk does not dominate.
    CQuietObserver database;
    double dDatabase = 0;
    try {
        COdbcConnection connection;
        connection.Open("DRIVER=SQL SERVER;SERVER=local;UID=u;PWD=p;DATABASE=" +
                        (dir.Path() / "bench.db").string() + ";SyncPragma=off");
        options.eTarget = EExportTarget::Database;
        options.pConnection = &connection;
        dDatabase =
            BenchSupport::Seconds([&] { result = CExportJob(*pEngine, options, database).Run(); });
    } catch (const COdbcError& error) {
        std::fprintf(stderr, "database export skipped: %s\n", error.what());
    }

    auto rate = [](std::uint64_t n, double d) { return d > 0 ? n / d : 0.0; };
    std::printf("plain read (1 MiB reads):        %10.0f MB/s   %10.0f rows/s equivalent\n",
                BenchSupport::MiBPerSecond(nBytes, dRead), rate(nRows, dRead));
    std::printf("row extraction (decode only):    %10.0f rows/s  (%llu rows)\n",
                rate(nExtracted, dExtract), static_cast<unsigned long long>(nExtracted));
    std::printf("(a) script bundle export:        %10.0f rows/s  (%lld rows, %lld failed)\n",
                rate(static_cast<std::uint64_t>(scripts.m_nExported), dScripts),
                static_cast<long long>(scripts.m_nExported),
                static_cast<long long>(scripts.m_nFailed));
    std::printf("(b) SQLite through ODBC:         %10.0f rows/s  (%lld rows, %lld failed)\n",
                rate(static_cast<std::uint64_t>(database.m_nExported), dDatabase),
                static_cast<long long>(database.m_nExported),
                static_cast<long long>(database.m_nFailed));
    std::printf("ratio (a) / row extraction: %.2f\n",
                rate(static_cast<std::uint64_t>(scripts.m_nExported), dScripts) /
                    rate(nExtracted, dExtract));
    std::printf("peak resident size: %ld KiB\n", BenchSupport::PeakRssKiB());
    return 0;
}
