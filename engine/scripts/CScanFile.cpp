// engine/scripts/CScanFile.cpp
#include "engine/scripts/CScanFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <string_view>
#include <utility>

#include "common/ArchiveReader.h"
#include "common/ArchiveWriter.h"
#include "common/ByteView.h"
#include "common/Crc32.h"
#include "common/ExecutionLog.h"
#include "engine/core/CSQLServerEngine.h"

namespace {
// Smallest encoding of one entry of each kind (every string at least its one length byte). A
// count is refused when that many entries could not fit in the bytes that remain.
constexpr std::size_t kMinIndexInfo = 4 + 9 * 4 + 4 + 1 + 1;
constexpr std::size_t kMinUserTypeEntry = 1 + 1 + 2 + 3 + 4 + 4;
constexpr std::size_t kMinDefaultEntry = 1 + kMinIndexInfo;
constexpr std::size_t kMinTableEntry = 1 + 3 + 4 + 4 + 5 * 4 + 2 + 6 * 4;
constexpr std::size_t kMinObjectEntry = 1 + 1 + 2 + 2 + 1;
constexpr std::size_t kMinColumn = 5 + 2 + 2 + 2 + 3 + 4 + 4;
constexpr std::size_t kMinVarColumn = 3 + 2 + 2 + 4 + 2;

void WriteIndexInfo(CArchiveWriter& out, const CIndexInfo& info) {
    out.WriteI32(info.m_nValue);
    for (bool bFlag : info.m_arrFlags)
        out.WriteFlag(bFlag);
    out.WriteI32(info.m_nObjectId);
    out.WriteString(info.m_strName);
    out.WriteString(info.m_strText);
}

void ReadIndexInfo(CArchiveReader& in, CIndexInfo& info) {
    info.m_nValue = in.ReadI32();
    for (bool& bFlag : info.m_arrFlags)
        bFlag = in.ReadFlag();
    info.m_nObjectId = in.ReadI32();
    info.m_strName = in.ReadString();
    info.m_strText = in.ReadString();
}

void WriteUserType(CArchiveWriter& out, const CUserType& type) {
    out.WriteString(type.m_strName);
    out.WriteU16(type.m_nLength);
    out.WriteU8(type.m_nBaseType);
    out.WriteU8(type.m_nPrecision);
    out.WriteU8(type.m_nScale);
    out.WriteI32(type.m_nValue1);
    out.WriteI32(type.m_nValue2);
}

void ReadUserType(CArchiveReader& in, CUserType& type) {
    type.m_strName = in.ReadString();
    type.m_nLength = in.ReadU16();
    type.m_nBaseType = in.ReadU8();
    type.m_nPrecision = in.ReadU8();
    type.m_nScale = in.ReadU8();
    type.m_nValue1 = in.ReadI32();
    type.m_nValue2 = in.ReadI32();
}

void WriteObject(CArchiveWriter& out, const CViewStoredProc& object) {
    out.WriteString(object.m_strName);
    out.WriteU16(object.m_nNumber);
    out.WriteU16(object.m_nColId);
    out.WriteString(object.m_strText);
}

void ReadObject(CArchiveReader& in, CViewStoredProc& object) {
    object.m_strName = in.ReadString();
    object.m_nNumber = in.ReadU16();
    object.m_nColId = in.ReadU16();
    object.m_strText = in.ReadString();
}

void WriteTable(CArchiveWriter& out, const CTable& table) {
    out.WriteString(table.m_strName);
    out.WriteString(table.m_strSaved1);
    out.WriteString(table.m_strSaved2);
    out.WriteI32(table.m_nSaved1);
    out.WriteI32(table.m_nObjectId);
    out.WriteI32(table.m_nColumns);
    out.WriteI32(table.m_nBitColumns);
    out.WriteI32(table.m_nAllColumns);
    out.WriteI32(table.m_nAllVarColumns);
    out.WriteI32(table.m_nSaved2);
    out.WriteI16(table.m_nVarColumns);

    out.WriteU32(static_cast<std::uint32_t>(table.m_vecColumns.size()));
    for (const CColumnInfo& column : table.m_vecColumns) {
        out.WriteString(column.m_strName);
        out.WriteString(column.m_strType);
        out.WriteString(column.m_strUserType);
        out.WriteString(column.m_strDefault);
        out.WriteString(column.m_strFormula);
        out.WriteU16(column.m_nOrder);
        out.WriteI16(column.m_nOffset);
        out.WriteU16(column.m_nLength);
        out.WriteU8(column.m_nPrecision);
        out.WriteU8(column.m_nScale);
        out.WriteU8(column.m_nBitPos);
        out.WriteI32(column.m_bDeleted);
        out.WriteFlag(column.m_bNullable);
    }

    out.WriteU32(static_cast<std::uint32_t>(table.m_vecVarColumns.size()));
    for (const CVarColumn& column : table.m_vecVarColumns) {
        out.WriteString(column.m_strName);
        out.WriteString(column.m_strExtra);
        out.WriteString(column.m_strType);
        out.WriteU16(column.m_nOrder);
        out.WriteU16(column.m_nLength);
        out.WriteI32(column.m_nExtra);
        out.WriteI16(column.m_nOffset);
    }

    out.WriteU32(static_cast<std::uint32_t>(table.m_mapIndexes.Count()));
    for (const auto& [strKey, pIndex] : table.m_mapIndexes) {
        out.WriteString(strKey);
        WriteIndexInfo(out, *pIndex);
    }

    out.WriteU32(static_cast<std::uint32_t>(table.m_vecVarColumnTypes.size()));
    for (const auto& [strOffset, strType] : table.m_vecVarColumnTypes) {
        out.WriteString(strOffset);
        out.WriteString(strType);
    }

    out.WriteU32(static_cast<std::uint32_t>(table.m_vecExtentPages.size()));
    for (std::uint32_t nPage : table.m_vecExtentPages)
        out.WriteU32(nPage);
    out.WriteU32(static_cast<std::uint32_t>(table.m_vecPages.size()));
    for (std::uint32_t nPage : table.m_vecPages)
        out.WriteU32(nPage);
}

void ReadTable(CArchiveReader& in, CTable& table) {
    table.m_strName = in.ReadString();
    table.m_strSaved1 = in.ReadString();
    table.m_strSaved2 = in.ReadString();
    table.m_nSaved1 = in.ReadI32();
    table.m_nObjectId = in.ReadI32();
    table.m_nColumns = in.ReadI32();
    table.m_nBitColumns = in.ReadI32();
    table.m_nAllColumns = in.ReadI32();
    table.m_nAllVarColumns = in.ReadI32();
    table.m_nSaved2 = in.ReadI32();
    table.m_nVarColumns = in.ReadI16();

    // Lists are rebuilt in the order read: the file was written from lists already in order.
    const std::uint32_t nColumns = in.ReadCount(kMinColumn, "column records");
    table.m_vecColumns.reserve(nColumns);
    for (std::uint32_t i = 0; i < nColumns; ++i) {
        CColumnInfo& column = table.m_vecColumns.emplace_back();
        column.m_strName = in.ReadString();
        column.m_strType = in.ReadString();
        column.m_strUserType = in.ReadString();
        column.m_strDefault = in.ReadString();
        column.m_strFormula = in.ReadString();
        column.m_nOrder = in.ReadU16();
        column.m_nOffset = in.ReadI16();
        column.m_nLength = in.ReadU16();
        column.m_nPrecision = in.ReadU8();
        column.m_nScale = in.ReadU8();
        column.m_nBitPos = in.ReadU8();
        column.m_bDeleted = in.ReadI32();
        column.m_bNullable = in.ReadFlag();
    }

    const std::uint32_t nVarColumns = in.ReadCount(kMinVarColumn, "variable-column records");
    table.m_vecVarColumns.reserve(nVarColumns);
    for (std::uint32_t i = 0; i < nVarColumns; ++i) {
        CVarColumn& column = table.m_vecVarColumns.emplace_back();
        column.m_strName = in.ReadString();
        column.m_strExtra = in.ReadString();
        column.m_strType = in.ReadString();
        column.m_nOrder = in.ReadU16();
        column.m_nLength = in.ReadU16();
        column.m_nExtra = in.ReadI32();
        column.m_nOffset = in.ReadI16();
    }

    const std::uint32_t nIndexes = in.ReadCount(1 + kMinIndexInfo, "index records");
    for (std::uint32_t i = 0; i < nIndexes; ++i) {
        std::string strKey = in.ReadString();
        auto pIndex = std::make_unique<CIndexInfo>();
        ReadIndexInfo(in, *pIndex);
        table.m_mapIndexes.Set(strKey, std::move(pIndex));
    }

    const std::uint32_t nTypes = in.ReadCount(2, "column type entries");
    table.m_vecVarColumnTypes.reserve(nTypes);
    for (std::uint32_t i = 0; i < nTypes; ++i) {
        std::string strOffset = in.ReadString();
        std::string strType = in.ReadString();
        table.m_vecVarColumnTypes.emplace_back(std::move(strOffset), std::move(strType));
    }

    const std::uint32_t nExtentPages = in.ReadCount(4, "extent pages");
    table.m_vecExtentPages.reserve(nExtentPages);
    for (std::uint32_t i = 0; i < nExtentPages; ++i)
        table.m_vecExtentPages.push_back(in.ReadU32());
    const std::uint32_t nPages = in.ReadCount(4, "data pages");
    table.m_vecPages.reserve(nPages);
    for (std::uint32_t i = 0; i < nPages; ++i)
        table.m_vecPages.push_back(in.ReadU32());
}

// ---- The schema section (a tagged section, see below): keys, checks, foreign keys, indexes,
// identity and computed columns of the tables that have any.

constexpr std::uint32_t kSchemaVersion = 1;
constexpr std::size_t kMinSchemaTable = 1 + 5 * 4;
constexpr std::size_t kMinSchemaColumn = 1 + 2 * 4 + 4 * 4;
constexpr std::size_t kMinIndexColumn = 1 + 4;
constexpr std::size_t kMinKey = 1 + 4 + 2 * 4 + 4;
constexpr std::size_t kMinCheck = 1 + 4 + 1 + 4;
constexpr std::size_t kMinForeignKey = 1 + 4 + 4 + 4 + 1 + 4 + 2 + 4;
constexpr std::size_t kMinIndex = 1 + 4 + 3 * 4 + 4;

// Counts the bytes the archive encoding of the body takes, so the length can precede it.
class CSizeCounter {
  public:
    void WriteU8(std::uint8_t) { m_nBytes += 1; }
    void WriteU32(std::uint32_t) { m_nBytes += 4; }
    void WriteI32(std::int32_t) { m_nBytes += 4; }
    void WriteFlag(bool) { m_nBytes += 4; }
    void WriteString(std::string_view strText) {
        // The length prefix takes 1, 3 or 7 bytes (CArchiveWriter::WriteString).
        const std::size_t n = strText.size();
        m_nBytes += (n < 0xFF ? 1 : n < 0xFFFE ? 3 : 7) + n;
    }
    std::uint64_t Bytes() const { return m_nBytes; }

