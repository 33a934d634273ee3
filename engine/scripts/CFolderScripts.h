// engine/scripts/CFolderScripts.h
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/Export.h"

class CSQLServerEngine;
class CTable;

// The two folder-script operations of the library: the whole catalog as a few scripts in one
// folder (GenerateQueries), and the INSERT statements alone, table by table with a hand-shake over
// the export events (GenerateTableInsertQueries). Records come from each table's stored record
// text: rows separated by "#&#", values by "$#$", in column order.
class AMBERMILL_API CFolderScripts {
  public:
    static void GenerateQueries(CSQLServerEngine& engine, const std::filesystem::path& folder);
    static void GenerateTableInsertQueries(CSQLServerEngine& engine,
                                           const std::filesystem::path& folder);

    // The rows of a stored record text, each split into its values.
    static std::vector<std::vector<std::string>> SplitRecordText(const std::string& strText);
    // A value as an INSERT literal for a column of the given type name.
    static std::string Literal(const std::string& strValue, const std::string& strType);
};
