// cli/CExportCommand.cpp
#include "cli/CExportCommand.h"

#include <cstdio>

#include "cli/ExitCodes.h"

const char* CExportCommand::ScriptsHelp() { return "usage: ambermill-cli export-scripts FILE OUTDIR\n"; }
const char* CExportCommand::DatabaseHelp() { return "usage: ambermill-cli export-db FILE --connect \"CONNECT STRING\"\n"; }

int CExportCommand::RunScripts(const std::vector<std::string>&) {
    std::fputs("ambermill-cli export-scripts: not available in this build yet\n", stderr);
    return kExitFailure;
}

int CExportCommand::RunDatabase(const std::vector<std::string>&) {
    std::fputs("ambermill-cli export-db: not available in this build yet\n", stderr);
    return kExitFailure;
}
