// cli/CExportCommand.h
#pragma once

#include <string>
#include <vector>

// ambermill-cli export-scripts FILE OUTDIR ... and export-db FILE --connect "..." ...
class CExportCommand {
  public:
    static int RunScripts(const std::vector<std::string>& vecArgs);
    static int RunDatabase(const std::vector<std::string>& vecArgs);
    static const char* ScriptsHelp();
    static const char* DatabaseHelp();
};
