// cli/CExportCommand.cpp
#include "cli/CExportCommand.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/export/job/CBundleNames.h"
#include "app/export/job/CExportJob.h"
#include "app/export/job/CTableExportPool.h"
#include "app/export/job/IExportObserver.h"
#include "cli/CCliOptions.h"
#include "cli/CDamageReport.h"
#include "cli/CInterruptGuard.h"
#include "cli/CProgressBar.h"
#include "cli/CRecoveredSource.h"
#include "cli/ExitCodes.h"
#include "common/OdbcConnection.h"

namespace fs = std::filesystem;

namespace {
// Table workers unless --workers says otherwise, as many as the desktop program uses.
constexpr int kDefaultWorkers = CTableExportPool::kMaxWorkers;

// Shows progress as a bar when stderr is a terminal; otherwise the messages as lines, so a log
// of a scripted run still says what happened.
class CCliObserver : public IExportObserver {
  public:
    explicit CCliObserver(bool bShowProgress)
        : m_bBar(bShowProgress && ::isatty(STDERR_FILENO) == 1) {}

    void OnMessage(const std::string& strText) override {
        m_strPhase = strText;
        if (m_bBar) {
            m_bar.Show(m_nPercent, m_strPhase);
        } else {
            std::fprintf(stderr, "%s\n", strText.c_str());
        }
    }
    void OnProgress(int nPercent, int, int) override {
        m_nPercent = nPercent;
        if (m_bBar)
            m_bar.Show(m_nPercent, m_strPhase);
    }
    void OnTableDone(const std::string&, std::int64_t, std::int64_t) override {}
    void Finish() { m_bar.Finish(); }

  private:
    bool m_bBar;
    CProgressBar m_bar;
    int m_nPercent = 0;
    std::string m_strPhase;
};

std::vector<std::string> SplitList(const std::string& strList) {
    std::vector<std::string> vecItems;
    std::size_t nStart = 0;
    while (nStart <= strList.size()) {
        std::size_t nComma = strList.find(',', nStart);
        if (nComma == std::string::npos)
            nComma = strList.size();
        if (nComma > nStart)
            vecItems.push_back(strList.substr(nStart, nComma - nStart));
        nStart = nComma + 1;
    }
    return vecItems;
}

void PrintSummary(const CExportJob::SResult& result) {
    std::printf("tables: %zu, records exported: %lld, failed: %lld\n", result.report.Rows().size(),
                static_cast<long long>(result.report.TotalExported()),
                static_cast<long long>(result.report.TotalFailed()));
    for (const CExportJob::SStage& stage : result.vecStages) {
        if (stage.strName == "tables" || stage.nObjects == 0)
            continue;
        std::printf("%s: %d, failed: %d\n", stage.strName.c_str(), stage.nObjects, stage.nFailed);
    }
    for (const std::string& strRenamed : result.vecRenamed)
        std::printf("renamed: %s\n", strRenamed.c_str());
}

int Export(const std::vector<std::string>& vecArgs, EExportTarget eTarget, const char* pszCommand,
           const char* pszHelp) {
    CCliOptions options(
        vecArgs, {"help", "no-progress", "schema-only", "deleted", "report", "damage"},
        eTarget == EExportTarget::Database
            ? std::set<std::string>{"data", "tables", "connect", "workers", "format"}
            : std::set<std::string>{"data", "tables", "workers", "format"});
    if (options.Has("help")) {
        std::fputs(pszHelp, stdout);
        return kExitOk;
    }
    const std::size_t nPositionals = eTarget == EExportTarget::Scripts ? 2 : 1;
    std::string strProblem = options.Ok() ? "" : options.Error();
    if (strProblem.empty() && options.Positionals().size() != nPositionals) {
        strProblem =
            eTarget == EExportTarget::Scripts ? "expected FILE and OUTDIR" : "expected one FILE";
    }
    if (strProblem.empty() && eTarget == EExportTarget::Database && !options.Value("connect")) {
        strProblem = "--connect \"CONNECT STRING\" is required";
    }
    int nWorkers = kDefaultWorkers;
    if (strProblem.empty() && options.Value("workers")) {
        const std::string strWorkers = *options.Value("workers");
        if (strWorkers.size() != 1 || strWorkers[0] < '1' ||
            strWorkers[0] > '0' + CTableExportPool::kMaxWorkers) {
            strProblem = "--workers takes a number from 1 to " +
                         std::to_string(CTableExportPool::kMaxWorkers);
        } else {
            nWorkers = strWorkers[0] - '0';
        }
    }
    if (!strProblem.empty()) {
        std::fprintf(stderr, "ambermill-cli %s: %s\n%s", pszCommand, strProblem.c_str(), pszHelp);
        return kExitBadInput;
    }

    const bool bProgress = !options.Has("no-progress");
    int nExitCode = kExitOk;
    auto pSource = CRecoveredSource::OpenForCommand(options, nExitCode);
    if (!pSource)
        return nExitCode;
    CSQLServerEngine& engine = pSource->Engine();
    CDamageReport damage;
    damage.Add(engine.m_damage);
    const bool bList = options.Has("damage");

    SExportOptions exportOptions;
    exportOptions.eTarget = eTarget;
    exportOptions.bWithData = !options.Has("schema-only");
    exportOptions.bRecoverDeleted = options.Has("deleted");
    exportOptions.nWorkers = nWorkers;
    if (auto tables = options.Value("tables"))
        exportOptions.vecTables = SplitList(*tables);

    COdbcConnection connection;
    if (eTarget == EExportTarget::Database) {
        try {
            connection.Open(*options.Value("connect"));
        } catch (const COdbcError& error) {
            std::fprintf(stderr, "ambermill-cli: cannot connect to the database: %s\n",
                         error.what());
            return kExitBadInput;
        }
        exportOptions.pConnection = &connection;
        exportOptions.strConnect = *options.Value("connect");
    } else {
        exportOptions.outputParent = options.Positionals()[1];
    }

    CCliObserver observer(bProgress);
    CExportJob::SResult result;
    {
        CInterruptGuard guard(engine.m_pStatus->m_bStop);
        CExportJob job(engine, exportOptions, observer);
        result = job.Run();
    }
    observer.Finish();
    connection.Close();
    damage.Add(*result.pDamage);
    for (const std::string& strWarning : result.vecWarnings) {
        std::fprintf(stderr, "ambermill-cli: warning: %s\n", strWarning.c_str());
    }

    if (result.bStopped) {
        std::fprintf(
            stderr, "ambermill-cli: export stopped%s\n",
            result.bundleFolder.empty()
                ? ""
                : ("; the bundle in '" + result.bundleFolder.string() + "' is incomplete").c_str());
        return CInterruptGuard::Interrupted() ? kExitInterrupted
                                              : damage.Finish(kExitFailure, bList);
    }
    if (!result.bComplete) {
        std::fprintf(stderr, "ambermill-cli: %s\n", result.strError.c_str());
        if (!result.bundleFolder.empty()) {
            std::fprintf(stderr, "ambermill-cli: the bundle in '%s' is incomplete\n",
                         result.bundleFolder.string().c_str());
        }
        return damage.Finish(
            result.eError == CExportJob::EError::BadInput ? kExitBadInput : kExitFailure, bList);
    }

    int nExit = result.TotalFailed() > 0 ? kExitPartial : kExitOk;
    if (options.Has("report")) {
        const fs::path reportFolder = eTarget == EExportTarget::Scripts
                                          ? fs::path(options.Positionals()[1])
                                          : fs::current_path();
        const fs::path reportPath =
            reportFolder / CBundleNames::ReportName(engine.m_strDatabaseName, CBundleNames::Now());
        std::string strError;
        if (!result.report.Write(reportPath, strError)) {
            std::fprintf(stderr, "ambermill-cli: %s\n", strError.c_str());
            nExit = kExitFailure;
        } else {
            std::fprintf(stderr, "report: %s\n", reportPath.string().c_str());
        }
    }
    if (eTarget == EExportTarget::Scripts)
        std::printf("%s\n", result.bundleFolder.string().c_str());
    PrintSummary(result);
    if (result.TotalFailed() > 0) {
        std::fprintf(stderr, "ambermill-cli: %lld statements failed (see the error log)\n",
                     static_cast<long long>(result.TotalFailed()));
    }
    return damage.Finish(nExit, bList);
}
}  // namespace

