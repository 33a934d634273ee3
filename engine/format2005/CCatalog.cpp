// engine/format2005/CCatalog.cpp
#include "engine/format2005/CCatalog.h"

#include <algorithm>
#include <set>

#include "engine/format2005/CLobReader.h"
#include "engine/format2005/CSlotWalker.h"
#include "engine/format2005/CTypeInfo.h"
#include "engine/format2005/CUnitPages.h"

namespace format2005 {
namespace {
constexpr std::uint16_t kHeapIndex = 0;
constexpr std::uint16_t kClusteredIndex = 1;
constexpr std::uint16_t kLobIndex = 255;
constexpr std::uint8_t kClassSchema = 50;
constexpr std::uint8_t kValueClassText = 1;
constexpr std::int32_t kFirstUserTypeId = 257;
// sysidxstats status bits.
constexpr std::uint32_t kIndexUnique = 0x8;
constexpr std::uint32_t kIndexPrimaryKey = 0x20;
constexpr std::uint32_t kIndexUniqueConstraint = 0x40;
// sysscalartypes status bit: the type does not allow NULL.
constexpr std::uint32_t kTypeNotNull = 0x1;

// idtval holds the last value, the seed and the increment, each as wide as the column's integer
// type, and a flag byte; other identity types (decimal) keep no values here.
void ReadIdentityValues(const std::vector<std::byte>& vecBytes, SColumn& column) {
    if (vecBytes.empty() || (vecBytes.size() - 1) % 3 != 0)
        return;
    const std::size_t nWidth = (vecBytes.size() - 1) / 3;
    if (nWidth != 1 && nWidth != 2 && nWidth != 4 && nWidth != 8)
        return;
    CByteView view(vecBytes);
    auto Signed = [&](std::size_t nOffset) {
        const std::uint64_t nValue = view.Load(nOffset, nWidth);
        const unsigned nShift = static_cast<unsigned>(64 - 8 * nWidth);
        // tinyint is unsigned; the other integer types are signed.
        if (nWidth == 1)
            return static_cast<std::int64_t>(nValue);
        return static_cast<std::int64_t>(nValue << nShift) >> nShift;
    };
    column.bHasIdentityValues = true;
    column.nIdentitySeed = Signed(nWidth);
    column.nIdentityIncrement = Signed(2 * nWidth);
}

bool ModuleKind(const std::string& strType, EModuleKind& eKind) {
    static const std::map<std::string, EModuleKind> kKinds{
        {"V", EModuleKind::View},
        {"P", EModuleKind::Procedure},
        {"RF", EModuleKind::Procedure},
        {"FN", EModuleKind::ScalarFunction},
        {"IF", EModuleKind::InlineFunction},
        {"TF", EModuleKind::TableFunction},
        {"TR", EModuleKind::Trigger},
        {"D", EModuleKind::Default},
        {"R", EModuleKind::Rule},
        {"C", EModuleKind::CheckConstraint},
    };
    auto it = kKinds.find(strType);
    if (it == kKinds.end())
        return false;
    eKind = it->second;
    return true;
}

// Module texts are kept as single-byte characters in the files examined; text in UTF-16 shows
// itself by zero bytes at odd positions.
std::string TextFromBytes(const std::vector<std::byte>& vecBytes) {
    std::size_t nOddZeros = 0;
    for (std::size_t i = 1; i < vecBytes.size(); i += 2)
        nOddZeros += vecBytes[i] == std::byte{0};
    if (vecBytes.size() >= 2 && nOddZeros * 4 >= vecBytes.size() / 2)
        return CatalogRows::Narrow(vecBytes);
    std::string strText;
    strText.reserve(vecBytes.size());
    for (std::byte b : vecBytes)
        strText += static_cast<char>(b);
    return strText;
}
}  // namespace

std::int64_t STable::CatalogRows() const {
    std::int64_t nRows = 0;
    for (const SPartition& partition : vecPartitions)
        nRows += partition.nCatalogRows;
    return nRows;
}

bool CCatalog::Load(const CDataFileReader& reader, CAllocationMaps& maps, CDamageList& damage) {
    *this = CCatalog();
    m_pReader = &reader;
    m_pMaps = &maps;
    m_pDamage = &damage;

    CPage page;
    const EPageCheck eCheck = page.Load(reader, kBootPage);
    if (eCheck != EPageCheck::Ok || !m_boot.Parse(page)) {
        damage.Add(eCheck == EPageCheck::Ok ? EDamage::PageWrongType : EDamage::PageUnreadable,
                   kBootPage, -1, 0, kPageSize, "boot page");
        return false;
    }
    if (!ReadAllocUnits())
        return false;
    ReadRows();
    BuildUserTypes();
    BuildTables();
    BuildModules();
    return true;
}

void CCatalog::ReportRow(const CPage& page, std::uint16_t nSlot, std::int32_t nObject,
                         const char* szName) {
    m_pDamage->Add(EDamage::CatalogRowDamaged, page.Number(), nSlot, nObject, 0,
                   std::string(szName) + " row too short for its columns");
}

bool CCatalog::ReadAllocUnits() {
    const std::uint64_t nUnit = SystemUnit(kSysAllocUnits, kHeapIndex);
    CUnitPages chainPages(*m_pReader, *m_pMaps, *m_pDamage, nUnit, SPageId{}, kSysAllocUnits);
    std::set<std::uint32_t> setRead;
    auto ReadPage = [&](const CPage& page) {
        setRead.insert(page.Number());
        if (page.Type() != kPageData || page.Level() != 0)
            return;
        CSlotWalker::Walk(page, kSysAllocUnits, *m_pDamage,
                          [&](std::uint16_t nSlot, const CRecord& record) {
                              if (record.Type() != ERecordType::Primary)
                                  return;
                              auto row = CatalogRows::AllocUnit(record);
                              if (!row)
                                  return ReportRow(page, nSlot, kSysAllocUnits, "sysallocunits");
                              m_mapUnits.emplace(row->nUnitId, *row);
                          });
    };

    // The boot page names the first leaf page; the leaf chain gives the rest.
    SPageId next = m_boot.FirstAllocUnitPage();
    CPage page;
    const std::uint32_t nLimit = m_pReader->PageCount();
    while (!next.IsNull()) {
        if (next.nFile != 1 || setRead.count(next.nPage) != 0 || setRead.size() > nLimit) {
            m_pDamage->Add(setRead.count(next.nPage) ? EDamage::ChainLoop : EDamage::PageUnreadable,
                           next.nPage, -1, kSysAllocUnits, 0, "sysallocunits leaf chain");
            break;
        }
        if (!chainPages.LoadLinked(next.nPage, page, "sysallocunits leaf chain"))
            break;
        ReadPage(page);
        next = page.NextPage();
    }

    // Its own row names its IAM chain: pages a broken leaf chain did not reach are read too.
    auto itSelf = m_mapUnits.find(nUnit);
    if (itSelf != m_mapUnits.end() && !itSelf->second.firstIam.IsNull()) {
        CUnitPages iamPages(*m_pReader, *m_pMaps, *m_pDamage, nUnit, itSelf->second.firstIam,
                            kSysAllocUnits);
        for (std::uint32_t nPage : iamPages.Candidates()) {
            if (setRead.count(nPage) || !iamPages.LoadMember(nPage, page))
                continue;
            if (page.Type() == kPageData && page.Level() == 0)
                m_pDamage->Add(EDamage::PageNotInChain, nPage, -1, kSysAllocUnits, 0,
                               "sysallocunits page read from its IAM chain");
            ReadPage(page);
        }
    }
    m_mapSystemRows[kSysAllocUnits] = m_mapUnits.size();
    if (m_mapUnits.empty()) {
        m_pDamage->Add(EDamage::CatalogMissing, m_boot.FirstAllocUnitPage().nPage, -1,
                       kSysAllocUnits, 0, "no allocation unit could be read");
        return false;
    }
    return true;
}

bool CCatalog::ReadSystemTable(std::int32_t nObject, std::uint16_t nIndex, const char* szName,
                               const FRow& onRow) {
    auto it = m_mapUnits.find(SystemUnit(nObject, nIndex));
    if (it == m_mapUnits.end()) {
        m_pDamage->Add(EDamage::CatalogMissing, kNoPage, -1, nObject, 0,
                       std::string(szName) + " has no allocation unit");
        return false;
    }
    CUnitPages pages(*m_pReader, *m_pMaps, *m_pDamage, it->first, it->second.firstIam, nObject);
    std::size_t& nRows = m_mapSystemRows[nObject];
    CPage page;
    for (std::uint32_t nPage : pages.Candidates()) {
        if (!pages.LoadMember(nPage, page) || page.Type() != kPageData || page.Level() != 0)
            continue;
        CSlotWalker::Walk(page, nObject, *m_pDamage,
                          [&](std::uint16_t nSlot, const CRecord& record) {
                              // Ghosts are deleted catalog rows; a stub's row is read where
                              // it lies, as every page of the unit is read.
                              const ERecordType eType = record.Type();
                              if (eType != ERecordType::Primary && eType != ERecordType::Forwarded)
                                  return;
                              ++nRows;
                              onRow(page, nSlot, record);
                          });
    }
    return true;
}

void CCatalog::ReadRows() {
    ReadSystemTable(kSysRowsets, kHeapIndex, "sysrowsets",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::Rowset(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysRowsets, "sysrowsets");
                        m_vecRowsets.push_back(*row);
                    });
    ReadSystemTable(kSysSchObjs, kClusteredIndex, "sysschobjs",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::Object(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysSchObjs, "sysschobjs");
                        m_mapObjects.emplace(row->nObjectId, std::move(*row));
                    });
    ReadSystemTable(kSysColPars, kClusteredIndex, "syscolpars",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::Column(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysColPars, "syscolpars");
                        m_vecColumns.push_back(std::move(*row));
                    });
    ReadSystemTable(kSysScalarTypes, kClusteredIndex, "sysscalartypes",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::Type(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysScalarTypes, "sysscalartypes");
                        m_mapTypes.emplace(row->nTypeId, std::move(*row));
                    });
    ReadSystemTable(kSysIdxStats, kClusteredIndex, "sysidxstats",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::Index(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysIdxStats, "sysidxstats");
                        m_vecIndexRows.push_back(std::move(*row));
                    });
    ReadSystemTable(kSysIsCols, kClusteredIndex, "sysiscols",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::IndexColumn(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysIsCols, "sysiscols");
                        m_vecIndexColumns.push_back(*row);
                    });
    ReadSystemTable(kSysSingleObjRefs, kClusteredIndex, "syssingleobjrefs",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::ObjectRef(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysSingleObjRefs, "syssingleobjrefs");
                        if (row->nClass == kRefForeignKeyTable ||
                            row->nClass == kRefForeignKeyColumn ||
                            row->nClass == kRefReferencedColumn) {
                            m_vecForeignKeyRefs.push_back(*row);
                        }
                    });
    ReadSystemTable(kSysClsObjs, kClusteredIndex, "sysclsobjs",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::ClassObject(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysClsObjs, "sysclsobjs");
                        if (row->nClass == kClassSchema)
                            m_mapSchemas[row->nId] = row->strName;
                    });

    // Module texts: in the row, or behind an in-row root in sysobjvalues' LOB unit.
    CLobReader lob(*m_pReader, *m_pMaps);
    lob.SetUnits({SystemUnit(kSysObjValues, kLobIndex)});
    ReadSystemTable(kSysObjValues, kClusteredIndex, "sysobjvalues",
                    [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                        auto row = CatalogRows::ObjectValue(record);
                        if (!row)
                            return ReportRow(page, nSlot, kSysObjValues, "sysobjvalues");
                        if (row->nValueClass != kValueClassText || !row->bHasImage)
                            return;
                        SText text{row->nSubObjectId, row->nValueNumber, {}, true};
                        if (!row->bImageComplex) {
                            text.vecBytes.assign(row->image.begin(), row->image.end());
                        } else if (lob.ReadInRowRoot(row->image, text.vecBytes) != ELobStatus::Ok) {
                            text.bComplete = false;
                            m_pDamage->Add(text.vecBytes.empty() ? EDamage::LobUnreadable
                                                                 : EDamage::LobTruncated,
                                           lob.DamagePage(), -1, row->nObjectId, 0,
                                           "definition text: " + lob.Detail());
                        }
                        m_mapTexts[row->nObjectId].push_back(std::move(text));
                    });

    // The physical column layout: sysrscols from 2008 on, a pair of tables in 2005.
    if (m_mapUnits.count(SystemUnit(kSysRsCols, kHeapIndex))) {
        m_eLayout = ELayoutTables::RsCols2008;
        ReadSystemTable(kSysRsCols, kHeapIndex, "sysrscols",
                        [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                            auto row = CatalogRows::RsCol(record);
                            if (!row)
                                return ReportRow(page, nSlot, kSysRsCols, "sysrscols");
                            m_vecPhysical.push_back(*row);
                        });
    } else if (m_mapUnits.count(SystemUnit(kSysHobtColumns, kHeapIndex))) {
        m_eLayout = ELayoutTables::Hobt2005;
        ReadSystemTable(kSysRowsetColumns, kHeapIndex, "sysrowsetcolumns",
                        [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                            auto row = CatalogRows::RowsetColumn(record);
                            if (!row)
                                return ReportRow(page, nSlot, kSysRowsetColumns,
                                                 "sysrowsetcolumns");
                            m_vecRowsetColumns.push_back(*row);
                        });
        ReadSystemTable(kSysHobtColumns, kHeapIndex, "syshobtcolumns",
                        [&](const CPage& page, std::uint16_t nSlot, const CRecord& record) {
                            auto row = CatalogRows::HobtColumn(record);
                            if (!row)
                                return ReportRow(page, nSlot, kSysHobtColumns, "syshobtcolumns");
                            m_vecPhysical.push_back(*row);
                        });
    } else {
        m_pDamage->Add(EDamage::CatalogMissing, kNoPage, -1, kSysRsCols, 0,
                       "no physical column table: layouts follow the column order");
    }
}

