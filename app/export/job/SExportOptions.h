// app/export/job/SExportOptions.h
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class COdbcConnection;

enum class EExportTarget { Scripts, Database };

// One export as the user chose it.
struct SExportOptions {
    EExportTarget eTarget = EExportTarget::Scripts;
    // Scripts: the folder the user chose; the bundle folder is created inside it.
    std::filesystem::path outputParent;
    // Database: an open connection the caller owns (the job never closes it).
    COdbcConnection* pConnection = nullptr;
    // Names of the tables to export, in order; empty for every table of the catalog.
    std::vector<std::string> vecTables;
    bool bWithData = true;         // records after each CREATE TABLE
    bool bRecoverDeleted = false;  // deleted (ghost) records too
    bool bObjects = true;          // views, procedures, functions, rules and triggers
};