  private:
    std::uint64_t m_nBytes = 0;
};

template <typename TOut>
void WriteI64(TOut& out, std::int64_t nValue) {
    out.WriteU32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(nValue)));
    out.WriteU32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(nValue) >> 32));
}

std::int64_t ReadI64(CArchiveReader& in) {
    const std::uint64_t nLow = in.ReadU32();
    const std::uint64_t nHigh = in.ReadU32();
    return static_cast<std::int64_t>(nLow | (nHigh << 32));
}

bool HasSchema(const CTable& table) {
    return !table.m_vecKeys.empty() || !table.m_vecChecks.empty() ||
           !table.m_vecForeignKeys.empty() || !table.m_vecIndexes.empty() ||
           std::any_of(table.m_vecColumns.begin(), table.m_vecColumns.end(),
                       [](const CColumnInfo& c) { return c.m_bIdentity || c.m_bComputed; });
}

template <typename TOut>
void WriteIndexColumns(TOut& out, const std::vector<CIndexColumn>& vecColumns) {
    out.WriteU32(static_cast<std::uint32_t>(vecColumns.size()));
    for (const CIndexColumn& column : vecColumns) {
        out.WriteString(column.m_strName);
        out.WriteFlag(column.m_bDescending);
    }
}

template <typename TOut>
void WriteNames(TOut& out, const std::vector<std::string>& vecNames) {
    out.WriteU32(static_cast<std::uint32_t>(vecNames.size()));
    for (const std::string& strName : vecNames)
        out.WriteString(strName);
}

