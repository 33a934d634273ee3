// cli/CRowsCommand.h
#pragma once

#include <string>
#include <vector>

// ambermill-cli rows FILE TABLE: the records of one table.
class CRowsCommand {
public:
    static int Run(const std::vector<std::string>& vecArgs);
    static const char* Help();
};
