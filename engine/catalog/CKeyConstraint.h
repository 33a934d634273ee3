// engine/catalog/CKeyConstraint.h
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Export.h"
#include "engine/catalog/CIndexColumn.h"

// A primary key or unique constraint of a table, with the columns of the index that enforces it.
class AMBERMILL_API CKeyConstraint {
  public:
    std::string m_strName;
    std::int32_t m_nObjectId = 0;  // 0 when only its index was found
    bool m_bPrimaryKey = false;    // false: a unique constraint
    bool m_bClustered = false;
    std::vector<CIndexColumn> m_vecColumns;  // in key order; empty when its index was not found
};