template <typename TOut>
void WriteSchemaBody(TOut& out, const CSQLServerEngine& engine) {
    std::uint32_t nTables = 0;
    for (const auto& [strKey, pTable] : engine.m_mapObjects)
        nTables += HasSchema(*pTable) ? 1 : 0;
    out.WriteU32(nTables);
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        const CTable& table = *pTable;
        if (!HasSchema(table))
            continue;
        out.WriteString(strKey);
        std::uint32_t nColumns = 0;
        for (const CColumnInfo& column : table.m_vecColumns)
            nColumns += column.m_bIdentity || column.m_bComputed ? 1 : 0;
        out.WriteU32(nColumns);
        for (const CColumnInfo& column : table.m_vecColumns) {
            if (!column.m_bIdentity && !column.m_bComputed)
                continue;
            out.WriteString(column.m_strName);
            out.WriteFlag(column.m_bComputed);
            out.WriteFlag(column.m_bIdentity);
            WriteI64(out, column.m_nIdentitySeed);
            WriteI64(out, column.m_nIdentityIncrement);
        }
        out.WriteU32(static_cast<std::uint32_t>(table.m_vecKeys.size()));
        for (const CKeyConstraint& key : table.m_vecKeys) {
            out.WriteString(key.m_strName);
            out.WriteI32(key.m_nObjectId);
            out.WriteFlag(key.m_bPrimaryKey);
            out.WriteFlag(key.m_bClustered);
            WriteIndexColumns(out, key.m_vecColumns);
        }
        out.WriteU32(static_cast<std::uint32_t>(table.m_vecChecks.size()));
        for (const CCheckConstraint& check : table.m_vecChecks) {
            out.WriteString(check.m_strName);
            out.WriteI32(check.m_nObjectId);
            out.WriteString(check.m_strText);
            out.WriteFlag(check.m_bDisabled);
        }
        out.WriteU32(static_cast<std::uint32_t>(table.m_vecForeignKeys.size()));
        for (const CForeignKey& key : table.m_vecForeignKeys) {
            out.WriteString(key.m_strName);
            out.WriteI32(key.m_nObjectId);
            WriteNames(out, key.m_vecColumns);
            out.WriteI32(key.m_nReferencedObjectId);
            out.WriteString(key.m_strReferencedTable);
            WriteNames(out, key.m_vecReferencedColumns);
            out.WriteU8(static_cast<std::uint8_t>(key.m_eOnDelete));
            out.WriteU8(static_cast<std::uint8_t>(key.m_eOnUpdate));
            out.WriteFlag(key.m_bDisabled);
        }
        out.WriteU32(static_cast<std::uint32_t>(table.m_vecIndexes.size()));
        for (const CTableIndex& index : table.m_vecIndexes) {
            out.WriteString(index.m_strName);
            out.WriteI32(index.m_nIndexId);
            out.WriteFlag(index.m_bUnique);
            out.WriteFlag(index.m_bClustered);
            out.WriteFlag(index.m_bKeyIndex);
            WriteIndexColumns(out, index.m_vecColumns);
        }
    }
}

// Written only when a table has schema parts: a catalog without any gives the same bytes as
// before the section existed.
bool WantsSchemaSection(const CSQLServerEngine& engine) {
    return std::any_of(engine.m_mapObjects.begin(), engine.m_mapObjects.end(),
                       [](const auto& entry) { return HasSchema(*entry.second); });
}

std::vector<CIndexColumn> ReadIndexColumns(CArchiveReader& in) {
    const std::uint32_t nCount = in.ReadCount(kMinIndexColumn, "key columns");
    std::vector<CIndexColumn> vecColumns(nCount);
    for (CIndexColumn& column : vecColumns) {
        column.m_strName = in.ReadString();
        column.m_bDescending = in.ReadFlag();
    }
    return vecColumns;
}

std::vector<std::string> ReadNames(CArchiveReader& in) {
    const std::uint32_t nCount = in.ReadCount(1, "foreign key columns");
    std::vector<std::string> vecNames(nCount);
    for (std::string& strName : vecNames)
        strName = in.ReadString();
    return vecNames;
}

CForeignKey::EAction ReadAction(CArchiveReader& in) {
    const std::uint8_t nAction = in.ReadU8();
    if (nAction > static_cast<std::uint8_t>(CForeignKey::EAction::SetDefault))
        throw CArchiveError("unknown referential action " + std::to_string(nAction));
    return static_cast<CForeignKey::EAction>(nAction);
}

