// cli/CSaveScanCommand.cpp
#include "cli/CSaveScanCommand.h"

#include <cstdio>

#include "cli/CCliOptions.h"
#include "cli/CDamageReport.h"
#include "cli/CRecoveredSource.h"
#include "cli/ExitCodes.h"

const char* CSaveScanCommand::Help() {
    return "usage: ambermill-cli save-scan FILE OUT.str [--damage] [--format F] [--data "
           "PATH]\n"
           "                               [--no-progress]\n"
           "  Recovers the catalog of a data file (or loads a scan file) and saves it as a scan "
           "file,\n"
           "  which every command accepts in place of the data file. An existing OUT.str is "
           "replaced\n"
           "  --format F   the engine (2000, 2005 or 2008) for a data file of an unknown version "
           "stamp.\n"
           "  only when the new file was written completely. Exit 0 when saved, 5 when saved from "
           "a\n"
           "  damaged file, 3 when nothing was recovered, 2 for unusable input.\n";
}

int CSaveScanCommand::Run(const std::vector<std::string>& vecArgs) {
    CCliOptions options(vecArgs, {"help", "no-progress", "damage"}, {"data", "format"});
    if (auto nExit = options.Preflight("save-scan", Help(), 2, "expected FILE and OUT.str"))
        return *nExit;
    int nExitCode = kExitOk;
    auto pSource = CRecoveredSource::OpenForCommand(options, nExitCode);
    if (!pSource)
        return nExitCode;
    std::string strError;
    if (!pSource->Engine().SaveScan(options.Positionals()[1], strError)) {
        std::fprintf(stderr, "ambermill-cli: %s\n", strError.c_str());
        return kExitBadInput;
    }
    CDamageReport damage;
    damage.Add(pSource->Engine().m_damage);
    return damage.Finish(kExitOk, options.Has("damage"));
}
