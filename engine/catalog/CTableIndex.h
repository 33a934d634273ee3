// engine/catalog/CTableIndex.h
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Export.h"
#include "engine/catalog/CIndexColumn.h"

// An index of a table (statistics are not indexes and are left out).
class AMBERMILL_API CTableIndex {
  public:
    std::string m_strName;
    std::int32_t m_nIndexId = 0;  // the format's index number (1 is the clustered index in 2000)
    bool m_bUnique = false;
    bool m_bClustered = false;
    // The index enforces a primary key or unique constraint: the constraint creates it, so it is
    // not created on its own.
    bool m_bKeyIndex = false;
    std::vector<CIndexColumn> m_vecColumns;  // key columns in key order
};
