// engine/format2005/CModelBuilder.cpp
#include "engine/format2005/CModelBuilder.h"

#include <algorithm>

#include "engine/format2005/CTypeInfo.h"
#include "engine/format2005/CValueConverter.h"
#include "engine/records/CTypeTable.h"

namespace format2005 {
namespace {
COrderedMap<CViewStoredProc>* MapOf(CSQLServerEngine& engine, EModuleKind eKind) {
    switch (eKind) {
        case EModuleKind::View:
            return &engine.m_mapViews;
        case EModuleKind::Procedure:
            return &engine.m_mapProcedures;
        case EModuleKind::ScalarFunction:
        case EModuleKind::InlineFunction:
        case EModuleKind::TableFunction:
            return &engine.m_mapFunctions;
        case EModuleKind::Trigger:
            return &engine.m_mapTriggers;
        case EModuleKind::Rule:
            return &engine.m_mapRules;
        case EModuleKind::Default:
        case EModuleKind::CheckConstraint:
            break;
    }
    return nullptr;
}
}  // namespace

std::string CModelBuilder::RowsNotRead(const STable& table) {
    if (table.IsCompressed()) {
        return std::string(table.nCompression == 1   ? "row"
                           : table.nCompression == 2 ? "page"
                                                     : "unknown") +
               " compression: rows not read";
    }
    bool bUnit = false;
    for (const SPartition& partition : table.vecPartitions)
        bUnit = bUnit || partition.nInRowUnit != 0;
    if (!bUnit)
        return "no data in the catalog: rows not read";
    return {};
}

const SModule* CModelBuilder::Module(std::int32_t nObjectId) const {
    for (const SModule& module : m_catalog.Modules()) {
        if (module.nObjectId == nObjectId)
            return &module;
    }
    return nullptr;
}

void CModelBuilder::AddObjects() {
    for (const SUserType& type : m_catalog.UserTypes()) {
        auto pType = std::make_unique<CUserType>();
        pType->m_strName = type.strName;
        pType->m_strSchema = type.strSchema;
        pType->m_nBaseType = type.nBaseTypeId;
        // (max) types keep -1: the largest length, which the scripts write as max.
        pType->m_nLength = static_cast<std::uint16_t>(type.nLength);
        pType->m_nPrecision = type.nPrecision;
        pType->m_nScale = type.nScale;
        m_engine.m_mapUserTypes.Set(std::to_string(type.nTypeId), std::move(pType));
    }
    for (const STable& table : m_catalog.Tables()) {
        auto pTable = std::make_unique<CTable>();
        pTable->m_strName = table.strName;
        pTable->m_strSchema = table.strSchema;
        pTable->m_nObjectId = table.nObjectId;
        pTable->m_strRowsNotRead = RowsNotRead(table);
        m_engine.m_mapObjects.Set(ObjectKey(table.nObjectId), std::move(pTable));
    }
    for (const SModule& module : m_catalog.Modules()) {
        const std::string strKey = ObjectKey(module.nObjectId);
        if (module.eKind == EModuleKind::Default) {
            auto pDefault = std::make_unique<CIndexInfo>();
            pDefault->m_nObjectId = module.nObjectId;
            pDefault->m_strName = module.strName;
            m_engine.m_mapDefaults.Set(strKey, std::move(pDefault));
            continue;
        }
        COrderedMap<CViewStoredProc>* pMap = MapOf(m_engine, module.eKind);
        if (pMap == nullptr)
            continue;  // check constraints belong to their table's keys and constraints
        auto pObject = std::make_unique<CViewStoredProc>();
        pObject->m_strName = module.strName;
        pObject->m_strSchema = module.strSchema;
        pObject->m_nObjectId = module.nObjectId;
        pMap->Set(strKey, std::move(pObject));
    }
}

void CModelBuilder::AddTextsAndColumns() {
    for (const SModule& module : m_catalog.Modules()) {
        const std::string strKey = ObjectKey(module.nObjectId);
        if (module.eKind == EModuleKind::Default) {
            if (CIndexInfo* pDefault = m_engine.m_mapDefaults.Find(strKey))
                pDefault->m_strText = module.strText;
        } else if (COrderedMap<CViewStoredProc>* pMap = MapOf(m_engine, module.eKind)) {
            if (CViewStoredProc* pObject = pMap->Find(strKey)) {
                pObject->m_strText = module.strText;
                pObject->m_nColId = module.bTextFound ? 1 : 0;
            }
        }
    }
    for (const STable& table : m_catalog.Tables()) {
        CTable* pTable = m_engine.m_mapObjects.Find(ObjectKey(table.nObjectId));
        if (pTable == nullptr)
            continue;
        const SPartition* pLayout = table.vecPartitions.empty() ? nullptr : &table.vecPartitions[0];
        for (std::size_t i = 0; i < table.vecColumns.size(); ++i) {
            const SColumn& column = table.vecColumns[i];
            CColumnInfo info = CValueConverter::ColumnInfo(column);
            if (column.nDefaultObjectId != 0) {
                if (const SModule* pDefault = Module(column.nDefaultObjectId))
                    info.m_strDefault = pDefault->strText;
            }
            // A computed column whose text was not found stays a plain column of its type: its
            // values are still shown, and nothing invents a formula for it.
            if (column.bComputed)
                info.m_strFormula = column.strFormula;
            if (pLayout != nullptr && i < pLayout->vecPlaces.size()) {
                info.m_nOffset = pLayout->vecPlaces[i].nLeafOffset;
                info.m_nBitPos = pLayout->vecPlaces[i].nBitPos;
            }
            const bool bVariable = CTypeInfo::IsVariable(column.nTypeId);
            ++pTable->m_nColumns;
            ++pTable->m_nAllColumns;
            pTable->m_nBitColumns += info.m_strType == "bit";
            if (bVariable) {
                ++pTable->m_nVarColumns;
                ++pTable->m_nAllVarColumns;
                CVarColumn var;
                var.m_strName = info.m_strName;
                var.m_strType = info.m_strType;
                var.m_nOrder = info.m_nOrder;
                var.m_nLength = info.m_nLength;
                var.m_nOffset = info.m_nOffset;
                pTable->m_vecVarColumns.push_back(var);
                pTable->SetVarColumnType(std::to_string(info.m_nOffset), info.m_strType);
            }
            // Column ids are unique per table, so no column is refused as a duplicate name.
            pTable->InsertColumn(std::move(info));
        }
        AddSchemaParts(table, *pTable);
    }
}

void CModelBuilder::AddSchemaParts(const STable& table, CTable& target) const {
    // A column id the table does not have gives an empty name: the part is shown, not scripted.
    auto columnName = [](const STable& owner, std::int32_t nColumnId) {
        for (const SColumn& column : owner.vecColumns) {
            if (column.nColumnId == nColumnId)
                return column.strName;
        }
        return std::string();
    };
    auto constraintOf = [&](const std::string& strName) -> const SConstraint* {
        for (const SConstraint& constraint : table.vecConstraints) {
            if (constraint.strName == strName &&
                (constraint.strType == "PK" || constraint.strType == "UQ"))
                return &constraint;
        }
        return nullptr;
    };

    target.m_vecKeys.clear();
    target.m_vecIndexes.clear();
    target.m_vecChecks.clear();
    target.m_vecForeignKeys.clear();
    for (const SIndex& index : table.vecIndexes) {
        CTableIndex part;
        part.m_strName = index.strName;
        part.m_nIndexId = index.nIndexId;
        part.m_bClustered = index.nType == 1;
        part.m_bKeyIndex = index.bPrimaryKey || index.bUniqueConstraint;
        part.m_bUnique = index.bUnique || part.m_bKeyIndex;
        for (std::size_t i = 0; i < index.vecKeyColumns.size(); ++i) {
            const bool bDescending = i < index.vecDescending.size() && index.vecDescending[i];
            part.m_vecColumns.push_back(
                CIndexColumn{columnName(table, index.vecKeyColumns[i]), bDescending});
        }
        if (part.m_bKeyIndex) {
            // The index that enforces a key carries the key's name; a key whose constraint row
            // was lost is still kept through its index.
            CKeyConstraint key;
            key.m_strName = index.strName;
            key.m_bPrimaryKey = index.bPrimaryKey;
            key.m_bClustered = part.m_bClustered;
            key.m_vecColumns = part.m_vecColumns;
            if (const SConstraint* pConstraint = constraintOf(index.strName))
                key.m_nObjectId = pConstraint->nObjectId;
            target.m_vecKeys.push_back(std::move(key));
        }
        target.m_vecIndexes.push_back(std::move(part));
    }
    // A key whose index was lost keeps its name and kind, without columns.
    for (const SConstraint& constraint : table.vecConstraints) {
        if (constraint.strType != "PK" && constraint.strType != "UQ")
            continue;
        const bool bKnown = std::any_of(
            target.m_vecKeys.begin(), target.m_vecKeys.end(),
            [&](const CKeyConstraint& key) { return key.m_strName == constraint.strName; });
        if (bKnown)
            continue;
        CKeyConstraint key;
        key.m_strName = constraint.strName;
        key.m_nObjectId = constraint.nObjectId;
        key.m_bPrimaryKey = constraint.strType == "PK";
        target.m_vecKeys.push_back(std::move(key));
    }
    // The primary key first: it is created before the other keys.
    std::stable_partition(target.m_vecKeys.begin(), target.m_vecKeys.end(),
                          [](const CKeyConstraint& key) { return key.m_bPrimaryKey; });

    for (const SConstraint& constraint : table.vecConstraints) {
        if (constraint.strType != "C")
            continue;
        CCheckConstraint check;
        check.m_strName = constraint.strName;
        check.m_nObjectId = constraint.nObjectId;
        if (const SModule* pModule = Module(constraint.nObjectId);
            pModule != nullptr && pModule->bTextComplete) {
            check.m_strText = pModule->strText;
        }
        target.m_vecChecks.push_back(std::move(check));
    }
    for (const SForeignKey& source : table.vecForeignKeys) {
        CForeignKey key;
        key.m_strName = source.strName;
        key.m_nObjectId = source.nObjectId;
        key.m_nReferencedObjectId = source.nReferencedTableId;
        for (std::int32_t nColumn : source.vecColumns)
            key.m_vecColumns.push_back(columnName(table, nColumn));
        if (const STable* pReferenced = m_catalog.FindTable(source.nReferencedTableId)) {
            key.m_strReferencedTable = pReferenced->strName;
            key.m_strReferencedSchema = pReferenced->strSchema;
            for (std::int32_t nColumn : source.vecReferencedColumns)
                key.m_vecReferencedColumns.push_back(columnName(*pReferenced, nColumn));
        } else {
            key.m_vecReferencedColumns.assign(source.vecReferencedColumns.size(), std::string());
        }
        target.m_vecForeignKeys.push_back(std::move(key));
    }
}

}  // namespace format2005