// The schema parts of one table as the section holds them, applied only once the whole body
// has been read, so a damaged body leaves every table as the eight sections gave it.
struct SSchemaColumn {
    std::string strName;
    bool bComputed = false;
    bool bIdentity = false;
    std::int64_t nSeed = 1;
    std::int64_t nIncrement = 1;
};
struct SSchemaEntry {
    std::string strKey;
    std::vector<SSchemaColumn> vecColumns;
    std::vector<CKeyConstraint> vecKeys;
    std::vector<CCheckConstraint> vecChecks;
    std::vector<CForeignKey> vecForeignKeys;
    std::vector<CTableIndex> vecIndexes;
};

SSchemaEntry ReadSchemaEntry(CArchiveReader& in) {
    SSchemaEntry entry;
    entry.strKey = in.ReadString();
    entry.vecColumns.resize(in.ReadCount(kMinSchemaColumn, "identity and computed columns"));
    for (SSchemaColumn& column : entry.vecColumns) {
        column.strName = in.ReadString();
        column.bComputed = in.ReadFlag();
        column.bIdentity = in.ReadFlag();
        column.nSeed = ReadI64(in);
        column.nIncrement = ReadI64(in);
    }
    entry.vecKeys.resize(in.ReadCount(kMinKey, "keys"));
    for (CKeyConstraint& key : entry.vecKeys) {
        key.m_strName = in.ReadString();
        key.m_nObjectId = in.ReadI32();
        key.m_bPrimaryKey = in.ReadFlag();
        key.m_bClustered = in.ReadFlag();
        key.m_vecColumns = ReadIndexColumns(in);
    }
    entry.vecChecks.resize(in.ReadCount(kMinCheck, "check constraints"));
    for (CCheckConstraint& check : entry.vecChecks) {
        check.m_strName = in.ReadString();
        check.m_nObjectId = in.ReadI32();
        check.m_strText = in.ReadString();
        check.m_bDisabled = in.ReadFlag();
    }
    entry.vecForeignKeys.resize(in.ReadCount(kMinForeignKey, "foreign keys"));
    for (CForeignKey& key : entry.vecForeignKeys) {
        key.m_strName = in.ReadString();
        key.m_nObjectId = in.ReadI32();
        key.m_vecColumns = ReadNames(in);
        key.m_nReferencedObjectId = in.ReadI32();
        key.m_strReferencedTable = in.ReadString();
        key.m_vecReferencedColumns = ReadNames(in);
        key.m_eOnDelete = ReadAction(in);
        key.m_eOnUpdate = ReadAction(in);
        key.m_bDisabled = in.ReadFlag();
    }
    entry.vecIndexes.resize(in.ReadCount(kMinIndex, "indexes"));
    for (CTableIndex& index : entry.vecIndexes) {
        index.m_strName = in.ReadString();
        index.m_nIndexId = in.ReadI32();
        index.m_bUnique = in.ReadFlag();
        index.m_bClustered = in.ReadFlag();
        index.m_bKeyIndex = in.ReadFlag();
        index.m_vecColumns = ReadIndexColumns(in);
    }
    return entry;
}

void ReadSchemaBody(CArchiveReader& in, CSQLServerEngine& engine) {
    std::vector<SSchemaEntry> vecEntries(in.ReadCount(kMinSchemaTable, "tables with schema parts"));
    for (SSchemaEntry& entry : vecEntries)
        entry = ReadSchemaEntry(in);
    for (SSchemaEntry& entry : vecEntries) {
        // A table the eight sections do not hold has nothing to attach its parts to.
        CTable* pTable = engine.m_mapObjects.Find(entry.strKey);
        if (!pTable)
            continue;
        for (const SSchemaColumn& saved : entry.vecColumns) {
            for (CColumnInfo& column : pTable->m_vecColumns) {
                if (column.m_strName != saved.strName)
                    continue;
                column.m_bComputed = saved.bComputed;
                column.m_bIdentity = saved.bIdentity;
                column.m_nIdentitySeed = saved.nSeed;
                column.m_nIdentityIncrement = saved.nIncrement;
            }
        }
        pTable->m_vecKeys = std::move(entry.vecKeys);
        pTable->m_vecChecks = std::move(entry.vecChecks);
        pTable->m_vecForeignKeys = std::move(entry.vecForeignKeys);
        pTable->m_vecIndexes = std::move(entry.vecIndexes);
    }
}

template <typename T, typename FnWrite>
void WriteSection(CArchiveWriter& out, const COrderedMap<T>& map, FnWrite fnWrite) {
    for (const auto& [strKey, pValue] : map) {
        out.WriteString(strKey);
        fnWrite(out, *pValue);
    }
}

// Map keys are ids printed in decimal; anything else is a damaged key, and every reader of the
// maps (the catalog list, the exports) would trip over it.
bool IsIdKey(const std::string& strKey) {
    std::int32_t nValue = 0;
    const char* pEnd = strKey.data() + strKey.size();
    auto [pStop, ec] = std::from_chars(strKey.data(), pEnd, nValue);
    return !strKey.empty() && ec == std::errc{} && pStop == pEnd && strKey.front() != '+';
}

template <typename T, typename FnRead>
void ReadSection(CArchiveReader& in, std::uint32_t nCount, COrderedMap<T>& map, FnRead fnRead,
                 const char* pszEntry, IDamageSink& damage) {
    for (std::uint32_t i = 0; i < nCount; ++i) {
        const std::size_t nPosition = in.Position();
        std::string strKey = in.ReadString();
        if (!IsIdKey(strKey)) {
            std::string strShown = strKey.substr(0, 40);
            for (char& ch : strShown) {
                if (static_cast<unsigned char>(ch) < 0x20)
                    ch = '?';
            }
            throw CArchiveError("the key of " + std::string(pszEntry) + " entry " +
                                std::to_string(i + 1) + " ('" + strShown + "', at byte " +
                                std::to_string(nPosition) + ") is not an id");
        }
        auto pValue = std::make_unique<T>();
        fnRead(in, *pValue);
        if (map.Contains(strKey)) {
            SDamage record;
            record.eKind = EDamageKind::ScanFile;
            record.strDetail = "the scan file holds two " + std::string(pszEntry) +
                               " entries under the key " + strKey + "; the later one is kept";
            damage.Report(record);
        }
        map.Set(strKey, std::move(pValue));
    }
}

