// engine/format2000/CSchemaCollector.cpp
#include "engine/format2000/CSchemaCollector.h"

#include <algorithm>

#include "engine/core/CSQLServerEngine.h"

void CSchemaCollector::AddConstraint(SConstraint constraint) {
    const std::int32_t nId = constraint.nId;
    if (!m_mapConstraints.contains(nId))
        m_vecConstraintOrder.push_back(nId);
    m_mapConstraints[nId] = std::move(constraint);
}

void CSchemaCollector::SetConstraintText(std::int32_t nId, std::string strText) {
    m_mapConstraintTexts[nId] = std::move(strText);
}

void CSchemaCollector::SetColumnText(std::int32_t nTableId, std::uint16_t nColumnId,
                                     std::string strText) {
    m_mapColumnTexts[{nTableId, nColumnId}] = std::move(strText);
}

const std::string* CSchemaCollector::ColumnText(std::int32_t nTableId,
                                                std::uint16_t nColumnId) const {
    auto it = m_mapColumnTexts.find({nTableId, nColumnId});
    return it == m_mapColumnTexts.end() ? nullptr : &it->second;
}

void CSchemaCollector::AddColumn(std::int32_t nTableId, std::uint16_t nColumnId,
                                 std::string strName) {
    m_mapColumns[{nTableId, nColumnId}] = std::move(strName);
}

void CSchemaCollector::AddIndex(SIndexRow row) {
    m_vecIndexes.push_back(std::move(row));
}

void CSchemaCollector::AddReference(SReference reference) {
    const std::int32_t nId = reference.nConstraintId;
    m_mapReferences[nId] = std::move(reference);
}

std::string CSchemaCollector::ColumnName(std::int32_t nTableId, std::uint16_t nColumnId) const {
    auto it = m_mapColumns.find({nTableId, nColumnId});
    return it == m_mapColumns.end() ? std::string() : it->second;
}

void CSchemaCollector::Apply(CSQLServerEngine& engine) const {
    for (const auto& [strKey, pTable] : engine.m_mapObjects)
        ApplyTo(engine, *pTable);
}

