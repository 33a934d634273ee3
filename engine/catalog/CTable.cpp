// engine/catalog/CTable.cpp
#include "engine/catalog/CTable.h"

#include <algorithm>

const std::string* CTable::VarColumnType(const std::string& strOffset) const {
    for (const auto& [strKey, strType] : m_vecVarColumnTypes) {
        if (strKey == strOffset)
            return &strType;
    }
    return nullptr;
}

void CTable::SetVarColumnType(const std::string& strOffset, const std::string& strType) {
    for (auto& [strKey, strExisting] : m_vecVarColumnTypes) {
        if (strKey == strOffset) {
            strExisting = strType;
            return;
        }
    }
    m_vecVarColumnTypes.emplace_back(strOffset, strType);
}

bool CTable::InsertColumn(CColumnInfo column) {
    // The duplicate check walks the whole list only up to the insertion point in the original
    // walk, but a later duplicate would still be a second column of one name: check all.
    if (std::any_of(m_vecColumns.begin(), m_vecColumns.end(),
                    [&](const CColumnInfo& c) { return c.m_strName == column.m_strName; })) {
        return false;
    }
    auto it = std::upper_bound(
        m_vecColumns.begin(), m_vecColumns.end(), column.m_nOrder,
        [](std::uint16_t nOrder, const CColumnInfo& c) { return nOrder < c.m_nOrder; });
    m_vecColumns.insert(it, std::move(column));
    return true;
}

const CColumnInfo* CTable::IdentityColumn() const {
    for (const CColumnInfo& column : m_vecColumns) {
        if (column.m_bIdentity && !column.m_bDeleted && !column.IsComputed())
            return &column;
    }
    return nullptr;
}

const CColumnInfo* CTable::FindColumn(const std::string& strName) const {
    for (const CColumnInfo& column : m_vecColumns) {
        if (column.m_strName == strName)
            return &column;
    }
    return nullptr;
}
