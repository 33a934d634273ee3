// engine/records/CInsertStatementBuilder.h
#pragma once

#include <string>
#include <vector>

#include "engine/records/CFieldValue.h"
#include "engine/records/CValueRenderer.h"

class CTable;
class CColumnInfo;

// Turns one row of statement-mode values into an INSERT statement.
class CInsertStatementBuilder {
  public:
    struct SStatement {
        std::string strText;       // the whole statement with its terminator
        std::string strValueList;  // the literals joined by ",": the duplicate check's key
    };

    // bDirect: ends in ");" for the database; otherwise ")\r\ngo\r\n" for a script file. A row
    // without any column to write becomes "Insert into [T] default values" so it is not lost.
    static SStatement Build(const CTable& table, const std::vector<CFieldValue>& vecValues,
                            bool bDirect);
    // The literal of one value; false when the column is left out of the statement.
    static bool AppendLiteral(const CColumnInfo& column, EColumnType eType,
                              const CFieldValue& value, std::string& strOut);
};
