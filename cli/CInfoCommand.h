// cli/CInfoCommand.h
#pragma once

#include <string>
#include <vector>

// ambermill-cli info FILE [--json]: database name, version stamp, engine, pages, data pages per
// object.
class CInfoCommand {
  public:
    static int Run(const std::vector<std::string>& vecArgs);
    static const char* Help();
};
