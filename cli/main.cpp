// cli/main.cpp
// ambermill-cli: the command-line front end of the recovery engine.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/CCatalogCommand.h"
#include "cli/CExportCommand.h"
#include "cli/CInfoCommand.h"
#include "cli/CRowsCommand.h"
#include "cli/CSaveScanCommand.h"
#include "cli/ExitCodes.h"

namespace {
constexpr const char* kVersion = "0.1.0";

void PrintUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: ambermill-cli COMMAND [ARGS]\n"
        "Recovers the contents of a SQL Server 2000, 2005 or 2008 data file (.mdf) without a "
        "server.\n\n"
        "commands:\n"
        "  info FILE [--json]              database name, version, engine, pages per object\n"
        "  catalog FILE [--json] [--text]  the recovered catalog\n"
        "  user-types FILE                 sp_addtype statements of the user data types\n"
        "  rows FILE TABLE                 the records of a table (500 per page)\n"
        "  save-scan FILE OUT.str          save the recovered catalog as a scan file\n"
        "  export-scripts FILE OUTDIR      write the script bundle\n"
        "  export-db FILE --connect STR    export into a database over ODBC\n\n"
        "FILE is a data file (.mdf) or a scan file (.str). A damaged or cut data file is read as\n"
        "far as it goes; --format 2000|2005|2008 reads one whose version stamp is damaged or\n"
        "unknown, and --damage lists what could not be read.\n\n"
        "exit codes:\n"
        "  0    done\n"
        "  1    failed (an output that could not be written whole, a recovery that did not end)\n"
        "  2    unusable input: a missing or unreadable file, not a data or scan file, a damaged\n"
        "       or unknown version stamp without --format, a bad argument\n"
        "  3    nothing was recovered (a format this build does not read, no catalog)\n"
        "  4    an export finished, but statements failed\n"
        "  5    recovered, with damage: what could not be read is counted on stderr\n"
        "  130  interrupted\n\n"
        "Run 'ambermill-cli COMMAND --help' for a command's options; --version prints the "
        "version.\n");
}
}  // namespace

int main(int argc, char** argv) {
    // A file size limit (ulimit -f) would kill the process in the middle of a write; ignored, the
    // write fails with EFBIG and is reported like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitBadInput;
    }
    const std::string strCommand = argv[1];
    std::vector<std::string> vecArgs(argv + 2, argv + argc);
    try {
        if (strCommand == "--help" || strCommand == "-h" || strCommand == "help") {
            PrintUsage(stdout);
            return kExitOk;
        }
        if (strCommand == "--version") {
            std::printf("ambermill-cli %s\n", kVersion);
            return kExitOk;
        }
        if (strCommand == "info")
            return CInfoCommand::Run(vecArgs);
        if (strCommand == "catalog")
            return CCatalogCommand::Run(vecArgs);
        if (strCommand == "user-types")
            return CCatalogCommand::RunUserTypes(vecArgs);
        if (strCommand == "rows")
            return CRowsCommand::Run(vecArgs);
        if (strCommand == "save-scan")
            return CSaveScanCommand::Run(vecArgs);
        if (strCommand == "export-scripts")
            return CExportCommand::RunScripts(vecArgs);
        if (strCommand == "export-db")
            return CExportCommand::RunDatabase(vecArgs);
        std::fprintf(stderr, "ambermill-cli: unknown command '%s'\n", strCommand.c_str());
        PrintUsage(stderr);
        return kExitBadInput;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ambermill-cli: %s\n", error.what());
        return kExitFailure;
    }
}