// A section count must leave room for its own entries and the smallest entries of the sections
// still to come, so a damaged header fails before anything is read.
std::uint32_t CheckCount(const CArchiveReader& in, std::int32_t nCount, std::size_t nMinEntry,
                         const char* pszWhat) {
    if (nCount < 0 || static_cast<std::size_t>(nCount) > in.Remaining() / nMinEntry) {
        throw CArchiveError("the header's count of " + std::string(pszWhat) + " (" +
                            std::to_string(nCount) + ") does not fit in a file of " +
                            std::to_string(in.Position() + in.Remaining()) + " bytes");
    }
    return static_cast<std::uint32_t>(nCount);
}

std::int32_t Count(std::size_t n) {
    return static_cast<std::int32_t>(n);
}

// The programmable-object maps in the order the model section numbers them.
template <class TEngine>
auto ObjectMaps(TEngine& engine) {
    return std::array{&engine.m_mapViews, &engine.m_mapProcedures, &engine.m_mapRules,
                      &engine.m_mapTriggers, &engine.m_mapFunctions};
}

// Identity is no part of this section: the schema section carries it with the other schema parts.
constexpr std::uint8_t kColumnMax = 0x1;

bool HasModelSection(const CSQLServerEngine& engine) {
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        if (!pTable->m_strSchema.empty() || !pTable->m_strRowsNotRead.empty())
            return true;
        for (const CColumnInfo& column : pTable->m_vecColumns) {
            if (column.m_bMax)
                return true;
        }
    }
    for (auto* pMap : ObjectMaps(engine)) {
        for (const auto& [strKey, pObject] : *pMap) {
            if (!pObject->m_strSchema.empty())
                return true;
        }
    }
    for (const auto& [strKey, pType] : engine.m_mapUserTypes) {
        if (!pType->m_strSchema.empty())
            return true;
    }
    return false;
}

constexpr std::uint32_t kModelVersion = 1;

template <typename TOut>
void WriteModelBody(TOut& out, const CSQLServerEngine& engine) {
    out.WriteU32(static_cast<std::uint32_t>(engine.m_mapObjects.Count()));
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        out.WriteString(strKey);
        out.WriteString(pTable->m_strSchema);
        out.WriteString(pTable->m_strRowsNotRead);
        out.WriteU32(static_cast<std::uint32_t>(pTable->m_vecColumns.size()));
        for (const CColumnInfo& column : pTable->m_vecColumns) {
            out.WriteU8(column.m_bMax ? kColumnMax : 0);
        }
    }
    std::uint32_t nObjects = 0;
    for (auto* pMap : ObjectMaps(engine))
        nObjects += static_cast<std::uint32_t>(pMap->Count());
    out.WriteU32(nObjects);
    const auto arrMaps = ObjectMaps(engine);
    for (std::uint8_t nMap = 0; nMap < arrMaps.size(); ++nMap) {
        for (const auto& [strKey, pObject] : *arrMaps[nMap]) {
            out.WriteU8(nMap);
            out.WriteString(strKey);
            out.WriteString(pObject->m_strSchema);
        }
    }
    out.WriteU32(static_cast<std::uint32_t>(engine.m_mapUserTypes.Count()));
    for (const auto& [strKey, pType] : engine.m_mapUserTypes) {
        out.WriteString(strKey);
        out.WriteString(pType->m_strSchema);
    }
}

// The model parts as the body holds them, applied only once the whole body has been read, so a
// damaged body leaves the catalog as the eight sections gave it.
struct SModelColumn {
    std::uint8_t nFlags = 0;
};
struct SModelTable {
    std::string strKey;
    std::string strSchema;
    std::string strRowsNotRead;
    std::vector<SModelColumn> vecColumns;
};
struct SModelObject {
    std::uint8_t nMap = 0;
    std::string strKey;
    std::string strSchema;
};

// Entries name their objects by key; an entry whose object the sections do not hold is passed
// over.
void ReadModelBody(CArchiveReader& in, CSQLServerEngine& engine) {
    constexpr std::size_t kMinModelColumn = 1;
    const auto arrMaps = ObjectMaps(engine);
    std::vector<SModelTable> vecTables(in.ReadCount(1 + 1 + 1 + 4, "model table entries"));
    for (SModelTable& table : vecTables) {
        table.strKey = in.ReadString();
        table.strSchema = in.ReadString();
        table.strRowsNotRead = in.ReadString();
        table.vecColumns.resize(in.ReadCount(kMinModelColumn, "model column entries"));
        for (SModelColumn& column : table.vecColumns) {
            column.nFlags = in.ReadU8();
        }
    }
    std::vector<SModelObject> vecObjects(in.ReadCount(1 + 1 + 1, "model object entries"));
    for (SModelObject& object : vecObjects) {
        object.nMap = in.ReadU8();
        object.strKey = in.ReadString();
        object.strSchema = in.ReadString();
        if (object.nMap >= arrMaps.size())
            throw CArchiveError("object map " + std::to_string(object.nMap) + " unknown");
    }
    std::vector<std::pair<std::string, std::string>> vecTypes(
        in.ReadCount(1 + 1, "model user type entries"));
    for (auto& [strKey, strSchema] : vecTypes) {
        strKey = in.ReadString();
        strSchema = in.ReadString();
    }

    for (SModelTable& saved : vecTables) {
        CTable* pTable = engine.m_mapObjects.Find(saved.strKey);
        if (pTable == nullptr)
            continue;
        pTable->m_strSchema = std::move(saved.strSchema);
        pTable->m_strRowsNotRead = std::move(saved.strRowsNotRead);
        const std::size_t nColumns = std::min(saved.vecColumns.size(), pTable->m_vecColumns.size());
        for (std::size_t n = 0; n < nColumns; ++n) {
            CColumnInfo& column = pTable->m_vecColumns[n];
            column.m_bMax = (saved.vecColumns[n].nFlags & kColumnMax) != 0;
        }
    }
    for (SModelObject& saved : vecObjects) {
        if (CViewStoredProc* pObject = arrMaps[saved.nMap]->Find(saved.strKey))
            pObject->m_strSchema = std::move(saved.strSchema);
    }
    for (auto& [strKey, strSchema] : vecTypes) {
        if (CUserType* pType = engine.m_mapUserTypes.Find(strKey))
            pType->m_strSchema = std::move(strSchema);
    }
}

