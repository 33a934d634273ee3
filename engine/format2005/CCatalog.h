// engine/format2005/CCatalog.h
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/DataFileReader.h"
#include "engine/format2005/CAllocationMaps.h"
#include "engine/format2005/CBootPage.h"
#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CatalogModel.h"
#include "engine/format2005/CatalogRows.h"

namespace format2005 {

// Which physical-layout tables the file's catalog has.
enum class ELayoutTables : std::uint8_t {
    None,       // neither pair found: layouts are derived from the column order
    Hobt2005,   // sysrowsetcolumns + syshobtcolumns
    RsCols2008  // sysrscols
};

// The catalog of a 2005+ file, bootstrapped from the boot page: allocation units first (their
// first page is on the boot page), then every hidden base table through its allocation unit.
// Tables are the objects the catalog names as user tables; system tables, internal tables and
// pages of dropped tables never become tables.
class CCatalog {
  public:
    // Reads the catalog. False when the boot page or the allocation-unit table is unusable, so
    // nothing else could be found; every other loss is in the damage list and the load goes on.
    bool Load(const CDataFileReader& reader, CAllocationMaps& maps, CDamageList& damage);

    const CBootPage& Boot() const { return m_boot; }
    ELayoutTables LayoutTables() const { return m_eLayout; }

    const std::vector<STable>& Tables() const { return m_vecTables; }
    const std::vector<SModule>& Modules() const { return m_vecModules; }
    const std::vector<SUserType>& UserTypes() const { return m_vecUserTypes; }
    // By name ("Orders") or schema-qualified name ("dbo.Orders"); nullptr when absent.
    const STable* FindTable(std::string_view strName) const;
    const STable* FindTable(std::int32_t nObjectId) const;
    const SModule* FindModule(std::string_view strName) const;

    const std::map<std::uint64_t, SAllocUnitRow>& AllocUnits() const { return m_mapUnits; }
    // Live rows read from each hidden base table, by object id (for tools and tests).
    const std::map<std::int32_t, std::size_t>& SystemRowCounts() const { return m_mapSystemRows; }

  private:
    using FRow = std::function<void(const CPage& page, std::uint16_t nSlot, const CRecord& record)>;

    bool ReadAllocUnits();
    // Every live record on the data pages of a hidden table's unit. False when the unit is not in
    // the allocation-unit table (reported).
    bool ReadSystemTable(std::int32_t nObject, std::uint16_t nIndex, const char* szName,
                         const FRow& onRow);
    void ReadRows();
    void BuildTables();
    void BuildLayout(STable& table, SPartition& partition);
    void BuildIndexes(STable& table) const;
    void BuildConstraints(STable& table) const;
    void BuildModules();
    void BuildUserTypes();
    std::string SchemaName(std::int32_t nSchemaId) const;
    std::string TypeNameOf(std::uint8_t nTypeId, std::int32_t nUserTypeId) const;
    void ReportRow(const CPage& page, std::uint16_t nSlot, std::int32_t nObject,
                   const char* szName);

    const CDataFileReader* m_pReader = nullptr;
    CAllocationMaps* m_pMaps = nullptr;
    CDamageList* m_pDamage = nullptr;

    CBootPage m_boot;
    ELayoutTables m_eLayout = ELayoutTables::None;
    std::map<std::uint64_t, SAllocUnitRow> m_mapUnits;
    std::map<std::int32_t, std::size_t> m_mapSystemRows;

    // Rows of the hidden tables, as read.
    std::vector<SRowsetRow> m_vecRowsets;
    std::map<std::int32_t, SObjectRow> m_mapObjects;
    std::vector<SColumnRow> m_vecColumns;
    std::map<std::int32_t, STypeRow> m_mapTypes;
    std::vector<SIndexRow> m_vecIndexRows;
    std::vector<SIndexColumnRow> m_vecIndexColumns;
    std::vector<SObjectRefRow> m_vecForeignKeyRefs;  // syssingleobjrefs rows of foreign keys
    std::map<std::int32_t, std::string> m_mapSchemas;
    std::vector<SPhysicalColumnRow> m_vecPhysical;
    std::vector<SRowsetColumnRow> m_vecRowsetColumns;
    struct SText {
        std::int32_t nSubObjectId = 0;
        std::int32_t nValueNumber = 0;
        std::vector<std::byte> vecBytes;
        bool bComplete = true;
    };
    std::map<std::int32_t, std::vector<SText>> m_mapTexts;

    std::vector<STable> m_vecTables;
    std::vector<SModule> m_vecModules;
    std::vector<SUserType> m_vecUserTypes;
};

}  // namespace format2005
