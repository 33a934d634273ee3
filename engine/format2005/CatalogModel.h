// engine/format2005/CatalogModel.h
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/format2005/CPage.h"

// The catalog of a 2005+ data file as these readers hold it: richer than the shared model
// (schemas, (max) lengths, physical layout per rowset, allocation units, compression), so a
// later conversion can fill the shared model from it without reading the file again.
namespace format2005 {

// syscolpars status bits.
inline constexpr std::uint32_t kColumnNotNull = 0x1;
inline constexpr std::uint32_t kColumnAnsiPadded = 0x2;
inline constexpr std::uint32_t kColumnIdentity = 0x4;
inline constexpr std::uint32_t kColumnRowGuid = 0x8;
inline constexpr std::uint32_t kColumnComputed = 0x10;
inline constexpr std::uint32_t kColumnSparse = 0x1000000;
inline constexpr std::uint32_t kColumnSet = 0x2000000;

// Where a column's value lies in the leaf records of one rowset.
struct SColumnPlace {
    bool bStored = false;          // false: no physical column (computed, or layout unknown)
    std::int16_t nLeafOffset = 0;  // >0 byte offset in the record; -n: n-th variable column
    std::uint16_t nNullBit = 0;    // 1-based bit of the NULL bitmap; 0: none
    std::uint8_t nBitPos = 0;      // bit number of a bit column in its byte
    bool IsVariable() const { return nLeafOffset < 0; }
    std::size_t VariableIndex() const { return static_cast<std::size_t>(-nLeafOffset) - 1; }
};

struct SColumn {
    std::int32_t nColumnId = 0;  // column order
    std::string strName;
    std::uint8_t nTypeId = 0;      // system type id
    std::int32_t nUserTypeId = 0;  // user_type_id: equals nTypeId for a plain system type
    std::string strType;           // system type name ("nvarchar"); a CLR type's own name
    std::string strUserType;       // declared type name: the user type, else strType
    std::int16_t nLength = 0;      // bytes, as the catalog keeps them; -1 for (max) and xml
    std::uint8_t nPrecision = 0;
    std::uint8_t nScale = 0;
    std::int32_t nCollationId = 0;
    std::uint32_t nStatus = 0;  // syscolpars status
    bool bNullable = true;
    bool bIdentity = false;
    bool bComputed = false;
    bool bSparse = false;
    bool bColumnSet = false;
    std::int32_t nDefaultObjectId = 0;  // default constraint or bound default
    std::string strFormula;             // the definition of a computed column
    // Seed and increment of an identity column of an integer type, when the catalog kept them.
    bool bHasIdentityValues = false;
    std::int64_t nIdentitySeed = 0;
    std::int64_t nIdentityIncrement = 0;

    bool IsMax() const { return nLength == -1; }
};

// One partition's rowset of a table (the heap or the clustered index) with its units.
struct SPartition {
    std::uint64_t nRowsetId = 0;
    std::int32_t nPartition = 0;
    std::int64_t nCatalogRows = 0;  // the row count the catalog keeps
    std::uint8_t nCompression = 0;  // 0 none, 1 row, 2 page
    std::uint64_t nInRowUnit = 0;   // 0 when the catalog has none
    SPageId firstPage;              // first leaf page of the in-row unit
    SPageId firstIam;
    std::uint64_t nLobUnit = 0;
    std::uint64_t nOverflowUnit = 0;
    std::vector<SColumnPlace> vecPlaces;  // parallel to STable::vecColumns
    bool bLayoutDerived = false;          // no physical column rows: places follow the column order
    bool bHasUniquifier = false;  // a hidden variable column of a non-unique clustered index
    // The variable column (1-based) that holds the sparse vector, after every other variable
    // column of the layout; 0 when the table has no sparse column.
    std::uint16_t nSparseVector = 0;
};

struct SIndex {
    std::int32_t nIndexId = 0;
    std::string strName;
    std::uint8_t nType = 0;  // 1 clustered, 2 nonclustered
    bool bUnique = false;
    bool bPrimaryKey = false;
    bool bUniqueConstraint = false;
    std::vector<std::int32_t> vecKeyColumns;  // column ids in key order
    std::vector<bool> vecDescending;          // parallel to vecKeyColumns
};

// A primary key, unique, check or foreign key constraint of a table (its sysschobjs row).
struct SConstraint {
    std::int32_t nObjectId = 0;
    std::string strName;
    std::string strType;  // "PK", "UQ", "C" or "F"
    std::uint32_t nStatus = 0;
};

// A foreign key with the references the catalog keeps for it. Column ids pair up by position.
struct SForeignKey {
    std::int32_t nObjectId = 0;
    std::string strName;
    std::int32_t nReferencedTableId = 0;  // 0 when the reference row was lost
    std::vector<std::int32_t> vecColumns;
    std::vector<std::int32_t> vecReferencedColumns;
};

struct STable {
    std::int32_t nObjectId = 0;
    std::string strName;
    std::int32_t nSchemaId = 0;
    std::string strSchema;
    bool bHeap = true;
    std::vector<SColumn> vecColumns;  // in column order
    std::vector<SPartition> vecPartitions;
    std::vector<SIndex> vecIndexes;           // real indexes in index id order, no statistics
    std::vector<SConstraint> vecConstraints;  // by object id
    std::vector<SForeignKey> vecForeignKeys;  // by object id
    std::uint8_t nCompression = 0;            // the highest level of any partition

    bool IsCompressed() const { return nCompression != 0; }
    std::int64_t CatalogRows() const;
};

enum class EModuleKind : std::uint8_t {
    View,
    Procedure,
    ScalarFunction,
    InlineFunction,
    TableFunction,
    Trigger,
    Default,
    Rule,
    CheckConstraint,
};

struct SModule {
    std::int32_t nObjectId = 0;
    EModuleKind eKind = EModuleKind::View;
    std::string strType;  // the catalog's type code ("V", "P", "FN", ...)
    std::string strName;
    std::int32_t nSchemaId = 0;
    std::string strSchema;
    std::int32_t nParentId = 0;  // table of a trigger or constraint
    std::string strText;         // definition text, 8-bit
    bool bTextFound = false;
    bool bTextComplete = true;  // false when part of a stored text was unreadable
};

struct SUserType {
    std::int32_t nTypeId = 0;
    std::string strName;
    std::int32_t nSchemaId = 0;
    std::string strSchema;
    std::uint8_t nBaseTypeId = 0;
    std::string strBaseType;
    std::int16_t nLength = 0;
    std::uint8_t nPrecision = 0;
    std::uint8_t nScale = 0;
    bool bNullable = true;
};

}  // namespace format2005
