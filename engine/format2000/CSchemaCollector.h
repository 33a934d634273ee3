// engine/format2000/CSchemaCollector.h
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CSQLServerEngine;
class CTable;

// What the system tables of one recovery say about keys, constraints, indexes and column numbers.
// The readers of sysobjects, syscomments, syscolumns, sysindexes and sysreferences add to it as
// they walk their rows; once the tables are pruned, Apply() turns it into the model parts of the
// tables that remain (keys, checks, foreign keys, indexes). Nothing here is trusted: a reference
// to a column or table that was not recovered leaves that part empty, never a guess.
class CSchemaCollector {
  public:
    enum class EConstraintKind : std::uint8_t { PrimaryKey, Unique, Check, ForeignKey };

    // A sysobjects row of a constraint that belongs to a table.
    struct SConstraint {
        std::int32_t nId = 0;
        std::string strName;
        EConstraintKind eKind = EConstraintKind::Check;
        std::int32_t nParentId = 0;
        std::uint32_t nStatus = 0;
    };

    // A sysindexes row of a user table. vecKeyColumns holds the column ids of the key proper:
    // the row locator the server appends to a non-clustered index is left out.
    struct SIndexRow {
        std::int32_t nTableId = 0;
        std::int16_t nIndexId = 0;
        std::uint32_t nStatus = 0;
        std::string strName;
        std::vector<std::uint16_t> vecKeyColumns;
    };

    // A sysreferences row: the column ids of the foreign key and of the referenced key.
    struct SReference {
        std::int32_t nConstraintId = 0;
        std::int32_t nTableId = 0;
        std::int32_t nReferencedId = 0;
        std::vector<std::uint16_t> vecColumns;
        std::vector<std::uint16_t> vecReferencedColumns;
    };

    // sysobjects status bits of a constraint.
    static constexpr std::uint32_t kConstraintClustered = 0x10;
    static constexpr std::uint32_t kConstraintDisabled = 0x100;
    // sysindexes status bits.
    static constexpr std::uint32_t kIndexUnique = 0x2;
    static constexpr std::uint32_t kIndexClustered = 0x10;
    static constexpr std::uint32_t kIndexHypothetical = 0x20;
    static constexpr std::uint32_t kIndexStatistics = 0x40;
    static constexpr std::uint32_t kIndexPrimaryKey = 0x800;
    static constexpr std::uint32_t kIndexUniqueKey = 0x1000;
    static constexpr std::uint32_t kIndexAutoStatistics = 0x800000;
    static constexpr std::int16_t kClusteredIndexId = 1;
    static constexpr std::int16_t kLastIndexId = 254;  // 255 holds a table's text pages

    void AddConstraint(SConstraint constraint);
    bool IsConstraint(std::int32_t nId) const { return m_mapConstraints.contains(nId); }
    // The text of a check constraint (syscomments).
    void SetConstraintText(std::int32_t nId, std::string strText);
    // The expression of a computed column (syscomments rows of the table, number = column id).
    void SetColumnText(std::int32_t nTableId, std::uint16_t nColumnId, std::string strText);
    const std::string* ColumnText(std::int32_t nTableId, std::uint16_t nColumnId) const;
    // A column as the table's column list keeps it, under its column id.
    void AddColumn(std::int32_t nTableId, std::uint16_t nColumnId, std::string strName);
    void AddIndex(SIndexRow row);
    void AddReference(SReference reference);

    // Builds the keys, checks, foreign keys and indexes of every table of the engine's table map
    // (replacing what they held). Call after pruning, so that references resolve to user tables.
    void Apply(CSQLServerEngine& engine) const;

  private:
    using ColumnKey = std::pair<std::int32_t, std::uint16_t>;

    std::string ColumnName(std::int32_t nTableId, std::uint16_t nColumnId) const;
    void ApplyTo(const CSQLServerEngine& engine, CTable& table) const;

    std::map<std::int32_t, SConstraint> m_mapConstraints;
    std::vector<std::int32_t> m_vecConstraintOrder;  // ids in the order sysobjects listed them
    std::map<std::int32_t, std::string> m_mapConstraintTexts;
    std::map<ColumnKey, std::string> m_mapColumnTexts;
    std::map<ColumnKey, std::string> m_mapColumns;
    std::vector<SIndexRow> m_vecIndexes;
    std::map<std::int32_t, SReference> m_mapReferences;  // by constraint id
};
