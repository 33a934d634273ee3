// engine/scripts/CTableScript.h
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "common/Export.h"

class CColumnInfo;
class CExportContext;
class CSQLServerEngine;
class CTable;

// CREATE TABLE for one table, written to the table's script or executed, then its records.
class AMBERMILL_API CTableScript {
  public:
    struct SStatement {
        std::string strSchema;                 // creates the table's schema first; may be empty
        std::string strCreate;                 // CREATE TABLE ... ) CR LF
        std::vector<std::string> vecDefaults;  // bound CREATE DEFAULT texts, each once
        bool bStopped = false;                 // a stop request came between columns
        // Computed columns whose expression was lost: they are left out of the statement.
        std::vector<std::string> vecLeftOut;
    };

    // The column's declared type: bracketed type name plus its size or precision.
    static std::string DeclaredType(const std::string& strUserType, unsigned nLength,
                                    unsigned nPrecision, unsigned nScale);
    // The same for a column: (max) for a (max) column, the fractional digits of time, datetime2
    // and datetimeoffset.
    static std::string DeclaredType(const CColumnInfo& column);
    // Builds the statement; checks the stop flag (pStop may be null) between columns.
    static SStatement Build(const CTable& table, const std::atomic<bool>* pStop);
    // The same with the engine's stop flag.
    static SStatement Build(const CSQLServerEngine& engine, const CTable& table);

    // "SET IDENTITY_INSERT [T] ON" or "... OFF": the records keep their identity values.
    static std::string IdentityInsert(const CTable& table, bool bOn);

    // The table of the context: its statement (and bound defaults) to the context's target, then
    // its records when the context says so (between SET IDENTITY_INSERT ON and OFF when the table
    // has an identity column), then its keys, checks and indexes. A context that reports into the
    // status block (the one-table path) also sets the engine's export members as the program
    // expects them.
    static void Generate(CSQLServerEngine& engine, CExportContext& context);
};