std::string CCatalog::SchemaName(std::int32_t nSchemaId) const {
    auto it = m_mapSchemas.find(nSchemaId);
    return it != m_mapSchemas.end() ? it->second : std::string();
}

std::string CCatalog::TypeNameOf(std::uint8_t nTypeId, std::int32_t nUserTypeId) const {
    std::string strName = CTypeInfo::Name(nTypeId);
    if (strName.empty()) {
        // CLR types (hierarchyid, geometry, geography) are named by their own type row.
        auto it = m_mapTypes.find(nUserTypeId);
        if (it != m_mapTypes.end())
            strName = it->second.strName;
    }
    return strName;
}

void CCatalog::BuildUserTypes() {
    for (const auto& [nId, row] : m_mapTypes) {
        if (nId < kFirstUserTypeId)
            continue;
        SUserType type;
        type.nTypeId = nId;
        type.strName = row.strName;
        type.nSchemaId = row.nSchemaId;
        type.strSchema = SchemaName(row.nSchemaId);
        type.nBaseTypeId = row.nBaseTypeId;
        type.strBaseType = TypeNameOf(row.nBaseTypeId, nId);
        type.nLength = row.nLength;
        type.nPrecision = row.nPrecision;
        type.nScale = row.nScale;
        type.bNullable = (row.nStatus & kTypeNotNull) == 0;
        m_vecUserTypes.push_back(std::move(type));
    }
}

