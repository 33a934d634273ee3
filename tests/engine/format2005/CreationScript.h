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

// A key, check, foreign key or index the script declares (inside CREATE TABLE, by ALTER TABLE
// ADD CONSTRAINT or by CREATE INDEX). Defaults are left out: the table columns carry them.
struct SConstraint {
    enum class EKind { PrimaryKey, Unique, ForeignKey, Check, Index };
    EKind eKind = EKind::Index;
    std::string strTable;
    std::string strName;
    bool bClustered = false;  // as declared, else the server's default for the kind
    bool bUnique = false;     // CREATE UNIQUE INDEX
    std::vector<std::pair<std::string, bool>> vecColumns;  // name, descending
    std::string strReferencedTable;
    std::vector<std::string> vecReferencedColumns;
    std::string strCheck;  // the condition as written, without its outer parentheses
};

std::vector<SConstraint> Constraints(const std::filesystem::path& script);

}  // namespace CreationScript
