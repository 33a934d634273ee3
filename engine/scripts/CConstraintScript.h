// engine/scripts/CConstraintScript.h
#pragma once

#include <string>
#include <vector>

#include "common/Export.h"

class CExportContext;
class CForeignKey;
class COdbcConnection;
class CTable;

// The statements that give a recovered table back its rules: primary key, unique and check
// constraints and indexes (the table's constraint script, run after its records are in), and its
// foreign keys (run after every table exists, so the order of the tables does not matter).
// Statements carry no batch terminator. A part that cannot be scripted faithfully (a key column,
// a check text or a referenced table that was not recovered) is left out and named in the
// reasons, never guessed.
class AMBERMILL_API CConstraintScript {
  public:
    struct SStatements {
        std::vector<std::string> vecStatements;
        std::vector<std::string> vecSkipped;  // "<what> was not scripted: <why>"
    };

    // Keys, then the indexes that no key creates (anything clustered first, so the table is
    // sorted once), then the check constraints. A disabled check is added WITH NOCHECK and
    // disabled again, so rows that broke it while it was off do not make it fail.
    static SStatements TableStatements(const CTable& table);
    // ALTER TABLE ... ADD CONSTRAINT ... FOREIGN KEY ... REFERENCES ..., one per foreign key.
    static SStatements ForeignKeyStatements(const CTable& table);
    // The statements of one foreign key of the table, appended to out.
    static void AddForeignKey(const CTable& table, const CForeignKey& key, SStatements& out);

    // The table's constraint statements, after its records: written to the context's constraint
    // file or executed on its connection, where each refused statement is logged with the
    // driver's message and counted as failed like a refused CREATE TABLE.
    static void Generate(CExportContext& context);
    // Executes each statement on its own; returns how many the target refused (each logged with
    // the driver's message). A null connection refuses them all.
    static int Execute(COdbcConnection* pConnection, const std::vector<std::string>& vecStatements);
    // Logs every reason a part was left out to the error log.
    static void LogSkipped(const std::vector<std::string>& vecSkipped);
};
