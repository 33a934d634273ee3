// engine/catalog/CIndexColumn.h
#pragma once

#include <string>

#include "common/Export.h"

// One column of an index or key, in key order.
class AMBERMILL_API CIndexColumn {
  public:
    // Column name; empty when the catalog named a column the table does not have (the index is
    // then shown but not scripted).
    std::string m_strName;
    bool m_bDescending = false;
};