// ---- Sparse columns: per table its key, then each sparse column or column set by name.

constexpr std::uint32_t kSparseVersion = 1;
constexpr std::size_t kMinSparseTable = 1 + 4;
constexpr std::size_t kMinSparseColumn = 1 + 1;

bool HasSparse(const CTable& table) {
    return std::any_of(table.m_vecColumns.begin(), table.m_vecColumns.end(),
                       [](const CColumnInfo& c) { return c.m_bSparse || c.m_bColumnSet; });
}

bool WantsSparseSection(const CSQLServerEngine& engine) {
    return std::any_of(engine.m_mapObjects.begin(), engine.m_mapObjects.end(),
                       [](const auto& entry) { return HasSparse(*entry.second); });
}

template <typename TOut>
void WriteSparseBody(TOut& out, const CSQLServerEngine& engine) {
    std::uint32_t nTables = 0;
    for (const auto& [strKey, pTable] : engine.m_mapObjects)
        nTables += HasSparse(*pTable) ? 1 : 0;
    out.WriteU32(nTables);
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        if (!HasSparse(*pTable))
            continue;
        out.WriteString(strKey);
        std::uint32_t nColumns = 0;
        for (const CColumnInfo& column : pTable->m_vecColumns)
            nColumns += column.m_bSparse || column.m_bColumnSet ? 1 : 0;
        out.WriteU32(nColumns);
        for (const CColumnInfo& column : pTable->m_vecColumns) {
            if (!column.m_bSparse && !column.m_bColumnSet)
                continue;
            out.WriteString(column.m_strName);
            out.WriteFlag(column.m_bColumnSet);
        }
    }
}

void ReadSparseBody(CArchiveReader& in, CSQLServerEngine& engine) {
    // Read whole before anything is changed: a damaged body leaves the model as it was.
    struct SEntry {
        std::string strKey;
        std::vector<std::pair<std::string, bool>> vecColumns;  // name, column set
    };
    std::vector<SEntry> vecEntries(in.ReadCount(kMinSparseTable, "tables with sparse columns"));
    for (SEntry& entry : vecEntries) {
        entry.strKey = in.ReadString();
        entry.vecColumns.resize(in.ReadCount(kMinSparseColumn, "sparse columns"));
        for (auto& [strName, bColumnSet] : entry.vecColumns) {
            strName = in.ReadString();
            bColumnSet = in.ReadFlag();
        }
    }
    for (const SEntry& entry : vecEntries) {
        CTable* pTable = engine.m_mapObjects.Find(entry.strKey);
        if (!pTable)
            continue;
        for (const auto& [strName, bColumnSet] : entry.vecColumns) {
            for (CColumnInfo& column : pTable->m_vecColumns) {
                if (column.m_strName != strName)
                    continue;
                column.m_bColumnSet = bColumnSet;
                column.m_bSparse = !bColumnSet;
            }
        }
    }
}

// ---- Tagged sections after the eight sections: each is its tag (string), a 32-bit version, the
// 32-bit byte length of its body and the body. A reader skips a tag or a version it does not
// know by the length, so sections of later builds never stop an older one.

template <typename FnBody>
void WriteTaggedSection(CArchiveWriter& out, std::string_view strTag, std::uint32_t nVersion,
                        FnBody fnBody) {
    CSizeCounter counter;
    fnBody(counter);
    if (counter.Bytes() > UINT32_MAX)
        return;  // cannot be framed; the file still opens without it
    out.WriteString(strTag);
    out.WriteU32(nVersion);
    out.WriteU32(static_cast<std::uint32_t>(counter.Bytes()));
    fnBody(out);
}

void WriteTaggedSections(CArchiveWriter& out, const CSQLServerEngine& engine) {
    // Scans of the 2000 format have no model section: such files stay as they always were.
    if (HasModelSection(engine)) {
        WriteTaggedSection(out, CScanFile::kModelTag, kModelVersion,
                           [&](auto& body) { WriteModelBody(body, engine); });
    }
    if (WantsSchemaSection(engine)) {
        WriteTaggedSection(out, CScanFile::kSchemaTag, kSchemaVersion,
                           [&](auto& body) { WriteSchemaBody(body, engine); });
    }
    if (WantsSparseSection(engine)) {
        WriteTaggedSection(out, CScanFile::kSparseTag, kSparseVersion,
                           [&](auto& body) { WriteSparseBody(body, engine); });
    }
}