const char* CExportCommand::ScriptsHelp() {
    return "usage: ambermill-cli export-scripts FILE OUTDIR [--tables a,b] [--schema-only] "
           "[--deleted] [--report]\n"
           "                                   [--damage] [--workers N] [--format F] [--data PATH] "
           "[--no-progress]\n"
           "  Writes the script bundle (a time-stamped folder inside OUTDIR) and prints its "
           "folder.\n"
           "  --tables     only these tables (comma-separated); every other object is still "
           "written\n"
           "  --schema-only  no INSERT statements\n"
           "  --deleted    deleted (ghost) records too\n"
           "  --report     also write ExportReport_<db>_<stamp>.csv into OUTDIR\n"
           "  --workers N  tables written by N threads at once (1 to 5, default 5; 1 = one "
           "after the other)\n"
           "  --format F   the engine (2000, 2005 or 2008) for a data file of an unknown version "
           "stamp.\n"
           "  --damage     list every row, page and value that could not be read\n"
           "  Exit 0 when complete, 5 when complete but damage was found, 4 when statements "
           "failed,\n"
           "  3 when nothing was recovered, 2 for unusable input, 1 when the bundle could not be\n"
           "  written whole (a full disk), 130 when interrupted.\n";
}

const char* CExportCommand::DatabaseHelp() {
    return "usage: ambermill-cli export-db FILE --connect \"CONNECT STRING\" [--tables a,b] "
           "[--schema-only]\n"
           "                              [--deleted] [--report] [--damage] [--workers N] "
           "[--format F]\n"
           "                              [--data PATH] [--no-progress]\n"
           "  Creates the tables with their records, and the other objects, in a database over "
           "ODBC.\n"
           "  CONNECT STRING: \"DRIVER=SQL "
           "SERVER;SERVER=host;UID=user;PWD=password[;DATABASE=name]\"\n"
           "  --report writes ExportReport_<db>_<stamp>.csv into the current folder.\n"
           "  --workers N  tables sent by N workers, each on a connection of its own (1 to 5, "
           "default 5;\n"
           "               1 = one after the other on one connection)\n"
           "  --format F   the engine (2000, 2005 or 2008) for a data file of an unknown version "
           "stamp.\n"
           "  A batch the database refuses is sent again statement by statement: only the rows "
           "it\n"
           "  refuses on their own fail (each in the error log with the driver's message).\n"
           "  Exit 0 when complete, 5 when complete but damage was found, 4 when statements "
           "failed,\n"
           "  3 when nothing was recovered, 2 for unusable input or connection.\n";
}

int CExportCommand::RunScripts(const std::vector<std::string>& vecArgs) {
    return Export(vecArgs, EExportTarget::Scripts, "export-scripts", ScriptsHelp());
}

int CExportCommand::RunDatabase(const std::vector<std::string>& vecArgs) {
    return Export(vecArgs, EExportTarget::Database, "export-db", DatabaseHelp());
}
