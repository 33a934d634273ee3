// engine/catalog/CColumnInfo.h
#pragma once

#include <cstdint>
#include <string>

#include "common/Export.h"

// One column of a recovered table (one syscolumns row, or one column record of a scan file).
class AMBERMILL_API CColumnInfo {
  public:
    std::string m_strName;       // column name, or "UnicodeCol#_%d"
    std::string m_strType;       // base type name from the type table
    std::string m_strUserType;   // user data type name, or the base type name
    std::string m_strDefault;    // text of the bound default, empty when none
    std::string m_strFormula;    // expression of a computed column, e.g. "([Price] * 2)"
    std::uint16_t m_nOrder = 0;  // column order; the table's list is sorted by it
    std::int16_t m_nOffset = 0;  // byte offset in the row; -1, -2, ... for variable-length columns
    std::uint16_t m_nLength = 0;
    // A (max) type (varchar(max), nvarchar(max), varbinary(max)): no declared length; the
    // table script writes (max) and literals are not cut to a size.
    bool m_bMax = false;
    std::uint8_t m_nPrecision = 0;
    std::uint8_t m_nScale = 0;
    std::uint8_t m_nBitPos = 0;
    std::int32_t m_bDeleted = 0;
    bool m_bNullable = true;  // false makes the table script write NOT NULL
    // Identity column: the server numbers new rows from the seed by the increment.
    bool m_bIdentity = false;
    std::int64_t m_nIdentitySeed = 1;
    std::int64_t m_nIdentityIncrement = 1;
    // Computed column: nothing is stored in the rows. Also set when the expression was lost, so
    // such a column is still never read from row bytes.
    bool m_bComputed = false;
    // Sparse column: stored in the row's sparse vector, always nullable.
    bool m_bSparse = false;
    // Column set: an xml view of the sparse values, stored nowhere; a statement that names it
    // with the sparse columns is refused, so rows are written through the sparse columns.
    bool m_bColumnSet = false;

    bool IsComputed() const { return m_bComputed || !m_strFormula.empty(); }
};