void CSchemaCollector::ApplyTo(const CSQLServerEngine& engine, CTable& table) const {
    const std::int32_t nTableId = table.m_nObjectId;
    table.m_vecKeys.clear();
    table.m_vecChecks.clear();
    table.m_vecForeignKeys.clear();
    table.m_vecIndexes.clear();

    auto indexColumns = [&](const std::vector<std::uint16_t>& vecIds) {
        std::vector<CIndexColumn> vecColumns;
        for (std::uint16_t nId : vecIds)
            vecColumns.push_back(CIndexColumn{ColumnName(nTableId, nId), false});
        return vecColumns;
    };
    auto columnNames = [&](std::int32_t nOwner, const std::vector<std::uint16_t>& vecIds) {
        std::vector<std::string> vecNames;
        for (std::uint16_t nId : vecIds)
            vecNames.push_back(ColumnName(nOwner, nId));
        return vecNames;
    };
    // The referenced table is named only when it was recovered; its columns are named from
    // syscolumns either way.
    auto resolve = [&](CForeignKey& key, const SReference& reference) {
        key.m_vecColumns = columnNames(nTableId, reference.vecColumns);
        key.m_nReferencedObjectId = reference.nReferencedId;
        if (const CTable* pReferenced =
                engine.m_mapObjects.Find(ObjectKey(reference.nReferencedId)))
            key.m_strReferencedTable = pReferenced->m_strName;
        key.m_vecReferencedColumns =
            columnNames(reference.nReferencedId, reference.vecReferencedColumns);
    };

    // Indexes; the statistics the server keeps in the same table are not indexes.
    std::vector<bool> vecPrimary;  // per index: it enforces a primary key
    for (const SIndexRow& row : m_vecIndexes) {
        if (row.nTableId != nTableId || row.nIndexId < kClusteredIndexId ||
            row.nIndexId > kLastIndexId) {
            continue;
        }
        if ((row.nStatus & (kIndexStatistics | kIndexHypothetical | kIndexAutoStatistics)) != 0)
            continue;
        CTableIndex index;
        index.m_strName = row.strName;
        index.m_nIndexId = row.nIndexId;
        index.m_bKeyIndex = (row.nStatus & (kIndexPrimaryKey | kIndexUniqueKey)) != 0;
        index.m_bUnique = (row.nStatus & kIndexUnique) != 0 || index.m_bKeyIndex;
        index.m_bClustered = row.nIndexId == kClusteredIndexId;
        index.m_vecColumns = indexColumns(row.vecKeyColumns);
        table.m_vecIndexes.push_back(std::move(index));
        vecPrimary.push_back((row.nStatus & kIndexPrimaryKey) != 0);
    }
    auto findIndex = [&](const std::string& strName) -> CTableIndex* {
        for (CTableIndex& index : table.m_vecIndexes) {
            if (index.m_strName == strName)
                return &index;
        }
        return nullptr;
    };

    for (std::int32_t nId : m_vecConstraintOrder) {
        const SConstraint& constraint = m_mapConstraints.at(nId);
        if (constraint.nParentId != nTableId)
            continue;
        switch (constraint.eKind) {
            case EConstraintKind::PrimaryKey:
            case EConstraintKind::Unique: {
                CKeyConstraint key;
                key.m_strName = constraint.strName;
                key.m_nObjectId = constraint.nId;
                key.m_bPrimaryKey = constraint.eKind == EConstraintKind::PrimaryKey;
                key.m_bClustered = (constraint.nStatus & kConstraintClustered) != 0;
                // The index that enforces a key carries the key's name.
                if (CTableIndex* pIndex = findIndex(constraint.strName)) {
                    pIndex->m_bKeyIndex = true;
                    pIndex->m_bUnique = true;
                    key.m_bClustered = pIndex->m_bClustered;
                    key.m_vecColumns = pIndex->m_vecColumns;
                }
                table.m_vecKeys.push_back(std::move(key));
                break;
            }
            case EConstraintKind::Check: {
                CCheckConstraint check;
                check.m_strName = constraint.strName;
                check.m_nObjectId = constraint.nId;
                check.m_bDisabled = (constraint.nStatus & kConstraintDisabled) != 0;
                if (auto it = m_mapConstraintTexts.find(nId); it != m_mapConstraintTexts.end())
                    check.m_strText = it->second;
                table.m_vecChecks.push_back(std::move(check));
                break;
            }
            case EConstraintKind::ForeignKey: {
                CForeignKey key;
                key.m_strName = constraint.strName;
                key.m_nObjectId = constraint.nId;
                key.m_bDisabled = (constraint.nStatus & kConstraintDisabled) != 0;
                if (auto it = m_mapReferences.find(nId); it != m_mapReferences.end())
                    resolve(key, it->second);
                table.m_vecForeignKeys.push_back(std::move(key));
                break;
            }
        }
    }

    // A key whose sysobjects row was lost still has its index; so has a foreign key its
    // sysreferences row. Both are kept, without a constraint name where none is known.
    for (std::size_t i = 0; i < table.m_vecIndexes.size(); ++i) {
        const CTableIndex& index = table.m_vecIndexes[i];
        if (!index.m_bKeyIndex)
            continue;
        const bool bKnown = std::any_of(
            table.m_vecKeys.begin(), table.m_vecKeys.end(),
            [&](const CKeyConstraint& key) { return key.m_strName == index.m_strName; });
        if (bKnown)
            continue;
        CKeyConstraint key;
        key.m_strName = index.m_strName;
        key.m_bPrimaryKey = vecPrimary[i];
        key.m_bClustered = index.m_bClustered;
        key.m_vecColumns = index.m_vecColumns;
        table.m_vecKeys.push_back(std::move(key));
    }
    for (const auto& [nId, reference] : m_mapReferences) {
        if (reference.nTableId != nTableId || m_mapConstraints.contains(nId))
            continue;
        CForeignKey key;
        key.m_nObjectId = nId;
        resolve(key, reference);
        table.m_vecForeignKeys.push_back(std::move(key));
    }
    // The primary key first: it is created before the other keys.
    std::stable_partition(table.m_vecKeys.begin(), table.m_vecKeys.end(),
                          [](const CKeyConstraint& key) { return key.m_bPrimaryKey; });
}