void CCatalog::BuildTables() {
    std::map<std::int32_t, std::vector<const SColumnRow*>> mapColumns;
    for (const SColumnRow& row : m_vecColumns) {
        if (row.nNumber == 0)
            mapColumns[row.nObjectId].push_back(&row);
    }
    std::map<std::int32_t, std::vector<const SRowsetRow*>> mapRowsets;
    for (const SRowsetRow& row : m_vecRowsets) {
        if (row.nIndexId == 0 || row.nIndexId == 1)
            mapRowsets[row.nObjectId].push_back(&row);
    }

    for (const auto& [nId, object] : m_mapObjects) {
        if (object.strType != "U")
            continue;
        STable table;
        table.nObjectId = nId;
        table.strName = object.strName;
        table.nSchemaId = object.nSchemaId;
        table.strSchema = SchemaName(object.nSchemaId);

        auto& vecColumnRows = mapColumns[nId];
        std::stable_sort(
            vecColumnRows.begin(), vecColumnRows.end(),
            [](const SColumnRow* a, const SColumnRow* b) { return a->nColumnId < b->nColumnId; });
        for (const SColumnRow* pRow : vecColumnRows) {
            SColumn column;
            column.nColumnId = pRow->nColumnId;
            column.strName = pRow->strName;
            column.nTypeId = pRow->nTypeId;
            column.nUserTypeId = pRow->nUserTypeId;
            column.strType = TypeNameOf(pRow->nTypeId, pRow->nUserTypeId);
            auto itType = m_mapTypes.find(pRow->nUserTypeId);
            column.strUserType =
                itType != m_mapTypes.end() ? itType->second.strName : column.strType;
            column.nLength = pRow->nLength;
            column.nPrecision = pRow->nPrecision;
            column.nScale = pRow->nScale;
            column.nCollationId = pRow->nCollationId;
            column.nStatus = pRow->nStatus;
            column.bNullable = (pRow->nStatus & kColumnNotNull) == 0;
            column.bIdentity = (pRow->nStatus & kColumnIdentity) != 0;
            column.bComputed = (pRow->nStatus & kColumnComputed) != 0;
            column.bSparse = (pRow->nStatus & kColumnSparse) != 0;
            column.bColumnSet = (pRow->nStatus & kColumnSet) != 0;
            column.nDefaultObjectId = pRow->nDefaultId;
            if (column.bIdentity)
                ReadIdentityValues(pRow->vecIdentity, column);
            if (column.bComputed) {
                // The table's own texts are its computed columns' definitions, by column id.
                auto itTexts = m_mapTexts.find(nId);
                if (itTexts != m_mapTexts.end()) {
                    for (const SText& text : itTexts->second) {
                        if (text.nSubObjectId == pRow->nColumnId)
                            column.strFormula += TextFromBytes(text.vecBytes);
                    }
                }
            }
            table.vecColumns.push_back(std::move(column));
        }

        auto& vecRowsetRows = mapRowsets[nId];
        if (vecRowsetRows.empty()) {
            // The catalog names the table but lost its heap or clustered rowset: its columns are
            // known, its rows cannot be found.
            m_pDamage->Add(EDamage::CatalogMissing, kNoPage, -1, nId, 0,
                           table.strName + ": no rowset in sysrowsets, rows not read");
        }
        std::sort(
            vecRowsetRows.begin(), vecRowsetRows.end(),
            [](const SRowsetRow* a, const SRowsetRow* b) { return a->nPartition < b->nPartition; });
        for (const SRowsetRow* pRowset : vecRowsetRows) {
            SPartition partition;
            partition.nRowsetId = pRowset->nRowsetId;
            partition.nPartition = pRowset->nPartition;
            partition.nCatalogRows = pRowset->nRows;
            partition.nCompression = pRowset->nCompression;
            table.bHeap = pRowset->nIndexId == 0;
            table.nCompression = std::max(table.nCompression, pRowset->nCompression);
            for (const auto& [nUnit, unit] : m_mapUnits) {
                if (unit.nOwnerId != pRowset->nRowsetId)
                    continue;
                if (unit.nType == kUnitInRow) {
                    partition.nInRowUnit = nUnit;
                    partition.firstPage = unit.firstPage;
                    partition.firstIam = unit.firstIam;
                } else if (unit.nType == kUnitLob) {
                    partition.nLobUnit = nUnit;
                } else if (unit.nType == kUnitRowOverflow) {
                    partition.nOverflowUnit = nUnit;
                }
            }
            BuildLayout(table, partition);
            table.vecPartitions.push_back(std::move(partition));
        }

        BuildIndexes(table);
        BuildConstraints(table);
        m_vecTables.push_back(std::move(table));
    }
    std::sort(m_vecTables.begin(), m_vecTables.end(),
              [](const STable& a, const STable& b) { return a.strName < b.strName; });
}

