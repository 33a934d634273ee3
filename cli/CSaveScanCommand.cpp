// cli/CSaveScanCommand.cpp
#include "cli/CSaveScanCommand.h"

#include <cstdio>

#include "cli/ExitCodes.h"

const char* CSaveScanCommand::Help() { return "usage: ambermill-cli save-scan FILE OUT.str\n"; }

int CSaveScanCommand::Run(const std::vector<std::string>&) {
    std::fputs("ambermill-cli save-scan: not available in this build yet\n", stderr);
    return kExitFailure;
}