struct STaggedReader {
    const char* pszTag;
    std::uint32_t nVersion;
    void (*fnRead)(CArchiveReader& body, CSQLServerEngine& engine);
};
// One entry per section this build understands. A reader throws CArchiveError on a body it
// cannot read and must then leave the engine as it was.
constexpr STaggedReader kTaggedReaders[] = {
    {CScanFile::kModelTag, kModelVersion, ReadModelBody},
    {CScanFile::kSchemaTag, kSchemaVersion, ReadSchemaBody},
    {CScanFile::kSparseTag, kSparseVersion, ReadSparseBody},
};

// Reads the tagged sections up to the end of the file. Whatever cannot be read (bytes that are
// no section header, a body longer than the file, a body its reader refuses) ends the walk with
// a line in the error log: the catalog of the eight sections is complete without them.
void ReadTaggedSections(CArchiveReader& in, CSQLServerEngine& engine) {
    while (in.Remaining() > 0) {
        CArchiveReader header(in.RemainingBytes());
        std::string strTag;
        std::uint32_t nVersion = 0;
        std::uint32_t nLength = 0;
        try {
            strTag = header.ReadString();
            nVersion = header.ReadU32();
            nLength = header.ReadU32();
        } catch (const CArchiveError&) {
            CExecutionLog::WriteLog(1, 0,
                                    "Scan file: " + std::to_string(in.Remaining()) +
                                        " bytes after the catalog are no readable section",
                                    true);
            return;
        }
        if (nLength > header.Remaining()) {
            CExecutionLog::WriteLog(1, 0,
                                    "Scan file: section " + strTag + " claims " +
                                        std::to_string(nLength) + " bytes but only " +
                                        std::to_string(header.Remaining()) + " remain",
                                    true);
            return;
        }
        CArchiveReader body(header.RemainingBytes().first(nLength));
        in.Skip(header.Position() + nLength, "a tagged section");
        for (const STaggedReader& reader : kTaggedReaders) {
            if (strTag != reader.pszTag || nVersion != reader.nVersion)
                continue;
            try {
                reader.fnRead(body, engine);
            } catch (const CArchiveError& error) {
                CExecutionLog::WriteLog(
                    1, 0, "Scan file: section " + strTag + " is damaged: " + error.what(), true);
                return;
            }
        }
    }
}

}  // namespace

bool CScanFile::Save(const CSQLServerEngine& engine, const std::string& strPath,
                     std::string& strError) {
    CArchiveWriter out;
    if (!out.Open(strPath)) {
        strError = out.Error();
        return false;
    }
    out.WriteString(kSignature);
    out.WriteString(engine.FormatVersion());
    out.WriteString(engine.m_strDatabaseName);
    out.WriteString(engine.m_strFileName);
    // The counts are those of the entries actually written: a count that disagreed with its
    // section would make the rest of the file unreadable.
    out.WriteI32(Count(engine.m_mapUserTypes.Count()));
    out.WriteI32(Count(engine.m_mapDefaults.Count()));
    out.WriteI32(Count(engine.m_mapObjects.Count()));
    out.WriteI32(Count(engine.m_mapViews.Count()));
    out.WriteI32(Count(engine.m_mapProcedures.Count()));
    out.WriteI32(Count(engine.m_mapRules.Count()));
    out.WriteI32(Count(engine.m_mapTriggers.Count()));
    out.WriteI32(Count(engine.m_mapFunctions.Count()));
    WriteSection(out, engine.m_mapUserTypes, WriteUserType);
    WriteSection(out, engine.m_mapDefaults, WriteIndexInfo);
    WriteSection(out, engine.m_mapObjects, WriteTable);
    WriteSection(out, engine.m_mapViews, WriteObject);
    WriteSection(out, engine.m_mapProcedures, WriteObject);
    WriteSection(out, engine.m_mapRules, WriteObject);
    WriteSection(out, engine.m_mapTriggers, WriteObject);
    WriteSection(out, engine.m_mapFunctions, WriteObject);
    WriteTaggedSections(out, engine);
    // The trailer covers every byte before it, the tagged sections included.
    const std::uint64_t nCovered = out.BytesWritten();
    const std::uint32_t nCrc = out.Crc32();
    out.WriteString(kTrailerSignature);
    out.WriteU32(static_cast<std::uint32_t>(nCovered));
    out.WriteU32(static_cast<std::uint32_t>(nCovered >> 32));
    out.WriteU32(nCrc);
    if (!out.Close()) {
        strError = out.Error();
        return false;
    }
    return true;
}