void CCatalog::BuildIndexes(STable& table) const {
    for (const SIndexRow& row : m_vecIndexRows) {
        // Statistics (and hypothetical indexes) have no rowset: they are not indexes.
        if (row.nObjectId != table.nObjectId || row.nIndexId == 0 || row.nRowsetId == 0)
            continue;
        SIndex index;
        index.nIndexId = row.nIndexId;
        index.strName = row.strName;
        index.nType = row.nType;
        index.bUnique = (row.nStatus & kIndexUnique) != 0;
        index.bPrimaryKey = (row.nStatus & kIndexPrimaryKey) != 0;
        index.bUniqueConstraint = (row.nStatus & kIndexUniqueConstraint) != 0;
        std::vector<const SIndexColumnRow*> vecKeys;
        for (const SIndexColumnRow& key : m_vecIndexColumns) {
            // Included columns are stored in the leaf rows only; they are not part of the key.
            if (key.nObjectId == table.nObjectId && key.nIndexId == row.nIndexId &&
                (key.nStatus & kIndexColumnIncluded) == 0) {
                vecKeys.push_back(&key);
            }
        }
        std::sort(vecKeys.begin(), vecKeys.end(),
                  [](const SIndexColumnRow* a, const SIndexColumnRow* b) {
                      return std::tie(a->nKeyOrdinal, a->nIndexColumnId) <
                             std::tie(b->nKeyOrdinal, b->nIndexColumnId);
                  });
        for (const SIndexColumnRow* pKey : vecKeys) {
            index.vecKeyColumns.push_back(pKey->nColumnId);
            index.vecDescending.push_back((pKey->nStatus & kIndexColumnDescending) != 0);
        }
        table.vecIndexes.push_back(std::move(index));
    }
    std::sort(table.vecIndexes.begin(), table.vecIndexes.end(),
              [](const SIndex& a, const SIndex& b) { return a.nIndexId < b.nIndexId; });
}

