// cli/CRowsCommand.h
#pragma once

#include <string>
#include <vector>

class CSQLServerEngine;
class CTable;

// ambermill-cli rows FILE TABLE: the records of one table.
class CRowsCommand {
  public:
    static int Run(const std::vector<std::string>& vecArgs);
    static const char* Help();

    // The table named (exactly, then ignoring case) or numbered by strWanted; nullptr if none.
    static CTable* FindTable(CSQLServerEngine& engine, const std::string& strWanted);
    // Up to five table names close to strWanted, closest first.
    static std::vector<std::string> CloseNames(const CSQLServerEngine& engine,
                                               const std::string& strWanted);
    // One CSV field as RFC 4180 writes it.
    static std::string CsvField(const std::string& strValue);
};
