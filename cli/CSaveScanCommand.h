// cli/CSaveScanCommand.h
#pragma once

#include <string>
#include <vector>

// ambermill-cli save-scan FILE OUT.str: recovers a data file and saves the scan.
class CSaveScanCommand {
  public:
    static int Run(const std::vector<std::string>& vecArgs);
    static const char* Help();
};