void CCatalog::BuildConstraints(STable& table) const {
    for (const auto& [nId, object] : m_mapObjects) {
        if (object.nParentId != table.nObjectId)
            continue;
        if (object.strType != "PK" && object.strType != "UQ" && object.strType != "C" &&
            object.strType != "F") {
            continue;
        }
        table.vecConstraints.push_back(SConstraint{nId, object.strName, object.strType,
                                                   static_cast<std::uint32_t>(object.nStatus)});
        if (object.strType != "F")
            continue;
        SForeignKey key;
        key.nObjectId = nId;
        key.strName = object.strName;
        // Column pairs by their place in the key. A place missing on either side keeps column id
        // 0 there, which names no column: the key is shown but never scripted half.
        std::map<std::int32_t, std::pair<std::int32_t, std::int32_t>> mapPairs;
        for (const SObjectRefRow& ref : m_vecForeignKeyRefs) {
            if (ref.nDependentId != nId)
                continue;
            if (ref.nClass == kRefForeignKeyTable && ref.nDependentSubId == 0)
                key.nReferencedTableId = ref.nIndependentId;
            else if (ref.nClass == kRefForeignKeyColumn && ref.nIndependentId == table.nObjectId)
                mapPairs[ref.nDependentSubId].first = ref.nIndependentSubId;
            else if (ref.nClass == kRefReferencedColumn)
                mapPairs[ref.nDependentSubId].second = ref.nIndependentSubId;
        }
        for (const auto& [nPlace, pair] : mapPairs) {
            if (pair.first == 0 || pair.second == 0) {
                m_pDamage->Add(EDamage::CatalogRowDamaged, kNoPage, -1, nId, 0,
                               object.strName + ": column pair " + std::to_string(nPlace) +
                                   " of the foreign key is incomplete");
            }
            key.vecColumns.push_back(pair.first);
            key.vecReferencedColumns.push_back(pair.second);
        }
        if (key.nReferencedTableId == 0) {
            m_pDamage->Add(EDamage::CatalogRowDamaged, kNoPage, -1, nId, 0,
                           object.strName + ": referenced table of the foreign key not found");
        }
        table.vecForeignKeys.push_back(std::move(key));
    }
}

