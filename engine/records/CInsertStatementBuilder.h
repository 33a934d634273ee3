// engine/records/CInsertStatementBuilder.h
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/Export.h"
#include "engine/records/CTypedValue.h"
#include "engine/records/CValueFormat.h"

class CTable;

// Turns decoded rows into INSERT statements. An instance is made once per table walk: the column
// formats, bracketed names and the statement head are worked out once, so a row costs only its
// literals.
class AMBERMILL_API CInsertStatementBuilder {
  public:
    struct SStatement {
        std::string strText;       // the whole statement with its terminator
        std::string strValueList;  // the literals joined by ",": the duplicate check's key
    };

    explicit CInsertStatementBuilder(const CTable& table);

    // Appends the statement of one row to strOut. The returned view is the row's value list
    // inside strOut, valid until strOut changes.
    std::string_view Append(const std::vector<CTypedValue>& vecValues, bool bDirect,
                            std::string& strOut);

    // bDirect: ends in ");" for the database; otherwise ")\r\ngo\r\n" for a script file. A row
    // without any column to write becomes "Insert into [T] default values" so it is not lost.
    static SStatement Build(const CTable& table, const std::vector<CTypedValue>& vecValues,
                            bool bDirect);

  private:
    struct SColumn {
        SColumnFormat format;
        std::string strBracketed;
    };

    std::vector<SColumn> m_vecColumns;
    std::string m_strTable;          // "Insert into [T] "
    std::string m_strFullHead;       // "Insert into [T] ([a],[b],...)  values(" with every column
    std::vector<bool> m_vecPresent;  // per row: the columns written
    std::string m_strScratch;
};
