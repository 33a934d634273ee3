// engine/format2005/CatalogRows.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/format2005/CPage.h"
#include "engine/format2005/CRecord.h"

// Rows of the hidden base tables of the 2005+ catalog, decoded from their records. Each parser
// returns std::nullopt when the record is too short for its fixed fields or lacks its name: the
// caller reports the row as damaged.
namespace format2005 {

// Ids of the hidden base tables and the allocation units they are read through.
inline constexpr std::int32_t kSysRsCols = 3;         // 2008+: physical column layout
inline constexpr std::int32_t kSysRowsetColumns = 4;  // 2005: table column -> hobt column
inline constexpr std::int32_t kSysRowsets = 5;
inline constexpr std::int32_t kSysAllocUnits = 7;
inline constexpr std::int32_t kSysHobtColumns = 13;  // 2005: physical column layout
inline constexpr std::int32_t kSysSchObjs = 34;
inline constexpr std::int32_t kSysColPars = 41;
inline constexpr std::int32_t kSysScalarTypes = 50;
inline constexpr std::int32_t kSysIdxStats = 54;
inline constexpr std::int32_t kSysIsCols = 55;
inline constexpr std::int32_t kSysObjValues = 60;
inline constexpr std::int32_t kSysClsObjs = 64;
inline constexpr std::int32_t kSysSingleObjRefs = 74;  // references between objects

// Unit id of a hidden table's index (index 0 for the heap-like base tables, 1 for clustered
// ones, 255 for a LOB unit).
constexpr std::uint64_t SystemUnit(std::int32_t nObject, std::uint16_t nIndex) {
    return UnitId(nIndex, static_cast<std::uint32_t>(nObject));
}

// Allocation unit types.
inline constexpr std::uint8_t kUnitInRow = 1;
inline constexpr std::uint8_t kUnitLob = 2;
inline constexpr std::uint8_t kUnitRowOverflow = 3;

struct SAllocUnitRow {
    std::uint64_t nUnitId = 0;
    std::uint8_t nType = 0;
    std::uint64_t nOwnerId = 0;  // rowset id
    SPageId firstPage;
    SPageId rootPage;
    SPageId firstIam;
    std::int64_t nUsedPages = 0;
    std::int64_t nDataPages = 0;
};

struct SRowsetRow {
    std::uint64_t nRowsetId = 0;
    std::int32_t nObjectId = 0;
    std::int32_t nIndexId = 0;  // 0 heap, 1 clustered, >1 nonclustered
    std::int32_t nPartition = 0;
    std::int64_t nRows = 0;
    std::uint8_t nCompression = 0;  // 0 none, 1 row, 2 page (2008+)
};

struct SObjectRow {
    std::int32_t nObjectId = 0;
    std::int32_t nSchemaId = 0;
    std::int32_t nStatus = 0;
    std::string strType;  // two characters, trailing space removed: "U", "V", "P", "FN", ...
    std::int32_t nParentId = 0;
    std::string strName;
};

struct SColumnRow {
    std::int32_t nObjectId = 0;
    std::int16_t nNumber = 0;  // 0 for table and view columns
    std::int32_t nColumnId = 0;
    std::uint8_t nTypeId = 0;
    std::int32_t nUserTypeId = 0;
    std::int16_t nLength = 0;  // bytes; -1 for (max) and xml
    std::uint8_t nPrecision = 0;
    std::uint8_t nScale = 0;
    std::int32_t nCollationId = 0;
    std::uint32_t nStatus = 0;
    std::int32_t nDefaultId = 0;
    std::int32_t nCheckId = 0;
    std::string strName;
    // idtval of an identity column: last value, seed and increment of the column's size each,
    // then a flag byte.
    std::vector<std::byte> vecIdentity;
};

struct STypeRow {
    std::int32_t nTypeId = 0;
    std::int32_t nSchemaId = 0;
    std::uint8_t nBaseTypeId = 0;
    std::int16_t nLength = 0;
    std::uint8_t nPrecision = 0;
    std::uint8_t nScale = 0;
    std::uint32_t nStatus = 0;
    std::int32_t nDefaultId = 0;
    std::int32_t nRuleId = 0;
    std::string strName;
};

struct SIndexRow {
    std::int32_t nObjectId = 0;
    std::int32_t nIndexId = 0;
    std::uint32_t nStatus = 0;
    std::uint8_t nType = 0;  // 0 heap, 1 clustered, 2 nonclustered
    std::uint64_t nRowsetId = 0;
    std::string strName;
};

struct SIndexColumnRow {
    std::int32_t nObjectId = 0;
    std::int32_t nIndexId = 0;
    std::int32_t nIndexColumnId = 0;  // the column's place in the index, included columns too
    std::uint32_t nStatus = 0;
    std::int32_t nColumnId = 0;
    std::uint8_t nKeyOrdinal = 0;  // 1-based place in the key; 0 for an included column
};

// sysiscols status bits.
inline constexpr std::uint32_t kIndexColumnDescending = 0x4;
inline constexpr std::uint32_t kIndexColumnIncluded = 0x10;

// syssingleobjrefs: one reference of an object (or one of its parts) to another. A foreign key
// keeps three kinds: its referenced table and key index, and per key column the column of its
// own table and the column it references.
struct SObjectRefRow {
    std::uint8_t nClass = 0;
    std::int32_t nDependentId = 0;
    std::int32_t nDependentSubId = 0;
    std::int32_t nIndependentId = 0;
    std::int32_t nIndependentSubId = 0;
    std::uint32_t nStatus = 0;
};

inline constexpr std::uint8_t kRefForeignKeyTable = 27;   // sub 0: referenced table, key index
inline constexpr std::uint8_t kRefForeignKeyColumn = 28;  // sub n: own table, its column id
inline constexpr std::uint8_t kRefReferencedColumn = 29;  // sub n: referenced table, column id

struct SClassObjectRow {
    std::uint8_t nClass = 0;  // 50 = schema
    std::int32_t nId = 0;
    std::string strName;
};

// One physical column of a rowset, from sysrscols (2008+) or the 2005 pair.
struct SPhysicalColumnRow {
    std::uint64_t nRowsetId = 0;
    std::int32_t nColumnId = 0;    // table column id; 0 for a hidden column (uniquifier)
    std::int32_t nPhysicalId = 0;  // hobt column id
    std::uint8_t nTypeId = 0;
    std::int16_t nLeafOffset = 0;  // >0 fixed offset in the record; -n: n-th variable column
    std::uint16_t nNullBit = 0;    // 1-based bit of the NULL bitmap; 0 none
    std::uint16_t nBitPos = 0;
    std::int16_t nKeyOrdinal = 0;
};

// sysrowsetcolumns (2005): maps a table column of a rowset to its hobt column.
struct SRowsetColumnRow {
    std::uint64_t nRowsetId = 0;
    std::int32_t nColumnId = 0;
    std::int32_t nPhysicalId = 0;
};

// sysobjvalues: the value bytes stay in the record (imageval may be an in-row root).
struct SObjectValueRow {
    std::uint8_t nValueClass = 0;  // 1 = SQL text of a module
    std::int32_t nObjectId = 0;
    std::int32_t nSubObjectId = 0;
    std::int32_t nValueNumber = 0;
    bool bHasImage = false;
    bool bImageComplex = false;
    std::span<const std::byte> image;  // valid while the page is
};

class CatalogRows {
  public:
    // Record offsets of the fixed columns are given in the parsers; the 2008 layout differs only
    // by fields it adds at the end of the fixed part.
    static std::optional<SAllocUnitRow> AllocUnit(const CRecord& record);
    static std::optional<SRowsetRow> Rowset(const CRecord& record);
    static std::optional<SObjectRow> Object(const CRecord& record);
    static std::optional<SColumnRow> Column(const CRecord& record);
    static std::optional<STypeRow> Type(const CRecord& record);
    static std::optional<SIndexRow> Index(const CRecord& record);
    static std::optional<SIndexColumnRow> IndexColumn(const CRecord& record);
    static std::optional<SClassObjectRow> ClassObject(const CRecord& record);
    static std::optional<SObjectRefRow> ObjectRef(const CRecord& record);
    static std::optional<SPhysicalColumnRow> RsCol(const CRecord& record);       // 2008+
    static std::optional<SPhysicalColumnRow> HobtColumn(const CRecord& record);  // 2005
    static std::optional<SRowsetColumnRow> RowsetColumn(const CRecord& record);  // 2005
    static std::optional<SObjectValueRow> ObjectValue(const CRecord& record);

    // UTF-16LE text as 8-bit text: characters below 256 as they are, others as '?'.
    static std::string Narrow(std::span<const std::byte> utf16);
    // A name in variable column nIndex (not NULL), or std::nullopt.
    static std::optional<std::string> Name(const CRecord& record, std::size_t nIndex);
};

}  // namespace format2005