void CCatalog::BuildLayout(STable& table, SPartition& partition) {
    partition.vecPlaces.assign(table.vecColumns.size(), SColumnPlace{});
    // Sparse columns and a column set have no place of their own: their values live in the
    // sparse vector, whatever their physical column rows say.
    std::set<std::int32_t> setSparse;
    for (const SColumn& column : table.vecColumns) {
        if (column.bSparse || column.bColumnSet)
            setSparse.insert(column.nColumnId);
    }
    // The highest variable column any other physical column takes (the uniquifier included).
    std::int32_t nLastVariable = 0;
    auto noteVariable = [&](const SPhysicalColumnRow& row) {
        if (row.nLeafOffset < 0 && !setSparse.count(row.nColumnId))
            nLastVariable = std::max<std::int32_t>(nLastVariable, -row.nLeafOffset);
    };
    auto placeSparseVector = [&] {
        bool bSparse = false;
        for (const SColumn& column : table.vecColumns)
            bSparse = bSparse || column.bSparse;
        if (bSparse)
            partition.nSparseVector = static_cast<std::uint16_t>(nLastVariable + 1);
    };
    // Physical columns of this rowset by table column id; hidden columns have id 0.
    std::map<std::int32_t, const SPhysicalColumnRow*> mapByColumn;
    bool bFound = false;
    if (m_eLayout == ELayoutTables::RsCols2008) {
        for (const SPhysicalColumnRow& row : m_vecPhysical) {
            if (row.nRowsetId != partition.nRowsetId)
                continue;
            bFound = true;
            noteVariable(row);
            if (row.nColumnId == 0)
                partition.bHasUniquifier = partition.bHasUniquifier || row.nLeafOffset < 0;
            else
                mapByColumn[row.nColumnId] = &row;
        }
    } else if (m_eLayout == ELayoutTables::Hobt2005) {
        std::map<std::int32_t, const SPhysicalColumnRow*> mapByPhysical;
        for (const SPhysicalColumnRow& row : m_vecPhysical) {
            if (row.nRowsetId == partition.nRowsetId)
                mapByPhysical[row.nPhysicalId] = &row;
        }
        std::set<std::int32_t> setMapped;
        for (const SRowsetColumnRow& row : m_vecRowsetColumns) {
            if (row.nRowsetId != partition.nRowsetId)
                continue;
            auto it = mapByPhysical.find(row.nPhysicalId);
            if (it != mapByPhysical.end()) {
                mapByColumn[row.nColumnId] = it->second;
                setMapped.insert(row.nPhysicalId);
                if (setSparse.count(row.nColumnId))
                    continue;
                nLastVariable = std::max<std::int32_t>(nLastVariable, -it->second->nLeafOffset);
            }
        }
        bFound = !mapByPhysical.empty();
        for (const auto& [nPhysical, pRow] : mapByPhysical) {
            if (!setMapped.count(nPhysical) && pRow->nLeafOffset < 0 && pRow->nNullBit == 0) {
                partition.bHasUniquifier = true;
                nLastVariable = std::max<std::int32_t>(nLastVariable, -pRow->nLeafOffset);
            }
        }
    }

    if (!bFound) {
        // No layout rows: a table never altered keeps its columns in column order, fixed ones
        // from offset 4 and variable ones numbered in order.
        partition.bLayoutDerived = true;
        m_pDamage->Add(EDamage::LayoutMissing, kNoPage, -1, table.nObjectId, 0,
                       table.strName + ": physical layout derived from the column order");
        std::int16_t nFixed = CRecord::kFixedStart;
        std::int16_t nVariable = 0;
        std::uint8_t nBitPos = 0;
        std::int16_t nBitByte = 0;
        for (std::size_t i = 0; i < table.vecColumns.size(); ++i) {
            const SColumn& column = table.vecColumns[i];
            SColumnPlace& place = partition.vecPlaces[i];
            if (column.bComputed || setSparse.count(column.nColumnId))
                continue;
            place.bStored = true;
            place.nNullBit = static_cast<std::uint16_t>(i + 1);
            if (CTypeInfo::IsVariable(column.nTypeId)) {
                place.nLeafOffset = static_cast<std::int16_t>(-++nVariable);
            } else if (column.nTypeId == kTypeBit) {
                if (nBitPos == 0 || nBitPos == 8) {
                    nBitByte = nFixed++;
                    nBitPos = 0;
                }
                place.nLeafOffset = nBitByte;
                place.nBitPos = nBitPos++;
            } else {
                place.nLeafOffset = nFixed;
                nFixed =
                    static_cast<std::int16_t>(nFixed + std::max<std::int16_t>(column.nLength, 0));
            }
        }
        nLastVariable = nVariable;
        placeSparseVector();
        return;
    }
    placeSparseVector();
    for (std::size_t i = 0; i < table.vecColumns.size(); ++i) {
        if (setSparse.count(table.vecColumns[i].nColumnId))
            continue;
        auto it = mapByColumn.find(table.vecColumns[i].nColumnId);
        if (it == mapByColumn.end())
            continue;  // a computed column that is not persisted
        SColumnPlace& place = partition.vecPlaces[i];
        place.bStored = true;
        place.nLeafOffset = it->second->nLeafOffset;
        place.nNullBit = it->second->nNullBit;
        place.nBitPos = static_cast<std::uint8_t>(it->second->nBitPos);
    }
}

