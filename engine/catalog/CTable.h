// engine/catalog/CTable.h
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Export.h"
#include "common/OrderedMap.h"
#include "engine/catalog/CCheckConstraint.h"
#include "engine/catalog/CColumnInfo.h"
#include "engine/catalog/CForeignKey.h"
#include "engine/catalog/CIndexInfo.h"
#include "engine/catalog/CKeyConstraint.h"
#include "engine/catalog/CTableIndex.h"
#include "engine/catalog/CVarColumn.h"

// One recovered table. During a recovery every object that owns data pages is held as a nameless
// CTable until sysobjects names it; pruning then keeps only user tables.
class AMBERMILL_API CTable {
  public:
    std::string m_strName;
    std::string m_strSchema;  // the owning schema ("dbo"); empty where the format has none
    // Why the table's rows cannot be read ("compressed: rows not read"); empty when they can. A
    // table whose rows are not read is listed with its columns and says so, never shown as empty.
    std::string m_strRowsNotRead;
    std::string m_strSaved1;  // kept in the scan file; empty after a recovery
    std::string m_strSaved2;  // kept in the scan file; empty after a recovery
    std::int32_t m_nSaved1 = 0;
    std::int32_t m_nObjectId = 0;
    std::int32_t m_nColumns = 0;        // columns not marked deleted
    std::int32_t m_nBitColumns = 0;     // columns of type "bit"
    std::int32_t m_nAllColumns = 0;     // all column records
    std::int32_t m_nAllVarColumns = 0;  // all variable-length columns
    std::int32_t m_nSaved2 = 0;
    std::int16_t m_nVarColumns = 0;  // variable-length columns not marked deleted
    bool m_bHasUniquifier = false;   // rows may carry one hidden extra column (scan files only)

    // Columns in column order (stable for equal orders), and the variable-length columns in the
    // order the catalog listed them.
    std::vector<CColumnInfo> m_vecColumns;
    std::vector<CVarColumn> m_vecVarColumns;

    // Indexes and keys as older scan files carry them (a reader of the data file fills the
    // lists below instead).
    COrderedMap<CIndexInfo> m_mapIndexes;
    // Primary key first, then unique constraints, in the order the catalog listed them.
    std::vector<CKeyConstraint> m_vecKeys;
    std::vector<CCheckConstraint> m_vecChecks;
    std::vector<CForeignKey> m_vecForeignKeys;
    std::vector<CTableIndex> m_vecIndexes;  // every index, those of the keys included
    // Row offset of a column printed with "%hd" (negative for variable columns) -> type name.
    std::vector<std::pair<std::string, std::string>> m_vecVarColumnTypes;
    std::vector<std::uint32_t> m_vecExtentPages;
    std::vector<std::uint32_t> m_vecPages;  // data pages found by the page scan, in file order

    std::int32_t m_nExportCount = 0;  // records exported for this table
    std::int32_t m_nFailedCount = 0;  // records whose statement the target refused
    // Stored record text for the folder scripts: rows joined by "#&#", values by "$#$". Not saved.
    std::string m_strRecordText;

    // Type name stored for a row offset, or nullptr.
    const std::string* VarColumnType(const std::string& strOffset) const;
    // Records the type name for a row offset, replacing an earlier one.
    void SetVarColumnType(const std::string& strOffset, const std::string& strType);

    // Inserts a column record by m_nOrder (after equal orders). Returns false, keeping the list
    // unchanged, when a column of the same name exists.
    bool InsertColumn(CColumnInfo column);

    // The column the server numbers itself (at most one per table), or nullptr. A dropped or
    // computed column does not count.
    const CColumnInfo* IdentityColumn() const;
    const CColumnInfo* FindColumn(const std::string& strName) const;
};
