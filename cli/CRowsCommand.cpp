// cli/CRowsCommand.cpp
#include "cli/CRowsCommand.h"

#include <cstdio>

#include "cli/ExitCodes.h"

const char* CRowsCommand::Help() { return "usage: ambermill-cli rows FILE TABLE [--page N | --all] [--deleted] [--json | --csv | --sql]\n"; }

int CRowsCommand::Run(const std::vector<std::string>&) {
    std::fputs("ambermill-cli rows: not available in this build yet\n", stderr);
    return kExitFailure;
}