void CCatalog::BuildModules() {
    for (const auto& [nId, object] : m_mapObjects) {
        SModule module;
        if (!ModuleKind(object.strType, module.eKind))
            continue;
        module.nObjectId = nId;
        module.strType = object.strType;
        module.strName = object.strName;
        module.nSchemaId = object.nSchemaId;
        module.strSchema = SchemaName(object.nSchemaId);
        module.nParentId = object.nParentId;
        auto it = m_mapTexts.find(nId);
        if (it != m_mapTexts.end()) {
            auto& vecTexts = it->second;
            std::sort(vecTexts.begin(), vecTexts.end(), [](const SText& a, const SText& b) {
                return std::tie(a.nSubObjectId, a.nValueNumber) <
                       std::tie(b.nSubObjectId, b.nValueNumber);
            });
            module.bTextFound = true;
            for (const SText& text : vecTexts) {
                module.strText += TextFromBytes(text.vecBytes);
                module.bTextComplete = module.bTextComplete && text.bComplete;
            }
        }
        m_vecModules.push_back(std::move(module));
    }
}

const STable* CCatalog::FindTable(std::string_view strName) const {
    for (const STable& table : m_vecTables) {
        if (table.strName == strName || table.strSchema + "." + table.strName == strName)
            return &table;
    }
    return nullptr;
}

const STable* CCatalog::FindTable(std::int32_t nObjectId) const {
    for (const STable& table : m_vecTables) {
        if (table.nObjectId == nObjectId)
            return &table;
    }
    return nullptr;
}

const SModule* CCatalog::FindModule(std::string_view strName) const {
    for (const SModule& module : m_vecModules) {
        if (module.strName == strName || module.strSchema + "." + module.strName == strName)
            return &module;
    }
    return nullptr;
}

}  // namespace format2005
