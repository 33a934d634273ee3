// bench/catalog.cpp
// A whole recovery of a large catalog against the page scan alone of the same file, then the same
// with the catalog doubled: recovery time should grow linearly with the catalog.
//   catalog [TABLES] [PROCEDURES]   (default 2000 tables of 20 columns, 500 procedures of 10 KB)
#include <cstdlib>
#include <thread>

#include "BenchSupport.h"
#include "common/ExecutionLog.h"
#include "engine/binding/EngineFactories.h"
#include "engine/core/CPageScanner.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/core/CSQLServerEngine.h"
#include "fixtures/CDataFileBuilder.h"

using namespace fixtures;

namespace {
struct SResult {
    double dRecovery = 0;
    double dScan = 0;
    std::size_t nTables = 0;
    std::size_t nProcedures = 0;
};

void BuildCatalog(const std::string& strPath, int nTables, int nProcedures) {
    CDataFileBuilder builder("CatalogBench");
    for (int t = 0; t < nTables; ++t) {
        std::vector<SColumnSpec> vecColumns;
        for (int c = 0; c < 20; ++c) {
            bool bText = c % 3 == 1;
            vecColumns.push_back({"col" + std::to_string(c), bText ? kTypeVarChar : kTypeInt,
                                  static_cast<std::uint16_t>(bText ? 50 : 4), 0, 0, c != 0});
        }
        builder.AddTable("Table" + std::to_string(t), std::move(vecColumns));
    }
    std::string strBody(10 * 1024, ' ');
    for (std::size_t i = 0; i < strBody.size(); i += 64)
        strBody.replace(i, 11, "SELECT 1 --");
    for (int p = 0; p < nProcedures; ++p) {
        builder.AddObject("P", "Proc" + std::to_string(p),
                          "CREATE PROCEDURE Proc" + std::to_string(p) + " AS\r\n" + strBody);
    }
    builder.WriteTo(strPath);
}

double ScanOnly(const std::string& strPath) {
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strFileName = strPath;
    CEngineStatus& status = *pEngine->m_pStatus;
    return BenchSupport::Seconds([&] {
        std::thread scanner([&] { CPageScanner(*pEngine).ReadAllPages(); });
        // The program's side of the page hand-shake, as during a recovery.
        for (;;) {
            status.m_hPageRead->Wait();
            status.m_hPageRead->Reset();
            bool bDone = status.m_nPagesRead >= status.m_nTotalPages || status.m_bPagesDone;
            status.m_hPageAck->Set();
            if (bDone)
                break;
        }
        scanner.join();
    });
}

SResult Measure(const std::filesystem::path& folder, int nTables, int nProcedures) {
    std::string strPath = (folder / ("catalog" + std::to_string(nTables) + ".mdf")).string();
    BuildCatalog(strPath, nTables, nProcedures);
    SResult result;
    result.dScan = ScanOnly(strPath);
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strFileName = strPath;
    CRecoveryMonitor monitor(*pEngine);
    result.dRecovery = BenchSupport::Seconds([&] { monitor.Run(); });
    result.nTables = pEngine->m_mapObjects.Count();
    result.nProcedures = pEngine->m_mapProcedures.Count();
    return result;
}
}  // namespace

int main(int argc, char** argv) {
    const int nTables = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int nProcedures = argc > 2 ? std::atoi(argv[2]) : 500;
    BenchSupport::CScratchDir dir;
    CExecutionLog::SetLogFolderForTesting(dir.Path() / "logs");
    SResult single = Measure(dir.Path(), nTables, nProcedures);
    SResult twice = Measure(dir.Path(), nTables * 2, nProcedures * 2);
    for (const auto& [pszName, result] :
         {std::pair{"catalog x1", single}, std::pair{"catalog x2", twice}}) {
        std::printf(
            "%s: %zu tables, %zu procedures: recovery %.3f s, page scan alone %.3f s, ratio %.1f\n",
            pszName, result.nTables, result.nProcedures, result.dRecovery, result.dScan,
            result.dRecovery / result.dScan);
    }
    std::printf("growth of the recovery time when the catalog doubles: %.2f (linear is 2)\n",
                twice.dRecovery / single.dRecovery);
    return 0;
}