void CScanFile::Load(CSQLServerEngine& engine, CArchiveReader& in) {
    engine.m_strDatabaseName = in.ReadString();
    engine.m_strFileName = in.ReadString();
    std::int32_t arrCounts[8];
    for (std::int32_t& nCount : arrCounts)
        nCount = in.ReadI32();
    const std::uint32_t nUserTypes = CheckCount(in, arrCounts[0], kMinUserTypeEntry, "user types");
    const std::uint32_t nDefaults = CheckCount(in, arrCounts[1], kMinDefaultEntry, "defaults");
    const std::uint32_t nTables = CheckCount(in, arrCounts[2], kMinTableEntry, "tables");
    const std::uint32_t nViews = CheckCount(in, arrCounts[3], kMinObjectEntry, "views");
    const std::uint32_t nProcedures =
        CheckCount(in, arrCounts[4], kMinObjectEntry, "stored procedures");
    const std::uint32_t nRules = CheckCount(in, arrCounts[5], kMinObjectEntry, "rules");
    const std::uint32_t nTriggers = CheckCount(in, arrCounts[6], kMinObjectEntry, "triggers");
    const std::uint32_t nFunctions = CheckCount(in, arrCounts[7], kMinObjectEntry, "functions");
    const std::uint64_t nNeeded =
        std::uint64_t{nUserTypes} * kMinUserTypeEntry +
        std::uint64_t{nDefaults} * kMinDefaultEntry + std::uint64_t{nTables} * kMinTableEntry +
        (std::uint64_t{nViews} + nProcedures + nRules + nTriggers + nFunctions) * kMinObjectEntry;
    if (nNeeded > in.Remaining()) {
        throw CArchiveError("the header's entry counts need at least " + std::to_string(nNeeded) +
                            " bytes but only " + std::to_string(in.Remaining()) + " remain");
    }
    engine.m_nUserTypes = arrCounts[0];
    engine.m_nDefaults = arrCounts[1];
    engine.m_nTables = arrCounts[2];
    engine.m_nViews = arrCounts[3];
    engine.m_nProcedures = arrCounts[4];
    engine.m_nRules = arrCounts[5];
    engine.m_nTriggers = arrCounts[6];
    engine.m_nFunctions = arrCounts[7];

    engine.m_damage.Clear();
    CDamageLog& damage = engine.m_damage;
    ReadSection(in, nUserTypes, engine.m_mapUserTypes, ReadUserType, "user type", damage);
    ReadSection(in, nDefaults, engine.m_mapDefaults, ReadIndexInfo, "default", damage);
    ReadSection(in, nTables, engine.m_mapObjects, ReadTable, "table", damage);
    ReadSection(in, nViews, engine.m_mapViews, ReadObject, "view", damage);
    ReadSection(in, nProcedures, engine.m_mapProcedures, ReadObject, "stored procedure", damage);
    ReadSection(in, nRules, engine.m_mapRules, ReadObject, "rule", damage);
    ReadSection(in, nTriggers, engine.m_mapTriggers, ReadObject, "trigger", damage);
    ReadSection(in, nFunctions, engine.m_mapFunctions, ReadObject, "function", damage);
    ReadTaggedSections(in, engine);

    // The object ids live in the keys; the programmable objects keep them as members too.
    for (auto* pMap : {&engine.m_mapViews, &engine.m_mapProcedures, &engine.m_mapRules,
                       &engine.m_mapTriggers, &engine.m_mapFunctions}) {
        for (const auto& [strKey, pObject] : *pMap) {
            pObject->m_nObjectId =
                static_cast<std::int32_t>(std::strtol(strKey.c_str(), nullptr, 10));
        }
    }

    CEngineStatus& status = *engine.m_pStatus;
    status.SetDatabaseName(engine.m_strDatabaseName);
    status.m_nTables = engine.m_nTables;
    status.m_nViews = engine.m_nViews;
    status.m_nProcedures = engine.m_nProcedures;
    status.m_nRules = engine.m_nRules;
    status.m_nTriggers = engine.m_nTriggers;
    status.m_nFunctions = engine.m_nFunctions;
}

std::string CScanFile::ReadHeader(CArchiveReader& in) {
    std::string strSignature;
    try {
        strSignature = in.ReadString();
    } catch (const CArchiveError&) {
        throw CArchiveError("not a scan file (it does not start with the scan file signature)");
    }
    if (strSignature != kSignature)
        throw CArchiveError("not a scan file (it does not start with the scan file signature)");
    return in.ReadString();
}

std::span<const std::byte> CScanFile::CheckTrailer(std::span<const std::byte> bytes) {
    if (bytes.size() < kTrailerSize)
        return bytes;
    const std::size_t nCovered = bytes.size() - kTrailerSize;
    const CByteView trailer(bytes.subspan(nCovered));
    const std::size_t nSignature = std::strlen(kTrailerSignature);
    const bool bSigned =
        *trailer.U8(0) == nSignature &&
        std::memcmp(trailer.Bytes().data() + 1, kTrailerSignature, nSignature) == 0;
    if (!bSigned)
        return bytes;  // a file written before scan files carried a trailer
    const std::size_t nAfterSignature = 1 + nSignature;
    const std::uint64_t nLength =
        *trailer.U32(nAfterSignature) | (std::uint64_t{*trailer.U32(nAfterSignature + 4)} << 32);
    if (nLength != nCovered) {
        throw CArchiveError("its checksum trailer counts " + std::to_string(nLength) +
                            " bytes before it, but " + std::to_string(nCovered) +
                            " are there: the file was cut or extended");
    }
    const std::uint32_t nStored = *trailer.U32(nAfterSignature + 8);
    const std::uint32_t nActual = CCrc32::Of(bytes.first(nCovered));
    if (nStored != nActual) {
        throw CArchiveError(
            "its checksum does not match its content: the file was changed or damaged after it "
            "was written");
    }
    return bytes.first(nCovered);
}

CArchiveReader CScanFile::OpenArchive(const std::filesystem::path& path) {
    std::error_code ec;
    const auto nSize = std::filesystem::file_size(path, ec);
    if (ec)
        throw CArchiveError("cannot read '" + path.string() + "': " + ec.message());
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CArchiveError("cannot open '" + path.string() + "'");
    std::vector<std::byte> bytes(static_cast<std::size_t>(nSize));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uint64_t>(in.gcount()) != nSize)
        throw CArchiveError("cannot read '" + path.string() + "'");
    bytes.resize(CheckTrailer(bytes).size());
    return CArchiveReader(std::move(bytes));
}

void CScanFile::LoadImage(CSQLServerEngine& engine, std::span<const std::byte> bytes) {
    CArchiveReader in(CheckTrailer(bytes));
    const std::string strVersion = ReadHeader(in);
    if (strVersion != engine.FormatVersion()) {
        throw CArchiveError("scan file of version '" + strVersion + "', not '" +
                            engine.FormatVersion() + "'");
    }
    engine.ResetCatalog();
    engine.m_mapDefaults.Clear();
    engine.m_mapUserTypes.Clear();
    Load(engine, in);
}
