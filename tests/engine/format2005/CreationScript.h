// tests/engine/format2005/CreationScript.h
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The tables a creation script declares, read from its CREATE TABLE statements: enough to
// compare a recovered catalog with what the script made.
namespace CreationScript {

struct SColumn {
    std::string strName;
    std::string strType;  // lower case, without quotes or brackets: "nvarchar", "int"
    int nSize = -1;       // the declared size in characters or bytes; -1 when none
    bool bNullable = true;
    bool bIdentity = false;
    long nSeed = 1;  // IDENTITY(seed, increment); (1, 1) when not given
    long nIncrement = 1;
};

struct STable {
    std::string strName;
    std::vector<SColumn> vecColumns;
};

std::vector<STable> Tables(const std::filesystem::path& script);

}  // namespace CreationScript
