// app/export/job/SExportOptions.h
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class COdbcConnection;
class CTable;
class CViewStoredProc;

enum class EExportTarget { Scripts, Database };

// Objects picked one by one (the desktop program's selection tree), each list in tree order. The
// pointers are borrowed from the engine's catalog; an empty list exports none of its kind.
struct SExportSelection {
    std::vector<CTable*> vecTables;
    std::vector<CViewStoredProc*> vecViews;
    std::vector<CViewStoredProc*> vecProcedures;
    std::vector<CViewStoredProc*> vecRules;
    std::vector<CViewStoredProc*> vecTriggers;
    std::vector<CViewStoredProc*> vecFunctions;
};

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
    // When set, exactly these objects instead of vecTables and bObjects.
    std::optional<SExportSelection> selection;

    // Table workers: 1 runs the tables one after the other (on pConnection for a database);
    // 2 to 5 run them on a pool of workers, each with a connection of its own to strConnect.
    int nWorkers = 1;
    // The pool even for one worker (to measure the pool against itself).
    bool bPoolOneWorker = false;
    // Database: the connect string the pool's connections are opened with (never logged).
    std::string strConnect;
    // How a pool worker opens its connection; empty: a new connection to strConnect. Throws
    // COdbcError with the driver's message.
    std::function<std::unique_ptr<COdbcConnection>(int nWorker)> fnConnect;
};
